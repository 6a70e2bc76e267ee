#pragma once

// Small pieces the JD construction and the JD station evaluation share. Not part of the
// library's interface.

#include "alignment/jd/curve_primitives.h"
#include "state/plane.h"
#include "state/shared_state.h"

#include <string>

namespace tesk::jd {

/// -1, 0 or +1 with the sign of v.
inline double Sign(double v) {
    return v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0);
}

/// Lead angle of a spiral between an outer radius and R, rad: the angle c / (2 * R1) through which
/// its clothoid turns from its origin to the spiral's outer end, signed with the turn. `lead` is
/// the lead length c (m), `outerRadius` R1 (m; 0 = the spiral starts on the tangent, angle 0),
/// `turn` the sign of the deflection (+1 right, -1 left).
inline double LeadAngle(double lead, double outerRadius, double turn) {
    return outerRadius != 0.0 ? lead / (2.0 * outerRadius * turn) : 0.0;
}

/// How failures name vertex i (1..JdCount) of `s`: "vertex JD3 (row 4)", or "vertex #4 (row 4)"
/// when its name line is empty.
inline std::string VertexName(const state::SharedState& s, int i) {
    const std::string& name = s.JdNameLine[i];
    return "vertex " + (name.empty() ? std::string("#") + std::to_string(i) : name) + " (row " +
           std::to_string(i) + ")";
}

/// Offset (dx, dy), m, of the clothoid point at length `to` from the point at length `from`,
/// both measured from the origin (m, >= 0), in the frame of the origin tangent (dy to the right
/// for k > 0); k is the clothoid's signed parameter A*A, m^2. Differencing in the local frame
/// keeps the digits that absolute survey coordinates (millions of metres) would cost.
inline state::PlanePoint ClothoidChord(double from, double to, double k) {
    return {ClothoidX(to, k) - ClothoidX(from, k), ClothoidY(to, k) - ClothoidY(from, k)};
}

} // namespace tesk::jd
