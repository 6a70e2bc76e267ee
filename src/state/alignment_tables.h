#pragma once

// The window's tables of the loaded line, filled from the built JD and element lines, and the
// station evaluators over them. Every station is evaluated on the built Alignment; the tables
// carry what the drawings and listings read row by row.

#include "geometry/plane.h"
#include "state/shared_state.h"

namespace tesk::jd {

/// Builds the JD line from the vertex table of `s` (StartStation, JdCount rows of JdX ..
/// JdKeepAhead), keeps it in s.JdLine and fills every derived JD table from its curve table.
/// Negates R, Ls1, Ls2, R1, R2 of hairpin vertices in place and sets StationZHIncreasing. Throws
/// geometry::RuntimeError, naming the vertex, when the line cannot be constructed (see
/// JdAlignment); then `s` is unchanged.
void BuildJdAlignment(state::SharedState& s);

/// The design-line point and tangent azimuth (in [0, 2*pi)) at a continuous station, m, on the
/// line BuildJdAlignment built. Throws as alignment::Alignment::PointAt, and
/// RuntimeError(Geometry) when no line has been built.
geometry::StationPoint JdStationToPoint(const state::SharedState& s, double station);

} // namespace tesk::jd

namespace tesk::element {

/// Splits the reversing spirals among the raw element rows (see SplitReversingSpirals of the
/// element builder): rewrites ElemRowA/B/C and ElemRowCount in place, sets ElemCount and copies
/// the rows into ElemStartRadius, ElemEndRadius and ElemLength. Throws
/// geometry::RuntimeError(Format), changing nothing, when ElemRowCount is outside 0..1000 or the
/// rows would exceed 1000 after splitting.
void SplitReversingSpirals(state::SharedState& s);

/// Builds the element line from ElemCount elements and the head values (ElemStartAzimuth in
/// decimal degrees; it is converted to radians in place), keeps it in s.ElementLine and fills
/// ElemStation, ElemTurn, ElemAzimuth, ElemDeltaX/Y, ElemX/Y and ElemStationIncreasing. Throws
/// as ElementAlignment; then `s` is unchanged.
void BuildElementAlignment(state::SharedState& s);

/// The element holding continuous station `station` (m): the first i of 1..ElemCount with
/// ElemStation(i) <= station < ElemStation(i+1), or ElemCount + 1 when there is none.
int FindElement(const state::SharedState& s, double station);

/// The point at `distance` (m) from the start of element `element` (1..ElemCount) by that
/// element's own formula. Throws RuntimeError(IndexOutOfRange) for an element outside the line.
geometry::StationPoint ElementPointAt(const state::SharedState& s, int element, double distance);

/// The design-line point and tangent azimuth at a continuous station (m) on the line
/// BuildElementAlignment built; see alignment::Alignment::PointAt.
geometry::StationPoint ElemStationToPoint(const state::SharedState& s, double station);

} // namespace tesk::element
