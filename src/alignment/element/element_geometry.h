#pragma once

// Geometry of one element of an element alignment: its kind, the angle it turns, and the clothoid
// pieces it is made of. Lengths in metres, curvatures in 1/m, angles in radians, azimuths
// clockwise from north (X north, Y east). A positive radius or curvature turns the line to the
// right (azimuth growing). In a local frame u runs along a tangent and v square to it, positive
// to the right.

#include "alignment/jd/curve_primitives.h"

namespace tesk::element {

/// The radius code for "infinite" (curvature 0). It is a code, compared for exact equality: a
/// real radius of 10000 m cannot be entered, while -10000 is a real radius to the left.
inline constexpr double kInfiniteRadius = 10000.0;

enum class ElementKind {
    Straight,       ///< both radii infinite
    Arc,            ///< equal finite radii
    EntrySpiral,    ///< infinite start radius, finite end radius
    ExitSpiral,     ///< finite start radius, infinite end radius
    CompoundSpiral, ///< two different finite radii (opposite signs only before splitting)
};

/// The kind of an element from its start and end radius (m, signed, kInfiniteRadius = infinite).
ElementKind KindOf(double startRadius, double endRadius);

/// Signed angle (rad) turned over an element of the given kind, radii (m, signed, non-zero) and
/// length (m). Throws RuntimeError(DivisionByZero) for a radius of 0.
double ElementTurn(double startRadius, double endRadius, double length);

/// A point of a curve relative to the tangent at its start: U along the tangent, V to its right.
struct LocalOffset {
    double U = 0.0; ///< m
    double V = 0.0; ///< m
};

/// The point reached after `length` metres (any sign) along a curve whose curvature starts at
/// `startCurvature` (1/m, signed, positive = right) and changes linearly at `curvatureRate`
/// (1/m^2, signed): a piece of a clothoid, a circular arc when the rate is 0, a straight when
/// both are 0. Exact to the last digits of a double wherever the piece starts on the clothoid,
/// however far from its origin (the curvature at the start may be large and the rate tiny, as
/// between two almost equal radii). Throws RuntimeError(NonFinite) for non-finite input or a
/// piece that winds round more than some hundred thousand turns.
LocalOffset ClothoidSegment(double startCurvature, double curvatureRate, double length);

/// Abscissa difference x(l2) - x(l1) of the clothoid with signed parameter `k` = A^2 = R*l (m^2,
/// non-zero; positive turns right), x measured along the tangent at the clothoid's origin, l1 and
/// l2 the signed distances (m) from the origin. Equals jd::ClothoidX(l2, k) - jd::ClothoidX(l1, k)
/// but keeps its digits when the two points are close together or far from the origin.
double ClothoidDeltaX(double l1, double l2, double k);

/// Ordinate difference y(l2) - y(l1) (to the right of the origin tangent for k > 0) of the
/// clothoid of ClothoidDeltaX; equals jd::ClothoidY(l2, k) - jd::ClothoidY(l1, k).
double ClothoidDeltaY(double l1, double l2, double k);

/// The azimuth normaliser both methods share: into [0, 2*pi), removing whole turns exactly.
using jd::NormaliseAzimuth;

} // namespace tesk::element
