#include "alignment/jd/curve_primitives.h"

#include "state/runtime_error.h"

#include <cmath>
#include <limits>
#include <numbers>
#include <string>

namespace tesk::jd {

using state::Divide;
using state::ErrorCode;
using state::RequireFinite;
using state::RuntimeError;

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The series below stop once a term (which is still added) falls below this magnitude.
constexpr double kSeriesTolerance = 1e-20;
// Far more terms than any road curve needs; a series still running here has diverged in
// floating point (a spiral turning through many radians), which is a failure, not an answer.
constexpr int kMaxSeriesTerms = 200;
// Largest rounding error (m) a sum may carry. The terms of a spiral turning through t radians
// grow to about scale * e^t / sqrt(t) before they cancel; a road spiral (t of a few radians)
// stays some five orders below this, while a clothoid whose origin lies tens of radians back
// (an outer radius within a fraction of a metre per metre of spiral of R) would lose millimetres.
constexpr double kMaxRoundingError = 1e-6;

// Sums  scale * sum_n (-1)^n t^(2n+m) / ((2n+m)! * d(n))  for m = 0 or 1 with the powers and
// factorials carried from term to term, so nothing overflows on the way.
template <typename Denominator>
double AlternatingSeries(double scale, double t, int m, Denominator d, const char* what) {
    double power = (m == 0) ? 1.0 : t; // t^(2n+m) / (2n+m)!
    double sum = 0.0;
    double magnitudes = 0.0; // sum of |term|: bounds the rounding error of the cancelling sum
    for (int n = 0;; ++n) {
        const double term = ((n % 2 == 0) ? 1.0 : -1.0) * scale * power / d(n);
        sum += term;
        magnitudes += std::fabs(term);
        if (!(std::fabs(term) >= kSeriesTolerance)) {
            break;
        }
        if (n == kMaxSeriesTerms) {
            throw RuntimeError(ErrorCode::NonFinite, std::string(what) + " does not converge");
        }
        const double k = 2.0 * n + m;
        power *= t * t / ((k + 1.0) * (k + 2.0));
    }
    if (magnitudes * std::numeric_limits<double>::epsilon() > kMaxRoundingError) {
        throw RuntimeError(ErrorCode::NonFinite,
                           std::string(what) +
                               " cannot be summed to a micrometre: the spiral turns through too "
                               "many radians from its origin");
    }
    return RequireFinite(sum, what);
}

} // namespace

double PointAzimuth(PlanePoint p, PlanePoint q) {
    const double dx = q.X - p.X;
    const double dy = q.Y - p.Y;
    if (dx == 0.0) {
        return dy > 0.0 ? std::numbers::pi / 2.0 : 1.5 * std::numbers::pi;
    }
    return NormaliseAzimuth(std::atan2(dy, dx) + 0.0); // + 0.0 turns a -0 (due north) into 0
}

double NormaliseAzimuth(double azimuth) {
    // Within a turn of the range a single step is exact and equals the remainder below.
    if (azimuth >= 0.0 && azimuth < kTwoPi) {
        return azimuth;
    }
    if (azimuth >= kTwoPi && azimuth < 2.0 * kTwoPi) {
        return azimuth - kTwoPi;
    }
    double a = std::fmod(RequireFinite(azimuth, "azimuth"), kTwoPi) + 0.0; // no -0 from -2*pi
    if (a < 0.0) {
        a += kTwoPi;
        if (a >= kTwoPi) { // a direction a hair below north rounds up to 2*pi
            a = 0.0;
        }
    }
    return a;
}

std::optional<PlanePoint> LineIntersection(PlanePoint p1, PlanePoint p2, PlanePoint p3,
                                           PlanePoint p4) {
    if (p1.X == p2.X && p3.X == p4.X) {
        return std::nullopt;
    }
    const double d1x = p2.X - p1.X, d1y = p2.Y - p1.Y;
    const double d2x = p4.X - p3.X, d2y = p4.Y - p3.Y;
    const double cross = d1x * d2y - d1y * d2x;
    const double t = Divide((p3.X - p1.X) * d2y - (p3.Y - p1.Y) * d2x, cross, "line intersection");
    return PlanePoint{p1.X + t * d1x, p1.Y + t * d1y};
}

double Factorial(int n) {
    return n <= 0 ? 1.0 : n * Factorial(n - 1);
}

double ClothoidX(double l, double k) {
    if (l == 0.0) {
        return 0.0;
    }
    // x = l * sum (-1)^n tau^(2n) / ((2n)! (4n+1)),  tau = l^2 / (2k): the tangent angle at l.
    const double tau = Divide(l * l, 2.0 * k, "clothoid parameter");
    return AlternatingSeries(
        l, tau, 0, [](int n) { return 4.0 * n + 1.0; }, "clothoid x");
}

double ClothoidY(double l, double k) {
    if (l == 0.0) {
        return 0.0;
    }
    // y = l * sum (-1)^n tau^(2n+1) / ((2n+1)! (4n+3))
    const double tau = Divide(l * l, 2.0 * k, "clothoid parameter");
    return AlternatingSeries(
        l, tau, 1, [](int n) { return 4.0 * n + 3.0; }, "clothoid y");
}

double SpiralTangentExtension(double l, double r) {
    if (l == 0.0) {
        return 0.0;
    }
    // q = l * sum (-1)^n b^(2n) / ((2n)! (4n+1)(4n+2)),  b = l / (2r)
    const double b = Divide(l, 2.0 * r, "spiral radius");
    return AlternatingSeries(
        l, b, 0, [](int n) { return (4.0 * n + 1.0) * (4.0 * n + 2.0); }, "spiral extension");
}

double SpiralShift(double l, double r) {
    if (l == 0.0) {
        return 0.0;
    }
    // p = l * sum (-1)^n b^(2n+1) / ((2n+1)! (4n+3)(4n+4))
    const double b = Divide(l, 2.0 * r, "spiral radius");
    return AlternatingSeries(
        l, b, 1, [](int n) { return (4.0 * n + 3.0) * (4.0 * n + 4.0); }, "spiral shift");
}

namespace {

// ((R + pFar) - (R + pNear) cos a) / sin a, written as
// (R + pNear) tan(a/2) + (pFar - pNear) / sin a: the same quantity without the cancellation of
// 1 - cos a on a small deflection. A zero deflection still divides by sin 0 and fails.
double TangentLength(double r, double pNear, double pFar, double a) {
    return (r + pNear) * std::tan(a / 2.0) + Divide(pFar - pNear, std::sin(a), "tangent length");
}

} // namespace

double TangentLengthBack(double r, double p1, double p2, double q1, double g) {
    return RequireFinite(TangentLength(r, p1, p2, std::fabs(g)) + q1, "tangent length");
}

double TangentLengthAhead(double r, double p1, double p2, double q2, double g) {
    return RequireFinite(TangentLength(r, p2, p1, std::fabs(g)) + q2, "tangent length");
}

double ArcLocalX(double l, double r) {
    return r * std::sin(Divide(l, r, "arc radius"));
}

double ArcLocalY(double l, double r) {
    // r(1 - cos(l/r)) written as 2r sin^2(l/2r), which keeps its digits for short arcs.
    const double s = std::sin(Divide(l, 2.0 * r, "arc radius"));
    return 2.0 * r * s * s;
}

} // namespace tesk::jd
