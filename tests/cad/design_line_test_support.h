#pragma once

// Helpers for the design-line tests: small alignments filled the way Initialize fills them, and
// queries on a drawn document in survey coordinates.

#include "cad/drawing_document.h"
#include "formats/initialize.h"
#include "geometry/plane.h"
#include "state/shared_state.h"
#include "support/vertex_rows.h"

#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace tesk::cad::testing {

inline constexpr double kPi = std::numbers::pi;

using tesk::testing::VertexRow;

/// A JD alignment as Initialize leaves it: vertex table, construction, azimuth copies, chain
/// breaks (back, ahead pairs) with their sections, and the main-point labels.
inline state::SharedState JdLine(double startStation, const std::vector<VertexRow>& rows,
                                 const std::vector<std::pair<double, double>>& breaks = {}) {
    state::SharedState s;
    tesk::testing::FillVertices(s, startStation, rows);
    formats::CompleteJdAlignment(s);
    s.BreakCount = static_cast<int>(breaks.size());
    for (int k = 1; k <= s.BreakCount; ++k) {
        s.BreakBack[k] = breaks[static_cast<std::size_t>(k - 1)].first;
        s.BreakAhead[k] = breaks[static_cast<std::size_t>(k - 1)].second;
    }
    formats::CompleteChainBreaks(s);
    return s;
}

/// One element row: start radius, end radius (10000 = infinite), length.
struct ElementRow {
    double StartRadius = 0.0;
    double EndRadius = 0.0;
    double Length = 0.0;
};

/// An element alignment as Initialize leaves it; `startAzimuth` in degrees.minutesseconds.
inline state::SharedState ElementLine(double startStation, double startX, double startY,
                                      double startAzimuth, const std::vector<ElementRow>& rows) {
    state::SharedState s;
    s.ElemStartStation = startStation;
    s.ElemStartX = startX;
    s.ElemStartY = startY;
    s.ElemStartAzimuth = startAzimuth;
    s.ElemRowCount = static_cast<int>(rows.size());
    for (int i = 1; i <= s.ElemRowCount; ++i) {
        const ElementRow& r = rows[static_cast<std::size_t>(i - 1)];
        s.ElemRowA[i] = r.StartRadius;
        s.ElemRowB[i] = r.EndRadius;
        s.ElemRowC[i] = r.Length;
    }
    formats::CompleteElementAlignment(s);
    return s;
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

/// Azimuth (clockwise from north) of the direction from `a` to `b`.
inline double AzimuthOf(geometry::PlanePoint a, geometry::PlanePoint b) {
    return std::atan2(b.Y - a.Y, b.X - a.X);
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
