#include "session/commands.h"

#include "cad/pile_drawings.h"
#include "cad/stake_out.h"
#include "formats/landxml.h"
#include "formats/pile_file.h"
#include "formats/readers.h"
#include "geometry/angles.h"
#include "geometry/error.h"
#include "geometry/number_text.h"
#include "session/command_handler.h"
#include "session/elevations.h"
#include "session/stakes.h"
#include "sheet/coordinate_sheet.h"
#include "sheet/pile_sheet.h"

#include <memory>
#include <utility>

namespace tesk::session {

using geometry::ErrorCode;
using geometry::RuntimeError;

namespace {

constexpr std::string_view kAngleRefusal = "右偏角应在0～180之间！";

std::string OutsideLineMessage(std::string_view station) {
    return "桩号" + std::string(station) + "超出平面数据文件，请修改！";
}

// The right deflection angle of the point frame: [0, 180), empty or 0 meaning 90 (square to the
// line); nothing for a value out of range.
std::optional<double> DeflectionAngle(const PointFields& fields) {
    const double theta = geometry::NumericValue(geometry::Trim(fields.Angle));
    if (!(theta >= 0.0 && theta < 180.0)) {
        return std::nullopt;
    }
    return theta != 0.0 ? theta : 90.0;
}

} // namespace

// ---- Loading ---------------------------------------------------------------------------------

LoadedLine LoadJdLine(const std::string& path) {
    LoadedLine line;
    line.Jd = std::make_shared<const jd::JdAlignment>(formats::ReadJdFile(path));
    line.Breaks = stationing::Stationing({}, line.Jd->Line().Start(), line.Jd->Line().End());
    line.AlignmentFile = path;
    return line;
}

void LoadChainBreaks(LoadedLine& line, const std::string& path) {
    line.Breaks = stationing::Stationing(formats::ReadChainBreakFile(path), line.Line().Start(),
                                         line.Line().End());
    line.BreakFile = path;
}

LoadedLine LoadElementLine(const std::string& path) {
    LoadedLine line;
    line.Elements =
        std::make_shared<const element::ElementAlignment>(formats::ReadElementFile(path));
    line.AlignmentFile = path;
    return line;
}

LoadedLine LoadLandXmlLine(const std::string& path, const std::string& name) {
    formats::LandXmlAlignment read = formats::ReadLandXml(path, name);
    LoadedLine line;
    line.Placed = std::move(read.Line);
    line.Breaks = stationing::Stationing(read.Breaks, line.Line().Start(), line.Line().End());
    line.Profile = std::move(read.Profile);
    if (line.Profile) {
        line.ProfileFile = path;
    }
    line.AlignmentFile = path;
    line.AlignmentName = read.Name;
    line.Warnings = std::move(read.Warnings);
    if (read.Units.Linear != "meter") {
        line.Warnings.push_back("lengths are in " + read.Units.Linear +
                                " as the file gives them (not converted)");
    }
    return line;
}

bool IsLandXmlPath(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    std::string end = path.substr(path.size() - 4);
    for (char& c : end) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return end == ".xml";
}

bool InitializeAlignment(Session& session, Prompts& prompts, AlignmentMethod method) {
    // The session takes the line over only when everything succeeded: a failed or cancelled
    // Initialize leaves the line loaded before whole.
    return RunUnderHandler(prompts, false, [&] {
        const std::string path(prompts.OpenFile(kAlignmentDialogTitle, kAlignmentDialogFilter));
        if (IsLandXmlPath(path)) {
            // A LandXML file carries its chain breaks and profile: no further dialog.
            session.Load(method, LoadLandXmlLine(path));
        } else if (method == AlignmentMethod::IntersectionPoint) {
            LoadedLine line = LoadJdLine(path);
            LoadChainBreaks(line, prompts.OpenFile(kBreakDialogTitle, kBreakDialogFilter));
            session.Load(std::move(line));
        } else {
            session.Load(LoadElementLine(path));
        }
    });
}

// ---- Stations ----------------------------------------------------------------------------------

std::optional<Refusal> CheckStation(const LoadedLine& line, std::string_view typed) {
    if (auto message = line.Breaks.CheckStationText(geometry::Trim(typed))) {
        return Refusal{std::move(*message), Field::Station, false};
    }
    return std::nullopt;
}

std::variant<ResolvedStation, Refusal> PlaceStation(const LoadedLine& line,
                                                    std::string_view typed) {
    stationing::MarkedStation marked = line.Breaks.MarkStation(typed);
    if (!marked.Accepted()) {
        return Refusal{std::move(*marked.Refusal), Field::None, true};
    }
    ResolvedStation station{marked.Text, line.Breaks.StationTextToMileage(marked.Text)};
    if (!line.Line().Contains(station.Mileage)) {
        return Refusal{OutsideLineMessage(geometry::Trim(typed)), Field::Station, false};
    }
    return station;
}

std::variant<ResolvedStation, Refusal> ResolveStation(const LoadedLine& line,
                                                      std::string_view typed) {
    if (auto refusal = CheckStation(line, typed)) {
        return std::move(*refusal);
    }
    return PlaceStation(line, typed);
}

// ---- The point frame -----------------------------------------------------------------------

std::optional<PointResult> ComputePoint(const LoadedLine& line, Prompts& prompts,
                                        const PointFields& fields) {
    if (auto refusal = CheckStation(line, fields.Station)) {
        prompts.Refuse(*refusal);
        return std::nullopt;
    }
    const std::optional<double> theta = DeflectionAngle(fields);
    if (!theta) {
        prompts.Refuse({std::string(kAngleRefusal), Field::Angle});
        return std::nullopt;
    }
    const std::string skew(geometry::Trim(fields.Skew));
    if (geometry::CleanAndSplit(skew).size() > 1) {
        prompts.Refuse({"斜距" + skew + "存在空格，不能计算，可以放样！", Field::Skew});
        return std::nullopt;
    }
    const double d = geometry::NumericValue(fields.Skew);

    auto placed = PlaceStation(line, fields.Station);
    if (auto* refusal = std::get_if<Refusal>(&placed)) {
        prompts.Refuse(*refusal);
        return std::nullopt;
    }
    const double mileage = std::get<ResolvedStation>(placed).Mileage;
    try {
        const geometry::StationPoint linePoint = line.Line().PointAt(mileage);
        const geometry::PlanePoint pile = piles::OffsetPoint(linePoint, *theta, d);
        PointResult result;
        result.X = geometry::RequireFinite(pile.X, "pile X");
        result.Y = geometry::RequireFinite(pile.Y, "pile Y");
        result.Azimuth = linePoint.Azimuth;
        result.XText = geometry::FormatFixed(pile.X, 4);
        result.YText = geometry::FormatFixed(pile.Y, 4);
        result.AzimuthText = geometry::AzimuthText(linePoint.Azimuth);
        if (line.Profile) {
            result.Elevation = PointElevation(line, mileage, d, *theta, pile);
            if (result.Elevation) {
                result.ElevationText = geometry::FormatFixed(*result.Elevation, 3);
            } else {
                result.ElevationNote = std::string(kNoElevationNote);
            }
        }
        return result;
    } catch (const RuntimeError& e) {
        prompts.Error("桩号" + std::string(geometry::Trim(fields.Station)) +
                          "处的设计线无法计算，请检查平面数据文件！",
                      ErrorDetail(e), e.what());
        return std::nullopt;
    }
}

bool StakeOutStation(const LoadedLine& line, Prompts& prompts, cad::DrawingHost* host,
                     const PointFields& fields, bool joinWithPolyline) {
    bool drawn = false;
    RunUnderHandler(prompts, true, [&] {
        if (auto refusal = CheckStation(line, fields.Station)) {
            prompts.Refuse(*refusal);
            return;
        }
        const std::optional<double> theta = DeflectionAngle(fields);
        if (!theta) {
            prompts.Refuse({std::string(kAngleRefusal), Field::Angle});
            return;
        }
        const std::vector<double> distances = cad::SkewDistances(fields.Skew);
        auto placed = PlaceStation(line, fields.Station);
        if (auto* refusal = std::get_if<Refusal>(&placed)) {
            prompts.Refuse(*refusal);
            return;
        }
        // Every point is computed before the first is drawn, so a failure leaves no half set.
        const geometry::StationPoint linePoint =
            line.Line().PointAt(std::get<ResolvedStation>(placed).Mileage);
        std::vector<geometry::PlanePoint> points;
        points.reserve(distances.size());
        for (const double d : distances) {
            const geometry::PlanePoint p = piles::OffsetPoint(linePoint, *theta, d);
            geometry::RequireFinite(p.X, "stake-out point X");
            geometry::RequireFinite(p.Y, "stake-out point Y");
            points.push_back(p);
        }
        if (host == nullptr) {
            throw RuntimeError(ErrorCode::Output, "no drawing is open to stake out in");
        }
        cad::DrawStakeOutPoints(points, joinWithPolyline, *host);
        drawn = true;
    });
    return drawn;
}

// ---- Drawings and sheets -------------------------------------------------------------------

std::optional<Refusal> CheckDrawingSize(const LoadedLine& line) {
    static_assert(cad::kMaxDrawnLength == 10'000'000.0, "the refusal below names the cap");
    const double length = line.Line().End() - line.Line().Start();
    if (!(length <= cad::kMaxDrawnLength)) {
        return Refusal{"设计线长" + geometry::FormatFixed(length, 3) +
                       "米，超过绘图上限10000公里（100000个百米桩），请检查平面数据文件！"};
    }
    return std::nullopt;
}

bool DrawDesignLine(const LoadedLine& line, Prompts& prompts, cad::DrawingHost& host,
                    const cad::ProgressCallback& progress) {
    if (auto refusal = CheckDrawingSize(line)) {
        prompts.Refuse(*refusal);
        return false;
    }
    return RunUnderHandler(prompts, false, [&] {
        if (line.Jd) {
            cad::DrawDesignLineJd(*line.Jd, line.Breaks, host, progress);
        } else if (line.Placed) {
            cad::DrawDesignLinePlaced(*line.Placed, host, progress);
        } else {
            cad::DrawDesignLineElem(*line.Elements, host, progress);
        }
    });
}

std::variant<piles::PileTable, Refusal> ReadPileTable(const LoadedLine& line,
                                                      formats::TextFile& file) {
    // Each pier's station gets its mark; then the shift along the line is computed (in the
    // reader), and only then the mark is checked before the text is converted, so that a mark
    // beyond the last section gets its own message.
    // The placement refusals bring the main window to the front, the mark's own do not.
    bool activate = false;
    const formats::StationMarker mark =
        [&line,
         &activate](std::string_view text) -> std::variant<std::string, formats::MarkRefusal> {
        stationing::MarkedStation marked = line.Breaks.MarkStation(text);
        if (!marked.Accepted()) {
            activate = true;
            return formats::MarkRefusal{std::move(*marked.Refusal)};
        }
        return std::move(marked.Text);
    };
    const formats::StationResolver resolve =
        [&line](std::string_view text) -> std::variant<formats::ResolvedStation, std::string> {
        if (auto message = line.Breaks.CheckStationText(text)) {
            return std::move(*message);
        }
        return formats::ResolvedStation{std::string(text), line.Breaks.StationTextToMileage(text)};
    };
    auto blocks = formats::ReadPileFile(file, mark, resolve);
    if (auto* message = std::get_if<std::string>(&blocks)) {
        return Refusal{std::move(*message), Field::None, activate};
    }
    auto placed = piles::PlacePiers(std::get<std::vector<formats::PierBlock>>(std::move(blocks)),
                                    line.Line(), file.SourceName());
    if (auto* message = std::get_if<std::string>(&placed)) {
        return Refusal{std::move(*message), Field::None, false};
    }
    return std::get<piles::PileTable>(std::move(placed));
}

sheet::PileSheetTable CoordinateSheetTable(const LoadedLine& line, const piles::PileTable& table) {
    sheet::PileSheetTable sheet = sheet::ToSheetTable(table);
    if (!line.Profile) {
        return sheet;
    }
    sheet.WithElevations = true;
    for (std::size_t k = 0; k < sheet.Piers.size(); ++k) {
        for (sheet::SheetPileEntry& entry : sheet.Piers[k].Entries) {
            entry.H = ElevationAtPoint(line, {entry.X, entry.Y}, table.Piers[k].Mileage);
        }
    }
    return sheet;
}

bool RunPileCommand(const LoadedLine& line, Prompts& prompts,
                    const std::function<void(const piles::PileTable&)>& output) {
    bool completed = false;
    RunUnderHandler(prompts, true, [&] {
        formats::TextFile file =
            formats::OpenTextFile(prompts.OpenFile(kPileDialogTitle, kPileDialogFilter));
        auto table = ReadPileTable(line, file);
        if (auto* refusal = std::get_if<Refusal>(&table)) {
            prompts.Refuse(*refusal);
            return;
        }
        output(std::get<piles::PileTable>(table));
        completed = true;
    });
    return completed;
}

namespace {

/// RunPileCommand with `output`, then `done` when given.
bool RunPileCommandThen(const LoadedLine& line, Prompts& prompts,
                        const std::function<void(const piles::PileTable&)>& output,
                        const PileTableDone& done) {
    return RunPileCommand(line, prompts, [&](const piles::PileTable& t) {
        output(t);
        if (done) {
            done(t);
        }
    });
}

} // namespace

bool DrawPileTable(const LoadedLine& line, Prompts& prompts, cad::DrawingHost& host,
                   const PileTableDone& done) {
    return RunPileCommandThen(
        line, prompts, [&](const piles::PileTable& t) { cad::DrawCoordinateTable(t, host); }, done);
}

bool DrawPileSketch(const LoadedLine& line, Prompts& prompts, cad::DrawingHost& host,
                    const PileTableDone& done) {
    return RunPileCommandThen(
        line, prompts, [&](const piles::PileTable& t) { cad::DrawPileSketch(t, host); }, done);
}

bool StakeOutPiles(const LoadedLine& line, Prompts& prompts, cad::DrawingHost& host,
                   const PileTableDone& done) {
    return RunPileCommandThen(
        line, prompts, [&](const piles::PileTable& t) { cad::DrawPileStakeOut(t, host); }, done);
}

bool AddCoordinateSheet(const LoadedLine& line, Prompts& prompts,
                        sheet::SpreadsheetSession& workbook, std::string& pileFile,
                        const PileTableDone& done) {
    return RunPileCommandThen(
        line, prompts,
        [&](const piles::PileTable& t) {
            sheet::WriteCoordinateSheet(workbook.OpenWorkbook(), CoordinateSheetTable(line, t));
            pileFile = t.SourcePath;
        },
        done);
}

} // namespace tesk::session
