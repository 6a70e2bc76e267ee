#include "alignment/element/element_geometry.h"

#include "state/runtime_error.h"

#include <array>
#include <cmath>

namespace tesk::element {

using state::Divide;
using state::ErrorCode;
using state::RequireFinite;
using state::RuntimeError;

namespace {

// A series term below this fraction of the piece's length changes nothing a double can hold.
constexpr double kSeriesTolerance = 1e-20;

// ClothoidSegment cuts its pieces so that |a| <= 1 and |b| <= 1 in UnitSegment; the series
// there then reach the tolerance in fewer terms than this.
constexpr std::size_t kMaxPower = 24;
constexpr double kMaxPieces = 1e6;

// 1/m and 1/((2m-1)(2m)) for the denominators of the series.
constexpr std::array<double, 3 * kMaxPower + 2> kReciprocal = [] {
    std::array<double, 3 * kMaxPower + 2> r{};
    for (std::size_t m = 1; m < r.size(); ++m) {
        r[m] = 1.0 / static_cast<double>(m);
    }
    return r;
}();
constexpr std::array<double, kMaxPower + 1> kReciprocalPair = [] {
    std::array<double, kMaxPower + 1> r{};
    for (std::size_t m = 1; m < r.size(); ++m) {
        r[m] = 1.0 / static_cast<double>((2 * m - 1) * (2 * m));
    }
    return r;
}();

// The integral over t in [0, 1] of exp(i (a t + b t^2)), for |a| <= 1, |b| <= 1, returned as
// (real, imaginary).
//
// About the middle of the interval, t = 1/2 + s, the phase is psi + c s + b s^2 with
// psi = a/2 + b/4 and c = a + b, and the odd powers of s integrate to zero over [-1/2, 1/2]:
//   integral = exp(i psi) * sum_{q >= 0} (i b/4)^q / q! * R_q,
//   R_q = sum_{m >= 0} (-1)^m (c/2)^(2m) / (2m)! / (2m + 2q + 1),
// all real but the factor i^q. The terms are bounded by (|c|/2)^(2m)/(2m)! * (|b|/4)^q/q!, so
// nothing cancels beyond a factor e and a dozen terms reach the last digit.
LocalOffset UnitSegment(double a, double b) {
    const double x = 0.25 * (a + b) * (a + b); // (c/2)^2
    const double quarterB = 0.25 * b;
    double even = 0.0; // sum over q = 0, 2, 4, ... with the sign of i^q
    double odd = 0.0;  // sum over q = 1, 3, 5, ... with the sign of i^(q-1)
    double bq = 1.0;   // (b/4)^q / q!, with the sign (-1)^floor(q/2) of i^q folded in
    for (std::size_t q = 0; q <= kMaxPower; ++q) {
        double row = 0.0;
        double term = 1.0; // (-1)^m (c/2)^(2m) / (2m)!
        for (std::size_t m = 0; m <= kMaxPower; ++m) {
            if (m > 0) {
                term *= -x * kReciprocalPair[m];
            }
            const double w = term * kReciprocal[2 * m + 2 * q + 1];
            row += w;
            if (std::fabs(w * bq) < kSeriesTolerance) {
                break;
            }
        }
        ((q % 2 == 0) ? even : odd) += bq * row;
        // (i b/4)^(q+1)/(q+1)! = (i b/4)^q/q! * i b/4/(q+1): the sign turns every second step.
        bq *= quarterB * kReciprocal[q + 1] * ((q % 2 == 1) ? -1.0 : 1.0);
        if (std::fabs(bq) < kSeriesTolerance) {
            break;
        }
    }
    const double psi = 0.5 * a + 0.25 * b;
    const double c = std::cos(psi);
    const double sn = std::sin(psi);
    return {even * c - odd * sn, even * sn + odd * c};
}

} // namespace

ElementKind KindOf(double startRadius, double endRadius) {
    const bool startInfinite = startRadius == kInfiniteRadius;
    const bool endInfinite = endRadius == kInfiniteRadius;
    if (startInfinite && endInfinite) {
        return ElementKind::Straight;
    }
    if (startInfinite) {
        return ElementKind::EntrySpiral;
    }
    if (endInfinite) {
        return ElementKind::ExitSpiral;
    }
    return startRadius == endRadius ? ElementKind::Arc : ElementKind::CompoundSpiral;
}

double ElementTurn(double startRadius, double endRadius, double length) {
    switch (KindOf(startRadius, endRadius)) {
    case ElementKind::Straight:
        return 0.0;
    case ElementKind::Arc:
        return Divide(length, startRadius, "arc radius");
    case ElementKind::EntrySpiral:
        return Divide(length, 2.0 * endRadius, "spiral end radius");
    case ElementKind::ExitSpiral:
        return Divide(length, 2.0 * startRadius, "spiral start radius");
    case ElementKind::CompoundSpiral:
        // The mean of the two curvatures times the length.
        return 0.5 * length *
               (Divide(1.0, startRadius, "spiral start radius") +
                Divide(1.0, endRadius, "spiral end radius"));
    }
    return 0.0;
}

LocalOffset ClothoidSegment(double startCurvature, double curvatureRate, double length) {
    const double a = startCurvature * length;               // turn due to the start curvature
    const double b = 0.5 * curvatureRate * length * length; // turn due to the curvature change
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(length)) {
        throw RuntimeError(ErrorCode::NonFinite, "clothoid piece is not finite");
    }
    // Cut into pieces short enough that each one's |a| and |b| stay <= 1; a piece j starts at
    // s_j = j*h with curvature k0 + c*s_j and tangent turned by k0*s_j + c*s_j^2/2.
    const double pieces = std::ceil(std::fabs(a) + 2.0 * std::fabs(b));
    if (pieces > kMaxPieces) {
        throw RuntimeError(ErrorCode::NonFinite, "clothoid piece turns too far");
    }
    if (pieces <= 1.0) {
        const LocalOffset unit = UnitSegment(a, b);
        return {length * unit.U, length * unit.V};
    }
    const int count = static_cast<int>(pieces);
    const double h = length / count;
    const double bPiece = 0.5 * curvatureRate * h * h;
    double u = 0.0;
    double v = 0.0;
    for (int j = 0; j < count; ++j) {
        const double s = j * h;
        const double turn = (startCurvature + 0.5 * curvatureRate * s) * s;
        const LocalOffset unit = UnitSegment((startCurvature + curvatureRate * s) * h, bPiece);
        const double c = std::cos(turn);
        const double sn = std::sin(turn);
        u += h * (unit.U * c - unit.V * sn);
        v += h * (unit.U * sn + unit.V * c);
    }
    return {u, v};
}

namespace {

// The difference of the clothoid's origin-frame coordinates between l1 and l2: the piece from l1
// (curvature l1/k, rate 1/k) in the frame of its own start tangent, turned by that tangent's angle
// l1^2/(2k) into the origin frame.
LocalOffset OriginFrameDelta(double l1, double l2, double k) {
    const double rate = Divide(1.0, k, "clothoid parameter");
    const LocalOffset piece = ClothoidSegment(l1 * rate, rate, l2 - l1);
    const double tau = 0.5 * l1 * l1 * rate;
    const double c = std::cos(tau);
    const double s = std::sin(tau);
    return {piece.U * c - piece.V * s, piece.U * s + piece.V * c};
}

} // namespace

double ClothoidDeltaX(double l1, double l2, double k) {
    return RequireFinite(OriginFrameDelta(l1, l2, k).U, "clothoid x difference");
}

double ClothoidDeltaY(double l1, double l2, double k) {
    return RequireFinite(OriginFrameDelta(l1, l2, k).V, "clothoid y difference");
}

} // namespace tesk::element
