// The curve table of a JD line: worked values, every curve against its integrated curvature,
// hairpins, egg spirals, and the data the builder refuses with the vertex it names.

#include "alignment/jd/jd_alignment.h"
#include "geometry/error.h"
#include "jd_test_support.h"

#include <cmath>
#include <gtest/gtest.h>

namespace tesk::jd {
namespace {

using geometry::ErrorCode;
using geometry::PlanePoint;
using geometry::RuntimeError;
using testing::Built;
using testing::kPi;
using testing::RightAngleLine;
using testing::VertexRow;

constexpr double kWorked = 5e-5; // m or rad: the worked values are printed to 4 decimals
constexpr double kTight = 1e-9;  // m: geometric identities

// Arc centre seen from a point with tangent azimuth `az`, |R| to the side of the turn.
PlanePoint Centre(PlanePoint from, double az, double side, double r) {
    return geometry::PlaceOffset(from, az, 0.0, side * std::fabs(r));
}

// The curve row of the middle vertex of a three-vertex line.
JdCurve Middle(const std::vector<VertexRow>& rows) {
    return Built(rows).Curves()[1];
}

ErrorCode BuildError(const std::vector<VertexRow>& rows) {
    try {
        (void)Built(rows);
    } catch (const RuntimeError& e) {
        return e.Code();
    }
    ADD_FAILURE() << "construction accepted bad data";
    return ErrorCode::Cancelled;
}

TEST(JdAlignment, WorkedCircularCurve) {
    const JdAlignment line = Built(RightAngleLine(50.0, 0.0, 0.0));
    const JdCurve& c = line.Curves()[1];
    EXPECT_NEAR(c.Deflection, kPi / 2.0, 1e-15);
    EXPECT_TRUE(c.TurnsRight);
    EXPECT_NEAR(c.Tangent1, 50.0, kWorked);
    EXPECT_NEAR(c.Tangent2, 50.0, kWorked);
    EXPECT_NEAR(c.CurveLength, 78.5398, kWorked);
    EXPECT_NEAR(c.ArcLength, 78.5398, kWorked);
    EXPECT_NEAR(c.Station, 100.0, kWorked);
    EXPECT_NEAR(line.Curves()[2].Station, 178.5398, kWorked);
    EXPECT_NEAR(c.StationZH, 50.0, kWorked);
    EXPECT_EQ(c.StationHY, c.StationZH);
    EXPECT_NEAR(c.StationQZ, 89.2699, kWorked);
    EXPECT_NEAR(c.StationYH, 128.5398, kWorked);
    EXPECT_EQ(c.StationHZ, c.StationYH);
    EXPECT_NEAR(c.Qz.X, 85.3553, kWorked);
    EXPECT_NEAR(c.Qz.Y, 14.6447, kWorked);
    EXPECT_NEAR(c.AzimuthQZ, kPi / 4.0, kWorked);
    // Without spirals ZH = HY (ZY) and YH = HZ (YZ) in coordinates too.
    EXPECT_EQ(c.Zh.X, c.Hy.X);
    EXPECT_EQ(c.Zh.Y, c.Hy.Y);
    EXPECT_EQ(c.Yh.X, c.Hz.X);
    EXPECT_EQ(c.Yh.Y, c.Hz.Y);
    // Closed forms: ZY at (50, 0), YZ at (100, 50), QZ at the centre (50, 50) less R/sqrt 2.
    EXPECT_NEAR(c.Zh.X, 50.0, kTight);
    EXPECT_NEAR(c.Zh.Y, 0.0, kTight);
    EXPECT_NEAR(c.Hz.X, 100.0, kTight);
    EXPECT_NEAR(c.Hz.Y, 50.0, kTight);
    EXPECT_NEAR(c.Qz.X, 50.0 + 50.0 / std::sqrt(2.0), kTight);
    EXPECT_NEAR(c.Qz.Y, 50.0 - 50.0 / std::sqrt(2.0), kTight);
    EXPECT_NEAR(line.Curves()[2].Station, 100.0 + 25.0 * kPi, kTight);
    EXPECT_EQ(line.Line().End(), line.Curves()[2].Station);
}

TEST(JdAlignment, WorkedSymmetricSpirals) {
    const JdAlignment line = Built(RightAngleLine(50.0, 20.0, 20.0));
    const JdCurve& c = line.Curves()[1];
    EXPECT_NEAR(c.Tangent1, 60.3195, kWorked);
    EXPECT_NEAR(c.Tangent2, 60.3195, kWorked);
    EXPECT_NEAR(c.CurveLength, 98.5398, kWorked);
    EXPECT_NEAR(c.ArcLength, 58.5398, kWorked);
    EXPECT_NEAR(c.StationZH, 39.6805, kWorked);
    EXPECT_NEAR(c.Hy.X, 59.6006, kWorked);
    EXPECT_NEAR(c.Hy.Y, 1.3295, kWorked);
    EXPECT_NEAR(c.Qz.X, 85.0225, kWorked);
    EXPECT_NEAR(c.Qz.Y, 14.9775, kWorked);
    EXPECT_NEAR(c.Yh.X, 98.6705, kWorked);
    EXPECT_NEAR(c.Yh.Y, 40.3994, kWorked);
    EXPECT_NEAR(c.AzimuthHY, 0.2, 1e-15);
    EXPECT_NEAR(c.AzimuthYH, kPi / 2.0 - 0.2, 1e-15);
    EXPECT_NEAR(line.Curves()[2].Station, 177.9007, kWorked);
    // The curve is symmetric about the bisector through the vertex: QZ lies on it, at 45 deg.
    EXPECT_NEAR(c.Qz.X + c.Qz.Y, 100.0, kTight);
    EXPECT_NEAR(c.Hy.X, 100.0 - c.Yh.Y, kTight);
    EXPECT_NEAR(c.Hy.Y, 100.0 - c.Yh.X, kTight);
}

TEST(JdAlignment, WorkedUnequalSpirals) {
    const JdCurve c = Middle(RightAngleLine(50.0, 30.0, 10.0));
    EXPECT_NEAR(c.Tangent1, 65.0384, kWorked);
    EXPECT_NEAR(c.Tangent2, 55.7459, kWorked);
    EXPECT_NEAR(c.CurveLength, 98.5398, kWorked);
    EXPECT_NEAR(c.Hy.X, 64.6927, kWorked);
    EXPECT_NEAR(c.Hy.Y, 2.9808, kWorked);
    EXPECT_NEAR(c.Yh.X, 99.6669, kWorked);
    EXPECT_NEAR(c.Yh.Y, 45.7559, kWorked);
    const PlanePoint c1 = Centre(c.Hy, c.AzimuthHY, 1.0, 50.0);
    const PlanePoint c2 = Centre(c.Yh, c.AzimuthYH, 1.0, 50.0);
    EXPECT_NEAR(c1.X, 49.9167, kWorked);
    EXPECT_NEAR(c1.Y, 50.7476, kWorked);
    EXPECT_NEAR(c1.X, c2.X, kTight);
    EXPECT_NEAR(c1.Y, c2.Y, kTight);
    EXPECT_NEAR(c.AzimuthYH - c.AzimuthHY, c.ArcLength / 50.0, 1e-14);
    // QZ lies on the same circle.
    EXPECT_NEAR(testing::Distance(c.Qz, c1), 50.0, kTight);
}

TEST(JdAlignment, WorkedIncompleteEntrySpiral) {
    const JdCurve c = Middle(RightAngleLine(50.0, 20.0, 20.0, 200.0, 0.0));
    EXPECT_NEAR(c.Spiral1Lead, 6.6667, kWorked);
    EXPECT_NEAR(c.Spiral1Lead, 20.0 / 3.0, 1e-14);
    EXPECT_EQ(c.Spiral2Lead, 0.0);
    EXPECT_NEAR(c.ArcAngle, 1.5875, kWorked);
    EXPECT_NEAR(c.Tangent1, 57.8098, kWorked);
    EXPECT_NEAR(c.Tangent2, 60.4231, kWorked);
    EXPECT_NEAR(c.CurveLength, 96.0398, kWorked);
    EXPECT_NEAR(c.ArcLength, 56.0398, kWorked);
    const PlanePoint c1 = Centre(c.Hy, c.AzimuthHY, 1.0, 50.0);
    const PlanePoint c2 = Centre(c.Yh, c.AzimuthYH, 1.0, 50.0);
    EXPECT_NEAR(c1.X, 49.6671, kWorked);
    EXPECT_NEAR(c1.Y, 50.4364, kWorked);
    EXPECT_NEAR(c1.X, c2.X, kTight);
    EXPECT_NEAR(c1.Y, c2.Y, kTight);
}

// The constructed curve against the curve rebuilt from its curvature alone: starting at ZH on the
// back leg, it must arrive at HZ on the ahead leg with the ahead leg's direction, and pass HY and
// YH at the stored points. Covers the tangent lengths, leads and main points of any data set.
void ExpectMatchesIntegratedCurve(const JdAlignment& line, std::size_t k) {
    const JdCurve& c = line.Curves()[k];
    const double side = c.Deflection > 0 ? 1.0 : -1.0;
    const double r = std::fabs(c.Radius);
    const double r1 = std::fabs(c.Spiral1OuterRadius);
    const double r2 = std::fabs(c.Spiral2OuterRadius);
    const double ls1 = std::fabs(c.Spiral1);
    const double ls2 = std::fabs(c.Spiral2);
    const double back = line.Curves()[k - 1].LegAzimuth;
    const double lc = testing::IntegratedCurve::ArcLengthFor(c.Deflection, r, r1, r2, ls1, ls2);
    const testing::IntegratedCurve curve(c.Zh, back, side, r, r1, r2, ls1, ls2, lc);
    SCOPED_TRACE("vertex " + std::to_string(k));
    const PlanePoint vertex = testing::VertexPoint(line, k);
    // ZH lies on the back leg.
    EXPECT_NEAR((c.Zh.X - vertex.X) * std::sin(back) - (c.Zh.Y - vertex.Y) * std::cos(back), 0.0,
                kTight);
    EXPECT_NEAR(curve.Length(), c.CurveLength, kTight);
    EXPECT_NEAR(lc, std::fabs(c.ArcLength), kTight);
    const PlanePoint hy = curve.Point(ls1);
    const PlanePoint yh = curve.Point(ls1 + lc);
    const PlanePoint hz = curve.Point(curve.Length());
    EXPECT_NEAR(hy.X, c.Hy.X, kTight);
    EXPECT_NEAR(hy.Y, c.Hy.Y, kTight);
    EXPECT_NEAR(yh.X, c.Yh.X, kTight);
    EXPECT_NEAR(yh.Y, c.Yh.Y, kTight);
    EXPECT_NEAR(hz.X, c.Hz.X, kTight);
    EXPECT_NEAR(hz.Y, c.Hz.Y, kTight);
    const PlanePoint qz = curve.Point(ls1 + lc / 2.0);
    EXPECT_NEAR(qz.X, c.Qz.X, kTight);
    EXPECT_NEAR(qz.Y, c.Qz.Y, kTight);
    EXPECT_NEAR(testing::AngleDiff(curve.Azimuth(ls1), c.AzimuthHY), 0.0, 1e-13);
    EXPECT_NEAR(testing::AngleDiff(curve.Azimuth(ls1 + lc / 2.0), c.AzimuthQZ), 0.0, 1e-13);
    EXPECT_NEAR(testing::AngleDiff(curve.Azimuth(ls1 + lc), c.AzimuthYH), 0.0, 1e-13);
    EXPECT_NEAR(testing::AngleDiff(curve.Azimuth(curve.Length()), c.LegAzimuth), 0.0, 1e-13);
    // HZ lies on the ahead leg.
    const double ahead = c.LegAzimuth;
    EXPECT_NEAR((c.Hz.X - vertex.X) * std::sin(ahead) - (c.Hz.Y - vertex.Y) * std::cos(ahead), 0.0,
                kTight);
}

TEST(JdAlignment, CurvesMatchTheirIntegratedCurvature) {
    // Right and left turns, small and large deflections, complete, unequal and incomplete spirals.
    const JdAlignment line = Built(testing::MixedLine(), 12'345.678);
    const std::vector<JdCurve>& c = line.Curves();
    for (std::size_t k = 1; k + 1 < c.size(); ++k) {
        ExpectMatchesIntegratedCurve(line, k);
        EXPECT_GT(c[k].StraightLength, 0.0);
        if (k + 2 < c.size()) {
            EXPECT_LT(c[k].StationZH, c[k + 1].StationZH) << k;
        }
    }
    EXPECT_TRUE(c[1].TurnsRight);
    EXPECT_FALSE(c[2].TurnsRight);
    EXPECT_TRUE(c[3].TurnsRight);
    // The vertex stations add up the travelled length: straights and curves.
    double travelled = line.Input().StartStation + c[0].StraightLength;
    for (std::size_t k = 1; k + 1 < c.size(); ++k) {
        travelled += c[k].CurveLength + c[k].StraightLength;
    }
    EXPECT_NEAR(c.back().Station, travelled, 1e-8);
    EXPECT_EQ(line.Line().Start(), 12'345.678);
    EXPECT_EQ(line.Line().End(), c.back().Station);
}

TEST(JdAlignment, LeftTurnMirrorsRightTurn) {
    const JdAlignment rightLine = Built(RightAngleLine(50.0, 30.0, 10.0, 300.0, 0.0));
    std::vector<VertexRow> mirrored = RightAngleLine(50.0, 30.0, 10.0, 300.0, 0.0);
    for (VertexRow& v : mirrored) {
        v.Y = -v.Y;
    }
    const JdAlignment leftLine = Built(mirrored);
    const JdCurve& right = rightLine.Curves()[1];
    const JdCurve& left = leftLine.Curves()[1];
    EXPECT_FALSE(left.TurnsRight);
    EXPECT_NEAR(left.Deflection, -right.Deflection, 1e-15);
    EXPECT_NEAR(left.Tangent1, right.Tangent1, 1e-12);
    EXPECT_NEAR(left.Tangent2, right.Tangent2, 1e-12);
    EXPECT_NEAR(left.CurveLength, right.CurveLength, 1e-12);
    EXPECT_NEAR(leftLine.Curves()[2].Station, rightLine.Curves()[2].Station, 1e-12);
    const PlanePoint JdCurve::*const points[] = {&JdCurve::Zh, &JdCurve::Hy, &JdCurve::Qz,
                                                 &JdCurve::Yh, &JdCurve::Hz};
    for (const auto point : points) {
        EXPECT_NEAR((left.*point).X, (right.*point).X, 1e-12);
        EXPECT_NEAR((left.*point).Y, -(right.*point).Y, 1e-12);
    }
    EXPECT_NEAR(testing::AngleDiff(left.AzimuthHY, -right.AzimuthHY), 0.0, 1e-14);
    EXPECT_NEAR(testing::AngleDiff(left.AzimuthYH, -right.AzimuthYH), 0.0, 1e-14);
    ExpectMatchesIntegratedCurve(leftLine, 1);
}

TEST(JdAlignment, EndRowsAndShortLines) {
    const JdAlignment line = Built(RightAngleLine(50.0, 20.0, 20.0), 1000.0);
    for (const std::size_t k : {0u, 2u}) {
        const JdCurve& c = line.Curves()[k];
        const PlanePoint vertex = testing::VertexPoint(line, k);
        EXPECT_EQ(c.Tangent1, 0.0);
        EXPECT_EQ(c.Tangent2, 0.0);
        for (const PlanePoint p : {c.Zh, c.Hy, c.Qz, c.Yh, c.Hz}) {
            EXPECT_EQ(p.X, vertex.X);
            EXPECT_EQ(p.Y, vertex.Y);
        }
    }
    EXPECT_EQ(line.Curves()[0].Station, 1000.0);

    // Two points: one straight, no curve rows.
    const JdAlignment two = Built({{"QD", 10.0, 20.0}, {"ZD", 13.0, 24.0}}, 500.0);
    EXPECT_EQ(two.Curves()[1].Station, 505.0);
    EXPECT_EQ(two.Curves()[0].StraightLength, 5.0);
    EXPECT_NEAR(two.Curves()[0].LegAzimuth, std::atan2(4.0, 3.0), 1e-15);
    EXPECT_EQ(two.Line().Segments().size(), 1u);

    // One point: a line of zero length.
    const JdAlignment one = Built({{"QD", 10.0, 20.0}}, 500.0);
    ASSERT_EQ(one.Curves().size(), 1u);
    EXPECT_EQ(one.Curves()[0].Station, 500.0);
    EXPECT_EQ(one.Curves()[0].Zh.X, 10.0);
    EXPECT_EQ(one.Curves()[0].Hz.Y, 20.0);
    EXPECT_EQ(one.Line().Start(), 500.0);
    EXPECT_EQ(one.Line().End(), 500.0);
    EXPECT_TRUE(one.Line().Segments().empty());
}

TEST(JdAlignment, RefusesUnbuildableData) {
    struct Case {
        const char* What;
        std::vector<VertexRow> Rows;
        ErrorCode Code;
    };
    const Case cases[] = {
        {"collinear vertices: zero deflection",
         {{"QD", 0, 0}, {"JD1", 100, 0, 50, 0, 0}, {"ZD", 200, 0}},
         ErrorCode::DivisionByZero},
        {"collinear on a diagonal",
         {{"QD", 0, 0}, {"JD1", 1, 1, 50, 0, 0}, {"ZD", 3, 3}},
         ErrorCode::DivisionByZero},
        {"the line turning straight back (180 deg): parallel legs",
         {{"QD", 0, 0}, {"JD1", 100, 0, 50, 0, 0}, {"ZD", 50, 0}},
         ErrorCode::DivisionByZero},
        {"R = 0", RightAngleLine(0.0, 0.0, 0.0), ErrorCode::DivisionByZero},
        {"an entry outer radius equal to R", RightAngleLine(50.0, 20.0, 20.0, 50.0, 0.0),
         ErrorCode::DivisionByZero},
        {"an exit outer radius equal to R", RightAngleLine(50.0, 20.0, 20.0, 0.0, 50.0),
         ErrorCode::DivisionByZero},
        {"an outer radius below R (negative A*A)", RightAngleLine(50.0, 20.0, 20.0, 40.0, 0.0),
         ErrorCode::Geometry},
        {"spirals turning through more than the 90 deg deflection",
         RightAngleLine(50.0, 100.0, 100.0), ErrorCode::Geometry},
        // The clothoid's origin lies 67 km and 33 rad back: its series cannot be summed in
        // double precision, and the curve is refused, not misplaced.
        {"an outer radius so close to R",
         {{"QD", 0.0, 0.0},
          {"JD1", 2000.0, 0.0, 1000.0, 200.0, 200.0, 1003.0, 0.0},
          {"ZD", 2000.0 + 2000.0 * std::cos(0.8), 2000.0 * std::sin(0.8)}},
         ErrorCode::NonFinite},
        {"negative curve data on an ordinary vertex (reserved for hairpins)",
         RightAngleLine(-50.0, 0.0, 0.0), ErrorCode::Format},
        {"two coincident vertices leave a leg without a direction",
         {{"QD", 0, 0}, {"JD1", 0, 0, 50, 0, 0}, {"ZD", 100, 100}},
         ErrorCode::Geometry},
        {"no vertex", {}, ErrorCode::Format},
        {"a coordinate that is not a number",
         {{"QD", 0, 0}, {"JD1", std::nan(""), 0, 50, 0, 0}, {"ZD", 100, 100}},
         ErrorCode::NonFinite},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuildError(c.Rows), c.Code) << c.What;
    }
    std::vector<VertexRow> tooMany;
    for (int k = 0; k <= kMaxVertices; ++k) {
        tooMany.push_back({"JD", 100.0 * k, k % 2 == 0 ? 0.0 : 50.0, 20.0});
    }
    EXPECT_EQ(BuildError(tooMany), ErrorCode::Format) << kMaxVertices + 1 << " vertices";
}

TEST(JdAlignment, FailureNamesTheVertex) {
    std::vector<VertexRow> rows = {
        {"QD", 0, 0}, {"JD7", 100, 0, 50, 0, 0}, {"JD8", 200, 0, 50, 0, 0}, {"ZD", 300, 9}};
    try {
        (void)Built(rows);
        ADD_FAILURE() << "collinear vertices accepted";
    } catch (const RuntimeError& e) {
        EXPECT_NE(std::string(e.what()).find(" at vertex JD7 (row 2)"), std::string::npos)
            << e.what();
    }
    // A vertex without a name is named by its row.
    rows[1].Name.clear();
    try {
        (void)Built(rows);
        ADD_FAILURE() << "collinear vertices accepted";
    } catch (const RuntimeError& e) {
        EXPECT_NE(std::string(e.what()).find(" at vertex #2 (row 2)"), std::string::npos)
            << e.what();
    }
}

TEST(JdAlignment, HairpinsWithEveryFlagCombination) {
    for (const testing::HairpinSpirals sp : testing::kHairpinSpirals) {
        for (const bool keepBack : {false, true}) {
            for (const bool keepAhead : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "flags " << keepBack << keepAhead << " Ls1 "
                                                  << sp.Ls1 << " R1 " << sp.R1);
                const JdAlignment line = Built(testing::Hairpin(keepBack, keepAhead, sp));
                const std::vector<JdCurve>& rows = line.Curves();
                const JdCurve& c = rows[1];
                EXPECT_GT(std::fabs(c.Deflection), kPi);
                EXPECT_NEAR(c.Deflection, 200.0 * kPi / 180.0, 1e-14);
                EXPECT_EQ(c.Radius, -30.0) << "hairpin data are kept negated";
                EXPECT_EQ(c.Spiral1, -sp.Ls1);
                EXPECT_EQ(c.Spiral2OuterRadius, -sp.R2);
                if (sp.R1 == 0.0) {
                    EXPECT_FALSE(std::signbit(c.Spiral1OuterRadius)) << "no -0 to print";
                }
                EXPECT_EQ(line.Vertices()[1].Radius, 30.0) << "the input as read";
                EXPECT_GT(c.CurveLength, 0.0);
                EXPECT_NEAR(rows[0].LegAzimuth, 0.0, 1e-15) << "travel runs north";
                ExpectMatchesIntegratedCurve(line, 1);
                // The travelled length: start to ZH, the curve, HZ to the end.
                const double total = testing::Distance(testing::VertexPoint(line, 0), c.Zh) +
                                     c.CurveLength +
                                     testing::Distance(c.Hz, testing::VertexPoint(line, 2));
                EXPECT_NEAR(rows[2].Station, total, 1e-9);
                EXPECT_GT(rows[0].StraightLength, 0.0);
                EXPECT_GT(rows[1].StraightLength, 0.0);
            }
        }
    }
}

// Egg-shaped spirals between two close radii have long leads, and their origin tangents turn
// through more than a full turn from the one to the other, though the curve itself turns only
// through the deflection. The arc angle is the deflection plus both lead angles c/(2*R1).
TEST(JdAlignment, EggSpiralsWhoseOriginTangentsTurnPastAFullTurn) {
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
    for (const Case& test : cases) {
        SCOPED_TRACE(test.Rows[1].Name + " R1 " + std::to_string(test.Rows[1].R1));
        const JdAlignment line = Built(test.Rows);
        const JdCurve& c = line.Curves()[1];
        EXPECT_NEAR(c.Deflection, test.Deflection, 1e-14);
        double leads = 0.0;
        if (c.Spiral1Lead != 0.0) {
            leads += std::fabs(c.Spiral1Lead / (2.0 * c.Spiral1OuterRadius));
        }
        if (c.Spiral2Lead != 0.0) {
            leads += std::fabs(c.Spiral2Lead / (2.0 * c.Spiral2OuterRadius));
        }
        EXPECT_GT(std::fabs(test.Deflection) + leads, 2.0 * kPi) << "the case tests what it says";
        EXPECT_NEAR(c.ArcAngle, test.Deflection + (test.Deflection > 0 ? leads : -leads), 1e-12);
        EXPECT_LE(std::fabs(c.Spiral1OriginAzimuth), kPi);
        EXPECT_LE(std::fabs(c.Spiral2OriginAzimuth), kPi);
        EXPECT_GT(std::fabs(c.ArcLength), 0.0);
        ExpectMatchesIntegratedCurve(line, 1);
    }
}

// When the origin tangents of egg spirals turn through an odd multiple of pi they are parallel
// and meet nowhere near the curve; the true tangents are unaffected and must come out exact.
TEST(JdAlignment, OriginTangentsTurningThroughAnOddMultipleOfPi) {
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
        const JdAlignment line = Built(rows);
        EXPECT_NEAR(std::remainder(line.Curves()[1].ArcAngle, kPi), 0.0, 1e-14)
            << "the case it claims";
        ExpectMatchesIntegratedCurve(line, 1);
    }
}

// The line keeps its input as read (a hairpin's data are negated only in the curve table), so
// a line rebuilt from a built line's input is the same line.
TEST(JdAlignment, RebuildingFromTheInputGivesTheSameLine) {
    const JdAlignment first = Built(testing::Hairpin(false, true, testing::kHairpinSpirals[2]));
    const JdAlignment again(first.Input());
    EXPECT_EQ(again.Curves()[1].Radius, first.Curves()[1].Radius);
    EXPECT_EQ(again.Curves()[1].Spiral2OuterRadius, first.Curves()[1].Spiral2OuterRadius);
    EXPECT_EQ(again.Curves()[2].Station, first.Curves()[2].Station);
    EXPECT_EQ(again.Curves()[1].Hy.X, first.Curves()[1].Hy.X);
    for (const double m : {first.Curves()[1].StationQZ, first.Line().End()}) {
        EXPECT_EQ(again.Line().PointAt(m).X, first.Line().PointAt(m).X);
        EXPECT_EQ(again.Line().PointAt(m).Y, first.Line().PointAt(m).Y);
    }
}

TEST(JdAlignment, CompleteSpiralsMeetAtTheVertex) {
    // Legs at azimuths 1 and 1 + alpha through a vertex 1000 m from the start.
    const double alpha = 0.7;
    const double x1 = 1000.0 * std::cos(1.0), y1 = 1000.0 * std::sin(1.0);
    const JdCurve v =
        Middle({{"QD", 0.0, 0.0},
                {"JD1", x1, y1, 300.0, 60.0, 60.0},
                {"ZD", x1 + 1000.0 * std::cos(1.0 + alpha), y1 + 1000.0 * std::sin(1.0 + alpha)}});
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
