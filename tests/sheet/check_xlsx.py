"""Reads the workbooks written by tesk_sheet_xlsx_sample back with openpyxl, an independent
reader, and checks every value, merge, width, height, font, number format and border.

usage: check_xlsx.py <tesk_sheet_xlsx_sample> <output directory>
"""

import math
import os
import shutil
import subprocess
import sys
from pathlib import Path

import openpyxl
from openpyxl.utils import get_column_letter

FAILURES = []


def check(condition, what):
    if not condition:
        FAILURES.append(what)


def width_matches(stored, characters):
    """Whether a column width as stored in the file shows `characters` characters. The file
    stores (pixels / 7) truncated to 1/256, pixels = characters * 7 + 5 for the 7-pixel digit
    and 5-pixel padding of the default font (ECMA-376 18.3.1.13), and spreadsheet programs
    snap a column to whole pixels: so the shown width is within half a pixel of the asked one."""
    shown = (stored * 7 - 5) / 7
    return abs(shown - characters) <= 0.5 / 7 + 1 / 256


def column_dimension(ws, column):
    """The <col> group holding column number `column`, or None."""
    for dim in ws.column_dimensions.values():
        if dim.min is not None and dim.min <= column <= dim.max:
            return dim
    return None


def row_height(ws, row):
    height = ws.row_dimensions[row].height
    return height if height is not None else ws.sheet_format.defaultRowHeight


def side(cell, name):
    return getattr(cell.border, name).style


# The same literals as kExactValues in xlsx_sample.cpp.
EXACT_VALUES = [
    3456789.123456789, 512345.6789012345, 1234.5, 0.1, -5.5, 1e-7, 98765.4321, 2.0 / 3.0,
    0.1 + 0.2, 1.0 / 3.0 * 3456789.0, 3456790.1244567893,
]


def same_number(stored, expected):
    """Whether a number read back equals `expected` to the 16 significant digits the file
    stores (0.1 + 0.2 comes back as 0.3; 1e-9 m at X = 3 000 000 is kept)."""
    return (isinstance(stored, (int, float)) and not isinstance(stored, bool)
            and math.isclose(stored, expected, rel_tol=1e-15, abs_tol=0.0))


def check_model(path):
    wb = openpyxl.load_workbook(path)
    check(wb.sheetnames == ["Sheet2", "Sheet1"], f"sheet order {wb.sheetnames}")
    check(wb.active.title == "Sheet2", f"active sheet {wb.active.title}")
    ws = wb["Sheet1"]

    # Values, texts and two-letter addresses.
    check(ws["A1"].value == "项   目", f"A1 {ws['A1'].value!r}")
    check(ws["AB3"].value == "AB3", f"AB3 {ws['AB3'].value!r}")
    check(ws["AA12"].value == 27 and ws["AA12"].number_format == "0.0000",
          f"AA12 {ws['AA12'].value!r} {ws['AA12'].number_format!r}")
    for offset, expected in enumerate(EXACT_VALUES):
        value = ws.cell(row=20 + offset, column=8).value
        check(isinstance(value, float) or isinstance(value, int), f"H{20 + offset} not a number")
        check(same_number(value, expected),
              f"H{20 + offset} {value!r} != {expected!r} (lost digits)")

    # Number formats as stored.
    check(ws["E2"].number_format == '"K"0+000.000', f"E2 format {ws['E2'].number_format!r}")
    check(ws["E2"].value == 1234.5, "E2 value")
    check(ws["E3"].number_format == '"K"0+000', f"E3 format {ws['E3'].number_format!r}")
    check(ws["F2"].number_format == "General", f"F2 format {ws['F2'].number_format!r}")

    # Merges.
    merged = {str(r) for r in ws.merged_cells.ranges}
    check(merged == {"A1:B1", "B10:D11"}, f"merges {merged}")
    check(ws["B10"].value == 42, "B10 value")

    # Widths and heights.
    for letter, chars in (("A", 2.5), ("B", 4), ("AA", 12.5)):
        dim = column_dimension(ws, openpyxl.utils.column_index_from_string(letter))
        check(dim is not None and width_matches(dim.width, chars),
              f"width of {letter}: {dim.width if dim else None} for {chars}")
    check(row_height(ws, 5) == 30, f"row 5 height {row_height(ws, 5)}")
    for row in (1, 2, 7, 1000):
        check(row_height(ws, row) == 15, f"row {row} height {row_height(ws, row)}")

    # Fonts and alignment: written cells and the sheet-wide column format.
    for name in ("A1", "E2", "H20", "AA12"):
        cell = ws[name]
        check(cell.font.name == "宋体" and cell.font.sz == 10, f"{name} font {cell.font.name}")
        check(cell.alignment.vertical == "center", f"{name} vertical alignment")
    check(ws["A1"].alignment.horizontal == "right", "A1 right aligned")
    check(ws["E2"].alignment.horizontal == "center", "E2 centred")
    far = column_dimension(ws, 200)
    check(far is not None and far.font.name == "宋体" and far.font.sz == 10
          and far.alignment.horizontal == "center", "sheet-wide format of unwritten columns")

    # Borders: a diagonal, an outline with inside lines, a colour, a merged block.
    c1 = ws["C1"].border
    check(c1.diagonal.style == "thin" and c1.diagonalDown and not c1.diagonalUp,
          f"C1 diagonal {c1.diagonal.style} down={c1.diagonalDown} up={c1.diagonalUp}")
    check(c1.top.style == "medium" and c1.bottom.style == "thin", "C1 top/bottom")
    check(side(ws["B5"], "left") == "medium" and side(ws["B5"], "top") == "medium", "B5 corner")
    check(side(ws["D7"], "right") == "medium" and side(ws["D7"], "bottom") == "medium",
          "D7 corner")
    check(side(ws["C6"], "left") == "thin" and side(ws["C6"], "top") == "thin", "C6 inside")
    check(side(ws["A6"], "right") == "medium", "A6 shares the outline")
    check(side(ws["E6"], "left") == "medium", "E6 shares the outline")
    check(side(ws["F9"], "bottom") == "thin"
          and ws["F9"].border.bottom.color.rgb.upper().endswith("FF0000"), "F9 red bottom")
    check(side(ws["D11"], "right") == "medium" and side(ws["D11"], "bottom") == "medium",
          "merged block B10:D11 outline")
    # The block the file declares as used (what streaming readers walk): the written cells,
    # not every column the sheet-wide format reaches.
    streamed = openpyxl.load_workbook(path, read_only=True)
    declared = streamed["Sheet1"].calculate_dimension()
    streamed.close()
    check(declared == "A1:AB30", f"declared used block {declared}")
    second = wb["Sheet2"]
    check(second["A1"].value == "second", "Sheet2 A1")
    check(row_height(second, 1) == 20 and row_height(second, 500) == 20, "Sheet2 rows 20 pt")
    check(row_height(second, 3) == 15, f"Sheet2 row 3: {row_height(second, 3)} instead of 15")
    check(second.row_dimensions[3].customHeight, "Sheet2 row 3 height marked as set")


def check_table(path):
    wb = openpyxl.load_workbook(path)
    ws = wb.active
    # Sheets named after their content, the newest in front; each prints landscape, one page
    # wide, with the two title rows on every page and the table's title as the page header.
    check(wb.sheetnames == ["桩位坐标表 (2)", "桩位坐标表"], f"sheet names {wb.sheetnames}")
    for sheet in wb.worksheets:
        check(sheet.page_setup.orientation == "landscape", f"{sheet.title} orientation")
        check(sheet.sheet_properties.pageSetUpPr is not None
              and sheet.sheet_properties.pageSetUpPr.fitToPage, f"{sheet.title} fit to page")
        # 1 page wide is the file format's default, which writers may leave out.
        check(str(sheet.page_setup.fitToWidth) in ("1", "None")
              and str(sheet.page_setup.fitToHeight) == "0",
              f"{sheet.title} fit {sheet.page_setup.fitToWidth} x {sheet.page_setup.fitToHeight}")
        check(sheet.print_title_rows in ("1:2", "$1:$2"), f"{sheet.title} {sheet.print_title_rows}")
        check(sheet.oddHeader.center.text == "桩 位 坐 标 表",
              f"{sheet.title} header {sheet.oddHeader.center.text!r}")
    n, m = 11, 4
    last_row, last_col = 2 + 2 * m, 5 + 2 * n
    check(get_column_letter(last_col) == "AA", "eleven piers end in AA")
    # The used block: the table and the outline lines shared with the cells around it.
    check(ws.max_row == last_row + 1 and ws.max_column == last_col + 1,
          f"dimension {ws.dimensions}")

    expected_merges = {"A1:B1", "D1:E1", "A2:E2"}
    for j in range(1, m + 1):
        r = 2 * j + 1
        expected_merges |= {f"A{r}:A{r + 1}", f"B{r}:D{r + 1}"}
    for k in range(1, n + 1):
        c = get_column_letter(2 * k + 4)
        d = get_column_letter(2 * k + 5)
        expected_merges |= {f"{c}1:{d}1", f"{c}2:{d}2"}
        for j in range(1, m + 1):
            r = 2 * j + 1
            expected_merges.add(f"{c}{r}:{c}{r + 1}")
    merged = {str(r) for r in ws.merged_cells.ranges}
    check(merged == expected_merges,
          f"table merges: missing {expected_merges - merged}, extra {merged - expected_merges}")

    check(ws["A1"].value == "项   目" and ws["D1"].value == "墩台号", "header texts")
    check(ws["A2"].value == "对应设计线的桩号", "A2 text")
    check(ws["A1"].alignment.horizontal == "right" and ws["D1"].alignment.horizontal == "left",
          "header alignment")
    for j in range(1, m + 1):
        r = 2 * j + 1
        check(ws[f"A{r}"].value == j, f"entry number in A{r}")
        check(ws[f"B{r}"].value == "至设计线斜距", f"B{r} label")
        check(ws[f"E{r}"].value == "X" and ws[f"E{r + 1}"].value == "Y", f"E{r} labels")

    widths = {1: 2.5, 2: 4, 3: 2, 4: 4, 5: 2.5}
    for k in range(1, n + 1):
        widths[2 * k + 4] = 7
        widths[2 * k + 5] = 12.5
    for column, chars in widths.items():
        dim = column_dimension(ws, column)
        check(dim is not None and width_matches(dim.width, chars),
              f"width of column {get_column_letter(column)}")
    for row in range(1, last_row + 2):
        check(row_height(ws, row) == 15, f"row {row} height")
        check(ws.row_dimensions[row].customHeight, f"row {row} height marked as set")
    check(ws.sheet_format.customHeight, "the default row height is marked as set")

    for k in range(1, n + 1):
        c = 2 * k + 4
        check(ws.cell(1, c).value == k - 1, f"pier number of pier {k}")
        station = ws.cell(2, c)
        expected = 1000.0 + 25.0 * k + (0.5 if k % 2 == 0 else 0.0)
        if k == 2:
            expected = 1050.5  # B1050.5: the section station, not the continuous mileage
        check(station.value == expected, f"station of pier {k}: {station.value!r}")
        fmt = '"K"0+000.000' if expected != math.floor(expected) else '"K"0+000'
        check(station.number_format == fmt, f"station format of pier {k}: {station.number_format}")
        entries = 4 if k == 3 else 2
        for j in range(1, m + 1):
            r = 2 * j + 1
            l1 = ws.cell(r, c)
            x = ws.cell(r, c + 1)
            y = ws.cell(r + 1, c + 1)
            check(l1.number_format == "General" and x.number_format == "0.0000"
                  and y.number_format == "0.0000", f"formats of pier {k} entry {j}")
            check(l1.font.name == "宋体" and l1.font.sz == 10, f"font of pier {k} entry {j}")
            if j > entries:
                check(l1.value is None and x.value is None and y.value is None,
                      f"pier {k} entry {j} should be empty")
                continue
            expected_l1 = None if (k == 5 and j == 1) else -6.0 + 4.0 * j
            check(l1.value == expected_l1, f"L1 of pier {k} entry {j}: {l1.value!r}")
            check(same_number(x.value, 3456789.123456789 + k + 0.001 * j),
                  f"X of pier {k} entry {j}: {x.value!r}")
            check(same_number(y.value, 512345.6789012345 - k - 0.001 * j),
                  f"Y of pier {k} entry {j}: {y.value!r}")

    # Outline medium, inner lines thin, the diagonal of C1 and its open sides.
    for row in range(1, last_row + 1):
        check(side(ws.cell(row, 1), "left") == "medium", f"left edge row {row}")
        check(side(ws.cell(row, last_col), "right") == "medium", f"right edge row {row}")
    for column in range(1, last_col + 1):
        check(side(ws.cell(1, column), "top") == "medium", f"top edge column {column}")
        check(side(ws.cell(last_row, column), "bottom") == "medium",
              f"bottom edge column {column}")
    check(side(ws["F3"], "top") == "thin" and side(ws["G5"], "left") == "thin", "inside lines")
    check(side(ws["AA6"], "top") == "thin" and side(ws["Z6"], "right") == "thin",
          "inside lines in the last pier")
    c1 = ws["C1"].border
    check(c1.diagonal.style == "thin" and c1.diagonalDown and not c1.diagonalUp, "C1 diagonal")
    check(c1.left.style is None and c1.right.style is None, "C1 open sides")
    check(c1.top.style == "medium" and c1.bottom.style == "thin", "C1 top and bottom")
    check(ws["D2"].border.diagonal.style is None, "no diagonal outside C1")
    check(side(ws.cell(last_row + 1, 1), "left") is None, "nothing below the table")


def comma_locale(directory):
    """Environment for a run under a German locale (decimal comma), compiled into `directory`;
    None when the system cannot compile one."""
    if shutil.which("localedef") is None or not Path("/usr/share/i18n/locales/de_DE").exists():
        return None
    target = directory / "locale"
    target.mkdir(parents=True, exist_ok=True)
    result = subprocess.run(["localedef", "-i", "de_DE", "-f", "UTF-8",
                             str(target / "de_DE.UTF-8")], capture_output=True)
    if not (target / "de_DE.UTF-8").exists():
        print("note: localedef failed:", result.stderr.decode(errors="replace").strip())
        return None
    env = dict(os.environ)
    env.update(LOCPATH=str(target), LC_ALL="de_DE.UTF-8", TESK_SAMPLE_SYSTEM_LOCALE="1")
    return env


def main():
    sample, directory = sys.argv[1], Path(sys.argv[2])
    subprocess.run([sample, str(directory)], check=True)
    check_model(directory / "model.xlsx")
    check_table(directory / "table.xlsx")

    env = comma_locale(directory)
    if env is None:
        print("note: no decimal-comma locale available; the locale run is skipped")
    else:
        german = directory / "de_DE"
        subprocess.run([sample, str(german)], check=True, env=env)
        before = len(FAILURES)
        check_model(german / "model.xlsx")
        check_table(german / "table.xlsx")
        if len(FAILURES) > before:
            FAILURES.append("the files written under a decimal-comma locale differ")

    for failure in FAILURES:
        print("FAILED:", failure)
    print(f"{len(FAILURES)} failure(s)")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
