#include "fuzz_line.h"

#include "alignment/jd/jd_alignment.h"
#include "cad/design_line.h"
#include "cad/drawing_document.h"
#include "formats/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tesk;
    return formats::fuzz::RunLine(data, size, formats::ReadJdText, [](jd::JdInput input) {
        const jd::JdAlignment line(std::move(input));
        formats::fuzz::WalkLine(line.Line());
        // Drawn as the window draws it, under the drawing's size cap.
        cad::DrawingDocument document;
        cad::DrawDesignLineJd(
            line, stationing::Stationing({}, line.Line().Start(), line.Line().End()), document, {});
    });
}
