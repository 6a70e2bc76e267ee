#include "state/alignment_tables.h"
#include "alignment/element/element_alignment.h"
#include "geometry/clothoid.h"
#include "element_test_support.h"
#include "geometry/error.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace tesk::element {
using geometry::DmsToDegrees;
namespace {

using geometry::ErrorCode;
using state::SharedState;
using testing::CodeOf;
using testing::Degrees;
using testing::Row;

constexpr double kInf = kInfiniteRadius;
constexpr double kPi = std::numbers::pi;

void ExpectRows(const SharedState& s, const std::vector<Row>& expected) {
    ASSERT_EQ(s.ElemRowCount, static_cast<int>(expected.size()));
    ASSERT_EQ(s.ElemCount, s.ElemRowCount);
    for (int i = 1; i <= s.ElemCount; ++i) {
        const Row& r = expected[static_cast<std::size_t>(i - 1)];
        EXPECT_EQ(s.ElemRowA[i], r.StartRadius) << "row " << i;
        EXPECT_EQ(s.ElemRowB[i], r.EndRadius) << "row " << i;
        EXPECT_DOUBLE_EQ(s.ElemRowC[i], r.Length) << "row " << i;
        EXPECT_EQ(s.ElemStartRadius[i], s.ElemRowA[i]);
        EXPECT_EQ(s.ElemEndRadius[i], s.ElemRowB[i]);
        EXPECT_EQ(s.ElemLength[i], s.ElemRowC[i]);
    }
}

TEST(SplitReversingSpirals, SplitsWhereTheCurvaturePassesZero) {
    SharedState s;
    testing::FillRaw(s, 0, 0, 0, 0, {{500, -800, 130}});
    SplitReversingSpirals(s);
    ExpectRows(s, {{500, kInf, 80}, {kInf, -800, 50}});

    testing::FillRaw(s, 0, 0, 0, 0, {{-300, 600, 90}});
    SplitReversingSpirals(s);
    ExpectRows(s, {{-300, kInf, 60}, {kInf, 600, 30}});
}

TEST(SplitReversingSpirals, TwoSplitsInOneFileShiftTheLaterRows) {
    SharedState s;
    testing::FillRaw(
        s, 0, 0, 0, 0,
        {{kInf, kInf, 10}, {500, -800, 130}, {-800, -800, 20}, {-300, 600, 90}, {kInf, kInf, 40}});
    SplitReversingSpirals(s);
    ExpectRows(s, {{kInf, kInf, 10},
                   {500, kInf, 80},
                   {kInf, -800, 50},
                   {-800, -800, 20},
                   {-300, kInf, 60},
                   {kInf, 600, 30},
                   {kInf, kInf, 40}});
}

TEST(SplitReversingSpirals, LeavesEveryOtherKindAlone) {
    SharedState s;
    const std::vector<Row> rows = {{kInf, kInf, 10}, {kInf, 300, 40}, {300, 300, 50},
                                   {300, 600, 20},   {600, kInf, 30}, {-10000, 10000, 5}};
    testing::FillRaw(s, 0, 0, 0, 0, rows);
    SplitReversingSpirals(s);
    // -10000 is a real radius and 10000 the code for infinity: the last row is an exit spiral.
    ExpectRows(s, rows);
}

TEST(SplitReversingSpirals, RefusesMoreThanAThousandElementsWithoutChangingAnything) {
    SharedState s;
    std::vector<Row> rows(999, Row{kInf, kInf, 1});
    rows[10] = {500, -800, 130};
    rows[20] = {-500, 800, 130};
    testing::FillRaw(s, 0, 0, 0, 0, rows);
    EXPECT_EQ(CodeOf([&] { SplitReversingSpirals(s); }), ErrorCode::Format);
    EXPECT_EQ(s.ElemRowCount, 999);
    EXPECT_EQ(s.ElemRowA[11], 500);
    EXPECT_EQ(s.ElemRowB[12], kInf);

    rows.pop_back(); // 998 + 2 = 1000 elements fit
    testing::FillRaw(s, 0, 0, 0, 0, rows);
    SplitReversingSpirals(s);
    EXPECT_EQ(s.ElemCount, 1000);

    s.ElemRowCount = 1001;
    EXPECT_EQ(CodeOf([&] { SplitReversingSpirals(s); }), ErrorCode::Format);
}

TEST(BuildElementAlignment, StraightDueEast) {
    SharedState s;
    testing::Load(s, 1234.5, 0, 0, 90.0, {{kInf, kInf, 100}});
    EXPECT_EQ(s.ElemStartAzimuth, kPi / 2) << "converted to radians in place";
    EXPECT_NEAR(s.ElemX[2], 0.0, 1e-13);
    EXPECT_EQ(s.ElemY[2], 100.0);
    EXPECT_EQ(s.ElemStation[1], 1234.5);
    EXPECT_EQ(s.ElemStation[2], 1334.5);
    EXPECT_EQ(s.ElemTurn[1], 0.0);
    EXPECT_EQ(s.ElemAzimuth[2], kPi / 2);
    EXPECT_TRUE(s.ElemStationIncreasing);
}

// The start azimuth in radians is the double nearest to degrees * pi / 180.
TEST(BuildElementAlignment, StartAzimuthIsConvertedWithOneRounding) {
    for (double deg = 0.001; deg < 360; deg += 0.7173) {
        SharedState s;
        testing::FillRaw(s, 0, 0, 0, deg, {});
        SplitReversingSpirals(s);
        BuildElementAlignment(s);
        const long double exact =
            static_cast<long double>(deg) * std::numbers::pi_v<long double> / 180.0L;
        const double halfUlp =
            0.5 * (std::nextafter(s.ElemStartAzimuth, 10.0) - s.ElemStartAzimuth);
        EXPECT_LE(std::fabs(static_cast<long double>(s.ElemStartAzimuth) - exact), halfUlp * 1.001L)
            << deg;
    }
}

TEST(BuildElementAlignment, StartAzimuthsAreNormalised) {
    SharedState s;
    testing::Load(s, 0, 0, 0, 360.0, {{kInf, kInf, 10}});
    EXPECT_EQ(s.ElemAzimuth[1], 0.0);
    testing::Load(s, 0, 0, 0, -90.0, {{kInf, kInf, 10}});
    EXPECT_NEAR(s.ElemAzimuth[1], 1.5 * kPi, 1e-15);
    testing::Load(s, 0, 0, 0, 1080.3, {{kInf, kInf, 10}}); // three turns and 0 deg 30'
    EXPECT_NEAR(s.ElemAzimuth[1], Degrees(0.5), 1e-14);
    // A left arc from north crosses below zero and comes back into [0, 2 pi).
    testing::Load(s, 0, 0, 0, 0.0, {{-100, -100, 10}});
    EXPECT_NEAR(s.ElemAzimuth[2], 2 * kPi - 0.1, 1e-15);
}

TEST(BuildElementAlignment, ArcsTurnBySignOfRadiusAndMatchTheCircle) {
    for (const double r : {250.0, -250.0}) {
        SharedState s;
        testing::Load(s, 0, 1000, 2000, 30.0, {{r, r, 100}});
        EXPECT_NEAR(s.ElemTurn[1], 100 / r, 1e-16);
        EXPECT_NEAR(s.ElemAzimuth[2], Degrees(30) + 100 / r, 1e-15);
        // The end lies on the circle through the start whose centre is |r| to the turning side.
        const double theta = Degrees(30) + (r > 0 ? kPi / 2 : -kPi / 2);
        const double cx = 1000 + std::fabs(r) * std::cos(theta);
        const double cy = 2000 + std::fabs(r) * std::sin(theta);
        EXPECT_NEAR(std::hypot(s.ElemX[2] - cx, s.ElemY[2] - cy), std::fabs(r), 1e-10);
        // and the chord is 2|r| sin(L / 2|r|).
        EXPECT_NEAR(std::hypot(s.ElemX[2] - 1000, s.ElemY[2] - 2000),
                    2 * std::fabs(r) * std::sin(100 / (2 * std::fabs(r))), 1e-10);
    }
}

TEST(BuildElementAlignment, SpiralArcSpiralTurnsByTheSumOfItsParts) {
    SharedState s;
    testing::Load(s, 0, 0, 0, 45.0, {{kInf, 400, 60}, {400, 400, 150}, {400, kInf, 80}});
    const double turn = 60 / 800.0 + 150 / 400.0 + 80 / 800.0;
    EXPECT_NEAR(s.ElemTurn[1] + s.ElemTurn[2] + s.ElemTurn[3], turn, 1e-15);
    EXPECT_NEAR(s.ElemAzimuth[4], Degrees(45) + turn, 1e-15);
    EXPECT_EQ(s.ElemStation[4], 290.0);
}

TEST(BuildElementAlignment, CompoundSpiralTurnsByMeanCurvature) {
    SharedState s;
    testing::Load(s, 0, 0, 0, 0, {{600, 300, 50}, {-300, -900, 40}});
    EXPECT_NEAR(s.ElemTurn[1], 50 * (1 / 600.0 + 1 / 300.0) / 2, 1e-16);
    EXPECT_NEAR(s.ElemTurn[2], -40 * (1 / 300.0 + 1 / 900.0) / 2, 1e-16);
}

// Every element's end computed by integrating its curvature agrees with the tables, on a line
// with every kind turning both ways, including compound spirals growing and easing.
TEST(BuildElementAlignment, EveryJointMatchesIntegrationOfTheCurvature) {
    const std::vector<Row> rows = {
        {kInf, kInf, 123.456}, {kInf, 350, 70},   {350, 350, 210.5},  {350, 900, 45},
        {900, 900, 80},        {900, kInf, 60},   {kInf, kInf, 33.3}, {kInf, -250, 90},
        {-250, -600, 55},      {-600, -180, 75},  {-180, -180, 300},  {-180, kInf, 100},
        {kInf, 1500, 120},     {1500, kInf, 120}, {kInf, kInf, 50},
    };
    const double x0 = 3456789.123;
    const double y0 = 512345.678;
    SharedState s;
    testing::Load(s, 12345.678, x0, y0, 281.2345, rows);
    const testing::ReferenceLine ref(12345.678, x0, y0, Degrees(DmsToDegrees(281.2345)), rows);
    ASSERT_EQ(s.ElemCount, static_cast<int>(rows.size()));
    for (int i = 1; i <= s.ElemCount + 1; ++i) {
        const auto& p = ref.Start(static_cast<std::size_t>(i - 1));
        EXPECT_NEAR(s.ElemX[i], static_cast<double>(p.X), 1e-9) << "start of element " << i;
        EXPECT_NEAR(s.ElemY[i], static_cast<double>(p.Y), 1e-9) << "start of element " << i;
        EXPECT_NEAR(testing::AngleGap(s.ElemAzimuth[i], p.Azimuth), 0.0, 1e-13) << i;
        EXPECT_GE(s.ElemAzimuth[i], 0.0);
        EXPECT_LT(s.ElemAzimuth[i], 2 * kPi);
        EXPECT_NEAR(s.ElemStation[i], static_cast<double>(ref.Station(i - 1)), 1e-10);
        if (i <= s.ElemCount) {
            EXPECT_NEAR(s.ElemX[i] + s.ElemDeltaX[i], s.ElemX[i + 1], 1e-9);
            EXPECT_NEAR(s.ElemY[i] + s.ElemDeltaY[i], s.ElemY[i + 1], 1e-9);
        }
    }
}

// A reversing spiral is one curve whose curvature runs linearly through zero: the two halves of
// the split lie exactly on it.
TEST(BuildElementAlignment, SplitReversingSpiralLiesOnTheUnsplitCurve) {
    const std::vector<Row> rows = {{kInf, kInf, 20}, {500, -800, 130}, {-800, -800, 40}};
    SharedState s;
    testing::Load(s, 100, 5000, 7000, 12.3456, rows);
    ASSERT_EQ(s.ElemCount, 4);
    const testing::ReferenceLine ref(100, 5000, 7000, Degrees(DmsToDegrees(12.3456)), rows);
    for (int i = 1; i <= 5; ++i) {
        const auto p = ref.At(s.ElemStation[i]);
        EXPECT_NEAR(s.ElemX[i], static_cast<double>(p.X), 1e-9) << i;
        EXPECT_NEAR(s.ElemY[i], static_cast<double>(p.Y), 1e-9) << i;
    }
}

TEST(BuildElementAlignment, ZeroLengthElementsChangeNothing) {
    SharedState s;
    testing::Load(
        s, 0, 10, 20, 30.0,
        {{kInf, kInf, 50}, {kInf, 300, 0}, {300, 500, 0}, {500, kInf, 0}, {kInf, kInf, 50}});
    EXPECT_EQ(s.ElemX[2], s.ElemX[5]);
    EXPECT_EQ(s.ElemY[2], s.ElemY[5]);
    EXPECT_EQ(s.ElemAzimuth[2], s.ElemAzimuth[5]);
    EXPECT_NEAR(std::hypot(s.ElemX[6] - 10, s.ElemY[6] - 20), 100, 1e-12);
    EXPECT_FALSE(s.ElemStationIncreasing) << "equal stations: the evaluator must scan";
}

TEST(BuildElementAlignment, RefusesRadiusZeroAndTooManyElementsBeforeWriting) {
    for (const Row bad :
         {Row{0, 0, 10}, Row{kInf, 0, 10}, Row{0, kInf, 10}, Row{0, 300, 10}, Row{300, 0, 10}}) {
        SharedState s;
        testing::FillRaw(s, 0, 0, 0, 45.0, {{kInf, kInf, 10}, bad});
        SplitReversingSpirals(s);
        EXPECT_EQ(CodeOf([&] { BuildElementAlignment(s); }), ErrorCode::DivisionByZero);
        EXPECT_EQ(s.ElemStartAzimuth, 45.0) << "nothing written";
    }
    SharedState s;
    s.ElemCount = 1001;
    EXPECT_EQ(CodeOf([&] { BuildElementAlignment(s); }), ErrorCode::Format);
    s.ElemCount = -1;
    EXPECT_EQ(CodeOf([&] { BuildElementAlignment(s); }), ErrorCode::Format);
}

// A negative length would run the line back over itself and its stations backwards: every
// station on it would get a point, none of them the one the designer meant.
TEST(BuildElementAlignment, RefusesANegativeLengthBeforeWriting) {
    for (const Row bad : {Row{kInf, kInf, -4}, Row{300, 300, -4}, Row{kInf, 300, -4},
                          Row{300, kInf, -4}, Row{300, 600, -4}, Row{300, -600, -4}}) {
        SharedState s;
        testing::FillRaw(s, 0, 0, 0, 45.0, {{kInf, kInf, 10}, bad, {kInf, kInf, 10}});
        SplitReversingSpirals(s);
        EXPECT_EQ(CodeOf([&] { BuildElementAlignment(s); }), ErrorCode::Format)
            << bad.StartRadius << " " << bad.EndRadius;
        EXPECT_EQ(s.ElemStartAzimuth, 45.0) << "nothing written";
    }
}

TEST(BuildElementAlignment, RefusesValuesThatAreNotFinite) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    SharedState s;
    testing::FillRaw(s, 0, 0, 0, 0, {{kInf, nan, 10}});
    SplitReversingSpirals(s);
    EXPECT_EQ(CodeOf([&] { BuildElementAlignment(s); }), ErrorCode::NonFinite);
    testing::FillRaw(s, 0, nan, 0, 0, {{kInf, kInf, 10}});
    SplitReversingSpirals(s);
    EXPECT_EQ(CodeOf([&] { BuildElementAlignment(s); }), ErrorCode::NonFinite);
    // Lengths that overflow the station sum.
    testing::FillRaw(s, 0, 0, 0, 0, {{kInf, kInf, 1e308}, {kInf, kInf, 1e308}});
    SplitReversingSpirals(s);
    EXPECT_EQ(CodeOf([&] { BuildElementAlignment(s); }), ErrorCode::NonFinite);
}

TEST(BuildElementAlignment, AThousandElementsKeepTheirDigits) {
    // 250 identical S-bends (entry, arc, exit turning right, then back left) return to the start
    // azimuth; the sums over a thousand elements stay exact to well below a micrometre.
    std::vector<Row> rows;
    for (int k = 0; k < 250; ++k) {
        rows.push_back({kInf, 300, 40});
        rows.push_back({300, kInf, 40});
        rows.push_back({kInf, -300, 40});
        rows.push_back({-300, kInf, 40});
    }
    SharedState s;
    testing::Load(s, 0, 3000000, 500000, 0, rows);
    ASSERT_EQ(s.ElemCount, 1000);
    EXPECT_NEAR(testing::AngleGap(s.ElemAzimuth[1001], 0.0), 0.0, 1e-13);
    EXPECT_EQ(s.ElemStation[1001], 40000.0);
    // Each bend is symmetric about its middle, so all 250 advance by the same vector.
    const double bendX = s.ElemDeltaX[1] + s.ElemDeltaX[2] + s.ElemDeltaX[3] + s.ElemDeltaX[4];
    const double bendY = s.ElemDeltaY[1] + s.ElemDeltaY[2] + s.ElemDeltaY[3] + s.ElemDeltaY[4];
    EXPECT_NEAR(s.ElemX[1001], 3000000 + 250 * bendX, 1e-8);
    EXPECT_NEAR(s.ElemY[1001], 500000 + 250 * bendY, 1e-8);
}

} // namespace
} // namespace tesk::element
