#pragma once

// Conventions that hold throughout the program (they are the source of silent errors, so they
// are stated once here and never redefined):
//   * Plane coordinates are survey coordinates in metres: X is NORTH, Y is EAST. Drawings take
//     east first; converting is the drawing layer's job, never the engine's.
//   * Azimuths are radians measured from north (+X) clockwise toward east (+Y), normally in
//     [0, 2*pi). A positive deflection, turn, curvature or radius means a turn to the right.
//   * An offset from the line (a skew distance) is positive to the LEFT of the line's direction.
//   * The engine works on continuous mileage (start station + distance along the line). Written
//     stations restart at each chain break and carry a mark letter "A", "B", ...; the
//     conversions live in the stationing library.

#include <cmath>

namespace tesk::geometry {

/// A plane survey point, metres: X north, Y east.
struct PlanePoint {
    double X = 0.0;
    double Y = 0.0;
};

/// A point of the design line with the line's tangent azimuth there (rad, clockwise from north,
/// in [0, 2*pi)).
struct StationPoint {
    double X = 0.0;       ///< m, north
    double Y = 0.0;       ///< m, east
    double Azimuth = 0.0; ///< rad
};

/// A point relative to a tangent: U along it, V square to it, positive to the RIGHT (m).
struct LocalOffset {
    double U = 0.0;
    double V = 0.0;
};

/// Places a local offset at `base`: u metres along the direction `theta` (azimuth, rad) and v
/// metres square to it, v positive to the RIGHT of theta.
inline PlanePoint PlaceOffset(PlanePoint base, double theta, double u, double v) {
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    return {base.X + u * c - v * s, base.Y + u * s + v * c};
}

/// Distance between two points, m.
inline double Distance(PlanePoint a, PlanePoint b) {
    return std::hypot(b.X - a.X, b.Y - a.Y);
}

} // namespace tesk::geometry
