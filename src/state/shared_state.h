#pragma once

// Conventions that hold throughout the program (they are the source of silent errors, so they
// are stated once here):
//   * Plane coordinates are survey coordinates in metres: X is NORTH, Y is EAST. Drawings take
//     east first; converting is the drawing layer's job, never the tables'.
//   * Azimuths are radians measured from north (+X) clockwise toward east (+Y), normally in
//     [0, 2*pi). A positive deflection, turn or radius sign means a turn to the right.
//   * A skew distance is positive to the LEFT of the line's direction.
//   * Every table and evaluator works on continuous mileage (start station + distance along the
//     line). Written stations restart at each chain break and carry a mark letter "A", "B", ...;
//     the conversions live in the stationing library.

#include "alignment/element/element_alignment.h"
#include "alignment/jd/jd_alignment.h"
#include "state/table.h"

#include <memory>

#include <string>

namespace tesk::state {

inline constexpr int kMaxRows = 1000; ///< vertices, elements
inline constexpr int kMaxBreaks = 19; ///< chain breaks

template <typename T> using RowTable = Table<T, 1, kMaxRows>;
/// Tables with a row for the end of the line after the last element.
template <typename T> using RowTablePlusEnd = Table<T, 1, kMaxRows + 1>;
template <typename T> using BreakTable = Table<T, 0, kMaxBreaks + 1>;

/// The alignment the last Initialize loaded and everything derived from it. Owned by the program
/// (the window or one CLI run) and passed by reference; the constructions write it, every other
/// command only reads it. Rows beyond a count keep stale values; readers stop at the count.
struct SharedState {
    /// The built lines the tables below were filled from; every station is evaluated on them.
    std::shared_ptr<const jd::JdAlignment> JdLine;
    std::shared_ptr<const element::ElementAlignment> ElementLine;

    // ---- Intersection-point (JD) method: raw input, row i = i-th vertex --------------------
    double StartStation = 0.0; ///< start station of the JD line, m
    int JdCount = 0;           ///< number of vertices n, start and end point included

    RowTable<std::string> JdNameLine; ///< cleaned name line (vertex label)
    RowTable<double> JdHairpin;       ///< 1 for a hairpin (switchback) vertex
    RowTable<double> JdKeepBack;      ///< hairpin: 1 if the back leg keeps its direction
    RowTable<double> JdKeepAhead;     ///< hairpin: 1 if the ahead leg keeps its direction

    RowTable<double> JdX, JdY;             ///< vertex coordinates, m (X north, Y east)
    RowTable<double> JdRadius;             ///< arc radius R, m (negated in place for hairpins)
    RowTable<double> JdSpiral1;            ///< entry spiral length Ls1, m (0 = none)
    RowTable<double> JdSpiral2;            ///< exit spiral length Ls2, m (0 = none)
    RowTable<double> JdSpiral1OuterRadius; ///< radius at the entry spiral's outer end, 0 = infinite
    RowTable<double> JdSpiral2OuterRadius; ///< radius at the exit spiral's outer end, 0 = infinite

    // ---- JD method: derived by the construction --------------------------------------------
    RowTable<double> LegAzimuth;         ///< azimuth of the leg from vertex i to i+1, i = 1..n-1
    RowTable<double> Deflection;         ///< deflection alpha, rad, positive = right
    RowTable<int> TurnsRight;            ///< 1 if Deflection > 0
    RowTable<double> Tangent1, Tangent2; ///< tangent lengths back to ZH and ahead to HZ, m
    RowTable<double> CurveLength;        ///< ZH to HZ, m (negated for hairpins)
    RowTable<double> ArcLength;          ///< HY to YH, m
    RowTable<double> ArcAngle;           ///< angle between the spirals' origin tangents, rad
    RowTable<double> Spiral1Lead, Spiral2Lead; ///< clothoid origin to outer end, m (0 if complete)
    RowTable<double> Spiral1OriginAzimuth, Spiral2OriginAzimuth; ///< tangent azimuth at the origin
    RowTable<double> JdStation;      ///< continuous station of the vertex, i = 1..n
    RowTable<double> StraightLength; ///< straight between curve i and i+1 (negative = overlap)
    RowTable<double> StationZH, StationHY, StationQZ, StationYH, StationHZ;
    /// StationZH(2..n-1) increases strictly, so the curve search may bisect it (set by the
    /// JD construction; false makes the evaluators scan)
    bool StationZHIncreasing = false;
    RowTable<double> ZhX, ZhY, HyX, HyY, QzX, QzY, YhX, YhY, HzX, HzY;
    RowTable<double> AzimuthHY, AzimuthQZ, AzimuthYH;
    RowTable<std::string> LabelZH, LabelHY, LabelQZ, LabelYH, LabelHZ; ///< display labels

    // ---- Chain breaks (JD method only) -----------------------------------------------------
    int BreakCount = 0;   ///< chain breaks in force, 0..19 (0 with the element method)
    int JdBreakCount = 0; ///< chain breaks of the loaded JD line, in force whenever it is used
    BreakTable<double> BreakBack;    ///< written station before break k (k = 1..BreakCount)
    BreakTable<double> BreakAhead;   ///< written station after break k
    BreakTable<double> SectionStart; ///< first written station of section k = 1..BreakCount+1
    BreakTable<double> SectionEnd;   ///< last written station of section k

    // ---- Element method: raw input ---------------------------------------------------------
    double ElemStartStation = 0.0; ///< m
    double ElemStartX = 0.0;       ///< m, north
    double ElemStartY = 0.0;       ///< m, east
    double ElemStartAzimuth = 0.0; ///< as read: d.mmss; then decimal degrees; then radians
    int ElemRowCount = 0;          ///< element rows read (rewritten by the split)
    RowTable<double> ElemRowA, ElemRowB, ElemRowC; ///< start radius, end radius, length

    // ---- Element method: derived by the construction ---------------------------------------
    int ElemCount = 0;                   ///< elements after splitting
    RowTable<double> ElemStartRadius;    ///< m, signed, 10000 = infinite
    RowTable<double> ElemEndRadius;      ///< m, signed, 10000 = infinite
    RowTable<double> ElemLength;         ///< m
    RowTablePlusEnd<double> ElemStation; ///< station of the element's start; row ElemCount+1 = end
    /// ElemStation(1..ElemCount+1) increases strictly, so the element search may bisect it (set
    /// by the element construction; false makes the evaluator scan)
    bool ElemStationIncreasing = false;
    RowTablePlusEnd<double> ElemAzimuth;     ///< tangent azimuth at the element's start
    RowTablePlusEnd<double> ElemX, ElemY;    ///< start point
    RowTable<double> ElemTurn;               ///< signed angle turned over the element, rad
    RowTable<double> ElemDeltaX, ElemDeltaY; ///< coordinate increments over the element, m
};

} // namespace tesk::state
