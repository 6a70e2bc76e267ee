#pragma once

// An in-memory workbook built by the operations a spreadsheet program offers to automation:
// add a worksheet, set alignment, font, row height, number format and borders of a range,
// merge a range, set column widths, write cell values and copy a block elsewhere. Every cell's
// value and format can be read back, so the tables built on it are tested without a spreadsheet
// program; xlsx_writer.h saves it as an .xlsx file.
//
// Units: row heights in points (1/72 inch, 0..409), column widths in the spreadsheet's character
// units (0..255), font sizes in points (1..409). Rows and columns are 1-based (A = 1).
//
// Every refused operation (an address outside the sheet, a merge cutting through another merge,
// a value written into the hidden part of a merged block, a width out of range ...) throws
// geometry::RuntimeError(ErrorCode::Output) and leaves the sheet as it was.

#include "sheet/address.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

namespace tesk::sheet {

// The enumerations carry the constants of the spreadsheet automation model as their values.

enum class HorizontalAlignment { General = 1, Left = -4131, Center = -4108, Right = -4152 };
enum class VerticalAlignment { Top = -4160, Center = -4108, Bottom = -4107 };
enum class LineStyle { None = -4142, Continuous = 1 };
enum class BorderWeight { Hairline = 1, Thin = 2, Medium = -4138, Thick = 4 };

/// Which border a SetBorder call addresses. The edges address the outline of the range; the
/// inside lines every line between two of its columns or rows; the diagonals every cell of it.
enum class BorderIndex {
    DiagonalDown = 5, ///< top-left to bottom-right corner of each cell
    DiagonalUp = 6,   ///< bottom-left to top-right corner of each cell
    EdgeLeft = 7,
    EdgeTop = 8,
    EdgeBottom = 9,
    EdgeRight = 10,
    InsideVertical = 11,
    InsideHorizontal = 12,
};

inline constexpr int kColorIndexAutomatic = -4105; ///< the automatic (black) line colour

/// One border line. Style None means no line, whatever the weight and colour say.
struct Border {
    LineStyle Style = LineStyle::None;
    BorderWeight Weight = BorderWeight::Thin;
    /// kColorIndexAutomatic or an index 1..56 of the spreadsheet's default palette.
    int ColorIndex = kColorIndexAutomatic;

    bool IsVisible() const { return Style != LineStyle::None; }
    /// Two borders are the same line when both are invisible or all three attributes agree.
    friend bool operator==(const Border& a, const Border& b) {
        if (!a.IsVisible() || !b.IsVisible()) {
            return a.IsVisible() == b.IsVisible();
        }
        return a.Weight == b.Weight && a.ColorIndex == b.ColorIndex;
    }
};

/// The borders of one cell. A line shared by two neighbouring cells is kept on both of them:
/// SetBorder writes both sides, as a spreadsheet program does.
struct CellBorders {
    Border Left;
    Border Top;
    Border Bottom;
    Border Right;
    Border DiagonalDown;
    Border DiagonalUp;

    friend bool operator==(const CellBorders&, const CellBorders&) = default;
};

inline constexpr std::string_view kGeneralFormat = "G/通用格式"; ///< the general number format

/// Everything that decides how one cell looks.
struct CellFormat {
    HorizontalAlignment Horizontal = HorizontalAlignment::General;
    VerticalAlignment Vertical = VerticalAlignment::Bottom;
    std::string FontName = "Calibri";
    double FontSize = 11.0; ///< points
    /// Number format as the Chinese user interface writes it ("G/通用格式", "0.0000",
    /// "K0+000.000"); the writer converts it into the form stored in the file.
    std::string NumberFormat = std::string(kGeneralFormat);
    CellBorders Borders;

    friend bool operator==(const CellFormat&, const CellFormat&) = default;
};

/// A cell's value: empty, a number or a text (UTF-8).
using CellValue = std::variant<std::monostate, double, std::string>;

struct Cell {
    CellValue Value;
    CellFormat Format;
};

/// How a worksheet prints. The default is what a new sheet prints with: portrait, actual size,
/// no repeated rows, no header.
struct PageSetup {
    bool Landscape = false;
    int FitWidth = 0;       ///< pages wide to fit the used block to; 0 = print at actual size
    int FitHeight = 0;      ///< pages tall; 0 = as many as needed (with FitWidth > 0)
    int RepeatFirstRow = 0; ///< first of the rows printed atop every page (1-based); 0 = none
    int RepeatLastRow = 0;  ///< last of them
    std::string Header;     ///< text printed centred at the top of every page; empty = none
};

inline constexpr double kDefaultRowHeight = 15.0;   ///< points
inline constexpr double kDefaultColumnWidth = 8.43; ///< character units

class Worksheet {
public:
    explicit Worksheet(std::string name);

    const std::string& Name() const { return m_name; }

    // ---- Formats of a range (RangeAddress::WholeSheet() is the whole sheet) ----------------
    void SetHorizontalAlignment(const RangeAddress& range, HorizontalAlignment alignment);
    void SetVerticalAlignment(const RangeAddress& range, VerticalAlignment alignment);
    /// `name` is a font family name (non-empty, at most 31 characters), e.g. "宋体".
    void SetFontName(const RangeAddress& range, std::string_view name);
    /// `size` in points, 1..409.
    void SetFontSize(const RangeAddress& range, double size);
    /// `format` as the Chinese user interface writes it (see CellFormat::NumberFormat).
    void SetNumberFormat(const RangeAddress& range, std::string_view format);
    /// Sets one border of `range` (see BorderIndex). Lines shared with a neighbouring cell are
    /// set on the neighbour too. Not available for the whole sheet.
    void SetBorder(const RangeAddress& range, BorderIndex index, const Border& border);

    // ---- Rows and columns -------------------------------------------------------------------
    /// Height of every row of `range` in points, 0..409; the whole sheet sets the default height.
    void SetRowHeight(const RangeAddress& range, double points);
    /// Width of the columns `first`..`last` (1..kMaxColumn) in character units, 0..255.
    void SetColumnWidth(int first, int last, double width);
    /// `columns` as "C" or "F:G".
    void SetColumnWidth(std::string_view columns, double width);

    // ---- Merges, values, copies -------------------------------------------------------------
    /// Merges `range` into one block shown as its top-left cell. Merged blocks lying wholly
    /// inside `range` are absorbed; values outside the top-left cell are dropped, as a
    /// spreadsheet program drops them. A single cell is left as it is. Refused when `range`
    /// cuts through a merged block or is the whole sheet.
    void Merge(const RangeAddress& range);
    /// Writes a number (finite) or a text (at most 32767 characters) into `cell`. Refused for a
    /// cell hidden inside a merged block (only its top-left cell shows a value).
    void SetValue(CellAddress cell, double value);
    void SetValue(CellAddress cell, std::string_view text);
    void ClearValue(CellAddress cell);
    /// Copies the values, formats and merges of `source` so that its top-left cell lands on
    /// `destination`, as copy and paste do (the source is read completely before writing, so
    /// the two may overlap). Merged blocks lying wholly inside the target block are replaced.
    /// Refused when `source` or the target cuts through a merged block or the target leaves
    /// the sheet.
    void Copy(const RangeAddress& source, CellAddress destination);

    // ---- Printing ----------------------------------------------------------------------------
    /// Prints in landscape orientation.
    void SetLandscape(bool landscape) { m_page.Landscape = landscape; }
    /// Fits the printout to `width` pages wide and `height` pages tall (0 = as many as
    /// needed), each 0..32767; both 0 print at actual size.
    void FitToPages(int width, int height);
    /// Prints rows `first`..`last` (1..kMaxRow, first <= last) atop every page.
    void RepeatRows(int first, int last);
    /// Prints `text` centred in the page header (plain text: '&' is printed as it is; at most
    /// 60 characters, no line breaks).
    void SetHeader(std::string_view text);
    const PageSetup& Page() const { return m_page; }

    // ---- Inspection ------------------------------------------------------------------------
    const CellValue& ValueAt(CellAddress cell) const;
    const CellFormat& FormatAt(CellAddress cell) const;
    /// Format of every cell that was never addressed on its own.
    const CellFormat& SheetFormat() const { return m_sheetFormat; }
    double RowHeight(int row) const;
    double ColumnWidth(int column) const;
    /// The default row height set for the whole sheet, if any.
    std::optional<double> DefaultRowHeight() const { return m_defaultRowHeight; }
    /// Rows and columns whose height or width differs from the sheet's default.
    const std::map<int, double>& RowHeights() const { return m_rowHeights; }
    const std::map<int, double>& ColumnWidths() const { return m_columnWidths; }
    /// Merged blocks, in the order they were made.
    const std::vector<RangeAddress>& Merges() const { return m_merges; }
    /// The merged block containing `cell`, if any.
    std::optional<RangeAddress> MergeAreaAt(CellAddress cell) const;
    /// Cells addressed on their own (a value, or a format differing from the sheet's), in row
    /// then column order.
    const std::map<CellAddress, Cell>& Cells() const { return m_cells; }

private:
    Cell& Touch(CellAddress cell);
    template <typename Change> void ChangeFormats(const RangeAddress& range, Change change);
    void SetEdge(CellAddress cell, Border CellBorders::*side, CellAddress neighbour,
                 Border CellBorders::*neighbourSide, bool hasNeighbour, const Border& border);
    void RequireNoPartialMerge(const RangeAddress& range) const;

    std::string m_name;
    PageSetup m_page;
    CellFormat m_sheetFormat;
    std::optional<double> m_defaultRowHeight;
    std::map<int, double> m_rowHeights;
    std::map<int, double> m_columnWidths;
    std::vector<RangeAddress> m_merges;
    /// The merged block of every merged cell, kept with m_merges: finding a cell's block does
    /// not scan every block (a pile table of 200 piers has thousands).
    std::unordered_map<std::uint64_t, RangeAddress> m_mergeOfCell;
    void IndexMerge(const RangeAddress& range, bool add);
    std::map<CellAddress, Cell> m_cells;
};

/// A workbook: its worksheets in tab order and the active one.
class Workbook {
public:
    /// Adds an empty worksheet named "Sheet<n>" (n counts every sheet ever added, from 1), or
    /// `name` when given: "桩位坐标表", then "桩位坐标表 (2)", "桩位坐标表 (3)" ... while a sheet
    /// of that name exists (names compare as a spreadsheet program compares them, ASCII letters in
    /// either case). The sheet is placed in front of the active sheet as a spreadsheet program
    /// places it and becomes the active sheet. Throws geometry::RuntimeError(Output) for a name a
    /// spreadsheet refuses: longer than 31 characters with its number, or holding one of [ ] : * ?
    /// / \ or a leading or trailing apostrophe.
    Worksheet& AddWorksheet(std::string_view name = {});
    /// The active worksheet; throws geometry::RuntimeError(Output) when there is none.
    Worksheet& ActiveSheet();
    const Worksheet& ActiveSheet() const;
    /// 0-based tab position of the active sheet (0 when there are no sheets).
    std::size_t ActiveIndex() const { return m_active; }
    std::size_t SheetCount() const { return m_sheets.size(); }
    /// The sheet at 0-based tab position `index`; throws geometry::RuntimeError(Output) beyond.
    const Worksheet& Sheet(std::size_t index) const;

private:
    std::vector<std::unique_ptr<Worksheet>> m_sheets;
    std::size_t m_active = 0;
    int m_added = 0;
};

/// The spreadsheet program of one session. Every table command connects and adds a worksheet
/// to the one workbook it keeps, as a running spreadsheet program collects the sheets of a
/// session until the user saves them.
class SpreadsheetSession {
public:
    /// The session's workbook, created empty at the first call (OpenWorkbook).
    Workbook& OpenWorkbook();
    bool HasWorkbook() const { return m_workbook != nullptr; }
    /// The session's workbook, or nullptr before the first OpenWorkbook.
    const Workbook* CurrentWorkbook() const { return m_workbook.get(); }

private:
    std::unique_ptr<Workbook> m_workbook;
};

} // namespace tesk::sheet
