#include "state/alignment_tables.h"
#include "alignment/element/element_alignment.h"
#include "geometry/clothoid.h"
#include "geometry/clothoid.h"
#include "geometry/angles.h"
#include "element_test_support.h"
#include "geometry/error.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace tesk::element {
namespace {

using state::SharedState;
using geometry::ClothoidSegment;
using geometry::LocalOffset;
using geometry::StationPoint;

// The one clothoid evaluator: the chord between two lengths from the origin, and the series
// from the origin itself.
double ClothoidDeltaX(double l1, double l2, double k) {
    return geometry::ClothoidChord(l1, l2, k).U;
}
double ClothoidDeltaY(double l1, double l2, double k) {
    return geometry::ClothoidChord(l1, l2, k).V;
}
double OriginX(double l, double k) {
    return geometry::ClothoidChord(0.0, l, k).U;
}
double OriginY(double l, double k) {
    return geometry::ClothoidChord(0.0, l, k).V;
}
using testing::Degrees;
using testing::Row;

constexpr double kInf = kInfiniteRadius;
constexpr double kPi = std::numbers::pi;

// The piece against integration of its curvature, for curvature k0 + rate * s.
void ExpectMatchesIntegration(double k0, double rate, double length, double tolerance) {
    const LocalOffset got = ClothoidSegment(k0, rate, length);
    const testing::RefPoint want = testing::Integrate({0, 0, 0}, k0, rate, length);
    EXPECT_NEAR(got.U, static_cast<double>(want.X), tolerance)
        << "k0 " << k0 << " rate " << rate << " length " << length;
    EXPECT_NEAR(got.V, static_cast<double>(want.Y), tolerance)
        << "k0 " << k0 << " rate " << rate << " length " << length;
}

TEST(ClothoidSegment, MatchesIntegrationOfTheCurvature) {
    // Straights, arcs, spirals from the origin, pieces far out on a clothoid, growing and easing,
    // both directions, short and long, backwards.
    ExpectMatchesIntegration(0, 0, 250, 1e-12);
    ExpectMatchesIntegration(1 / 300.0, 0, 200, 1e-11);
    ExpectMatchesIntegration(-1 / 300.0, 0, 200, 1e-11);
    ExpectMatchesIntegration(0, 1 / (60.0 * 250), 60, 1e-11);
    ExpectMatchesIntegration(1 / 600.0, (1 / 300.0 - 1 / 600.0) / 50, 50, 1e-11);
    ExpectMatchesIntegration(1 / 300.0, (1 / 600.0 - 1 / 300.0) / 50, 50, 1e-11);
    ExpectMatchesIntegration(-1 / 150.0, (-1 / 450.0 + 1 / 150.0) / 60, 60, 1e-11);
    ExpectMatchesIntegration(1 / 500.0, (-1 / 800.0 - 1 / 500.0) / 130, 130, 1e-11);
    ExpectMatchesIntegration(1 / 250.0, 1e-5, 1e-3, 1e-15);
    ExpectMatchesIntegration(1 / 250.0, 1e-5, -40, 1e-11);
}

TEST(ClothoidSegment, PiecesTurningFarAreCutAndStayExact) {
    // A whole circle closes on itself; a spiral winding several turns matches integration.
    const double r = 75;
    const LocalOffset circle = ClothoidSegment(1 / r, 0, 2 * kPi * r);
    EXPECT_NEAR(circle.U, 0.0, 1e-11);
    EXPECT_NEAR(circle.V, 0.0, 1e-11);
    const LocalOffset half = ClothoidSegment(-1 / r, 0, kPi * r);
    EXPECT_NEAR(half.U, 0.0, 1e-11);
    EXPECT_NEAR(half.V, -2 * r, 1e-11);
    ExpectMatchesIntegration(1 / 40.0, 1 / 2000.0, 300, 1e-10);
    EXPECT_THROW(ClothoidSegment(1.0, 0, 1e300), geometry::RuntimeError);
    EXPECT_THROW(ClothoidSegment(std::nan(""), 0, 1), geometry::RuntimeError);
}

// The curve primitives' series take l >= 0; a clothoid is point-symmetric about its origin
// (x and y are odd in l), which gives them for negative l.
TEST(ClothoidDelta, EqualsTheDifferenceOfTheOriginSeries) {
    struct Case {
        double L1, L2, K;
    };
    for (const Case c :
         {Case{0, 60, 15000}, Case{30, 90, 18000}, Case{-90, -30, -18000}, Case{-40, 70, 20000},
          Case{150, 250, 75000}, Case{250, 150, 75000}, Case{10, 10, 5000}}) {
        EXPECT_NEAR(ClothoidDeltaX(c.L1, c.L2, c.K),
                    OriginX(std::fabs(c.L2), c.K) * (c.L2 < 0 ? -1 : 1) -
                        OriginX(std::fabs(c.L1), c.K) * (c.L1 < 0 ? -1 : 1),
                    1e-11)
            << c.L1 << " " << c.L2 << " " << c.K;
        EXPECT_NEAR(ClothoidDeltaY(c.L1, c.L2, c.K),
                    OriginY(std::fabs(c.L2), c.K) * (c.L2 < 0 ? -1 : 1) -
                        OriginY(std::fabs(c.L1), c.K) * (c.L1 < 0 ? -1 : 1),
                    1e-11)
            << c.L1 << " " << c.L2 << " " << c.K;
    }
    EXPECT_THROW(ClothoidDeltaX(1, 2, 0), geometry::RuntimeError);
}

// A compound spiral between two almost equal radii lies on a clothoid whose origin is far away
// (the tangent there differs by many radians): a series about that origin loses every digit,
// while the element's own geometry must stay exact.
TEST(ClothoidSegment, CompoundSpiralBetweenAlmostEqualRadii) {
    const std::vector<Row> rows = {{kInf, kInf, 10}, {1000, 1000.5, 40}, {1000.5, 1000.5, 50}};
    SharedState s;
    testing::Load(s, 0, 4000000, 400000, 77.0, rows);
    const testing::ReferenceLine ref(0, 4000000, 400000, Degrees(77), rows);
    for (double p = 10; p <= 100; p += 2.5) {
        const StationPoint got = ElemStationToPoint(s, p);
        const auto want = ref.At(p);
        EXPECT_NEAR(got.X, static_cast<double>(want.X), 2e-9) << p;
        EXPECT_NEAR(got.Y, static_cast<double>(want.Y), 2e-9) << p;
        EXPECT_NEAR(testing::AngleGap(got.Azimuth, want.Azimuth), 0, 1e-13) << p;
    }
}

// The element types as the series of the curve primitives define them, one element each:
// entry spiral from its origin, exit spiral back from its end, checked against the closed
// forms x = L - L^5/(40 K^2) + ..., y = L^3/(6K) - ... through integration.
TEST(ClothoidSegment, EntryAndExitSpiralsAgreeWithIntegration) {
    for (const double r : {250.0, -250.0, 60.0}) {
        const std::vector<Row> rows = {{kInf, r, 80}, {r, kInf, 50}};
        SharedState s;
        testing::Load(s, 0, 0, 0, 0, rows);
        const testing::ReferenceLine ref(0, 0, 0, 0, rows);
        for (double p = 0; p <= 130; p += 1.0) {
            const StationPoint got = ElemStationToPoint(s, p);
            const auto want = ref.At(p);
            EXPECT_NEAR(got.X, static_cast<double>(want.X), 1e-10) << r << " " << p;
            EXPECT_NEAR(got.Y, static_cast<double>(want.Y), 1e-10) << r << " " << p;
        }
    }
}

} // namespace
} // namespace tesk::element
