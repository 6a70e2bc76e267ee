#include "state/alignment_tables.h"
#include "jd_test_support.h"
#include "geometry/error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tesk::jd {
namespace {

using geometry::ErrorCode;
using geometry::PlanePoint;
using geometry::RuntimeError;
using state::SharedState;
using geometry::StationPoint;
using testing::AngleDiff;
using testing::FillVertices;
using testing::kPi;
using testing::MixedLine;
using testing::RightAngleLine;
using testing::VertexRow;

constexpr double kPos = 1e-9;    // m
constexpr double kAngle = 1e-12; // rad

SharedState Built(const std::vector<VertexRow>& rows, double start = 0.0) {
    SharedState s;
    FillVertices(s, start, rows);
    BuildJdAlignment(s);
    return s;
}

void ExpectSamePoint(const StationPoint& a, const StationPoint& b, double pos, double angle) {
    EXPECT_NEAR(a.X, b.X, pos);
    EXPECT_NEAR(a.Y, b.Y, pos);
    EXPECT_NEAR(AngleDiff(a.Azimuth, b.Azimuth), 0.0, angle);
}

void ExpectIdentical(const StationPoint& a, const StationPoint& b) {
    EXPECT_EQ(a.X, b.X);
    EXPECT_EQ(a.Y, b.Y);
    EXPECT_EQ(a.Azimuth, b.Azimuth);
}

TEST(JdStationToPoint, MainPointsGiveTheStoredPoints) {
    const SharedState s = Built(MixedLine(), 1000.0);
    for (int i = 2; i < s.JdCount; ++i) {
        SCOPED_TRACE(i);
        const StationPoint zh = JdStationToPoint(s, s.StationZH[i]);
        if (i > 2) { // at ZH(2) the leg before the first curve decides, with the same point
            EXPECT_EQ(zh.X, s.ZhX[i]) << "the stored ZH itself, no series";
            EXPECT_EQ(zh.Y, s.ZhY[i]);
        }
        ExpectSamePoint(zh, {s.ZhX[i], s.ZhY[i], s.LegAzimuth[i - 1]}, kPos, kAngle);
        ExpectSamePoint(JdStationToPoint(s, s.StationHY[i]), {s.HyX[i], s.HyY[i], s.AzimuthHY[i]},
                        kPos, kAngle);
        ExpectSamePoint(JdStationToPoint(s, s.StationQZ[i]), {s.QzX[i], s.QzY[i], s.AzimuthQZ[i]},
                        kPos, kAngle);
        ExpectSamePoint(JdStationToPoint(s, s.StationYH[i]), {s.YhX[i], s.YhY[i], s.AzimuthYH[i]},
                        kPos, kAngle);
        ExpectSamePoint(JdStationToPoint(s, s.StationHZ[i]), {s.HzX[i], s.HzY[i], s.LegAzimuth[i]},
                        kPos, kAngle);
    }
    const StationPoint start = JdStationToPoint(s, s.JdStation[1]);
    EXPECT_EQ(start.X, s.JdX[1]);
    EXPECT_EQ(start.Y, s.JdY[1]);
    const StationPoint end = JdStationToPoint(s, s.JdStation[s.JdCount]);
    EXPECT_NEAR(end.X, s.JdX[s.JdCount], kPos);
    EXPECT_NEAR(end.Y, s.JdY[s.JdCount], kPos);
}

TEST(JdStationToPoint, ContinuousAtEveryMainPoint) {
    for (const auto& rows : {MixedLine(), RightAngleLine(50.0, 20.0, 20.0, 200.0, 0.0)}) {
        const SharedState s = Built(rows, 250.0);
        for (int i = 2; i < s.JdCount; ++i) {
            for (const double p :
                 {s.StationZH[i], s.StationHY[i], s.StationQZ[i], s.StationYH[i], s.StationHZ[i]}) {
                SCOPED_TRACE(::testing::Message() << "vertex " << i << " station " << p);
                const StationPoint before = JdStationToPoint(s, p - 1e-9);
                const StationPoint at = JdStationToPoint(s, p);
                const StationPoint after = JdStationToPoint(s, p + 1e-9);
                ExpectSamePoint(before, at, 1e-8, 1e-10);
                ExpectSamePoint(after, at, 1e-8, 1e-10);
            }
        }
    }
}

// Every station of every curve against the curve integrated from its curvature.
void ExpectCurvesMatchIntegration(const SharedState& s) {
    for (int i = 2; i < s.JdCount; ++i) {
        const double side = s.Deflection[i] > 0 ? 1.0 : -1.0;
        const double r = std::fabs(s.JdRadius[i]);
        const double r1 = std::fabs(s.JdSpiral1OuterRadius[i]);
        const double r2 = std::fabs(s.JdSpiral2OuterRadius[i]);
        const double ls1 = std::fabs(s.JdSpiral1[i]);
        const double ls2 = std::fabs(s.JdSpiral2[i]);
        const double lc =
            testing::IntegratedCurve::ArcLengthFor(s.Deflection[i], r, r1, r2, ls1, ls2);
        const testing::IntegratedCurve curve({s.ZhX[i], s.ZhY[i]}, s.LegAzimuth[i - 1], side, r, r1,
                                             r2, ls1, ls2, lc);
        const int steps = 40;
        for (int k = 0; k <= steps; ++k) {
            const double l = curve.Length() * k / steps;
            SCOPED_TRACE(::testing::Message() << "vertex " << i << " at " << l);
            const PlanePoint ref = curve.Point(l);
            const StationPoint got = JdStationToPoint(s, s.StationZH[i] + l);
            EXPECT_NEAR(got.X, ref.X, 2e-9);
            EXPECT_NEAR(got.Y, ref.Y, 2e-9);
            EXPECT_NEAR(AngleDiff(got.Azimuth, curve.Azimuth(l)), 0.0, 1e-12);
            EXPECT_GE(got.Azimuth, 0.0);
            EXPECT_LT(got.Azimuth, 2.0 * kPi);
        }
    }
}

TEST(JdStationToPoint, CurvesMatchNumericalIntegration) {
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

TEST(JdStationToPoint, CurvatureGrowsLinearlyAlongSpirals) {
    // Incomplete entry spiral 1/200 -> 1/50 over 20 m; complete exit spiral 1/50 -> 0 over 20 m.
    const SharedState s = Built(RightAngleLine(50.0, 20.0, 20.0, 200.0, 0.0));
    const double h = 1e-3;
    const auto curvature = [&](double p) {
        return AngleDiff(JdStationToPoint(s, p + h).Azimuth, JdStationToPoint(s, p - h).Azimuth) /
               (2.0 * h);
    };
    for (double l = 1.0; l < 20.0; l += 1.0) {
        EXPECT_NEAR(curvature(s.StationZH[2] + l),
                    1.0 / 200.0 + (1.0 / 50.0 - 1.0 / 200.0) * l / 20.0, 1e-9)
            << l;
        EXPECT_NEAR(curvature(s.StationHZ[2] - l), (1.0 / 50.0) * l / 20.0, 1e-9) << l;
    }
    // Constant on the arc.
    EXPECT_NEAR(curvature(s.StationQZ[2]), 1.0 / 50.0, 1e-9);
}

TEST(JdStationToPoint, LeftTurnMirrorsRightTurn) {
    std::vector<VertexRow> rows = RightAngleLine(50.0, 30.0, 10.0, 300.0, 0.0);
    const SharedState right = Built(rows);
    for (VertexRow& v : rows) {
        v.Y = -v.Y;
    }
    const SharedState left = Built(rows);
    for (double p = -20.0; p < right.JdStation[3] + 20.0; p += 3.7) {
        const StationPoint a = JdStationToPoint(right, p);
        const StationPoint b = JdStationToPoint(left, p);
        EXPECT_NEAR(a.X, b.X, 1e-12) << p;
        EXPECT_NEAR(a.Y, -b.Y, 1e-12) << p;
        EXPECT_NEAR(AngleDiff(a.Azimuth, -b.Azimuth), 0.0, 1e-14) << p;
    }
}

TEST(JdStationToPoint, ExtendsTheEndLegs) {
    const SharedState s = Built(RightAngleLine(50.0, 20.0, 20.0), 100.0);
    const StationPoint before = JdStationToPoint(s, 100.0 - 30.0);
    EXPECT_NEAR(before.X, -30.0, 1e-12);
    EXPECT_NEAR(before.Y, 0.0, 1e-12);
    EXPECT_EQ(before.Azimuth, 0.0);
    const double end = s.JdStation[3];
    const StationPoint after = JdStationToPoint(s, end + 40.0);
    EXPECT_NEAR(after.X, 100.0, 1e-12);
    EXPECT_NEAR(after.Y, 140.0, 1e-12);
    EXPECT_NEAR(after.Azimuth, kPi / 2.0, 1e-15);
}

TEST(JdStationToPoint, TwoPointLineAndDegenerateLines) {
    const SharedState s = Built({{"QD", 10.0, 20.0}, {"ZD", 13.0, 24.0}}, 500.0);
    for (const double p : {480.0, 500.0, 502.5, 505.0, 530.0}) {
        const StationPoint pt = JdStationToPoint(s, p);
        EXPECT_NEAR(pt.X, 10.0 + 0.6 * (p - 500.0), 1e-13) << p;
        EXPECT_NEAR(pt.Y, 20.0 + 0.8 * (p - 500.0), 1e-13) << p;
        EXPECT_EQ(pt.Azimuth, s.LegAzimuth[1]);
    }
    const SharedState one = Built({{"QD", 10.0, 20.0}}, 500.0);
    EXPECT_THROW((void)JdStationToPoint(one, 500.0), RuntimeError);
    EXPECT_THROW((void)JdStationToPoint(s, std::numeric_limits<double>::quiet_NaN()), RuntimeError);
}

TEST(JdStationToPoint, AzimuthsComeBackIntoZeroToTwoPi) {
    // Right turn across north (350 deg -> 20 deg) and left turn back across it.
    const double a = 350.0 * kPi / 180.0, b = 20.0 * kPi / 180.0;
    const std::vector<VertexRow> rows = {
        {"QD", 0.0, 0.0},
        {"JD1", 500.0 * std::cos(a), 500.0 * std::sin(a), 400.0, 60.0, 60.0},
        {"JD2", 500.0 * std::cos(a) + 500.0 * std::cos(b),
         500.0 * std::sin(a) + 500.0 * std::sin(b), 400.0, 60.0, 60.0},
        {"ZD", 500.0 * std::cos(a) + 500.0 * std::cos(b) + 500.0 * std::cos(a),
         500.0 * std::sin(a) + 500.0 * std::sin(b) + 500.0 * std::sin(a)}};
    const SharedState s = Built(rows);
    double previous = JdStationToPoint(s, 0.0).Azimuth;
    for (double p = 0.0; p <= s.JdStation[4]; p += 0.5) {
        const double az = JdStationToPoint(s, p).Azimuth;
        EXPECT_GE(az, 0.0) << p;
        EXPECT_LT(az, 2.0 * kPi) << p;
        EXPECT_NEAR(AngleDiff(az, previous), 0.0, 0.5 / 400.0 + 1e-12) << p;
        previous = az;
    }
    ExpectCurvesMatchIntegration(s);
}

TEST(JdStationToPoint, HairpinsAreContinuousAlongTheWholeLine) {
    for (const testing::HairpinSpirals sp : testing::kHairpinSpirals) {
        for (const bool keepBack : {false, true}) {
            for (const bool keepAhead : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "flags " << keepBack << keepAhead << " Ls1 "
                                                  << sp.Ls1 << " R1 " << sp.R1);
                const SharedState s = Built(testing::Hairpin(keepBack, keepAhead, sp, "ht"));
                ExpectCurvesMatchIntegration(s);
                // Walk the line in 0.25 m steps: no step moves further than the distance walked.
                StationPoint previous = JdStationToPoint(s, s.JdStation[1]);
                EXPECT_EQ(previous.X, s.JdX[1]);
                for (double p = s.JdStation[1] + 0.25; p <= s.JdStation[3]; p += 0.25) {
                    const StationPoint pt = JdStationToPoint(s, p);
                    const double step = testing::Distance({pt.X, pt.Y}, {previous.X, previous.Y});
                    EXPECT_LE(step, 0.25 + 1e-9) << p;
                    EXPECT_GE(step, 0.25 * (1.0 - 1e-3)) << p;
                    previous = pt;
                }
                const StationPoint end = JdStationToPoint(s, s.JdStation[3]);
                EXPECT_NEAR(end.X, s.JdX[3], kPos);
                EXPECT_NEAR(end.Y, s.JdY[3], kPos);
            }
        }
    }
}

// Walks the whole line, 5 m beyond both ends, in steps of h: every step moves h along the
// chord (less only by the chord's sag on a curve) in the direction of the mean tangent azimuth.
void ExpectContinuousWalk(const SharedState& s, double h) {
    const int n = s.JdCount;
    StationPoint previous = JdStationToPoint(s, s.JdStation[1] - 5.0);
    for (double p = s.JdStation[1] - 5.0 + h; p <= s.JdStation[n] + 5.0; p += h) {
        const StationPoint pt = JdStationToPoint(s, p);
        const double step = testing::Distance({pt.X, pt.Y}, {previous.X, previous.Y});
        EXPECT_LE(step, h + 1e-9) << p;
        EXPECT_GE(step, h * (1.0 - 1e-3)) << p;
        const double moved = std::atan2(pt.Y - previous.Y, pt.X - previous.X);
        const double mean = previous.Azimuth + AngleDiff(pt.Azimuth, previous.Azimuth) / 2.0;
        EXPECT_NEAR(AngleDiff(moved, mean), 0.0, 1e-3) << p;
        previous = pt;
    }
}

TEST(JdStationToPoint, HairpinBetweenCurvesWithEveryFlagCombination) {
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
            const SharedState s = Built(
                {{"QD", keepBack ? -600.0 : -400.0, keepBack ? -200.0 : -300.0},
                 {"JD1", keepBack ? -250.0 : 60.0, 0.0, 100.0, 30.0, 30.0},
                 {name, 0.0, 0.0, 30.0, 20.0, 25.0, 100.0, 150.0},
                 {"JD3", jd3.X, jd3.Y, 80.0, 20.0, 20.0},
                 {"ZD", jd3.X + 400.0 * std::cos(out + 0.5), jd3.Y + 400.0 * std::sin(out + 0.5)}},
                100.0);
            for (int i = 2; i < s.JdCount; ++i) {
                EXPECT_GT(s.StraightLength[i - 1], 0.0) << i;
            }
            ExpectCurvesMatchIntegration(s);
            ExpectContinuousWalk(s, 0.25);
            const StationPoint end = JdStationToPoint(s, s.JdStation[5]);
            EXPECT_NEAR(end.X, s.JdX[5], kPos);
            EXPECT_NEAR(end.Y, s.JdY[5], kPos);
        }
    }
}

std::vector<double> SampleStations(const SharedState& s) {
    std::vector<double> p;
    const double first = s.JdStation[1] - 10.0;
    const double last = s.JdStation[s.JdCount] + 10.0;
    for (int k = 0; k <= 4999; ++k) {
        p.push_back(first + (last - first) * k / 4999.0);
    }
    for (int i = 2; i < s.JdCount; ++i) { // every boundary exactly
        for (const double m : {s.StationZH[i], s.StationHY[i], s.StationYH[i], s.StationHZ[i]}) {
            p.push_back(m);
        }
    }
    return p;
}

TEST(JdStationToPoint, BisectionMatchesTheScan) {
    // A long line of alternating curves: StationZH increases and the search bisects.
    std::vector<VertexRow> rows = {{"QD", 0.0, 0.0}};
    for (int k = 1; k <= 40; ++k) {
        rows.push_back({"JD" + std::to_string(k), 300.0 * k, (k % 2 == 0 ? 80.0 : -80.0),
                        150.0 + 2 * k, (k % 3 == 0 ? 0.0 : 40.0), 30.0});
    }
    rows.push_back({"ZD", 300.0 * 41, 0.0});
    // The same curves spaced very unevenly: a few long legs among many short ones, so the
    // search must walk far from a first guess that assumes even spacing.
    std::vector<VertexRow> uneven = {{"QD", 0.0, 0.0}};
    for (int k = 1; k <= 41; ++k) {
        const double leg = (k % 13 == 0) ? 40'000.0 : (k < 8 ? 5'000.0 : 400.0);
        const double dir = (k % 2 == 0 ? 0.5 : -0.5);
        const VertexRow& prev = uneven.back();
        uneven.push_back({"JD" + std::to_string(k), prev.X + leg * std::cos(dir),
                          prev.Y + leg * std::sin(dir), 250.0, 40.0, 30.0});
    }
    uneven.back() = {"ZD", uneven.back().X, uneven.back().Y};
    for (const auto& line : {rows, uneven}) {
        SharedState s = Built(line, 5000.0);
        ASSERT_TRUE(s.StationZHIncreasing);
        SharedState scan = s;
        scan.StationZHIncreasing = false;
        for (const double p : SampleStations(s)) {
            ExpectIdentical(JdStationToPoint(s, p), JdStationToPoint(scan, p));
        }
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

TEST(JdStationToPoint, OverlappingCurvesFallBackToTheScan) {
    SharedState s = Built(OverlappingLine());
    EXPECT_LT(s.StraightLength[2], 0.0) << "the overlap is stored, not refused";
    EXPECT_LT(s.StationZH[3], s.StationZH[2]);
    EXPECT_FALSE(s.StationZHIncreasing);
    // The scan's answer is the one given: forcing the scan changes nothing, and every station
    // of the line finds a rule.
    SharedState scan = s;
    scan.StationZHIncreasing = false;
    for (const double p : SampleStations(s)) {
        ExpectIdentical(JdStationToPoint(s, p), JdStationToPoint(scan, p));
    }
}

} // namespace
} // namespace tesk::jd
