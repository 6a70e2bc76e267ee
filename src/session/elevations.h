#pragma once

// The elevations of the loaded line: its vertical alignment and cross-fall, read with the line's
// chain breaks, and the design elevation of any point the program computes.

#include "geometry/plane.h"
#include "session/session.h"

#include <optional>
#include <string>

namespace tesk::session {

/// Reads a profile file (".sqx") onto `line`: each grade point's written station placed with the
/// line's chain breaks. Throws geometry::RuntimeError(Format) naming the file and line for a
/// station that is refused (its message), lies outside the line, or for a profile the builder
/// refuses (curves that overlap, points out of order: the message names both grade points).
void LoadProfile(LoadedLine& line, const std::string& path);

/// Reads a cross-fall file (".hp") onto `line`; failures as LoadProfile.
void LoadCrossFall(LoadedLine& line, const std::string& path);

/// The design elevation (m) of the point `offset` m off the line (positive left) at `mileage`:
/// the centre-line elevation, rotated about the centre line by the cross-fall of that side when
/// a cross-fall is loaded. Nothing without a profile or outside its grade points.
std::optional<double> DesignElevation(const LoadedLine& line, double mileage, double offset = 0.0);

/// The design elevation at a plan point near the line (a pile, a side stake): the line's
/// elevation at the point's foot, with the cross-fall over the foot's offset; of several feet,
/// the one nearest to `nearMileage` (m). Nothing without a profile, outside it, or with no foot
/// within 500 m.
std::optional<double> ElevationAtPoint(const LoadedLine& line, geometry::PlanePoint point,
                                       double nearMileage);

/// Why a row has no elevation although a profile is loaded: the station lies before the first or
/// after the last grade point.
inline constexpr std::string_view kNoElevationNote =
    "桩号在纵断面第一个变坡点之前或最后一个变坡点之后，没有设计高程";

} // namespace tesk::session
