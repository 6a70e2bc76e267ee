#pragma once

#include "state/runtime_error.h"

#include <optional>

namespace tesk::sheet::testing {

/// The code of the RuntimeError `call` throws, or nothing when it returns normally.
template <typename Call> std::optional<state::ErrorCode> ErrorOf(Call&& call) {
    try {
        call();
    } catch (const state::RuntimeError& error) {
        return error.Code();
    }
    return std::nullopt;
}

} // namespace tesk::sheet::testing
