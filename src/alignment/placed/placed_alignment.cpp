#include "alignment/placed/placed_alignment.h"

#include "alignment/formula_detail.h"
#include "geometry/angles.h"
#include "geometry/clothoid.h"
#include "geometry/error.h"
#include "geometry/number_text.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace tesk::placed {

using element::ElementKind;
using geometry::ErrorCode;
using geometry::PlanePoint;
using geometry::RuntimeError;

namespace {

void CheckElement(const PlacedElement& e) {
    if (!std::isfinite(e.Start.X) || !std::isfinite(e.Start.Y) || !std::isfinite(e.StartAzimuth) ||
        !std::isfinite(e.Length) || !std::isfinite(e.StartCurvature) ||
        !std::isfinite(e.EndCurvature)) {
        throw RuntimeError(ErrorCode::NonFinite, e.Name + " holds a value that is not finite");
    }
    if (e.Length < 0.0) {
        throw RuntimeError(ErrorCode::Format,
                           e.Name + " has a negative length " + geometry::FormatShortest(e.Length));
    }
    if (e.StartCurvature != e.EndCurvature) {
        const double sweep =
            e.Length * std::max(std::fabs(e.StartCurvature), std::fabs(e.EndCurvature));
        if (sweep > geometry::kMaxSpiralSweep) {
            throw RuntimeError(ErrorCode::Format,
                               e.Name +
                                   " is a spiral that turns through more than a full circle "
                                   "(length / smaller radius = " +
                                   geometry::NumberForMessage(sweep) + " > 4 pi)");
        }
    }
}

double Finite(double v, const BuiltElement& e, const char* what) {
    if (!std::isfinite(v)) {
        throw RuntimeError(ErrorCode::NonFinite,
                           e.Given.Name + ": its " + std::string(what) + " is not finite");
    }
    return v;
}

// The end of an element by its own formula; the same constructions as the element builder's, so
// a line given both ways agrees to the last digits.
void Close(BuiltElement& b) {
    const PlacedElement& g = b.Given;
    const double len = g.Length;
    const double k0 = g.StartCurvature;
    const double k1 = g.EndCurvature;
    PlanePoint d;
    switch (b.Kind) {
    case ElementKind::Straight:
        b.Turn = 0.0;
        d = geometry::PlaceOffset({}, b.StartAzimuth, len, 0.0);
        break;
    case ElementKind::Arc: {
        b.Turn = len * k0;
        const double half = b.Turn / 2.0;
        d = geometry::PlaceOffset({}, b.StartAzimuth + half, 2.0 * std::sin(half) / k0, 0.0);
        break;
    }
    case ElementKind::EntrySpiral: {
        b.Turn = 0.5 * len * k1;
        if (len > 0.0) {
            const geometry::LocalOffset c = geometry::ClothoidChord(0.0, len, len / k1);
            d = geometry::PlaceOffset({}, b.StartAzimuth, c.U, c.V);
        }
        break;
    }
    case ElementKind::ExitSpiral: {
        b.Turn = 0.5 * len * k0;
        if (len > 0.0) {
            const geometry::LocalOffset c = geometry::ClothoidChord(0.0, len, len / k0);
            const PlanePoint back = geometry::PlaceOffset({}, b.StartAzimuth + b.Turn, -c.U, c.V);
            d = {-back.X, -back.Y};
        }
        break;
    }
    case ElementKind::CompoundSpiral: {
        b.Turn = 0.5 * len * (k0 + k1);
        if (len > 0.0) {
            const geometry::LocalOffset c = geometry::ClothoidSegment(k0, (k1 - k0) / len, len);
            d = geometry::PlaceOffset({}, b.StartAzimuth, c.U, c.V);
        }
        break;
    }
    }
    Finite(b.Turn, b, "turn");
    b.End = {Finite(g.Start.X + d.X, b, "end X"), Finite(g.Start.Y + d.Y, b, "end Y")};
    b.EndAzimuth = geometry::NormaliseAzimuth(b.StartAzimuth + b.Turn);
}

alignment::detail::Formula FormulaOf(const BuiltElement& b, std::size_t i, double endMileage) {
    using alignment::detail::Rule;
    const PlacedElement& g = b.Given;
    alignment::detail::Formula f;
    f.StartMileage = b.StartMileage;
    f.Base = g.Start;
    f.BaseMileage = b.StartMileage;
    f.Frame = b.StartAzimuth;
    f.Azimuth0 = b.StartAzimuth;
    f.CurvatureAtStart = g.StartCurvature;
    f.CurvatureAtEnd = g.EndCurvature;
    f.Source = i;
    switch (b.Kind) {
    case ElementKind::Straight:
        f.Kind = Rule::Straight;
        break;
    case ElementKind::Arc:
        f.Kind = Rule::Arc;
        f.ArcRadius = 1.0 / g.StartCurvature;
        f.TurnRadius = f.ArcRadius;
        break;
    case ElementKind::EntrySpiral:
        f.Kind = Rule::ClothoidFromOrigin;
        f.K = g.Length / g.EndCurvature;
        f.TwoK = 2.0 * f.K;
        break;
    case ElementKind::ExitSpiral:
        // Walked back from the clothoid's origin at the element's end.
        f.Kind = Rule::ClothoidFromOrigin;
        f.Base = b.End;
        f.BaseMileage = endMileage;
        f.Direction = -1.0;
        f.Frame = b.EndAzimuth;
        f.Azimuth0 = b.EndAzimuth;
        f.K = -(g.Length / g.StartCurvature);
        f.TwoK = 2.0 * (g.Length / g.StartCurvature);
        f.ChordSign = -1.0;
        f.TurnSign = -1.0;
        break;
    case ElementKind::CompoundSpiral:
        f.Kind = Rule::ClothoidPiece;
        f.StartCurvature = g.StartCurvature;
        f.CurvatureRate = (g.EndCurvature - g.StartCurvature) / g.Length;
        break;
    }
    return f;
}

} // namespace

LocalEnd ElementLocalEnd(double length, double startCurvature, double endCurvature) {
    BuiltElement b;
    b.Given.Name = "the element";
    b.Given.Length = length;
    b.Given.StartCurvature = startCurvature;
    b.Given.EndCurvature = endCurvature;
    CheckElement(b.Given);
    b.Kind = KindOfCurvatures(startCurvature, endCurvature);
    Close(b);
    // At start azimuth 0 the plane offset is (north, east) = (along, right).
    return {{b.End.X, b.End.Y}, b.Turn};
}

ElementKind KindOfCurvatures(double startCurvature, double endCurvature) {
    if (startCurvature == 0.0 && endCurvature == 0.0) {
        return ElementKind::Straight;
    }
    if (startCurvature == 0.0) {
        return ElementKind::EntrySpiral;
    }
    if (endCurvature == 0.0) {
        return ElementKind::ExitSpiral;
    }
    return startCurvature == endCurvature ? ElementKind::Arc : ElementKind::CompoundSpiral;
}

PlacedAlignment::PlacedAlignment(PlacedInput input) : m_startMileage(input.StartMileage) {
    const std::size_t n = input.Elements.size();
    if (n == 0) {
        throw RuntimeError(ErrorCode::Format, "a line needs at least one element, it has none");
    }
    if (n > static_cast<std::size_t>(kMaxElements)) {
        throw RuntimeError(ErrorCode::Format, "element count " + std::to_string(n) +
                                                  " outside 1.." + std::to_string(kMaxElements));
    }
    geometry::RequireFinite(m_startMileage, "start mileage");
    for (const PlacedElement& e : input.Elements) {
        CheckElement(e);
    }

    // Mileage as a compensated running sum of the lengths (Neumaier).
    double sum = m_startMileage;
    double compensation = 0.0;
    std::vector<double> mileage(n + 1);
    mileage[0] = m_startMileage;
    m_elements.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        BuiltElement& b = m_elements[i];
        b.Given = std::move(input.Elements[i]);
        b.Kind = KindOfCurvatures(b.Given.StartCurvature, b.Given.EndCurvature);
        b.StartMileage = mileage[i];
        b.StartAzimuth = geometry::NormaliseAzimuth(b.Given.StartAzimuth);
        Close(b);
        const double x = b.Given.Length;
        const double t = sum + x;
        compensation += std::fabs(sum) >= std::fabs(x) ? (sum - t) + x : (x - t) + sum;
        sum = t;
        mileage[i + 1] = geometry::RequireFinite(sum + compensation, "element mileage");
    }
    m_endMileage = mileage[n];

    std::vector<std::string> names;
    names.reserve(n + 2);
    for (const BuiltElement& b : m_elements) {
        names.push_back(b.Given.Name);
    }
    names.emplace_back("the start tangent");
    names.emplace_back("the end tangent");
    std::vector<alignment::detail::Formula> formulas;
    formulas.push_back(alignment::detail::TangentFormula(mileage[0], m_elements.front().Given.Start,
                                                         m_elements.front().StartAzimuth, n));
    for (std::size_t i = 0; i < n; ++i) {
        if (mileage[i] < mileage[i + 1]) {
            formulas.push_back(FormulaOf(m_elements[i], i, mileage[i + 1]));
        }
    }
    formulas.push_back(alignment::detail::TangentFormula(m_endMileage, End(), EndAzimuth(), n + 1));

    std::vector<alignment::MainPoint> mainPoints;
    mainPoints.push_back(
        {"QD", mileage[0], m_elements.front().Given.Start, m_elements.front().StartAzimuth});
    for (std::size_t i = 1; i < n; ++i) {
        mainPoints.push_back(
            {"JOINT", mileage[i], m_elements[i].Given.Start, m_elements[i].StartAzimuth});
    }
    mainPoints.push_back({"ZD", m_endMileage, End(), EndAzimuth()});
    m_line = alignment::Alignment::FromFormulas(std::move(formulas), mileage[0], m_endMileage,
                                                std::move(mainPoints), std::move(names), "");
    std::size_t segment = 0;
    for (std::size_t i = 0; i < n; ++i) {
        m_segmentOf.push_back(mileage[i] < mileage[i + 1] ? segment++ : std::size_t(-1));
    }
}

geometry::StationPoint PlacedAlignment::PointOnElement(std::size_t index, double distance) const {
    if (index >= m_elements.size()) {
        throw RuntimeError(ErrorCode::IndexOutOfRange, "element " + std::to_string(index + 1) +
                                                           " outside 1.." +
                                                           std::to_string(m_elements.size()));
    }
    const BuiltElement& b = m_elements[index];
    if (m_segmentOf[index] == std::size_t(-1)) {
        const PlanePoint p = geometry::PlaceOffset(b.Given.Start, b.StartAzimuth, distance, 0.0);
        return {p.X, p.Y, b.StartAzimuth};
    }
    return m_line.PointOnSegment(m_segmentOf[index], b.StartMileage + distance);
}

} // namespace tesk::placed
