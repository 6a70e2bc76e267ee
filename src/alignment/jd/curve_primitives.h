#pragma once

// Numeric building blocks of both alignment methods. Angles in radians, lengths in metres,
// X north / Y east, azimuths clockwise from north. A clothoid is described by the length L from
// its origin (the point of infinite radius) and its signed parameter K = A*A = R*L: K > 0 turns
// right (toward +local y), K < 0 left.

#include "state/plane.h"

#include <optional>

namespace tesk::jd {

using state::PlanePoint;

/// Azimuth of the direction from p to q, in [0, 2*pi). A point to itself gives 3*pi/2.
double PointAzimuth(PlanePoint p, PlanePoint q);

/// An azimuth (rad, finite) brought into [0, 2*pi); exact: only whole turns of the double 2*pi
/// are removed, and a direction a hair below north becomes 0. Throws RuntimeError(NonFinite) for
/// a value that is not finite.
double NormaliseAzimuth(double azimuth);

/// Intersection of the line through p1, p2 with the line through p3, p4. Returns nothing when
/// both lines have constant X (both run east-west, parallel to the Y axis); throws
/// RuntimeError(DivisionByZero) for any other pair of parallel lines.
std::optional<PlanePoint> LineIntersection(PlanePoint p1, PlanePoint p2, PlanePoint p3,
                                           PlanePoint p4);

/// n! in double precision, n >= 0.
double Factorial(int n);

/// Local x (m, along the origin tangent) of the clothoid point at length l (m, >= 0) from the
/// origin, for the signed parameter k = A*A (m^2, nonzero). Throws RuntimeError for k = 0 (l > 0)
/// and for a clothoid turned so far from its origin that the series cannot be summed to a
/// micrometre.
double ClothoidX(double l, double k);
/// Local y (m, to the right of the origin tangent) of the clothoid point; carries the sign of k.
/// Arguments and failures as ClothoidX.
double ClothoidY(double l, double k);
/// q (m): distance along the tangent from a spiral's origin to the foot of the perpendicular from
/// the shifted circle's centre, for a spiral of length l (m, >= 0) ending at radius r (m,
/// nonzero, signed).
double SpiralTangentExtension(double l, double r);
/// p (m): shift of the circular arc toward its centre caused by a spiral of length l (m, >= 0)
/// ending at radius r (m, nonzero, signed); carries the sign of r.
double SpiralShift(double l, double r);

/// Tangent length (m) on the entry side of a curve of radius r (m) whose entry spiral has shift
/// p1 and extension q1, exit spiral shift p2 (m), turning through g (rad, only |g| is used).
/// Throws RuntimeError(DivisionByZero) when sin |g| is 0 (g = 0: no curve to fit).
double TangentLengthBack(double r, double p1, double p2, double q1, double g);
/// Tangent length (m) on the exit side, with the exit spiral's extension q2; see
/// TangentLengthBack.
double TangentLengthAhead(double r, double p1, double p2, double q2, double g);

/// r*sin(l/r): local x (m, along the tangent at the arc's start) of the point at arc length l
/// (m) on a circle of signed radius r (m, nonzero, positive = turning right).
double ArcLocalX(double l, double r);
/// r*(1 - cos(l/r)): local y (m, to the right); negative r mirrors it to the left.
double ArcLocalY(double l, double r);

} // namespace tesk::jd
