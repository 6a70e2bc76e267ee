#include "fuzz_readers.h"

#include "formats/readers.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tesk;
    return formats::fuzz::RunReader(
        data, size, formats::ReadChainBreakText, [](const state::SharedState& s) {
            if (s.BreakCount < 0 || s.BreakCount > state::kMaxBreaks ||
                (s.BreakCount > 0 && s.BreakBack[1] == -1.0)) {
                return false;
            }
            for (int k = 1; k <= s.BreakCount; ++k) {
                if (!std::isfinite(s.BreakBack[k]) || !std::isfinite(s.BreakAhead[k])) {
                    return false;
                }
            }
            return true;
        });
}
