#include "formats/point_file.h"

#include "formats/fields_detail.h"
#include "geometry/number_text.h"

#include <cmath>

namespace tesk::formats {

namespace {

double Coordinate(const TextFile& file, const std::string& field, const char* what) {
    const std::optional<double> value = geometry::ParseNumber(field);
    if (!value || !std::isfinite(*value)) {
        file.Fail(std::string(what) + " " + geometry::QuoteForMessage(field) + " is not a number");
    }
    return file.RequireWithin(*value, kMaxCoordinate, what);
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
