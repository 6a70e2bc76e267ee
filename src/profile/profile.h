#pragma once

// The vertical alignment: grade points (变坡点) joined by straight grades, with a symmetric
// quadratic-parabola vertical curve (竖曲线) at each inner grade point given by its radius R; and
// the cross-fall (横坡) of each side, which gives the elevation of a point off the centre line.
//
// Everything is in continuous mileage (m) and metres; grades are ratios (0.02 = 2 %), cross-fall
// in percent as written (positive rising away from the centre line). At a grade point with
// R > 0: omega = i2 - i1, L = R |omega|, T = L / 2, E = T^2 / (2R); within the curve the
// elevation is the tangent elevation + x^2 / (2R) for a sag (omega > 0), - for a crest, x from
// the nearer tangent point.
//
// Two other vertical curves, as design software delivers them: an unsymmetric parabola given by
// its two horizontal lengths l1 before and l2 after the grade point (two parabolas with a common
// tangent at the grade point; E = l1 l2 |omega| / (2 (l1 + l2)), the offset off the tangent
// E (x / l)^2, x from the tangent point of that side), and a circular vertical curve of radius R
// tangent to both grades (a true circle in the plane of mileage and elevation, not a parabola:
// tangent length along each grade R tan(|Δ| / 2), Δ the change of the grades' angles).

#include <optional>
#include <string>
#include <vector>

namespace tesk::profile {

/// The shape of the vertical curve at a grade point.
enum class CurveShape {
    Parabola,            ///< symmetric parabola of radius Radius
    UnsymmetricParabola, ///< parabola of lengths LengthIn, LengthOut (Radius unused)
    Circle,              ///< circular arc of radius Radius
};

/// One grade point.
struct GradePoint {
    std::string Name;      ///< how failures name it: its station text as written
    double Mileage = 0.0;  ///< m, continuous
    double Elevation = 0.0; ///< m
    double Radius = 0.0;    ///< vertical-curve radius R, m; 0 = no curve (Parabola, Circle)
    CurveShape Shape = CurveShape::Parabola;
    double LengthIn = 0.0;  ///< UnsymmetricParabola: horizontal length before the point, m
    double LengthOut = 0.0; ///< UnsymmetricParabola: horizontal length after the point, m
};

/// The vertical curve at a grade point (one row of the curve table).
struct VerticalCurve {
    double GradeIn = 0.0;   ///< i1, ratio (0 for the first point)
    double GradeOut = 0.0;  ///< i2, ratio (0 for the last point)
    double Length = 0.0;    ///< L, horizontal, m (0 without a curve)
    double Tangent = 0.0;   ///< T = L / 2, m (the mean of the two sides when unsymmetric)
    double External = 0.0;  ///< E, vertical distance from the grade point to the curve, m
    double StartMileage = 0.0; ///< the curve's start (grade point - T for a parabola), m
    double EndMileage = 0.0;   ///< the curve's end (grade point + T for a parabola), m
    CurveShape Shape = CurveShape::Parabola;
};

/// The vertical alignment. Immutable; cheap to query from any thread.
class Profile {
public:
    /// Builds the profile. Throws geometry::RuntimeError(Format) naming the grade points for:
    /// fewer than two points, mileages not strictly increasing, a value that is not finite, a
    /// negative radius or length, an unsymmetric curve with one length 0, a curve at the first
    /// or last point, curves that overlap (the end of one beyond the start of the next) or reach
    /// past the neighbouring grade point, a circular curve whose grades are too steep to be
    /// joined by it (|angle| of a grade >= 90 degrees cannot occur; a non-finite construction).
    explicit Profile(std::vector<GradePoint> points);

    /// The design elevation at `mileage` (m), or nothing before the first or after the last
    /// grade point.
    std::optional<double> ElevationAt(double mileage) const;
    /// The grade (ratio) at `mileage`, or nothing outside the grade points.
    std::optional<double> GradeAt(double mileage) const;

    const std::vector<GradePoint>& Points() const { return m_points; }
    /// One curve per grade point, in order.
    const std::vector<VerticalCurve>& Curves() const { return m_curves; }
    double Start() const { return m_points.front().Mileage; }
    double End() const { return m_points.back().Mileage; }

private:
    std::size_t IntervalOf(double mileage) const;
    /// The vertical curve (by grade point) holding `mileage` in interval `k`, if any.
    std::optional<std::size_t> CurveHolding(std::size_t k, double mileage) const;
    /// Elevation and grade within curve j (mileage inside it).
    double CurveElevation(std::size_t j, double mileage) const;
    double CurveGrade(std::size_t j, double mileage) const;

    /// The circle of a circular curve: centre (mileage, elevation), radius, +1 sag / -1 crest.
    struct Circle {
        double CentreMileage = 0.0;
        double Base = 0.0; ///< the elevation of the circle's lowest (sag) or highest point
        double Radius = 0.0;
        double Sign = 1.0;
    };
    std::vector<Circle> m_circles; ///< one per grade point (used for Circle curves)

    std::vector<GradePoint> m_points;
    std::vector<double> m_mileages; ///< the points' mileages, for the search
    std::vector<VerticalCurve> m_curves;
    std::vector<double> m_grades; ///< grade between point k and k + 1
};

/// One row of a cross-fall table.
struct CrossFallRow {
    std::string Name;    ///< its station text as written
    double Mileage = 0.0; ///< m
    double Left = 0.0;    ///< %, positive rising away from the centre line
    double Right = 0.0;   ///< %
};

/// Cross-fall per side, linearly interpolated in mileage between rows and constant before the
/// first and after the last.
class CrossFall {
public:
    /// Throws geometry::RuntimeError(Format) for no rows, mileages not increasing, or a value
    /// that is not finite.
    explicit CrossFall(std::vector<CrossFallRow> rows);

    /// The cross-fall (%) at `mileage` on the side of `offset` (m, positive = left; 0 = the left
    /// side, though a centre-line point needs none).
    double At(double mileage, double offset) const;

    /// The elevation of a point `offset` m off the centre line whose elevation is `centre`:
    /// centre + |offset| * cross-fall / 100 (rotation about the centre line).
    double ElevationOff(double centre, double mileage, double offset) const;

    const std::vector<CrossFallRow>& Rows() const { return m_rows; }

private:
    std::vector<CrossFallRow> m_rows;
};

} // namespace tesk::profile
