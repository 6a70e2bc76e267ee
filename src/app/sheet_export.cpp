#include "app/sheet_export.h"

#include <filesystem>

namespace tesk::app {

sheet::PileSheetTable ToSheetTable(const piles::PileTable& table) {
    sheet::PileSheetTable out;
    out.Piers.reserve(table.Piers.size());
    for (const piles::Pier& pier : table.Piers) {
        sheet::SheetPier row;
        row.StationText = pier.PileStationText;
        row.Station = pier.PileStation;
        row.Entries.reserve(pier.Entries.size());
        for (const piles::PileEntry& entry : pier.Entries) {
            const state::PlanePoint p = piles::EntryPoint(pier, entry);
            row.Entries.push_back({entry.L1, entry.L2, p.X, p.Y});
        }
        out.Piers.push_back(std::move(row));
    }
    return out;
}

std::string SuggestedWorkbookPath(const std::string& pileFile, const std::string& fallbackFolder) {
    namespace fs = std::filesystem;
    if (pileFile.empty()) {
        return (fs::path(fallbackFolder) / fs::path(u8"坐标表.xlsx")).string();
    }
    fs::path path(pileFile);
    path.replace_extension(".xlsx");
    return path.string();
}

} // namespace tesk::app
