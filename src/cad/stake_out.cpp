#include "cad/stake_out.h"

#include "cad/pile_drawings.h"
#include "geometry/error.h"
#include "geometry/number_text.h"

#include <string>
#include <vector>

namespace tesk::cad {

namespace {

using geometry::ErrorCode;
using geometry::RuntimeError;

} // namespace

std::vector<double> SkewDistances(std::string_view field) {
    const std::vector<std::string> items = geometry::CleanAndSplit(field);
    if (items.empty()) {
        return {0.0};
    }
    if (items.size() > static_cast<std::size_t>(kMaxStakeOutDistances)) {
        throw RuntimeError(ErrorCode::Format, "more than " + std::to_string(kMaxStakeOutDistances) +
                                                  " skew distances (" +
                                                  std::to_string(items.size()) + ")");
    }
    std::vector<double> distances;
    distances.reserve(items.size());
    for (const std::string& item : items) {
        const std::optional<double> d = geometry::ParseNumber(item);
        if (!d) {
            throw RuntimeError(ErrorCode::Format,
                               "the skew distance \"" + item + "\" is not a number");
        }
        distances.push_back(*d);
    }
    return distances;
}

void DrawPileStakeOut(const piles::PileTable& table, DrawingHost& host) {
    if (table.Piers.empty()) {
        throw RuntimeError(ErrorCode::Format, "the pile file holds no pier: nothing to stake out");
    }
    const SurveyCoordinateSystems ucs = AddSurveyCoordinateSystems(host);
    host.SetActiveUcs(ucs.Yx);
    for (const piles::Pier& pier : table.Piers) {
        for (const piles::PileEntry& entry : pier.Entries) {
            host.AddPoint(DrawingPoint(piles::EntryPoint(pier, entry)));
        }
    }
}

void DrawStakeOutPoints(const std::vector<geometry::PlanePoint>& points, bool joinWithPolyline,
                        DrawingHost& host) {
    const SurveyCoordinateSystems ucs = AddSurveyCoordinateSystems(host);
    host.SetActiveUcs(ucs.Yx);
    std::vector<double> vertices;
    vertices.reserve(2 * points.size());
    for (const geometry::PlanePoint& p : points) {
        host.AddPoint(DrawingPoint(p));
        AppendYxVertex(vertices, p);
    }
    if (joinWithPolyline && points.size() > 1) {
        host.AddLightWeightPolyline(vertices).SetColor(kMagenta);
    }
    host.SetActiveUcs(ucs.Xy);
}

void DrawPolarSetup(geometry::PlanePoint station, geometry::PlanePoint backsight,
                    const std::vector<geometry::PlanePoint>& points, DrawingHost& host) {
    constexpr double kMarkRadius = 0.5; // m
    constexpr double kTextHeight = 1.0; // m
    const Point s = DrawingPoint(station);
    const Point b = DrawingPoint(backsight);
    for (const geometry::PlanePoint& p : points) {
        host.AddLine(s, DrawingPoint(p)).SetColor(kCyan);
    }
    host.AddLine(s, b).SetColor(kRed);
    host.AddCircle(s, kMarkRadius).SetColor(kRed);
    host.AddText("测站", {s.X + kMarkRadius, s.Y + kMarkRadius, 0.0}, kTextHeight);
    host.AddText("后视", {b.X + kMarkRadius, b.Y + kMarkRadius, 0.0}, kTextHeight);
}

} // namespace tesk::cad
