#pragma once

// Filling the raw vertex table of a JD alignment directly, the way the JD file reader does, for
// tests and benchmarks that build small lines without a file.

#include "state/shared_state.h"

#include <string>
#include <vector>

namespace tesk::testing {

/// One vertex of a JD file: name, X, Y, R, Ls1, Ls2, R1, R2 (m).
struct VertexRow {
    std::string Name;
    double X = 0.0, Y = 0.0;
    double R = 0.0, Ls1 = 0.0, Ls2 = 0.0, R1 = 0.0, R2 = 0.0;
};

/// Writes StartStation, JdCount and the raw vertex rows, with the hairpin mark ("HT" in any
/// case) and its two flag characters taken from the end of the name.
inline void FillVertices(state::SharedState& s, double startStation,
                         const std::vector<VertexRow>& rows) {
    s.StartStation = startStation;
    s.JdCount = static_cast<int>(rows.size());
    for (int i = 1; i <= s.JdCount; ++i) {
        const VertexRow& v = rows[static_cast<std::size_t>(i - 1)];
        s.JdNameLine[i] = v.Name;
        s.JdX[i] = v.X;
        s.JdY[i] = v.Y;
        s.JdRadius[i] = v.R;
        s.JdSpiral1[i] = v.Ls1;
        s.JdSpiral2[i] = v.Ls2;
        s.JdSpiral1OuterRadius[i] = v.R1;
        s.JdSpiral2OuterRadius[i] = v.R2;
        std::string upper = v.Name;
        for (char& ch : upper) {
            ch = (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
        }
        const bool hairpin = upper.find("HT") != std::string::npos;
        const std::size_t len = v.Name.size();
        s.JdHairpin[i] = hairpin ? 1.0 : 0.0;
        s.JdKeepBack[i] = hairpin && len >= 2 && v.Name[len - 2] == '1' ? 1.0 : 0.0;
        s.JdKeepAhead[i] = hairpin && len >= 1 && v.Name[len - 1] == '1' ? 1.0 : 0.0;
    }
}

} // namespace tesk::testing
