#include "formats/point_file.h"

#include "geometry/number_text.h"

#include <cmath>

namespace tesk::formats {

namespace {

// The fields of a line: split at commas when it has any (empty fields kept), else at blanks.
std::vector<std::string> FieldsOf(const std::string& line) {
    const std::string cleaned = geometry::CleanLine(line);
    if (cleaned.find(',') == std::string::npos) {
        return geometry::SplitFields(cleaned);
    }
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = cleaned.find(',', start);
        fields.emplace_back(geometry::Trim(std::string_view(cleaned).substr(
            start, comma == std::string::npos ? std::string::npos : comma - start)));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return fields;
}

double Coordinate(const TextFile& file, const std::string& field, const char* what) {
    const std::optional<double> value = geometry::ParseNumber(field);
    if (!value || !std::isfinite(*value)) {
        file.Fail(std::string(what) + " \"" + field + "\" is not a number");
    }
    return *value;
}

std::vector<SurveyPoint> ReadPoints(TextFile& file) {
    std::vector<SurveyPoint> points;
    while (!file.AtEnd()) {
        const std::string line = file.ReadLine();
        const std::string cleaned = geometry::CleanLine(line);
        if (cleaned.empty() || cleaned.starts_with(";;")) {
            continue;
        }
        const std::vector<std::string> f = FieldsOf(line);
        if (points.size() == kMaxPoints) {
            file.Fail("more than " + std::to_string(kMaxPoints) + " points");
        }
        SurveyPoint p;
        p.Name = f.front();
        if (f.size() == 3 || f.size() == 4) {
            p.X = Coordinate(file, f[1], "X");
            p.Y = Coordinate(file, f[2], "Y");
            if (f.size() == 4 && !f[3].empty()) {
                p.H = Coordinate(file, f[3], "H");
            }
        } else if (f.size() == 5) {
            p.Y = Coordinate(file, f[2], "Y (east, third field of a five-field line)");
            p.X = Coordinate(file, f[3], "X (north, fourth field of a five-field line)");
            if (!f[4].empty()) {
                p.H = Coordinate(file, f[4], "H");
            }
        } else {
            file.Fail("a point line needs name,X,Y[,H] or name,code,Y,X,H; this one has " +
                      std::to_string(f.size()) + " fields");
        }
        points.push_back(std::move(p));
    }
    return points;
}

} // namespace

std::vector<SurveyPoint> ReadPointFile(const std::string& path) {
    TextFile file = OpenTextFile(path);
    return ReadPoints(file);
}

std::vector<SurveyPoint> ReadPointText(std::string_view bytes) {
    TextFile file = TextFile::FromBytes(bytes);
    return ReadPoints(file);
}

} // namespace tesk::formats
