#include "fuzz_readers.h"

#include "formats/readers.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tesk;
    return formats::fuzz::RunReader(data, size, formats::ReadChainBreakText,
                                    [](const std::vector<stationing::ChainBreak>& breaks) {
                                        if (breaks.size() >
                                                static_cast<std::size_t>(stationing::kMaxBreaks) ||
                                            (!breaks.empty() && breaks.front().Back == -1.0)) {
                                            return false;
                                        }
                                        for (const stationing::ChainBreak& b : breaks) {
                                            if (!std::isfinite(b.Back) || !std::isfinite(b.Ahead)) {
                                                return false;
                                            }
                                        }
                                        return true;
                                    });
}
