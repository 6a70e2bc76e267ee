// The side-stake and point -> station sheets: what lands in which cell, with which format.

#include "geometry/error.h"
#include "sheet/stake_sheet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace tesk::sheet {
namespace {

double Number(const Worksheet& s, int row, int column) {
    return std::get<double>(s.ValueAt({row, column}));
}
std::string Text(const Worksheet& s, int row, int column) {
    return std::get<std::string>(s.ValueAt({row, column}));
}

TEST(StakeSheet, StationsKeepTheirMarkAndThePointsTheirColumns) {
    Workbook book;
    const StakeSheetTable table{"逐 桩 坐 标 表",
                                {"中桩", "左边桩 12.5 m"},
                                {{15100.0, 'B', {{3453235.4235, 504752.3357}, {1.5, 2.5}}},
                                 {12345.678, '\0', {{5.0, 6.0}, {7.0, 8.0}}}}};
    const Worksheet& s = WriteStakeSheet(book, table);
    EXPECT_EQ(Text(s, 2, 1), "桩号");
    EXPECT_EQ(Text(s, 2, 4), "左边桩 12.5 m");
    EXPECT_EQ(Text(s, 3, 5), "Y");
    struct Row {
        int Sheet;
        double Station;
        std::string Format;
        double Y2;
    };
    // The mark is quoted: an unquoted "B" would read as a calendar code.
    for (const Row r : {Row{4, 15100.0, "\"BK\"0+000.000", 2.5}, Row{5, 12345.678, "K0+000.000", 8.0}}) {
        EXPECT_EQ(Number(s, r.Sheet, 1), r.Station);
        EXPECT_EQ(s.FormatAt({r.Sheet, 1}).NumberFormat, r.Format);
        EXPECT_EQ(Number(s, r.Sheet, 5), r.Y2);
        EXPECT_EQ(s.FormatAt({r.Sheet, 5}).NumberFormat, "0.0000");
    }
    EXPECT_EQ(Number(s, 4, 2), 3453235.4235) << "at full precision";

    // A value that is not a number adds no sheet.
    StakeSheetTable bad = table;
    bad.Rows[1].Points[0].X = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(WriteStakeSheet(book, bad), geometry::RuntimeError);
    EXPECT_EQ(book.SheetCount(), 1u);
}

TEST(StakeSheet, ElevationsTakeAThirdColumnPerGroup) {
    Workbook book;
    StakeSheetTable table{"t", {"中桩", "左边桩 12.5 m"},
                          {{100.0, '\0', {{1, 2}, {3, 4}}, {10.25, std::nullopt}}}};
    table.WithElevations = true;
    const Worksheet& s = WriteStakeSheet(book, table);
    EXPECT_EQ(Text(s, 3, 4), "H");
    EXPECT_EQ(Number(s, 4, 4), 10.25);
    EXPECT_EQ(s.FormatAt({4, 4}).NumberFormat, "0.000");
    EXPECT_EQ(Number(s, 4, 5), 3.0) << "the second group starts after the first one's H";
    EXPECT_TRUE(std::holds_alternative<std::monostate>(s.ValueAt({4, 7})))
        << "no elevation outside the profile: an empty cell";
}

TEST(LocateSheet, OffsetsShowTheirSideAndPointsWithoutStationSayWhy) {
    Workbook book;
    const Worksheet& s = WriteLocateSheet(
        book, {{"P1", {3453254.3327, 504766.342}, true, 15120.0, 'B', 12.5, "68°19′33.24″", ""},
               {"P2", {1.0, 2.0}, false, 0.0, '\0', 0.0, "", "没有垂足"}});
    EXPECT_EQ(Text(s, 3, 1), "P1");
    EXPECT_EQ(Number(s, 3, 4), 15120.0);
    EXPECT_EQ(s.FormatAt({3, 4}).NumberFormat, "\"BK\"0+000.000");
    EXPECT_EQ(Number(s, 3, 5), 12.5);
    EXPECT_EQ(s.FormatAt({3, 5}).NumberFormat, "\"左 \"0.000;\"右 \"0.000;0.000");
    EXPECT_TRUE(std::holds_alternative<std::monostate>(s.ValueAt({4, 4})));
    EXPECT_EQ(Text(s, 4, 7), "没有垂足");
}

} // namespace
} // namespace tesk::sheet
