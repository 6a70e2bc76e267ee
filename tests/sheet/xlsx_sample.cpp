// Writes the workbooks that check_xlsx.py reads back with an independent reader (openpyxl):
//   <dir>/model.xlsx  every kind of cell, merge, width, height, font, number format and border
//   <dir>/table.xlsx  the coordinate table of eleven piers, which ends in column AA
// The expected values are repeated as literals in check_xlsx.py. With TESK_SAMPLE_SYSTEM_LOCALE
// set, the program first takes the locale of its environment, as a GUI toolkit does, to show
// that a decimal-comma locale does not leak into the files.

#include "sheet/coordinate_sheet.h"
#include "sheet/xlsx_writer.h"

#include "geometry/error.h"

#include <clocale>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>

namespace {

using namespace tesk::sheet;

const Border kThin{LineStyle::Continuous, BorderWeight::Thin, kColorIndexAutomatic};
const Border kMedium{LineStyle::Continuous, BorderWeight::Medium, kColorIndexAutomatic};

/// Numbers that must survive the file to the 16 significant digits it stores (the same list
/// is in check_xlsx.py).
constexpr double kExactValues[] = {
    3456789.123456789, 512345.6789012345,     1234.5, 0.1, -5.5, 1e-7, 98765.4321, 2.0 / 3.0,
    0.1 + 0.2,         1.0 / 3.0 * 3456789.0, 3456790.1244567893,
};

void WriteModel(const std::filesystem::path& path) {
    Workbook book;
    Worksheet& sheet = book.AddWorksheet(); // Sheet1
    const RangeAddress all = RangeAddress::WholeSheet();
    sheet.SetHorizontalAlignment(all, HorizontalAlignment::Center);
    sheet.SetVerticalAlignment(all, VerticalAlignment::Center);
    sheet.SetRowHeight(all, 15);
    sheet.SetFontName(all, "宋体");
    sheet.SetFontSize(all, 10);

    sheet.SetColumnWidth("A", 2.5);
    sheet.SetColumnWidth("B", 4);
    sheet.SetColumnWidth("AA", 12.5);
    sheet.SetRowHeight(ParseRange("A5"), 30);

    sheet.SetHorizontalAlignment(ParseRange("A1:B1"), HorizontalAlignment::Right);
    sheet.Merge(ParseRange("A1:B1"));
    sheet.SetValue(ParseCell("A1"), "项   目");
    sheet.SetBorder(ParseRange("C1"), BorderIndex::DiagonalDown, kThin);
    sheet.SetBorder(ParseRange("C1"), BorderIndex::EdgeTop, kMedium);
    sheet.SetBorder(ParseRange("C1"), BorderIndex::EdgeBottom, kThin);

    sheet.SetNumberFormat(ParseRange("E2"), "K0+000.000");
    sheet.SetValue(ParseCell("E2"), 1234.5);
    sheet.SetNumberFormat(ParseRange("E3"), "K0+000");
    sheet.SetValue(ParseCell("E3"), 1234.0);
    sheet.SetNumberFormat(ParseRange("F2"), kGeneralFormat);
    sheet.SetValue(ParseCell("F2"), 7.25);

    sheet.SetNumberFormat(ParseRange("AA12"), "0.0000");
    sheet.SetValue(ParseCell("AA12"), 27.0);
    sheet.SetValue(ParseCell("AB3"), "AB3");

    const RangeAddress box = ParseRange("B5:D7");
    for (BorderIndex edge : {BorderIndex::EdgeLeft, BorderIndex::EdgeTop, BorderIndex::EdgeBottom,
                             BorderIndex::EdgeRight}) {
        sheet.SetBorder(box, edge, kMedium);
    }
    sheet.SetBorder(box, BorderIndex::InsideVertical, kThin);
    sheet.SetBorder(box, BorderIndex::InsideHorizontal, kThin);
    sheet.SetBorder(ParseRange("F9"), BorderIndex::EdgeBottom,
                    Border{LineStyle::Continuous, BorderWeight::Thin, 3}); // red

    // A merged block with a number and a medium outline on all of its outer cells.
    const RangeAddress block = ParseRange("B10:D11");
    sheet.Merge(block);
    sheet.SetValue(ParseCell("B10"), 42.0);
    for (BorderIndex edge : {BorderIndex::EdgeLeft, BorderIndex::EdgeTop, BorderIndex::EdgeBottom,
                             BorderIndex::EdgeRight}) {
        sheet.SetBorder(block, edge, kMedium);
    }

    int row = 20;
    for (double value : kExactValues) {
        sheet.SetValue({row++, 8}, value); // H20, H21, ...
    }

    // Sheet2, in front and active: rows 20 pt high, but row 3 is 15 pt, the library's own
    // default height.
    Worksheet& second = book.AddWorksheet();
    second.SetValue({1, 1}, "second");
    second.SetRowHeight(all, 20);
    second.SetRowHeight(ParseRange("A3"), 15);
    second.SetValue({3, 1}, 3.0);
    WriteXlsx(book, path);
}

void WriteTable(const std::filesystem::path& path) {
    PileSheetTable table;
    for (int k = 1; k <= 11; ++k) {
        SheetPier pier;
        pier.Station = 1000.0 + 25.0 * k + (k % 2 == 0 ? 0.5 : 0.0);
        pier.StationText = std::to_string(pier.Station);
        const int entries = k == 3 ? 4 : 2; // the third pier has the most entries: M = 4
        for (int j = 1; j <= entries; ++j) {
            SheetPileEntry entry;
            entry.L1 = -6.0 + 4.0 * j;
            entry.L2 = (k == 5 && j == 1) ? 1.2 : 0.0; // a pair off the axis: no L1 shown
            entry.X = 3456789.123456789 + k + 0.001 * j;
            entry.Y = 512345.6789012345 - k - 0.001 * j;
            pier.Entries.push_back(entry);
        }
        table.Piers.push_back(pier);
    }
    table.Piers[1].StationText = "B1050.5"; // a marked station shows its section station
    table.Piers[1].Station = 7050.5;
    Workbook book;
    WriteCoordinateSheet(book, table);
    WriteCoordinateSheet(book, table); // a second table: "桩位坐标表 (2)"
    WriteXlsx(book, path);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tesk_sheet_xlsx_sample <output directory>\n";
        return 2;
    }
    if (std::getenv("TESK_SAMPLE_SYSTEM_LOCALE") != nullptr &&
        std::setlocale(LC_ALL, "") == nullptr) {
        std::cerr << "tesk_sheet_xlsx_sample: the locale of the environment is not available\n";
        return 1;
    }
    try {
        const std::filesystem::path directory = argv[1];
        std::filesystem::create_directories(directory);
        WriteModel(directory / "model.xlsx");
        WriteTable(directory / "table.xlsx");
    } catch (const std::exception& error) {
        std::cerr << "tesk_sheet_xlsx_sample: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
