// Points of an element line by mileage: ends and their tangents, joints, every kind of element
// against integration of its curvature, and the piece search against a scan of the segments.

#include "alignment/alignment_test_support.h"
#include "alignment/element/element_alignment.h"
#include "element_test_support.h"
#include "geometry/error.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>
#include <random>

namespace tesk::element {
using geometry::DmsToDegrees;
namespace {

using geometry::ErrorCode;
using geometry::StationPoint;
using testing::CodeOf;
using testing::Degrees;
using testing::JointOf;
using testing::Load;
using testing::Row;

constexpr double kInf = kInfiniteRadius;
constexpr double kPi = std::numbers::pi;

void ExpectAzimuthInRange(double a) {
    EXPECT_GE(a, 0.0);
    EXPECT_LT(a, 2 * kPi);
}

// A ramp with every kind of element, both turning directions and compound spirals.
const std::vector<Row> kRamp = {
    {kInf, kInf, 80}, {kInf, 300, 60},  {300, 300, 120.25}, {300, 700, 40},
    {700, kInf, 50},  {kInf, kInf, 25}, {kInf, -150, 45},   {-150, -150, 200},
    {-150, -450, 60}, {-450, kInf, 90}, {kInf, kInf, 30.5},
};
constexpr double kRampStation = 2500.0;
constexpr double kRampX = 3012345.6789;
constexpr double kRampY = 498765.4321;
constexpr double kRampAzimuthDms = 147.2512;

ElementAlignment Ramp() {
    return Load(kRampStation, kRampX, kRampY, kRampAzimuthDms, kRamp);
}

StationPoint At(const ElementAlignment& line, double mileage) {
    return line.Line().PointAt(mileage);
}

TEST(ElementPointAt, EndsOfTheLine) {
    const ElementAlignment line = Ramp();
    const StationPoint start = At(line, kRampStation);
    EXPECT_EQ(start.X, kRampX);
    EXPECT_EQ(start.Y, kRampY);
    EXPECT_EQ(start.Azimuth, line.StartAzimuth());
    const StationPoint end = At(line, line.EndMileage());
    EXPECT_EQ(end.X, line.End().X);
    EXPECT_EQ(end.Y, line.End().Y);
    EXPECT_EQ(end.Azimuth, line.EndAzimuth());
}

TEST(ElementPointAt, ExtendsAlongTheEndTangents) {
    const ElementAlignment line = Ramp();
    const double a0 = line.StartAzimuth();
    const StationPoint before = At(line, kRampStation - 12.5);
    EXPECT_NEAR(before.X, kRampX - 12.5 * std::cos(a0), 1e-9);
    EXPECT_NEAR(before.Y, kRampY - 12.5 * std::sin(a0), 1e-9);
    EXPECT_EQ(before.Azimuth, a0);
    const double a1 = line.EndAzimuth();
    const StationPoint after = At(line, line.EndMileage() + 40);
    EXPECT_NEAR(after.X, line.End().X + 40 * std::cos(a1), 1e-9);
    EXPECT_NEAR(after.Y, line.End().Y + 40 * std::sin(a1), 1e-9);
    EXPECT_EQ(after.Azimuth, a1);
}

// A mileage on a joint belongs to the element starting there, and the element ending there
// reaches the same point and tangent by its own formula.
TEST(ElementPointAt, JointsAreContinuous) {
    const ElementAlignment line = Ramp();
    const std::vector<Element>& e = line.Elements();
    for (std::size_t i = 0; i + 1 < e.size(); ++i) {
        const testing::Joint joint = JointOf(line, i + 1);
        const StationPoint at = At(line, joint.Mileage);
        EXPECT_NEAR(at.X, joint.Point.X, 1e-9) << "joint " << i;
        EXPECT_NEAR(at.Y, joint.Point.Y, 1e-9) << "joint " << i;
        EXPECT_NEAR(testing::AngleGap(at.Azimuth, joint.Azimuth), 0, 1e-14);
        const StationPoint startOfNext = line.PointOnElement(i + 1, 0.0);
        EXPECT_EQ(at.X, startOfNext.X) << "the joint is evaluated on the element starting there";
        EXPECT_EQ(at.Y, startOfNext.Y);

        const StationPoint endOfPrevious = line.PointOnElement(i, e[i].Length);
        EXPECT_NEAR(endOfPrevious.X, joint.Point.X, 1e-9) << "end of element " << i;
        EXPECT_NEAR(endOfPrevious.Y, joint.Point.Y, 1e-9) << "end of element " << i;
        EXPECT_NEAR(testing::AngleGap(endOfPrevious.Azimuth, joint.Azimuth), 0, 1e-14)
            << "end of element " << i;
        // and just before the joint the line is still on element i, close to the joint.
        const double justBefore = std::nextafter(joint.Mileage, 0.0);
        alignment::testing::ExpectSameAsSegmentScan(line.Line(), justBefore);
        const StationPoint near = At(line, justBefore);
        EXPECT_NEAR(near.X, joint.Point.X, 1e-9);
        EXPECT_NEAR(near.Y, joint.Point.Y, 1e-9);
    }
    alignment::testing::ExpectSegmentsChainTheLine(line.Line(), true);
}

// Every 0.7 m along the ramp the evaluator agrees with integration of the curvature.
TEST(ElementPointAt, AgreesWithIntegrationAlongTheWholeLine) {
    const ElementAlignment line = Ramp();
    const testing::ReferenceLine ref(kRampStation, kRampX, kRampY,
                                     Degrees(DmsToDegrees(kRampAzimuthDms)), kRamp);
    for (double p = kRampStation; p <= line.EndMileage(); p += 0.7) {
        const StationPoint got = At(line, p);
        const auto want = ref.At(p);
        ASSERT_NEAR(got.X, static_cast<double>(want.X), 1e-9) << "station " << p;
        ASSERT_NEAR(got.Y, static_cast<double>(want.Y), 1e-9) << "station " << p;
        ASSERT_NEAR(testing::AngleGap(got.Azimuth, want.Azimuth), 0.0, 1e-13) << "station " << p;
        ExpectAzimuthInRange(got.Azimuth);
    }
}

TEST(ElementPointAt, ArcPointsLieOnTheirCircle) {
    for (const double r : {180.0, -180.0}) {
        const ElementAlignment line = Load(0, 100, 200, 60.0, {{r, r, 400}});
        const double side = r > 0 ? kPi / 2 : -kPi / 2; // centre to the turning side
        const double cx = 100 + std::fabs(r) * std::cos(Degrees(60) + side);
        const double cy = 200 + std::fabs(r) * std::sin(Degrees(60) + side);
        for (double f = 0; f <= 400; f += 12.5) {
            const StationPoint p = At(line, f);
            EXPECT_NEAR(std::hypot(p.X - cx, p.Y - cy), std::fabs(r), 1e-10) << f;
            EXPECT_NEAR(testing::AngleGap(p.Azimuth, Degrees(60) + f / r), 0.0, 1e-14) << f;
            // The tangent is square to the radius, and the centre lies on the turning side.
            const double toCentre = std::atan2(cy - p.Y, cx - p.X);
            EXPECT_NEAR(testing::AngleGap(toCentre, p.Azimuth + side), 0.0, 1e-9) << f;
        }
    }
}

TEST(ElementPointAt, StraightIsLinear) {
    const ElementAlignment line = Load(100, 10, 20, 33.3, {{kInf, kInf, 500}});
    const double theta = Degrees(33.5);
    for (double f = 0; f <= 500; f += 25) {
        const StationPoint p = At(line, 100 + f);
        EXPECT_NEAR(p.X, 10 + f * std::cos(theta), 1e-12);
        EXPECT_NEAR(p.Y, 20 + f * std::sin(theta), 1e-12);
        EXPECT_NEAR(p.Azimuth, theta, 1e-15);
    }
}

// Mirroring every radius mirrors the line about the start tangent.
TEST(ElementPointAt, LeftMirrorsRight) {
    std::vector<Row> left;
    for (const Row& r : kRamp) {
        left.push_back({r.StartRadius == kInf ? kInf : -r.StartRadius,
                        r.EndRadius == kInf ? kInf : -r.EndRadius, r.Length});
    }
    const ElementAlignment a = Load(0, 1000, 2000, 20.0, kRamp);
    const ElementAlignment b = Load(0, 1000, 2000, 20.0, left);
    const double t = Degrees(20);
    for (double p = -10; p <= a.EndMileage() + 10; p += 3.3) {
        const StationPoint pa = At(a, p);
        const StationPoint pb = At(b, p);
        // Reflection across the line through (1000, 2000) with direction t.
        const double dx = pa.X - 1000;
        const double dy = pa.Y - 2000;
        const double mx = 1000 + dx * std::cos(2 * t) + dy * std::sin(2 * t);
        const double my = 2000 + dx * std::sin(2 * t) - dy * std::cos(2 * t);
        ASSERT_NEAR(pb.X, mx, 1e-9) << p;
        ASSERT_NEAR(pb.Y, my, 1e-9) << p;
        ASSERT_NEAR(testing::AngleGap(pb.Azimuth, 2 * t - pa.Azimuth), 0.0, 1e-13) << p;
    }
}

// A line starting at 350 degrees turning right by 20 degrees over one arc crosses north; the
// azimuth stays in [0, 2 pi) inside the arc and matches the unnormalised value.
TEST(ElementPointAt, AzimuthCrossingNorthIsNormalised) {
    const double r = 300;
    const double len = r * Degrees(20);
    const ElementAlignment line = Load(0, 0, 0, 350.0, {{r, r, len}, {kInf, kInf, 10}});
    EXPECT_NEAR(line.Elements()[1].StartAzimuth, Degrees(10), 1e-14);
    for (double f = 0; f < len; f += len / 16) {
        const StationPoint p = At(line, f);
        ExpectAzimuthInRange(p.Azimuth);
        EXPECT_NEAR(testing::AngleGap(p.Azimuth, Degrees(350) + f / r), 0.0, 1e-14);
    }
    // A left arc from due north goes below zero.
    const ElementAlignment left = Load(0, 0, 0, 0.0, {{-r, -r, len}});
    EXPECT_NEAR(At(left, len / 2).Azimuth, 2 * kPi - Degrees(10), 1e-14);
}

// Compound spirals tightening (|RS| > |RE|) and easing (|RS| < |RE|) to either side, from almost
// straight to tight and between almost equal radii: inside each the evaluator agrees with
// integration of the linear curvature.
TEST(ElementPointAt, CompoundSpiralsTighteningAndEasingAgreeWithIntegration) {
    const std::vector<Row> rows = {{kInf, kInf, 20},   {900, 300, 60},    {300, 300, 30},
                                   {300, 900, 60},     {-1200, -250, 80}, {-250, -1200, 80},
                                   {-9999, -55, 140},  {-55, -55, 10},    {-55, -9999, 140},
                                   {5000, 4999.9, 35}, {kInf, kInf, 20}};
    const ElementAlignment line = Load(731.25, 2876543.21, 412345.67, 318.0512, rows);
    ASSERT_EQ(line.Elements().size(), rows.size());
    const testing::ReferenceLine ref(731.25, 2876543.21, 412345.67, Degrees(DmsToDegrees(318.0512)),
                                     rows);
    for (double p = line.Elements()[1].StartMileage; p < line.Elements().back().StartMileage;
         p += 0.61) {
        const StationPoint got = At(line, p);
        const auto want = ref.At(p);
        ASSERT_NEAR(got.X, static_cast<double>(want.X), 1e-9) << "station " << p;
        ASSERT_NEAR(got.Y, static_cast<double>(want.Y), 1e-9) << "station " << p;
        ASSERT_NEAR(testing::AngleGap(got.Azimuth, want.Azimuth), 0.0, 1e-13) << "station " << p;
    }
}

// The spiral ends: an entry spiral reaches the next element's start, an exit spiral starts at
// its own start point (it is laid back from its end).
TEST(ElementPointAt, SpiralEndsMeetTheirNeighbours) {
    const ElementAlignment line = Load(0, 50, 60, 200.0, {{kInf, -220, 70}, {-220, kInf, 90}});
    const testing::Joint joint = JointOf(line, 1);
    const StationPoint entryEnd = line.PointOnElement(0, 70);
    EXPECT_NEAR(entryEnd.X, joint.Point.X, 1e-10);
    EXPECT_NEAR(entryEnd.Y, joint.Point.Y, 1e-10);
    const StationPoint exitStart = At(line, 70);
    EXPECT_NEAR(exitStart.X, joint.Point.X, 1e-10);
    EXPECT_NEAR(exitStart.Y, joint.Point.Y, 1e-10);
    EXPECT_NEAR(testing::AngleGap(exitStart.Azimuth, joint.Azimuth), 0.0, 1e-15);
    // Curvature along the spirals: the azimuth grows as F^2 / (2 K).
    const StationPoint mid = At(line, 35);
    EXPECT_NEAR(testing::AngleGap(mid.Azimuth, Degrees(200) - 35.0 * 35.0 / (2 * 70 * 220)), 0.0,
                1e-15);
}

// The piece search (buckets over the piece starts, then bisection) finds, bit for bit, the piece
// a scan of the segment list finds, on an irregular line: a thousand elements of every kind
// with random lengths from a millimetre to 250 m, some of no length at all.
TEST(ElementPointAt, PieceSearchMatchesTheSegmentScan) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> length(0.001, 250.0);
    std::uniform_real_distribution<double> radius(60.0, 3000.0);
    std::uniform_int_distribution<int> kind(0, 9);
    std::vector<Row> rows;
    double curvatureRadius = kInf; // the radius the previous element ends with
    while (rows.size() < 1000) {
        const int k = kind(random);
        const double l = k == 0 ? 0.0 : (k == 1 ? length(random) / 1000 : length(random));
        const double r = k % 2 == 0 ? radius(random) : -radius(random);
        if (k < 4) {
            rows.push_back({kInf, kInf, l});
            curvatureRadius = kInf;
        } else if (k < 6) {
            rows.push_back({curvatureRadius, r, l}); // entry or compound spiral, reversing too
            curvatureRadius = r;
        } else if (k < 8) {
            rows.push_back({curvatureRadius == kInf ? r : curvatureRadius,
                            curvatureRadius == kInf ? r : curvatureRadius, l});
            curvatureRadius = rows.back().EndRadius;
        } else {
            rows.push_back({curvatureRadius == kInf ? r : curvatureRadius, kInf, l});
            curvatureRadius = kInf;
        }
    }
    rows.resize(900); // room for the reversing spirals to be split
    const ElementAlignment line = Load(1e5 / 3, 3456789.0, 512345.0, 123.4530, rows);
    ASSERT_GT(line.Elements().size(), rows.size()) << "the line holds split reversing spirals";
    alignment::testing::ExpectSegmentsChainTheLine(line.Line(), true);
    alignment::testing::ExpectPointAtMatchesSegmentScan(line.Line(), 20000);
    // Every element's start is evaluated on the element itself, not on one of no length.
    for (std::size_t i = 0; i < line.Elements().size(); ++i) {
        if (line.Elements()[i].Length > 0.0) {
            const StationPoint got = At(line, line.Elements()[i].StartMileage);
            const StationPoint own = line.PointOnElement(i, 0.0);
            ASSERT_EQ(got.X, own.X) << "element " << i;
            ASSERT_EQ(got.Y, own.Y) << "element " << i;
        }
    }
}

TEST(ElementPointAt, AnElementOfNoLengthHoldsNoMileage) {
    const ElementAlignment line =
        Load(0, 0, 0, 0, {{kInf, kInf, 10}, {kInf, kInf, 0}, {kInf, kInf, 10}});
    ASSERT_EQ(line.Line().Segments().size(), 2u);
    EXPECT_EQ(line.Line().Segments()[1].StartMileage, 10.0);
    EXPECT_EQ(line.Line().Segments()[1].Source, "element 3")
        << "the zero-length element holds nothing";
    EXPECT_NEAR(At(line, 15).X, 15, 1e-12);
    EXPECT_NEAR(At(line, 20.0).X, 20.0, 1e-12) << "beyond the end";
    alignment::testing::ExpectPointAtMatchesSegmentScan(line.Line(), 200);
}

TEST(ElementPointAt, RefusesStationsItCannotEvaluate) {
    const ElementAlignment line = Ramp();
    for (const double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(CodeOf([&] { (void)At(line, bad); }), ErrorCode::NonFinite) << bad;
    }
    EXPECT_EQ(CodeOf([&] { (void)line.PointOnElement(line.Elements().size(), 1.0); }),
              ErrorCode::IndexOutOfRange);
    EXPECT_EQ(CodeOf([&] { (void)line.PointOnElement(std::size_t(-1), 1.0); }),
              ErrorCode::IndexOutOfRange);
    EXPECT_EQ(CodeOf([&] { (void)line.Line().PointOnSegment(line.Line().Segments().size(), 1.0); }),
              ErrorCode::IndexOutOfRange);
}

TEST(ElementPointAt, LineWithoutElementsIsItsStartTangent) {
    const ElementAlignment line = Load(500, 1, 2, 90.0, {});
    EXPECT_TRUE(line.Elements().empty());
    EXPECT_EQ(line.EndMileage(), 500.0);
    const StationPoint p = At(line, 510);
    EXPECT_NEAR(p.X, 1, 1e-12);
    EXPECT_NEAR(p.Y, 12, 1e-12);
    const StationPoint q = At(line, 490);
    EXPECT_NEAR(q.Y, -8, 1e-12);
}

} // namespace
} // namespace tesk::element
