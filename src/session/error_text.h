#pragma once

// The user's side of a run-time failure: the engine throws English texts that name the file,
// line, field and value ("<file>, line 5: field 2 (Y): \"1O0\" is not a number"); the error box
// shows them in Chinese, one fact a line. The English text stays for the command-line tool's
// --verbose.

#include "geometry/error.h"

#include <string>
#include <string_view>

namespace tesk::session {

/// The heading of a failure while writing an output file, followed by the path.
inline constexpr std::string_view kOutputFaultHeading = "文件无法写入：";

/// The Chinese detail of `error`: "类别：…" (what kind of failure), then, where the English text
/// names them, "文件：…", "行：第N行", "字段：…", "数值：\"…\"", "交点：…", "单元：第N个" and
/// "说明：…" (the reason), each line ending in '\n'. Parts of the text it cannot read are left
/// out rather than guessed. Never throws (beyond std::bad_alloc).
std::string ErrorDetail(const geometry::RuntimeError& error);

/// The detail of a failure that is not a geometry::RuntimeError (out of memory and the like).
std::string UnexpectedDetail();

/// The message of a failure while writing `path` (UTF-8): kOutputFaultHeading + path, a line
/// break and the reason in Chinese (no folder, no permission, a full disk, content the
/// spreadsheet or drawing writer refused, or in general that the file cannot be created or
/// replaced). Never throws (beyond std::bad_alloc).
std::string OutputFaultMessage(std::string_view path, const geometry::RuntimeError& error);

} // namespace tesk::session
