#!/usr/bin/env python3
"""Writes the sample input files of samples/ (run from anywhere; needs only Python 3).

main_line.jdx  JD file of a 10 km main line, GBK-encoded Chinese vertex names
main_line.dl   its chain breaks: one forward, one backward
ramp.jdx       an interchange ramp in element form (reversing and compound spirals)
bridge.zw      the piles of a bridge on the main line
main_line.sqx  the main line's profile: a crest, a sag in the chain-break section B, a crest in C
main_line.hp   its cross-fall: a normal crown, superelevated on the first curve
"""
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, text, encoding):
    with open(os.path.join(HERE, name), "w", encoding=encoding, newline="\r\n") as f:
        f.write(text)


def main_line():
    # (leg length to the next vertex, deflection at the next vertex in degrees (+ right),
    #  R, Ls1, Ls2, R1, R2) -- the last leg ends at the end point.
    start = (3452000.000, 502000.000)
    azimuth = 58.0
    curves = [
        (812.0, 24.5, 1200.0, 150.0, 150.0, 0, 0),
        (905.0, -31.0, 900.0, 140.0, 120.0, 0, 0),
        (760.0, 18.0, 1500.0, 120.0, 120.0, 0, 0),
        (880.0, -27.5, 1000.0, 160.0, 140.0, 3000.0, 0),
        (840.0, 35.0, 800.0, 150.0, 150.0, 0, 0),
        (910.0, -22.0, 1300.0, 130.0, 100.0, 0, 2600.0),
        (790.0, 16.5, 2000.0, 0.0, 0.0, 0, 0),
        (865.0, -29.0, 950.0, 150.0, 150.0, 0, 0),
        (830.0, 25.0, 1100.0, 120.0, 160.0, 0, 0),
        (900.0, -19.0, 1600.0, 110.0, 110.0, 0, 0),
        (845.0, 33.0, 850.0, 170.0, 150.0, 2500.0, 2500.0),
        (775.0, -21.5, 1400.0, 120.0, 120.0, 0, 0),
    ]
    last_leg = 520.0
    names = ["起点"] + ["交点%d" % (i + 1) for i in range(len(curves))] + ["终点"]
    x, y = start
    rows = [(names[0], x, y, 0, 0, 0, 0, 0)]
    for i, (leg, defl, r, ls1, ls2, r1, r2) in enumerate(curves):
        x += leg * math.cos(math.radians(azimuth))
        y += leg * math.sin(math.radians(azimuth))
        rows.append((names[i + 1], x, y, r, ls1, ls2, r1, r2))
        azimuth += defl
    x += last_leg * math.cos(math.radians(azimuth))
    y += last_leg * math.sin(math.radians(azimuth))
    rows.append((names[-1], x, y, 0, 0, 0, 0, 0))

    lines = ["某高速公路第三合同段主线平面交点资料,12000", ";; 交点坐标 X(北) Y(东) 半径 前缓和曲线长 后缓和曲线长 [前后缓和曲线起点半径]"]
    for name, x, y, r, ls1, ls2, r1, r2 in rows:
        lines.append(name)
        fields = ["%.3f" % x, "%.3f" % y, "%g" % r, "%g" % ls1, "%g" % ls2]
        if r1 or r2:
            fields += ["%g" % r1, "%g" % r2]
        lines.append("\t".join(fields) if name == "交点5" else "  ".join(fields))
    write("main_line.jdx", "\n".join(lines) + "\n", "gbk")

    # One forward break (the stationing jumps ahead) and one backward break (it repeats).
    write("main_line.dl", "14862.415  14900\n19350  19310.5\n", "ascii")


def ramp():
    lines = ["0,3452650.000,502930.000,58.0000"]
    elements = [
        (10000, 10000, 60),
        (10000, 320, 75),
        (320, 320, 96.5),
        (320, -260, 110),   # reversing spiral, split where the curvature passes zero
        (-260, -260, 84.2),
        (-260, -130, 55),   # compound spiral between two finite radii
        (-130, -130, 118.3),
        (-130, 10000, 70),
        (10000, 10000, 45),
    ]
    for a, b, c in elements:
        lines.append("%g %g %g" % (a, b, c))
    write("ramp.jdx", "\n".join(lines) + "\n", "ascii")


def bridge():
    # A bridge in section B of the main line: abutments 0 and 11, ten piers between.
    text = """B15060 90 2
-6.25
6.25
15090 90 2x2
-6.5, 1.2, 6.5, 1.2
15120 75 4x2-90
-6, 1.2, -6, -1.2
6, 1.2, 6, -1.2
15150+0.35 75 4x2
-6, 1.2, -6, -1.2, 6, 1.2, 6, -1.2
15180 75 3
-7.5
0
7.5
15210-0.4 80 2
-6.5
6.5
B15240 90 2x2-60
-6.5, 1.5
6.5, 1.5
15270 90 2
-6.5, 6.5
15300 100 4
-9.75
-3.25
3.25
9.75
15330 100 2
-6.5
6.5
15360+1.2 90 2x2
-6.5, 0.8, 6.5, 0.8
15390 90 2
-6.25
6.25
"""
    write("bridge.zw", text, "ascii")


def profile():
    # Written stations in the design-table form; grade points in sections A, B (after the forward
    # break at 14862.415 = 14900) and C (after the backward break at 19350 = 19310.5).
    text = """某高速公路主线纵断面
;; 桩号 设计高程(米) 竖曲线半径(米，0为无竖曲线)
K12+000    100.000  0
K13+200    118.000  20000
BK15+600   106.000  15000
CK20+400   130.000  12000
CK22+500   121.000  0
"""
    write("main_line.sqx", text, "gbk")


def crossfall():
    text = """某高速公路主线横坡
;; 桩号 左侧横坡(%) 右侧横坡(%)，向外升高为正
K12+000   -2.0  -2.0
K12+250   -2.0  -2.0
K12+400    3.0  -3.0
K12+700    3.0  -3.0
K12+850   -2.0  -2.0
CK22+500  -2.0  -2.0
"""
    write("main_line.hp", text, "gbk")


if __name__ == "__main__":
    main_line()
    ramp()
    bridge()
    profile()
    crossfall()
