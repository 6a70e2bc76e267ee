"""Reads the design-line drawings written by tesk_cad_design_line_dxf with ezdxf and checks what a
CAD program would see: entity counts per layer, type and colour, the Chinese layer names and
texts, the main-point and stake labels, the coordinate systems and the text style, and that the
pieces of the centre line join end to end. Expected values are worked out here from the sample
input files, not taken from the program.

Usage: check_design_line_dxf.py MAIN_LINE.dxf RAMP.dxf
"""

import math
import sys
from collections import Counter

import ezdxf

METRES = 1e-6  # position tolerance, m
DEGREES = 1e-9  # angle tolerance, degrees

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def near(a, b, tolerance):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def station_label(value):
    """A written station as K0+000.000 (non-negative values only)."""
    metres = round(value * 1000)
    return "K%d+%03d.%03d" % (metres // 1000000, metres // 1000 % 1000, metres % 1000)


def common(doc, name):
    check(doc.dxfversion == "AC1015", "%s: version %s" % (name, doc.dxfversion))
    auditor = doc.audit()
    check(not auditor.has_errors, "%s: auditor errors %s" % (name, [e.message for e in auditor.errors]))
    ucs = {u.dxf.name for u in doc.ucs}
    check({"yx", "xy"} <= ucs, "%s: coordinate systems %s" % (name, sorted(ucs)))
    style = doc.styles.get("new_text")
    check(style is not None and style.dxf.font == "fsdb_e.shx" and style.dxf.bigfont == "fsdb.shx",
          "%s: text style new_text" % name)
    for text in doc.modelspace().query("TEXT"):
        check(text.dxf.layer == "标注", "%s: text %s on layer %s" % (name, text.dxf.text, text.dxf.layer))
        check(text.dxf.style == "new_text" and abs(text.dxf.height - 4) < 1e-12
              and abs(text.dxf.width - 0.7) < 1e-12, "%s: text %s properties" % (name, text.dxf.text))


def ends(entity):
    """Start and end of a centre-line piece in world x, y."""
    kind = entity.dxftype()
    if kind == "LINE":
        return (entity.dxf.start[0], entity.dxf.start[1]), (entity.dxf.end[0], entity.dxf.end[1])
    if kind == "LWPOLYLINE":
        points = entity.get_points("xy")
        return points[0], points[-1]
    centre, r = entity.dxf.center, entity.dxf.radius
    a, b = math.radians(entity.dxf.start_angle), math.radians(entity.dxf.end_angle)
    return ((centre[0] + r * math.cos(a), centre[1] + r * math.sin(a)),
            (centre[0] + r * math.cos(b), centre[1] + r * math.sin(b)))


def check_joined(msp, name, start, end):
    """Every piece end meets another piece's end, except the line's own start and end."""
    pieces = [e for e in msp if e.dxf.layer == "中心线" and e.dxftype() != "POINT"]
    points = [p for e in pieces for p in ends(e)]
    for p in points:
        partners = sum(1 for q in points if near(p, q, METRES))
        if near(p, start, METRES) or near(p, end, METRES):
            continue
        check(partners >= 2, "%s: centre line open at %s" % (name, p))
    check(any(near(p, start, METRES) for p in points), "%s: centre line misses its start" % name)
    check(any(near(p, end, METRES) for p in points), "%s: centre line misses its end" % name)


def stake_texts(msp):
    return [t.dxf.text for t in msp.query("TEXT") if t.dxf.color == 4 and " " not in t.dxf.text]


def expected_stakes(first, last):
    """Stake texts for written stations first, first + 100, ... last."""
    texts = []
    s = first
    while s <= last:
        texts.append("K%d" % (s // 1000) if s % 1000 == 0 else "%d" % (s % 1000 // 100))
        s += 100
    return texts


def read_jd_file(path):
    lines = open(path, "rb").read().decode("gbk").splitlines()
    start = float(lines[0].split(",")[1])
    rows = [l for l in lines[1:] if l.strip() and not l.startswith(";")]
    names, data = rows[0::2], [list(map(float, r.split())) for r in rows[1::2]]
    return start, [n.strip() for n in names], data


def check_main_line(path, jd_path, dl_path):
    name = "main line"
    doc = ezdxf.readfile(path)
    common(doc, name)
    msp = doc.modelspace()
    start_station, names, data = read_jd_file(jd_path)
    breaks = [list(map(float, l.split())) for l in open(dl_path).read().splitlines() if l.strip()]
    curves = data[1:-1]
    spirals = sum((c[3] > 0) + (c[4] > 0) for c in curves)
    labels = sum(3 + (c[3] > 0) + (c[4] > 0) for c in curves)

    layers = {layer.dxf.name for layer in doc.layers}
    check({"中心线", "交点线", "标注"} <= layers, "%s: layers %s" % (name, sorted(layers)))

    texts = [t.dxf.text for t in msp.query("TEXT")]
    zd = [t for t in texts if t.startswith("ZD ")]
    check(len(zd) == 1, "%s: ZD texts %s" % (name, zd))
    end_label = zd[0][3:] if zd else "CK0+000.000"
    km, metres = end_label[2:].split("+")
    end_written = int(km) * 1000 + float(metres)

    # Stakes per chain-break section, in written stations of each section.
    sections = [(start_station, breaks[0][0])] + [(breaks[k][1], breaks[k + 1][0]) for k in range(len(breaks) - 1)]
    sections.append((breaks[-1][1], end_written))
    stakes = []
    for first, last in sections:
        stakes += expected_stakes((math.floor((first + 100) / 100)) * 100, last - 1e-4)
    check(stake_texts(msp) == stakes, "%s: stake texts %s" % (name, stake_texts(msp)))

    counts = Counter((e.dxftype(), e.dxf.layer, e.dxf.get("color", 256)) for e in msp)
    expected = Counter({
        ("POINT", "中心线", 256): 2,
        ("LINE", "中心线", 5): len(data) - 1,
        ("ARC", "中心线", 1): len(curves),
        ("LWPOLYLINE", "中心线", 3): spirals,
        ("LINE", "交点线", 6): 2 * len(curves),
        ("LINE", "标注", 1): 2 + len(breaks),
        ("TEXT", "标注", 1): 2 + len(curves) + len(breaks),
        ("LINE", "标注", 4): len(stakes) + labels,
        ("TEXT", "标注", 4): len(stakes) + labels,
    })
    check(counts == expected, "%s: entity counts %s, expected %s" % (name, dict(counts), dict(expected)))
    for p in msp.query("LWPOLYLINE"):
        check(len(p) == 362, "%s: spiral with %d vertices" % (name, len(p)))

    for vertex_name in names[1:-1]:
        check(vertex_name in texts, "%s: no name %s" % (name, vertex_name))
    letters = "ABCDEFGHIJKLMNOPQRST"
    for k, (back, ahead) in enumerate(breaks):
        text = letters[k] + station_label(back) + "=" + letters[k + 1] + station_label(ahead)
        check(text in texts, "%s: no chain-break text %s" % (name, text))
    prefixes = Counter(t[:3] for t in texts if t[:2] in ("ZH", "HY", "QZ", "YH", "HZ", "ZY", "YZ", "GQ"))
    check(prefixes["QZ "] == len(curves), "%s: QZ labels %s" % (name, prefixes))
    check(prefixes["HY "] == sum(c[3] > 0 for c in curves) and prefixes["YH "] == sum(c[4] > 0 for c in curves),
          "%s: HY/YH labels %s" % (name, prefixes))

    qd = [t for t in msp.query("TEXT") if t.dxf.text.startswith("QD ")]
    check(len(qd) == 1 and qd[0].dxf.text == "QD A" + station_label(start_station), "%s: QD text" % name)
    if qd:
        x0, y0, x1, y1 = data[0][0], data[0][1], data[1][0], data[1][1]
        azimuth = math.degrees(math.atan2(y1 - y0, x1 - x0))
        check(near(qd[0].dxf.align_point, (y0, x0, 0.0), METRES), "%s: QD at %s" % (name, qd[0].dxf.align_point))
        check(abs((qd[0].dxf.rotation + azimuth + 180) % 360 - 180) <= DEGREES,
              "%s: QD rotation %s" % (name, qd[0].dxf.rotation))
        check(qd[0].dxf.valign == 3 and qd[0].dxf.halign == 1, "%s: QD alignment" % name)
    check_joined(msp, name, (data[0][1], data[0][0]), (data[-1][1], data[-1][0]))


def check_ramp(path, ramp_path):
    name = "ramp"
    doc = ezdxf.readfile(path)
    common(doc, name)
    msp = doc.modelspace()
    lines = open(ramp_path).read().split("\n")
    head = lines[0].split(",")
    rows = [list(map(float, l.split())) for l in lines[1:] if l.strip()]

    # Split reversing spirals where the curvature passes through zero, then classify.
    elements = []
    for rs, re_, length in rows:
        if rs != 10000 and re_ != 10000 and rs * re_ < 0:
            first = length * (1 / rs) / (1 / rs - 1 / re_)
            elements += [(rs, 10000, first), (10000, re_, length - first)]
        else:
            elements.append((rs, re_, length))
    letter = lambda e: "Z" if e[0] == e[1] == 10000 else ("Y" if e[0] == e[1] else "H")
    stations = [0.0]
    for e in elements:
        stations.append(stations[-1] + e[2])
    start_station = float(head[0])
    joints = [letter(a) + letter(b) + " " + station_label(start_station + stations[i + 1])
              for i, (a, b) in enumerate(zip(elements, elements[1:]))]
    end = start_station + stations[-1]

    texts = [t.dxf.text for t in msp.query("TEXT")]
    for joint in joints:
        check(joint in texts, "%s: no joint text %s" % (name, joint))
    stakes = expected_stakes(math.floor((start_station + 100) / 100) * 100, end - 1e-4)
    check(stake_texts(msp) == stakes, "%s: stake texts %s" % (name, stake_texts(msp)))
    check("QD " + station_label(start_station) in texts and "ZD " + station_label(end) in texts,
          "%s: QD/ZD texts %s" % (name, [t for t in texts if t[:2] in ("QD", "ZD")]))

    counts = Counter((e.dxftype(), e.dxf.layer, e.dxf.get("color", 256)) for e in msp)
    kinds = Counter(letter(e) for e in elements)
    expected = Counter({
        ("LINE", "中心线", 5): kinds["Z"],
        ("ARC", "中心线", 1): kinds["Y"],
        ("LWPOLYLINE", "中心线", 3): kinds["H"],
        ("LINE", "标注", 1): 2,
        ("TEXT", "标注", 1): 2,
        ("LINE", "标注", 4): len(stakes) + len(joints),
        ("TEXT", "标注", 4): len(stakes) + len(joints),
    })
    check(counts == expected, "%s: entity counts %s, expected %s" % (name, dict(counts), dict(expected)))
    for p in msp.query("LWPOLYLINE"):
        check(len(p) == 361, "%s: spiral with %d vertices" % (name, len(p)))
    x0, y0 = float(head[1]), float(head[2])
    qd = [t for t in msp.query("TEXT") if t.dxf.text.startswith("QD ")]
    if qd:
        check(near(qd[0].dxf.align_point, (y0, x0, 0.0), METRES), "%s: QD at %s" % (name, qd[0].dxf.align_point))
        check(abs((qd[0].dxf.rotation + float(head[3]) + 180) % 360 - 180) <= DEGREES,
              "%s: QD rotation %s" % (name, qd[0].dxf.rotation))
    pieces_start = (y0, x0)
    last = [e for e in msp if e.dxf.layer == "中心线"][-1]
    check_joined(msp, name, pieces_start, ends(last)[1])


def main(main_dxf, ramp_dxf, samples):
    check_main_line(main_dxf, samples + "/main_line.jdx", samples + "/main_line.dl")
    check_ramp(ramp_dxf, samples + "/ramp.jdx")
    for failure in failures:
        print("FAIL:", failure)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3]))
