#include "cad/drawing_document.h"
#include "cad/pile_drawings.h"
#include "cad/stake_out.h"

#include "formats/text_file.h"
#include "geometry/error.h"
#include "geometry/number_text.h"
#include "session/commands.h"
#include "support/error_of.h"
#include "support/vertex_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace tesk::cad {
namespace {

using piles::Pier;
using piles::PileEntry;
using piles::PileTable;

constexpr double kPi = std::numbers::pi;
constexpr double kLayout = 1e-9; // m: positions of the drawings near the picked point
constexpr double kSurvey = 1e-6; // m: survey coordinates of a few 1e6 m

// The picked point of every drawing test; its z must not matter.
constexpr Point kPick{100.0, 200.0, 7.0};

// ---------------------------------------------------------------------------------------------
// Reading the document back

/// Every geometry of kind T in the drawing, in drawing order.
template <typename T> std::vector<T> ShapesOf(const DrawingDocument& doc) {
    std::vector<T> out;
    for (const DrawnEntity& e : doc.Entities()) {
        if (const auto* shape = std::get_if<T>(&e.Shape)) {
            out.push_back(*shape);
        }
    }
    return out;
}

std::vector<DrawnLine> Lines(const DrawingDocument& doc) {
    return ShapesOf<DrawnLine>(doc);
}

std::vector<DrawnCircle> Circles(const DrawingDocument& doc) {
    return ShapesOf<DrawnCircle>(doc);
}

std::vector<DrawnText> Texts(const DrawingDocument& doc) {
    return ShapesOf<DrawnText>(doc);
}

std::vector<Point> Points(const DrawingDocument& doc) {
    std::vector<Point> out;
    for (const DrawnPoint& point : ShapesOf<DrawnPoint>(doc)) {
        out.push_back(point.Position);
    }
    return out;
}

std::vector<DrawnEntity> Polylines(const DrawingDocument& doc) {
    std::vector<DrawnEntity> out;
    for (const DrawnEntity& e : doc.Entities()) {
        if (std::holds_alternative<DrawnPolyline>(e.Shape)) {
            out.push_back(e);
        }
    }
    return out;
}

std::vector<DrawnText> TextsReading(const DrawingDocument& doc, std::string_view s) {
    std::vector<DrawnText> out;
    for (const DrawnText& t : Texts(doc)) {
        if (t.Text == s) {
            out.push_back(t);
        }
    }
    return out;
}

// There is one text reading `s` at (x, y), with the given height and width factor.
void ExpectText(const DrawingDocument& doc, std::string_view s, double x, double y, double height,
                double widthFactor) {
    std::vector<DrawnText> found;
    std::string elsewhere;
    for (const DrawnText& t : TextsReading(doc, s)) {
        if (std::abs(t.Insertion.X - x) <= kLayout && std::abs(t.Insertion.Y - y) <= kLayout) {
            found.push_back(t);
        } else {
            elsewhere +=
                " (" + std::to_string(t.Insertion.X) + ", " + std::to_string(t.Insertion.Y) + ")";
        }
    }
    ASSERT_EQ(found.size(), 1u) << "text \"" << s << "\" at (" << x << ", " << y
                                << "); elsewhere:" << elsewhere;
    const DrawnText& t = found[0];
    EXPECT_EQ(t.Insertion.Z, 0.0) << s;
    EXPECT_EQ(t.Height, height) << s;
    EXPECT_EQ(t.WidthFactor, widthFactor) << s;
}

bool Near(Point a, Point b, double tolerance) {
    return std::abs(a.X - b.X) <= tolerance && std::abs(a.Y - b.Y) <= tolerance &&
           std::abs(a.Z - b.Z) <= tolerance;
}

bool SameSegment(const DrawnLine& line, Point a, Point b) {
    return (Near(line.Start, a, kLayout) && Near(line.End, b, kLayout)) ||
           (Near(line.Start, b, kLayout) && Near(line.End, a, kLayout));
}

// The lines of the drawing are exactly `expected` (as a multiset of segments, either direction).
void ExpectLines(const DrawingDocument& doc, std::vector<DrawnLine> expected) {
    std::vector<DrawnLine> actual = Lines(doc);
    EXPECT_EQ(actual.size(), expected.size());
    for (const DrawnLine& want : expected) {
        const auto it = std::find_if(actual.begin(), actual.end(), [&](const DrawnLine& have) {
            return SameSegment(have, want.Start, want.End);
        });
        if (it == actual.end()) {
            ADD_FAILURE() << "missing line (" << want.Start.X << ", " << want.Start.Y << ") - ("
                          << want.End.X << ", " << want.End.Y << ")";
        } else {
            actual.erase(it);
        }
    }
    for (const DrawnLine& extra : actual) {
        ADD_FAILURE() << "unexpected line (" << extra.Start.X << ", " << extra.Start.Y << ") - ("
                      << extra.End.X << ", " << extra.End.Y << ")";
    }
}

// The circles of radius `radius`, in drawing order.
std::vector<Point> CircleCentres(const DrawingDocument& doc, double radius) {
    std::vector<Point> out;
    for (const DrawnCircle& c : Circles(doc)) {
        if (c.Radius == radius) {
            out.push_back(c.Centre);
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Building pile tables

// A pier whose reference point is the survey point (x, y) on a line of tangent azimuth `az`.
Pier MakePier(std::string stationText, double station, double theta, std::vector<PileEntry> entries,
              int kind = 1, double alpha = 90.0, double x = 1000.0, double y = 2000.0,
              double az = 0.0) {
    Pier pier;
    pier.StationText = std::move(stationText);
    pier.Mileage = station;
    pier.Deflection = theta;
    pier.EntryKind = kind;
    pier.SecondAngle = alpha;
    pier.Entries = std::move(entries);
    pier.Reference = {x, y};
    pier.Azimuth = az;
    return pier;
}

std::vector<PileEntry> Singles(std::initializer_list<double> values) {
    std::vector<PileEntry> out;
    for (const double v : values) {
        out.push_back({v, 0.0});
    }
    return out;
}

// A document whose picks all answer kPick, recording the prompts.
struct PickingDocument {
    PickingDocument() {
        doc.SetPickHandler([this](std::string_view prompt) -> std::optional<Point> {
            prompts.emplace_back(prompt);
            return kPick;
        });
    }
    DrawingDocument doc;
    std::vector<std::string> prompts;
};

// ---------------------------------------------------------------------------------------------
// Coordinate table

TEST(CadPileTable, OnePierWithThreeEntriesIsATable67By40) {
    PickingDocument picking;
    const DrawingDocument& doc = picking.doc;
    PileTable table;
    table.Piers.push_back(MakePier("345.6", 345.6, 90.0, Singles({-5.0, 0.0, 5.0})));
    DrawCoordinateTable(table, picking.doc);

    EXPECT_EQ(picking.prompts, std::vector<std::string>{"输入插入点:"});
    ASSERT_NE(doc.ActiveUcs(), nullptr);
    EXPECT_EQ(doc.ActiveUcs()->Name, "xy");

    // P0 = (100, 200): the table spans x 100..167 and y 200..160.
    ExpectLines(
        doc, {
                 {{113.5, 209, 0}, {153.5, 209, 0}}, // title underlines
                 {{113.5, 208, 0}, {153.5, 208, 0}}, {{100, 200, 0}, {167, 200, 0}}, // top rule
                 {{100, 195, 0}, {167, 195, 0}},                                     // header rules
                 {{100, 190, 0}, {167, 190, 0}},     {{100, 180, 0}, {167, 180, 0}}, // entry rules
                 {{100, 170, 0}, {167, 170, 0}},     {{100, 160, 0}, {167, 160, 0}},
                 {{125, 185, 0}, {130, 185, 0}}, // X/Y splits, item column
                 {{125, 175, 0}, {130, 175, 0}},     {{125, 165, 0}, {130, 165, 0}},
                 {{144.5, 185, 0}, {167, 185, 0}}, // X/Y splits, pier column
                 {{144.5, 175, 0}, {167, 175, 0}},   {{144.5, 165, 0}, {167, 165, 0}},
                 {{100, 200, 0}, {100, 160, 0}},     // left border
                 {{130, 200, 0}, {130, 160, 0}},     // item column border
                 {{167, 200, 0}, {167, 160, 0}},     // right border
                 {{105, 190, 0}, {105, 160, 0}},     // number column
                 {{125, 190, 0}, {125, 160, 0}},     // X/Y labels
                 {{144.5, 190, 0}, {144.5, 160, 0}}, // skew distances
                 {{113, 200, 0}, {117, 195, 0}},     // corner cell
             });

    ExpectText(doc, "桩 位 坐 标 表", 116.5, 210, 7, 0.75);
    ExpectText(doc, "项 目", 103, 195.5, 4, 0.75);
    ExpectText(doc, "墩台号", 118, 195.5, 4, 0.75);
    ExpectText(doc, "对应设计线的桩号", 103, 190.5, 4, 0.75);
    ExpectText(doc, "1", 101.15, 182.5, 5, 0.75);
    ExpectText(doc, "3", 101.15, 162.5, 5, 0.75);
    EXPECT_EQ(TextsReading(doc, "至设计线斜距").size(), 3u);
    EXPECT_EQ(TextsReading(doc, "X").size(), 3u);
    EXPECT_EQ(TextsReading(doc, "Y").size(), 3u);
    const DrawnText firstX = TextsReading(doc, "X")[0];
    EXPECT_NEAR(firstX.Insertion.X, 126.7, kLayout);
    EXPECT_NEAR(firstX.Insertion.Y, 186, kLayout);
    EXPECT_EQ(firstX.Height, 3.2);
    EXPECT_NEAR(TextsReading(doc, "Y")[2].Insertion.Y, 161, kLayout);
    EXPECT_NEAR(TextsReading(doc, "至设计线斜距")[1].Insertion.Y, 173.2, kLayout);

    // Pier number 0 in its circle, the station in kilometre notation.
    ExpectText(doc, "0", 146.5, 196, 3.2, 0.75);
    EXPECT_EQ(Circles(doc).size(), 1u);
    ASSERT_EQ(CircleCentres(doc, 2.0).size(), 1u);
    EXPECT_TRUE(Near(CircleCentres(doc, 2.0)[0], {147.5, 197.5, 0}, kLayout));
    ExpectText(doc, "K0+345.600", 139, 190.8, 3.2, 0.7);

    // Heading north with theta = 90: a skew distance L puts the pile L west of (1000, 2000).
    ExpectText(doc, "-5.0000", 137 - 4.5082, 183.5, 3.2, 0.7);
    ExpectText(doc, "0.0000", 137 - 2.43, 173.5, 3.2, 0.7);
    ExpectText(doc, "5.0000", 137 - 2.43, 163.5, 3.2, 0.7);
    EXPECT_EQ(TextsReading(doc, "1000.0000").size(), 3u);
    ExpectText(doc, "2005.0000", 146, 180.8, 3.2, 0.7);
    ExpectText(doc, "2000.0000", 146, 170.8, 3.2, 0.7);
    ExpectText(doc, "1995.0000", 146, 160.8, 3.2, 0.7);
    const std::vector<DrawnText> xs = TextsReading(doc, "1000.0000");
    EXPECT_NEAR(xs[0].Insertion.Y, 185.8, kLayout);
    EXPECT_NEAR(xs[2].Insertion.Y, 165.8, kLayout);

    // Every text: style "TEST" (named "test" on the text), left-baseline, not rotated.
    ASSERT_EQ(doc.TextStyles().size(), 2u); // "Standard" and the table's
    const TextStyleRecord& style = doc.TextStyles()[1];
    EXPECT_EQ(style.Name, "TEST");
    EXPECT_EQ(style.FontFile, "fsdb_e.shx");
    EXPECT_EQ(style.BigFontFile, "fsdb.shx");
    for (const DrawnText& t : Texts(doc)) {
        EXPECT_EQ(t.Style, "TEST") << t.Text;
        EXPECT_TRUE(t.IsLeftBaseline()) << t.Text;
        EXPECT_EQ(t.Rotation, 0.0) << t.Text;
    }
    EXPECT_EQ(Texts(doc).size(), 1u + 3u + 4u * 3u + 1u + 1u + 3u * 3u);
}

TEST(CadPileTable, TwelvePiersMoveTheCirclesOf10And11Only) {
    PickingDocument picking;
    PileTable table;
    for (int k = 0; k < 12; ++k) {
        table.Piers.push_back(MakePier("1000", 1000.0 + 30 * k, 90.0, Singles({0.0})));
    }
    DrawCoordinateTable(table, picking.doc);
    const DrawingDocument& doc = picking.doc;

    const std::vector<Point> centres = CircleCentres(doc, 2.0);
    ASSERT_EQ(centres.size(), 12u);
    for (int k = 1; k <= 12; ++k) {
        const double pitch = 147.5 + 37.0 * (k - 1);
        const double expected = k <= 10 ? pitch : pitch + 1.0;
        EXPECT_NEAR(centres[k - 1].X, expected, kLayout) << "pier number " << k - 1;
        EXPECT_NEAR(centres[k - 1].Y, 197.5, kLayout);
        // The number itself keeps the pitch.
        const std::vector<DrawnText> number = TextsReading(doc, std::to_string(k - 1));
        ASSERT_FALSE(number.empty());
        const auto inHeader = std::find_if(number.begin(), number.end(),
                                           [](const DrawnText& t) { return t.Insertion.Y > 195; });
        ASSERT_NE(inHeader, number.end());
        EXPECT_NEAR(inHeader->Insertion.X, 146.5 + 37.0 * (k - 1), kLayout);
    }
    // 30 + 12 * 37 = 474 wide: the right border stands at 574, the title is centred on 337.
    const std::vector<DrawnLine> lines = Lines(doc);
    double right = 0;
    for (const DrawnLine& l : lines) {
        right = std::max({right, l.Start.X, l.End.X});
    }
    EXPECT_NEAR(right, 574, kLayout);
    ExpectText(doc, "桩 位 坐 标 表", 100 + 222 - 2, 210, 7, 0.75);
}

TEST(CadPileTable, RowsFollowTheLongestPierAndNumbersFrom10StartFurtherLeft) {
    PickingDocument picking;
    PileTable table;
    table.Piers.push_back(MakePier("100", 100, 90, Singles({1.0}))); // the first is not the longest
    std::vector<PileEntry> eleven;
    for (int j = 1; j <= 11; ++j) {
        eleven.push_back({static_cast<double>(j) + 0.5, 0.0});
    }
    table.Piers.push_back(MakePier("130", 130, 90, eleven));
    DrawCoordinateTable(table, picking.doc);
    const DrawingDocument& doc = picking.doc;

    // 11 entry rows: the table is 120 high.
    double bottom = 200;
    for (const DrawnLine& l : Lines(doc)) {
        bottom = std::min({bottom, l.Start.Y, l.End.Y});
    }
    EXPECT_NEAR(bottom, 80, kLayout);
    EXPECT_EQ(TextsReading(doc, "至设计线斜距").size(), 11u);

    const auto numberInItemColumn = [&](const std::string& s) {
        for (const DrawnText& t : TextsReading(doc, s)) {
            if (t.Height == 5.0) {
                return t.Insertion;
            }
        }
        ADD_FAILURE() << "no entry number " << s;
        return Point{};
    };
    EXPECT_NEAR(numberInItemColumn("9").X, 101.15, kLayout);
    EXPECT_NEAR(numberInItemColumn("9").Y, 200 - 17.5 - 80, kLayout);
    EXPECT_NEAR(numberInItemColumn("10").X, 99.6, kLayout);
    EXPECT_NEAR(numberInItemColumn("10").Y, 200 - 17.5 - 90, kLayout);
    EXPECT_NEAR(numberInItemColumn("11").X, 99.6, kLayout);

    // The short first pier leaves rows 2..11 of its column empty: one skew distance only.
    ExpectText(doc, "1.0000", 137 - 2.43, 183.5, 3.2, 0.7);
    ExpectText(doc, "11.5000", 174 - 4.0276, 183.5 - 100, 3.2, 0.7);
}

TEST(CadPileTable, SkewDistancesStartByTheirLengthAndSign) {
    PickingDocument picking;
    PileTable table;
    table.Piers.push_back(MakePier("100", 100, 90, Singles({-12.5, -10.0, -9.5})));
    table.Piers.push_back(MakePier("200", 200, 90, Singles({0.0, 3.0, 9.99, 10.0})));
    // Values that round across a bound are placed as they are printed.
    table.Piers.push_back(MakePier("300", 300, 90, Singles({9.99996, -0.00001, -9.99996})));
    DrawCoordinateTable(table, picking.doc);
    const DrawingDocument& doc = picking.doc;

    // The middle of the skew-distance part of pier k is x0 + 37k.
    ExpectText(doc, "-12.5000", 137 - 6.1096, 183.5, 3.2, 0.7);
    ExpectText(doc, "-10.0000", 137 - 6.1096, 173.5, 3.2, 0.7);
    ExpectText(doc, "-9.5000", 137 - 4.5082, 163.5, 3.2, 0.7);
    ExpectText(doc, "0.0000", 174 - 2.43, 183.5, 3.2, 0.7);
    ExpectText(doc, "3.0000", 174 - 2.43, 173.5, 3.2, 0.7);
    ExpectText(doc, "9.9900", 174 - 2.43, 163.5, 3.2, 0.7);
    ExpectText(doc, "10.0000", 174 - 4.0276, 153.5, 3.2, 0.7);
    ExpectText(doc, "10.0000", 211 - 4.0276, 183.5, 3.2, 0.7);
    EXPECT_EQ(TextsReading(doc, "0.0000").size(), 2u);
    EXPECT_NEAR(TextsReading(doc, "0.0000")[1].Insertion.X, 211 - 2.43, kLayout);
    ExpectText(doc, "-10.0000", 211 - 6.1096, 163.5, 3.2, 0.7);
}

TEST(CadPileTable, APairWithASecondDistanceLeavesItsSkewCellEmpty) {
    PickingDocument picking;
    PileTable table;
    // Heading north, theta = 90, alpha = 90: L1 goes west, L2 goes north (the forward tangent).
    table.Piers.push_back(MakePier("100", 100, 90, {{-6.0, 1.2}, {6.0, 0.0}}, 2));
    DrawCoordinateTable(table, picking.doc);
    const DrawingDocument& doc = picking.doc;

    EXPECT_TRUE(TextsReading(doc, "-6.0000").empty());
    ExpectText(doc, "6.0000", 137 - 2.43, 173.5, 3.2, 0.7);
    // Both entries still show X and Y.
    ExpectText(doc, "1001.2000", 146, 185.8, 3.2, 0.7);
    ExpectText(doc, "2006.0000", 146, 180.8, 3.2, 0.7);
    ExpectText(doc, "1000.0000", 146, 175.8, 3.2, 0.7);
    ExpectText(doc, "1994.0000", 146, 170.8, 3.2, 0.7);
}

TEST(CadPileTable, StationsAreShownInTheNotationOfTheirSection) {
    PickingDocument picking;
    PileTable table;
    // With chain breaks the text carries the mark and the mileage differs from the written value.
    table.Piers.push_back(MakePier("B1234.5", 1300.25, 90, Singles({0.0})));
    table.Piers.push_back(MakePier("12345.6", 12345.6, 90, Singles({0.0})));
    DrawCoordinateTable(table, picking.doc);
    ExpectText(picking.doc, "K1+234.500", 139, 190.8, 3.2, 0.7);
    ExpectText(picking.doc, "K12+345.600", 176, 190.8, 3.2, 0.7);
}

TEST(CadPileTable, EntryCoordinatesFollowTheSkewedAxis) {
    PickingDocument picking;
    PileTable table;
    // A line heading east (azimuth 90 degrees) through (5000, 7000); theta = 60: the pier axis to
    // the left points 60 - 180 = -120 degrees from the tangent, i.e. azimuth 330 degrees.
    table.Piers.push_back(
        MakePier("100", 100, 60, Singles({10.0, -4.0}), 1, 90, 5000, 7000, kPi / 2));
    DrawCoordinateTable(table, picking.doc);
    const double c330 = std::sqrt(3.0) / 2.0;
    ExpectText(picking.doc, geometry::FormatFixed(5000 + 10 * c330, 4), 146, 185.8, 3.2, 0.7);
    ExpectText(picking.doc, geometry::FormatFixed(7000 - 10 * 0.5, 4), 146, 180.8, 3.2, 0.7);
    ExpectText(picking.doc, geometry::FormatFixed(5000 - 4 * c330, 4), 146, 175.8, 3.2, 0.7);
    ExpectText(picking.doc, geometry::FormatFixed(7000 + 4 * 0.5, 4), 146, 170.8, 3.2, 0.7);
}

TEST(CadPileTable, HeaderAndEntriesAreDrawnRowByRowAcrossThePiers) {
    // The pier numbers with their circles come first, for every pier, then the stations, then
    // the entries pier by pier: skew distance, X, Y.
    PickingDocument picking;
    PileTable table;
    table.Piers.push_back(MakePier("100", 100, 90, Singles({2.0})));
    table.Piers.push_back(MakePier("130", 130, 90, Singles({-3.0})));
    DrawCoordinateTable(table, picking.doc);

    std::vector<std::string> order;
    bool afterItemColumn = false;
    for (const DrawnEntity& e : picking.doc.Entities()) {
        if (const auto* text = std::get_if<DrawnText>(&e.Shape)) {
            afterItemColumn = afterItemColumn || text->Text == "0";
            if (afterItemColumn) {
                order.push_back(text->Text);
            }
        } else if (afterItemColumn && std::holds_alternative<DrawnCircle>(e.Shape)) {
            order.push_back("circle");
        }
    }
    EXPECT_EQ(order, (std::vector<std::string>{"0", "circle", "1", "circle", "K0+100.000",
                                               "K0+130.000", "2.0000", "1000.0000", "1998.0000",
                                               "-3.0000", "1000.0000", "2003.0000"}));
}

TEST(CadPileTable, NoPiersIsRefusedBeforeAnythingIsDrawn) {
    PickingDocument picking;
    EXPECT_THROW(DrawCoordinateTable(PileTable{}, picking.doc), geometry::RuntimeError);
    EXPECT_THROW(DrawPileSketch(PileTable{}, picking.doc), geometry::RuntimeError);
    EXPECT_THROW(DrawPileStakeOut(PileTable{}, picking.doc), geometry::RuntimeError);
    EXPECT_TRUE(picking.doc.Entities().empty());
    EXPECT_TRUE(picking.prompts.empty());
    EXPECT_TRUE(picking.doc.UserCoordinateSystems().empty());
}

// ---------------------------------------------------------------------------------------------
// Pile sketch

TEST(CadPileSketch, OneSquarePierAtTheStartOfAZeroLengthAxis) {
    PickingDocument picking;
    PileTable table;
    table.Piers.push_back(MakePier("500", 500, 90, Singles({-5.0, 0.0, 5.0})));
    DrawPileSketch(table, picking.doc);
    const DrawingDocument& doc = picking.doc;

    EXPECT_EQ(picking.prompts, std::vector<std::string>{"输入插入点:"});
    ASSERT_NE(doc.ActiveUcs(), nullptr);
    EXPECT_EQ(doc.ActiveUcs()->Name, "xy");

    // Title 10 above the highest skew distance (5), 11.75 left of the middle of the axis.
    ExpectText(doc, "桩 位 示 意 图", 88.25, 215, 5, 0.7);
    ExpectLines(doc, {
                         {{100, 200, 0}, {100, 200, 0}}, // the axis, of length 0
                         {{88.25 - 2.2624, 214.2, 0}, {113.25, 214.2, 0}},
                         {{88.25 - 2.2624, 213.8, 0}, {113.25, 213.8, 0}},
                     });

    // Piles on the pier axis square to the line: left (positive) up.
    const std::vector<Point> piles = CircleCentres(doc, 0.6);
    ASSERT_EQ(piles.size(), 3u);
    EXPECT_TRUE(Near(piles[0], {100, 195, 0}, kLayout));
    EXPECT_TRUE(Near(piles[1], {100, 200, 0}, kLayout));
    EXPECT_TRUE(Near(piles[2], {100, 205, 0}, kLayout));
    ExpectText(doc, "1", 101, 194.3, 1.5, 0.7);
    ExpectText(doc, "2", 101, 199.3, 1.5, 0.7);
    ExpectText(doc, "3", 101, 204.3, 1.5, 0.7);

    // The pier number 7 beyond the rightmost pile (5 right of the line).
    ExpectText(doc, "0", 99, 188, 2, 0.7);
    const std::vector<Point> pier = CircleCentres(doc, 1.5);
    ASSERT_EQ(pier.size(), 1u);
    EXPECT_TRUE(Near(pier[0], {99.5, 188.8, 0}, kLayout));

    for (const DrawnText& t : Texts(doc)) {
        EXPECT_EQ(t.Style, "TEST") << t.Text;
        EXPECT_EQ(t.WidthFactor, 0.7) << t.Text;
        EXPECT_TRUE(t.IsLeftBaseline()) << t.Text;
    }
}

TEST(CadPileSketch, PilesLieAsTheyDoOnALineHeadingEast) {
    // On a line heading east the sketch frame (x forward, y left) is the drawing's own frame,
    // so every pile of the sketch must sit where its survey point lies relative to the pier's
    // reference point.
    PickingDocument picking;
    PileTable table;
    const std::vector<PileEntry> pairs = {{-6.0, 1.2}, {-6.0, -1.2}, {6.0, 1.2}, {6.5, -2.5}};
    table.Piers.push_back(MakePier("1000", 1000, 75, pairs, 2, 60, 0, 0, kPi / 2));
    table.Piers.push_back(MakePier("1040", 1040, 110, pairs, 2, 90, 0, 0, kPi / 2));
    table.Piers.push_back(MakePier("1090", 1090, 90, Singles({-8.0, 3.0}), 1, 90, 0, 0, kPi / 2));
    DrawPileSketch(table, picking.doc);

    const std::vector<Point> piles = CircleCentres(picking.doc, 0.6);
    ASSERT_EQ(piles.size(), 10u);
    std::size_t i = 0;
    for (const Pier& pier : table.Piers) {
        const double xk = 100 + pier.Mileage - 1000;
        for (const PileEntry& entry : pier.Entries) {
            const Point survey = DrawingPoint(piles::EntryPoint(pier, entry));
            EXPECT_NEAR(piles[i].X, xk + survey.X, kLayout) << "pile " << i;
            EXPECT_NEAR(piles[i].Y, 200 + survey.Y, kLayout) << "pile " << i;
            ++i;
        }
    }

    // The axis runs from the first to the last pier; the title stands over its middle, 10 above
    // the farthest left pile (6.5).
    ExpectText(picking.doc, "桩 位 示 意 图", 100 + 45 - 11.75, 200 + 10 + 6.5, 5, 0.7);
    EXPECT_FALSE(Lines(picking.doc).empty());
    EXPECT_TRUE(SameSegment(Lines(picking.doc)[0], {100, 200, 0}, {190, 200, 0}));

    // Each pier number lies on its pier axis, 8 + 7 = 15 right of the line.
    const std::vector<Point> numbers = CircleCentres(picking.doc, 1.5);
    ASSERT_EQ(numbers.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        const Pier& pier = table.Piers[k];
        const Point onAxis = DrawingPoint(piles::EntryPoint(pier, {-15.0, 0.0}));
        const double xk = 100 + pier.Mileage - 1000;
        EXPECT_NEAR(numbers[k].X, xk + onAxis.X - 1 + 0.5, kLayout) << "pier " << k;
        EXPECT_NEAR(numbers[k].Y, 200 + onAxis.Y + 0.8, kLayout) << "pier " << k;
    }
}

TEST(CadPileSketch, TwoDigitPierNumbersMoveTheirCircleAndNoLeftPileKeepsTheTitleLow) {
    PickingDocument picking;
    PileTable table;
    for (int k = 0; k < 12; ++k) {
        table.Piers.push_back(MakePier("x", 2000.0 + 25 * k, 90, Singles({-2.0, 0.0})));
    }
    DrawPileSketch(table, picking.doc);

    ExpectText(picking.doc, "桩 位 示 意 图", 100 + 137.5 - 11.75, 210, 5, 0.7);
    const std::vector<Point> numbers = CircleCentres(picking.doc, 1.5);
    ASSERT_EQ(numbers.size(), 12u);
    for (int k = 0; k < 12; ++k) {
        const double textX = 100 + 25.0 * k - 1; // theta = 90: straight below the crossing
        EXPECT_NEAR(numbers[k].X, textX + (k >= 10 ? 1.0 : 0.5), kLayout) << "pier " << k;
        EXPECT_NEAR(numbers[k].Y, 200 - 9 + 0.8, kLayout) << "pier " << k;
    }
    const std::vector<DrawnText> ten = TextsReading(picking.doc, "10");
    ASSERT_EQ(ten.size(), 1u);
    EXPECT_NEAR(ten[0].Insertion.X, 100 + 250 - 1, kLayout);
    EXPECT_EQ(ten[0].Height, 2.0);
}

// ---------------------------------------------------------------------------------------------
// Stake-out of a pile table

TEST(CadStakeOut, OnePointPerEntryAtItsSurveyPointWithYxLeftCurrent) {
    DrawingDocument doc;
    PileTable table;
    // Heading north through (1000, 2000), theta = 90: closed-form piles.
    table.Piers.push_back(MakePier("100", 100, 90, Singles({-5.0, 5.0})));
    // A skewed pier with pairs on an oblique line.
    table.Piers.push_back(MakePier("200", 200, 75, {{-6, 1.2}, {6, -1.2}, {0, 2}}, 2, 60,
                                   3452123.25, 502345.75, 0.7));
    DrawPileStakeOut(table, doc);

    const std::vector<Point> points = Points(doc);
    ASSERT_EQ(points.size(), 5u);
    EXPECT_TRUE(Near(points[0], {2005, 1000, 0}, kSurvey));
    EXPECT_TRUE(Near(points[1], {1995, 1000, 0}, kSurvey));
    const Pier& skewed = table.Piers[1];
    for (int j = 0; j < 3; ++j) {
        const geometry::PlanePoint pile = piles::EntryPoint(skewed, skewed.Entries[j]);
        EXPECT_NEAR(points[2 + j].X, pile.Y, kSurvey) << j;
        EXPECT_NEAR(points[2 + j].Y, pile.X, kSurvey) << j;
        EXPECT_EQ(points[2 + j].Z, 0.0);
    }
    // The skewed pier's first two piles lie symmetric about its reference point; the pier axis
    // and the second direction meet at 180 - alpha = 120 degrees (law of cosines).
    EXPECT_NEAR(std::hypot(points[2].X - points[3].X, points[2].Y - points[3].Y),
                2 * std::sqrt(36 + 1.44 - 2 * 6 * 1.2 * std::cos(kPi * 120 / 180)), kSurvey);

    ASSERT_NE(doc.ActiveUcs(), nullptr);
    EXPECT_EQ(doc.ActiveUcs()->Name, "yx");
    ASSERT_EQ(doc.UserCoordinateSystems().size(), 2u);
    EXPECT_EQ(doc.UserCoordinateSystems()[0].Name, "yx");
    EXPECT_TRUE(doc.UserCoordinateSystems()[0].ZDown);
    EXPECT_EQ(doc.UserCoordinateSystems()[1].Name, "xy");
}

// ---------------------------------------------------------------------------------------------
// Single-station stake-out: the skew distances of the field, the points and their polyline

// The point of the stake-out at skew distance d on a line heading north through (1000, 2000)
// at mileage `station`, the pier axis turned theta degrees from the tangent.
geometry::PlanePoint NorthLinePoint(double station, double theta, double d) {
    return piles::OffsetPoint({1000.0 + station, 2000.0, 0.0}, theta, d);
}

std::vector<geometry::PlanePoint> StakeOutPoints(double station, double theta,
                                                 std::string_view skewField) {
    std::vector<geometry::PlanePoint> points;
    for (const double d : SkewDistances(skewField)) {
        points.push_back(NorthLinePoint(station, theta, d));
    }
    return points;
}

TEST(CadStakeOutPoints, DistancesLeftAndRightJoinedByAMagentaPolyline) {
    DrawingDocument doc;
    DrawStakeOutPoints(StakeOutPoints(500, 90, "   3     -3  "), true, doc);
    const std::vector<Point> points = Points(doc);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_TRUE(Near(points[0], {1997, 1500, 0}, kSurvey)) << "3 m left = west";
    EXPECT_TRUE(Near(points[1], {2003, 1500, 0}, kSurvey));

    // The polyline is given under "yx": its world vertices must still be the points.
    const std::vector<DrawnEntity> polylines = Polylines(doc);
    ASSERT_EQ(polylines.size(), 1u);
    EXPECT_EQ(polylines[0].Color, kMagenta);
    const auto& vertices = std::get<DrawnPolyline>(polylines[0].Shape).Vertices;
    ASSERT_EQ(vertices.size(), 2u);
    EXPECT_TRUE(Near(vertices[0], points[0], kSurvey));
    EXPECT_TRUE(Near(vertices[1], points[1], kSurvey));

    ASSERT_NE(doc.ActiveUcs(), nullptr);
    EXPECT_EQ(doc.ActiveUcs()->Name, "xy");
    ASSERT_EQ(doc.UserCoordinateSystems().size(), 2u);
    EXPECT_EQ(doc.UserCoordinateSystems()[0].Name, "yx");
    EXPECT_TRUE(doc.UserCoordinateSystems()[0].ZDown);
}

TEST(CadStakeOutPoints, SkewedAngleAndThePolylineThroughEveryPoint) {
    // theta = 60 at station 250: the piles lie on the azimuth 240 degrees from (1250, 2000).
    DrawingDocument doc;
    DrawStakeOutPoints(StakeOutPoints(250, 60, "4 -2 10"), true, doc);
    const std::vector<Point> points = Points(doc);
    ASSERT_EQ(points.size(), 3u);
    const double r3 = std::sqrt(3.0);
    EXPECT_TRUE(Near(points[0], {2000 - 2 * r3, 1250 - 2, 0}, kSurvey));
    EXPECT_TRUE(Near(points[1], {2000 + r3, 1250 + 1, 0}, kSurvey));
    EXPECT_TRUE(Near(points[2], {2000 - 5 * r3, 1250 - 5, 0}, kSurvey));
    const std::vector<DrawnEntity> polylines = Polylines(doc);
    ASSERT_EQ(polylines.size(), 1u);
    const auto& vertices = std::get<DrawnPolyline>(polylines[0].Shape).Vertices;
    ASSERT_EQ(vertices.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(Near(vertices[i], points[i], kSurvey)) << i;
    }
}

TEST(CadStakeOutPoints, APolylineOnlyThroughTwoOrMorePointsAndWhenAskedFor) {
    struct Case {
        const char* Skew;
        bool Join;
        std::size_t Points, Polylines;
    };
    const Case cases[] = {
        {"", true, 1, 0},
        {"5", true, 1, 0},
        {"5 6", false, 2, 0},
        {"5 6", true, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "\"" << c.Skew << "\", join " << c.Join);
        DrawingDocument doc;
        DrawStakeOutPoints(StakeOutPoints(100, 90, c.Skew), c.Join, doc);
        EXPECT_EQ(Points(doc).size(), c.Points);
        EXPECT_EQ(Polylines(doc).size(), c.Polylines);
    }
    DrawingDocument doc;
    DrawStakeOutPoints(StakeOutPoints(100, 90, ""), true, doc);
    EXPECT_TRUE(Near(Points(doc).at(0), {2000, 1100, 0}, kSurvey)) << "an empty field is 0";
}

TEST(CadStakeOutPoints, SkewDistancesAreNumbersAsAWholeAndAtMost50) {
    std::string fifty;
    for (int i = 0; i < 50; ++i) {
        fifty += std::to_string(i) + " ";
    }
    struct Case {
        std::string Field;
        std::vector<double> Distances; // empty: refused
    };
    const std::vector<Case> cases = {
        {"", {0.0}},
        {"   ", {0.0}},
        {"   3     -3  ", {3.0, -3.0}},
        {"-2.5 1e1", {-2.5, 10.0}},
        {"3 4m", {}},
        {"3 x", {}},
        {fifty + "50", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("\"" + c.Field + "\"");
        if (c.Distances.empty()) {
            tesk::testing::ErrorOf([&] { SkewDistances(c.Field); });
        } else {
            EXPECT_EQ(SkewDistances(c.Field), c.Distances);
        }
    }
    const std::vector<double> all = SkewDistances(fifty);
    ASSERT_EQ(all.size(), 50u);
    EXPECT_EQ(all.back(), 49.0);
    DrawingDocument doc;
    DrawStakeOutPoints(StakeOutPoints(500, 90, fifty), true, doc);
    EXPECT_EQ(Points(doc).size(), 50u);
}

// ---------------------------------------------------------------------------------------------
// Pile files read onto a line, then drawn

class PileFiles : public ::testing::Test {
protected:
    void SetUp() override {
        doc.SetPickHandler([this](std::string_view prompt) -> std::optional<Point> {
            picks.emplace_back(prompt);
            if (cancelPick) {
                return std::nullopt;
            }
            return kPick;
        });
    }

    // The pile table of `content` read on `on`; a refusal fails the test.
    static PileTable Read(const session::LoadedLine& on, formats::TextFile file) {
        auto result = session::ReadPileTable(on, file);
        if (const auto* refusal = std::get_if<session::Refusal>(&result)) {
            ADD_FAILURE() << "refused: " << refusal->Message;
            return {};
        }
        return std::get<PileTable>(std::move(result));
    }
    PileTable Read(const std::string& content) const {
        return Read(line, formats::TextFile(content));
    }

    // Due north from (1000, 2000), stations 0 .. 1000.
    session::LoadedLine line = [] {
        session::LoadedLine north;
        north.Jd = std::make_shared<const jd::JdAlignment>(
            tesk::testing::JdInputOf(0.0, {{"QD", 1000.0, 2000.0}, {"ZD", 2000.0, 2000.0}}));
        return north;
    }();
    DrawingDocument doc;
    std::vector<std::string> picks;
    bool cancelPick = false;
};

TEST_F(PileFiles, CoordinateTablePicksThroughTheDocument) {
    DrawCoordinateTable(Read("500 90 3\n-5\n0\n5\n"), doc);
    EXPECT_EQ(picks, std::vector<std::string>{"输入插入点:"});
    ExpectText(doc, "K0+500.000", 139, 190.8, 3.2, 0.7);
    ExpectText(doc, "2005.0000", 146, 180.8, 3.2, 0.7);
    EXPECT_EQ(TextsReading(doc, "1500.0000").size(), 3u);
}

TEST_F(PileFiles, ACancelledPickEndsTheDrawingBeforeAnyEntity) {
    cancelPick = true;
    const PileTable table = Read("500 90 3\n-5\n0\n5\n");
    tesk::testing::ErrorOf([&] { DrawCoordinateTable(table, doc); },
                           geometry::ErrorCode::Cancelled);
    tesk::testing::ErrorOf([&] { DrawPileSketch(table, doc); }, geometry::ErrorCode::Cancelled);
    EXPECT_EQ(picks.size(), 2u);
    EXPECT_TRUE(doc.Entities().empty());
}

TEST_F(PileFiles, SketchAndStakeOutFromAFile) {
    const PileTable table = Read("500 90 3\n-5\n0\n5\n530+2 90 1\n-1\n");
    DrawPileSketch(table, doc);
    EXPECT_EQ(CircleCentres(doc, 0.6).size(), 4u);
    EXPECT_TRUE(Near(CircleCentres(doc, 0.6)[3], {130, 199, 0}, kLayout))
        << "the sketch places a pier at its station, not moved by the offset";

    doc.Clear();
    DrawPileStakeOut(table, doc);
    const std::vector<Point> points = Points(doc);
    ASSERT_EQ(points.size(), 4u);
    EXPECT_TRUE(Near(points[0], {2005, 1500, 0}, kSurvey));
    EXPECT_TRUE(Near(points[3], {2001, 1532, 0}, kSurvey)) << "the offset moves the pier 2 m on";
    EXPECT_EQ(picks.size(), 1u) << "the stake-out asks for no point";
}

TEST_F(PileFiles, AFileWithoutPiersDrawsNothing) {
    // The data end at the blank line where the first header is due.
    for (const std::string content : {"\n345.6 90 1\n0\n", "\n", ""}) {
        SCOPED_TRACE(::testing::Message() << "\"" << content << "\"");
        const PileTable table = Read(content);
        EXPECT_TRUE(table.Piers.empty());
        tesk::testing::ErrorOf([&] { DrawCoordinateTable(table, doc); });
        tesk::testing::ErrorOf([&] { DrawPileSketch(table, doc); });
        tesk::testing::ErrorOf([&] { DrawPileStakeOut(table, doc); });
    }
    EXPECT_TRUE(picks.empty());
    EXPECT_TRUE(doc.Entities().empty());
    EXPECT_TRUE(doc.UserCoordinateSystems().empty());
}

TEST_F(PileFiles, TheSampleBridgeOnTheSampleMainLine) {
    const std::string root = TESK_SOURCE_DIR;
    session::LoadedLine mainLine = session::LoadJdLine(root + "/samples/main_line.jdx");
    session::LoadChainBreaks(mainLine, root + "/samples/main_line.dl");
    const PileTable table = Read(mainLine, formats::OpenTextFile(root + "/samples/bridge.zw"));

    DrawCoordinateTable(table, doc);
    // Twelve piers, the longest with four entries: 30 + 12 * 37 = 474 by 50.
    ExpectText(doc, "K15+060.000", 139, 190.8, 3.2, 0.7);
    EXPECT_EQ(CircleCentres(doc, 2.0).size(), 12u);
    EXPECT_EQ(TextsReading(doc, "至设计线斜距").size(), 4u);

    DrawPileStakeOut(table, doc);
    const std::vector<Point> points = Points(doc);
    ASSERT_EQ(points.size(), 31u);
    const auto distance = [&](std::size_t a, std::size_t b) {
        return std::hypot(points[a].X - points[b].X, points[a].Y - points[b].Y);
    };
    // The first pier: two piles 12.5 m apart, either side of the line.
    EXPECT_NEAR(distance(0, 1), 12.5, kSurvey);
    // The ninth pier (theta = 100): four single piles 6.5 m apart on one straight axis.
    const std::size_t ninth = 2 + 2 + 4 + 4 + 3 + 2 + 2 + 2;
    EXPECT_NEAR(distance(ninth, ninth + 1), 6.5, kSurvey);
    EXPECT_NEAR(distance(ninth + 1, ninth + 2), 6.5, kSurvey);
    EXPECT_NEAR(distance(ninth, ninth + 3), 19.5, kSurvey);
}

TEST(PolarSetupDrawing, LinesRunFromTheStationEastFirstAndTheBacksightIsLabelled) {
    DrawingDocument doc;
    const geometry::PlanePoint station{3453200.0, 504700.0}; // X north, Y east
    const geometry::PlanePoint backsight{3453300.0, 504800.0};
    DrawPolarSetup(station, backsight, {{3453215.5, 504717.25}, {3453190.0, 504650.0}}, doc);
    const std::vector<DrawnLine> lines = Lines(doc);
    ASSERT_EQ(lines.size(), 3u); // one per point, then the backsight
    for (const DrawnLine& line : lines) {
        EXPECT_EQ(line.Start.X, 504700.0); // drawings take east as x
        EXPECT_EQ(line.Start.Y, 3453200.0);
    }
    EXPECT_EQ(lines[0].End.X, 504717.25);
    EXPECT_EQ(lines[0].End.Y, 3453215.5);
    EXPECT_EQ(lines[1].End.X, 504650.0);
    EXPECT_EQ(lines[2].End.X, 504800.0);
    EXPECT_EQ(lines[2].End.Y, 3453300.0);
    ASSERT_EQ(Circles(doc).size(), 1u);
    EXPECT_EQ(Circles(doc)[0].Centre.X, 504700.0);
    ASSERT_EQ(Texts(doc).size(), 2u);
    EXPECT_EQ(Texts(doc)[0].Text, "测站");
    EXPECT_EQ(Texts(doc)[1].Text, "后视");
    EXPECT_GT(Texts(doc)[1].Insertion.Y, 3453300.0);
}

} // namespace
} // namespace tesk::cad
