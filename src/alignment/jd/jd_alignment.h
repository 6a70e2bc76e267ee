#pragma once

// The intersection-point (JD) builder: from a table of vertices with their curve data to the
// curve table (tangent lengths, curve lengths, main points) and the Alignment they describe.
//
// Units and signs as in geometry/plane.h. A positive deflection turns right. A hairpin vertex
// (switchback, "HT" in its name) turns through more than pi; its curve data are kept negated in
// the curve table, its tangent lengths are negative.

#include "alignment/alignment.h"

#include <string>
#include <vector>

namespace tesk::jd {

inline constexpr int kMaxVertices = 1000;

/// One vertex as read from a JD file: the start point, the intersection points, the end point.
struct Vertex {
    std::string Name;               ///< cleaned name line (the vertex label)
    double X = 0.0;                 ///< m, north
    double Y = 0.0;                 ///< m, east
    double Radius = 0.0;            ///< arc radius R, m (> 0; unused on the first and last row)
    double Spiral1 = 0.0;           ///< entry spiral length Ls1, m (0 = none)
    double Spiral2 = 0.0;           ///< exit spiral length Ls2, m (0 = none)
    double Spiral1OuterRadius = 0.0; ///< radius at the entry spiral's outer end, m, 0 = infinite
    double Spiral2OuterRadius = 0.0; ///< radius at the exit spiral's outer end, m, 0 = infinite
    bool Hairpin = false;           ///< a switchback vertex
    bool KeepBack = false;          ///< hairpin: the back leg keeps its direction
    bool KeepAhead = false;         ///< hairpin: the ahead leg keeps its direction
};

/// A JD line as read: the start station (m, continuous mileage of the first vertex) and the
/// vertices, start point first.
struct JdInput {
    double StartStation = 0.0;
    std::vector<Vertex> Vertices;
};

/// The constructed curve of one vertex (row k of the curve table, k = 0 for the start point).
/// The first and last rows carry no curve: their main points are the vertex itself.
struct JdCurve {
    /// The curve data as used: as entered, negated for a hairpin
    double Radius = 0.0, Spiral1 = 0.0, Spiral2 = 0.0;
    double Spiral1OuterRadius = 0.0, Spiral2OuterRadius = 0.0;
    double LegAzimuth = 0.0; ///< azimuth of the leg to the next vertex, rad (0 on the last row)
    double Deflection = 0.0; ///< rad, positive = right; more than pi for a hairpin
    bool TurnsRight = false;
    double Tangent1 = 0.0;    ///< ZH back to the vertex, m (negative for a hairpin)
    double Tangent2 = 0.0;    ///< the vertex to HZ, m
    double CurveLength = 0.0; ///< ZH to HZ, m (negated for a hairpin)
    double ArcLength = 0.0;   ///< HY to YH, m
    double ArcAngle = 0.0;    ///< angle between the spirals' origin tangents, rad
    double Spiral1Lead = 0.0, Spiral2Lead = 0.0; ///< clothoid origin to outer end, m (0 complete)
    double Spiral1OriginAzimuth = 0.0, Spiral2OriginAzimuth = 0.0; ///< rad
    double Station = 0.0;        ///< continuous mileage of the vertex, m
    double StraightLength = 0.0; ///< straight to the next curve, m (negative = overlap)
    double StationZH = 0.0, StationHY = 0.0, StationQZ = 0.0, StationYH = 0.0, StationHZ = 0.0;
    geometry::PlanePoint Zh, Hy, Qz, Yh, Hz;
    double AzimuthHY = 0.0, AzimuthQZ = 0.0, AzimuthYH = 0.0; ///< rad, not normalised
};

/// The constructed JD line.
class JdAlignment {
public:
    /// Builds the line. Throws geometry::RuntimeError naming the vertex ("vertex JD3 (row 4)")
    /// when it cannot be constructed: a vertex count outside 1..1000, coordinates or curve data
    /// that are not finite, coincident or collinear vertices, legs at 180 deg, R = 0, negative
    /// data on an ordinary vertex, an outer radius not beyond R, spirals turning through more
    /// than the deflection, or a curve whose construction is not finite.
    explicit JdAlignment(JdInput input);

    /// The line itself.
    const alignment::Alignment& Line() const { return m_line; }
    /// The vertices as read.
    const JdInput& Input() const { return m_input; }
    const std::vector<Vertex>& Vertices() const { return m_input.Vertices; }
    /// The curve table, one row per vertex.
    const std::vector<JdCurve>& Curves() const { return m_curves; }
    /// How failures name vertex k (0-based): "vertex JD3 (row 4)", "vertex #4 (row 4)".
    std::string VertexName(int k) const;

private:
    JdInput m_input;
    std::vector<JdCurve> m_curves;
    alignment::Alignment m_line;
};

} // namespace tesk::jd
