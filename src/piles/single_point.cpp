#include "piles/single_point.h"

#include "piles/alignment_access.h"
#include "piles/text_routines.h"
#include "geometry/error.h"
#include "geometry/number_text.h"
#include "stationing/stationing.h"

#include <cmath>
#include <numbers>

namespace tesk::piles {

using geometry::NumericValue;
using geometry::Trim;

geometry::PlanePoint OffsetPoint(const geometry::StationPoint& linePoint, double thetaDegrees, double d) {
    const double beta =
        std::numbers::pi * thetaDegrees / 180.0 + linePoint.Azimuth - std::numbers::pi;
    return {linePoint.X + d * std::cos(beta), linePoint.Y + d * std::sin(beta)};
}

std::optional<PointResult> Command7(const state::SharedState& s, state::Prompts& prompts,
                                    state::AlignmentMethod method, const PointFields& fields) {
    const std::string station(Trim(fields.Text1));
    if (!stationing::CheckBreakMark(s, prompts, station)) {
        prompts.Focus("Text1");
        return std::nullopt;
    }

    const double theta0 = NumericValue(Trim(fields.Text2));
    if (!(theta0 >= 0.0 && theta0 < 180.0)) {
        prompts.Refuse("右偏角应在0～180之间！");
        prompts.Focus("Text2");
        return std::nullopt;
    }
    const double theta = theta0 != 0.0 ? theta0 : 90.0;

    const std::string skew(Trim(fields.Text3));
    if (geometry::CleanAndSplit(skew).size() > 1) {
        prompts.Refuse("斜距" + skew + "存在空格，不能计算，可以放样！");
        prompts.Focus("Text3");
        return std::nullopt;
    }
    const double d = NumericValue(fields.Text3);

    const auto marked = stationing::zh_dlstr(s, prompts, fields.Text1);
    if (!marked.StationAccepted) {
        return std::nullopt;
    }
    const double p = stationing::StationTextToMileage(s, marked.zhdlstr);

    if (!AlignmentRange(s, method).Contains(p)) {
        prompts.Refuse("桩号" + station + "超出平面数据文件，请修改！");
        prompts.Focus("Text1");
        return std::nullopt;
    }

    try {
        const geometry::StationPoint linePoint = EvaluateStation(s, method, p);
        const geometry::PlanePoint pile = OffsetPoint(linePoint, theta, d);
        geometry::RequireFinite(pile.X, "pile X");
        geometry::RequireFinite(pile.Y, "pile Y");
        PointResult result;
        result.X = pile.X;
        result.Y = pile.Y;
        result.Azimuth = linePoint.Azimuth;
        result.Text4 = geometry::FormatFixed(pile.X, 4);
        result.Text5 = geometry::FormatFixed(pile.Y, 4);
        result.Text6 = fwj(linePoint.Azimuth);
        return result;
    } catch (const geometry::RuntimeError& e) {
        prompts.Error("桩号" + station + "处的设计线无法计算，请检查平面数据文件！", e.what());
        return std::nullopt;
    }
}

} // namespace tesk::piles
