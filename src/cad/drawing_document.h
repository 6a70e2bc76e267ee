#pragma once

// The drawing of a session: every entity the drawing commands add, stored in WORLD coordinates
// (x east, y north; see drawing_host.h for how the current coordinate system is resolved when an
// entity is added), with its layer and colour, plus the layers, text styles and named coordinate
// systems. The desktop window shows it, the DXF writer saves it.

#include "cad/drawing_host.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tesk::cad {

struct DrawnPoint {
    Point Position;
};

struct DrawnLine {
    Point Start;
    Point End;
};

struct DrawnCircle {
    Point Centre;
    double Radius = 0.0; ///< metres, > 0
};

/// A circular arc in the world x-y plane, running COUNTER-CLOCKWISE from StartAngle to EndAngle.
struct DrawnArc {
    Point Centre;
    double Radius = 0.0;     ///< metres, > 0
    double StartAngle = 0.0; ///< rad from east counter-clockwise, in [0, 2*pi)
    double EndAngle = 0.0;   ///< rad from east counter-clockwise, in [0, 2*pi)

    /// Angle swept from start to end, in (0, 2*pi]; equal angles sweep a full turn.
    double Sweep() const;
};

/// An open light-weight polyline: world vertices (z = 0), at least two.
struct DrawnPolyline {
    std::vector<Point> Vertices;
};

struct DrawnText {
    std::string Text;               ///< UTF-8
    Point Insertion;                ///< world; the anchor of a left-baseline text
    double Height = 0.0;            ///< metres, > 0
    double WidthFactor = 1.0;       ///< > 0; 1 = the font's own proportions
    std::string Style = "Standard"; ///< the name as the style table spells it
    double Rotation = 0.0;          ///< rad counter-clockwise from east
    VerticalAlignment Vertical = VerticalAlignment::Baseline;
    HorizontalAlignment Horizontal = HorizontalAlignment::Left;
    Point AlignmentPoint; ///< world; the anchor of any other alignment

    bool IsLeftBaseline() const {
        return Vertical == VerticalAlignment::Baseline && Horizontal == HorizontalAlignment::Left;
    }
    /// The point the text is placed by: Insertion for left-baseline, else AlignmentPoint.
    Point Anchor() const { return IsLeftBaseline() ? Insertion : AlignmentPoint; }
};

using Geometry =
    std::variant<DrawnPoint, DrawnLine, DrawnCircle, DrawnArc, DrawnPolyline, DrawnText>;

struct DrawnEntity {
    EntityId Id = 0;
    std::string Layer;    ///< the layer's name as the layer table spells it
    int Color = kByLayer; ///< colour index 0..256
    Geometry Shape;
};

struct LayerRecord {
    std::string Name;
    int Color = kWhite; ///< colour of the layer's by-layer entities
};

struct TextStyleRecord {
    std::string Name;
    std::string FontFile;    ///< primary (SHX) font file, may be empty
    std::string BigFontFile; ///< big-font file of the Chinese characters, may be empty
};

/// A named plan coordinate system: unit axes in world coordinates.
struct UcsRecord {
    std::string Name;
    Point Origin;
    Point XAxis;        ///< unit vector, z = 0
    Point YAxis;        ///< unit vector, z = 0, square to XAxis
    bool ZDown = false; ///< the z axis (XAxis x YAxis) points down, as in "yx"
};

/// World bounding box of a drawing, metres.
struct Extents {
    double MinX = 0.0;
    double MinY = 0.0;
    double MaxX = 0.0;
    double MaxY = 0.0;
};

/// The outline of a text as the drawing estimates it (the SHX fonts a drawing names are not
/// available here): wide (CJK) characters one height wide, others 0.7 of it, times the width
/// factor; from the baseline up one height. Corners in world coordinates, counter-clockwise from
/// the start of the baseline.
std::array<Point, 4> TextOutline(const DrawnText& text);

/// Answers a pick: receives the prompt, returns the world point, or nothing when the user
/// cancelled.
using PickHandler = std::function<std::optional<Point>(std::string_view prompt)>;

class DrawingDocument final : public DrawingHost {
public:
    static constexpr std::string_view kDefaultCaption = "Tesk 图形";

    DrawingDocument();
    // Handles point at the document: it stays where it was made.
    DrawingDocument(const DrawingDocument&) = delete;
    DrawingDocument& operator=(const DrawingDocument&) = delete;

    // DrawingHost
    UcsHandle AddUserCoordinateSystem(Point origin, Point xAxisPoint, Point yAxisPoint,
                                      std::string_view name) override;
    void SetActiveUcs(const UcsHandle& ucs) override;
    LayerHandle AddLayer(std::string_view name) override;
    void SetActiveLayer(const LayerHandle& layer) override;
    TextStyleHandle AddTextStyle(std::string_view name) override;
    EntityHandle AddPoint(Point point) override;
    EntityHandle AddLine(Point start, Point end) override;
    EntityHandle AddCircle(Point centre, double radius) override;
    EntityHandle AddArc(Point centre, double radius, double startAngle, double endAngle) override;
    EntityHandle AddLightWeightPolyline(std::span<const double> vertices) override;
    TextHandle AddText(std::string_view text, Point insertion, double height) override;
    Point GetPoint(std::string_view prompt) override;
    void ZoomExtents() override;
    std::string Caption() const override { return m_caption; }

    void SetTextStyleFontFile(std::string_view style, std::string_view fontFile) override;
    void SetTextStyleBigFontFile(std::string_view style, std::string_view bigFontFile) override;
    void SetEntityColor(EntityId id, int colorIndex) override;
    void SetTextScaleFactor(EntityId id, double widthFactor) override;
    void SetTextStyleName(EntityId id, std::string_view styleName) override;
    void SetTextRotation(EntityId id, double rotation) override;
    void SetTextVerticalAlignment(EntityId id, VerticalAlignment alignment) override;
    void SetTextHorizontalAlignment(EntityId id, HorizontalAlignment alignment) override;
    void SetTextAlignmentPoint(EntityId id, Point alignmentPoint) override;

    // Session
    void SetCaption(std::string caption) { m_caption = std::move(caption); }
    /// Who answers GetPoint: the window lets the user click, the CLI answers from its arguments.
    /// Without one, GetPoint is refused.
    void SetPickHandler(PickHandler handler) { m_pick = std::move(handler); }
    /// Called by ZoomExtents (the window fits its view to Extents()).
    void SetZoomHandler(std::function<void()> handler) { m_zoom = std::move(handler); }
    /// Empties the drawing: no entities, only layer "0" and style "Standard", no named
    /// coordinate systems, the world system current. Handles from before are refused afterwards.
    void Clear();

    // What the window and the writer read
    const std::vector<DrawnEntity>& Entities() const { return m_entities; }
    /// The entity of `id`, or nullptr when there is none (any more).
    const DrawnEntity* FindEntity(EntityId id) const;
    const std::vector<LayerRecord>& Layers() const { return m_layers; }
    const std::vector<TextStyleRecord>& TextStyles() const { return m_styles; }
    const std::vector<UcsRecord>& UserCoordinateSystems() const { return m_ucs; }
    const std::string& ActiveLayer() const { return m_activeLayer; }
    /// The current named coordinate system, or nullptr for the world system.
    const UcsRecord* ActiveUcs() const;
    /// The colour an entity is shown in: its own, or its layer's when it is by layer / by block.
    int EffectiveColor(const DrawnEntity& entity) const;
    /// World bounding box of every entity (texts by their estimated outline); nothing when the
    /// drawing is empty.
    std::optional<Extents> ComputeExtents() const;
    /// How many times ZoomExtents was called.
    int ZoomRequests() const { return m_zoomRequests; }
    /// Grows with every change, so a view knows when to repaint.
    std::uint64_t Revision() const { return m_revision; }

private:
    EntityHandle AddEntity(Geometry shape);
    DrawnEntity& EntityOf(EntityId id);
    DrawnText& TextOf(EntityId id);
    TextStyleRecord& StyleOf(std::string_view name);

    std::vector<DrawnEntity> m_entities;
    std::vector<LayerRecord> m_layers;
    std::vector<TextStyleRecord> m_styles;
    std::vector<UcsRecord> m_ucs;
    std::string m_activeLayer;
    std::string m_activeUcs; ///< empty: the world system
    EntityId m_firstId = 1;  ///< id of m_entities[0]; ids before it belong to cleared drawings
    EntityId m_nextId = 1;
    std::string m_caption{kDefaultCaption};
    PickHandler m_pick;
    std::function<void()> m_zoom;
    int m_zoomRequests = 0;
    std::uint64_t m_revision = 0;
};

} // namespace tesk::cad
