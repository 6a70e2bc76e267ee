#pragma once

// The profile file (".sqx": grade points) and the cross-fall file (".hp"). Both: a title line,
// then one line per row, fields separated by commas or blanks, ";;" lines and empty lines
// skipped; GBK, UTF-8 or UTF-16 like every input file. Stations are written stations as typed
// ("12345.678", "B12345.678", "K12+345.678", "BK12+345.678"): the loaded line's chain breaks
// turn them into mileage.
//
//     某主线纵断面                       ;; title
//     K12+000      100.000   0           station, elevation (m), vertical-curve radius R (m, 0 =
//     none) K12+800      116.000   15000
//
//     某主线横坡
//     K12+000      -2.0      -2.0        station, left %, right % (positive rising outward)

#include "formats/text_file.h"

#include <string>
#include <string_view>
#include <vector>

namespace tesk::formats {

/// Most rows one profile or cross-fall file may hold.
inline constexpr std::size_t kMaxProfileRows = 10'000;
/// Steepest cross-fall a file may give, percent (1:1); anything steeper is a slip in the file.
inline constexpr double kMaxCrossFallPercent = 100.0;

/// One row as read: the station text and two or three numbers, with where it stands.
struct StationRow {
    std::string Station;
    double First = 0.0;  ///< elevation (m) / left cross-fall (%)
    double Second = 0.0; ///< radius R (m) / right cross-fall (%)
    std::string Where;   ///< "<file>, line <N>: " for messages about the row
};

/// Reads a profile file: station, elevation, R per line. Throws geometry::RuntimeError: EmptyPath
/// for an empty path, FileAccess, Format naming the file and line for a line of other than three
/// fields, an elevation or radius that is not a finite number, or no grade point at all.
std::vector<StationRow> ReadProfileFile(const std::string& path);
std::vector<StationRow> ReadProfileText(std::string_view bytes);

/// Reads a cross-fall file: station, left %, right % per line; failures as ReadProfileFile.
std::vector<StationRow> ReadCrossFallFile(const std::string& path);
std::vector<StationRow> ReadCrossFallText(std::string_view bytes);

} // namespace tesk::formats
