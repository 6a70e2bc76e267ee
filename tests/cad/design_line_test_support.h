#pragma once

// Helpers for the design-line tests: small lines built the way Initialize builds them, and
// queries on a drawn document in survey coordinates.

#include "alignment/element/element_alignment.h"
#include "alignment/jd/jd_alignment.h"
#include "cad/drawing_document.h"
#include "geometry/plane.h"
#include "stationing/stationing.h"
#include "support/vertex_rows.h"

#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace tesk::cad::testing {

inline constexpr double kPi = std::numbers::pi;

using tesk::testing::VertexRow;

/// A JD line with the chain breaks it was loaded with.
struct JdLine {
    jd::JdAlignment Line;
    stationing::Stationing Breaks;

    /// Row k of the curve table (0 = start point).
    const jd::JdCurve& Curve(int k) const { return Line.Curves().at(static_cast<std::size_t>(k)); }
    /// Vertex k as read (0 = start point).
    const jd::Vertex& Vertex(int k) const {
        return Line.Vertices().at(static_cast<std::size_t>(k));
    }
    int VertexCount() const { return static_cast<int>(Line.Vertices().size()); }
    /// The design-line point at continuous mileage `mileage`.
    geometry::StationPoint At(double mileage) const { return Line.Line().PointAt(mileage); }
    /// The station label of a mileage, with its section's mark where chain breaks exist.
    std::string Label(double mileage) const { return Breaks.MileageToLabel(mileage); }
};

/// The JD line of `rows` from `startStation`, with chain breaks (back, ahead) checked against
/// the line as Initialize checks them.
inline JdLine MakeJdLine(double startStation, const std::vector<VertexRow>& rows,
                         const std::vector<stationing::ChainBreak>& breaks = {}) {
    jd::JdAlignment line(tesk::testing::JdInputOf(startStation, rows));
    stationing::Stationing stationing(breaks, line.Line().Start(), line.Line().End());
    return {std::move(line), std::move(stationing)};
}

/// The element line of `rows` (start radius, end radius with 10000 = infinite, length) from
/// the given start; `startAzimuth` in decimal degrees.
inline element::ElementAlignment MakeElementLine(double startStation, double startX, double startY,
                                                 double startAzimuth,
                                                 const std::vector<element::ElementRow>& rows) {
    return element::ElementAlignment(
        element::ElementInput{startStation, startX, startY, startAzimuth, rows});
}

/// The survey point (X north, Y east) of a world drawing point.
inline geometry::PlanePoint Survey(Point world) {
    return {world.Y, world.X};
}

inline double Distance(geometry::PlanePoint a, geometry::PlanePoint b) {
    return std::hypot(a.X - b.X, a.Y - b.Y);
}

/// `angle` brought into (-pi, pi].
inline double Wrap(double angle) {
    double a = std::remainder(angle, 2.0 * kPi);
    return a == -kPi ? kPi : a;
}

/// Every entity of a layer whose geometry is a T, in drawing order.
template <typename T>
std::vector<std::pair<const DrawnEntity*, const T*>> ShapesOn(const DrawingDocument& doc,
                                                              const std::string& layer) {
    std::vector<std::pair<const DrawnEntity*, const T*>> found;
    for (const DrawnEntity& e : doc.Entities()) {
        if (e.Layer == layer) {
            if (const T* shape = std::get_if<T>(&e.Shape)) {
                found.emplace_back(&e, shape);
            }
        }
    }
    return found;
}

/// The texts of the drawing, in drawing order.
inline std::vector<const DrawnText*> Texts(const DrawingDocument& doc) {
    std::vector<const DrawnText*> texts;
    for (const DrawnEntity& e : doc.Entities()) {
        if (const auto* text = std::get_if<DrawnText>(&e.Shape)) {
            texts.push_back(text);
        }
    }
    return texts;
}

/// The entity holding the one text reading `text`, or nullptr when there is none or several.
inline const DrawnEntity* UniqueText(const DrawingDocument& doc, const std::string& text) {
    const DrawnEntity* found = nullptr;
    for (const DrawnEntity& e : doc.Entities()) {
        if (const auto* t = std::get_if<DrawnText>(&e.Shape); t != nullptr && t->Text == text) {
            if (found != nullptr) {
                return nullptr;
            }
            found = &e;
        }
    }
    return found;
}

/// The survey point on a drawn arc at world angle `angle`.
inline geometry::PlanePoint ArcPoint(const DrawnArc& arc, double angle) {
    return Survey({arc.Centre.X + arc.Radius * std::cos(angle),
                   arc.Centre.Y + arc.Radius * std::sin(angle), 0.0});
}

} // namespace tesk::cad::testing
