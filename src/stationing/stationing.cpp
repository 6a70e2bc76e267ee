#include "stationing/stationing.h"

#include "geometry/error.h"
#include "geometry/number_text.h"

#include <cmath>
#include <string>

namespace tesk::stationing {

namespace {

using geometry::ErrorCode;
using geometry::RuntimeError;

/// Distance of the sentinel break beyond the end of the line, m.
constexpr double kSentinelDistance = 1e9;

void RequireBreakCount(long long count) {
    if (count < 0 || count > kMaxBreaks) {
        throw RuntimeError(ErrorCode::IndexOutOfRange, "chain-break count " +
                                                           std::to_string(count) + " outside 0.." +
                                                           std::to_string(kMaxBreaks));
    }
}

/// Whether a text is a plain decimal number (blanks skipped, an optional sign, digits with at
/// most one point, at least one digit, no exponent) with nothing after it, so that
/// geometry::NumericValue reads all of it. NumericValue ignores what follows its number and reads a
/// text without one as 0, so "1+200" (kilometres written as in a label) would silently be
/// station 1 and "K1+200" station 0.
bool IsPlainNumber(std::string_view text) {
    bool started = false;
    bool seenDigit = false;
    bool seenPoint = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t') {
            continue;
        }
        if ((c == '+' || c == '-') && !started) {
            started = true;
        } else if (c >= '0' && c <= '9') {
            started = true;
            seenDigit = true;
        } else if (c == '.' && !seenPoint) {
            started = true;
            seenPoint = true;
        } else {
            return false;
        }
    }
    return seenDigit;
}

} // namespace

char SectionLetter(int section) {
    return static_cast<char>('A' + section - 1);
}

int MarkSection(char c) {
    return (c >= 'A' && c <= 'Z') ? c - 'A' + 1 : 0;
}

double ShownStation(std::string_view stationText, double mileage) {
    const std::string plain = PlainStationText(stationText);
    const std::string_view text = plain;
    if (!text.empty() && MarkSection(text.front()) != 0) {
        return geometry::NumericValue(text.substr(1));
    }
    return mileage;
}

std::string FormatStationLabel(double writtenStation) {
    geometry::RequireFinite(writtenStation, "station label");
    // Round first, then split: the split of the rounded text can never carry into a fourth
    // digit of metres. FormatFixed drops the sign of a value that rounds to zero.
    std::string fixed;
    geometry::AppendFixed(fixed, writtenStation, 3);
    std::string_view digits = fixed;
    const bool negative = digits.front() == '-';
    if (negative) {
        digits.remove_prefix(1);
    }
    const std::size_t point = digits.find('.');
    const std::string_view whole = digits.substr(0, point);
    const std::string_view decimals = digits.substr(point); // ".ddd"
    const std::size_t padding = whole.size() < 4 ? 4 - whole.size() : 0;
    const std::size_t kilometreDigits = whole.size() + padding - 3;
    std::string label;
    label.reserve(fixed.size() + padding + 2);
    if (negative) {
        label += '-';
    }
    label += 'K';
    // The whole metres, padded to four digits, with "+" before the last three.
    std::size_t written = 0;
    const auto put = [&](char c) {
        if (written == kilometreDigits) {
            label += '+';
        }
        label += c;
        ++written;
    };
    for (std::size_t i = 0; i < padding; ++i) {
        put('0');
    }
    for (const char c : whole) {
        put(c);
    }
    label += decimals;
    return label;
}

// ---- Stationing ----------------------------------------------------------------------------

Stationing::Stationing(const std::vector<ChainBreak>& breaks, double startMileage,
                       double endMileage)
    : m_breaks(breaks) {
    RequireBreakCount(static_cast<long long>(breaks.size()));
    geometry::RequireFinite(startMileage, "line start mileage");
    geometry::RequireFinite(endMileage, "line end mileage");
    for (std::size_t i = 0; i < m_breaks.size(); ++i) {
        if (!std::isfinite(m_breaks[i].Back) || !std::isfinite(m_breaks[i].Ahead)) {
            throw RuntimeError(ErrorCode::Format,
                               "chain break " + std::to_string(i + 1) + " is not a finite station");
        }
    }
    m_lastSectionBound = endMileage + kSentinelDistance;

    // Section i + 1 runs from the ahead station of the break before it to the back station of
    // the break after it; the first starts at the start of the line, the last ends at its end.
    m_sectionStart = {startMileage};
    m_sectionEnd.clear();
    for (const ChainBreak& b : m_breaks) {
        m_sectionStart.push_back(b.Ahead);
        m_sectionEnd.push_back(b.Back);
    }
    m_sectionEnd.push_back(ToWritten(endMileage).Station);

    // Every section up to the last break must run forwards.
    for (std::size_t i = 0; i < m_breaks.size(); ++i) {
        if (!(m_sectionStart[i] <= m_sectionEnd[i])) {
            throw RuntimeError(ErrorCode::Format,
                               "chain break " + std::to_string(i + 1) + " (back station " +
                                   geometry::FormatShortest(m_sectionEnd[i]) +
                                   ") lies before the start of its section (" +
                                   geometry::FormatShortest(m_sectionStart[i]) + ")");
        }
    }
}

void Stationing::RequireSection(int section, std::string_view what) const {
    if (section < 1 || section > BreakCount() + 1) {
        throw RuntimeError(ErrorCode::IndexOutOfRange,
                           std::string(what) + ": section " + std::to_string(section) +
                               " outside 1.." + std::to_string(BreakCount() + 1));
    }
}

double Stationing::SectionStart(int section) const {
    RequireSection(section, "section start");
    return m_sectionStart[static_cast<std::size_t>(section - 1)];
}

double Stationing::SectionEnd(int section) const {
    RequireSection(section, "section end");
    return m_sectionEnd[static_cast<std::size_t>(section - 1)];
}

/// Each break's back station is compared with the value already converted by the earlier
/// breaks, because the back station of break k is a written value of section k.
Stationing::WrittenStation Stationing::ToWritten(double mileage) const {
    geometry::RequireFinite(mileage, "mileage");
    double w = mileage;
    int section = 1;
    for (const ChainBreak& b : m_breaks) {
        if (w > b.Back) {
            w = b.Ahead + (w - b.Back);
            ++section;
        }
    }
    return {w, section};
}

/// Undoes the jumps of breaks section-1 .. 1 on a written value of section `section`.
double Stationing::WrittenToMileage(int section, double written) const {
    double w = written;
    for (int k = section - 1; k >= 1; --k) {
        const ChainBreak& b = m_breaks[static_cast<std::size_t>(k - 1)];
        w = w - b.Ahead + b.Back;
    }
    return w;
}

double Stationing::MileageToStation(double mileage) const {
    return ToWritten(mileage).Station;
}

std::string Stationing::MileageToLabel(double mileage) const {
    const WrittenStation written = ToWritten(mileage);
    std::string label = FormatStationLabel(written.Station);
    if (!m_breaks.empty()) {
        label.insert(label.begin(), SectionLetter(written.Section));
    }
    return label;
}

double Stationing::StationTextToMileage(std::string_view text) const {
    const std::string plain = PlainStationText(text);
    const std::string_view trimmed = plain;
    const int section = trimmed.empty() ? 0 : MarkSection(trimmed.front());
    if (section == 0) {
        return geometry::NumericValue(trimmed);
    }
    RequireSection(section, "station mark");
    return WrittenToMileage(section, geometry::NumericValue(trimmed.substr(1)));
}

double Stationing::SectionStationToMileage(int section, double station) const {
    RequireSection(section, "chain-break section");
    return WrittenToMileage(section, station);
}

std::optional<std::string> Stationing::CheckStationText(std::string_view text) const {
    const std::string plain = PlainStationText(text);
    const std::string_view trimmed = plain;
    if (trimmed.empty()) {
        return std::nullopt;
    }
    // The number part must be a number and nothing else: anything else would be read as some
    // other station (0 for "K1+200", 1 for "1+200"), a real place on many lines.
    const auto notANumber = [&] {
        return std::optional<std::string>("桩号" + std::string(text) +
                                          "有误，应为以米计的数，如1234.567或B1234.567，请修改！");
    };
    const int section = MarkSection(trimmed.front());
    if (section == 0) {
        return IsPlainNumber(trimmed) ? std::nullopt : notANumber();
    }
    if (m_breaks.empty()) {
        return "桩号" + std::string(text) + "有误，不存在断链，请修改！";
    }
    if (section > BreakCount() + 1) {
        return "桩号" + std::string(text) + "断链标识有误，请修改！";
    }
    if (!IsPlainNumber(trimmed.substr(1))) {
        return notANumber();
    }
    // Section A is checked from 0, not from the start of the line; the last section reaches far
    // beyond the end of the line.
    const double lower = section == 1 ? 0.0 : m_breaks[static_cast<std::size_t>(section - 2)].Ahead;
    const double upper = section == BreakCount() + 1
                             ? m_lastSectionBound
                             : m_breaks[static_cast<std::size_t>(section - 1)].Back;
    const double w = geometry::NumericValue(trimmed.substr(1));
    if (lower <= w && w <= upper) {
        return std::nullopt;
    }
    return "桩号" + std::string(text) + "超出所在断链区间，请修改！";
}

MarkedStation Stationing::MarkStation(std::string_view typed) const {
    const std::string plain = PlainStationText(typed);
    const std::string_view trimmed = plain;
    if (trimmed.empty() || MarkSection(trimmed.front()) != 0 || m_breaks.empty()) {
        // The design-table form comes back in the plain form the conversions read.
        return {plain == geometry::Trim(typed) ? std::string(typed) : plain, std::nullopt};
    }
    const double v = geometry::NumericValue(trimmed);

    // A value jumped over by a forward break does not exist on the line.
    for (const ChainBreak& b : m_breaks) {
        if (b.Back < v && v < b.Ahead) {
            return {{},
                    "桩号" + std::string(typed) + "不应存在" + geometry::FormatShortest(b.Back) +
                        "和" + geometry::FormatShortest(b.Ahead) + "之间，请修改！"};
        }
    }
    // A value a backward break makes occur twice cannot be placed without its mark.
    for (const ChainBreak& b : m_breaks) {
        if (b.Ahead < b.Back && b.Ahead <= v && v <= b.Back) {
            return {{},
                    "程序不能判断桩号" + std::string(typed) +
                        "所属的断链区间，需添加断链标识A、B、C..."};
        }
    }
    // With neither, the breaks whose back station lies below v are exactly those before it.
    int section = 1;
    for (const ChainBreak& b : m_breaks) {
        if (v > b.Back) {
            ++section;
        }
    }
    return {SectionLetter(section) + std::string(trimmed), std::nullopt};
}

std::string PlainStationText(std::string_view text) {
    const std::string_view t = geometry::Trim(text);
    std::size_t i = 0;
    std::string head;
    // An optional mark letter: a capital other than K, or a K followed by the K of the form.
    if (i < t.size() && MarkSection(t[i]) != 0 && (t[i] != 'K' || (t.size() > 1 && t[1] == 'K'))) {
        head += t[i++];
    }
    if (i < t.size() && t[i] == '-') {
        head += t[i++];
    }
    if (i >= t.size() || t[i] != 'K') {
        return std::string(t);
    }
    ++i;
    const auto digits = [&t](std::size_t from) {
        std::size_t end = from;
        while (end < t.size() && t[end] >= '0' && t[end] <= '9') {
            ++end;
        }
        return end;
    };
    const std::size_t kmEnd = digits(i);
    if (kmEnd == i || kmEnd >= t.size() || t[kmEnd] != '+') {
        return std::string(t);
    }
    const std::size_t mStart = kmEnd + 1;
    const std::size_t mEnd = digits(mStart);
    const std::size_t metreDigits = mEnd - mStart;
    if (metreDigits == 0 || metreDigits > 3) {
        return std::string(t);
    }
    std::size_t end = mEnd;
    if (end < t.size() && t[end] == '.') {
        end = digits(end + 1);
    }
    if (end != t.size()) {
        return std::string(t);
    }
    std::string plain = head;
    plain.append(t.substr(i, kmEnd - i));
    plain.append(3 - metreDigits, '0');
    plain.append(t.substr(mStart));
    return plain;
}

} // namespace tesk::stationing
