// The pile-file reader on a straight line of 1000 m with one forward chain break: every input
// must read, be refused, or end in a clean run-time error; never crash, hang or yield a pile
// that is not finite.

#include "geometry/error.h"
#include "session/commands.h"
#include "support/vertex_rows.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace {

using namespace tesk;

const session::LoadedLine& Line() {
    static const session::LoadedLine line = [] {
        session::LoadedLine l;
        l.Jd = std::make_shared<const jd::JdAlignment>(
            testing::JdInputOf(0.0, {{"A", 0.0, 0.0}, {"B", 1000.0, 0.0}}));
        l.Breaks = stationing::Stationing({{400.0, 500.0}}, l.Line().Start(), l.Line().End());
        return l;
    }();
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        formats::TextFile file = formats::TextFile::FromBytes(bytes);
        const auto table = session::ReadPileTable(Line(), file);
        if (const auto* t = std::get_if<piles::PileTable>(&table)) {
            for (const piles::Pier& pier : t->Piers) {
                if (!std::isfinite(pier.Reference.X) || !std::isfinite(pier.Reference.Y) ||
                    pier.Entries.size() > static_cast<std::size_t>(formats::kMaxEntries)) {
                    __builtin_trap();
                }
            }
        } else if (std::get<session::Refusal>(table).Message.empty()) {
            __builtin_trap();
        }
    } catch (const geometry::RuntimeError&) {
    }
    return 0;
}
