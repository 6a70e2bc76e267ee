#pragma once

// Stake-out points: survey points put into the drawing as point entities at (Y, X, 0), east
// first, so that a surveyor can pick them up for setting out. After a stake-out the coordinate
// system "yx" (x axis north, y axis east) lets the drawing program show them as survey X, Y.

#include "cad/drawing_host.h"
#include "piles/pile_table.h"

#include <string_view>
#include <vector>

namespace tesk::cad {

/// The most skew distances the single-station stake-out takes at once.
inline constexpr int kMaxStakeOutDistances = 50;

/// Adds one point per distance entry of every pier of `table` (pier by pier, entries in file
/// order) at the entry's plane point (piles::EntryPoint). Adds the coordinate systems "yx" and
/// "xy" first and leaves "yx" current. Throws geometry::RuntimeError(Format) for a table without
/// piers (before anything is added) and whatever the host throws.
void DrawPileStakeOut(const piles::PileTable& table, DrawingHost& host);

/// The skew distances of the stake-out field: blank-separated numbers, each a number as a whole,
/// at most kMaxStakeOutDistances; an empty field is one distance 0. Throws
/// geometry::RuntimeError(Format) for an item that is not a number or too many items.
std::vector<double> SkewDistances(std::string_view field);

/// Adds one point per survey point of `points` and, when `joinWithPolyline` and there are two or
/// more, a magenta light-weight polyline through them in that order. Adds "yx" and "xy", draws
/// with "yx" current and makes "xy" current again. Throws whatever the host throws.
void DrawStakeOutPoints(const std::vector<geometry::PlanePoint>& points, bool joinWithPolyline,
                        DrawingHost& host);

/// The polar stake-out set-up: a circle at the instrument station labelled "测站", a red line
/// to the backsight labelled "后视", and a cyan line from the station to each of `points`.
/// Sizes are in metres, for a drawing of survey coordinates. Draws in world coordinates and
/// leaves the current coordinate system as it was. Throws whatever the host throws.
void DrawPolarSetup(geometry::PlanePoint station, geometry::PlanePoint backsight,
                    const std::vector<geometry::PlanePoint>& points, DrawingHost& host);

} // namespace tesk::cad
