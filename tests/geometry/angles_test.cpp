#include "geometry/angles.h"
#include "geometry/error.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace tesk::geometry {
namespace {

constexpr double kAngleTol = 1e-15; // rad

TEST(PointAzimuth, CardinalAndDiagonalDirections) {
    const PlanePoint o{0.0, 0.0};
    EXPECT_EQ(PointAzimuth(o, {1.0, 0.0}), 0.0);
    EXPECT_NEAR(PointAzimuth(o, {0.0, 1.0}), kPi / 2.0, kAngleTol);
    EXPECT_NEAR(PointAzimuth(o, {-1.0, 0.0}), kPi, kAngleTol);
    EXPECT_NEAR(PointAzimuth(o, {0.0, -1.0}), 1.5 * kPi, kAngleTol);
    EXPECT_NEAR(PointAzimuth(o, {1.0, -1.0}), 1.75 * kPi, 4 * kAngleTol);
    EXPECT_NEAR(PointAzimuth(o, {-1.0, 1.0}), 0.75 * kPi, 4 * kAngleTol);
    EXPECT_NEAR(PointAzimuth(o, {-1.0, -1.0}), 1.25 * kPi, 4 * kAngleTol);
    EXPECT_NEAR(PointAzimuth(o, o), 1.5 * kPi, kAngleTol) << "a point to itself";
}

TEST(PointAzimuth, StaysInsideZeroToTwoPi) {
    // Due north with a negative-zero east difference, and a hair west of north.
    const double north = PointAzimuth({5.0, -0.0}, {6.0, -0.0});
    EXPECT_EQ(north, 0.0);
    EXPECT_FALSE(std::signbit(north));
    const double hair = PointAzimuth({0.0, 0.0}, {1e6, -1e-300});
    EXPECT_GE(hair, 0.0);
    EXPECT_LT(hair, 2.0 * kPi);
    // Survey-sized coordinates keep the direction to the last digits.
    const PlanePoint a{3'456'789.123, 512'345.678};
    const PlanePoint b{a.X + 300.0, a.Y + 400.0};
    EXPECT_NEAR(PointAzimuth(a, b), std::atan2(4.0, 3.0), 1e-12);
}

TEST(NormaliseAzimuth, BringsEveryAngleIntoZeroToTwoPi) {
    struct Case {
        double In, Out;
    };
    for (const Case c : {Case{0.0, 0.0}, Case{-1e-300, 0.0}, Case{kTwoPi, 0.0}, Case{-kTwoPi, 0.0},
                         Case{1e6, std::fmod(1e6, kTwoPi)}, Case{-kTwoPi - 1.0, kTwoPi - 1.0},
                         Case{kTwoPi + 1.0, 1.0}, Case{-0.1, kTwoPi - 0.1}}) {
        const double got = NormaliseAzimuth(c.In);
        EXPECT_NEAR(got, c.Out, 1e-15) << c.In;
        EXPECT_GE(got, 0.0) << c.In;
        EXPECT_LT(got, kTwoPi) << c.In;
        EXPECT_FALSE(std::signbit(got)) << c.In << ": no -0";
    }
    EXPECT_THROW((void)NormaliseAzimuth(std::numeric_limits<double>::quiet_NaN()), RuntimeError);
}

// Reducing by whole turns of the double 2*pi is the IEEE remainder, which is exact; the
// result must never leave [-pi, pi] nor pick up a rounding, however many turns there are.
TEST(ReduceAngle, RemovesWholeTurnsExactly) {
    std::mt19937_64 random(11);
    for (const double range : {1.0, kPi, 2 * kTwoPi, 20 * kTwoPi, 200 * kTwoPi, 1e9}) {
        std::uniform_real_distribution<double> angle(-range, range);
        for (int k = 0; k < 2000; ++k) {
            const double a = angle(random);
            const double got = ReduceAngle(a);
            ASSERT_GE(got, -kPi) << a;
            ASSERT_LE(got, kPi) << a;
            ASSERT_EQ(got, std::remainder(a, kTwoPi)) << a;
        }
    }
    EXPECT_EQ(ReduceAngle(kPi), kPi);
    EXPECT_EQ(ReduceAngle(-kPi), -kPi);
    EXPECT_EQ(ReduceAngle(0.0), 0.0);
    EXPECT_THROW((void)ReduceAngle(std::numeric_limits<double>::infinity()), RuntimeError);
}

// degrees * pi / 180 is the double nearest to the exact product.
TEST(DegreesToRadians, OneRounding) {
    for (double deg = 0.001; deg < 360; deg += 0.7173) {
        const double got = DegreesToRadians(deg);
        const long double exact =
            static_cast<long double>(deg) * std::numbers::pi_v<long double> / 180.0L;
        const double halfUlp = 0.5 * (std::nextafter(got, 10.0) - got);
        EXPECT_LE(std::fabs(static_cast<long double>(got) - exact), halfUlp * 1.001L) << deg;
    }
    EXPECT_EQ(DegreesToRadians(180.0), kPi);
    EXPECT_EQ(DegreesToRadians(90.0), kPi / 2);
}

} // namespace
} // namespace tesk::geometry
