#include "session/field_outputs.h"

#include "formats/text_file.h"
#include "geometry/angles.h"
#include "geometry/number_text.h"
#include "session/command_handler.h"
#include "session/commands.h"
#include "session/stakes.h"

#include <filesystem>

#include <cmath>

namespace tesk::session {

namespace {

/// The coordinate refusal for a typed point: `which` is "测站点" or "后视点".
Refusal CoordinateRefusal(const std::string& which) {
    return {which + "坐标有误，应为北坐标,东坐标，如3452500.5,503100！"};
}

} // namespace

std::string StakeName(std::string_view label) {
    std::string name(label);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos ||
        name.find_first_not_of("0123456789", dot + 1) != std::string::npos) {
        return name;
    }
    const std::size_t last = name.find_last_not_of('0');
    name.erase(last == dot ? dot : last + 1);
    return name;
}

std::string SideStakeName(std::string_view label, double offset) {
    if (offset == 0.0) {
        return StakeName(label);
    }
    return StakeName(label) + (offset > 0.0 ? "L" : "R") +
           geometry::FormatShortest(std::fabs(offset));
}

std::string ComputedPointName(const LoadedLine& line, std::string_view station,
                              std::string_view skew) {
    const auto stake = StakeAt(line, geometry::Trim(station));
    const std::string label = std::holds_alternative<Stake>(stake)
                                  ? std::get<Stake>(stake).Label
                                  : std::string(geometry::Trim(station));
    return SideStakeName(label, geometry::NumericValue(geometry::Trim(skew)));
}

std::string PileName(std::size_t pier, std::size_t entry) {
    return std::to_string(pier) + "-" + std::to_string(entry);
}

std::vector<formats::FieldPoint> PilePoints(const LoadedLine& line, const piles::PileTable& table) {
    return PilePoints(CoordinateSheetTable(line, table));
}

std::vector<formats::FieldPoint> PilePoints(const sheet::PileSheetTable& sheet) {
    std::vector<formats::FieldPoint> points;
    for (std::size_t k = 0; k < sheet.Piers.size(); ++k) {
        const auto& entries = sheet.Piers[k].Entries;
        for (std::size_t j = 0; j < entries.size(); ++j) {
            points.push_back({PileName(k, j + 1), entries[j].X, entries[j].Y, entries[j].H, {}});
        }
    }
    return points;
}

std::optional<geometry::PlanePoint> ParseSurveyPoint(std::string_view text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<double> x = geometry::ParseNumber(geometry::Trim(text.substr(0, comma)));
    const std::optional<double> y = geometry::ParseNumber(geometry::Trim(text.substr(comma + 1)));
    // Coordinates beyond any survey (a slipped decimal point) are refused as the files' are.
    if (!x || !y || !(std::fabs(*x) <= formats::kMaxCoordinate) ||
        !(std::fabs(*y) <= formats::kMaxCoordinate)) {
        return std::nullopt;
    }
    return geometry::PlanePoint{*x, *y};
}

std::variant<PolarSetup, Refusal> MakePolarSetup(std::string_view station,
                                                 std::string_view backsight) {
    const std::optional<geometry::PlanePoint> s = ParseSurveyPoint(station);
    if (!s) {
        return CoordinateRefusal("测站点");
    }
    const std::optional<geometry::PlanePoint> b = ParseSurveyPoint(backsight);
    if (!b) {
        return CoordinateRefusal("后视点");
    }
    if (!(std::hypot(b->X - s->X, b->Y - s->Y) >= kMinPolarDistance)) {
        return Refusal{"测站点与后视点重合，无法定向，请检查坐标！"};
    }
    return PolarSetup{*s, *b};
}

std::variant<std::vector<geometry::PolarValues>, Refusal>
PolarTable(const PolarSetup& setup, const std::vector<formats::FieldPoint>& points) {
    std::vector<geometry::PolarValues> values;
    values.reserve(points.size());
    for (const formats::FieldPoint& p : points) {
        const geometry::PolarValues v =
            geometry::PolarFrom(setup.Station, setup.Backsight, {p.X, p.Y});
        if (!(v.Distance >= kMinPolarDistance)) {
            return Refusal{"点" + p.Name + "与测站点重合，无法放样，请检查坐标！"};
        }
        values.push_back(v);
    }
    return values;
}

sheet::PolarSheetTable MakePolarSheet(const PolarSetup& setup,
                                      const std::vector<formats::FieldPoint>& points,
                                      const std::vector<geometry::PolarValues>& values) {
    sheet::PolarSheetTable table;
    table.Station = setup.Station;
    table.Backsight = setup.Backsight;
    table.BacksightAzimuth =
        geometry::DirectionText(geometry::PointAzimuth(setup.Station, setup.Backsight));
    for (std::size_t i = 0; i < points.size() && i < values.size(); ++i) {
        table.Rows.push_back({points[i].Name,
                              {points[i].X, points[i].Y},
                              points[i].H,
                              geometry::DirectionText(values[i].Azimuth),
                              geometry::DirectionText(values[i].Angle),
                              values[i].Distance});
    }
    return table;
}

std::optional<Refusal> CheckPointNames(const std::vector<formats::FieldPoint>& points) {
    if (const std::optional<std::string> name = formats::DuplicateName(points)) {
        return Refusal{"点名" + *name + "重复，点文件中的点名必须各不相同！"};
    }
    return std::nullopt;
}

std::optional<formats::PointFormat> PointFormatOfPath(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
        return std::nullopt;
    }
    std::string extension(path.substr(dot));
    for (char& c : extension) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    for (const formats::PointFormat format :
         {formats::PointFormat::Cass, formats::PointFormat::Csv, formats::PointFormat::Gsi,
          formats::PointFormat::Sdr}) {
        if (extension == formats::PointFormatExtension(format)) {
            return format;
        }
    }
    return std::nullopt;
}

bool ExportPointFile(Prompts& prompts, const std::vector<formats::FieldPoint>& points,
                     formats::PointFormat format, const std::string& path, int digits) {
    if (points.empty()) {
        prompts.Refuse({std::string(kNoPointsRefusal)});
        return false;
    }
    if (const auto refusal = CheckPointNames(points)) {
        prompts.Refuse(*refusal);
        return false;
    }
    return RunOutputUnderHandler(prompts, false, path, [&] {
        formats::OutputFile output(std::filesystem::path(std::u8string(path.begin(), path.end())));
        formats::WritePointFile(format, points, digits, output);
        output.Commit();
    });
}

} // namespace tesk::session
