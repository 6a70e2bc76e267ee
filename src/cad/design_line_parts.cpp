#include "cad/design_line_parts.h"

#include "geometry/error.h"
#include "geometry/number_text.h"

#include <cmath>

namespace tesk::cad::design_line {

void ReportStage(const ProgressCallback& progress, std::string_view stageText) {
    if (progress) {
        progress(stageText);
    }
}

geometry::PlanePoint Along(geometry::PlanePoint p, double azimuth, double distance) {
    return {p.X + distance * std::cos(azimuth), p.Y + distance * std::sin(azimuth)};
}

void DrawLine(DrawingHost& host, geometry::PlanePoint from, geometry::PlanePoint to, int colour) {
    host.AddLine(DrawingPoint(from), DrawingPoint(to)).SetColor(colour);
}

void AddAnnotationStyle(DrawingHost& host) {
    const TextStyleHandle style = host.AddTextStyle(kAnnotationStyle);
    style.SetFontFile("fsdb_e.shx");
    style.SetBigFontFile("fsdb.shx");
}

void DrawText(DrawingHost& host, std::string_view text, geometry::PlanePoint at, int colour,
              double rotation, VerticalAlignment vertical, HorizontalAlignment horizontal) {
    const Point anchor = DrawingPoint(at);
    const TextHandle handle = host.AddText(text, anchor, kTextHeight);
    handle.SetColor(colour);
    handle.SetScaleFactor(kTextWidthFactor);
    handle.SetStyleName(kAnnotationStyle);
    handle.SetRotation(rotation);
    handle.SetVerticalAlignment(vertical);
    handle.SetHorizontalAlignment(horizontal);
    handle.SetTextAlignmentPoint(anchor);
}

void DrawEndMark(DrawingHost& host, geometry::PlanePoint p, double azimuth, std::string_view text,
                 VerticalAlignment vertical) {
    DrawLine(host, Along(p, azimuth - kHalfPi, kEndMarkHalfLength),
             Along(p, azimuth + kHalfPi, kEndMarkHalfLength), kRed);
    // Rotation -azimuth writes across the line, from its left side to its right side.
    DrawText(host, text, p, kRed, -azimuth, vertical, HorizontalAlignment::Center);
}

double FirstStake(double sectionStart) {
    return std::floor((sectionStart + kStakeSpacing) / kStakeSpacing) * kStakeSpacing;
}

void RequireStakeRange(double first, double last) {
    if (!(first <= last)) {
        return;
    }
    if (std::fabs(first) > kLargestStakeStation || std::fabs(last) > kLargestStakeStation) {
        throw geometry::RuntimeError(geometry::ErrorCode::Geometry,
                                     "stations from " + geometry::FormatShortest(first) + " to " +
                                         geometry::FormatShortest(last) +
                                         " are too large to be staked in 100 m steps");
    }
}

std::string StakeText(double station) {
    // Stations are whole multiples of 100 here, so every quotient below is exact.
    const double magnitude = std::fabs(station);
    const double kilometres = std::floor(magnitude / 1000.0);
    const std::string sign = station < 0.0 ? "-" : "";
    if (kilometres * 1000.0 == magnitude) {
        return sign + "K" + geometry::FormatShortest(kilometres);
    }
    return geometry::FormatShortest((magnitude - kilometres * 1000.0) / 100.0);
}

void DrawStake(DrawingHost& host, const geometry::StationPoint& at, std::string_view text) {
    const geometry::PlanePoint p{at.X, at.Y};
    const geometry::PlanePoint tickEnd = Along(p, at.Azimuth - kHalfPi, kStakeTick);
    DrawLine(host, p, tickEnd, kCyan);
    // Rotation pi/2 - azimuth writes along the line in its direction.
    DrawText(host, text, tickEnd, kCyan, kHalfPi - at.Azimuth, VerticalAlignment::Bottom,
             HorizontalAlignment::Center);
}

void DrawPointMark(DrawingHost& host, geometry::PlanePoint p, double azimuth, bool right,
                   std::string_view text, int colour) {
    const geometry::PlanePoint tickEnd =
        Along(p, azimuth + (right ? kHalfPi : -kHalfPi), kPointTick);
    DrawLine(host, p, tickEnd, colour);
    // Across the line: on the right side the text starts at the tick's end, on the left it ends
    // there, so it always continues the tick outward.
    DrawText(host, text, tickEnd, colour, -azimuth, VerticalAlignment::Middle,
             right ? HorizontalAlignment::Left : HorizontalAlignment::Right);
}

} // namespace tesk::cad::design_line

namespace tesk::cad {

void RequireDrawableLength(const alignment::Alignment& line) {
    const double length = line.End() - line.Start();
    if (!(length <= kMaxDrawnLength)) {
        throw geometry::RuntimeError(geometry::ErrorCode::Format,
                                     "the line is " + geometry::FormatFixed(length, 3) +
                                         " m long; a drawing takes at most " +
                                         geometry::FormatShortest(kMaxDrawnLength) + " m");
    }
}

} // namespace tesk::cad
