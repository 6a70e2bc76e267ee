#include "geometry/polar.h"

#include "geometry/angles.h"

#include <cmath>
#include <cstdint>
#include <numbers>

namespace tesk::geometry {

PolarValues PolarFrom(PlanePoint station, PlanePoint backsight, PlanePoint point) {
    const double bx = backsight.X - station.X;
    const double by = backsight.Y - station.Y;
    const double px = point.X - station.X;
    const double py = point.Y - station.Y;
    PolarValues v;
    v.Azimuth = PointAzimuth(station, point);
    // Clockwise from b to p with X north, Y east: the sine is b x p = bx*py - by*px.
    v.Angle = NormaliseAzimuth(std::atan2(bx * py - by * px, bx * px + by * py));
    v.Distance = std::hypot(px, py);
    return v;
}

std::string DirectionText(double radians) {
    double turn = NormaliseAzimuth(radians);
    constexpr std::int64_t kFullTurn = 360LL * 360000; // hundredths of an arc second
    if (std::llround(turn * 180.0 / std::numbers::pi * 360000.0) >= kFullTurn) {
        turn = 0.0;
    }
    return AzimuthText(turn);
}

} // namespace tesk::geometry
