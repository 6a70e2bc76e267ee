#include "alignment/element/element_alignment.h"

#include "alignment/element/element_geometry.h"
#include "alignment/jd/curve_primitives.h"
#include "state/runtime_error.h"
#include "state/text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

namespace tesk::element {

using state::Divide;
using state::ErrorCode;
using state::RequireFinite;
using state::RuntimeError;
using state::SharedState;
using state::StationPoint;

namespace {

// Running sum with Neumaier's compensation: a thousand stations, azimuths or coordinates summed
// element by element keep the digits of the exact sum instead of losing one rounding per element.
class CompensatedSum {
public:
    explicit CompensatedSum(double start) : m_sum(start) {}

    void Add(double x) {
        const double t = m_sum + x;
        if (std::fabs(m_sum) >= std::fabs(x)) {
            m_compensation += (m_sum - t) + x;
        } else {
            m_compensation += (x - t) + m_sum;
        }
        m_sum = t;
    }

    double Value() const { return m_sum + m_compensation; }

private:
    double m_sum;
    double m_compensation = 0.0;
};

// degrees * pi / 180 with one rounding at the end: the product with pi is carried as a
// double-double (pi's own error included) before the division.
double DegreesToRadians(double degrees) {
    constexpr double kPiHigh = std::numbers::pi;
    constexpr double kPiLow = 1.2246467991473532e-16; // pi - kPiHigh
    const double high = degrees * kPiHigh;
    const double low = std::fma(degrees, kPiHigh, -high) + degrees * kPiLow;
    const double quotient = high / 180.0;
    const double remainder = std::fma(-quotient, 180.0, high) + low;
    return quotient + remainder / 180.0;
}

// The value of a run of decimal digits (at most 18 of them).
std::uint64_t DigitValue(std::string_view digits) {
    std::uint64_t value = 0;
    for (const char c : digits) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

void RequireElementCount(int count, const char* what) {
    if (count < 0 || count > state::kMaxRows) {
        throw RuntimeError(ErrorCode::Format, std::string(what) + " " + std::to_string(count) +
                                                  " outside 0.." + std::to_string(state::kMaxRows));
    }
}

void RequireNonZeroRadii(const SharedState& s, int i) {
    if (s.ElemStartRadius[i] == 0.0 || s.ElemEndRadius[i] == 0.0) {
        throw RuntimeError(ErrorCode::DivisionByZero,
                           "element " + std::to_string(i) + " has a radius of 0");
    }
}

void RequireFiniteRow(const SharedState& s, int i) {
    if (!std::isfinite(s.ElemStartRadius[i]) || !std::isfinite(s.ElemEndRadius[i]) ||
        !std::isfinite(s.ElemLength[i])) {
        throw RuntimeError(ErrorCode::NonFinite,
                           "element " + std::to_string(i) + " holds a value that is not finite");
    }
}

// A negative length would lay the element backwards over the line already built and make the
// stations run back: every station there would get a point, none of them the designed one.
void RequireNonNegativeLength(const SharedState& s, int i) {
    if (s.ElemLength[i] < 0.0) {
        throw RuntimeError(ErrorCode::Format, "element " + std::to_string(i) +
                                                  " has a negative length " +
                                                  state::FormatShortest(s.ElemLength[i]));
    }
}

// The point at distance f from the start of element i, as an offset from the element's start or
// (exit spirals, whose clothoid origin is the element's end) from its end, with the azimuth there
// before normalisation.
struct ElementOffset {
    bool FromEnd = false;
    double DeltaX = 0.0; ///< m
    double DeltaY = 0.0; ///< m
    double Azimuth = 0.0;
};

// Places a local offset (u along, v to the right of azimuth theta) as a plane offset.
ElementOffset Placed(bool fromEnd, double theta, double u, double v, double azimuth) {
    const state::PlanePoint d = state::PlaceOffset({}, theta, u, v);
    return {fromEnd, d.X, d.Y, azimuth};
}

ElementOffset OffsetAt(double rs, double re, double len, double thetaS, double thetaE, double f) {
    const ElementKind kind = KindOf(rs, re);
    if (len == 0.0 && kind != ElementKind::Arc) {
        // A spiral of no length has no clothoid; it neither turns nor moves the line.
        return Placed(false, thetaS, f, 0.0, thetaS);
    }
    switch (kind) {
    case ElementKind::Straight:
        return Placed(false, thetaS, f, 0.0, thetaS);
    case ElementKind::Arc: {
        // The chord 2R sin(f/2R) along the mean direction: no cancellation on short arcs.
        const double half = Divide(f, 2.0 * rs, "arc radius");
        return Placed(false, thetaS + half, 2.0 * rs * std::sin(half), 0.0, thetaS + 2.0 * half);
    }
    case ElementKind::EntrySpiral: {
        // Clothoid origin at the element's start, laid along the start tangent.
        const double k = len * re;
        const double u = jd::ClothoidX(f, k);
        const double v = jd::ClothoidY(f, k);
        return Placed(false, thetaS, u, v, thetaS + Divide(f * f, 2.0 * k, "spiral parameter"));
    }
    case ElementKind::ExitSpiral: {
        // Clothoid origin at the element's end; the point lies d back from it. Seen from the
        // end, the point is at (-u, +v) in the frame of the end tangent.
        const double k = len * rs;
        const double d = len - f;
        const double u = jd::ClothoidX(d, k);
        const double v = jd::ClothoidY(d, k);
        return Placed(true, thetaE, -u, v, thetaE - Divide(d * d, 2.0 * k, "spiral parameter"));
    }
    case ElementKind::CompoundSpiral: {
        // Curvature 1/rs at the start, changing linearly to 1/re over len.
        const double k0 = Divide(1.0, rs, "spiral start radius");
        const double rate =
            Divide(Divide(1.0, re, "spiral end radius") - k0, len, "compound spiral length");
        const LocalOffset p = ClothoidSegment(k0, rate, f);
        return Placed(false, thetaS, p.U, p.V, thetaS + (k0 + 0.5 * rate * f) * f);
    }
    }
    return {};
}

} // namespace

void SplitReversingSpirals(SharedState& s) {
    const int count = s.ElemRowCount;
    RequireElementCount(count, "element row count");
    struct Row {
        double A, B, C;
    };
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(count) * 2);
    for (int i = 1; i <= count; ++i) {
        const double a = s.ElemRowA[i];
        const double b = s.ElemRowB[i];
        const double c = s.ElemRowC[i];
        if (a != kInfiniteRadius && b != kInfiniteRadius && a != b && a * b < 0.0) {
            // The curvature runs linearly from 1/a through 0 to 1/b; it passes zero where the
            // two pieces change curvature at one rate: (1/r1)/c1 = (1/r2)/c2, c1 + c2 = c.
            const double r1 = std::fabs(a);
            const double r2 = std::fabs(b);
            rows.push_back({a, kInfiniteRadius, c * r2 / (r1 + r2)});
            rows.push_back({kInfiniteRadius, b, c * r1 / (r1 + r2)});
        } else {
            rows.push_back({a, b, c});
        }
    }
    const int newCount = static_cast<int>(rows.size());
    if (newCount > state::kMaxRows) {
        throw RuntimeError(ErrorCode::Format,
                           "splitting the reversing spirals gives " + std::to_string(newCount) +
                               " elements, more than " + std::to_string(state::kMaxRows));
    }
    for (int i = 1; i <= newCount; ++i) {
        const Row& row = rows[static_cast<std::size_t>(i - 1)];
        s.ElemRowA[i] = row.A;
        s.ElemRowB[i] = row.B;
        s.ElemRowC[i] = row.C;
        s.ElemStartRadius[i] = row.A;
        s.ElemEndRadius[i] = row.B;
        s.ElemLength[i] = row.C;
    }
    s.ElemRowCount = newCount;
    s.ElemCount = newCount;
    s.ElemStationIncreasing = false; // the stations belong to the elements before the split
}

double DmsToDegrees(double dms) {
    RequireFinite(dms, "degrees.minutesseconds value");
    const double a = std::fabs(dms);
    const double sign = dms < 0.0 ? -1.0 : (dms > 0.0 ? 1.0 : 0.0);
    // Digits of the shortest decimal text that reads back as a: "123.45305" -> d = 123,
    // minutes "45", seconds "30" and the further second digits "5".
    const std::string text = state::FormatShortest(a);
    const std::size_t point = text.find('.');
    if (point == std::string::npos) {
        return dms; // whole degrees
    }
    const std::string_view whole(text.data(), point);
    std::string fraction = text.substr(point + 1);
    if (fraction.size() < 4) {
        fraction.append(4 - fraction.size(), '0');
    }
    const std::uint64_t minutes = DigitValue(std::string_view(fraction).substr(0, 2));
    const std::uint64_t seconds = DigitValue(std::string_view(fraction).substr(2, 2));
    const std::string_view secondDecimals = std::string_view(fraction).substr(4);

    // Exact path: the whole value as a count of 10^-k seconds over 3600 * 10^k, both exact in a
    // double, so the one division rounds the exact quotient.
    constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 53;
    if (whole.size() <= 9 && secondDecimals.size() <= 9) {
        std::uint64_t scale = 1;
        for (std::size_t i = 0; i < secondDecimals.size(); ++i) {
            scale *= 10;
        }
        const std::uint64_t totalSeconds = (DigitValue(whole) * 60 + minutes) * 60 + seconds;
        if (totalSeconds <= kExactLimit / scale) {
            const std::uint64_t numerator = totalSeconds * scale + DigitValue(secondDecimals);
            if (numerator <= kExactLimit) {
                return sign *
                       (static_cast<double>(numerator) / (3600.0 * static_cast<double>(scale)));
            }
        }
    }
    // A value with more digits than the exact path holds: whole degrees and the rest apart.
    double secondsValue = 0.0;
    const std::string secondsText = fraction.substr(2, 2) + "." + std::string(secondDecimals);
    std::from_chars(secondsText.data(), secondsText.data() + secondsText.size(), secondsValue);
    const double degrees = std::floor(a);
    return sign * (degrees + (static_cast<double>(minutes) * 60.0 + secondsValue) / 3600.0);
}

void BuildElementAlignment(SharedState& s) {
    const int n = s.ElemCount;
    RequireElementCount(n, "element count");
    for (int i = 1; i <= n; ++i) {
        RequireFiniteRow(s, i);
        RequireNonZeroRadii(s, i);
        RequireNonNegativeLength(s, i);
    }
    RequireFinite(s.ElemStartStation, "start station");
    RequireFinite(s.ElemStartX, "start X");
    RequireFinite(s.ElemStartY, "start Y");
    RequireFinite(s.ElemStartAzimuth, "start azimuth");
    s.ElemStationIncreasing = false;

    s.ElemStartAzimuth = RequireFinite(DegreesToRadians(s.ElemStartAzimuth), "start azimuth");

    // Stations, turns and the unnormalised azimuths, each a compensated running sum.
    CompensatedSum station(s.ElemStartStation);
    CompensatedSum azimuth(s.ElemStartAzimuth);
    s.ElemStation[1] = s.ElemStartStation;
    s.ElemAzimuth[1] = s.ElemStartAzimuth;
    for (int i = 1; i <= n; ++i) {
        station.Add(s.ElemLength[i]);
        s.ElemStation[i + 1] = RequireFinite(station.Value(), "element station");
        s.ElemTurn[i] = RequireFinite(
            ElementTurn(s.ElemStartRadius[i], s.ElemEndRadius[i], s.ElemLength[i]), "element turn");
        azimuth.Add(s.ElemTurn[i]);
        s.ElemAzimuth[i + 1] = RequireFinite(azimuth.Value(), "element azimuth");
    }
    for (int i = 1; i <= n + 1; ++i) {
        s.ElemAzimuth[i] = NormaliseAzimuth(s.ElemAzimuth[i]);
    }

    // Increments over each element and the start points as compensated sums of them.
    CompensatedSum x(s.ElemStartX);
    CompensatedSum y(s.ElemStartY);
    s.ElemX[1] = s.ElemStartX;
    s.ElemY[1] = s.ElemStartY;
    for (int i = 1; i <= n; ++i) {
        const double len = s.ElemLength[i];
        const bool exit =
            KindOf(s.ElemStartRadius[i], s.ElemEndRadius[i]) == ElementKind::ExitSpiral;
        // The exit spiral's start seen from its end, negated; every other kind's end from its
        // start.
        const ElementOffset o = OffsetAt(s.ElemStartRadius[i], s.ElemEndRadius[i], len,
                                         s.ElemAzimuth[i], s.ElemAzimuth[i + 1], exit ? 0.0 : len);
        s.ElemDeltaX[i] = RequireFinite(exit ? -o.DeltaX : o.DeltaX, "element X increment");
        s.ElemDeltaY[i] = RequireFinite(exit ? -o.DeltaY : o.DeltaY, "element Y increment");
        x.Add(s.ElemDeltaX[i]);
        y.Add(s.ElemDeltaY[i]);
        s.ElemX[i + 1] = RequireFinite(x.Value(), "element X");
        s.ElemY[i + 1] = RequireFinite(y.Value(), "element Y");
    }

    bool increasing = true;
    for (int i = 1; i <= n && increasing; ++i) {
        increasing = s.ElemStation[i] < s.ElemStation[i + 1];
    }
    s.ElemStationIncreasing = increasing;
}

int FindElement(const SharedState& s, double station) {
    const int n = s.ElemCount;
    RequireElementCount(n, "element count");
    if (s.ElemStationIncreasing) {
        // The last row j of 1..n+1 with ElemStation(j) <= station; in a strictly increasing
        // table only element j can hold the station.
        if (!(s.ElemStation[1] <= station)) {
            return n + 1;
        }
        // Halving without a data-dependent branch: random stations defeat branch prediction.
        int lo = 1;
        int size = n + 1;
        while (size > 1) {
            const int half = size / 2;
            lo = (s.ElemStation[lo + half] <= station) ? lo + half : lo;
            size -= half;
        }
        return (lo <= n && station < s.ElemStation[lo + 1]) ? lo : n + 1;
    }
    for (int i = 1; i <= n; ++i) {
        if (s.ElemStation[i] <= station && station < s.ElemStation[i + 1]) {
            return i;
        }
    }
    return n + 1;
}

StationPoint ElementPointAt(const SharedState& s, int element, double distance) {
    if (element < 1 || element > s.ElemCount) {
        throw RuntimeError(ErrorCode::IndexOutOfRange, "element " + std::to_string(element) +
                                                           " outside 1.." +
                                                           std::to_string(s.ElemCount));
    }
    RequireNonZeroRadii(s, element);
    const ElementOffset o =
        OffsetAt(s.ElemStartRadius[element], s.ElemEndRadius[element], s.ElemLength[element],
                 s.ElemAzimuth[element], s.ElemAzimuth[element + 1], distance);
    const int base = o.FromEnd ? element + 1 : element;
    return {RequireFinite(s.ElemX[base] + o.DeltaX, "element point X"),
            RequireFinite(s.ElemY[base] + o.DeltaY, "element point Y"),
            NormaliseAzimuth(o.Azimuth)};
}

StationPoint ElemStationToPoint(const SharedState& s, double station) {
    const int n = s.ElemCount;
    RequireElementCount(n, "element count");
    // Beyond the end (checked first: it wins where both hold) and before the start the line runs
    // on along the end and start tangents.
    const int tangentRow =
        station >= s.ElemStation[n + 1] ? n + 1 : (station <= s.ElemStation[1] ? 1 : 0);
    if (tangentRow != 0) {
        const double f = station - s.ElemStation[tangentRow];
        const double theta = s.ElemAzimuth[tangentRow];
        return {RequireFinite(s.ElemX[tangentRow] + f * std::cos(theta), "line point X"),
                RequireFinite(s.ElemY[tangentRow] + f * std::sin(theta), "line point Y"),
                NormaliseAzimuth(theta)};
    }
    const int element = FindElement(s, station);
    if (element > n) {
        throw RuntimeError(ErrorCode::Geometry,
                           "no element holds station " + state::FormatShortest(station));
    }
    return ElementPointAt(s, element, station - s.ElemStation[element]);
}

} // namespace tesk::element
