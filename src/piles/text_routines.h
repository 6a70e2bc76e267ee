#pragma once

// Small text routines of the main window shared by the point and pile commands.

#include <string>
#include <string_view>

namespace tesk::piles {

/// The azimuth text of an angle in radians, degrees-minutes-seconds without blanks, e.g.
/// 45°30′45.00″. The sign is dropped and values of 360° or more are not reduced. Seconds below
/// 10 lose their trailing zeros (05°00′09″, 05°00′05.3″); from 10 on they keep two decimals.
/// The angle is rounded to 0.01″ before it is split, so 29°59′59.999″ reads 30°00′00″.
std::string fwj(double azimuth);

/// What a pile block's count expression says.
struct CountExpression {
    double zwzgs = 0.0;   ///< number m of entries (numeric value of the text before the separator)
    int zwzzz = 1;        ///< 1 = single values, 2 = pairs
    double zwutjd = 90.0; ///< angle alpha of the pairs' second direction, degrees
};

/// Parses a count expression: "<m>" or "<m>x..." (separator x, X, * or ×, the first of these
/// that occurs, in that order), optionally followed by "-<alpha>" or "－<alpha>".
CountExpression zwbdsjs(std::string_view zwbds);

/// A worksheet cell address: rowcol(3, 28) = "AB3", rowcol(1, 52) = "AZ1". cols 1..702.
std::string rowcol(int rows, int cols);

/// A station field split into the station text and the offset along the line.
struct StationField {
    std::string Station; ///< text before the first "+" (or "-"), the whole field without one
    double Offset = 0.0; ///< m, positive for "+", negative for "-"
};

/// Splits a pile block's station field "<station>", "<station>+<offset>" or
/// "<station>-<offset>".
StationField SplitStationField(std::string_view field);

} // namespace tesk::piles
