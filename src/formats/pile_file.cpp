#include "formats/pile_file.h"

#include "geometry/number_text.h"

#include <cmath>
#include <numbers>

namespace tesk::formats {

namespace {

// Text after the occurrence of `separator` at `at` up to its next occurrence (or the end).
std::string_view UpToNext(std::string_view text, std::size_t at, std::string_view separator) {
    const std::string_view rest = text.substr(at + separator.size());
    return rest.substr(0, rest.find(separator));
}

double ReadDeflection(const TextFile& file, const std::string& field) {
    const std::optional<double> theta = geometry::ParseNumber(field);
    if (!theta) {
        file.Fail("the deflection angle " + geometry::QuoteForMessage(field) + " is not a number");
    }
    return file.RequireWithin(*theta, kMaxAngleDegrees, "the deflection angle", "degrees");
}

// The offset along the line divided by sin(theta). An angle whose sine is 0 (a pier axis along
// the line) fails even without an offset; the angle itself is tested, because
// sin(180 * pi / 180) is 1.2e-16 in doubles, not 0.
double ShiftAlongLine(const TextFile& file, double offset, double thetaDegrees) {
    if (std::fmod(thetaDegrees, 180.0) == 0.0) {
        file.Fail("the deflection angle " + geometry::NumberForMessage(thetaDegrees) +
                  " runs along the line (its sine is 0)");
    }
    return offset / std::sin(thetaDegrees * std::numbers::pi / 180.0);
}

} // namespace

CountExpression ParseCountExpression(std::string_view text) {
    CountExpression result;
    result.Count = geometry::NumericValue(text);
    for (std::string_view separator : {"x", "X", "*", "×"}) {
        const std::size_t at = text.find(separator);
        if (at != std::string_view::npos) {
            result.Count = geometry::NumericValue(text.substr(0, at));
            result.EntryKind = 2;
            break;
        }
    }
    for (std::string_view minus : {"-", "－"}) {
        const std::size_t at = text.find(minus);
        if (at != std::string_view::npos) {
            result.SecondAngle = geometry::NumericValue(UpToNext(text, at, minus));
            break;
        }
    }
    return result;
}

StationField SplitStationField(std::string_view field) {
    // A station in the design-table form ("K12+345.678", "BK12+345.678") carries a "+" of its
    // own: the offset's sign comes after its metres.
    std::size_t from = 0;
    std::size_t k = field.find('K');
    if (k != std::string_view::npos && k <= 1 && k + 1 < field.size() && field[k + 1] >= '0' &&
        field[k + 1] <= '9') {
        const std::size_t plus = field.find('+', k);
        if (plus != std::string_view::npos) {
            from = plus + 1;
        }
    }
    for (auto [sign, separator] :
         {std::pair{1.0, std::string_view("+")}, std::pair{-1.0, std::string_view("-")}}) {
        const std::size_t at = field.find(separator, from);
        if (at != std::string_view::npos) {
            return {std::string(field.substr(0, at)),
                    sign * geometry::NumericValue(UpToNext(field, at, separator))};
        }
    }
    return {std::string(field), 0.0};
}

std::variant<std::vector<PierBlock>, std::string> ReadPileFile(TextFile& file,
                                                               const StationResolver& resolve) {
    return ReadPileFile(
        file,
        [](std::string_view text) -> std::variant<std::string, MarkRefusal> {
            return std::string(text);
        },
        resolve);
}

std::variant<std::vector<PierBlock>, std::string>
ReadPileFile(TextFile& file, const StationMarker& mark, const StationResolver& resolve) {
    std::vector<PierBlock> piers;
    while (!file.AtEnd()) {
        const std::string line = file.ReadLine();
        if (geometry::Trim(line).empty()) {
            break;
        }
        const std::vector<std::string> fields = geometry::CleanAndSplit(line);
        if (fields.size() < 3) {
            file.Fail("a pier line needs a station, a deflection angle and a count");
        }
        if (piers.size() == static_cast<std::size_t>(kMaxPiers)) {
            file.Fail("more than " + std::to_string(kMaxPiers) + " piers");
        }
        PierBlock pier;
        pier.Deflection = ReadDeflection(file, fields[1]);

        const StationField station = SplitStationField(fields[0]);
        if (station.Station.empty()) {
            // "-50" or "+5": read as station 0 it would put the pier on the tangent at 0.
            file.Fail("the station field " + geometry::QuoteForMessage(fields[0]) +
                      " has no station before its sign");
        }
        file.RequireWithin(station.Offset, kMaxLength, "the offset along the line");
        auto marked = mark(station.Station);
        if (auto* refusal = std::get_if<MarkRefusal>(&marked)) {
            return std::move(refusal->Message);
        }
        // The shift is computed (and a sine of 0 fails) before the mark given is checked.
        pier.Shift = ShiftAlongLine(file, station.Offset, pier.Deflection);
        auto resolved = resolve(std::get<std::string>(marked));
        if (auto* refusal = std::get_if<std::string>(&resolved)) {
            return std::move(*refusal);
        }
        pier.StationText = std::get<ResolvedStation>(resolved).Text;
        pier.Mileage = std::get<ResolvedStation>(resolved).Mileage;

        const CountExpression count = ParseCountExpression(fields[2]);
        pier.EntryKind = count.EntryKind;
        pier.SecondAngle =
            file.RequireWithin(count.SecondAngle, kMaxAngleDegrees, "the second angle", "degrees");
        const double m = std::trunc(count.Count); // a decimal count counts as its whole part
        if (m > kMaxEntries) {
            file.Fail("more than " + std::to_string(kMaxEntries) + " entries in one pier");
        }
        for (int j = 1; j <= m; ++j) {
            PileEntry entry;
            entry.L1 = file.RequireWithin(file.ReadListNumber("a distance value"), kMaxLength,
                                          "a distance value");
            if (pier.EntryKind == 2) {
                entry.L2 = file.RequireWithin(file.ReadListNumber("the second value of a pair"),
                                              kMaxLength, "the second value of a pair");
            }
            pier.Entries.push_back(entry);
        }
        if (!file.ListRemainder().empty()) {
            file.Fail("more distance values than the count " +
                      geometry::QuoteForMessage(fields[2]) + " gives");
        }
        piers.push_back(std::move(pier));
    }
    return piers;
}

} // namespace tesk::formats
