// Station evaluation on an element alignment of 1000 elements: random stations along the whole
// line, piece search included, and the construction of the line.

#include "alignment/element/element_alignment.h"
#include "geometry/angles.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

using tesk::element::ElementAlignment;
using tesk::element::ElementInput;

// 1000 elements repeating straight, entry spiral, arc, compound spiral, arc, exit spiral, then
// the same turning left, ..., as on an interchange ramp.
ElementInput RampInput() {
    struct Row {
        double A, B, C;
    };
    const Row pattern[] = {
        {10000, 10000, 60}, {10000, 400, 70},  {400, 400, 90},     {400, 250, 40},
        {250, 250, 60},     {250, 10000, 80},  {10000, 10000, 45}, {10000, -350, 65},
        {-350, -350, 110},  {-350, 10000, 65},
    };
    ElementInput input;
    input.StartStation = 1000.0;
    input.StartX = 3456789.0;
    input.StartY = 512345.0;
    input.StartAzimuth = tesk::geometry::DmsToDegrees(123.4530);
    for (int i = 0; i < 1000; ++i) {
        const Row& r = pattern[i % 10];
        input.Rows.push_back({r.A, r.B, r.C});
    }
    return input;
}

std::vector<double> RandomStations(const ElementAlignment& line) {
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> station(line.Line().Start(), line.EndMileage());
    std::vector<double> stations(4096);
    for (double& p : stations) {
        p = station(random);
    }
    return stations;
}

// 4096 random stations along the whole line, evaluated in turn.
void BM_ElemPointAt(benchmark::State& state) {
    const ElementAlignment line(RampInput());
    const std::vector<double> stations = RandomStations(line);
    std::size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(line.Line().PointAt(stations[k]));
        k = (k + 1) % stations.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ElemPointAt);

// The same stations found by scanning the segment list, for comparison with the bucket search.
void BM_ElemPointAtScan(benchmark::State& state) {
    const ElementAlignment line(RampInput());
    const std::vector<double> stations = RandomStations(line);
    const auto& segments = line.Line().Segments();
    std::size_t k = 0;
    for (auto _ : state) {
        const double m = stations[k];
        std::size_t s = 0;
        while (s + 1 < segments.size() && segments[s].EndMileage <= m) {
            ++s;
        }
        benchmark::DoNotOptimize(line.Line().PointOnSegment(s, m));
        k = (k + 1) % stations.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ElemPointAtScan);

void BM_BuildElementAlignment(benchmark::State& state) {
    const ElementInput input = RampInput();
    for (auto _ : state) {
        const ElementAlignment line(input);
        benchmark::DoNotOptimize(line.EndMileage());
    }
}
BENCHMARK(BM_BuildElementAlignment);

} // namespace
