#pragma once

// The pile position coordinate table as a worksheet ("坐标表－Excel"): a two-column item block
// on the left, then two columns per pier (skew distance, then X above Y), two rows per distance
// entry. The piles library fills the input; this file only lays it out.

#include "sheet/workbook.h"

#include <optional>
#include <string>
#include <vector>

namespace tesk::sheet {

/// One distance entry of a pier with the plane point of its pile, already computed.
struct SheetPileEntry {
    double L1 = 0.0; ///< skew distance along the pier axis, m, positive to the left of the line
    double L2 = 0.0; ///< distance along the second direction, m; 0 for a single value
    double X = 0.0;  ///< pile north coordinate, m
    double Y = 0.0;  ///< pile east coordinate, m
    /// The pile's design elevation, m, with a profile loaded (an empty cell outside the profile)
    std::optional<double> H;
};

/// One pier or abutment: one column pair of the table.
struct SheetPier {
    /// Resolved station text of the pile file, in plain metres, with its chain-break mark
    /// letter "A".."Z" in front where chain breaks are loaded ("B1234.5").
    std::string StationText;
    double Station = 0.0;                ///< the same station as continuous mileage, m
    std::vector<SheetPileEntry> Entries; ///< entry j (1-based in the table) is Entries[j - 1]
};

/// The pile table of one pile file, piers in file order (pier k is numbered k - 1 in the sheet).
struct PileSheetTable {
    std::vector<SheetPier> Piers;
    /// Each pier gets a third column, H, the design elevation of its piles ("0.000")
    bool WithElevations = false;
};

/// The written station shown for `pier`, in metres: its continuous mileage, or, when the
/// trimmed station text starts with a mark letter "A".."Z", the number after the letter (the
/// station within its chain-break section).
double SheetStationValue(const SheetPier& pier);

/// Adds a worksheet to `workbook` (it becomes the active sheet) and writes the coordinate table
/// of `table` into it: every merge, width (characters), height (15 pt), font ("宋体" 10),
/// alignment, number format ("K0+000.000" or "K0+000" for stations, "0.0000" for coordinates)
/// and border. Stations and coordinates are written as numbers, at full precision. Returns the
/// new sheet. Throws geometry::RuntimeError(Output) when the table does not fit a worksheet or a
/// value it would show is not finite; then no sheet is added.
Worksheet& WriteCoordinateSheet(Workbook& workbook, const PileSheetTable& table);

} // namespace tesk::sheet
