#include "geometry/error.h"

#include <cmath>

namespace tesk::geometry {

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
