#include "alignment/element/element_alignment.h"

#include "alignment/formula_detail.h"
#include "geometry/angles.h"
#include "geometry/clothoid.h"
#include "geometry/error.h"
#include "geometry/number_text.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace tesk::element {

using geometry::Divide;
using geometry::ErrorCode;
using geometry::PlanePoint;
using geometry::RequireFinite;
using geometry::RuntimeError;

namespace {

// Running sum with Neumaier's compensation: a thousand stations, azimuths or coordinates summed
// element by element keep the digits of the exact sum instead of losing one rounding per element.
class CompensatedSum {
public:
    explicit CompensatedSum(double start) : m_sum(start) {}

    void Add(double x) {
        const double t = m_sum + x;
        if (std::fabs(m_sum) >= std::fabs(x)) {
            m_compensation += (m_sum - t) + x;
        } else {
            m_compensation += (x - t) + m_sum;
        }
        m_sum = t;
    }

    double Value() const { return m_sum + m_compensation; }

private:
    double m_sum;
    double m_compensation = 0.0;
};

std::string ElementName(std::size_t i) {
    return "element " + std::to_string(i + 1);
}

double Curvature(double radius);

void CheckRow(const ElementRow& row, std::size_t i) {
    if (!std::isfinite(row.StartRadius) || !std::isfinite(row.EndRadius) ||
        !std::isfinite(row.Length)) {
        throw RuntimeError(ErrorCode::NonFinite,
                           ElementName(i) + " holds a value that is not finite");
    }
    if (row.StartRadius == 0.0 || row.EndRadius == 0.0) {
        throw RuntimeError(ErrorCode::DivisionByZero, ElementName(i) + " has a radius of 0");
    }
    // A negative length would lay the element backwards over the line already built and make the
    // stations run back: every station there would get a point, none of them the designed one.
    if (row.Length < 0.0) {
        throw RuntimeError(ErrorCode::Format, ElementName(i) + " has a negative length " +
                                                  geometry::FormatShortest(row.Length));
    }
    if (row.StartRadius != row.EndRadius) {
        const double sweep = row.Length * std::max(std::fabs(Curvature(row.StartRadius)),
                                                   std::fabs(Curvature(row.EndRadius)));
        if (sweep > geometry::kMaxSpiralSweep) {
            throw RuntimeError(ErrorCode::Format, ElementName(i) +
                                                      " is a spiral that turns through more than a "
                                                      "full circle (length / smaller radius = " +
                                                      geometry::NumberForMessage(sweep) +
                                                      " > 4 pi)");
        }
    }
}

double Curvature(double radius) {
    return radius == kInfiniteRadius ? 0.0 : 1.0 / radius;
}

// The coordinate increment over an element from its start to its end, m.
PlanePoint Increment(const Element& e, double endAzimuth) {
    const double len = e.Length;
    const double rs = e.StartRadius;
    const double re = e.EndRadius;
    if (len == 0.0 && e.Kind != ElementKind::Arc) {
        return {}; // a spiral of no length has no clothoid
    }
    switch (e.Kind) {
    case ElementKind::Straight:
        return geometry::PlaceOffset({}, e.StartAzimuth, len, 0.0);
    case ElementKind::Arc: {
        // The chord 2R sin(l/2R) along the mean direction: no cancellation on short arcs.
        const double half = Divide(len, 2.0 * rs, "arc radius");
        return geometry::PlaceOffset({}, e.StartAzimuth + half, 2.0 * rs * std::sin(half), 0.0);
    }
    case ElementKind::EntrySpiral: {
        const geometry::LocalOffset d = geometry::ClothoidChord(0.0, len, len * re);
        return geometry::PlaceOffset({}, e.StartAzimuth, d.U, d.V);
    }
    case ElementKind::ExitSpiral: {
        // The clothoid's origin is the element's end: the start seen from there, negated.
        const geometry::LocalOffset d = geometry::ClothoidChord(0.0, len, len * rs);
        const PlanePoint back = geometry::PlaceOffset({}, endAzimuth, -d.U, d.V);
        return {-back.X, -back.Y};
    }
    case ElementKind::CompoundSpiral: {
        const double k0 = Divide(1.0, rs, "spiral start radius");
        const double rate =
            Divide(Divide(1.0, re, "spiral end radius") - k0, len, "compound spiral length");
        const geometry::LocalOffset d = geometry::ClothoidSegment(k0, rate, len);
        return geometry::PlaceOffset({}, e.StartAzimuth, d.U, d.V);
    }
    }
    return {};
}

alignment::detail::Formula FormulaOf(const Element& e, std::size_t i, double endMileage,
                                     PlanePoint end, double endAzimuth) {
    using alignment::detail::Rule;
    alignment::detail::Formula f;
    f.StartMileage = e.StartMileage;
    f.Base = e.Start;
    f.BaseMileage = e.StartMileage;
    f.Frame = e.StartAzimuth;
    f.Azimuth0 = e.StartAzimuth;
    f.CurvatureAtStart = Curvature(e.StartRadius);
    f.CurvatureAtEnd = Curvature(e.EndRadius);
    f.Source = i;
    switch (e.Kind) {
    case ElementKind::Straight:
        f.Kind = Rule::Straight;
        break;
    case ElementKind::Arc:
        f.Kind = Rule::Arc;
        f.ArcRadius = e.StartRadius;
        f.TurnRadius = e.StartRadius;
        break;
    case ElementKind::EntrySpiral:
        f.Kind = Rule::ClothoidFromOrigin;
        f.K = e.Length * e.EndRadius;
        f.TwoK = 2.0 * f.K;
        break;
    case ElementKind::ExitSpiral:
        // Walked back from the clothoid's origin at the element's end.
        f.Kind = Rule::ClothoidFromOrigin;
        f.Base = end;
        f.BaseMileage = endMileage;
        f.Direction = -1.0;
        f.Frame = endAzimuth;
        f.Azimuth0 = endAzimuth;
        f.K = -(e.Length * e.StartRadius);
        f.TwoK = 2.0 * (e.Length * e.StartRadius);
        f.ChordSign = -1.0;
        f.TurnSign = -1.0;
        break;
    case ElementKind::CompoundSpiral:
        f.Kind = Rule::ClothoidPiece;
        f.StartCurvature = 1.0 / e.StartRadius;
        f.CurvatureRate = (1.0 / e.EndRadius - f.StartCurvature) / e.Length;
        break;
    }
    return f;
}

} // namespace

ElementKind KindOf(double startRadius, double endRadius) {
    const bool startInfinite = startRadius == kInfiniteRadius;
    const bool endInfinite = endRadius == kInfiniteRadius;
    if (startInfinite && endInfinite) {
        return ElementKind::Straight;
    }
    if (startInfinite) {
        return ElementKind::EntrySpiral;
    }
    if (endInfinite) {
        return ElementKind::ExitSpiral;
    }
    return startRadius == endRadius ? ElementKind::Arc : ElementKind::CompoundSpiral;
}

double ElementTurn(double startRadius, double endRadius, double length) {
    switch (KindOf(startRadius, endRadius)) {
    case ElementKind::Straight:
        return 0.0;
    case ElementKind::Arc:
        return Divide(length, startRadius, "arc radius");
    case ElementKind::EntrySpiral:
        return Divide(length, 2.0 * endRadius, "spiral end radius");
    case ElementKind::ExitSpiral:
        return Divide(length, 2.0 * startRadius, "spiral start radius");
    case ElementKind::CompoundSpiral:
        // The mean of the two curvatures times the length.
        return 0.5 * length *
               (Divide(1.0, startRadius, "spiral start radius") +
                Divide(1.0, endRadius, "spiral end radius"));
    }
    return 0.0;
}

std::vector<ElementRow> SplitReversingSpirals(const std::vector<ElementRow>& rows) {
    std::vector<ElementRow> out;
    out.reserve(rows.size() * 2);
    for (const ElementRow& row : rows) {
        const double a = row.StartRadius;
        const double b = row.EndRadius;
        const double c = row.Length;
        if (a != kInfiniteRadius && b != kInfiniteRadius && a != b && a * b < 0.0) {
            // The curvature runs linearly from 1/a through 0 to 1/b; it passes zero where the
            // two pieces change curvature at one rate: (1/r1)/c1 = (1/r2)/c2, c1 + c2 = c.
            const double r1 = std::fabs(a);
            const double r2 = std::fabs(b);
            out.push_back({a, kInfiniteRadius, c * r2 / (r1 + r2)});
            out.push_back({kInfiniteRadius, b, c * r1 / (r1 + r2)});
        } else {
            out.push_back(row);
        }
    }
    if (out.size() > static_cast<std::size_t>(kMaxElements)) {
        throw RuntimeError(ErrorCode::Format,
                           "splitting the reversing spirals gives " + std::to_string(out.size()) +
                               " elements, more than " + std::to_string(kMaxElements));
    }
    return out;
}

ElementAlignment::ElementAlignment(ElementInput input) : m_input(std::move(input)) {
    if (m_input.Rows.size() > static_cast<std::size_t>(kMaxElements)) {
        throw RuntimeError(ErrorCode::Format, "element count " +
                                                  std::to_string(m_input.Rows.size()) +
                                                  " outside 0.." + std::to_string(kMaxElements));
    }
    const std::vector<ElementRow> rows = SplitReversingSpirals(m_input.Rows);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        CheckRow(rows[i], i);
    }
    RequireFinite(m_input.StartStation, "start station");
    RequireFinite(m_input.StartX, "start X");
    RequireFinite(m_input.StartY, "start Y");
    m_startAzimuth =
        RequireFinite(geometry::DegreesToRadians(m_input.StartAzimuth), "start azimuth");

    // Stations and azimuths, each a compensated running sum.
    const std::size_t n = rows.size();
    std::vector<double> mileage(n + 1);
    std::vector<double> azimuth(n + 1);
    CompensatedSum station(m_input.StartStation);
    CompensatedSum turned(m_startAzimuth);
    mileage[0] = m_input.StartStation;
    azimuth[0] = m_startAzimuth;
    m_elements.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        Element& e = m_elements[i];
        e.StartRadius = rows[i].StartRadius;
        e.EndRadius = rows[i].EndRadius;
        e.Length = rows[i].Length;
        e.Kind = KindOf(e.StartRadius, e.EndRadius);
        station.Add(e.Length);
        mileage[i + 1] = RequireFinite(station.Value(), "element station");
        e.Turn = RequireFinite(ElementTurn(e.StartRadius, e.EndRadius, e.Length), "element turn");
        turned.Add(e.Turn);
        azimuth[i + 1] = RequireFinite(turned.Value(), "element azimuth");
    }
    for (double& a : azimuth) {
        a = geometry::NormaliseAzimuth(a);
    }

    // Start points as compensated sums of the increments.
    CompensatedSum x(m_input.StartX);
    CompensatedSum y(m_input.StartY);
    PlanePoint point{m_input.StartX, m_input.StartY};
    for (std::size_t i = 0; i < n; ++i) {
        Element& e = m_elements[i];
        e.StartMileage = mileage[i];
        e.StartAzimuth = azimuth[i];
        e.Start = point;
        const PlanePoint d = Increment(e, azimuth[i + 1]);
        e.Increment = {RequireFinite(d.X, "element X increment"),
                       RequireFinite(d.Y, "element Y increment")};
        x.Add(d.X);
        y.Add(d.Y);
        point = {RequireFinite(x.Value(), "element X"), RequireFinite(y.Value(), "element Y")};
    }
    m_endMileage = mileage[n];
    m_end = point;
    m_endAzimuth = azimuth[n];

    // Before the start and from the end on the line runs on along its tangents; an element of no
    // length holds no mileage.
    std::vector<alignment::detail::Formula> formulas;
    // Sources: the elements, then the two tangents.
    std::vector<std::string> names;
    names.reserve(n + 2);
    for (std::size_t i = 0; i < n; ++i) {
        names.push_back(ElementName(i));
    }
    names.emplace_back("the start tangent");
    names.emplace_back("the end tangent");
    formulas.push_back(alignment::detail::TangentFormula(
        mileage[0], {m_input.StartX, m_input.StartY}, azimuth[0], n));
    for (std::size_t i = 0; i < n; ++i) {
        if (mileage[i] < mileage[i + 1]) {
            const PlanePoint next = i + 1 < n ? m_elements[i + 1].Start : m_end;
            formulas.push_back(FormulaOf(m_elements[i], i, mileage[i + 1], next, azimuth[i + 1]));
        }
    }
    formulas.push_back(alignment::detail::TangentFormula(m_endMileage, m_end, m_endAzimuth, n + 1));

    std::vector<alignment::MainPoint> mainPoints;
    mainPoints.push_back({"QD", mileage[0], {m_input.StartX, m_input.StartY}, azimuth[0]});
    for (std::size_t i = 1; i < n; ++i) {
        mainPoints.push_back({"JOINT", mileage[i], m_elements[i].Start, azimuth[i]});
    }
    mainPoints.push_back({"ZD", m_endMileage, m_end, m_endAzimuth});
    m_line = alignment::Alignment::FromFormulas(std::move(formulas), mileage[0], m_endMileage,
                                                std::move(mainPoints), std::move(names), "");
    std::size_t segment = 0;
    for (std::size_t i = 0; i < n; ++i) {
        m_segmentOf.push_back(mileage[i] < mileage[i + 1] ? segment++ : std::size_t(-1));
    }
}

geometry::StationPoint ElementAlignment::PointOnElement(std::size_t index, double distance) const {
    if (index >= m_elements.size()) {
        throw RuntimeError(ErrorCode::IndexOutOfRange, "element " + std::to_string(index + 1) +
                                                           " outside 1.." +
                                                           std::to_string(m_elements.size()));
    }
    const Element& e = m_elements[index];
    if (m_segmentOf[index] == std::size_t(-1)) {
        const PlanePoint p = geometry::PlaceOffset(e.Start, e.StartAzimuth, distance, 0.0);
        return {p.X, p.Y, e.StartAzimuth};
    }
    return m_line.PointOnSegment(m_segmentOf[index], e.StartMileage + distance);
}

} // namespace tesk::element
