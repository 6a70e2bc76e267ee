// Writes a drawing with every entity kind, Chinese layer names and texts, both text styles and
// both coordinate systems, the way the drawing commands build them, to the DXF file named by the
// first argument. check_dxf.py reads it back with an independent reader.

#include "cad/dxf_writer.h"

#include "geometry/error.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

using namespace tesk::cad;

namespace {

constexpr double kPi = std::numbers::pi;

void Draw(DrawingDocument& doc) {
    const UcsHandle yx = doc.AddUserCoordinateSystem({0, 0, 0}, {0, 1, 0}, {1, 0, 0}, "yx");
    const UcsHandle xy = doc.AddUserCoordinateSystem({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, "xy");
    doc.SetActiveUcs(yx);

    // Centre line: survey points (X north, Y east).
    doc.SetActiveLayer(doc.AddLayer("中心线"));
    const tesk::geometry::PlanePoint start{3385000.0, 512000.0};
    const tesk::geometry::PlanePoint end{3385300.0, 512400.0};
    doc.AddPoint(DrawingPoint(start));
    doc.AddPoint(DrawingPoint(end));
    doc.AddLine(DrawingPoint(start), DrawingPoint({3385100.0, 512100.0})).SetColor(kBlue);
    // A spiral-like polyline through three survey points, given as (-east, north) under "yx".
    const std::vector<double> vertices = {-512100.0,  3385100.0, -512110.5,
                                          3385108.25, -512122.0, 3385115.0};
    doc.AddLightWeightPolyline(vertices).SetColor(kGreen);
    // A right-turning arc from azimuth 0.3 to 1.1, radius 100, centre at east 512200, north
    // 3385150, angles in the convention of "yx".
    doc.AddArc({512200.0, 3385150.0, 0.0}, 100.0, 0.3, 1.1).SetColor(kRed);

    doc.SetActiveLayer(doc.AddLayer("交点线"));
    doc.AddLine(DrawingPoint({3385100.0, 512100.0}), DrawingPoint({3385150.0, 512120.0}))
        .SetColor(kMagenta);

    doc.SetActiveLayer(doc.AddLayer("标注"));
    doc.SetActiveUcs(xy);
    const TextStyleHandle newText = doc.AddTextStyle("new_text");
    newText.SetFontFile("fsdb_e.shx");
    newText.SetBigFontFile("fsdb.shx");

    const Point qd = DrawingPoint(start);
    const TextHandle label = doc.AddText("QD K0+000.000", qd, 4);
    label.SetColor(kRed);
    label.SetScaleFactor(0.7);
    label.SetStyleName("new_text");
    label.SetRotation(-0.5);
    label.SetVerticalAlignment(VerticalAlignment::Top);
    label.SetHorizontalAlignment(HorizontalAlignment::Center);
    label.SetTextAlignmentPoint(qd);

    const Point tick{512150.0, 3385120.0, 0.0};
    doc.AddLine({512145.0, 3385120.0, 0.0}, tick).SetColor(kCyan);
    const TextHandle zh = doc.AddText("ZH AK1+234.560", tick, 4);
    zh.SetColor(kCyan);
    zh.SetScaleFactor(0.7);
    zh.SetStyleName("new_text");
    zh.SetRotation(kPi / 2 - 0.25);
    zh.SetVerticalAlignment(VerticalAlignment::Middle);
    zh.SetHorizontalAlignment(HorizontalAlignment::Right);
    zh.SetTextAlignmentPoint(tick);

    const TextStyleHandle test = doc.AddTextStyle("TEST");
    test.SetFontFile("fsdb_e.shx");
    test.SetBigFontFile("fsdb.shx");
    const TextHandle title = doc.AddText("桩 位 坐 标 表", {512000.0, 3385400.0, 0.0}, 7);
    title.SetStyleName("test");
    title.SetScaleFactor(0.75);
    doc.AddCircle({512050.0, 3385390.0, 0.0}, 2.0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.dxf\n", argv[0]);
        return 2;
    }
    try {
        DrawingDocument doc;
        Draw(doc);
        WriteDxf(doc, argv[1]);
    } catch (const tesk::geometry::RuntimeError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
