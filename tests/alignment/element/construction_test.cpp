// Building an element line: splitting reversing spirals, the start azimuth, every joint against
// integration of the curvature, and the rows the builder refuses.

#include "alignment/alignment_test_support.h"
#include "alignment/element/element_alignment.h"
#include "element_test_support.h"
#include "geometry/error.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>

namespace tesk::element {
using geometry::DmsToDegrees;
namespace {

using geometry::ErrorCode;
using testing::CodeOf;
using testing::Degrees;
using testing::JointOf;
using testing::Load;
using testing::Row;

constexpr double kInf = kInfiniteRadius;
constexpr double kPi = std::numbers::pi;

void ExpectRows(const std::vector<ElementRow>& got, const std::vector<Row>& expected) {
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        const Row& r = expected[i];
        EXPECT_EQ(got[i].StartRadius, r.StartRadius) << "row " << i;
        EXPECT_EQ(got[i].EndRadius, r.EndRadius) << "row " << i;
        EXPECT_DOUBLE_EQ(got[i].Length, r.Length) << "row " << i;
    }
}

std::vector<ElementRow> Split(const std::vector<Row>& rows) {
    return SplitReversingSpirals(testing::RowsOf(rows));
}

TEST(SplitReversingSpirals, SplitsWhereTheCurvaturePassesZero) {
    ExpectRows(Split({{500, -800, 130}}), {{500, kInf, 80}, {kInf, -800, 50}});
    ExpectRows(Split({{-300, 600, 90}}), {{-300, kInf, 60}, {kInf, 600, 30}});
}

TEST(SplitReversingSpirals, TwoSplitsInOneFileShiftTheLaterRows) {
    const std::vector<Row> rows = {
        {kInf, kInf, 10}, {500, -800, 130}, {-800, -800, 20}, {-300, 600, 90}, {kInf, kInf, 40}};
    const std::vector<Row> split = {{kInf, kInf, 10}, {500, kInf, 80},  {kInf, -800, 50},
                                    {-800, -800, 20}, {-300, kInf, 60}, {kInf, 600, 30},
                                    {kInf, kInf, 40}};
    ExpectRows(Split(rows), split);
    // The built line holds the split elements.
    const ElementAlignment line = Load(0, 0, 0, 0, rows);
    ASSERT_EQ(line.Elements().size(), split.size());
    for (std::size_t i = 0; i < split.size(); ++i) {
        EXPECT_EQ(line.Elements()[i].StartRadius, split[i].StartRadius) << i;
        EXPECT_EQ(line.Elements()[i].EndRadius, split[i].EndRadius) << i;
    }
    EXPECT_EQ(line.Elements()[2].Kind, ElementKind::EntrySpiral);
    EXPECT_EQ(line.Elements()[1].Kind, ElementKind::ExitSpiral);
}

TEST(SplitReversingSpirals, LeavesEveryOtherKindAlone) {
    const std::vector<Row> rows = {{kInf, kInf, 10}, {kInf, 300, 40}, {300, 300, 50},
                                   {300, 600, 20},   {600, kInf, 30}, {-10000, 10000, 5}};
    // -10000 is a real radius and 10000 the code for infinity: the last row is an exit spiral.
    ExpectRows(Split(rows), rows);
}

TEST(SplitReversingSpirals, RefusesMoreThanAThousandElements) {
    std::vector<Row> rows(999, Row{kInf, kInf, 1});
    rows[10] = {500, -800, 130};
    rows[20] = {-500, 800, 130};
    EXPECT_EQ(CodeOf([&] { (void)Split(rows); }), ErrorCode::Format);
    EXPECT_EQ(CodeOf([&] { (void)Load(0, 0, 0, 0, rows); }), ErrorCode::Format);

    rows.pop_back(); // 998 + 2 = 1000 elements fit
    EXPECT_EQ(Split(rows).size(), 1000u);
    EXPECT_EQ(Load(0, 0, 0, 0, rows).Elements().size(), 1000u);

    const std::vector<Row> tooMany(1001, Row{kInf, kInf, 1});
    EXPECT_EQ(CodeOf([&] { (void)Split(tooMany); }), ErrorCode::Format);
    EXPECT_EQ(CodeOf([&] { (void)Load(0, 0, 0, 0, tooMany); }), ErrorCode::Format);
}

TEST(ElementAlignment, StraightDueEast) {
    const ElementAlignment line = Load(1234.5, 0, 0, 90.0, {{kInf, kInf, 100}});
    EXPECT_EQ(line.StartAzimuth(), kPi / 2) << "converted to radians";
    EXPECT_NEAR(line.End().X, 0.0, 1e-13);
    EXPECT_EQ(line.End().Y, 100.0);
    EXPECT_EQ(line.Elements()[0].StartMileage, 1234.5);
    EXPECT_EQ(line.EndMileage(), 1334.5);
    EXPECT_EQ(line.Elements()[0].Turn, 0.0);
    EXPECT_EQ(line.EndAzimuth(), kPi / 2);
    EXPECT_EQ(line.Line().Start(), 1234.5);
    EXPECT_EQ(line.Line().End(), 1334.5);
}

// The start azimuth in radians is the double nearest to degrees * pi / 180.
TEST(ElementAlignment, StartAzimuthIsConvertedWithOneRounding) {
    for (double deg = 0.001; deg < 360; deg += 0.7173) {
        const ElementAlignment line(ElementInput{0, 0, 0, deg, {}});
        const long double exact =
            static_cast<long double>(deg) * std::numbers::pi_v<long double> / 180.0L;
        const double got = line.StartAzimuth();
        const double halfUlp = 0.5 * (std::nextafter(got, 10.0) - got);
        EXPECT_LE(std::fabs(static_cast<long double>(got) - exact), halfUlp * 1.001L) << deg;
    }
}

TEST(ElementAlignment, StartAzimuthsAreNormalised) {
    EXPECT_EQ(Load(0, 0, 0, 360.0, {{kInf, kInf, 10}}).Elements()[0].StartAzimuth, 0.0);
    EXPECT_NEAR(Load(0, 0, 0, -90.0, {{kInf, kInf, 10}}).Elements()[0].StartAzimuth, 1.5 * kPi,
                1e-15);
    // Three turns and 0 deg 30'.
    EXPECT_NEAR(Load(0, 0, 0, 1080.3, {{kInf, kInf, 10}}).Elements()[0].StartAzimuth, Degrees(0.5),
                1e-14);
    // A left arc from north crosses below zero and comes back into [0, 2 pi).
    EXPECT_NEAR(Load(0, 0, 0, 0.0, {{-100, -100, 10}}).EndAzimuth(), 2 * kPi - 0.1, 1e-15);
}

TEST(ElementAlignment, ArcsTurnBySignOfRadiusAndMatchTheCircle) {
    for (const double r : {250.0, -250.0}) {
        const ElementAlignment line = Load(0, 1000, 2000, 30.0, {{r, r, 100}});
        EXPECT_NEAR(line.Elements()[0].Turn, 100 / r, 1e-16);
        EXPECT_NEAR(line.EndAzimuth(), Degrees(30) + 100 / r, 1e-15);
        // The end lies on the circle through the start whose centre is |r| to the turning side.
        const double theta = Degrees(30) + (r > 0 ? kPi / 2 : -kPi / 2);
        const double cx = 1000 + std::fabs(r) * std::cos(theta);
        const double cy = 2000 + std::fabs(r) * std::sin(theta);
        EXPECT_NEAR(std::hypot(line.End().X - cx, line.End().Y - cy), std::fabs(r), 1e-10);
        // and the chord is 2|r| sin(L / 2|r|).
        EXPECT_NEAR(std::hypot(line.End().X - 1000, line.End().Y - 2000),
                    2 * std::fabs(r) * std::sin(100 / (2 * std::fabs(r))), 1e-10);
    }
}

TEST(ElementAlignment, SpiralArcSpiralTurnsByTheSumOfItsParts) {
    const ElementAlignment line =
        Load(0, 0, 0, 45.0, {{kInf, 400, 60}, {400, 400, 150}, {400, kInf, 80}});
    const double turn = 60 / 800.0 + 150 / 400.0 + 80 / 800.0;
    const std::vector<Element>& e = line.Elements();
    EXPECT_NEAR(e[0].Turn + e[1].Turn + e[2].Turn, turn, 1e-15);
    EXPECT_NEAR(line.EndAzimuth(), Degrees(45) + turn, 1e-15);
    EXPECT_EQ(line.EndMileage(), 290.0);
}

TEST(ElementAlignment, CompoundSpiralTurnsByMeanCurvature) {
    const ElementAlignment line = Load(0, 0, 0, 0, {{600, 300, 50}, {-300, -900, 40}});
    EXPECT_NEAR(line.Elements()[0].Turn, 50 * (1 / 600.0 + 1 / 300.0) / 2, 1e-16);
    EXPECT_NEAR(line.Elements()[1].Turn, -40 * (1 / 300.0 + 1 / 900.0) / 2, 1e-16);
    EXPECT_NEAR(ElementTurn(600, 300, 50), 50 * (1 / 600.0 + 1 / 300.0) / 2, 1e-16);
    EXPECT_EQ(CodeOf([] { (void)ElementTurn(0, 300, 50); }), ErrorCode::DivisionByZero);
}

// Every element's end computed by integrating its curvature agrees with the built line, on a
// line with every kind turning both ways, including compound spirals growing and easing.
TEST(ElementAlignment, EveryJointMatchesIntegrationOfTheCurvature) {
    const std::vector<Row> rows = {
        {kInf, kInf, 123.456}, {kInf, 350, 70},   {350, 350, 210.5},  {350, 900, 45},
        {900, 900, 80},        {900, kInf, 60},   {kInf, kInf, 33.3}, {kInf, -250, 90},
        {-250, -600, 55},      {-600, -180, 75},  {-180, -180, 300},  {-180, kInf, 100},
        {kInf, 1500, 120},     {1500, kInf, 120}, {kInf, kInf, 50},
    };
    const double x0 = 3456789.123;
    const double y0 = 512345.678;
    const ElementAlignment line = Load(12345.678, x0, y0, 281.2345, rows);
    const testing::ReferenceLine ref(12345.678, x0, y0, Degrees(DmsToDegrees(281.2345)), rows);
    const std::vector<Element>& e = line.Elements();
    ASSERT_EQ(e.size(), rows.size());
    for (std::size_t i = 0; i <= e.size(); ++i) {
        const testing::Joint joint = JointOf(line, i);
        const auto& p = ref.Start(i);
        EXPECT_NEAR(joint.Point.X, static_cast<double>(p.X), 1e-9) << "start of element " << i;
        EXPECT_NEAR(joint.Point.Y, static_cast<double>(p.Y), 1e-9) << "start of element " << i;
        EXPECT_NEAR(testing::AngleGap(joint.Azimuth, p.Azimuth), 0.0, 1e-13) << i;
        EXPECT_GE(joint.Azimuth, 0.0);
        EXPECT_LT(joint.Azimuth, 2 * kPi);
        EXPECT_NEAR(joint.Mileage, static_cast<double>(ref.Station(i)), 1e-10);
        if (i < e.size()) {
            EXPECT_NEAR(e[i].Start.X + e[i].Increment.X, JointOf(line, i + 1).Point.X, 1e-9);
            EXPECT_NEAR(e[i].Start.Y + e[i].Increment.Y, JointOf(line, i + 1).Point.Y, 1e-9);
        }
    }
    alignment::testing::ExpectSegmentsChainTheLine(line.Line(), true);
}

// A reversing spiral is one curve whose curvature runs linearly through zero: the two halves of
// the split lie exactly on it.
TEST(ElementAlignment, SplitReversingSpiralLiesOnTheUnsplitCurve) {
    const std::vector<Row> rows = {{kInf, kInf, 20}, {500, -800, 130}, {-800, -800, 40}};
    const ElementAlignment line = Load(100, 5000, 7000, 12.3456, rows);
    ASSERT_EQ(line.Elements().size(), 4u);
    const testing::ReferenceLine ref(100, 5000, 7000, Degrees(DmsToDegrees(12.3456)), rows);
    for (std::size_t i = 0; i <= 4; ++i) {
        const testing::Joint joint = JointOf(line, i);
        const auto p = ref.At(joint.Mileage);
        EXPECT_NEAR(joint.Point.X, static_cast<double>(p.X), 1e-9) << i;
        EXPECT_NEAR(joint.Point.Y, static_cast<double>(p.Y), 1e-9) << i;
    }
}

// Elements of no length neither move nor turn the line and hold no mileage: they get no segment,
// and evaluating one continues its start tangent.
TEST(ElementAlignment, ZeroLengthElementsChangeNothing) {
    const ElementAlignment line =
        Load(0, 10, 20, 30.0,
             {{kInf, kInf, 50}, {kInf, 300, 0}, {300, 500, 0}, {500, kInf, 0}, {kInf, kInf, 50}});
    for (std::size_t i = 2; i <= 4; ++i) {
        EXPECT_EQ(JointOf(line, i).Point.X, JointOf(line, 1).Point.X) << i;
        EXPECT_EQ(JointOf(line, i).Point.Y, JointOf(line, 1).Point.Y) << i;
        EXPECT_EQ(JointOf(line, i).Azimuth, JointOf(line, 1).Azimuth) << i;
    }
    EXPECT_NEAR(std::hypot(line.End().X - 10, line.End().Y - 20), 100, 1e-12);
    EXPECT_EQ(line.Line().Segments().size(), 2u);
    const geometry::StationPoint p = line.PointOnElement(2, 5.0);
    EXPECT_NEAR(p.X, line.Elements()[2].Start.X + 5 * std::cos(Degrees(30)), 1e-12);
    EXPECT_NEAR(p.Y, line.Elements()[2].Start.Y + 5 * std::sin(Degrees(30)), 1e-12);
    alignment::testing::ExpectSegmentsChainTheLine(line.Line(), true);
    alignment::testing::ExpectPointAtMatchesSegmentScan(line.Line(), 500);
}

TEST(ElementAlignment, RefusesRadiusZeroTooManyElementsAndNegativeLengths) {
    for (const Row bad :
         {Row{0, 0, 10}, Row{kInf, 0, 10}, Row{0, kInf, 10}, Row{0, 300, 10}, Row{300, 0, 10}}) {
        EXPECT_EQ(CodeOf([&] {
                      (void)Load(0, 0, 0, 45.0, {{kInf, kInf, 10}, bad});
                  }),
                  ErrorCode::DivisionByZero)
            << bad.StartRadius << " " << bad.EndRadius;
    }
    // A negative length would run the line back over itself and its stations backwards: every
    // station on it would get a point, none of them the one the designer meant.
    for (const Row bad : {Row{kInf, kInf, -4}, Row{300, 300, -4}, Row{kInf, 300, -4},
                          Row{300, kInf, -4}, Row{300, 600, -4}, Row{300, -600, -4}}) {
        EXPECT_EQ(CodeOf([&] {
                      (void)Load(0, 0, 0, 45.0, {{kInf, kInf, 10}, bad, {kInf, kInf, 10}});
                  }),
                  ErrorCode::Format)
            << bad.StartRadius << " " << bad.EndRadius;
    }
    // A spiral may sweep length / smaller radius up to 4 pi (an entry spiral turning one full
    // circle); beyond that it is a slip in the file, and each of its points would cost time in
    // proportion to the turn. Arcs turn as far as they like.
    for (const Row bad :
         {Row{kInf, 10, 126}, Row{10, kInf, 126}, Row{10, 20, 126}, Row{10002, 3, 1029010}}) {
        EXPECT_EQ(CodeOf([&] {
                      (void)Load(0, 0, 0, 45.0, {{kInf, kInf, 10}, bad});
                  }),
                  ErrorCode::Format)
            << bad.StartRadius << " " << bad.EndRadius;
    }
    // A reversing spiral is taken as two, each sweeping half.
    for (const Row good : {Row{kInf, 10, 125}, Row{10, -10, 250}, Row{10, 10, 1000}}) {
        EXPECT_NO_THROW((void)Load(0, 0, 0, 45.0, {{kInf, kInf, 10}, good}))
            << good.StartRadius << " " << good.EndRadius;
    }
    const std::vector<Row> tooMany(1001, Row{kInf, kInf, 1});
    EXPECT_EQ(CodeOf([&] { (void)Load(0, 0, 0, 0, tooMany); }), ErrorCode::Format);
}

TEST(ElementAlignment, RefusesValuesThatAreNotFinite) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(CodeOf([&] { (void)Load(0, 0, 0, 0, {{kInf, nan, 10}}); }), ErrorCode::NonFinite);
    EXPECT_EQ(CodeOf([&] { (void)Load(0, nan, 0, 0, {{kInf, kInf, 10}}); }), ErrorCode::NonFinite);
    EXPECT_EQ(CodeOf([&] {
                  (void)ElementAlignment(ElementInput{0, 0, 0, nan, {}});
              }),
              ErrorCode::NonFinite);
    // Lengths that overflow the station sum.
    EXPECT_EQ(CodeOf([&] {
                  (void)Load(0, 0, 0, 0, {{kInf, kInf, 1e308}, {kInf, kInf, 1e308}});
              }),
              ErrorCode::NonFinite);
}

TEST(ElementAlignment, AThousandElementsKeepTheirDigits) {
    // 250 identical S-bends (entry, arc, exit turning right, then back left) return to the start
    // azimuth; the sums over a thousand elements stay exact to well below a micrometre.
    std::vector<Row> rows;
    for (int k = 0; k < 250; ++k) {
        rows.push_back({kInf, 300, 40});
        rows.push_back({300, kInf, 40});
        rows.push_back({kInf, -300, 40});
        rows.push_back({-300, kInf, 40});
    }
    const ElementAlignment line = Load(0, 3000000, 500000, 0, rows);
    const std::vector<Element>& e = line.Elements();
    ASSERT_EQ(e.size(), 1000u);
    EXPECT_NEAR(testing::AngleGap(line.EndAzimuth(), 0.0), 0.0, 1e-13);
    EXPECT_EQ(line.EndMileage(), 40000.0);
    // Each bend is symmetric about its middle, so all 250 advance by the same vector.
    const double bendX = e[0].Increment.X + e[1].Increment.X + e[2].Increment.X + e[3].Increment.X;
    const double bendY = e[0].Increment.Y + e[1].Increment.Y + e[2].Increment.Y + e[3].Increment.Y;
    EXPECT_NEAR(line.End().X, 3000000 + 250 * bendX, 1e-8);
    EXPECT_NEAR(line.End().Y, 500000 + 250 * bendY, 1e-8);
}

} // namespace
} // namespace tesk::element
