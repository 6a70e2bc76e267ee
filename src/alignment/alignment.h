#pragma once

// The design line as one immutable object: a chain of segments (straights, circular arcs and
// clothoid pieces) laid along continuous mileage, built once by one of the two builders
// (intersection points in jd/, element rows in element/) and then only asked questions.
//
// Conventions as in geometry/plane.h: X north, Y east, metres; azimuths clockwise from north in
// [0, 2*pi); curvatures positive to the right; mileage is continuous (no chain breaks here).

#include "geometry/plane.h"

#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace tesk::alignment {

enum class SegmentKind {
    Line,     ///< a straight, curvature 0
    Arc,      ///< a circular arc, constant curvature
    Clothoid, ///< a clothoid piece, curvature changing linearly from start to end
    Gap,      ///< mileage that no part of the line holds (curves that overlap)
};

/// One segment of the line over the mileage range [StartMileage, EndMileage).
struct Segment {
    SegmentKind Kind = SegmentKind::Line;
    double StartMileage = 0.0;     ///< m
    double EndMileage = 0.0;       ///< m, > StartMileage
    geometry::PlanePoint Start;    ///< the point at StartMileage (not set for a gap)
    double StartAzimuth = 0.0;     ///< rad, tangent azimuth at StartMileage
    double StartCurvature = 0.0;   ///< 1/m, signed, positive = turning right
    double EndCurvature = 0.0;     ///< 1/m, signed
    std::string Source;            ///< the vertex or element it comes from, for messages
};

/// A named point of the line: a curve's main point (ZH, HY, QZ, YH, HZ), an element joint, the
/// start and the end.
struct MainPoint {
    std::string Code;           ///< "QD", "ZH", "HY", "QZ", "YH", "HZ", "ZD", or an element code
    double Mileage = 0.0;       ///< m
    geometry::PlanePoint Point; ///< m
    double Azimuth = 0.0;       ///< rad, in [0, 2*pi)
};

/// A foot of the perpendicular from a point to the line.
struct Foot {
    double Mileage = 0.0;       ///< m, in [Start(), End()]
    double Offset = 0.0;        ///< m, signed distance from the line, positive to the LEFT
    double Azimuth = 0.0;       ///< rad, tangent azimuth of the line at the foot, in [0, 2*pi)
    geometry::PlanePoint Point; ///< the foot on the line, m
};

/// Where a point lies relative to the line.
struct Location {
    /// Every foot, nearest first (by |Offset|, then by mileage); none when the perpendiculars
    /// fall only on the extensions before the start or after the end.
    std::vector<Foot> Feet;
    /// The arcs (by their vertex or element) whose centre the point is: every point of such an
    /// arc is a foot, so none of them is listed in Feet.
    std::vector<std::string> ArcCentres;
};

namespace detail {
struct Formula;
struct LazyFootIndex;
}

/// The design line. Cheap to copy (shares nothing mutable) and safe to query from any thread.
class Alignment {
public:
    /// An empty line: Start() = End() = 0, PointAt throws.
    Alignment();
    ~Alignment();
    Alignment(const Alignment&);
    Alignment& operator=(const Alignment&);
    Alignment(Alignment&&) noexcept;
    Alignment& operator=(Alignment&&) noexcept;

    /// The point of the line and its tangent azimuth (in [0, 2*pi)) at continuous mileage
    /// `mileage` (m). No range check: before Start() and from End() on, the line runs on along
    /// its first and last tangents. O(1) on an evenly spaced line, O(log n) at worst.
    /// Throws geometry::RuntimeError(NonFinite) for a mileage that is not finite,
    /// RuntimeError(Geometry) naming the vertex for a mileage that falls in a gap between
    /// overlapping curves (and for a line of fewer than two vertices), and RuntimeError naming
    /// the vertex or element when the point cannot be evaluated.
    geometry::StationPoint PointAt(double mileage) const;

    /// First and last continuous mileage of the line, m.
    double Start() const { return m_start; }
    double End() const { return m_end; }
    /// Whether Start() <= mileage <= End().
    bool Contains(double mileage) const { return m_start <= mileage && mileage <= m_end; }

    /// The inverse question: every mileage in [Start(), End()] where the line from `point` (m,
    /// X north, Y east) to the line is perpendicular to its tangent, with the signed offset
    /// (positive to the LEFT) and the azimuth there. Exact on lines, arcs and clothoids (the
    /// foot is a point of PointAt to the last digits; its mileage is found to about 1e-10 m);
    /// a foot exactly at a joint of two segments is reported once. Searches a tree of the
    /// segments' bounding boxes and tangent cones, so a query visits about log n nodes per foot.
    /// With `maxDistance` (m) only the feet at most that far from the point are looked for (and
    /// only arcs within it reported by their centre), which keeps a query on a long winding line
    /// to the few segments near the point. Throws geometry::RuntimeError(NonFinite) for a point
    /// that is not finite.
    Location Locate(geometry::PlanePoint point,
                    double maxDistance = std::numeric_limits<double>::infinity()) const;

    /// The point and tangent azimuth (in [0, 2*pi)) at `mileage` (m) by the formula of segment
    /// `segment` (an index into Segments()) without any search: for sampling a known segment,
    /// also a little beyond its ends. Throws as PointAt, and RuntimeError(IndexOutOfRange) for
    /// an index outside Segments().
    geometry::StationPoint PointOnSegment(std::size_t segment, double mileage) const;

    /// The segments between Start() and End(), in mileage order.
    const std::vector<Segment>& Segments() const { return m_segments; }
    /// The main points, in the order the builder lists them (by vertex or element).
    const std::vector<MainPoint>& MainPoints() const { return m_mainPoints; }

    /// For the builders: an alignment from formulas ordered by their start mileage (the first
    /// one holds everything before the second's start), the line's range and main points, and
    /// the names of the vertices or elements the formulas come from.
    static Alignment FromFormulas(std::vector<detail::Formula> formulas, double start, double end,
                                  std::vector<MainPoint> mainPoints,
                                  std::vector<std::string> sources, std::string emptyMessage);

private:

    std::size_t PieceOf(double mileage) const;
    std::size_t BucketOf(double mileage) const;

    std::vector<double> m_pieceStarts; // m_pieceStarts[0] = -inf
    std::vector<detail::Formula> m_formulas;
    std::vector<std::size_t> m_bucketFirst;
    double m_bucketOrigin = 0.0;
    double m_bucketScale = 0.0;
    double m_start = 0.0;
    double m_end = 0.0;
    geometry::StationPoint Evaluate(std::size_t piece, double mileage) const;

    void LocateOnSegment(std::size_t segment, geometry::PlanePoint point, Location& out) const;

    std::vector<Segment> m_segments;
    std::vector<std::size_t> m_segmentPiece; // the piece each segment was cut from
    std::shared_ptr<const std::vector<std::string>> m_sources;
    /// Built at the first Locate, once, whichever thread asks first; shared by copies.
    std::shared_ptr<detail::LazyFootIndex> m_footIndex;
    std::vector<MainPoint> m_mainPoints;
    std::string m_emptyMessage;
};

} // namespace tesk::alignment
