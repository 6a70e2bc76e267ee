#pragma once

// Shared body of the reader fuzz targets: feed the bytes to a reader, accept a clean
// RuntimeError(Format), and check what a successful read returned.

#include "formats/text_file.h"
#include "geometry/error.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tesk::formats::fuzz {

/// Runs `read(bytes)` on one input. Any exception other than a format error, and any broken
/// invariant `check(result)` finds in what a successful read returned, aborts the run.
template <typename Read, typename Check>
int RunReader(const std::uint8_t* data, std::size_t size, Read read, Check check) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        if (!check(read(bytes))) {
            __builtin_trap();
        }
    } catch (const geometry::RuntimeError& e) {
        if (e.Code() != geometry::ErrorCode::Format) {
            __builtin_trap();
        }
    }
    return 0;
}

} // namespace tesk::formats::fuzz
