// Draws the sample main line (intersection-point method, with its chain breaks) and the sample
// ramp (element method) with the draw command and writes each drawing as DXF, to the two files
// named by the arguments. check_design_line_dxf.py reads them back with an independent reader.

#include "cad/design_line.h"
#include "cad/dxf_writer.h"
#include "formats/initialize.h"
#include "geometry/error.h"
#include "support/recording_prompts.h"

#include <cstdio>
#include <string>

using namespace tesk;

namespace {

bool DrawAndWrite(state::SharedState& s, state::AlignmentMethod method, const char* path) {
    cad::DrawingDocument doc;
    testing::RecordingPrompts prompts;
    if (!cad::Command1(s, prompts, method, doc, nullptr)) {
        std::fprintf(stderr, "drawing failed: %s\n",
                     prompts.Details.empty() ? "" : prompts.Details.front().c_str());
        return false;
    }
    cad::WriteDxf(doc, path);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s MAIN_LINE.dxf RAMP.dxf\n", argv[0]);
        return 2;
    }
    const std::string samples = std::string(TESK_SOURCE_DIR) + "/samples/";
    try {
        state::SharedState mainLine;
        formats::LoadJdAlignment(mainLine, samples + "main_line.jdx");
        formats::LoadChainBreaks(mainLine, samples + "main_line.dl");
        state::SharedState ramp;
        formats::LoadElementAlignment(ramp, samples + "ramp.jdx");
        const bool ok =
            DrawAndWrite(mainLine, state::AlignmentMethod::IntersectionPoint, argv[1]) &&
            DrawAndWrite(ramp, state::AlignmentMethod::Element, argv[2]);
        return ok ? 0 : 1;
    } catch (const geometry::RuntimeError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
