#include "geometry/clothoid.h"

#include "geometry/error.h"

#include <array>
#include <cmath>
#include <limits>
#include <string>

namespace tesk::geometry {

namespace {

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

// x and y of the clothoid point at length l from the origin, in the origin's frame.
double SeriesX(double l, double k) {
    if (l == 0.0) {
        return 0.0;
    }
    // x = l * sum (-1)^n tau^(2n) / ((2n)! (4n+1)),  tau = l^2 / (2k): the tangent angle at l.
    const double tau = Divide(l * l, 2.0 * k, "clothoid parameter");
    return AlternatingSeries(
        l, tau, 0, [](int n) { return 4.0 * n + 1.0; }, "clothoid x");
}

double SeriesY(double l, double k) {
    if (l == 0.0) {
        return 0.0;
    }
    // y = l * sum (-1)^n tau^(2n+1) / ((2n+1)! (4n+3))
    const double tau = Divide(l * l, 2.0 * k, "clothoid parameter");
    return AlternatingSeries(
        l, tau, 1, [](int n) { return 4.0 * n + 3.0; }, "clothoid y");
}

// A series term below this fraction of the piece's length changes nothing a double can hold.
constexpr double kSegmentTolerance = 1e-20;

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
            if (std::fabs(w * bq) < kSegmentTolerance) {
                break;
            }
        }
        ((q % 2 == 0) ? even : odd) += bq * row;
        // (i b/4)^(q+1)/(q+1)! = (i b/4)^q/q! * i b/4/(q+1): the sign turns every second step.
        bq *= quarterB * kReciprocal[q + 1] * ((q % 2 == 1) ? -1.0 : 1.0);
        if (std::fabs(bq) < kSegmentTolerance) {
            break;
        }
    }
    const double psi = 0.5 * a + 0.25 * b;
    const double c = std::cos(psi);
    const double sn = std::sin(psi);
    return {even * c - odd * sn, even * sn + odd * c};
}

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

LocalOffset ClothoidChord(double from, double to, double k) {
    if (from == 0.0) {
        return {SeriesX(to, k), SeriesY(to, k)};
    }
    const LocalOffset d = OriginFrameDelta(from, to, k);
    return {RequireFinite(d.U, "clothoid x difference"),
            RequireFinite(d.V, "clothoid y difference")};
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

} // namespace tesk::geometry
