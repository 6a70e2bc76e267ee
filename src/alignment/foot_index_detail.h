#pragma once

// The search tree of Alignment::Locate. Not part of the library's interface.

#include "geometry/plane.h"

#include <cstddef>
#include <mutex>
#include <vector>

namespace tesk::alignment {
class Alignment;
struct Segment;
}

namespace tesk::alignment::detail {

/// How many sub-pieces a segment is cut into for its bounding box and its feet: each turns
/// through at most 0.2 rad and is at most 200 m long (within one, the foot function changes sign
/// at most once unless the point lies near a centre of curvature).
int PiecesOf(const Segment& s);

/// A node covers the segments [First, Last) of Segments(): their bounding box (widened by what
/// the sampling may miss) and the cone of their tangent directions. A point can have a foot on
/// them only where the line to some point of the box is square to some tangent of the cone.
struct FootNode {
    double MinX = 0.0, MaxX = 0.0, MinY = 0.0, MaxY = 0.0;
    double ConeX = 1.0, ConeY = 0.0;    ///< unit vector of the cone's middle direction
    double ConeCos = 0.0, ConeSin = 1.0; ///< cos and sin of the cone's half angle
    bool Pruned = false;                ///< false: the cone is too wide to prune by direction
    std::size_t First = 0, Last = 0;
    std::size_t Left = 0, Right = 0; ///< children; 0 for a leaf (the root is node 0)
};

struct FootIndex {
    std::vector<FootNode> Nodes;

    /// Builds the tree over the segments of `line`.
    static FootIndex Build(const Alignment& line);
    /// Whether a point may have a foot on the segments of `node` at most `maxDistance` away.
    static bool MayHaveFoot(const FootNode& node, geometry::PlanePoint p, double maxDistance);
};

/// The tree, built once on first use.
struct LazyFootIndex {
    std::once_flag Once;
    FootIndex Index;
};

} // namespace tesk::alignment::detail
