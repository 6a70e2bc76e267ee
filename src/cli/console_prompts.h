#pragma once

#include "session/prompts.h"

#include <iosfwd>
#include <string>

namespace tesk::cli {

/// Prompts for the command-line tool: the paths come from its arguments, so no dialog is ever
/// answered; messages go to the error stream, one line each, with their control characters
/// escaped (geometry::EscapeControlCharacters: a station text read from a file cannot move the
/// cursor or retitle the terminal); focus and window activation mean nothing here. A failure
/// prints its Chinese message and Chinese detail lines; with `verbose` (--verbose) also the
/// engine's English text, on a line of its own starting with "detail: ".
class ConsolePrompts : public session::Prompts {
public:
    explicit ConsolePrompts(std::ostream& err, bool verbose = false)
        : m_err(err), m_verbose(verbose) {}

    /// True once any refusal or error was reported.
    bool Complained() const { return m_complained; }

    /// Answers every dialog as cancelled: the tool asks nothing interactively.
    std::string OpenFile(std::string_view title, std::string_view filter) override;
    void Refuse(const session::Refusal& refusal) override;
    void Error(std::string_view message, std::string_view detail,
               std::string_view technical) override;
    void ActivateMainWindow() override {}
    /// A note on stderr that is neither a refusal nor a failure (what a file left unsaid).
    void Note(std::string_view text);

private:
    std::ostream& m_err;
    bool m_complained = false;
    bool m_verbose = false;
};

} // namespace tesk::cli
