#include "geometry/polar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace tesk::geometry {
namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

struct PolarCase {
    const char* What;
    PlanePoint Station;
    PlanePoint Backsight;
    PlanePoint Point;
    double AzimuthDegrees;
    double AngleDegrees;
    double Distance;
};

// X north, Y east: a point to the east lies 90° clockwise from north.
const PolarCase kCases[] = {
    {"north-east of a northern backsight", {0, 0}, {10, 0}, {3, 3}, 45, 45, std::sqrt(18.0)},
    {"south-east", {0, 0}, {10, 0}, {-3, 3}, 135, 135, std::sqrt(18.0)},
    {"south-west", {0, 0}, {10, 0}, {-3, -3}, 225, 225, std::sqrt(18.0)},
    {"north-west", {0, 0}, {10, 0}, {3, -3}, 315, 315, std::sqrt(18.0)},
    {"due east", {0, 0}, {10, 0}, {0, 4}, 90, 90, 4},
    {"due south", {0, 0}, {10, 0}, {-4, 0}, 180, 180, 4},
    {"due west", {0, 0}, {10, 0}, {0, -4}, 270, 270, 4},
    {"north from an eastern backsight", {0, 0}, {0, 10}, {4, 0}, 0, 270, 4},
    {"the backsight's own direction", {0, 0}, {0, 10}, {0, 5}, 90, 0, 5},
    {"across north: backsight at 350°, point at 10°",
     {0, 0},
     {std::cos(350 * kDegree), std::sin(350 * kDegree)},
     {2 * std::cos(10 * kDegree), 2 * std::sin(10 * kDegree)},
     10,
     20,
     2},
    {"across north the other way: backsight at 10°, point at 350°",
     {0, 0},
     {std::cos(10 * kDegree), std::sin(10 * kDegree)},
     {2 * std::cos(350 * kDegree), 2 * std::sin(350 * kDegree)},
     350,
     340,
     2},
    {"survey coordinates", {3453200, 504700}, {3453300, 504800}, {3453200, 504750}, 90, 45, 50},
};

TEST(PolarFrom, AzimuthAngleAndDistanceInEveryQuadrantAndAcrossNorth) {
    for (const PolarCase& c : kCases) {
        const PolarValues v = PolarFrom(c.Station, c.Backsight, c.Point);
        EXPECT_NEAR(v.Azimuth / kDegree, c.AzimuthDegrees, 1e-9) << c.What;
        EXPECT_NEAR(v.Angle / kDegree, c.AngleDegrees, 1e-9) << c.What;
        EXPECT_NEAR(v.Distance, c.Distance, 1e-12 * (1 + c.Distance)) << c.What;
        EXPECT_GE(v.Angle, 0.0) << c.What;
        EXPECT_LT(v.Angle, 2 * std::numbers::pi) << c.What;
    }
}

TEST(PolarFrom, AnAngleBetweenCloseDirectionsKeepsItsDigits) {
    // About 1 mm across at 1 km from a station far from the origin (0.2″): the angle is exact
    // to the last bits, not a difference of two azimuths each rounded near 1.57 rad.
    const PlanePoint station{3453200.0, 504700.0};
    constexpr double kAcross = 0.0009765625; // 2^-10 m: every coordinate below is exact
    const PolarValues v = PolarFrom(station, {station.X, station.Y + 1000.0},
                                    {station.X - kAcross, station.Y + 1000.0});
    EXPECT_NEAR(v.Angle, std::atan(kAcross / 1000.0), 1e-21);
}

TEST(DirectionText, TurnsReadWithinOneCircle) {
    const struct {
        double Radians;
        const char* Text;
    } rows[] = {
        {0.0, "00°00′00″"},
        {90 * kDegree, "90°00′00″"},
        {2 * std::numbers::pi - 1e-12, "00°00′00″"},      // rounds up to a full turn
        {(360 - 0.01 / 3600) * kDegree, "359°59′59.99″"}, // the last text below a full turn
        {-90 * kDegree, "270°00′00″"},
        {2 * std::numbers::pi + 45 * kDegree, "45°00′00″"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(DirectionText(row.Radians), row.Text) << row.Radians;
    }
}

} // namespace
} // namespace tesk::geometry
