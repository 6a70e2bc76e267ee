#include "geometry/angles.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <numbers>
#include <string>

namespace tesk::geometry {
namespace {

double Radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}
double Dms(int d, int m, double s) {
    return Radians(d + m / 60.0 + s / 3600.0);
}

struct AzimuthCase {
    double Radians;
    const char* Text;
    const char* Why;
};

TEST(AzimuthText, WorkedValues) {
    const AzimuthCase cases[] = {
        {Radians(45.5125), "45°30′45.00″", ""},
        {Radians(5.0025), "05°00′09″", "two-digit degrees"},
        {Radians(123.5), "123°30′00″", ""},
        {0.0, "00°00′00″", ""},
        {1.5 * std::numbers::pi, "270°00′00″", ""},
        {Dms(5, 7, 5.3), "05°07′05.3″", "seconds below 10 drop trailing zeros"},
        {Dms(12, 0, 10.5), "12°00′10.50″", "from 10 on two decimals stay"},
        {-Radians(45.5125), "45°30′45.00″", "the sign is dropped"},
        {Radians(365.0), "365°00′00″", "full turns are not reduced"},
    };
    for (const AzimuthCase& c : cases) {
        EXPECT_EQ(AzimuthText(c.Radians), c.Text) << c.Why;
    }
}

TEST(AzimuthText, RoundingCarriesIntoMinutesAndDegrees) {
    // Just below a whole minute / degree: never 60″ or 60′.
    const AzimuthCase cases[] = {
        {Dms(29, 59, 59.999), "30°00′00″", ""},
        {Dms(29, 14, 59.996), "29°15′00″", ""},
        {Dms(29, 14, 59.994), "29°14′59.99″", ""},
        {Dms(359, 59, 59.999), "360°00′00″", ""},
        {Dms(7, 30, 9.996), "07°30′10.00″", "rounded up to 10 keeps two decimals"},
        {Dms(7, 30, 9.994), "07°30′09.99″", ""},
    };
    for (const AzimuthCase& c : cases) {
        EXPECT_EQ(AzimuthText(c.Radians), c.Text) << c.Why;
    }
}

TEST(AzimuthText, EveryWholeSecondReadsBack) {
    for (int m = 0; m < 60; ++m) {
        for (int s = 0; s < 60; ++s) {
            char expected[64];
            std::snprintf(expected, sizeof expected, s < 10 ? "88°%02d′%02d″" : "88°%02d′%02d.00″",
                          m, s);
            EXPECT_EQ(AzimuthText(Dms(88, m, s)), expected);
        }
    }
}

} // namespace
} // namespace tesk::geometry
