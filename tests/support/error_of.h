#pragma once

#include "geometry/error.h"

#include <gtest/gtest.h>
#include <string>

namespace tesk::testing {

/// Runs `action`, expecting a geometry::RuntimeError with `code`; returns its message. A test
/// failure (and an empty message) when nothing is thrown.
template <typename Action>
std::string ErrorOf(Action action, geometry::ErrorCode code = geometry::ErrorCode::Format) {
    try {
        action();
    } catch (const geometry::RuntimeError& e) {
        EXPECT_EQ(e.Code(), code) << e.what();
        return e.what();
    }
    ADD_FAILURE() << "no RuntimeError thrown";
    return {};
}

} // namespace tesk::testing
