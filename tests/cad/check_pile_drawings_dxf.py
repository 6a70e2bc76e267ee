"""Reads the sample bridge's pile drawings written by tesk_cad_pile_drawings_dxf with ezdxf and
checks what a CAD program sees: the coordinate table of twelve piers with at most four entries
picked at (0, 0), the pile sketch picked at (0, -150) and the 31 stake-out points. Expected
positions are worked out here from the table layout and the pile file, not taken from the code.

Usage: check_pile_drawings_dxf.py DRAWING.dxf
"""

import math
import sys

import ezdxf

LAYOUT = 1e-6  # position tolerance, m

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def near(a, b):
    return all(abs(x - y) <= LAYOUT for x, y in zip(a, b))


def main(path):
    raw = open(path, "rb").read()
    check("桩 位 坐 标 表".encode("gbk") in raw, "table title not stored in GBK")

    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    check(not auditor.has_errors, "auditor errors: %s" % [e.message for e in auditor.errors])

    style = doc.styles.get("TEST")
    check(style is not None, "no text style TEST")
    if style is not None:
        check(style.dxf.font == "fsdb_e.shx", "font %s" % style.dxf.font)
        check(style.dxf.bigfont == "fsdb.shx", "big font %s" % style.dxf.bigfont)

    msp = doc.modelspace()
    texts = list(msp.query("TEXT"))
    for t in texts:
        check(t.dxf.style == "TEST", "text %r has style %s" % (t.dxf.text, t.dxf.style))

    def text_at(s, x, y, height, width):
        found = [t for t in texts if t.dxf.text == s and near(t.dxf.insert, (x, y, 0))]
        check(len(found) == 1, "text %r at (%s, %s): %d found" % (s, x, y, len(found)))
        for t in found:
            check(abs(t.dxf.height - height) <= 1e-12, "%r height %s" % (s, t.dxf.height))
            check(abs(t.dxf.width - width) <= 1e-12, "%r width %s" % (s, t.dxf.width))

    # The table: 12 piers, 30 + 12 * 37 = 474 wide, (4 + 1) * 10 = 50 high.
    n = 12
    text_at("桩 位 坐 标 表", 18.5 * n - 2, 10, 7, 0.75)
    text_at("K15+060.000", 39, -9.2, 3.2, 0.7)  # "B15060": the mark is dropped
    text_at("K15+090.000", 39 + 37, -9.2, 3.2, 0.7)
    table_lines = [l for l in msp.query("LINE") if l.dxf.start[1] > -100 and l.dxf.end[1] > -100]
    xs = [p[0] for l in table_lines for p in (l.dxf.start, l.dxf.end)]
    ys = [p[1] for l in table_lines for p in (l.dxf.start, l.dxf.end) if p[1] <= 0]
    check(abs(min(xs)) <= LAYOUT and abs(max(xs) - 474) <= LAYOUT, "table x %s..%s" % (min(xs), max(xs)))
    check(abs(min(ys) + 50) <= LAYOUT, "table bottom %s" % min(ys))
    numbers = [c for c in msp.query("CIRCLE") if abs(c.dxf.radius - 2) <= 1e-12]
    check(len(numbers) == n, "%d pier number circles" % len(numbers))
    for k, c in enumerate(sorted(numbers, key=lambda c: c.dxf.center[0])):
        x = 47.5 + 37 * k + (1 if k >= 10 else 0)
        check(near(c.dxf.center, (x, -2.5, 0)), "pier number %d circle at %s" % (k, c.dxf.center))
    # The first pier "-6.25, 6.25": entries 1 and 2 with their skew distances.
    text_at("-6.2500", 37 - 4.5082, -16.5, 3.2, 0.7)
    text_at("6.2500", 37 - 2.43, -26.5, 3.2, 0.7)

    # The sketch: an axis 15390 - 15060 = 330 long at y = -150, the title 10 above the highest
    # left pile (9.75), 31 pile circles and 12 pier circles.
    axis = [l for l in msp.query("LINE") if near(l.dxf.start, (0, -150, 0))]
    check(len(axis) == 1 and near(axis[0].dxf.end, (330, -150, 0)), "sketch axis")
    text_at("桩 位 示 意 图", 165 - 11.75, -150 + 10 + 9.75, 5, 0.7)
    piles = [c for c in msp.query("CIRCLE") if abs(c.dxf.radius - 0.6) <= 1e-12]
    check(len(piles) == 31, "%d pile circles" % len(piles))
    check(len([c for c in msp.query("CIRCLE") if abs(c.dxf.radius - 1.5) <= 1e-12]) == n,
          "pier circles in the sketch")
    # The first pier, square to the line: its piles straight below and above the axis.
    check(any(near(c.dxf.center, (0, -150 - 6.25, 0)) for c in piles), "first pile of the sketch")
    check(any(near(c.dxf.center, (0, -150 + 6.25, 0)) for c in piles), "second pile of the sketch")

    # The stake-out: 31 points at survey coordinates near the sample line; the first pier's two
    # piles 12.5 apart.
    points = [p.dxf.location for p in msp.query("POINT")]
    check(len(points) == 31, "%d points" % len(points))
    if len(points) >= 2:
        d = math.hypot(points[0].x - points[1].x, points[0].y - points[1].y)
        check(abs(d - 12.5) <= LAYOUT, "first pier's piles %s apart" % d)
    for p in points:
        check(400000 < p[0] < 700000 and 3000000 < p[1] < 4000000 and p[2] == 0,
              "point %s is not (east, north, 0)" % (p,))

    for message in failures:
        print("FAIL:", message)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
