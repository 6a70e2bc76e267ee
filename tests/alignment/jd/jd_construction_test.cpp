#include "state/alignment_tables.h"
#include "jd_test_support.h"
#include "geometry/error.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tesk::jd {
namespace {

using geometry::ErrorCode;
using geometry::PlanePoint;
using geometry::RuntimeError;
using state::SharedState;
using testing::FillVertices;
using testing::kPi;
using testing::RightAngleLine;
using testing::VertexRow;

constexpr double kWorked = 5e-5; // m or rad: the worked values are printed to 4 decimals
constexpr double kTight = 1e-9;  // m: geometric identities

PlanePoint Hy(const SharedState& s, int i) {
    return {s.HyX[i], s.HyY[i]};
}
PlanePoint Yh(const SharedState& s, int i) {
    return {s.YhX[i], s.YhY[i]};
}

// Arc centre seen from a point with tangent azimuth `az`, |R| to the side of the turn.
PlanePoint Centre(PlanePoint from, double az, double side, double r) {
    return geometry::PlaceOffset(from, az, 0.0, side * std::fabs(r));
}

SharedState Built(const std::vector<VertexRow>& rows, double start = 0.0) {
    SharedState s;
    FillVertices(s, start, rows);
    BuildJdAlignment(s);
    return s;
}

ErrorCode BuildError(const std::vector<VertexRow>& rows) {
    SharedState s;
    FillVertices(s, 0.0, rows);
    try {
        BuildJdAlignment(s);
    } catch (const RuntimeError& e) {
        return e.Code();
    }
    ADD_FAILURE() << "construction accepted bad data";
    return ErrorCode::Cancelled;
}

TEST(BuildJdAlignment, WorkedCircularCurve) {
    const SharedState s = Built(RightAngleLine(50.0, 0.0, 0.0));
    EXPECT_NEAR(s.Deflection[2], kPi / 2.0, 1e-15);
    EXPECT_EQ(s.TurnsRight[2], 1);
    EXPECT_NEAR(s.Tangent1[2], 50.0, kWorked);
    EXPECT_NEAR(s.Tangent2[2], 50.0, kWorked);
    EXPECT_NEAR(s.CurveLength[2], 78.5398, kWorked);
    EXPECT_NEAR(s.ArcLength[2], 78.5398, kWorked);
    EXPECT_NEAR(s.JdStation[2], 100.0, kWorked);
    EXPECT_NEAR(s.JdStation[3], 178.5398, kWorked);
    EXPECT_NEAR(s.StationZH[2], 50.0, kWorked);
    EXPECT_EQ(s.StationHY[2], s.StationZH[2]);
    EXPECT_NEAR(s.StationQZ[2], 89.2699, kWorked);
    EXPECT_NEAR(s.StationYH[2], 128.5398, kWorked);
    EXPECT_EQ(s.StationHZ[2], s.StationYH[2]);
    EXPECT_NEAR(s.QzX[2], 85.3553, kWorked);
    EXPECT_NEAR(s.QzY[2], 14.6447, kWorked);
    EXPECT_NEAR(s.AzimuthQZ[2], kPi / 4.0, kWorked);
    // Without spirals ZH = HY (ZY) and YH = HZ (YZ) in coordinates too.
    EXPECT_EQ(s.ZhX[2], s.HyX[2]);
    EXPECT_EQ(s.ZhY[2], s.HyY[2]);
    EXPECT_EQ(s.YhX[2], s.HzX[2]);
    EXPECT_EQ(s.YhY[2], s.HzY[2]);
    // Closed forms: ZY at (50, 0), YZ at (100, 50), QZ at the centre (50, 50) less R/sqrt 2.
    EXPECT_NEAR(s.ZhX[2], 50.0, kTight);
    EXPECT_NEAR(s.ZhY[2], 0.0, kTight);
    EXPECT_NEAR(s.HzX[2], 100.0, kTight);
    EXPECT_NEAR(s.HzY[2], 50.0, kTight);
    EXPECT_NEAR(s.QzX[2], 50.0 + 50.0 / std::sqrt(2.0), kTight);
    EXPECT_NEAR(s.QzY[2], 50.0 - 50.0 / std::sqrt(2.0), kTight);
    EXPECT_NEAR(s.JdStation[3], 100.0 + 25.0 * kPi, kTight);
}

TEST(BuildJdAlignment, WorkedSymmetricSpirals) {
    const SharedState s = Built(RightAngleLine(50.0, 20.0, 20.0));
    EXPECT_NEAR(s.Tangent1[2], 60.3195, kWorked);
    EXPECT_NEAR(s.Tangent2[2], 60.3195, kWorked);
    EXPECT_NEAR(s.CurveLength[2], 98.5398, kWorked);
    EXPECT_NEAR(s.ArcLength[2], 58.5398, kWorked);
    EXPECT_NEAR(s.StationZH[2], 39.6805, kWorked);
    EXPECT_NEAR(s.HyX[2], 59.6006, kWorked);
    EXPECT_NEAR(s.HyY[2], 1.3295, kWorked);
    EXPECT_NEAR(s.QzX[2], 85.0225, kWorked);
    EXPECT_NEAR(s.QzY[2], 14.9775, kWorked);
    EXPECT_NEAR(s.YhX[2], 98.6705, kWorked);
    EXPECT_NEAR(s.YhY[2], 40.3994, kWorked);
    EXPECT_NEAR(s.AzimuthHY[2], 0.2, 1e-15);
    EXPECT_NEAR(s.AzimuthYH[2], kPi / 2.0 - 0.2, 1e-15);
    EXPECT_NEAR(s.JdStation[3], 177.9007, kWorked);
    // The curve is symmetric about the bisector through the vertex: QZ lies on it, at 45 deg.
    EXPECT_NEAR(s.QzX[2] + s.QzY[2], 100.0, kTight);
    EXPECT_NEAR(s.HyX[2], 100.0 - s.YhY[2], kTight);
    EXPECT_NEAR(s.HyY[2], 100.0 - s.YhX[2], kTight);
}

TEST(BuildJdAlignment, WorkedUnequalSpirals) {
    const SharedState s = Built(RightAngleLine(50.0, 30.0, 10.0));
    EXPECT_NEAR(s.Tangent1[2], 65.0384, kWorked);
    EXPECT_NEAR(s.Tangent2[2], 55.7459, kWorked);
    EXPECT_NEAR(s.CurveLength[2], 98.5398, kWorked);
    EXPECT_NEAR(s.HyX[2], 64.6927, kWorked);
    EXPECT_NEAR(s.HyY[2], 2.9808, kWorked);
    EXPECT_NEAR(s.YhX[2], 99.6669, kWorked);
    EXPECT_NEAR(s.YhY[2], 45.7559, kWorked);
    const PlanePoint c1 = Centre(Hy(s, 2), s.AzimuthHY[2], 1.0, 50.0);
    const PlanePoint c2 = Centre(Yh(s, 2), s.AzimuthYH[2], 1.0, 50.0);
    EXPECT_NEAR(c1.X, 49.9167, kWorked);
    EXPECT_NEAR(c1.Y, 50.7476, kWorked);
    EXPECT_NEAR(c1.X, c2.X, kTight);
    EXPECT_NEAR(c1.Y, c2.Y, kTight);
    EXPECT_NEAR(s.AzimuthYH[2] - s.AzimuthHY[2], s.ArcLength[2] / 50.0, 1e-14);
    // QZ lies on the same circle.
    EXPECT_NEAR(testing::Distance({s.QzX[2], s.QzY[2]}, c1), 50.0, kTight);
}

TEST(BuildJdAlignment, WorkedIncompleteEntrySpiral) {
    const SharedState s = Built(RightAngleLine(50.0, 20.0, 20.0, 200.0, 0.0));
    EXPECT_NEAR(s.Spiral1Lead[2], 6.6667, kWorked);
    EXPECT_NEAR(s.Spiral1Lead[2], 20.0 / 3.0, 1e-14);
    EXPECT_EQ(s.Spiral2Lead[2], 0.0);
    EXPECT_NEAR(s.ArcAngle[2], 1.5875, kWorked);
    EXPECT_NEAR(s.Tangent1[2], 57.8098, kWorked);
    EXPECT_NEAR(s.Tangent2[2], 60.4231, kWorked);
    EXPECT_NEAR(s.CurveLength[2], 96.0398, kWorked);
    EXPECT_NEAR(s.ArcLength[2], 56.0398, kWorked);
    const PlanePoint c1 = Centre(Hy(s, 2), s.AzimuthHY[2], 1.0, 50.0);
    const PlanePoint c2 = Centre(Yh(s, 2), s.AzimuthYH[2], 1.0, 50.0);
    EXPECT_NEAR(c1.X, 49.6671, kWorked);
    EXPECT_NEAR(c1.Y, 50.4364, kWorked);
    EXPECT_NEAR(c1.X, c2.X, kTight);
    EXPECT_NEAR(c1.Y, c2.Y, kTight);
}

// The constructed curve against the curve rebuilt from its curvature alone: starting at ZH on the
// back leg, it must arrive at HZ on the ahead leg with the ahead leg's direction, and pass HY and
// YH at the stored points. Covers the tangent lengths, leads and main points of any data set.
void ExpectMatchesIntegratedCurve(const SharedState& s, int i) {
    const double side = s.Deflection[i] > 0 ? 1.0 : -1.0;
    const double r = std::fabs(s.JdRadius[i]);
    const double r1 = std::fabs(s.JdSpiral1OuterRadius[i]);
    const double r2 = std::fabs(s.JdSpiral2OuterRadius[i]);
    const double ls1 = std::fabs(s.JdSpiral1[i]);
    const double ls2 = std::fabs(s.JdSpiral2[i]);
    const double lc = testing::IntegratedCurve::ArcLengthFor(s.Deflection[i], r, r1, r2, ls1, ls2);
    const testing::IntegratedCurve curve({s.ZhX[i], s.ZhY[i]}, s.LegAzimuth[i - 1], side, r, r1, r2,
                                         ls1, ls2, lc);
    SCOPED_TRACE("vertex " + std::to_string(i));
    // ZH lies on the back leg.
    const double back = s.LegAzimuth[i - 1];
    EXPECT_NEAR((s.ZhX[i] - s.JdX[i]) * std::sin(back) - (s.ZhY[i] - s.JdY[i]) * std::cos(back),
                0.0, kTight);
    EXPECT_NEAR(curve.Length(), s.CurveLength[i], kTight);
    EXPECT_NEAR(lc, std::fabs(s.ArcLength[i]), kTight);
    const PlanePoint hy = curve.Point(ls1);
    const PlanePoint yh = curve.Point(ls1 + lc);
    const PlanePoint hz = curve.Point(curve.Length());
    EXPECT_NEAR(hy.X, s.HyX[i], kTight);
    EXPECT_NEAR(hy.Y, s.HyY[i], kTight);
    EXPECT_NEAR(yh.X, s.YhX[i], kTight);
    EXPECT_NEAR(yh.Y, s.YhY[i], kTight);
    EXPECT_NEAR(hz.X, s.HzX[i], kTight);
    EXPECT_NEAR(hz.Y, s.HzY[i], kTight);
    const PlanePoint qz = curve.Point(ls1 + lc / 2.0);
    EXPECT_NEAR(qz.X, s.QzX[i], kTight);
    EXPECT_NEAR(qz.Y, s.QzY[i], kTight);
    EXPECT_NEAR(testing::AngleDiff(curve.Azimuth(ls1), s.AzimuthHY[i]), 0.0, 1e-13);
    EXPECT_NEAR(testing::AngleDiff(curve.Azimuth(ls1 + lc / 2.0), s.AzimuthQZ[i]), 0.0, 1e-13);
    EXPECT_NEAR(testing::AngleDiff(curve.Azimuth(ls1 + lc), s.AzimuthYH[i]), 0.0, 1e-13);
    EXPECT_NEAR(testing::AngleDiff(curve.Azimuth(curve.Length()), s.LegAzimuth[i]), 0.0, 1e-13);
    // HZ lies on the ahead leg.
    const double ahead = s.LegAzimuth[i];
    EXPECT_NEAR((s.HzX[i] - s.JdX[i]) * std::sin(ahead) - (s.HzY[i] - s.JdY[i]) * std::cos(ahead),
                0.0, kTight);
}

TEST(BuildJdAlignment, CurvesMatchTheirIntegratedCurvature) {
    // Right and left turns, small and large deflections, complete, unequal and incomplete spirals.
    const SharedState s = Built(testing::MixedLine(), 12'345.678);
    for (int i = 2; i < s.JdCount; ++i) {
        ExpectMatchesIntegratedCurve(s, i);
        EXPECT_GT(s.StraightLength[i], 0.0);
    }
    EXPECT_EQ(s.TurnsRight[2], 1);
    EXPECT_EQ(s.TurnsRight[3], 0);
    EXPECT_EQ(s.TurnsRight[4], 1);
    // The vertex stations add up the travelled length: straights and curves.
    double travelled = s.StartStation + s.StraightLength[1];
    for (int i = 2; i < s.JdCount; ++i) {
        travelled += s.CurveLength[i] + s.StraightLength[i];
    }
    EXPECT_NEAR(s.JdStation[s.JdCount], travelled, 1e-8);
    EXPECT_TRUE(s.StationZHIncreasing);
}

TEST(BuildJdAlignment, LeftTurnMirrorsRightTurn) {
    const SharedState right = Built(RightAngleLine(50.0, 30.0, 10.0, 300.0, 0.0));
    std::vector<VertexRow> mirrored = RightAngleLine(50.0, 30.0, 10.0, 300.0, 0.0);
    for (VertexRow& v : mirrored) {
        v.Y = -v.Y;
    }
    const SharedState left = Built(mirrored);
    EXPECT_EQ(left.TurnsRight[2], 0);
    EXPECT_NEAR(left.Deflection[2], -right.Deflection[2], 1e-15);
    EXPECT_NEAR(left.Tangent1[2], right.Tangent1[2], 1e-12);
    EXPECT_NEAR(left.Tangent2[2], right.Tangent2[2], 1e-12);
    EXPECT_NEAR(left.CurveLength[2], right.CurveLength[2], 1e-12);
    EXPECT_NEAR(left.JdStation[3], right.JdStation[3], 1e-12);
    const double* const rx[] = {&right.ZhX[2], &right.HyX[2], &right.QzX[2], &right.YhX[2],
                                &right.HzX[2]};
    const double* const lx[] = {&left.ZhX[2], &left.HyX[2], &left.QzX[2], &left.YhX[2],
                                &left.HzX[2]};
    const double* const ry[] = {&right.ZhY[2], &right.HyY[2], &right.QzY[2], &right.YhY[2],
                                &right.HzY[2]};
    const double* const ly[] = {&left.ZhY[2], &left.HyY[2], &left.QzY[2], &left.YhY[2],
                                &left.HzY[2]};
    for (int k = 0; k < 5; ++k) {
        EXPECT_NEAR(*lx[k], *rx[k], 1e-12) << k;
        EXPECT_NEAR(*ly[k], -*ry[k], 1e-12) << k;
    }
    EXPECT_NEAR(testing::AngleDiff(left.AzimuthHY[2], -right.AzimuthHY[2]), 0.0, 1e-14);
    EXPECT_NEAR(testing::AngleDiff(left.AzimuthYH[2], -right.AzimuthYH[2]), 0.0, 1e-14);
    ExpectMatchesIntegratedCurve(left, 2);
}

TEST(BuildJdAlignment, EndRowsAndShortLines) {
    const SharedState s = Built(RightAngleLine(50.0, 20.0, 20.0), 1000.0);
    for (const int i : {1, 3}) {
        EXPECT_EQ(s.Tangent1[i], 0.0);
        EXPECT_EQ(s.Tangent2[i], 0.0);
        for (const double x : {s.ZhX[i], s.HyX[i], s.QzX[i], s.YhX[i], s.HzX[i]}) {
            EXPECT_EQ(x, s.JdX[i]);
        }
        for (const double y : {s.ZhY[i], s.HyY[i], s.QzY[i], s.YhY[i], s.HzY[i]}) {
            EXPECT_EQ(y, s.JdY[i]);
        }
    }
    EXPECT_EQ(s.JdStation[1], 1000.0);

    // Two points: one straight, no curve rows.
    const SharedState two = Built({{"QD", 10.0, 20.0}, {"ZD", 13.0, 24.0}}, 500.0);
    EXPECT_EQ(two.JdStation[2], 505.0);
    EXPECT_EQ(two.StraightLength[1], 5.0);
    EXPECT_NEAR(two.LegAzimuth[1], std::atan2(4.0, 3.0), 1e-15);

    // One point: a line of zero length.
    const SharedState one = Built({{"QD", 10.0, 20.0}}, 500.0);
    EXPECT_EQ(one.JdStation[1], 500.0);
    EXPECT_EQ(one.ZhX[1], 10.0);
    EXPECT_EQ(one.HzY[1], 20.0);
}

TEST(BuildJdAlignment, RefusesUnbuildableData) {
    // Collinear vertices: zero deflection.
    EXPECT_EQ(BuildError({{"QD", 0, 0}, {"JD1", 100, 0, 50, 0, 0}, {"ZD", 200, 0}}),
              ErrorCode::DivisionByZero);
    EXPECT_EQ(BuildError({{"QD", 0, 0}, {"JD1", 1, 1, 50, 0, 0}, {"ZD", 3, 3}}),
              ErrorCode::DivisionByZero);
    // The line turning straight back (180 deg): parallel legs.
    EXPECT_EQ(BuildError({{"QD", 0, 0}, {"JD1", 100, 0, 50, 0, 0}, {"ZD", 50, 0}}),
              ErrorCode::DivisionByZero);
    // R = 0.
    EXPECT_EQ(BuildError(RightAngleLine(0.0, 0.0, 0.0)), ErrorCode::DivisionByZero);
    // An outer radius equal to R divides by zero; a smaller one makes A*A negative.
    EXPECT_EQ(BuildError(RightAngleLine(50.0, 20.0, 20.0, 50.0, 0.0)), ErrorCode::DivisionByZero);
    EXPECT_EQ(BuildError(RightAngleLine(50.0, 20.0, 20.0, 0.0, 50.0)), ErrorCode::DivisionByZero);
    EXPECT_EQ(BuildError(RightAngleLine(50.0, 20.0, 20.0, 40.0, 0.0)), ErrorCode::Geometry);
    // Spirals turning through more than the 90 deg deflection (2 * 100/(2*50) = 2 rad).
    EXPECT_EQ(BuildError(RightAngleLine(50.0, 100.0, 100.0)), ErrorCode::Geometry);
    // An outer radius so close to R that the clothoid's origin lies 67 km and 33 rad back: its
    // series cannot be summed in double precision, and the curve is refused, not misplaced.
    EXPECT_EQ(BuildError({{"QD", 0.0, 0.0},
                          {"JD1", 2000.0, 0.0, 1000.0, 200.0, 200.0, 1003.0, 0.0},
                          {"ZD", 2000.0 + 2000.0 * std::cos(0.8), 2000.0 * std::sin(0.8)}}),
              ErrorCode::NonFinite);
    // Negative curve data on an ordinary vertex (reserved for hairpins).
    EXPECT_EQ(BuildError(RightAngleLine(-50.0, 0.0, 0.0)), ErrorCode::Format);
    // Two coincident vertices leave a leg without a direction.
    EXPECT_EQ(BuildError({{"QD", 0, 0}, {"JD1", 0, 0, 50, 0, 0}, {"ZD", 100, 100}}),
              ErrorCode::Geometry);

    SharedState s;
    s.JdCount = 0;
    EXPECT_THROW(BuildJdAlignment(s), RuntimeError);
    s.JdCount = state::kMaxRows + 1;
    EXPECT_THROW(BuildJdAlignment(s), RuntimeError);
}

TEST(BuildJdAlignment, FailureNamesTheVertex) {
    SharedState s;
    FillVertices(
        s, 0.0,
        {{"QD", 0, 0}, {"JD7", 100, 0, 50, 0, 0}, {"JD8", 200, 0, 50, 0, 0}, {"ZD", 300, 9}});
    try {
        BuildJdAlignment(s);
        ADD_FAILURE() << "collinear vertices accepted";
    } catch (const RuntimeError& e) {
        EXPECT_NE(std::string(e.what()).find(" at vertex JD7 (row 2)"), std::string::npos)
            << e.what();
    }
    // A vertex without a name is named by its row.
    s.JdNameLine[2].clear();
    try {
        BuildJdAlignment(s);
        ADD_FAILURE() << "collinear vertices accepted";
    } catch (const RuntimeError& e) {
        EXPECT_NE(std::string(e.what()).find(" at vertex #2 (row 2)"), std::string::npos)
            << e.what();
    }
}

TEST(BuildJdAlignment, HairpinsWithEveryFlagCombination) {
    for (const testing::HairpinSpirals sp : testing::kHairpinSpirals) {
        for (const bool keepBack : {false, true}) {
            for (const bool keepAhead : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "flags " << keepBack << keepAhead << " Ls1 "
                                                  << sp.Ls1 << " R1 " << sp.R1);
                const SharedState s = Built(testing::Hairpin(keepBack, keepAhead, sp));
                EXPECT_GT(std::fabs(s.Deflection[2]), kPi);
                EXPECT_NEAR(s.Deflection[2], 200.0 * kPi / 180.0, 1e-14);
                EXPECT_EQ(s.JdRadius[2], -30.0) << "hairpin data are stored negated";
                EXPECT_EQ(s.JdSpiral1[2], -sp.Ls1);
                EXPECT_EQ(s.JdSpiral2OuterRadius[2], -sp.R2);
                if (sp.R1 == 0.0) {
                    EXPECT_FALSE(std::signbit(s.JdSpiral1OuterRadius[2])) << "no -0 to print";
                }
                EXPECT_GT(s.CurveLength[2], 0.0);
                EXPECT_NEAR(s.LegAzimuth[1], 0.0, 1e-15) << "travel runs north";
                ExpectMatchesIntegratedCurve(s, 2);
                // The travelled length: start to ZH, the curve, HZ to the end.
                const double total = testing::Distance({s.JdX[1], s.JdY[1]}, {s.ZhX[2], s.ZhY[2]}) +
                                     s.CurveLength[2] +
                                     testing::Distance({s.HzX[2], s.HzY[2]}, {s.JdX[3], s.JdY[3]});
                EXPECT_NEAR(s.JdStation[3], total, 1e-9);
                EXPECT_GT(s.StraightLength[1], 0.0);
                EXPECT_GT(s.StraightLength[2], 0.0);
            }
        }
    }
}

// Egg-shaped spirals between two close radii have long leads, and their origin tangents turn
// through more than a full turn from the one to the other, though the curve itself turns only
// through the deflection. The arc angle is the deflection plus both lead angles c/(2*R1).
TEST(BuildJdAlignment, EggSpiralsWhoseOriginTangentsTurnPastAFullTurn) {
    struct Case {
        std::vector<VertexRow> Rows;
        double Deflection; // rad, signed
    };
    const double a170 = 170.0 * kPi / 180.0;
    const double out270 = 270.0 * kPi / 180.0;
    const Case cases[] = {
        // 0.8 rad right; R1 = 1015 gives c1 = 13333.3 m, a lead angle of 6.57 rad.
        {{{"QD", 0.0, 0.0},
          {"JD1", 2000.0, 0.0, 1000.0, 200.0, 200.0, 1015.0, 0.0},
          {"ZD", 2000.0 + 2000.0 * std::cos(0.8), 2000.0 * std::sin(0.8)}},
         0.8},
        // 170 deg left with egg spirals at both ends: lead angles of 5/3 rad each.
        {{{"QD", 0.0, 0.0},
          {"JD1", 1000.0, 0.0, 50.0, 40.0, 40.0, 60.0, 60.0},
          {"ZD", 1000.0 + 1000.0 * std::cos(-a170), 1000.0 * std::sin(-a170)}},
         -a170},
        // A 270 deg loop (hairpin, both legs kept) entered by an egg spiral.
        {{{"QD", -500.0, 0.0},
          {"JD1HT11", 0.0, 0.0, 50.0, 40.0, 40.0, 60.0, 0.0},
          {"ZD", 600.0 * std::cos(out270), 600.0 * std::sin(out270)}},
         out270},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Rows[1].Name + " R1 " + std::to_string(c.Rows[1].R1));
        const SharedState s = Built(c.Rows);
        EXPECT_NEAR(s.Deflection[2], c.Deflection, 1e-14);
        double leads = 0.0;
        if (s.Spiral1Lead[2] != 0.0) {
            leads += std::fabs(s.Spiral1Lead[2] / (2.0 * s.JdSpiral1OuterRadius[2]));
        }
        if (s.Spiral2Lead[2] != 0.0) {
            leads += std::fabs(s.Spiral2Lead[2] / (2.0 * s.JdSpiral2OuterRadius[2]));
        }
        EXPECT_GT(std::fabs(c.Deflection) + leads, 2.0 * kPi) << "the case tests what it says";
        EXPECT_NEAR(s.ArcAngle[2], c.Deflection + (c.Deflection > 0 ? leads : -leads), 1e-12);
        EXPECT_LE(std::fabs(s.Spiral1OriginAzimuth[2]), kPi);
        EXPECT_LE(std::fabs(s.Spiral2OriginAzimuth[2]), kPi);
        EXPECT_GT(std::fabs(s.ArcLength[2]), 0.0);
        ExpectMatchesIntegratedCurve(s, 2);
    }
}

// When the origin tangents of egg spirals turn through an odd multiple of pi they are parallel
// and meet nowhere near the curve; the true tangents are unaffected and must come out exact.
TEST(BuildJdAlignment, OriginTangentsTurningThroughAnOddMultipleOfPi) {
    // Entry spiral 60 -> 50 over 40 m: lead 200 m, lead angle 200/(2*60) = 5/3 rad.
    const double right = kPi - 5.0 / 3.0;
    // Both spirals so: 10/3 rad of lead angles, and a 349 deg loop makes 3*pi.
    const double loop = 3.0 * kPi - 10.0 / 3.0;
    const std::vector<VertexRow> lines[] = {
        {{"QD", 0.0, 0.0},
         {"JD1", 1000.0, 0.0, 50.0, 40.0, 0.0, 60.0, 0.0},
         {"ZD", 1000.0 + 1000.0 * std::cos(right), 1000.0 * std::sin(right)}},
        {{"QD", -500.0, 0.0},
         {"JD1HT11", 0.0, 0.0, 50.0, 40.0, 40.0, 60.0, 60.0},
         {"ZD", 600.0 * std::cos(loop), 600.0 * std::sin(loop)}},
    };
    for (const auto& rows : lines) {
        SCOPED_TRACE(rows[1].Name);
        const SharedState s = Built(rows);
        EXPECT_NEAR(std::remainder(s.ArcAngle[2], kPi), 0.0, 1e-14) << "the case it claims";
        ExpectMatchesIntegratedCurve(s, 2);
    }
}

TEST(BuildJdAlignment, RebuildingGivesTheSameLine) {
    SharedState s;
    FillVertices(s, 0.0, testing::Hairpin(false, true, testing::kHairpinSpirals[2]));
    BuildJdAlignment(s);
    const SharedState first = s;
    BuildJdAlignment(s);
    EXPECT_EQ(s.JdRadius[2], first.JdRadius[2]);
    EXPECT_EQ(s.JdStation[3], first.JdStation[3]);
    EXPECT_EQ(s.HyX[2], first.HyX[2]);
}

TEST(JdAlignment, CompleteSpiralsMeetAtTheVertex) {
    // Legs at azimuths 1 and 1 + alpha through a vertex 1000 m from the start.
    const double alpha = 0.7;
    JdInput in;
    const double x1 = 1000.0 * std::cos(1.0), y1 = 1000.0 * std::sin(1.0);
    in.Vertices = {{"QD", 0.0, 0.0},
                   {"JD1", x1, y1, 300.0, 60.0, 60.0},
                   {"ZD", x1 + 1000.0 * std::cos(1.0 + alpha), y1 + 1000.0 * std::sin(1.0 + alpha)}};
    const JdCurve v = JdAlignment(in).Curves()[1];
    EXPECT_EQ(v.Spiral1Lead, 0.0);
    EXPECT_EQ(v.Spiral2Lead, 0.0);
    EXPECT_NEAR(v.Spiral1OriginAzimuth, 1.0, 1e-15);
    EXPECT_NEAR(v.Spiral2OriginAzimuth, 1.0 + alpha, 1e-15);
    EXPECT_NEAR(v.ArcAngle, alpha, 1e-15);
    // T = (R + p) tan(alpha/2) + q with p and q to second order.
    const double p = 60.0 * 60.0 / (24.0 * 300.0) - std::pow(60.0, 4) / (2688.0 * std::pow(300, 3));
    const double q = 30.0 - std::pow(60.0, 3) / (240.0 * 300.0 * 300.0);
    EXPECT_NEAR(v.Tangent1, (300.0 + p) * std::tan(alpha / 2.0) + q, 1e-5);
    EXPECT_NEAR(v.Tangent1, v.Tangent2, 1e-12);
}

} // namespace
} // namespace tesk::jd
