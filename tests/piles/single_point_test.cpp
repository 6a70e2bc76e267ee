#include "piles/single_point.h"

#include "piles/piles_fixture.h"
#include "support/recording_prompts.h"

#include <gtest/gtest.h>

namespace tesk::piles {
namespace {

using state::AlignmentMethod;
using testing::RecordingPrompts;

class Compute : public ::testing::Test {
protected:
    std::optional<PointResult> Run(const std::string& station, const std::string& angle,
                                   const std::string& skew,
                                   AlignmentMethod method = AlignmentMethod::IntersectionPoint) {
        return Command7(*s, prompts, method, {station, angle, skew});
    }

    std::unique_ptr<state::SharedState> s = testing::NorthLine();
    RecordingPrompts prompts;
};

TEST_F(Compute, PositiveSkewLandsLeftAndEmptyAngleMeansSquare) {
    const auto r = Run("250", "", "5");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Text4, "1250.0000");
    EXPECT_EQ(r->Text5, "1995.0000") << "heading north, left is west";
    EXPECT_EQ(r->Text6, "00°00′00″");
    const auto right = Run("250", "0", "-5");
    ASSERT_TRUE(right);
    EXPECT_EQ(right->Text5, "2005.0000");
    EXPECT_TRUE(prompts.Refusals.empty());
}

TEST_F(Compute, SkewedAngleTurnsTheOffsetClockwiseFromTheTangent) {
    // theta = 60: the pile direction is az + 60 - 180 = 240 degrees from north.
    const auto r = Run("100", "60", "10");
    ASSERT_TRUE(r);
    EXPECT_NEAR(r->X, 1100.0 - 5.0, 1e-9);
    EXPECT_NEAR(r->Y, 2000.0 - 10.0 * std::sqrt(3.0) / 2.0, 1e-9);
}

TEST_F(Compute, AngleOutsideZeroTo180IsRefusedWithFocusOnTheAngle) {
    for (const char* bad : {"180", "-1", "200"}) {
        prompts = {};
        EXPECT_FALSE(Run("100", bad, "1")) << bad;
        ASSERT_EQ(prompts.Refusals.size(), 1u);
        EXPECT_EQ(prompts.Refusals[0], "右偏角应在0～180之间！");
        EXPECT_EQ(prompts.Focused, std::vector<std::string>{"Text2"});
    }
    EXPECT_TRUE(Run("100", "179.9", "1"));
}

TEST_F(Compute, SeveralSkewDistancesAreForStakeOutOnly) {
    EXPECT_FALSE(Run("100", "90", " 1   2 "));
    ASSERT_EQ(prompts.Refusals.size(), 1u);
    EXPECT_EQ(prompts.Refusals[0], "斜距1   2存在空格，不能计算，可以放样！")
        << "the trimmed text as typed";
    EXPECT_EQ(prompts.Focused, std::vector<std::string>{"Text3"});
    EXPECT_TRUE(Run("100", "90", "  3  "));
}

TEST_F(Compute, StationsAtTheEndsPassAndBeyondAreRefused) {
    EXPECT_TRUE(Run("0", "", ""));
    EXPECT_TRUE(Run("1000", "", ""));
    EXPECT_FALSE(Run(" 1000.001 ", "", ""));
    ASSERT_EQ(prompts.Refusals.size(), 1u);
    EXPECT_EQ(prompts.Refusals[0], "桩号1000.001超出平面数据文件，请修改！");
    EXPECT_EQ(prompts.Focused, std::vector<std::string>{"Text1"});
}

TEST_F(Compute, RefusalsComeInTheirOrder) {
    // A mark without chain breaks is refused before the bad angle and the blanks are looked at.
    EXPECT_FALSE(Run("B100", "190", "1 2"));
    ASSERT_EQ(prompts.Refusals.size(), 1u);
    EXPECT_EQ(prompts.Refusals[0], "桩号B100有误，不存在断链，请修改！");
    EXPECT_EQ(prompts.Focused, std::vector<std::string>{"Text1"});
    prompts = {};
    EXPECT_FALSE(Run("5000", "190", "1 2"));
    ASSERT_EQ(prompts.Refusals.size(), 1u);
    EXPECT_EQ(prompts.Refusals[0], "右偏角应在0～180之间！");
}

TEST(ComputeOffset, ThetaNinetyIsSquareToTheTangent) {
    const geometry::StationPoint p{0.0, 0.0, std::numbers::pi / 2.0}; // heading east
    const auto pile = OffsetPoint(p, 90.0, 3.0);
    EXPECT_NEAR(pile.X, 3.0, 1e-12) << "left of east is north";
    EXPECT_NEAR(pile.Y, 0.0, 1e-12);
}

} // namespace
} // namespace tesk::piles
