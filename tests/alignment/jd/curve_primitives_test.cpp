#include "geometry/clothoid.h"
#include "geometry/angles.h"
#include "jd_test_support.h"
#include "geometry/error.h"
#include "alignment/element/element_alignment.h"
#include "alignment/jd/curve_primitives.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tesk::jd {
namespace {

using geometry::ErrorCode;
using geometry::PlanePoint;
using geometry::RuntimeError;
using testing::kPi;

using geometry::PointAzimuth;
using geometry::SpiralShift;
using geometry::SpiralTangentExtension;

constexpr double kAngleTol = 1e-15; // rad

// The clothoid's coordinates from its origin, as the one evaluator gives them.
double ClothoidX(double l, double k) {
    return geometry::ClothoidChord(0.0, l, k).U;
}
double ClothoidY(double l, double k) {
    return geometry::ClothoidChord(0.0, l, k).V;
}

TEST(PointAzimuth, CardinalAndDiagonalDirections) {
    const PlanePoint o{0.0, 0.0};
    EXPECT_EQ(PointAzimuth(o, {1.0, 0.0}), 0.0);
    EXPECT_NEAR(PointAzimuth(o, {0.0, 1.0}), kPi / 2.0, kAngleTol);
    EXPECT_NEAR(PointAzimuth(o, {-1.0, 0.0}), kPi, kAngleTol);
    EXPECT_NEAR(PointAzimuth(o, {0.0, -1.0}), 1.5 * kPi, kAngleTol);
    EXPECT_NEAR(PointAzimuth(o, {1.0, -1.0}), 1.75 * kPi, 4 * kAngleTol);
    EXPECT_NEAR(PointAzimuth(o, {-1.0, 1.0}), 0.75 * kPi, 4 * kAngleTol);
    EXPECT_NEAR(PointAzimuth(o, {-1.0, -1.0}), 1.25 * kPi, 4 * kAngleTol);
    EXPECT_NEAR(PointAzimuth(o, o), 1.5 * kPi, kAngleTol) << "a point to itself";
}

TEST(PointAzimuth, StaysInsideZeroToTwoPi) {
    // Due north with a negative-zero east difference, and a hair west of north.
    const double north = PointAzimuth({5.0, -0.0}, {6.0, -0.0});
    EXPECT_EQ(north, 0.0);
    EXPECT_FALSE(std::signbit(north));
    const double hair = PointAzimuth({0.0, 0.0}, {1e6, -1e-300});
    EXPECT_GE(hair, 0.0);
    EXPECT_LT(hair, 2.0 * kPi);
    // Survey-sized coordinates keep the direction to the last digits.
    const PlanePoint a{3'456'789.123, 512'345.678};
    const PlanePoint b{a.X + 300.0, a.Y + 400.0};
    EXPECT_NEAR(PointAzimuth(a, b), std::atan2(4.0, 3.0), 1e-12);
}

// Closed integrals of the clothoid x = int cos(t^2/2K), y = int sin(t^2/2K), by Gauss-Legendre.
PlanePoint IntegratedClothoid(double l, double k) {
    // A clothoid from its origin is an entry spiral with zero outer curvature, of length l and
    // end radius k / l, turning to the side of k.
    const double side = k > 0 ? 1.0 : -1.0;
    const testing::IntegratedCurve c({0, 0}, 0.0, side, std::fabs(k) / l, 0, 0, l, 0, 0);
    return c.Point(l);
}

TEST(ClothoidSeries, MatchNumericalIntegration) {
    struct Case {
        double l, k;
    };
    // Up to a spiral turning through 1.6 rad (far beyond road use), both turning senses.
    for (const Case c : {Case{20.0, 1000.0}, Case{120.0, 300.0 * 120.0}, Case{70.0, -2500.0},
                         Case{150.0, 7000.0}, Case{0.001, 0.05}}) {
        const PlanePoint ref = IntegratedClothoid(c.l, c.k);
        EXPECT_NEAR(ClothoidX(c.l, c.k), ref.X, 1e-11) << c.l << " " << c.k;
        EXPECT_NEAR(ClothoidY(c.l, c.k), ref.Y, 1e-11) << c.l << " " << c.k;
    }
    EXPECT_EQ(ClothoidX(0.0, 500.0), 0.0);
    EXPECT_EQ(ClothoidY(0.0, -500.0), 0.0);
    EXPECT_EQ(ClothoidX(0.0, 0.0), 0.0) << "an empty spiral needs no parameter";
    EXPECT_EQ(ClothoidX(30.0, 900.0), ClothoidX(30.0, -900.0)) << "x does not depend on the side";
    EXPECT_EQ(ClothoidY(30.0, 900.0), -ClothoidY(30.0, -900.0));
}

TEST(ClothoidSeries, FailInsteadOfReturningGarbage) {
    EXPECT_THROW((void)ClothoidX(10.0, 0.0), RuntimeError);
    // Tangent angle of 5e5 rad: the series cannot be summed in double precision.
    EXPECT_THROW((void)ClothoidY(1000.0, 1.0), RuntimeError);
    EXPECT_THROW((void)SpiralShift(10.0, 0.0), RuntimeError);
    // Tangent angle of 33 rad over 66 km: the terms grow to 1e14 m before they cancel, and
    // rounding alone would leave metres of error in the sum.
    const double l = 66'666.7, k = 1000.0 * 66'866.7;
    EXPECT_THROW((void)ClothoidX(l, k), RuntimeError);
    EXPECT_THROW((void)ClothoidY(l, k), RuntimeError);
    EXPECT_THROW((void)SpiralShift(l, 1000.0), RuntimeError);
    EXPECT_THROW((void)SpiralTangentExtension(l, 1000.0), RuntimeError);
    // A long road spiral is nowhere near that limit.
    EXPECT_NO_THROW((void)ClothoidX(2000.0, 2000.0 * 1500.0));
}

TEST(SpiralShiftAndExtension, WorkedValuesAndGeometry) {
    EXPECT_NEAR(SpiralShift(20.0, 50.0), 0.3328575, 5e-8);
    EXPECT_NEAR(SpiralTangentExtension(20.0, 50.0), 9.9866815, 5e-8);
    EXPECT_EQ(SpiralShift(0.0, 50.0), 0.0);
    EXPECT_EQ(SpiralTangentExtension(0.0, 50.0), 0.0);
    // Definition: the spiral's end (x, y) with tangent angle tau = L/2R; the circle continuing
    // it has its centre at (x - R sin tau, y + R cos tau) = (q, R + p).
    for (const double l : {20.0, 60.0, 150.0}) {
        for (const double r : {50.0, 250.0, 1200.0}) {
            if (l > 1.5 * r) {
                continue;
            }
            const PlanePoint end = IntegratedClothoid(l, r * l);
            const double tau = l / (2.0 * r);
            EXPECT_NEAR(SpiralTangentExtension(l, r), end.X - r * std::sin(tau), 1e-11);
            EXPECT_NEAR(SpiralShift(l, r), end.Y + r * std::cos(tau) - r, 1e-11);
        }
    }
}

TEST(TangentLengths, SymmetricUnequalAndDegenerate) {
    const double r = 400.0;
    const double p = SpiralShift(80.0, r);
    const double q = SpiralTangentExtension(80.0, r);
    for (const double g : {1e-7, 0.3, -0.3, 2.5, 4.0}) {
        const double back = TangentLengthBack(r, p, p, q, g);
        EXPECT_DOUBLE_EQ(back, TangentLengthAhead(r, p, p, q, g));
        EXPECT_NEAR(back, (r + p) * std::tan(std::fabs(g) / 2.0) + q, 1e-12 * std::fabs(back)) << g;
    }
    // Without spirals R tan(g/2), to full relative precision even for a tiny deflection.
    EXPECT_NEAR(TangentLengthBack(1000.0, 0, 0, 0, 2e-9), 1e-6, 1e-21);
    // Unequal spirals: the sum of both tangents is independent of the split.
    const double p2 = SpiralShift(30.0, r);
    const double q2 = SpiralTangentExtension(30.0, r);
    const double g = 0.8;
    const double t1 = TangentLengthBack(r, p, p2, q, g);
    const double t2 = TangentLengthAhead(r, p, p2, q2, g);
    // Centre of the arc from each origin: (q1, R + p1) from the back origin, (q2, R + p2) from
    // the ahead origin walked backwards; with the vertex between them both must be one point.
    const PlanePoint fromBack{-t1 + q, r + p};
    const double c = std::cos(g), s = std::sin(g);
    const PlanePoint aheadOrigin{t2 * c, t2 * s};
    const PlanePoint fromAhead{aheadOrigin.X - q2 * c - (r + p2) * s,
                               aheadOrigin.Y - q2 * s + (r + p2) * c};
    EXPECT_NEAR(fromBack.X, fromAhead.X, 1e-10);
    EXPECT_NEAR(fromBack.Y, fromAhead.Y, 1e-10);
    try {
        (void)TangentLengthBack(r, p, p2, q, 0.0);
        ADD_FAILURE() << "zero deflection accepted";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Code(), ErrorCode::DivisionByZero);
    }
}

TEST(ArcPoints, ClosedFormsBothSides) {
    // A quarter circle of radius 50 from the origin heading north, to the right and to the left,
    // and a short arc whose sagitta y = l^2/2R - l^4/24R^3 keeps its full relative precision.
    struct Case {
        double Radius, Length, X, Y, Tolerance;
    };
    const double l = 1e-3, r = 5000.0;
    const double sagitta = l * l / (2 * r) - std::pow(l, 4) / (24 * r * r * r);
    for (const Case c : {Case{50.0, kPi * 25.0, 50.0, 50.0, 1e-13},
                         Case{-50.0, kPi * 25.0, 50.0, -50.0, 1e-13},
                         Case{r, l, l - std::pow(l, 3) / (6 * r * r), sagitta, 4e-16 * sagitta}}) {
        element::ElementInput in;
        in.Rows = {{c.Radius, c.Radius, c.Length}};
        const element::ElementAlignment line(in);
        const geometry::StationPoint p = line.Line().PointAt(c.Length);
        EXPECT_NEAR(p.X, c.X, c.Tolerance + 1e-15 * c.X) << c.Radius;
        EXPECT_NEAR(p.Y, c.Y, c.Tolerance) << c.Radius;
    }
}

} // namespace
} // namespace tesk::jd
