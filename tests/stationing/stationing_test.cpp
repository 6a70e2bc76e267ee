#include "stationing/stationing.h"

#include "state/runtime_error.h"
#include "state/text.h"
#include "support/comma_locale.h"
#include "support/recording_prompts.h"

#include <cinttypes>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace tesk::stationing {
namespace {

using state::ErrorCode;
using state::RuntimeError;
using state::SharedState;
using testing::RecordingPrompts;

/// Tolerance for mileages and written stations that only pass through a few additions, m.
constexpr double kExact = 1e-9;
/// A label keeps millimetres: reading it back may be off by half a millimetre, m.
constexpr double kHalfMillimetre = 0.0005 + 1e-9;

struct Break {
    double Back;
    double Ahead;
};

/// A JD line from `start` to `end` (continuous mileage, m) with the given chain breaks, its
/// chain-break tables completed as Initialize does.
SharedState MakeLine(double start, double end, const std::vector<Break>& breaks) {
    SharedState state;
    state.StartStation = start;
    state.JdCount = 2;
    state.JdStation[1] = start;
    state.JdStation[2] = end;
    state.BreakCount = static_cast<int>(breaks.size());
    for (int k = 1; k <= state.BreakCount; ++k) {
        state.BreakBack[k] = breaks[static_cast<std::size_t>(k - 1)].Back;
        state.BreakAhead[k] = breaks[static_cast<std::size_t>(k - 1)].Ahead;
    }
    BuildChainBreakSections(state);
    return state;
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

// ---- Without chain breaks -----------------------------------------------------------------

TEST(WithoutBreaks, EverythingIsPlainNumberHandling) {
    const SharedState state = MakeLine(0.0, 5000.0, {});
    RecordingPrompts prompts;

    EXPECT_EQ(MileageToLabel(state, 1234.5), "K1+234.500") << "no mark letter";
    EXPECT_EQ(MileageToStation(state, 1234.5), 1234.5);
    EXPECT_EQ(StationTextToMileage(state, "1234.5"), 1234.5);
    EXPECT_EQ(StationTextToMileage(state, ""), 0.0);
    EXPECT_EQ(SectionStationToMileage(state, 1, 777.25), 777.25);

    const auto marked = zh_dlstr(state, prompts, " 1234.5 ");
    EXPECT_TRUE(marked.StationAccepted);
    EXPECT_EQ(marked.zhdlstr, " 1234.5 ") << "an unmarked text passes unchanged";

    EXPECT_TRUE(CheckBreakMark(state, prompts, "1234"));
    EXPECT_TRUE(prompts.Refusals.empty());
    EXPECT_FALSE(CheckBreakMark(state, prompts, "B1234"));
    EXPECT_FALSE(CheckBreakMark(state, prompts, "A1234"));
    EXPECT_EQ(prompts.Refusals, (std::vector<std::string>{"桩号B1234有误，不存在断链，请修改！",
                                                          "桩号A1234有误，不存在断链，请修改！"}));
}

TEST(WithoutBreaks, BlankAndMarkedTextsPassZhDlstrUnchanged) {
    const SharedState state = MakeLine(0.0, 5000.0, {{1000.0, 1100.0}});
    RecordingPrompts prompts;
    for (const char* text : {"", "   ", "B1050", "Z5"}) {
        const auto marked = zh_dlstr(state, prompts, text);
        EXPECT_TRUE(marked.StationAccepted) << text;
        EXPECT_EQ(marked.zhdlstr, text);
    }
    EXPECT_TRUE(prompts.Events.empty());
}

// ---- One forward break: 1000 -> 1100 -------------------------------------------------------

class ForwardBreak : public ::testing::Test {
protected:
    SharedState state = MakeLine(0.0, 3000.0, {{1000.0, 1100.0}});
    RecordingPrompts prompts;
};

TEST_F(ForwardBreak, LabelsJumpAfterTheBackStation) {
    EXPECT_EQ(MileageToLabel(state, 1000.0), "AK1+000.000") << "the back station stays in A";
    EXPECT_EQ(MileageToLabel(state, 1000.001), "BK1+100.001");
    EXPECT_EQ(MileageToLabel(state, 0.0), "AK0+000.000");
    EXPECT_EQ(MileageToLabel(state, -12.3), "A-K0+012.300");
    EXPECT_NEAR(MileageToStation(state, 1000.001), 1100.001, kExact);
    EXPECT_EQ(MileageToStation(state, 1000.0), 1000.0);
    EXPECT_EQ(MileageToStation(state, 2500.0), 2600.0);
}

TEST_F(ForwardBreak, AValueInTheGapIsRefusedNamingTheBreak) {
    const auto marked = zh_dlstr(state, prompts, "1050");
    EXPECT_FALSE(marked.StationAccepted);
    EXPECT_TRUE(marked.zhdlstr.empty());
    EXPECT_EQ(prompts.Events, (std::vector<std::string>{
                                  "activate:", "refuse:桩号1050不应存在1000和1100之间，请修改！"}));
}

TEST_F(ForwardBreak, UnmarkedTextsGetTheirSection) {
    const std::pair<const char*, const char*> cases[] = {
        {"1200", "B1200"}, {"999.5", "A999.5"},  {"1000", "A1000"},
        {"1100", "B1100"}, {" 1200  ", "B1200"}, {"0", "A0"},
    };
    for (const auto& [typed, expected] : cases) {
        const auto marked = zh_dlstr(state, prompts, typed);
        EXPECT_TRUE(marked.StationAccepted) << typed;
        EXPECT_EQ(marked.zhdlstr, expected) << typed;
    }
    EXPECT_TRUE(prompts.Events.empty());
    EXPECT_EQ(StationTextToMileage(state, "B1200"), 1100.0);
    EXPECT_EQ(StationTextToMileage(state, "B1100"), 1000.0);
    EXPECT_EQ(StationTextToMileage(state, "A1000"), 1000.0);
}

TEST_F(ForwardBreak, MarksAreCheckedAgainstTheirSection) {
    EXPECT_TRUE(CheckBreakMark(state, prompts, "A1000"));
    EXPECT_TRUE(CheckBreakMark(state, prompts, "A0"));
    EXPECT_TRUE(CheckBreakMark(state, prompts, "B1100"));
    EXPECT_TRUE(CheckBreakMark(state, prompts, "B999999"));
    EXPECT_TRUE(CheckBreakMark(state, prompts, "1050")) << "no mark: not this check's business";
    EXPECT_TRUE(prompts.Refusals.empty());

    EXPECT_FALSE(CheckBreakMark(state, prompts, "A1050"));
    EXPECT_FALSE(CheckBreakMark(state, prompts, "B1099.999"));
    EXPECT_FALSE(CheckBreakMark(state, prompts, "A-0.5")) << "section A starts at 0";
    EXPECT_FALSE(CheckBreakMark(state, prompts, "C1200"));
    EXPECT_EQ(prompts.Refusals, (std::vector<std::string>{
                                    "桩号A1050超出所在断链区间，请修改！",
                                    "桩号B1099.999超出所在断链区间，请修改！",
                                    "桩号A-0.5超出所在断链区间，请修改！",
                                    "桩号C1200断链标识有误，请修改！",
                                }));
}

TEST_F(ForwardBreak, TheGapMessageShowsTheStoredValuesInShortForm) {
    SharedState fractional = MakeLine(0.0, 3000.0, {{1000.25, 1100.5}});
    zh_dlstr(fractional, prompts, "1050");
    EXPECT_EQ(prompts.Refusals,
              (std::vector<std::string>{"桩号1050不应存在1000.25和1100.5之间，请修改！"}));
}

// ---- One backward break: 1100 -> 1000 ------------------------------------------------------

class BackwardBreak : public ::testing::Test {
protected:
    SharedState state = MakeLine(0.0, 3000.0, {{1100.0, 1000.0}});
    RecordingPrompts prompts;
};

TEST_F(BackwardBreak, ARepeatedValueNeedsItsMark) {
    for (const char* typed : {"1050", "1000", "1100"}) {
        const auto marked = zh_dlstr(state, prompts, typed);
        EXPECT_FALSE(marked.StationAccepted) << typed;
        EXPECT_TRUE(marked.zhdlstr.empty());
    }
    ASSERT_EQ(prompts.Events.size(), 6U);
    EXPECT_EQ(prompts.Events[0], "activate:");
    EXPECT_EQ(prompts.Events[1],
              "refuse:程序不能判断桩号1050所属的断链区间，需添加断链标识A、B、C...");
    EXPECT_EQ(prompts.Activations, 3);
}

TEST_F(BackwardBreak, MarkedValuesArePlacedInTheirSection) {
    EXPECT_TRUE(CheckBreakMark(state, prompts, "A1050"));
    EXPECT_TRUE(CheckBreakMark(state, prompts, "B1050"));
    EXPECT_TRUE(prompts.Refusals.empty());
    EXPECT_EQ(StationTextToMileage(state, "A1050"), 1050.0);
    EXPECT_EQ(StationTextToMileage(state, "B1050"), 1150.0);

    EXPECT_FALSE(CheckBreakMark(state, prompts, "A1100.5"));
    EXPECT_FALSE(CheckBreakMark(state, prompts, "B999"));
    EXPECT_EQ(prompts.Refusals.size(), 2U);
}

TEST_F(BackwardBreak, ValuesOutsideTheOverlapAreResolved) {
    auto marked = zh_dlstr(state, prompts, "1100.001");
    EXPECT_EQ(marked.zhdlstr, "B1100.001");
    EXPECT_NEAR(StationTextToMileage(state, marked.zhdlstr), 1200.001, kExact);
    marked = zh_dlstr(state, prompts, "999.999");
    EXPECT_EQ(marked.zhdlstr, "A999.999");
    EXPECT_TRUE(prompts.Events.empty());
}

TEST_F(BackwardBreak, LabelsRepeatTheWrittenValuesWithAnotherMark) {
    EXPECT_EQ(MileageToLabel(state, 1050.0), "AK1+050.000");
    EXPECT_EQ(MileageToLabel(state, 1100.0), "AK1+100.000");
    EXPECT_EQ(MileageToLabel(state, 1150.0), "BK1+050.000");
    EXPECT_EQ(MileageToStation(state, 1150.0), 1050.0);
}

TEST(EqualBreak, OnlyTheMarkChanges) {
    const SharedState state = MakeLine(0.0, 3000.0, {{1500.0, 1500.0}});
    RecordingPrompts prompts;
    EXPECT_EQ(MileageToLabel(state, 1500.0), "AK1+500.000");
    EXPECT_EQ(MileageToLabel(state, 1500.5), "BK1+500.500");
    EXPECT_EQ(zh_dlstr(state, prompts, "1500").zhdlstr, "A1500");
    EXPECT_EQ(zh_dlstr(state, prompts, "1600").zhdlstr, "B1600");
    EXPECT_EQ(StationTextToMileage(state, "B1600"), 1600.0);
    EXPECT_TRUE(prompts.Events.empty());
}

// ---- Several breaks ------------------------------------------------------------------------

TEST(SeveralBreaks, BackStationsAreComparedAfterTheEarlierJumps) {
    // Break 2's back station 2000 is a written value of section B: mileage 1900.
    const SharedState state = MakeLine(0.0, 3000.0, {{1000.0, 1100.0}, {2000.0, 1900.0}});
    EXPECT_EQ(MileageToLabel(state, 1900.0), "BK2+000.000");
    EXPECT_EQ(MileageToLabel(state, 1900.25), "CK1+900.250");
    EXPECT_EQ(MileageToLabel(state, 1950.0), "CK1+950.000") << "1950 is below BreakBack(2)";
    EXPECT_EQ(SectionStationToMileage(state, 2, 2000.0), 1900.0);
    EXPECT_EQ(SectionStationToMileage(state, 3, 1900.25), 1900.25);
    EXPECT_EQ(SectionStationToMileage(state, 3, 2500.0), 2500.0);
    EXPECT_EQ(SectionStationToMileage(state, 1, 500.0), 500.0);
}

TEST(SeveralBreaks, NineteenBreaksEndWithMarkT) {
    std::vector<Break> breaks;
    for (int k = 1; k <= 19; ++k) {
        breaks.push_back({1000.0 * k, 1000.0 * k + 10.0}); // each jumps 10 m forward
    }
    const SharedState state = MakeLine(0.0, 25000.0, breaks);
    RecordingPrompts prompts;

    EXPECT_TRUE(CheckBreakMark(state, prompts, "T19020"));
    EXPECT_TRUE(CheckBreakMark(state, prompts, "T200000")) << "the last section is open-ended";
    EXPECT_TRUE(prompts.Refusals.empty());
    EXPECT_FALSE(CheckBreakMark(state, prompts, "U100"));
    EXPECT_EQ(prompts.Refusals, (std::vector<std::string>{"桩号U100断链标识有误，请修改！"}));

    // Section T follows 19 jumps of 10 m.
    EXPECT_EQ(StationTextToMileage(state, "T19020"), 19020.0 - 190.0);
    EXPECT_EQ(zh_dlstr(state, prompts, "19500").zhdlstr, "T19500");
    EXPECT_EQ(MileageToLabel(state, 25000.0), "TK25+190.000");
    EXPECT_EQ(SectionStationToMileage(state, 20, 19020.0), 18830.0);
}

TEST(SeveralBreaks, MarksBeyondTheLastSectionNeverReachPastTheTables) {
    SharedState state = MakeLine(0.0, 3000.0, {{1000.0, 1100.0}, {2000.0, 1900.0}});
    // Rows past the sentinel hold leftovers of an earlier, longer break table.
    for (int k = 4; k <= 20; ++k) {
        state.BreakBack[k] = -7.0 * k;
        state.BreakAhead[k] = 3.0 * k;
    }
    RecordingPrompts prompts;
    for (const char* text : {"D100", "T100", "Z100"}) {
        EXPECT_FALSE(CheckBreakMark(state, prompts, text));
        try {
            StationTextToMileage(state, text);
            ADD_FAILURE() << "no exception for " << text;
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.Code(), ErrorCode::IndexOutOfRange) << text;
        }
    }
    EXPECT_EQ(prompts.Refusals.back(), "桩号Z100断链标识有误，请修改！");
    EXPECT_EQ(StationTextToMileage(state, "C2500"), 2500.0);
    for (int section : {0, -1, 4, 21}) {
        EXPECT_THROW(SectionStationToMileage(state, section, 100.0), RuntimeError) << section;
    }
    const SharedState noBreaks = MakeLine(0.0, 3000.0, {});
    EXPECT_THROW(StationTextToMileage(noBreaks, "B100"), RuntimeError);
    EXPECT_EQ(StationTextToMileage(noBreaks, "A100"), 100.0);
}

TEST(SeveralBreaks, ACorruptBreakCountIsARunTimeErrorNotACrash) {
    SharedState state = MakeLine(0.0, 3000.0, {});
    RecordingPrompts prompts;
    for (int count : {-1, 20, 25, 32767}) {
        state.BreakCount = count;
        EXPECT_THROW(MileageToStation(state, 10.0), RuntimeError) << count;
        EXPECT_THROW(MileageToLabel(state, 10.0), RuntimeError);
        EXPECT_THROW(zh_dlstr(state, prompts, "10"), RuntimeError);
        EXPECT_THROW(CheckBreakMark(state, prompts, "A10"), RuntimeError);
        EXPECT_THROW(StationTextToMileage(state, "A10"), RuntimeError);
        EXPECT_THROW(SectionStationToMileage(state, 1, 10.0), RuntimeError);
        EXPECT_THROW(BuildChainBreakSections(state), RuntimeError);
    }
    state.BreakCount = 0;
    EXPECT_THROW(MileageToStation(state, std::numeric_limits<double>::quiet_NaN()), RuntimeError);
}

TEST(SeveralBreaks, TrailingAndLeadingBlanksDoNotChangeTheResult) {
    const SharedState state = MakeLine(0.0, 3000.0, {{1000.0, 1100.0}, {2000.0, 1900.0}});
    RecordingPrompts prompts;
    EXPECT_EQ(StationTextToMileage(state, "B1200   "), StationTextToMileage(state, "B1200"));
    EXPECT_EQ(StationTextToMileage(state, "  C2500\t"), 2500.0);
    EXPECT_EQ(StationTextToMileage(state, " 1234.5 "), 1234.5);
    EXPECT_TRUE(CheckBreakMark(state, prompts, "B1200   "));
    EXPECT_FALSE(CheckBreakMark(state, prompts, " Z100")) << "a leading blank does not hide a mark";
    EXPECT_EQ(zh_dlstr(state, prompts, "1200\t ").zhdlstr, "B1200");
    EXPECT_EQ(prompts.Refusals.size(), 1U);
}

// A station text whose number part is not a plain number (a label copied back with its "K", the
// kilometres written as in a label, a word) would read as another station: 0 for "AK0+500.000",
// 1 for "1+200", a real place on many lines. The text is refused instead.
TEST(SeveralBreaks, TextsThatAreNotAPlainNumberAreRefused) {
    const SharedState state = MakeLine(0.0, 3000.0, {{1000.0, 1100.0}, {2000.0, 1900.0}});
    RecordingPrompts prompts;
    const std::vector<std::string> refused = {
        "AK0+500.000", "A",      "Bx",    "abc",   "k1+200", "-",    ".",        "A+",
        "1+200",       "A1+200", "1200m", "1.2e3", "1200,5", "12OO", "1200.5.5", "B1200-5"};
    for (const std::string& text : refused) {
        EXPECT_FALSE(CheckBreakMark(state, prompts, text)) << text;
    }
    ASSERT_EQ(prompts.Refusals.size(), refused.size());
    EXPECT_EQ(prompts.Refusals.front(),
              "桩号AK0+500.000有误，应为以米计的数，如1234.567或B1234.567，请修改！");
    EXPECT_EQ(prompts.Refusals[8],
              "桩号1+200有误，应为以米计的数，如1234.567或B1234.567，请修改！");

    prompts.Refusals.clear();
    for (const char* text :
         {"", "  ", "0", "A0", "A.5", "A-0", "1 200", "+1200", "B 1200", "1200.", "A1000\t"}) {
        EXPECT_TRUE(CheckBreakMark(state, prompts, text)) << text;
    }
    EXPECT_TRUE(prompts.Refusals.empty());

    const SharedState noBreaks = MakeLine(0.0, 3000.0, {});
    EXPECT_FALSE(CheckBreakMark(noBreaks, prompts, "abc"));
    EXPECT_TRUE(CheckBreakMark(noBreaks, prompts, "0.000"));
    EXPECT_EQ(
        prompts.Refusals,
        std::vector<std::string>{"桩号abc有误，应为以米计的数，如1234.567或B1234.567，请修改！"});
}

// ---- Round trips over a line with several forward and backward breaks -----------------------

TEST(RoundTrip, LabelsReadBackToTheirMileage) {
    const double start = 500.0;
    const double end = 10000.0;
    const std::vector<Break> breaks = {
        {1500.0, 1600.0}, // forward 100 m
        {2600.0, 2400.0}, // backward 200 m
        {3400.0, 3400.5}, // forward 0.5 m
        {5000.0, 4000.0}, // backward 1000 m
        {6000.0, 6000.0}, // letter change only
    };
    const SharedState state = MakeLine(start, end, breaks);

    // Mileage of each break, summed from the section lengths written in the break table.
    std::vector<double> breakMileage = {start};
    double sectionStart = start;
    for (const Break& b : breaks) {
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

    RecordingPrompts prompts;
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
        ASSERT_NEAR(MileageToStation(state, m), written, kExact) << m;

        const std::string label = MileageToLabel(state, m);
        ASSERT_EQ(label.front(), static_cast<char>('A' + section - 1)) << m << " " << label;
        const std::string text = LabelToStationText(label);
        ASSERT_TRUE(CheckBreakMark(state, prompts, text)) << label;
        ASSERT_NEAR(StationTextToMileage(state, text), m, kHalfMillimetre) << label;

        // The unmarked written value either needs its mark or resolves to the same place.
        const std::string unmarked = text.substr(1);
        const auto marked = zh_dlstr(state, prompts, unmarked);
        const double value = state::NumericValue(unmarked);
        const bool repeated =
            (2400.0 <= value && value <= 2600.0) || (4000.0 <= value && value <= 5000.0);
        ASSERT_EQ(marked.StationAccepted, !repeated) << label;
        if (marked.StationAccepted) {
            ASSERT_NEAR(StationTextToMileage(state, marked.zhdlstr), m, kHalfMillimetre)
                << label << " -> " << marked.zhdlstr;
        }
    }
    EXPECT_EQ(prompts.Refusals.size(), static_cast<std::size_t>(prompts.Activations));
}

// ---- Section tables ------------------------------------------------------------------------

TEST(ChainBreakSections, NoBreaksGiveOneSectionOverTheWholeLine) {
    SharedState state;
    state.StartStation = 500.0;
    state.JdCount = 3;
    state.JdStation[1] = 500.0;
    state.JdStation[3] = 3000.0;
    state.BreakBack[1] = -1.0; // the "no chain breaks" row, already counted out by the reader
    state.BreakAhead[1] = 0.0;
    BuildChainBreakSections(state);
    EXPECT_EQ(state.SectionStart[1], 500.0);
    EXPECT_EQ(state.SectionEnd[1], 3000.0);
    EXPECT_EQ(state.BreakBack[0], 0.0);
    EXPECT_EQ(state.BreakAhead[0], 0.0);
    EXPECT_EQ(state.BreakBack[1], 3000.0 + 1e9);
    EXPECT_EQ(state.BreakAhead[1], 3000.0 + 1e9);
}

TEST(ChainBreakSections, OneBreakSplitsTheLineInTwo) {
    const SharedState state = MakeLine(500.0, 3000.0, {{1000.0, 1100.0}});
    EXPECT_EQ(state.SectionStart[1], 500.0);
    EXPECT_EQ(state.SectionEnd[1], 1000.0);
    EXPECT_EQ(state.SectionStart[2], 1100.0);
    EXPECT_EQ(state.SectionEnd[2], 3100.0) << "the end of the line, 100 m further on";
    EXPECT_EQ(state.BreakBack[2], 3000.0 + 1e9);
    EXPECT_EQ(state.BreakAhead[2], 3000.0 + 1e9);
}

TEST(ChainBreakSections, TwoBreaksGiveThreeSections) {
    const SharedState state = MakeLine(500.0, 3000.0, {{1000.0, 1100.0}, {2000.0, 1900.0}});
    const double expected[][2] = {{500.0, 1000.0}, {1100.0, 2000.0}, {1900.0, 3000.0}};
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(state.SectionStart[k], expected[k - 1][0]) << k;
        EXPECT_EQ(state.SectionEnd[k], expected[k - 1][1]) << k;
    }
    EXPECT_EQ(state.BreakBack[3], 3000.0 + 1e9);
    EXPECT_EQ(state.BreakBack[0], 0.0);
    // Every section's ends map onto consecutive pieces of the line.
    EXPECT_EQ(SectionStationToMileage(state, 2, state.SectionStart[2]), 1000.0);
    EXPECT_EQ(SectionStationToMileage(state, 2, state.SectionEnd[2]), 1900.0);
    EXPECT_EQ(SectionStationToMileage(state, 3, state.SectionStart[3]), 1900.0);
    EXPECT_EQ(SectionStationToMileage(state, 3, state.SectionEnd[3]), 3000.0);
}

TEST(ChainBreakSections, BreaksOutOfOrderOrBeforeTheStartAreRefused) {
    const std::vector<std::vector<Break>> bad = {
        {{1000.0, 1100.0}, {1050.0, 1200.0}}, // second break inside the first one's gap
        {{400.0, 450.0}},                     // before the start of the line at 500
        {{2000.0, 2100.0}, {1500.0, 1600.0}}, // listed in the wrong order
    };
    for (const auto& breaks : bad) {
        try {
            MakeLine(500.0, 3000.0, breaks);
            ADD_FAILURE() << "no exception for break " << breaks.back().Back;
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.Code(), ErrorCode::Format);
        }
    }
    // A break at the very end of the line, or two breaks at one place, is accepted.
    const SharedState atEnd = MakeLine(500.0, 3000.0, {{3000.0, 3100.0}});
    EXPECT_EQ(atEnd.SectionEnd[1], 3000.0);
    EXPECT_EQ(atEnd.SectionEnd[2], 3000.0);
    EXPECT_NO_THROW(MakeLine(500.0, 3000.0, {{1000.0, 1100.0}, {1100.0, 1300.0}}));
    EXPECT_NO_THROW(MakeLine(500.0, 3000.0, {{500.0, 600.0}}));

    SharedState empty;
    EXPECT_THROW(BuildChainBreakSections(empty), RuntimeError);
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
