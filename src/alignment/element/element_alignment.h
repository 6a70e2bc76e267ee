#pragma once

// The element builder: a design line laid end to end from a start point, start azimuth and start
// station as a chain of straights, circular arcs and clothoid spirals, each given by its start
// radius, end radius and length.
//
// Radii are signed (positive turns right) and 10000 is the code for "infinite" (compared for
// exact equality: a real radius of 10000 m cannot be entered, while -10000 is a real radius to
// the left). Units and signs as in geometry/plane.h.

#include "alignment/alignment.h"

#include <vector>

namespace tesk::element {

inline constexpr double kInfiniteRadius = 10000.0;
inline constexpr int kMaxElements = 1000;

enum class ElementKind {
    Straight,       ///< both radii infinite
    Arc,            ///< equal finite radii
    EntrySpiral,    ///< infinite start radius, finite end radius
    ExitSpiral,     ///< finite start radius, infinite end radius
    CompoundSpiral, ///< two different finite radii (of one sign, after splitting)
};

/// The kind of an element from its start and end radius (m, signed, kInfiniteRadius = infinite).
ElementKind KindOf(double startRadius, double endRadius);

/// One element row of an element file: start radius, end radius (m, signed, kInfiniteRadius =
/// infinite), length (m).
struct ElementRow {
    double StartRadius = kInfiniteRadius;
    double EndRadius = kInfiniteRadius;
    double Length = 0.0;
};

/// An element line as read.
struct ElementInput {
    double StartStation = 0.0; ///< m, continuous mileage of the start point
    double StartX = 0.0;       ///< m, north
    double StartY = 0.0;       ///< m, east
    double StartAzimuth = 0.0; ///< tangent azimuth at the start, decimal degrees
    std::vector<ElementRow> Rows;
};

/// One element of the built line (after splitting reversing spirals).
struct Element {
    double StartRadius = kInfiniteRadius; ///< m, signed, kInfiniteRadius = infinite
    double EndRadius = kInfiniteRadius;   ///< m, signed
    double Length = 0.0;                  ///< m, >= 0
    double StartMileage = 0.0;            ///< m
    geometry::PlanePoint Start;           ///< m
    double StartAzimuth = 0.0;            ///< rad, in [0, 2*pi)
    double Turn = 0.0;                    ///< signed angle turned over the element, rad
    geometry::PlanePoint Increment;       ///< coordinate change from start to end, m
    ElementKind Kind = ElementKind::Straight;
};

/// Replaces every reversing spiral (two finite radii of opposite sign) by an exit spiral from its
/// start radius to infinite radius followed by an entry spiral from infinite radius to its end
/// radius, split where the linear curvature passes through zero. Throws
/// geometry::RuntimeError(Format) when there would be more than 1000 elements.
std::vector<ElementRow> SplitReversingSpirals(const std::vector<ElementRow>& rows);

/// Signed angle (rad) turned over an element of the given radii (m, signed, non-zero) and length
/// (m). Throws RuntimeError(DivisionByZero) for a radius of 0.
double ElementTurn(double startRadius, double endRadius, double length);

/// The constructed element line.
class ElementAlignment {
public:
    /// Splits reversing spirals and lays the elements end to end. Throws geometry::RuntimeError
    /// before building anything when there are more than 1000 elements (Format), a length is
    /// negative (Format), a radius is 0 (DivisionByZero) or a value is not finite (NonFinite). A
    /// length of 0 is accepted: such an element neither moves nor turns the line.
    explicit ElementAlignment(ElementInput input);

    const alignment::Alignment& Line() const { return m_line; }
    const ElementInput& Input() const { return m_input; }
    /// The elements after splitting, in order.
    const std::vector<Element>& Elements() const { return m_elements; }
    /// The end of the last element: mileage (m), point and azimuth (rad, in [0, 2*pi)).
    double EndMileage() const { return m_endMileage; }
    geometry::PlanePoint End() const { return m_end; }
    double EndAzimuth() const { return m_endAzimuth; }
    /// The point and tangent azimuth (in [0, 2*pi)) at `distance` (m, normally 0..Length) from
    /// the start of element `index` (0-based) by that element's own formula, without a search.
    /// An element of no length continues its start tangent. Throws geometry::RuntimeError
    /// (IndexOutOfRange for an index outside Elements(); as Alignment::PointAt otherwise).
    geometry::StationPoint PointOnElement(std::size_t index, double distance) const;
    /// The start azimuth in radians, in [0, 2*pi).
    double StartAzimuth() const { return m_startAzimuth; }

private:
    ElementInput m_input;
    std::vector<Element> m_elements;
    double m_endMileage = 0.0;
    geometry::PlanePoint m_end;
    double m_endAzimuth = 0.0;
    double m_startAzimuth = 0.0;
    alignment::Alignment m_line;
    std::vector<std::size_t> m_segmentOf; // segment of each element; npos for no length
};

} // namespace tesk::element
