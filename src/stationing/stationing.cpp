#include "stationing/stationing.h"

#include "geometry/error.h"
#include "geometry/number_text.h"

#include <string>

namespace tesk::stationing {

namespace {

using geometry::ErrorCode;
using geometry::RuntimeError;
using state::SharedState;

/// Distance of the sentinel break beyond the end of the line, m.
constexpr double kSentinelDistance = 1e9;

/// BreakCount, checked against the size of the chain-break tables so that no loop below can
/// index outside them (the sentinel row BreakCount + 1 must exist too).
int CheckedBreakCount(const SharedState& state) {
    if (state.BreakCount < 0 || state.BreakCount > state::kMaxBreaks) {
        throw RuntimeError(ErrorCode::IndexOutOfRange,
                           "chain-break count " + std::to_string(state.BreakCount) +
                               " outside 0.." + std::to_string(state::kMaxBreaks));
    }
    return state.BreakCount;
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

/// Written station and section of a continuous mileage. Each break's back station is compared
/// with the value already converted by the earlier breaks, because BreakBack(k) is a written
/// value of section k.
struct WrittenStation {
    double Station;
    int Section;
};

WrittenStation ToWritten(const SharedState& state, double mileage) {
    geometry::RequireFinite(mileage, "mileage");
    const int breakCount = CheckedBreakCount(state);
    double w = mileage;
    int section = 1;
    for (int k = 1; k <= breakCount; ++k) {
        if (w > state.BreakBack[k]) {
            w = state.BreakAhead[k] + (w - state.BreakBack[k]);
            ++section;
        }
    }
    return {w, section};
}

/// Undoes the jumps of breaks section-1 .. 1 on a written value of section `section`.
double WrittenToMileage(const SharedState& state, int section, double written) {
    double w = written;
    for (int k = section - 1; k >= 1; --k) {
        w = w - state.BreakAhead[k] + state.BreakBack[k];
    }
    return w;
}

void RequireSection(const SharedState& state, int section, std::string_view what) {
    const int breakCount = CheckedBreakCount(state);
    if (section < 1 || section > breakCount + 1) {
        throw RuntimeError(ErrorCode::IndexOutOfRange,
                           std::string(what) + ": section " + std::to_string(section) +
                               " outside 1.." + std::to_string(breakCount + 1));
    }
}

} // namespace

char SectionLetter(int section) {
    return static_cast<char>('A' + section - 1);
}

int MarkSection(char c) {
    return (c >= 'A' && c <= 'Z') ? c - 'A' + 1 : 0;
}

double ShownStation(std::string_view stationText, double mileage) {
    const std::string_view text = geometry::Trim(stationText);
    if (!text.empty() && MarkSection(text.front()) != 0) {
        return geometry::NumericValue(text.substr(1));
    }
    return mileage;
}

std::string FormatStationLabel(double writtenStation) {
    geometry::RequireFinite(writtenStation, "station label");
    // Round first, then split: the split of the rounded text can never carry into a fourth
    // digit of metres. FormatFixed drops the sign of a value that rounds to zero.
    std::string fixed = geometry::FormatFixed(writtenStation, 3);
    std::string sign;
    if (!fixed.empty() && fixed.front() == '-') {
        sign = "-";
        fixed.erase(0, 1);
    }
    const std::size_t point = fixed.find('.');
    std::string whole = fixed.substr(0, point);
    const std::string decimals = fixed.substr(point); // ".ddd"
    if (whole.size() < 4) {
        whole.insert(0, 4 - whole.size(), '0');
    }
    const std::string kilometres = whole.substr(0, whole.size() - 3);
    const std::string metres = whole.substr(whole.size() - 3);
    return sign + "K" + kilometres + "+" + metres + decimals;
}

double MileageToStation(const SharedState& state, double mileage) {
    return ToWritten(state, mileage).Station;
}

std::string MileageToLabel(const SharedState& state, double mileage) {
    const WrittenStation written = ToWritten(state, mileage);
    std::string label = FormatStationLabel(written.Station);
    if (state.BreakCount != 0) {
        label.insert(label.begin(), SectionLetter(written.Section));
    }
    return label;
}

double StationTextToMileage(const SharedState& state, std::string_view text) {
    const std::string_view trimmed = geometry::Trim(text);
    const int section = trimmed.empty() ? 0 : MarkSection(trimmed.front());
    if (section == 0) {
        return geometry::NumericValue(trimmed);
    }
    RequireSection(state, section, "station mark");
    return WrittenToMileage(state, section, geometry::NumericValue(trimmed.substr(1)));
}

double SectionStationToMileage(const SharedState& state, int section, double station) {
    RequireSection(state, section, "chain-break section");
    return WrittenToMileage(state, section, station);
}

MarkedStation zh_dlstr(const SharedState& state, state::Prompts& prompts, std::string_view zhstr) {
    const std::string_view trimmed = geometry::Trim(zhstr);
    if (trimmed.empty() || MarkSection(trimmed.front()) != 0) {
        return {true, std::string(zhstr)};
    }
    const int breakCount = CheckedBreakCount(state);
    if (breakCount == 0) {
        return {true, std::string(zhstr)};
    }
    const double v = geometry::NumericValue(trimmed);

    // A value jumped over by a forward break does not exist on the line.
    for (int k = 1; k <= breakCount; ++k) {
        const double back = state.BreakBack[k];
        const double ahead = state.BreakAhead[k];
        if (back < v && v < ahead) {
            prompts.ActivateMainWindow();
            prompts.Refuse("桩号" + std::string(zhstr) + "不应存在" + geometry::FormatShortest(back) +
                           "和" + geometry::FormatShortest(ahead) + "之间，请修改！");
            return {false, {}};
        }
    }
    // A value a backward break makes occur twice cannot be placed without its mark.
    for (int k = 1; k <= breakCount; ++k) {
        const double back = state.BreakBack[k];
        const double ahead = state.BreakAhead[k];
        if (ahead < back && ahead <= v && v <= back) {
            prompts.ActivateMainWindow();
            prompts.Refuse("程序不能判断桩号" + std::string(zhstr) +
                           "所属的断链区间，需添加断链标识A、B、C...");
            return {false, {}};
        }
    }
    // With neither, the breaks whose back station lies below v are exactly those before it.
    int section = 1;
    for (int k = 1; k <= breakCount; ++k) {
        if (v > state.BreakBack[k]) {
            ++section;
        }
    }
    return {true, SectionLetter(section) + std::string(trimmed)};
}

bool CheckBreakMark(const SharedState& state, state::Prompts& prompts, std::string_view text) {
    const std::string_view trimmed = geometry::Trim(text);
    if (trimmed.empty()) {
        return true;
    }
    // The number part must be a number and nothing else: anything else would be read as some
    // other station (0 for "K1+200", 1 for "1+200"), a real place on many lines.
    const auto refuseNotANumber = [&] {
        prompts.Refuse("桩号" + std::string(text) +
                       "有误，应为以米计的数，如1234.567或B1234.567，请修改！");
        return false;
    };
    const int section = MarkSection(trimmed.front());
    if (section == 0) {
        return IsPlainNumber(trimmed) ? true : refuseNotANumber();
    }
    const int breakCount = CheckedBreakCount(state);
    if (breakCount == 0) {
        prompts.Refuse("桩号" + std::string(text) + "有误，不存在断链，请修改！");
        return false;
    }
    if (section > breakCount + 1) {
        prompts.Refuse("桩号" + std::string(text) + "断链标识有误，请修改！");
        return false;
    }
    if (!IsPlainNumber(trimmed.substr(1))) {
        return refuseNotANumber();
    }
    // Row 0 holds 0 and row BreakCount + 1 the sentinel beyond the end of the line.
    const double w = geometry::NumericValue(trimmed.substr(1));
    if (state.BreakAhead[section - 1] <= w && w <= state.BreakBack[section]) {
        return true;
    }
    prompts.Refuse("桩号" + std::string(text) + "超出所在断链区间，请修改！");
    return false;
}

void BuildChainBreakSections(SharedState& state) {
    const int breakCount = CheckedBreakCount(state);
    if (state.JdCount < 1) {
        throw RuntimeError(ErrorCode::IndexOutOfRange, "chain-break sections need a JD line");
    }
    const double endMileage = state.JdStation[state.JdCount];
    state.BreakBack[0] = 0.0;
    state.BreakAhead[0] = 0.0;
    state.BreakBack[breakCount + 1] = endMileage + kSentinelDistance;
    state.BreakAhead[breakCount + 1] = endMileage + kSentinelDistance;

    state.SectionStart[1] = state.StartStation;
    for (int k = 2; k <= breakCount + 1; ++k) {
        state.SectionStart[k] = state.BreakAhead[k - 1];
    }
    for (int k = 1; k <= breakCount; ++k) {
        state.SectionEnd[k] = state.BreakBack[k];
    }
    state.SectionEnd[breakCount + 1] =
        breakCount == 0 ? endMileage : MileageToStation(state, endMileage);

    // Every section up to the last break must run forwards; "!(a <= b)" also catches NaN.
    for (int k = 1; k <= breakCount; ++k) {
        if (!(state.SectionStart[k] <= state.SectionEnd[k])) {
            throw RuntimeError(ErrorCode::Format,
                               "chain break " + std::to_string(k) + " (back station " +
                                   geometry::FormatShortest(state.BreakBack[k]) +
                                   ") lies before the start of its section (" +
                                   geometry::FormatShortest(state.SectionStart[k]) + ")");
        }
    }
}

} // namespace tesk::stationing
