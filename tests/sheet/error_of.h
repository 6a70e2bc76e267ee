#pragma once

#include "geometry/error.h"

#include <optional>

namespace tesk::sheet::testing {

/// The code of the RuntimeError `call` throws, or nothing when it returns normally.
template <typename Call> std::optional<geometry::ErrorCode> ErrorOf(Call&& call) {
    try {
        call();
    } catch (const geometry::RuntimeError& error) {
        return error.Code();
    }
    return std::nullopt;
}

} // namespace tesk::sheet::testing
