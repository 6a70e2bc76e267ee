// The vertical alignment and the cross-fall against their closed forms.

#include "profile/profile.h"
#include "support/error_of.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tesk::profile {
namespace {

// A crest at 1000 (R 10000, +2 % to -1 %: L = 300, T = 150, E = 1.125) and a sag at 2000
// (R 8000, -1 % to +1.5 %: L = 200, T = 100, E = 0.625).
Profile CrestAndSag() {
    return Profile({{"A", 0.0, 100.0, 0.0},
                    {"B", 1000.0, 120.0, 10000.0},
                    {"C", 2000.0, 110.0, 8000.0},
                    {"D", 3000.0, 125.0, 0.0}});
}

TEST(Profile, CurveTableAndClosedForms) {
    const Profile p = CrestAndSag();
    struct Row {
        std::size_t Point;
        double Length, Tangent, External, Sign;
    };
    for (const Row r : {Row{1, 300.0, 150.0, 1.125, -1.0}, Row{2, 200.0, 100.0, 0.625, 1.0}}) {
        const VerticalCurve& c = p.Curves()[r.Point];
        const GradePoint& g = p.Points()[r.Point];
        EXPECT_NEAR(c.Length, r.Length, 1e-9);
        EXPECT_NEAR(c.Tangent, r.Tangent, 1e-9);
        EXPECT_NEAR(c.External, r.External, 1e-12);
        // The tangent points lie on the grades; the middle lies E off the grade point.
        EXPECT_NEAR(*p.ElevationAt(c.StartMileage), g.Elevation - c.GradeIn * c.Tangent, 1e-9);
        EXPECT_NEAR(*p.ElevationAt(c.EndMileage), g.Elevation + c.GradeOut * c.Tangent, 1e-9);
        EXPECT_NEAR(*p.ElevationAt(g.Mileage), g.Elevation + r.Sign * r.External, 1e-9);
        // The grade is continuous at the tangent points and runs linearly through the curve.
        EXPECT_NEAR(*p.GradeAt(c.StartMileage), c.GradeIn, 1e-15);
        EXPECT_NEAR(*p.GradeAt(c.EndMileage), c.GradeOut, 1e-15);
        EXPECT_NEAR(*p.GradeAt(g.Mileage), 0.5 * (c.GradeIn + c.GradeOut), 1e-15);
        // Symmetric about the grade point: the same distance off each tangent.
        for (const double d : {10.0, 75.0, 99.0}) {
            const double before = *p.ElevationAt(g.Mileage - d) - (g.Elevation - c.GradeIn * d);
            const double after = *p.ElevationAt(g.Mileage + d) - (g.Elevation + c.GradeOut * d);
            EXPECT_NEAR(before, after, 1e-9) << d;
            const double x = c.Tangent - d;
            EXPECT_NEAR(before, r.Sign * x * x / (2.0 * g.Radius), 1e-9) << d;
        }
    }
    // On the grades: straight lines.
    EXPECT_NEAR(*p.ElevationAt(500.0), 110.0, 1e-12);
    EXPECT_NEAR(*p.ElevationAt(2500.0), 117.5, 1e-12);
    EXPECT_EQ(p.ElevationAt(-0.001), std::nullopt);
    EXPECT_EQ(p.ElevationAt(3000.001), std::nullopt);
    EXPECT_NEAR(*p.ElevationAt(3000.0), 125.0, 1e-12);
}

TEST(Profile, RefusalsNameTheGradePoints) {
    struct Case {
        std::vector<GradePoint> Points;
        const char* Names;
    };
    const std::vector<Case> cases = {
        // T 150 + T 100 > 200 between B and C.
        {{{"A", 0, 100, 0}, {"B", 1000, 120, 10000}, {"C", 1200, 110, 8000}, {"D", 3000, 125, 0}},
         "B and C"},
        {{{"A", 0, 100, 0}, {"B", 1000, 120, 0}, {"C", 900, 110, 0}}, "B and C"},
        {{{"A", 0, 100, 500}, {"B", 1000, 120, 0}}, "A"},
        {{{"A", 0, 100, 0}}, "at least two"},
        {{{"A", 0, 100, 0}, {"B", 1000, NAN, 0}}, "B"},
    };
    for (const Case& c : cases) {
        const std::string message = testing::ErrorOf([&] { Profile p(c.Points); });
        EXPECT_NE(message.find(c.Names), std::string::npos) << message;
    }
}

// +2 % to -1 % at B (1000, 120): an unsymmetric parabola of 100 m before and 200 m after
// (E = 100 * 200 * 0.03 / (2 * 300) = 1), a circle of R 10000.
Profile Crest(const GradePoint& shape) {
    return Profile(
        {{"A", 0.0, 100.0, 0.0},
         {"B", 1000.0, 120.0, shape.Radius, shape.Shape, shape.LengthIn, shape.LengthOut},
         {"C", 2000.0, 110.0, 0.0}});
}

TEST(Profile, UnsymmetricParabolaOffsetsFromEachTangentPoint) {
    const Profile p = Crest({"", 0, 0, 0, CurveShape::UnsymmetricParabola, 100.0, 200.0});
    const VerticalCurve& c = p.Curves()[1];
    EXPECT_DOUBLE_EQ(c.StartMileage, 900.0);
    EXPECT_DOUBLE_EQ(c.EndMileage, 1200.0);
    EXPECT_NEAR(c.External, 1.0, 1e-12);
    struct Row {
        double Mileage, Elevation, Grade;
    };
    // E (x / l)^2 below the tangent of each side; the grade 0 at the grade point from both sides.
    for (const Row r : {Row{900.0, 118.0, 0.02}, Row{950.0, 119.0 - 0.25, 0.01},
                        Row{1000.0, 119.0, 0.0}, Row{1100.0, 119.0 - 0.25, -0.005},
                        Row{1200.0, 118.0, -0.01}, Row{1500.0, 115.0, -0.01}}) {
        EXPECT_NEAR(*p.ElevationAt(r.Mileage), r.Elevation, 1e-12) << r.Mileage;
        EXPECT_NEAR(*p.GradeAt(r.Mileage), r.Grade, 1e-15) << r.Mileage;
    }
}

TEST(Profile, CircularCurveIsACircleTangentToBothGrades) {
    const double r = 10000.0;
    const Profile p = Crest({"", 0, 0, r, CurveShape::Circle});
    const VerticalCurve& c = p.Curves()[1];
    // The centre lies r below both grade lines z = 120 + g (s - 1000): solve for it directly.
    const double g1 = 0.02, g2 = -0.01;
    const double n1 = std::sqrt(1 + g1 * g1), n2 = std::sqrt(1 + g2 * g2);
    // 120 + g (sc - 1000) - zc = r n  for both lines.
    const double sc = 1000.0 + (r * n1 - r * n2) / (g1 - g2);
    const double zc = 120.0 + g1 * (sc - 1000.0) - r * n1;
    for (double m = c.StartMileage; m <= c.EndMileage; m += 7.3) {
        const double z = *p.ElevationAt(m);
        EXPECT_NEAR(std::hypot(m - sc, z - zc), r, 1e-8) << m;
        // The grade is the circle's slope there.
        EXPECT_NEAR(*p.GradeAt(m), -(m - sc) / (z - zc), 1e-12) << m;
    }
    // Tangent points on the grades, with their grades; a circle, not the parabola of that R.
    EXPECT_NEAR(*p.ElevationAt(c.StartMileage), 120.0 + g1 * (c.StartMileage - 1000.0), 1e-9);
    EXPECT_NEAR(*p.ElevationAt(c.EndMileage), 120.0 + g2 * (c.EndMileage - 1000.0), 1e-9);
    EXPECT_NEAR(*p.GradeAt(c.StartMileage), g1, 1e-12);
    EXPECT_NEAR(*p.GradeAt(c.EndMileage), g2, 1e-12);
    const Profile parabola = Crest({"", 0, 0, r});
    EXPECT_GT(std::fabs(*p.ElevationAt(1000.0) - *parabola.ElevationAt(1000.0)), 1e-5);
    EXPECT_NEAR(c.External, 120.0 - *p.ElevationAt(1000.0), 1e-12);
}

TEST(Profile, RefusalsOfTheOtherCurves) {
    struct Case {
        GradePoint B;
        const char* Text;
    };
    for (const Case& c :
         {Case{{"", 0, 0, 0, CurveShape::UnsymmetricParabola, 100.0, 0.0},
               "one of its two lengths"},
          Case{{"", 0, 0, 0, CurveShape::UnsymmetricParabola, 1001.0, 10.0}, "A and B overlap"},
          Case{{"", 0, 0, 0, CurveShape::UnsymmetricParabola, -1.0, -1.0}, "negative"},
          Case{{"", 0, 0, 1e6, CurveShape::Circle}, "overlap"}}) {
        const std::string message = testing::ErrorOf([&] { Crest(c.B); });
        EXPECT_NE(message.find(c.Text), std::string::npos) << message;
    }
}

TEST(CrossFall, InterpolatedInMileageConstantOutside) {
    const CrossFall cf({{"a", 100.0, -2.0, -2.0}, {"b", 200.0, -2.0, 4.0}});
    struct Row {
        double Mileage, Offset, Expected;
    };
    for (const Row r : {Row{50.0, 10.0, -2.0}, Row{150.0, -10.0, 1.0}, Row{150.0, 10.0, -2.0},
                        Row{250.0, -3.0, 4.0}}) {
        EXPECT_NEAR(cf.At(r.Mileage, r.Offset), r.Expected, 1e-12) << r.Mileage;
    }
    // Rotation about the centre line: 10 m at -2 % lies 0.2 m below the centre.
    EXPECT_NEAR(cf.ElevationOff(120.0, 50.0, 10.0), 119.8, 1e-12);
    EXPECT_NEAR(cf.ElevationOff(120.0, 250.0, -10.0), 120.4, 1e-12);
    EXPECT_THROW(CrossFall({}), geometry::RuntimeError);
    EXPECT_THROW(CrossFall({{"a", 100, 1, 1}, {"b", 100, 1, 1}}), geometry::RuntimeError);
}

} // namespace
} // namespace tesk::profile
