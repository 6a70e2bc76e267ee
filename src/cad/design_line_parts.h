#pragma once

// Pieces shared by the two design-line drawings (internal to the cad library).

#include "cad/design_line.h"
#include "geometry/plane.h"

#include <functional>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

namespace tesk::cad::design_line {

inline constexpr double kHalfPi = std::numbers::pi / 2.0;
inline constexpr double kTextHeight = 4.0;         ///< m, every text
inline constexpr double kTextWidthFactor = 0.7;    ///< every text
inline constexpr double kEndMarkHalfLength = 15.0; ///< m each side of the line at start and end
inline constexpr double kStakeTick = 2.0;          ///< m, to the left of the line
inline constexpr double kPointTick = 5.0;          ///< m, main points and chain breaks
inline constexpr double kStakeSpacing = 100.0;     ///< m
/// A stake must lie this far (m) before the end of its section; a straight shorter than this
/// counts as none.
inline constexpr double kStationTolerance = 0.0001;

/// Passes a stage text to the progress callback, if there is one.
void ReportStage(const ProgressCallback& progress, std::string_view stageText);

/// The survey point `distance` m from `p` in the direction `azimuth` (rad, clockwise from north).
geometry::PlanePoint Along(geometry::PlanePoint p, double azimuth, double distance);

/// A line between two survey points in colour `colour`.
void DrawLine(DrawingHost& host, geometry::PlanePoint from, geometry::PlanePoint to, int colour);

/// Adds the text style "new_text" with its two font files.
void AddAnnotationStyle(DrawingHost& host);

/// A text of the annotation style at the survey point `at`, which is both its insertion and its
/// alignment point: height, colour, width factor, style, rotation (rad counter-clockwise from
/// east), vertical and horizontal alignment set in this order.
void DrawText(DrawingHost& host, std::string_view text, geometry::PlanePoint at, int colour,
              double rotation, VerticalAlignment vertical, HorizontalAlignment horizontal);

/// The start or end mark: a red line square to the line through `p` (15 m each side of the
/// line's direction `azimuth`) and `text` across the line at `p`, top-aligned at the start (so it
/// lies before it) and bottom-aligned at the end.
void DrawEndMark(DrawingHost& host, geometry::PlanePoint p, double azimuth, std::string_view text,
                 VerticalAlignment vertical);

/// The first stake strictly after written station `sectionStart` (m): the next multiple of 100.
double FirstStake(double sectionStart);

/// Largest station magnitude (m) at which a double still holds every 100 m step exactly: 2^53.
inline constexpr double kLargestStakeStation = 9007199254740992.0;

/// Checks that the stakes from written station `first` to `last` (m) can be counted in exact
/// 100 m steps; beyond kLargestStakeStation a step would leave the station unchanged and the
/// stakes would never end. Throws geometry::RuntimeError(Geometry) when they cannot; a range without
/// stakes (`first` > `last`, or not a number) passes.
void RequireStakeRange(double first, double last);

/// The text of the stake at written station `station` (m, a multiple of 100): "K" and the
/// kilometres on a whole kilometre ("K12"), else the digit of the hundreds ("3" at 1300). A
/// station before zero is written by its magnitude, as its label is: "-K1" at -1000, "2" at -200.
std::string StakeText(double station);

/// A stake at the design-line point `at`: a cyan tick 2 m to the left of the line and `text` at
/// its end, along the line, standing on the tick's end.
void DrawStake(DrawingHost& host, const geometry::StationPoint& at, std::string_view text);

/// A main-point mark at the design-line point `p` with tangent azimuth `azimuth`: a tick of 5 m
/// square to the line, to the right when `right` else to the left, and `text` continuing it
/// outward, across the line, in colour `colour`.
void DrawPointMark(DrawingHost& host, geometry::PlanePoint p, double azimuth, bool right,
                   std::string_view text, int colour);

/// What the JD drawing reads of its line, by 1-based vertex row i (1 = start, Count() = end).
struct JdDrawing {
    const jd::JdAlignment& Line;
    const stationing::Stationing& Breaks;
    int Count() const { return static_cast<int>(Line.Vertices().size()); }
    const jd::Vertex& V(int i) const { return Line.Vertices()[static_cast<std::size_t>(i - 1)]; }
    const jd::JdCurve& C(int i) const { return Line.Curves()[static_cast<std::size_t>(i - 1)]; }
    /// The station label of a mileage, with its section's mark letter where chain breaks exist.
    std::string Label(double mileage) const { return Breaks.MileageToLabel(mileage); }
};

/// What the element drawing reads of its line, by 1-based element row i; row Count() + 1 is the
/// end of the line. Element lines and lines of placed elements (LandXML) give the same view.
struct ElementDrawing {
    std::vector<element::Element> Elements; ///< radii with the code 10000 for "infinite"
    geometry::PlanePoint EndPoint;
    double EndAzimuth = 0.0;
    double EndMileage = 0.0;
    const alignment::Alignment* Line = nullptr;
    /// The point at a distance from element i's start (0-based), by its own formula.
    std::function<geometry::StationPoint(std::size_t, double)> PointOnElement;

    int Count() const { return static_cast<int>(Elements.size()); }
    const element::Element& E(int i) const { return Elements[static_cast<std::size_t>(i - 1)]; }
    geometry::PlanePoint Point(int i) const { return i <= Count() ? E(i).Start : EndPoint; }
    double Azimuth(int i) const { return i <= Count() ? E(i).StartAzimuth : EndAzimuth; }
    double Mileage(int i) const { return i <= Count() ? E(i).StartMileage : EndMileage; }
};

/// Draws an element view (DrawDesignLineElem and DrawDesignLinePlaced).
void DrawElementView(const ElementDrawing& s, DrawingHost& host, const ProgressCallback& progress);

} // namespace tesk::cad::design_line
