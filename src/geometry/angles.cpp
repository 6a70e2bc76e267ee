#include "geometry/angles.h"

#include "geometry/error.h"
#include "geometry/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace tesk::geometry {

namespace {

// The value of a run of decimal digits (at most 18 of them).
std::uint64_t DigitValue(std::string_view digits) {
    std::uint64_t value = 0;
    for (const char c : digits) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

// At least two digits: a leading zero below 10. (Built by appending: GCC 12 warns falsely on
// "0" + std::string.)
std::string TwoDigits(std::int64_t value) {
    std::string text = value < 10 ? "0" : "";
    text += std::to_string(value);
    return text;
}

} // namespace

double NormaliseAzimuth(double azimuth) {
    // Within a turn of the range a single step is exact and equals the remainder below.
    if (azimuth >= 0.0 && azimuth < kTwoPi) {
        return azimuth;
    }
    if (azimuth >= kTwoPi && azimuth < 2.0 * kTwoPi) {
        return azimuth - kTwoPi;
    }
    double a = std::fmod(RequireFinite(azimuth, "azimuth"), kTwoPi) + 0.0; // no -0 from -2*pi
    if (a < 0.0) {
        a += kTwoPi;
        if (a >= kTwoPi) { // a direction a hair below north rounds up to 2*pi
            a = 0.0;
        }
    }
    return a;
}

double ReduceAngle(double angle) {
    RequireFinite(angle, "angle");
    if (angle >= -kPi && angle <= kPi) {
        return angle;
    }
    // The IEEE remainder removes the nearest whole number of turns exactly. Subtracting 2*pi
    // turn by turn does not: beyond two turns each step rounds to the angle's coarser spacing.
    return std::remainder(angle, kTwoPi);
}

double PointAzimuth(PlanePoint p, PlanePoint q) {
    const double dx = q.X - p.X;
    const double dy = q.Y - p.Y;
    if (dx == 0.0) {
        return dy > 0.0 ? kPi / 2.0 : 1.5 * kPi;
    }
    return NormaliseAzimuth(std::atan2(dy, dx) + 0.0); // + 0.0 turns a -0 (due north) into 0
}

double DmsToDegrees(double dms) {
    RequireFinite(dms, "degrees.minutesseconds value");
    const double a = std::fabs(dms);
    const double sign = dms < 0.0 ? -1.0 : (dms > 0.0 ? 1.0 : 0.0);
    // Digits of the shortest decimal text that reads back as a: "123.45305" -> d = 123,
    // minutes "45", seconds "30" and the further second digits "5".
    const std::string text = FormatShortest(a);
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

std::string AzimuthText(double azimuth) {
    const double degrees = std::fabs(azimuth * 180.0 / std::numbers::pi);
    // Hundredths of an arc second, rounded once, so that the carry reaches minutes and degrees.
    const auto hundredths = static_cast<std::int64_t>(std::llround(degrees * 360000.0));
    const std::int64_t d = hundredths / 360000;
    const std::int64_t m = (hundredths / 6000) % 60;
    const std::int64_t s = hundredths % 6000;

    std::string seconds;
    if (s < 1000) {
        // Below 10″: a leading zero and the shortest form (5.30 -> 05.3, 5.00 -> 05).
        seconds = "0";
        seconds += FormatShortest(static_cast<double>(s) / 100.0);
    } else {
        seconds = FormatFixed(static_cast<double>(s) / 100.0, 2);
    }
    return TwoDigits(d) + "°" + TwoDigits(m) + "′" + seconds + "″";
}

double DegreesToRadians(double degrees) {
    constexpr double kPiHigh = std::numbers::pi;
    constexpr double kPiLow = 1.2246467991473532e-16; // pi - kPiHigh
    const double high = degrees * kPiHigh;
    const double low = std::fma(degrees, kPiHigh, -high) + degrees * kPiLow;
    const double quotient = high / 180.0;
    const double remainder = std::fma(-quotient, 180.0, high) + low;
    return quotient + remainder / 180.0;
}

} // namespace tesk::geometry
