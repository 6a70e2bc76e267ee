#pragma once

// The single error handler that ends a command on a run-time failure.

#include "session/prompts.h"
#include "geometry/error.h"

#include <exception>
#include <string>
#include <string_view>

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

/// Runs `body` under the command's error handler: any failure ends it with one error box
/// (after bringing the main window to the front when `activateFirst`). Returns true when the
/// body ran to its end. Files are closed by their owners' destructors on every path.
template <typename Body> bool RunUnderHandler(Prompts& prompts, bool activateFirst, Body&& body) {
    std::string_view message = kFormatMessage;
    std::string detail;
    try {
        body();
        return true;
    } catch (const RuntimeError& e) {
        message = HandlerMessage(e);
        detail = e.what();
    } catch (const std::exception& e) { // out of memory and the like: still an orderly end
        detail = e.what();
    }
    if (activateFirst) {
        prompts.ActivateMainWindow();
    }
    prompts.Error(message, detail);
    return false;
}

} // namespace tesk::session
