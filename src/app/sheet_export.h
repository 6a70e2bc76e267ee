#pragma once

// Where the workbook of a coordinate table goes.

#include <string>

namespace tesk::app {

/// The workbook suggested for a pile file: beside it, named after it, with ".xlsx"
/// ("/data/bridge.zw" gives "/data/bridge.xlsx"). Without a source path: "坐标表.xlsx" in
/// `fallbackFolder`.
std::string SuggestedWorkbookPath(const std::string& pileFile, const std::string& fallbackFolder);

} // namespace tesk::app
