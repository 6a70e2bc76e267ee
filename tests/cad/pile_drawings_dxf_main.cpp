// Draws the sample bridge (samples/bridge.zw on samples/main_line.jdx with its chain breaks) the
// way the three pile commands do, the coordinate table picked at (0, 0), the pile sketch at
// (0, -150), then the stake-out points, and writes the drawing to the DXF file named by the
// first argument. check_pile_drawings_dxf.py reads it back with an independent reader.

#include "cad/drawing_document.h"
#include "cad/dxf_writer.h"
#include "cad/pile_drawings.h"
#include "cad/stake_out.h"
#include "formats/initialize.h"
#include "geometry/error.h"
#include "support/recording_prompts.h"

#include <cstdio>
#include <deque>
#include <string>

using namespace tesk;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.dxf\n", argv[0]);
        return 2;
    }
    try {
        const std::string root = TESK_SOURCE_DIR;
        state::SharedState s;
        formats::LoadJdAlignment(s, root + "/samples/main_line.jdx");
        formats::LoadChainBreaks(s, root + "/samples/main_line.dl");

        std::deque<cad::Point> picks = {{0.0, 0.0, 0.0}, {0.0, -150.0, 0.0}};
        cad::DrawingDocument doc;
        doc.SetPickHandler([&](std::string_view) -> std::optional<cad::Point> {
            const cad::Point p = picks.front();
            picks.pop_front();
            return p;
        });
        testing::RecordingPrompts prompts;
        const std::string bridge = root + "/samples/bridge.zw";
        prompts.FileAnswers = {bridge, bridge, bridge};
        const auto method = state::AlignmentMethod::IntersectionPoint;
        const bool drawn = cad::Command6(s, prompts, method, doc) &&
                           cad::xpcmdbutton3(s, prompts, method, doc) &&
                           cad::Command5(s, prompts, method, doc);
        if (!drawn || !prompts.Refusals.empty() || !prompts.Errors.empty()) {
            std::fprintf(stderr, "a pile command failed: %s\n",
                         prompts.Events.empty() ? "" : prompts.Events.back().c_str());
            return 1;
        }
        cad::WriteDxf(doc, argv[1]);
    } catch (const geometry::RuntimeError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
