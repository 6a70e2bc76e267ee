// The same line described twice, as intersection points with spirals and as a chain of elements,
// must give the same points: two constructions that share nothing but the clothoid series.

#include "alignment/element/element_alignment.h"
#include "alignment/jd/jd_alignment.h"
#include "element_test_support.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace tesk::element {
namespace {

using geometry::StationPoint;

constexpr double kInf = kInfiniteRadius;

TEST(ElementAndJdAlignments, DescribeTheSameLine) {
    struct Corner {
        double X, Y, R, Ls1, Ls2;
    };
    const std::vector<Corner> corners = {{3000000, 500000, 0, 0, 0},
                                         {3000420, 500310, 500, 100, 100},
                                         {3000700, 500980, 300, 80, 60},
                                         {3001350, 501100, 400, 0, 0},
                                         {3001500, 501750, 0, 0, 0}};
    jd::JdInput jdInput;
    jdInput.StartStation = 1000.0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Corner& c = corners[i];
        jd::Vertex v;
        v.Name = "JD" + std::to_string(i + 1);
        v.X = c.X;
        v.Y = c.Y;
        v.Radius = c.R;
        v.Spiral1 = c.Ls1;
        v.Spiral2 = c.Ls2;
        jdInput.Vertices.push_back(v);
    }
    const jd::JdAlignment jd(jdInput);
    const std::vector<jd::JdCurve>& curves = jd.Curves();

    // The element chain: for each curve straight, entry spiral, arc, exit spiral; the arc's
    // length from the deflection, R |alpha| - (Ls1 + Ls2) / 2; the straights from the JD
    // stations. The end of the chain must then close on the last vertex.
    ElementInput input;
    input.StartStation = jdInput.StartStation;
    input.StartX = corners[0].X;
    input.StartY = corners[0].Y;
    input.StartAzimuth = curves[0].LegAzimuth * 180 / std::numbers::pi; // decimal degrees
    double previousEnd = curves[0].Station;
    for (std::size_t i = 1; i + 1 < curves.size(); ++i) {
        const double r = curves[i].Deflection > 0 ? corners[i].R : -corners[i].R;
        const double ls1 = corners[i].Ls1;
        const double ls2 = corners[i].Ls2;
        ASSERT_GT(curves[i].StationZH, previousEnd) << "curves must not overlap";
        input.Rows.push_back({kInf, kInf, curves[i].StationZH - previousEnd});
        if (ls1 > 0) {
            input.Rows.push_back({kInf, r, ls1});
        }
        input.Rows.push_back({r, r, std::fabs(r * curves[i].Deflection) - (ls1 + ls2) / 2});
        if (ls2 > 0) {
            input.Rows.push_back({r, kInf, ls2});
        }
        previousEnd = curves[i].StationHZ;
    }
    input.Rows.push_back({kInf, kInf, curves.back().Station - previousEnd});
    const ElementAlignment el(input);

    EXPECT_NEAR(el.End().X, corners.back().X, 1e-6);
    EXPECT_NEAR(el.End().Y, corners.back().Y, 1e-6);
    EXPECT_NEAR(el.EndMileage(), curves.back().Station, 1e-6);

    int stakes = 0;
    for (double p = 1000.0; p <= el.EndMileage(); p += 5.0, ++stakes) {
        const StationPoint a = jd.Line().PointAt(p);
        const StationPoint b = el.Line().PointAt(p);
        ASSERT_NEAR(a.X, b.X, 1e-6) << "station " << p;
        ASSERT_NEAR(a.Y, b.Y, 1e-6) << "station " << p;
        ASSERT_NEAR(testing::AngleGap(a.Azimuth, b.Azimuth), 0.0, 1e-9) << "station " << p;
    }
    EXPECT_GT(stakes, 300);
    // Both lines are cut into the same segments: straight, spiral, arc, spiral per curve.
    const auto& js = jd.Line().Segments();
    const auto& es = el.Line().Segments();
    ASSERT_EQ(js.size(), es.size());
    for (std::size_t k = 0; k < js.size(); ++k) {
        EXPECT_EQ(js[k].Kind, es[k].Kind) << k;
        EXPECT_NEAR(js[k].StartMileage, es[k].StartMileage, 1e-6) << k;
        EXPECT_NEAR(js[k].StartCurvature, es[k].StartCurvature, 1e-12) << k;
        EXPECT_NEAR(js[k].EndCurvature, es[k].EndCurvature, 1e-12) << k;
    }
}

} // namespace
} // namespace tesk::element
