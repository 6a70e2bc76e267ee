#include "cad/design_line.h"
#include "cad/design_line_parts.h"

#include "design_line_test_support.h"

#include "formats/readers.h"
#include "geometry/error.h"
#include "support/error_of.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace tesk::cad {
namespace {

using namespace testing;
using geometry::PlanePoint;
using geometry::StationPoint;

constexpr double kMetres = 1e-8;    // positions, m (coordinates up to a few 1e6 m)
constexpr double kRadians = 1e-11;  // angles, rad
constexpr double kDistance = 1e-12; // distances along a spiral of up to ~100 m, m

const std::string kLine(kCentreLineLayer);
const std::string kTangent(kTangentLineLayer);
const std::string kNotes(kAnnotationLayer);

struct Drawn {
    DrawingDocument Doc;
    std::vector<std::string> Stages;

    ProgressCallback Progress() {
        return [this](std::string_view stage) { Stages.emplace_back(stage); };
    }
};

/// Draws a JD line into a fresh document; fails the test when the drawing throws.
void Draw(const JdLine& s, Drawn& out) {
    try {
        DrawDesignLineJd(s.Line, s.Breaks, out.Doc, out.Progress());
    } catch (const geometry::RuntimeError& e) {
        ADD_FAILURE() << "the drawing failed: " << e.what();
    }
}

/// Draws an element line into a fresh document; fails the test when the drawing throws.
void Draw(const element::ElementAlignment& line, Drawn& out) {
    try {
        DrawDesignLineElem(line, out.Doc, out.Progress());
    } catch (const geometry::RuntimeError& e) {
        ADD_FAILURE() << "the drawing failed: " << e.what();
    }
}

PlanePoint P(const StationPoint& p) {
    return {p.X, p.Y};
}
PlanePoint Along(PlanePoint p, double azimuth, double d) {
    return {p.X + d * std::cos(azimuth), p.Y + d * std::sin(azimuth)};
}

void ExpectNear(PlanePoint actual, PlanePoint expected, double tolerance, const std::string& what) {
    EXPECT_LE(testing::Distance(actual, expected), tolerance)
        << what << ": (" << actual.X << ", " << actual.Y << ") instead of (" << expected.X << ", "
        << expected.Y << ")";
}

/// Checks one annotation text: string, anchor (insertion and alignment point), rotation,
/// alignment, colour and the common text properties.
void ExpectText(const DrawingDocument& doc, const std::string& text, PlanePoint at, double rotation,
                VerticalAlignment vertical, HorizontalAlignment horizontal, int colour) {
    SCOPED_TRACE(text);
    const DrawnEntity* e = UniqueText(doc, text);
    ASSERT_NE(e, nullptr) << "no single text \"" << text << "\"";
    const DrawnText& t = std::get<DrawnText>(e->Shape);
    EXPECT_EQ(e->Layer, kNotes);
    EXPECT_EQ(e->Color, colour);
    EXPECT_EQ(t.Height, 4.0);
    EXPECT_EQ(t.WidthFactor, 0.7);
    EXPECT_EQ(t.Style, "new_text");
    EXPECT_NEAR(Wrap(t.Rotation - rotation), 0.0, kRadians);
    EXPECT_EQ(t.Vertical, vertical);
    EXPECT_EQ(t.Horizontal, horizontal);
    ExpectNear(Survey(t.AlignmentPoint), at, kMetres, "alignment point");
    ExpectNear(Survey(t.Insertion), at, kMetres, "insertion point");
}

/// True when a line of `colour` on the annotation layer runs from `from` to `to`.
bool HasLine(const DrawingDocument& doc, PlanePoint from, PlanePoint to, int colour) {
    for (const auto& [e, line] : ShapesOn<DrawnLine>(doc, kNotes)) {
        if (e->Color == colour && testing::Distance(Survey(line->Start), from) <= kMetres &&
            testing::Distance(Survey(line->End), to) <= kMetres) {
            return true;
        }
    }
    return false;
}

/// A main point or chain-break mark at the design-line point of `at`: a 5 m tick square to the
/// line on the given side and the text continuing it outward, across the line.
void ExpectMark(const DrawingDocument& doc, const std::string& text, const StationPoint& at,
                bool right, int colour) {
    SCOPED_TRACE(text);
    const double side = right ? kPi / 2.0 : -kPi / 2.0;
    const PlanePoint tickEnd = Along(P(at), at.Azimuth + side, 5.0);
    EXPECT_TRUE(HasLine(doc, P(at), tickEnd, colour)) << "tick missing";
    ExpectText(doc, text, tickEnd, -at.Azimuth, VerticalAlignment::Middle,
               right ? HorizontalAlignment::Left : HorizontalAlignment::Right, colour);
}

int CountTextsStartingWith(const DrawingDocument& doc, const std::string& prefix) {
    const auto texts = Texts(doc);
    return static_cast<int>(std::count_if(texts.begin(), texts.end(), [&](const DrawnText* t) {
        return t->Text.rfind(prefix, 0) == 0;
    }));
}

// ---- Spiral point spacing -----------------------------------------------------------------

TEST(SpiralPointDistance, CompleteSpiralIsSpacedEquallyInTangentAngle) {
    // On a spiral from the tangent the tangent angle grows with the square of the distance.
    const double ls = 80.0;
    for (int k = 0; k <= kDrawPoints; ++k) {
        EXPECT_NEAR(SpiralPointDistance(k, ls, 0.0, 300.0, 0.0), ls * std::sqrt(k / 360.0),
                    kDistance)
            << k;
    }
}

TEST(SpiralPointDistance, IncompleteSpiralAndHairpinSigns) {
    // A spiral from radius 1200 to 300 over 90 m: its curvature runs linearly, so the tangent
    // angle turned from the outer end is d/R0 + d^2 (1/R - 1/R0) / (2 Ls).
    const double ls = 90.0, r = 300.0, r0 = 1200.0;
    const double c = ls * r / (r0 - r); // clothoid origin to the outer end
    const auto turned = [&](double d) { return d / r0 + d * d * (1.0 / r - 1.0 / r0) / (2 * ls); };
    for (int k = 0; k <= kDrawPoints; k += 30) {
        const double d = SpiralPointDistance(k, ls, c, r, r0);
        EXPECT_NEAR(turned(d), turned(ls) * k / 360.0, 1e-14) << k;
        // A hairpin vertex carries every field negated: the same points, the sign reversed.
        EXPECT_EQ(SpiralPointDistance(k, -ls, -c, -r, -r0), -d) << k;
    }
    EXPECT_NEAR(SpiralPointDistance(kDrawPoints, ls, c, r, r0), ls, kDistance);
}

TEST(ElemSpiralPointDistance, EveryKindOfSpiralIsSpacedEquallyInTangentAngle) {
    // Turned angle from the element's start at distance d, curvature linear from 1/rs to 1/re.
    struct Case {
        double L, RS, RE;
    };
    for (const Case& e : {Case{75.0, 10000.0, 320.0}, Case{70.0, -130.0, 10000.0},
                          Case{84.2, -260.0, -130.0}, Case{60.0, 250.0, 400.0}}) {
        SCOPED_TRACE(::testing::Message() << e.RS << " -> " << e.RE);
        const double ks = e.RS == 10000.0 ? 0.0 : 1.0 / e.RS;
        const double ke = e.RE == 10000.0 ? 0.0 : 1.0 / e.RE;
        const auto turned = [&](double d) { return ks * d + (ke - ks) * d * d / (2.0 * e.L); };
        EXPECT_EQ(ElemSpiralPointDistance(0, e.L, e.RS, e.RE), 0.0);
        for (int k = 1; k <= kDrawPoints; ++k) {
            const double d = ElemSpiralPointDistance(k, e.L, e.RS, e.RE);
            EXPECT_NEAR(turned(d), turned(e.L) * k / 360.0, 1e-13) << k;
        }
        EXPECT_NEAR(ElemSpiralPointDistance(kDrawPoints, e.L, e.RS, e.RE), e.L, 1e-11);
    }
}

TEST(StakeText, HundredsDigitOrKilometre) {
    using design_line::StakeText;
    EXPECT_EQ(StakeText(1000.0), "K1");
    EXPECT_EQ(StakeText(1300.0), "3");
    EXPECT_EQ(StakeText(12000.0), "K12");
    EXPECT_EQ(StakeText(12900.0), "9");
    EXPECT_EQ(StakeText(0.0), "K0");
    // Before zero the digit is that of the magnitude, as in the label -K0+200.000.
    EXPECT_EQ(StakeText(-200.0), "2");
    EXPECT_EQ(StakeText(-1000.0), "-K1");
    EXPECT_EQ(design_line::FirstStake(0.0), 100.0);
    EXPECT_EQ(design_line::FirstStake(1234.5), 1300.0);
    EXPECT_EQ(design_line::FirstStake(1900.0), 2000.0);
    EXPECT_EQ(design_line::FirstStake(-250.0), -200.0);
}

// ---- JD method: centre line ---------------------------------------------------------------

/// A single curve turning right (side +1) or left (-1) by about 54 deg.
JdLine SingleCurve(double side, double r, double ls1, double ls2, const std::string& name = "JD1") {
    return MakeJdLine(
        1000.0,
        {{"QD", 0.0, 0.0}, {name, 600.0, side * 100.0, r, ls1, ls2}, {"ZD", 900.0, side * 700.0}});
}

/// The centre-line entities of the curve of vertex k (row k of the curve table), in drawing
/// order from entity `first` of the layer: straight, entry spiral, arc, exit spiral. Returns the
/// index after them.
std::size_t ExpectCurveDrawn(const DrawingDocument& doc, const JdLine& s, int k,
                             std::size_t first) {
    SCOPED_TRACE(::testing::Message() << "curve " << k);
    const jd::JdCurve& c = s.Curve(k);
    std::vector<const DrawnEntity*> layer;
    for (const DrawnEntity& e : doc.Entities()) {
        if (e.Layer == kLine && !std::holds_alternative<DrawnPoint>(e.Shape)) {
            layer.push_back(&e);
        }
    }
    std::size_t at = first;
    const auto next = [&]() -> const DrawnEntity& {
        if (at >= layer.size()) {
            ADD_FAILURE() << "centre line ends early";
            static const DrawnEntity none{};
            return none;
        }
        return *layer[at++];
    };
    const PlanePoint zh = c.Zh, hy = c.Hy, qz = c.Qz, yh = c.Yh, hz = c.Hz;
    const PlanePoint before = k == 1 ? PlanePoint{s.Vertex(0).X, s.Vertex(0).Y} : s.Curve(k - 1).Hz;

    const DrawnEntity& straight = next();
    if (!std::holds_alternative<DrawnLine>(straight.Shape)) {
        ADD_FAILURE() << "no straight before the curve";
        return at;
    }
    EXPECT_EQ(straight.Color, kBlue);
    ExpectNear(Survey(std::get<DrawnLine>(straight.Shape).Start), before, kMetres, "straight");
    ExpectNear(Survey(std::get<DrawnLine>(straight.Shape).End), zh, kMetres, "straight");

    // Spirals: the points of the evaluator at distances equally spaced in tangent angle from
    // the outer end; the last two both at the arc end.
    const auto expectSpiral = [&](double ls, double r0, double outerStation, double direction,
                                  PlanePoint outer, PlanePoint arcEnd) {
        const DrawnEntity& e = next();
        ASSERT_TRUE(std::holds_alternative<DrawnPolyline>(e.Shape));
        EXPECT_EQ(e.Color, kGreen);
        const auto& v = std::get<DrawnPolyline>(e.Shape).Vertices;
        ASSERT_EQ(v.size(), 362u);
        ExpectNear(Survey(v[0]), outer, kMetres, "spiral outer end");
        // Curvature runs linearly from 1/R0 at the outer end to 1/R over Ls, so the angle
        // turned at distance d is d/R0 + a d^2; solve it for k/360 of the whole turn.
        const double len = std::fabs(ls);
        const double k0 = r0 == 0.0 ? 0.0 : 1.0 / std::fabs(r0);
        const double a = (1.0 / std::fabs(c.Radius) - k0) / (2.0 * len);
        const double whole = k0 * len + a * len * len;
        for (int k = 1; k <= 360; ++k) {
            const double target = whole * k / 360.0;
            const double d = 2.0 * target / (k0 + std::sqrt(k0 * k0 + 4.0 * a * target));
            ExpectNear(Survey(v[static_cast<std::size_t>(k)]),
                       P(s.At(outerStation + direction * d)), kMetres, "spiral point");
        }
        ExpectNear(Survey(v[360]), arcEnd, kMetres, "spiral point 360");
        ExpectNear(Survey(v[361]), arcEnd, kMetres, "spiral arc end");
    };
    if (c.Spiral1 != 0.0) {
        expectSpiral(c.Spiral1, c.Spiral1OuterRadius, c.StationZH, 1.0, zh, hy);
    }

    const DrawnEntity& e = next();
    if (!std::holds_alternative<DrawnArc>(e.Shape)) {
        ADD_FAILURE() << "no arc after the entry spiral";
        return at;
    }
    EXPECT_EQ(e.Color, kRed);
    const DrawnArc& arc = std::get<DrawnArc>(e.Shape);
    EXPECT_NEAR(arc.Radius, std::fabs(c.Radius), 1e-12);
    // The world arc runs counter-clockwise: from YH to HY on a right turn, HY to YH on a left.
    const bool right = c.Deflection > 0.0;
    ExpectNear(ArcPoint(arc, arc.StartAngle), right ? yh : hy, kMetres, "arc start");
    ExpectNear(ArcPoint(arc, arc.EndAngle), right ? hy : yh, kMetres, "arc end");
    ExpectNear(ArcPoint(arc, arc.StartAngle + arc.Sweep() / 2.0), qz, kMetres, "arc middle");
    EXPECT_NEAR(arc.Sweep() * arc.Radius, std::fabs(c.ArcLength), 1e-8);

    if (c.Spiral2 != 0.0) {
        expectSpiral(c.Spiral2, c.Spiral2OuterRadius, c.StationHZ, -1.0, hz, yh);
    }
    return at;
}

TEST(DesignLineJd, RightAndLeftCurvesLieOnTheEvaluatorsLine) {
    for (const double side : {1.0, -1.0}) {
        SCOPED_TRACE(side > 0 ? "right" : "left");
        JdLine s = SingleCurve(side, 300.0, 80.0, 60.0);
        Drawn d;
        Draw(s, d);
        const auto points = ShapesOn<DrawnPoint>(d.Doc, kLine);
        ASSERT_EQ(points.size(), 2u);
        ExpectNear(Survey(points[0].second->Position), {0.0, 0.0}, 0.0, "start marker");
        ExpectNear(Survey(points[1].second->Position), {900.0, side * 700.0}, 0.0, "end marker");

        const std::size_t after = ExpectCurveDrawn(d.Doc, s, 1, 0);
        const auto lines = ShapesOn<DrawnLine>(d.Doc, kLine);
        ASSERT_EQ(lines.size(), 2u);
        ExpectNear(Survey(lines[1].second->Start), s.Curve(1).Hz, kMetres, "last straight");
        ExpectNear(Survey(lines[1].second->End), {900.0, side * 700.0}, kMetres, "last straight");
        EXPECT_EQ(after, 4u);
        EXPECT_EQ(ShapesOn<DrawnArc>(d.Doc, kLine).size(), 1u);
        EXPECT_EQ(ShapesOn<DrawnPolyline>(d.Doc, kLine).size(), 2u);

        // Tangent lines from ZH and HZ to the vertex.
        const auto tangents = ShapesOn<DrawnLine>(d.Doc, kTangent);
        ASSERT_EQ(tangents.size(), 2u);
        for (const auto& [e, line] : tangents) {
            EXPECT_EQ(e->Color, kMagenta);
            ExpectNear(Survey(line->End), {600.0, side * 100.0}, 0.0, "tangent line to JD");
        }
        ExpectNear(Survey(tangents[0].second->Start), s.Curve(1).Zh, 0.0, "ZH");
        ExpectNear(Survey(tangents[1].second->Start), s.Curve(1).Hz, 0.0, "HZ");

        EXPECT_EQ(d.Doc.ActiveLayer(), kNotes);
        ASSERT_NE(d.Doc.ActiveUcs(), nullptr);
        EXPECT_EQ(d.Doc.ActiveUcs()->Name, "xy");
    }
}

TEST(DesignLineJd, MainPointsStandOnTheInnerSide) {
    for (const double side : {1.0, -1.0}) {
        SCOPED_TRACE(side > 0 ? "right" : "left");
        JdLine s = SingleCurve(side, 300.0, 80.0, 60.0);
        Drawn d;
        Draw(s, d);
        const bool right = side > 0;
        ExpectMark(d.Doc, "ZH " + s.Label(s.Curve(1).StationZH), s.At(s.Curve(1).StationZH), right,
                   kCyan);
        ExpectMark(d.Doc, "HY " + s.Label(s.Curve(1).StationHY), s.At(s.Curve(1).StationHY), right,
                   kCyan);
        ExpectMark(d.Doc, "QZ " + s.Label(s.Curve(1).StationQZ), s.At(s.Curve(1).StationQZ), right,
                   kCyan);
        ExpectMark(d.Doc, "YH " + s.Label(s.Curve(1).StationYH), s.At(s.Curve(1).StationYH), right,
                   kCyan);
        ExpectMark(d.Doc, "HZ " + s.Label(s.Curve(1).StationHZ), s.At(s.Curve(1).StationHZ), right,
                   kCyan);
        // The name stands beyond the vertex, away from the curve, along the QZ tangent.
        ExpectText(d.Doc, "JD1", {600.0, side * 100.0},
                   kPi / 2.0 - s.At(s.Curve(1).StationQZ).Azimuth,
                   right ? VerticalAlignment::Bottom : VerticalAlignment::Top,
                   HorizontalAlignment::Center, kRed);
    }
}

TEST(DesignLineJd, StartAndEndMarksCrossTheLine) {
    JdLine s = SingleCurve(1.0, 300.0, 80.0, 60.0);
    Drawn d;
    Draw(s, d);
    const double b1 = std::atan2(100.0, 600.0); // first leg
    const double b2 = std::atan2(600.0, 300.0); // last leg
    const PlanePoint start{0.0, 0.0}, end{900.0, 700.0};
    EXPECT_TRUE(
        HasLine(d.Doc, Along(start, b1 - kPi / 2, 15), Along(start, b1 + kPi / 2, 15), kRed));
    EXPECT_TRUE(HasLine(d.Doc, Along(end, b2 - kPi / 2, 15), Along(end, b2 + kPi / 2, 15), kRed));
    ExpectText(d.Doc, "QD K1+000.000", start, -b1, VerticalAlignment::Top,
               HorizontalAlignment::Center, kRed);
    ExpectText(d.Doc, "ZD " + stationing::FormatStationLabel(s.Curve(2).Station), end, -b2,
               VerticalAlignment::Bottom, HorizontalAlignment::Center, kRed);
}

TEST(DesignLineJd, CircularCurveIsLabelledZyQzYz) {
    JdLine s = SingleCurve(1.0, 300.0, 0.0, 0.0);
    Drawn d;
    Draw(s, d);
    ExpectCurveDrawn(d.Doc, s, 1, 0);
    EXPECT_TRUE(ShapesOn<DrawnPolyline>(d.Doc, kLine).empty());
    ExpectMark(d.Doc, "ZY " + s.Label(s.Curve(1).StationZH), s.At(s.Curve(1).StationZH), true,
               kCyan);
    ExpectMark(d.Doc, "QZ " + s.Label(s.Curve(1).StationQZ), s.At(s.Curve(1).StationQZ), true,
               kCyan);
    ExpectMark(d.Doc, "YZ " + s.Label(s.Curve(1).StationYH), s.At(s.Curve(1).StationYH), true,
               kCyan);
    EXPECT_EQ(CountTextsStartingWith(d.Doc, "ZH "), 0);
    EXPECT_EQ(CountTextsStartingWith(d.Doc, "HY "), 0);
    EXPECT_EQ(CountTextsStartingWith(d.Doc, "YH "), 0);
    EXPECT_EQ(CountTextsStartingWith(d.Doc, "HZ "), 0);
}

TEST(DesignLineJd, BackToBackCurvesShareOneGqPoint) {
    // Two circular curves of radius 200 turning +45 and -45 deg whose tangents meet: the leg
    // between the vertices is exactly twice R tan(22.5 deg).
    const double t = 200.0 * std::tan(kPi / 8.0);
    const double leg = 2.0 * t;
    const PlanePoint jd1{1000.0, 0.0};
    const PlanePoint jd2 = Along(jd1, kPi / 4.0, leg);
    JdLine s = MakeJdLine(0.0, {{"QD", 0.0, 0.0},
                                {"JD1", jd1.X, jd1.Y, 200.0},
                                {"JD2", jd2.X, jd2.Y, 200.0},
                                {"ZD", jd2.X + 800.0, jd2.Y}});
    ASSERT_LE(std::fabs(s.Curve(1).StraightLength), 1e-9);
    Drawn d;
    Draw(s, d);
    const std::size_t next = ExpectCurveDrawn(d.Doc, s, 1, 0);
    ExpectCurveDrawn(d.Doc, s, 2, next);
    ExpectMark(d.Doc, "ZY " + s.Label(s.Curve(1).StationZH), s.At(s.Curve(1).StationZH), true,
               kCyan);
    ExpectMark(d.Doc, "GQ " + s.Label(s.Curve(1).StationYH), s.At(s.Curve(1).StationYH), true,
               kCyan);
    ExpectMark(d.Doc, "YZ " + s.Label(s.Curve(2).StationYH), s.At(s.Curve(2).StationYH), false,
               kCyan);
    EXPECT_EQ(CountTextsStartingWith(d.Doc, "ZY "), 1) << "the second curve has no start label";
    EXPECT_EQ(CountTextsStartingWith(d.Doc, "GQ "), 1);
    EXPECT_EQ(CountTextsStartingWith(d.Doc, "QZ "), 2);
}

TEST(DesignLineJd, SpiralCurvesBackToBackEndWithGqAtHz) {
    // Symmetric spiral curves joined at HZ = ZH: the first curve's HZ carries "GQ".
    JdLine probe = MakeJdLine(
        0.0, {{"QD", 0.0, 0.0},
              {"JD1", 1000.0, 0.0, 200.0, 40.0, 40.0},
              {"ZD", 1000.0 + 800.0 * std::cos(kPi / 4.0), 800.0 * std::sin(kPi / 4.0)}});
    const double leg = 2.0 * probe.Curve(1).Tangent2;
    const PlanePoint jd1{1000.0, 0.0};
    const PlanePoint jd2 = Along(jd1, kPi / 4.0, leg);
    JdLine s = MakeJdLine(0.0, {{"QD", 0.0, 0.0},
                                {"JD1", jd1.X, jd1.Y, 200.0, 40.0, 40.0},
                                {"JD2", jd2.X, jd2.Y, 200.0, 40.0, 40.0},
                                {"ZD", jd2.X + 800.0, jd2.Y}});
    ASSERT_LE(std::fabs(s.Curve(1).StraightLength), 1e-9);
    Drawn d;
    Draw(s, d);
    ExpectMark(d.Doc, "GQ " + s.Label(s.Curve(1).StationHZ), s.At(s.Curve(1).StationHZ), true,
               kCyan);
    EXPECT_EQ(CountTextsStartingWith(d.Doc, "ZH "), 1);
    EXPECT_EQ(CountTextsStartingWith(d.Doc, "HZ "), 1);
    EXPECT_EQ(CountTextsStartingWith(d.Doc, "HY "), 2);
}

/// The main points of the hairpin at vertex 2 (turning right) stand on its inner side, square
/// to the direction of travel there, whichever way its legs run.
void ExpectHairpinMarks(const DrawingDocument& doc, const JdLine& s) {
    ASSERT_TRUE(s.Curve(1).TurnsRight);
    ExpectMark(doc, "ZH " + s.Label(s.Curve(1).StationZH), s.At(s.Curve(1).StationZH), true, kCyan);
    ExpectMark(doc, "HY " + s.Label(s.Curve(1).StationHY), s.At(s.Curve(1).StationHY), true, kCyan);
    ExpectMark(doc, "QZ " + s.Label(s.Curve(1).StationQZ), s.At(s.Curve(1).StationQZ), true, kCyan);
    ExpectMark(doc, "YH " + s.Label(s.Curve(1).StationYH), s.At(s.Curve(1).StationYH), true, kCyan);
    ExpectMark(doc, "HZ " + s.Label(s.Curve(1).StationHZ), s.At(s.Curve(1).StationHZ), true, kCyan);
}

TEST(DesignLineJd, HairpinIsDrawnAndNamedWithoutItsCode) {
    // A hairpin turning right through 200 deg with radius 30 and 20 m spirals; both neighbours
    // lie beyond the vertex on their legs.
    const double out = 200.0 * kPi / 180.0;
    JdLine s = MakeJdLine(0.0, {{"QD", -250.0, 0.0},
                                {"JD5HT11", 0.0, 0.0, 30.0, 20.0, 20.0},
                                {"ZD", 300.0 * std::cos(out), 300.0 * std::sin(out)}});
    ASSERT_TRUE(s.Vertex(1).Hairpin);
    Drawn d;
    Draw(s, d);
    ExpectCurveDrawn(d.Doc, s, 1, 0);
    // Turning right, a hairpin's name is top-aligned: its curve lies beyond the vertex.
    ExpectText(d.Doc, "JD5", {0.0, 0.0}, kPi / 2.0 - s.Curve(1).AzimuthQZ, VerticalAlignment::Top,
               HorizontalAlignment::Center, kRed);
    ExpectHairpinMarks(d.Doc, s);
}

TEST(DesignLineJd, HairpinNameIsShortenedByCharactersNotBytes) {
    // Flags "HT" without digits: both neighbours lie between the vertex and the curve. The name
    // loses its last four characters, two of them Chinese.
    const double out = 200.0 * kPi / 180.0;
    JdLine s = MakeJdLine(0.0, {{"QD", 60.0, 0.0},
                                {"回头曲线HT", 0.0, 0.0, 30.0, 20.0, 20.0},
                                {"ZD", -60.0 * std::cos(out), -60.0 * std::sin(out)}});
    Drawn d;
    Draw(s, d);
    ExpectCurveDrawn(d.Doc, s, 1, 0);
    EXPECT_NE(UniqueText(d.Doc, "回头"), nullptr);
    ExpectHairpinMarks(d.Doc, s);
}

TEST(DesignLineJd, ArcOfNoLengthIsNotDrawnAsACircle) {
    // Spirals that use the whole deflection: 2 * Ls / (2R) = 0.6 rad with R = 200, Ls = 120.
    const double alpha = 0.6;
    JdLine s = MakeJdLine(0.0, {{"QD", 0.0, 0.0},
                                {"JD1", 1000.0, 0.0, 200.0, 120.0, 120.0},
                                {"ZD", 1000.0 + 800.0 * std::cos(alpha), 800.0 * std::sin(alpha)}});
    ASSERT_LE(std::fabs(s.Curve(1).ArcLength), 1e-9);
    Drawn d;
    Draw(s, d);
    for (const auto& [e, arc] : ShapesOn<DrawnArc>(d.Doc, kLine)) {
        EXPECT_LE(arc->Sweep() * arc->Radius, 1e-6) << "a whole circle was drawn";
    }
    EXPECT_EQ(ShapesOn<DrawnPolyline>(d.Doc, kLine).size(), 2u);
}

// ---- JD method: stakes, stages, chain breaks -------------------------------------------------

/// The stake texts of a drawing in drawing order (texts without a blank that are not names).
std::vector<std::string> StakeTexts(const DrawingDocument& doc) {
    std::vector<std::string> found;
    for (const DrawnEntity& e : doc.Entities()) {
        const auto* t = std::get_if<DrawnText>(&e.Shape);
        if (t != nullptr && e.Color == kCyan && t->Text.find(' ') == std::string::npos) {
            found.push_back(t->Text);
        }
    }
    return found;
}

TEST(DesignLineJd, StraightLineGetsStakesUpToItsEnd) {
    JdLine s = MakeJdLine(0.0, {{"QD", 0.0, 0.0}, {"ZD", 2000.0, 0.0}});
    Drawn d;
    Draw(s, d);
    EXPECT_EQ(d.Stages,
              (std::vector<std::string>{"正在生成设计线", "正在生成交点线", "正在标注起终点",
                                        "正在标注百米桩、千米桩", "正在标注交点号、要素桩",
                                        "正在标注断链", "设计线绘制完毕，双击返回"}));
    EXPECT_EQ(ShapesOn<DrawnPoint>(d.Doc, kLine).size(), 2u);
    ASSERT_EQ(ShapesOn<DrawnLine>(d.Doc, kLine).size(), 1u);
    EXPECT_TRUE(ShapesOn<DrawnLine>(d.Doc, kTangent).empty());
    // Stakes from 100 (the start is not staked) to 1900 (a stake must lie 0.0001 before the
    // end): the line runs north, so "left" is west (Y - 2) and the texts read northward.
    const std::vector<std::string> expected = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "K1",
                                               "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    EXPECT_EQ(StakeTexts(d.Doc), expected);
    ExpectText(d.Doc, "K1", {1000.0, -2.0}, kPi / 2.0, VerticalAlignment::Bottom,
               HorizontalAlignment::Center, kCyan);
    EXPECT_TRUE(HasLine(d.Doc, {1000.0, 0.0}, {1000.0, -2.0}, kCyan));
    ExpectText(d.Doc, "QD K0+000.000", {0.0, 0.0}, 0.0, VerticalAlignment::Top,
               HorizontalAlignment::Center, kRed);
    ExpectText(d.Doc, "ZD K2+000.000", {2000.0, 0.0}, 0.0, VerticalAlignment::Bottom,
               HorizontalAlignment::Center, kRed);

    JdLine longer = MakeJdLine(0.0, {{"QD", 0.0, 0.0}, {"ZD", 2000.0002, 0.0}});
    Drawn d2;
    Draw(longer, d2);
    const auto stakes = StakeTexts(d2.Doc);
    ASSERT_EQ(stakes.size(), 20u);
    EXPECT_EQ(stakes.back(), "K2");

    JdLine late = MakeJdLine(1200.0, {{"QD", 0.0, 0.0}, {"ZD", 0.0, 1000.0}});
    Drawn d3;
    Draw(late, d3);
    EXPECT_EQ(StakeTexts(d3.Doc),
              (std::vector<std::string>{"3", "4", "5", "6", "7", "8", "9", "K2", "1"}));
    // Running east, the stake at 1300 stands 100 m from the start, 2 m to the north.
    ExpectText(d3.Doc, "3", {2.0, 100.0}, 0.0, VerticalAlignment::Bottom,
               HorizontalAlignment::Center, kCyan);
}

TEST(DesignLineJd, ChainBreakBeyondTheEndStakesOnlyTheLine) {
    JdLine s = MakeJdLine(0.0, {{"QD", 0.0, 0.0}, {"ZD", 2000.0, 0.0}}, {{2500.0, 2600.0}});
    Drawn d;
    Draw(s, d);
    const auto stakes = StakeTexts(d.Doc);
    ASSERT_EQ(stakes.size(), 19u);
    EXPECT_EQ(stakes.back(), "9");
    // Nor is the break marked: beyond the end there is no line to put it on.
    EXPECT_EQ(CountTextsStartingWith(d.Doc, "AK2+500.000"), 0);
    EXPECT_EQ(ShapesOn<DrawnLine>(d.Doc, kNotes).size(), 2u + 19u) << "end marks and stakes only";

    // A break at the very end still lies on the line and is marked there.
    JdLine atEnd = MakeJdLine(0.0, {{"QD", 0.0, 0.0}, {"ZD", 2000.0, 0.0}}, {{2000.0, 2100.0}});
    Drawn e;
    Draw(atEnd, e);
    ExpectMark(e.Doc, "AK2+000.000=BK2+100.000", atEnd.At(2000.0), true, kRed);
}

TEST(DesignLineJd, SampleMainLineCarriesItsChainBreaks) {
    const std::string dir = std::string(TESK_SOURCE_DIR) + "/samples/";
    jd::JdAlignment line(formats::ReadJdFile(dir + "main_line.jdx"));
    stationing::Stationing breaks(formats::ReadChainBreakFile(dir + "main_line.dl"),
                                  line.Line().Start(), line.Line().End());
    const JdLine s{std::move(line), std::move(breaks)};
    ASSERT_EQ(s.Breaks.BreakCount(), 2);
    Drawn d;
    Draw(s, d);

    // Break A at 14862.415 (mileage = written station in section A) and break B at written
    // B19350, i.e. mileage 14862.415 + (19350 - 14900).
    const double m1 = 14862.415;
    const double m2 = 14862.415 + (19350.0 - 14900.0);
    ExpectMark(d.Doc, "AK14+862.415=BK14+900.000", s.At(m1), true, kRed);
    ExpectMark(d.Doc, "BK19+350.000=CK19+310.500", s.At(m2), true, kRed);
    ExpectText(d.Doc, "QD AK12+000.000", {3452000.0, 502000.0},
               -std::atan2(502688.615 - 502000.0, 3452430.294 - 3452000.0), VerticalAlignment::Top,
               HorizontalAlignment::Center, kRed);

    // Stakes section by section: A 12100..14800, B 15000..19300, C 19400.. up to the end.
    const int last = s.VertexCount() - 1;
    const double endWritten = s.Curve(last).Station - m2 + 19310.5;
    const int inC = static_cast<int>(std::floor((endWritten - 1e-4) / 100.0)) - 193;
    EXPECT_EQ(static_cast<int>(StakeTexts(d.Doc).size()), 28 + 44 + inC);
    // K15 is the first stake of section B: 100 m after the first break.
    const StationPoint k15 = s.At(m1 + 100.0);
    const PlanePoint tick = Along(P(k15), k15.Azimuth - kPi / 2.0, 2.0);
    ExpectText(d.Doc, "K15", tick, kPi / 2.0 - k15.Azimuth, VerticalAlignment::Bottom,
               HorizontalAlignment::Center, kCyan);
    EXPECT_EQ(CountTextsStartingWith(d.Doc, "K20"), 1);

    // Twelve curves, all with arcs; JD7 alone has no spirals. Every label carries its mark.
    EXPECT_EQ(ShapesOn<DrawnArc>(d.Doc, kLine).size(), 12u);
    EXPECT_EQ(ShapesOn<DrawnPolyline>(d.Doc, kLine).size(), 22u);
    EXPECT_EQ(ShapesOn<DrawnLine>(d.Doc, kTangent).size(), 24u);
    EXPECT_EQ(CountTextsStartingWith(d.Doc, "QZ "), 12);
    EXPECT_EQ(CountTextsStartingWith(d.Doc, "QZ A") + CountTextsStartingWith(d.Doc, "QZ B") +
                  CountTextsStartingWith(d.Doc, "QZ C"),
              12);
    std::size_t next = 0;
    for (int k = 1; k < last; ++k) {
        next = ExpectCurveDrawn(d.Doc, s, k, next);
    }
}

// ---- Failures --------------------------------------------------------------------------------

/// A drawing that refuses every text, as a CAD program refuses an operation it cannot do; every
/// other operation goes to `Doc`.
class TextRefusingHost final : public DrawingHost {
public:
    DrawingDocument Doc;

    UcsHandle AddUserCoordinateSystem(Point origin, Point xAxisPoint, Point yAxisPoint,
                                      std::string_view name) override {
        return Doc.AddUserCoordinateSystem(origin, xAxisPoint, yAxisPoint, name);
    }
    void SetActiveUcs(const UcsHandle& ucs) override { Doc.SetActiveUcs(ucs); }
    LayerHandle AddLayer(std::string_view name) override { return Doc.AddLayer(name); }
    void SetActiveLayer(const LayerHandle& layer) override { Doc.SetActiveLayer(layer); }
    TextStyleHandle AddTextStyle(std::string_view name) override { return Doc.AddTextStyle(name); }
    EntityHandle AddPoint(Point point) override { return Doc.AddPoint(point); }
    EntityHandle AddLine(Point start, Point end) override { return Doc.AddLine(start, end); }
    EntityHandle AddCircle(Point centre, double radius) override {
        return Doc.AddCircle(centre, radius);
    }
    EntityHandle AddArc(Point centre, double radius, double startAngle, double endAngle) override {
        return Doc.AddArc(centre, radius, startAngle, endAngle);
    }
    EntityHandle AddLightWeightPolyline(std::span<const double> vertices) override {
        return Doc.AddLightWeightPolyline(vertices);
    }
    TextHandle AddText(std::string_view, Point, double) override {
        throw geometry::RuntimeError(geometry::ErrorCode::Output, "texts are refused");
    }
    Point GetPoint(std::string_view prompt) override { return Doc.GetPoint(prompt); }
    void ZoomExtents() override { Doc.ZoomExtents(); }
    std::string Caption() const override { return Doc.Caption(); }
    void SetTextStyleFontFile(std::string_view style, std::string_view fontFile) override {
        Doc.SetTextStyleFontFile(style, fontFile);
    }
    void SetTextStyleBigFontFile(std::string_view style, std::string_view bigFontFile) override {
        Doc.SetTextStyleBigFontFile(style, bigFontFile);
    }
    void SetEntityColor(EntityId id, int colorIndex) override {
        Doc.SetEntityColor(id, colorIndex);
    }
    void SetTextScaleFactor(EntityId id, double widthFactor) override {
        Doc.SetTextScaleFactor(id, widthFactor);
    }
    void SetTextStyleName(EntityId id, std::string_view styleName) override {
        Doc.SetTextStyleName(id, styleName);
    }
    void SetTextRotation(EntityId id, double rotation) override {
        Doc.SetTextRotation(id, rotation);
    }
    void SetTextVerticalAlignment(EntityId id, VerticalAlignment alignment) override {
        Doc.SetTextVerticalAlignment(id, alignment);
    }
    void SetTextHorizontalAlignment(EntityId id, HorizontalAlignment alignment) override {
        Doc.SetTextHorizontalAlignment(id, alignment);
    }
    void SetTextAlignmentPoint(EntityId id, Point alignmentPoint) override {
        Doc.SetTextAlignmentPoint(id, alignmentPoint);
    }
};

TEST(DesignLine, FailureEndsTheDrawingAndKeepsWhatWasDrawn) {
    // The first text is refused: the drawing ends in the start-and-end stage with the refusal,
    // the centre line and tangent lines it drew before staying in the drawing.
    const JdLine jdLine = SingleCurve(1.0, 300.0, 80.0, 60.0);
    const element::ElementAlignment elementLine = MakeElementLine(
        0.0, 0.0, 0.0, 0.0, {{10000, 10000, 100.0}, {10000, 300, 60.0}, {300, 300, 80.0}});
    struct Case {
        const char* Method;
        std::function<void(DrawingHost&, const ProgressCallback&)> Run;
        std::size_t Polylines, Tangents, Arcs;
    };
    const Case cases[] = {
        {"JD",
         [&](DrawingHost& host, const ProgressCallback& progress) {
             DrawDesignLineJd(jdLine.Line, jdLine.Breaks, host, progress);
         },
         2, 2, 1},
        {"element",
         [&](DrawingHost& host, const ProgressCallback& progress) {
             DrawDesignLineElem(elementLine, host, progress);
         },
         1, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Method);
        TextRefusingHost host;
        std::vector<std::string> stages;
        const std::string message = tesk::testing::ErrorOf(
            [&] { c.Run(host, [&](std::string_view stage) { stages.emplace_back(stage); }); },
            geometry::ErrorCode::Output);
        EXPECT_EQ(message, "texts are refused");
        ASSERT_FALSE(stages.empty());
        EXPECT_EQ(stages.back(), kStageStartEnd);
        EXPECT_EQ(ShapesOn<DrawnPolyline>(host.Doc, kLine).size(), c.Polylines);
        EXPECT_EQ(ShapesOn<DrawnArc>(host.Doc, kLine).size(), c.Arcs);
        EXPECT_EQ(ShapesOn<DrawnLine>(host.Doc, kTangent).size(), c.Tangents);
        EXPECT_TRUE(Texts(host.Doc).empty());
    }
}

TEST(DesignLine, StationsTooLargeForHundredMetreStepsAreRefusedNotLoopedOver) {
    // Beyond 2^53 m a double cannot hold every 100 m step: 1e19 + 100 is 1e19 again, so the stake
    // stage would never come to an end. Either method refuses it in the stake stage instead,
    // keeping the line and its start and end marks.
    const JdLine jdLine = MakeJdLine(1e19, {{"QD", 0.0, 0.0}, {"ZD", 5000.0, 0.0}});
    const element::ElementAlignment elementLine =
        MakeElementLine(1e19, 0.0, 0.0, 0.0, {{10000, 10000, 5000.0}});
    for (const bool jd : {true, false}) {
        SCOPED_TRACE(jd ? "JD" : "element");
        Drawn d;
        tesk::testing::ErrorOf(
            [&] {
                if (jd) {
                    DrawDesignLineJd(jdLine.Line, jdLine.Breaks, d.Doc, d.Progress());
                } else {
                    DrawDesignLineElem(elementLine, d.Doc, d.Progress());
                }
            },
            geometry::ErrorCode::Geometry);
        ASSERT_FALSE(d.Stages.empty());
        EXPECT_EQ(d.Stages.back(), kStageStakes);
        EXPECT_EQ(ShapesOn<DrawnLine>(d.Doc, kLine).size(), 1u);
        EXPECT_EQ(CountTextsStartingWith(d.Doc, "QD "), 1);
        EXPECT_EQ(CountTextsStartingWith(d.Doc, "ZD "), 1);
    }
}

TEST(DesignLineJd, LineWithoutEndIsRefusedBeforeAnythingIsDrawn) {
    const JdLine s = MakeJdLine(0.0, {{"QD", 0.0, 0.0}});
    Drawn d;
    tesk::testing::ErrorOf([&] { DrawDesignLineJd(s.Line, s.Breaks, d.Doc, d.Progress()); });
    EXPECT_TRUE(d.Doc.Entities().empty());
    EXPECT_TRUE(d.Doc.UserCoordinateSystems().empty());
    EXPECT_TRUE(d.Stages.empty());
}

TEST(DesignLine, ALineLongerThanTheCapIsRefusedBeforeAnythingIsDrawn) {
    // 3456777077 for 3456777.077: 3.45e9 m would be 34 million stakes.
    const JdLine jdLine = MakeJdLine(0.0, {{"QD", 3452000.0, 0.0}, {"ZD", 3456777077.0, 0.0}});
    const element::ElementAlignment elementLine =
        MakeElementLine(0.0, 0.0, 0.0, 0.0, {{10000, 10000, 1e12}});
    for (const bool jd : {true, false}) {
        SCOPED_TRACE(jd ? "JD" : "element");
        Drawn d;
        const std::string message = tesk::testing::ErrorOf(
            [&] {
                if (jd) {
                    DrawDesignLineJd(jdLine.Line, jdLine.Breaks, d.Doc, d.Progress());
                } else {
                    DrawDesignLineElem(elementLine, d.Doc, d.Progress());
                }
            },
            geometry::ErrorCode::Format);
        EXPECT_EQ(message, std::string("the line is ") +
                               (jd ? "3453325077.000" : "1000000000000.000") +
                               " m long; a drawing takes at most 10000000 m");
        EXPECT_EQ(d.Doc.Revision(), DrawingDocument().Revision()) << "nothing drawn";
        EXPECT_TRUE(d.Stages.empty());
    }
}

// ---- Element method ---------------------------------------------------------------------------

StationPoint ElemAt(const element::ElementAlignment& s, double mileage) {
    return s.Line().PointAt(mileage);
}

/// The start of element i (0-based); i = the element count gives the end of the line.
PlanePoint ElemPoint(const element::ElementAlignment& s, std::size_t i) {
    return i < s.Elements().size() ? s.Elements()[i].Start : s.End();
}

/// Checks every element's entity in drawing order: straights join the element ends, arcs run
/// between them, spirals are 361-vertex polylines on the evaluator's line.
void ExpectElementsDrawn(const DrawingDocument& doc, const element::ElementAlignment& s) {
    std::vector<const DrawnEntity*> layer;
    for (const DrawnEntity& e : doc.Entities()) {
        if (e.Layer == kLine) {
            layer.push_back(&e);
        }
    }
    ASSERT_EQ(layer.size(), s.Elements().size());
    for (std::size_t i = 0; i < s.Elements().size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "element " << i + 1);
        const element::Element& el = s.Elements()[i];
        const DrawnEntity& e = *layer[i];
        const PlanePoint start = ElemPoint(s, i), end = ElemPoint(s, i + 1);
        const double rs = el.StartRadius, re = el.EndRadius;
        if (rs == 10000.0 && re == 10000.0) {
            ASSERT_TRUE(std::holds_alternative<DrawnLine>(e.Shape));
            EXPECT_EQ(e.Color, kBlue);
            ExpectNear(Survey(std::get<DrawnLine>(e.Shape).Start), start, 0.0, "straight");
            ExpectNear(Survey(std::get<DrawnLine>(e.Shape).End), end, 0.0, "straight");
        } else if (rs == re) {
            ASSERT_TRUE(std::holds_alternative<DrawnArc>(e.Shape));
            EXPECT_EQ(e.Color, kRed);
            const DrawnArc& arc = std::get<DrawnArc>(e.Shape);
            EXPECT_NEAR(arc.Radius, std::fabs(rs), 1e-12);
            ExpectNear(ArcPoint(arc, arc.StartAngle), rs > 0 ? end : start, kMetres, "arc start");
            ExpectNear(ArcPoint(arc, arc.EndAngle), rs > 0 ? start : end, kMetres, "arc end");
            EXPECT_NEAR(arc.Sweep() * arc.Radius, el.Length, 1e-8);
        } else {
            ASSERT_TRUE(std::holds_alternative<DrawnPolyline>(e.Shape));
            EXPECT_EQ(e.Color, kGreen);
            const auto& v = std::get<DrawnPolyline>(e.Shape).Vertices;
            ASSERT_EQ(v.size(), 361u);
            ExpectNear(Survey(v[0]), start, 0.0, "spiral start");
            for (int k = 1; k <= 360; ++k) {
                const double d = ElemSpiralPointDistance(k, el.Length, rs, re);
                ExpectNear(Survey(v[static_cast<std::size_t>(k)]),
                           P(ElemAt(s, el.StartMileage + d)), kMetres, "spiral point");
            }
            ExpectNear(Survey(v[360]), end, kMetres, "spiral end");
        }
    }
}

/// The joint marks of an element line: the code of joint k (after element k, 1-based) and its
/// label, on the right of the line.
void ExpectJoints(const DrawingDocument& doc, const element::ElementAlignment& s,
                  const std::vector<std::string>& codes) {
    ASSERT_EQ(codes.size() + 1, s.Elements().size());
    for (std::size_t k = 1; k < s.Elements().size(); ++k) {
        const double mileage = s.Elements()[k].StartMileage;
        ExpectMark(doc, codes[k - 1] + " " + stationing::FormatStationLabel(mileage),
                   ElemAt(s, mileage), true, kCyan);
    }
}

TEST(DesignLineElem, RampSampleIsDrawnElementByElement) {
    const element::ElementAlignment s(
        formats::ReadElementFile(std::string(TESK_SOURCE_DIR) + "/samples/ramp.jdx"));
    Drawn d;
    Draw(s, d);
    EXPECT_EQ(d.Stages, (std::vector<std::string>{
                            "正在生成设计线", "正在标注起终点", "正在标注交点号、要素桩",
                            "正在标注百米桩、千米桩", "设计线绘制完毕，双击返回"}));
    ExpectElementsDrawn(d.Doc, s);
    EXPECT_TRUE(ShapesOn<DrawnPoint>(d.Doc, kLine).empty());

    // The reversing spiral 320 -> -260 is split in two, so two spirals meet: "HH".
    ASSERT_EQ(s.Elements().size(), 10u);
    ExpectJoints(d.Doc, s, {"ZH", "HY", "YH", "HH", "HY", "YH", "HY", "YH", "HZ"});
    ExpectText(d.Doc, "QD K0+000.000", {3452650.0, 502930.0}, -58.0 * kPi / 180.0,
               VerticalAlignment::Top, HorizontalAlignment::Center, kRed);
    const double end = s.EndMileage();
    ExpectText(d.Doc, "ZD " + stationing::FormatStationLabel(end), s.End(), -s.EndAzimuth(),
               VerticalAlignment::Bottom, HorizontalAlignment::Center, kRed);
    const auto stakes = StakeTexts(d.Doc);
    ASSERT_EQ(static_cast<int>(stakes.size()), static_cast<int>(std::floor((end - 1e-4) / 100.0)));
    EXPECT_EQ(stakes.front(), "1");
    const StationPoint at100 = ElemAt(s, 100.0);
    ExpectText(d.Doc, "1", Along(P(at100), at100.Azimuth - kPi / 2.0, 2.0),
               kPi / 2.0 - at100.Azimuth, VerticalAlignment::Bottom, HorizontalAlignment::Center,
               kCyan);
}

TEST(DesignLineElem, StraightsOnlyAreJoinedByZz) {
    const element::ElementAlignment s =
        MakeElementLine(0.0, 1000.0, 2000.0, 90.0,
                        {{10000, 10000, 150.0}, {10000, 10000, 100.0}, {10000, 10000, 60.0}});
    Drawn d;
    Draw(s, d);
    ExpectElementsDrawn(d.Doc, s);
    // Running east: the joints at 150 and 250 m, ticks to the south.
    ExpectMark(d.Doc, "ZZ K0+150.000", ElemAt(s, 150.0), true, kCyan);
    ExpectMark(d.Doc, "ZZ K0+250.000", ElemAt(s, 250.0), true, kCyan);
    ExpectNear(P(ElemAt(s, 150.0)), {1000.0, 2150.0}, 1e-9, "joint");
    EXPECT_EQ(StakeTexts(d.Doc), (std::vector<std::string>{"1", "2", "3"}));
}

TEST(DesignLineElem, LeftTurnKeepsItsLabelsOnTheRight) {
    const element::ElementAlignment s = MakeElementLine(1234.5, 0.0, 0.0, 30.0,
                                                        {{10000, 10000, 100.0},
                                                         {10000, -300, 60.0},
                                                         {-300, -300, 80.0},
                                                         {-300, 10000, 60.0},
                                                         {10000, 10000, 100.0}});
    Drawn d;
    Draw(s, d);
    ExpectElementsDrawn(d.Doc, s);
    ExpectJoints(d.Doc, s, {"ZH", "HY", "YH", "HZ"});
    ExpectText(d.Doc, "QD K1+234.500", {0.0, 0.0}, -kPi / 6.0, VerticalAlignment::Top,
               HorizontalAlignment::Center, kRed);
    EXPECT_EQ(StakeTexts(d.Doc).front(), "3");
}

TEST(DesignLineElem, ArcOfNoLengthIsNotDrawnAsACircle) {
    const element::ElementAlignment s = MakeElementLine(
        0.0, 0.0, 0.0, 0.0, {{10000, 10000, 100.0}, {250, 250, 0.0}, {10000, 10000, 100.0}});
    Drawn d;
    Draw(s, d);
    for (const auto& [e, arc] : ShapesOn<DrawnArc>(d.Doc, kLine)) {
        EXPECT_LE(arc->Sweep() * arc->Radius, 1e-6) << "a whole circle was drawn";
    }
    EXPECT_EQ(ShapesOn<DrawnLine>(d.Doc, kLine).size(), 2u);
}

} // namespace
} // namespace tesk::cad
