#include "piles/text_routines.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <numbers>

namespace tesk::piles {
namespace {

double Radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}
double Dms(int d, int m, double s) {
    return Radians(d + m / 60.0 + s / 3600.0);
}

TEST(AzimuthText, WorkedValues) {
    EXPECT_EQ(fwj(Radians(45.5125)), "45°30′45.00″");
    EXPECT_EQ(fwj(Radians(5.0025)), "05°00′09″");
    EXPECT_EQ(fwj(Radians(123.5)), "123°30′00″");
    EXPECT_EQ(fwj(0.0), "00°00′00″");
    EXPECT_EQ(fwj(1.5 * std::numbers::pi), "270°00′00″");
    EXPECT_EQ(fwj(Dms(5, 7, 5.3)), "05°07′05.3″") << "seconds below 10 drop trailing zeros";
    EXPECT_EQ(fwj(Dms(12, 0, 10.5)), "12°00′10.50″") << "from 10 on two decimals stay";
}

TEST(AzimuthText, SignIsDroppedAndFullTurnsAreNotReduced) {
    EXPECT_EQ(fwj(-Radians(45.5125)), "45°30′45.00″");
    EXPECT_EQ(fwj(Radians(365.0)), "365°00′00″");
}

TEST(AzimuthText, RoundingCarriesIntoMinutesAndDegrees) {
    // Just below a whole minute / degree: never 60″ or 60′.
    EXPECT_EQ(fwj(Dms(29, 59, 59.999)), "30°00′00″");
    EXPECT_EQ(fwj(Dms(29, 14, 59.996)), "29°15′00″");
    EXPECT_EQ(fwj(Dms(29, 14, 59.994)), "29°14′59.99″");
    EXPECT_EQ(fwj(Dms(359, 59, 59.999)), "360°00′00″");
    EXPECT_EQ(fwj(Dms(7, 30, 9.996)), "07°30′10.00″");
    EXPECT_EQ(fwj(Dms(7, 30, 9.994)), "07°30′09.99″");
    // Every whole second of a few degrees reads back exactly.
    for (int m = 0; m < 60; ++m) {
        for (int s = 0; s < 60; ++s) {
            const std::string text = fwj(Dms(88, m, s));
            char expected[64];
            std::snprintf(expected, sizeof expected, s < 10 ? "88°%02d′%02d″" : "88°%02d′%02d.00″",
                          m, s);
            EXPECT_EQ(text, expected);
        }
    }
}

TEST(CountExpression, SinglesPairsAndSecondAngle) {
    auto c = zwbdsjs("3");
    EXPECT_EQ(c.zwzgs, 3.0);
    EXPECT_EQ(c.zwzzz, 1);
    EXPECT_EQ(c.zwutjd, 90.0);
    for (const char* pairs : {"3x2", "3X2", "3*9", "3×4"}) {
        c = zwbdsjs(pairs);
        EXPECT_EQ(c.zwzgs, 3.0) << pairs;
        EXPECT_EQ(c.zwzzz, 2) << pairs;
        EXPECT_EQ(c.zwutjd, 90.0) << pairs;
    }
    c = zwbdsjs("3x2-60");
    EXPECT_EQ(c.zwzzz, 2);
    EXPECT_EQ(c.zwutjd, 60.0);
    c = zwbdsjs("2－45");
    EXPECT_EQ(c.zwzgs, 2.0);
    EXPECT_EQ(c.zwzzz, 1);
    EXPECT_EQ(c.zwutjd, 45.0);
    c = zwbdsjs("1-80-5");
    EXPECT_EQ(c.zwutjd, 80.0) << "the angle ends at a second minus";
}

TEST(CellAddress, OneAndTwoLetterColumns) {
    EXPECT_EQ(rowcol(3, 28), "AB3");
    EXPECT_EQ(rowcol(1, 52), "AZ1");
    EXPECT_EQ(rowcol(7, 26), "Z7");
    EXPECT_EQ(rowcol(2, 1), "A2");
    EXPECT_EQ(rowcol(10, 27), "AA10");
    EXPECT_EQ(rowcol(4, 53), "BA4");
    EXPECT_EQ(rowcol(5, 702), "ZZ5");
    EXPECT_ANY_THROW(rowcol(1, 703));
    EXPECT_ANY_THROW(rowcol(1, 0));
    // Every column against the bijective base-26 numbering of worksheet columns.
    for (int col = 1; col <= 702; ++col) {
        std::string letters;
        for (int n = col; n > 0; n = (n - 1) / 26) {
            letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
        }
        EXPECT_EQ(rowcol(9, col), letters + "9") << col;
    }
}

TEST(StationField, OffsetAfterPlusOrMinus) {
    auto f = SplitStationField("100+5");
    EXPECT_EQ(f.Station, "100");
    EXPECT_EQ(f.Offset, 5.0);
    f = SplitStationField("100-5");
    EXPECT_EQ(f.Station, "100");
    EXPECT_EQ(f.Offset, -5.0);
    f = SplitStationField("B400+1.25+7");
    EXPECT_EQ(f.Station, "B400");
    EXPECT_EQ(f.Offset, 1.25);
    f = SplitStationField("345.6");
    EXPECT_EQ(f.Station, "345.6");
    EXPECT_EQ(f.Offset, 0.0);
}

} // namespace
} // namespace tesk::piles
