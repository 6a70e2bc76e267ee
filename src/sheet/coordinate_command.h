#pragma once

// The "坐标表－Excel" command: the pile-file sequence, then the coordinate table as a new
// worksheet of the session's workbook.

#include "piles/pile_file.h"
#include "sheet/coordinate_sheet.h"
#include "sheet/workbook.h"
#include "state/method.h"
#include "state/prompts.h"
#include "state/shared_state.h"

#include <string>

namespace tesk::sheet {

/// The sheet's view of a pile table: every entry with its computed plane point.
PileSheetTable ToSheetTable(const piles::PileTable& table);

/// Runs the pile-file sequence (dialog, reading, checks, reference points) under the command's
/// error handler and writes the coordinate table into a new worksheet of the session's
/// workbook. Returns true on success; `pileFile` then holds the path of the pile file read (the
/// window names the saved workbook after it).
bool xpcmdbutton2(const state::SharedState& s, state::Prompts& prompts,
                  state::AlignmentMethod method, SpreadsheetSession& session,
                  std::string& pileFile);

} // namespace tesk::sheet
