#include "geometry/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace tesk::geometry {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string CleanLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.remove_suffix(1);
    }
    line = Trim(line);
    std::string cleaned;
    cleaned.reserve(line.size());
    for (char c : line) {
        if (IsBlank(c)) {
            if (cleaned.empty() || cleaned.back() != ' ') {
                cleaned.push_back(' ');
            }
        } else {
            cleaned.push_back(c);
        }
    }
    return cleaned;
}

std::vector<std::string> SplitFields(std::string_view cleanedLine) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (start < cleanedLine.size()) {
        std::size_t end = cleanedLine.find(' ', start);
        if (end == std::string_view::npos) {
            end = cleanedLine.size();
        }
        if (end > start) {
            fields.emplace_back(cleanedLine.substr(start, end - start));
        }
        start = end + 1;
    }
    return fields;
}

std::vector<std::string> CleanAndSplit(std::string_view line) {
    return SplitFields(CleanLine(line));
}

double NumericValue(std::string_view text) {
    std::string number;
    bool seenDigit = false;
    bool seenPoint = false;
    bool seenExponent = false;
    for (char c : text) {
        if (IsBlank(c)) {
            continue;
        }
        if ((c == '+' || c == '-') && number.empty()) {
            number.push_back(c);
        } else if (IsDigit(c)) {
            number.push_back(c);
            seenDigit = true;
        } else if (c == '.' && !seenPoint && !seenExponent) {
            number.push_back(c);
            seenPoint = true;
        } else if ((c == 'e' || c == 'E') && seenDigit && !seenExponent) {
            number.push_back('e');
            seenExponent = true;
        } else if ((c == '+' || c == '-') && !number.empty() && number.back() == 'e') {
            number.push_back(c);
        } else {
            break;
        }
    }
    // An exponent mark without digits after it ("3e", "3e+") is not part of the number.
    while (!number.empty() && !IsDigit(number.back()) && number.back() != '.') {
        number.pop_back();
    }
    if (!seenDigit) {
        return 0.0;
    }
    std::string_view digits = number;
    bool negative = false;
    if (digits.front() == '+' || digits.front() == '-') {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                           std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Beyond a double: too large reads as infinite (every range check then refuses it,
        // never a silent 0), too small ("1e-400") as 0.
        value =
            number.find("e-") != std::string::npos ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

std::optional<double> ParseNumber(std::string_view field) {
    if (field.empty()) {
        return std::nullopt;
    }
    bool negative = false;
    if (field.front() == '+' || field.front() == '-') {
        negative = field.front() == '-';
        field.remove_prefix(1);
    }
    // from_chars would also take "inf" and "nan"; a field must start like a decimal number.
    if (field.empty() || !(IsDigit(field.front()) || field.front() == '.')) {
        return std::nullopt;
    }
    double value = 0.0;
    const char* end = field.data() + field.size();
    auto [ptr, ec] = std::from_chars(field.data(), end, value, std::chars_format::general);
    if (ec != std::errc{} || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

void AppendFixed(std::string& out, double value, int decimals) {
    char buffer[400]; // the longest fixed form of a double, with its decimals
    auto [ptr, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (ec != std::errc{}) {
        out += std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
        return;
    }
    const char* first = buffer;
    if (*first == '-' && std::all_of(first + 1, static_cast<const char*>(ptr),
                                     [](char c) { return c == '0' || c == '.'; })) {
        ++first; // "-0.000" -> "0.000"
    }
    out.append(first, static_cast<std::size_t>(ptr - first));
}

std::string FormatFixed(double value, int decimals) {
    std::string text;
    AppendFixed(text, value, decimals);
    return text;
}

std::string FormatShortest(double value) {
    std::array<char, 400> buffer{};
    auto [ptr, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::fixed);
    if (ec != std::errc{}) {
        return std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
    }
    std::string text(buffer.data(), ptr);
    if (text == "-0") {
        text = "0";
    }
    return text;
}

std::string EscapeControlCharacters(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string escaped;
    escaped.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F) {
            escaped += "\\x";
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0x0F];
        } else if (byte == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            const auto c1 = static_cast<unsigned char>(text[++i]);
            escaped += "\\u00";
            escaped += kHex[c1 >> 4];
            escaped += kHex[c1 & 0x0F];
        } else {
            escaped += static_cast<char>(byte);
        }
    }
    return escaped;
}

std::string QuoteForMessage(std::string_view field) {
    std::string quoted = "\"";
    std::size_t characters = 0;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(field[i]);
        if ((c & 0xC0) != 0x80) { // not a continuation byte: a new character starts
            if (characters == kMaxQuotedChars) {
                quoted += "…";
                break;
            }
            ++characters;
        }
        if (c == 0) {
            quoted += "\\0";
        } else {
            quoted += static_cast<char>(c);
        }
    }
    return quoted + "\"";
}

std::string NumberForMessage(double value) {
    std::string text = FormatShortest(value);
    if (text.size() <= kMaxQuotedChars) {
        return text;
    }
    std::array<char, 64> buffer{};
    auto [ptr, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::scientific);
    return ec == std::errc{} ? std::string(buffer.data(), ptr) : text;
}

} // namespace tesk::geometry
