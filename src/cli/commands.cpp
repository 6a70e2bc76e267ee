#include "cli/commands.h"

#include "alignment/element/element_alignment.h"
#include "geometry/clothoid.h"
#include "cad/design_line.h"
#include "cad/drawing_document.h"
#include "cad/dxf_writer.h"
#include "cad/pile_drawings.h"
#include "cad/stake_out.h"
#include "input/initialize.h"
#include "piles/alignment_access.h"
#include "piles/pile_file.h"
#include "piles/single_point.h"
#include "sheet/coordinate_command.h"
#include "sheet/xlsx_writer.h"
#include "state/command_handler.h"
#include "geometry/number_text.h"
#include "stationing/stationing.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <ostream>
#include <sstream>

namespace tesk::cli {

using state::AlignmentMethod;
using geometry::FormatFixed;
using state::SharedState;

namespace {

struct Stake {
    double Mileage = 0.0;
    std::string Label;
};

/// A station text as typed, resolved to continuous mileage and its label, or nothing after a
/// refusal (already reported).
std::optional<Stake> ResolveStation(const SharedState& s, ConsolePrompts& prompts,
                                    AlignmentMethod method, const std::string& typed) {
    const std::string text(geometry::Trim(typed));
    if (!stationing::CheckBreakMark(s, prompts, text)) {
        return std::nullopt;
    }
    const auto marked = stationing::zh_dlstr(s, prompts, text);
    if (!marked.StationAccepted) {
        return std::nullopt;
    }
    Stake stake;
    stake.Mileage = stationing::StationTextToMileage(s, marked.zhdlstr);
    if (!piles::AlignmentRange(s, method).Contains(stake.Mileage)) {
        prompts.Refuse("桩号" + text + "超出平面数据文件，请修改！");
        return std::nullopt;
    }
    // Label the station in the section the user named (at a chain break one point carries two
    // written stations; show the one that was asked for).
    const std::string& m = marked.zhdlstr;
    if (s.BreakCount != 0 && !m.empty() && stationing::MarkSection(m.front()) != 0) {
        stake.Label =
            m.front() + stationing::FormatStationLabel(stationing::ShownStation(m, stake.Mileage));
    } else {
        stake.Label = stationing::MileageToLabel(s, stake.Mileage);
    }
    return stake;
}

/// Most stakes one range may list; a step too small for its range is refused instead of filling
/// the memory (and, below about 1e-16 of the stations, of counting forever).
constexpr double kMaxStepStakes = 1'000'000;

/// Every multiple of `step` of the written stationing between the mileages lo and hi, section by
/// section, labelled with the section's mark when chain breaks are loaded. Returns false, with
/// nothing added, when that would be more than kMaxStepStakes stakes.
bool AddStepStakes(const SharedState& s, AlignmentMethod method, double lo, double hi, double step,
                   std::vector<Stake>& stakes) {
    const int sections = method == AlignmentMethod::IntersectionPoint ? s.BreakCount + 1 : 1;
    const piles::StationRange line = piles::AlignmentRange(s, method);
    double sectionStart = line.First;
    double offset = 0.0; // written station minus mileage within the section
    double counted = 0.0;
    std::vector<Stake> added;
    for (int k = 1; k <= sections; ++k) {
        const double sectionEnd =
            k < sections ? stationing::SectionStationToMileage(s, k, s.BreakBack[k]) : line.Last;
        const double a = std::max(lo, sectionStart);
        const double b = std::min(hi, sectionEnd);
        if (a <= b) {
            constexpr double kTolerance = 1e-9;
            const double first = std::ceil((a + offset - kTolerance) / step);
            const double last = std::floor((b + offset + kTolerance) / step);
            // max keeps a NaN, and "!(<=)" refuses it and the infinities of a step that
            // underflows.
            const double count = std::max(last - first + 1.0, 0.0);
            if (!(counted + count <= kMaxStepStakes)) {
                return false;
            }
            counted += count;
            for (double i = 0.0; i < count; i += 1.0) {
                const double written = (first + i) * step;
                std::string label = stationing::FormatStationLabel(written);
                if (s.BreakCount != 0 && method == AlignmentMethod::IntersectionPoint) {
                    label.insert(label.begin(), stationing::SectionLetter(k));
                }
                added.push_back({written - offset, std::move(label)});
            }
        }
        if (k < sections) {
            offset += s.BreakAhead[k] - s.BreakBack[k];
            sectionStart = sectionEnd;
        }
    }
    stakes.insert(stakes.end(), std::make_move_iterator(added.begin()),
                  std::make_move_iterator(added.end()));
    return true;
}

void AddMainPoints(const SharedState& s, AlignmentMethod method, double lo, double hi,
                   std::vector<Stake>& stakes) {
    auto add = [&](double mileage) {
        if (lo <= mileage && mileage <= hi) {
            stakes.push_back({mileage, stationing::MileageToLabel(s, mileage)});
        }
    };
    if (method == AlignmentMethod::IntersectionPoint) {
        for (int i = 2; i <= s.JdCount - 1; ++i) {
            for (double m :
                 {s.StationZH[i], s.StationHY[i], s.StationQZ[i], s.StationYH[i], s.StationHZ[i]}) {
                add(m);
            }
        }
    } else {
        for (int i = 2; i <= s.ElemCount; ++i) {
            add(s.ElemStation[i]);
        }
    }
}

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

void WriteRow(std::ostream& out, const Stake& stake, const geometry::StationPoint& p, int digits) {
    out << CsvField(stake.Label) << ',' << FormatFixed(stake.Mileage, digits) << ','
        << FormatFixed(p.X, digits) << ',' << FormatFixed(p.Y, digits) << ','
        << FormatFixed(p.Azimuth, std::max(digits, 9)) << '\n';
}

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
                    const std::string& xlsx, const std::string& dxf) {
    for (const std::string* output : {&xlsx, &dxf}) {
        if (output->empty()) {
            continue;
        }
        for (const std::string& input : inputs) {
            if (!input.empty() && SameFile(*output, input)) {
                prompts.Refuse("输出文件不能是输入文件：" + *output);
                return false;
            }
        }
    }
    if (!xlsx.empty() && !dxf.empty() && SameFile(xlsx, dxf)) {
        prompts.Refuse("工作簿和图形不能写入同一文件：" + xlsx);
        return false;
    }
    return true;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

bool LoadAlignment(SharedState& s, ConsolePrompts& prompts, const AlignmentFiles& files) {
    return state::RunUnderHandler(prompts, false, [&] {
        if (files.Method() == AlignmentMethod::Element) {
            input::LoadElementAlignment(s, files.Elem);
        } else {
            input::LoadJdAlignment(s, files.Jd);
            if (files.Breaks.empty()) {
                input::UseNoChainBreaks(s);
            } else {
                input::LoadChainBreaks(s, files.Breaks);
            }
        }
    });
}

int RunTable(const SharedState& s, ConsolePrompts& prompts, AlignmentMethod method,
             const TableOptions& options, std::ostream& out) {
    std::vector<Stake> stakes;
    for (const std::string& text : options.Stations) {
        auto stake = ResolveStation(s, prompts, method, text);
        if (!stake) {
            return 1;
        }
        stakes.push_back(*stake);
    }
    if (options.From || options.To) {
        const piles::StationRange line = piles::AlignmentRange(s, method);
        std::optional<Stake> from = options.From ? ResolveStation(s, prompts, method, *options.From)
                                                 : Stake{line.First, {}};
        std::optional<Stake> to =
            options.To ? ResolveStation(s, prompts, method, *options.To) : Stake{line.Last, {}};
        if (!from || !to) {
            return 1;
        }
        if (!(options.Step > 0.0) || !std::isfinite(options.Step)) {
            prompts.Refuse("间距应大于0！");
            return 1;
        }
        const double lo = std::min(from->Mileage, to->Mileage);
        const double hi = std::max(from->Mileage, to->Mileage);
        std::vector<Stake> range;
        if (!AddStepStakes(s, method, lo, hi, options.Step, range)) {
            prompts.Refuse("间距过小，桩号超过1000000个，请加大间距！");
            return 1;
        }
        AddMainPoints(s, method, lo, hi, range);
        std::stable_sort(range.begin(), range.end(),
                         [](const Stake& a, const Stake& b) { return a.Mileage < b.Mileage; });
        range.erase(std::unique(range.begin(), range.end(),
                                [](const Stake& a, const Stake& b) {
                                    return a.Label == b.Label &&
                                           std::fabs(a.Mileage - b.Mileage) < 1e-6;
                                }),
                    range.end());
        stakes.insert(stakes.end(), range.begin(), range.end());
    }

    std::ostringstream rows;
    for (const Stake& stake : stakes) {
        try {
            WriteRow(rows, stake, piles::EvaluateStation(s, method, stake.Mileage), options.Digits);
        } catch (const geometry::RuntimeError& e) {
            prompts.Error("桩号" + stake.Label + "处的设计线无法计算，请检查平面数据文件！",
                          e.what());
            return 1;
        }
    }
    out << "station,mileage,x,y,azimuth\n" << rows.str();
    return 0;
}

int RunCurves(const SharedState& s, AlignmentMethod method, int digits, std::ostream& out) {
    auto num = [digits](double v) { return FormatFixed(v, digits); };
    if (method == AlignmentMethod::Element) {
        out << "element,kind,start_radius,end_radius,length,station,x,y,azimuth\n";
        for (int i = 1; i <= s.ElemCount; ++i) {
            const double a = s.ElemStartRadius[i];
            const double b = s.ElemEndRadius[i];
            out << i << ',' << KindName(element::KindOf(a, b)) << ',' << geometry::FormatShortest(a)
                << ',' << geometry::FormatShortest(b) << ',' << num(s.ElemLength[i]) << ','
                << num(s.ElemStation[i]) << ',' << num(s.ElemX[i]) << ',' << num(s.ElemY[i]) << ','
                << FormatFixed(s.ElemAzimuth[i], std::max(digits, 9)) << '\n';
        }
        return 0;
    }
    out << "name,deflection,R,Ls1,Ls2,T1,T2,L";
    for (const char* p : {"ZH", "HY", "QZ", "YH", "HZ"}) {
        out << ',' << p << ',' << p << "_x," << p << "_y";
    }
    out << '\n';
    for (int i = 2; i <= s.JdCount - 1; ++i) {
        out << CsvField(s.JdNameLine[i]) << ',' << FormatFixed(s.Deflection[i], std::max(digits, 9))
            << ',' << num(std::fabs(s.JdRadius[i])) << ',' << num(std::fabs(s.JdSpiral1[i])) << ','
            << num(std::fabs(s.JdSpiral2[i])) << ',' << num(s.Tangent1[i]) << ','
            << num(s.Tangent2[i]) << ',' << num(std::fabs(s.CurveLength[i]));
        const std::string* labels[] = {&s.LabelZH[i], &s.LabelHY[i], &s.LabelQZ[i], &s.LabelYH[i],
                                       &s.LabelHZ[i]};
        const double xs[] = {s.ZhX[i], s.HyX[i], s.QzX[i], s.YhX[i], s.HzX[i]};
        const double ys[] = {s.ZhY[i], s.HyY[i], s.QzY[i], s.YhY[i], s.HzY[i]};
        for (int k = 0; k < 5; ++k) {
            out << ',' << CsvField(*labels[k]) << ',' << num(xs[k]) << ',' << num(ys[k]);
        }
        out << '\n';
    }
    return 0;
}

int RunPoint(const SharedState& s, ConsolePrompts& prompts, AlignmentMethod method,
             const PointOptions& options, std::ostream& out) {
    const auto result =
        piles::Command7(s, prompts, method, {options.Station, options.Angle, options.Skew});
    if (!result) {
        return 1;
    }
    out << "X坐标," << result->Text4 << "\nY坐标," << result->Text5 << "\n方位角," << result->Text6
        << '\n';
    return 0;
}

namespace {

/// Writes the drawings asked for into one new drawing. Each drawing command reads the pile file
/// again, as it does in the window. The first pick is answered with the given point; later
/// ones to the right of everything drawn so far, so that the table and the sketch do not
/// overlap.
bool DrawPileOutputs(const SharedState& s, ConsolePrompts& prompts, AlignmentMethod method,
                     const PilesOptions& options) {
    cad::DrawingDocument document;
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
    using Command =
        bool (*)(const SharedState&, state::Prompts&, AlignmentMethod, cad::DrawingHost&);
    const std::pair<bool, Command> commands[] = {{all || options.Table, cad::Command6},
                                                 {all || options.Sketch, cad::xpcmdbutton3},
                                                 {all || options.StakeOut, cad::Command5}};
    for (const auto& [wanted, command] : commands) {
        if (wanted) {
            prompts.AnswerNextDialog(options.PileFile);
            if (!command(s, prompts, method, document)) {
                return false;
            }
        }
    }
    return state::RunUnderHandler(prompts, false, [&] { cad::WriteDxf(document, options.Dxf); });
}

bool WritePileWorkbook(const SharedState& s, ConsolePrompts& prompts, AlignmentMethod method,
                       const PilesOptions& options) {
    sheet::SpreadsheetSession session;
    std::string pileFile;
    prompts.AnswerNextDialog(options.PileFile);
    if (!sheet::xpcmdbutton2(s, prompts, method, session, pileFile)) {
        return false;
    }
    return state::RunUnderHandler(
        prompts, false, [&] { sheet::WriteXlsx(*session.CurrentWorkbook(), options.Xlsx); });
}

} // namespace

int RunPiles(const SharedState& s, ConsolePrompts& prompts, AlignmentMethod method,
             const PilesOptions& options, std::ostream& out) {
    prompts.AnswerNextDialog(options.PileFile);
    std::ostringstream rows;
    const bool ran = piles::RunPileCommand(s, prompts, method, [&](const piles::PileTable& t) {
        for (int k = 0; k < t.PileCount(); ++k) {
            const piles::Pier& pier = t.Piers[k];
            for (int j = 0; j < pier.PileEntryCount(); ++j) {
                const geometry::PlanePoint p = piles::EntryPoint(pier, pier.Entries[j]);
                rows << k << ',' << CsvField(pier.PileStationText) << ',' << j + 1 << ','
                     << FormatFixed(pier.Entries[j].L1, options.Digits) << ','
                     << FormatFixed(pier.Entries[j].L2, options.Digits) << ','
                     << FormatFixed(p.X, options.Digits) << ',' << FormatFixed(p.Y, options.Digits)
                     << '\n';
            }
        }
    });
    if (!ran) {
        return 1;
    }
    if (!options.Xlsx.empty() && !WritePileWorkbook(s, prompts, method, options)) {
        return 1;
    }
    if (!options.Dxf.empty() && !DrawPileOutputs(s, prompts, method, options)) {
        return 1;
    }
    out << "pier,station,entry,L1,L2,x,y\n" << rows.str();
    return 0;
}

int RunDraw(SharedState& s, ConsolePrompts& prompts, AlignmentMethod method,
            const std::string& dxfPath) {
    cad::DrawingDocument document;
    if (!cad::Command1(s, prompts, method, document, [](std::string_view) {})) {
        return 1;
    }
    return state::RunUnderHandler(prompts, false, [&] { cad::WriteDxf(document, dxfPath); }) ? 0
                                                                                             : 1;
}

} // namespace tesk::cli
