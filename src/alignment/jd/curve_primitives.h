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

/// Local x (along the origin tangent) of the clothoid point at length l >= 0, parameter k.
double ClothoidX(double l, double k);
/// Local y (to the right of the origin tangent) of the clothoid point; carries the sign of k.
double ClothoidY(double l, double k);
/// q: distance along the tangent from a spiral's origin to the foot of the perpendicular from
/// the shifted circle's centre, for a spiral of length l ending at radius r.
double SpiralTangentExtension(double l, double r);
/// p: shift of the circular arc toward its centre caused by a spiral of length l ending at r.
double SpiralShift(double l, double r);

/// Tangent length on the entry side of a curve of radius r whose entry spiral has shift p1 and
/// extension q1, exit spiral shift p2, turning through g (only |g| is used).
double TangentLengthBack(double r, double p1, double p2, double q1, double g);
/// Tangent length on the exit side; see TangentLengthBack.
double TangentLengthAhead(double r, double p1, double p2, double q2, double g);

/// r*sin(l/r): local x of the point at arc length l on a circle of signed radius r.
double ArcLocalX(double l, double r);
/// r*(1 - cos(l/r)): local y; negative r mirrors it to the left.
double ArcLocalY(double l, double r);

} // namespace tesk::jd
