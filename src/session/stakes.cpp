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

/// Every multiple of `step` of the written stationing between the mileages lo and hi, section by
/// section, labelled with the section's mark when chain breaks are loaded. Returns false, with
/// nothing added, when that would be more than kMaxStakes stakes.
bool AddStepStakes(const LoadedLine& loaded, double lo, double hi, double step,
                   std::vector<Stake>& stakes) {
    const stationing::Stationing& breaks = loaded.Breaks;
    const int sections = breaks.BreakCount() + 1;
    const alignment::Alignment& line = loaded.Line();
    double sectionStart = line.Start();
    double offset = 0.0; // written station minus mileage within the section
    double counted = 0.0;
    std::vector<Stake> added;
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
                return false;
            }
            counted += count;
            for (double i = 0.0; i < count; i += 1.0) {
                const double written = (first + i) * step;
                std::string label = stationing::FormatStationLabel(written);
                if (breaks.BreakCount() != 0) {
                    label.insert(label.begin(), stationing::SectionLetter(k));
                }
                const char mark = breaks.BreakCount() != 0 ? stationing::SectionLetter(k) : '\0';
                added.push_back({written - offset, std::move(label), written, mark});
            }
        }
        if (k < sections) {
            offset += breaks.Breaks()[k - 1].Ahead - breaks.Breaks()[k - 1].Back;
            sectionStart = sectionEnd;
        }
    }
    stakes.insert(stakes.end(), std::make_move_iterator(added.begin()),
                  std::make_move_iterator(added.end()));
    return true;
}

void AddMainPoints(const LoadedLine& line, double lo, double hi, std::vector<Stake>& stakes) {
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

std::variant<std::vector<Stake>, Refusal> StakeRange(const LoadedLine& line, double from, double to,
                                                     double step) {
    // A step too small for its range is refused instead of filling the memory (and, below about
    // 1e-16 of the stations, of counting forever).
    if (!(step > 0.0) || !std::isfinite(step)) {
        return Refusal{"间距应大于0！"};
    }
    const double lo = std::min(from, to);
    const double hi = std::max(from, to);
    std::vector<Stake> range;
    if (!AddStepStakes(line, lo, hi, step, range)) {
        return Refusal{"间距过小，桩号超过1000000个，请加大间距！"};
    }
    AddMainPoints(line, lo, hi, range);
    std::stable_sort(range.begin(), range.end(),
                     [](const Stake& a, const Stake& b) { return a.Mileage < b.Mileage; });
    range.erase(std::unique(range.begin(), range.end(),
                            [](const Stake& a, const Stake& b) {
                                return a.Label == b.Label &&
                                       std::fabs(a.Mileage - b.Mileage) < 1e-6;
                            }),
                range.end());
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
