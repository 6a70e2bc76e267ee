// The one clothoid evaluator against integration of its curvature: the chord from the origin
// (the clothoid's series), chords between two points, pieces far from the origin, and the
// spiral's shift and tangent extension.

#include "geometry/clothoid.h"
#include "geometry/error.h"
#include "support/linear_curvature.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace tesk::geometry {
namespace {

constexpr double kPi = std::numbers::pi;

// The clothoid's coordinates from its origin.
double ClothoidX(double l, double k) {
    return ClothoidChord(0.0, l, k).U;
}
double ClothoidY(double l, double k) {
    return ClothoidChord(0.0, l, k).V;
}

// The clothoid of parameter k from its origin: curvature 0 growing at 1/k per metre.
PlanePoint IntegratedClothoid(double l, double k) {
    const testing::RefPoint end = testing::Integrate({0, 0, 0}, 0.0L, 1.0L / k, l);
    return {static_cast<double>(end.X), static_cast<double>(end.Y)};
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

TEST(ClothoidSegment, MatchesIntegrationOfTheCurvature) {
    // Straights, arcs, spirals from the origin, pieces far out on a clothoid, growing and easing,
    // both directions, short and long, backwards.
    struct Case {
        double K0, Rate, Length, Tolerance;
    };
    for (const Case c : {
             Case{0, 0, 250, 1e-12}, Case{1 / 300.0, 0, 200, 1e-11},
             Case{-1 / 300.0, 0, 200, 1e-11}, Case{0, 1 / (60.0 * 250), 60, 1e-11},
             Case{1 / 600.0, (1 / 300.0 - 1 / 600.0) / 50, 50, 1e-11},
             Case{1 / 300.0, (1 / 600.0 - 1 / 300.0) / 50, 50, 1e-11},
             Case{-1 / 150.0, (-1 / 450.0 + 1 / 150.0) / 60, 60, 1e-11},
             Case{1 / 500.0, (-1 / 800.0 - 1 / 500.0) / 130, 130, 1e-11},
             Case{1 / 250.0, 1e-5, 1e-3, 1e-15}, Case{1 / 250.0, 1e-5, -40, 1e-11},
             Case{1 / 40.0, 1 / 2000.0, 300, 1e-10}, // winds several turns
         }) {
        const LocalOffset got = ClothoidSegment(c.K0, c.Rate, c.Length);
        const testing::RefPoint want = testing::Integrate({0, 0, 0}, c.K0, c.Rate, c.Length);
        EXPECT_NEAR(got.U, static_cast<double>(want.X), c.Tolerance)
            << "k0 " << c.K0 << " rate " << c.Rate << " length " << c.Length;
        EXPECT_NEAR(got.V, static_cast<double>(want.Y), c.Tolerance)
            << "k0 " << c.K0 << " rate " << c.Rate << " length " << c.Length;
    }
}

TEST(ClothoidSegment, WholeCirclesCloseAndBadInputIsRefused) {
    const double r = 75;
    const LocalOffset circle = ClothoidSegment(1 / r, 0, 2 * kPi * r);
    EXPECT_NEAR(circle.U, 0.0, 1e-11);
    EXPECT_NEAR(circle.V, 0.0, 1e-11);
    const LocalOffset half = ClothoidSegment(-1 / r, 0, kPi * r);
    EXPECT_NEAR(half.U, 0.0, 1e-11);
    EXPECT_NEAR(half.V, -2 * r, 1e-11);
    EXPECT_THROW(ClothoidSegment(1.0, 0, 1e300), RuntimeError);
    EXPECT_THROW(ClothoidSegment(std::nan(""), 0, 1), RuntimeError);
}

// A clothoid is point-symmetric about its origin (x and y are odd in l), so the chord between
// any two lengths, either side of the origin, is the difference of the series from the origin.
TEST(ClothoidChord, EqualsTheDifferenceOfTheOriginSeries) {
    struct Case {
        double L1, L2, K;
    };
    const auto origin = [](double l, double k) {
        const LocalOffset o = ClothoidChord(0.0, std::fabs(l), k);
        return l < 0 ? LocalOffset{-o.U, -o.V} : o;
    };
    for (const Case c :
         {Case{0, 60, 15000}, Case{30, 90, 18000}, Case{-90, -30, -18000}, Case{-40, 70, 20000},
          Case{150, 250, 75000}, Case{250, 150, 75000}, Case{10, 10, 5000}}) {
        const LocalOffset got = ClothoidChord(c.L1, c.L2, c.K);
        EXPECT_NEAR(got.U, origin(c.L2, c.K).U - origin(c.L1, c.K).U, 1e-11)
            << c.L1 << " " << c.L2 << " " << c.K;
        EXPECT_NEAR(got.V, origin(c.L2, c.K).V - origin(c.L1, c.K).V, 1e-11)
            << c.L1 << " " << c.L2 << " " << c.K;
    }
    try {
        (void)ClothoidChord(1, 2, 0);
        ADD_FAILURE() << "k = 0 accepted";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Code(), ErrorCode::DivisionByZero);
    }
}

} // namespace
} // namespace tesk::geometry
