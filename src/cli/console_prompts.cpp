#include "cli/console_prompts.h"

#include <ostream>

namespace tesk::cli {

std::string ConsolePrompts::OpenFile(std::string_view, std::string_view) {
    if (m_answers.empty()) {
        return {};
    }
    std::string path = std::move(m_answers.front());
    m_answers.pop_front();
    return path;
}

void ConsolePrompts::Refuse(std::string_view message) {
    m_complained = true;
    m_err << message << '\n';
}

void ConsolePrompts::Error(std::string_view message, std::string_view detail) {
    m_complained = true;
    m_err << message << '\n';
    if (!detail.empty()) {
        m_err << detail << '\n';
    }
}

} // namespace tesk::cli
