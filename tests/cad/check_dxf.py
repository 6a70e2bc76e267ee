"""Reads the drawing written by tesk_cad_dxf_sample with ezdxf and checks what a CAD program
would see: layers, colours, Chinese texts, alignment points, text styles and font files, the
coordinate systems and the code page. Expected values are worked out here from the survey data
the sample draws, not taken from the writer.

Usage: check_dxf.py DRAWING.dxf
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


def world(north, east):
    """Drawing point of a survey point: east first."""
    return (east, north, 0.0)


def main(path):
    raw = open(path, "rb").read()
    check("中心线".encode("gbk") in raw, "layer name not stored in GBK")
    check("中心线".encode("utf-8") not in raw, "layer name stored in UTF-8")

    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    check(not auditor.has_errors, "auditor errors: %s" % [e.message for e in auditor.errors])
    check(not auditor.fixes, "auditor fixes: %s" % [e.message for e in auditor.fixes])

    check(doc.dxfversion == "AC1015", "version %s" % doc.dxfversion)
    check(doc.header.get("$DWGCODEPAGE") == "ANSI_936", "code page %s" % doc.header.get("$DWGCODEPAGE"))
    # Points show as the window shows them: a small cross of fixed screen size.
    check(doc.header.get("$PDMODE") == 2, "point style %s" % doc.header.get("$PDMODE"))
    check(doc.header.get("$PDSIZE") == -1.0, "point size %s" % doc.header.get("$PDSIZE"))
    check(doc.encoding.lower() in ("gbk", "cp936"), "encoding %s" % doc.encoding)

    layers = {layer.dxf.name for layer in doc.layers}
    check({"0", "中心线", "交点线", "标注"} <= layers, "layers %s" % sorted(layers))

    msp = doc.modelspace()
    counts = Counter((e.dxf.layer, e.dxftype()) for e in msp)
    expected = Counter({
        ("中心线", "POINT"): 2,
        ("中心线", "LINE"): 1,
        ("中心线", "LWPOLYLINE"): 1,
        ("中心线", "ARC"): 1,
        ("交点线", "LINE"): 1,
        ("标注", "LINE"): 1,
        ("标注", "TEXT"): 3,
        ("标注", "CIRCLE"): 1,
    })
    check(counts == expected, "entities per layer and type %s" % dict(counts))

    # Colours: ACI 1 red, 3 green, 4 cyan, 5 blue, 6 magenta, 256 by layer.
    colours = Counter((e.dxftype(), e.dxf.layer, e.dxf.get("color", 256)) for e in msp)
    for key in [("LINE", "中心线", 5), ("LWPOLYLINE", "中心线", 3), ("ARC", "中心线", 1),
                ("LINE", "交点线", 6), ("LINE", "标注", 4), ("POINT", "中心线", 256),
                ("CIRCLE", "标注", 256)]:
        check(colours[key] >= 1, "no %s on %s in colour %d" % key)

    points = [e.dxf.location for e in msp.query("POINT")]
    check(near(points[0], world(3385000.0, 512000.0), METRES), "start point %s" % (points[0],))
    check(near(points[1], world(3385300.0, 512400.0), METRES), "end point %s" % (points[1],))

    # The polyline was given as (-east, north) while "yx" was current: world (east, north).
    polyline = msp.query("LWPOLYLINE")[0]
    vertices = [tuple(v) for v in polyline.get_points("xy")]
    expected_vertices = [(512100.0, 3385100.0), (512110.5, 3385108.25), (512122.0, 3385115.0)]
    check(len(vertices) == 3 and all(near(v, w, METRES) for v, w in zip(vertices, expected_vertices)),
          "polyline vertices %s" % vertices)

    # A right turn from tangent azimuth 0.3 at HY to 1.1 at YH, radius 100: HY and YH are seen
    # from the centre at azimuths 0.3 - pi/2 and 1.1 - pi/2 (clockwise from north). The arc runs
    # clockwise from HY to YH, which a world arc stores counter-clockwise from YH to HY.
    arc = msp.query("ARC")[0]
    centre_east, centre_north = 512200.0, 3385150.0
    def on_circle(azimuth):
        return (centre_east + 100.0 * math.sin(azimuth), centre_north + 100.0 * math.cos(azimuth), 0.0)
    hy = on_circle(0.3 - math.pi / 2)
    yh = on_circle(1.1 - math.pi / 2)
    check(abs(arc.dxf.radius - 100.0) <= METRES, "arc radius %s" % arc.dxf.radius)
    check(near(arc.start_point, yh, METRES), "arc start %s, expected YH %s" % (arc.start_point, yh))
    check(near(arc.end_point, hy, METRES), "arc end %s, expected HY %s" % (arc.end_point, hy))
    sweep = (arc.dxf.end_angle - arc.dxf.start_angle) % 360.0
    check(abs(sweep - math.degrees(0.8)) <= DEGREES, "arc sweep %s" % sweep)

    texts = {t.dxf.text: t for t in msp.query("TEXT")}
    check(set(texts) == {"QD K0+000.000", "ZH AK1+234.560", "桩 位 坐 标 表"}, "texts %s" % sorted(texts))
    qd = texts.get("QD K0+000.000")
    if qd is not None:
        check(qd.dxf.style == "new_text", "QD style %s" % qd.dxf.style)
        check(qd.dxf.valign == 3 and qd.dxf.halign == 1, "QD alignment %s %s" % (qd.dxf.valign, qd.dxf.halign))
        check(near(qd.dxf.align_point, world(3385000.0, 512000.0), METRES), "QD alignment point %s" % (qd.dxf.align_point,))
        check(abs(qd.dxf.rotation - math.degrees(-0.5)) <= DEGREES, "QD rotation %s" % qd.dxf.rotation)
        check(abs(qd.dxf.height - 4.0) <= 1e-12 and abs(qd.dxf.width - 0.7) <= 1e-12, "QD size")
        check(qd.dxf.color == 1, "QD colour %s" % qd.dxf.color)
    zh = texts.get("ZH AK1+234.560")
    if zh is not None:
        check(zh.dxf.valign == 2 and zh.dxf.halign == 2, "ZH alignment %s %s" % (zh.dxf.valign, zh.dxf.halign))
        check(near(zh.dxf.align_point, (512150.0, 3385120.0, 0.0), METRES), "ZH alignment point %s" % (zh.dxf.align_point,))
        check(abs(zh.dxf.rotation - math.degrees(math.pi / 2 - 0.25)) <= DEGREES, "ZH rotation %s" % zh.dxf.rotation)
        check(zh.dxf.color == 4, "ZH colour %s" % zh.dxf.color)
    title = texts.get("桩 位 坐 标 表")
    if title is not None:
        # Set as "test": the style table's own spelling "TEST" is what the text names.
        check(title.dxf.style == "TEST", "title style %s" % title.dxf.style)
        check(title.dxf.get("halign", 0) == 0 and title.dxf.get("valign", 0) == 0, "title alignment")
        check(near(title.dxf.insert, (512000.0, 3385400.0, 0.0), METRES), "title insert %s" % (title.dxf.insert,))
        check(abs(title.dxf.width - 0.75) <= 1e-12, "title width %s" % title.dxf.width)

    for name in ("new_text", "TEST"):
        style = doc.styles.get(name)
        check(style is not None, "no text style %s" % name)
        if style is not None:
            check(style.dxf.font == "fsdb_e.shx", "%s font %s" % (name, style.dxf.font))
            check(style.dxf.bigfont == "fsdb.shx", "%s big font %s" % (name, style.dxf.bigfont))

    ucs = {u.dxf.name: u for u in doc.ucs}
    check(set(ucs) == {"yx", "xy"}, "coordinate systems %s" % sorted(ucs))
    if "yx" in ucs:
        check(near(ucs["yx"].dxf.xaxis, (0, 1, 0), 1e-15) and near(ucs["yx"].dxf.yaxis, (1, 0, 0), 1e-15),
              "yx axes %s %s" % (ucs["yx"].dxf.xaxis, ucs["yx"].dxf.yaxis))
    if "xy" in ucs:
        check(near(ucs["xy"].dxf.xaxis, (1, 0, 0), 1e-15) and near(ucs["xy"].dxf.yaxis, (0, 1, 0), 1e-15),
              "xy axes")

    if failures:
        for failure in failures:
            print("FAIL:", failure)
        return 1
    print("ok: %d entities, %d auditor fixes" % (len(msp), len(auditor.fixes)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
