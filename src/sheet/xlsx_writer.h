#pragma once

// Saves a Workbook as an Office Open XML spreadsheet (.xlsx) that Excel, WPS and LibreOffice
// open: every value, merge, column width, row height, font, alignment, number format and border.

#include "formats/output_file.h"
#include "sheet/workbook.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace tesk::sheet {

/// Writes `workbook` to `path`. The file is first written beside `path` under a temporary name,
/// flushed to disk and then renamed onto it (formats::OutputFile), so a reader never sees half a
/// file and a failed write leaves an older file at `path` as it was. An existing file is
/// replaced without asking: asking is the caller's job. The active worksheet opens first. A
/// workbook without worksheets is saved with one empty sheet (a spreadsheet file cannot have
/// none). Numbers are stored with 16 significant digits (0.1 + 0.2 reads back as 0.3).
/// Throws geometry::RuntimeError(EmptyPath) for an empty `path`, geometry::RuntimeError(FileAccess)
/// naming `path` when the file cannot be written, flushed or renamed, and
/// geometry::RuntimeError(Output) when the spreadsheet library refuses the content.
void WriteXlsx(const Workbook& workbook, const std::filesystem::path& path);

/// Writes `workbook` into the temporary of `output` as WriteXlsx above, without committing it,
/// for a command that commits all its outputs together (formats::CommitAll). Throws
/// geometry::RuntimeError(FileAccess) naming the target or (Output) as above.
void WriteXlsx(const Workbook& workbook, formats::OutputFile& output);

/// The number format as stored in the file for a format written the way the Chinese user
/// interface shows it: "G/通用格式" (or "General") is the general format, returned as "";
/// letters that are not format codes and other literal characters are quoted, so "K0+000.000"
/// is stored as "\"K\"0+000.000"; everything else is kept ("0.0000").
std::string StoredNumberFormat(std::string_view localFormat);

} // namespace tesk::sheet
