#pragma once

#include <clocale>
#include <string>

namespace tesk::testing {

/// Switches the C locale to one that writes numbers with a decimal comma, for as long as it
/// lives, and restores the locale in force before. Not every machine has such a locale
/// installed: Active() says whether one was found, so that a test can report that its locale
/// checks ran in the "C" locale only instead of passing as if they had been made.
class CommaDecimalLocale {
public:
    CommaDecimalLocale() {
        if (const char* current = std::setlocale(LC_ALL, nullptr)) {
            m_previous = current;
        }
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8",
                                 "ru_RU.UTF-8", "ru_RU.utf8", "de_DE", "German_Germany.1252"}) {
            if (std::setlocale(LC_ALL, name) != nullptr &&
                std::localeconv()->decimal_point == std::string(",")) {
                m_active = true;
                return;
            }
        }
        Restore();
    }
    ~CommaDecimalLocale() { Restore(); }
    CommaDecimalLocale(const CommaDecimalLocale&) = delete;
    CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

    /// True when a decimal-comma locale is in force.
    bool Active() const { return m_active; }

private:
    void Restore() { std::setlocale(LC_ALL, m_previous.empty() ? "C" : m_previous.c_str()); }

    std::string m_previous;
    bool m_active = false;
};

} // namespace tesk::testing
