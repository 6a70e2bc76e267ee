// The design-line drawing of the intersection-point (JD) alignment.

#include "cad/design_line.h"
#include "cad/design_line_parts.h"

#include "geometry/error.h"
#include "geometry/number_text.h"
#include "stationing/stationing.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace tesk::cad {

using namespace design_line;
using geometry::PlanePoint;

double SpiralPointDistance(int k, double ls, double c, double r, double r0) {
    if (k == 0) {
        return 0.0;
    }
    // The clothoid's parameter A^2 = (Ls + c) * R; its tangent angle grows with the square of the
    // distance from its origin, tau = l^2 / (2 A^2), so l = A^2 / rho with rho the radius there.
    const double a2 = (ls + c) * r;
    const double tauEnd = geometry::Divide(ls + c, 2.0 * r, "spiral tangent angle at the arc");
    const double tauStart = r0 != 0.0 ? c / (2.0 * r0) : 0.0;
    const double tau = tauStart + k * (tauEnd - tauStart) / kDrawPoints;
    const double rho = std::sqrt(geometry::Divide(a2, 2.0 * tau, "spiral point radius"));
    const double sign = r > 0.0 ? 1.0 : (r < 0.0 ? -1.0 : 0.0);
    return geometry::Divide(a2, rho, "spiral point distance") * sign - c;
}

namespace {

PlanePoint At(const geometry::StationPoint& p) {
    return {p.X, p.Y};
}

/// Everything the drawing reads of one curve vertex.
struct Vertex {
    PlanePoint Jd, Zh, Hy, Qz, Yh, Hz;
};

Vertex VertexOf(const JdDrawing& s, int i) {
    return {{s.V(i).X, s.V(i).Y},       {s.C(i).Zh.X, s.C(i).Zh.Y}, {s.C(i).Hy.X, s.C(i).Hy.Y},
            {s.C(i).Qz.X, s.C(i).Qz.Y}, {s.C(i).Yh.X, s.C(i).Yh.Y}, {s.C(i).Hz.X, s.C(i).Hz.Y}};
}

/// One spiral as a polyline of kDrawPoints + 2 vertices from its outer end `outer` (station
/// `outerStation`) toward the arc (`direction` +1 ahead for the entry spiral, -1 back for the
/// exit spiral). The last two vertices both lie at the arc end.
void DrawSpiral(const JdDrawing& s, DrawingHost& host, PlanePoint outer, double outerStation,
                double direction, double ls, double c, double r, double r0) {
    const alignment::Alignment& line = s.Line.Line();
    // The points are taken on the segment that holds the middle of the spiral, found once; a
    // point outside it (curves that overlap cut a spiral short) is asked of the whole line, so
    // every point is the one PointAt gives.
    const auto& segments = line.Segments();
    const double middle = outerStation + direction * std::fabs(ls) / 2.0;
    const auto after = std::upper_bound(segments.begin(), segments.end(), middle,
                                        [](double m, const alignment::Segment& segment) {
                                            return m < segment.StartMileage;
                                        });
    const auto held = after == segments.begin() ? segments.end() : after - 1;
    const auto pointAt = [&](double mileage) {
        if (held != segments.end() && held->StartMileage <= mileage &&
            mileage < held->EndMileage) {
            return At(line.PointOnSegment(static_cast<std::size_t>(held - segments.begin()),
                                          mileage));
        }
        return At(line.PointAt(mileage));
    };
    std::vector<double> vertices;
    vertices.reserve(2 * (kDrawPoints + 2));
    AppendYxVertex(vertices, outer);
    for (int k = 1; k <= kDrawPoints; ++k) {
        const double d = std::fabs(SpiralPointDistance(k, ls, c, r, r0));
        AppendYxVertex(vertices, pointAt(outerStation + direction * d));
    }
    AppendYxVertex(vertices, pointAt(outerStation + direction * std::fabs(ls)));
    host.AddLightWeightPolyline(vertices).SetColor(kGreen);
}

/// The circular arc of vertex i from HY to YH.
void DrawArc(const JdDrawing& s, DrawingHost& host, int i) {
    const double deflection = s.C(i).Deflection;
    const double r = std::fabs(s.C(i).Radius);
    // Spirals that meet at one point leave an arc of no length; its two angles would be equal
    // (or a rounding apart), which draws a whole circle.
    if (!(std::fabs(s.C(i).ArcLength) > 1e-9 * r)) {
        return;
    }
    const double sigma = deflection > 0.0 ? 1.0 : (deflection < 0.0 ? -1.0 : 0.0);
    const PlanePoint centre =
        Along({s.C(i).Hy.X, s.C(i).Hy.Y}, s.C(i).AzimuthHY + kHalfPi, sigma * r);
    // Under "yx" the arc angle phi is the tangent azimuth of a right-turning arc at the point of
    // angle phi, and the arc runs by growing phi; a left turn is drawn from YH back to HY.
    const double pi = std::numbers::pi;
    const double start = deflection < 0.0 ? s.C(i).AzimuthYH + pi : s.C(i).AzimuthHY;
    const double end = deflection < 0.0 ? s.C(i).AzimuthHY + pi : s.C(i).AzimuthYH;
    host.AddArc(DrawingPoint(centre), r, start, end).SetColor(kRed);
}

/// The vertex name to print: the trimmed name line, for a hairpin without its last four
/// characters (the hairpin code, "HT01"), which are counted as characters, not bytes.
std::string VertexName(const JdDrawing& s, int i) {
    std::string_view name = geometry::Trim(s.V(i).Name);
    if (s.V(i).Hairpin) {
        for (int removed = 0; removed < 4 && !name.empty(); ++removed) {
            std::size_t size = name.size() - 1;
            // Step back over UTF-8 continuation bytes to the first byte of the character.
            while (size > 0 && (static_cast<unsigned char>(name[size]) & 0xC0) == 0x80) {
                --size;
            }
            name = name.substr(0, size);
        }
        name = geometry::Trim(name);
    }
    return std::string(name);
}

void DrawCurve(const JdDrawing& s, DrawingHost& host, PlanePoint straightStart, int i);

void DrawCentreLine(const JdDrawing& s, DrawingHost& host) {
    const int n = s.Count();
    // The straight before the first curve starts at the start point, the one after the last
    // curve ends at the end point.
    PlanePoint straightStart{s.V(1).X, s.V(1).Y};
    for (int i = 2; i <= n - 1; ++i) {
        try {
            DrawCurve(s, host, straightStart, i);
        } catch (const geometry::RuntimeError& e) {
            const std::string what = e.what();
            if (what.find(" at vertex ") != std::string::npos) {
                throw;
            }
            throw geometry::RuntimeError(e.Code(), what + " at " + s.Line.VertexName(i - 1));
        }
        straightStart = {s.C(i).Hz.X, s.C(i).Hz.Y};
    }
    DrawLine(host, straightStart, {s.V(n).X, s.V(n).Y}, kBlue);
}

/// The straight from `straightStart` to the curve of vertex i, and the curve itself.
void DrawCurve(const JdDrawing& s, DrawingHost& host, PlanePoint straightStart, int i) {
    {
        const Vertex v = VertexOf(s, i);
        DrawLine(host, straightStart, v.Zh, kBlue);
        if (std::fabs(s.C(i).Spiral1) > 0.0) {
            DrawSpiral(s, host, v.Zh, s.C(i).StationZH, 1.0, s.C(i).Spiral1, s.C(i).Spiral1Lead,
                       s.C(i).Radius, s.C(i).Spiral1OuterRadius);
        }
        DrawArc(s, host, i);
        if (std::fabs(s.C(i).Spiral2) > 0.0) {
            DrawSpiral(s, host, v.Hz, s.C(i).StationHZ, -1.0, s.C(i).Spiral2, s.C(i).Spiral2Lead,
                       s.C(i).Radius, s.C(i).Spiral2OuterRadius);
        }
    }
}

void DrawTangentLines(const JdDrawing& s, DrawingHost& host) {
    host.SetActiveLayer(host.AddLayer(kTangentLineLayer));
    for (int i = 2; i <= s.Count() - 1; ++i) {
        const Vertex v = VertexOf(s, i);
        DrawLine(host, v.Zh, v.Jd, kMagenta);
        DrawLine(host, v.Hz, v.Jd, kMagenta);
    }
}

void DrawStartAndEnd(const JdDrawing& s, DrawingHost& host) {
    const int n = s.Count();
    DrawEndMark(host, {s.V(1).X, s.V(1).Y}, s.C(1).LegAzimuth,
                "QD " + s.Label(s.Line.Input().StartStation), VerticalAlignment::Top);
    DrawEndMark(host, {s.V(n).X, s.V(n).Y}, s.C(n - 1).LegAzimuth, "ZD " + s.Label(s.C(n).Station),
                VerticalAlignment::Bottom);
}

void DrawStakes(const JdDrawing& s, DrawingHost& host) {
    const double lineEnd = s.C(s.Count()).Station;
    for (int k = 1; k <= s.Breaks.BreakCount() + 1; ++k) {
        const double first = FirstStake(s.Breaks.SectionStart(k));
        const double last = s.Breaks.SectionEnd(k) - kStationTolerance;
        RequireStakeRange(first, last);
        for (double station = first; station <= last; station += kStakeSpacing) {
            const double mileage = s.Breaks.SectionStationToMileage(k, station);
            // A section that a chain break beyond the end of the line stretches past it has no
            // line to stake there; the end itself is not staked, as at the end of any section.
            if (mileage > lineEnd - kStationTolerance) {
                break;
            }
            DrawStake(host, s.Line.Line().PointAt(mileage), StakeText(station));
        }
    }
}

void DrawNamesAndMainPoints(const JdDrawing& s, DrawingHost& host) {
    for (int i = 2; i <= s.Count() - 1; ++i) {
        const Vertex v = VertexOf(s, i);
        const bool right = s.C(i).TurnsRight;
        const bool hairpin = s.V(i).Hairpin;
        // An ordinary vertex's name stands away from its curve; a hairpin's curve lies beyond it.
        DrawText(host, VertexName(s, i), v.Jd, kRed, kHalfPi - s.C(i).AzimuthQZ,
                 right != hairpin ? VerticalAlignment::Bottom : VerticalAlignment::Top,
                 HorizontalAlignment::Center);

        // Main points on the inner side of the curve.
        const auto mark = [&](PlanePoint p, double azimuth, const std::string& text) {
            DrawPointMark(host, p, azimuth, right, text, kCyan);
        };
        const bool straightBefore = s.C(i - 1).StraightLength > kStationTolerance;
        const bool straightAfter = s.C(i).StraightLength > kStationTolerance;
        const bool entrySpiral = s.C(i).Spiral1 != 0.0;
        const bool exitSpiral = s.C(i).Spiral2 != 0.0;
        if (straightBefore) {
            mark(v.Zh, s.C(i - 1).LegAzimuth,
                 (entrySpiral ? "ZH " : "ZY ") + s.Label(s.C(i).StationZH));
        }
        if (entrySpiral) {
            mark(v.Hy, s.C(i).AzimuthHY, "HY " + s.Label(s.C(i).StationHY));
        }
        mark(v.Qz, s.C(i).AzimuthQZ, "QZ " + s.Label(s.C(i).StationQZ));
        if (exitSpiral) {
            mark(v.Yh, s.C(i).AzimuthYH, "YH " + s.Label(s.C(i).StationYH));
            mark(v.Hz, s.C(i).LegAzimuth,
                 (straightAfter ? "HZ " : "GQ ") + s.Label(s.C(i).StationHZ));
        } else {
            mark(v.Yh, s.C(i).AzimuthYH,
                 (straightAfter ? "YZ " : "GQ ") + s.Label(s.C(i).StationYH));
        }
    }
}

void DrawChainBreaks(const JdDrawing& s, DrawingHost& host) {
    const double lineEnd = s.C(s.Count()).Station;
    for (int k = 1; k <= s.Breaks.BreakCount(); ++k) {
        const std::string mark(1, static_cast<char>('A' + k - 1));
        const std::string nextMark(1, static_cast<char>('A' + k));
        // The break stands at the end of section k: its back station written in that section.
        const double mileage = s.Breaks.SectionStationToMileage(k, s.Breaks.Breaks()[k - 1].Back);
        // A chain-break file may go on beyond the end of this line; such a break would stand on
        // the prolonged last tangent, where there is no line, so it is left out like the stakes
        // there.
        if (mileage > lineEnd + kStationTolerance) {
            continue;
        }
        const geometry::StationPoint p = s.Line.Line().PointAt(mileage);
        DrawPointMark(host, At(p), p.Azimuth, true,
                      mark + stationing::FormatStationLabel(s.Breaks.Breaks()[k - 1].Back) + "=" +
                          nextMark + stationing::FormatStationLabel(s.Breaks.Breaks()[k - 1].Ahead),
                      kRed);
    }
}

} // namespace

void DrawDesignLineJd(const jd::JdAlignment& line, const stationing::Stationing& breaks,
                      DrawingHost& host, const ProgressCallback& progress) {
    const JdDrawing s{line, breaks};
    RequireDrawableLength(line.Line());
    const int n = s.Count();
    if (n < 2) {
        throw geometry::RuntimeError(geometry::ErrorCode::Format,
                                     "the design line needs a start and an end point, it has " +
                                         std::to_string(n) + " vertices");
    }

    // Set-up: the centre line is drawn under "yx", whose polyline vertices are (-east, north).
    const SurveyCoordinateSystems ucs = AddSurveyCoordinateSystems(host);
    host.SetActiveUcs(ucs.Yx);
    host.SetActiveLayer(host.AddLayer(kCentreLineLayer));
    host.AddPoint(DrawingPoint({s.V(1).X, s.V(1).Y}));
    host.AddPoint(DrawingPoint({s.V(n).X, s.V(n).Y}));
    host.ZoomExtents();

    ReportStage(progress, kStageDesignLine);
    DrawCentreLine(s, host);

    ReportStage(progress, kStageTangentLines);
    DrawTangentLines(s, host);

    host.SetActiveLayer(host.AddLayer(kAnnotationLayer));
    host.SetActiveUcs(ucs.Xy);
    AddAnnotationStyle(host);

    ReportStage(progress, kStageStartEnd);
    DrawStartAndEnd(s, host);

    ReportStage(progress, kStageStakes);
    DrawStakes(s, host);

    ReportStage(progress, kStageMainPoints);
    DrawNamesAndMainPoints(s, host);

    ReportStage(progress, kStageChainBreaks);
    DrawChainBreaks(s, host);

    host.ZoomExtents();
    ReportStage(progress, kStageFinished);
}

} // namespace tesk::cad
