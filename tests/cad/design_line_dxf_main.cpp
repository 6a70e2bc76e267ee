// Draws the sample main line (intersection-point method, with its chain breaks) and the sample
// ramp (element method) as the draw command does and writes each drawing as DXF, to the two
// files named by the arguments. check_design_line_dxf.py reads them back with an independent
// reader.

#include "alignment/element/element_alignment.h"
#include "alignment/jd/jd_alignment.h"
#include "cad/design_line.h"
#include "cad/drawing_document.h"
#include "cad/dxf_writer.h"
#include "formats/readers.h"
#include "geometry/error.h"
#include "stationing/stationing.h"

#include <cstdio>
#include <string>

using namespace tesk;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s MAIN_LINE.dxf RAMP.dxf\n", argv[0]);
        return 2;
    }
    const std::string samples = std::string(TESK_SOURCE_DIR) + "/samples/";
    try {
        const jd::JdAlignment mainLine(formats::ReadJdFile(samples + "main_line.jdx"));
        const stationing::Stationing breaks(formats::ReadChainBreakFile(samples + "main_line.dl"),
                                            mainLine.Line().Start(), mainLine.Line().End());
        cad::DrawingDocument mainDoc;
        cad::DrawDesignLineJd(mainLine, breaks, mainDoc, nullptr);
        cad::WriteDxf(mainDoc, argv[1]);

        const element::ElementAlignment ramp(formats::ReadElementFile(samples + "ramp.jdx"));
        cad::DrawingDocument rampDoc;
        cad::DrawDesignLineElem(ramp, rampDoc, nullptr);
        cad::WriteDxf(rampDoc, argv[2]);
    } catch (const geometry::RuntimeError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
