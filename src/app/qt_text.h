#pragma once

// The libraries' texts are UTF-8; Qt's are UTF-16.

#include <QString>

#include <string_view>

namespace tesk::app {

/// The UTF-8 text `text` as a QString; bytes that are not UTF-8 become replacement characters.
inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace tesk::app
