#pragma once

// Shared body of the reader fuzz targets: feed the bytes to a reader, accept a clean
// RuntimeError(Format), and check what a successful read left in the state.

#include "formats/text_file.h"
#include "geometry/error.h"
#include "state/shared_state.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tesk::formats::fuzz {

/// Runs `read(bytes, state)` on one input. Any exception other than a format error, and any
/// broken invariant checked by `check(state)` after a successful read, aborts the run.
template <typename Read, typename Check>
int RunReader(const std::uint8_t* data, std::size_t size, Read read, Check check) {
    // The state is large (many 1000-row tables): one per process, reused like the program does.
    static state::SharedState sharedState;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        read(bytes, sharedState);
    } catch (const geometry::RuntimeError& e) {
        if (e.Code() != geometry::ErrorCode::Format) {
            __builtin_trap();
        }
        return 0;
    }
    if (!check(sharedState)) {
        __builtin_trap();
    }
    return 0;
}

} // namespace tesk::formats::fuzz
