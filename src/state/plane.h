#pragma once

#include <cmath>

namespace tesk::state {

/// A plane survey point, metres: X north, Y east.
struct PlanePoint {
    double X = 0.0;
    double Y = 0.0;
};

/// What a station evaluator returns: the design-line point at a continuous station and the
/// line's tangent azimuth there (rad, clockwise from north, in [0, 2*pi)).
struct StationPoint {
    double X = 0.0;       ///< m, north
    double Y = 0.0;       ///< m, east
    double Azimuth = 0.0; ///< rad
};

/// Places a local offset at `base`: u metres along the direction `theta` (azimuth, rad) and v
/// metres square to it, v positive to the RIGHT of theta.
inline PlanePoint PlaceOffset(PlanePoint base, double theta, double u, double v) {
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    return {base.X + u * c - v * s, base.Y + u * s + v * c};
}

} // namespace tesk::state
