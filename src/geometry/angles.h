#pragma once

// The program's one set of angle helpers: normalising azimuths, reducing angle differences,
// directions between points and the degrees.minutesseconds notation of survey data.

#include "geometry/plane.h"

#include <numbers>
#include <string>

namespace tesk::geometry {

inline constexpr double kPi = std::numbers::pi;
inline constexpr double kTwoPi = 2.0 * std::numbers::pi;

/// An azimuth (rad, finite) brought into [0, 2*pi); exact: only whole turns of the double 2*pi
/// are removed, and a direction a hair below north becomes 0. Throws RuntimeError(NonFinite) for
/// a value that is not finite.
double NormaliseAzimuth(double azimuth);

/// An angle (rad, finite) brought into [-pi, pi] by whole turns of the double 2*pi, exactly; one
/// step for a difference of two azimuths in [0, 2*pi). Throws RuntimeError(NonFinite) for a
/// value that is not finite.
double ReduceAngle(double angle);

/// Azimuth of the direction from p to q, in [0, 2*pi). A point to itself gives 3*pi/2.
double PointAzimuth(PlanePoint p, PlanePoint q);

/// Converts an angle written as degrees.minutesseconds (123.4530 = 123 deg 45' 30"; seconds may
/// carry further decimals, 123.45305 = 123 deg 45' 30.5") into decimal degrees; a negative value
/// is the negative angle. The digits are taken from the shortest decimal text of the double, so
/// every value written with up to four decimals converts to the double nearest to
/// d + mm/60 + ss/3600. Minutes or seconds of 60 and more are taken as written. Throws
/// RuntimeError(NonFinite) for a value that is not finite.
double DmsToDegrees(double dms);

/// The azimuth text of an angle in radians, degrees-minutes-seconds without blanks, e.g.
/// 45°30′45.00″. The sign is dropped and values of 360° or more are not reduced. Seconds below
/// 10 lose their trailing zeros (05°00′09″, 05°00′05.3″); from 10 on they keep two decimals.
/// The angle is rounded to 0.01″ before it is split, so 29°59′59.999″ reads 30°00′00″.
std::string AzimuthText(double azimuth);

/// degrees * pi / 180, correctly rounded (the product with pi is carried in double-double).
double DegreesToRadians(double degrees);

} // namespace tesk::geometry
