#include "alignment/jd/curve_primitives.h"

#include "geometry/error.h"

#include <cmath>

namespace tesk::jd {

namespace {

// ((R + pFar) - (R + pNear) cos a) / sin a, written as
// (R + pNear) tan(a/2) + (pFar - pNear) / sin a: the same quantity without the cancellation of
// 1 - cos a on a small deflection. A zero deflection still divides by sin 0 and fails.
double TangentLength(double r, double pNear, double pFar, double a) {
    return (r + pNear) * std::tan(a / 2.0) +
           geometry::Divide(pFar - pNear, std::sin(a), "tangent length");
}

} // namespace

double TangentLengthBack(double r, double p1, double p2, double q1, double g) {
    return geometry::RequireFinite(TangentLength(r, p1, p2, std::fabs(g)) + q1, "tangent length");
}

double TangentLengthAhead(double r, double p1, double p2, double q2, double g) {
    return geometry::RequireFinite(TangentLength(r, p2, p1, std::fabs(g)) + q2, "tangent length");
}

} // namespace tesk::jd
