#pragma once

// Shared body of the construction fuzz targets: a file read and built into a line, then asked
// for points along it. Reading may end in a format error, building in any RuntimeError (the
// builders name the vertex or element); a built line must answer with finite points or a
// RuntimeError, never crash, hang or trip a sanitizer.

#include "alignment/alignment.h"
#include "geometry/error.h"
#include "stationing/stationing.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tesk::formats::fuzz {

/// Asks `line` for points at its ends and at 64 even steps between, and for their labels.
inline void WalkLine(const alignment::Alignment& line) {
    const double start = line.Start();
    const double end = line.End();
    if (!std::isfinite(start) || !std::isfinite(end)) {
        __builtin_trap();
    }
    const stationing::Stationing plain({}, start, end);
    for (int k = 0; k <= 64; ++k) {
        const double mileage = start + (end - start) * k / 64.0;
        try {
            const geometry::StationPoint p = line.PointAt(mileage);
            if (!std::isfinite(p.X) || !std::isfinite(p.Y) || !std::isfinite(p.Azimuth)) {
                __builtin_trap();
            }
            (void)plain.MileageToLabel(mileage);
        } catch (const geometry::RuntimeError&) {
            // a station no rule can evaluate is reported, not answered
        }
    }
}

/// Reads `bytes` with `read` and builds the result with `build` (which returns the line's
/// Alignment); any exception but a RuntimeError aborts the run, and so does a format error
/// that is not one from reading.
template <typename Read, typename Build>
int RunLine(const std::uint8_t* data, std::size_t size, Read read, Build build) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        auto input = read(bytes);
        try {
            build(std::move(input));
        } catch (const geometry::RuntimeError&) {
        }
    } catch (const geometry::RuntimeError& e) {
        if (e.Code() != geometry::ErrorCode::Format) {
            __builtin_trap();
        }
    }
    return 0;
}

} // namespace tesk::formats::fuzz
