// Speed of the intersection-point alignment: construction of a long line, and evaluation of
// random stations on spirals and on straights of a short and a long line.

#include "state/alignment_tables.h"
#include "state/shared_state.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using tesk::state::SharedState;

// A zigzag of n vertices in survey coordinates: legs of about 340 m, every curve R = 200 m with
// spirals of 40 m and 30 m, deflections of about 56 deg alternating right and left.
std::unique_ptr<SharedState> ZigzagLine(int n) {
    auto s = std::make_unique<SharedState>();
    s->StartStation = 10'000.0;
    s->JdCount = n;
    for (int i = 1; i <= n; ++i) {
        s->JdX[i] = 3'000'000.0 + 300.0 * (i - 1);
        s->JdY[i] = 500'000.0 + (i == 1 || i == n ? 0.0 : (i % 2 == 0 ? 80.0 : -80.0));
        s->JdNameLine[i] = "JD" + std::to_string(i - 1);
        if (i > 1 && i < n) {
            s->JdRadius[i] = 200.0;
            s->JdSpiral1[i] = 40.0;
            s->JdSpiral2[i] = 30.0;
        }
    }
    tesk::jd::BuildJdAlignment(*s);
    return s;
}

enum class Where { Spirals, Straights };

// 4096 stations drawn uniformly on the entry and exit spirals, or on the straights between
// curves, of randomly chosen curves.
std::vector<double> RandomStations(const SharedState& s, Where where) {
    std::mt19937_64 rng(20261208);
    const int n = s.JdCount;
    std::uniform_int_distribution<int> curve(2, n - 1);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<double> out;
    while (out.size() < 4096) {
        const int i = curve(rng);
        if (where == Where::Spirals) {
            out.push_back(u(rng) < 0.5
                              ? s.StationZH[i] + u(rng) * (s.StationHY[i] - s.StationZH[i])
                              : s.StationYH[i] + u(rng) * (s.StationHZ[i] - s.StationYH[i]));
        } else {
            const double end = i + 1 < n ? s.StationZH[i + 1] : s.JdStation[n];
            out.push_back(s.StationHZ[i] + u(rng) * (end - s.StationHZ[i]));
        }
    }
    return out;
}

void BM_BuildJdAlignment(benchmark::State& state) {
    const auto s = ZigzagLine(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        tesk::jd::BuildJdAlignment(*s);
        benchmark::DoNotOptimize(s->JdStation[s->JdCount]);
    }
}
BENCHMARK(BM_BuildJdAlignment)->Arg(1000)->Unit(benchmark::kMicrosecond);

void EvaluateStations(benchmark::State& state, Where where) {
    const auto s = ZigzagLine(static_cast<int>(state.range(0)));
    const std::vector<double> stations = RandomStations(*s, where);
    std::size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tesk::jd::JdStationToPoint(*s, stations[k]));
        k = (k + 1) & (stations.size() - 1);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_JdStationToPoint_Spiral(benchmark::State& state) {
    EvaluateStations(state, Where::Spirals);
}
BENCHMARK(BM_JdStationToPoint_Spiral)->Arg(10)->Arg(1000);

void BM_JdStationToPoint_Straight(benchmark::State& state) {
    EvaluateStations(state, Where::Straights);
}
BENCHMARK(BM_JdStationToPoint_Straight)->Arg(10)->Arg(1000);

} // namespace
