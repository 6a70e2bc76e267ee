#include "cad/drawing_document.h"

#include "geometry/error.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tesk::cad {

using geometry::ErrorCode;
using geometry::RuntimeError;

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

[[noreturn]] void Refuse(const std::string& what) {
    throw RuntimeError(ErrorCode::Output, what);
}

double Finite(double value, const char* what) {
    if (!std::isfinite(value)) {
        Refuse(std::string(what) + " is not finite");
    }
    return value;
}

Point FinitePoint(Point p, const char* what) {
    Finite(p.X, what);
    Finite(p.Y, what);
    Finite(p.Z, what);
    return p;
}

/// An angle in [0, 2*pi).
double NormalizeAngle(double angle) {
    double a = std::fmod(angle, kTwoPi);
    if (a < 0.0) {
        a += kTwoPi;
    }
    return a >= kTwoPi ? 0.0 : a;
}

bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

/// Names of layers, styles and coordinate systems: not empty, at most 255 bytes, none of the
/// characters a CAD program refuses in a symbol name, no control characters.
void CheckName(std::string_view name, const char* what) {
    constexpr std::string_view kForbidden = "<>/\\\":;?*|,=`";
    const bool bad =
        name.empty() || name.size() > 255 || std::any_of(name.begin(), name.end(), [&](char c) {
            return static_cast<unsigned char>(c) < 0x20 ||
                   kForbidden.find(c) != std::string_view::npos;
        });
    if (bad) {
        Refuse(std::string("invalid ") + what + " name \"" + std::string(name) + "\"");
    }
}

/// Font file names may carry a folder; they only must fit on one line of a drawing file.
void CheckFileName(std::string_view name, const char* what) {
    if (name.size() > 255 || std::any_of(name.begin(), name.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20;
        })) {
        Refuse(std::string("invalid ") + what + " \"" + std::string(name) + "\"");
    }
}

template <typename Record> Record* FindByName(std::vector<Record>& records, std::string_view name) {
    const auto it = std::find_if(records.begin(), records.end(),
                                 [&](const Record& r) { return SameName(r.Name, name); });
    return it == records.end() ? nullptr : &*it;
}

/// Advance of one character in text heights, before the width factor.
double CharacterAdvance(unsigned char leadByte) {
    return leadByte >= 0xE1 ? 1.0 : 0.7;
}

} // namespace

double DrawnArc::Sweep() const {
    const double sweep = NormalizeAngle(EndAngle - StartAngle);
    return sweep == 0.0 ? kTwoPi : sweep;
}

std::array<Point, 4> TextOutline(const DrawnText& text) {
    double advance = 0.0;
    for (const char c : text.Text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) { // not a continuation byte: a new character
            advance += CharacterAdvance(byte);
        }
    }
    const double h = text.Height;
    const double width = advance * h * text.WidthFactor;
    double left = 0.0;
    switch (text.Horizontal) {
    case HorizontalAlignment::Left:
        left = 0.0;
        break;
    case HorizontalAlignment::Center:
        left = -width / 2.0;
        break;
    case HorizontalAlignment::Right:
        left = -width;
        break;
    }
    double bottom = 0.0;
    switch (text.Vertical) {
    case VerticalAlignment::Baseline:
    case VerticalAlignment::Bottom:
        bottom = 0.0;
        break;
    case VerticalAlignment::Middle:
        bottom = -h / 2.0;
        break;
    case VerticalAlignment::Top:
        bottom = -h;
        break;
    }
    const Point anchor = text.Anchor();
    const double c = std::cos(text.Rotation);
    const double s = std::sin(text.Rotation);
    const auto place = [&](double u, double v) {
        return Point{anchor.X + u * c - v * s, anchor.Y + u * s + v * c, anchor.Z};
    };
    return {place(left, bottom), place(left + width, bottom), place(left + width, bottom + h),
            place(left, bottom + h)};
}

DrawingDocument::DrawingDocument() {
    Clear();
}

void DrawingDocument::Clear() {
    m_entities.clear();
    m_layers = {LayerRecord{"0", kWhite}};
    m_styles = {TextStyleRecord{"Standard", "txt", ""}};
    m_ucs.clear();
    m_activeLayer = m_layers.front().Name;
    m_activeUcs.clear();
    m_firstId = m_nextId;
    ++m_revision;
}

UcsHandle DrawingDocument::AddUserCoordinateSystem(Point origin, Point xAxisPoint, Point yAxisPoint,
                                                   std::string_view name) {
    CheckName(name, "coordinate system");
    FinitePoint(origin, "coordinate system origin");
    FinitePoint(xAxisPoint, "coordinate system x-axis point");
    FinitePoint(yAxisPoint, "coordinate system y-axis point");
    Point x{xAxisPoint.X - origin.X, xAxisPoint.Y - origin.Y, xAxisPoint.Z - origin.Z};
    Point y{yAxisPoint.X - origin.X, yAxisPoint.Y - origin.Y, yAxisPoint.Z - origin.Z};
    const double xLength = std::hypot(x.X, x.Y, x.Z);
    const double yLength = std::hypot(y.X, y.Y, y.Z);
    constexpr double kPlanTolerance = 1e-12; // relative: the axes must lie in a level plane
    if (xLength == 0.0 || yLength == 0.0 || std::abs(x.Z) > kPlanTolerance * xLength ||
        std::abs(y.Z) > kPlanTolerance * yLength) {
        Refuse("coordinate system \"" + std::string(name) + "\" is not a plan system");
    }
    x = {x.X / xLength, x.Y / xLength, 0.0};
    // The y axis is made square to the x axis, as a CAD program does.
    const double along = y.X * x.X + y.Y * x.Y;
    y = {y.X - along * x.X, y.Y - along * x.Y, 0.0};
    const double ySquare = std::hypot(y.X, y.Y);
    if (ySquare <= kPlanTolerance * yLength) {
        Refuse("coordinate system \"" + std::string(name) + "\" has parallel axes");
    }
    y = {y.X / ySquare, y.Y / ySquare, 0.0};
    const bool zDown = x.X * y.Y - x.Y * y.X < 0.0;

    UcsRecord* record = FindByName(m_ucs, name);
    if (record == nullptr) {
        m_ucs.push_back(UcsRecord{std::string(name), {}, {}, {}, false});
        record = &m_ucs.back();
    }
    record->Origin = origin;
    record->XAxis = x;
    record->YAxis = y;
    record->ZDown = zDown;
    ++m_revision;
    return UcsHandle(record->Name);
}

void DrawingDocument::SetActiveUcs(const UcsHandle& ucs) {
    const UcsRecord* record = FindByName(m_ucs, ucs.Name());
    if (record == nullptr) {
        Refuse("no coordinate system \"" + ucs.Name() + "\"");
    }
    m_activeUcs = record->Name;
    ++m_revision;
}

const UcsRecord* DrawingDocument::ActiveUcs() const {
    if (m_activeUcs.empty()) {
        return nullptr;
    }
    const auto it = std::find_if(m_ucs.begin(), m_ucs.end(),
                                 [&](const UcsRecord& r) { return r.Name == m_activeUcs; });
    return it == m_ucs.end() ? nullptr : &*it;
}

LayerHandle DrawingDocument::AddLayer(std::string_view name) {
    CheckName(name, "layer");
    LayerRecord* record = FindByName(m_layers, name);
    if (record == nullptr) {
        m_layers.push_back(LayerRecord{std::string(name), kWhite});
        record = &m_layers.back();
        ++m_revision;
    }
    return LayerHandle(record->Name);
}

void DrawingDocument::SetActiveLayer(const LayerHandle& layer) {
    const LayerRecord* record = FindByName(m_layers, layer.Name());
    if (record == nullptr) {
        Refuse("no layer \"" + layer.Name() + "\"");
    }
    m_activeLayer = record->Name;
    ++m_revision;
}

TextStyleHandle DrawingDocument::AddTextStyle(std::string_view name) {
    CheckName(name, "text style");
    TextStyleRecord* record = FindByName(m_styles, name);
    if (record == nullptr) {
        m_styles.push_back(TextStyleRecord{std::string(name), "", ""});
        record = &m_styles.back();
        ++m_revision;
    }
    return TextStyleHandle(*this, record->Name);
}

TextStyleRecord& DrawingDocument::StyleOf(std::string_view name) {
    TextStyleRecord* record = FindByName(m_styles, name);
    if (record == nullptr) {
        Refuse("no text style \"" + std::string(name) + "\"");
    }
    return *record;
}

void DrawingDocument::SetTextStyleFontFile(std::string_view style, std::string_view fontFile) {
    CheckFileName(fontFile, "font file");
    StyleOf(style).FontFile = fontFile;
    ++m_revision;
}

void DrawingDocument::SetTextStyleBigFontFile(std::string_view style,
                                              std::string_view bigFontFile) {
    CheckFileName(bigFontFile, "big-font file");
    StyleOf(style).BigFontFile = bigFontFile;
    ++m_revision;
}

EntityHandle DrawingDocument::AddEntity(Geometry shape) {
    const EntityId id = m_nextId++;
    m_entities.push_back(DrawnEntity{id, m_activeLayer, kByLayer, std::move(shape)});
    ++m_revision;
    return EntityHandle(*this, id);
}

EntityHandle DrawingDocument::AddPoint(Point point) {
    return AddEntity(DrawnPoint{FinitePoint(point, "point")});
}

EntityHandle DrawingDocument::AddLine(Point start, Point end) {
    return AddEntity(DrawnLine{FinitePoint(start, "line start"), FinitePoint(end, "line end")});
}

EntityHandle DrawingDocument::AddCircle(Point centre, double radius) {
    FinitePoint(centre, "circle centre");
    if (!(Finite(radius, "circle radius") > 0.0)) {
        Refuse("circle radius must be positive");
    }
    return AddEntity(DrawnCircle{centre, radius});
}

EntityHandle DrawingDocument::AddArc(Point centre, double radius, double startAngle,
                                     double endAngle) {
    FinitePoint(centre, "arc centre");
    if (!(Finite(radius, "arc radius") > 0.0)) {
        Refuse("arc radius must be positive");
    }
    Finite(startAngle, "arc start angle");
    Finite(endAngle, "arc end angle");
    const UcsRecord* ucs = ActiveUcs();
    DrawnArc arc{centre, radius, NormalizeAngle(startAngle), NormalizeAngle(endAngle)};
    if (ucs != nullptr && ucs->ZDown) {
        // Object angle phi is the world direction (-cos phi, sin phi) = angle pi - phi, and the
        // arc runs clockwise in the world: counter-clockwise from pi - end to pi - start.
        arc.StartAngle = NormalizeAngle(std::numbers::pi - endAngle);
        arc.EndAngle = NormalizeAngle(std::numbers::pi - startAngle);
    }
    return AddEntity(arc);
}

EntityHandle DrawingDocument::AddLightWeightPolyline(std::span<const double> vertices) {
    if (vertices.size() % 2 != 0 || vertices.size() < 4) {
        Refuse("a polyline needs an even number of coordinates for at least two vertices");
    }
    const UcsRecord* ucs = ActiveUcs();
    const double xSign = ucs != nullptr && ucs->ZDown ? -1.0 : 1.0;
    DrawnPolyline polyline;
    polyline.Vertices.reserve(vertices.size() / 2);
    for (std::size_t i = 0; i < vertices.size(); i += 2) {
        polyline.Vertices.push_back(Point{xSign * Finite(vertices[i], "polyline vertex"),
                                          Finite(vertices[i + 1], "polyline vertex"), 0.0});
    }
    return AddEntity(std::move(polyline));
}

TextHandle DrawingDocument::AddText(std::string_view text, Point insertion, double height) {
    FinitePoint(insertion, "text insertion point");
    if (!(Finite(height, "text height") > 0.0)) {
        Refuse("text height must be positive");
    }
    DrawnText drawn;
    drawn.Text = text;
    drawn.Insertion = insertion;
    drawn.AlignmentPoint = insertion;
    drawn.Height = height;
    drawn.Style = m_styles.front().Name;
    return TextHandle(*this, AddEntity(std::move(drawn)).Id());
}

Point DrawingDocument::GetPoint(std::string_view prompt) {
    if (!m_pick) {
        Refuse("no one can pick a point here");
    }
    const std::optional<Point> picked = m_pick(prompt);
    if (!picked) {
        throw RuntimeError(ErrorCode::Cancelled, "the pick was cancelled");
    }
    return FinitePoint(*picked, "picked point");
}

void DrawingDocument::ZoomExtents() {
    ++m_zoomRequests;
    if (m_zoom) {
        m_zoom();
    }
}

const DrawnEntity* DrawingDocument::FindEntity(EntityId id) const {
    if (id < m_firstId || id >= m_nextId) {
        return nullptr;
    }
    return &m_entities[static_cast<std::size_t>(id - m_firstId)];
}

DrawnEntity& DrawingDocument::EntityOf(EntityId id) {
    if (FindEntity(id) == nullptr) {
        Refuse("no entity " + std::to_string(id) + " in the drawing");
    }
    ++m_revision;
    return m_entities[static_cast<std::size_t>(id - m_firstId)];
}

DrawnText& DrawingDocument::TextOf(EntityId id) {
    DrawnText* text = std::get_if<DrawnText>(&EntityOf(id).Shape);
    if (text == nullptr) {
        Refuse("entity " + std::to_string(id) + " is not a text");
    }
    return *text;
}

void DrawingDocument::SetEntityColor(EntityId id, int colorIndex) {
    if (colorIndex < kByBlock || colorIndex > kByLayer) {
        Refuse("colour index " + std::to_string(colorIndex) + " outside 0..256");
    }
    EntityOf(id).Color = colorIndex;
}

void DrawingDocument::SetTextScaleFactor(EntityId id, double widthFactor) {
    if (!(Finite(widthFactor, "text width factor") > 0.0)) {
        Refuse("text width factor must be positive");
    }
    TextOf(id).WidthFactor = widthFactor;
}

void DrawingDocument::SetTextStyleName(EntityId id, std::string_view styleName) {
    const std::string& name = StyleOf(styleName).Name;
    TextOf(id).Style = name;
}

void DrawingDocument::SetTextRotation(EntityId id, double rotation) {
    TextOf(id).Rotation = Finite(rotation, "text rotation");
}

void DrawingDocument::SetTextVerticalAlignment(EntityId id, VerticalAlignment alignment) {
    TextOf(id).Vertical = alignment;
}

void DrawingDocument::SetTextHorizontalAlignment(EntityId id, HorizontalAlignment alignment) {
    TextOf(id).Horizontal = alignment;
}

void DrawingDocument::SetTextAlignmentPoint(EntityId id, Point alignmentPoint) {
    TextOf(id).AlignmentPoint = FinitePoint(alignmentPoint, "text alignment point");
}

int DrawingDocument::EffectiveColor(const DrawnEntity& entity) const {
    if (entity.Color != kByLayer && entity.Color != kByBlock) {
        return entity.Color;
    }
    const auto it = std::find_if(m_layers.begin(), m_layers.end(),
                                 [&](const LayerRecord& r) { return r.Name == entity.Layer; });
    return it == m_layers.end() ? kWhite : it->Color;
}

std::optional<Extents> DrawingDocument::ComputeExtents() const {
    std::optional<Extents> box;
    const auto include = [&](double x, double y) {
        if (!box) {
            box = Extents{x, y, x, y};
            return;
        }
        box->MinX = std::min(box->MinX, x);
        box->MinY = std::min(box->MinY, y);
        box->MaxX = std::max(box->MaxX, x);
        box->MaxY = std::max(box->MaxY, y);
    };
    for (const DrawnEntity& entity : m_entities) {
        std::visit(
            [&](const auto& shape) {
                using T = std::decay_t<decltype(shape)>;
                if constexpr (std::is_same_v<T, DrawnPoint>) {
                    include(shape.Position.X, shape.Position.Y);
                } else if constexpr (std::is_same_v<T, DrawnLine>) {
                    include(shape.Start.X, shape.Start.Y);
                    include(shape.End.X, shape.End.Y);
                } else if constexpr (std::is_same_v<T, DrawnCircle>) {
                    include(shape.Centre.X - shape.Radius, shape.Centre.Y - shape.Radius);
                    include(shape.Centre.X + shape.Radius, shape.Centre.Y + shape.Radius);
                } else if constexpr (std::is_same_v<T, DrawnArc>) {
                    const auto at = [&](double angle) {
                        include(shape.Centre.X + shape.Radius * std::cos(angle),
                                shape.Centre.Y + shape.Radius * std::sin(angle));
                    };
                    const double sweep = shape.Sweep();
                    at(shape.StartAngle);
                    at(shape.StartAngle + sweep);
                    // The extreme points east, north, west and south lie on the arc when it
                    // passes their directions.
                    for (int quarter = 0; quarter < 4; ++quarter) {
                        const double angle = quarter * std::numbers::pi / 2.0;
                        if (NormalizeAngle(angle - shape.StartAngle) <= sweep) {
                            const double c[4] = {1.0, 0.0, -1.0, 0.0};
                            include(shape.Centre.X + shape.Radius * c[quarter],
                                    shape.Centre.Y + shape.Radius * c[(quarter + 3) % 4]);
                        }
                    }
                } else if constexpr (std::is_same_v<T, DrawnPolyline>) {
                    for (const Point& v : shape.Vertices) {
                        include(v.X, v.Y);
                    }
                } else {
                    for (const Point& corner : TextOutline(shape)) {
                        include(corner.X, corner.Y);
                    }
                }
            },
            entity.Shape);
    }
    return box;
}

} // namespace tesk::cad
