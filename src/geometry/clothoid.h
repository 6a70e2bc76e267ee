#pragma once

// The clothoid (Euler spiral): the curve whose curvature changes linearly with its length. A
// clothoid is described from its origin (the point of curvature 0) by its signed parameter
// k = A*A = R*L (m^2; positive turns right, toward +V) and the length l (m) from the origin; or,
// for a piece that need not reach its origin, by its start curvature and curvature rate. Lengths
// in metres, curvatures in 1/m, angles in radians; local frames as LocalOffset.

#include "geometry/plane.h"

namespace tesk::geometry {

/// Largest length x largest |curvature| of one spiral: an entry spiral turns through half of
/// it, so 4 pi is one full circle. Real spirals turn through well under a radian; a file beyond
/// this is a slip (a radius or a length with a digit too many), and its points would cost time
/// in proportion to the turn.
inline constexpr double kMaxSpiralSweep = 4.0 * 3.14159265358979323846;

/// The point reached after `length` metres (any sign) along a curve whose curvature starts at
/// `startCurvature` (1/m, signed, positive = right) and changes linearly at `curvatureRate`
/// (1/m^2, signed), relative to its start tangent: a piece of a clothoid, a circular arc when the
/// rate is 0, a straight when both are 0. Exact to the last digits of a double wherever the piece
/// starts on the clothoid, however far from its origin (the curvature at the start may be large
/// and the rate tiny, as between two almost equal radii). Throws RuntimeError(NonFinite) for
/// non-finite input or a piece that winds round more than some hundred thousand turns.
LocalOffset ClothoidSegment(double startCurvature, double curvatureRate, double length);

/// The chord of a clothoid between the points at lengths `from` and `to` (m, signed, measured
/// from its origin), in the frame of the origin tangent (V to the right for k > 0); k is the
/// signed parameter A*A (m^2, nonzero). From the origin (from = 0) it sums the clothoid's series
/// directly; elsewhere it integrates the piece in its own frame, so the difference keeps its
/// digits however close together or far from the origin the two points are. Throws
/// RuntimeError(DivisionByZero) for k = 0 and RuntimeError(NonFinite) for a clothoid turned so
/// far that it cannot be summed to a micrometre.
LocalOffset ClothoidChord(double from, double to, double k);

/// q (m): distance along the tangent from a spiral's origin to the foot of the perpendicular from
/// the shifted circle's centre, for a spiral of length l (m, >= 0) ending at radius r (m,
/// nonzero, signed).
double SpiralTangentExtension(double l, double r);

/// p (m): shift of the circular arc toward its centre caused by a spiral of length l (m, >= 0)
/// ending at radius r (m, nonzero, signed); carries the sign of r.
double SpiralShift(double l, double r);

} // namespace tesk::geometry
