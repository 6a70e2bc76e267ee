// The pile-file reader on a straight line of 1000 m: every input must read, be refused through
// the prompts, or end in a clean run-time error; never crash, hang or yield a pile that is not
// finite.

#include "state/alignment_tables.h"
#include "piles/pile_file.h"
#include "geometry/error.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace {

using namespace tesk;

class SilentPrompts : public state::Prompts {
public:
    std::string OpenFile(std::string_view, std::string_view) override { return {}; }
    void Refuse(std::string_view) override {}
    void Error(std::string_view, std::string_view) override {}
    void Focus(std::string_view) override {}
    void ActivateMainWindow() override {}
};

const state::SharedState& Line() {
    static const std::unique_ptr<state::SharedState> s = [] {
        auto line = std::make_unique<state::SharedState>();
        line->JdCount = 2;
        line->JdX[2] = 1000.0;
        jd::BuildJdAlignment(*line);
        return line;
    }();
    return *s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SilentPrompts prompts;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        formats::TextFile file = formats::TextFile::FromBytes(bytes);
        const auto table =
            piles::ReadPileTable(Line(), prompts, state::AlignmentMethod::IntersectionPoint, file);
        if (table) {
            for (const piles::Pier& pier : table->Piers) {
                if (!std::isfinite(pier.PileX) || !std::isfinite(pier.PileY) ||
                    pier.PileEntryCount() > piles::kMaxEntries) {
                    __builtin_trap();
                }
            }
        }
    } catch (const geometry::RuntimeError&) {
    }
    return 0;
}
