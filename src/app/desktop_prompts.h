#pragma once

// What the desktop window asks of the user beyond the commands' own prompts: where to save a
// file, and handing a written file to the desktop.

#include "session/prompts.h"

#include <string>
#include <string_view>

namespace tesk::app {

class DesktopPrompts : public session::Prompts {
public:
    using session::Prompts::Refuse;
    /// A refusal of the window's own (no focus move, no activation).
    void Refuse(std::string_view message) { Refuse(session::Refusal{std::string(message)}); }

    /// Shows a save dialog with `title`, `filter` (the OpenFile form) and the suggested path.
    /// Returns the path to write, the user having agreed to replace a file that exists there,
    /// or an empty string when the user cancelled.
    virtual std::string SaveFile(std::string_view title, std::string_view filter,
                                 std::string_view suggestedPath) = 0;

    /// Asks a yes/no question (title "Tesk"); true = yes.
    virtual bool Confirm(std::string_view question) = 0;

    /// Opens a written file with the desktop's default program for its type. Returns false
    /// when there is none (the file stays written; the caller says where it is).
    virtual bool OpenWithDesktop(std::string_view path) = 0;

    /// A plain notice (information icon, OK only).
    virtual void Inform(std::string_view message) = 0;
};

/// The object name of the window's input field a refusal puts the focus on: "stationField" (station),
/// "angleField" (angle), "skewField" (skew); empty for Field::None.
std::string_view FieldControlName(session::Field field);

} // namespace tesk::app
