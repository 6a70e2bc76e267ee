#pragma once

// A bridge's pile table: the pier blocks of a pile file placed on the design line, and the plane
// point of every pile. Units and signs as in geometry/plane.h; angles of the pile file in
// degrees.

#include "alignment/alignment.h"
#include "formats/pile_file.h"
#include "geometry/plane.h"

#include <string>
#include <variant>
#include <vector>

namespace tesk::piles {

using formats::PileEntry;

/// One pier placed on the line.
struct Pier : formats::PierBlock {
    /// Reference point: the line's point at the station moved Shift along the tangent, m
    geometry::PlanePoint Reference;
    double Azimuth = 0.0; ///< tangent azimuth of the line at the station, rad
};

/// The pile table of one pile file.
struct PileTable {
    std::string SourcePath; ///< the file it was read from (empty for text in memory)
    std::vector<Pier> Piers;
};

/// Plane point of `entry` of `pier`: the reference point moved L1 along the pier axis
/// (azimuth + theta - pi) and L2 along the second direction (azimuth + theta - alpha).
geometry::PlanePoint EntryPoint(const Pier& pier, const PileEntry& entry);

/// The point at skew distance d (m, positive = left) from a design-line point, along the
/// direction turned by theta (degrees, clockwise) from the tangent azimuth and then reversed.
geometry::PlanePoint OffsetPoint(const geometry::StationPoint& linePoint, double thetaDegrees,
                                 double d);

/// Places the pier blocks on `line`. Returns the table, or the refusal message
/// "桩号" + station text + "超出平面数据文件，请修改！" for the first pier whose station lies
/// outside the line (before anything is evaluated). Throws geometry::RuntimeError when the line
/// cannot be evaluated at a station or a reference point is not finite.
std::variant<PileTable, std::string> PlacePiers(std::vector<formats::PierBlock> blocks,
                                                const alignment::Alignment& line,
                                                std::string sourcePath);

} // namespace tesk::piles
