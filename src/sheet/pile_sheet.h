#pragma once

// The sheet's view of a pile table.

#include "piles/pile_table.h"
#include "sheet/coordinate_sheet.h"

namespace tesk::sheet {

/// Every entry of every pier of `table` with its computed plane point, piers in file order.
PileSheetTable ToSheetTable(const piles::PileTable& table);

} // namespace tesk::sheet
