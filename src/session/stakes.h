#pragma once

// Stakes of the written stationing: a typed station as a stake, and the stakes of a range at a
// given interval with the line's main points among them.

#include "geometry/plane.h"
#include "session/refusal.h"
#include "session/session.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tesk::session {

/// Most stakes one range may list.
inline constexpr double kMaxStakes = 1'000'000;

/// A point of the stationing: its continuous mileage and its label ("K1+234.500", with the
/// section's mark letter where chain breaks exist: "BK15+120.000").
struct Stake {
    double Mileage = 0.0;
    std::string Label;
    double Written = 0.0; ///< the written station the label shows, m
    char Mark = '\0';     ///< the label's chain-break mark letter, '\0' = none
};

/// A typed station text (trimmed) as a stake, labelled in the section the user named (at a
/// chain break one point carries two written stations: the one asked for is shown). Refusals as
/// ResolveStation.
std::variant<Stake, Refusal> StakeAt(const LoadedLine& line, std::string_view typed);

/// Every multiple of `step` (m) of the written stationing between the mileages `from` and `to`
/// (either order), section by section, and every main point between them, in mileage order,
/// once each. Refuses a step that is not a positive number ("间距应大于0！") and a range of more
/// than kMaxStakes stakes ("间距过小，桩号超过1000000个，请加大间距！").
std::variant<std::vector<Stake>, Refusal> StakeRange(const LoadedLine& line, double from, double to,
                                                     double step);

/// The refusals of StakeRange for a range, without listing its stakes.
std::optional<Refusal> CheckStakeRange(const LoadedLine& line, double from, double to, double step);

/// The stakes of StakeRange one by one, in the same order, without keeping them: `visit` gets
/// each in turn. The refusals come before the first stake is visited.
std::optional<Refusal> ForEachStake(const LoadedLine& line, double from, double to, double step,
                                    const std::function<void(const Stake&)>& visit);

} // namespace tesk::session

namespace tesk::session {

/// The design elevation of a point placed `skew` m off the line at `mileage` along the right
/// deflection `angle` (degrees; 90 = square): square to the line its cross-fall over the skew
/// distance; otherwise at the point's own foot. Nothing without a profile or outside it.
std::optional<double> PointElevation(const LoadedLine& line, double mileage, double skew,
                                     double angle, geometry::PlanePoint point);

/// One stake of a side-stake table: the line's point and the points across it.
struct SideStakeRow {
    Stake At;
    geometry::StationPoint Centre;            ///< the line's point and tangent azimuth
    std::vector<geometry::PlanePoint> Points; ///< one per offset, in the table's order
    /// With a profile loaded: the design elevation of the centre, then of each point (nothing
    /// outside the profile's grade points); empty without a profile
    std::vector<std::optional<double>> Elevations;
};

/// The side-stake table ("逐桩坐标表") of a range.
struct SideStakeTable {
    std::vector<double> Offsets; ///< m, positive to the left
    double Angle = 90.0;         ///< right deflection angle of the offsets, degrees
    std::vector<SideStakeRow> Rows;
};

/// The stakes of the range from the station `from` to the station `to` (texts as typed; empty
/// = the line's start or end) at `step` m with the main points, and at each the points at
/// `offsets` (m, left positive) along the direction `angle` (degrees clockwise from the tangent,
/// [0, 180); 0 = 90) as the point frame places them. Refusals: the stations' (as StakeAt), the
/// range's (as StakeRange), "右偏角应在0～180之间！", an offset that is not a finite number.
/// Throws geometry::RuntimeError when the line cannot be evaluated at a stake.
std::variant<SideStakeTable, Refusal>
MakeSideStakeTable(const LoadedLine& line, std::string_view from, std::string_view to, double step,
                   const std::vector<double>& offsets, double angle);

} // namespace tesk::session

namespace tesk::session {

/// One foot of a located point, as the tables show it.
struct LocatedFoot {
    Stake At;             ///< the foot's mileage and station label
    double Offset = 0.0;  ///< m, positive to the left of the line
    double Azimuth = 0.0; ///< rad, the line's tangent azimuth at the foot
};

/// A point and its feet on the line, nearest first; with none, Note says why.
struct PointLocation {
    std::string Name;
    geometry::PlanePoint Point;
    std::vector<LocatedFoot> Feet;
    std::string Note;
};

/// The note of a point at the centre of an arc: every point of the arc is a foot.
std::string ArcCentreNote(const std::string& name);
/// The note of a point whose perpendiculars fall only on the extensions of the line.
std::string NoFootNote(const std::string& name);

/// Point -> station for each of `points` (name, X north, Y east).
std::vector<PointLocation>
LocatePoints(const LoadedLine& line,
             const std::vector<std::pair<std::string, geometry::PlanePoint>>& points);

} // namespace tesk::session
