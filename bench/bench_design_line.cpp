// Drawing the design line of a long main line (1000 vertices, spirals on every curve, 19 chain
// breaks) into a drawing document, and writing that drawing as DXF.

#include "alignment/jd/jd_alignment.h"
#include "cad/design_line.h"
#include "cad/drawing_document.h"
#include "cad/dxf_writer.h"
#include "stationing/stationing.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

namespace {

using namespace tesk;

/// A design line with its chain breaks.
struct LineWithBreaks {
    jd::JdAlignment Line;
    stationing::Stationing Breaks;
};

/// A zigzag line of 1000 vertices, 600 m legs turning 20 deg right and left in turn, R = 800 with
/// 100 m spirals, and a forward chain break of 50 m every 30 km.
LineWithBreaks LongLine() {
    jd::JdInput input;
    input.StartStation = 0.0;
    constexpr int kVertices = 1000;
    double x = 3'000'000.0, y = 500'000.0, azimuth = 0.3;
    for (int i = 1; i <= kVertices; ++i) {
        jd::Vertex v;
        v.Name = "JD" + std::to_string(i - 1);
        v.X = x;
        v.Y = y;
        if (i > 1 && i < kVertices) {
            v.Radius = 800.0;
            v.Spiral1 = 100.0;
            v.Spiral2 = 100.0;
        }
        input.Vertices.push_back(v);
        const double turn = 20.0 * std::numbers::pi / 180.0;
        azimuth += i == 1 ? 0.0 : (i % 2 == 0 ? turn : -turn);
        x += 600.0 * std::cos(azimuth);
        y += 600.0 * std::sin(azimuth);
    }
    jd::JdAlignment line(std::move(input));
    std::vector<stationing::ChainBreak> breaks;
    for (int k = 1; k <= 19; ++k) {
        const double back = k * 30'000.0 + 50.0 * (k - 1);
        breaks.push_back({back, back + 50.0});
    }
    stationing::Stationing stationing(breaks, line.Line().Start(), line.Line().End());
    return {std::move(line), std::move(stationing)};
}

void BM_DrawDesignLineJd(benchmark::State& state) {
    const LineWithBreaks s = LongLine();
    for (auto _ : state) {
        cad::DrawingDocument doc;
        cad::DrawDesignLineJd(s.Line, s.Breaks, doc, nullptr);
        benchmark::DoNotOptimize(doc.Entities().data());
        state.counters["entities"] = static_cast<double>(doc.Entities().size());
    }
}
BENCHMARK(BM_DrawDesignLineJd)->Unit(benchmark::kMillisecond);

void BM_DrawDesignLineJdAndWriteDxf(benchmark::State& state) {
    const LineWithBreaks s = LongLine();
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "tesk_bench_design_line.dxf";
    for (auto _ : state) {
        cad::DrawingDocument doc;
        cad::DrawDesignLineJd(s.Line, s.Breaks, doc, nullptr);
        cad::WriteDxf(doc, path);
        state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_DrawDesignLineJdAndWriteDxf)->Unit(benchmark::kMillisecond);

void BM_WriteDesignLineDxf(benchmark::State& state) {
    const LineWithBreaks s = LongLine();
    cad::DrawingDocument doc;
    cad::DrawDesignLineJd(s.Line, s.Breaks, doc, nullptr);
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "tesk_bench_design_line_only.dxf";
    for (auto _ : state) {
        cad::WriteDxf(doc, path);
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteDesignLineDxf)->Unit(benchmark::kMillisecond);

} // namespace
