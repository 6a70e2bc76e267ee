#include "session/elevations.h"

#include "formats/profile_file.h"
#include "geometry/error.h"

#include <cmath>
#include <memory>

namespace tesk::session {

namespace {

using geometry::ErrorCode;
using geometry::RuntimeError;

// The mileage of a row's written station on `line`, or a format error at the row.
double MileageOf(const LoadedLine& line, const formats::StationRow& row) {
    if (auto message = line.Breaks.CheckStationText(row.Station)) {
        throw RuntimeError(ErrorCode::Format, row.Where + *message);
    }
    const stationing::MarkedStation marked = line.Breaks.MarkStation(row.Station);
    if (!marked.Accepted()) {
        throw RuntimeError(ErrorCode::Format, row.Where + *marked.Refusal);
    }
    const double mileage = line.Breaks.StationTextToMileage(marked.Text);
    if (!line.Line().Contains(mileage)) {
        throw RuntimeError(ErrorCode::Format,
                           row.Where + "桩号" + row.Station + "超出平面数据文件，请修改！");
    }
    return mileage;
}

// Builds `T` from `rows`, naming the file in a refusal.
template <typename T, typename Rows> std::shared_ptr<const T> Build(Rows rows, const std::string& path) {
    try {
        return std::make_shared<const T>(std::move(rows));
    } catch (const RuntimeError& e) {
        throw RuntimeError(e.Code(), path + ": " + e.what());
    }
}

} // namespace

void LoadProfile(LoadedLine& line, const std::string& path) {
    std::vector<profile::GradePoint> points;
    for (const formats::StationRow& row : formats::ReadProfileFile(path)) {
        points.push_back({row.Station, MileageOf(line, row), row.First, row.Second});
    }
    line.Profile = Build<profile::Profile>(std::move(points), path);
    line.ProfileFile = path;
}

void LoadCrossFall(LoadedLine& line, const std::string& path) {
    std::vector<profile::CrossFallRow> rows;
    for (const formats::StationRow& row : formats::ReadCrossFallFile(path)) {
        rows.push_back({row.Station, MileageOf(line, row), row.First, row.Second});
    }
    line.CrossFall = Build<profile::CrossFall>(std::move(rows), path);
    line.CrossFallFile = path;
}

std::optional<double> DesignElevation(const LoadedLine& line, double mileage, double offset) {
    if (!line.Profile) {
        return std::nullopt;
    }
    const std::optional<double> centre = line.Profile->ElevationAt(mileage);
    if (!centre || offset == 0.0 || !line.CrossFall) {
        return centre;
    }
    return line.CrossFall->ElevationOff(*centre, mileage, offset);
}

std::optional<double> ElevationAtPoint(const LoadedLine& line, geometry::PlanePoint point,
                                       double nearMileage) {
    if (!line.Profile) {
        return std::nullopt;
    }
    const alignment::Location where = line.Line().Locate(point, 500.0);
    const alignment::Foot* best = nullptr;
    for (const alignment::Foot& foot : where.Feet) {
        if (!best ||
            std::fabs(foot.Mileage - nearMileage) < std::fabs(best->Mileage - nearMileage)) {
            best = &foot;
        }
    }
    if (best == nullptr) {
        return std::nullopt;
    }
    return DesignElevation(line, best->Mileage, best->Offset);
}

} // namespace tesk::session
