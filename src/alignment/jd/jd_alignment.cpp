// Construction of the intersection-point line: from the vertex table to the curve table, and
// from the curve table to the pieces of the Alignment.

#include "alignment/jd/jd_alignment.h"

#include "alignment/formula_detail.h"
#include "alignment/jd/curve_primitives.h"
#include "geometry/angles.h"
#include "geometry/clothoid.h"
#include "geometry/error.h"
#include "geometry/number_text.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace tesk::jd {

using geometry::Divide;
using geometry::ErrorCode;
using geometry::kPi;
using geometry::kTwoPi;
using geometry::PlanePoint;
using geometry::RequireFinite;
using geometry::RuntimeError;

namespace {

// A curve whose arc comes out shorter than this (m) has spirals that turn through more than the
// deflection allows. The margin only absorbs rounding of |g|*R; no real curve is near it.
constexpr double kArcLengthTolerance = 1e-6;

double Sign(double v) {
    return v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0);
}

// Lead angle of a spiral between an outer radius and R, rad: the angle c / (2 * R1) through which
// its clothoid turns from its origin to the spiral's outer end, signed with the turn.
double LeadAngle(double lead, double outerRadius, double turn) {
    return outerRadius != 0.0 ? lead / (2.0 * outerRadius * turn) : 0.0;
}

// Moves a turning angle a full turn toward the other sign: the long way round.
double OtherWayRound(double g) {
    return g >= 0.0 ? g - kTwoPi : g + kTwoPi;
}

// The curve of one vertex solved in the frame of its spirals' origin tangents.
struct CurveSolution {
    double T1 = 0.0, T2 = 0.0; ///< signed tangent lengths, m
    double c1 = 0.0, c2 = 0.0; ///< lead lengths, m
    double t1 = 0.0, t2 = 0.0; ///< origin tangent azimuths, rad, in [-pi, pi]
    double g = 0.0;            ///< angle turned between the origin tangents, rad
};

// r, r1, r2, ls1, ls2 as stored (negated for a hairpin); alpha the deflection; aBack, aAhead the
// leg azimuths.
CurveSolution SolveCurve(double r, double r1, double r2, double ls1, double ls2, double alpha,
                         double aBack, double aAhead) {
    const double s = Sign(alpha);
    CurveSolution v;

    // Lead lengths: a spiral between radii R1 and R is the part of a clothoid whose origin lies
    // c = R*Ls/(R1 - R) before its outer end (A*A = R1*c = R*(Ls + c)).
    v.c1 = r1 != 0.0 ? Divide(r * ls1, r1 - r, "entry spiral lead (R1 = R)") : 0.0;
    v.c2 = r2 != 0.0 ? Divide(r * ls2, r2 - r, "exit spiral lead (R2 = R)") : 0.0;

    // Origin tangents: the leg turned back by the clothoid's tangent angle c/(2*R1) at its outer
    // end (with the signs of c and R1 alike, the angle turns with the curve).
    const double lead1 = r1 != 0.0 ? Divide(v.c1, 2.0 * r1 * s, "entry spiral angle") : 0.0;
    const double lead2 = r2 != 0.0 ? Divide(v.c2, 2.0 * r2 * s, "exit spiral angle") : 0.0;
    v.t1 = geometry::ReduceAngle(aBack - lead1);
    v.t2 = geometry::ReduceAngle(aAhead + lead2);

    // The angle between the origin tangents is the deflection plus both lead angles (egg spirals
    // between close radii may turn their origin tangents by more than a turn).
    const bool hairpin = ls1 < 0.0 || ls2 < 0.0 || r < 0.0 || r1 < 0.0 || r2 < 0.0;
    v.g = alpha + lead1 + lead2;

    const double l1 = ls1 + v.c1; // full clothoid lengths, origin to the arc
    const double l2 = ls2 + v.c2;
    const double p1 = geometry::SpiralShift(l1, r);
    const double q1 = geometry::SpiralTangentExtension(l1, r);
    const double p2 = geometry::SpiralShift(l2, r);
    const double q2 = geometry::SpiralTangentExtension(l2, r);

    if (v.c1 == 0.0 && v.c2 == 0.0) {
        // Complete spirals: the origin tangents are the legs and meet at the vertex itself.
        v.T1 = TangentLengthBack(r, p1, p2, q1, v.g);
        v.T2 = TangentLengthAhead(r, p1, p2, q2, v.g);
        if (hairpin) {
            v.T1 = -v.T1;
            v.T2 = -v.T2;
        }
        return v;
    }

    // Outer spiral ends P1, P2 with the arc's centre at (0, 0), in coordinates local to each
    // origin tangent first. From the entry clothoid's origin the centre lies q1 ahead and R + p1
    // to the side of the turn; from the exit clothoid's origin q2 back along t2 and R + p2 to the
    // same side. Placing the origins from the centre, rather than from the intersection of the
    // origin tangents, keeps every term the size of the curve: that intersection recedes to
    // infinity as g nears an odd multiple of pi, and with it all digits of T1 and T2. Hairpin
    // data are negated throughout, so (sign of R) * value is the geometric size.
    const double size = Sign(r);
    PlanePoint e1{-size * q1, -s * size * (r + p1)};
    if (ls1 != 0.0) {
        const geometry::LocalOffset d = geometry::ClothoidChord(0.0, std::fabs(v.c1), r * s * l1);
        e1 = {e1.X + d.U, e1.Y + d.V};
    }
    PlanePoint e2{size * q2, -s * size * (r + p2)};
    if (ls2 != 0.0) {
        // The exit clothoid is laid backwards from its origin: direction t2 + pi, side mirrored.
        const geometry::LocalOffset d =
            geometry::ClothoidChord(0.0, std::fabs(v.c2), -r * s * l2);
        e2 = {e2.X - d.U, e2.Y - d.V};
    }
    const PlanePoint p1End = geometry::PlaceOffset({}, v.t1, e1.X, e1.Y);
    const PlanePoint p2End = geometry::PlaceOffset({}, v.t2, e2.X, e2.Y);

    // The true vertex J is where the legs through P1 (direction aBack) and P2 (direction aAhead)
    // meet: J = P1 + T1*dir(aBack) = P2 - T2*dir(aAhead). T1 and T2 are signed: a curve that
    // turns through more than pi starts beyond its vertex, and its tangent lengths are negative.
    const double cross = std::sin(aAhead - aBack);
    if (cross == 0.0) {
        throw RuntimeError(ErrorCode::DivisionByZero, "parallel legs");
    }
    const double wx = p2End.X - p1End.X;
    const double wy = p2End.Y - p1End.Y;
    v.T1 = RequireFinite((wx * std::sin(aAhead) - wy * std::cos(aAhead)) / cross,
                         "tangent length");
    v.T2 = RequireFinite((std::cos(aBack) * wy - std::sin(aBack) * wx) / cross, "tangent length");
    return v;
}

// The construction, step by step, on rows 1..n (row 0 unused) so that vertex i's legs are i - 1
// and i.
class Construction {
public:
    Construction(const JdInput& input, std::vector<JdCurve>& rows)
        : m_in(input), m_n(static_cast<int>(input.Vertices.size())), m_rows(rows) {
        m_rows.assign(static_cast<std::size_t>(m_n), JdCurve{});
        m_leg.assign(static_cast<std::size_t>(m_n) + 1, 0.0);
    }

    void Run() {
        CheckCount();
        CheckCoordinates();
        ComputeLegs();
        ComputeDeflections();
        TakeCurveData();
        SolveCurves();
        ComputeStations();
        PlaceMainPoints();
        CheckFinite();
    }

private:
    const Vertex& V(int i) const { return m_in.Vertices[static_cast<std::size_t>(i - 1)]; }
    JdCurve& R(int i) { return m_rows[static_cast<std::size_t>(i - 1)]; }
    PlanePoint P(int i) const { return {V(i).X, V(i).Y}; }

    [[noreturn]] void Fail(ErrorCode code, int i, const std::string& what) const {
        const std::string& name = V(i).Name;
        throw RuntimeError(code, what + " at vertex " +
                                     (name.empty() ? std::string(1, '#').append(std::to_string(i)) : name) +
                                     " (row " +
                                     std::to_string(i) + ")");
    }

    void CheckCount() const {
        if (m_n < 1 || m_n > kMaxVertices) {
            throw RuntimeError(ErrorCode::Format,
                               "the JD line has " + std::to_string(m_n) + " vertices; 1 to " +
                                   std::to_string(kMaxVertices) + " are allowed");
        }
        RequireFinite(m_in.StartStation, "start station");
    }

    void CheckCoordinates() const {
        for (int i = 1; i <= m_n; ++i) {
            if (!std::isfinite(V(i).X) || !std::isfinite(V(i).Y)) {
                Fail(ErrorCode::NonFinite, i, "coordinates are not finite");
            }
        }
    }

    // Legs; hairpin legs run reversed unless the vertex's flags keep them. Two coincident
    // vertices leave a leg without a direction.
    void ComputeLegs() {
        for (int i = 1; i < m_n; ++i) {
            if (V(i).X == V(i + 1).X && V(i).Y == V(i + 1).Y) {
                Fail(ErrorCode::Geometry, i, "the next vertex coincides with this one");
            }
            m_leg[i] = geometry::PointAzimuth(P(i), P(i + 1));
        }
        for (int i = 2; i < m_n; ++i) {
            if (!V(i).Hairpin) {
                continue;
            }
            m_leg[i - 1] = V(i).KeepBack ? geometry::PointAzimuth(P(i - 1), P(i))
                                         : geometry::PointAzimuth(P(i), P(i - 1));
            m_leg[i] = V(i).KeepAhead ? geometry::PointAzimuth(P(i), P(i + 1))
                                      : geometry::PointAzimuth(P(i + 1), P(i));
        }
        for (int i = 1; i < m_n; ++i) {
            R(i).LegAzimuth = m_leg[i];
        }
    }

    // Deflections, positive to the right; a hairpin turns the long way round (|alpha| > pi).
    void ComputeDeflections() {
        for (int i = 2; i < m_n; ++i) {
            const double alpha = geometry::ReduceAngle(m_leg[i] - m_leg[i - 1]);
            if (alpha == 0.0) {
                Fail(ErrorCode::DivisionByZero, i, "zero deflection (collinear vertices)");
            }
            if (std::fabs(alpha) == kPi) {
                Fail(ErrorCode::DivisionByZero, i,
                     "the legs are parallel (deflection of 180 deg)");
            }
            R(i).Deflection = V(i).Hairpin ? OtherWayRound(alpha) : alpha;
            R(i).TurnsRight = R(i).Deflection > 0.0;
        }
    }

    // Curve data: entered positive; a hairpin carries it negated.
    void TakeCurveData() {
        for (int i = 2; i < m_n; ++i) {
            const Vertex& v = V(i);
            JdCurve& row = R(i);
            const std::pair<double, double*> fields[] = {
                {v.Radius, &row.Radius},
                {v.Spiral1, &row.Spiral1},
                {v.Spiral2, &row.Spiral2},
                {v.Spiral1OuterRadius, &row.Spiral1OuterRadius},
                {v.Spiral2OuterRadius, &row.Spiral2OuterRadius}};
            for (const auto& [value, out] : fields) {
                if (!std::isfinite(value)) {
                    Fail(ErrorCode::NonFinite, i, "curve data are not finite");
                }
                if (v.Hairpin) {
                    *out = value == 0.0 ? 0.0 : -std::fabs(value); // no -0 to print later
                } else if (value < 0.0) {
                    Fail(ErrorCode::Format, i, "negative radius or spiral length");
                } else {
                    *out = value;
                }
            }
            if (row.Radius == 0.0) {
                Fail(ErrorCode::DivisionByZero, i, "zero radius");
            }
        }
    }

    void SolveCurves() {
        for (int i = 2; i < m_n; ++i) {
            JdCurve& row = R(i);
            const double r = row.Radius;
            const double ls1 = row.Spiral1;
            const double ls2 = row.Spiral2;
            CurveSolution v;
            try {
                v = SolveCurve(r, row.Spiral1OuterRadius, row.Spiral2OuterRadius, ls1, ls2,
                               row.Deflection, m_leg[i - 1], m_leg[i]);
            } catch (const RuntimeError& e) {
                Fail(e.Code(), i, e.what());
            }
            row.Tangent1 = v.T1;
            row.Tangent2 = v.T2;
            row.Spiral1Lead = v.c1;
            row.Spiral2Lead = v.c2;
            row.Spiral1OriginAzimuth = v.t1;
            row.Spiral2OriginAzimuth = v.t2;
            row.ArcAngle = v.g;
            const double turned = std::fabs(v.g) * r;
            row.ArcLength = turned - (ls1 + ls2 + v.c1 + v.c2) / 2.0;
            row.CurveLength = turned + (ls1 + ls2 - v.c1 - v.c2) / 2.0;
            if ((ls1 + v.c1) * r < 0.0 || (ls2 + v.c2) * r < 0.0) {
                Fail(ErrorCode::Geometry, i,
                     "an outer spiral radius is not greater than the arc radius");
            }
            if (row.ArcLength * Sign(r) < -kArcLengthTolerance) {
                Fail(ErrorCode::Geometry, i, "the spirals turn through more than the deflection");
            }
            if (V(i).Hairpin) {
                row.CurveLength = -row.CurveLength;
            }
        }
    }

    // Vertex stations and straights; leg lengths are signed where a hairpin reverses a leg (a
    // leg between two hairpin vertices takes the sign set last).
    void ComputeStations() {
        std::vector<double> d(static_cast<std::size_t>(m_n), 0.0); // d[i] = leg i
        for (int i = 1; i < m_n; ++i) {
            d[i] = std::hypot(V(i + 1).X - V(i).X, V(i + 1).Y - V(i).Y);
        }
        for (int i = 2; i < m_n; ++i) {
            if (V(i).Hairpin) {
                d[i - 1] = V(i).KeepBack ? std::fabs(d[i - 1]) : -std::fabs(d[i - 1]);
                d[i] = V(i).KeepAhead ? std::fabs(d[i]) : -std::fabs(d[i]);
            }
        }
        R(1).Station = m_in.StartStation;
        for (int i = 2; i <= m_n; ++i) {
            const JdCurve& prev = R(i - 1);
            R(i).Station = prev.Station + d[i - 1] + prev.CurveLength - prev.Tangent1 -
                           prev.Tangent2;
        }
        for (int i = 1; i < m_n; ++i) {
            R(i).StraightLength = d[i] - R(i).Tangent2 - R(i + 1).Tangent1;
        }
    }

    void PlaceMainPoints() {
        for (const int i : {1, m_n}) {
            JdCurve& row = R(i);
            row.StationZH = row.StationHY = row.StationQZ = row.StationYH = row.StationHZ =
                row.Station;
            row.Zh = row.Hy = row.Qz = row.Yh = row.Hz = P(i);
        }
        for (int i = 2; i < m_n; ++i) {
            JdCurve& row = R(i);
            const double r = row.Radius;
            const double ls1 = row.Spiral1;
            const double ls2 = row.Spiral2;
            const double c1 = row.Spiral1Lead;
            const double c2 = row.Spiral2Lead;
            const double aBack = m_leg[i - 1];
            const double aAhead = m_leg[i];
            const double sgn = Sign(row.Deflection);
            const double length = row.CurveLength;

            const double zh = row.Station - row.Tangent1;
            row.StationZH = zh;
            row.StationHY = zh + std::fabs(ls1);
            row.StationQZ = zh + length / 2.0 + (std::fabs(ls1) - std::fabs(ls2)) / 2.0;
            row.StationYH = zh + length - std::fabs(ls2);
            row.StationHZ = zh + length;

            // ZH and HZ on the legs through the vertex.
            row.Zh = {V(i).X - row.Tangent1 * std::cos(aBack),
                      V(i).Y - row.Tangent1 * std::sin(aBack)};
            row.Hz = {V(i).X + row.Tangent2 * std::cos(aAhead),
                      V(i).Y + row.Tangent2 * std::sin(aAhead)};

            // HY: along the entry clothoid from its outer end (ZH) to the arc.
            if (ls1 == 0.0) {
                row.Hy = row.Zh;
            } else {
                const geometry::LocalOffset d1 = geometry::ClothoidChord(
                    std::fabs(c1), std::fabs(ls1 + c1), sgn * r * (ls1 + c1));
                row.Hy = geometry::PlaceOffset(row.Zh, row.Spiral1OriginAzimuth, d1.U, d1.V);
            }
            const double azHY =
                aBack - LeadAngle(c1, row.Spiral1OuterRadius, sgn) + (ls1 + c1) / (2.0 * r * sgn);
            row.AzimuthHY = azHY;

            // YH: along the exit clothoid walked backwards from HZ (direction t2 + pi, side
            // mirrored), so the offset is laid along t2 with both components negated.
            if (ls2 == 0.0) {
                row.Yh = row.Hz;
            } else {
                const geometry::LocalOffset d2 = geometry::ClothoidChord(
                    std::fabs(c2), std::fabs(ls2 + c2), -sgn * r * (ls2 + c2));
                row.Yh = geometry::PlaceOffset(row.Hz, row.Spiral2OriginAzimuth, -d2.U, -d2.V);
            }
            row.AzimuthYH =
                aAhead + LeadAngle(c2, row.Spiral2OuterRadius, sgn) - (ls2 + c2) / (2.0 * r * sgn);

            // QZ: half the arc on from HY.
            const double h = std::fabs(row.ArcLength) / 2.0;
            const double rs = sgn * std::fabs(r);
            const double hs = std::sin(Divide(h, 2.0 * rs, "arc radius"));
            row.Qz = geometry::PlaceOffset(row.Hy, azHY, rs * std::sin(Divide(h, rs, "arc radius")),
                                           2.0 * rs * hs * hs);
            row.AzimuthQZ = azHY + row.ArcLength / (2.0 * r * sgn);
        }
    }

    // Nothing constructed may hold inf or NaN (a hugely long tangent, an overflowing series).
    void CheckFinite() {
        for (int i = 1; i <= m_n; ++i) {
            const JdCurve& r = R(i);
            const double cells[] = {r.LegAzimuth,  r.Deflection,   r.Tangent1,
                                    r.Tangent2,    r.CurveLength,  r.ArcLength,
                                    r.ArcAngle,    r.Station,      r.StationZH,
                                    r.StationHY,   r.StationQZ,    r.StationYH,
                                    r.StationHZ,   r.Zh.X,         r.Zh.Y,
                                    r.Hy.X,        r.Hy.Y,         r.Qz.X,
                                    r.Qz.Y,        r.Yh.X,         r.Yh.Y,
                                    r.Hz.X,        r.Hz.Y,         r.AzimuthHY,
                                    r.AzimuthQZ,   r.AzimuthYH,    r.Spiral1Lead,
                                    r.Spiral2Lead, r.Spiral1OriginAzimuth, r.Spiral2OriginAzimuth,
                                    r.StraightLength};
            for (const double c : cells) {
                if (!std::isfinite(c)) {
                    Fail(ErrorCode::NonFinite, i, "the constructed curve is not finite");
                }
            }
        }
    }

    const JdInput& m_in;
    int m_n;
    std::vector<JdCurve>& m_rows;
    std::vector<double> m_leg; // m_leg[i]: leg from vertex i to i + 1
};

// ---- From the curve table to the pieces of the line ------------------------------------------
//
// A station is evaluated by the first rule that holds in the order: the leg after the last
// curve (from its HZ on), the leg before the first curve (up to its ZH), the straight after the
// curve found by the ZH search, then that curve's exit spiral, arc and entry spiral. The rule
// changes only at main-point stations, so the line is laid down as pieces between them: at each
// main-point station the rule that holds there, and just after it the rule that holds up to the
// next one.

enum class Part { FirstLeg, LastLeg, Straight, Entry, Arc, Exit, None };

struct Choice {
    Part Kind = Part::None;
    int Vertex = 0; // 1-based row
    bool operator==(const Choice&) const = default;
};

class Pieces {
public:
    Pieces(const JdAlignment& line, const std::vector<JdCurve>& rows)
        : m_line(line), m_rows(rows), m_n(static_cast<int>(rows.size())) {
        m_increasing = true;
        for (int i = 2; i + 1 < m_n; ++i) {
            m_increasing = m_increasing && Row(i).StationZH < Row(i + 1).StationZH;
        }
    }

    std::vector<alignment::detail::Formula> Build() const {
        std::vector<alignment::detail::Formula> out;
        if (m_n < 2) {
            return out;
        }
        if (m_n == 2) {
            out.push_back(Straight(Row(1).Station, {m_line.Vertices()[0].X, m_line.Vertices()[0].Y},
                                   Row(1).LegAzimuth, 0, 1));
            return out;
        }
        std::vector<double> marks;
        for (int i = 2; i < m_n; ++i) {
            const JdCurve& r = Row(i);
            for (const double m : {r.StationZH, r.StationHY, r.StationYH, r.StationHZ}) {
                marks.push_back(m);
            }
        }
        std::sort(marks.begin(), marks.end());
        marks.erase(std::unique(marks.begin(), marks.end()), marks.end());

        std::vector<std::pair<double, Choice>> runs; // start mileage, rule
        const auto add = [&runs](double from, Choice c) {
            if (runs.empty() || !(runs.back().second == c)) {
                runs.emplace_back(from, c);
            }
        };
        const double inf = std::numeric_limits<double>::infinity();
        add(-inf, Select(std::nextafter(marks.front(), -inf)));
        for (std::size_t k = 0; k < marks.size(); ++k) {
            const double at = marks[k];
            add(at, Select(at));
            const double after = std::nextafter(at, inf);
            if (k + 1 == marks.size()) {
                add(after, Select(after));
            } else if (after < marks[k + 1]) {
                add(after, Select(at + (marks[k + 1] - at) / 2.0));
            }
        }
        for (const auto& [from, choice] : runs) {
            out.push_back(FormulaOf(choice));
            out.back().StartMileage = from;
        }
        return out;
    }

private:
    const JdCurve& Row(int i) const { return m_rows[static_cast<std::size_t>(i - 1)]; }
    const Vertex& Input(int i) const { return m_line.Vertices()[static_cast<std::size_t>(i - 1)]; }

    // The vertex whose curve, or the straight after it, holds station p: the first i of
    // 2..n-2 with StationZH(i) <= p < StationZH(i+1), else n-1.
    int FindCurve(double p) const {
        if (m_increasing) {
            int lo = 2;
            int hi = m_n - 1;
            if (p < Row(2).StationZH || p >= Row(m_n - 1).StationZH) {
                return m_n - 1;
            }
            while (hi - lo > 1) {
                const int mid = lo + (hi - lo) / 2;
                (Row(mid).StationZH <= p ? lo : hi) = mid;
            }
            return lo;
        }
        for (int i = 2; i <= m_n - 2; ++i) {
            if (Row(i).StationZH <= p && p < Row(i + 1).StationZH) {
                return i;
            }
        }
        return m_n - 1;
    }

    Choice Select(double p) const {
        const int n = m_n;
        if (p >= Row(n - 1).StationHZ) {
            return {Part::LastLeg, n - 1};
        }
        if (p <= Row(2).StationZH) {
            return {Part::FirstLeg, 1};
        }
        const int c = FindCurve(p);
        const JdCurve& r = Row(c);
        if (c <= n - 2 && r.StationHZ <= p && p <= Row(c + 1).StationZH) {
            return {Part::Straight, c};
        }
        if (r.StationYH < p && p < r.StationHZ) {
            return {Part::Exit, c};
        }
        if (r.StationHY <= p && p <= r.StationYH) {
            return {Part::Arc, c};
        }
        if (r.StationZH <= p && p < r.StationHY) {
            return {Part::Entry, c};
        }
        return {Part::None, c};
    }

    alignment::detail::Formula Straight(double baseMileage, PlanePoint base, double azimuth,
                                        int vertex, int row) const {
        alignment::detail::Formula f;
        f.Kind = alignment::detail::Rule::Straight;
        f.Base = base;
        f.BaseMileage = baseMileage;
        f.Frame = azimuth;
        f.Source = static_cast<std::size_t>((vertex > 0 ? vertex : row) - 1);
        return f;
    }

    alignment::detail::Formula FormulaOf(Choice c) const {
        using alignment::detail::Formula;
        using alignment::detail::Rule;
        const int i = c.Vertex;
        const JdCurve& r = Row(i);
        switch (c.Kind) {
        case Part::FirstLeg:
            return Straight(Row(1).Station, {Input(1).X, Input(1).Y}, Row(1).LegAzimuth, 0, 1);
        case Part::LastLeg:
        case Part::Straight:
            return Straight(r.StationHZ, r.Hz, r.LegAzimuth, 0, i);
        case Part::None: {
            Formula f;
            f.Kind = Rule::Gap;
            f.Source = static_cast<std::size_t>(i - 1);
            return f;
        }
        default:
            break;
        }
        Formula f;
        f.Source = static_cast<std::size_t>(i - 1);
        const double sgn = Sign(r.Deflection);
        const double radius = r.Radius;
        const double direction = Input(i).Hairpin ? -1.0 : 1.0;
        const double curvature = 1.0 / (sgn * std::fabs(radius));
        if (c.Kind == Part::Arc) {
            f.Kind = Rule::Arc;
            f.Base = r.Hy;
            f.BaseMileage = r.StationHY;
            f.Direction = direction;
            f.Frame = r.AzimuthHY;
            f.Azimuth0 = r.AzimuthHY;
            f.ArcRadius = sgn * std::fabs(radius);
            f.TurnRadius = sgn * radius;
            f.CurvatureAtStart = f.CurvatureAtEnd = curvature;
            return f;
        }
        const bool entry = c.Kind == Part::Entry;
        const double c0 = entry ? r.Spiral1Lead : r.Spiral2Lead;
        const double full = (entry ? r.Spiral1 : r.Spiral2) + c0;
        if (full == 0.0) {
            throw RuntimeError(ErrorCode::Geometry, std::string(entry ? "the entry" : "the exit") +
                                                        " spiral has no length at " +
                                                        m_line.VertexName(i - 1));
        }
        const double outer = entry ? r.Spiral1OuterRadius : r.Spiral2OuterRadius;
        const double outerCurvature = outer != 0.0 ? 1.0 / (sgn * std::fabs(outer)) : 0.0;
        f.Kind = Rule::ClothoidFromOrigin;
        f.Lead = c0;
        f.TwoK = sgn * 2.0 * radius * full;
        const double k = sgn * radius * full;
        if (entry) {
            f.Base = r.Zh;
            f.BaseMileage = r.StationZH;
            f.Direction = direction;
            f.Frame = r.Spiral1OriginAzimuth;
            f.Azimuth0 = Row(i - 1).LegAzimuth - LeadAngle(c0, outer, sgn);
            f.K = k;
            f.CurvatureAtStart = outerCurvature;
            f.CurvatureAtEnd = curvature;
        } else {
            f.Base = r.Hz;
            f.BaseMileage = r.StationHZ;
            f.Direction = -direction;
            f.Frame = r.Spiral2OriginAzimuth;
            f.Azimuth0 = r.LegAzimuth + LeadAngle(c0, outer, sgn);
            f.K = -k;
            f.ChordSign = -1.0;
            f.TurnSign = -1.0;
            f.CurvatureAtStart = curvature;
            f.CurvatureAtEnd = outerCurvature;
        }
        return f;
    }

    const JdAlignment& m_line;
    const std::vector<JdCurve>& m_rows;
    int m_n;
    bool m_increasing = false;
};

std::vector<alignment::MainPoint> MainPointsOf(const std::vector<JdCurve>& rows) {
    std::vector<alignment::MainPoint> out;
    const int n = static_cast<int>(rows.size());
    const auto az = [](double a) { return geometry::NormaliseAzimuth(a); };
    out.push_back({"QD", rows.front().Station, rows.front().Zh, az(rows.front().LegAzimuth)});
    for (int k = 1; k + 1 < n; ++k) {
        const JdCurve& r = rows[static_cast<std::size_t>(k)];
        const JdCurve& prev = rows[static_cast<std::size_t>(k - 1)];
        out.push_back({"ZH", r.StationZH, r.Zh, az(prev.LegAzimuth)});
        out.push_back({"HY", r.StationHY, r.Hy, az(r.AzimuthHY)});
        out.push_back({"QZ", r.StationQZ, r.Qz, az(r.AzimuthQZ)});
        out.push_back({"YH", r.StationYH, r.Yh, az(r.AzimuthYH)});
        out.push_back({"HZ", r.StationHZ, r.Hz, az(r.LegAzimuth)});
    }
    if (n > 1) {
        out.push_back({"ZD", rows.back().Station, rows.back().Zh,
                       az(rows[static_cast<std::size_t>(n - 2)].LegAzimuth)});
    }
    return out;
}

} // namespace

JdAlignment::JdAlignment(JdInput input) : m_input(std::move(input)) {
    Construction(m_input, m_curves).Run();
    const Pieces pieces(*this, m_curves);
    std::vector<std::string> names;
    names.reserve(m_input.Vertices.size());
    for (std::size_t k = 0; k < m_input.Vertices.size(); ++k) {
        names.push_back(VertexName(static_cast<int>(k)));
    }
    m_line = alignment::Alignment::FromFormulas(
        pieces.Build(), m_curves.front().Station, m_curves.back().Station, MainPointsOf(m_curves),
        std::move(names), "the line has fewer than two vertices and no direction");
}

std::string JdAlignment::VertexName(int k) const {
    const std::string& name = m_input.Vertices.at(static_cast<std::size_t>(k)).Name;
    return "vertex " +
           (name.empty() ? std::string(1, '#').append(std::to_string(k + 1)) : name) + " (row " +
           std::to_string(k + 1) + ")";
}

} // namespace tesk::jd
