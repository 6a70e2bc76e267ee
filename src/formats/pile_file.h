#pragma once

// The pile position file (".zw"): a sequence of pier blocks, each a header line
// "<station field> <theta> <count>" and then the block's distance values in free format (commas,
// blanks or line ends between them):
//
//     345.6 90 3          three single values L1 (skew distances, m, left positive)
//     -5.5
//     0
//     5.5
//     400+1.25 75 4x2     four pairs L1, L2; the station moved 1.25 m along the line
//     -6, 1.2, -6, -1.2
//     6, 1.2, 6, -1.2
//
// The data ends at the end of the file or at a blank line where a header is due.

#include "formats/text_file.h"

#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tesk::formats {

inline constexpr int kMaxPiers = 200;  ///< pier blocks in one file
inline constexpr int kMaxEntries = 20; ///< distance entries of one pier

/// One distance entry of a pier: L1 along the pier axis (m, positive to the left of the line),
/// L2 along the second direction (m; 0 for single values).
struct PileEntry {
    double L1 = 0.0;
    double L2 = 0.0;
};

/// One pier block of a pile file, its station resolved.
struct PierBlock {
    std::string StationText;        ///< station text with its chain-break mark where breaks exist
    double Mileage = 0.0;           ///< continuous mileage of the station, m
    double Shift = 0.0;             ///< offset along the line / sin(theta), m
    double Deflection = 0.0;        ///< theta, degrees, clockwise from the forward tangent
    int EntryKind = 1;              ///< 1 = single values, 2 = pairs
    double SecondAngle = 90.0;      ///< alpha, degrees: second direction = axis turned back by it
    std::vector<PileEntry> Entries; ///< in file order
};

/// What a block's count expression says: "<m>" or "<m>x..." (separator x, X, * or ×, the first
/// of these that occurs, in that order), optionally followed by "-<alpha>" or "－<alpha>".
struct CountExpression {
    double Count = 0.0;        ///< number m of entries (numeric value of the text before "x")
    int EntryKind = 1;         ///< 1 = single values, 2 = pairs
    double SecondAngle = 90.0; ///< angle alpha of the pairs' second direction, degrees
};
CountExpression ParseCountExpression(std::string_view text);

/// A station field split into the station text and the offset along the line: "<station>",
/// "<station>+<offset>" or "<station>-<offset>" (text before the first "+", else the first "-";
/// a station in the design-table form "K12+345.678" keeps its own "+": "BK1+200.5+1.25" is
/// station "BK1+200.5" moved 1.25 m).
struct StationField {
    std::string Station;
    double Offset = 0.0; ///< m, positive for "+", negative for "-"
};
StationField SplitStationField(std::string_view field);

/// A station text resolved against the loaded line's chain breaks.
struct ResolvedStation {
    std::string Text;     ///< with its mark letter where chain breaks exist
    double Mileage = 0.0; ///< continuous mileage, m
};
/// Resolves the station part of a block's station field: the resolved station, or the message
/// of a refusal (a station in a chain-break gap, a wrong mark, ...).
using StationResolver =
    std::function<std::variant<ResolvedStation, std::string>(std::string_view stationText)>;

/// Gives the station part of a block's station field its chain-break mark (the text itself where
/// there is nothing to add), or the message of a refusal (a station in a chain-break gap, a
/// station a backward break makes occur twice).
struct MarkRefusal {
    std::string Message;
};
using StationMarker =
    std::function<std::variant<std::string, MarkRefusal>(std::string_view stationText)>;

/// Reads the pier blocks of `file`, resolving each block's station with `resolve` as its header
/// is read. Returns the blocks, or the first refusal `resolve` gave (the file is read no
/// further). Throws geometry::RuntimeError(Format) naming the file and line for malformed
/// content: fewer than three header fields, a station field with nothing before its "+" or "-",
/// an angle that is not a number or whose sine is 0, missing or surplus distance values, more
/// than 200 piers or 20 entries, an angle (theta, alpha) beyond 360 degrees, an offset or a
/// distance beyond kMaxLength.
///
/// Each header is taken in this order: the angle theta, the station field, the mark (`mark`),
/// the shift along the line (offset / sin theta, failing for a sine of 0), then the station
/// (`resolve`, which checks the mark given and converts the marked text).
std::variant<std::vector<PierBlock>, std::string>
ReadPileFile(TextFile& file, const StationMarker& mark, const StationResolver& resolve);

/// ReadPileFile with no marking step: the station text goes to `resolve` as written.
std::variant<std::vector<PierBlock>, std::string> ReadPileFile(TextFile& file,
                                                               const StationResolver& resolve);

} // namespace tesk::formats
