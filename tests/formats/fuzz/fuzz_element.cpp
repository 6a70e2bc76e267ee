#include "fuzz_readers.h"

#include "formats/readers.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tesk;
    return formats::fuzz::RunReader(
        data, size, formats::ReadElementText, [](const state::SharedState& s) {
            if (s.ElemRowCount < 0 || s.ElemRowCount > state::kMaxRows ||
                !std::isfinite(s.ElemStartAzimuth)) {
                return false;
            }
            for (int i = 1; i <= s.ElemRowCount; ++i) {
                if (!std::isfinite(s.ElemRowA[i]) || !std::isfinite(s.ElemRowC[i])) {
                    return false;
                }
            }
            return true;
        });
}
