#include "sheet/coordinate_command.h"

namespace tesk::sheet {

PileSheetTable ToSheetTable(const piles::PileTable& table) {
    PileSheetTable sheet;
    sheet.Piers.reserve(table.Piers.size());
    for (const piles::Pier& pier : table.Piers) {
        SheetPier row;
        row.StationText = pier.PileStationText;
        row.Station = pier.PileStation;
        for (const piles::PileEntry& entry : pier.Entries) {
            const geometry::PlanePoint p = piles::EntryPoint(pier, entry);
            row.Entries.push_back({entry.L1, entry.L2, p.X, p.Y});
        }
        sheet.Piers.push_back(std::move(row));
    }
    return sheet;
}

bool xpcmdbutton2(const state::SharedState& s, state::Prompts& prompts,
                  state::AlignmentMethod method, SpreadsheetSession& session,
                  std::string& pileFile) {
    return piles::RunPileCommand(s, prompts, method, [&](const piles::PileTable& t) {
        WriteCoordinateSheet(session.ConnectExcel(), ToSheetTable(t));
        pileFile = t.SourcePath;
    });
}

} // namespace tesk::sheet
