#pragma once

// Helpers of the element-alignment tests: filling the shared state as the element reader leaves
// it, and an independent reference for the geometry. The reference knows nothing of clothoid
// series: it takes an element as what it is, a curve whose curvature runs linearly in arc length
// from 1/start radius to 1/end radius (0 for the code 10000), and integrates cos and sin of the
// tangent angle with Gauss-Legendre quadrature in long double over panels of at most 0.25 m.

#include "state/alignment_tables.h"
#include "geometry/error.h"
#include "state/shared_state.h"

#include <array>
#include <cmath>
#include "geometry/angles.h"

#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace tesk::element::testing {
using geometry::DmsToDegrees;

struct Row {
    double StartRadius; ///< m, signed, 10000 = infinite
    double EndRadius;   ///< m
    double Length;      ///< m
};

/// The error code of the geometry::RuntimeError `call` throws; a test failure when it throws none.
inline geometry::ErrorCode CodeOf(const auto& call) {
    try {
        call();
    } catch (const geometry::RuntimeError& e) {
        return e.Code();
    }
    ADD_FAILURE() << "no RuntimeError thrown";
    return geometry::ErrorCode::Output;
}

/// Writes head values and rows as the element reader does (start azimuth as d.mmss).
inline void FillRaw(state::SharedState& s, double station, double x, double y, double azimuthDms,
                    const std::vector<Row>& rows) {
    s.ElemStartStation = station;
    s.ElemStartX = x;
    s.ElemStartY = y;
    s.ElemStartAzimuth = azimuthDms;
    s.ElemRowCount = static_cast<int>(rows.size());
    for (int i = 1; i <= s.ElemRowCount; ++i) {
        const Row& r = rows[static_cast<std::size_t>(i - 1)];
        s.ElemRowA[i] = r.StartRadius;
        s.ElemRowB[i] = r.EndRadius;
        s.ElemRowC[i] = r.Length;
    }
}

/// FillRaw, then the three construction steps in the order Initialize runs them.
inline void Load(state::SharedState& s, double station, double x, double y, double azimuthDms,
                 const std::vector<Row>& rows) {
    FillRaw(s, station, x, y, azimuthDms, rows);
    SplitReversingSpirals(s);
    s.ElemStartAzimuth = DmsToDegrees(s.ElemStartAzimuth);
    BuildElementAlignment(s);
}

inline long double Curvature(double radius) {
    return radius == 10000.0 ? 0.0L : 1.0L / static_cast<long double>(radius);
}

/// A point of the reference line: position (m) and the unnormalised tangent azimuth (rad).
struct RefPoint {
    long double X = 0;
    long double Y = 0;
    long double Azimuth = 0;
};

/// Moves `start` by `distance` (m) along a curve of curvature k0 + rate * s.
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

/// The line of `rows` (unsplit rows are fine: a reversing spiral is one linear-curvature curve)
/// from a start point and azimuth (radians), evaluated by integration alone.
class ReferenceLine {
public:
    ReferenceLine(double station, double x, double y, double azimuthRadians, std::vector<Row> rows)
        : m_rows(std::move(rows)) {
        RefPoint p{x, y, azimuthRadians};
        long double s = station;
        for (const Row& r : m_rows) {
            m_starts.push_back(p);
            m_stations.push_back(s);
            p = Integrate(p, Curvature(r.StartRadius), Rate(r), r.Length);
            s += r.Length;
        }
        m_starts.push_back(p);
        m_stations.push_back(s);
    }

    /// The point at a station inside the line (first element whose range holds it).
    RefPoint At(double station) const {
        const std::size_t n = m_rows.size();
        std::size_t i = 0;
        while (i + 1 < n && station >= m_stations[i + 1]) {
            ++i;
        }
        const Row& r = m_rows[i];
        return Integrate(m_starts[i], Curvature(r.StartRadius), Rate(r),
                         static_cast<long double>(station) - m_stations[i]);
    }

    /// The end of element i (0-based), i.e. the start of element i+1.
    const RefPoint& Start(std::size_t i) const { return m_starts[i]; }
    long double Station(std::size_t i) const { return m_stations[i]; }

private:
    static long double Rate(const Row& r) {
        return r.Length == 0.0 ? 0.0L
                               : (Curvature(r.EndRadius) - Curvature(r.StartRadius)) / r.Length;
    }

    std::vector<Row> m_rows;
    std::vector<RefPoint> m_starts;
    std::vector<long double> m_stations;
};

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

inline double Degrees(double deg) {
    return deg * std::numbers::pi / 180.0;
}

} // namespace tesk::element::testing
