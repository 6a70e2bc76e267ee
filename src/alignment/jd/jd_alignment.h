#pragma once

// The intersection-point (JD) alignment: construction of the curve tables from the vertex table,
// and evaluation of a continuous station on the constructed line.
//
// Units and signs: lengths and stations in metres (stations are continuous mileage), angles in
// radians, azimuths clockwise from north (X north, Y east). A positive deflection turns right.
// Hairpin vertices carry their R, Ls1, Ls2, R1, R2 negated in the shared table after the
// construction, and their curve turns through more than pi.

#include "state/plane.h"
#include "state/shared_state.h"

namespace tesk::jd {

/// The curve of one vertex solved in the frame of its spirals' origin tangents and placed on the
/// two legs through the vertex.
struct VertexCurve {
    /// Tangent length from ZH forward to the vertex along the back leg, m; negative when the
    /// curve turns through more than pi and so starts beyond its vertex (a hairpin)
    double T1 = 0.0;
    /// Tangent length from the vertex forward to HZ along the ahead leg, m; signed like T1
    double T2 = 0.0;
    double c1 = 0.0; ///< entry clothoid origin to the spiral's outer end, m (0 if complete)
    double c2 = 0.0; ///< exit clothoid origin to the spiral's outer end, m (0 if complete)
    double t1 = 0.0; ///< azimuth of the entry clothoid's origin tangent, rad, in [-pi, pi]
    double t2 = 0.0; ///< azimuth of the exit clothoid's origin tangent, rad, in [-pi, pi]
    /// signed angle the curve turns between the two origin tangents, rad: the deflection plus
    /// both lead angles c/(2*R1), c/(2*R2); more than a turn for egg spirals with long leads
    double g = 0.0;
};

/// Solves the curve of one vertex.
/// @param r      arc radius R, m, nonzero (negative for a hairpin vertex)
/// @param r1     radius at the entry spiral's outer end, m; 0 = the spiral starts on the tangent,
///               otherwise |r1| > |r| with the sign of r
/// @param r2     radius at the exit spiral's outer end, m; as r1
/// @param ls1    entry spiral length, m, >= 0 (negated for a hairpin)
/// @param ls2    exit spiral length, m, >= 0 (negated for a hairpin)
/// @param alpha  deflection at the vertex, rad, nonzero, in (-2*pi, 2*pi); positive = right; the
///               angle the line turns from aBack to aAhead (the long way round for a hairpin)
/// @param aBack  azimuth of the back leg, rad
/// @param aAhead azimuth of the ahead leg, rad
/// Throws state::RuntimeError when the curve has no solution (R1 = R, parallel legs, ...).
VertexCurve SolveVertexCurve(double r, double r1, double r2, double ls1, double ls2, double alpha,
                             double aBack, double aAhead);

/// Builds every derived JD table of `s` from its vertex table (JdCount rows of JdX .. JdKeepAhead
/// and StartStation): leg azimuths, deflections, tangent and curve lengths, vertex and main-point
/// stations, main-point coordinates and azimuths. Negates R, Ls1, Ls2, R1, R2 of hairpin vertices
/// in place and sets StationZHIncreasing. Throws state::RuntimeError, naming the vertex, when the
/// line cannot be constructed (JdCount outside 1..1000, collinear vertices, R = 0, an outer
/// radius not beyond R, spirals turning through more than the deflection); every table written
/// holds finite values.
void BuildJdAlignment(state::SharedState& s);

/// The design-line point and tangent azimuth (in [0, 2*pi)) at a continuous station, m. Needs
/// BuildJdAlignment to have run on `s`. No range check: before the start and beyond the end the
/// first and last legs are extended. Throws state::RuntimeError(Geometry) naming the vertex when
/// the station falls in a gap between overlapping curves or on a curve that cannot be evaluated,
/// and when the line has fewer than two vertices.
state::StationPoint JdStationToPoint(const state::SharedState& s, double station);

} // namespace tesk::jd
