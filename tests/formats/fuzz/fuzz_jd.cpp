#include "fuzz_readers.h"

#include "formats/readers.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tesk;
    return formats::fuzz::RunReader(data, size, formats::ReadJdText, [](const jd::JdInput& in) {
        if (in.Vertices.size() > static_cast<std::size_t>(jd::kMaxVertices) ||
            !std::isfinite(in.StartStation)) {
            return false;
        }
        for (const jd::Vertex& v : in.Vertices) {
            if (v.Name.empty() || !formats::IsValidUtf8(v.Name) || !std::isfinite(v.X) ||
                !std::isfinite(v.Y) || !std::isfinite(v.Radius) ||
                !std::isfinite(v.Spiral2OuterRadius) ||
                (!v.Hairpin && (v.KeepBack || v.KeepAhead))) {
                return false;
            }
        }
        return true;
    });
}
