// The closed forms of a curve at one vertex (tangent lengths), and the circular arc of the line.

#include "alignment/element/element_alignment.h"
#include "alignment/jd/curve_primitives.h"
#include "geometry/clothoid.h"
#include "geometry/error.h"
#include "jd_test_support.h"

#include <cmath>
#include <gtest/gtest.h>

namespace tesk::jd {
namespace {

using geometry::ErrorCode;
using geometry::PlanePoint;
using geometry::RuntimeError;
using testing::kPi;

using geometry::SpiralShift;
using geometry::SpiralTangentExtension;

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
    for (const Case c :
         {Case{50.0, kPi * 25.0, 50.0, 50.0, 1e-13}, Case{-50.0, kPi * 25.0, 50.0, -50.0, 1e-13},
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
