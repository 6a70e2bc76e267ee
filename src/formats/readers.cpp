#include "formats/readers.h"

#include "formats/text_file.h"
#include "geometry/angles.h"
#include "geometry/number_text.h"

#include <array>
#include <vector>

namespace tesk::formats {

namespace {

/// Converts field `index` (0-based) of a data line, which must be a number as a whole.
double NumberField(const TextFile& file, const std::vector<std::string>& fields, std::size_t index,
                   const char* name) {
    const auto value = geometry::ParseNumber(fields[index]);
    if (!value) {
        file.Fail("field " + std::to_string(index + 1) + " (" + name +
                  "): " + geometry::QuoteForMessage(fields[index]) + " is not a number");
    }
    return *value;
}

/// What a number field may hold.
enum class Bound { Station, Coordinate, Length };

/// NumberField checked against its bound (see kMaxStation and the like in text_file.h).
double BoundedField(const TextFile& file, const std::vector<std::string>& fields, std::size_t index,
                    const char* name, Bound bound) {
    const double value = NumberField(file, fields, index, name);
    const std::string what = "field " + std::to_string(index + 1) + " (" + name + ")";
    switch (bound) {
    case Bound::Station:
        return file.RequireWithin(value, kMaxStation, what);
    case Bound::Coordinate:
        return file.RequireWithin(value, kMaxCoordinate, what);
    case Bound::Length:
        return file.RequireLength(value, what);
    }
    return value;
}

/// Index of the first byte of the last character of a non-empty UTF-8 text before `end`.
std::size_t PreviousCharacter(std::string_view text, std::size_t end) {
    std::size_t i = end - 1;
    while (i > 0 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) {
        --i; // continuation byte
    }
    return i;
}

bool IsComment(const std::string& cleanedLine) {
    return cleanedLine.empty() || cleanedLine.starts_with(";;");
}

/// Reads rows of N numbers, one a line, up to the first line that is empty after cleaning (the
/// rest of the file is not read) or the end of the file; fields after the N-th are ignored.
/// Fails for more than `maxRows` rows (message "more than <maxRows> <rowsName>"), a line with
/// fewer than N fields ("<lineName> needs N fields (<names>), ...") and a field that is not a
/// number or lies outside its bound. `stopAfter(rows)`, asked after each row, ends the list early
/// when it returns true.
template <std::size_t N, typename StopAfter>
std::vector<std::array<double, N>> ReadRows(TextFile& file, const std::array<const char*, N>& names,
                                            const std::array<Bound, N>& bounds, int maxRows,
                                            const char* rowsName, const char* lineName,
                                            StopAfter stopAfter) {
    std::vector<std::array<double, N>> rows;
    while (!file.AtEnd()) {
        const std::vector<std::string> fields = geometry::CleanAndSplit(file.ReadLine());
        if (fields.empty()) {
            break;
        }
        if (rows.size() == static_cast<std::size_t>(maxRows)) {
            file.Fail("more than " + std::to_string(maxRows) + " " + rowsName);
        }
        if (fields.size() < N) {
            std::string list;
            for (const char* name : names) {
                list += (list.empty() ? "" : ", ") + std::string(name);
            }
            file.Fail(std::string(lineName) + " needs " + std::to_string(N) + " fields (" + list +
                      "), this one has " + std::to_string(fields.size()));
        }
        std::array<double, N> row{};
        for (std::size_t k = 0; k < N; ++k) {
            row[k] = BoundedField(file, fields, k, names[k], bounds[k]);
        }
        rows.push_back(row);
        if (stopAfter(rows)) {
            break;
        }
    }
    return rows;
}

// ---- JD file -------------------------------------------------------------------------------

constexpr std::array<const char*, 7> kJdFieldNames = {"X", "Y", "R", "Ls1", "Ls2", "R1", "R2"};

struct JdRow {
    std::string Name;
    std::array<double, 7> Fields{}; ///< X, Y, R, Ls1, Ls2, R1, R2 (R1 = R2 = 0 when absent)
    HairpinMark Mark;
};

jd::JdInput ReadJd(TextFile& file) {
    file.ReadListText("the title");
    const double startStation = file.RequireWithin(file.ReadListNumber("the start station"),
                                                   kMaxStation, "the start station");

    std::vector<JdRow> rows;
    while (!file.AtEnd()) {
        JdRow row;
        row.Name = geometry::CleanLine(file.ReadLine());
        if (IsComment(row.Name)) {
            continue;
        }
        if (rows.size() == static_cast<std::size_t>(jd::kMaxVertices)) {
            file.Fail("more than " + std::to_string(jd::kMaxVertices) + " vertices");
        }
        if (file.AtEnd()) {
            file.Fail("the file ends after the name line " + geometry::QuoteForMessage(row.Name) +
                      " without its data line");
        }
        // The data line of a pair is read whatever it holds: never a comment.
        const std::vector<std::string> fields = geometry::CleanAndSplit(file.ReadLine());
        if (fields.size() != 5 && fields.size() != 7) {
            file.Fail("a vertex data line needs 5 fields (X Y R Ls1 Ls2) or 7 (with R1 R2), "
                      "this one has " +
                      std::to_string(fields.size()));
        }
        for (std::size_t k = 0; k < fields.size(); ++k) {
            row.Fields[k] = BoundedField(file, fields, k, kJdFieldNames[k],
                                         k < 2 ? Bound::Coordinate : Bound::Length);
        }
        row.Mark = ParseHairpinMark(row.Name);
        rows.push_back(std::move(row));
    }

    jd::JdInput input;
    input.StartStation = startStation;
    for (const JdRow& row : rows) {
        jd::Vertex v;
        v.Name = row.Name;
        v.X = row.Fields[0];
        v.Y = row.Fields[1];
        v.Radius = row.Fields[2];
        v.Spiral1 = row.Fields[3];
        v.Spiral2 = row.Fields[4];
        v.Spiral1OuterRadius = row.Fields[5]; // 0 for a five-field line
        v.Spiral2OuterRadius = row.Fields[6];
        v.Hairpin = row.Mark.Hairpin;
        v.KeepBack = row.Mark.KeepBack;
        v.KeepAhead = row.Mark.KeepAhead;
        input.Vertices.push_back(std::move(v));
    }
    return input;
}

// ---- Element file --------------------------------------------------------------------------

constexpr std::array<const char*, 3> kElementFieldNames = {"start radius", "end radius", "length"};

element::ElementInput ReadElements(TextFile& file) {
    const double startStation = file.RequireWithin(file.ReadListNumber("the start station"),
                                                   kMaxStation, "the start station");
    const double startX =
        file.RequireWithin(file.ReadListNumber("the start X"), kMaxCoordinate, "the start X");
    const double startY =
        file.RequireWithin(file.ReadListNumber("the start Y"), kMaxCoordinate, "the start Y");
    const double startAzimuth = file.RequireWithin(file.ReadListNumber("the start azimuth"),
                                                   kMaxAngleDegrees, "the start azimuth", "");

    const std::vector<std::array<double, 3>> rows = ReadRows(
        file, kElementFieldNames, {Bound::Length, Bound::Length, Bound::Length},
        element::kMaxElements, "elements", "an element line", [](const auto&) { return false; });
    if (rows.empty()) {
        // Like a JD file without vertices: no line to load. The line named is the first one
        // after the head, where the elements were due.
        file.Fail("the file has no element lines (start radius, end radius, length)");
    }

    element::ElementInput input;
    input.StartStation = startStation;
    input.StartX = startX;
    input.StartY = startY;
    input.StartAzimuth = geometry::DmsToDegrees(startAzimuth); // written as d.mmss
    for (const std::array<double, 3>& row : rows) {
        input.Rows.push_back({row[0], row[1], row[2]});
    }
    return input;
}

// ---- Chain-break file ----------------------------------------------------------------------

constexpr std::array<const char*, 2> kBreakFieldNames = {"back station", "ahead station"};

std::vector<stationing::ChainBreak> ReadChainBreaks(TextFile& file) {
    // "-1 ..." first: the line has no chain breaks; the rest is not read.
    const std::vector<std::array<double, 2>> rows = ReadRows(
        file, kBreakFieldNames, {Bound::Station, Bound::Station}, stationing::kMaxBreaks,
        "chain breaks", "a chain-break line", [](const std::vector<std::array<double, 2>>& read) {
            return read.size() == 1 && read.front()[0] == -1.0;
        });

    std::vector<stationing::ChainBreak> breaks;
    if (!rows.empty() && rows.front()[0] == -1.0) {
        return breaks;
    }
    for (const std::array<double, 2>& row : rows) {
        breaks.push_back({row[0], row[1]});
    }
    return breaks;
}

} // namespace

HairpinMark ParseHairpinMark(std::string_view cleanedNameLine) {
    HairpinMark mark;
    const std::string_view name = cleanedNameLine;
    for (std::size_t i = 0; i + 1 < name.size(); ++i) {
        if ((name[i] == 'H' || name[i] == 'h') && (name[i + 1] == 'T' || name[i + 1] == 't')) {
            mark.Hairpin = true;
            break;
        }
    }
    if (!mark.Hairpin) {
        return mark; // a name with "HT" has at least two characters
    }
    const std::size_t last = PreviousCharacter(name, name.size());
    const std::size_t nextToLast = PreviousCharacter(name, last);
    mark.KeepAhead = name.substr(last) == "1";
    mark.KeepBack = name.substr(nextToLast, last - nextToLast) == "1";
    return mark;
}

jd::JdInput ReadJdFile(const std::string& path) {
    TextFile file = OpenTextFile(path);
    return ReadJd(file);
}
jd::JdInput ReadJdText(std::string_view bytes) {
    TextFile file = TextFile::FromBytes(bytes);
    return ReadJd(file);
}
element::ElementInput ReadElementFile(const std::string& path) {
    TextFile file = OpenTextFile(path);
    return ReadElements(file);
}
element::ElementInput ReadElementText(std::string_view bytes) {
    TextFile file = TextFile::FromBytes(bytes);
    return ReadElements(file);
}
std::vector<stationing::ChainBreak> ReadChainBreakFile(const std::string& path) {
    TextFile file = OpenTextFile(path);
    return ReadChainBreaks(file);
}
std::vector<stationing::ChainBreak> ReadChainBreakText(std::string_view bytes) {
    TextFile file = TextFile::FromBytes(bytes);
    return ReadChainBreaks(file);
}

} // namespace tesk::formats
