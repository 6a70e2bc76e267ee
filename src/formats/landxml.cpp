#include "formats/landxml.h"

#include "formats/output_file.h"
#include "formats/text_file.h"
#include "geometry/angles.h"
#include "geometry/error.h"
#include "geometry/number_text.h"

#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <sstream>
#include <system_error>
#include <utility>

namespace tesk::formats {

using geometry::ErrorCode;
using geometry::FormatFixed;
using geometry::FormatShortest;
using geometry::PlanePoint;
using geometry::RuntimeError;

namespace {

constexpr double kGapPosition = 0.001;                             // m
constexpr double kGapDirection = geometry::kPi / (180.0 * 3600.0); // 1″, rad

// ---------------------------------------------------------------- reading helpers

std::string_view LocalName(const pugi::xml_node& node) {
    const std::string_view name = node.name();
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node Child(const pugi::xml_node& node, std::string_view local) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && LocalName(c) == local) {
            return c;
        }
    }
    return {};
}

std::vector<pugi::xml_node> Children(const pugi::xml_node& node, std::string_view local) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && LocalName(c) == local) {
            out.push_back(c);
        }
    }
    return out;
}

// Attributes too are matched by local name (a prefixed attribute of a national variant).
pugi::xml_attribute Attribute(const pugi::xml_node& node, std::string_view local) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        std::string_view name = a.name();
        const std::size_t colon = name.rfind(':');
        if (colon != std::string_view::npos) {
            name = name.substr(colon + 1);
        }
        if (name == local) {
            return a;
        }
    }
    return {};
}

// A point as written and how finely it is written.
struct FilePoint {
    PlanePoint P;
    double Precision = 0.0; ///< half a unit of the last printed digit, the larger of the two, m
};

double HalfLastDigit(std::string_view field) {
    const std::size_t e = field.find_first_of("eE");
    const std::string_view mantissa = field.substr(0, e);
    const std::size_t dot = mantissa.find('.');
    const int decimals =
        dot == std::string_view::npos ? 0 : static_cast<int>(mantissa.size() - dot - 1);
    return 0.5 * std::pow(10.0, -decimals);
}

class Reader {
public:
    Reader(std::string_view bytes, std::string where) : m_bytes(bytes), m_where(std::move(where)) {}

    [[noreturn]] void Fail(const std::string& what, ErrorCode code = ErrorCode::Format) const {
        throw RuntimeError(code, m_where + ": " + what);
    }

    int LineOf(const pugi::xml_node& node) const {
        const std::ptrdiff_t offset = node.offset_debug();
        if (offset < 0 || static_cast<std::size_t>(offset) > m_bytes.size()) {
            return 0;
        }
        // The newlines before the offset, by a search in their positions (found once).
        if (m_newlines.empty()) {
            for (std::size_t i = 0; i < m_bytes.size(); ++i) {
                if (m_bytes[i] == '\n') {
                    m_newlines.push_back(i);
                }
            }
            m_newlines.push_back(m_bytes.size());
        }
        const auto before = std::lower_bound(m_newlines.begin(), m_newlines.end(),
                                             static_cast<std::size_t>(offset));
        return 1 + static_cast<int>(before - m_newlines.begin());
    }

    std::string Named(const pugi::xml_node& node, std::size_t index) const {
        std::string s(LocalName(node));
        if (index > 0) {
            s += " " + std::to_string(index);
        }
        const int line = LineOf(node);
        if (line > 0) {
            s += " (line " + std::to_string(line) + ")";
        }
        return s;
    }

    std::optional<double> Number(const pugi::xml_node& node, std::string_view attribute,
                                 const std::string& name) const {
        const pugi::xml_attribute a = Attribute(node, attribute);
        if (!a) {
            return std::nullopt;
        }
        const std::optional<double> v = geometry::ParseNumber(geometry::Trim(a.value()));
        if (!v || !std::isfinite(*v)) {
            Fail(name + ": " + std::string(attribute) + "=" + geometry::QuoteForMessage(a.value()) +
                 " is not a number");
        }
        // The same bounds as every other input file: a value beyond any survey is a slip.
        const double bound = attribute.starts_with("sta") ? kMaxStation
                             : attribute.starts_with("length") || attribute.starts_with("radius")
                                 ? kMaxLength
                                 : std::numeric_limits<double>::infinity();
        if (std::fabs(*v) > bound) {
            Fail(name + ": " + std::string(attribute) + "=" + geometry::NumberForMessage(*v) +
                 " is outside -" + geometry::FormatShortest(bound) + ".." +
                 geometry::FormatShortest(bound) + " m");
        }
        return v;
    }

    double Required(const pugi::xml_node& node, std::string_view attribute,
                    const std::string& name) const {
        const std::optional<double> v = Number(node, attribute, name);
        if (!v) {
            Fail(name + " has no " + std::string(attribute));
        }
        return *v;
    }

    // A radius attribute: a positive number, or INF for an infinite radius (curvature 0).
    std::optional<double> Curvature(const pugi::xml_node& node, std::string_view attribute,
                                    const std::string& name) const {
        const pugi::xml_attribute a = Attribute(node, attribute);
        if (!a) {
            return std::nullopt;
        }
        std::string text(geometry::Trim(a.value()));
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (text == "INF" || text == "INFINITY" || text == "+INF") {
            return 0.0;
        }
        const std::optional<double> r = Number(node, attribute, name);
        if (!(*r >= kMinLength)) {
            Fail(name + ": " + std::string(attribute) + "=" + geometry::QuoteForMessage(a.value()) +
                 " is not a positive radius of at least " + geometry::FormatShortest(kMinLength) +
                 " m (an infinite radius is written INF)");
        }
        return 1.0 / *r;
    }

    double Angle(double value, const std::string& unit, const std::string& name) const {
        if (unit == "radians") {
            return value;
        }
        if (unit == "decimal degrees") {
            return geometry::DegreesToRadians(value);
        }
        if (unit == "grads") {
            return value * geometry::kPi / 200.0;
        }
        if (unit == "decimal dd.mm.ss") {
            return geometry::DegreesToRadians(geometry::DmsToDegrees(value));
        }
        Fail(name + ": the angular unit \"" + unit + "\" is not known");
    }

    // "north east [z]", or a reference to a CgPoint by pntRef.
    std::optional<FilePoint> Point(const pugi::xml_node& element, std::string_view which,
                                   const std::string& name) const {
        const pugi::xml_node node = Child(element, which);
        if (!node) {
            return std::nullopt;
        }
        std::string text = node.child_value();
        if (geometry::Trim(text).empty()) {
            const pugi::xml_attribute ref = Attribute(node, "pntRef");
            if (ref) {
                const auto it = m_cgPoints.find(ref.value());
                if (it == m_cgPoints.end()) {
                    Fail(name + ": its " + std::string(which) + " refers to the point \"" +
                         ref.value() + "\", which the file does not hold");
                }
                text = it->second;
            }
        }
        std::istringstream in(text);
        std::vector<std::string> fields{std::istream_iterator<std::string>(in),
                                        std::istream_iterator<std::string>()};
        if (fields.size() < 2 || fields.size() > 3) {
            Fail(name + ": its " + std::string(which) + " " +
                 geometry::QuoteForMessage(geometry::Trim(text)) +
                 " is not \"northing easting [elevation]\"");
        }
        FilePoint p;
        double* coordinate[2] = {&p.P.X, &p.P.Y};
        for (int i = 0; i < 2; ++i) {
            const std::optional<double> v = geometry::ParseNumber(fields[i]);
            if (!v || !std::isfinite(*v)) {
                Fail(name + ": its " + std::string(which) + " holds " +
                     geometry::QuoteForMessage(fields[i]) + ", not a number");
            }
            if (std::fabs(*v) > kMaxCoordinate) {
                Fail(name + ": its " + std::string(which) + " holds " +
                     geometry::NumberForMessage(*v) + ", outside -" +
                     geometry::FormatShortest(kMaxCoordinate) + ".." +
                     geometry::FormatShortest(kMaxCoordinate) + " m");
            }
            *coordinate[i] = *v;
            p.Precision = std::max(p.Precision, HalfLastDigit(fields[i]));
        }
        return p;
    }

    void SetCgPoints(const pugi::xml_node& root) {
        for (const pugi::xpath_node& x : root.select_nodes(".//*[local-name()='CgPoint']")) {
            const pugi::xml_node n = x.node();
            const pugi::xml_attribute a = Attribute(n, "name");
            if (a) {
                m_cgPoints.emplace(a.value(), n.child_value());
            }
        }
    }

    const std::string& Where() const { return m_where; }

private:
    std::string_view m_bytes;
    std::string m_where;
    std::map<std::string, std::string, std::less<>> m_cgPoints;
    mutable std::vector<std::size_t> m_newlines;
};

// One CoordGeom element as read.
struct Raw {
    std::string Name;
    std::string_view Kind;
    FilePoint Start;
    std::optional<FilePoint> End, Center, Pi;
    double Length = 0.0;
    double K0 = 0.0, K1 = 0.0;
    std::optional<double> Dir; // as written, converted to radians, not yet oriented
    std::optional<double> StaStart;
    // The start direction from the element's own points, and how far it can be trusted.
    std::optional<double> PointDirection;
    double DirectionTolerance = 0.0; // rad: what the printed digits of the points allow
};

std::string Seconds(double radians) {
    return FormatFixed(std::fabs(radians) * 180.0 * 3600.0 / geometry::kPi, 1) + "″";
}

std::string Millimetres(double metres) {
    return FormatFixed(metres * 1000.0, 1) + " mm";
}

// The start direction an element's own points give.
void DirectionFromPoints(Raw& r) {
    const placed::LocalEnd local = placed::ElementLocalEnd(r.Length, r.K0, r.K1);
    if (r.Kind == "Curve" && r.Center) {
        const double radius = geometry::Distance(r.Start.P, r.Center->P);
        if (radius > 0.0) {
            const double radial = geometry::PointAzimuth(r.Start.P, r.Center->P);
            r.PointDirection = radial + (r.K0 > 0.0 ? -geometry::kPi / 2.0 : geometry::kPi / 2.0);
            r.DirectionTolerance = (r.Start.Precision + r.Center->Precision) / radius;
            return;
        }
    }
    const double chordLength = std::hypot(local.Chord.U, local.Chord.V);
    if (r.End && chordLength > 0.0) {
        const double d = geometry::Distance(r.Start.P, r.End->P);
        if (d > 0.0) {
            r.PointDirection = geometry::PointAzimuth(r.Start.P, r.End->P) -
                               std::atan2(local.Chord.V, local.Chord.U);
            r.DirectionTolerance = (r.Start.Precision + r.End->Precision) / d;
            return;
        }
    }
    if (r.Pi && std::fabs(local.Turn) < geometry::kPi) {
        const double d = geometry::Distance(r.Start.P, r.Pi->P);
        if (d > 0.0) {
            r.PointDirection = geometry::PointAzimuth(r.Start.P, r.Pi->P);
            r.DirectionTolerance = (r.Start.Precision + r.Pi->Precision) / d;
        }
    }
}

Raw ReadElement(const Reader& in, const pugi::xml_node& node, std::size_t index,
                const LandXmlUnits& units, std::vector<std::string>& warnings) {
    Raw r;
    r.Kind = LocalName(node);
    r.Name = in.Named(node, index);
    const std::optional<FilePoint> start = in.Point(node, "Start", r.Name);
    if (!start) {
        in.Fail(r.Name + " has no Start point");
    }
    r.Start = *start;
    r.End = in.Point(node, "End", r.Name);
    r.Center = in.Point(node, "Center", r.Name);
    r.Pi = in.Point(node, "PI", r.Name);
    r.StaStart = in.Number(node, "staStart", r.Name);
    const char* dirAttribute = r.Kind == "Line" ? "dir" : "dirStart";
    if (const std::optional<double> dir = in.Number(node, dirAttribute, r.Name)) {
        r.Dir = in.Angle(*dir, units.Direction, r.Name);
    }
    const auto rotation = [&]() {
        const pugi::xml_attribute rot = Attribute(node, "rot");
        const std::string value = rot ? rot.value() : "";
        if (value == "cw") {
            return 1.0;
        }
        if (value == "ccw") {
            return -1.0;
        }
        in.Fail(r.Name + (rot ? " has rot=\"" + value + "\", neither cw nor ccw" : " has no rot"));
    };
    if (r.Kind == "Line") {
        const std::optional<double> length = in.Number(node, "length", r.Name);
        if (!r.End && !length) {
            in.Fail(r.Name + " has neither an End point nor a length");
        }
        const double between = r.End ? geometry::Distance(r.Start.P, r.End->P) : 0.0;
        r.Length = length ? *length : between;
        if (length && r.End &&
            std::fabs(*length - between) >
                std::max(kGapPosition, r.Start.Precision + r.End->Precision)) {
            warnings.push_back(r.Name + ": its length " + FormatShortest(*length) +
                               " differs from the distance " + FormatFixed(between, 4) +
                               " between its Start and End points");
        }
    } else if (r.Kind == "Curve") {
        const double sign = rotation();
        std::optional<double> k = in.Curvature(node, "radius", r.Name);
        if (k && *k == 0.0) {
            in.Fail(r.Name + " has an infinite radius");
        }
        if (!k && r.Center) {
            const double radius = geometry::Distance(r.Start.P, r.Center->P);
            if (radius > 0.0) {
                k = 1.0 / radius;
            }
        }
        if (!k) {
            in.Fail(r.Name + " has neither a radius nor a Center point");
        }
        r.K0 = r.K1 = sign * *k;
        const std::optional<double> length = in.Number(node, "length", r.Name);
        if (length) {
            r.Length = *length;
        } else if (const std::optional<double> delta = in.Number(node, "delta", r.Name)) {
            r.Length = std::fabs(in.Angle(*delta, units.Angular, r.Name)) / *k;
        } else {
            in.Fail(r.Name + " has neither a length nor a delta");
        }
        if (r.Center) {
            const double radius = geometry::Distance(r.Start.P, r.Center->P);
            if (std::fabs(radius - 1.0 / *k) >
                std::max(kGapPosition, r.Start.Precision + r.Center->Precision)) {
                warnings.push_back(r.Name + ": its Center lies " + FormatFixed(radius, 4) +
                                   " from its Start, its radius is " + FormatShortest(1.0 / *k));
            }
        }
    } else { // Spiral
        const pugi::xml_attribute type = Attribute(node, "spiType");
        if (!type) {
            warnings.push_back(r.Name + " does not name its spiral type: read as a clothoid");
        } else if (std::string_view(type.value()) != "clothoid") {
            in.Fail(r.Name + " is a spiral of type \"" + type.value() +
                    "\"; only clothoid spirals are read");
        }
        const double sign = rotation();
        const std::optional<double> k0 = in.Curvature(node, "radiusStart", r.Name);
        const std::optional<double> k1 = in.Curvature(node, "radiusEnd", r.Name);
        if (!k0 || !k1) {
            in.Fail(r.Name + " needs both radiusStart and radiusEnd (a number or INF)");
        }
        r.K0 = sign * *k0;
        r.K1 = sign * *k1;
        r.Length = in.Required(node, "length", r.Name);
    }
    if (!(r.Length >= 0.0)) {
        in.Fail(r.Name + " has a negative length " + FormatShortest(r.Length));
    }
    DirectionFromPoints(r);
    return r;
}

std::vector<stationing::ChainBreak> ReadBreaks(const Reader& in, const pugi::xml_node& alignment,
                                               double startMileage, double endMileage) {
    struct Equation {
        stationing::ChainBreak Break;
        std::optional<double> Internal;
        std::string Name;
    };
    std::vector<Equation> equations;
    std::size_t index = 0;
    for (const pugi::xml_node& node : Children(alignment, "StaEquation")) {
        Equation e;
        e.Name = in.Named(node, ++index);
        e.Break.Back = in.Required(node, "staBack", e.Name);
        e.Break.Ahead = in.Required(node, "staAhead", e.Name);
        e.Internal = in.Number(node, "staInternal", e.Name);
        equations.push_back(std::move(e));
    }
    if (equations.size() > static_cast<std::size_t>(stationing::kMaxBreaks)) {
        in.Fail("the alignment has " + std::to_string(equations.size()) +
                " station equations; at most " + std::to_string(stationing::kMaxBreaks) +
                " chain breaks are read");
    }
    if (std::all_of(equations.begin(), equations.end(),
                    [](const Equation& e) { return e.Internal.has_value(); })) {
        std::stable_sort(
            equations.begin(), equations.end(),
            [](const Equation& a, const Equation& b) { return *a.Internal < *b.Internal; });
    }
    std::vector<stationing::ChainBreak> breaks;
    // Where the written stations put each break: section 1 runs from the start mileage with
    // written = mileage, each next section from the ahead station of the break before.
    double mileage = 0.0;
    for (std::size_t k = 0; k < equations.size(); ++k) {
        const Equation& e = equations[k];
        mileage = k == 0 ? e.Break.Back : mileage + (e.Break.Back - equations[k - 1].Break.Ahead);
        if (e.Internal && std::fabs(*e.Internal - mileage) > kGapPosition) {
            in.Fail(e.Name + ": staInternal=" + FormatShortest(*e.Internal) +
                    " disagrees with the mileage " + FormatFixed(mileage, 4) +
                    " its staBack and the equations before it give");
        }
        breaks.push_back(e.Break);
    }
    try {
        const stationing::Stationing check(breaks, startMileage, endMileage);
        (void)check;
    } catch (const RuntimeError& error) {
        in.Fail(std::string("station equations: ") + error.what(), error.Code());
    }
    return breaks;
}

std::shared_ptr<const profile::Profile>
ReadProfile(const Reader& in, const pugi::xml_node& alignment, std::vector<std::string>& warnings) {
    std::vector<pugi::xml_node> profAligns;
    for (const pugi::xml_node& p : Children(alignment, "Profile")) {
        for (const pugi::xml_node& a : Children(p, "ProfAlign")) {
            profAligns.push_back(a);
        }
    }
    if (profAligns.empty()) {
        return nullptr;
    }
    const pugi::xml_node chosen = profAligns.front();
    if (profAligns.size() > 1) {
        warnings.push_back("the alignment has " + std::to_string(profAligns.size()) +
                           " design profiles (ProfAlign); the first, \"" +
                           std::string(Attribute(chosen, "name").value()) + "\", is read");
    }
    struct Row {
        profile::GradePoint Point;
        std::string_view Kind;
        double Length = 0.0;
        std::string Name;
    };
    std::vector<Row> rows;
    std::size_t index = 0;
    for (pugi::xml_node n = chosen.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_element) {
            continue;
        }
        const std::string_view kind = LocalName(n);
        if (kind == "Feature") {
            continue;
        }
        Row row;
        row.Kind = kind;
        row.Name = in.Named(n, ++index);
        if (kind != "PVI" && kind != "ParaCurve" && kind != "UnsymParaCurve" &&
            kind != "CircCurve") {
            in.Fail(row.Name + ": this profile element is not read (PVI, ParaCurve, "
                               "UnsymParaCurve and CircCurve are)");
        }
        std::istringstream text(n.child_value());
        std::vector<std::string> fields{std::istream_iterator<std::string>(text),
                                        std::istream_iterator<std::string>()};
        std::optional<double> station, elevation;
        if (fields.size() == 2) {
            station = geometry::ParseNumber(fields[0]);
            elevation = geometry::ParseNumber(fields[1]);
        }
        if (!station || !elevation || !std::isfinite(*station) || !std::isfinite(*elevation) ||
            std::fabs(*station) > kMaxStation || std::fabs(*elevation) > kMaxLength) {
            in.Fail(row.Name + ": " + geometry::QuoteForMessage(geometry::Trim(n.child_value())) +
                    " is not \"station elevation\" within the bounds of a survey");
        }
        row.Point.Name = row.Name;
        row.Point.Mileage = *station;
        row.Point.Elevation = *elevation;
        if (kind == "ParaCurve") {
            row.Length = in.Required(n, "length", row.Name);
        } else if (kind == "UnsymParaCurve") {
            row.Point.Shape = profile::CurveShape::UnsymmetricParabola;
            row.Point.LengthIn = in.Required(n, "lengthIn", row.Name);
            row.Point.LengthOut = in.Required(n, "lengthOut", row.Name);
        } else if (kind == "CircCurve") {
            row.Point.Shape = profile::CurveShape::Circle;
            row.Point.Radius = in.Required(n, "radius", row.Name);
        }
        if (row.Length < 0.0) {
            in.Fail(row.Name + " has a negative length");
        }
        rows.push_back(std::move(row));
    }
    // A parabola's radius from its length and the change of grade at its point.
    for (std::size_t k = 0; k < rows.size(); ++k) {
        if (rows[k].Kind != "ParaCurve" || rows[k].Length == 0.0) {
            continue;
        }
        if (k == 0 || k + 1 == rows.size()) {
            in.Fail(rows[k].Name + ": the first and the last grade point cannot carry a curve");
        }
        const profile::GradePoint& a = rows[k - 1].Point;
        const profile::GradePoint& p = rows[k].Point;
        const profile::GradePoint& b = rows[k + 1].Point;
        if (!(p.Mileage > a.Mileage && b.Mileage > p.Mileage)) {
            in.Fail(rows[k].Name + " is out of station order");
        }
        const double omega = (b.Elevation - p.Elevation) / (b.Mileage - p.Mileage) -
                             (p.Elevation - a.Elevation) / (p.Mileage - a.Mileage);
        if (omega == 0.0) {
            warnings.push_back(rows[k].Name + ": a vertical curve between equal grades is "
                                              "no curve at all; read as a plain grade point");
            continue;
        }
        rows[k].Point.Radius = rows[k].Length / std::fabs(omega);
    }
    std::vector<profile::GradePoint> points;
    for (Row& row : rows) {
        points.push_back(std::move(row.Point));
    }
    try {
        return std::make_shared<const profile::Profile>(std::move(points));
    } catch (const RuntimeError& error) {
        in.Fail(std::string("profile \"") + Attribute(chosen, "name").value() +
                    "\": " + error.what(),
                error.Code());
    }
}

LandXmlUnits ReadUnits(const Reader& in, const pugi::xml_node& root,
                       std::vector<std::string>& warnings) {
    LandXmlUnits units;
    const pugi::xml_node node = Child(root, "Units");
    pugi::xml_node system = node ? Child(node, "Metric") : pugi::xml_node();
    if (!system && node) {
        system = Child(node, "Imperial");
    }
    if (!system) {
        warnings.push_back("the file declares no units: metres and radians are assumed");
        return units;
    }
    units.System = std::string(LocalName(system));
    units.Linear = Attribute(system, "linearUnit").value();
    if (units.Linear.empty()) {
        units.Linear = units.System == "Metric" ? "meter" : "foot";
    }
    const pugi::xml_attribute angular = Attribute(system, "angularUnit");
    const pugi::xml_attribute direction = Attribute(system, "directionUnit");
    units.Angular = angular ? angular.value() : "radians";
    units.Direction = direction ? direction.value() : "radians";
    for (const std::string& unit : {units.Angular, units.Direction}) {
        (void)in.Angle(0.0, unit, "Units");
    }
    return units;
}

pugi::xml_node Root(const Reader& in, pugi::xml_document& doc, std::string_view bytes) {
    const pugi::xml_parse_result parsed =
        doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_auto);
    if (!parsed) {
        const std::string_view before = bytes.substr(
            0, std::min(bytes.size(),
                        static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, parsed.offset))));
        const int line = 1 + static_cast<int>(std::count(before.begin(), before.end(), '\n'));
        in.Fail(std::string("not an XML file (") + parsed.description() + " at line " +
                std::to_string(line) + ")");
    }
    const pugi::xml_node root = doc.document_element();
    if (LocalName(root) != "LandXML") {
        in.Fail("not a LandXML file: its root element is <" + std::string(root.name()) +
                ">, not <LandXML>");
    }
    return root;
}

std::vector<pugi::xml_node> AllAlignments(const pugi::xml_node& root) {
    std::vector<pugi::xml_node> out;
    for (const pugi::xml_node& group : Children(root, "Alignments")) {
        for (const pugi::xml_node& a : Children(group, "Alignment")) {
            out.push_back(a);
        }
    }
    return out;
}

std::string ReadWholeFile(const std::string& path) {
    if (path.empty()) {
        throw RuntimeError(ErrorCode::EmptyPath, "no file was chosen");
    }
    const std::filesystem::path p(std::u8string(path.begin(), path.end()));
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(p, ec);
    if (ec) {
        throw RuntimeError(ErrorCode::FileAccess, "cannot read " + path + ": " + ec.message());
    }
    if (size > kMaxLandXmlBytes) {
        throw RuntimeError(ErrorCode::FileAccess,
                           path + ": the file is " + std::to_string(size) +
                               " bytes, more than the 32 MiB a LandXML file may have");
    }
    std::ifstream in(p, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        throw RuntimeError(ErrorCode::FileAccess, "cannot read " + path);
    }
    return bytes;
}

std::string AlignmentName(const pugi::xml_node& a) {
    return Attribute(a, "name").value();
}

} // namespace

LandXmlAlignment ReadLandXmlText(std::string_view bytes, const std::string& alignmentName,
                                 const std::string& where) {
    const Reader in(bytes, where);
    if (bytes.size() > kMaxLandXmlBytes) {
        in.Fail("the file is more than the 32 MiB a LandXML file may have", ErrorCode::FileAccess);
    }
    pugi::xml_document doc;
    const pugi::xml_node root = Root(in, doc, bytes);
    Reader reader(bytes, where);
    reader.SetCgPoints(root);

    LandXmlAlignment out;
    const std::vector<pugi::xml_node> alignments = AllAlignments(root);
    for (const pugi::xml_node& a : alignments) {
        out.AlignmentNames.push_back(AlignmentName(a));
    }
    if (alignments.empty()) {
        reader.Fail("the file holds no alignment (Alignments/Alignment)");
    }
    pugi::xml_node alignment = alignments.front();
    if (!alignmentName.empty()) {
        const auto it = std::find_if(alignments.begin(), alignments.end(), [&](const auto& a) {
            return AlignmentName(a) == alignmentName;
        });
        if (it == alignments.end()) {
            std::string names;
            for (const std::string& n : out.AlignmentNames) {
                names += (names.empty() ? "\"" : ", \"") + n + "\"";
            }
            reader.Fail("the file holds no alignment named \"" + alignmentName + "\"; it holds " +
                        names);
        }
        alignment = *it;
    }
    out.Name = AlignmentName(alignment);
    const std::string alignmentLabel = "alignment \"" + out.Name + "\"";
    out.Units = ReadUnits(reader, root, out.Warnings);

    const pugi::xml_node coordGeom = Child(alignment, "CoordGeom");
    if (!coordGeom) {
        reader.Fail(alignmentLabel + " (line " + std::to_string(reader.LineOf(alignment)) +
                    ") has no CoordGeom: there is no horizontal geometry to read");
    }
    std::vector<Raw> raws;
    for (pugi::xml_node n = coordGeom.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_element) {
            continue;
        }
        const std::string_view kind = LocalName(n);
        if (kind == "Feature") {
            continue;
        }
        if (kind != "Line" && kind != "Curve" && kind != "Spiral") {
            reader.Fail(alignmentLabel + ": " + reader.Named(n, raws.size() + 1) +
                        " is not read (Line, Curve and clothoid Spiral elements are)");
        }
        raws.push_back(ReadElement(reader, n, raws.size() + 1, out.Units, out.Warnings));
    }
    if (raws.empty()) {
        reader.Fail(alignmentLabel + ": its CoordGeom holds no element");
    }
    if (raws.size() > static_cast<std::size_t>(placed::kMaxElements)) {
        reader.Fail(alignmentLabel + " has " + std::to_string(raws.size()) +
                    " elements, more than " + std::to_string(placed::kMaxElements));
    }

    // How the file measures its directions: by the elements that give both.
    int north = 0;
    int east = 0;
    for (const Raw& r : raws) {
        if (r.Dir && r.PointDirection) {
            const double loose = std::max(r.DirectionTolerance, 1e-4);
            north += std::fabs(geometry::ReduceAngle(*r.Dir - *r.PointDirection)) <= loose;
            east += std::fabs(geometry::ReduceAngle(geometry::kPi / 2.0 - *r.Dir -
                                                    *r.PointDirection)) <= loose;
        }
    }
    out.DirectionsFromEast = east > north;
    const auto oriented = [&](double dir) {
        return out.DirectionsFromEast ? geometry::kPi / 2.0 - dir : dir;
    };

    // Start directions: the points, else the attribute, else the previous element's end.
    placed::PlacedInput input;
    const std::optional<double> staStart = reader.Number(alignment, "staStart", alignmentLabel);
    if (staStart) {
        input.StartMileage = *staStart;
    } else if (raws.front().StaStart) {
        input.StartMileage = *raws.front().StaStart;
    } else {
        out.Warnings.push_back(alignmentLabel + " has no staStart: its start is taken as 0");
    }
    std::optional<double> previousEnd;
    for (const Raw& r : raws) {
        double direction = 0.0;
        if (r.PointDirection) {
            direction = *r.PointDirection;
            if (r.Dir) {
                const double off = geometry::ReduceAngle(oriented(*r.Dir) - direction);
                if (std::fabs(off) > std::max(kGapDirection, r.DirectionTolerance)) {
                    out.Warnings.push_back(r.Name + ": its direction attribute differs by " +
                                           Seconds(off) + " from the direction of its points");
                }
            }
        } else if (r.Dir) {
            direction = oriented(*r.Dir);
        } else if (previousEnd) {
            direction = *previousEnd;
        } else {
            reader.Fail(r.Name + ": neither its points nor a direction attribute give the "
                                 "direction at its start");
        }
        const placed::LocalEnd local = placed::ElementLocalEnd(r.Length, r.K0, r.K1);
        previousEnd = direction + local.Turn;
        input.Elements.push_back({r.Name, r.Start.P, direction, r.Length, r.K0, r.K1});
    }
    std::shared_ptr<const placed::PlacedAlignment> line;
    try {
        line = std::make_shared<const placed::PlacedAlignment>(std::move(input));
    } catch (const RuntimeError& error) {
        reader.Fail(alignmentLabel + ": " + error.what(), error.Code());
    }

    // Gaps between consecutive elements; the last one's End point; the element stations.
    const std::vector<placed::BuiltElement>& built = line->Elements();
    for (std::size_t i = 0; i < built.size(); ++i) {
        const Raw& r = raws[i];
        if (i > 0) {
            const Raw& p = raws[i - 1];
            const double gap = geometry::Distance(built[i - 1].End, r.Start.P);
            if (gap > std::max(kGapPosition, p.Start.Precision + r.Start.Precision)) {
                out.Warnings.push_back("a gap of " + Millimetres(gap) + " between " + p.Name +
                                       " and " + r.Name);
            }
            const double turn =
                geometry::ReduceAngle(built[i].StartAzimuth - built[i - 1].EndAzimuth);
            if (std::fabs(turn) >
                std::max(kGapDirection, p.DirectionTolerance + r.DirectionTolerance)) {
                out.Warnings.push_back("a change of direction of " + Seconds(turn) + " between " +
                                       p.Name + " and " + r.Name);
            }
        }
        if (i + 1 == built.size() && r.End) {
            const double off = geometry::Distance(built[i].End, r.End->P);
            if (off > std::max(kGapPosition, r.Start.Precision + r.End->Precision)) {
                out.Warnings.push_back(r.Name + ": its End point lies " + Millimetres(off) +
                                       " from where its length and radii end it");
            }
        }
        if (r.StaStart && std::fabs(*r.StaStart - built[i].StartMileage) > kGapPosition) {
            out.Warnings.push_back(r.Name + ": its staStart " + FormatShortest(*r.StaStart) +
                                   " differs from the mileage " +
                                   FormatFixed(built[i].StartMileage, 4) +
                                   " the lengths before it give");
        }
    }
    out.Breaks = ReadBreaks(reader, alignment, line->StartMileage(), line->EndMileage());
    out.Profile = ReadProfile(reader, alignment, out.Warnings);
    out.Line = std::move(line);
    return out;
}

LandXmlAlignment ReadLandXml(const std::string& path, const std::string& alignmentName) {
    const std::string bytes = ReadWholeFile(path);
    return ReadLandXmlText(bytes, alignmentName, path);
}

std::vector<std::string> LandXmlAlignmentNames(const std::string& path) {
    const std::string bytes = ReadWholeFile(path);
    const Reader in(bytes, path);
    pugi::xml_document doc;
    std::vector<std::string> names;
    for (const pugi::xml_node& a : AllAlignments(Root(in, doc, bytes))) {
        names.push_back(AlignmentName(a));
    }
    return names;
}

// ---------------------------------------------------------------- writing

namespace {

std::string Number(double v, const char* what) {
    return FormatShortest(geometry::RequireFinite(v, what));
}

std::string PointText(PlanePoint p) {
    return Number(p.X, "northing") + " " + Number(p.Y, "easting");
}

void AddPoint(pugi::xml_node parent, const char* name, PlanePoint p) {
    parent.append_child(name).text().set(PointText(p).c_str());
}

void SetNumber(pugi::xml_node node, const char* name, double v) {
    node.append_attribute(name).set_value(Number(v, name).c_str());
}

// One piece of the line to write: a segment, or half of a reversing spiral.
struct Piece {
    alignment::SegmentKind Kind;
    double StartMileage, EndMileage;
    geometry::StationPoint Start, End;
    double K0, K1;
};

void WritePiece(pugi::xml_node coordGeom, const Piece& p) {
    const double length = p.EndMileage - p.StartMileage;
    const PlanePoint start{p.Start.X, p.Start.Y};
    const PlanePoint end{p.End.X, p.End.Y};
    switch (p.Kind) {
    case alignment::SegmentKind::Line: {
        pugi::xml_node n = coordGeom.append_child("Line");
        SetNumber(n, "staStart", p.StartMileage);
        SetNumber(n, "length", length);
        AddPoint(n, "Start", start);
        AddPoint(n, "End", end);
        break;
    }
    case alignment::SegmentKind::Arc: {
        pugi::xml_node n = coordGeom.append_child("Curve");
        const double radius = 1.0 / std::fabs(p.K0);
        const double turn = length * p.K0;
        n.append_attribute("rot").set_value(p.K0 > 0.0 ? "cw" : "ccw");
        n.append_attribute("crvType").set_value("arc");
        SetNumber(n, "staStart", p.StartMileage);
        SetNumber(n, "length", length);
        SetNumber(n, "radius", radius);
        SetNumber(n, "delta", std::fabs(turn));
        AddPoint(n, "Start", start);
        AddPoint(n, "Center", geometry::PlaceOffset(start, p.Start.Azimuth, 0.0, 1.0 / p.K0));
        AddPoint(n, "End", end);
        if (std::fabs(turn) < geometry::kPi * (1.0 - 1e-9)) {
            const double t = radius * std::tan(std::fabs(turn) / 2.0);
            AddPoint(n, "PI", geometry::PlaceOffset(start, p.Start.Azimuth, t, 0.0));
        }
        break;
    }
    case alignment::SegmentKind::Clothoid: {
        pugi::xml_node n = coordGeom.append_child("Spiral");
        const double k = p.K0 != 0.0 ? p.K0 : p.K1;
        n.append_attribute("rot").set_value(k > 0.0 ? "cw" : "ccw");
        n.append_attribute("spiType").set_value("clothoid");
        SetNumber(n, "staStart", p.StartMileage);
        SetNumber(n, "length", length);
        for (const auto& [name, curvature] :
             {std::pair{"radiusStart", p.K0}, {"radiusEnd", p.K1}}) {
            if (curvature == 0.0) {
                n.append_attribute(name).set_value("INF");
            } else {
                SetNumber(n, name, 1.0 / std::fabs(curvature));
            }
        }
        AddPoint(n, "Start", start);
        // PI: where the end tangent crosses the start tangent.
        const double turn = geometry::ReduceAngle(p.End.Azimuth - p.Start.Azimuth);
        if (std::fabs(turn) > 1e-12 && std::fabs(turn) < geometry::kPi * (1.0 - 1e-9)) {
            const double dx = end.X - start.X;
            const double dy = end.Y - start.Y;
            const double c = std::cos(p.Start.Azimuth), s = std::sin(p.Start.Azimuth);
            const double u = dx * c + dy * s;
            const double v = -dx * s + dy * c;
            AddPoint(n, "PI",
                     geometry::PlaceOffset(start, p.Start.Azimuth, u - v / std::tan(turn), 0.0));
        }
        AddPoint(n, "End", end);
        break;
    }
    case alignment::SegmentKind::Gap:
        break;
    }
}

std::string Today(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, format, &utc);
    return text;
}

} // namespace

std::string LandXmlText(const alignment::Alignment& line,
                        const std::vector<stationing::ChainBreak>& breaks,
                        const profile::Profile* profile, const std::string& name) {
    const std::vector<alignment::Segment>& segments = line.Segments();
    if (segments.empty()) {
        throw RuntimeError(ErrorCode::Format, "the line has no segment to write");
    }
    std::vector<Piece> pieces;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const alignment::Segment& s = segments[i];
        if (s.Kind == alignment::SegmentKind::Gap) {
            throw RuntimeError(ErrorCode::Format,
                               "the line has a gap between overlapping curves at " + s.Source +
                                   " (mileage " + FormatFixed(s.StartMileage, 3) +
                                   "), which LandXML cannot hold");
        }
        const geometry::StationPoint start = line.PointOnSegment(i, s.StartMileage);
        const geometry::StationPoint end = line.PointOnSegment(i, s.EndMileage);
        if (s.Kind == alignment::SegmentKind::Clothoid && s.StartCurvature * s.EndCurvature < 0.0) {
            // A reversing spiral: two spirals meeting where the curvature passes through 0.
            const double a = std::fabs(s.StartCurvature);
            const double b = std::fabs(s.EndCurvature);
            const double middle = s.StartMileage + (s.EndMileage - s.StartMileage) * a / (a + b);
            const geometry::StationPoint m = line.PointOnSegment(i, middle);
            pieces.push_back({s.Kind, s.StartMileage, middle, start, m, s.StartCurvature, 0.0});
            pieces.push_back({s.Kind, middle, s.EndMileage, m, end, 0.0, s.EndCurvature});
            continue;
        }
        pieces.push_back(
            {s.Kind, s.StartMileage, s.EndMileage, start, end, s.StartCurvature, s.EndCurvature});
    }

    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version").set_value("1.0");
    decl.append_attribute("encoding").set_value("UTF-8");
    pugi::xml_node root = doc.append_child("LandXML");
    root.append_attribute("xmlns").set_value("http://www.landxml.org/schema/LandXML-1.2");
    root.append_attribute("xmlns:xsi").set_value("http://www.w3.org/2001/XMLSchema-instance");
    root.append_attribute("xsi:schemaLocation")
        .set_value("http://www.landxml.org/schema/LandXML-1.2 "
                   "http://www.landxml.org/schema/LandXML-1.2/LandXML-1.2.xsd");
    root.append_attribute("version").set_value("1.2");
    root.append_attribute("date").set_value(Today("%Y-%m-%d").c_str());
    root.append_attribute("time").set_value(Today("%H:%M:%S").c_str());
    pugi::xml_node metric = root.append_child("Units").append_child("Metric");
    metric.append_attribute("areaUnit").set_value("squareMeter");
    metric.append_attribute("linearUnit").set_value("meter");
    metric.append_attribute("volumeUnit").set_value("cubicMeter");
    metric.append_attribute("temperatureUnit").set_value("celsius");
    metric.append_attribute("pressureUnit").set_value("milliBars");
    metric.append_attribute("angularUnit").set_value("radians");
    metric.append_attribute("directionUnit").set_value("radians");
    pugi::xml_node app = root.append_child("Application");
    app.append_attribute("name").set_value("Tesk");
    app.append_attribute("manufacturer").set_value("Tesk");

    pugi::xml_node alignments = root.append_child("Alignments");
    pugi::xml_node a = alignments.append_child("Alignment");
    a.append_attribute("name").set_value(name.c_str());
    SetNumber(a, "length", line.End() - line.Start());
    SetNumber(a, "staStart", line.Start());
    pugi::xml_node coordGeom = a.append_child("CoordGeom");
    for (const Piece& p : pieces) {
        WritePiece(coordGeom, p);
    }
    double mileage = 0.0;
    for (std::size_t k = 0; k < breaks.size(); ++k) {
        mileage = k == 0 ? breaks[k].Back : mileage + (breaks[k].Back - breaks[k - 1].Ahead);
        pugi::xml_node e = a.append_child("StaEquation");
        SetNumber(e, "staAhead", breaks[k].Ahead);
        SetNumber(e, "staBack", breaks[k].Back);
        SetNumber(e, "staInternal", mileage);
    }
    if (profile) {
        pugi::xml_node p = a.append_child("Profile");
        p.append_attribute("name").set_value(name.c_str());
        pugi::xml_node pa = p.append_child("ProfAlign");
        pa.append_attribute("name").set_value(name.c_str());
        const auto& points = profile->Points();
        const auto& curves = profile->Curves();
        for (std::size_t k = 0; k < points.size(); ++k) {
            const profile::GradePoint& g = points[k];
            const profile::VerticalCurve& c = curves[k];
            pugi::xml_node n;
            if (c.Length == 0.0) {
                n = pa.append_child("PVI");
            } else if (g.Shape == profile::CurveShape::Parabola) {
                n = pa.append_child("ParaCurve");
                SetNumber(n, "length", c.Length);
            } else if (g.Shape == profile::CurveShape::UnsymmetricParabola) {
                n = pa.append_child("UnsymParaCurve");
                SetNumber(n, "lengthIn", g.LengthIn);
                SetNumber(n, "lengthOut", g.LengthOut);
            } else {
                n = pa.append_child("CircCurve");
                SetNumber(n, "length", c.Length);
                SetNumber(n, "radius", g.Radius);
            }
            n.text().set(
                (Number(g.Mileage, "station") + " " + Number(g.Elevation, "elevation")).c_str());
        }
    }
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

void WriteLandXml(const std::filesystem::path& path, const alignment::Alignment& line,
                  const std::vector<stationing::ChainBreak>& breaks,
                  const profile::Profile* profile, const std::string& name) {
    const std::string text = LandXmlText(line, breaks, profile, name);
    WriteOutputFile(path, text);
}

} // namespace tesk::formats
