// Points of a JD line by mileage: main points, continuity, every curve against its integrated
// curvature, hairpins walked end to end, overlapping curves, and the piece search against a scan.

#include "alignment/alignment_test_support.h"
#include "alignment/jd/jd_alignment.h"
#include "geometry/error.h"
#include "jd_test_support.h"
#include "support/error_of.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace tesk::jd {
namespace {

using geometry::ErrorCode;
using geometry::PlanePoint;
using geometry::RuntimeError;
using geometry::StationPoint;
using testing::AngleDiff;
using testing::Built;
using testing::kPi;
using testing::MixedLine;
using testing::RightAngleLine;
using testing::VertexRow;

constexpr double kPos = 1e-9;    // m
constexpr double kAngle = 1e-12; // rad

StationPoint At(const JdAlignment& line, double mileage) {
    return line.Line().PointAt(mileage);
}

void ExpectSamePoint(const StationPoint& a, const StationPoint& b, double pos, double angle) {
    EXPECT_NEAR(a.X, b.X, pos);
    EXPECT_NEAR(a.Y, b.Y, pos);
    EXPECT_NEAR(AngleDiff(a.Azimuth, b.Azimuth), 0.0, angle);
}

TEST(JdPointAt, MainPointsGiveTheCurveTablePoints) {
    const JdAlignment line = Built(MixedLine(), 1000.0);
    const std::vector<JdCurve>& c = line.Curves();
    for (std::size_t k = 1; k + 1 < c.size(); ++k) {
        SCOPED_TRACE(k);
        const JdCurve& r = c[k];
        const StationPoint zh = At(line, r.StationZH);
        if (k > 1) { // at the first ZH the leg before the curve decides, with the same point
            EXPECT_EQ(zh.X, r.Zh.X) << "the ZH of the curve table itself, no series";
            EXPECT_EQ(zh.Y, r.Zh.Y);
        }
        ExpectSamePoint(zh, {r.Zh.X, r.Zh.Y, c[k - 1].LegAzimuth}, kPos, kAngle);
        ExpectSamePoint(At(line, r.StationHY), {r.Hy.X, r.Hy.Y, r.AzimuthHY}, kPos, kAngle);
        ExpectSamePoint(At(line, r.StationQZ), {r.Qz.X, r.Qz.Y, r.AzimuthQZ}, kPos, kAngle);
        ExpectSamePoint(At(line, r.StationYH), {r.Yh.X, r.Yh.Y, r.AzimuthYH}, kPos, kAngle);
        ExpectSamePoint(At(line, r.StationHZ), {r.Hz.X, r.Hz.Y, r.LegAzimuth}, kPos, kAngle);
    }
    const StationPoint start = At(line, c.front().Station);
    EXPECT_EQ(start.X, line.Vertices().front().X);
    EXPECT_EQ(start.Y, line.Vertices().front().Y);
    const StationPoint end = At(line, c.back().Station);
    EXPECT_NEAR(end.X, line.Vertices().back().X, kPos);
    EXPECT_NEAR(end.Y, line.Vertices().back().Y, kPos);
    // The line's own list of main points says the same, in order QD, ZH .. HZ per curve, ZD.
    const std::vector<alignment::MainPoint>& main = line.Line().MainPoints();
    ASSERT_EQ(main.size(), 2 + 5 * (c.size() - 2));
    EXPECT_EQ(main.front().Code, "QD");
    EXPECT_EQ(main.back().Code, "ZD");
    for (const alignment::MainPoint& p : main) {
        SCOPED_TRACE(p.Code + " at " + std::to_string(p.Mileage));
        ExpectSamePoint(At(line, p.Mileage), {p.Point.X, p.Point.Y, p.Azimuth}, kPos, kAngle);
    }
}

TEST(JdPointAt, ContinuousAtEveryMainPoint) {
    for (const auto& rows : {MixedLine(), RightAngleLine(50.0, 20.0, 20.0, 200.0, 0.0)}) {
        const JdAlignment line = Built(rows, 250.0);
        const std::vector<JdCurve>& c = line.Curves();
        for (std::size_t k = 1; k + 1 < c.size(); ++k) {
            const JdCurve& r = c[k];
            for (const double p :
                 {r.StationZH, r.StationHY, r.StationQZ, r.StationYH, r.StationHZ}) {
                SCOPED_TRACE(::testing::Message() << "vertex " << k << " station " << p);
                const StationPoint before = At(line, p - 1e-9);
                const StationPoint at = At(line, p);
                const StationPoint after = At(line, p + 1e-9);
                ExpectSamePoint(before, at, 1e-8, 1e-10);
                ExpectSamePoint(after, at, 1e-8, 1e-10);
            }
        }
        alignment::testing::ExpectSegmentsChainTheLine(line.Line(), true);
    }
}

// Every station of every curve against the curve integrated from its curvature.
void ExpectCurvesMatchIntegration(const JdAlignment& line) {
    const std::vector<JdCurve>& c = line.Curves();
    for (std::size_t k = 1; k + 1 < c.size(); ++k) {
        const JdCurve& r = c[k];
        const double side = r.Deflection > 0 ? 1.0 : -1.0;
        const double radius = std::fabs(r.Radius);
        const double r1 = std::fabs(r.Spiral1OuterRadius);
        const double r2 = std::fabs(r.Spiral2OuterRadius);
        const double ls1 = std::fabs(r.Spiral1);
        const double ls2 = std::fabs(r.Spiral2);
        const double lc =
            testing::IntegratedCurve::ArcLengthFor(r.Deflection, radius, r1, r2, ls1, ls2);
        const testing::IntegratedCurve curve(r.Zh, c[k - 1].LegAzimuth, side, radius, r1, r2, ls1,
                                             ls2, lc);
        const int steps = 40;
        for (int j = 0; j <= steps; ++j) {
            const double l = curve.Length() * j / steps;
            SCOPED_TRACE(::testing::Message() << "vertex " << k << " at " << l);
            const PlanePoint ref = curve.Point(l);
            const StationPoint got = At(line, r.StationZH + l);
            EXPECT_NEAR(got.X, ref.X, 2e-9);
            EXPECT_NEAR(got.Y, ref.Y, 2e-9);
            EXPECT_NEAR(AngleDiff(got.Azimuth, curve.Azimuth(l)), 0.0, 1e-12);
            EXPECT_GE(got.Azimuth, 0.0);
            EXPECT_LT(got.Azimuth, 2.0 * kPi);
        }
    }
}

TEST(JdPointAt, CurvesMatchNumericalIntegration) {
    ExpectCurvesMatchIntegration(Built(MixedLine(), 1000.0));
    ExpectCurvesMatchIntegration(Built(RightAngleLine(50.0, 30.0, 10.0)));
    ExpectCurvesMatchIntegration(Built(RightAngleLine(50.0, 20.0, 20.0, 200.0, 0.0)));
    ExpectCurvesMatchIntegration(Built(RightAngleLine(50.0, 20.0, 25.0, 0.0, 90.0)));
    // An outer radius given with no spiral: the arc starts at once, on the tangent.
    ExpectCurvesMatchIntegration(Built(RightAngleLine(50.0, 0.0, 25.0, 200.0, 0.0)));
    // Egg spirals with leads so long that their origin tangents turn past a full turn.
    ExpectCurvesMatchIntegration(
        Built({{"QD", 0.0, 0.0},
               {"JD1", 2000.0, 0.0, 1000.0, 200.0, 200.0, 1015.0, 0.0},
               {"ZD", 2000.0 + 2000.0 * std::cos(0.8), 2000.0 * std::sin(0.8)}}));
    ExpectCurvesMatchIntegration(Built({{"QD", -500.0, 0.0},
                                        {"JD1HT11", 0.0, 0.0, 50.0, 40.0, 40.0, 60.0, 60.0},
                                        {"ZD", 0.0, -600.0}}));
}

TEST(JdPointAt, CurvatureGrowsLinearlyAlongSpirals) {
    // Incomplete entry spiral 1/200 -> 1/50 over 20 m; complete exit spiral 1/50 -> 0 over 20 m.
    const JdAlignment line = Built(RightAngleLine(50.0, 20.0, 20.0, 200.0, 0.0));
    const JdCurve& r = line.Curves()[1];
    const double h = 1e-3;
    const auto curvature = [&](double p) {
        return AngleDiff(At(line, p + h).Azimuth, At(line, p - h).Azimuth) / (2.0 * h);
    };
    for (double l = 1.0; l < 20.0; l += 1.0) {
        EXPECT_NEAR(curvature(r.StationZH + l), 1.0 / 200.0 + (1.0 / 50.0 - 1.0 / 200.0) * l / 20.0,
                    1e-9)
            << l;
        EXPECT_NEAR(curvature(r.StationHZ - l), (1.0 / 50.0) * l / 20.0, 1e-9) << l;
    }
    // Constant on the arc.
    EXPECT_NEAR(curvature(r.StationQZ), 1.0 / 50.0, 1e-9);
    // The segment list carries the same curvatures at the spirals' ends.
    const std::vector<alignment::Segment>& segments = line.Line().Segments();
    ASSERT_EQ(segments.size(), 5u);
    EXPECT_EQ(segments[1].Kind, alignment::SegmentKind::Clothoid);
    EXPECT_NEAR(segments[1].StartCurvature, 1.0 / 200.0, 1e-15);
    EXPECT_NEAR(segments[1].EndCurvature, 1.0 / 50.0, 1e-15);
    EXPECT_EQ(segments[2].Kind, alignment::SegmentKind::Arc);
    EXPECT_NEAR(segments[3].EndCurvature, 0.0, 1e-15);
}

TEST(JdPointAt, LeftTurnMirrorsRightTurn) {
    std::vector<VertexRow> rows = RightAngleLine(50.0, 30.0, 10.0, 300.0, 0.0);
    const JdAlignment right = Built(rows);
    for (VertexRow& v : rows) {
        v.Y = -v.Y;
    }
    const JdAlignment left = Built(rows);
    for (double p = -20.0; p < right.Line().End() + 20.0; p += 3.7) {
        const StationPoint a = At(right, p);
        const StationPoint b = At(left, p);
        EXPECT_NEAR(a.X, b.X, 1e-12) << p;
        EXPECT_NEAR(a.Y, -b.Y, 1e-12) << p;
        EXPECT_NEAR(AngleDiff(a.Azimuth, -b.Azimuth), 0.0, 1e-14) << p;
    }
}

TEST(JdPointAt, ExtendsTheEndLegs) {
    const JdAlignment line = Built(RightAngleLine(50.0, 20.0, 20.0), 100.0);
    const StationPoint before = At(line, 100.0 - 30.0);
    EXPECT_NEAR(before.X, -30.0, 1e-12);
    EXPECT_NEAR(before.Y, 0.0, 1e-12);
    EXPECT_EQ(before.Azimuth, 0.0);
    const double end = line.Line().End();
    const StationPoint after = At(line, end + 40.0);
    EXPECT_NEAR(after.X, 100.0, 1e-12);
    EXPECT_NEAR(after.Y, 140.0, 1e-12);
    EXPECT_NEAR(after.Azimuth, kPi / 2.0, 1e-15);
}

TEST(JdPointAt, TwoPointLineAndDegenerateLines) {
    const JdAlignment line = Built({{"QD", 10.0, 20.0}, {"ZD", 13.0, 24.0}}, 500.0);
    for (const double p : {480.0, 500.0, 502.5, 505.0, 530.0}) {
        const StationPoint pt = At(line, p);
        EXPECT_NEAR(pt.X, 10.0 + 0.6 * (p - 500.0), 1e-13) << p;
        EXPECT_NEAR(pt.Y, 20.0 + 0.8 * (p - 500.0), 1e-13) << p;
        EXPECT_EQ(pt.Azimuth, line.Curves()[0].LegAzimuth);
    }
    const JdAlignment one = Built({{"QD", 10.0, 20.0}}, 500.0);
    EXPECT_EQ(tesk::testing::ErrorOf([&] { (void)At(one, 500.0); }, ErrorCode::Geometry),
              "the line has fewer than two vertices and no direction");
    for (const double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        (void)tesk::testing::ErrorOf([&] { (void)At(line, bad); }, ErrorCode::NonFinite);
    }
}

TEST(JdPointAt, AzimuthsComeBackIntoZeroToTwoPi) {
    // Right turn across north (350 deg -> 20 deg) and left turn back across it.
    const double a = 350.0 * kPi / 180.0, b = 20.0 * kPi / 180.0;
    const std::vector<VertexRow> rows = {
        {"QD", 0.0, 0.0},
        {"JD1", 500.0 * std::cos(a), 500.0 * std::sin(a), 400.0, 60.0, 60.0},
        {"JD2", 500.0 * std::cos(a) + 500.0 * std::cos(b),
         500.0 * std::sin(a) + 500.0 * std::sin(b), 400.0, 60.0, 60.0},
        {"ZD", 500.0 * std::cos(a) + 500.0 * std::cos(b) + 500.0 * std::cos(a),
         500.0 * std::sin(a) + 500.0 * std::sin(b) + 500.0 * std::sin(a)}};
    const JdAlignment line = Built(rows);
    double previous = At(line, 0.0).Azimuth;
    for (double p = 0.0; p <= line.Line().End(); p += 0.5) {
        const double az = At(line, p).Azimuth;
        EXPECT_GE(az, 0.0) << p;
        EXPECT_LT(az, 2.0 * kPi) << p;
        EXPECT_NEAR(AngleDiff(az, previous), 0.0, 0.5 / 400.0 + 1e-12) << p;
        previous = az;
    }
    ExpectCurvesMatchIntegration(line);
}

TEST(JdPointAt, HairpinsAreContinuousAlongTheWholeLine) {
    for (const testing::HairpinSpirals sp : testing::kHairpinSpirals) {
        for (const bool keepBack : {false, true}) {
            for (const bool keepAhead : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "flags " << keepBack << keepAhead << " Ls1 "
                                                  << sp.Ls1 << " R1 " << sp.R1);
                const JdAlignment line = Built(testing::Hairpin(keepBack, keepAhead, sp, "ht"));
                ExpectCurvesMatchIntegration(line);
                // Walk the line in 0.25 m steps: no step moves further than the distance walked.
                StationPoint previous = At(line, line.Line().Start());
                EXPECT_EQ(previous.X, line.Vertices()[0].X);
                for (double p = line.Line().Start() + 0.25; p <= line.Line().End(); p += 0.25) {
                    const StationPoint pt = At(line, p);
                    const double step = testing::Distance({pt.X, pt.Y}, {previous.X, previous.Y});
                    EXPECT_LE(step, 0.25 + 1e-9) << p;
                    EXPECT_GE(step, 0.25 * (1.0 - 1e-3)) << p;
                    previous = pt;
                }
                const StationPoint end = At(line, line.Line().End());
                EXPECT_NEAR(end.X, line.Vertices()[2].X, kPos);
                EXPECT_NEAR(end.Y, line.Vertices()[2].Y, kPos);
                alignment::testing::ExpectSegmentsChainTheLine(line.Line(), true);
                alignment::testing::ExpectPointAtMatchesSegmentScan(line.Line(), 500);
            }
        }
    }
}

// Walks the whole line, 5 m beyond both ends, in steps of h: every step moves h along the
// chord (less only by the chord's sag on a curve) in the direction of the mean tangent azimuth.
void ExpectContinuousWalk(const JdAlignment& line, double h) {
    StationPoint previous = At(line, line.Line().Start() - 5.0);
    for (double p = line.Line().Start() - 5.0 + h; p <= line.Line().End() + 5.0; p += h) {
        const StationPoint pt = At(line, p);
        const double step = testing::Distance({pt.X, pt.Y}, {previous.X, previous.Y});
        EXPECT_LE(step, h + 1e-9) << p;
        EXPECT_GE(step, h * (1.0 - 1e-3)) << p;
        const double moved = std::atan2(pt.Y - previous.Y, pt.X - previous.X);
        const double mean = previous.Azimuth + AngleDiff(pt.Azimuth, previous.Azimuth) / 2.0;
        EXPECT_NEAR(AngleDiff(moved, mean), 0.0, 1e-3) << p;
        previous = pt;
    }
}

TEST(JdPointAt, HairpinBetweenCurvesWithEveryFlagCombination) {
    // The hairpin of the tests above, now between two curved vertices: a neighbour flagged "1"
    // lies beyond the hairpin vertex on its leg, one flagged "0" between the vertex and the
    // hairpin's curve, so the legs to it run reversed.
    const double out = 200.0 * kPi / 180.0;
    for (const bool keepBack : {false, true}) {
        for (const bool keepAhead : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "flags " << keepBack << keepAhead);
            const double dAhead = keepAhead ? 300.0 : -60.0;
            const PlanePoint jd3{dAhead * std::cos(out), dAhead * std::sin(out)};
            const std::string name =
                std::string("JD2HT") + (keepBack ? "1" : "0") + (keepAhead ? "1" : "0");
            const JdAlignment line = Built(
                {{"QD", keepBack ? -600.0 : -400.0, keepBack ? -200.0 : -300.0},
                 {"JD1", keepBack ? -250.0 : 60.0, 0.0, 100.0, 30.0, 30.0},
                 {name, 0.0, 0.0, 30.0, 20.0, 25.0, 100.0, 150.0},
                 {"JD3", jd3.X, jd3.Y, 80.0, 20.0, 20.0},
                 {"ZD", jd3.X + 400.0 * std::cos(out + 0.5), jd3.Y + 400.0 * std::sin(out + 0.5)}},
                100.0);
            for (std::size_t k = 0; k + 1 < line.Curves().size(); ++k) {
                EXPECT_GT(line.Curves()[k].StraightLength, 0.0) << k;
            }
            ExpectCurvesMatchIntegration(line);
            ExpectContinuousWalk(line, 0.25);
            const StationPoint end = At(line, line.Line().End());
            EXPECT_NEAR(end.X, line.Vertices()[4].X, kPos);
            EXPECT_NEAR(end.Y, line.Vertices()[4].Y, kPos);
            alignment::testing::ExpectSegmentsChainTheLine(line.Line(), true);
        }
    }
}

// The piece search (buckets over the piece starts, then bisection) finds, bit for bit, the piece
// a scan of the segment list finds: on evenly spaced alternating curves, where the first guess
// is right, and on very uneven legs, where the search must walk far from it.
TEST(JdPointAt, PieceSearchMatchesTheSegmentScan) {
    std::vector<VertexRow> even = {{"QD", 0.0, 0.0}};
    for (int k = 1; k <= 40; ++k) {
        even.push_back({"JD" + std::to_string(k), 300.0 * k, (k % 2 == 0 ? 80.0 : -80.0),
                        150.0 + 2 * k, (k % 3 == 0 ? 0.0 : 40.0), 30.0});
    }
    even.push_back({"ZD", 300.0 * 41, 0.0});
    std::vector<VertexRow> uneven = {{"QD", 0.0, 0.0}};
    for (int k = 1; k <= 41; ++k) {
        const double leg = (k % 13 == 0) ? 40'000.0 : (k < 8 ? 5'000.0 : 400.0);
        const double dir = (k % 2 == 0 ? 0.5 : -0.5);
        const VertexRow& prev = uneven.back();
        uneven.push_back({"JD" + std::to_string(k), prev.X + leg * std::cos(dir),
                          prev.Y + leg * std::sin(dir), 250.0, 40.0, 30.0});
    }
    uneven.back() = {"ZD", uneven.back().X, uneven.back().Y};
    for (const auto& rows : {even, uneven}) {
        const JdAlignment line = Built(rows, 5000.0);
        alignment::testing::ExpectSegmentsChainTheLine(line.Line(), true);
        alignment::testing::ExpectPointAtMatchesSegmentScan(line.Line());
    }
}

// Curve 3 has so long a tangent on a short leg that its ZH lies before the ZH of curve 2.
std::vector<VertexRow> OverlappingLine() {
    return {{"QD", 0.0, 0.0},
            {"JD1", 100.0, 0.0, 50.0, 0.0, 0.0},
            {"JD2", 100.0, 50.0, 200.0, 0.0, 0.0},
            {"JD3", 0.0, 50.0, 30.0, 0.0, 0.0},
            {"ZD", 0.0, 200.0}};
}

TEST(JdPointAt, OverlappingCurvesAreKeptAndEveryStationFindsItsPiece) {
    const JdAlignment line = Built(OverlappingLine());
    const std::vector<JdCurve>& c = line.Curves();
    EXPECT_LT(c[1].StraightLength, 0.0) << "the overlap is kept, not refused";
    EXPECT_LT(c[2].StationZH, c[1].StationZH);
    alignment::testing::ExpectSegmentsChainTheLine(line.Line(), false);
    alignment::testing::ExpectPointAtMatchesSegmentScan(line.Line());
}

} // namespace
} // namespace tesk::jd
