#include "piles/pile_file.h"

#include "piles/alignment_access.h"
#include "piles/text_routines.h"
#include "state/command_handler.h"
#include "geometry/number_text.h"
#include "stationing/stationing.h"

#include <cmath>
#include <numbers>

namespace tesk::piles {

using geometry::RuntimeError;

namespace {

constexpr double kPi = std::numbers::pi;

double ReadDeflection(const input::TextFile& file, const std::string& field) {
    const std::optional<double> theta = geometry::ParseNumber(field);
    if (!theta) {
        file.Fail("the deflection angle \"" + field + "\" is not a number");
    }
    return *theta;
}

// The offset along the line divided by sin(theta). An angle whose sine is 0 (a pier axis along
// the line) fails even without an offset; the angle itself is tested, because
// sin(180 * pi / 180) is 1.2e-16 in doubles, not 0.
double ShiftAlongLine(const input::TextFile& file, double offset, double thetaDegrees) {
    if (std::fmod(thetaDegrees, 180.0) == 0.0) {
        file.Fail("the deflection angle " + geometry::FormatShortest(thetaDegrees) +
                  " runs along the line (its sine is 0)");
    }
    return offset / std::sin(thetaDegrees * kPi / 180.0);
}

} // namespace

geometry::PlanePoint EntryPoint(const Pier& pier, const PileEntry& entry) {
    const double thetaR = kPi * pier.PileDeflection / 180.0;
    const double alphaR = kPi * pier.PileSecondAngle / 180.0;
    const double d1 = pier.PileAzimuth + thetaR - kPi;
    const double d2 = pier.PileAzimuth + thetaR - alphaR;
    return {pier.PileX + entry.L1 * std::cos(d1) + entry.L2 * std::cos(d2),
            pier.PileY + entry.L1 * std::sin(d1) + entry.L2 * std::sin(d2)};
}

double EntryX(const Pier& pier, int j) {
    return EntryPoint(pier, pier.Entries.at(j)).X;
}
double EntryY(const Pier& pier, int j) {
    return EntryPoint(pier, pier.Entries.at(j)).Y;
}

std::optional<PileTable> ReadPileTable(const state::SharedState& s, state::Prompts& prompts,
                                       state::AlignmentMethod method, input::TextFile& file) {
    PileTable table;
    table.SourcePath = file.SourceName();
    while (!file.AtEnd()) {
        const std::string line = file.ReadLine();
        if (geometry::Trim(line).empty()) {
            break;
        }
        const std::vector<std::string> fields = geometry::CleanAndSplit(line);
        if (fields.size() < 3) {
            file.Fail("a pier line needs a station, a deflection angle and a count");
        }
        if (table.PileCount() == kMaxPiers) {
            file.Fail("more than " + std::to_string(kMaxPiers) + " piers");
        }
        Pier pier;
        pier.PileDeflection = ReadDeflection(file, fields[1]);

        const StationField station = SplitStationField(fields[0]);
        if (station.Station.empty()) {
            // "-50" or "+5": read as station 0 it would put the pier on the tangent at 0.
            file.Fail("the station field \"" + fields[0] + "\" has no station before its sign");
        }
        const auto marked = stationing::zh_dlstr(s, prompts, station.Station);
        if (!marked.StationAccepted) {
            return std::nullopt;
        }
        pier.PileStationText = marked.zhdlstr;
        // The mark is checked before the text is converted, so that a mark beyond the last
        // section gets its own message instead of failing the conversion.
        if (!stationing::CheckBreakMark(s, prompts, pier.PileStationText)) {
            return std::nullopt;
        }
        pier.PileStation = stationing::StationTextToMileage(s, marked.zhdlstr);
        pier.PileShift = ShiftAlongLine(file, station.Offset, pier.PileDeflection);

        const CountExpression count = zwbdsjs(fields[2]);
        pier.PileEntryKind = count.zwzzz;
        pier.PileSecondAngle = count.zwutjd;
        const double m = std::trunc(count.zwzgs); // a decimal count counts as its whole part
        if (m > kMaxEntries) {
            file.Fail("more than " + std::to_string(kMaxEntries) + " entries in one pier");
        }
        for (int j = 1; j <= m; ++j) {
            PileEntry entry;
            entry.L1 = file.ReadListNumber("a distance value");
            if (pier.PileEntryKind == 2) {
                entry.L2 = file.ReadListNumber("the second value of a pair");
            }
            pier.Entries.push_back(entry);
        }
        if (!file.ListRemainder().empty()) {
            file.Fail("more distance values than the count \"" + fields[2] + "\" gives");
        }
        table.Piers.push_back(std::move(pier));
    }

    const StationRange range = AlignmentRange(s, method);
    for (const Pier& pier : table.Piers) {
        if (!range.Contains(pier.PileStation)) {
            prompts.Refuse("桩号" + pier.PileStationText + "超出平面数据文件，请修改！");
            return std::nullopt;
        }
    }
    for (Pier& pier : table.Piers) {
        const geometry::StationPoint p = EvaluateStation(s, method, pier.PileStation);
        pier.PileX = geometry::RequireFinite(p.X + pier.PileShift * std::cos(p.Azimuth), "pile X");
        pier.PileY = geometry::RequireFinite(p.Y + pier.PileShift * std::sin(p.Azimuth), "pile Y");
        pier.PileAzimuth = p.Azimuth;
    }
    return table;
}

bool RunPileCommand(const state::SharedState& s, state::Prompts& prompts,
                    state::AlignmentMethod method,
                    const std::function<void(const PileTable&)>& output) {
    bool completed = false;
    state::RunUnderHandler(prompts, true, [&] {
        input::TextFile file =
            input::OpenTextFile(prompts.OpenFile(kPileDialogTitle, kPileDialogFilter));
        if (const auto table = ReadPileTable(s, prompts, method, file)) {
            output(*table);
            completed = true;
        }
    });
    return completed;
}

} // namespace tesk::piles
