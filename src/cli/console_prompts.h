#pragma once

#include "state/prompts.h"

#include <deque>
#include <iosfwd>
#include <string>

namespace tesk::cli {

/// Prompts for the command-line tool: file dialogs are answered from the paths given on the
/// command line (in the order the command asks for them), messages go to the error stream,
/// focus requests and window activation mean nothing here.
class ConsolePrompts : public state::Prompts {
public:
    explicit ConsolePrompts(std::ostream& err) : m_err(err) {}

    /// Queues the answer to the next file dialog.
    void AnswerNextDialog(std::string path) { m_answers.push_back(std::move(path)); }

    /// True once any refusal or error was reported.
    bool Complained() const { return m_complained; }

    std::string OpenFile(std::string_view title, std::string_view filter) override;
    void Refuse(std::string_view message) override;
    void Error(std::string_view message, std::string_view detail) override;
    void Focus(std::string_view) override {}
    void ActivateMainWindow() override {}

private:
    std::ostream& m_err;
    std::deque<std::string> m_answers;
    bool m_complained = false;
};

} // namespace tesk::cli
