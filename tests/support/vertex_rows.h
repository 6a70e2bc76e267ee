#pragma once

// JD lines written as rows, the way a JD file lists them, for tests and benchmarks that build
// small lines without a file.

#include "alignment/jd/jd_alignment.h"

#include <string>
#include <vector>

namespace tesk::testing {

/// One vertex of a JD file: name, X, Y, R, Ls1, Ls2, R1, R2 (m).
struct VertexRow {
    std::string Name;
    double X = 0.0, Y = 0.0;
    double R = 0.0, Ls1 = 0.0, Ls2 = 0.0, R1 = 0.0, R2 = 0.0;
};

/// The JD input of `rows`, with the hairpin mark ("HT" in any case) and its two flag characters
/// taken from the end of each name, as the JD file reader takes them.
inline jd::JdInput JdInputOf(double startStation, const std::vector<VertexRow>& rows) {
    jd::JdInput input;
    input.StartStation = startStation;
    for (const VertexRow& row : rows) {
        jd::Vertex v;
        v.Name = row.Name;
        v.X = row.X;
        v.Y = row.Y;
        v.Radius = row.R;
        v.Spiral1 = row.Ls1;
        v.Spiral2 = row.Ls2;
        v.Spiral1OuterRadius = row.R1;
        v.Spiral2OuterRadius = row.R2;
        std::string upper = row.Name;
        for (char& ch : upper) {
            ch = (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
        }
        const std::size_t len = row.Name.size();
        v.Hairpin = upper.find("HT") != std::string::npos;
        v.KeepBack = v.Hairpin && len >= 2 && row.Name[len - 2] == '1';
        v.KeepAhead = v.Hairpin && len >= 1 && row.Name[len - 1] == '1';
        input.Vertices.push_back(std::move(v));
    }
    return input;
}

} // namespace tesk::testing
