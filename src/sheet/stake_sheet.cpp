#include "sheet/stake_sheet.h"

#include "geometry/error.h"

#include <cmath>

namespace tesk::sheet {

namespace {

constexpr double kFontSize = 10.0;
constexpr const char* kFontName = "宋体";
constexpr const char* kCoordinateFormat = "0.0000";

// The station format of the coordinate table, with the mark letter in front where there is one.
// The letters are quoted as text: an unquoted "B" would read as a calendar code.
std::string StationFormat(char mark) {
    if (mark == '\0') {
        return "K0+000.000";
    }
    std::string format = "\"";
    format += mark;
    format += "K\"0+000.000";
    return format;
}

void Require(bool finite, const char* what) {
    if (!finite) {
        throw geometry::RuntimeError(geometry::ErrorCode::Output,
                                     std::string("the table holds a ") + what +
                                         " that is not a finite number");
    }
}

void CommonFormat(Worksheet& sheet) {
    const RangeAddress all = RangeAddress::WholeSheet();
    sheet.SetHorizontalAlignment(all, HorizontalAlignment::Center);
    sheet.SetVerticalAlignment(all, VerticalAlignment::Center);
    sheet.SetFontName(all, kFontName);
    sheet.SetFontSize(all, kFontSize);
}

void Frame(Worksheet& sheet, const RangeAddress& range) {
    const Border thin{LineStyle::Continuous, BorderWeight::Thin, kColorIndexAutomatic};
    for (const BorderIndex side :
         {BorderIndex::EdgeLeft, BorderIndex::EdgeTop, BorderIndex::EdgeRight,
          BorderIndex::EdgeBottom, BorderIndex::InsideVertical, BorderIndex::InsideHorizontal}) {
        sheet.SetBorder(range, side, thin);
    }
}

} // namespace

Worksheet& WriteStakeSheet(Workbook& workbook, const StakeSheetTable& table) {
    const int groups = static_cast<int>(table.PointCaptions.size());
    const int width = table.WithElevations ? 3 : 2;
    const int lastColumn = 1 + width * groups;
    if (lastColumn > kMaxColumn || table.Rows.size() > static_cast<std::size_t>(kMaxRow - 3)) {
        throw geometry::RuntimeError(geometry::ErrorCode::Output,
                                     "the stake table does not fit into a worksheet");
    }
    for (const StakeSheetRow& row : table.Rows) {
        Require(std::isfinite(row.Station), "station");
        Require(row.Points.size() == table.PointCaptions.size(), "point");
        Require(!table.WithElevations || row.Elevations.size() == row.Points.size(), "elevation");
        for (const geometry::PlanePoint& p : row.Points) {
            Require(std::isfinite(p.X) && std::isfinite(p.Y), "coordinate");
        }
        for (const std::optional<double>& h : row.Elevations) {
            Require(!h || std::isfinite(*h), "elevation");
        }
    }

    Worksheet& sheet = workbook.AddWorksheet("逐桩坐标表");
    CommonFormat(sheet);
    sheet.SetColumnWidth(1, 1, 15);
    sheet.SetColumnWidth(2, lastColumn, 14);
    sheet.Merge({{1, 1}, {1, lastColumn}});
    sheet.SetValue({1, 1}, table.Title);
    sheet.SetFontSize({{1, 1}, {1, 1}}, 14);
    sheet.Merge({{2, 1}, {3, 1}});
    sheet.SetValue({2, 1}, "桩号");
    for (int k = 0; k < groups; ++k) {
        const int column = 2 + width * k;
        sheet.Merge({{2, column}, {2, column + width - 1}});
        sheet.SetValue({2, column}, table.PointCaptions[static_cast<std::size_t>(k)]);
        sheet.SetValue({3, column}, "X");
        sheet.SetValue({3, column + 1}, "Y");
        if (table.WithElevations) {
            sheet.SetValue({3, column + 2}, "H");
        }
    }
    int r = 4;
    for (const StakeSheetRow& row : table.Rows) {
        sheet.SetValue({r, 1}, row.Station);
        sheet.SetNumberFormat({{r, 1}, {r, 1}}, StationFormat(row.Mark));
        for (int k = 0; k < groups; ++k) {
            const auto index = static_cast<std::size_t>(k);
            const int column = 2 + width * k;
            sheet.SetValue({r, column}, row.Points[index].X);
            sheet.SetValue({r, column + 1}, row.Points[index].Y);
            sheet.SetNumberFormat({{r, column}, {r, column + 1}}, kCoordinateFormat);
            if (table.WithElevations) {
                if (row.Elevations[index]) {
                    sheet.SetValue({r, column + 2}, *row.Elevations[index]);
                }
                sheet.SetNumberFormat({{r, column + 2}, {r, column + 2}}, "0.000");
            }
        }
        ++r;
    }
    Frame(sheet, {{2, 1}, {std::max(3, r - 1), lastColumn}});
    return sheet;
}

Worksheet& WriteLocateSheet(Workbook& workbook, const std::vector<LocateSheetRow>& rows) {
    if (rows.size() > static_cast<std::size_t>(kMaxRow - 2)) {
        throw geometry::RuntimeError(geometry::ErrorCode::Output,
                                     "the results do not fit into a worksheet");
    }
    for (const LocateSheetRow& row : rows) {
        Require(std::isfinite(row.Point.X) && std::isfinite(row.Point.Y), "coordinate");
        Require(!row.Found || (std::isfinite(row.Station) && std::isfinite(row.Offset)),
                "station or offset");
    }
    Worksheet& sheet = workbook.AddWorksheet("坐标反算");
    CommonFormat(sheet);
    const char* headers[] = {"点名", "X", "Y", "桩号", "偏距", "方位角", "说明"};
    const double widths[] = {10, 14, 14, 15, 12, 15, 40};
    sheet.Merge({{1, 1}, {1, 7}});
    sheet.SetValue({1, 1}, "坐 标 反 算");
    sheet.SetFontSize({{1, 1}, {1, 1}}, 14);
    for (int c = 1; c <= 7; ++c) {
        sheet.SetValue({2, c}, headers[c - 1]);
        sheet.SetColumnWidth(c, c, widths[c - 1]);
    }
    int r = 3;
    for (const LocateSheetRow& row : rows) {
        sheet.SetValue({r, 1}, row.Name);
        sheet.SetValue({r, 2}, row.Point.X);
        sheet.SetValue({r, 3}, row.Point.Y);
        if (row.Found) {
            sheet.SetValue({r, 4}, row.Station);
            sheet.SetNumberFormat({{r, 4}, {r, 4}}, StationFormat(row.Mark));
            sheet.SetValue({r, 5}, row.Offset);
            sheet.SetValue({r, 6}, row.Azimuth);
        }
        sheet.SetValue({r, 7}, row.Note);
        ++r;
    }
    if (r > 3) {
        sheet.SetNumberFormat({{3, 2}, {r - 1, 3}}, kCoordinateFormat);
        // Left positive: "左 1.234", "右 1.234", "0.000" on the line.
        sheet.SetNumberFormat({{3, 5}, {r - 1, 5}}, "\"左 \"0.000;\"右 \"0.000;0.000");
    }
    Frame(sheet, {{2, 1}, {std::max(2, r - 1), 7}});
    return sheet;
}

Worksheet& WritePolarSheet(Workbook& workbook, const PolarSheetTable& table) {
    constexpr int kFirstRow = 6; // below the title, the heading block and the column captions
    if (table.Rows.size() > static_cast<std::size_t>(kMaxRow - kFirstRow + 1)) {
        throw geometry::RuntimeError(geometry::ErrorCode::Output,
                                     "the points do not fit into a worksheet");
    }
    for (const geometry::PlanePoint& p : {table.Station, table.Backsight}) {
        Require(std::isfinite(p.X) && std::isfinite(p.Y), "station coordinate");
    }
    for (const PolarSheetRow& row : table.Rows) {
        Require(std::isfinite(row.Point.X) && std::isfinite(row.Point.Y), "coordinate");
        Require(std::isfinite(row.Distance) && (!row.H || std::isfinite(*row.H)),
                "distance or elevation");
    }
    Worksheet& sheet = workbook.AddWorksheet("极坐标放样表");
    CommonFormat(sheet);
    const char* headers[] = {"点名", "X", "Y", "H", "方位角", "水平角", "平距"};
    const double widths[] = {14, 14, 14, 10, 15, 15, 12};
    sheet.Merge({{1, 1}, {1, 7}});
    sheet.SetValue({1, 1}, "极 坐 标 放 样 表");
    sheet.SetFontSize({{1, 1}, {1, 1}}, 14);
    // The setup: 测站 X Y, then 后视 X Y and the backsight azimuth.
    sheet.SetValue({2, 1}, "测站");
    sheet.SetValue({2, 2}, table.Station.X);
    sheet.SetValue({2, 3}, table.Station.Y);
    sheet.SetValue({3, 1}, "后视");
    sheet.SetValue({3, 2}, table.Backsight.X);
    sheet.SetValue({3, 3}, table.Backsight.Y);
    sheet.SetValue({3, 4}, "后视方位角");
    sheet.SetValue({3, 5}, table.BacksightAzimuth);
    sheet.SetNumberFormat({{2, 2}, {3, 3}}, kCoordinateFormat);
    for (int c = 1; c <= 7; ++c) {
        sheet.SetValue({kFirstRow - 1, c}, headers[c - 1]);
        sheet.SetColumnWidth(c, c, widths[c - 1]);
    }
    int r = kFirstRow;
    for (const PolarSheetRow& row : table.Rows) {
        sheet.SetValue({r, 1}, row.Name);
        sheet.SetValue({r, 2}, row.Point.X);
        sheet.SetValue({r, 3}, row.Point.Y);
        if (row.H) {
            sheet.SetValue({r, 4}, *row.H);
        }
        sheet.SetValue({r, 5}, row.Azimuth);
        sheet.SetValue({r, 6}, row.Angle);
        sheet.SetValue({r, 7}, row.Distance);
        ++r;
    }
    if (r > kFirstRow) {
        sheet.SetNumberFormat({{kFirstRow, 2}, {r - 1, 3}}, kCoordinateFormat);
        sheet.SetNumberFormat({{kFirstRow, 4}, {r - 1, 4}}, "0.000");
        sheet.SetNumberFormat({{kFirstRow, 7}, {r - 1, 7}}, kCoordinateFormat);
    }
    Frame(sheet, {{kFirstRow - 1, 1}, {std::max(kFirstRow - 1, r - 1), 7}});
    return sheet;
}

} // namespace tesk::sheet
