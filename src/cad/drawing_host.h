#pragma once

// The drawing target of every drawing command: named coordinate systems, layers, text styles and
// the entities a command adds, modelled on the automation interface of a CAD program.
//
// Coordinates. A drawing point is (x, y, z) in the drawing's world system: x to the right = EAST,
// y up = NORTH. A survey point (X north, Y east) therefore goes in as (Y, X, 0): see DrawingPoint.
// Points, line ends, circle and arc centres, text insertion and alignment points are always world
// points, whatever coordinate system is current. Only two things are given in the plane of the
// current coordinate system, as the object coordinate system of that plane defines them:
//   - the vertices of a light-weight polyline, and
//   - the start and end angles of an arc.
// For a coordinate system whose z axis points up (like "xy") that plane is the world itself. For
// one whose z axis points down (like "yx": x axis north, y axis east) the object x axis is WEST
// and its y axis NORTH: a vertex (a, b) is the world point (-a, b), an arc angle phi is the world
// direction (-cos phi, sin phi), and an arc runs from its start to its end angle clockwise as
// seen in the world (by increasing phi).
// Angles are radians. A text's rotation is counter-clockwise from east.

#include "geometry/plane.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tesk::cad {

/// A drawing point, world coordinates in metres: X east, Y north, Z up.
struct Point {
    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;
};

/// The drawing point of a survey point: east first, (Y, X, 0).
inline Point DrawingPoint(geometry::PlanePoint p) {
    return {p.Y, p.X, 0.0};
}

/// Colour indexes of the CAD colour palette (0 by block, 1..255 palette, 256 by layer).
inline constexpr int kByBlock = 0;
inline constexpr int kRed = 1;
inline constexpr int kYellow = 2;
inline constexpr int kGreen = 3;
inline constexpr int kCyan = 4;
inline constexpr int kBlue = 5;
inline constexpr int kMagenta = 6;
inline constexpr int kWhite = 7; ///< white on a dark background, black on a light one
inline constexpr int kByLayer = 256;

/// Where a text's alignment point lies vertically on the text.
enum class VerticalAlignment { Baseline = 0, Bottom = 1, Middle = 2, Top = 3 };
/// Where a text's alignment point lies horizontally on the text.
enum class HorizontalAlignment { Left = 0, Center = 1, Right = 2 };

/// Identifies an entity within its host; never reused, not even after the drawing is cleared.
using EntityId = std::uint64_t;

class DrawingHost;

/// A named coordinate system of the drawing, as returned by AddUserCoordinateSystem.
class UcsHandle {
public:
    explicit UcsHandle(std::string name) : m_name(std::move(name)) {}
    const std::string& Name() const { return m_name; }

private:
    std::string m_name;
};

/// A layer of the drawing, as returned by AddLayer.
class LayerHandle {
public:
    explicit LayerHandle(std::string name) : m_name(std::move(name)) {}
    const std::string& Name() const { return m_name; }

private:
    std::string m_name;
};

/// A text style of the drawing; its font files are set through it.
class TextStyleHandle {
public:
    TextStyleHandle(DrawingHost& host, std::string name) : m_host(&host), m_name(std::move(name)) {}
    const std::string& Name() const { return m_name; }

    /// Sets the primary font file (for example "fsdb_e.shx").
    void SetFontFile(std::string_view fontFile) const;
    /// Sets the big-font file that holds the Chinese characters (for example "fsdb.shx").
    void SetBigFontFile(std::string_view bigFontFile) const;

private:
    DrawingHost* m_host;
    std::string m_name;
};

/// An entity added to the drawing; its colour is set through it.
class EntityHandle {
public:
    EntityHandle(DrawingHost& host, EntityId id) : m_host(&host), m_id(id) {}
    EntityId Id() const { return m_id; }

    /// Sets the colour index, 0..256 (kByLayer is the default of a new entity).
    void SetColor(int colorIndex) const;

protected:
    DrawingHost* m_host;
    EntityId m_id;
};

/// A text added to the drawing; its properties are set through it.
class TextHandle : public EntityHandle {
public:
    using EntityHandle::EntityHandle;

    /// Width factor of the characters, > 0 (1 = the font's own proportions).
    void SetScaleFactor(double widthFactor) const;
    /// Text style by name; names compare without regard to ASCII letter case. The style must
    /// exist.
    void SetStyleName(std::string_view styleName) const;
    /// Rotation, radians counter-clockwise from east.
    void SetRotation(double rotation) const;
    void SetVerticalAlignment(VerticalAlignment alignment) const;
    void SetHorizontalAlignment(HorizontalAlignment alignment) const;
    /// The world point the text is aligned on when its alignment is not left-baseline.
    void SetTextAlignmentPoint(Point alignmentPoint) const;
};

/// Everything a drawing command asks of the drawing. Adding a coordinate system, layer or text
/// style whose name exists does not fail: it returns the existing one. Every refused operation
/// (a bad name, a radius <= 0, a value that is not finite, an unknown style) throws
/// geometry::RuntimeError(Output); a cancelled pick throws geometry::RuntimeError(Cancelled).
class DrawingHost {
public:
    virtual ~DrawingHost() = default;

    /// Adds (or redefines) the coordinate system `name` with its origin and a point on each of
    /// its x and y axes (world points). Only plan systems are accepted: the x-y plane must be
    /// parallel to the world's, the z axis pointing up or down.
    virtual UcsHandle AddUserCoordinateSystem(Point origin, Point xAxisPoint, Point yAxisPoint,
                                              std::string_view name) = 0;
    /// Makes a coordinate system current (see the header comment for what that changes).
    virtual void SetActiveUcs(const UcsHandle& ucs) = 0;

    virtual LayerHandle AddLayer(std::string_view name) = 0;
    /// New entities go on the current layer.
    virtual void SetActiveLayer(const LayerHandle& layer) = 0;

    virtual TextStyleHandle AddTextStyle(std::string_view name) = 0;

    virtual EntityHandle AddPoint(Point point) = 0;
    virtual EntityHandle AddLine(Point start, Point end) = 0;
    /// `radius` > 0, metres.
    virtual EntityHandle AddCircle(Point centre, double radius) = 0;
    /// `radius` > 0; angles in radians in the current coordinate system's plane, the arc running
    /// counter-clockwise in that plane from `startAngle` to `endAngle` (equal angles: a full turn).
    virtual EntityHandle AddArc(Point centre, double radius, double startAngle,
                                double endAngle) = 0;
    /// `vertices` holds 2n doubles, n >= 2, in the current coordinate system's plane.
    virtual EntityHandle AddLightWeightPolyline(std::span<const double> vertices) = 0;
    /// A single-line text (UTF-8) at a world insertion point, `height` > 0 metres. It starts
    /// left-baseline aligned, width factor 1, style "Standard", rotation 0.
    virtual TextHandle AddText(std::string_view text, Point insertion, double height) = 0;

    /// Asks the user for a point, showing `prompt`; returns the world point picked.
    virtual Point GetPoint(std::string_view prompt) = 0;
    /// Shows the whole drawing.
    virtual void ZoomExtents() = 0;
    /// Title of the window that shows the drawing.
    virtual std::string Caption() const = 0;

    // Behind the handles. Callers use the handles; a host implements these.
    virtual void SetTextStyleFontFile(std::string_view style, std::string_view fontFile) = 0;
    virtual void SetTextStyleBigFontFile(std::string_view style, std::string_view bigFontFile) = 0;
    virtual void SetEntityColor(EntityId id, int colorIndex) = 0;
    virtual void SetTextScaleFactor(EntityId id, double widthFactor) = 0;
    virtual void SetTextStyleName(EntityId id, std::string_view styleName) = 0;
    virtual void SetTextRotation(EntityId id, double rotation) = 0;
    virtual void SetTextVerticalAlignment(EntityId id, VerticalAlignment alignment) = 0;
    virtual void SetTextHorizontalAlignment(EntityId id, HorizontalAlignment alignment) = 0;
    virtual void SetTextAlignmentPoint(EntityId id, Point alignmentPoint) = 0;
};

/// The two named coordinate systems of the survey drawings: "yx" (x axis north, y axis east,
/// z down: coordinates read in it are survey X, Y) and "xy" (the world system).
struct SurveyCoordinateSystems {
    UcsHandle Yx;
    UcsHandle Xy;
};

/// Adds (or redefines) "yx" and then "xy" in `host`. Does not change the current system.
SurveyCoordinateSystems AddSurveyCoordinateSystems(DrawingHost& host);

/// Appends the survey point `p` to a light-weight polyline's vertex list as "yx" takes it: its
/// plane's x axis is west, so the vertex is (-Y, X).
inline void AppendYxVertex(std::vector<double>& vertices, geometry::PlanePoint p) {
    vertices.push_back(-p.Y);
    vertices.push_back(p.X);
}

} // namespace tesk::cad
