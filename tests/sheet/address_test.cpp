#include "sheet/address.h"
#include "sheet/coordinate_sheet.h"

#include "error_of.h"

#include <gtest/gtest.h>

namespace tesk::sheet {
namespace {

using geometry::ErrorCode;
using testing::ErrorOf;

TEST(SheetAddress, ColumnLettersAtEveryCarry) {
    EXPECT_EQ(ColumnLetters(1), "A");
    EXPECT_EQ(ColumnLetters(26), "Z");
    EXPECT_EQ(ColumnLetters(27), "AA");
    EXPECT_EQ(ColumnLetters(52), "AZ");
    EXPECT_EQ(ColumnLetters(53), "BA");
    EXPECT_EQ(ColumnLetters(702), "ZZ");
    EXPECT_EQ(ColumnLetters(703), "AAA");
    EXPECT_EQ(ColumnLetters(16384), "XFD");
    EXPECT_EQ(ErrorOf([] { ColumnLetters(0); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([] { ColumnLetters(16385); }), ErrorCode::Output);
}

TEST(SheetAddress, ColumnNumberInvertsColumnLettersOverTheWholeSheet) {
    for (int column = 1; column <= kMaxColumn; ++column) {
        ASSERT_EQ(ColumnNumber(ColumnLetters(column)), column) << column;
    }
    EXPECT_EQ(ColumnNumber("ab"), 28);
}

TEST(SheetAddress, CellNamesOfTheTableCorners) {
    // Worked values: 28 = 26 + 2 -> AB; 52 = 26 + 26 -> AZ; a table of 11 piers ends in
    // column 5 + 22 = 27 (AA), one of 24 piers in column 53 (BA).
    EXPECT_EQ(CellName(3, 28), "AB3");
    EXPECT_EQ(CellName(1, 52), "AZ1");
    EXPECT_EQ(CellName(8, 27), "AA8");
    EXPECT_EQ(CellName(8, 53), "BA8");
    EXPECT_EQ(CellName(10, 26), "Z10");
    EXPECT_EQ(CellName(1048576, 16384), "XFD1048576");
    EXPECT_EQ(ErrorOf([] { CellName(0, 1); }), ErrorCode::Output);
}

TEST(SheetAddress, ParsesCellsAndRangesTheWayTheyAreWritten) {
    EXPECT_EQ(ParseCell("B3"), (CellAddress{3, 2}));
    EXPECT_EQ(ParseCell("$AA$12"), (CellAddress{12, 27}));
    EXPECT_EQ(ParseCell("ba8"), (CellAddress{8, 53}));
    EXPECT_EQ(ParseRange("A1:G8"), (RangeAddress{{1, 1}, {8, 7}}));
    EXPECT_EQ(ParseRange("C1"), (RangeAddress{{1, 3}, {1, 3}}));
    // Corners in any order give the same block.
    EXPECT_EQ(ParseRange("G8:A1"), ParseRange("A1:G8"));
    EXPECT_EQ(ParseRange("A8:G1"), ParseRange("A1:G8"));
    EXPECT_EQ(RangeName(ParseRange("F3:F4")), "F3:F4");
    EXPECT_EQ(RangeName(ParseRange("C1")), "C1");
    EXPECT_EQ(ParseColumns("C").First, 3);
    EXPECT_EQ(ParseColumns("H:F").First, 6);
    EXPECT_EQ(ParseColumns("H:F").Last, 8);
}

TEST(SheetAddress, RefusesWhatIsNoAddress) {
    for (const char* bad : {"", "A", "1", "A0", "1A", "A1B", "A-1", "A1:", ":A1", "XFE1",
                            "A1048577", "AAAA1", "A 1", "A1.5"}) {
        EXPECT_EQ(ErrorOf([&] { ParseRange(bad); }), ErrorCode::Output) << '"' << bad << '"';
    }
    EXPECT_EQ(ErrorOf([] { ParseColumns("A1"); }), ErrorCode::Output);
}

TEST(SheetAddress, RangeGeometry) {
    const RangeAddress block = ParseRange("B2:D5");
    EXPECT_EQ(block.RowCount(), 4);
    EXPECT_EQ(block.ColumnCount(), 3);
    EXPECT_TRUE(block.Contains(ParseCell("D5")));
    EXPECT_FALSE(block.Contains(ParseCell("E5")));
    EXPECT_TRUE(block.Contains(ParseRange("C3:D4")));
    EXPECT_FALSE(block.Contains(ParseRange("C3:E4")));
    EXPECT_TRUE(block.Intersects(ParseRange("D5:F9")));
    EXPECT_FALSE(block.Intersects(ParseRange("E1:F9")));
    EXPECT_EQ(block.MovedTo({10, 1}), ParseRange("A10:C13"));
    EXPECT_TRUE(RangeAddress::WholeSheet().IsWholeSheet());
    EXPECT_TRUE(ParseRange("A1:XFD1048576").IsWholeSheet());
}

} // namespace
} // namespace tesk::sheet
