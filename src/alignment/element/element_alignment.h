#pragma once

// The element alignment: a design line laid end to end from a start point, start azimuth and
// start station as a chain of straights, circular arcs and clothoid spirals, each given by its
// start radius, end radius and length (see element_geometry.h for the radius code 10000 and the
// signs). Construction turns the element rows of the shared state into the element tables;
// evaluation turns a continuous station into the design-line point and its tangent azimuth.
//
// Units and signs: lengths and stations in metres (stations are continuous mileage; the element
// method has no chain breaks), angles in radians, azimuths clockwise from north in [0, 2*pi),
// X north, Y east. A positive radius or turn is a turn to the right.

#include "state/plane.h"
#include "state/shared_state.h"

namespace tesk::element {

/// Replaces every reversing spiral among the raw element rows (two finite radii of opposite sign)
/// by an exit spiral from its start radius to infinite radius followed by an entry spiral from
/// infinite radius to its end radius, split where the linear curvature passes through zero. The
/// rows after a split move down by one. Rewrites ElemRowA/B/C and ElemRowCount in place, sets
/// ElemCount = ElemRowCount and copies the rows into ElemStartRadius, ElemEndRadius and
/// ElemLength. Throws state::RuntimeError(Format), changing nothing, when ElemRowCount is outside
/// 0..1000 or the rows would exceed 1000 after splitting.
void SplitReversingSpirals(state::SharedState& s);

/// Converts an angle written as degrees.minutesseconds (123.4530 = 123 deg 45' 30"; seconds may
/// carry further decimals, 123.45305 = 123 deg 45' 30.5") into decimal degrees; a negative value
/// is the negative angle. The digits are taken from the shortest decimal text of the double, so
/// every value written with up to four decimals converts to the double nearest to
/// d + mm/60 + ss/3600. Minutes or seconds of 60 and more are taken as written. Throws
/// state::RuntimeError(NonFinite) for a value that is not finite.
double DmsToDegrees(double dms);

/// Builds the element tables of `s` from ElemCount elements (ElemStartRadius, ElemEndRadius,
/// ElemLength, as SplitReversingSpirals leaves them) and the head values ElemStartStation,
/// ElemStartX, ElemStartY and ElemStartAzimuth (decimal degrees, as DmsToDegrees leaves it; it is
/// converted to radians in place): ElemStation, ElemTurn, ElemAzimuth (normalised), ElemDeltaX,
/// ElemDeltaY, ElemX, ElemY and ElemStationIncreasing. Throws state::RuntimeError before writing
/// anything when ElemCount is outside 0..1000 (Format), a length is negative (Format) or a radius
/// is 0 (DivisionByZero), and when a value would not be finite (NonFinite). A length of 0 is
/// accepted: such an element neither moves nor turns the line.
void BuildElementAlignment(state::SharedState& s);

/// The element holding continuous station `station` (m): the first i of 1..ElemCount with
/// ElemStation(i) <= station < ElemStation(i+1), or ElemCount + 1 when there is none (before the
/// start, from the end on, or a NaN). Bisects when ElemStationIncreasing is set, otherwise scans
/// (elements of zero length); both give the same answer.
int FindElement(const state::SharedState& s, double station);

/// The point at distance `distance` (m, normally 0..ElemLength(element)) from the start of
/// element `element` (1..ElemCount), by that element's own formula and without any search, with
/// the tangent azimuth there in [0, 2*pi). Throws state::RuntimeError for an element outside
/// 1..ElemCount (IndexOutOfRange) and a non-finite result (NonFinite).
state::StationPoint ElementPointAt(const state::SharedState& s, int element, double distance);

/// The design-line point and tangent azimuth (in [0, 2*pi)) at continuous station `station`
/// (m). Needs BuildElementAlignment to have run on `s`. No range check: before the first station
/// the line is extended backwards along the start tangent, from the last station on forwards
/// along the end tangent. Throws state::RuntimeError(Geometry) for a station that no element
/// holds (a NaN), NonFinite for a result that is not finite, DivisionByZero for an element with
/// a radius of 0.
state::StationPoint ElemStationToPoint(const state::SharedState& s, double station);

} // namespace tesk::element
