#pragma once

// The design-line drawing ("绘设计线"): the centre line of the current alignment with its
// tangent lines to the intersection points, start and end marks, hundred-metre and kilometre
// stakes, intersection-point names, the main points of every curve (or every element joint) and
// the chain breaks, drawn at the alignment's own coordinates.
//
// Conventions: survey points are X north, Y east (drawing points east first, see DrawingPoint);
// azimuths are radians clockwise from north; text rotations radians counter-clockwise from east;
// stations are continuous mileage in metres unless called written stations. The layers are
// "中心线" (the line), "交点线" (tangent lines) and "标注" (annotations); every text uses the style
// "new_text" (fonts "fsdb_e.shx" and "fsdb.shx"), height 4 m and width factor 0.7. A drawing run
// leaves "标注" the current layer and "xy" the current coordinate system.

#include "alignment/element/element_alignment.h"
#include "alignment/jd/jd_alignment.h"
#include "alignment/placed/placed_alignment.h"
#include "cad/drawing_host.h"
#include "stationing/stationing.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace tesk::cad {

/// Receives the text of each drawing stage before the stage's work, for a progress window.
using ProgressCallback = std::function<void(std::string_view stageText)>;

inline constexpr std::string_view kStageDesignLine = "正在生成设计线";
inline constexpr std::string_view kStageTangentLines = "正在生成交点线";
inline constexpr std::string_view kStageStartEnd = "正在标注起终点";
inline constexpr std::string_view kStageStakes = "正在标注百米桩、千米桩";
inline constexpr std::string_view kStageMainPoints = "正在标注交点号、要素桩";
inline constexpr std::string_view kStageChainBreaks = "正在标注断链";
inline constexpr std::string_view kStageFinished = "设计线绘制完毕，双击返回";

inline constexpr std::string_view kCentreLineLayer = "中心线";
inline constexpr std::string_view kTangentLineLayer = "交点线";
inline constexpr std::string_view kAnnotationLayer = "标注";
inline constexpr std::string_view kAnnotationStyle = "new_text";

/// Number of drawing points between the two ends of a spiral.
inline constexpr int kDrawPoints = 360;

/// Longest line one design-line drawing takes, m: 10 000 km, i.e. at most 100 000 hundred-metre
/// stakes (the stakes of a line cannot outnumber its length / 100 m plus one per chain-break
/// section). A longer line is nearly always a slip in its file (a coordinate without its decimal
/// point), and its drawing would fill memory and disk.
inline constexpr double kMaxDrawnLength = 10'000'000.0;

/// Most spiral polyline vertices a design-line drawing can hold: two spirals of kDrawPoints + 2
/// vertices at each curve of a JD line of jd::kMaxVertices vertices (an element line of
/// element::kMaxElements spirals has fewer). The builders' limits keep every line within it.
inline constexpr std::int64_t kMaxDrawnVertices =
    std::int64_t{2} * (jd::kMaxVertices - 2) * (kDrawPoints + 2);
static_assert(std::int64_t{element::kMaxElements} * (kDrawPoints + 1) <= kMaxDrawnVertices);

/// Throws geometry::RuntimeError(Format) naming the length of `line` when it is longer than
/// kMaxDrawnLength (or its length is not a number).
void RequireDrawableLength(const alignment::Alignment& line);

/// Distance (m) along the line from the outer end of a JD spiral to its k-th drawing point. The
/// points are spaced equally in tangent angle, closer together toward the arc; k = 0 gives 0 and
/// k = kDrawPoints the spiral's length. Signs follow the JD table: for a hairpin vertex `ls`,
/// `c`, `r` and `r0` are all negative and the result is negated, so callers take its magnitude.
/// @param k  drawing point, 0..kDrawPoints
/// @param ls spiral length Ls, m, nonzero (negative for a hairpin)
/// @param c  clothoid origin to the spiral's outer end, m (0 for a spiral starting on the
///           tangent), same sign as ls
/// @param r  arc radius R, m, nonzero, same sign as ls
/// @param r0 radius at the spiral's outer end, m; 0 = infinite, else |r0| > |r|, same sign as r
double SpiralPointDistance(int k, double ls, double c, double r, double r0);

/// Distance (m, >= 0) from the start of a spiral element to its k-th drawing point, the points
/// spaced equally in tangent angle; k = kDrawPoints gives the element's length.
/// @param k  drawing point, 0..kDrawPoints
/// @param l  element length, m, >= 0
/// @param rs radius at the element's start, m, signed (positive turns right), 10000 = infinite
/// @param re radius at the element's end, m, as rs; rs != re, not both infinite
double ElemSpiralPointDistance(int k, double l, double rs, double re);

/// Draws the intersection-point line `line` with its chain breaks `breaks` into `host`: the
/// centre line (straights blue, spirals green polylines of 362 vertices, arcs red), the tangent
/// lines from ZH and HZ to each vertex (magenta), then the annotations: start and end, stakes,
/// vertex names and main points, chain breaks (stakes and breaks that a chain-break file puts
/// beyond the end of the line are left out: there is no line there). A line longer than
/// kMaxDrawnLength is refused before anything is drawn (RequireDrawableLength). Stations too large
/// for exact 100 m steps (beyond 2^53 m) are refused in the stake stage. `progress` (may be empty)
/// receives each stage's text before its work and kStageFinished at the end. Throws
/// geometry::RuntimeError on the first failing evaluation or drawing operation; what was drawn
/// until then stays in the drawing.
void DrawDesignLineJd(const jd::JdAlignment& line, const stationing::Stationing& breaks,
                      DrawingHost& host, const ProgressCallback& progress);

/// Draws the element line `line` into `host`: one line, arc or 361-vertex polyline per element,
/// then start and end, the element joints and the stakes. No tangent lines, vertex names or
/// chain breaks; stations carry no section mark. The length cap, progress and failures
/// as DrawDesignLineJd.
void DrawDesignLineElem(const element::ElementAlignment& line, DrawingHost& host,
                        const ProgressCallback& progress);

/// Draws a line of placed elements (as read from LandXML) as DrawDesignLineElem draws an element
/// line. Failures as DrawDesignLineJd.
void DrawDesignLinePlaced(const placed::PlacedAlignment& line, DrawingHost& host,
                          const ProgressCallback& progress);

} // namespace tesk::cad
