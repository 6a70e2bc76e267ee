"""Reads a point file written by tesk_formats_point_files_sample and checks it against the
sample points, by the published layouts only:

  cass  GBK, CR LF, five comma-separated fields: name, code, east Y, north X, height
  csv   UTF-8 with a byte-order mark, CR LF, read with the csv module: name, N, E, Z, code
  gsi   Leica GSI-16: "*", then words of 24 characters (index 2, information 4, sign, 16 data,
        a blank); 11 point ID, 81 easting, 82 northing, 83 height, 71 remark
  sdr   Sokkia SDR33: a 00NM header, then 08KI records of 84 fixed columns

The points and the IDs a reader must see are listed here, worked out by hand from the names.
Standard library only.

Usage: check_point_files.py FORMAT FILE DIGITS
"""

import csv
import io
import re
import sys
from decimal import ROUND_HALF_EVEN, Decimal

# name, north X, east Y, height (None: none), code -- as the sample program writes them
POINTS = [
    ("K12+345.678", "3385123.45678", "512987.65432", "45.67891", "PILE"),
    ("桩号1", "-1234.56789", "-98765.43211", None, "桥墩"),
    ("a,b", "0.00004", "-0.00004", "-0.00006", 'say "x"'),
    ("a_b", "10", "20", "30", ""),
    ("K15+120.000L12.500", "99999999.12344", "1.5", "2.25", "L,12"),
    ("K15+120.000R12.500", "-99999999.12344", "-1.5", "-2.25", ""),
    ("007", "7", "0.007", "0", ""),
    ("7", "7.7", "0", None, ""),
    ("0", "0", "0", "0", ""),
    ("桥", "1.23456", "6.54321", "9.87654", ""),
    ("\U00020000a", "2", "3", "4", ""),
    ("P 1", "5", "6", "7", ""),
]

# The names as each file's reader sees them. cass: "," and characters GBK lacks become "_", and
# the point really named "a_b" keeps its name. gsi and sdr: printable ASCII (a comma included),
# 16 characters at most (the last ones), GSI without leading zeros (7 is taken by the point "7",
# and "0" would read as nothing).
IDS = {
    "cass": ["K12+345.678", "桩号1", "a_b~2", "a_b", "K15+120.000L12.500",
             "K15+120.000R12.500", "007", "7", "0", "桥", "_a", "P 1"],
    "csv": [p[0] for p in POINTS],
    "gsi": ["K12+345.678", "_1", "a,b", "a_b", "5+120.000L12.500", "5+120.000R12.500",
            "7~2", "7", "P0", "_", "_a", "P_1"],
    "sdr": ["K12+345.678", "_1", "a,b", "a_b", "5+120.000L12.500", "5+120.000R12.500",
            "007", "7", "0", "_", "_a", "P_1"],
}

# The codes as read back: cass without commas; gsi and sdr in ASCII (GSI's zero-filled remark
# read without its leading zeros).
CODES = {
    "cass": ["PILE", "桥墩", 'say "x"', "", "L_12"] + [""] * 7,
    "csv": [p[4] for p in POINTS],
    "gsi": ["PILE", "_", 'say_"x"', "", "L,12"] + [""] * 7,
}
CODES["sdr"] = CODES["gsi"]

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def rounded(text, decimals):
    return Decimal(text).quantize(Decimal(1).scaleb(-decimals), rounding=ROUND_HALF_EVEN)


def printed(text, decimals):
    """`text` rounded to `decimals` as a fixed decimal text, a zero without its minus."""
    value = rounded(text, decimals)
    return f"{value:f}".lstrip("-") if value == 0 else f"{value:f}"


def check_number(field, expected, decimals, what):
    """A decimal text with exactly `decimals` decimals, equal to `expected` rounded to them."""
    pattern = r"-?[0-9]+" + (r"\.[0-9]{%d}" % decimals if decimals else "")
    if not re.fullmatch(pattern, field):
        check(False, f"{what}: {field!r} is not a number with {decimals} decimals")
        return
    check(Decimal(field) == rounded(expected, decimals),
          f"{what}: {field} instead of {rounded(expected, decimals)}")
    check(not (field.startswith("-") and Decimal(field) == 0), f"{what}: {field} is a minus zero")


def crlf_lines(raw):
    check(raw.endswith(b"\r\n"), "the file does not end with CR LF")
    lines = raw.split(b"\r\n")[:-1]
    for line in lines:
        check(b"\n" not in line and b"\r" not in line, f"a line end inside {line!r}")
    return lines


def check_ids(ids, fmt):
    check(ids == IDS[fmt], f"IDs {ids} instead of {IDS[fmt]}")
    check(len(set(ids)) == len(ids), f"IDs not unique: {ids}")


def check_cass(raw, digits):
    ids = []
    lines = crlf_lines(raw)
    check(len(lines) == len(POINTS), f"{len(lines)} lines for {len(POINTS)} points")
    for line, (name, north, east, height, _), code in zip(lines, POINTS, CODES["cass"]):
        fields = line.decode("gbk").split(",")
        if len(fields) != 5:
            check(False, f"{name}: {len(fields)} fields in {line!r}")
            continue
        ids.append(fields[0])
        check(fields[1] == code, f"{name}: code {fields[1]!r}")
        check_number(fields[2], east, digits, f"{name} east")
        check_number(fields[3], north, digits, f"{name} north")
        if height is None:
            check(fields[4] == "", f"{name}: height {fields[4]!r} for none")
        else:
            check_number(fields[4], height, digits, f"{name} height")
    check_ids(ids, "cass")
    check("桩号".encode("gbk") in raw, "the Chinese name is not in GBK")


def check_csv(raw, digits):
    check(raw.startswith(b"\xef\xbb\xbf"), "no byte-order mark")
    check(not raw.startswith(b"\xef\xbb\xbf\xef\xbb\xbf"), "two byte-order marks")
    crlf_lines(raw)
    rows = list(csv.reader(io.StringIO(raw.decode("utf-8-sig"), newline="")))
    check(len(rows) == len(POINTS), f"{len(rows)} rows for {len(POINTS)} points")
    ids = []
    for row, (name, north, east, height, code) in zip(rows, POINTS):
        if len(row) != 5:
            check(False, f"{name}: {len(row)} fields in {row}")
            continue
        ids.append(row[0])
        check_number(row[1], north, digits, f"{name} north")
        check_number(row[2], east, digits, f"{name} east")
        if height is None:
            check(row[3] == "", f"{name}: height {row[3]!r} for none")
        else:
            check_number(row[3], height, digits, f"{name} height")
        check(row[4] == code, f"{name}: code {row[4]!r}")
    check_ids(ids, "csv")


GSI_UNITS = {"0": 3, "6": 4, "8": 5}  # unit digit -> decimals of a metre


def check_gsi(raw, digits):
    raw.decode("ascii")  # fails on any other byte
    lines = crlf_lines(raw)
    check(len(lines) == len(POINTS), f"{len(lines)} blocks for {len(POINTS)} points")
    ids = []
    for number, (line, point, code) in enumerate(zip(lines, POINTS, CODES["gsi"]), start=1):
        name, north, east, height, _ = point
        line = line.decode("ascii")
        if not line.startswith("*") or (len(line) - 1) % 24 != 0:
            check(False, f"{name}: block {line!r} is not '*' and words of 24 characters")
            continue
        words = {}
        for at in range(1, len(line), 24):
            word = line[at:at + 24]
            index, info, sign, data = word[0:2], word[2:6], word[6], word[7:23]
            check(word[23] == " ", f"{name}: word {word!r} does not end with a blank")
            check(sign in "+-", f"{name}: sign {sign!r} in {word!r}")
            check(index not in words, f"{name}: word {index} twice")
            words[index] = (info, sign, data)
        order = list(words)
        check(order[0] == "11", f"{name}: the block does not start with the point ID")
        info, sign, data = words.get("11", ("", "", ""))
        check(info == "%04d" % (number % 10000), f"{name}: block number {info!r}")
        ids.append(data.lstrip("0"))
        expected = {"81": east, "82": north}
        if height is not None:
            expected["83"] = height
        measured = sorted(k for k in words if k in ("81", "82", "83"))
        check(measured == sorted(expected), f"{name}: words {measured}")
        for index, value in expected.items():
            if index not in words:
                continue
            info, sign, data = words[index]
            unit = info[3]
            check(info[:3] == "..1" and unit in GSI_UNITS, f"{name}: word {index} info {info!r}")
            decimals = GSI_UNITS.get(unit, 3)
            check(decimals == min(max(digits, 3), 5), f"{name}: unit {unit} for {digits} digits")
            check(data.isdigit(), f"{name}: word {index} data {data!r}")
            if data.isdigit():
                read = Decimal(sign + data).scaleb(-decimals)
                check(read == rounded(value, decimals),
                      f"{name}: word {index} reads {read}, not {rounded(value, decimals)}")
                check(not (sign == "-" and int(data) == 0), f"{name}: word {index} minus zero")
        remark = words.get("71")
        check((remark[2].lstrip("0") if remark else "") == code, f"{name}: remark {remark}")
        check(remark is None or remark[0] == "....", f"{name}: remark info {remark}")
    check_ids(ids, "gsi")


def check_sdr(raw, digits):
    lines = [line.decode("ascii") for line in crlf_lines(raw)]
    header = lines[0] if lines else ""
    check(len(header) == 46, f"header of {len(header)} characters")
    check(header[0:4] == "00NM", f"header record {header[0:4]!r}")
    check(header[4:20] == "SDR33 V04-04.02 ", f"version {header[4:20]!r}")
    check(header[20:24] == "    ", f"columns 21-24 {header[20:24]!r}")
    check(re.fullmatch(r"[0-3]\d-(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)-\d\d "
                       r"[0-2]\d:[0-5]\d ", header[24:40]) is not None,
          f"date and time {header[24:40]!r}")
    check(header[40:46] == "111111", f"units {header[40:46]!r}")
    records = lines[1:]
    check(len(records) == len(POINTS), f"{len(records)} records for {len(POINTS)} points")
    ids = []
    for record, point, code in zip(records, POINTS, CODES["sdr"]):
        name, north, east, height, _ = point
        if len(record) != 84 or record[0:4] != "08KI":
            check(False, f"{name}: record {record!r}")
            continue
        ids.append(record[4:20].strip())
        check(record[4:20] == ids[-1].rjust(16), f"{name}: ID not right-aligned")
        for (first, last), value, what in (((20, 36), north, "north"), ((36, 52), east, "east"),
                                           ((52, 68), height or "0", "height")):
            field = record[first:last]
            check(field == field.strip().ljust(16), f"{name} {what}: {field!r} not left-aligned")
            # As many decimals as were asked for, or as fit 16 columns.
            decimals = digits
            while decimals > 0 and len(printed(value, decimals)) > 16:
                decimals -= 1
            check_number(field.strip(), value, decimals, f"{name} {what}")
        check(record[68:84] == code.ljust(16), f"{name}: code {record[68:84]!r}")
    check_ids(ids, "sdr")


def main(fmt, path, digits):
    raw = open(path, "rb").read()
    {"cass": check_cass, "csv": check_csv, "gsi": check_gsi, "sdr": check_sdr}[fmt](raw, digits)
    for failure in failures:
        print(f"{path}: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], int(sys.argv[3])))
