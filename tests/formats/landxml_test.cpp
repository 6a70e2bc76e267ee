// LandXML: small files written here, read back and compared with the same line built from an
// element file; warnings, refusals, equations and profiles; the round trip of the sample lines.

#include "alignment/element/element_alignment.h"
#include "alignment/jd/jd_alignment.h"
#include "formats/landxml.h"
#include "formats/profile_file.h"
#include "formats/readers.h"
#include "geometry/angles.h"
#include "geometry/number_text.h"
#include "support/error_of.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace tesk::formats {
namespace {

using element::ElementAlignment;
using element::ElementRow;
using element::kInfiniteRadius;
using geometry::FormatFixed;
using geometry::FormatShortest;
using geometry::kPi;

constexpr const char* kLandXmlNamespace = "http://www.landxml.org/schema/LandXML-1.2";

// A line of every element kind, turning right then left.
ElementAlignment EveryKind() {
    const std::vector<ElementRow> rows = {{kInfiniteRadius, kInfiniteRadius, 100.0},
                                          {kInfiniteRadius, 600.0, 80.0},
                                          {600.0, 600.0, 150.0},
                                          {600.0, 300.0, 40.0},
                                          {300.0, 300.0, 50.0},
                                          {300.0, kInfiniteRadius, 60.0},
                                          {kInfiniteRadius, kInfiniteRadius, 100.0},
                                          {kInfiniteRadius, -400.0, 50.0},
                                          {-400.0, -400.0, 80.0},
                                          {-400.0, kInfiniteRadius, 50.0},
                                          {kInfiniteRadius, kInfiniteRadius, 50.0}};
    return ElementAlignment({12000.0, 3452650.0, 502930.0, 58.1234, rows});
}

// How a test file writes its numbers and directions.
struct Style {
    int Decimals = -1;            ///< decimals of coordinates, -1 = every digit
    bool Points = true;           ///< End, Center, PI besides Start
    std::string Unit = "radians"; ///< directionUnit (and angularUnit)
    bool FromEast = false;        ///< dir counter-clockwise from east
    std::string Namespace = kLandXmlNamespace;
};

std::string Coordinate(double v, const Style& s) {
    return s.Decimals < 0 ? FormatShortest(v) : FormatFixed(v, s.Decimals);
}

std::string PointText(geometry::PlanePoint p, const Style& s) {
    return Coordinate(p.X, s) + " " + Coordinate(p.Y, s);
}

// An azimuth (rad, clockwise from north) as a direction attribute in the style's unit.
std::string Direction(double azimuth, const Style& s) {
    double a = s.FromEast ? kPi / 2.0 - azimuth : azimuth;
    a = geometry::NormaliseAzimuth(a);
    if (s.Unit == "radians") {
        return FormatShortest(a);
    }
    if (s.Unit == "grads") {
        return FormatShortest(a * 200.0 / kPi);
    }
    const double degrees = a * 180.0 / kPi;
    if (s.Unit == "decimal degrees") {
        return FormatShortest(degrees);
    }
    // d.mmss with the seconds to 1e-7.
    const long long tenMicro = std::llround(degrees * 3600.0 * 1e7);
    const long long d = tenMicro / (3600LL * 10000000LL);
    const long long m = tenMicro / (60LL * 10000000LL) % 60;
    const double sec = static_cast<double>(tenMicro % (60LL * 10000000LL)) / 1e7;
    char text[64];
    std::snprintf(text, sizeof text, "%lld.%02lld%s", d, m,
                  FormatFixed(sec / 100.0, 9).substr(2).c_str());
    return text;
}

std::string Radius(double r) {
    return r == kInfiniteRadius ? "INF" : FormatShortest(std::fabs(r));
}

std::string Head(const Style& s) {
    return "<?xml version=\"1.0\"?>\n<LandXML xmlns=\"" + s.Namespace +
           "\" version=\"1.2\">\n<Units><Metric linearUnit=\"meter\" angularUnit=\"" + s.Unit +
           "\" directionUnit=\"" + s.Unit + "\"/></Units>\n";
}

// The element line as a LandXML alignment named `name`; `extra` goes after the CoordGeom.
std::string AlignmentXml(const ElementAlignment& e, const Style& s, const std::string& name,
                         const std::string& extra = {}) {
    std::ostringstream x;
    x << "<Alignment name=\"" << name << "\" staStart=\"" << FormatShortest(e.Line().Start())
      << "\">\n<CoordGeom>\n";
    const auto& els = e.Elements();
    for (std::size_t i = 0; i < els.size(); ++i) {
        const element::Element& el = els[i];
        const geometry::PlanePoint end = i + 1 < els.size() ? els[i + 1].Start : e.End();
        const std::string sta = FormatShortest(el.StartMileage);
        const std::string len = FormatShortest(el.Length);
        const std::string dir = Direction(el.StartAzimuth, s);
        const std::string start = "<Start>" + PointText(el.Start, s) + "</Start>";
        const std::string endText = s.Points ? "<End>" + PointText(end, s) + "</End>" : "";
        switch (el.Kind) {
        case element::ElementKind::Straight:
            x << "<Line staStart=\"" << sta << "\" length=\"" << len << "\" dir=\"" << dir << "\">"
              << start << endText << "</Line>\n";
            break;
        case element::ElementKind::Arc: {
            const geometry::PlanePoint centre =
                geometry::PlaceOffset(el.Start, el.StartAzimuth, 0.0, el.StartRadius);
            x << "<Curve rot=\"" << (el.StartRadius > 0 ? "cw" : "ccw") << "\" staStart=\"" << sta
              << "\" length=\"" << len << "\" radius=\"" << Radius(el.StartRadius)
              << "\" dirStart=\"" << dir << "\">" << start;
            if (s.Points) {
                x << "<Center>" << PointText(centre, s) << "</Center>" << endText;
            }
            x << "</Curve>\n";
            break;
        }
        default: {
            const double r = el.StartRadius != kInfiniteRadius ? el.StartRadius : el.EndRadius;
            x << "<Spiral spiType=\"clothoid\" rot=\"" << (r > 0 ? "cw" : "ccw") << "\" staStart=\""
              << sta << "\" length=\"" << len << "\" radiusStart=\"" << Radius(el.StartRadius)
              << "\" radiusEnd=\"" << Radius(el.EndRadius) << "\" dirStart=\"" << dir << "\">"
              << start << endText << "</Spiral>\n";
            break;
        }
        }
    }
    x << "</CoordGeom>\n" << extra << "</Alignment>\n";
    return x.str();
}

std::string FileXml(const ElementAlignment& e, const Style& s, const std::string& extra = {}) {
    return Head(s) + "<Alignments>\n" + AlignmentXml(e, s, "CL", extra) +
           "</Alignments>\n</LandXML>\n";
}

void ExpectSameLine(const alignment::Alignment& a, const alignment::Alignment& b,
                    double tolerance) {
    EXPECT_NEAR(a.Start(), b.Start(), 1e-9);
    EXPECT_NEAR(a.End(), b.End(), 1e-9);
    for (double m = a.Start(); m <= a.End(); m += (a.End() - a.Start()) / 1999.0) {
        const geometry::StationPoint p = a.PointAt(m);
        const geometry::StationPoint q = b.PointAt(m);
        ASSERT_NEAR(p.X, q.X, tolerance) << m;
        ASSERT_NEAR(p.Y, q.Y, tolerance) << m;
    }
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) {
        s += l + "\n";
    }
    return s;
}

TEST(LandXml, ElementLinesReadBackAsTheElementFileBuildsThem) {
    const ElementAlignment e = EveryKind();
    struct Row {
        Style S;
        double Tolerance; ///< m, along the line
    };
    const std::vector<Row> rows = {
        // Every digit, directions from the points, dir attributes cross-checked in each unit
        // and both ways of measuring them.
        {{-1, true, "radians", false}, 1e-9},
        {{-1, true, "decimal degrees", false}, 1e-9},
        {{-1, true, "grads", true}, 1e-9},
        {{-1, true, "decimal dd.mm.ss", true}, 1e-9},
        // Directions from the dir attributes alone, in each unit.
        {{-1, false, "radians", false}, 1e-9},
        {{-1, false, "decimal degrees", false}, 1e-9},
        {{-1, false, "grads", false}, 1e-9},
        {{-1, false, "decimal dd.mm.ss", false}, 1e-9},
        // Coordinates to 0.1 mm as design software prints them: no warning from rounding.
        {{4, true, "decimal degrees", false}, 2e-4},
        {{4, true, "radians", true}, 2e-4},
        // A national variant under its own namespace.
        {{-1, true, "grads", false, "http://www.inframodel.fi/inframodel"}, 1e-9},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.S.Unit + (r.S.Points ? " points" : " dir only") +
                     (r.S.FromEast ? " from east" : "") + " decimals " +
                     std::to_string(r.S.Decimals) + " " + r.S.Namespace);
        const LandXmlAlignment a = ReadLandXmlText(FileXml(e, r.S));
        EXPECT_TRUE(a.Warnings.empty()) << Joined(a.Warnings);
        EXPECT_EQ(a.Name, "CL");
        EXPECT_EQ(a.Units.Direction, r.S.Unit);
        EXPECT_EQ(a.DirectionsFromEast, r.S.FromEast);
        ASSERT_EQ(a.Line->Elements().size(), e.Elements().size());
        // The file's own start points, to their printed precision.
        const double printed = r.S.Decimals < 0 ? 1e-9 : 0.5 * std::pow(10.0, -r.S.Decimals);
        for (std::size_t i = 0; i < e.Elements().size(); ++i) {
            const geometry::PlanePoint p = a.Line->Elements()[i].Given.Start;
            EXPECT_NEAR(p.X, e.Elements()[i].Start.X, printed + 1e-9) << i;
            EXPECT_NEAR(p.Y, e.Elements()[i].Start.Y, printed + 1e-9) << i;
            EXPECT_EQ(a.Line->Elements()[i].Kind, e.Elements()[i].Kind) << i;
        }
        ExpectSameLine(e.Line(), a.Line->Line(), r.Tolerance);
        EXPECT_TRUE(a.Breaks.empty());
        EXPECT_EQ(a.Profile, nullptr);
    }
}

TEST(LandXml, GapsAndDisagreementsAreWarningsNamingTheElements) {
    const ElementAlignment e = EveryKind();
    const Style exact;
    const std::string good = FileXml(e, exact);
    struct Row {
        std::string From, To; // a text of the good file and what it becomes
        std::vector<std::string> Expected;
    };
    const auto& els = e.Elements();
    const auto startText = [&](std::size_t i, double dy) {
        return "<Start>" + PointText({els[i].Start.X, els[i].Start.Y + dy}, exact) + "</Start>";
    };
    const std::string arcDir = "dirStart=\"" + Direction(els[2].StartAzimuth, exact) + "\"";
    const std::vector<Row> rows = {
        // 5 mm beside the end of the spiral before: a gap (and the spiral's End point too).
        {startText(2, 0.0),
         startText(2, 0.005),
         {"a gap of 5.0 mm between Spiral 2 (line ", ") and Curve 3 (line "}},
        // 0.4 mm: rounding, silent.
        {startText(2, 0.0), startText(2, 0.0004), {}},
        // A dir attribute 10″ off the points.
        {arcDir,
         "dirStart=\"" + Direction(els[2].StartAzimuth + 10.0 / 206264.80624709636, exact) + "\"",
         {"Curve 3 (line ", "its direction attribute differs by 10.0″"}},
        // An element staStart that the lengths before it do not give.
        {"staStart=\"" + FormatShortest(els[3].StartMileage) + "\"",
         "staStart=\"" + FormatShortest(els[3].StartMileage + 0.5) + "\"",
         {"Spiral 4 (line ", "staStart"}},
    };
    for (const Row& r : rows) {
        std::string text = good;
        const std::size_t at = text.find(r.From);
        ASSERT_NE(at, std::string::npos) << r.From;
        text.replace(at, r.From.size(), r.To);
        const LandXmlAlignment a = ReadLandXmlText(text);
        const std::string warnings = Joined(a.Warnings);
        if (r.Expected.empty()) {
            EXPECT_TRUE(a.Warnings.empty()) << warnings;
        }
        for (const std::string& w : r.Expected) {
            EXPECT_NE(warnings.find(w), std::string::npos) << w << " in\n" << warnings;
        }
    }
    // A kink: directions only, one 10″ off the end of the element before.
    Style dirOnly;
    dirOnly.Points = false;
    std::string text = FileXml(e, dirOnly);
    const std::string lineDir = "dir=\"" + Direction(els[6].StartAzimuth, dirOnly) + "\"";
    text.replace(text.find(lineDir), lineDir.size(),
                 "dir=\"" + Direction(els[6].StartAzimuth - 1e-4, dirOnly) + "\"");
    const std::string warnings = Joined(ReadLandXmlText(text).Warnings);
    EXPECT_NE(warnings.find("a change of direction of 20.6″ between Spiral 6 (line "),
              std::string::npos)
        << warnings;
}

// A hand-written file: an alignment named `name` with `body` inside it.
std::string Small(const std::string& body, const std::string& name = "A1",
                  const std::string& units = "angularUnit=\"radians\" directionUnit=\"radians\"") {
    return "<?xml version=\"1.0\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\">"
           "\n<Units><Metric linearUnit=\"meter\" " +
           units + "/></Units>\n<Alignments>\n<Alignment name=\"" + name +
           "\" staStart=\"1000\">\n" + body + "</Alignment>\n</Alignments>\n</LandXML>\n";
}

const std::string kLine = "<Line length=\"100\"><Start>0 0</Start><End>100 0</End></Line>\n";

TEST(LandXml, RefusalsNameTheFileAndTheElement) {
    struct Row {
        std::string Text;
        std::vector<std::string> Expected;
    };
    const std::string geom = "<CoordGeom>\n" + kLine;
    const std::vector<Row> rows = {
        {Small(geom +
               "<Spiral spiType=\"cubicParabola\" rot=\"cw\" length=\"50\" radiusStart=\"INF\" "
               "radiusEnd=\"300\"><Start>100 0</Start></Spiral>\n</CoordGeom>\n"),
         {"t.xml: ", "Spiral 2 (line 8)", "cubicParabola", "only clothoid"}},
        {Small(geom + "<IrregularLine><Start>100 0</Start></IrregularLine>\n</CoordGeom>\n"),
         {"IrregularLine 2 (line 8)", "not read"}},
        {Small(geom + "<Chain>P1 P2</Chain>\n</CoordGeom>\n"), {"Chain 2 (line 8)"}},
        {Small("<Profile/>\n"), {"alignment \"A1\" (line 5) has no CoordGeom"}},
        {Small("<CoordGeom></CoordGeom>\n"), {"holds no element"}},
        {"<LandXML><Alignments>", {"t.xml: not an XML file", "line 1"}},
        {"<?xml version=\"1.0\"?>\n<kml/>", {"not a LandXML file", "<kml>"}},
        {"<LandXML/>", {"holds no alignment"}},
        {Small(geom + "</CoordGeom>\n", "A1", "angularUnit=\"mils\""),
         {"the angular unit \"mils\" is not known"}},
        {Small("<CoordGeom>\n<Curve length=\"10\" radius=\"100\"><Start>0 0</Start>"
               "<End>10 0</End></Curve>\n</CoordGeom>\n"),
         {"Curve 1 (line 7) has no rot"}},
        {Small("<CoordGeom>\n<Spiral spiType=\"clothoid\" rot=\"cw\" length=\"10\" "
               "radiusStart=\"0\" radiusEnd=\"100\"><Start>0 0</Start></Spiral>\n</CoordGeom>\n"),
         {"Spiral 1 (line 7)", "radiusStart=\"0\"", "written INF"}},
        {Small("<CoordGeom>\n<Line length=\"10\"><Start>0 zero</Start></Line>\n</CoordGeom>\n"),
         {"Line 1 (line 7)", "\"zero\", not a number"}},
        // Values beyond any survey, bounded as in every other input file.
        {Small("<CoordGeom>\n<Line length=\"10\"><Start>3456777077 0</Start></Line>\n"
               "</CoordGeom>\n"),
         {"Line 1 (line 7)", "3456777077, outside -100000000..100000000 m"}},
        {Small("<CoordGeom>\n<Line length=\"1e12\"><Start>0 0</Start></Line>\n</CoordGeom>\n"),
         {"Line 1 (line 7)", "length=1000000000000 is outside"}},
        {Small("<CoordGeom>\n<Spiral spiType=\"clothoid\" rot=\"cw\" length=\"10\" "
               "radiusStart=\"1e-300\" radiusEnd=\"100\"><Start>0 0</Start></Spiral>\n"
               "</CoordGeom>\n"),
         {"Spiral 1 (line 7)", "radiusStart=\"1e-300\"", "at least 0.000001 m"}},
        {Small("<CoordGeom>\n<Line length=\"10\"><Start>5</Start></Line>\n</CoordGeom>\n"),
         {"Line 1 (line 7)", "northing easting"}},
        {Small("<CoordGeom>\n<Line length=\"10\"><Start>0 0</Start></Line>\n</CoordGeom>\n"),
         {"Line 1 (line 7): neither its points nor a direction attribute"}},
        {Small(geom + "</CoordGeom>\n<StaEquation staBack=\"1050\" staAhead=\"1060\" "
                      "staInternal=\"1040\"/>\n"),
         {"StaEquation 1 (line 9)", "staInternal=1040", "1050.0000"}},
    };
    for (const Row& r : rows) {
        const std::string message = testing::ErrorOf([&] { ReadLandXmlText(r.Text, "", "t.xml"); });
        for (const std::string& e : r.Expected) {
            EXPECT_NE(message.find(e), std::string::npos) << e << " in " << message;
        }
    }
    // Twenty equations: one more than the chain breaks of a line.
    std::string equations;
    for (int k = 0; k < 20; ++k) {
        equations += "<StaEquation staBack=\"" + std::to_string(1001 + k) + "\" staAhead=\"" +
                     std::to_string(1001 + k) + "\"/>\n";
    }
    EXPECT_NE(testing::ErrorOf([&] {
                  ReadLandXmlText(Small(geom + "</CoordGeom>\n" + equations));
              }).find("20 station equations"),
              std::string::npos);
}

TEST(LandXml, AlignmentsAreChosenByName) {
    const ElementAlignment e = EveryKind();
    const Style s;
    const std::string fixed = Head(s) + "<Alignments>" + AlignmentXml(e, s, "Ramp A") +
                              "</Alignments><Alignments><Alignment name=\"B\" staStart=\"1000\">"
                              "<CoordGeom>" +
                              kLine + "</CoordGeom></Alignment></Alignments></LandXML>";
    const LandXmlAlignment first = ReadLandXmlText(fixed);
    EXPECT_EQ(first.Name, "Ramp A");
    EXPECT_EQ(first.AlignmentNames, (std::vector<std::string>{"Ramp A", "B"}));
    const LandXmlAlignment b = ReadLandXmlText(fixed, "B");
    EXPECT_EQ(b.Name, "B");
    EXPECT_NEAR(b.Line->Line().Start(), 1000.0, 0.0);
    EXPECT_NEAR(b.Line->Line().PointAt(1050.0).X, 50.0, 1e-12);
    const std::string message = testing::ErrorOf([&] { ReadLandXmlText(fixed, "C", "f.xml"); });
    EXPECT_NE(message.find("no alignment named \"C\"; it holds \"Ramp A\", \"B\""),
              std::string::npos)
        << message;
}

TEST(LandXml, EquationsAndProfile) {
    // The equations listed out of order; the profile with each kind of vertical curve.
    const std::string body =
        "<CoordGeom>\n<Line length=\"2000\"><Start>0 0</Start><End>2000 0</End></Line>\n"
        "</CoordGeom>\n"
        "<StaEquation staBack=\"2500\" staAhead=\"2400\" staInternal=\"2400\"/>\n"
        "<StaEquation staBack=\"1200\" staAhead=\"1300\" staInternal=\"1200\"/>\n"
        "<Profile name=\"P\"><ProfAlign name=\"design\">\n"
        "<PVI>1000 100</PVI>\n"
        "<ParaCurve length=\"300\">1500 110</ParaCurve>\n" // +2 % to -1 %: R = 10000
        "<UnsymParaCurve lengthIn=\"100\" lengthOut=\"200\">2000 105</UnsymParaCurve>\n"
        "<CircCurve length=\"1\" radius=\"8000\">2600 96</CircCurve>\n"
        "<PVI>3000 100</PVI>\n"
        "</ProfAlign></Profile>\n";
    const LandXmlAlignment a = ReadLandXmlText(Small(body));
    ASSERT_EQ(a.Breaks.size(), 2u);
    EXPECT_EQ(a.Breaks[0].Back, 1200.0);
    EXPECT_EQ(a.Breaks[0].Ahead, 1300.0);
    EXPECT_EQ(a.Breaks[1].Back, 2500.0);
    EXPECT_EQ(a.Breaks[1].Ahead, 2400.0);
    ASSERT_NE(a.Profile, nullptr);
    const auto& points = a.Profile->Points();
    ASSERT_EQ(points.size(), 5u);
    EXPECT_NEAR(points[1].Radius, 10000.0, 1e-9);
    EXPECT_EQ(points[1].Shape, profile::CurveShape::Parabola);
    EXPECT_EQ(points[2].Shape, profile::CurveShape::UnsymmetricParabola);
    EXPECT_EQ(points[2].LengthIn, 100.0);
    EXPECT_EQ(points[2].LengthOut, 200.0);
    EXPECT_EQ(points[3].Shape, profile::CurveShape::Circle);
    EXPECT_EQ(points[3].Radius, 8000.0);
    // 150 m before the parabola's grade point: its start, on the +2 % grade.
    EXPECT_NEAR(*a.Profile->ElevationAt(1350.0), 107.0, 1e-12);
    EXPECT_NEAR(*a.Profile->ElevationAt(1500.0), 110.0 - 300.0 * 300.0 / (8.0 * 10000.0), 1e-12);
    EXPECT_TRUE(a.Warnings.empty()) << Joined(a.Warnings);
}

// The sample lines: JD with chain breaks and profile, and an element line.
struct Sample {
    alignment::Alignment Line;
    std::vector<stationing::ChainBreak> Breaks;
    std::shared_ptr<const profile::Profile> Profile;
};

std::filesystem::path Samples() {
    return std::filesystem::path(TESK_SOURCE_DIR) / "samples";
}

Sample MainLine() {
    Sample s;
    const jd::JdAlignment jd(ReadJdFile((Samples() / "main_line.jdx").string()));
    s.Line = jd.Line();
    s.Breaks = ReadChainBreakFile((Samples() / "main_line.dl").string());
    const stationing::Stationing st(s.Breaks, s.Line.Start(), s.Line.End());
    std::vector<profile::GradePoint> points;
    for (const StationRow& row : ReadProfileFile((Samples() / "main_line.sqx").string())) {
        const stationing::MarkedStation marked = st.MarkStation(row.Station);
        EXPECT_TRUE(marked.Accepted()) << row.Station;
        points.push_back(
            {row.Station, st.StationTextToMileage(marked.Text), row.First, row.Second});
    }
    // One grade point of each other curve, so all three kinds go through the file.
    points[1].Shape = profile::CurveShape::Circle;
    if (points.size() > 3) {
        points[2].Shape = profile::CurveShape::UnsymmetricParabola;
        points[2].LengthIn = 40.0;
        points[2].LengthOut = 60.0;
    }
    s.Profile = std::make_shared<const profile::Profile>(std::move(points));
    return s;
}

TEST(LandXml, RoundTripOfTheSampleLines) {
    const ElementAlignment ramp(ReadElementFile((Samples() / "ramp.jdx").string()));
    std::vector<Sample> samples = {MainLine(), {ramp.Line(), {}, nullptr}};
    const std::filesystem::path out =
        std::filesystem::temp_directory_path() / ("tesk_landxml_" + std::to_string(::getpid()));
    std::filesystem::create_directories(out);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const Sample& s = samples[i];
        const std::filesystem::path file = out / ("line" + std::to_string(i) + ".xml");
        WriteLandXml(file, s.Line, s.Breaks, s.Profile.get(), "Line " + std::to_string(i));
        const LandXmlAlignment a = ReadLandXml(file.string());
        EXPECT_TRUE(a.Warnings.empty()) << Joined(a.Warnings);
        EXPECT_EQ(a.Name, "Line " + std::to_string(i));
        ExpectSameLine(s.Line, a.Line->Line(), 1e-9);
        // Also the extensions past the ends.
        for (const double m : {s.Line.Start() - 10.0, s.Line.End() + 10.0}) {
            EXPECT_NEAR(s.Line.PointAt(m).X, a.Line->Line().PointAt(m).X, 1e-9);
            EXPECT_NEAR(s.Line.PointAt(m).Y, a.Line->Line().PointAt(m).Y, 1e-9);
        }
        ASSERT_EQ(a.Breaks.size(), s.Breaks.size());
        for (std::size_t k = 0; k < s.Breaks.size(); ++k) {
            EXPECT_EQ(a.Breaks[k].Back, s.Breaks[k].Back);
            EXPECT_EQ(a.Breaks[k].Ahead, s.Breaks[k].Ahead);
        }
        ASSERT_EQ(a.Profile != nullptr, s.Profile != nullptr);
        if (s.Profile) {
            for (double m = s.Profile->Start(); m <= s.Profile->End(); m += 0.7) {
                ASSERT_NEAR(*a.Profile->ElevationAt(m), *s.Profile->ElevationAt(m), 1e-9) << m;
            }
            for (std::size_t k = 0; k < s.Profile->Points().size(); ++k) {
                EXPECT_EQ(a.Profile->Points()[k].Shape, s.Profile->Points()[k].Shape);
            }
        }
        // Well-formed, when xmllint is there to say so.
        if (std::system("command -v xmllint >/dev/null 2>&1") == 0) {
            EXPECT_EQ(std::system(("xmllint --noout '" + file.string() + "'").c_str()), 0);
        }
    }
    std::filesystem::remove_all(out);
}

TEST(LandXml, FilesThatCannotBeReadAreRefusedWithTheirPath) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tesk_landxml_big_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path big = dir / "big.xml";
    { std::ofstream(big) << "<LandXML/>"; }
    std::filesystem::resize_file(big, kMaxLandXmlBytes + 1);
    const std::string message =
        testing::ErrorOf([&] { ReadLandXml(big.string()); }, geometry::ErrorCode::FileAccess);
    EXPECT_NE(message.find("big.xml"), std::string::npos) << message;
    EXPECT_NE(message.find("32 MiB"), std::string::npos) << message;
    testing::ErrorOf([&] { ReadLandXml((dir / "missing.xml").string()); },
                     geometry::ErrorCode::FileAccess);
    testing::ErrorOf([&] { ReadLandXml(""); }, geometry::ErrorCode::EmptyPath);
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace tesk::formats
