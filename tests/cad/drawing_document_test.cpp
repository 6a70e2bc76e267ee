#include "cad/drawing_document.h"

#include "geometry/error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace tesk::cad {
namespace {

using geometry::ErrorCode;
using geometry::RuntimeError;

constexpr double kPi = std::numbers::pi;
constexpr double kMetres = 1e-9;   // position tolerance, m (coordinates of a few 1e6 m)
constexpr double kRadians = 1e-12; // angle tolerance, rad

// The two coordinate systems every drawing command adds.
UcsHandle AddYx(DrawingHost& host) {
    return host.AddUserCoordinateSystem({0, 0, 0}, {0, 1, 0}, {1, 0, 0}, "yx");
}
UcsHandle AddXy(DrawingHost& host) {
    return host.AddUserCoordinateSystem({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, "xy");
}

template <typename T> const T& ShapeOf(const DrawingDocument& doc, const EntityHandle& handle) {
    const DrawnEntity* entity = doc.FindEntity(handle.Id());
    EXPECT_NE(entity, nullptr);
    const T* shape = std::get_if<T>(&entity->Shape);
    EXPECT_NE(shape, nullptr);
    return *shape;
}

Point ArcPointAt(const DrawnArc& arc, double angle) {
    return {arc.Centre.X + arc.Radius * std::cos(angle),
            arc.Centre.Y + arc.Radius * std::sin(angle), 0.0};
}

void ExpectNear(Point actual, Point expected, double tolerance) {
    EXPECT_NEAR(actual.X, expected.X, tolerance);
    EXPECT_NEAR(actual.Y, expected.Y, tolerance);
    EXPECT_NEAR(actual.Z, expected.Z, tolerance);
}

void ExpectRefused(ErrorCode code, const std::function<void()>& action) {
    try {
        action();
        ADD_FAILURE() << "not refused";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Code(), code) << error.what();
    }
}

// Survey point of a curve's arc end seen from its centre: `azimuth` is the azimuth (clockwise
// from north) of the direction from the centre, returned as a world drawing point.
Point FromCentre(Point centre, double radius, double azimuth) {
    return {centre.X + radius * std::sin(azimuth), centre.Y + radius * std::cos(azimuth), 0.0};
}

TEST(CadDocumentUcs, TheTwoSystemsOfTheDrawingCommands) {
    DrawingDocument doc;
    AddYx(doc);
    AddXy(doc);
    ASSERT_EQ(doc.UserCoordinateSystems().size(), 2u);
    const UcsRecord& yx = doc.UserCoordinateSystems()[0];
    EXPECT_EQ(yx.Name, "yx");
    EXPECT_TRUE(yx.ZDown); // x north, y east: z = x cross y points down
    ExpectNear(yx.XAxis, {0, 1, 0}, 0.0);
    ExpectNear(yx.YAxis, {1, 0, 0}, 0.0);
    const UcsRecord& xy = doc.UserCoordinateSystems()[1];
    EXPECT_FALSE(xy.ZDown);
    EXPECT_EQ(doc.ActiveUcs(), nullptr); // the world system until one is made current
}

TEST(CadDocumentUcs, AddingAgainReturnsTheSameSystemAndRefusesBadOnes) {
    DrawingDocument doc;
    doc.SetActiveUcs(AddYx(doc));
    const UcsHandle again = AddYx(doc);
    EXPECT_EQ(again.Name(), "yx");
    EXPECT_EQ(doc.UserCoordinateSystems().size(), 1u);
    ASSERT_NE(doc.ActiveUcs(), nullptr);
    EXPECT_EQ(doc.ActiveUcs()->Name, "yx");
    // Axis points need not be unit distances away; the y axis is squared to the x axis.
    doc.AddUserCoordinateSystem({10, 20, 0}, {10, 25, 0}, {13, 21, 0}, "N");
    const UcsRecord& n = doc.UserCoordinateSystems().back();
    ExpectNear(n.XAxis, {0, 1, 0}, 1e-15);
    ExpectNear(n.YAxis, {1, 0, 0}, 1e-15);
    ExpectRefused(ErrorCode::Output, [&] {
        doc.AddUserCoordinateSystem({0, 0, 0}, {0, 1, 0}, {0, 0, 1}, "tilted");
    });
    ExpectRefused(ErrorCode::Output, [&] {
        doc.AddUserCoordinateSystem({0, 0, 0}, {1, 0, 0}, {2, 0, 0}, "flat");
    });
    ExpectRefused(ErrorCode::Output, [&] { doc.SetActiveUcs(UcsHandle("none")); });
}

TEST(CadDocumentTransforms, PolylineVerticesUnderYxAreMinusEastNorth) {
    DrawingDocument doc;
    doc.SetActiveUcs(AddYx(doc));
    // Survey points (X north, Y east) of a line somewhere in a national grid.
    const geometry::PlanePoint a{3385123.4567, 512345.6789};
    const geometry::PlanePoint b{3385200.0001, 512399.1234};
    const std::vector<double> vertices = {-a.Y, a.X, -b.Y, b.X};
    const auto polyline = doc.AddLightWeightPolyline(vertices);
    const auto& drawn = ShapeOf<DrawnPolyline>(doc, polyline);
    ASSERT_EQ(drawn.Vertices.size(), 2u);
    ExpectNear(drawn.Vertices[0], DrawingPoint(a), 0.0); // negation is exact
    ExpectNear(drawn.Vertices[1], DrawingPoint(b), 0.0);

    // The same numbers under "xy" and under the world system are world points as they stand.
    doc.SetActiveUcs(AddXy(doc));
    const auto& plain = ShapeOf<DrawnPolyline>(doc, doc.AddLightWeightPolyline(vertices));
    ExpectNear(plain.Vertices[0], {-a.Y, a.X, 0}, 0.0);
    DrawingDocument world;
    const auto& fresh = ShapeOf<DrawnPolyline>(world, world.AddLightWeightPolyline(vertices));
    ExpectNear(fresh.Vertices[1], {-b.Y, b.X, 0}, 0.0);
}

TEST(CadDocumentTransforms, RightTurnArcUnderYxRunsFromHyToYhClockwise) {
    // A right-turning curve: the arc starts at HY with tangent azimuth 0.3 and ends at YH with
    // 1.1; its centre lies to the right, so HY is seen from the centre at azimuth 0.3 - pi/2.
    DrawingDocument doc;
    doc.SetActiveUcs(AddYx(doc));
    const double azHy = 0.3;
    const double azYh = 1.1;
    const double radius = 450.0;
    const Point centre{512000.25, 3385000.75, 0};
    const auto arc = doc.AddArc(centre, radius, azHy, azYh);
    const auto& drawn = ShapeOf<DrawnArc>(doc, arc);
    const Point hy = FromCentre(centre, radius, azHy - kPi / 2);
    const Point yh = FromCentre(centre, radius, azYh - kPi / 2);
    // Clockwise from HY to YH in the world is counter-clockwise from YH to HY.
    ExpectNear(ArcPointAt(drawn, drawn.StartAngle), yh, kMetres);
    ExpectNear(ArcPointAt(drawn, drawn.EndAngle), hy, kMetres);
    EXPECT_NEAR(drawn.Sweep(), azYh - azHy, kRadians); // the arc's central angle
    // Its middle is the curve midpoint QZ, not the opposite side of the circle.
    ExpectNear(ArcPointAt(drawn, drawn.StartAngle + drawn.Sweep() / 2),
               FromCentre(centre, radius, (azHy + azYh) / 2 - kPi / 2), kMetres);
}

TEST(CadDocumentTransforms, LeftTurnArcUnderYxUsesAnglesPlusPi) {
    // A left turn from azimuth 2.0 at HY to 1.2 at YH: the centre lies to the left, HY is seen
    // from it at azimuth 2.0 + pi/2; the drawing passes start yh + pi and end hy + pi.
    DrawingDocument doc;
    doc.SetActiveUcs(AddYx(doc));
    const double azHy = 2.0;
    const double azYh = 1.2;
    const double radius = 80.0;
    const Point centre{100.0, -50.0, 0};
    const auto& drawn = ShapeOf<DrawnArc>(doc, doc.AddArc(centre, radius, azYh + kPi, azHy + kPi));
    const Point hy = FromCentre(centre, radius, azHy + kPi / 2);
    const Point yh = FromCentre(centre, radius, azYh + kPi / 2);
    // A left turn runs counter-clockwise in the world: from HY to YH.
    ExpectNear(ArcPointAt(drawn, drawn.StartAngle), hy, kMetres);
    ExpectNear(ArcPointAt(drawn, drawn.EndAngle), yh, kMetres);
    EXPECT_NEAR(drawn.Sweep(), azHy - azYh, kRadians);
    EXPECT_GE(drawn.StartAngle, 0.0);
    EXPECT_LT(drawn.EndAngle, 2 * kPi);
}

TEST(CadDocumentTransforms, ArcUnderXyKeepsItsAnglesNormalized) {
    DrawingDocument doc;
    doc.SetActiveUcs(AddXy(doc));
    const auto& drawn = ShapeOf<DrawnArc>(doc, doc.AddArc({1, 2, 0}, 3, -0.5, 0.5));
    EXPECT_NEAR(drawn.StartAngle, 2 * kPi - 0.5, kRadians);
    EXPECT_NEAR(drawn.EndAngle, 0.5, kRadians);
    EXPECT_NEAR(drawn.Sweep(), 1.0, kRadians);
    // Equal angles make a full turn, as in a CAD program.
    const auto& full = ShapeOf<DrawnArc>(doc, doc.AddArc({0, 0, 0}, 1, 7.0, 7.0));
    EXPECT_NEAR(full.Sweep(), 2 * kPi, kRadians);
}

TEST(CadDocumentTransforms, WorldEntitiesAreTheSameUnderEitherSystem) {
    // Points, lines, circles and texts are given in world coordinates whatever system is current.
    for (const bool yx : {true, false}) {
        DrawingDocument doc;
        doc.SetActiveUcs(yx ? AddYx(doc) : AddXy(doc));
        const Point p{512345.5, 3385123.25, 0};
        ExpectNear(ShapeOf<DrawnPoint>(doc, doc.AddPoint(p)).Position, p, 0.0);
        const auto& line = ShapeOf<DrawnLine>(doc, doc.AddLine(p, {1, 2, 0}));
        ExpectNear(line.Start, p, 0.0);
        ExpectNear(line.End, {1, 2, 0}, 0.0);
        const auto& circle = ShapeOf<DrawnCircle>(doc, doc.AddCircle(p, 2));
        ExpectNear(circle.Centre, p, 0.0);
        EXPECT_EQ(circle.Radius, 2.0);

        doc.AddTextStyle("new_text");
        const TextHandle text = doc.AddText("QD K0+000.000", p, 4);
        text.SetColor(kRed);
        text.SetScaleFactor(0.7);
        text.SetStyleName("new_text");
        text.SetRotation(-1.25);
        text.SetVerticalAlignment(VerticalAlignment::Top);
        text.SetHorizontalAlignment(HorizontalAlignment::Center);
        text.SetTextAlignmentPoint({p.X + 1, p.Y + 2, 0});
        const auto& drawn = ShapeOf<DrawnText>(doc, text);
        EXPECT_EQ(drawn.Text, "QD K0+000.000");
        ExpectNear(drawn.Insertion, p, 0.0);
        ExpectNear(drawn.AlignmentPoint, {p.X + 1, p.Y + 2, 0}, 0.0);
        ExpectNear(drawn.Anchor(), drawn.AlignmentPoint, 0.0);
        EXPECT_EQ(drawn.Rotation, -1.25);
        EXPECT_EQ(drawn.Height, 4.0);
        EXPECT_EQ(drawn.WidthFactor, 0.7);
        EXPECT_EQ(drawn.Style, "new_text");
        EXPECT_EQ(drawn.Vertical, VerticalAlignment::Top);
        EXPECT_EQ(drawn.Horizontal, HorizontalAlignment::Center);
        EXPECT_EQ(doc.FindEntity(text.Id())->Color, kRed);
    }
}

TEST(CadDocumentTransforms, NewTextIsLeftBaselineAtItsInsertionPoint) {
    DrawingDocument doc;
    const auto& drawn = ShapeOf<DrawnText>(doc, doc.AddText("桩 位 坐 标 表", {5, 6, 0}, 7));
    EXPECT_TRUE(drawn.IsLeftBaseline());
    EXPECT_EQ(drawn.Style, "Standard");
    EXPECT_EQ(drawn.WidthFactor, 1.0);
    EXPECT_EQ(drawn.Rotation, 0.0);
    ExpectNear(drawn.Anchor(), {5, 6, 0}, 0.0);
}

TEST(CadDocumentNames, ExistingNamesAreReturnedNotDuplicated) {
    DrawingDocument doc;
    const LayerHandle first = doc.AddLayer("中心线");
    const LayerHandle second = doc.AddLayer("中心线");
    EXPECT_EQ(first.Name(), second.Name());
    doc.AddLayer("标注");
    EXPECT_EQ(doc.Layers().size(), 3u); // "0", "中心线", "标注"
    EXPECT_EQ(doc.Layers()[0].Name, "0");

    // Style names compare without regard to letter case: "TEST" and "test" are one style.
    const TextStyleHandle style = doc.AddTextStyle("TEST");
    style.SetFontFile("fsdb_e.shx");
    style.SetBigFontFile("fsdb.shx");
    const TextStyleHandle again = doc.AddTextStyle("test");
    EXPECT_EQ(again.Name(), "TEST");
    ASSERT_EQ(doc.TextStyles().size(), 2u);                // "Standard", "TEST"
    EXPECT_EQ(doc.TextStyles()[1].FontFile, "fsdb_e.shx"); // adding again keeps the fonts
    EXPECT_EQ(doc.TextStyles()[1].BigFontFile, "fsdb.shx");
    const TextHandle text = doc.AddText("0", {0, 0, 0}, 3.2);
    text.SetStyleName("test");
    EXPECT_EQ(ShapeOf<DrawnText>(doc, text).Style, "TEST");
}

TEST(CadDocumentNames, BadNamesAndUnknownStylesAreRefused) {
    DrawingDocument doc;
    for (const char* bad : {"", "a/b", "a:b", "x*", "line\nbreak"}) {
        ExpectRefused(ErrorCode::Output, [&] { doc.AddLayer(bad); });
    }
    const TextHandle text = doc.AddText("x", {0, 0, 0}, 1);
    ExpectRefused(ErrorCode::Output, [&] { text.SetStyleName("new_text"); });
    ExpectRefused(ErrorCode::Output, [&] { doc.SetActiveLayer(LayerHandle("none")); });
    ExpectRefused(ErrorCode::Output, [&] { doc.SetTextStyleFontFile("none", "fsdb.shx"); });
    // A font file may name its folder, but no line break may enter the drawing file.
    const TextStyleHandle style = doc.AddTextStyle("new_text");
    style.SetFontFile("C:\\fonts\\fsdb_e.shx");
    EXPECT_EQ(doc.TextStyles().back().FontFile, "C:\\fonts\\fsdb_e.shx");
    ExpectRefused(ErrorCode::Output, [&] { style.SetBigFontFile("fsdb\n.shx"); });
    EXPECT_EQ(doc.Layers().size(), 1u);
}

TEST(CadDocumentLayers, EntitiesGoOnTheCurrentLayerByLayerUntilColoured) {
    DrawingDocument doc;
    const auto before = doc.AddPoint({0, 0, 0});
    doc.SetActiveLayer(doc.AddLayer("中心线"));
    const auto line = doc.AddLine({0, 0, 0}, {1, 0, 0});
    line.SetColor(kBlue);
    const auto marker = doc.AddPoint({1, 1, 0});
    doc.SetActiveLayer(doc.AddLayer("标注"));
    const auto tick = doc.AddLine({0, 0, 0}, {0, 2, 0});
    tick.SetColor(kCyan);

    EXPECT_EQ(doc.FindEntity(before.Id())->Layer, "0");
    EXPECT_EQ(doc.FindEntity(line.Id())->Layer, "中心线");
    EXPECT_EQ(doc.FindEntity(line.Id())->Color, kBlue);
    EXPECT_EQ(doc.FindEntity(marker.Id())->Layer, "中心线");
    EXPECT_EQ(doc.FindEntity(marker.Id())->Color, kByLayer);
    EXPECT_EQ(doc.EffectiveColor(*doc.FindEntity(marker.Id())), kWhite);
    EXPECT_EQ(doc.FindEntity(tick.Id())->Layer, "标注");
    EXPECT_EQ(doc.ActiveLayer(), "标注");
    ExpectRefused(ErrorCode::Output, [&] { tick.SetColor(257); });
    ExpectRefused(ErrorCode::Output, [&] { tick.SetColor(-1); });
    EXPECT_EQ(doc.FindEntity(tick.Id())->Color, kCyan);
    // A property of a text asked of a line is refused.
    ExpectRefused(ErrorCode::Output, [&] { TextHandle(doc, tick.Id()).SetRotation(1.0); });
}

TEST(CadDocumentRefusals, ImpossibleEntitiesAreRefusedAndNothingIsAdded) {
    DrawingDocument doc;
    const double nan = std::nan("");
    ExpectRefused(ErrorCode::Output, [&] { doc.AddCircle({0, 0, 0}, 0.0); });
    ExpectRefused(ErrorCode::Output, [&] { doc.AddArc({0, 0, 0}, -1.0, 0.0, 1.0); });
    ExpectRefused(ErrorCode::Output, [&] { doc.AddArc({0, 0, 0}, 1.0, nan, 1.0); });
    ExpectRefused(ErrorCode::Output, [&] { doc.AddPoint({nan, 0, 0}); });
    ExpectRefused(ErrorCode::Output, [&] { doc.AddLine({0, 0, 0}, {INFINITY, 0, 0}); });
    ExpectRefused(ErrorCode::Output, [&] { doc.AddText("x", {0, 0, 0}, 0.0); });
    const std::vector<double> odd = {1, 2, 3};
    const std::vector<double> single = {1, 2};
    ExpectRefused(ErrorCode::Output, [&] { doc.AddLightWeightPolyline(odd); });
    ExpectRefused(ErrorCode::Output, [&] { doc.AddLightWeightPolyline(single); });
    EXPECT_TRUE(doc.Entities().empty());
    const TextHandle text = doc.AddText("x", {0, 0, 0}, 1);
    ExpectRefused(ErrorCode::Output, [&] { text.SetScaleFactor(0.0); });
    ExpectRefused(ErrorCode::Output, [&] { text.SetTextAlignmentPoint({nan, 0, 0}); });
}

TEST(CadDocumentPick, ThePickGoesThroughTheHandlerAndCancelThrows) {
    DrawingDocument doc;
    ExpectRefused(ErrorCode::Output, [&] { doc.GetPoint("输入插入点:"); }); // nobody to pick

    std::vector<std::string> prompts;
    std::optional<Point> answer = Point{100.5, 200.25, 0};
    doc.SetPickHandler([&](std::string_view prompt) {
        prompts.emplace_back(prompt);
        return answer;
    });
    const Point picked = doc.GetPoint("输入插入点:");
    ExpectNear(picked, {100.5, 200.25, 0}, 0.0);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0], "输入插入点:");

    answer.reset();
    ExpectRefused(ErrorCode::Cancelled, [&] { doc.GetPoint("输入插入点:"); });
    answer = Point{std::nan(""), 0, 0};
    ExpectRefused(ErrorCode::Output, [&] { doc.GetPoint("输入插入点:"); });
}

TEST(CadDocumentExtents, CoverEveryEntityKind) {
    DrawingDocument doc;
    EXPECT_FALSE(doc.ComputeExtents().has_value());
    doc.AddPoint({10, 10, 0});
    auto box = doc.ComputeExtents();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->MinX, 10.0);
    EXPECT_EQ(box->MaxY, 10.0);

    // A quarter arc from east to north of a circle of radius 5 at (20, 0) reaches y = 5 at its
    // north end and x = 25 at its east end; nothing of it lies south or west of its centre.
    doc.AddArc({20, 0, 0}, 5, 0.0, kPi / 2);
    box = doc.ComputeExtents();
    EXPECT_NEAR(box->MaxX, 25.0, kMetres);
    EXPECT_NEAR(box->MinY, 0.0, kMetres);
    // An arc through the south: from 200 to 340 degrees, radius 2 at (0, -20).
    doc.AddArc({0, -20, 0}, 2, 200 * kPi / 180, 340 * kPi / 180);
    box = doc.ComputeExtents();
    EXPECT_NEAR(box->MinY, -22.0, kMetres);
    EXPECT_NEAR(box->MinX, -2 * std::cos(20 * kPi / 180), kMetres);

    doc.AddCircle({0, 40, 0}, 3);
    const std::vector<double> vertices = {-30, 1, -31, 2};
    doc.AddLightWeightPolyline(vertices);
    box = doc.ComputeExtents();
    EXPECT_NEAR(box->MaxY, 43.0, kMetres);
    EXPECT_NEAR(box->MinX, -31.0, kMetres);
}

TEST(CadDocumentExtents, TextOutlineFollowsAlignmentAndRotation) {
    DrawnText text;
    text.Text = "K1"; // two narrow characters
    text.Height = 4;
    text.WidthFactor = 0.5;
    text.Horizontal = HorizontalAlignment::Center;
    text.Vertical = VerticalAlignment::Bottom;
    text.AlignmentPoint = {100, 200, 0};
    text.Rotation = kPi / 2; // reading north
    const auto outline = TextOutline(text);
    // Width 2 * 0.7 * 4 * 0.5 = 2.8 along north, centred on the point; height 4 toward west.
    ExpectNear(outline[0], {100, 198.6, 0}, kMetres);
    ExpectNear(outline[1], {100, 201.4, 0}, kMetres);
    ExpectNear(outline[2], {96, 201.4, 0}, kMetres);
    ExpectNear(outline[3], {96, 198.6, 0}, kMetres);
    // A Chinese character is one height wide.
    DrawnText chinese;
    chinese.Text = "桩";
    chinese.Height = 5;
    const auto square = TextOutline(chinese);
    ExpectNear(square[2], {5, 5, 0}, kMetres);
}

TEST(CadDocumentSession, ClearStartsANewDrawingAndOldHandlesAreRefused) {
    DrawingDocument doc;
    int zooms = 0;
    doc.SetZoomHandler([&] { ++zooms; });
    doc.SetActiveLayer(doc.AddLayer("标注"));
    doc.SetActiveUcs(AddYx(doc));
    doc.AddTextStyle("new_text");
    const auto old = doc.AddPoint({1, 1, 0});
    doc.ZoomExtents();
    EXPECT_EQ(zooms, 1);
    EXPECT_EQ(doc.ZoomRequests(), 1);
    const auto revision = doc.Revision();

    doc.Clear();
    EXPECT_GT(doc.Revision(), revision);
    EXPECT_TRUE(doc.Entities().empty());
    EXPECT_EQ(doc.Layers().size(), 1u);
    EXPECT_EQ(doc.TextStyles().size(), 1u);
    EXPECT_TRUE(doc.UserCoordinateSystems().empty());
    EXPECT_EQ(doc.ActiveLayer(), "0");
    EXPECT_EQ(doc.ActiveUcs(), nullptr);
    EXPECT_EQ(doc.FindEntity(old.Id()), nullptr);
    ExpectRefused(ErrorCode::Output, [&] { old.SetColor(kRed); });
    const auto fresh = doc.AddPoint({2, 2, 0});
    EXPECT_NE(fresh.Id(), old.Id()); // ids are never reused
    EXPECT_EQ(doc.FindEntity(fresh.Id())->Layer, "0");
}

} // namespace
} // namespace tesk::cad
