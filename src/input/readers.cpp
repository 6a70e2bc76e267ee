#include "input/readers.h"

#include "input/text_file.h"
#include "geometry/number_text.h"

#include <array>
#include <vector>

namespace tesk::input {

namespace {

using state::SharedState;

/// Converts field `index` (0-based) of a data line, which must be a number as a whole.
double NumberField(const TextFile& file, const std::vector<std::string>& fields, std::size_t index,
                   const char* name) {
    const auto value = geometry::ParseNumber(fields[index]);
    if (!value) {
        file.Fail("field " + std::to_string(index + 1) + " (" + name + "): \"" + fields[index] +
                  "\" is not a number");
    }
    return *value;
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
/// number. `stopAfter(rows)`, asked after each row, ends the list early when it returns true.
template <std::size_t N, typename StopAfter>
std::vector<std::array<double, N>> ReadRows(TextFile& file, const std::array<const char*, N>& names,
                                            int maxRows, const char* rowsName, const char* lineName,
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
            row[k] = NumberField(file, fields, k, names[k]);
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

void ReadJd(TextFile& file, SharedState& state) {
    file.ReadListText("the title");
    const double startStation = file.ReadListNumber("the start station");

    std::vector<JdRow> rows;
    while (!file.AtEnd()) {
        JdRow row;
        row.Name = geometry::CleanLine(file.ReadLine());
        if (IsComment(row.Name)) {
            continue;
        }
        if (rows.size() == static_cast<std::size_t>(state::kMaxRows)) {
            file.Fail("more than " + std::to_string(state::kMaxRows) + " vertices");
        }
        if (file.AtEnd()) {
            file.Fail("the file ends after the name line \"" + row.Name +
                      "\" without its data line");
        }
        // The data line of a pair is read whatever it holds: never a comment.
        const std::vector<std::string> fields = geometry::CleanAndSplit(file.ReadLine());
        if (fields.size() != 5 && fields.size() != 7) {
            file.Fail("a vertex data line needs 5 fields (X Y R Ls1 Ls2) or 7 (with R1 R2), "
                      "this one has " +
                      std::to_string(fields.size()));
        }
        for (std::size_t k = 0; k < fields.size(); ++k) {
            row.Fields[k] = NumberField(file, fields, k, kJdFieldNames[k]);
        }
        row.Mark = ParseHairpinMark(row.Name);
        rows.push_back(std::move(row));
    }

    state.StartStation = startStation;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const int i = static_cast<int>(k) + 1;
        const JdRow& row = rows[k];
        state.JdNameLine[i] = row.Name;
        state.JdX[i] = row.Fields[0];
        state.JdY[i] = row.Fields[1];
        state.JdRadius[i] = row.Fields[2];
        state.JdSpiral1[i] = row.Fields[3];
        state.JdSpiral2[i] = row.Fields[4];
        // A five-field line means R1 = R2 = 0; nothing of an earlier file's row survives.
        state.JdSpiral1OuterRadius[i] = row.Fields[5];
        state.JdSpiral2OuterRadius[i] = row.Fields[6];
        state.JdHairpin[i] = row.Mark.Hairpin ? 1.0 : 0.0;
        state.JdKeepBack[i] = row.Mark.KeepBack ? 1.0 : 0.0;
        state.JdKeepAhead[i] = row.Mark.KeepAhead ? 1.0 : 0.0;
    }
    state.JdCount = static_cast<int>(rows.size());
}

// ---- Element file --------------------------------------------------------------------------

constexpr std::array<const char*, 3> kElementFieldNames = {"start radius", "end radius", "length"};

void ReadElements(TextFile& file, SharedState& state) {
    const double startStation = file.ReadListNumber("the start station");
    const double startX = file.ReadListNumber("the start X");
    const double startY = file.ReadListNumber("the start Y");
    const double startAzimuth = file.ReadListNumber("the start azimuth");

    const std::vector<std::array<double, 3>> rows =
        ReadRows(file, kElementFieldNames, state::kMaxRows, "elements", "an element line",
                 [](const auto&) { return false; });

    state.ElemStartStation = startStation;
    state.ElemStartX = startX;
    state.ElemStartY = startY;
    state.ElemStartAzimuth = startAzimuth; // d.mmss; the construction converts it
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const int i = static_cast<int>(k) + 1;
        state.ElemRowA[i] = rows[k][0];
        state.ElemRowB[i] = rows[k][1];
        state.ElemRowC[i] = rows[k][2];
    }
    state.ElemRowCount = static_cast<int>(rows.size());
}

// ---- Chain-break file ----------------------------------------------------------------------

constexpr std::array<const char*, 2> kBreakFieldNames = {"back station", "ahead station"};

void ReadChainBreaks(TextFile& file, SharedState& state) {
    // "-1 ..." first: the line has no chain breaks; the rest is not read.
    const std::vector<std::array<double, 2>> rows =
        ReadRows(file, kBreakFieldNames, state::kMaxBreaks, "chain breaks", "a chain-break line",
                 [](const std::vector<std::array<double, 2>>& read) {
                     return read.size() == 1 && read.front()[0] == -1.0;
                 });

    for (std::size_t k = 0; k < rows.size(); ++k) {
        const int i = static_cast<int>(k) + 1;
        state.BreakBack[i] = rows[k][0];
        state.BreakAhead[i] = rows[k][1];
    }
    const bool noBreaks = !rows.empty() && rows.front()[0] == -1.0;
    state.BreakCount = noBreaks ? 0 : static_cast<int>(rows.size());
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

void ReadJdFile(const std::string& path, state::SharedState& state) {
    TextFile file = OpenTextFile(path);
    ReadJd(file, state);
}

void ReadJdText(std::string_view bytes, state::SharedState& state) {
    TextFile file = TextFile::FromBytes(bytes);
    ReadJd(file, state);
}

void ReadElementFile(const std::string& path, state::SharedState& state) {
    TextFile file = OpenTextFile(path);
    ReadElements(file, state);
}

void ReadElementText(std::string_view bytes, state::SharedState& state) {
    TextFile file = TextFile::FromBytes(bytes);
    ReadElements(file, state);
}

void ReadChainBreakFile(const std::string& path, state::SharedState& state) {
    TextFile file = OpenTextFile(path);
    ReadChainBreaks(file, state);
}

void ReadChainBreakText(std::string_view bytes, state::SharedState& state) {
    TextFile file = TextFile::FromBytes(bytes);
    ReadChainBreaks(file, state);
}

} // namespace tesk::input
