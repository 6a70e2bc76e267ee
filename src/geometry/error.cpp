#include "geometry/error.h"

#include <cmath>

namespace tesk::geometry {

std::string RuntimeError::WithoutNul(const std::string& text) {
    if (text.find('\0') == std::string::npos) {
        return text;
    }
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        if (c == '\0') {
            out += "\\0";
        } else {
            out += c;
        }
    }
    return out;
}

double RequireFinite(double value, const char* what) {
    if (!std::isfinite(value)) {
        throw RuntimeError(ErrorCode::NonFinite, std::string(what) + " is not finite");
    }
    return value;
}

double Divide(double a, double b, const char* what) {
    if (b == 0.0) {
        throw RuntimeError(ErrorCode::DivisionByZero, std::string("division by zero in ") + what);
    }
    return RequireFinite(a / b, what);
}

} // namespace tesk::geometry
