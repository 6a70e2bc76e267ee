#include "geometry/angles.h"
#include "geometry/error.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace tesk::geometry {
namespace {

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

} // namespace
} // namespace tesk::geometry
