#include "cad/stake_out.h"

#include "cad/pile_drawings.h"
#include "piles/alignment_access.h"
#include "state/command_handler.h"
#include "geometry/error.h"
#include "geometry/number_text.h"
#include "stationing/stationing.h"

#include <string>
#include <vector>

namespace tesk::cad {

namespace {

using geometry::ErrorCode;
using geometry::RuntimeError;

// The skew distances of the stake-out field: blank-separated numbers, an empty field meaning one
// distance 0. Each item must be a number as a whole.
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

} // namespace

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

bool Command5(const state::SharedState& s, state::Prompts& prompts, state::AlignmentMethod method,
              DrawingHost& host) {
    return piles::RunPileCommand(
        s, prompts, method, [&](const piles::PileTable& table) { DrawPileStakeOut(table, host); });
}

bool xpcmdbutton4(const state::SharedState& s, state::Prompts& prompts,
                  state::AlignmentMethod method, DrawingHost* host,
                  const piles::PointFields& fields, bool joinWithPolyline) {
    bool drawn = false;
    state::RunUnderHandler(prompts, true, [&] {
        const std::string station(geometry::Trim(fields.Text1));
        if (!stationing::CheckBreakMark(s, prompts, station)) {
            prompts.Focus("Text1");
            return;
        }

        const double theta0 = geometry::NumericValue(geometry::Trim(fields.Text2));
        if (!(theta0 >= 0.0 && theta0 < 180.0)) {
            prompts.Refuse("右偏角应在0～180之间！");
            prompts.Focus("Text2");
            return;
        }
        const double theta = theta0 != 0.0 ? theta0 : 90.0; // empty or 0: square to the line

        const std::vector<double> distances = SkewDistances(fields.Text3);

        const auto marked = stationing::zh_dlstr(s, prompts, fields.Text1);
        if (!marked.StationAccepted) {
            return;
        }
        const double mileage = stationing::StationTextToMileage(s, marked.zhdlstr);
        if (!piles::AlignmentRange(s, method).Contains(mileage)) {
            prompts.Refuse("桩号" + station + "超出平面数据文件，请修改！");
            prompts.Focus("Text1");
            return;
        }

        // Every point is computed before the first is drawn, so a failure leaves no half set.
        const geometry::StationPoint linePoint = piles::EvaluateStation(s, method, mileage);
        std::vector<geometry::PlanePoint> points;
        points.reserve(distances.size());
        for (const double d : distances) {
            const geometry::PlanePoint p = piles::OffsetPoint(linePoint, theta, d);
            geometry::RequireFinite(p.X, "stake-out point X");
            geometry::RequireFinite(p.Y, "stake-out point Y");
            points.push_back(p);
        }

        if (host == nullptr) {
            throw RuntimeError(ErrorCode::Output, "no drawing is open to stake out in");
        }
        const SurveyCoordinateSystems ucs = AddSurveyCoordinateSystems(*host);
        host->SetActiveUcs(ucs.Yx);
        std::vector<double> vertices;
        vertices.reserve(2 * points.size());
        for (const geometry::PlanePoint& p : points) {
            host->AddPoint(DrawingPoint(p));
            AppendYxVertex(vertices, p);
        }
        if (joinWithPolyline && points.size() > 1) {
            host->AddLightWeightPolyline(vertices).SetColor(kMagenta);
        }
        host->SetActiveUcs(ucs.Xy);
        drawn = true;
    });
    return drawn;
}

} // namespace tesk::cad
