#pragma once

// How a piece of the line turns a mileage into a point: the formulas the two builders lay down.
// Not part of the library's interface.

#include "geometry/plane.h"

#include <cstddef>
#include <string>

namespace tesk::alignment::detail {

enum class Rule {
    Straight,           ///< Base + f * (cos, sin)(Frame)
    Arc,                ///< from Base along a circle of signed radius ArcRadius
    ClothoidFromOrigin, ///< a clothoid described from its origin, laid at Base
    ClothoidPiece,      ///< a clothoid piece described by its start curvature and rate
    Gap,                ///< no point: the mileage lies between overlapping curves
};

/// With f = Direction * (mileage - BaseMileage):
///  * Straight: Base + f along Frame, azimuth Frame.
///  * Arc: Base + (2R sin(l/2R) cos(l/2R), 2R sin^2(l/2R)) in the frame of Frame with l = |f|
///    and R = ArcRadius (one sine-cosine pair); azimuth Azimuth0 + f / TurnRadius.
///  * ClothoidFromOrigin: Base + ChordSign * ClothoidChord(|Lead|, |f + Lead|, K) in the frame of
///    Frame (the origin tangent); azimuth Azimuth0 + TurnSign * (f + Lead)^2 / TwoK.
///  * ClothoidPiece: Base + ClothoidSegment(StartCurvature, CurvatureRate, f) in the frame of
///    Frame; azimuth Frame + (StartCurvature + CurvatureRate * f / 2) * f.
inline constexpr std::size_t kNoSource = static_cast<std::size_t>(-1);

struct Formula {
    Rule Kind = Rule::Straight;
    double StartMileage = 0.0; ///< where the piece starts to hold, m
    geometry::PlanePoint Base;
    double BaseMileage = 0.0;
    double Direction = 1.0;
    double Frame = 0.0;
    double CosFrame = 1.0; ///< cos(Frame), sin(Frame): computed once when the line is built
    double SinFrame = 0.0;
    double Azimuth0 = 0.0;
    double ArcRadius = 0.0;
    double TurnRadius = 0.0;
    double Lead = 0.0;
    double K = 0.0;
    double TwoK = 0.0;
    double ChordSign = 1.0;
    double TurnSign = 1.0;
    double StartCurvature = 0.0;
    double CurvatureRate = 0.0;
    /// Curvatures at the piece's two ends in the direction of increasing mileage, 1/m (for the
    /// segment list).
    double CurvatureAtStart = 0.0;
    double CurvatureAtEnd = 0.0;
    /// Index into the line's source names ("vertex JD3 (row 4)", "element 7"), named in
    /// failures; kNoSource for none
    std::size_t Source = kNoSource;
};

/// The straight from `point` at `mileage` in direction `azimuth`: the tangent a line runs on
/// before its first element and after its last one.
inline Formula TangentFormula(double mileage, geometry::PlanePoint point, double azimuth,
                              std::size_t source) {
    Formula f;
    f.Kind = Rule::Straight;
    f.StartMileage = mileage;
    f.Base = point;
    f.BaseMileage = mileage;
    f.Frame = azimuth;
    f.Source = source;
    return f;
}

/// The point and azimuth (not normalised) of `f` at `mileage`. Throws geometry::RuntimeError.
geometry::StationPoint Evaluate(const Formula& f, double mileage);

} // namespace tesk::alignment::detail
