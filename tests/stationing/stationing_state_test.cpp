// The routines over the shared state kept for the callers not yet moved to Stationing: they read
// the state's chain-break tables, fill them, and show the refusals through Prompts.

#include "stationing/stationing.h"

#include "geometry/error.h"
#include "support/recording_prompts.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace tesk::stationing {
namespace {

using geometry::RuntimeError;
using state::SharedState;
using testing::RecordingPrompts;

/// A JD line from `start` to `end` (continuous mileage, m) with the given chain breaks, its
/// chain-break tables completed as Initialize does.
SharedState MakeLine(double start, double end, const std::vector<ChainBreak>& breaks) {
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

TEST(StationingOfState, RefusalsAreShownThroughThePrompts) {
    SharedState state = MakeLine(0.0, 3000.0, {{1000.0, 1100.0}, {2000.0, 1900.0}});
    // Rows past the sentinel hold leftovers of an earlier, longer break table.
    for (int k = 4; k <= 20; ++k) {
        state.BreakBack[k] = -7.0 * k;
        state.BreakAhead[k] = 3.0 * k;
    }
    RecordingPrompts prompts;

    const LegacyMarkedStation gap = zh_dlstr(state, prompts, "1050");
    EXPECT_FALSE(gap.StationAccepted);
    EXPECT_TRUE(gap.zhdlstr.empty());
    const LegacyMarkedStation placed = zh_dlstr(state, prompts, " 1200 ");
    EXPECT_TRUE(placed.StationAccepted);
    EXPECT_EQ(placed.zhdlstr, "B1200");

    EXPECT_TRUE(CheckBreakMark(state, prompts, "C2500"));
    EXPECT_TRUE(CheckBreakMark(state, prompts, "C200000")) << "the last section is open";
    EXPECT_FALSE(CheckBreakMark(state, prompts, "D100"));
    EXPECT_EQ(prompts.Events, (std::vector<std::string>{
                                  "activate:",
                                  "refuse:桩号1050不应存在1000和1100之间，请修改！",
                                  "refuse:桩号D100断链标识有误，请修改！",
                              }));

    EXPECT_EQ(StationTextToMileage(state, "B1200"), 1100.0);
    EXPECT_EQ(SectionStationToMileage(state, 2, 2000.0), 1900.0);
    EXPECT_EQ(MileageToStation(state, 1900.25), 1900.25);
    EXPECT_EQ(MileageToLabel(state, 1900.0), "BK2+000.000");
    EXPECT_THROW(StationTextToMileage(state, "D100"), RuntimeError);
}

TEST(StationingOfState, WithoutBreaksNoLineIsNeeded) {
    SharedState state; // the element method: no JD line, BreakCount 0
    RecordingPrompts prompts;
    EXPECT_EQ(MileageToLabel(state, 1234.5), "K1+234.500");
    EXPECT_EQ(zh_dlstr(state, prompts, "1234.5").zhdlstr, "1234.5");
    EXPECT_FALSE(CheckBreakMark(state, prompts, "B1234"));
    EXPECT_EQ(prompts.Events,
              (std::vector<std::string>{"refuse:桩号B1234有误，不存在断链，请修改！"}));
}

TEST(StationingOfState, ACorruptBreakCountIsARunTimeErrorNotACrash) {
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
    EXPECT_TRUE(prompts.Events.empty());
}

TEST(StationingOfState, BuildChainBreakSectionsFillsTheTablesAndTheirSentinels) {
    SharedState state;
    state.StartStation = 500.0;
    state.JdCount = 3;
    state.JdStation[1] = 500.0;
    state.JdStation[3] = 3000.0;
    state.BreakBack[1] = -1.0; // the "no chain breaks" row, already counted out by the reader
    state.BreakAhead[1] = 0.0;
    BuildChainBreakSections(state);
    EXPECT_EQ(std::make_pair(state.SectionStart[1], state.SectionEnd[1]),
              std::make_pair(500.0, 3000.0));
    EXPECT_EQ(std::make_pair(state.BreakBack[0], state.BreakAhead[0]), std::make_pair(0.0, 0.0));
    EXPECT_EQ(std::make_pair(state.BreakBack[1], state.BreakAhead[1]),
              std::make_pair(3000.0 + 1e9, 3000.0 + 1e9));

    const SharedState two = MakeLine(500.0, 3000.0, {{1000.0, 1100.0}, {2000.0, 1900.0}});
    const double expected[][2] = {{500.0, 1000.0}, {1100.0, 2000.0}, {1900.0, 3000.0}};
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(two.SectionStart[k], expected[k - 1][0]) << k;
        EXPECT_EQ(two.SectionEnd[k], expected[k - 1][1]) << k;
    }
    EXPECT_EQ(two.BreakBack[3], 3000.0 + 1e9);

    // A refused break table leaves the tables as they were.
    SharedState bad = two;
    bad.BreakBack[2] = 1050.0; // inside the first break's gap
    EXPECT_THROW(BuildChainBreakSections(bad), RuntimeError);
    EXPECT_EQ(bad.SectionStart[3], 1900.0);
    SharedState empty;
    EXPECT_THROW(BuildChainBreakSections(empty), RuntimeError) << "no JD line";
}

} // namespace
} // namespace tesk::stationing
