#pragma once

// The placed-element builder: a design line given as elements that each carry their own start
// point and start direction (as a LandXML CoordGeom does), each a straight, a circular arc or a
// clothoid spiral given by its length and its start and end curvature. Every element is laid from
// its own start point, so a file's printed coordinates are kept as they are; mileage runs on
// continuously from the start mileage by the elements' lengths.
//
// Curvatures are signed (positive turns right, 0 = straight: there is no radius code for
// "infinite", so a radius of exactly 10000 m is an ordinary radius here). Units and signs as in
// geometry/plane.h.

#include "alignment/alignment.h"
#include "alignment/element/element_alignment.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tesk::placed {

inline constexpr int kMaxElements = 10000;

/// One element as given: where and how it starts, how long it is and how it bends.
struct PlacedElement {
    std::string Name;            ///< how failures name it, e.g. "Spiral 3 (line 42)"
    geometry::PlanePoint Start;  ///< m, X north, Y east
    double StartAzimuth = 0.0;   ///< rad, clockwise from north, any finite value
    double Length = 0.0;         ///< m, >= 0
    double StartCurvature = 0.0; ///< 1/m, signed, positive = turning right, 0 = straight
    double EndCurvature = 0.0;   ///< 1/m, signed
};

/// A placed line as given: the continuous mileage of the first element's start (m) and the
/// elements in order.
struct PlacedInput {
    double StartMileage = 0.0;
    std::vector<PlacedElement> Elements;
};

/// One element of the built line.
struct BuiltElement {
    PlacedElement Given; ///< the element as given (StartAzimuth as given)
    element::ElementKind Kind = element::ElementKind::Straight;
    double StartMileage = 0.0; ///< m
    double StartAzimuth = 0.0; ///< rad, in [0, 2*pi)
    double Turn = 0.0;         ///< signed angle turned over the element, rad
    geometry::PlanePoint End;  ///< where the element ends by its own formula, m
    double EndAzimuth = 0.0;   ///< rad, in [0, 2*pi)
};

/// The kind of an element from its start and end curvature (1/m, signed): Straight (both 0), Arc
/// (equal, non-zero), EntrySpiral (0 to non-zero), ExitSpiral (non-zero to 0), CompoundSpiral
/// (two different non-zero curvatures, of one sign or not).
element::ElementKind KindOfCurvatures(double startCurvature, double endCurvature);

/// Where an element of `length` (m, >= 0) and curvatures `startCurvature`, `endCurvature`
/// (1/m, signed) ends relative to its start tangent (U along it, V to its right, m), and the
/// angle it turns (rad, signed), by the same formulas the builder lays it with. Throws
/// geometry::RuntimeError(NonFinite) for values that are not finite or a spiral that cannot be
/// summed.
struct LocalEnd {
    geometry::LocalOffset Chord;
    double Turn = 0.0;
};
LocalEnd ElementLocalEnd(double length, double startCurvature, double endCurvature);

/// The constructed line.
class PlacedAlignment {
public:
    /// Lays every element from its own start. Throws geometry::RuntimeError naming the element
    /// before building anything: Format for no element, more than kMaxElements, or a negative
    /// length; NonFinite for a value that is not finite or an element whose end cannot be
    /// computed (a spiral winding round thousands of turns).
    explicit PlacedAlignment(PlacedInput input);

    const alignment::Alignment& Line() const { return m_line; }
    const std::vector<BuiltElement>& Elements() const { return m_elements; }
    /// The start mileage and the end of the last element: mileage (m), point and azimuth (rad,
    /// in [0, 2*pi)).
    double StartMileage() const { return m_startMileage; }
    double EndMileage() const { return m_endMileage; }
    geometry::PlanePoint End() const { return m_elements.back().End; }
    double EndAzimuth() const { return m_elements.back().EndAzimuth; }
    /// The point and tangent azimuth (in [0, 2*pi)) at `distance` (m, normally 0..Length) from
    /// the start of element `index` (0-based) by that element's own formula, without a search.
    /// An element of no length continues its start tangent. Throws geometry::RuntimeError
    /// (IndexOutOfRange for an index outside Elements(); as Alignment::PointAt otherwise).
    geometry::StationPoint PointOnElement(std::size_t index, double distance) const;

private:
    std::vector<BuiltElement> m_elements;
    double m_startMileage = 0.0;
    double m_endMileage = 0.0;
    alignment::Alignment m_line;
    std::vector<std::size_t> m_segmentOf; // segment of each element; npos for no length
};

} // namespace tesk::placed
