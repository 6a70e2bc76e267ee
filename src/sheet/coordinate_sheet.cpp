#include "sheet/coordinate_sheet.h"

#include "stationing/stationing.h"

#include "geometry/error.h"
#include "geometry/number_text.h"

#include <algorithm>
#include <cmath>

namespace tesk::sheet {

namespace {

constexpr int kItemColumns = 5;     ///< A..E: the item block
constexpr int kFirstPierColumn = 6; ///< F: the skew distance column of the first pier
constexpr double kRowHeight = 15.0; ///< points
constexpr double kFontSize = 10.0;  ///< points
constexpr const char* kFontName = "宋体";
constexpr std::string_view kSheetName = "桩位坐标表";
constexpr std::string_view kPrintedTitle = "桩 位 坐 标 表";
constexpr const char* kStationFormatDecimals = "K0+000.000";
constexpr const char* kStationFormatWhole = "K0+000";
constexpr const char* kCoordinateFormat = "0.0000";
constexpr const char* kElevationFormat = "0.000";

RangeAddress Range(std::string_view address) {
    return ParseRange(address);
}

RangeAddress Block(int firstRow, int firstColumn, int lastRow, int lastColumn) {
    return {{firstRow, firstColumn}, {lastRow, lastColumn}};
}

/// The skew distance column of pier `pier` (1-based): F, H, J, ... (F, I, L, ... with the
/// elevation column: `width` 3).
int PierColumn(int pier, int width = 2) {
    return kFirstPierColumn + width * (pier - 1);
}

/// Refuses a value the table would write that is not a finite number, before any sheet is added:
/// a half-written table would stay in the session's workbook.
void RequireFiniteValues(const PileSheetTable& table) {
    const auto require = [](double value, const char* what) {
        if (!std::isfinite(value)) {
            throw geometry::RuntimeError(geometry::ErrorCode::Output,
                                      std::string("the pile table holds a ") + what +
                                          " that is not a finite number");
        }
    };
    for (const SheetPier& pier : table.Piers) {
        require(SheetStationValue(pier), "station");
        for (const SheetPileEntry& entry : pier.Entries) {
            if (entry.L2 == 0.0) { // only a single skew distance is shown
                require(entry.L1, "skew distance");
            }
            require(entry.X, "pile X coordinate");
            require(entry.Y, "pile Y coordinate");
            if (entry.H) {
                require(*entry.H, "pile elevation");
            }
        }
    }
}

Border Line(BorderWeight weight) {
    return {LineStyle::Continuous, weight, kColorIndexAutomatic};
}

} // namespace

double SheetStationValue(const SheetPier& pier) {
    return stationing::ShownStation(pier.StationText, pier.Station);
}

Worksheet& WriteCoordinateSheet(Workbook& workbook, const PileSheetTable& table) {
    const int pierCount = static_cast<int>(table.Piers.size());
    std::size_t largestCount = 0;
    for (const SheetPier& pier : table.Piers) {
        largestCount = std::max(largestCount, pier.Entries.size());
    }
    // The last row and column must exist, and every value be a number, before anything is
    // written.
    const int width = table.WithElevations ? 3 : 2; // columns per pier
    if (pierCount > (kMaxColumn - kItemColumns) / width ||
        largestCount > static_cast<std::size_t>((kMaxRow - 2) / 2)) {
        throw geometry::RuntimeError(geometry::ErrorCode::Output,
                                  "the pile table does not fit into a worksheet");
    }
    RequireFiniteValues(table);
    const int entryRows = static_cast<int>(largestCount); // M
    const int lastRow = 2 + 2 * entryRows;

    Worksheet& sheet = workbook.AddWorksheet(kSheetName);
    // Printed: landscape, one page wide, the two title rows atop every page, the table's title
    // as the page header (the cells stay as they are).
    sheet.SetLandscape(true);
    sheet.FitToPages(1, 0);
    sheet.RepeatRows(1, 2);
    sheet.SetHeader(kPrintedTitle);

    // Sheet-wide format; the two header cells of row 1 lean against the diagonal of C1.
    const RangeAddress all = RangeAddress::WholeSheet();
    sheet.SetHorizontalAlignment(all, HorizontalAlignment::Center);
    sheet.SetVerticalAlignment(all, VerticalAlignment::Center);
    sheet.SetHorizontalAlignment(Range("A1:B1"), HorizontalAlignment::Right);
    sheet.SetHorizontalAlignment(Range("D1:E1"), HorizontalAlignment::Left);
    sheet.SetRowHeight(all, kRowHeight);
    sheet.SetFontName(all, kFontName);
    sheet.SetFontSize(all, kFontSize);

    sheet.SetColumnWidth("A", 2.5);
    sheet.SetColumnWidth("B", 4);
    sheet.SetColumnWidth("C", 2);
    sheet.SetColumnWidth("D", 4);
    sheet.SetColumnWidth("E", 2.5);
    for (int k = 1; k <= pierCount; ++k) {
        const int c = PierColumn(k, width);
        sheet.SetColumnWidth(c, c, 7);
        sheet.SetColumnWidth(c + 1, c + 1, 12.5);
        if (width == 3) {
            sheet.SetColumnWidth(c + 2, c + 2, 9);
        }
    }

    // Item block and the first entry's rows.
    sheet.Merge(Range("A1:B1"));
    sheet.SetValue({1, 1}, "项   目");
    sheet.Merge(Range("D1:E1"));
    sheet.SetValue({1, 4}, "墩台号");
    sheet.Merge(Range("A2:E2"));
    sheet.SetValue({2, 1}, "对应设计线的桩号");
    sheet.Merge(Range("A3:A4"));
    sheet.Merge(Range("B3:D4"));
    sheet.Merge(Range("F3:F4"));
    sheet.SetValue({3, 2}, "至设计线斜距");
    sheet.SetValue({3, 5}, "X");
    sheet.SetValue({4, 5}, "Y");
    sheet.SetNumberFormat(Range("F3:F4"), kGeneralFormat);
    sheet.SetNumberFormat(Range("G3:G4"), kCoordinateFormat);
    if (width == 3) {
        // The piles' design elevation beside their coordinates, one cell over both rows.
        sheet.Merge(Range("H3:H4"));
        sheet.SetNumberFormat(Range("H3:H4"), kElevationFormat);
    }

    // Every further entry gets the rows of the first; then its number.
    const RangeAddress entryBlock = Block(3, 1, 4, kFirstPierColumn + width - 1);
    for (int j = 2; j <= entryRows; ++j) {
        sheet.Copy(entryBlock, {2 * j + 1, 1});
    }
    for (int j = 1; j <= entryRows; ++j) {
        sheet.SetValue({2 * j + 1, 1}, static_cast<double>(j));
    }

    // Every further pier gets the columns of the first.
    const int lastPierColumn = kFirstPierColumn + width - 1;
    sheet.Merge(Block(1, kFirstPierColumn, 1, lastPierColumn));
    sheet.Merge(Block(2, kFirstPierColumn, 2, lastPierColumn));
    const RangeAddress firstPier = Block(1, kFirstPierColumn, lastRow, lastPierColumn);
    for (int k = 2; k <= pierCount; ++k) {
        sheet.Copy(firstPier, {1, PierColumn(k, width)});
    }

    for (int k = 1; k <= pierCount; ++k) {
        const SheetPier& pier = table.Piers[static_cast<std::size_t>(k - 1)];
        const int c = PierColumn(k, width);
        sheet.SetValue({1, c}, static_cast<double>(k - 1));
        const double station = SheetStationValue(pier);
        sheet.SetNumberFormat(Block(2, c, 2, c), std::floor(station) != station
                                                     ? kStationFormatDecimals
                                                     : kStationFormatWhole);
        sheet.SetValue({2, c}, station);
        for (std::size_t e = 0; e < pier.Entries.size(); ++e) {
            const SheetPileEntry& entry = pier.Entries[e];
            const int row = 2 * static_cast<int>(e + 1) + 1;
            // A pair measured off the pier axis has no single skew distance to show.
            if (entry.L2 == 0.0) {
                sheet.SetValue({row, c}, entry.L1);
            }
            sheet.SetValue({row, c + 1}, entry.X);
            sheet.SetValue({row + 1, c + 1}, entry.Y);
            if (width == 3 && entry.H) {
                sheet.SetValue({row, c + 2}, *entry.H);
            }
        }
    }

    // Outline medium, inner lines thin.
    const RangeAddress whole = Block(1, 1, lastRow, kItemColumns + width * pierCount);
    const Border none{};
    sheet.SetBorder(whole, BorderIndex::DiagonalDown, none);
    sheet.SetBorder(whole, BorderIndex::DiagonalUp, none);
    for (BorderIndex edge : {BorderIndex::EdgeLeft, BorderIndex::EdgeTop, BorderIndex::EdgeBottom,
                             BorderIndex::EdgeRight}) {
        sheet.SetBorder(whole, edge, Line(BorderWeight::Medium));
    }
    sheet.SetBorder(whole, BorderIndex::InsideVertical, Line(BorderWeight::Thin));
    sheet.SetBorder(whole, BorderIndex::InsideHorizontal, Line(BorderWeight::Thin));

    // C1 holds the diagonal that splits "项   目" from "墩台号": no lines at its sides.
    const RangeAddress corner = Range("C1");
    sheet.SetBorder(corner, BorderIndex::DiagonalDown, Line(BorderWeight::Thin));
    sheet.SetBorder(corner, BorderIndex::DiagonalUp, none);
    sheet.SetBorder(corner, BorderIndex::EdgeLeft, none);
    sheet.SetBorder(corner, BorderIndex::EdgeRight, none);
    sheet.SetBorder(corner, BorderIndex::EdgeTop, Line(BorderWeight::Medium));
    sheet.SetBorder(corner, BorderIndex::EdgeBottom, Line(BorderWeight::Thin));
    return sheet;
}

} // namespace tesk::sheet
