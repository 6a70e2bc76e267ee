// Construction of the intersection-point alignment: from the vertex table to the curve tables.

#include "alignment/jd/curve_primitives.h"
#include "alignment/jd/jd_alignment.h"
#include "alignment/jd/jd_detail.h"
#include "state/runtime_error.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace tesk::jd {

using state::Divide;
using state::ErrorCode;
using state::RequireFinite;
using state::RuntimeError;
using state::SharedState;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// A curve whose arc comes out shorter than this (m) has spirals that turn through more than the
// deflection allows. The margin only absorbs rounding of |g|*R; no real curve is near it.
constexpr double kArcLengthTolerance = 1e-6;

// One step into [-pi, pi]: enough for a difference of two azimuths in [0, 2*pi).
double ReduceOnce(double a) {
    if (a < -kPi) {
        return a + kTwoPi;
    }
    if (a > kPi) {
        return a - kTwoPi;
    }
    return a;
}

// Into [-pi, pi] by whole turns: an origin tangent lies as many turns back as its spiral's lead
// angle c/(2*R1) demands, which exceeds a turn when R1 is close to R.
double Reduce(double a) {
    while (a < -kPi || a > kPi) {
        a = ReduceOnce(a);
    }
    return a;
}

// Moves a turning angle a full turn toward the other sign: the long way round.
double OtherWayRound(double g) {
    return g >= 0.0 ? g - kTwoPi : g + kTwoPi;
}

[[noreturn]] void Fail(ErrorCode code, const SharedState& s, int i, const std::string& what) {
    throw RuntimeError(code, what + " at " + VertexName(s, i));
}

} // namespace

VertexCurve SolveVertexCurve(double r, double r1, double r2, double ls1, double ls2, double alpha,
                             double aBack, double aAhead) {
    const double s = Sign(alpha);
    VertexCurve v;

    // Lead lengths: a spiral between radii R1 and R is the part of a clothoid whose origin lies
    // c = R*Ls/(R1 - R) before its outer end (A*A = R1*c = R*(Ls + c)).
    v.c1 = r1 != 0.0 ? Divide(r * ls1, r1 - r, "entry spiral lead (R1 = R)") : 0.0;
    v.c2 = r2 != 0.0 ? Divide(r * ls2, r2 - r, "exit spiral lead (R2 = R)") : 0.0;

    // Origin tangents: the leg turned back by the clothoid's tangent angle c/(2*R1) at its outer
    // end (with the signs of c and R1 alike, the angle turns with the curve).
    const double lead1 = r1 != 0.0 ? Divide(v.c1, 2.0 * r1 * s, "entry spiral angle") : 0.0;
    const double lead2 = r2 != 0.0 ? Divide(v.c2, 2.0 * r2 * s, "exit spiral angle") : 0.0;
    v.t1 = Reduce(aBack - lead1);
    v.t2 = Reduce(aAhead + lead2);

    // The angle between the origin tangents is the deflection plus both lead angles. Taken from
    // the reduced azimuths t2 - t1 it is only known modulo a turn: with the deflection's sign
    // and less than a turn, that is the same value, but egg spirals between close radii turn
    // their origin tangents further, and a remainder would lose the whole turns.
    const bool hairpin = ls1 < 0.0 || ls2 < 0.0 || r < 0.0 || r1 < 0.0 || r2 < 0.0;
    v.g = alpha + lead1 + lead2;

    const double l1 = ls1 + v.c1; // full clothoid lengths, origin to the arc
    const double l2 = ls2 + v.c2;
    const double p1 = SpiralShift(l1, r);
    const double q1 = SpiralTangentExtension(l1, r);
    const double p2 = SpiralShift(l2, r);
    const double q2 = SpiralTangentExtension(l2, r);

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
    state::PlanePoint e1{-size * q1, -s * size * (r + p1)};
    if (ls1 != 0.0) {
        const state::PlanePoint d = ClothoidChord(0.0, std::fabs(v.c1), r * s * l1);
        e1 = {e1.X + d.X, e1.Y + d.Y};
    }
    state::PlanePoint e2{size * q2, -s * size * (r + p2)};
    if (ls2 != 0.0) {
        // The exit clothoid is laid backwards from its origin: direction t2 + pi, side mirrored.
        const state::PlanePoint d = ClothoidChord(0.0, std::fabs(v.c2), -r * s * l2);
        e2 = {e2.X - d.X, e2.Y - d.Y};
    }
    const state::PlanePoint p1End = state::PlaceOffset({}, v.t1, e1.X, e1.Y);
    const state::PlanePoint p2End = state::PlaceOffset({}, v.t2, e2.X, e2.Y);

    // The true vertex J is where the legs through P1 (direction aBack) and P2 (direction aAhead)
    // meet: J = P1 + T1*dir(aBack) = P2 - T2*dir(aAhead). T1 and T2 are signed: a curve that
    // turns through more than pi starts beyond its vertex, and its tangent lengths are negative.
    const double cross = std::sin(aAhead - aBack);
    if (cross == 0.0) {
        throw RuntimeError(ErrorCode::DivisionByZero, "parallel legs");
    }
    const double wx = p2End.X - p1End.X;
    const double wy = p2End.Y - p1End.Y;
    v.T1 = (wx * std::sin(aAhead) - wy * std::cos(aAhead)) / cross;
    v.T2 = (std::cos(aBack) * wy - std::sin(aBack) * wx) / cross;
    RequireFinite(v.T1, "tangent length");
    RequireFinite(v.T2, "tangent length");
    return v;
}

void BuildJdAlignment(SharedState& s) {
    const int n = s.JdCount;
    if (n < 1 || n > state::kMaxRows) {
        throw RuntimeError(ErrorCode::Format, "the JD line has " + std::to_string(n) +
                                                  " vertices; 1 to " +
                                                  std::to_string(state::kMaxRows) + " are allowed");
    }
    s.Pi = 4.0 * std::atan(1.0);
    // Until the new stations stand, the evaluators must not bisect the old ones.
    s.StationZHIncreasing = false;
    RequireFinite(s.StartStation, "start station");

    const auto isHairpin = [&s](int i) { return s.JdHairpin[i] != 0.0; };
    const auto vertex = [&s](int i) { return state::PlanePoint{s.JdX[i], s.JdY[i]}; };

    for (int i = 1; i <= n; ++i) {
        if (!std::isfinite(s.JdX[i]) || !std::isfinite(s.JdY[i])) {
            Fail(ErrorCode::NonFinite, s, i, "coordinates are not finite");
        }
    }

    // Legs. Two coincident vertices leave a leg without a direction.
    for (int i = 1; i < n; ++i) {
        if (s.JdX[i] == s.JdX[i + 1] && s.JdY[i] == s.JdY[i + 1]) {
            Fail(ErrorCode::Geometry, s, i, "the next vertex coincides with this one");
        }
        s.LegAzimuth[i] = PointAzimuth(vertex(i), vertex(i + 1));
    }

    // Hairpin legs run reversed unless the vertex's flags keep them.
    for (int i = 2; i < n; ++i) {
        if (!isHairpin(i)) {
            continue;
        }
        s.LegAzimuth[i - 1] = s.JdKeepBack[i] == 1.0 ? PointAzimuth(vertex(i - 1), vertex(i))
                                                     : PointAzimuth(vertex(i), vertex(i - 1));
        s.LegAzimuth[i] = s.JdKeepAhead[i] == 1.0 ? PointAzimuth(vertex(i), vertex(i + 1))
                                                  : PointAzimuth(vertex(i + 1), vertex(i));
    }

    // Deflections, positive to the right; a hairpin turns the long way round (|alpha| > pi).
    for (int i = 2; i < n; ++i) {
        const double alpha = ReduceOnce(s.LegAzimuth[i] - s.LegAzimuth[i - 1]);
        if (alpha == 0.0) {
            Fail(ErrorCode::DivisionByZero, s, i, "zero deflection (collinear vertices)");
        }
        if (std::fabs(alpha) == kPi) {
            Fail(ErrorCode::DivisionByZero, s, i, "the legs are parallel (deflection of 180 deg)");
        }
        s.Deflection[i] = isHairpin(i) ? OtherWayRound(alpha) : alpha;
    }

    // Curve data: entered positive; a hairpin carries it negated (idempotent, so a second
    // construction on the same table gives the same line).
    for (int i = 2; i < n; ++i) {
        double* const fields[] = {&s.JdRadius[i], &s.JdSpiral1[i], &s.JdSpiral2[i],
                                  &s.JdSpiral1OuterRadius[i], &s.JdSpiral2OuterRadius[i]};
        for (double* f : fields) {
            if (!std::isfinite(*f)) {
                Fail(ErrorCode::NonFinite, s, i, "curve data are not finite");
            }
            if (isHairpin(i)) {
                *f = *f == 0.0 ? 0.0 : -std::fabs(*f); // no -0 to print later
            } else if (*f < 0.0) {
                Fail(ErrorCode::Format, s, i, "negative radius or spiral length");
            }
        }
        if (s.JdRadius[i] == 0.0) {
            Fail(ErrorCode::DivisionByZero, s, i, "zero radius");
        }
    }

    // Rows 1 and n carry no curve.
    for (const int i : {1, n}) {
        s.Tangent1[i] = s.Tangent2[i] = 0.0;
        s.Deflection[i] = 0.0;
        s.TurnsRight[i] = 0;
        s.CurveLength[i] = s.ArcLength[i] = s.ArcAngle[i] = 0.0;
        s.Spiral1Lead[i] = s.Spiral2Lead[i] = 0.0;
        s.Spiral1OriginAzimuth[i] = s.Spiral2OriginAzimuth[i] = 0.0;
        s.AzimuthHY[i] = s.AzimuthQZ[i] = s.AzimuthYH[i] = 0.0;
    }

    // Curves.
    for (int i = 2; i < n; ++i) {
        const double r = s.JdRadius[i];
        const double ls1 = s.JdSpiral1[i];
        const double ls2 = s.JdSpiral2[i];
        VertexCurve v;
        try {
            v = SolveVertexCurve(r, s.JdSpiral1OuterRadius[i], s.JdSpiral2OuterRadius[i], ls1, ls2,
                                 s.Deflection[i], s.LegAzimuth[i - 1], s.LegAzimuth[i]);
        } catch (const RuntimeError& e) {
            Fail(e.Code(), s, i, e.what());
        }
        s.Tangent1[i] = v.T1;
        s.Tangent2[i] = v.T2;
        s.Spiral1Lead[i] = v.c1;
        s.Spiral2Lead[i] = v.c2;
        s.Spiral1OriginAzimuth[i] = v.t1;
        s.Spiral2OriginAzimuth[i] = v.t2;
        s.ArcAngle[i] = v.g;
        const double turned = std::fabs(v.g) * r;
        s.ArcLength[i] = turned - (ls1 + ls2 + v.c1 + v.c2) / 2.0;
        s.CurveLength[i] = turned + (ls1 + ls2 - v.c1 - v.c2) / 2.0;
        if ((ls1 + v.c1) * r < 0.0 || (ls2 + v.c2) * r < 0.0) {
            Fail(ErrorCode::Geometry, s, i,
                 "an outer spiral radius is not greater than the arc radius");
        }
        if (s.ArcLength[i] * Sign(r) < -kArcLengthTolerance) {
            Fail(ErrorCode::Geometry, s, i, "the spirals turn through more than the deflection");
        }
        if (isHairpin(i)) {
            s.CurveLength[i] = -s.CurveLength[i];
        }
    }

    // Leg lengths, signed where a hairpin reverses a leg (a leg between two hairpin vertices
    // takes the sign set last).
    std::vector<double> d(static_cast<std::size_t>(n), 0.0); // d[i] = leg i, i = 1..n-1
    for (int i = 1; i < n; ++i) {
        d[i] = std::hypot(s.JdX[i + 1] - s.JdX[i], s.JdY[i + 1] - s.JdY[i]);
    }
    for (int i = 2; i < n; ++i) {
        if (isHairpin(i)) {
            d[i - 1] = s.JdKeepBack[i] == 1.0 ? std::fabs(d[i - 1]) : -std::fabs(d[i - 1]);
            d[i] = s.JdKeepAhead[i] == 1.0 ? std::fabs(d[i]) : -std::fabs(d[i]);
        }
    }

    // Vertex stations and straights.
    s.JdStation[1] = s.StartStation;
    for (int i = 2; i <= n; ++i) {
        s.JdStation[i] = s.JdStation[i - 1] + d[i - 1] + s.CurveLength[i - 1] - s.Tangent1[i - 1] -
                         s.Tangent2[i - 1];
    }
    for (int i = 1; i < n; ++i) {
        s.StraightLength[i] = d[i] - s.Tangent2[i] - s.Tangent1[i + 1];
    }

    // Main points of rows 1 and n: the vertex itself.
    for (const int i : {1, n}) {
        s.StationZH[i] = s.StationHY[i] = s.StationQZ[i] = s.StationYH[i] = s.StationHZ[i] =
            s.JdStation[i];
        s.ZhX[i] = s.HyX[i] = s.QzX[i] = s.YhX[i] = s.HzX[i] = s.JdX[i];
        s.ZhY[i] = s.HyY[i] = s.QzY[i] = s.YhY[i] = s.HzY[i] = s.JdY[i];
    }

    for (int i = 2; i < n; ++i) {
        const double r = s.JdRadius[i];
        const double ls1 = s.JdSpiral1[i];
        const double ls2 = s.JdSpiral2[i];
        const double r1 = s.JdSpiral1OuterRadius[i];
        const double r2 = s.JdSpiral2OuterRadius[i];
        const double c1 = s.Spiral1Lead[i];
        const double c2 = s.Spiral2Lead[i];
        const double aBack = s.LegAzimuth[i - 1];
        const double aAhead = s.LegAzimuth[i];
        const double sgn = Sign(s.Deflection[i]);
        const double length = s.CurveLength[i];

        // Main-point stations.
        const double zh = s.JdStation[i] - s.Tangent1[i];
        s.StationZH[i] = zh;
        s.StationHY[i] = zh + std::fabs(ls1);
        s.StationQZ[i] = zh + length / 2.0 + (std::fabs(ls1) - std::fabs(ls2)) / 2.0;
        s.StationYH[i] = zh + length - std::fabs(ls2);
        s.StationHZ[i] = zh + length;

        // ZH and HZ on the legs through the vertex.
        s.ZhX[i] = s.JdX[i] - s.Tangent1[i] * std::cos(aBack);
        s.ZhY[i] = s.JdY[i] - s.Tangent1[i] * std::sin(aBack);
        s.HzX[i] = s.JdX[i] + s.Tangent2[i] * std::cos(aAhead);
        s.HzY[i] = s.JdY[i] + s.Tangent2[i] * std::sin(aAhead);
        s.TurnsRight[i] = s.Deflection[i] > 0.0 ? 1 : 0;

        // HY: along the entry clothoid from its outer end (ZH) to the arc.
        if (ls1 == 0.0) {
            s.HyX[i] = s.ZhX[i];
            s.HyY[i] = s.ZhY[i];
        } else {
            const state::PlanePoint d1 =
                ClothoidChord(std::fabs(c1), std::fabs(ls1 + c1), sgn * r * (ls1 + c1));
            const state::PlanePoint hy =
                state::PlaceOffset({s.ZhX[i], s.ZhY[i]}, s.Spiral1OriginAzimuth[i], d1.X, d1.Y);
            s.HyX[i] = hy.X;
            s.HyY[i] = hy.Y;
        }
        const double azHY = aBack - LeadAngle(c1, r1, sgn) + (ls1 + c1) / (2.0 * r * sgn);
        s.AzimuthHY[i] = azHY;

        // YH: along the exit clothoid walked backwards from HZ (direction t2 + pi, side
        // mirrored), so the offset is laid along t2 with both components negated.
        if (ls2 == 0.0) {
            s.YhX[i] = s.HzX[i];
            s.YhY[i] = s.HzY[i];
        } else {
            const state::PlanePoint d2 =
                ClothoidChord(std::fabs(c2), std::fabs(ls2 + c2), -sgn * r * (ls2 + c2));
            const state::PlanePoint yh =
                state::PlaceOffset({s.HzX[i], s.HzY[i]}, s.Spiral2OriginAzimuth[i], -d2.X, -d2.Y);
            s.YhX[i] = yh.X;
            s.YhY[i] = yh.Y;
        }
        s.AzimuthYH[i] = aAhead + LeadAngle(c2, r2, sgn) - (ls2 + c2) / (2.0 * r * sgn);

        // QZ: half the arc on from HY.
        const double h = std::fabs(s.ArcLength[i]) / 2.0;
        const double rs = sgn * std::fabs(r);
        const state::PlanePoint qz =
            state::PlaceOffset({s.HyX[i], s.HyY[i]}, azHY, ArcLocalX(h, rs), ArcLocalY(h, rs));
        s.QzX[i] = qz.X;
        s.QzY[i] = qz.Y;
        s.AzimuthQZ[i] = azHY + s.ArcLength[i] / (2.0 * r * sgn);
    }

    bool increasing = true;
    for (int i = 2; i + 1 < n; ++i) {
        increasing = increasing && s.StationZH[i] < s.StationZH[i + 1];
    }
    s.StationZHIncreasing = increasing;

    // Nothing constructed may hold inf or NaN (a hugely long tangent, an overflowing series).
    for (int i = 1; i <= n; ++i) {
        const double leg = i < n ? s.LegAzimuth[i] : 0.0;
        const double straight = i < n ? s.StraightLength[i] : 0.0;
        const double cells[] = {leg,
                                s.Deflection[i],
                                s.Tangent1[i],
                                s.Tangent2[i],
                                s.CurveLength[i],
                                s.ArcLength[i],
                                s.ArcAngle[i],
                                s.JdStation[i],
                                s.StationZH[i],
                                s.StationHY[i],
                                s.StationQZ[i],
                                s.StationYH[i],
                                s.StationHZ[i],
                                s.ZhX[i],
                                s.ZhY[i],
                                s.HyX[i],
                                s.HyY[i],
                                s.QzX[i],
                                s.QzY[i],
                                s.YhX[i],
                                s.YhY[i],
                                s.HzX[i],
                                s.HzY[i],
                                s.AzimuthHY[i],
                                s.AzimuthQZ[i],
                                s.AzimuthYH[i],
                                s.Spiral1Lead[i],
                                s.Spiral2Lead[i],
                                s.Spiral1OriginAzimuth[i],
                                s.Spiral2OriginAzimuth[i],
                                straight};
        for (const double c : cells) {
            if (!std::isfinite(c)) {
                Fail(ErrorCode::NonFinite, s, i, "the constructed curve is not finite");
            }
        }
    }
}

} // namespace tesk::jd
