#include "sheet/workbook.h"

#include "geometry/error.h"

#include <algorithm>
#include <cmath>

namespace tesk::sheet {

namespace {

/// Largest block a single operation may touch cell by cell (the whole sheet is handled apart).
/// Far beyond any table of the program; it keeps a mistyped address from exhausting memory.
constexpr std::int64_t kMaxCellsPerOperation = 4'000'000;

constexpr std::size_t kMaxTextLength = 32767; ///< characters in one cell
constexpr std::size_t kMaxFontNameLength = 31;

[[noreturn]] void Refuse(const std::string& why) {
    throw geometry::RuntimeError(geometry::ErrorCode::Output, why);
}

bool IsInsideSheet(CellAddress cell) {
    return cell.Row >= 1 && cell.Row <= kMaxRow && cell.Column >= 1 && cell.Column <= kMaxColumn;
}

void RequireInside(CellAddress cell) {
    if (!IsInsideSheet(cell)) {
        Refuse("cell (" + std::to_string(cell.Row) + ", " + std::to_string(cell.Column) +
               ") is outside the sheet");
    }
}

void RequireRange(const RangeAddress& range) {
    RequireInside(range.First);
    RequireInside(range.Last);
    if (range.First.Row > range.Last.Row || range.First.Column > range.Last.Column) {
        Refuse("range " + RangeName(range) + " is not ordered top-left to bottom-right");
    }
}

void RequireBounded(const RangeAddress& range) {
    RequireRange(range);
    if (range.CellCount() > kMaxCellsPerOperation) {
        Refuse("range " + RangeName(range) + " is too large for one operation");
    }
}

/// Number of characters of a UTF-8 text (continuation bytes are not counted).
std::size_t CharacterCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void RequireBorder(const Border& border) {
    const bool knownStyle =
        border.Style == LineStyle::None || border.Style == LineStyle::Continuous;
    const bool knownWeight =
        border.Weight == BorderWeight::Hairline || border.Weight == BorderWeight::Thin ||
        border.Weight == BorderWeight::Medium || border.Weight == BorderWeight::Thick;
    const bool knownColour = border.ColorIndex == kColorIndexAutomatic ||
                             (border.ColorIndex >= 1 && border.ColorIndex <= 56);
    if (!knownStyle || !knownWeight || !knownColour) {
        Refuse("unknown border line style, weight or colour index");
    }
}

} // namespace

Worksheet::Worksheet(std::string name) : m_name(std::move(name)) {}

Cell& Worksheet::Touch(CellAddress cell) {
    auto [it, inserted] = m_cells.try_emplace(cell);
    if (inserted) {
        it->second.Format = m_sheetFormat;
    }
    return it->second;
}

template <typename Change> void Worksheet::ChangeFormats(const RangeAddress& range, Change change) {
    if (range.IsWholeSheet()) {
        change(m_sheetFormat);
        for (auto& [address, cell] : m_cells) {
            change(cell.Format);
        }
        return;
    }
    RequireBounded(range);
    for (int row = range.First.Row; row <= range.Last.Row; ++row) {
        for (int column = range.First.Column; column <= range.Last.Column; ++column) {
            change(Touch({row, column}).Format);
        }
    }
}

void Worksheet::SetHorizontalAlignment(const RangeAddress& range, HorizontalAlignment alignment) {
    ChangeFormats(range, [&](CellFormat& format) { format.Horizontal = alignment; });
}

void Worksheet::SetVerticalAlignment(const RangeAddress& range, VerticalAlignment alignment) {
    ChangeFormats(range, [&](CellFormat& format) { format.Vertical = alignment; });
}

void Worksheet::SetFontName(const RangeAddress& range, std::string_view name) {
    if (name.empty() || CharacterCount(name) > kMaxFontNameLength) {
        Refuse("font name must have 1 to 31 characters");
    }
    ChangeFormats(range, [&](CellFormat& format) { format.FontName = std::string(name); });
}

void Worksheet::SetFontSize(const RangeAddress& range, double size) {
    if (!(size >= 1.0 && size <= 409.0)) {
        Refuse("font size must lie between 1 and 409 points");
    }
    ChangeFormats(range, [&](CellFormat& format) { format.FontSize = size; });
}

void Worksheet::SetNumberFormat(const RangeAddress& range, std::string_view format) {
    if (format.empty() || format.size() > 255) {
        Refuse("number format must have 1 to 255 characters");
    }
    ChangeFormats(range, [&](CellFormat& cellFormat) { cellFormat.NumberFormat = format; });
}

void Worksheet::SetEdge(CellAddress cell, Border CellBorders::*side, CellAddress neighbour,
                        Border CellBorders::*neighbourSide, bool hasNeighbour,
                        const Border& border) {
    Touch(cell).Format.Borders.*side = border;
    if (hasNeighbour) {
        Touch(neighbour).Format.Borders.*neighbourSide = border;
    }
}

void Worksheet::SetBorder(const RangeAddress& range, BorderIndex index, const Border& border) {
    if (range.IsWholeSheet()) {
        Refuse("borders cannot be set on the whole sheet");
    }
    RequireBounded(range);
    RequireBorder(border);
    const RangeAddress r = range;
    switch (index) {
    case BorderIndex::DiagonalDown:
    case BorderIndex::DiagonalUp: {
        Border CellBorders::*diagonal = index == BorderIndex::DiagonalDown
                                            ? &CellBorders::DiagonalDown
                                            : &CellBorders::DiagonalUp;
        ChangeFormats(r, [&](CellFormat& format) { format.Borders.*diagonal = border; });
        return;
    }
    case BorderIndex::EdgeLeft:
        for (int row = r.First.Row; row <= r.Last.Row; ++row) {
            SetEdge({row, r.First.Column}, &CellBorders::Left, {row, r.First.Column - 1},
                    &CellBorders::Right, r.First.Column > 1, border);
        }
        return;
    case BorderIndex::EdgeRight:
        for (int row = r.First.Row; row <= r.Last.Row; ++row) {
            SetEdge({row, r.Last.Column}, &CellBorders::Right, {row, r.Last.Column + 1},
                    &CellBorders::Left, r.Last.Column < kMaxColumn, border);
        }
        return;
    case BorderIndex::EdgeTop:
        for (int column = r.First.Column; column <= r.Last.Column; ++column) {
            SetEdge({r.First.Row, column}, &CellBorders::Top, {r.First.Row - 1, column},
                    &CellBorders::Bottom, r.First.Row > 1, border);
        }
        return;
    case BorderIndex::EdgeBottom:
        for (int column = r.First.Column; column <= r.Last.Column; ++column) {
            SetEdge({r.Last.Row, column}, &CellBorders::Bottom, {r.Last.Row + 1, column},
                    &CellBorders::Top, r.Last.Row < kMaxRow, border);
        }
        return;
    case BorderIndex::InsideVertical:
        for (int row = r.First.Row; row <= r.Last.Row; ++row) {
            for (int column = r.First.Column; column < r.Last.Column; ++column) {
                SetEdge({row, column}, &CellBorders::Right, {row, column + 1}, &CellBorders::Left,
                        true, border);
            }
        }
        return;
    case BorderIndex::InsideHorizontal:
        for (int row = r.First.Row; row < r.Last.Row; ++row) {
            for (int column = r.First.Column; column <= r.Last.Column; ++column) {
                SetEdge({row, column}, &CellBorders::Bottom, {row + 1, column}, &CellBorders::Top,
                        true, border);
            }
        }
        return;
    }
    Refuse("unknown border index");
}

void Worksheet::SetRowHeight(const RangeAddress& range, double points) {
    if (!(points >= 0.0 && points <= 409.0)) {
        Refuse("row height must lie between 0 and 409 points");
    }
    if (range.IsWholeSheet()) {
        m_defaultRowHeight = points;
        m_rowHeights.clear();
        return;
    }
    RequireRange(range);
    for (int row = range.First.Row; row <= range.Last.Row; ++row) {
        m_rowHeights[row] = points;
    }
}

void Worksheet::SetColumnWidth(int first, int last, double width) {
    if (first < 1 || last > kMaxColumn || first > last) {
        Refuse("columns " + std::to_string(first) + ".." + std::to_string(last) +
               " are outside the sheet");
    }
    if (!(width >= 0.0 && width <= 255.0)) {
        Refuse("column width must lie between 0 and 255");
    }
    for (int column = first; column <= last; ++column) {
        m_columnWidths[column] = width;
    }
}

void Worksheet::SetColumnWidth(std::string_view columns, double width) {
    const ColumnSpan span = ParseColumns(columns);
    SetColumnWidth(span.First, span.Last, width);
}

void Worksheet::RequireNoPartialMerge(const RangeAddress& range) const {
    for (const RangeAddress& merge : m_merges) {
        if (merge.Intersects(range) && !range.Contains(merge)) {
            Refuse("range " + RangeName(range) + " cuts through the merged block " +
                   RangeName(merge));
        }
    }
}

void Worksheet::Merge(const RangeAddress& range) {
    if (range.IsWholeSheet()) {
        Refuse("the whole sheet cannot be merged");
    }
    RequireBounded(range);
    if (range.First == range.Last) {
        return;
    }
    RequireNoPartialMerge(range);
    std::erase_if(m_merges, [&](const RangeAddress& merge) {
        const bool inside = range.Contains(merge);
        if (inside) {
            IndexMerge(merge, false);
        }
        return inside;
    });
    for (int row = range.First.Row; row <= range.Last.Row; ++row) {
        auto it = m_cells.lower_bound({row, range.First.Column});
        for (; it != m_cells.end() && it->first <= CellAddress{row, range.Last.Column}; ++it) {
            if (it->first != range.First) {
                it->second.Value = std::monostate{};
            }
        }
    }
    m_merges.push_back(range);
    IndexMerge(range, true);
}

void Worksheet::IndexMerge(const RangeAddress& range, bool add) {
    for (int row = range.First.Row; row <= range.Last.Row; ++row) {
        for (int column = range.First.Column; column <= range.Last.Column; ++column) {
            const std::uint64_t key = (static_cast<std::uint64_t>(row) << 32) |
                                      static_cast<std::uint32_t>(column);
            if (add) {
                m_mergeOfCell[key] = range;
            } else {
                m_mergeOfCell.erase(key);
            }
        }
    }
}

void Worksheet::SetValue(CellAddress cell, double value) {
    RequireInside(cell);
    if (!std::isfinite(value)) {
        Refuse("cell " + CellName(cell) + ": a value that is not a finite number");
    }
    if (const auto area = MergeAreaAt(cell); area && area->First != cell) {
        Refuse("cell " + CellName(cell) + " is hidden inside the merged block " + RangeName(*area));
    }
    Touch(cell).Value = value;
}

void Worksheet::SetValue(CellAddress cell, std::string_view text) {
    RequireInside(cell);
    if (CharacterCount(text) > kMaxTextLength) {
        Refuse("cell " + CellName(cell) + ": text longer than 32767 characters");
    }
    if (const auto area = MergeAreaAt(cell); area && area->First != cell) {
        Refuse("cell " + CellName(cell) + " is hidden inside the merged block " + RangeName(*area));
    }
    Touch(cell).Value = std::string(text);
}

void Worksheet::ClearValue(CellAddress cell) {
    RequireInside(cell);
    if (auto it = m_cells.find(cell); it != m_cells.end()) {
        it->second.Value = std::monostate{};
    }
}

void Worksheet::Copy(const RangeAddress& source, CellAddress destination) {
    if (source.IsWholeSheet()) {
        Refuse("the whole sheet cannot be copied");
    }
    RequireBounded(source);
    RequireInside(destination);
    const RangeAddress target = source.MovedTo(destination);
    if (!IsInsideSheet(target.Last)) {
        Refuse("the copy of " + RangeName(source) + " at " + CellName(destination) +
               " leaves the sheet");
    }
    RequireNoPartialMerge(source);
    RequireNoPartialMerge(target);

    // Read the source completely first: source and target may overlap.
    const int rowShift = target.First.Row - source.First.Row;
    const int columnShift = target.First.Column - source.First.Column;
    std::vector<std::pair<CellAddress, Cell>> copied;
    for (int row = source.First.Row; row <= source.Last.Row; ++row) {
        auto it = m_cells.lower_bound({row, source.First.Column});
        for (; it != m_cells.end() && it->first <= CellAddress{row, source.Last.Column}; ++it) {
            copied.emplace_back(
                CellAddress{it->first.Row + rowShift, it->first.Column + columnShift}, it->second);
        }
    }
    std::vector<RangeAddress> copiedMerges;
    for (const RangeAddress& merge : m_merges) {
        if (source.Contains(merge)) {
            copiedMerges.push_back(
                merge.MovedTo({merge.First.Row + rowShift, merge.First.Column + columnShift}));
        }
    }

    for (int row = target.First.Row; row <= target.Last.Row; ++row) {
        m_cells.erase(m_cells.lower_bound({row, target.First.Column}),
                      m_cells.upper_bound({row, target.Last.Column}));
    }
    std::erase_if(m_merges, [&](const RangeAddress& merge) {
        const bool inside = target.Contains(merge);
        if (inside) {
            IndexMerge(merge, false);
        }
        return inside;
    });
    for (auto& [address, cell] : copied) {
        m_cells[address] = std::move(cell);
    }
    m_merges.insert(m_merges.end(), copiedMerges.begin(), copiedMerges.end());
    for (const RangeAddress& merge : copiedMerges) {
        IndexMerge(merge, true);
    }
}

const CellValue& Worksheet::ValueAt(CellAddress cell) const {
    static const CellValue kEmpty;
    const auto it = m_cells.find(cell);
    return it == m_cells.end() ? kEmpty : it->second.Value;
}

const CellFormat& Worksheet::FormatAt(CellAddress cell) const {
    const auto it = m_cells.find(cell);
    return it == m_cells.end() ? m_sheetFormat : it->second.Format;
}

double Worksheet::RowHeight(int row) const {
    const auto it = m_rowHeights.find(row);
    if (it != m_rowHeights.end()) {
        return it->second;
    }
    return m_defaultRowHeight.value_or(kDefaultRowHeight);
}

double Worksheet::ColumnWidth(int column) const {
    const auto it = m_columnWidths.find(column);
    return it == m_columnWidths.end() ? kDefaultColumnWidth : it->second;
}

std::optional<RangeAddress> Worksheet::MergeAreaAt(CellAddress cell) const {
    const auto it = m_mergeOfCell.find((static_cast<std::uint64_t>(cell.Row) << 32) |
                                       static_cast<std::uint32_t>(cell.Column));
    if (it == m_mergeOfCell.end()) {
        return std::nullopt;
    }
    return it->second;
}

namespace {

bool SameSheetName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

void Worksheet::FitToPages(int width, int height) {
    if (width < 0 || width > 32767 || height < 0 || height > 32767) {
        Refuse("pages to fit to out of range");
    }
    m_page.FitWidth = width;
    m_page.FitHeight = height;
}

void Worksheet::RepeatRows(int first, int last) {
    if (first < 1 || last < first || last > kMaxRow) {
        Refuse("rows to repeat out of range");
    }
    m_page.RepeatFirstRow = first;
    m_page.RepeatLastRow = last;
}

void Worksheet::SetHeader(std::string_view text) {
    if (CharacterCount(text) > 60 || text.find_first_of("\r\n") != std::string_view::npos) {
        Refuse("the page header is too long or holds a line break");
    }
    m_page.Header = std::string(text);
}

Worksheet& Workbook::AddWorksheet(std::string_view name) {
    std::string chosen;
    if (name.empty()) {
        chosen = "Sheet" + std::to_string(m_added + 1);
    } else {
        if (name.find_first_of("[]:*?/\\") != std::string_view::npos || name.front() == '\'' ||
            name.back() == '\'') {
            Refuse("a worksheet cannot be named \"" + std::string(name) + "\"");
        }
        chosen = std::string(name);
        for (int n = 2;; ++n) {
            const bool taken = std::any_of(m_sheets.begin(), m_sheets.end(), [&](const auto& s) {
                return SameSheetName(s->Name(), chosen);
            });
            if (!taken) {
                break;
            }
            chosen = std::string(name) + " (" + std::to_string(n) + ")";
        }
        if (CharacterCount(chosen) > 31) {
            Refuse("the worksheet name \"" + chosen + "\" is longer than 31 characters");
        }
    }
    ++m_added;
    auto sheet = std::make_unique<Worksheet>(std::move(chosen));
    const std::size_t position = m_sheets.empty() ? 0 : m_active;
    m_sheets.insert(m_sheets.begin() + static_cast<std::ptrdiff_t>(position), std::move(sheet));
    m_active = position;
    return *m_sheets[position];
}

Worksheet& Workbook::ActiveSheet() {
    if (m_sheets.empty()) {
        Refuse("the workbook has no worksheet");
    }
    return *m_sheets[m_active];
}

const Worksheet& Workbook::ActiveSheet() const {
    if (m_sheets.empty()) {
        Refuse("the workbook has no worksheet");
    }
    return *m_sheets[m_active];
}

const Worksheet& Workbook::Sheet(std::size_t index) const {
    if (index >= m_sheets.size()) {
        Refuse("the workbook has no worksheet at position " + std::to_string(index));
    }
    return *m_sheets[index];
}

Workbook& SpreadsheetSession::OpenWorkbook() {
    if (!m_workbook) {
        m_workbook = std::make_unique<Workbook>();
    }
    return *m_workbook;
}

} // namespace tesk::sheet
