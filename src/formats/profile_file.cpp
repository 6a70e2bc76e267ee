#include "formats/profile_file.h"

#include "formats/fields_detail.h"
#include "geometry/number_text.h"

#include <cmath>

namespace tesk::formats {

namespace {

std::vector<StationRow> ReadRows(TextFile& file, const char* first, const char* second,
                                 const char* what) {
    const bool isProfile = std::string_view(what) == "grade point";
    if (!file.AtEnd()) {
        file.ReadLine(); // the title
    }
    std::vector<StationRow> rows;
    while (!file.AtEnd()) {
        const std::string line = file.ReadLine();
        const std::string cleaned = geometry::CleanLine(line);
        if (cleaned.empty() || cleaned.starts_with(";;")) {
            continue;
        }
        const std::vector<std::string> f = FieldsOf(line);
        if (f.size() != 3) {
            file.Fail(std::string("a ") + what + " line needs 3 fields (station, " + first + ", " +
                      second + "), this one has " + std::to_string(f.size()));
        }
        if (rows.size() == kMaxProfileRows) {
            file.Fail("more than " + std::to_string(kMaxProfileRows) + " rows");
        }
        StationRow row;
        row.Station = f[0];
        row.Where = file.Where();
        const auto number = [&file](const std::string& text, const char* name) {
            const std::optional<double> v = geometry::ParseNumber(text);
            if (!v || !std::isfinite(*v)) {
                file.Fail(std::string("the ") + name + " " + geometry::QuoteForMessage(text) +
                          " is not a number");
            }
            return *v;
        };
        // Bounds as for every input file: an elevation or a radius beyond any survey, a
        // cross-fall steeper than 1:1, is a slip in the file.
        const std::string firstName = std::string("the ") + first;
        const std::string secondName = std::string("the ") + second;
        if (isProfile) {
            row.First = file.RequireWithin(number(f[1], first), kMaxLength, firstName);
            row.Second = file.RequireLength(number(f[2], second), secondName);
        } else {
            row.First =
                file.RequireWithin(number(f[1], first), kMaxCrossFallPercent, firstName, "%");
            row.Second =
                file.RequireWithin(number(f[2], second), kMaxCrossFallPercent, secondName, "%");
        }
        rows.push_back(std::move(row));
    }
    if (rows.empty()) {
        file.Fail(std::string("the file holds no ") + what + " line");
    }
    return rows;
}

} // namespace

std::vector<StationRow> ReadProfileFile(const std::string& path) {
    TextFile file = OpenTextFile(path);
    return ReadRows(file, "elevation", "radius", "grade point");
}

std::vector<StationRow> ReadProfileText(std::string_view bytes) {
    TextFile file = TextFile::FromBytes(bytes);
    return ReadRows(file, "elevation", "radius", "grade point");
}

std::vector<StationRow> ReadCrossFallFile(const std::string& path) {
    TextFile file = OpenTextFile(path);
    return ReadRows(file, "left %", "right %", "cross-fall");
}

std::vector<StationRow> ReadCrossFallText(std::string_view bytes) {
    TextFile file = TextFile::FromBytes(bytes);
    return ReadRows(file, "left %", "right %", "cross-fall");
}

} // namespace tesk::formats
