#include "session/commands.h"

#include "cad/drawing_document.h"
#include "cad/stake_out.h"
#include "session/session_fixture.h"
#include "support/recording_prompts.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace tesk::session {
namespace {

using testing::RecordingPrompts;

class Compute : public ::testing::Test {
protected:
    std::optional<PointResult> Run(const std::string& station, const std::string& angle,
                                   const std::string& skew) {
        return ComputePoint(line, prompts, {station, angle, skew});
    }

    LoadedLine line = testing::NorthLine();
    RecordingPrompts prompts;
};

TEST_F(Compute, PositiveSkewLandsLeftAndEmptyAngleMeansSquare) {
    const auto r = Run("250", "", "5");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->XText, "1250.0000");
    EXPECT_EQ(r->YText, "1995.0000") << "heading north, left is west";
    EXPECT_EQ(r->AzimuthText, "00°00′00″");
    EXPECT_EQ(r->X, 1250.0);
    EXPECT_EQ(r->Azimuth, 0.0);
    const auto right = Run("250", "0", "-5");
    ASSERT_TRUE(right);
    EXPECT_EQ(right->YText, "2005.0000");
    EXPECT_TRUE(prompts.Events.empty());
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
        EXPECT_EQ(prompts.Events,
                  (std::vector<std::string>{"refuse:右偏角应在0～180之间！", "focus:angle"}))
            << bad;
    }
    EXPECT_TRUE(Run("100", "179.9", "1"));
}

TEST_F(Compute, SeveralSkewDistancesAreForStakeOutOnly) {
    EXPECT_FALSE(Run("100", "90", " 1   2 "));
    EXPECT_EQ(prompts.Events, (std::vector<std::string>{
                                  "refuse:斜距1   2存在空格，不能计算，可以放样！", "focus:skew"}))
        << "the trimmed text as typed";
    EXPECT_TRUE(Run("100", "90", "  3  "));
}

TEST_F(Compute, StationsAtTheEndsPassAndBeyondAreRefused) {
    EXPECT_TRUE(Run("0", "", ""));
    EXPECT_TRUE(Run("1000", "", ""));
    EXPECT_FALSE(Run(" 1000.001 ", "", ""));
    EXPECT_EQ(prompts.Events,
              (std::vector<std::string>{"refuse:桩号1000.001超出平面数据文件，请修改！",
                                        "focus:station"}));
    EXPECT_EQ(prompts.Activations, 0);
}

TEST_F(Compute, RefusalsComeInTheirOrder) {
    struct Row {
        std::vector<stationing::ChainBreak> Breaks;
        PointFields Fields;
        std::vector<std::string> Events;
        const char* Why;
    };
    const std::vector<stationing::ChainBreak> gap = {{400.0, 500.0}};
    const Row rows[] = {
        {{},
         {"B100", "190", "1 2"},
         {"refuse:桩号B100有误，不存在断链，请修改！", "focus:station"},
         "a mark without chain breaks before the angle and the blanks"},
        {{},
         {"1+200", "190", "1 2"},
         {"refuse:桩号1+200有误，应为以米计的数，如1234.567或B1234.567，请修改！", "focus:station"},
         "a station that is no number of metres before the angle"},
        {{},
         {"5000", "190", "1 2"},
         {"refuse:右偏角应在0～180之间！", "focus:angle"},
         "the angle before the blanks and the range"},
        {gap,
         {"450", "90", "1 2"},
         {"refuse:斜距1 2存在空格，不能计算，可以放样！", "focus:skew"},
         "the blanks before the chain-break gap"},
        {gap,
         {"450", "90", "1"},
         {"activate:", "refuse:桩号450不应存在400和500之间，请修改！"},
         "a station in the gap: main window first, no focus"},
        {gap,
         {"C100", "90", "1"},
         {"refuse:桩号C100断链标识有误，请修改！", "focus:station"},
         "a mark beyond the last section"},
        {gap,
         {"B1150", "90", "1"},
         {"refuse:桩号B1150超出平面数据文件，请修改！", "focus:station"},
         "a marked station beyond the line"},
    };
    for (const Row& row : rows) {
        RecordingPrompts p;
        EXPECT_FALSE(ComputePoint(testing::NorthLine(row.Breaks), p, row.Fields)) << row.Why;
        EXPECT_EQ(p.Events, row.Events) << row.Why;
    }
}

TEST_F(Compute, ChainBreaksPlaceTheStation) {
    const LoadedLine gap = testing::NorthLineWithGap();
    for (const char* station : {"600", "B600"}) {
        RecordingPrompts p;
        const auto r = ComputePoint(gap, p, {station, "", ""});
        ASSERT_TRUE(r) << station;
        EXPECT_EQ(r->XText, "1500.0000") << "B600 lies 100 m after the break at mileage 400";
        EXPECT_TRUE(p.Events.empty());
    }
}

TEST(OffsetPoint, ThetaNinetyIsSquareToTheTangent) {
    const geometry::StationPoint p{0.0, 0.0, std::numbers::pi / 2.0}; // heading east
    const auto pile = piles::OffsetPoint(p, 90.0, 3.0);
    EXPECT_NEAR(pile.X, 3.0, 1e-12) << "left of east is north";
    EXPECT_NEAR(pile.Y, 0.0, 1e-12);
}

// ---- Stake-out of one station ------------------------------------------------------------------

/// The drawn points as survey points (X north, Y east).
std::vector<geometry::PlanePoint> PointsOf(const cad::DrawingDocument& drawing) {
    std::vector<geometry::PlanePoint> points;
    for (const cad::DrawnEntity& e : drawing.Entities()) {
        if (const auto* p = std::get_if<cad::DrawnPoint>(&e.Shape)) {
            points.push_back({p->Position.Y, p->Position.X});
        }
    }
    return points;
}

int PolylinesOf(const cad::DrawingDocument& drawing) {
    int count = 0;
    for (const cad::DrawnEntity& e : drawing.Entities()) {
        count += std::holds_alternative<cad::DrawnPolyline>(e.Shape) ? 1 : 0;
    }
    return count;
}

class StakeOut : public ::testing::Test {
protected:
    bool Run(const PointFields& fields, bool join = false) {
        return StakeOutStation(line, prompts, &drawing, fields, join);
    }

    LoadedLine line = testing::NorthLine();
    RecordingPrompts prompts;
    cad::DrawingDocument drawing;
};

TEST_F(StakeOut, EverySkewDistanceIsAPoint) {
    ASSERT_TRUE(Run({"250", "", " -5  0 5 "}, true));
    const auto points = PointsOf(drawing);
    ASSERT_EQ(points.size(), 3u);
    const double y[] = {2005.0, 2000.0, 1995.0};
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(points[k].X, 1250.0, 1e-9) << k;
        EXPECT_NEAR(points[k].Y, y[k], 1e-9) << k;
    }
    EXPECT_EQ(PolylinesOf(drawing), 1);
    EXPECT_TRUE(prompts.Events.empty());

    ASSERT_TRUE(Run({"100", "", ""}));
    EXPECT_EQ(PointsOf(drawing).size(), 4u) << "an empty field is one distance 0";
    EXPECT_EQ(PolylinesOf(drawing), 1) << "no polyline unless asked";
}

TEST_F(StakeOut, RefusalsAndFailures) {
    struct Row {
        PointFields Fields;
        std::vector<std::string> Events;
        const char* Why;
    };
    const std::string manyDistances = [] {
        std::string text;
        for (int k = 0; k <= cad::kMaxStakeOutDistances; ++k) {
            text += std::to_string(k) + " ";
        }
        return text;
    }();
    const Row rows[] = {
        {{"B100", "190", "x"},
         {"refuse:桩号B100有误，不存在断链，请修改！", "focus:station"},
         "the station's mark first"},
        {{"100", "190", "x"}, {"refuse:右偏角应在0～180之间！", "focus:angle"}, "then the angle"},
        {{"5000", "90", "1 x 2"},
         {"activate:", "error:数据文件格式有误或操作有误！"},
         "a skew distance that is no number, before the station's range"},
        {{"100", "90", manyDistances},
         {"activate:", "error:数据文件格式有误或操作有误！"},
         "more than 50 distances"},
        {{"5000", "90", "1 2"},
         {"refuse:桩号5000超出平面数据文件，请修改！", "focus:station"},
         "a station beyond the line"},
    };
    for (const Row& row : rows) {
        prompts = {};
        EXPECT_FALSE(Run(row.Fields)) << row.Why;
        EXPECT_EQ(prompts.Events, row.Events) << row.Why;
    }
    EXPECT_TRUE(drawing.Entities().empty()) << "nothing is drawn after a refusal or failure";
}

TEST_F(StakeOut, NoDrawingIsAFailureAfterTheChecks) {
    EXPECT_FALSE(StakeOutStation(line, prompts, nullptr, {"100", "", "1"}, false));
    EXPECT_EQ(prompts.Events,
              (std::vector<std::string>{"activate:", "error:数据文件格式有误或操作有误！"}));
    prompts = {};
    EXPECT_FALSE(StakeOutStation(line, prompts, nullptr, {"100", "200", "1"}, false));
    EXPECT_EQ(prompts.Refusals, std::vector<std::string>{"右偏角应在0～180之间！"})
        << "a refusal still comes first";
}

} // namespace
} // namespace tesk::session
