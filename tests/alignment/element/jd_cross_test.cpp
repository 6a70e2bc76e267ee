// The same line described twice, as intersection points with spirals and as a chain of elements,
// must give the same points: two constructions that share nothing but the clothoid series.

#include "state/alignment_tables.h"
#include "alignment/element/element_alignment.h"
#include "geometry/clothoid.h"
#include "state/alignment_tables.h"
#include "element_test_support.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace tesk::element {
namespace {

using state::SharedState;
using geometry::StationPoint;
using testing::Row;

constexpr double kInf = kInfiniteRadius;

struct Vertex {
    double X, Y, R, Ls1, Ls2;
};

void FillJd(SharedState& s, double startStation, const std::vector<Vertex>& vertices) {
    s.StartStation = startStation;
    s.JdCount = static_cast<int>(vertices.size());
    for (int i = 1; i <= s.JdCount; ++i) {
        const Vertex& v = vertices[static_cast<std::size_t>(i - 1)];
        s.JdNameLine[i] = "JD" + std::to_string(i);
        s.JdX[i] = v.X;
        s.JdY[i] = v.Y;
        s.JdRadius[i] = v.R;
        s.JdSpiral1[i] = v.Ls1;
        s.JdSpiral2[i] = v.Ls2;
    }
}

TEST(ElementAndJdAlignments, DescribeTheSameLine) {
    const std::vector<Vertex> vertices = {{3000000, 500000, 0, 0, 0},
                                          {3000420, 500310, 500, 100, 100},
                                          {3000700, 500980, 300, 80, 60},
                                          {3001350, 501100, 400, 0, 0},
                                          {3001500, 501750, 0, 0, 0}};
    SharedState jd;
    FillJd(jd, 1000.0, vertices);
    jd::BuildJdAlignment(jd);

    // The element chain: for each curve straight, entry spiral, arc, exit spiral; the arc's
    // length from the deflection, R |alpha| - (Ls1 + Ls2) / 2; the straights from the JD
    // stations. The end of the chain must then close on the last vertex.
    std::vector<Row> rows;
    double previousEnd = jd.JdStation[1];
    for (int i = 2; i < jd.JdCount; ++i) {
        const double r = jd.Deflection[i] > 0 ? vertices[i - 1].R : -vertices[i - 1].R;
        const double ls1 = vertices[i - 1].Ls1;
        const double ls2 = vertices[i - 1].Ls2;
        ASSERT_GT(jd.StationZH[i], previousEnd) << "curves must not overlap";
        rows.push_back({kInf, kInf, jd.StationZH[i] - previousEnd});
        if (ls1 > 0) {
            rows.push_back({kInf, r, ls1});
        }
        rows.push_back({r, r, std::fabs(r * jd.Deflection[i]) - (ls1 + ls2) / 2});
        if (ls2 > 0) {
            rows.push_back({r, kInf, ls2});
        }
        previousEnd = jd.StationHZ[i];
    }
    rows.push_back({kInf, kInf, jd.JdStation[jd.JdCount] - previousEnd});

    SharedState el;
    testing::FillRaw(el, jd.StartStation, vertices[0].X, vertices[0].Y, 0, rows);
    SplitReversingSpirals(el);
    el.ElemStartAzimuth = jd.LegAzimuth[1] * 180 / std::numbers::pi; // decimal degrees
    BuildElementAlignment(el);

    const int n = el.ElemCount;
    EXPECT_NEAR(el.ElemX[n + 1], vertices.back().X, 1e-6);
    EXPECT_NEAR(el.ElemY[n + 1], vertices.back().Y, 1e-6);
    EXPECT_NEAR(el.ElemStation[n + 1], jd.JdStation[jd.JdCount], 1e-6);

    int stakes = 0;
    for (double p = 1000.0; p <= el.ElemStation[n + 1]; p += 5.0, ++stakes) {
        const StationPoint a = jd::JdStationToPoint(jd, p);
        const StationPoint b = ElemStationToPoint(el, p);
        ASSERT_NEAR(a.X, b.X, 1e-6) << "station " << p;
        ASSERT_NEAR(a.Y, b.Y, 1e-6) << "station " << p;
        ASSERT_NEAR(testing::AngleGap(a.Azimuth, b.Azimuth), 0.0, 1e-9) << "station " << p;
    }
    EXPECT_GT(stakes, 300);
}

} // namespace
} // namespace tesk::element
