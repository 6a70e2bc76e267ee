#include "piles/pile_table.h"

#include "geometry/error.h"
#include "geometry/number_text.h"

#include <cmath>
#include <numbers>

namespace tesk::piles {

namespace {
constexpr double kPi = std::numbers::pi;
} // namespace

geometry::PlanePoint EntryPoint(const Pier& pier, const PileEntry& entry) {
    const double thetaR = kPi * pier.Deflection / 180.0;
    const double alphaR = kPi * pier.SecondAngle / 180.0;
    const double d1 = pier.Azimuth + thetaR - kPi;
    const double d2 = pier.Azimuth + thetaR - alphaR;
    return {pier.Reference.X + entry.L1 * std::cos(d1) + entry.L2 * std::cos(d2),
            pier.Reference.Y + entry.L1 * std::sin(d1) + entry.L2 * std::sin(d2)};
}

geometry::PlanePoint OffsetPoint(const geometry::StationPoint& linePoint, double thetaDegrees,
                                 double d) {
    const double beta = kPi * thetaDegrees / 180.0 + linePoint.Azimuth - kPi;
    return {linePoint.X + d * std::cos(beta), linePoint.Y + d * std::sin(beta)};
}

std::variant<PileTable, std::string> PlacePiers(std::vector<formats::PierBlock> blocks,
                                                const alignment::Alignment& line,
                                                std::string sourcePath) {
    for (const formats::PierBlock& block : blocks) {
        if (!line.Contains(block.Mileage)) {
            return "桩号" + block.StationText + "超出平面数据文件，请修改！";
        }
    }
    PileTable table;
    table.SourcePath = std::move(sourcePath);
    table.Piers.reserve(blocks.size());
    for (formats::PierBlock& block : blocks) {
        Pier pier;
        static_cast<formats::PierBlock&>(pier) = std::move(block);
        const geometry::StationPoint p = line.PointAt(pier.Mileage);
        const std::string which = " of pier " + std::to_string(table.Piers.size() + 1) +
                                  " (station " + geometry::QuoteForMessage(pier.StationText) + ")";
        pier.Reference = {geometry::RequireFinite(p.X + pier.Shift * std::cos(p.Azimuth),
                                                  ("pile X" + which).c_str()),
                          geometry::RequireFinite(p.Y + pier.Shift * std::sin(p.Azimuth),
                                                  ("pile Y" + which).c_str())};
        pier.Azimuth = p.Azimuth;
        table.Piers.push_back(std::move(pier));
    }
    return table;
}

} // namespace tesk::piles
