// Draws the sample bridge (samples/bridge.zw on samples/main_line.jdx with its chain breaks) the
// way the three pile commands do, the coordinate table picked at (0, 0), the pile sketch at
// (0, -150), then the stake-out points, and writes the drawing to the DXF file named by the
// first argument. check_pile_drawings_dxf.py reads it back with an independent reader.

#include "cad/drawing_document.h"
#include "cad/dxf_writer.h"
#include "cad/pile_drawings.h"
#include "cad/stake_out.h"
#include "formats/text_file.h"
#include "geometry/error.h"
#include "session/commands.h"

#include <cstdio>
#include <deque>
#include <string>
#include <variant>

using namespace tesk;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.dxf\n", argv[0]);
        return 2;
    }
    try {
        const std::string root = TESK_SOURCE_DIR;
        session::LoadedLine line = session::LoadJdLine(root + "/samples/main_line.jdx");
        session::LoadChainBreaks(line, root + "/samples/main_line.dl");
        formats::TextFile file = formats::OpenTextFile(root + "/samples/bridge.zw");
        auto read = session::ReadPileTable(line, file);
        if (const auto* refusal = std::get_if<session::Refusal>(&read)) {
            std::fprintf(stderr, "the pile file was refused: %s\n", refusal->Message.c_str());
            return 1;
        }
        const piles::PileTable& table = std::get<piles::PileTable>(read);

        std::deque<cad::Point> picks = {{0.0, 0.0, 0.0}, {0.0, -150.0, 0.0}};
        cad::DrawingDocument doc;
        doc.SetPickHandler([&](std::string_view) -> std::optional<cad::Point> {
            if (picks.empty()) {
                return std::nullopt;
            }
            const cad::Point p = picks.front();
            picks.pop_front();
            return p;
        });
        cad::DrawCoordinateTable(table, doc);
        cad::DrawPileSketch(table, doc);
        cad::DrawPileStakeOut(table, doc);
        cad::WriteDxf(doc, argv[1]);
    } catch (const geometry::RuntimeError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
