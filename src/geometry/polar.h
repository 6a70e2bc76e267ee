#pragma once

// Polar stake-out (极坐标放样): a point set out from an instrument station oriented on a
// backsight, by the horizontal angle turned clockwise from the backsight and the horizontal
// distance. Conventions as in geometry/plane.h: X north, Y east, azimuths clockwise from north.

#include "geometry/plane.h"

#include <string>

namespace tesk::geometry {

/// What the instrument turns and measures for one point.
struct PolarValues {
    double Azimuth = 0.0;  ///< rad, [0, 2*pi): from the station to the point
    double Angle = 0.0;    ///< rad, [0, 2*pi): clockwise from the backsight direction
    double Distance = 0.0; ///< m, horizontal
};

/// The polar values of `point` from `station` oriented on `backsight`. The angle is taken
/// between the two directions at once (not as a difference of two azimuths). A point at the
/// station or a backsight at the station gives angles of no meaning: the caller refuses them.
PolarValues PolarFrom(PlanePoint station, PlanePoint backsight, PlanePoint point);

/// A direction as the window shows azimuths (AzimuthText), reduced to [0°, 360°) after the
/// rounding to 0.01″: 359°59′59.999″ reads 00°00′00″, a negative angle its positive turn.
std::string DirectionText(double radians);

} // namespace tesk::geometry
