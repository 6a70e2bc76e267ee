#include "alignment/element/element_geometry.h"

#include "state/runtime_error.h"

#include <array>
#include <cmath>
#include <numbers>

namespace tesk::element {

using state::Divide;
using state::ErrorCode;
using state::RequireFinite;
using state::RuntimeError;

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// A series term below this fraction of the piece's length changes nothing a double can hold.
constexpr double kSeriesTolerance = 1e-20;

// Pieces are cut so that |a| <= 1 and |b| <= 1 below; then a^p/p! < 1e-20 for p > 22.
constexpr int kMaxPower = 24;
constexpr double kMaxPieces = 1e6;

// 1/(m) for the denominators p + 2q + 1 of the series, m <= 3 * kMaxPower + 1.
constexpr std::array<double, 3 * kMaxPower + 2> kReciprocal = [] {
    std::array<double, 3 * kMaxPower + 2> r{};
    for (std::size_t m = 1; m < r.size(); ++m) {
        r[m] = 1.0 / static_cast<double>(m);
    }
    return r;
}();

// The integral over t in [0, 1] of exp(i (a t + b t^2)), for |a| <= 1, |b| <= 1, returned as
// (real, imaginary). Expanding both exponentials gives the double series
//   sum_{p,q >= 0} (i a)^p / p! * (i b)^q / q! / (p + 2q + 1),
// whose terms are bounded by |a|^p/p! * |b|^q/q!: no cancellation beyond a factor e^2.
LocalOffset UnitSegment(double a, double b) {
    // sums[m] collects the terms whose factor is i^m (m = p + q mod 4).
    std::array<double, 4> sums{};
    double bq = 1.0; // b^q / q!
    for (int q = 0; q <= kMaxPower; ++q) {
        if (q > 0) {
            bq *= b * kReciprocal[static_cast<std::size_t>(q)];
        }
        if (q > 0 && std::fabs(bq) < kSeriesTolerance) {
            break;
        }
        double ap = 1.0; // a^p / p!
        for (int p = 0; p <= kMaxPower; ++p) {
            if (p > 0) {
                ap *= a * kReciprocal[static_cast<std::size_t>(p)];
            }
            const double term = ap * bq * kReciprocal[static_cast<std::size_t>(p + 2 * q + 1)];
            sums[static_cast<std::size_t>((p + q) % 4)] += term;
            if (std::fabs(term) < kSeriesTolerance) {
                break;
            }
        }
    }
    return {sums[0] - sums[2], sums[1] - sums[3]};
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

double NormaliseAzimuth(double azimuth) {
    double a = std::fmod(RequireFinite(azimuth, "azimuth"), kTwoPi);
    if (a < 0.0) {
        a += kTwoPi;
        if (a >= kTwoPi) { // a hair below north rounds up to 2*pi
            a = 0.0;
        }
    }
    return a;
}

} // namespace tesk::element
