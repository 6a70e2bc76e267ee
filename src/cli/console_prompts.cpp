#include "cli/console_prompts.h"

#include <ostream>

namespace tesk::cli {

std::string ConsolePrompts::OpenFile(std::string_view, std::string_view) {
    return {};
}

void ConsolePrompts::Refuse(const session::Refusal& refusal) {
    m_complained = true;
    m_err << refusal.Message << '\n';
}

void ConsolePrompts::Error(std::string_view message, std::string_view detail,
                           std::string_view technical) {
    m_complained = true;
    m_err << message << '\n';
    if (!detail.empty()) {
        m_err << detail;
        if (detail.back() != '\n') {
            m_err << '\n';
        }
    }
    if (m_verbose && !technical.empty()) {
        m_err << "detail: " << technical << '\n';
    }
}

} // namespace tesk::cli
