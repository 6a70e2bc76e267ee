// Evaluation of a continuous station on the constructed intersection-point alignment.

#include "alignment/jd/curve_primitives.h"
#include "alignment/jd/jd_alignment.h"
#include "alignment/jd/jd_detail.h"
#include "state/runtime_error.h"
#include "state/text.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace tesk::jd {

using state::ErrorCode;
using state::PlanePoint;
using state::RuntimeError;
using state::SharedState;
using state::StationPoint;

namespace {

[[noreturn]] void FailAt(const SharedState& s, int i, const std::string& what) {
    throw RuntimeError(ErrorCode::Geometry, what + " at " + VertexName(s, i));
}

// Curve search on a line whose StationZH(2..n-1) increases strictly: every station then lies in
// at most one interval [StationZH(i), StationZH(i+1)), so any search finds the scan's answer.
// The first guess assumes evenly spaced curves; from there the search gallops outward and
// bisects, so an uneven line costs at most about twice a plain bisection.
int FindCurveIncreasing(const SharedState& s, int n, double p) {
    const double first = s.StationZH[2];
    const double last = s.StationZH[n - 1];
    if (p < first || p >= last) {
        return n - 1;
    }
    int lo = 2;     // StationZH(lo) <= p
    int hi = n - 1; // p < StationZH(hi)
    int guess = lo + static_cast<int>((p - first) / (last - first) * (hi - lo));
    guess = std::clamp(guess, lo, hi - 1);
    if (s.StationZH[guess] <= p) {
        lo = guess;
        for (int step = 1; lo + 1 < hi;) { // gallop forward
            const int probe = std::min(guess + step, hi);
            if (probe == hi || p < s.StationZH[probe]) {
                hi = probe;
                break;
            }
            lo = probe;
            step *= 2;
        }
    } else {
        hi = guess;
        for (int step = 1; lo + 1 < hi;) { // gallop backward
            const int probe = std::max(guess - step, lo);
            if (probe == lo || s.StationZH[probe] <= p) {
                lo = probe;
                break;
            }
            hi = probe;
            step *= 2;
        }
    }
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (s.StationZH[mid] <= p) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return lo;
}

// The vertex whose curve, or the straight after it, holds station p: the first i of 2..n-2 with
// StationZH(i) <= p < StationZH(i+1), else n-1. Scans unless StationZH increases strictly.
int FindCurve(const SharedState& s, int n, double p) {
    if (s.StationZHIncreasing) {
        return FindCurveIncreasing(s, n, p);
    }
    for (int i = 2; i <= n - 2; ++i) {
        if (s.StationZH[i] <= p && p < s.StationZH[i + 1]) {
            return i;
        }
    }
    return n - 1;
}

StationPoint OnStraight(double x0, double y0, double azimuth, double f) {
    return {x0 + f * std::cos(azimuth), y0 + f * std::sin(azimuth), azimuth};
}

// Sign of the turn, radius and a spiral's full clothoid length, checked so that a curve the
// construction could not have produced fails with its vertex named instead of dividing by 0.
double TurnSign(const SharedState& s, int i) {
    const double sgn = Sign(s.Deflection[i]);
    if (sgn == 0.0) {
        FailAt(s, i, "the curve has no deflection");
    }
    if (s.JdRadius[i] == 0.0) {
        FailAt(s, i, "the curve has a zero radius");
    }
    return sgn;
}

StationPoint OnEntrySpiral(const SharedState& s, int i, double p) {
    const double sgn = TurnSign(s, i);
    const double r = s.JdRadius[i];
    const double c = s.Spiral1Lead[i];
    const double full = s.JdSpiral1[i] + c; // clothoid length, origin to the arc
    if (full == 0.0) {
        FailAt(s, i, "the entry spiral has no length");
    }
    double f = p - s.StationZH[i];
    if (s.JdHairpin[i] != 0.0) {
        f = -f;
    }
    StationPoint out;
    if (f == 0.0) {
        out.X = s.ZhX[i];
        out.Y = s.ZhY[i];
    } else {
        // From the outer end (ZH) to the point, both measured from the clothoid's origin.
        const PlanePoint d = ClothoidChord(std::fabs(c), std::fabs(f + c), sgn * r * full);
        const PlanePoint pt =
            state::PlaceOffset({s.ZhX[i], s.ZhY[i]}, s.Spiral1OriginAzimuth[i], d.X, d.Y);
        out.X = pt.X;
        out.Y = pt.Y;
    }
    const double turned = (f + c) * (f + c) / (sgn * 2.0 * r * full);
    out.Azimuth = s.LegAzimuth[i - 1] - LeadAngle(c, s.JdSpiral1OuterRadius[i], sgn) + turned;
    return out;
}

StationPoint OnArc(const SharedState& s, int i, double p) {
    const double sgn = TurnSign(s, i);
    const double r = s.JdRadius[i];
    double f = p - s.StationHY[i];
    if (s.JdHairpin[i] != 0.0) {
        f = -f;
    }
    const double rs = sgn * std::fabs(r);
    const double l = std::fabs(f);
    const PlanePoint pt = state::PlaceOffset({s.HyX[i], s.HyY[i]}, s.AzimuthHY[i], ArcLocalX(l, rs),
                                             ArcLocalY(l, rs));
    return {pt.X, pt.Y, s.AzimuthHY[i] + f / (sgn * r)};
}

StationPoint OnExitSpiral(const SharedState& s, int i, double p) {
    const double sgn = TurnSign(s, i);
    const double r = s.JdRadius[i];
    const double c = s.Spiral2Lead[i];
    const double full = s.JdSpiral2[i] + c;
    if (full == 0.0) {
        FailAt(s, i, "the exit spiral has no length");
    }
    double f = s.StationHZ[i] - p; // walked backwards from HZ
    if (s.JdHairpin[i] != 0.0) {
        f = -f;
    }
    // Walked backwards the clothoid runs along t2 + pi and turns to the other side; the offset
    // from HZ is laid along t2 with both components negated.
    const PlanePoint d = ClothoidChord(std::fabs(c), std::fabs(f + c), -sgn * r * full);
    const PlanePoint pt =
        state::PlaceOffset({s.HzX[i], s.HzY[i]}, s.Spiral2OriginAzimuth[i], -d.X, -d.Y);
    const double turned = (f + c) * (f + c) / (sgn * 2.0 * r * full);
    const double azimuth = s.LegAzimuth[i] + LeadAngle(c, s.JdSpiral2OuterRadius[i], sgn) - turned;
    return {pt.X, pt.Y, azimuth};
}

} // namespace

StationPoint JdStationToPoint(const SharedState& s, double p) {
    state::RequireFinite(p, "station");
    const int n = s.JdCount;
    if (n < 2) {
        throw RuntimeError(ErrorCode::Geometry,
                           "the line has fewer than two vertices and no direction");
    }
    if (n == 2) {
        // One straight; its azimuth comes from the construction already in [0, 2*pi).
        return OnStraight(s.JdX[1], s.JdY[1], s.LegAzimuth[1], p - s.JdStation[1]);
    }

    const int c = FindCurve(s, n, p);

    // Where two rules hold at a shared boundary the later one in the order entry spiral, arc,
    // exit spiral, straight after the curve, leg before the first curve, leg after the last
    // curve decides; so the rules are tried from the last to the first.
    StationPoint out;
    if (p >= s.StationHZ[n - 1]) {
        out = OnStraight(s.HzX[n - 1], s.HzY[n - 1], s.LegAzimuth[n - 1], p - s.StationHZ[n - 1]);
    } else if (p <= s.StationZH[2]) {
        out = OnStraight(s.JdX[1], s.JdY[1], s.LegAzimuth[1], p - s.JdStation[1]);
    } else if (c <= n - 2 && s.StationHZ[c] <= p && p <= s.StationZH[c + 1]) {
        out = OnStraight(s.HzX[c], s.HzY[c], s.LegAzimuth[c], p - s.StationHZ[c]);
    } else {
        bool covered = true;
        try {
            if (s.StationYH[c] < p && p < s.StationHZ[c]) {
                out = OnExitSpiral(s, c, p);
            } else if (s.StationHY[c] <= p && p <= s.StationYH[c]) {
                out = OnArc(s, c, p);
            } else if (s.StationZH[c] <= p && p < s.StationHY[c]) {
                out = OnEntrySpiral(s, c, p);
            } else {
                covered = false;
            }
        } catch (const RuntimeError& e) {
            if (e.Code() == ErrorCode::Geometry) {
                throw;
            }
            FailAt(s, c, e.what()); // a series or a division inside the curve failed
        }
        if (!covered) {
            FailAt(s, c,
                   "station " + state::FormatFixed(p, 4) +
                       " is covered by no part of the curve (overlapping or inconsistent tables)");
        }
    }
    if (!std::isfinite(out.X) || !std::isfinite(out.Y) || !std::isfinite(out.Azimuth)) {
        FailAt(s, c, "the line's tables do not give a finite point"); // never built by us
    }
    out.Azimuth = NormaliseAzimuth(out.Azimuth);
    return out;
}

} // namespace tesk::jd
