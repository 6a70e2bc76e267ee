#include "sheet/coordinate_sheet.h"

#include "error_of.h"
#include "sheet_test_support.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

namespace tesk::sheet {
namespace {

using geometry::ErrorCode;
using testing::At;
using testing::ErrorOf;
using testing::kMedium;
using testing::kNone;
using testing::kThin;

double Number(const Worksheet& sheet, std::string_view cell) {
    const CellValue& value = sheet.ValueAt(At(cell));
    EXPECT_TRUE(std::holds_alternative<double>(value)) << cell;
    return std::holds_alternative<double>(value) ? std::get<double>(value) : 0.0;
}

std::string Text(const Worksheet& sheet, std::string_view cell) {
    const CellValue& value = sheet.ValueAt(At(cell));
    EXPECT_TRUE(std::holds_alternative<std::string>(value)) << cell;
    return std::holds_alternative<std::string>(value) ? std::get<std::string>(value) : "";
}

bool IsEmpty(const Worksheet& sheet, std::string_view cell) {
    return std::holds_alternative<std::monostate>(sheet.ValueAt(At(cell)));
}

std::set<std::string> MergeNames(const Worksheet& sheet) {
    std::set<std::string> names;
    for (const RangeAddress& merge : sheet.Merges()) {
        names.insert(RangeName(merge));
    }
    return names;
}

SheetPier Pier(double station, std::initializer_list<SheetPileEntry> entries) {
    SheetPier pier;
    pier.Station = station;
    pier.StationText = std::to_string(station);
    pier.Entries = entries;
    return pier;
}

// One pier, three single entries, worked by hand: A..G, rows 1..8.
TEST(SheetCoordinateTable, OnePierWithThreeSingleEntries) {
    PileSheetTable table;
    table.Piers.push_back(Pier(345.6, {{-5.5, 0, 3000000.1234, 500000.5678},
                                       {0.0, 0, 3000001.25, 500001.75},
                                       {5.5, 0, 3000002.5, 500002.125}}));
    Workbook book;
    const Worksheet& sheet = WriteCoordinateSheet(book, table);
    EXPECT_EQ(&book.ActiveSheet(), &sheet);

    EXPECT_EQ(MergeNames(sheet), (std::set<std::string>{"A1:B1", "D1:E1", "A2:E2", "F1:G1", "F2:G2",
                                                        "A3:A4", "B3:D4", "F3:F4", "A5:A6", "B5:D6",
                                                        "F5:F6", "A7:A8", "B7:D8", "F7:F8"}));
    EXPECT_EQ(Text(sheet, "A1"), "项   目");
    EXPECT_EQ(Text(sheet, "D1"), "墩台号");
    EXPECT_EQ(Text(sheet, "A2"), "对应设计线的桩号");
    for (int j = 1; j <= 3; ++j) {
        const std::string r = std::to_string(2 * j + 1);
        const std::string r2 = std::to_string(2 * j + 2);
        EXPECT_EQ(Number(sheet, "A" + r), j);
        EXPECT_EQ(Text(sheet, "B" + r), "至设计线斜距");
        EXPECT_EQ(Text(sheet, "E" + r), "X");
        EXPECT_EQ(Text(sheet, "E" + r2), "Y");
        EXPECT_EQ(sheet.FormatAt(At("F" + r)).NumberFormat, "G/通用格式");
        EXPECT_EQ(sheet.FormatAt(At("G" + r)).NumberFormat, "0.0000");
        EXPECT_EQ(sheet.FormatAt(At("G" + r2)).NumberFormat, "0.0000");
    }
    EXPECT_EQ(Number(sheet, "F1"), 0.0); // the first pier is numbered 0
    EXPECT_EQ(Number(sheet, "F2"), 345.6);
    EXPECT_EQ(sheet.FormatAt(At("F2")).NumberFormat, "K0+000.000");
    EXPECT_EQ(Number(sheet, "F3"), -5.5);
    EXPECT_EQ(Number(sheet, "F5"), 0.0);
    EXPECT_EQ(Number(sheet, "F7"), 5.5);
    EXPECT_EQ(Number(sheet, "G3"), 3000000.1234);
    EXPECT_EQ(Number(sheet, "G4"), 500000.5678);
    EXPECT_EQ(Number(sheet, "G8"), 500002.125);
    EXPECT_TRUE(IsEmpty(sheet, "H1"));

    // Widths, heights, font and alignment.
    const double widths[] = {2.5, 4, 2, 4, 2.5, 7, 12.5};
    for (int column = 1; column <= 7; ++column) {
        EXPECT_EQ(sheet.ColumnWidth(column), widths[column - 1]) << column;
    }
    for (int row = 1; row <= 9; ++row) {
        EXPECT_EQ(sheet.RowHeight(row), 15.0) << row;
    }
    for (const char* name : {"A1", "C1", "F2", "G8", "Z100"}) {
        EXPECT_EQ(sheet.FormatAt(At(name)).FontName, "宋体") << name;
        EXPECT_EQ(sheet.FormatAt(At(name)).FontSize, 10.0) << name;
        EXPECT_EQ(sheet.FormatAt(At(name)).Vertical, VerticalAlignment::Center) << name;
    }
    EXPECT_EQ(sheet.FormatAt(At("A1")).Horizontal, HorizontalAlignment::Right);
    EXPECT_EQ(sheet.FormatAt(At("B1")).Horizontal, HorizontalAlignment::Right);
    EXPECT_EQ(sheet.FormatAt(At("D1")).Horizontal, HorizontalAlignment::Left);
    EXPECT_EQ(sheet.FormatAt(At("C1")).Horizontal, HorizontalAlignment::Center);
    EXPECT_EQ(sheet.FormatAt(At("F3")).Horizontal, HorizontalAlignment::Center);

    // Every side of every cell of A1:G8 and of the cells around it: outline medium, inner
    // lines thin, C1 open at its sides with a thin diagonal down.
    for (int row = 0; row <= 9; ++row) {
        for (int column = 1; column <= 8; ++column) {
            if (row == 0) {
                continue;
            }
            const bool inside = row <= 8 && column <= 7;
            const CellBorders& b = sheet.FormatAt({row, column}).Borders;
            const std::string where = CellName(row, column);
            if (!inside) {
                EXPECT_EQ(b.Left, column == 8 && row <= 8 ? kMedium : kNone) << where;
                EXPECT_EQ(b.Top, row == 9 && column <= 7 ? kMedium : kNone) << where;
                EXPECT_EQ(b.Right, kNone) << where;
                EXPECT_EQ(b.Bottom, kNone) << where;
                continue;
            }
            Border left = column == 1 ? kMedium : kThin;
            Border right = column == 7 ? kMedium : kThin;
            const Border top = row == 1 ? kMedium : kThin;
            const Border bottom = row == 8 ? kMedium : kThin;
            if (row == 1 && column == 2) {
                right = kNone; // shared with C1
            }
            if (row == 1 && column == 3) {
                left = kNone;
                right = kNone;
            }
            if (row == 1 && column == 4) {
                left = kNone;
            }
            EXPECT_EQ(b.Left, left) << where;
            EXPECT_EQ(b.Right, right) << where;
            EXPECT_EQ(b.Top, top) << where;
            EXPECT_EQ(b.Bottom, bottom) << where;
            EXPECT_EQ(b.DiagonalDown, row == 1 && column == 3 ? kThin : kNone) << where;
            EXPECT_EQ(b.DiagonalUp, kNone) << where;
        }
    }
}

TEST(SheetCoordinateTable, EveryPierGetsTheColumnPairOfTheFirst) {
    PileSheetTable table;
    table.Piers.push_back(Pier(100, {{-2, 0, 10, 20}}));
    table.Piers.push_back(Pier(150, {{-3, 0, 11, 21}, {3, 0, 12, 22}}));
    Workbook book;
    const Worksheet& sheet = WriteCoordinateSheet(book, table);

    // M comes from the larger second pier: rows 1..6, columns A..I.
    const std::set<std::string> merges = MergeNames(sheet);
    for (const char* name : {"F1:G1", "F2:G2", "F3:F4", "F5:F6", "H1:I1", "H2:I2", "H3:H4", "H5:H6",
                             "A5:A6", "B5:D6"}) {
        EXPECT_TRUE(merges.count(name)) << name;
    }
    EXPECT_EQ(merges.size(), 15u);
    for (const char* cells : {"H3", "H5"}) {
        EXPECT_EQ(sheet.FormatAt(At(cells)).NumberFormat, "G/通用格式") << cells;
    }
    for (const char* cells : {"I3", "I4", "I5", "I6"}) {
        EXPECT_EQ(sheet.FormatAt(At(cells)).NumberFormat, "0.0000") << cells;
    }
    EXPECT_EQ(sheet.ColumnWidth(8), 7.0);
    EXPECT_EQ(sheet.ColumnWidth(9), 12.5);
    EXPECT_EQ(sheet.ColumnWidth(10), kDefaultColumnWidth);
    EXPECT_EQ(Number(sheet, "H1"), 1.0);
    EXPECT_EQ(Number(sheet, "A5"), 2.0);
    EXPECT_EQ(Number(sheet, "H5"), 3.0);
    EXPECT_EQ(Number(sheet, "I6"), 22.0);
    // The first pier's second entry stays empty, framed like the others.
    EXPECT_TRUE(IsEmpty(sheet, "F5"));
    EXPECT_TRUE(IsEmpty(sheet, "G5"));
    EXPECT_TRUE(IsEmpty(sheet, "G6"));
    EXPECT_EQ(sheet.FormatAt(At("G6")).Borders.Bottom, kMedium);
    EXPECT_EQ(sheet.FormatAt(At("I6")).Borders.Right, kMedium);
    EXPECT_EQ(sheet.FormatAt(At("G6")).Borders.Right, kThin);
}

TEST(SheetCoordinateTable, ManyPiersEndInColumnsOfTwoOrThreeLetters) {
    // The last column is E plus two per pier: 27 = AA, 53 = BA, 703 = AAA.
    for (const auto& [piers, lastColumn] :
         {std::pair{11, "AA"}, std::pair{24, "BA"}, std::pair{349, "AAA"}}) {
        PileSheetTable table;
        for (int k = 0; k < piers; ++k) {
            table.Piers.push_back(Pier(100 + k, {{1, 0, 2, 3}}));
        }
        Workbook book;
        const Worksheet& sheet = WriteCoordinateSheet(book, table);
        const int last = ColumnNumber(lastColumn);
        for (int row = 1; row <= 4; ++row) {
            EXPECT_EQ(sheet.FormatAt({row, last}).Borders.Right, kMedium) << lastColumn << row;
            EXPECT_EQ(sheet.FormatAt({row, last - 1}).Borders.Right, kThin) << lastColumn << row;
            EXPECT_EQ(sheet.FormatAt({row, last + 1}).Borders.Right, kNone) << lastColumn << row;
        }
        EXPECT_EQ(sheet.FormatAt({4, last}).Borders.Bottom, kMedium);
        EXPECT_EQ(sheet.ColumnWidth(last), 12.5);
        EXPECT_EQ(sheet.ColumnWidth(last - 1), 7.0);
        EXPECT_EQ(Number(sheet, std::string(ColumnLetters(last - 1)) + "1"), piers - 1.0);
        EXPECT_EQ(sheet.MergeAreaAt({1, last}), (RangeAddress{{1, last - 1}, {1, last}}));
    }
}

TEST(SheetCoordinateTable, StationsShowTheirWrittenValueInTheKFormat) {
    PileSheetTable table;
    table.Piers.push_back(Pier(1234, {}));
    table.Piers.push_back(Pier(1234.5, {}));
    SheetPier marked = Pier(6234.5, {});
    marked.StationText = " B1234.25 "; // trimmed; the mark is dropped, not the mileage shown
    table.Piers.push_back(marked);
    SheetPier lowerCase = Pier(777.0, {});
    lowerCase.StationText = "b12"; // only capital letters are marks
    table.Piers.push_back(lowerCase);
    Workbook book;
    const Worksheet& sheet = WriteCoordinateSheet(book, table);
    EXPECT_EQ(Number(sheet, "F2"), 1234.0);
    EXPECT_EQ(sheet.FormatAt(At("F2")).NumberFormat, "K0+000");
    EXPECT_EQ(Number(sheet, "H2"), 1234.5);
    EXPECT_EQ(sheet.FormatAt(At("H2")).NumberFormat, "K0+000.000");
    EXPECT_EQ(Number(sheet, "J2"), 1234.25);
    EXPECT_EQ(sheet.FormatAt(At("J2")).NumberFormat, "K0+000.000");
    EXPECT_EQ(Number(sheet, "L2"), 777.0);
    EXPECT_EQ(sheet.FormatAt(At("L2")).NumberFormat, "K0+000");
    // Borders of a table without entries end at row 2.
    EXPECT_EQ(sheet.FormatAt(At("M2")).Borders.Bottom, kMedium);
}

TEST(SheetCoordinateTable, APairOffThePierAxisShowsNoSkewDistance) {
    PileSheetTable table;
    table.Piers.push_back(Pier(400, {{-6, 1.2, 101.5, 201.5}, // pair with L2 != 0
                                     {-6, 0.0, 102.5, 202.5}, // pair with L2 = 0
                                     {6, -1.2, 103.5, 203.5}}));
    Workbook book;
    const Worksheet& sheet = WriteCoordinateSheet(book, table);
    EXPECT_TRUE(IsEmpty(sheet, "F3"));
    EXPECT_EQ(Number(sheet, "G3"), 101.5);
    EXPECT_EQ(Number(sheet, "G4"), 201.5);
    EXPECT_EQ(Number(sheet, "F5"), -6.0);
    EXPECT_TRUE(IsEmpty(sheet, "F7"));
    EXPECT_EQ(Number(sheet, "G8"), 203.5);
}

TEST(SheetCoordinateTable, EachCommandAddsASheetToTheSessionWorkbook) {
    SpreadsheetSession session;
    PileSheetTable table;
    table.Piers.push_back(Pier(10, {{1, 0, 2, 3}}));
    WriteCoordinateSheet(session.OpenWorkbook(), table);
    table.Piers.push_back(Pier(20, {{1, 0, 2, 3}}));
    const Worksheet& second = WriteCoordinateSheet(session.OpenWorkbook(), table);
    const Workbook& book = *session.CurrentWorkbook();
    ASSERT_EQ(book.SheetCount(), 2u);
    EXPECT_EQ(&book.Sheet(0), &second);
    EXPECT_EQ(book.ActiveIndex(), 0u);
    EXPECT_TRUE(IsEmpty(book.Sheet(1), "H1")); // the first table is left as it was
}

TEST(SheetCoordinateTable, ANonFiniteValueIsRefusedBeforeASheetIsAdded) {
    // A half-written table would stay in the session's workbook and be saved with the next one.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const SheetPier& bad : {Pier(10, {{1, 0, nan, 3}}), Pier(10, {{1, 0, 2, -inf}}),
                                 Pier(10, {{inf, 0, 2, 3}}), Pier(nan, {{1, 0, 2, 3}})}) {
        PileSheetTable table;
        table.Piers.push_back(Pier(5, {{1, 0, 2, 3}}));
        table.Piers.push_back(bad);
        Workbook book;
        EXPECT_EQ(ErrorOf([&] { WriteCoordinateSheet(book, table); }), ErrorCode::Output);
        EXPECT_EQ(book.SheetCount(), 0u);
    }
    // A skew distance that is not shown (a pair off the pier axis) is not checked.
    PileSheetTable pair;
    pair.Piers.push_back(Pier(10, {{nan, 1.5, 2, 3}}));
    Workbook book;
    WriteCoordinateSheet(book, pair);
    EXPECT_TRUE(IsEmpty(book.Sheet(0), "F3"));
}

} // namespace
} // namespace tesk::sheet
