#include "cli/console_prompts.h"

#include "geometry/number_text.h"

#include <ostream>

namespace tesk::cli {

std::string ConsolePrompts::OpenFile(std::string_view, std::string_view) {
    return {};
}

void ConsolePrompts::Refuse(const session::Refusal& refusal) {
    m_complained = true;
    m_err << geometry::EscapeControlCharacters(refusal.Message) << '\n';
}

void ConsolePrompts::Error(std::string_view message, std::string_view detail) {
    m_complained = true;
    m_err << geometry::EscapeControlCharacters(message) << '\n';
    if (!detail.empty()) {
        m_err << geometry::EscapeControlCharacters(detail) << '\n';
    }
}

} // namespace tesk::cli
