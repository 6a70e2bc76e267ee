#pragma once

// From the pile table of a pile command to the coordinate sheet, and where its workbook goes.

#include "piles/pile_file.h"
#include "sheet/coordinate_sheet.h"

#include <string>

namespace tesk::app {

/// Every pier of `table` with every entry's L1, L2 and plane point (X north, Y east, m).
sheet::PileSheetTable ToSheetTable(const piles::PileTable& table);

/// The workbook suggested for a pile file: beside it, named after it, with ".xlsx"
/// ("/data/bridge.zw" gives "/data/bridge.xlsx"). Without a source path: "坐标表.xlsx" in
/// `fallbackFolder`.
std::string SuggestedWorkbookPath(const std::string& pileFile, const std::string& fallbackFolder);

} // namespace tesk::app
