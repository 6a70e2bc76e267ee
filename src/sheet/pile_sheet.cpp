#include "sheet/pile_sheet.h"

namespace tesk::sheet {

PileSheetTable ToSheetTable(const piles::PileTable& table) {
    PileSheetTable sheet;
    sheet.Piers.reserve(table.Piers.size());
    for (const piles::Pier& pier : table.Piers) {
        SheetPier row;
        row.StationText = pier.StationText;
        row.Station = pier.Mileage;
        for (const piles::PileEntry& entry : pier.Entries) {
            const geometry::PlanePoint p = piles::EntryPoint(pier, entry);
            row.Entries.push_back({entry.L1, entry.L2, p.X, p.Y});
        }
        sheet.Piers.push_back(std::move(row));
    }
    return sheet;
}

} // namespace tesk::sheet
