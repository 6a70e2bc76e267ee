#include "sheet/workbook.h"

#include "error_of.h"
#include "sheet_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tesk::sheet {
namespace {

using geometry::ErrorCode;
using testing::At;
using testing::ErrorOf;
using testing::kMedium;
using testing::kNone;
using testing::kThin;

RangeAddress R(std::string_view name) {
    return ParseRange(name);
}

TEST(SheetWorkbook, WholeSheetFormatReachesEveryCellTouchedBeforeOrAfter) {
    Worksheet sheet("Sheet1");
    sheet.SetValue(At("B2"), 1.5); // exists before the sheet-wide change
    const RangeAddress all = RangeAddress::WholeSheet();
    sheet.SetHorizontalAlignment(all, HorizontalAlignment::Center);
    sheet.SetVerticalAlignment(all, VerticalAlignment::Center);
    sheet.SetFontName(all, "宋体");
    sheet.SetFontSize(all, 10);
    sheet.SetHorizontalAlignment(R("A1:B1"), HorizontalAlignment::Right);

    for (const char* name : {"B2", "XFD1048576", "C1"}) {
        const CellFormat& format = sheet.FormatAt(At(name));
        EXPECT_EQ(format.Horizontal, HorizontalAlignment::Center) << name;
        EXPECT_EQ(format.Vertical, VerticalAlignment::Center) << name;
        EXPECT_EQ(format.FontName, "宋体") << name;
        EXPECT_EQ(format.FontSize, 10.0) << name;
    }
    EXPECT_EQ(sheet.FormatAt(At("A1")).Horizontal, HorizontalAlignment::Right);
    EXPECT_EQ(sheet.FormatAt(At("B1")).Horizontal, HorizontalAlignment::Right);
    EXPECT_EQ(sheet.FormatAt(At("A1")).FontName, "宋体"); // the later change keeps the rest
    // A cell written after the sheet-wide change starts from the sheet's format.
    sheet.SetValue(At("Z9"), "X");
    EXPECT_EQ(sheet.FormatAt(At("Z9")).FontSize, 10.0);
    EXPECT_EQ(std::get<double>(sheet.ValueAt(At("B2"))), 1.5);
}

TEST(SheetWorkbook, RowHeightsAndColumnWidths) {
    Worksheet sheet("Sheet1");
    EXPECT_EQ(sheet.RowHeight(7), kDefaultRowHeight);
    EXPECT_EQ(sheet.ColumnWidth(3), kDefaultColumnWidth);
    sheet.SetRowHeight(R("A2:C3"), 20);
    sheet.SetRowHeight(RangeAddress::WholeSheet(), 15);
    EXPECT_EQ(sheet.RowHeight(2), 15.0); // the whole sheet overrides every row
    EXPECT_EQ(sheet.DefaultRowHeight(), 15.0);
    sheet.SetRowHeight(R("A4"), 30);
    EXPECT_EQ(sheet.RowHeight(4), 30.0);
    EXPECT_EQ(sheet.RowHeight(5), 15.0);

    sheet.SetColumnWidth("A", 2.5);
    sheet.SetColumnWidth("F:G", 7);
    sheet.SetColumnWidth(27, 27, 12.5);
    EXPECT_EQ(sheet.ColumnWidth(1), 2.5);
    EXPECT_EQ(sheet.ColumnWidth(6), 7.0);
    EXPECT_EQ(sheet.ColumnWidth(7), 7.0);
    EXPECT_EQ(sheet.ColumnWidth(ColumnNumber("AA")), 12.5);
    EXPECT_EQ(sheet.ColumnWidth(8), kDefaultColumnWidth);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(ErrorOf([&] { sheet.SetRowHeight(R("A1"), 409.5); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([&] { sheet.SetRowHeight(R("A1"), nan); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([&] { sheet.SetColumnWidth("B", -1); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([&] { sheet.SetColumnWidth("B", 256); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([&] { sheet.SetColumnWidth(0, 1, 5); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([&] { sheet.SetFontSize(R("A1"), 0.5); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([&] { sheet.SetFontName(R("A1"), ""); }), ErrorCode::Output);
    EXPECT_EQ(sheet.ColumnWidth(2), kDefaultColumnWidth); // refused calls change nothing
}

TEST(SheetWorkbook, MergeKeepsTheTopLeftValueAndGuardsItsHiddenCells) {
    Worksheet sheet("Sheet1");
    sheet.SetValue(At("B3"), "kept");
    sheet.SetValue(At("C4"), 2.0);
    sheet.Merge(R("B3:D4"));
    EXPECT_EQ(std::get<std::string>(sheet.ValueAt(At("B3"))), "kept");
    EXPECT_TRUE(std::holds_alternative<std::monostate>(sheet.ValueAt(At("C4"))));
    EXPECT_EQ(sheet.MergeAreaAt(At("D4")), R("B3:D4"));
    EXPECT_FALSE(sheet.MergeAreaAt(At("E4")).has_value());

    // A value in a hidden cell would never show: refused.
    EXPECT_EQ(ErrorOf([&] { sheet.SetValue(At("C3"), 1.0); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([&] { sheet.SetValue(At("D4"), "x"); }), ErrorCode::Output);
    sheet.SetValue(At("B3"), 5.0);

    // Cutting through a merged block is refused and leaves the sheet as it was.
    EXPECT_EQ(ErrorOf([&] { sheet.Merge(R("D4:E5")); }), ErrorCode::Output);
    ASSERT_EQ(sheet.Merges().size(), 1u);
    // A larger block absorbs it.
    sheet.Merge(R("A1:E5"));
    ASSERT_EQ(sheet.Merges().size(), 1u);
    EXPECT_EQ(sheet.Merges().front(), R("A1:E5"));
    // One cell is no block.
    sheet.Merge(R("G7"));
    EXPECT_EQ(sheet.Merges().size(), 1u);
}

TEST(SheetWorkbook, ValuesAreExactNumbersOrTexts) {
    Worksheet sheet("Sheet1");
    const double station = 1234.5678901234567;
    sheet.SetValue(At("AA12"), station);
    EXPECT_EQ(std::get<double>(sheet.ValueAt(At("AA12"))), station);
    sheet.SetValue(At("A1"), "项   目");
    EXPECT_EQ(std::get<std::string>(sheet.ValueAt(At("A1"))), "项   目");
    sheet.ClearValue(At("A1"));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(sheet.ValueAt(At("A1"))));

    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(ErrorOf([&] { sheet.SetValue(At("B1"), inf); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([&] { sheet.SetValue(At("B1"), std::nan("")); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([&] { sheet.SetValue(At("B1"), std::string(32768, 'x')); }),
              ErrorCode::Output);
    sheet.SetValue(At("B1"), std::string(32767, 'x'));
    // Characters, not bytes, count: 32767 Chinese characters fit.
    std::string chinese;
    for (int i = 0; i < 32767; ++i) {
        chinese += "桩";
    }
    sheet.SetValue(At("B2"), chinese);
    EXPECT_EQ(ErrorOf([&] { sheet.SetValue({0, 1}, 1.0); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([&] { sheet.SetValue({1, kMaxColumn + 1}, 1.0); }), ErrorCode::Output);
}

TEST(SheetWorkbook, EdgesAndInsideLinesAreSharedWithTheNeighbours) {
    Worksheet sheet("Sheet1");
    const RangeAddress table = R("B2:D4");
    sheet.SetBorder(table, BorderIndex::EdgeLeft, kMedium);
    sheet.SetBorder(table, BorderIndex::EdgeTop, kMedium);
    sheet.SetBorder(table, BorderIndex::EdgeBottom, kMedium);
    sheet.SetBorder(table, BorderIndex::EdgeRight, kMedium);
    sheet.SetBorder(table, BorderIndex::InsideVertical, kThin);
    sheet.SetBorder(table, BorderIndex::InsideHorizontal, kThin);

    auto borders = [&](std::string_view name) { return sheet.FormatAt(At(name)).Borders; };
    // Outline, seen from inside and from outside.
    EXPECT_EQ(borders("B3").Left, kMedium);
    EXPECT_EQ(borders("A3").Right, kMedium);
    EXPECT_EQ(borders("C2").Top, kMedium);
    EXPECT_EQ(borders("C1").Bottom, kMedium);
    EXPECT_EQ(borders("D4").Right, kMedium);
    EXPECT_EQ(borders("E4").Left, kMedium);
    EXPECT_EQ(borders("D4").Bottom, kMedium);
    EXPECT_EQ(borders("D5").Top, kMedium);
    // Inside lines on both cells of each shared line.
    EXPECT_EQ(borders("B3").Right, kThin);
    EXPECT_EQ(borders("C3").Left, kThin);
    EXPECT_EQ(borders("C2").Bottom, kThin);
    EXPECT_EQ(borders("C3").Top, kThin);
    // Nothing leaks beyond the neighbours.
    EXPECT_EQ(borders("A3").Left, kNone);
    EXPECT_EQ(borders("E4").Right, kNone);
    EXPECT_EQ(borders("B3").DiagonalDown, kNone);

    // Clearing a cell's side removes the line, on both cells.
    sheet.SetBorder(R("C2"), BorderIndex::EdgeLeft, kNone);
    EXPECT_EQ(borders("C2").Left, kNone);
    EXPECT_EQ(borders("B2").Right, kNone);
    EXPECT_EQ(borders("B2").Left, kMedium);

    // Diagonals belong to every cell of the range, and to no neighbour.
    sheet.SetBorder(R("B2:C2"), BorderIndex::DiagonalDown, kThin);
    EXPECT_EQ(borders("B2").DiagonalDown, kThin);
    EXPECT_EQ(borders("C2").DiagonalDown, kThin);
    EXPECT_EQ(borders("D2").DiagonalDown, kNone);
    EXPECT_EQ(borders("B2").DiagonalUp, kNone);

    // The first row and column have no neighbour to share with.
    sheet.SetBorder(R("A1"), BorderIndex::EdgeLeft, kThin);
    sheet.SetBorder(R("A1"), BorderIndex::EdgeTop, kThin);
    EXPECT_EQ(borders("A1").Left, kThin);

    const Border red{LineStyle::Continuous, BorderWeight::Thin, 3};
    sheet.SetBorder(R("F6"), BorderIndex::EdgeBottom, red);
    EXPECT_EQ(borders("F6").Bottom.ColorIndex, 3);
    EXPECT_EQ(ErrorOf([&] {
                  sheet.SetBorder(R("F6"), BorderIndex::EdgeTop,
                                  Border{LineStyle::Continuous, BorderWeight::Thin, 57});
              }),
              ErrorCode::Output);
    EXPECT_EQ(
        ErrorOf([&] { sheet.SetBorder(RangeAddress::WholeSheet(), BorderIndex::EdgeTop, kThin); }),
        ErrorCode::Output);
}

TEST(SheetWorkbook, CopyCarriesValuesFormatsAndMerges) {
    Worksheet sheet("Sheet1");
    sheet.SetFontName(RangeAddress::WholeSheet(), "宋体");
    sheet.Merge(R("A3:A4"));
    sheet.Merge(R("B3:D4"));
    sheet.SetValue(At("B3"), "至设计线斜距");
    sheet.SetValue(At("E3"), "X");
    sheet.SetNumberFormat(R("G3:G4"), "0.0000");
    sheet.SetBorder(R("E3"), BorderIndex::DiagonalUp, kThin);
    // Something already at the target, which the copy must replace.
    sheet.SetValue(At("F6"), 99.0);
    sheet.SetNumberFormat(R("F6"), "0.00");
    sheet.Merge(R("E5:E6"));

    sheet.Copy(R("A3:G4"), At("A5"));

    EXPECT_EQ(std::get<std::string>(sheet.ValueAt(At("B5"))), "至设计线斜距");
    EXPECT_EQ(std::get<std::string>(sheet.ValueAt(At("E5"))), "X");
    EXPECT_EQ(sheet.FormatAt(At("G6")).NumberFormat, "0.0000");
    EXPECT_EQ(sheet.FormatAt(At("E5")).Borders.DiagonalUp, kThin);
    EXPECT_EQ(sheet.MergeAreaAt(At("A6")), R("A5:A6"));
    EXPECT_EQ(sheet.MergeAreaAt(At("D6")), R("B5:D6"));
    EXPECT_FALSE(sheet.MergeAreaAt(At("E6")).has_value()); // replaced by the copy
    // A cell that was plain in the source is plain in the target again.
    EXPECT_TRUE(std::holds_alternative<std::monostate>(sheet.ValueAt(At("F6"))));
    EXPECT_EQ(sheet.FormatAt(At("F6")).NumberFormat, std::string(kGeneralFormat));
    EXPECT_EQ(sheet.FormatAt(At("F6")).FontName, "宋体");
    // The source is unchanged.
    EXPECT_EQ(sheet.MergeAreaAt(At("D4")), R("B3:D4"));
    EXPECT_EQ(sheet.Merges().size(), 4u);
}

TEST(SheetWorkbook, CopyOntoAnOverlappingTargetReadsTheSourceFirst) {
    Worksheet sheet("Sheet1");
    sheet.SetValue(At("A1"), 1.0);
    sheet.SetValue(At("A2"), 2.0);
    sheet.SetValue(At("A3"), 3.0);
    sheet.Copy(R("A1:A3"), At("A2"));
    EXPECT_EQ(std::get<double>(sheet.ValueAt(At("A2"))), 1.0);
    EXPECT_EQ(std::get<double>(sheet.ValueAt(At("A3"))), 2.0);
    EXPECT_EQ(std::get<double>(sheet.ValueAt(At("A4"))), 3.0);
}

TEST(SheetWorkbook, CopyIsRefusedWhereItWouldBreakABlock) {
    Worksheet sheet("Sheet1");
    sheet.Merge(R("B2:C3"));
    sheet.SetValue(At("A1"), 7.0);
    EXPECT_EQ(ErrorOf([&] { sheet.Copy(R("A1:B2"), At("E1")); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([&] { sheet.Copy(R("A1"), At("C3")); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([&] { sheet.Copy(R("A1:B1"), {1, kMaxColumn}); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([&] { sheet.Copy(R("A1:A2"), {kMaxRow, 1}); }), ErrorCode::Output);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(sheet.ValueAt(At("E1"))));
    EXPECT_EQ(sheet.Merges().size(), 1u);
}

TEST(SheetWorkbook, NewSheetsComeInFrontOfTheActiveOneAndBecomeActive) {
    Workbook book;
    EXPECT_EQ(book.SheetCount(), 0u);
    EXPECT_EQ(ErrorOf([&] { book.ActiveSheet(); }), ErrorCode::Output);
    Worksheet& first = book.AddWorksheet();
    first.SetValue(At("A1"), 1.0);
    Worksheet& second = book.AddWorksheet();
    EXPECT_EQ(&book.ActiveSheet(), &second);
    EXPECT_EQ(first.Name(), "Sheet1");
    EXPECT_EQ(second.Name(), "Sheet2");
    EXPECT_EQ(book.Sheet(0).Name(), "Sheet2");
    EXPECT_EQ(book.Sheet(1).Name(), "Sheet1");
    EXPECT_EQ(book.ActiveIndex(), 0u);
    // The first sheet is still the same object with its content.
    EXPECT_EQ(std::get<double>(book.Sheet(1).ValueAt(At("A1"))), 1.0);
    EXPECT_EQ(ErrorOf([&] { book.Sheet(2); }), ErrorCode::Output);
}

TEST(SheetWorkbook, SheetsNamedAfterTheirContentGetANumberFromTheSecondOn) {
    Workbook book;
    struct Row {
        const char* Asked;
        const char* Given;
    };
    for (const Row& row : {Row{"桩位坐标表", "桩位坐标表"}, Row{"桩位坐标表", "桩位坐标表 (2)"},
                           Row{"逐桩坐标表", "逐桩坐标表"}, Row{"桩位坐标表", "桩位坐标表 (3)"},
                           Row{"", "Sheet5"}, Row{"sheet5", "sheet5 (2)"}}) {
        EXPECT_EQ(book.AddWorksheet(row.Asked).Name(), row.Given) << row.Asked;
    }
    // Names a spreadsheet program refuses are refused before a sheet is added.
    for (const char* bad : {"a/b", "a:b", "[x]", "'quoted'",
                            "一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一二"}) {
        EXPECT_EQ(ErrorOf([&] { book.AddWorksheet(bad); }), ErrorCode::Output) << bad;
    }
    EXPECT_EQ(book.SheetCount(), 6u);
}

TEST(SheetWorkbook, PageSetupIsCheckedAndKept) {
    Worksheet sheet("Sheet1");
    EXPECT_FALSE(sheet.Page().Landscape);
    sheet.SetLandscape(true);
    sheet.FitToPages(1, 0);
    sheet.RepeatRows(1, 2);
    sheet.SetHeader("桩 位 坐 标 表");
    EXPECT_TRUE(sheet.Page().Landscape);
    EXPECT_EQ(sheet.Page().FitWidth, 1);
    EXPECT_EQ(sheet.Page().RepeatLastRow, 2);
    EXPECT_EQ(sheet.Page().Header, "桩 位 坐 标 表");
    EXPECT_EQ(ErrorOf([&] { sheet.FitToPages(-1, 0); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([&] { sheet.RepeatRows(3, 2); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([&] { sheet.RepeatRows(0, 2); }), ErrorCode::Output);
    EXPECT_EQ(ErrorOf([&] { sheet.SetHeader("a\nb"); }), ErrorCode::Output);
    EXPECT_EQ(sheet.Page().RepeatFirstRow, 1) << "a refused change keeps the setup";
}

TEST(SheetWorkbook, SessionKeepsOneWorkbookForEveryTable) {
    // Each table command opens the session's workbook: the sheets of earlier commands stay.
    SpreadsheetSession session;
    EXPECT_FALSE(session.HasWorkbook());
    EXPECT_EQ(session.CurrentWorkbook(), nullptr);
    Workbook& book = session.OpenWorkbook();
    EXPECT_TRUE(session.HasWorkbook());
    EXPECT_EQ(session.CurrentWorkbook(), &book);
    book.AddWorksheet();
    EXPECT_EQ(&session.OpenWorkbook(), &book);
    session.OpenWorkbook().AddWorksheet();
    EXPECT_EQ(session.CurrentWorkbook()->SheetCount(), 2u);
}

} // namespace
} // namespace tesk::sheet
