// Drawing the design line of a long main line (1000 vertices, spirals on every curve, 19 chain
// breaks) into a drawing document, and writing that drawing as DXF.

#include "cad/design_line.h"
#include "cad/dxf_writer.h"
#include "formats/initialize.h"
#include "state/shared_state.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <numbers>

namespace {

using namespace tesk;

/// A zigzag line of 1000 vertices, 600 m legs turning 20 deg right and left in turn, R = 800 with
/// 100 m spirals, and a forward chain break of 50 m every 30 km.
state::SharedState LongLine() {
    state::SharedState s;
    s.StartStation = 0.0;
    s.JdCount = 1000;
    double x = 3'000'000.0, y = 500'000.0, azimuth = 0.3;
    for (int i = 1; i <= s.JdCount; ++i) {
        s.JdNameLine[i] = "JD" + std::to_string(i - 1);
        s.JdX[i] = x;
        s.JdY[i] = y;
        if (i > 1 && i < s.JdCount) {
            s.JdRadius[i] = 800.0;
            s.JdSpiral1[i] = 100.0;
            s.JdSpiral2[i] = 100.0;
        }
        const double turn = 20.0 * std::numbers::pi / 180.0;
        azimuth += i == 1 ? 0.0 : (i % 2 == 0 ? turn : -turn);
        x += 600.0 * std::cos(azimuth);
        y += 600.0 * std::sin(azimuth);
    }
    formats::CompleteJdAlignment(s);
    s.BreakCount = 19;
    for (int k = 1; k <= s.BreakCount; ++k) {
        s.BreakBack[k] = k * 30'000.0 + 50.0 * (k - 1);
        s.BreakAhead[k] = s.BreakBack[k] + 50.0;
    }
    formats::CompleteChainBreaks(s);
    return s;
}

void BM_DrawDesignLineJd(benchmark::State& state) {
    const state::SharedState s = LongLine();
    for (auto _ : state) {
        cad::DrawingDocument doc;
        cad::DrawDesignLineJd(s, doc, nullptr);
        benchmark::DoNotOptimize(doc.Entities().data());
        state.counters["entities"] = static_cast<double>(doc.Entities().size());
    }
}
BENCHMARK(BM_DrawDesignLineJd)->Unit(benchmark::kMillisecond);

void BM_DrawDesignLineJdAndWriteDxf(benchmark::State& state) {
    const state::SharedState s = LongLine();
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "tesk_bench_design_line.dxf";
    for (auto _ : state) {
        cad::DrawingDocument doc;
        cad::DrawDesignLineJd(s, doc, nullptr);
        cad::WriteDxf(doc, path);
        state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_DrawDesignLineJdAndWriteDxf)->Unit(benchmark::kMillisecond);

void BM_WriteDesignLineDxf(benchmark::State& state) {
    const state::SharedState s = LongLine();
    cad::DrawingDocument doc;
    cad::DrawDesignLineJd(s, doc, nullptr);
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "tesk_bench_design_line_only.dxf";
    for (auto _ : state) {
        cad::WriteDxf(doc, path);
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteDesignLineDxf)->Unit(benchmark::kMillisecond);

} // namespace
