#include "geometry/angles.h"
#include "state/alignment_tables.h"
#include "alignment/element/element_alignment.h"
#include "geometry/clothoid.h"
#include "element_test_support.h"
#include "geometry/error.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>
#include <random>

namespace tesk::element {
using geometry::DmsToDegrees;
using geometry::NormaliseAzimuth;
namespace {

using geometry::ErrorCode;
using state::SharedState;
using geometry::StationPoint;
using testing::CodeOf;
using testing::Degrees;
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

SharedState Ramp() {
    SharedState s;
    testing::Load(s, kRampStation, kRampX, kRampY, kRampAzimuthDms, kRamp);
    return s;
}

TEST(ElemStationToPoint, EndsOfTheLine) {
    const SharedState s = Ramp();
    const int n = s.ElemCount;
    const StationPoint start = ElemStationToPoint(s, s.ElemStation[1]);
    EXPECT_EQ(start.X, kRampX);
    EXPECT_EQ(start.Y, kRampY);
    EXPECT_EQ(start.Azimuth, s.ElemAzimuth[1]);
    const StationPoint end = ElemStationToPoint(s, s.ElemStation[n + 1]);
    EXPECT_EQ(end.X, s.ElemX[n + 1]);
    EXPECT_EQ(end.Y, s.ElemY[n + 1]);
    EXPECT_EQ(end.Azimuth, s.ElemAzimuth[n + 1]);
}

TEST(ElemStationToPoint, ExtendsAlongTheEndTangents) {
    const SharedState s = Ramp();
    const int n = s.ElemCount;
    const StationPoint before = ElemStationToPoint(s, s.ElemStation[1] - 12.5);
    EXPECT_NEAR(before.X, kRampX - 12.5 * std::cos(s.ElemAzimuth[1]), 1e-9);
    EXPECT_NEAR(before.Y, kRampY - 12.5 * std::sin(s.ElemAzimuth[1]), 1e-9);
    EXPECT_EQ(before.Azimuth, s.ElemAzimuth[1]);
    const StationPoint after = ElemStationToPoint(s, s.ElemStation[n + 1] + 40);
    EXPECT_NEAR(after.X, s.ElemX[n + 1] + 40 * std::cos(s.ElemAzimuth[n + 1]), 1e-9);
    EXPECT_NEAR(after.Y, s.ElemY[n + 1] + 40 * std::sin(s.ElemAzimuth[n + 1]), 1e-9);
    EXPECT_EQ(after.Azimuth, s.ElemAzimuth[n + 1]);
}

// A station on a joint belongs to the element starting there, and the element ending there
// reaches the same point and tangent by its own formula.
TEST(ElemStationToPoint, JointsAreContinuous) {
    const SharedState s = Ramp();
    for (int i = 1; i < s.ElemCount; ++i) {
        const StationPoint at = ElemStationToPoint(s, s.ElemStation[i + 1]);
        EXPECT_NEAR(at.X, s.ElemX[i + 1], 1e-9) << "joint " << i;
        EXPECT_NEAR(at.Y, s.ElemY[i + 1], 1e-9) << "joint " << i;
        EXPECT_NEAR(testing::AngleGap(at.Azimuth, s.ElemAzimuth[i + 1]), 0, 1e-14);
        EXPECT_EQ(FindElement(s, s.ElemStation[i + 1]), i + 1);

        const StationPoint endOfPrevious = ElementPointAt(s, i, s.ElemLength[i]);
        EXPECT_NEAR(endOfPrevious.X, s.ElemX[i + 1], 1e-9) << "end of element " << i;
        EXPECT_NEAR(endOfPrevious.Y, s.ElemY[i + 1], 1e-9) << "end of element " << i;
        EXPECT_NEAR(testing::AngleGap(endOfPrevious.Azimuth, s.ElemAzimuth[i + 1]), 0, 1e-14)
            << "end of element " << i;
        // and just before the joint the line is still on element i, close to the joint.
        const double justBefore = std::nextafter(s.ElemStation[i + 1], 0.0);
        EXPECT_EQ(FindElement(s, justBefore), i);
        const StationPoint near = ElemStationToPoint(s, justBefore);
        EXPECT_NEAR(near.X, s.ElemX[i + 1], 1e-9);
        EXPECT_NEAR(near.Y, s.ElemY[i + 1], 1e-9);
    }
}

// Every 0.7 m along the ramp the evaluator agrees with integration of the curvature.
TEST(ElemStationToPoint, AgreesWithIntegrationAlongTheWholeLine) {
    const SharedState s = Ramp();
    const testing::ReferenceLine ref(kRampStation, kRampX, kRampY,
                                     Degrees(DmsToDegrees(kRampAzimuthDms)), kRamp);
    for (double p = s.ElemStation[1]; p <= s.ElemStation[s.ElemCount + 1]; p += 0.7) {
        const StationPoint got = ElemStationToPoint(s, p);
        const auto want = ref.At(p);
        ASSERT_NEAR(got.X, static_cast<double>(want.X), 1e-9) << "station " << p;
        ASSERT_NEAR(got.Y, static_cast<double>(want.Y), 1e-9) << "station " << p;
        ASSERT_NEAR(testing::AngleGap(got.Azimuth, want.Azimuth), 0.0, 1e-13) << "station " << p;
        ExpectAzimuthInRange(got.Azimuth);
    }
}

TEST(ElemStationToPoint, ArcPointsLieOnTheirCircle) {
    for (const double r : {180.0, -180.0}) {
        SharedState s;
        testing::Load(s, 0, 100, 200, 60.0, {{r, r, 400}});
        const double side = r > 0 ? kPi / 2 : -kPi / 2; // centre to the turning side
        const double cx = 100 + std::fabs(r) * std::cos(Degrees(60) + side);
        const double cy = 200 + std::fabs(r) * std::sin(Degrees(60) + side);
        for (double f = 0; f <= 400; f += 12.5) {
            const StationPoint p = ElemStationToPoint(s, f);
            EXPECT_NEAR(std::hypot(p.X - cx, p.Y - cy), std::fabs(r), 1e-10) << f;
            EXPECT_NEAR(testing::AngleGap(p.Azimuth, Degrees(60) + f / r), 0.0, 1e-14) << f;
            // The tangent is square to the radius, and the centre lies on the turning side.
            const double toCentre = std::atan2(cy - p.Y, cx - p.X);
            EXPECT_NEAR(testing::AngleGap(toCentre, p.Azimuth + side), 0.0, 1e-9) << f;
        }
    }
}

TEST(ElemStationToPoint, StraightIsLinear) {
    SharedState s;
    testing::Load(s, 100, 10, 20, 33.3, {{kInf, kInf, 500}});
    const double theta = Degrees(33.5);
    for (double f = 0; f <= 500; f += 25) {
        const StationPoint p = ElemStationToPoint(s, 100 + f);
        EXPECT_NEAR(p.X, 10 + f * std::cos(theta), 1e-12);
        EXPECT_NEAR(p.Y, 20 + f * std::sin(theta), 1e-12);
        EXPECT_NEAR(p.Azimuth, theta, 1e-15);
    }
}

// Mirroring every radius mirrors the line about the start tangent.
TEST(ElemStationToPoint, LeftMirrorsRight) {
    std::vector<Row> right = kRamp;
    std::vector<Row> left;
    for (const Row& r : right) {
        left.push_back({r.StartRadius == kInf ? kInf : -r.StartRadius,
                        r.EndRadius == kInf ? kInf : -r.EndRadius, r.Length});
    }
    SharedState a;
    SharedState b;
    testing::Load(a, 0, 1000, 2000, 20.0, right);
    testing::Load(b, 0, 1000, 2000, 20.0, left);
    const double t = Degrees(20);
    for (double p = -10; p <= a.ElemStation[a.ElemCount + 1] + 10; p += 3.3) {
        const StationPoint pa = ElemStationToPoint(a, p);
        const StationPoint pb = ElemStationToPoint(b, p);
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
TEST(ElemStationToPoint, AzimuthCrossingNorthIsNormalised) {
    const double r = 300;
    const double len = r * Degrees(20);
    SharedState s;
    testing::Load(s, 0, 0, 0, 350.0, {{r, r, len}, {kInf, kInf, 10}});
    EXPECT_NEAR(s.ElemAzimuth[2], Degrees(10), 1e-14);
    for (double f = 0; f < len; f += len / 16) {
        const StationPoint p = ElemStationToPoint(s, f);
        ExpectAzimuthInRange(p.Azimuth);
        EXPECT_NEAR(testing::AngleGap(p.Azimuth, Degrees(350) + f / r), 0.0, 1e-14);
    }
    // A left arc from due north goes below zero.
    testing::Load(s, 0, 0, 0, 0.0, {{-r, -r, len}});
    const StationPoint p = ElemStationToPoint(s, len / 2);
    EXPECT_NEAR(p.Azimuth, 2 * kPi - Degrees(10), 1e-14);
    EXPECT_EQ(NormaliseAzimuth(-1e-300), 0.0) << "a hair below north is north";
    EXPECT_EQ(NormaliseAzimuth(2 * kPi), 0.0);
    EXPECT_NEAR(NormaliseAzimuth(1e6), std::fmod(1e6, 2 * kPi), 0.0);
    EXPECT_FALSE(std::signbit(NormaliseAzimuth(-2 * kPi))) << "a whole turn left is +0, not -0";
    EXPECT_NEAR(NormaliseAzimuth(-2 * kPi - 1.0), 2 * kPi - 1.0, 1e-15);
}

// Compound spirals tightening (|RS| > |RE|) and easing (|RS| < |RE|) to either side, from almost
// straight to tight and between almost equal radii: inside each the evaluator agrees with
// integration of the linear curvature.
TEST(ElemStationToPoint, CompoundSpiralsTighteningAndEasingAgreeWithIntegration) {
    const std::vector<Row> rows = {{kInf, kInf, 20},   {900, 300, 60},    {300, 300, 30},
                                   {300, 900, 60},     {-1200, -250, 80}, {-250, -1200, 80},
                                   {-9999, -55, 140},  {-55, -55, 10},    {-55, -9999, 140},
                                   {5000, 4999.9, 35}, {kInf, kInf, 20}};
    SharedState s;
    testing::Load(s, 731.25, 2876543.21, 412345.67, 318.0512, rows);
    ASSERT_EQ(s.ElemCount, static_cast<int>(rows.size()));
    const testing::ReferenceLine ref(731.25, 2876543.21, 412345.67, Degrees(DmsToDegrees(318.0512)),
                                     rows);
    for (double p = s.ElemStation[2]; p < s.ElemStation[s.ElemCount]; p += 0.61) {
        const StationPoint got = ElemStationToPoint(s, p);
        const auto want = ref.At(p);
        ASSERT_NEAR(got.X, static_cast<double>(want.X), 1e-9) << "station " << p;
        ASSERT_NEAR(got.Y, static_cast<double>(want.Y), 1e-9) << "station " << p;
        ASSERT_NEAR(testing::AngleGap(got.Azimuth, want.Azimuth), 0.0, 1e-13) << "station " << p;
    }
}

// The spiral ends: an entry spiral reaches the next element's start, an exit spiral starts at
// its own start point (it is laid back from its end).
TEST(ElemStationToPoint, SpiralEndsMeetTheirNeighbours) {
    SharedState s;
    testing::Load(s, 0, 50, 60, 200.0, {{kInf, -220, 70}, {-220, kInf, 90}});
    const StationPoint entryEnd = ElementPointAt(s, 1, 70);
    EXPECT_NEAR(entryEnd.X, s.ElemX[2], 1e-10);
    EXPECT_NEAR(entryEnd.Y, s.ElemY[2], 1e-10);
    const StationPoint exitStart = ElemStationToPoint(s, 70);
    EXPECT_NEAR(exitStart.X, s.ElemX[2], 1e-10);
    EXPECT_NEAR(exitStart.Y, s.ElemY[2], 1e-10);
    EXPECT_NEAR(testing::AngleGap(exitStart.Azimuth, s.ElemAzimuth[2]), 0.0, 1e-15);
    // Curvature along the spirals: the azimuth grows as F^2 / (2 K).
    const StationPoint mid = ElemStationToPoint(s, 35);
    EXPECT_NEAR(testing::AngleGap(mid.Azimuth, Degrees(200) - 35.0 * 35.0 / (2 * 70 * 220)), 0.0,
                1e-15);
}

// The bisection and the scan pick the same element for every station, the joints and their
// neighbours included.
TEST(FindElement, BisectionAgreesWithTheScan) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> length(0.001, 250.0);
    std::vector<Row> rows;
    for (int i = 0; i < 997; ++i) {
        rows.push_back({kInf, kInf, length(random)});
    }
    SharedState s;
    testing::Load(s, 1e5 / 3, 0, 0, 0, rows);
    ASSERT_TRUE(s.ElemStationIncreasing);
    SharedState scanned = s;
    scanned.ElemStationIncreasing = false;
    std::vector<double> stations;
    for (int i = 1; i <= s.ElemCount + 1; ++i) {
        stations.push_back(s.ElemStation[i]);
        stations.push_back(std::nextafter(s.ElemStation[i], -1e300));
        stations.push_back(std::nextafter(s.ElemStation[i], 1e300));
    }
    std::uniform_real_distribution<double> anywhere(s.ElemStation[1] - 10,
                                                    s.ElemStation[s.ElemCount + 1] + 10);
    for (int k = 0; k < 5000; ++k) {
        stations.push_back(anywhere(random));
    }
    stations.push_back(std::numeric_limits<double>::quiet_NaN());
    stations.push_back(-std::numeric_limits<double>::infinity());
    for (const double p : stations) {
        ASSERT_EQ(FindElement(s, p), FindElement(scanned, p)) << p;
    }
}

TEST(FindElement, ZeroLengthsFallBackToTheScan) {
    SharedState s;
    testing::Load(s, 0, 0, 0, 0, {{kInf, kInf, 10}, {kInf, kInf, 0}, {kInf, kInf, 10}});
    EXPECT_FALSE(s.ElemStationIncreasing);
    EXPECT_EQ(FindElement(s, 10.0), 3) << "the zero-length element holds nothing";
    EXPECT_NEAR(ElemStationToPoint(s, 15).X, 15, 1e-12);
    EXPECT_NEAR(ElemStationToPoint(s, 20.0).X, 20.0, 1e-12) << "beyond the end";
}

TEST(ElemStationToPoint, RefusesStationsItCannotEvaluate) {
    const SharedState s = Ramp();
    EXPECT_EQ(CodeOf([&] { ElemStationToPoint(s, std::numeric_limits<double>::quiet_NaN()); }),
              ErrorCode::NonFinite);
    EXPECT_EQ(CodeOf([&] { ElemStationToPoint(s, std::numeric_limits<double>::infinity()); }),
              ErrorCode::NonFinite);
    EXPECT_EQ(CodeOf([&] { ElementPointAt(s, 0, 1.0); }), ErrorCode::IndexOutOfRange);
    EXPECT_EQ(CodeOf([&] { ElementPointAt(s, s.ElemCount + 1, 1.0); }), ErrorCode::IndexOutOfRange);
    ElementInput zeroRadius;
    zeroRadius.Rows = {{kInf, kInf, 10}, {0.0, 0.0, 10}};
    EXPECT_EQ(CodeOf([&] { ElementAlignment{zeroRadius}; }), ErrorCode::DivisionByZero);
}

TEST(ElemStationToPoint, LineWithoutElementsIsItsStartTangent) {
    SharedState s;
    testing::Load(s, 500, 1, 2, 90.0, {});
    EXPECT_EQ(s.ElemCount, 0);
    const StationPoint p = ElemStationToPoint(s, 510);
    EXPECT_NEAR(p.X, 1, 1e-12);
    EXPECT_NEAR(p.Y, 12, 1e-12);
    const StationPoint q = ElemStationToPoint(s, 490);
    EXPECT_NEAR(q.Y, -8, 1e-12);
}

} // namespace
} // namespace tesk::element
