// Spirals of an element line against integration of their curvature.

#include "alignment/element/element_alignment.h"
#include "element_test_support.h"

#include <cmath>
#include <gtest/gtest.h>

namespace tesk::element {
namespace {

using geometry::StationPoint;

using testing::Degrees;
using testing::Row;

constexpr double kInf = kInfiniteRadius;

// A compound spiral between two almost equal radii lies on a clothoid whose origin is far away
// (the tangent there differs by many radians): a series about that origin loses every digit,
// while the element's own geometry must stay exact.
TEST(ElementSpirals, CompoundSpiralBetweenAlmostEqualRadii) {
    const std::vector<Row> rows = {{kInf, kInf, 10}, {1000, 1000.5, 40}, {1000.5, 1000.5, 50}};
    const ElementAlignment line = testing::Load(0, 4000000, 400000, 77.0, rows);
    const testing::ReferenceLine ref(0, 4000000, 400000, Degrees(77), rows);
    for (double p = 10; p <= 100; p += 2.5) {
        const StationPoint got = line.Line().PointAt(p);
        const auto want = ref.At(p);
        EXPECT_NEAR(got.X, static_cast<double>(want.X), 2e-9) << p;
        EXPECT_NEAR(got.Y, static_cast<double>(want.Y), 2e-9) << p;
        EXPECT_NEAR(testing::AngleGap(got.Azimuth, want.Azimuth), 0, 1e-13) << p;
    }
}

// The element types as the series of the curve primitives define them, one element each:
// entry spiral from its origin, exit spiral back from its end, checked against the closed
// forms x = L - L^5/(40 K^2) + ..., y = L^3/(6K) - ... through integration.
TEST(ElementSpirals, EntryAndExitSpiralsAgreeWithIntegration) {
    for (const double r : {250.0, -250.0, 60.0}) {
        const std::vector<Row> rows = {{kInf, r, 80}, {r, kInf, 50}};
        const ElementAlignment line = testing::Load(0, 0, 0, 0, rows);
        const testing::ReferenceLine ref(0, 0, 0, 0, rows);
        for (double p = 0; p <= 130; p += 1.0) {
            const StationPoint got = line.Line().PointAt(p);
            const auto want = ref.At(p);
            EXPECT_NEAR(got.X, static_cast<double>(want.X), 1e-10) << r << " " << p;
            EXPECT_NEAR(got.Y, static_cast<double>(want.Y), 1e-10) << r << " " << p;
        }
    }
}

} // namespace
} // namespace tesk::element
