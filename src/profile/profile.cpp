#include "profile/profile.h"

#include "geometry/error.h"
#include "geometry/number_text.h"

#include <algorithm>
#include <cmath>

namespace tesk::profile {

using geometry::ErrorCode;
using geometry::RuntimeError;

namespace {

[[noreturn]] void Refuse(const std::string& what) {
    throw RuntimeError(ErrorCode::Format, what);
}

std::string Between(const GradePoint& a, const GradePoint& b) {
    return "grade points " + a.Name + " and " + b.Name;
}

} // namespace

Profile::Profile(std::vector<GradePoint> points) : m_points(std::move(points)) {
    const std::size_t n = m_points.size();
    if (n < 2) {
        Refuse("a profile needs at least two grade points, it has " + std::to_string(n));
    }
    for (const GradePoint& p : m_points) {
        if (!std::isfinite(p.Mileage) || !std::isfinite(p.Elevation) || !std::isfinite(p.Radius)) {
            Refuse("grade point " + p.Name + " holds a value that is not finite");
        }
        if (p.Radius < 0.0) {
            Refuse("grade point " + p.Name + " has a negative vertical-curve radius");
        }
    }
    if (m_points.front().Radius != 0.0 || m_points.back().Radius != 0.0) {
        Refuse("the first and the last grade point cannot carry a vertical curve (" +
               m_points.front().Name + ", " + m_points.back().Name + ")");
    }
    for (std::size_t k = 0; k + 1 < n; ++k) {
        const GradePoint& a = m_points[k];
        const GradePoint& b = m_points[k + 1];
        if (!(b.Mileage > a.Mileage)) {
            Refuse(Between(a, b) + " are out of order");
        }
        m_grades.push_back((b.Elevation - a.Elevation) / (b.Mileage - a.Mileage));
    }
    for (const GradePoint& p : m_points) {
        m_mileages.push_back(p.Mileage);
    }
    m_curves.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        VerticalCurve& c = m_curves[k];
        c.GradeIn = k > 0 ? m_grades[k - 1] : 0.0;
        c.GradeOut = k + 1 < n ? m_grades[k] : 0.0;
        const double r = m_points[k].Radius;
        const double omega = c.GradeOut - c.GradeIn;
        c.Length = r * std::fabs(omega);
        c.Tangent = c.Length / 2.0;
        c.External = r > 0.0 ? c.Tangent * c.Tangent / (2.0 * r) : 0.0;
        c.StartMileage = m_points[k].Mileage - c.Tangent;
        c.EndMileage = m_points[k].Mileage + c.Tangent;
    }
    for (std::size_t k = 0; k + 1 < n; ++k) {
        const double room = m_points[k + 1].Mileage - m_points[k].Mileage;
        if (m_curves[k].Tangent + m_curves[k + 1].Tangent > room) {
            Refuse("the vertical curves at " + Between(m_points[k], m_points[k + 1]) +
                   " overlap: their tangents " + geometry::FormatFixed(m_curves[k].Tangent, 3) +
                   " + " + geometry::FormatFixed(m_curves[k + 1].Tangent, 3) + " m exceed the " +
                   geometry::FormatFixed(room, 3) + " m between them");
        }
    }
}

std::size_t Profile::IntervalOf(double mileage) const {
    // The last point k with Mileage(k) <= mileage, kept below the last point; halving without a
    // data-dependent branch.
    const double* base = m_mileages.data();
    std::size_t size = m_mileages.size() - 1; // intervals 0 .. n - 2
    while (size > 1) {
        const std::size_t half = size / 2;
        base = base[half] <= mileage ? base + half : base;
        size -= half;
    }
    return static_cast<std::size_t>(base - m_mileages.data());
}

std::optional<std::size_t> Profile::CurveHolding(std::size_t k, double mileage) const {
    // Only the curves at the two ends of the interval can reach into it.
    for (const std::size_t j : {k, k + 1}) {
        const VerticalCurve& c = m_curves[j];
        if (c.Length > 0.0 && mileage >= c.StartMileage && mileage <= c.EndMileage) {
            return j;
        }
    }
    return std::nullopt;
}

std::optional<double> Profile::ElevationAt(double mileage) const {
    if (!(mileage >= Start() && mileage <= End())) {
        return std::nullopt;
    }
    const std::size_t k = IntervalOf(mileage);
    if (const std::optional<std::size_t> j = CurveHolding(k, mileage)) {
        const VerticalCurve& c = m_curves[*j];
        const GradePoint& p = m_points[*j];
        // From the nearer tangent point: x^2 / (2R) off the tangent of that side.
        const bool before = mileage <= p.Mileage;
        const double x = before ? mileage - c.StartMileage : c.EndMileage - mileage;
        const double tangent =
            p.Elevation + (before ? c.GradeIn : c.GradeOut) * (mileage - p.Mileage);
        const double sign = c.GradeOut > c.GradeIn ? 1.0 : -1.0;
        return tangent + sign * x * x / (2.0 * p.Radius);
    }
    const GradePoint& a = m_points[k];
    return a.Elevation + m_grades[k] * (mileage - a.Mileage);
}

std::optional<double> Profile::GradeAt(double mileage) const {
    if (!(mileage >= Start() && mileage <= End())) {
        return std::nullopt;
    }
    const std::size_t k = IntervalOf(mileage);
    if (const std::optional<std::size_t> j = CurveHolding(k, mileage)) {
        const VerticalCurve& c = m_curves[*j];
        return c.GradeIn + (c.GradeOut - c.GradeIn) * (mileage - c.StartMileage) / c.Length;
    }
    return m_grades[k];
}

CrossFall::CrossFall(std::vector<CrossFallRow> rows) : m_rows(std::move(rows)) {
    if (m_rows.empty()) {
        Refuse("a cross-fall table needs at least one row");
    }
    for (std::size_t k = 0; k < m_rows.size(); ++k) {
        const CrossFallRow& r = m_rows[k];
        if (!std::isfinite(r.Mileage) || !std::isfinite(r.Left) || !std::isfinite(r.Right)) {
            Refuse("cross-fall row " + r.Name + " holds a value that is not finite");
        }
        if (k > 0 && !(r.Mileage > m_rows[k - 1].Mileage)) {
            Refuse("cross-fall rows " + m_rows[k - 1].Name + " and " + r.Name + " are out of order");
        }
    }
}

double CrossFall::At(double mileage, double offset) const {
    const auto side = [offset](const CrossFallRow& r) { return offset >= 0.0 ? r.Left : r.Right; };
    if (mileage <= m_rows.front().Mileage) {
        return side(m_rows.front());
    }
    if (mileage >= m_rows.back().Mileage) {
        return side(m_rows.back());
    }
    const auto it = std::upper_bound(
        m_rows.begin(), m_rows.end(), mileage,
        [](double m, const CrossFallRow& r) { return m < r.Mileage; });
    const CrossFallRow& b = *it;
    const CrossFallRow& a = *(it - 1);
    const double t = (mileage - a.Mileage) / (b.Mileage - a.Mileage);
    return side(a) + t * (side(b) - side(a));
}

double CrossFall::ElevationOff(double centre, double mileage, double offset) const {
    return centre + std::fabs(offset) * At(mileage, offset) / 100.0;
}

} // namespace tesk::profile
