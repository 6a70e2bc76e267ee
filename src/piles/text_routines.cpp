#include "piles/text_routines.h"

#include "geometry/error.h"
#include "geometry/number_text.h"

#include <cmath>
#include <cstdint>
#include <numbers>

namespace tesk::piles {

using geometry::FormatFixed;
using geometry::NumericValue;

namespace {

// At least two digits: a leading zero below 10. (Built by appending: GCC 12 warns falsely on
// "0" + std::string.)
std::string TwoDigits(std::int64_t value) {
    std::string text = value < 10 ? "0" : "";
    text += std::to_string(value);
    return text;
}

// Text after the occurrence of `separator` at `at` up to its next occurrence (or the end).
std::string_view UpToNext(std::string_view text, std::size_t at, std::string_view separator) {
    const std::string_view rest = text.substr(at + separator.size());
    return rest.substr(0, rest.find(separator));
}

} // namespace

std::string fwj(double azimuth) {
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
        seconds += geometry::FormatShortest(static_cast<double>(s) / 100.0);
    } else {
        seconds = FormatFixed(static_cast<double>(s) / 100.0, 2);
    }
    return TwoDigits(d) + "°" + TwoDigits(m) + "′" + seconds + "″";
}

CountExpression zwbdsjs(std::string_view zwbds) {
    CountExpression result;
    result.zwzgs = NumericValue(zwbds);
    for (std::string_view separator : {"x", "X", "*", "×"}) {
        const std::size_t at = zwbds.find(separator);
        if (at != std::string_view::npos) {
            result.zwzgs = NumericValue(zwbds.substr(0, at));
            result.zwzzz = 2;
            break;
        }
    }
    for (std::string_view minus : {"-", "－"}) {
        const std::size_t at = zwbds.find(minus);
        if (at != std::string_view::npos) {
            result.zwutjd = NumericValue(UpToNext(zwbds, at, minus));
            break;
        }
    }
    return result;
}

std::string rowcol(int rows, int cols) {
    if (cols < 1 || cols > 26 * 27) {
        throw geometry::RuntimeError(geometry::ErrorCode::IndexOutOfRange,
                                  "column " + std::to_string(cols) +
                                      " needs more than two letters");
    }
    std::string letters;
    if (cols > 26) {
        // Letters are 1..26 (A..Z), so a multiple of 26 ends in Z: 52 -> AZ.
        const int c1 = (cols - 1) / 26;
        const int c2 = cols - 26 * c1;
        letters.push_back(static_cast<char>(64 + c1));
        letters.push_back(static_cast<char>(64 + c2));
    } else {
        letters.push_back(static_cast<char>(64 + cols));
    }
    return letters + std::to_string(rows);
}

StationField SplitStationField(std::string_view field) {
    for (auto [sign, separator] :
         {std::pair{1.0, std::string_view("+")}, std::pair{-1.0, std::string_view("-")}}) {
        const std::size_t at = field.find(separator);
        if (at != std::string_view::npos) {
            return {std::string(field.substr(0, at)),
                    sign * NumericValue(UpToNext(field, at, separator))};
        }
    }
    return {std::string(field), 0.0};
}

} // namespace tesk::piles
