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

namespace {

// A text of several lines written one line each, every line with its control characters escaped.
void WriteLines(std::ostream& out, std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        out << geometry::EscapeControlCharacters(text.substr(0, end)) << '\n';
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
}

} // namespace

void ConsolePrompts::Error(std::string_view message, std::string_view detail,
                           std::string_view technical) {
    m_complained = true;
    WriteLines(m_err, message);
    WriteLines(m_err, detail);
    if (m_verbose && !technical.empty()) {
        m_err << "detail: " << geometry::EscapeControlCharacters(technical) << '\n';
    }
}

void ConsolePrompts::Note(std::string_view text) {
    WriteLines(m_err, text);
}

} // namespace tesk::cli
