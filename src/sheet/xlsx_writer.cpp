#include "sheet/xlsx_writer.h"

#include "formats/output_file.h"
#include "geometry/error.h"
#include "geometry/number_text.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <locale.h>
#include <map>

namespace tesk::sheet {

namespace {

using geometry::ErrorCode;
using geometry::RuntimeError;

/// libxlsxwriter prints numbers with the C library's printf, which follows the process locale:
/// under a desktop locale with a decimal comma (which a GUI toolkit may install) it would write
/// "1234,5" into the file. The guard switches the calling thread to the "C" numeric conventions
/// while the file is written.
class ClassicNumericLocale {
public:
    ClassicNumericLocale() {
#ifdef _WIN32
        m_previousMode = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
        if (const char* current = std::setlocale(LC_NUMERIC, nullptr)) {
            m_previous = current;
        }
        std::setlocale(LC_NUMERIC, "C");
#else
        m_classic = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
        if (m_classic != static_cast<locale_t>(0)) {
            m_previous = uselocale(m_classic);
        }
#endif
    }
    ~ClassicNumericLocale() {
#ifdef _WIN32
        std::setlocale(LC_NUMERIC, m_previous.c_str());
        _configthreadlocale(m_previousMode);
#else
        if (m_classic != static_cast<locale_t>(0)) {
            uselocale(m_previous);
            freelocale(m_classic);
        }
#endif
    }
    ClassicNumericLocale(const ClassicNumericLocale&) = delete;
    ClassicNumericLocale& operator=(const ClassicNumericLocale&) = delete;

private:
#ifdef _WIN32
    int m_previousMode = 0;
    std::string m_previous = "C";
#else
    locale_t m_classic = static_cast<locale_t>(0);
    locale_t m_previous = static_cast<locale_t>(0);
#endif
};

/// RGB of the 56 colour indexes of the spreadsheet's default palette.
constexpr std::array<lxw_color_t, 56> kPalette = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
    0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
    0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
    0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,
};

std::uint8_t LineOf(const Border& border) {
    if (!border.IsVisible()) {
        return LXW_BORDER_NONE;
    }
    switch (border.Weight) {
    case BorderWeight::Hairline:
        return LXW_BORDER_HAIR;
    case BorderWeight::Thin:
        return LXW_BORDER_THIN;
    case BorderWeight::Medium:
        return LXW_BORDER_MEDIUM;
    case BorderWeight::Thick:
        return LXW_BORDER_THICK;
    }
    return LXW_BORDER_THIN;
}

bool HasColour(const Border& border) {
    return border.IsVisible() && border.ColorIndex != kColorIndexAutomatic;
}

lxw_color_t ColourOf(const Border& border) {
    return kPalette[static_cast<std::size_t>(border.ColorIndex - 1)];
}

/// A text that tells two formats apart, for sharing one library format between equal cells.
std::string KeyOf(const CellFormat& format) {
    std::string key;
    auto add = [&](auto part) { key += std::to_string(part) + '|'; };
    add(static_cast<int>(format.Horizontal));
    add(static_cast<int>(format.Vertical));
    // Texts carry their length, so no text can imitate the separators.
    key += std::to_string(format.FontName.size()) + ':' + format.FontName + '|';
    key += geometry::FormatShortest(format.FontSize) + '|';
    key += std::to_string(format.NumberFormat.size()) + ':' + format.NumberFormat + '|';
    for (const Border* border :
         {&format.Borders.Left, &format.Borders.Top, &format.Borders.Bottom, &format.Borders.Right,
          &format.Borders.DiagonalDown, &format.Borders.DiagonalUp}) {
        add(static_cast<int>(LineOf(*border)));
        add(HasColour(*border) ? border->ColorIndex : 0);
    }
    return key;
}

/// Owns the library's workbook until it is closed; frees it when writing stops early.
class LibraryWorkbook {
public:
    explicit LibraryWorkbook(const std::string& fileName) : m_book(workbook_new(fileName.c_str())) {
        if (m_book == nullptr) {
            throw RuntimeError(ErrorCode::Output,
                               "the spreadsheet library cannot start a workbook");
        }
    }
    ~LibraryWorkbook() {
        if (m_book != nullptr) {
            lxw_workbook_free(m_book);
        }
    }
    LibraryWorkbook(const LibraryWorkbook&) = delete;
    LibraryWorkbook& operator=(const LibraryWorkbook&) = delete;

    lxw_workbook* Get() const { return m_book; }

    /// Writes the file and releases the workbook.
    lxw_error Close() {
        lxw_workbook* book = m_book;
        m_book = nullptr;
        return workbook_close(book);
    }

    /// The library format for `format`, or nullptr for the library's default format.
    lxw_format* FormatFor(const CellFormat& format) {
        static const CellFormat kDefault;
        if (format == kDefault) {
            return nullptr;
        }
        return ExplicitFormatFor(format);
    }

    /// Like FormatFor, but never nullptr: a cell inside a merged block must be written with a
    /// format of its own, or it would take the block's. Equal formats share one library format.
    lxw_format* ExplicitFormatFor(const CellFormat& format) {
        const std::string key = KeyOf(format);
        if (const auto it = m_formats.find(key); it != m_formats.end()) {
            return it->second;
        }
        lxw_format* made = workbook_add_format(m_book);
        if (made == nullptr) {
            throw RuntimeError(ErrorCode::Output, "the spreadsheet library refused a format");
        }
        Describe(made, format);
        m_formats.emplace(key, made);
        return made;
    }

private:
    static void Describe(lxw_format* made, const CellFormat& format) {
        switch (format.Horizontal) {
        case HorizontalAlignment::General:
            break;
        case HorizontalAlignment::Left:
            format_set_align(made, LXW_ALIGN_LEFT);
            break;
        case HorizontalAlignment::Center:
            format_set_align(made, LXW_ALIGN_CENTER);
            break;
        case HorizontalAlignment::Right:
            format_set_align(made, LXW_ALIGN_RIGHT);
            break;
        }
        switch (format.Vertical) {
        case VerticalAlignment::Bottom:
            break;
        case VerticalAlignment::Center:
            format_set_align(made, LXW_ALIGN_VERTICAL_CENTER);
            break;
        case VerticalAlignment::Top:
            format_set_align(made, LXW_ALIGN_VERTICAL_TOP);
            break;
        }
        format_set_font_name(made, format.FontName.c_str());
        format_set_font_size(made, format.FontSize);
        const std::string stored = StoredNumberFormat(format.NumberFormat);
        if (!stored.empty()) {
            format_set_num_format(made, stored.c_str());
        }
        const CellBorders& b = format.Borders;
        format_set_left(made, LineOf(b.Left));
        format_set_top(made, LineOf(b.Top));
        format_set_bottom(made, LineOf(b.Bottom));
        format_set_right(made, LineOf(b.Right));
        if (HasColour(b.Left)) {
            format_set_left_color(made, ColourOf(b.Left));
        }
        if (HasColour(b.Top)) {
            format_set_top_color(made, ColourOf(b.Top));
        }
        if (HasColour(b.Bottom)) {
            format_set_bottom_color(made, ColourOf(b.Bottom));
        }
        if (HasColour(b.Right)) {
            format_set_right_color(made, ColourOf(b.Right));
        }
        // A cell of the file has one diagonal line style; with both diagonals drawn they share
        // the style of the one going down.
        const bool down = b.DiagonalDown.IsVisible();
        const bool up = b.DiagonalUp.IsVisible();
        if (down || up) {
            const Border& line = down ? b.DiagonalDown : b.DiagonalUp;
            format_set_diag_type(made, down && up ? LXW_DIAGONAL_BORDER_UP_DOWN
                                       : down     ? LXW_DIAGONAL_BORDER_DOWN
                                                  : LXW_DIAGONAL_BORDER_UP);
            format_set_diag_border(made, LineOf(line));
            if (HasColour(line)) {
                format_set_diag_color(made, ColourOf(line));
            }
        }
    }

    lxw_workbook* m_book;
    std::map<std::string, lxw_format*> m_formats;
};

void Check(lxw_error error, const std::string& what) {
    if (error != LXW_NO_ERROR) {
        throw RuntimeError(ErrorCode::Output, what + ": " + lxw_strerror(error));
    }
}

lxw_row_t RowOf(int row) {
    return static_cast<lxw_row_t>(row - 1);
}
lxw_col_t ColumnOf(int column) {
    return static_cast<lxw_col_t>(column - 1);
}

void WriteColumns(LibraryWorkbook& book, lxw_worksheet* out, const Worksheet& sheet) {
    lxw_format* sheetFormat = book.FormatFor(sheet.SheetFormat());
    const int lastWide = sheet.ColumnWidths().empty() ? 0 : sheet.ColumnWidths().rbegin()->first;
    int column = 1;
    while (column <= lastWide) {
        const double width = sheet.ColumnWidth(column);
        int last = column;
        while (last < lastWide && sheet.ColumnWidth(last + 1) == width) {
            ++last;
        }
        Check(worksheet_set_column(out, ColumnOf(column), ColumnOf(last), width, sheetFormat),
              "column width");
        column = last + 1;
    }
    // The sheet-wide format belongs to every column, also those never written.
    if (sheetFormat != nullptr && lastWide < kMaxColumn) {
        Check(worksheet_set_column(out, ColumnOf(lastWide + 1), ColumnOf(kMaxColumn),
                                   LXW_DEF_COL_WIDTH, sheetFormat),
              "column format");
    }
}

/// `points` as handed to the library. The library takes a height of exactly 15 pt, its own
/// default, for "not set" and then writes no height at all, so a reader may fit the row to its
/// font instead (or give it another default). One unit in the last place more still prints as
/// "15" and marks the height as set.
double LibraryRowHeight(double points) {
    return points == LXW_DEF_ROW_HEIGHT ? std::nextafter(points, 16.0) : points;
}

void WriteRows(lxw_worksheet* out, const Worksheet& sheet) {
    if (const auto height = sheet.DefaultRowHeight()) {
        worksheet_set_default_row(out, LibraryRowHeight(*height), LXW_FALSE);
        // Rows holding cells are listed in the file; each gets the height, as a spreadsheet
        // program writes a sheet-wide height.
        int last = 0;
        for (const auto& [address, cell] : sheet.Cells()) {
            if (address.Row != last && !sheet.RowHeights().contains(address.Row)) {
                Check(
                    worksheet_set_row(out, RowOf(address.Row), LibraryRowHeight(*height), nullptr),
                    "row height");
            }
            last = address.Row;
        }
    }
    for (const auto& [row, height] : sheet.RowHeights()) {
        Check(worksheet_set_row(out, RowOf(row), LibraryRowHeight(height), nullptr), "row height");
    }
}

void WriteCell(lxw_worksheet* out, CellAddress address, const CellValue& value,
               lxw_format* format) {
    const lxw_row_t row = RowOf(address.Row);
    const lxw_col_t column = ColumnOf(address.Column);
    if (const double* number = std::get_if<double>(&value)) {
        Check(worksheet_write_number(out, row, column, *number, format), "number");
    } else if (const std::string* text = std::get_if<std::string>(&value);
               text != nullptr && !text->empty()) {
        Check(worksheet_write_string(out, row, column, text->c_str(), format), "text");
    } else if (format != nullptr) {
        Check(worksheet_write_blank(out, row, column, format), "blank cell");
    }
}

/// The format a cell of the merged block `merge` is written with. A merged block shows one
/// outline, taken from its outer cells (left and top from the top-left cell, right from the
/// top-right, bottom from the bottom-left). Every cell on a side carries that side, the
/// top-left cell carries all four (some programs draw a block from that cell alone), and lines
/// inside the block are dropped: no program draws them and some would take them for the
/// block's outline.
CellFormat MergedCellFormat(const Worksheet& sheet, const RangeAddress& merge, CellAddress cell) {
    CellBorders outline;
    outline.Left = sheet.FormatAt(merge.First).Borders.Left;
    outline.Top = sheet.FormatAt(merge.First).Borders.Top;
    outline.Right = sheet.FormatAt({merge.First.Row, merge.Last.Column}).Borders.Right;
    outline.Bottom = sheet.FormatAt({merge.Last.Row, merge.First.Column}).Borders.Bottom;
    CellFormat format = sheet.FormatAt(cell);
    CellBorders& b = format.Borders;
    const bool anchor = cell == merge.First;
    b.Left = anchor || cell.Column == merge.First.Column ? outline.Left : Border{};
    b.Top = anchor || cell.Row == merge.First.Row ? outline.Top : Border{};
    b.Right = anchor || cell.Column == merge.Last.Column ? outline.Right : Border{};
    b.Bottom = anchor || cell.Row == merge.Last.Row ? outline.Bottom : Border{};
    if (!anchor) {
        b.DiagonalDown = Border{};
        b.DiagonalUp = Border{};
    }
    return format;
}

void WriteSheet(LibraryWorkbook& book, lxw_worksheet* out, const Worksheet& sheet) {
    WriteColumns(book, out, sheet);
    WriteRows(out, sheet);
    // A merged block first, then each of its cells with a format of its own.
    for (const RangeAddress& merge : sheet.Merges()) {
        Check(worksheet_merge_range(
                  out, RowOf(merge.First.Row), ColumnOf(merge.First.Column), RowOf(merge.Last.Row),
                  ColumnOf(merge.Last.Column), "",
                  book.ExplicitFormatFor(MergedCellFormat(sheet, merge, merge.First))),
              "merge " + RangeName(merge));
        for (int row = merge.First.Row; row <= merge.Last.Row; ++row) {
            for (int column = merge.First.Column; column <= merge.Last.Column; ++column) {
                const CellAddress cell{row, column};
                WriteCell(out, cell, sheet.ValueAt(cell),
                          book.ExplicitFormatFor(MergedCellFormat(sheet, merge, cell)));
            }
        }
    }
    for (const auto& [address, cell] : sheet.Cells()) {
        if (sheet.MergeAreaAt(address)) {
            continue; // written with its block
        }
        // A cell that only repeats the sheet-wide format is covered by the column formats.
        const bool plain = std::holds_alternative<std::monostate>(cell.Value) ||
                           (std::holds_alternative<std::string>(cell.Value) &&
                            std::get<std::string>(cell.Value).empty());
        if (plain && cell.Format == sheet.SheetFormat()) {
            continue;
        }
        lxw_format* format = book.FormatFor(cell.Format);
        if (format == nullptr && cell.Format != sheet.SheetFormat()) {
            format = book.ExplicitFormatFor(cell.Format); // default, against the column's format
        }
        WriteCell(out, address, cell.Value, format);
    }
}

/// Sets the block of the sheet the file declares as used (its dimension) to the cells and
/// merged blocks `sheet` holds. The library counts a column format as use, so a sheet-wide
/// format would claim every column up to XFD and make readers walk 16384 columns.
/// Orientation, fitting, the rows repeated atop every page and the centred page header.
void WritePageSetup(lxw_worksheet* out, const Worksheet& sheet) {
    const PageSetup& page = sheet.Page();
    if (page.Landscape) {
        worksheet_set_landscape(out);
    }
    if (page.FitWidth > 0 || page.FitHeight > 0) {
        worksheet_fit_to_pages(out, static_cast<std::uint16_t>(page.FitWidth),
                               static_cast<std::uint16_t>(page.FitHeight));
    }
    if (page.RepeatFirstRow > 0) {
        Check(worksheet_repeat_rows(out, RowOf(page.RepeatFirstRow), RowOf(page.RepeatLastRow)),
              "the spreadsheet library refused the repeated rows");
    }
    if (!page.Header.empty()) {
        std::string header = "&C";
        for (const char c : page.Header) {
            header += c;
            if (c == '&') {
                header += '&'; // "&&" prints one ampersand
            }
        }
        Check(worksheet_set_header(out, header.c_str()),
              "the spreadsheet library refused the page header");
    }
}

void DeclareUsedBlock(lxw_worksheet* out, const Worksheet& sheet) {
    RangeAddress used{{kMaxRow + 1, kMaxColumn + 1}, {0, 0}};
    auto include = [&](CellAddress cell) {
        used.First.Row = std::min(used.First.Row, cell.Row);
        used.First.Column = std::min(used.First.Column, cell.Column);
        used.Last.Row = std::max(used.Last.Row, cell.Row);
        used.Last.Column = std::max(used.Last.Column, cell.Column);
    };
    for (const auto& [address, cell] : sheet.Cells()) {
        include(address);
    }
    for (const RangeAddress& merge : sheet.Merges()) {
        include(merge.First);
        include(merge.Last);
    }
    if (used.Last.Row == 0) {
        // The library's marks of a sheet without cells: it then declares "A1".
        out->dim_rowmin = LXW_ROW_MAX;
        out->dim_colmin = LXW_COL_MAX;
        out->dim_rowmax = 0;
        out->dim_colmax = 0;
        return;
    }
    out->dim_rowmin = RowOf(used.First.Row);
    out->dim_colmin = ColumnOf(used.First.Column);
    out->dim_rowmax = RowOf(used.Last.Row);
    out->dim_colmax = ColumnOf(used.Last.Column);
}

bool IsCodeLetter(char c) {
    // Letters with a meaning in a number format: dates and times, AM/PM, scientific notation,
    // Buddhist and era years.
    static constexpr std::string_view kCodes = "EeYyMmDdHhSsAaPpBbGgNn";
    return kCodes.find(c) != std::string_view::npos;
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

std::string StoredNumberFormat(std::string_view localFormat) {
    static constexpr std::string_view kLocalGeneral = kGeneralFormat;
    if (localFormat == kLocalGeneral || localFormat == "General" || localFormat == "general") {
        return "";
    }
    std::string stored;
    std::string literal; // pending run of characters that must be quoted
    auto flush = [&] {
        if (!literal.empty()) {
            stored += '"' + literal + '"';
            literal.clear();
        }
    };
    std::size_t i = 0;
    while (i < localFormat.size()) {
        const std::string_view rest = localFormat.substr(i);
        const char c = localFormat[i];
        if (rest.starts_with(kLocalGeneral)) {
            flush();
            stored += "General";
            i += kLocalGeneral.size();
        } else if (rest.starts_with("General")) {
            flush();
            stored += "General";
            i += 7;
        } else if (c == '"' || c == '[') {
            // A quoted text or a bracketed colour/condition is kept as it stands.
            flush();
            const char close = c == '"' ? '"' : ']';
            const std::size_t end = localFormat.find(close, i + 1);
            const std::size_t stop = end == std::string_view::npos ? localFormat.size() : end + 1;
            stored += localFormat.substr(i, stop - i);
            i = stop;
        } else if (c == '\\') {
            // An escaped character, possibly a multi-byte one.
            flush();
            std::size_t stop = i + 2;
            while (stop < localFormat.size() &&
                   (static_cast<unsigned char>(localFormat[stop]) & 0xC0) == 0x80) {
                ++stop;
            }
            stop = std::min(stop, localFormat.size());
            stored += localFormat.substr(i, stop - i);
            i = stop;
        } else if ((IsAsciiLetter(c) && !IsCodeLetter(c)) ||
                   static_cast<unsigned char>(c) >= 0x80) {
            literal += c;
            ++i;
        } else {
            flush();
            stored += c;
            ++i;
        }
    }
    flush();
    return stored;
}

void WriteXlsx(const Workbook& workbook, const std::filesystem::path& path) {
    if (path.empty()) {
        throw RuntimeError(ErrorCode::EmptyPath, "no file name to write the workbook to");
    }
    formats::OutputFile output(path);
    WriteXlsx(workbook, output);
    output.Commit();
}

void WriteXlsx(const Workbook& workbook, formats::OutputFile& output) {
    const std::filesystem::path& path = output.Target();
    {
        const ClassicNumericLocale classic;
        LibraryWorkbook book(output.TemporaryPath().string());
        lxw_worksheet* active = nullptr;
        for (std::size_t index = 0; index < workbook.SheetCount(); ++index) {
            const Worksheet& sheet = workbook.Sheet(index);
            lxw_worksheet* out = workbook_add_worksheet(book.Get(), sheet.Name().c_str());
            if (out == nullptr) {
                throw RuntimeError(ErrorCode::Output,
                                   "the spreadsheet library refused the sheet \"" + sheet.Name() +
                                       "\"");
            }
            WriteSheet(book, out, sheet);
            DeclareUsedBlock(out, sheet);
            WritePageSetup(out, sheet);
            if (index == workbook.ActiveIndex()) {
                active = out;
            }
        }
        if (active != nullptr) {
            worksheet_activate(active);
        }
        if (const lxw_error closed = book.Close(); closed != LXW_NO_ERROR) {
            throw RuntimeError(ErrorCode::FileAccess,
                               formats::CannotWriteMessage(path, lxw_strerror(closed)));
        }
    }
}

} // namespace tesk::sheet
