#include "fuzz_readers.h"

#include "formats/readers.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tesk;
    return formats::fuzz::RunReader(
        data, size, formats::ReadElementText, [](const element::ElementInput& in) {
            if (in.Rows.size() > static_cast<std::size_t>(element::kMaxElements) ||
                !std::isfinite(in.StartStation) || !std::isfinite(in.StartX) ||
                !std::isfinite(in.StartY) || !std::isfinite(in.StartAzimuth)) {
                return false;
            }
            for (const element::ElementRow& row : in.Rows) {
                if (!std::isfinite(row.StartRadius) || !std::isfinite(row.EndRadius) ||
                    !std::isfinite(row.Length)) {
                    return false;
                }
            }
            return true;
        });
}
