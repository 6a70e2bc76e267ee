#include "fuzz_readers.h"

#include "formats/readers.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tesk;
    return formats::fuzz::RunReader(data, size, formats::ReadJdText, [](const state::SharedState& s) {
        if (s.JdCount < 0 || s.JdCount > state::kMaxRows || !std::isfinite(s.StartStation)) {
            return false;
        }
        for (int i = 1; i <= s.JdCount; ++i) {
            if (s.JdNameLine[i].empty() || !formats::IsValidUtf8(s.JdNameLine[i]) ||
                !std::isfinite(s.JdX[i]) || !std::isfinite(s.JdSpiral2OuterRadius[i]) ||
                (s.JdHairpin[i] == 0.0 && (s.JdKeepBack[i] != 0.0 || s.JdKeepAhead[i] != 0.0))) {
                return false;
            }
        }
        return true;
    });
}
