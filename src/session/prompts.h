#pragma once

// What the commands ask of the user and tell the user. The desktop window implements it with
// dialogs, the command-line tool with its arguments and stderr, the tests with a scripted fake.

#include "session/refusal.h"

#include <string>
#include <string_view>

namespace tesk::session {

inline constexpr std::string_view kRefusalTitle = "数据有误"; ///< refusals of user data, OK only
inline constexpr std::string_view kErrorTitle = "错误";       ///< run-time failures, critical icon

class Prompts {
public:
    virtual ~Prompts() = default;

    /// Shows a file-open dialog with `title` and `filter` ("描述|模式|描述|模式", patterns
    /// separated by ';'). Returns the chosen path, or an empty string when the user cancelled.
    virtual std::string OpenFile(std::string_view title, std::string_view filter) = 0;

    /// Shows a refusal of user data: brings the main window to the front first when
    /// `refusal.ActivateFirst`, shows a modal box titled kRefusalTitle with only an OK button,
    /// then puts the focus on `refusal.Focus` (selecting its text) unless it is Field::None.
    virtual void Refuse(const Refusal& refusal) = 0;

    /// A run-time failure: a box titled kErrorTitle with the critical-error icon. `detail` says
    /// where and why in Chinese, one fact a line ("文件：…", "行：第5行", see ErrorDetail); it
    /// may be empty and is shown only as secondary information. `technical` is the engine's
    /// English text of the same failure, for the command-line tool's --verbose; the window does
    /// not show it. Either may be empty.
    virtual void Error(std::string_view message, std::string_view detail,
                       std::string_view technical) = 0;

    /// Brings the main window to the front (before a message box).
    virtual void ActivateMainWindow() = 0;
};

} // namespace tesk::session
