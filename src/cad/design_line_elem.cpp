// The design-line drawing of the element alignment.

#include "cad/design_line.h"
#include "cad/design_line_parts.h"

#include "alignment/element/element_alignment.h"
#include "geometry/clothoid.h"
#include "geometry/error.h"
#include "stationing/stationing.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace tesk::cad {

using namespace design_line;
using element::ElementKind;
using element::kInfiniteRadius;
using geometry::PlanePoint;

double ElemSpiralPointDistance(int k, double l, double rs, double re) {
    const bool infiniteStart = rs == kInfiniteRadius;
    const bool infiniteEnd = re == kInfiniteRadius;
    // K = A^2 of the clothoid the element lies on (signed like its radii); l1 the signed distance
    // of the element's start from the clothoid's origin; tau = l^2 / (2K) the tangent angle.
    double a2 = 0.0;
    if (infiniteStart) {
        a2 = l * re;
    } else if (infiniteEnd) {
        a2 = l * rs;
    } else {
        a2 = geometry::Divide(l * rs * re, rs - re, "spiral parameter");
    }
    double l1 = 0.0;
    double tauStart = 0.0;
    if (!infiniteStart) {
        l1 = geometry::Divide(a2, rs, "spiral start distance");
        tauStart = l1 / (2.0 * rs);
    }
    const double tauEnd =
        infiniteEnd ? 0.0 : geometry::Divide(a2, re, "spiral end distance") / (2.0 * re);
    const double tau = tauStart + k * (tauEnd - tauStart) / kDrawPoints;
    if (!(std::fabs(tau) >= 1e-10)) {
        return std::fabs(l1);
    }
    const double rho = std::sqrt(a2 / (2.0 * tau));
    const double sign = (infiniteStart ? re : rs) > 0.0 ? 1.0 : -1.0;
    const double distance = geometry::Divide(a2, rho, "spiral point distance") * sign;
    return std::fabs(distance - l1);
}

namespace {

PlanePoint StartOf(const ElementDrawing& s, int i) {
    return {s.Point(i).X, s.Point(i).Y};
}

ElementKind KindOf(const ElementDrawing& s, int i) {
    return s.E(i).Kind;
}

/// The code letter of an element's kind in joint labels: "Z" straight, "Y" arc, "H" spiral.
char CodeLetter(ElementKind kind) {
    switch (kind) {
    case ElementKind::Straight:
        return 'Z';
    case ElementKind::Arc:
        return 'Y';
    default:
        return 'H';
    }
}

void DrawElementArc(const ElementDrawing& s, DrawingHost& host, int i) {
    const double r = s.E(i).StartRadius;
    // An arc of no length would have equal angles, which draws a whole circle.
    if (!(std::fabs(s.E(i).Length) > 1e-9 * std::fabs(r))) {
        return;
    }
    const double startAzimuth = s.Azimuth(i);
    const double endAzimuth = s.Azimuth(i + 1);
    const PlanePoint centre = Along(StartOf(s, i), startAzimuth + kHalfPi, r);
    // Angles as "yx" takes them: see the JD arc.
    const double pi = std::numbers::pi;
    const double start = r >= 0.0 ? startAzimuth : endAzimuth + pi;
    const double end = r >= 0.0 ? endAzimuth : startAzimuth + pi;
    host.AddArc(DrawingPoint(centre), std::fabs(r), start, end).SetColor(kRed);
}

void DrawElementSpiral(const ElementDrawing& s, DrawingHost& host, int i) {
    std::vector<double> vertices;
    vertices.reserve(2 * (kDrawPoints + 1));
    AppendYxVertex(vertices, StartOf(s, i));
    for (int k = 1; k <= kDrawPoints; ++k) {
        const double d =
            ElemSpiralPointDistance(k, s.E(i).Length, s.E(i).StartRadius, s.E(i).EndRadius);
        const geometry::StationPoint p = s.PointOnElement(static_cast<std::size_t>(i - 1), d);
        AppendYxVertex(vertices, {p.X, p.Y});
    }
    host.AddLightWeightPolyline(vertices).SetColor(kGreen);
}

void DrawCentreLine(const ElementDrawing& s, DrawingHost& host) {
    for (int i = 1; i <= s.Count(); ++i) {
        switch (KindOf(s, i)) {
        case ElementKind::Straight:
            DrawLine(host, StartOf(s, i), StartOf(s, i + 1), kBlue);
            break;
        case ElementKind::Arc:
            DrawElementArc(s, host, i);
            break;
        default:
            DrawElementSpiral(s, host, i);
            break;
        }
    }
}

void DrawStartAndEnd(const ElementDrawing& s, DrawingHost& host) {
    const int end = s.Count() + 1;
    DrawEndMark(host, StartOf(s, 1), s.Azimuth(1),
                "QD " + stationing::FormatStationLabel(s.Mileage(1)), VerticalAlignment::Top);
    DrawEndMark(host, StartOf(s, end), s.Azimuth(end),
                "ZD " + stationing::FormatStationLabel(s.Mileage(end)), VerticalAlignment::Bottom);
}

void DrawJoints(const ElementDrawing& s, DrawingHost& host) {
    for (int i = 1; i <= s.Count() - 1; ++i) {
        const std::string code{CodeLetter(KindOf(s, i)), CodeLetter(KindOf(s, i + 1))};
        DrawPointMark(host, StartOf(s, i + 1), s.Azimuth(i + 1), true,
                      code + " " + stationing::FormatStationLabel(s.Mileage(i + 1)), kCyan);
    }
}

void DrawStakes(const ElementDrawing& s, DrawingHost& host) {
    const double first = FirstStake(s.Mileage(1));
    const double last = s.Mileage(s.Count() + 1) - kStationTolerance;
    RequireStakeRange(first, last);
    for (double station = first; station <= last; station += kStakeSpacing) {
        DrawStake(host, s.Line->PointAt(station), StakeText(station));
    }
}

} // namespace

void DrawDesignLineElem(const element::ElementAlignment& line, DrawingHost& host,
                        const ProgressCallback& progress) {
    ElementDrawing s;
    s.Elements = line.Elements();
    s.EndPoint = line.End();
    s.EndAzimuth = line.EndAzimuth();
    s.EndMileage = line.EndMileage();
    s.Line = &line.Line();
    s.PointOnElement = [&line](std::size_t i, double d) { return line.PointOnElement(i, d); };
    DrawElementView(s, host, progress);
}

void DrawDesignLinePlaced(const placed::PlacedAlignment& line, DrawingHost& host,
                          const ProgressCallback& progress) {
    ElementDrawing s;
    // Radii as the element drawing reads them: curvature 0 is the code for "infinite".
    const auto radius = [](double curvature) {
        return curvature == 0.0 ? element::kInfiniteRadius : 1.0 / curvature;
    };
    for (const placed::BuiltElement& b : line.Elements()) {
        element::Element e;
        e.StartRadius = radius(b.Given.StartCurvature);
        e.EndRadius = radius(b.Given.EndCurvature);
        e.Length = b.Given.Length;
        e.StartMileage = b.StartMileage;
        e.Start = b.Given.Start;
        e.StartAzimuth = b.StartAzimuth;
        e.Turn = b.Turn;
        e.Kind = b.Kind;
        s.Elements.push_back(e);
    }
    s.EndPoint = line.End();
    s.EndAzimuth = line.EndAzimuth();
    s.EndMileage = line.EndMileage();
    s.Line = &line.Line();
    s.PointOnElement = [&line](std::size_t i, double d) { return line.PointOnElement(i, d); };
    DrawElementView(s, host, progress);
}

void design_line::DrawElementView(const ElementDrawing& s, DrawingHost& host,
                                  const ProgressCallback& progress) {
    RequireDrawableLength(*s.Line);
    // The centre line is drawn under "yx", whose polyline vertices are (-east, north).
    const SurveyCoordinateSystems ucs = AddSurveyCoordinateSystems(host);
    host.SetActiveUcs(ucs.Yx);

    ReportStage(progress, kStageDesignLine);
    host.SetActiveLayer(host.AddLayer(kCentreLineLayer));
    DrawCentreLine(s, host);

    host.SetActiveLayer(host.AddLayer(kAnnotationLayer));
    ReportStage(progress, kStageStartEnd);
    host.SetActiveUcs(ucs.Xy);
    AddAnnotationStyle(host);
    DrawStartAndEnd(s, host);

    ReportStage(progress, kStageMainPoints);
    DrawJoints(s, host);

    ReportStage(progress, kStageStakes);
    DrawStakes(s, host);

    host.ZoomExtents();
    ReportStage(progress, kStageFinished);
}

} // namespace tesk::cad
