#include "session/stakes.h"

#include "formats/text_file.h"
#include "geometry/angles.h"
#include "geometry/error.h"
#include "geometry/number_text.h"
#include "piles/pile_table.h"
#include "session/commands.h"
#include "session/elevations.h"
#include "stationing/stationing.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>

namespace tesk::session {

namespace {

// A mileage labelled in the section it lies in.
Stake StakeOfMileage(const LoadedLine& line, double mileage) {
    std::string label = line.Breaks.MileageToLabel(mileage);
    const char mark = line.Breaks.BreakCount() != 0 && stationing::MarkSection(label.front()) != 0
                          ? label.front()
                          : '\0';
    return {mileage, std::move(label), line.Breaks.MileageToStation(mileage), mark};
}

/// The multiples of `step` of the written stationing between the mileages lo and hi, section by
/// section: where they start and how many there are in each section.
struct SectionStakes {
    int Section = 1;
    double Offset = 0.0; ///< written station minus mileage in the section
    double First = 0.0;  ///< the first multiple of the step, counted in steps
    double Count = 0.0;
};

/// The stakes of every section between lo and hi, or nothing when that would be more than
/// kMaxStakes stakes.
std::optional<std::vector<SectionStakes>> CountStepStakes(const LoadedLine& loaded, double lo,
                                                          double hi, double step) {
    const stationing::Stationing& breaks = loaded.Breaks;
    const int sections = breaks.BreakCount() + 1;
    const alignment::Alignment& line = loaded.Line();
    double sectionStart = line.Start();
    double offset = 0.0;
    double counted = 0.0;
    std::vector<SectionStakes> out;
    for (int k = 1; k <= sections; ++k) {
        const double sectionEnd =
            k < sections ? breaks.SectionStationToMileage(k, breaks.Breaks()[k - 1].Back)
                         : line.End();
        const double a = std::max(lo, sectionStart);
        const double b = std::min(hi, sectionEnd);
        if (a <= b) {
            constexpr double kTolerance = 1e-9;
            const double first = std::ceil((a + offset - kTolerance) / step);
            const double last = std::floor((b + offset + kTolerance) / step);
            // max keeps a NaN, and "!(<=)" refuses it and the infinities of a step that
            // underflows.
            const double count = std::max(last - first + 1.0, 0.0);
            if (!(counted + count <= kMaxStakes)) {
                return std::nullopt;
            }
            counted += count;
            out.push_back({k, offset, first, count});
        }
        if (k < sections) {
            offset += breaks.Breaks()[k - 1].Ahead - breaks.Breaks()[k - 1].Back;
            sectionStart = sectionEnd;
        }
    }
    return out;
}

/// The line's main points between lo and hi as stakes, in mileage order (points at one mileage
/// in the order the line lists them).
std::vector<Stake> MainPointStakes(const LoadedLine& line, double lo, double hi) {
    std::vector<Stake> stakes;
    auto add = [&](double mileage) {
        if (lo <= mileage && mileage <= hi) {
            stakes.push_back(StakeOfMileage(line, mileage));
        }
    };
    if (line.Jd) {
        const std::vector<jd::JdCurve>& curves = line.Jd->Curves();
        for (std::size_t i = 1; i + 1 < curves.size(); ++i) {
            const jd::JdCurve& c = curves[i];
            for (double m : {c.StationZH, c.StationHY, c.StationQZ, c.StationYH, c.StationHZ}) {
                add(m);
            }
        }
    } else if (line.Placed) {
        const std::vector<placed::BuiltElement>& elements = line.Placed->Elements();
        for (std::size_t i = 1; i < elements.size(); ++i) {
            add(elements[i].StartMileage);
        }
    } else {
        const std::vector<element::Element>& elements = line.Elements->Elements();
        for (std::size_t i = 1; i < elements.size(); ++i) {
            add(elements[i].StartMileage);
        }
    }
    std::stable_sort(stakes.begin(), stakes.end(),
                     [](const Stake& a, const Stake& b) { return a.Mileage < b.Mileage; });
    return stakes;
}

} // namespace

std::variant<Stake, Refusal> StakeAt(const LoadedLine& line, std::string_view typed) {
    auto resolved = ResolveStation(line, typed);
    if (auto* refusal = std::get_if<Refusal>(&resolved)) {
        return std::move(*refusal);
    }
    const ResolvedStation& r = std::get<ResolvedStation>(resolved);
    Stake stake;
    stake.Mileage = r.Mileage;
    // Label the station in the section the user named (at a chain break one point carries two
    // written stations; show the one that was asked for).
    const std::string& m = r.Text;
    if (line.Breaks.BreakCount() != 0 && !m.empty() && stationing::MarkSection(m.front()) != 0) {
        stake.Written = stationing::ShownStation(m, stake.Mileage);
        stake.Mark = m.front();
        stake.Label = m.front() + stationing::FormatStationLabel(stake.Written);
        return stake;
    }
    return StakeOfMileage(line, stake.Mileage);
}

std::optional<Refusal> CheckStakeRange(const LoadedLine& line, double from, double to,
                                       double step) {
    // A step too small for its range is refused instead of filling the memory (and, below about
    // 1e-16 of the stations, of counting forever).
    if (!(step > 0.0) || !std::isfinite(step)) {
        return Refusal{"间距应大于0！"};
    }
    if (!CountStepStakes(line, std::min(from, to), std::max(from, to), step)) {
        return Refusal{"间距过小，桩号超过1000000个，请加大间距！"};
    }
    return std::nullopt;
}

std::optional<Refusal> ForEachStake(const LoadedLine& line, double from, double to, double step,
                                    const std::function<void(const Stake&)>& visit) {
    if (auto refusal = CheckStakeRange(line, from, to, step)) {
        return refusal;
    }
    const double lo = std::min(from, to);
    const double hi = std::max(from, to);
    const std::optional<std::vector<SectionStakes>> sections = CountStepStakes(line, lo, hi, step);
    // The step stakes come in mileage order section by section; the main points are merged in
    // (after a stake at the same mileage), and a point that repeats the label of the one before
    // it at the same place (within 1e-6 m) is listed once.
    const std::vector<Stake> mains = MainPointStakes(line, lo, hi);
    std::size_t nextMain = 0;
    Stake last;
    bool any = false;
    const auto emit = [&](const Stake& stake) {
        if (any && stake.Label == last.Label && std::fabs(stake.Mileage - last.Mileage) < 1e-6) {
            return;
        }
        visit(stake);
        last = stake;
        any = true;
    };
    const bool marked = line.Breaks.BreakCount() != 0;
    Stake stake;
    for (const SectionStakes& section : *sections) {
        const char mark = marked ? stationing::SectionLetter(section.Section) : '\0';
        for (double i = 0.0; i < section.Count; i += 1.0) {
            const double written = (section.First + i) * step;
            stake.Mileage = written - section.Offset;
            while (nextMain < mains.size() && mains[nextMain].Mileage < stake.Mileage) {
                emit(mains[nextMain++]);
            }
            stake.Label = stationing::FormatStationLabel(written);
            if (marked) {
                stake.Label.insert(stake.Label.begin(), mark);
            }
            stake.Written = written;
            stake.Mark = mark;
            emit(stake);
        }
    }
    while (nextMain < mains.size()) {
        emit(mains[nextMain++]);
    }
    return std::nullopt;
}

std::variant<std::vector<Stake>, Refusal> StakeRange(const LoadedLine& line, double from, double to,
                                                     double step) {
    std::vector<Stake> range;
    if (auto refusal =
            ForEachStake(line, from, to, step, [&](const Stake& s) { range.push_back(s); })) {
        return std::move(*refusal);
    }
    return range;
}

std::optional<double> PointElevation(const LoadedLine& line, double mileage, double skew,
                                     double angle, geometry::PlanePoint point) {
    if (angle == 90.0 || skew == 0.0) {
        return DesignElevation(line, mileage, skew);
    }
    // Off square the point lies across from another station: its own foot says where.
    const alignment::Location where = line.Line().Locate(point, std::fabs(skew) + 1.0);
    if (where.Feet.empty()) {
        return std::nullopt;
    }
    return DesignElevation(line, where.Feet.front().Mileage, where.Feet.front().Offset);
}

std::variant<SideStakeTable, Refusal>
MakeSideStakeTable(const LoadedLine& line, std::string_view from, std::string_view to, double step,
                   const std::vector<double>& offsets, double angle) {
    const auto end = [&line](std::string_view typed,
                             double mileage) -> std::variant<Stake, Refusal> {
        if (geometry::Trim(typed).empty()) {
            return Stake{mileage, {}};
        }
        return StakeAt(line, typed);
    };
    auto first = end(from, line.Line().Start());
    if (auto* refusal = std::get_if<Refusal>(&first)) {
        return std::move(*refusal);
    }
    auto last = end(to, line.Line().End());
    if (auto* refusal = std::get_if<Refusal>(&last)) {
        return std::move(*refusal);
    }
    if (!(angle >= 0.0 && angle < 180.0)) {
        return Refusal{"右偏角应在0～180之间！", Field::Angle};
    }
    for (const double d : offsets) {
        if (!(std::fabs(d) <= formats::kMaxLength)) { // NaN and offsets beyond any survey
            return Refusal{"边桩偏距应为以米计的数，如-12.5,0,12.5！"};
        }
    }
    auto stakes =
        StakeRange(line, std::get<Stake>(first).Mileage, std::get<Stake>(last).Mileage, step);
    if (auto* refusal = std::get_if<Refusal>(&stakes)) {
        return std::move(*refusal);
    }
    SideStakeTable table;
    table.Offsets = offsets;
    table.Angle = angle != 0.0 ? angle : 90.0;
    for (Stake& stake : std::get<std::vector<Stake>>(stakes)) {
        SideStakeRow row;
        row.Centre = line.Line().PointAt(stake.Mileage);
        if (line.Profile) {
            row.Elevations.push_back(DesignElevation(line, stake.Mileage));
        }
        for (const double d : offsets) {
            const geometry::PlanePoint p = piles::OffsetPoint(row.Centre, table.Angle, d);
            row.Points.push_back({geometry::RequireFinite(p.X, "side stake X"),
                                  geometry::RequireFinite(p.Y, "side stake Y")});
            if (line.Profile) {
                row.Elevations.push_back(
                    PointElevation(line, stake.Mileage, d, table.Angle, row.Points.back()));
            }
        }
        row.At = std::move(stake);
        table.Rows.push_back(std::move(row));
    }
    return table;
}

} // namespace tesk::session

namespace tesk::session {

std::string ArcCentreNote(const std::string& name) {
    return "点" + name + "位于圆曲线的圆心，圆曲线上每一点都是它的垂足，无法确定桩号";
}

std::string NoFootNote(const std::string& name) {
    return "点" + name + "在设计线上没有垂足：垂线只落在起点之前或终点之后的延长线上";
}

std::vector<PointLocation>
LocatePoints(const LoadedLine& line,
             const std::vector<std::pair<std::string, geometry::PlanePoint>>& points) {
    std::vector<PointLocation> out;
    out.reserve(points.size());
    for (const auto& [name, point] : points) {
        PointLocation located{name, point, {}, {}};
        const alignment::Location where = line.Line().Locate(point);
        if (!where.ArcCentres.empty()) {
            located.Note = ArcCentreNote(name);
        } else if (where.Feet.empty()) {
            located.Note = NoFootNote(name);
        } else {
            for (const alignment::Foot& f : where.Feet) {
                located.Feet.push_back({StakeOfMileage(line, f.Mileage), f.Offset, f.Azimuth});
            }
        }
        out.push_back(std::move(located));
    }
    return out;
}

} // namespace tesk::session
