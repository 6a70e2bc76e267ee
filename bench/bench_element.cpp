// Station evaluation on an element alignment of 1000 elements: random stations along the whole
// line, element search included.

#include "state/alignment_tables.h"
#include "geometry/angles.h"
#include "state/shared_state.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

using tesk::state::SharedState;

// 1000 elements repeating straight, entry spiral, arc, compound spiral, arc, exit spiral, then
// the same turning left, ..., as on an interchange ramp.
void FillRamp(SharedState& s) {
    struct Row {
        double A, B, C;
    };
    const Row pattern[] = {
        {10000, 10000, 60}, {10000, 400, 70},  {400, 400, 90},     {400, 250, 40},
        {250, 250, 60},     {250, 10000, 80},  {10000, 10000, 45}, {10000, -350, 65},
        {-350, -350, 110},  {-350, 10000, 65},
    };
    s.ElemStartStation = 1000.0;
    s.ElemStartX = 3456789.0;
    s.ElemStartY = 512345.0;
    s.ElemStartAzimuth = 123.4530;
    s.ElemRowCount = 1000;
    for (int i = 1; i <= 1000; ++i) {
        const Row& r = pattern[(i - 1) % 10];
        s.ElemRowA[i] = r.A;
        s.ElemRowB[i] = r.B;
        s.ElemRowC[i] = r.C;
    }
    tesk::element::SplitReversingSpirals(s);
    s.ElemStartAzimuth = tesk::geometry::DmsToDegrees(s.ElemStartAzimuth);
    tesk::element::BuildElementAlignment(s);
}

// 4096 random stations along the whole line, evaluated in turn; `scan` forces the element
// search to scan instead of bisecting.
void EvaluateRandomStations(benchmark::State& state, bool scan) {
    SharedState s;
    FillRamp(s);
    if (scan) {
        s.ElemStationIncreasing = false;
    }
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> station(s.ElemStation[1],
                                                   s.ElemStation[s.ElemCount + 1]);
    std::vector<double> stations(4096);
    for (double& p : stations) {
        p = station(random);
    }
    std::size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tesk::element::ElemStationToPoint(s, stations[k]));
        k = (k + 1) % stations.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ElemStationToPoint(benchmark::State& state) {
    EvaluateRandomStations(state, false);
}
BENCHMARK(BM_ElemStationToPoint);

// The same stations with the element search forced to scan, for comparison.
void BM_ElemStationToPointScan(benchmark::State& state) {
    EvaluateRandomStations(state, true);
}
BENCHMARK(BM_ElemStationToPointScan);

void BM_BuildElementAlignment(benchmark::State& state) {
    SharedState s;
    FillRamp(s);
    // The construction turns the start azimuth from degrees into radians in place.
    const double startDegrees = tesk::geometry::DmsToDegrees(123.4530);
    for (auto _ : state) {
        s.ElemStartAzimuth = startDegrees;
        tesk::element::BuildElementAlignment(s);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BuildElementAlignment);

} // namespace
