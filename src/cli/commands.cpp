#include "cli/commands.h"

#include "alignment/element/element_alignment.h"
#include "cad/design_line.h"
#include "cad/drawing_document.h"
#include "cad/dxf_writer.h"
#include "cad/pile_drawings.h"
#include "cad/stake_out.h"
#include "formats/landxml.h"
#include "formats/output_file.h"
#include "formats/point_file.h"
#include "formats/text_file.h"
#include "geometry/angles.h"
#include "geometry/number_text.h"
#include "geometry/polar.h"
#include "piles/pile_table.h"
#include "session/command_handler.h"
#include "session/commands.h"
#include "session/elevations.h"
#include "session/stakes.h"
#include "sheet/coordinate_sheet.h"
#include "sheet/pile_sheet.h"
#include "sheet/stake_sheet.h"
#include "sheet/xlsx_writer.h"
#include "stationing/stationing.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <ostream>
#include <sstream>

namespace tesk::cli {

using geometry::FormatFixed;
using session::LoadedLine;

namespace {

const char* KindName(element::ElementKind kind) {
    switch (kind) {
    case element::ElementKind::Straight:
        return "straight";
    case element::ElementKind::Arc:
        return "arc";
    case element::ElementKind::EntrySpiral:
        return "entry-spiral";
    case element::ElementKind::ExitSpiral:
        return "exit-spiral";
    case element::ElementKind::CompoundSpiral:
        return "compound-spiral";
    }
    return "";
}

/// With a profile loaded: the elevation field of a CSV row (empty outside the profile; the
/// first such row tells why on stderr once); nothing at all without a profile.
class ElevationColumn {
public:
    ElevationColumn(const LoadedLine& line, ConsolePrompts& prompts, int digits)
        : m_on(line.Profile != nullptr), m_prompts(prompts), m_digits(digits) {}
    bool On() const { return m_on; }
    /// ",h" (or "," when there is none) to close a row; "" without a profile.
    std::string Field(const std::optional<double>& h) {
        if (!m_on) {
            return {};
        }
        if (!h) {
            if (!m_told) {
                m_prompts.Error(std::string(session::kNoElevationNote), {}, {});
                m_told = true;
            }
            return ",";
        }
        return "," + FormatFixed(*h, std::min(m_digits, 3));
    }
    std::string Header(const char* name = "h") const { return m_on ? std::string(",") + name : ""; }

private:
    bool m_on;
    ConsolePrompts& m_prompts;
    int m_digits;
    bool m_told = false;
};

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

/// Whether two paths name one file: the same existing file, or the same place once "." and ".."
/// and links are resolved.
bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(PathOf(a), PathOf(b), ec) && !ec) {
        return true;
    }
    const auto canonicalA = std::filesystem::weakly_canonical(PathOf(a), ec);
    if (ec) {
        return false;
    }
    const auto canonicalB = std::filesystem::weakly_canonical(PathOf(b), ec);
    return !ec && canonicalA == canonicalB;
}

} // namespace

bool OutputsAreSafe(ConsolePrompts& prompts, const std::vector<std::string>& inputs,
                    const std::string& xlsx, const std::string& dxf, bool force) {
    for (const std::string* output : {&xlsx, &dxf}) {
        if (output->empty()) {
            continue;
        }
        for (const std::string& input : inputs) {
            if (!input.empty() && SameFile(*output, input)) {
                prompts.Refuse({"输出文件不能是输入文件：" + *output});
                return false;
            }
        }
    }
    if (!xlsx.empty() && !dxf.empty() && SameFile(xlsx, dxf)) {
        prompts.Refuse({"工作簿和图形不能写入同一文件：" + xlsx});
        return false;
    }
    for (const std::string* output : {&xlsx, &dxf}) {
        std::error_code ec;
        const auto status = std::filesystem::symlink_status(PathOf(*output), ec);
        if (!force && !output->empty() && !ec &&
            status.type() != std::filesystem::file_type::not_found) {
            prompts.Refuse({"输出文件已存在：" + *output + "（要替换它请加 --force）"});
            return false;
        }
    }
    return true;
}

std::optional<FieldOptions> ParseFieldOptions(ConsolePrompts& prompts,
                                              const std::vector<std::string>& exports,
                                              const std::string& setup,
                                              const std::string& backsight) {
    FieldOptions field;
    for (const std::string& text : exports) {
        const std::size_t colon = text.find(':');
        const std::optional<formats::PointFormat> format =
            colon == std::string::npos
                ? std::nullopt
                : formats::PointFormatNamed(geometry::Trim(text.substr(0, colon)));
        if (!format || colon + 1 >= text.size()) {
            prompts.Refuse(
                {"--export " + text +
                 "有误，应写成 格式:文件，如 cass:bridge.dat（格式为cass、csv、gsi或sdr）！"});
            return std::nullopt;
        }
        field.Exports.push_back({*format, text.substr(colon + 1)});
    }
    if (!setup.empty() || !backsight.empty()) {
        auto made = session::MakePolarSetup(setup, backsight);
        if (auto* refusal = std::get_if<session::Refusal>(&made)) {
            prompts.Refuse(*refusal);
            return std::nullopt;
        }
        field.Setup = std::get<session::PolarSetup>(made);
    }
    return field;
}

bool ExportsAreSafe(ConsolePrompts& prompts, const std::vector<std::string>& inputs,
                    const std::vector<std::string>& others, const FieldOptions& field, bool force) {
    std::vector<std::string> outputs;
    for (const std::string& other : others) {
        if (!other.empty()) {
            outputs.push_back(other);
        }
    }
    for (const PointExport& e : field.Exports) {
        for (const std::string& earlier : outputs) {
            if (SameFile(e.Path, earlier)) {
                prompts.Refuse({"两个输出不能写入同一文件：" + e.Path});
                return false;
            }
        }
        if (!OutputsAreSafe(prompts, inputs, {}, e.Path, force)) {
            return false;
        }
        outputs.push_back(e.Path);
    }
    return true;
}

std::string CsvField(const std::string& text) {
    // Most fields (every station label) are plain: printable ASCII that starts with a letter or
    // a digit and holds no comma or quote. They go out as they are.
    const auto plain = [](unsigned char c) { return c > 0x20 && c < 0x7F && c != ',' && c != '"'; };
    if (!text.empty() &&
        (std::isdigit(static_cast<unsigned char>(text.front())) != 0 ||
         (text.front() >= 'A' && text.front() <= 'Z') ||
         (text.front() >= 'a' && text.front() <= 'z')) &&
        std::all_of(text.begin(), text.end(),
                    [&](char c) { return plain(static_cast<unsigned char>(c)); })) {
        return text;
    }
    std::string field = geometry::EscapeControlCharacters(text);
    // A spreadsheet opening the CSV would compute "=...", "+...", "-..." and "@..." (and run
    // what they call); a leading apostrophe keeps them text. Numbers such as -12.5 stay numbers.
    const bool formula = !field.empty() &&
                         std::string_view("=+-@").find(field[0]) != std::string_view::npos &&
                         !geometry::ParseNumber(field);
    if (formula) {
        field.insert(0, 1, '\'');
    }
    if (!formula && field.find_first_of(",\"") == std::string::npos) {
        return field;
    }
    std::string quoted = "\"";
    for (char c : field) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

std::optional<LoadedLine> LoadAlignment(ConsolePrompts& prompts, const AlignmentFiles& files) {
    std::optional<LoadedLine> line;
    const bool loaded = session::RunUnderHandler(prompts, false, [&] {
        if (!files.LandXml.empty()) {
            line = session::LoadLandXmlLine(files.LandXml, files.AlignmentName);
            // Say what was read: the alignments to choose from, and what the file left unsaid.
            const std::vector<std::string> names = formats::LandXmlAlignmentNames(files.LandXml);
            if (names.size() > 1 && files.AlignmentName.empty()) {
                std::string list;
                for (const std::string& name : names) {
                    list += (list.empty() ? "" : "、") + name;
                }
                prompts.Note("LandXML文件中有" + std::to_string(names.size()) + "条路线（" + list +
                             "），使用第一条" + line->AlignmentName + "；用--alignment选择");
            }
            for (const std::string& warning : line->Warnings) {
                prompts.Note("LandXML: " + warning);
            }
        } else if (!files.Elem.empty()) {
            line = session::LoadElementLine(files.Elem);
        } else {
            line = session::LoadJdLine(files.Jd);
            if (!files.Breaks.empty()) {
                session::LoadChainBreaks(*line, files.Breaks);
            }
        }
        if (!files.Profile.empty()) {
            session::LoadProfile(*line, files.Profile); // given, it takes the file's place
        }
        if (!files.CrossFall.empty()) {
            session::LoadCrossFall(*line, files.CrossFall);
        }
    });
    if (!loaded) {
        return std::nullopt; // every file given must load: a table without it would mislead
    }
    return line;
}

namespace {

/// The polar values of `points` from the setup of `field` (none without one), after the checks
/// of the field outputs: two points of one name when point files are asked for, a point at the
/// station. Nothing after a refusal (reported).
std::optional<std::vector<geometry::PolarValues>>
CheckFieldPoints(ConsolePrompts& prompts, const FieldOptions& field,
                 const std::vector<formats::FieldPoint>& points) {
    if (!field.Exports.empty()) {
        if (const auto refusal = session::CheckPointNames(points)) {
            prompts.Refuse(*refusal);
            return std::nullopt;
        }
    }
    if (!field.Setup) {
        return std::vector<geometry::PolarValues>{};
    }
    auto values = session::PolarTable(*field.Setup, points);
    if (auto* refusal = std::get_if<session::Refusal>(&values)) {
        prompts.Refuse(*refusal);
        return std::nullopt;
    }
    return std::get<std::vector<geometry::PolarValues>>(std::move(values));
}

/// The CSV columns of the polar stake-out: ",azimuth_dms,angle_dms,distance", or "" without a
/// setup.
std::string PolarHeader(const FieldOptions& field) {
    return field.Setup ? ",azimuth_dms,angle_dms,distance" : "";
}

/// Appends the polar columns of one row: the azimuth and the angle as the window shows
/// azimuths, the distance with `digits` decimals.
void AppendPolar(std::string& row, const geometry::PolarValues& v, int digits) {
    row += ',';
    row += geometry::DirectionText(v.Azimuth);
    row += ',';
    row += geometry::DirectionText(v.Angle);
    row += ',';
    geometry::AppendFixed(row, v.Distance, digits);
}

/// The point files of `field` written into new temporaries added to `outputs` (committed by the
/// caller with the command's other outputs). `writing` names the file being written, for the
/// message of a failure.
void WriteExports(const FieldOptions& field, const std::vector<formats::FieldPoint>& points,
                  int digits, std::vector<std::unique_ptr<formats::OutputFile>>& outputs,
                  std::string& writing) {
    for (const PointExport& e : field.Exports) {
        writing = e.Path;
        outputs.push_back(std::make_unique<formats::OutputFile>(PathOf(e.Path)));
        formats::WritePointFile(e.Format, points, digits, *outputs.back());
    }
}

/// Commits `outputs` together (formats::CommitAll).
void CommitOutputs(const std::vector<std::unique_ptr<formats::OutputFile>>& outputs) {
    std::vector<formats::OutputFile*> all;
    for (const auto& output : outputs) {
        all.push_back(output.get());
    }
    formats::CommitAll(all);
}

/// For a command whose only files are point files: writes them all or none. Returns false after
/// a failure (reported).
bool WriteExportsOnly(ConsolePrompts& prompts, const FieldOptions& field,
                      const std::vector<formats::FieldPoint>& points, int digits) {
    if (field.Exports.empty()) {
        return true;
    }
    std::string writing = field.Exports.front().Path;
    return session::RunOutputUnderHandler(prompts, false, writing, [&] {
        std::vector<std::unique_ptr<formats::OutputFile>> outputs;
        WriteExports(field, points, digits, outputs, writing);
        CommitOutputs(outputs);
    });
}

} // namespace

int RunTable(const LoadedLine& line, ConsolePrompts& prompts, const TableOptions& options,
             std::ostream& out) {
    using session::Stake;
    std::vector<Stake> typed;
    const auto resolve = [&](const std::string& text) -> std::optional<Stake> {
        auto stake = session::StakeAt(line, geometry::Trim(text));
        if (auto* refusal = std::get_if<session::Refusal>(&stake)) {
            prompts.Refuse(*refusal);
            return std::nullopt;
        }
        return std::get<Stake>(std::move(stake));
    };
    for (const std::string& text : options.Stations) {
        auto stake = resolve(text);
        if (!stake) {
            return 1;
        }
        typed.push_back(std::move(*stake));
    }
    std::optional<std::pair<double, double>> range;
    if (options.From || options.To) {
        const std::optional<Stake> from =
            options.From ? resolve(*options.From) : Stake{line.Line().Start(), {}};
        const std::optional<Stake> to =
            options.To ? resolve(*options.To) : Stake{line.Line().End(), {}};
        if (!from || !to) {
            return 1;
        }
        if (auto refusal =
                session::CheckStakeRange(line, from->Mileage, to->Mileage, options.Step)) {
            prompts.Refuse(*refusal);
            return 1;
        }
        range = {from->Mileage, to->Mileage};
    }

    // Side stakes: the angle and the offsets are checked before any row is written.
    double theta = 90.0;
    if (!options.Offsets.empty()) {
        const double typedAngle = geometry::NumericValue(geometry::Trim(options.Angle));
        if (!(typedAngle >= 0.0 && typedAngle < 180.0)) {
            prompts.Refuse({"右偏角应在0～180之间！"});
            return 1;
        }
        theta = typedAngle != 0.0 ? typedAngle : 90.0;
        for (const double d : options.Offsets) {
            if (!(std::fabs(d) <= formats::kMaxLength)) {
                prompts.Refuse({"边桩偏距应为以米计的数，如-12.5,0,12.5！"});
                return 1;
            }
        }
    }

    // The stakes are not kept: they are listed twice, once to evaluate every point (a station
    // the line cannot evaluate prints no partial table), once to print the rows.
    const auto eachStake = [&](const std::function<void(const Stake&)>& visit) {
        for (const Stake& stake : typed) {
            visit(stake);
        }
        if (range) {
            session::ForEachStake(line, range->first, range->second, options.Step, visit);
        }
    };
    const auto offsetPoint = [&](const geometry::StationPoint& c, double d) {
        const geometry::PlanePoint p = piles::OffsetPoint(c, theta, d);
        geometry::RequireFinite(p.X, "side stake X");
        geometry::RequireFinite(p.Y, "side stake Y");
        return p;
    };
    std::string rows;
    constexpr std::size_t kFlushAt = std::size_t{1} << 20;
    // The points are kept only for point files and the polar stake-out.
    const bool field = options.Field.Any();
    std::vector<formats::FieldPoint> fieldPoints;
    std::string failing;
    try {
        eachStake([&](const Stake& stake) {
            failing = stake.Label;
            const geometry::StationPoint c = line.Line().PointAt(stake.Mileage);
            if (field && options.Offsets.empty()) {
                fieldPoints.push_back({session::StakeName(stake.Label),
                                       c.X,
                                       c.Y,
                                       session::DesignElevation(line, stake.Mileage),
                                       {}});
            }
            for (const double d : options.Offsets) {
                const geometry::PlanePoint p = offsetPoint(c, d);
                if (field) {
                    fieldPoints.push_back(
                        {session::SideStakeName(stake.Label, d),
                         p.X,
                         p.Y,
                         session::PointElevation(line, stake.Mileage, d, theta, p),
                         {}});
                }
            }
        });
    } catch (const geometry::RuntimeError& e) {
        prompts.Error("桩号" + failing + "处的设计线无法计算，请检查平面数据文件！",
                      session::ErrorDetail(e), e.what());
        return 1;
    }
    const auto polar = CheckFieldPoints(prompts, options.Field, fieldPoints);
    if (!polar || !WriteExportsOnly(prompts, options.Field, fieldPoints, options.Digits)) {
        return 1;
    }
    std::size_t polarRow = 0;
    const auto endRow = [&] {
        if (options.Field.Setup) {
            AppendPolar(rows, (*polar)[polarRow++], options.Digits);
        }
        rows += '\n';
    };

    ElevationColumn h(line, prompts, options.Digits);
    rows.reserve(kFlushAt + 4096);
    rows += options.Offsets.empty() ? "station,mileage,x,y,azimuth"
                                    : "station,mileage,offset,x,y,azimuth";
    rows += h.Header();
    rows += PolarHeader(options.Field);
    rows += '\n';
    const int azimuthDigits = std::max(options.Digits, 9);
    const auto appendField = [&rows](double value, int digits) {
        geometry::AppendFixed(rows, value, digits);
        rows += ',';
    };
    eachStake([&](const Stake& stake) {
        const geometry::StationPoint c = line.Line().PointAt(stake.Mileage);
        const std::string label = CsvField(stake.Label);
        if (options.Offsets.empty()) {
            rows.append(label).append(1, ',');
            appendField(stake.Mileage, options.Digits);
            appendField(c.X, options.Digits);
            appendField(c.Y, options.Digits);
            geometry::AppendFixed(rows, c.Azimuth, azimuthDigits);
            if (h.On()) {
                rows += h.Field(session::DesignElevation(line, stake.Mileage));
            }
            endRow();
        }
        for (const double d : options.Offsets) {
            const geometry::PlanePoint p = offsetPoint(c, d);
            rows.append(label).append(1, ',');
            appendField(stake.Mileage, options.Digits);
            appendField(d, options.Digits);
            appendField(p.X, options.Digits);
            appendField(p.Y, options.Digits);
            geometry::AppendFixed(rows, c.Azimuth, azimuthDigits);
            if (h.On()) {
                rows += h.Field(session::PointElevation(line, stake.Mileage, d, theta, p));
            }
            endRow();
        }
        if (rows.size() >= kFlushAt) {
            out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
            rows.clear();
        }
    });
    out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
    return 0;
}

namespace {

/// The points of a locate run: "X,Y" texts named P1, P2, ... then the point file's points.
/// Nothing after a refusal or failure (reported).
std::optional<std::vector<formats::SurveyPoint>> LocatePoints(ConsolePrompts& prompts,
                                                              const LocateOptions& options) {
    std::vector<formats::SurveyPoint> points;
    for (const std::string& text : options.Points) {
        const std::optional<geometry::PlanePoint> p = session::ParseSurveyPoint(text);
        if (!p) {
            prompts.Refuse({"点坐标" + text + "有误，应为北坐标,东坐标，如3452500.5,503100！"});
            return std::nullopt;
        }
        points.push_back({std::string(1, 'P').append(std::to_string(points.size() + 1)), p->X, p->Y,
                          std::nullopt});
    }
    if (!options.PointFile.empty()) {
        const bool read = session::RunUnderHandler(prompts, false, [&] {
            std::vector<formats::SurveyPoint> fromFile = formats::ReadPointFile(options.PointFile);
            points.insert(points.end(), std::make_move_iterator(fromFile.begin()),
                          std::make_move_iterator(fromFile.end()));
        });
        if (!read) {
            return std::nullopt;
        }
    }
    return points;
}

} // namespace

int RunLocate(const LoadedLine& line, ConsolePrompts& prompts, const LocateOptions& options,
              std::ostream& out) {
    const std::optional<std::vector<formats::SurveyPoint>> points = LocatePoints(prompts, options);
    if (!points) {
        return 1;
    }
    std::vector<std::pair<std::string, geometry::PlanePoint>> named;
    named.reserve(points->size());
    for (const formats::SurveyPoint& p : *points) {
        named.push_back({p.Name, {p.X, p.Y}});
    }
    const int digits = options.Digits;
    std::ostringstream rows;
    ElevationColumn h(line, prompts, digits);
    bool measured = false; // the file gives heights: dh = H - h
    for (const formats::SurveyPoint& p : *points) {
        measured = measured || p.H.has_value();
    }
    const std::vector<session::PointLocation> located = session::LocatePoints(line, named);
    // As field points: each point where it is, with the design elevation at its nearest foot.
    std::vector<formats::FieldPoint> fieldPoints;
    for (const session::PointLocation& p : located) {
        std::optional<double> design;
        if (!p.Feet.empty()) {
            design =
                session::DesignElevation(line, p.Feet.front().At.Mileage, p.Feet.front().Offset);
        }
        fieldPoints.push_back({p.Name, p.Point.X, p.Point.Y, design, {}});
    }
    const auto polar = CheckFieldPoints(prompts, options.Field, fieldPoints);
    if (!polar || !WriteExportsOnly(prompts, options.Field, fieldPoints, digits)) {
        return 1;
    }
    const auto polarColumns = [&](std::size_t i) {
        std::string columns;
        if (options.Field.Setup) {
            AppendPolar(columns, (*polar)[i], digits);
        }
        return columns;
    };
    for (std::size_t i = 0; i < located.size(); ++i) {
        const session::PointLocation& located1 = located[i];
        const std::optional<double>& height = (*points)[i].H;
        const std::string head = CsvField(located1.Name) + ',' +
                                 FormatFixed(located1.Point.X, digits) + ',' +
                                 FormatFixed(located1.Point.Y, digits) + ',';
        const std::string noElevation =
            std::string(h.On() ? "," : "") + (h.On() && measured ? "," : "");
        if (located1.Feet.empty()) {
            prompts.Error(located1.Note, {}, {});
            rows << head << ",,," << noElevation << polarColumns(i) << '\n';
            continue;
        }
        for (const session::LocatedFoot& f : located1.Feet) {
            rows << head << CsvField(f.At.Label) << ',' << FormatFixed(f.At.Mileage, digits) << ','
                 << FormatFixed(f.Offset, digits) << ','
                 << FormatFixed(f.Azimuth, std::max(digits, 9));
            if (h.On()) {
                const std::optional<double> design =
                    session::DesignElevation(line, f.At.Mileage, f.Offset);
                rows << h.Field(design);
                if (measured) {
                    rows << ',';
                    if (design && height) {
                        rows << FormatFixed(*height - *design, std::min(digits, 3));
                    }
                }
            }
            rows << polarColumns(i) << '\n';
        }
    }
    out << "name,x,y,station,mileage,offset,azimuth" << h.Header()
        << (h.On() && measured ? ",dh" : "") << PolarHeader(options.Field) << '\n'
        << rows.str();
    return 0;
}

int RunCurves(const LoadedLine& line, int digits, std::ostream& out) {
    auto num = [digits](double v) { return FormatFixed(v, digits); };
    if (line.Placed) {
        // Radii from curvatures: INF for a straight end, never a code.
        const auto radius = [](double curvature) {
            return curvature == 0.0 ? std::string("INF")
                                    : geometry::FormatShortest(1.0 / curvature);
        };
        out << "element,kind,start_radius,end_radius,length,station,x,y,azimuth\n";
        int i = 0;
        for (const placed::BuiltElement& e : line.Placed->Elements()) {
            out << ++i << ',' << KindName(e.Kind) << ',' << radius(e.Given.StartCurvature) << ','
                << radius(e.Given.EndCurvature) << ',' << num(e.Given.Length) << ','
                << num(e.StartMileage) << ',' << num(e.Given.Start.X) << ',' << num(e.Given.Start.Y)
                << ',' << FormatFixed(e.StartAzimuth, std::max(digits, 9)) << '\n';
        }
        return 0;
    }
    if (line.Elements) {
        out << "element,kind,start_radius,end_radius,length,station,x,y,azimuth\n";
        int i = 0;
        for (const element::Element& e : line.Elements->Elements()) {
            out << ++i << ',' << KindName(e.Kind) << ',' << geometry::FormatShortest(e.StartRadius)
                << ',' << geometry::FormatShortest(e.EndRadius) << ',' << num(e.Length) << ','
                << num(e.StartMileage) << ',' << num(e.Start.X) << ',' << num(e.Start.Y) << ','
                << FormatFixed(e.StartAzimuth, std::max(digits, 9)) << '\n';
        }
        return 0;
    }
    out << "name,deflection,R,Ls1,Ls2,T1,T2,L";
    for (const char* p : {"ZH", "HY", "QZ", "YH", "HZ"}) {
        out << ',' << p << ',' << p << "_x," << p << "_y";
    }
    out << '\n';
    const std::vector<jd::JdCurve>& curves = line.Jd->Curves();
    for (std::size_t i = 1; i + 1 < curves.size(); ++i) {
        const jd::JdCurve& c = curves[i];
        out << CsvField(line.Jd->Vertices()[i].Name) << ','
            << FormatFixed(c.Deflection, std::max(digits, 9)) << ',' << num(std::fabs(c.Radius))
            << ',' << num(std::fabs(c.Spiral1)) << ',' << num(std::fabs(c.Spiral2)) << ','
            << num(c.Tangent1) << ',' << num(c.Tangent2) << ',' << num(std::fabs(c.CurveLength));
        const std::pair<double, geometry::PlanePoint> points[] = {{c.StationZH, c.Zh},
                                                                  {c.StationHY, c.Hy},
                                                                  {c.StationQZ, c.Qz},
                                                                  {c.StationYH, c.Yh},
                                                                  {c.StationHZ, c.Hz}};
        for (const auto& [mileage, p] : points) {
            out << ',' << CsvField(line.Breaks.MileageToLabel(mileage)) << ',' << num(p.X) << ','
                << num(p.Y);
        }
        out << '\n';
    }
    return 0;
}

int RunProfile(const LoadedLine& line, ConsolePrompts& prompts, int digits, std::ostream& out) {
    if (!line.Profile) {
        prompts.Refuse({"请用--profile给出纵断面文件！"});
        return 1;
    }
    const auto num = [digits](double v) { return FormatFixed(v, digits); };
    const auto percent = [digits](double grade) { return FormatFixed(100.0 * grade, digits); };
    out << "station,mileage,elevation,grade_in,grade_out,radius,length,tangent,external,"
           "start_station,end_station\n";
    const profile::Profile& p = *line.Profile;
    for (std::size_t k = 0; k < p.Points().size(); ++k) {
        const profile::GradePoint& g = p.Points()[k];
        const profile::VerticalCurve& c = p.Curves()[k];
        out << CsvField(line.Breaks.MileageToLabel(g.Mileage)) << ',' << num(g.Mileage) << ','
            << num(g.Elevation) << ',' << percent(c.GradeIn) << ',' << percent(c.GradeOut) << ','
            << geometry::FormatShortest(g.Radius) << ',' << num(c.Length) << ',' << num(c.Tangent)
            << ',' << num(c.External) << ',' << CsvField(line.Breaks.MileageToLabel(c.StartMileage))
            << ',' << CsvField(line.Breaks.MileageToLabel(c.EndMileage)) << '\n';
    }
    return 0;
}

int RunPoint(const LoadedLine& line, ConsolePrompts& prompts, const PointOptions& options,
             std::ostream& out) {
    const auto result =
        session::ComputePoint(line, prompts, {options.Station, options.Angle, options.Skew});
    if (!result) {
        return 1;
    }
    std::vector<geometry::PolarValues> polar;
    if (options.Field.Any()) {
        const std::vector<formats::FieldPoint> points = {
            {session::ComputedPointName(line, options.Station, options.Skew),
             result->X,
             result->Y,
             result->Elevation,
             {}}};
        const auto checked = CheckFieldPoints(prompts, options.Field, points);
        if (!checked || !WriteExportsOnly(prompts, options.Field, points, options.Digits)) {
            return 1;
        }
        polar = *checked;
    }
    out << "X坐标," << result->XText << "\nY坐标," << result->YText << "\n方位角,"
        << result->AzimuthText << '\n';
    if (line.Profile) {
        out << "设计高程," << result->ElevationText << '\n';
        if (!result->ElevationNote.empty()) {
            prompts.Error(result->ElevationNote, {}, {});
        }
    }
    if (!polar.empty()) {
        out << "测站方位角," << geometry::DirectionText(polar[0].Azimuth) << "\n水平角,"
            << geometry::DirectionText(polar[0].Angle) << "\n平距,"
            << FormatFixed(polar[0].Distance, options.Digits) << '\n';
    }
    return 0;
}

namespace {

/// Draws the drawings asked for into one new drawing. The first pick is answered with the given
/// point; later ones to the right of everything drawn so far, so that the table and the sketch
/// do not overlap.
void DrawPileOutputs(const piles::PileTable& table, const PilesOptions& options,
                     cad::DrawingDocument& document) {
    bool firstPick = true;
    document.SetPickHandler([&](std::string_view) -> std::optional<cad::Point> {
        cad::Point at = cad::DrawingPoint({options.AtX, options.AtY});
        const auto extents = document.ComputeExtents();
        if (!firstPick && extents) {
            at.X = extents->MaxX + 20.0;
        }
        firstPick = false;
        return at;
    });
    const bool all = !options.Table && !options.Sketch && !options.StakeOut;
    if (all || options.Table) {
        cad::DrawCoordinateTable(table, document);
    }
    if (all || options.Sketch) {
        cad::DrawPileSketch(table, document);
    }
    if (all || options.StakeOut) {
        cad::DrawPileStakeOut(table, document);
    }
}

/// Writes the workbook, the drawing and the point files asked for, all or none: each goes to
/// its temporary first, and they replace their targets together at the end. With a setup the
/// workbook gets the sheet "极坐标放样表" and the drawing the set-up.
bool WritePileOutputs(const piles::PileTable& table, const sheet::PileSheetTable& sheetTable,
                      ConsolePrompts& prompts, const PilesOptions& options,
                      const std::vector<formats::FieldPoint>& points,
                      const std::vector<geometry::PolarValues>& polar) {
    // The output being made, for the heading of a fault ("文件无法写入：" + path).
    std::string writing = !options.Xlsx.empty()  ? options.Xlsx
                          : !options.Dxf.empty() ? options.Dxf
                                                 : options.Field.Exports.front().Path;
    return session::RunOutputUnderHandler(prompts, false, writing, [&] {
        std::optional<formats::OutputFile> xlsx;
        std::optional<formats::OutputFile> dxf;
        // Both temporaries exist before any content is made: a folder that cannot take one of
        // them stops the command before the longer work.
        if (!options.Xlsx.empty()) {
            xlsx.emplace(PathOf(options.Xlsx));
        }
        if (!options.Dxf.empty()) {
            dxf.emplace(PathOf(options.Dxf));
        }
        const std::optional<session::PolarSetup>& setup = options.Field.Setup;
        if (xlsx) {
            writing = options.Xlsx;
            sheet::Workbook workbook;
            sheet::WriteCoordinateSheet(workbook, sheetTable);
            if (setup) {
                sheet::WritePolarSheet(workbook, session::MakePolarSheet(*setup, points, polar));
            }
            sheet::WriteXlsx(workbook, *xlsx);
        }
        if (dxf) {
            writing = options.Dxf;
            cad::DrawingDocument document;
            DrawPileOutputs(table, options, document);
            if (setup) {
                std::vector<geometry::PlanePoint> targets;
                for (const formats::FieldPoint& p : points) {
                    targets.push_back({p.X, p.Y});
                }
                cad::DrawPolarSetup(setup->Station, setup->Backsight, targets, document);
            }
            cad::WriteDxf(document, *dxf);
        }
        std::vector<std::unique_ptr<formats::OutputFile>> exports;
        WriteExports(options.Field, points, options.Digits, exports, writing);
        std::vector<formats::OutputFile*> all = {xlsx ? &*xlsx : nullptr, dxf ? &*dxf : nullptr};
        for (const auto& e : exports) {
            all.push_back(e.get());
        }
        formats::CommitAll(all);
    });
}

} // namespace

int RunPiles(const LoadedLine& line, ConsolePrompts& prompts, const PilesOptions& options,
             std::ostream& out) {
    std::optional<piles::PileTable> table;
    const bool read = session::RunUnderHandler(prompts, true, [&] {
        formats::TextFile file = formats::OpenTextFile(options.PileFile);
        auto result = session::ReadPileTable(line, file);
        if (auto* refusal = std::get_if<session::Refusal>(&result)) {
            prompts.Refuse(*refusal);
            return;
        }
        table = std::get<piles::PileTable>(std::move(result));
    });
    if (!read || !table) {
        return 1;
    }
    // The piles with their elevations, computed once for the CSV, the workbook and the points.
    const sheet::PileSheetTable sheetTable = session::CoordinateSheetTable(line, *table);
    std::vector<formats::FieldPoint> points;
    std::vector<geometry::PolarValues> polar;
    if (options.Field.Any()) {
        points = session::PilePoints(sheetTable);
        auto checked = CheckFieldPoints(prompts, options.Field, points);
        if (!checked) {
            return 1;
        }
        polar = std::move(*checked);
    }
    std::string rows;
    ElevationColumn h(line, prompts, options.Digits);
    std::size_t pile = 0;
    for (std::size_t k = 0; k < table->Piers.size(); ++k) {
        const piles::Pier& pier = table->Piers[k];
        for (std::size_t j = 0; j < pier.Entries.size(); ++j, ++pile) {
            const geometry::PlanePoint p = piles::EntryPoint(pier, pier.Entries[j]);
            rows += std::to_string(k) + ',' + CsvField(pier.StationText) + ',' +
                    std::to_string(j + 1) + ',' + FormatFixed(pier.Entries[j].L1, options.Digits) +
                    ',' + FormatFixed(pier.Entries[j].L2, options.Digits) + ',' +
                    FormatFixed(p.X, options.Digits) + ',' + FormatFixed(p.Y, options.Digits) +
                    (h.On() ? h.Field(sheetTable.Piers[k].Entries[j].H) : "");
            if (options.Field.Setup) {
                AppendPolar(rows, polar[pile], options.Digits);
            }
            rows += '\n';
        }
    }
    if ((!options.Xlsx.empty() || !options.Dxf.empty() || !options.Field.Exports.empty()) &&
        !WritePileOutputs(*table, sheetTable, prompts, options, points, polar)) {
        return 1;
    }
    out << "pier,station,entry,L1,L2,x,y" << h.Header() << PolarHeader(options.Field) << '\n'
        << rows;
    return 0;
}

int RunLandXml(const LoadedLine& line, ConsolePrompts& prompts, const std::string& path) {
    return session::RunOutputUnderHandler(
               prompts, false, path,
               [&] {
                   formats::WriteLandXml(PathOf(path), line.Line(), line.Breaks.Breaks(),
                                         line.Profile.get(),
                                         line.AlignmentName.empty() ? "Tesk" : line.AlignmentName);
               })
               ? 0
               : 1;
}

int RunDraw(const LoadedLine& line, ConsolePrompts& prompts, const std::string& dxfPath) {
    cad::DrawingDocument document;
    if (!session::DrawDesignLine(line, prompts, document, [](std::string_view) {})) {
        return 1;
    }
    return session::RunOutputUnderHandler(prompts, false, dxfPath,
                                          [&] { cad::WriteDxf(document, PathOf(dxfPath)); })
               ? 0
               : 1;
}

} // namespace tesk::cli
