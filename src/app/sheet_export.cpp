#include "app/sheet_export.h"

#include <filesystem>

namespace tesk::app {

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
