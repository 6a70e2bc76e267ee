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
        if (!std::isfinite(p.Mileage) || !std::isfinite(p.Elevation) || !std::isfinite(p.Radius) ||
            !std::isfinite(p.LengthIn) || !std::isfinite(p.LengthOut)) {
            Refuse("grade point " + p.Name + " holds a value that is not finite");
        }
        if (p.Radius < 0.0) {
            Refuse("grade point " + p.Name + " has a negative vertical-curve radius");
        }
        if (p.LengthIn < 0.0 || p.LengthOut < 0.0) {
            Refuse("grade point " + p.Name + " has a negative vertical-curve length");
        }
        if (p.Shape == CurveShape::UnsymmetricParabola &&
            (p.LengthIn == 0.0) != (p.LengthOut == 0.0)) {
            Refuse("grade point " + p.Name +
                   " has an unsymmetric vertical curve with one of its two lengths 0");
        }
    }
    const auto hasCurve = [](const GradePoint& p) {
        return p.Shape == CurveShape::UnsymmetricParabola ? p.LengthIn > 0.0 : p.Radius != 0.0;
    };
    if (hasCurve(m_points.front()) || hasCurve(m_points.back())) {
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
    m_circles.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        VerticalCurve& c = m_curves[k];
        const GradePoint& p = m_points[k];
        c.Shape = p.Shape;
        c.GradeIn = k > 0 ? m_grades[k - 1] : 0.0;
        c.GradeOut = k + 1 < n ? m_grades[k] : 0.0;
        const double r = p.Radius;
        const double omega = c.GradeOut - c.GradeIn;
        c.StartMileage = p.Mileage;
        c.EndMileage = p.Mileage;
        switch (p.Shape) {
        case CurveShape::Parabola:
            c.Length = r * std::fabs(omega);
            c.StartMileage = p.Mileage - c.Length / 2.0;
            c.EndMileage = p.Mileage + c.Length / 2.0;
            c.External = r > 0.0 ? c.Length * c.Length / (8.0 * r) : 0.0;
            break;
        case CurveShape::UnsymmetricParabola:
            c.Length = p.LengthIn + p.LengthOut;
            c.StartMileage = p.Mileage - p.LengthIn;
            c.EndMileage = p.Mileage + p.LengthOut;
            c.External = c.Length > 0.0
                             ? p.LengthIn * p.LengthOut * std::fabs(omega) / (2.0 * c.Length)
                             : 0.0;
            break;
        case CurveShape::Circle: {
            const double a1 = std::atan(c.GradeIn);
            const double a2 = std::atan(c.GradeOut);
            const double delta = a2 - a1;
            if (r == 0.0 || delta == 0.0) {
                break;
            }
            const double t = r * std::tan(std::fabs(delta) / 2.0);
            c.StartMileage = p.Mileage - t * std::cos(a1);
            c.EndMileage = p.Mileage + t * std::cos(a2);
            c.Length = c.EndMileage - c.StartMileage;
            const double startElevation = p.Elevation - t * std::sin(a1);
            Circle& circle = m_circles[k];
            circle.Sign = delta > 0.0 ? 1.0 : -1.0;
            circle.Radius = r;
            circle.CentreMileage = c.StartMileage - circle.Sign * r * std::sin(a1);
            const double s = std::sin(a1 / 2.0);
            circle.Base = startElevation - circle.Sign * 2.0 * r * s * s;
            if (!std::isfinite(c.Length) || !std::isfinite(circle.Base)) {
                Refuse("grade point " + p.Name + ": its circular vertical curve is not finite");
            }
            break;
        }
        }
        c.Tangent = c.Length / 2.0;
    }
    for (std::size_t k = 0; k < n; ++k) {
        if (m_curves[k].Length > 0.0 && m_curves[k].Shape == CurveShape::Circle) {
            m_curves[k].External =
                std::fabs(CurveElevation(k, m_points[k].Mileage) - m_points[k].Elevation);
        }
    }
    for (std::size_t k = 0; k + 1 < n; ++k) {
        const double room = m_points[k + 1].Mileage - m_points[k].Mileage;
        const double after = m_curves[k].EndMileage - m_points[k].Mileage;
        const double before = m_points[k + 1].Mileage - m_curves[k + 1].StartMileage;
        if (after + before > room) {
            Refuse("the vertical curves at " + Between(m_points[k], m_points[k + 1]) +
                   " overlap: their tangents " + geometry::FormatFixed(after, 3) + " + " +
                   geometry::FormatFixed(before, 3) + " m exceed the " +
                   geometry::FormatFixed(room, 3) + " m between them");
        }
    }
}

double Profile::CurveElevation(std::size_t j, double mileage) const {
    const VerticalCurve& c = m_curves[j];
    const GradePoint& p = m_points[j];
    const bool before = mileage <= p.Mileage;
    const double tangent = p.Elevation + (before ? c.GradeIn : c.GradeOut) * (mileage - p.Mileage);
    const double sign = c.GradeOut > c.GradeIn ? 1.0 : -1.0;
    switch (c.Shape) {
    case CurveShape::Parabola: {
        // From the nearer tangent point: x^2 / (2R) off the tangent of that side.
        const double x = before ? mileage - c.StartMileage : c.EndMileage - mileage;
        return tangent + sign * x * x / (2.0 * p.Radius);
    }
    case CurveShape::UnsymmetricParabola: {
        const double x = before ? mileage - c.StartMileage : c.EndMileage - mileage;
        const double l = before ? p.LengthIn : p.LengthOut;
        return tangent + sign * c.External * (x / l) * (x / l);
    }
    case CurveShape::Circle: {
        // R - sqrt(R^2 - u^2) as u^2 / (R + sqrt(R^2 - u^2)): no cancellation near the bottom.
        const Circle& circle = m_circles[j];
        const double u = mileage - circle.CentreMileage;
        const double root = std::sqrt(std::max(0.0, (circle.Radius - u) * (circle.Radius + u)));
        return circle.Base + circle.Sign * u * u / (circle.Radius + root);
    }
    }
    return tangent;
}

double Profile::CurveGrade(std::size_t j, double mileage) const {
    const VerticalCurve& c = m_curves[j];
    const GradePoint& p = m_points[j];
    switch (c.Shape) {
    case CurveShape::Parabola:
        return c.GradeIn + (c.GradeOut - c.GradeIn) * (mileage - c.StartMileage) / c.Length;
    case CurveShape::UnsymmetricParabola: {
        const double sign = c.GradeOut > c.GradeIn ? 1.0 : -1.0;
        if (mileage <= p.Mileage) {
            return c.GradeIn +
                   sign * 2.0 * c.External * (mileage - c.StartMileage) / (p.LengthIn * p.LengthIn);
        }
        return c.GradeOut -
               sign * 2.0 * c.External * (c.EndMileage - mileage) / (p.LengthOut * p.LengthOut);
    }
    case CurveShape::Circle: {
        const Circle& circle = m_circles[j];
        const double u = mileage - circle.CentreMileage;
        const double root = std::sqrt(std::max(0.0, (circle.Radius - u) * (circle.Radius + u)));
        return circle.Sign * u / root;
    }
    }
    return c.GradeIn;
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
        return CurveElevation(*j, mileage);
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
        return CurveGrade(*j, mileage);
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
