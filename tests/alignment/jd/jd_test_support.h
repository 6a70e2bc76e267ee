#pragma once

// Helpers for the JD tests: vertex rows as a JD file lists them, the lines built from them, and
// an independent model of a curve (curvature integrated numerically) to check the constructed
// line against.

#include "alignment/jd/jd_alignment.h"
#include "geometry/plane.h"
#include "support/vertex_rows.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace tesk::jd::testing {

inline constexpr double kPi = std::numbers::pi;

using tesk::testing::VertexRow;

/// The JD input of `rows` (see tesk::testing::JdInputOf).
inline JdInput InputOf(const std::vector<VertexRow>& rows, double startStation = 0.0) {
    return tesk::testing::JdInputOf(startStation, rows);
}

/// The line of `rows` starting at `startStation`.
inline JdAlignment Built(const std::vector<VertexRow>& rows, double startStation = 0.0) {
    return JdAlignment(InputOf(rows, startStation));
}

/// The input point of vertex k (0-based).
inline geometry::PlanePoint VertexPoint(const JdAlignment& line, std::size_t k) {
    return {line.Vertices()[k].X, line.Vertices()[k].Y};
}

/// The worked example's three vertices (0,0), (100,0), (100,100) with one curve at the middle.
inline std::vector<VertexRow> RightAngleLine(double r, double ls1, double ls2, double r1 = 0.0,
                                             double r2 = 0.0) {
    return {{"QD", 0.0, 0.0}, {"JD1", 100.0, 0.0, r, ls1, ls2, r1, r2}, {"ZD", 100.0, 100.0}};
}

/// Spiral data of a hairpin test curve: lengths and outer radii, m.
struct HairpinSpirals {
    double Ls1 = 0.0, Ls2 = 0.0, R1 = 0.0, R2 = 0.0;
};

/// Without spirals, with complete spirals, with unequal incomplete spirals.
inline const std::vector<HairpinSpirals> kHairpinSpirals = {
    {0.0, 0.0, 0.0, 0.0}, {20.0, 20.0, 0.0, 0.0}, {20.0, 25.0, 100.0, 150.0}};

/// A hairpin turning right through 200 deg with radius 30: the road runs north on the line Y = 0,
/// passes the vertex at the origin, starts its curve about 170 m beyond it, turns round and
/// leaves on the line through the origin with azimuth 200 deg. A neighbour flagged "1" lies
/// beyond the vertex on its leg; one flagged "0" lies between the vertex and the curve.
inline std::vector<VertexRow> Hairpin(bool keepBack, bool keepAhead, HairpinSpirals sp,
                                      const std::string& mark = "HT") {
    const double out = 200.0 * kPi / 180.0; // azimuth of the ahead line
    const double dAhead = keepAhead ? 300.0 : -60.0;
    const std::string name = "JD1" + mark + (keepBack ? "1" : "0") + (keepAhead ? "1" : "0");
    return {{"QD", keepBack ? -250.0 : 60.0, 0.0},
            {name, 0.0, 0.0, 30.0, sp.Ls1, sp.Ls2, sp.R1, sp.R2},
            {"ZD", dAhead * std::cos(out), dAhead * std::sin(out)}};
}

/// A line in survey coordinates with right and left curves, one crossing north, complete,
/// unequal and incomplete spirals, a circular curve and a flat curve of large radius.
inline std::vector<VertexRow> MixedLine() {
    return {{"QD", 3'000'000.0, 500'000.0},
            {"JD1", 3'001'000.0, 499'900.0, 600.0, 120.0, 120.0},
            {"JD2", 3'002'000.0, 500'500.0, 350.0, 90.0, 40.0},
            {"JD3", 3'003'000.0, 500'300.0, 400.0, 70.0, 110.0, 2500.0, 3000.0},
            {"JD4", 3'003'200.0, 501'300.0, 120.0, 0.0, 0.0},
            {"JD5", 3'004'200.0, 501'400.0, 2000.0, 0.0, 150.0, 0.0, 5000.0},
            {"JD6", 3'005'200.0, 501'800.0, 3000.0, 0.0, 0.0},
            {"ZD", 3'006'200.0, 501'900.0}};
}

/// A curve described by its curvature alone, integrated from its start: entry spiral from
/// curvature 1/r1 (0 if r1 = 0) to 1/r over ls1, arc 1/r over lc, exit spiral from 1/r to 1/r2
/// over ls2; positive lengths and radii, `side` +1 to the right, -1 to the left. Positions come
/// from composite 8-point Gauss-Legendre quadrature of (cos, sin) of the tangent angle, whose
/// error here is far below 1e-12 m.
class IntegratedCurve {
public:
    IntegratedCurve(geometry::PlanePoint start, double startAzimuth, double side, double r,
                    double r1, double r2, double ls1, double ls2, double lc)
        : m_start(start), m_a0(startAzimuth), m_side(side), m_kArc(1.0 / r),
          m_k1(r1 != 0.0 ? 1.0 / r1 : 0.0), m_k2(r2 != 0.0 ? 1.0 / r2 : 0.0), m_ls1(ls1),
          m_ls2(ls2), m_lc(lc) {}

    /// Arc length that turns the whole curve through |deflection| (rad).
    static double ArcLengthFor(double deflection, double r, double r1, double r2, double ls1,
                               double ls2) {
        const double k1 = r1 != 0.0 ? 1.0 / r1 : 0.0;
        const double k2 = r2 != 0.0 ? 1.0 / r2 : 0.0;
        const double turned = (k1 + 1.0 / r) * ls1 / 2.0 + (k2 + 1.0 / r) * ls2 / 2.0;
        return (std::fabs(deflection) - turned) * r;
    }

    double Length() const { return m_ls1 + m_lc + m_ls2; }

    /// Tangent angle at distance l from the start (closed form of the integrated curvature).
    double Azimuth(double l) const {
        double turned = 0.0;
        const double e1 = std::min(l, m_ls1);
        if (m_ls1 > 0.0) {
            turned += m_k1 * e1 + (m_kArc - m_k1) * e1 * e1 / (2.0 * m_ls1);
        }
        if (l > m_ls1) {
            turned += m_kArc * (std::min(l, m_ls1 + m_lc) - m_ls1);
        }
        if (l > m_ls1 + m_lc && m_ls2 > 0.0) {
            const double e = l - m_ls1 - m_lc;
            turned += m_kArc * e + (m_k2 - m_kArc) * e * e / (2.0 * m_ls2);
        }
        return m_a0 + m_side * turned;
    }

    /// Plane point at distance l from the start.
    geometry::PlanePoint Point(double l) const {
        static constexpr std::array<double, 4> x = {0.1834346424956498, 0.5255324099163290,
                                                    0.7966664774136267, 0.9602898564975363};
        static constexpr std::array<double, 4> w = {0.3626837833783620, 0.3137066458778873,
                                                    0.2223810344533745, 0.1012285362903763};
        // Panels end at the joints so the integrand is smooth inside each.
        std::vector<double> cuts = {0.0};
        for (double joint : {m_ls1, m_ls1 + m_lc}) {
            if (joint > 0.0 && joint < l) {
                cuts.push_back(joint);
            }
        }
        cuts.push_back(l);
        double sx = 0.0, sy = 0.0;
        for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
            const int panels = 1 + static_cast<int>((cuts[c + 1] - cuts[c]) / 0.5);
            const double h = (cuts[c + 1] - cuts[c]) / panels;
            for (int k = 0; k < panels; ++k) {
                const double mid = cuts[c] + (k + 0.5) * h;
                for (std::size_t j = 0; j < x.size(); ++j) {
                    for (const double sgn : {-1.0, 1.0}) {
                        const double a = Azimuth(mid + sgn * x[j] * h / 2.0);
                        sx += w[j] * h / 2.0 * std::cos(a);
                        sy += w[j] * h / 2.0 * std::sin(a);
                    }
                }
            }
        }
        return {m_start.X + sx, m_start.Y + sy};
    }

private:
    geometry::PlanePoint m_start;
    double m_a0, m_side, m_kArc, m_k1, m_k2, m_ls1, m_ls2, m_lc;
};

/// Difference of two azimuths brought into (-pi, pi].
inline double AngleDiff(double a, double b) {
    double d = std::fmod(a - b, 2.0 * kPi);
    if (d > kPi) {
        d -= 2.0 * kPi;
    } else if (d <= -kPi) {
        d += 2.0 * kPi;
    }
    return d;
}

using geometry::Distance;

} // namespace tesk::jd::testing
