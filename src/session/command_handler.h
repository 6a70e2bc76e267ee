#pragma once

// The single error handler that ends a command on a run-time failure.

#include "geometry/error.h"
#include "session/error_text.h"
#include "session/prompts.h"

#include <exception>
#include <string>
#include <string_view>
#include <utility>

namespace tesk::session {

using geometry::ErrorCode;
using geometry::RuntimeError;

inline constexpr std::string_view kCancelledMessage = "读取文件被取消！";
inline constexpr std::string_view kFormatMessage = "数据文件格式有误或操作有误！";

/// The message the handler shows for a failure: kCancelledMessage exactly when a file was to be
/// opened from an empty path (the user cancelled the dialog), kFormatMessage otherwise.
inline std::string_view HandlerMessage(const RuntimeError& error) {
    return error.Code() == ErrorCode::EmptyPath ? kCancelledMessage : kFormatMessage;
}

namespace detail {

/// The handler of RunUnderHandler and RunOutputUnderHandler; `outputPath` (UTF-8) is the file
/// being written, or nullptr when the body writes nothing.
template <typename Body>
bool RunHandled(Prompts& prompts, bool activateFirst, const std::string* outputPath, Body&& body) {
    std::string message(kFormatMessage);
    std::string detail;
    std::string technical;
    try {
        body();
        return true;
    } catch (const RuntimeError& e) {
        const bool writing =
            outputPath && (e.Code() == ErrorCode::FileAccess || e.Code() == ErrorCode::Output);
        message = writing ? OutputFaultMessage(*outputPath, e) : std::string(HandlerMessage(e));
        detail = ErrorDetail(e);
        technical = e.what();
    } catch (const std::exception& e) { // out of memory and the like: still an orderly end
        detail = UnexpectedDetail();
        technical = e.what();
    }
    if (activateFirst) {
        prompts.ActivateMainWindow();
    }
    prompts.Error(message, detail, technical);
    return false;
}

} // namespace detail

/// Runs `body` under the command's error handler: any failure ends it with one error box
/// (after bringing the main window to the front when `activateFirst`), its detail in Chinese
/// (ErrorDetail) and the English text as the technical line. Returns true when the body ran to
/// its end. Files are closed by their owners' destructors on every path.
template <typename Body> bool RunUnderHandler(Prompts& prompts, bool activateFirst, Body&& body) {
    return detail::RunHandled(prompts, activateFirst, nullptr, std::forward<Body>(body));
}

/// RunUnderHandler for a body that writes the output file `outputPath` (UTF-8): a file that
/// cannot be written (geometry::ErrorCode::FileAccess) or content the writer refused (Output)
/// is headed "文件无法写入：" + path + reason (OutputFaultMessage) instead of kFormatMessage.
template <typename Body>
bool RunOutputUnderHandler(Prompts& prompts, bool activateFirst, const std::string& outputPath,
                           Body&& body) {
    return detail::RunHandled(prompts, activateFirst, &outputPath, std::forward<Body>(body));
}

} // namespace tesk::session
