#pragma once

// Survey point files: one point a line, as field books and other programs write them.
//
//     name,X,Y            or   name X Y        (X north, Y east, m)
//     name,X,Y,H               with a height, m
//     name,code,Y,X,H          the CASS coordinate file (.dat): five fields, east BEFORE north
//
// Fields are separated by commas (an empty field between two commas is kept, as the code of a
// CASS line often is) or, on a line without commas, by blanks. Empty lines and lines starting
// with ";;" are skipped. GBK, UTF-8 or UTF-16 like every input file.

#include "formats/text_file.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesk::formats {

/// Most points one file may hold.
inline constexpr std::size_t kMaxPoints = 1'000'000;

struct SurveyPoint {
    std::string Name;
    double X = 0.0;          ///< m, north
    double Y = 0.0;          ///< m, east
    std::optional<double> H; ///< m, when the file gives one
};

/// Reads every point of a point file. Throws geometry::RuntimeError: EmptyPath for an empty
/// path, FileAccess for a file that cannot be read, Format naming the file and line for a line
/// of other than 3, 4 or 5 fields, a coordinate that is not a finite number, a height that is
/// not a number, or more than kMaxPoints points.
std::vector<SurveyPoint> ReadPointFile(const std::string& path);
std::vector<SurveyPoint> ReadPointText(std::string_view bytes);

} // namespace tesk::formats
