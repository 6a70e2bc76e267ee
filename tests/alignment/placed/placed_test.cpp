// The placed-element builder against the element builder: the same line given as placed
// elements (each element's start point and direction as the element builder computes them)
// gives the same points; and what is particular to placed elements (each laid from its own
// start, a real radius of 10000 m, refusals).

#include "alignment/element/element_alignment.h"
#include "alignment/placed/placed_alignment.h"
#include "geometry/angles.h"
#include "support/error_of.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tesk::placed {
namespace {

using element::ElementAlignment;
using element::ElementRow;
using element::kInfiniteRadius;

double CurvatureOf(double radius) {
    return radius == kInfiniteRadius ? 0.0 : 1.0 / radius;
}

// The element line as placed elements, each from the element builder's own start.
PlacedInput AsPlaced(const ElementAlignment& e) {
    PlacedInput in;
    in.StartMileage = e.Input().StartStation;
    int i = 0;
    for (const element::Element& el : e.Elements()) {
        in.Elements.push_back({"element " + std::to_string(++i), el.Start, el.StartAzimuth,
                               el.Length, CurvatureOf(el.StartRadius), CurvatureOf(el.EndRadius)});
    }
    return in;
}

void ExpectSameLine(const ElementAlignment& e, const PlacedAlignment& p) {
    ASSERT_EQ(e.Elements().size(), p.Elements().size());
    EXPECT_NEAR(e.EndMileage(), p.EndMileage(), 1e-9);
    EXPECT_NEAR(e.End().X, p.End().X, 1e-9);
    EXPECT_NEAR(e.End().Y, p.End().Y, 1e-9);
    EXPECT_NEAR(geometry::ReduceAngle(e.EndAzimuth() - p.EndAzimuth()), 0.0, 1e-12);
    for (std::size_t i = 0; i < e.Elements().size(); ++i) {
        EXPECT_EQ(e.Elements()[i].Kind, p.Elements()[i].Kind) << i;
    }
    const double start = e.Line().Start();
    const double end = e.Line().End();
    for (double m = start - 5.0; m <= end + 5.0; m += (end - start) / 997.0) {
        const geometry::StationPoint a = e.Line().PointAt(m);
        const geometry::StationPoint b = p.Line().PointAt(m);
        ASSERT_NEAR(a.X, b.X, 1e-9) << m;
        ASSERT_NEAR(a.Y, b.Y, 1e-9) << m;
        ASSERT_NEAR(geometry::ReduceAngle(a.Azimuth - b.Azimuth), 0.0, 1e-12) << m;
    }
}

TEST(PlacedAlignment, EachElementKindAgreesWithTheElementBuilder) {
    // Rows of one kind each (after a lead-in straight), then a line of all kinds both ways.
    const std::vector<std::vector<ElementRow>> lines = {
        {{kInfiniteRadius, kInfiniteRadius, 250.0}},
        {{kInfiniteRadius, kInfiniteRadius, 50.0}, {450.0, 450.0, 300.0}},
        {{kInfiniteRadius, kInfiniteRadius, 50.0}, {-450.0, -450.0, 2000.0}}, // beyond a turn
        {{kInfiniteRadius, kInfiniteRadius, 50.0}, {kInfiniteRadius, 300.0, 120.0}},
        {{kInfiniteRadius, kInfiniteRadius, 50.0}, {-300.0, kInfiniteRadius, 120.0}},
        {{kInfiniteRadius, kInfiniteRadius, 50.0}, {600.0, 250.0, 80.0}},
        {{kInfiniteRadius, kInfiniteRadius, 50.0}, {-250.0, -600.0, 80.0}},
        {{kInfiniteRadius, kInfiniteRadius, 100.0},
         {kInfiniteRadius, 600.0, 80.0},
         {600.0, 600.0, 150.0},
         {600.0, 300.0, 40.0},
         {300.0, 300.0, 50.0},
         {300.0, -400.0, 90.0}, // reversing: split by the element builder
         {-400.0, -400.0, 60.0},
         {-400.0, kInfiniteRadius, 70.0},
         {kInfiniteRadius, kInfiniteRadius, 0.0}, // no length
         {kInfiniteRadius, kInfiniteRadius, 100.0}},
    };
    for (const std::vector<ElementRow>& rows : lines) {
        const ElementAlignment e({12345.678, 3452650.0, 502930.0, 58.1234, rows});
        SCOPED_TRACE(rows.size());
        ExpectSameLine(e, PlacedAlignment(AsPlaced(e)));
    }
}

TEST(PlacedAlignment, EveryElementStartsAtItsOwnStartPointAndARadiusOf10000IsReal) {
    PlacedInput in;
    in.StartMileage = 100.0;
    // The arc's start lies 5 mm beside the straight's end: the arc keeps its own start.
    in.Elements.push_back({"Line 1", {1000.0, 2000.0}, 0.0, 100.0, 0.0, 0.0});
    in.Elements.push_back({"Curve 2", {1100.0, 2000.005}, 0.0, 500.0, 1e-4, 1e-4});
    const PlacedAlignment p(in);
    const geometry::StationPoint arcStart = p.PointOnElement(1, 0.0);
    EXPECT_DOUBLE_EQ(arcStart.X, 1100.0);
    EXPECT_DOUBLE_EQ(arcStart.Y, 2000.005);
    EXPECT_EQ(p.Elements()[1].Kind, element::ElementKind::Arc);
    // 500 m of a 10000 m radius turns 0.05 rad to the right.
    EXPECT_NEAR(p.EndAzimuth(), 0.05, 1e-15);
    EXPECT_NEAR(p.End().X, 1100.0 + 10000.0 * std::sin(0.05), 1e-9);
    EXPECT_NEAR(p.End().Y, 2000.005 + 10000.0 * (1.0 - std::cos(0.05)), 1e-9);
    EXPECT_NEAR(p.EndMileage(), 700.0, 1e-12);
    const geometry::StationPoint mid = p.Line().PointAt(450.0);
    EXPECT_NEAR(mid.X, 1100.0 + 10000.0 * std::sin(0.025), 1e-9);
}

TEST(PlacedAlignment, RefusalsNameTheElement) {
    struct Case {
        PlacedElement Element;
        geometry::ErrorCode Code;
        const char* Text;
    };
    const std::vector<Case> cases = {
        {{"Spiral 3 (line 40)", {0, 0}, 0, -1.0, 0, 0},
         geometry::ErrorCode::Format,
         "Spiral 3 (line 40) has a negative length"},
        {{"Spiral 4 (line 12)", {0, 0}, 0, 126.0, 0, 0.1},
         geometry::ErrorCode::Format,
         "Spiral 4 (line 12) is a spiral that turns through more than a full circle"},
        {{"Curve 2 (line 9)", {0, NAN}, 0, 1.0, 0, 0},
         geometry::ErrorCode::NonFinite,
         "Curve 2 (line 9)"},
        {{"Curve 2 (line 9)", {0, 0}, 0, 1.0, INFINITY, 0},
         geometry::ErrorCode::NonFinite,
         "Curve 2 (line 9)"},
    };
    for (const Case& c : cases) {
        const std::string message = testing::ErrorOf(
            [&] {
                PlacedAlignment({0.0, {{"Line 1", {0, 0}, 0, 10, 0, 0}, c.Element}});
            },
            c.Code);
        EXPECT_NE(message.find(c.Text), std::string::npos) << message;
    }
    EXPECT_NE(testing::ErrorOf([] { PlacedAlignment({0.0, {}}); }).find("no"), std::string::npos);
}

} // namespace
} // namespace tesk::placed
