#pragma once

// An independent reference for every curve of the line: a curve whose curvature runs linearly
// in arc length, k(s) = k0 + rate * s, integrated as cos and sin of the tangent angle with
// 8-point Gauss-Legendre quadrature in long double over panels of at most 0.25 m. It knows
// nothing of clothoid series; its error on road curves is far below a nanometre.

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace tesk::testing {

/// A point of a reference curve: position (m) and the unnormalised tangent azimuth (rad).
struct RefPoint {
    long double X = 0;
    long double Y = 0;
    long double Azimuth = 0;
};

/// Moves `start` by `distance` (m, any sign) along a curve of curvature k0 + rate * s.
inline RefPoint Integrate(RefPoint start, long double k0, long double rate, long double distance) {
    // 8-point Gauss-Legendre nodes and weights on [-1, 1].
    static constexpr std::array<long double, 4> kNode = {
        0.1834346424956498049394761423601840L, 0.5255324099163289858177390491892463L,
        0.7966664774136267395915539364758304L, 0.9602898564975362316835608685694730L};
    static constexpr std::array<long double, 4> kWeight = {
        0.3626837833783619829651504492771961L, 0.3137066458778872873379622019866013L,
        0.2223810344533744705443559525188162L, 0.1012285362903762591525313543099622L};
    const auto theta = [&](long double s) { return start.Azimuth + k0 * s + 0.5L * rate * s * s; };
    const long double magnitude = std::fabs(distance);
    const int panels = std::max(1, static_cast<int>(std::ceil(magnitude / 0.25L)));
    const long double h = distance / panels;
    long double x = 0;
    long double y = 0;
    for (int p = 0; p < panels; ++p) {
        const long double mid = (p + 0.5L) * h;
        for (std::size_t k = 0; k < kNode.size(); ++k) {
            for (const long double sign : {-1.0L, 1.0L}) {
                const long double t = theta(mid + sign * kNode[k] * 0.5L * h);
                x += kWeight[k] * std::cos(t);
                y += kWeight[k] * std::sin(t);
            }
        }
    }
    return {start.X + 0.5L * h * x, start.Y + 0.5L * h * y, theta(distance)};
}

/// Difference of two azimuths (rad) reduced to (-pi, pi].
inline double AngleGap(long double a, long double b) {
    const long double twoPi = 2.0L * std::numbers::pi_v<long double>;
    long double d = std::fmod(a - b, twoPi);
    if (d > twoPi / 2) {
        d -= twoPi;
    } else if (d <= -twoPi / 2) {
        d += twoPi;
    }
    return static_cast<double>(d);
}

} // namespace tesk::testing
