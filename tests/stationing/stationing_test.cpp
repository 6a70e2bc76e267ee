#include "stationing/stationing.h"

#include "geometry/error.h"
#include "geometry/number_text.h"
#include "support/comma_locale.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tesk::stationing {
namespace {

using geometry::ErrorCode;
using geometry::RuntimeError;
using Breaks = std::vector<ChainBreak>;

/// Tolerance for mileages and written stations that only pass through a few additions, m.
constexpr double kExact = 1e-9;
/// A label keeps millimetres: reading it back may be off by half a millimetre, m.
constexpr double kHalfMillimetre = 0.0005 + 1e-9;

// The lines of most cases below run from mileage 0 to 3000.
const Breaks kNone = {};
const Breaks kForward = {{1000.0, 1100.0}};  // a gap of 100 m
const Breaks kBackward = {{1100.0, 1000.0}}; // 1000..1100 written twice
const Breaks kEqual = {{1500.0, 1500.0}};    // only the mark changes
// Break 2's back station 2000 is a written value of section B: mileage 1900.
const Breaks kTwo = {{1000.0, 1100.0}, {2000.0, 1900.0}};

Stationing Line(const Breaks& breaks) {
    return Stationing(breaks, 0.0, 3000.0);
}

/// Nineteen breaks, each jumping 10 m forward, on a line from 0 to 25000.
Stationing NineteenBreaks() {
    Breaks breaks;
    for (int k = 1; k <= 19; ++k) {
        breaks.push_back({1000.0 * k, 1000.0 * k + 10.0});
    }
    return Stationing(breaks, 0.0, 25000.0);
}

/// The error code a call throws, or nothing.
template <typename F> std::optional<ErrorCode> CodeOf(F&& call) {
    try {
        call();
    } catch (const RuntimeError& error) {
        return error.Code();
    }
    return std::nullopt;
}

/// The expected label of a whole number of millimetres, built with integer arithmetic.
std::string LabelOfMillimetres(std::int64_t mm) {
    const std::int64_t magnitude = mm < 0 ? -mm : mm;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%sK%" PRId64 "+%03" PRId64 ".%03" PRId64,
                  mm < 0 ? "-" : "", magnitude / 1000000, magnitude / 1000 % 1000,
                  magnitude % 1000);
    return buffer;
}

/// Turns a label "[mark][-]K<km>+<mmm.mmm>" back into a station text "[mark][-]<km><mmm.mmm>"
/// by moving the kilometre digits in front of the metres, the way a surveyor reads it.
std::string LabelToStationText(const std::string& label) {
    std::size_t pos = 0;
    std::string text;
    // A mark is a capital followed by the "K" or the sign of the label proper ("KK1+..." is
    // section K; an unmarked label has a digit after its "K").
    if (label.size() > 1 && label[0] >= 'A' && label[0] <= 'Z' &&
        (label[1] == 'K' || label[1] == '-')) {
        text += label[pos++];
    }
    if (pos < label.size() && label[pos] == '-') {
        text += label[pos++];
    }
    EXPECT_EQ(label[pos], 'K') << label;
    const std::size_t plus = label.find('+', pos);
    EXPECT_NE(plus, std::string::npos) << label;
    EXPECT_EQ(label.size() - plus, 8U) << "three digits, a point and three decimals: " << label;
    text += label.substr(pos + 1, plus - pos - 1) + label.substr(plus + 1);
    return text;
}

// ---- Label formatting ---------------------------------------------------------------------

TEST(FormatStationLabel, FollowsTheKilometrePattern) {
    EXPECT_EQ(FormatStationLabel(12.3), "K0+012.300");
    EXPECT_EQ(FormatStationLabel(12345.678), "K12+345.678");
    EXPECT_EQ(FormatStationLabel(1234.5), "K1+234.500");
    EXPECT_EQ(FormatStationLabel(0.0), "K0+000.000");
    EXPECT_EQ(FormatStationLabel(1000.0), "K1+000.000");
    EXPECT_EQ(FormatStationLabel(1e9 + 0.25), "K1000000+000.250");
}

TEST(FormatStationLabel, RoundsBeforeSplittingKilometresAndMetres) {
    EXPECT_EQ(FormatStationLabel(999.9996), "K1+000.000") << "never K0+1000.000";
    EXPECT_EQ(FormatStationLabel(0.0004999), "K0+000.000");
    EXPECT_EQ(FormatStationLabel(0.0006), "K0+000.001");
    EXPECT_EQ(FormatStationLabel(1999.99951), "K2+000.000");
    EXPECT_EQ(FormatStationLabel(-0.0004), "K0+000.000") << "no sign on a rounded zero";
    EXPECT_EQ(FormatStationLabel(-0.0), "K0+000.000");
}

TEST(FormatStationLabel, NegativeValuesCarryTheSignBeforeTheK) {
    EXPECT_EQ(FormatStationLabel(-12.3), "-K0+012.300");
    EXPECT_EQ(FormatStationLabel(-1234.5), "-K1+234.500");
    EXPECT_EQ(FormatStationLabel(-999.9996), "-K1+000.000");
}

TEST(FormatStationLabel, MatchesIntegerMillimetresOverAWideRange) {
    // Whole millimetres held as doubles: the label must show exactly those millimetres.
    std::uint64_t seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        const auto mm = static_cast<std::int64_t>(seed >> 24) % 2000000000LL - 1000000000LL;
        const double value = static_cast<double>(mm) / 1000.0;
        ASSERT_EQ(FormatStationLabel(value), LabelOfMillimetres(mm)) << value;
    }
}

TEST(FormatStationLabel, IgnoresTheLocale) {
    const testing::CommaDecimalLocale commaLocale;
    EXPECT_EQ(FormatStationLabel(1234.5), "K1+234.500");
    EXPECT_EQ(FormatStationLabel(-0.0004), "K0+000.000");
    if (!commaLocale.Active()) {
        GTEST_SKIP() << "no decimal-comma locale installed: checked in the C locale only";
    }
}

TEST(FormatStationLabel, RefusesNonFiniteValues) {
    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        try {
            FormatStationLabel(bad);
            ADD_FAILURE() << "no exception for " << bad;
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.Code(), ErrorCode::NonFinite);
        }
    }
}

// ---- Conversions ---------------------------------------------------------------------------

TEST(Stationing, LabelsAndWrittenStationsOfMileages) {
    struct Row {
        const Breaks& Line;
        double Mileage;
        double Station;
        const char* Label;
    };
    const Row rows[] = {
        {kNone, 1234.5, 1234.5, "K1+234.500"},     // no mark letter without chain breaks
        {kForward, 1000.0, 1000.0, "AK1+000.000"}, // the back station stays in A
        {kForward, 1000.001, 1100.001, "BK1+100.001"}, {kForward, 0.0, 0.0, "AK0+000.000"},
        {kForward, -12.3, -12.3, "A-K0+012.300"},      {kForward, 2500.0, 2600.0, "BK2+600.000"},
        {kBackward, 1050.0, 1050.0, "AK1+050.000"},    {kBackward, 1100.0, 1100.0, "AK1+100.000"},
        {kBackward, 1150.0, 1050.0, "BK1+050.000"}, // the written values repeat
        {kEqual, 1500.0, 1500.0, "AK1+500.000"},       {kEqual, 1500.5, 1500.5, "BK1+500.500"},
        {kTwo, 1900.0, 2000.0, "BK2+000.000"},         {kTwo, 1900.25, 1900.25, "CK1+900.250"},
        {kTwo, 1950.0, 1950.0, "CK1+950.000"}, // 1950 is below break 2's back station
    };
    for (const Row& row : rows) {
        const Stationing line = Line(row.Line);
        EXPECT_NEAR(line.MileageToStation(row.Mileage), row.Station, kExact) << row.Label;
        EXPECT_EQ(line.MileageToLabel(row.Mileage), row.Label) << row.Mileage;
    }
    EXPECT_EQ(NineteenBreaks().MileageToLabel(25000.0), "TK25+190.000");
    EXPECT_EQ(Stationing().MileageToLabel(1234.5), "K1+234.500");
}

TEST(Stationing, MileagesOfStationTexts) {
    struct Row {
        const Breaks& Line;
        const char* Text;
        double Mileage;
    };
    const Row rows[] = {
        {kNone, "1234.5", 1234.5},    {kNone, "", 0.0},
        {kNone, "A100", 100.0},       {kForward, "B1200", 1100.0},
        {kForward, "B1100", 1000.0},  {kForward, "A1000", 1000.0},
        {kBackward, "A1050", 1050.0}, {kBackward, "B1050", 1150.0},
        {kEqual, "B1600", 1600.0},    {kTwo, "C2500", 2500.0},
        {kTwo, "B1200   ", 1100.0},   {kTwo, "  C2500\t", 2500.0},
        {kTwo, " 1234.5 ", 1234.5},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Line(row.Line).StationTextToMileage(row.Text), row.Mileage) << row.Text;
    }
    EXPECT_EQ(NineteenBreaks().StationTextToMileage("T19020"), 19020.0 - 190.0);
    EXPECT_EQ(Stationing().StationTextToMileage("777.25"), 777.25);
}

TEST(Stationing, MileagesOfSectionStations) {
    struct Row {
        const Breaks& Line;
        int Section;
        double Station;
        double Mileage;
    };
    const Row rows[] = {
        {kNone, 1, 777.25, 777.25}, {kTwo, 1, 500.0, 500.0},     {kTwo, 2, 2000.0, 1900.0},
        {kTwo, 2, 1100.0, 1000.0},  {kTwo, 3, 1900.25, 1900.25}, {kTwo, 3, 2500.0, 2500.0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Line(row.Line).SectionStationToMileage(row.Section, row.Station), row.Mileage)
            << row.Section << " " << row.Station;
    }
    EXPECT_EQ(NineteenBreaks().SectionStationToMileage(20, 19020.0), 18830.0);
}

TEST(Stationing, SectionsAndMarksBeyondTheLastSectionAreRefused) {
    const Stationing two = Line(kTwo);
    for (const char* text : {"D100", "T100", "Z100"}) {
        EXPECT_EQ(CodeOf([&] { two.StationTextToMileage(text); }), ErrorCode::IndexOutOfRange)
            << text;
    }
    for (int section : {0, -1, 4, 21}) {
        EXPECT_EQ(CodeOf([&] { two.SectionStationToMileage(section, 100.0); }),
                  ErrorCode::IndexOutOfRange)
            << section;
        EXPECT_EQ(CodeOf([&] { two.SectionStart(section); }), ErrorCode::IndexOutOfRange);
        EXPECT_EQ(CodeOf([&] { two.SectionEnd(section); }), ErrorCode::IndexOutOfRange);
    }
    EXPECT_EQ(CodeOf([&] { Stationing().StationTextToMileage("B100"); }),
              ErrorCode::IndexOutOfRange);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(CodeOf([&] { two.MileageToStation(nan); }), ErrorCode::NonFinite);
    EXPECT_EQ(CodeOf([&] { two.MileageToLabel(nan); }), ErrorCode::NonFinite);
}

// ---- Station texts as typed ----------------------------------------------------------------

TEST(Stationing, MarkStationGivesUnmarkedTextsTheirSection) {
    struct Row {
        const Breaks& Line;
        const char* Typed;
        const char* Marked;
    };
    const Row rows[] = {
        // Unchanged: no chain breaks, a blank text, a text that has its mark already.
        {kNone, " 1234.5 ", " 1234.5 "},
        {kForward, "", ""},
        {kForward, "   ", "   "},
        {kForward, "B1050", "B1050"},
        {kForward, "Z5", "Z5"},
        // Placed, and trimmed.
        {kForward, "1200", "B1200"},
        {kForward, "999.5", "A999.5"},
        {kForward, "1000", "A1000"},
        {kForward, "1100", "B1100"},
        {kForward, " 1200  ", "B1200"},
        {kForward, "0", "A0"},
        {kBackward, "1100.001", "B1100.001"},
        {kBackward, "999.999", "A999.999"},
        {kEqual, "1500", "A1500"},
        {kEqual, "1600", "B1600"},
        {kTwo, "1200\t ", "B1200"},
    };
    for (const Row& row : rows) {
        const MarkedStation marked = Line(row.Line).MarkStation(row.Typed);
        EXPECT_TRUE(marked.Accepted()) << row.Typed << ": " << marked.Refusal.value_or("");
        EXPECT_EQ(marked.Text, row.Marked) << row.Typed;
    }
    EXPECT_EQ(NineteenBreaks().MarkStation("19500").Text, "T19500");
    EXPECT_EQ(Stationing().MarkStation("1200").Text, "1200");
}

TEST(Stationing, MarkStationRefusesValuesInAGapOrWrittenTwice) {
    struct Row {
        Breaks Line;
        const char* Typed;
        const char* Refusal;
    };
    const Row rows[] = {
        {kForward, "1050", "桩号1050不应存在1000和1100之间，请修改！"},
        // The stored values in their shortest form, the text as typed.
        {{{1000.25, 1100.5}}, " 1050", "桩号 1050不应存在1000.25和1100.5之间，请修改！"},
        {kBackward, "1050", "程序不能判断桩号1050所属的断链区间，需添加断链标识A、B、C..."},
        {kBackward, "1000", "程序不能判断桩号1000所属的断链区间，需添加断链标识A、B、C..."},
        {kBackward, "1100", "程序不能判断桩号1100所属的断链区间，需添加断链标识A、B、C..."},
    };
    for (const Row& row : rows) {
        const MarkedStation marked = Line(row.Line).MarkStation(row.Typed);
        EXPECT_FALSE(marked.Accepted()) << row.Typed;
        EXPECT_EQ(marked.Refusal.value_or(""), row.Refusal);
        EXPECT_TRUE(marked.Text.empty()) << row.Typed;
    }
}

// A station text whose number part is not a plain number (the kilometres written without the
// "K" of the design-table form, a word) would read as another station: 1 for "1+200", a real
// place on many lines. The text is refused instead. The design-table form itself
// ("AK0+500.000") is read as written.
TEST(Stationing, CheckStationTextRefusesWhatWouldReadAsAnotherStation) {
    const Stationing two = Line(kTwo);
    EXPECT_EQ(two.CheckStationText("AK0+500.000"), std::nullopt);
    for (const char* text : {"A", "Bx", "abc", "k1+200", "-", ".", "A+", "1+200",
                             "A1+200", "1200m", "1.2e3", "1200,5", "12OO", "1200.5.5", "B1200-5"}) {
        EXPECT_EQ(two.CheckStationText(text),
                  "桩号" + std::string(text) +
                      "有误，应为以米计的数，如1234.567或B1234.567，请修改！");
    }
    EXPECT_EQ(Line(kNone).CheckStationText("abc"),
              "桩号abc有误，应为以米计的数，如1234.567或B1234.567，请修改！");
}

TEST(Stationing, CheckStationTextHoldsMarksToTheirSection) {
    struct Row {
        const Breaks& Line;
        const char* Text;
        const char* Refusal; // nullptr: accepted
    };
    const Row rows[] = {
        {kNone, "1234", nullptr},
        {kNone, "0.000", nullptr},
        {kNone, "B1234", "桩号B1234有误，不存在断链，请修改！"},
        {kNone, "A1234", "桩号A1234有误，不存在断链，请修改！"},
        {kForward, "A1000", nullptr},
        {kForward, "A0", nullptr},
        {kForward, "B1100", nullptr},
        {kForward, "B999999", nullptr},
        {kForward, "1050", nullptr}, // no mark: MarkStation's business
        {kForward, "A1050", "桩号A1050超出所在断链区间，请修改！"},
        {kForward, "B1099.999", "桩号B1099.999超出所在断链区间，请修改！"},
        {kForward, "A-0.5", "桩号A-0.5超出所在断链区间，请修改！"}, // section A starts at 0
        {kForward, "C1200", "桩号C1200断链标识有误，请修改！"},
        {kBackward, "A1050", nullptr},
        {kBackward, "B1050", nullptr},
        {kBackward, "A1100.5", "桩号A1100.5超出所在断链区间，请修改！"},
        {kBackward, "B999", "桩号B999超出所在断链区间，请修改！"},
        {kTwo, "B1200   ", nullptr},
        {kTwo, " Z100", "桩号 Z100断链标识有误，请修改！"}, // a leading blank hides no mark
        {kTwo, "D100", "桩号D100断链标识有误，请修改！"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Line(row.Line).CheckStationText(row.Text),
                  row.Refusal ? std::optional<std::string>(row.Refusal) : std::nullopt)
            << row.Text;
    }
    for (const char* text :
         {"", "  ", "0", "A0", "A.5", "A-0", "1 200", "+1200", "B 1200", "1200.", "A1000\t"}) {
        EXPECT_EQ(Line(kTwo).CheckStationText(text), std::nullopt) << text;
    }
    const Stationing nineteen = NineteenBreaks();
    EXPECT_EQ(nineteen.CheckStationText("T19020"), std::nullopt);
    EXPECT_EQ(nineteen.CheckStationText("T200000"), std::nullopt) << "the last section is open";
    EXPECT_EQ(nineteen.CheckStationText("U100"), "桩号U100断链标识有误，请修改！");
    EXPECT_EQ(Stationing().CheckStationText("A1"), "桩号A1有误，不存在断链，请修改！");
}

// ---- Round trips over a line with several forward and backward breaks -----------------------

TEST(Stationing, LabelsReadBackToTheirMileage) {
    const double start = 500.0;
    const double end = 10000.0;
    const Breaks breaks = {
        {1500.0, 1600.0}, // forward 100 m
        {2600.0, 2400.0}, // backward 200 m
        {3400.0, 3400.5}, // forward 0.5 m
        {5000.0, 4000.0}, // backward 1000 m
        {6000.0, 6000.0}, // letter change only
    };
    const Stationing line(breaks, start, end);

    // Mileage of each break, summed from the section lengths written in the break table.
    std::vector<double> breakMileage = {start};
    double sectionStart = start;
    for (const ChainBreak& b : breaks) {
        breakMileage.push_back(breakMileage.back() + (b.Back - sectionStart));
        sectionStart = b.Ahead;
    }
    ASSERT_EQ(breakMileage.back(), 7099.5);

    std::vector<double> mileages;
    for (double m = start; m <= end; m += 0.37) {
        mileages.push_back(m);
    }
    for (double at : breakMileage) {
        for (double d : {0.0, 1e-7, 0.0004, 0.0006, 0.001, 0.37}) {
            mileages.push_back(at + d);
            mileages.push_back(at - d);
        }
    }

    for (double m : mileages) {
        // Expected section and written value, from the break mileages.
        int section = 1;
        while (section <= static_cast<int>(breaks.size()) &&
               m > breakMileage[static_cast<std::size_t>(section)]) {
            ++section;
        }
        const double sectionFirst =
            section == 1 ? start : breaks[static_cast<std::size_t>(section - 2)].Ahead;
        const double written =
            sectionFirst + (m - breakMileage[static_cast<std::size_t>(section - 1)]);
        ASSERT_NEAR(line.MileageToStation(m), written, kExact) << m;

        const std::string label = line.MileageToLabel(m);
        ASSERT_EQ(label.front(), static_cast<char>('A' + section - 1)) << m << " " << label;
        const std::string text = LabelToStationText(label);
        ASSERT_EQ(line.CheckStationText(text), std::nullopt) << label;
        ASSERT_NEAR(line.StationTextToMileage(text), m, kHalfMillimetre) << label;

        // The unmarked written value either needs its mark or resolves to the same place.
        const std::string unmarked = text.substr(1);
        const MarkedStation marked = line.MarkStation(unmarked);
        const double value = geometry::NumericValue(unmarked);
        const bool repeated =
            (2400.0 <= value && value <= 2600.0) || (4000.0 <= value && value <= 5000.0);
        ASSERT_EQ(marked.Accepted(), !repeated) << label;
        if (marked.Accepted()) {
            ASSERT_NEAR(line.StationTextToMileage(marked.Text), m, kHalfMillimetre)
                << label << " -> " << marked.Text;
        }
    }
}

// ---- Construction --------------------------------------------------------------------------

TEST(Stationing, SectionsRunFromTheStartToTheEndOfTheLine) {
    struct Row {
        Breaks Line;
        std::vector<std::pair<double, double>> Sections; // first and last written station
    };
    const Row rows[] = {
        {{}, {{500.0, 3000.0}}},
        {{{1000.0, 1100.0}}, {{500.0, 1000.0}, {1100.0, 3100.0}}}, // the end is 100 m further on
        {{{1000.0, 1100.0}, {2000.0, 1900.0}},
         {{500.0, 1000.0}, {1100.0, 2000.0}, {1900.0, 3000.0}}},
        {{{3000.0, 3100.0}}, {{500.0, 3000.0}, {3100.0, 3000.0}}}, // a break at the end: B is empty
    };
    for (const Row& row : rows) {
        const Stationing line(row.Line, 500.0, 3000.0);
        ASSERT_EQ(line.BreakCount() + 1, static_cast<int>(row.Sections.size()));
        for (int k = 1; k <= line.BreakCount() + 1; ++k) {
            const auto [first, last] = row.Sections[static_cast<std::size_t>(k - 1)];
            EXPECT_EQ(line.SectionStart(k), first) << k;
            EXPECT_EQ(line.SectionEnd(k), last) << k;
        }
    }
    const Stationing noLine;
    EXPECT_EQ(noLine.BreakCount(), 0);
    EXPECT_EQ(noLine.SectionStart(1), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(noLine.SectionEnd(1), std::numeric_limits<double>::infinity());
}

TEST(Stationing, BreaksOutOfOrderOrBeforeTheStartAreRefused) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        Breaks Line;
        double Start;
        double End;
        std::optional<ErrorCode> Code;
    };
    const Row rows[] = {
        {{{1000.0, 1100.0}, {1050.0, 1200.0}}, 500.0, 3000.0, ErrorCode::Format}, // in a gap
        {{{400.0, 450.0}}, 500.0, 3000.0, ErrorCode::Format}, // before the start
        {{{2000.0, 2100.0}, {1500.0, 1600.0}}, 500.0, 3000.0, ErrorCode::Format}, // wrong order
        {{{1000.0, nan}}, 500.0, 3000.0, ErrorCode::Format},
        {{{inf, 1000.0}}, 500.0, 3000.0, ErrorCode::Format},
        {{}, 500.0, nan, ErrorCode::NonFinite},
        {{{1000.0, 1100.0}}, -inf, 3000.0, ErrorCode::NonFinite},
        {Breaks(20, ChainBreak{1000.0, 1000.0}), 500.0, 3000.0, ErrorCode::IndexOutOfRange},
        // Accepted: two breaks at one place, a break at the start, nineteen breaks.
        {{{1000.0, 1100.0}, {1100.0, 1300.0}}, 500.0, 3000.0, std::nullopt},
        {{{500.0, 600.0}}, 500.0, 3000.0, std::nullopt},
        {Breaks(19, ChainBreak{1000.0, 1000.0}), 500.0, 3000.0, std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CodeOf([&] { Stationing(row.Line, row.Start, row.End); }), row.Code)
            << row.Line.size() << " breaks, end " << row.End;
    }
}

} // namespace
} // namespace tesk::stationing

namespace tesk::stationing {
namespace {

TEST(ShownStation, TheNumberAfterTheMarkOrTheMileage) {
    EXPECT_EQ(ShownStation("B1234.5", 1196.0), 1234.5);
    EXPECT_EQ(ShownStation("  C15060 ", 15022.4), 15060.0);
    EXPECT_EQ(ShownStation("1234.5", 1234.5), 1234.5);
    EXPECT_EQ(ShownStation("", 7.0), 7.0);
}

} // namespace
} // namespace tesk::stationing

namespace tesk::stationing {
namespace {

TEST(PlainStationText, TheDesignTableFormReadsAsWritten) {
    struct Row {
        const char* Typed;
        const char* Plain;
    };
    for (const Row r : {Row{"K12+345.678", "12345.678"}, Row{" BK12+345.678 ", "B12345.678"},
                        Row{"KK0+5", "K0005"}, Row{"-K0+012.300", "-0012.300"},
                        Row{"K12345.678", "K12345.678"}, Row{"12345.678", "12345.678"},
                        Row{"K1+1000", "K1+1000"}, Row{"K+12", "K+12"}, Row{"K1+2x", "K1+2x"}}) {
        EXPECT_EQ(PlainStationText(r.Typed), r.Plain) << r.Typed;
    }
    // The conversions take both forms alike, to the last digit.
    const Stationing breaks({{14862.415, 14900.0}}, 12000.0, 22000.0);
    EXPECT_EQ(breaks.StationTextToMileage("BK15+120.000"), breaks.StationTextToMileage("B15120"));
    EXPECT_EQ(breaks.CheckStationText("K15+120"), std::nullopt);
    EXPECT_EQ(breaks.MarkStation("K15+120").Text, "B15120");
    EXPECT_EQ(ShownStation("BK15+120.5", 0.0), 15120.5);
}

} // namespace
} // namespace tesk::stationing
