#include "geometry/angles.h"
#include "geometry/error.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace tesk::geometry {
namespace {

// The double a surveyor's text reads as.
double Read(const std::string& text) {
    double value = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// "d.mmss" followed by further second digits, as typed in an element file.
std::string DmsText(int d, int mm, int ss, const char* moreSeconds = "") {
    std::array<char, 64> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%d.%02d%02d%s", d, mm, ss, moreSeconds);
    return buffer.data();
}

TEST(DmsToDegrees, WorkedValues) {
    EXPECT_EQ(DmsToDegrees(123.4530), (123.0 * 3600 + 45 * 60 + 30) / 3600.0);
    EXPECT_NEAR(DmsToDegrees(123.4530), 123.758333333333333, 1e-12);
    EXPECT_EQ(DmsToDegrees(-0.3000), -0.5);
    EXPECT_EQ(DmsToDegrees(360.0), 360.0);
    EXPECT_EQ(DmsToDegrees(0.0), 0.0);
    EXPECT_EQ(DmsToDegrees(90.0), 90.0);
    EXPECT_EQ(DmsToDegrees(0.0001), 1.0 / 3600.0);
}

// The digits of a double just below a whole number of minutes must not lose a minute:
// 0.29 is stored as 0.28999..., and 35.05 as 35.04999...
TEST(DmsToDegrees, ValuesStoredJustBelowTheirDigitsKeepTheirMinutes) {
    EXPECT_EQ(DmsToDegrees(0.29), 29.0 / 60.0);
    EXPECT_EQ(DmsToDegrees(35.05), (35.0 * 60 + 5) / 60.0);
    EXPECT_EQ(DmsToDegrees(-35.05), -(35.0 * 60 + 5) / 60.0);
    EXPECT_EQ(DmsToDegrees(1.1), (60.0 + 10) / 60.0);
}

// Every minute and second of several degrees, as a surveyor types them, is exactly
// d + mm/60 + ss/3600 (the double nearest to it), positive and negative.
TEST(DmsToDegrees, EveryMinuteAndSecondConvertsExactly) {
    for (const int d : {0, 1, 7, 35, 89, 123, 180, 271, 359}) {
        for (int mm = 0; mm < 60; ++mm) {
            for (int ss = 0; ss < 60; ++ss) {
                const std::string text = DmsText(d, mm, ss);
                const double expected = (d * 3600.0 + mm * 60.0 + ss) / 3600.0;
                ASSERT_EQ(DmsToDegrees(Read(text)), expected) << text;
                ASSERT_EQ(DmsToDegrees(-Read(text)), -expected) << "-" << text;
            }
        }
    }
}

TEST(DmsToDegrees, FractionalSecondsConvertExactly) {
    for (const int d : {0, 35, 123, 359}) {
        for (int mm = 0; mm < 60; mm += 7) {
            for (int ss = 0; ss < 60; ++ss) {
                for (const int tenths : {1, 5, 9}) {
                    const std::string text = DmsText(d, mm, ss, std::to_string(tenths).c_str());
                    const double expected = ((d * 3600.0 + mm * 60.0 + ss) * 10 + tenths) / 36000.0;
                    ASSERT_EQ(DmsToDegrees(Read(text)), expected) << text;
                }
                const std::string fine = DmsText(d, mm, ss, "0125");
                const double expected = ((d * 3600.0 + mm * 60.0 + ss) * 1e4 + 125) / 3.6e7;
                ASSERT_EQ(DmsToDegrees(Read(fine)), expected) << fine;
            }
        }
    }
}

TEST(DmsToDegrees, ShortWrittenFormsAndLargeValues) {
    EXPECT_EQ(DmsToDegrees(12.3), 12.5) << "12.3 is 12 deg 30'";
    EXPECT_EQ(DmsToDegrees(12.305), (12 * 3600.0 + 30 * 60 + 50) / 3600.0);
    EXPECT_EQ(DmsToDegrees(720.0), 720.0);
    EXPECT_EQ(DmsToDegrees(1e17), 1e17);
    // Minutes of 60 or more are taken as written.
    EXPECT_EQ(DmsToDegrees(10.75), 10.0 + 75.0 / 60.0);
    // More digits than whole seconds can hold still land within a rounding of the value.
    const double many = 123.45301234567891;
    EXPECT_NEAR(DmsToDegrees(many), 123.0 + 45.0 / 60.0 + 30.1234567891 / 3600.0, 1e-13);
}

// Negative angles carry their fractional seconds too, and a short form means whole tens of
// minutes or seconds: 12.5 is 12 deg 50', -12.305 is -(12 deg 30' 50").
TEST(DmsToDegrees, NegativeAndShortFormsKeepEveryDigit) {
    EXPECT_EQ(DmsToDegrees(12.5), (12 * 60.0 + 50) / 60.0);
    EXPECT_EQ(DmsToDegrees(-12.305), -(12 * 3600.0 + 30 * 60 + 50) / 3600.0);
    EXPECT_EQ(DmsToDegrees(-359.59595), -(359 * 36000.0 + 59 * 600 + 595) / 36000.0);
    EXPECT_EQ(DmsToDegrees(-0.00005), -0.5 / 3600.0);
    EXPECT_EQ(DmsToDegrees(-360.0), -360.0);
    for (const int d : {0, 7, 123}) {
        for (int mm = 0; mm < 60; mm += 13) {
            for (int ss = 0; ss < 60; ss += 7) {
                const std::string text = DmsText(d, mm, ss, "25");
                const double expected = ((d * 3600.0 + mm * 60.0 + ss) * 100 + 25) / 360000.0;
                ASSERT_EQ(DmsToDegrees(-Read(text)), -expected) << "-" << text;
            }
        }
    }
}

TEST(DmsToDegrees, RefusesValuesThatAreNotFinite) {
    EXPECT_THROW(DmsToDegrees(std::numeric_limits<double>::quiet_NaN()), RuntimeError);
    EXPECT_THROW(DmsToDegrees(std::numeric_limits<double>::infinity()), RuntimeError);
}

} // namespace
} // namespace tesk::geometry
