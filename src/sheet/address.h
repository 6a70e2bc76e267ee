#pragma once

// Cell and range addresses of a worksheet, in the A1 style a spreadsheet program shows: column
// letters (A..Z, AA..ZZ, AAA..XFD) followed by the row number. Rows and columns are 1-based.

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace tesk::sheet {

inline constexpr int kMaxRow = 1048576;  ///< last row of a worksheet
inline constexpr int kMaxColumn = 16384; ///< last column of a worksheet (XFD)

/// One cell: Row 1..kMaxRow, Column 1..kMaxColumn (A = 1).
struct CellAddress {
    int Row = 1;
    int Column = 1;

    friend auto operator<=>(const CellAddress&, const CellAddress&) = default;
};

/// A rectangular block of cells from First (top-left) to Last (bottom-right), both inclusive.
struct RangeAddress {
    CellAddress First;
    CellAddress Last;

    /// Every cell of the sheet (A1:XFD1048576), what a spreadsheet program calls `Cells`.
    static constexpr RangeAddress WholeSheet() { return {{1, 1}, {kMaxRow, kMaxColumn}}; }

    bool IsWholeSheet() const { return *this == WholeSheet(); }
    int RowCount() const { return Last.Row - First.Row + 1; }
    int ColumnCount() const { return Last.Column - First.Column + 1; }
    std::int64_t CellCount() const { return std::int64_t{RowCount()} * ColumnCount(); }
    bool Contains(CellAddress cell) const;
    bool Contains(const RangeAddress& other) const;
    bool Intersects(const RangeAddress& other) const;
    /// The same block moved so that its top-left cell is `topLeft` (not checked against the sheet).
    RangeAddress MovedTo(CellAddress topLeft) const;

    friend bool operator==(const RangeAddress&, const RangeAddress&) = default;
};

/// Letters of column `column` (1..kMaxColumn): 1 -> "A", 26 -> "Z", 27 -> "AA", 52 -> "AZ",
/// 53 -> "BA", 703 -> "AAA". Throws geometry::RuntimeError(Output) outside 1..kMaxColumn.
std::string ColumnLetters(int column);

/// Column number of `letters` (case-insensitive, 1 to 3 letters): "A" -> 1, "AA" -> 27.
/// Throws geometry::RuntimeError(Output) for anything else or a column beyond XFD.
int ColumnNumber(std::string_view letters);

/// A1-style name of the cell at `row` (1..kMaxRow) and `column` (1..kMaxColumn): (3, 28) ->
/// "AB3". Throws geometry::RuntimeError(Output) outside the sheet.
std::string CellName(int row, int column);
std::string CellName(CellAddress cell);

/// "A1:B2", or "A1" for a single cell.
std::string RangeName(const RangeAddress& range);

/// Parses "B3" or "$B$3" (letters case-insensitive). Throws geometry::RuntimeError(Output) for
/// anything else, for row 0 and for cells outside the sheet.
CellAddress ParseCell(std::string_view text);

/// Parses "A1:B2" (corners in any order, normalised to top-left and bottom-right) or a single
/// cell "C1". Throws geometry::RuntimeError(Output) when the text is not such an address.
RangeAddress ParseRange(std::string_view text);

/// Parses a column or a block of columns: "C" or "F:G" (in any order). Returns the first and
/// last column. Throws geometry::RuntimeError(Output) when the text is not such an address.
struct ColumnSpan {
    int First = 1;
    int Last = 1;
};
ColumnSpan ParseColumns(std::string_view text);

} // namespace tesk::sheet
