#pragma once

// Splitting a data line of the free-format files (point, profile, cross-fall). Not part of the
// library's interface.

#include "geometry/number_text.h"

#include <string>
#include <vector>

namespace tesk::formats {

// The fields of a line: split at commas when it has any (empty fields kept), else at blanks.
inline std::vector<std::string> FieldsOf(const std::string& line) {
    const std::string cleaned = geometry::CleanLine(line);
    if (cleaned.find(',') == std::string::npos) {
        return geometry::SplitFields(cleaned);
    }
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = cleaned.find(',', start);
        fields.emplace_back(geometry::Trim(std::string_view(cleaned).substr(
            start, comma == std::string::npos ? std::string::npos : comma - start)));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return fields;
}

} // namespace tesk::formats
