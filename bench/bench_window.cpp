// The desktop program as the user feels it, under Qt's offscreen platform: opening the main
// window, and the design-line command on a 1000-vertex main line with 19 chain breaks (from the
// click to the window handed back: drawn, refreshed, zoomed).

#include "app/main_window.h"
#include "app/scripted_prompts.h"
#include "cad/drawing_document.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>

namespace {

using namespace tesk;

// The long line of bench_design_line as a JD file and a chain-break file in the temp folder.
struct LongLineFiles {
    std::string Jd, Breaks;
    LongLineFiles() {
        const auto folder = std::filesystem::temp_directory_path();
        Jd = (folder / "tesk_bench_window.jdx").string();
        Breaks = (folder / "tesk_bench_window.dl").string();
        std::ofstream jd(Jd);
        jd.precision(17);
        jd << "bench line\n0\n";
        double x = 3'000'000.0, y = 500'000.0, azimuth = 0.3;
        constexpr int kVertices = 1000;
        for (int i = 1; i <= kVertices; ++i) {
            const bool curve = i > 1 && i < kVertices;
            jd << "JD" << i - 1 << '\n'
               << x << ' ' << y << (curve ? " 800 100 100\n" : " 0 0 0\n");
            const double turn = 20.0 * std::numbers::pi / 180.0;
            azimuth += i == 1 ? 0.0 : (i % 2 == 0 ? turn : -turn);
            x += 600.0 * std::cos(azimuth);
            y += 600.0 * std::sin(azimuth);
        }
        std::ofstream dl(Breaks);
        for (int k = 1; k <= 19; ++k) {
            const double back = k * 30'000.0 + 50.0 * (k - 1);
            dl << back << ' ' << back + 50.0 << '\n';
        }
    }
};

void BM_OpenMainWindow(benchmark::State& state) {
    for (auto _ : state) {
        app::ScriptedPrompts prompts;
        app::MainWindow window(&prompts);
        window.show();
        QApplication::processEvents();
    }
    state.SetLabel("window constructed, shown and painted");
}
BENCHMARK(BM_OpenMainWindow)->Unit(benchmark::kMillisecond);

void BM_DrawDesignLineCommand(benchmark::State& state) {
    static const LongLineFiles files;
    app::ScriptedPrompts prompts;
    app::MainWindow window(&prompts);
    window.show();
    prompts.OpenAnswers = {files.Jd, files.Breaks};
    window.InitializeClicked();
    if (!prompts.Errors.empty()) {
        state.SkipWithError("the long line did not load");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        window.Document().Clear();
        state.ResumeTiming();
        window.DrawLineClicked();
        QApplication::processEvents();
    }
    state.counters["entities"] = static_cast<double>(window.Document().Entities().size());
}
BENCHMARK(BM_DrawDesignLineCommand)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
