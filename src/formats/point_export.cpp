#include "formats/point_export.h"

#include "formats/gbk.h"

#include "geometry/error.h"
#include "geometry/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <unordered_map>
#include <unordered_set>

namespace tesk::formats {

using geometry::ErrorCode;
using geometry::RuntimeError;

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::size_t kInstrumentIdLength = 16; ///< GSI-16 data and SDR33 fields
constexpr int kMaxDigits = 12;

/// C0 controls (line ends and tabs included), DEL and the C1 controls.
bool IsControl(char32_t cp) {
    return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F);
}

/// Throws unless this system can write GBK: a CASS file without its Chinese names is no file.
void RequireGbk(const GbkEncoder& encoder) {
    if (!encoder.Available()) {
        throw RuntimeError(ErrorCode::Output, "this system cannot convert text to GBK");
    }
}

/// A name or code as the CASS file holds it: control characters, commas, characters GBK lacks
/// and bytes that are not UTF-8 become "_". The result in UTF-8 goes to `utf8` (when given),
/// in GBK to `gbk` (when given).
void CassText(std::string_view text, GbkEncoder& encoder, std::string* utf8, std::string* gbk) {
    std::string scratch;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t start = i;
        const std::optional<char32_t> cp = DecodeUtf8(text, i);
        const std::string_view character = text.substr(start, i - start);
        bool kept = false;
        if (cp && !IsControl(*cp) && *cp != U',') {
            if (*cp < 0x80) {
                if (gbk) {
                    *gbk += static_cast<char>(*cp);
                }
                kept = true;
            } else {
                scratch.clear();
                kept = encoder.Append(character, scratch);
                if (kept && gbk) {
                    *gbk += scratch;
                }
            }
        }
        if (kept) {
            if (utf8) {
                *utf8 += character;
            }
        } else {
            if (utf8) {
                *utf8 += '_';
            }
            if (gbk) {
                *gbk += '_';
            }
        }
    }
}

/// A name or code as the CSV file holds it (before quoting): control characters and bytes that
/// are not UTF-8 become "_".
std::string CsvText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t start = i;
        const std::optional<char32_t> cp = DecodeUtf8(text, i);
        if (cp && !IsControl(*cp)) {
            out += text.substr(start, i - start);
        } else {
            out += '_';
        }
    }
    return out;
}

/// `text` in printable ASCII: a blank becomes "_", each run of other characters (not ASCII,
/// controls, bytes that are not UTF-8) one "_".
std::string AsciiForm(std::string_view text) {
    std::string out;
    bool inRun = false;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::optional<char32_t> cp = DecodeUtf8(text, i);
        if (cp && *cp > 0x20 && *cp < 0x7F) {
            out += static_cast<char>(*cp);
            inRun = false;
        } else if (cp && *cp == U' ') {
            out += '_';
            inRun = false;
        } else if (!inRun) {
            out += '_';
            inRun = true;
        }
    }
    return out;
}

/// The ID an instrument file gives a name before IDs are made unique: its ASCII form, "P" when
/// empty, the last 16 characters when longer.
std::string InstrumentId(std::string_view name) {
    std::string id = AsciiForm(name);
    if (id.empty()) {
        id.push_back('P');
    }
    if (id.size() > kInstrumentIdLength) {
        id.erase(0, id.size() - kInstrumentIdLength);
    }
    return id;
}

/// A code as an instrument file holds it: its ASCII form, cut after 16 characters (a code is
/// read from its start).
std::string InstrumentCode(std::string_view code) {
    std::string text = AsciiForm(code);
    if (text.size() > kInstrumentIdLength) {
        text.resize(kInstrumentIdLength);
    }
    return text;
}

/// The ID as a GSI reader sees it: the zero-filled data field without its leading zeros.
std::string_view WithoutLeadingZeros(std::string_view id) {
    const std::size_t first = id.find_first_not_of('0');
    return first == std::string_view::npos ? std::string_view() : id.substr(first);
}

/// Makes `ids` (one per point, derived from the names) unique. An ID that is its point's name
/// unchanged keeps it in any case: a point called "a_b" must not lose its name to "a,b" written
/// as "a_b". Among the others, the earlier point keeps the ID and a later one gets "~2", "~3", ...
/// (with `maxLength`, 0 for none, kept by dropping characters in front). With `zeroFilled`, IDs
/// are compared without their leading zeros, and a name with leading zeros does not count as
/// unchanged: "007" reads back as "7".
void MakeUnique(std::vector<std::string>& ids, const std::vector<FieldPoint>& points,
                std::size_t maxLength, bool zeroFilled) {
    const auto key = [zeroFilled](std::string_view id) {
        return std::string(zeroFilled ? WithoutLeadingZeros(id) : id);
    };
    std::unordered_set<std::string> used;
    used.reserve(ids.size());
    std::vector<bool> settled(ids.size(), false);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const bool unchanged =
            ids[i] == points[i].Name && (!zeroFilled || ids[i].empty() || ids[i].front() != '0');
        if (unchanged && used.insert(key(ids[i])).second) {
            settled[i] = true;
        }
    }
    // The next suffix to try for a base ID, so that many points mapped to the same ID ("_" for
    // names in Chinese only) take linear time.
    std::unordered_map<std::string, unsigned long> nextSuffix;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (settled[i] || used.insert(key(ids[i])).second) {
            continue;
        }
        unsigned long& n = nextSuffix.try_emplace(ids[i], 2).first->second;
        for (;; ++n) {
            std::string suffix(1, '~');
            suffix += std::to_string(n);
            std::string candidate = ids[i];
            if (maxLength != 0 && candidate.size() + suffix.size() > maxLength) {
                candidate.erase(0, candidate.size() + suffix.size() - maxLength);
            }
            candidate += suffix;
            if (used.insert(key(candidate)).second) {
                ids[i] = std::move(candidate);
                ++n;
                break;
            }
        }
    }
}

/// Throws unless the coordinates and height of `point` are finite numbers.
void RequireFinitePoint(const FieldPoint& point) {
    const auto require = [&](double value, const char* what) {
        if (!std::isfinite(value)) {
            throw RuntimeError(ErrorCode::Output,
                               "cannot write the point " + geometry::QuoteForMessage(point.Name) +
                                   ": its " + what + " is " + geometry::NumberForMessage(value));
        }
    };
    require(point.X, "X (north)");
    require(point.Y, "Y (east)");
    if (point.H) {
        require(*point.H, "height H");
    }
}

std::string TooLargeMessage(const FieldPoint& point, const char* what, double value,
                            std::string_view format) {
    return "cannot write the point " + geometry::QuoteForMessage(point.Name) + ": its " + what +
           " " + geometry::NumberForMessage(value) + " is too large for a " + std::string(format) +
           " file";
}

void AppendPadded(std::string& out, std::string_view text, std::size_t width, bool right) {
    const std::size_t fill = text.size() < width ? width - text.size() : 0;
    if (right) {
        out.append(fill, ' ');
    }
    out += text;
    if (!right) {
        out.append(fill, ' ');
    }
}

// ---- cass ---------------------------------------------------------------------------------

void RenderCass(std::string& out, const std::vector<FieldPoint>& points,
                const std::vector<std::string>& ids, int digits) {
    GbkEncoder encoder;
    RequireGbk(encoder);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const FieldPoint& p = points[i];
        CassText(ids[i], encoder, nullptr, &out); // the ID holds nothing to replace any more
        out += ',';
        CassText(p.Code, encoder, nullptr, &out);
        out += ',';
        geometry::AppendFixed(out, p.Y, digits);
        out += ',';
        geometry::AppendFixed(out, p.X, digits);
        out += ',';
        if (p.H) {
            geometry::AppendFixed(out, *p.H, digits);
        }
        out += kCrLf;
    }
}

// ---- csv ----------------------------------------------------------------------------------

void AppendCsvField(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
}

void RenderCsv(std::string& out, const std::vector<FieldPoint>& points,
               const std::vector<std::string>& ids, int digits) {
    out += "\xEF\xBB\xBF";
    for (std::size_t i = 0; i < points.size(); ++i) {
        const FieldPoint& p = points[i];
        AppendCsvField(out, ids[i]);
        out += ',';
        geometry::AppendFixed(out, p.X, digits);
        out += ',';
        geometry::AppendFixed(out, p.Y, digits);
        out += ',';
        if (p.H) {
            geometry::AppendFixed(out, *p.H, digits);
        }
        out += ',';
        AppendCsvField(out, CsvText(p.Code));
        out += kCrLf;
    }
}

// ---- gsi ----------------------------------------------------------------------------------

/// One GSI-16 word: index, 4 information characters, sign, 16 data characters, a blank.
void AppendGsiWord(std::string& out, std::string_view index, std::string_view information,
                   char sign, std::string_view data) {
    out += index;
    out += information;
    out += sign;
    out.append(kInstrumentIdLength - data.size(), '0');
    out += data;
    out += ' ';
}

/// The GSI unit of `digits` decimals: the decimals of the unit in metres and its digit in the
/// word's information (0 mm, 6 0.1 mm, 8 0.01 mm).
struct GsiUnit {
    int Decimals;
    char Digit;
};

GsiUnit GsiUnitOf(int digits) {
    if (digits <= 3) {
        return {3, '0'};
    }
    if (digits == 4) {
        return {4, '6'};
    }
    return {5, '8'};
}

/// A measurement word: the value as a whole number of the unit, taken from the fixed text the
/// program prints at the unit's decimals (so the file cannot disagree with the tables).
void AppendGsiValue(std::string& out, std::string_view index, const FieldPoint& point,
                    const char* what, double value, GsiUnit unit, std::string& scratch) {
    scratch.clear();
    geometry::AppendFixed(scratch, value, unit.Decimals);
    const char sign = scratch.front() == '-' ? '-' : '+';
    std::string digits;
    for (char c : scratch) {
        if (c >= '0' && c <= '9') {
            digits += c;
        }
    }
    const std::string_view significant = WithoutLeadingZeros(digits);
    if (significant.size() > kInstrumentIdLength) {
        throw RuntimeError(ErrorCode::Output, TooLargeMessage(point, what, value, "GSI-16"));
    }
    const char information[] = {'.', '.', '1', unit.Digit, '\0'};
    AppendGsiWord(out, index, information, sign, significant);
}

void RenderGsi(std::string& out, const std::vector<FieldPoint>& points,
               const std::vector<std::string>& ids, int digits) {
    const GsiUnit unit = GsiUnitOf(digits);
    std::string scratch;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const FieldPoint& p = points[i];
        char block[8];
        std::snprintf(block, sizeof block, "%04u", static_cast<unsigned>((i + 1) % 10000));
        out += '*';
        AppendGsiWord(out, "11", block, '+', ids[i]);
        AppendGsiValue(out, "81", p, "Y (east)", p.Y, unit, scratch);
        AppendGsiValue(out, "82", p, "X (north)", p.X, unit, scratch);
        if (p.H) {
            AppendGsiValue(out, "83", p, "height H", *p.H, unit, scratch);
        }
        if (!p.Code.empty()) {
            AppendGsiWord(out, "71", "....", '+', InstrumentCode(p.Code));
        }
        out += kCrLf;
    }
}

// ---- sdr ----------------------------------------------------------------------------------

/// The header's date and time in its 16 columns: printable ASCII and blanks kept, anything else
/// "_", cut after 16 characters.
std::string SdrDateText(std::string_view text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size() && out.size() < kInstrumentIdLength) {
        const std::optional<char32_t> cp = DecodeUtf8(text, i);
        out += cp && *cp >= 0x20 && *cp < 0x7F ? static_cast<char>(*cp) : '_';
    }
    return out;
}

/// `value` with `digits` decimals, or with as many fewer as it takes to fit 16 columns.
void AppendSdrNumber(std::string& out, const FieldPoint& point, const char* what, double value,
                     int digits) {
    for (int decimals = digits; decimals >= 0; --decimals) {
        const std::string text = geometry::FormatFixed(value, decimals);
        if (text.size() <= kInstrumentIdLength) {
            AppendPadded(out, text, kInstrumentIdLength, false);
            return;
        }
    }
    throw RuntimeError(ErrorCode::Output, TooLargeMessage(point, what, value, "SDR33"));
}

void RenderSdr(std::string& out, const std::vector<FieldPoint>& points,
               const std::vector<std::string>& ids, int digits, std::string_view dateTime) {
    out += "00NM";
    AppendPadded(out, "SDR33 V04-04.02", 16, false);
    out += "    ";
    AppendPadded(out, SdrDateText(dateTime), 16, false);
    out += "111111"; // degrees, metres, mmHg, Celsius, N-E-Z, (unused)
    out += kCrLf;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const FieldPoint& p = points[i];
        out += "08KI";
        AppendPadded(out, ids[i], kInstrumentIdLength, true);
        AppendSdrNumber(out, p, "X (north)", p.X, digits);
        AppendSdrNumber(out, p, "Y (east)", p.Y, digits);
        AppendSdrNumber(out, p, "height H", p.H.value_or(0.0), digits);
        AppendPadded(out, InstrumentCode(p.Code), kInstrumentIdLength, false);
        out += kCrLf;
    }
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::optional<PointFormat> PointFormatNamed(std::string_view name) {
    for (PointFormat format :
         {PointFormat::Cass, PointFormat::Csv, PointFormat::Gsi, PointFormat::Sdr}) {
        const std::string_view known = PointFormatName(format);
        if (name.size() == known.size() &&
            std::equal(name.begin(), name.end(), known.begin(),
                       [](char a, char b) { return AsciiLower(a) == b; })) {
            return format;
        }
    }
    return std::nullopt;
}

std::string_view PointFormatName(PointFormat format) {
    switch (format) {
    case PointFormat::Cass:
        return "cass";
    case PointFormat::Csv:
        return "csv";
    case PointFormat::Gsi:
        return "gsi";
    case PointFormat::Sdr:
        return "sdr";
    }
    return "";
}

std::string_view PointFormatExtension(PointFormat format) {
    switch (format) {
    case PointFormat::Cass:
        return ".dat";
    case PointFormat::Csv:
        return ".csv";
    case PointFormat::Gsi:
        return ".gsi";
    case PointFormat::Sdr:
        return ".sdr";
    }
    return "";
}

std::optional<std::string> DuplicateName(const std::vector<FieldPoint>& points) {
    std::unordered_set<std::string_view> seen;
    seen.reserve(points.size());
    for (const FieldPoint& p : points) {
        if (!seen.insert(p.Name).second) {
            return p.Name;
        }
    }
    return std::nullopt;
}

std::vector<std::string> PointIds(PointFormat format, const std::vector<FieldPoint>& points) {
    std::vector<std::string> ids;
    ids.reserve(points.size());
    switch (format) {
    case PointFormat::Cass: {
        GbkEncoder encoder;
        RequireGbk(encoder);
        for (const FieldPoint& p : points) {
            std::string id;
            CassText(p.Name, encoder, &id, nullptr);
            ids.push_back(std::move(id));
        }
        MakeUnique(ids, points, 0, false);
        break;
    }
    case PointFormat::Csv:
        for (const FieldPoint& p : points) {
            ids.push_back(CsvText(p.Name));
        }
        MakeUnique(ids, points, 0, false);
        break;
    case PointFormat::Gsi:
        for (const FieldPoint& p : points) {
            std::string id = InstrumentId(p.Name);
            // Zero-filled, an ID of zeros only ("0", "000") would read back as nothing, and
            // every such point as the same nothing; a name such as the pile "0-1" of the first
            // pier would read back as "-1", a negative number to whoever reads it. Such IDs are
            // written with a "P" in front ("P0", "P0-1"), as an empty name becomes "P": a
            // letter the reader keeps, one character and no more (a zero is dropped when the ID
            // is full). A number with leading zeros ("0012") is a point number and reads back
            // as the instrument shows it ("12").
            const bool number = id.find_first_not_of("0123456789") == std::string::npos;
            if (WithoutLeadingZeros(id).empty() || (id.front() == '0' && !number)) {
                id.insert(id.begin(), 'P');
                if (id.size() > kInstrumentIdLength) {
                    id.erase(1, 1);
                }
            }
            ids.push_back(std::move(id));
        }
        MakeUnique(ids, points, kInstrumentIdLength, true);
        break;
    case PointFormat::Sdr:
        for (const FieldPoint& p : points) {
            ids.push_back(InstrumentId(p.Name));
        }
        MakeUnique(ids, points, kInstrumentIdLength, false);
        break;
    }
    return ids;
}

std::string RenderPointFile(PointFormat format, const std::vector<FieldPoint>& points, int digits,
                            std::string_view sdrDateTime) {
    if (digits < 0 || digits > kMaxDigits) {
        throw RuntimeError(ErrorCode::Output, "cannot write a point file with " +
                                                  std::to_string(digits) +
                                                  " decimals: 0 to 12 are possible");
    }
    if (const std::optional<std::string> name = DuplicateName(points)) {
        throw RuntimeError(ErrorCode::Output, "cannot write the point file: two points are named " +
                                                  geometry::QuoteForMessage(*name));
    }
    for (const FieldPoint& p : points) {
        RequireFinitePoint(p);
    }
    const std::vector<std::string> ids = PointIds(format, points);
    std::string out;
    out.reserve(points.size() * (format == PointFormat::Gsi ? 130 : 86) + 64);
    switch (format) {
    case PointFormat::Cass:
        RenderCass(out, points, ids, digits);
        break;
    case PointFormat::Csv:
        RenderCsv(out, points, ids, digits);
        break;
    case PointFormat::Gsi:
        RenderGsi(out, points, ids, digits);
        break;
    case PointFormat::Sdr:
        RenderSdr(out, points, ids, digits, sdrDateTime);
        break;
    }
    return out;
}

void WritePointFile(PointFormat format, const std::vector<FieldPoint>& points, int digits,
                    OutputFile& output) {
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char dateTime[32] = "01-Jan-00 00:00";
#ifdef _WIN32
    const bool known = localtime_s(&local, &now) == 0;
#else
    const bool known = localtime_r(&now, &local) != nullptr;
#endif
    if (known && local.tm_mon >= 0 && local.tm_mon < 12) {
        std::snprintf(dateTime, sizeof dateTime, "%02d-%s-%02d %02d:%02d", local.tm_mday,
                      kMonths[local.tm_mon], (local.tm_year + 1900) % 100, local.tm_hour,
                      local.tm_min);
    }
    output.Write(RenderPointFile(format, points, digits, dateTime));
}

} // namespace tesk::formats
