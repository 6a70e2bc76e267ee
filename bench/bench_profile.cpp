// The design elevation of random stations on a long profile: 1000 grade points with vertical
// curves, every station evaluated with its search.

#include "profile/profile.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

namespace {

using namespace tesk::profile;

Profile LongProfile(int n) {
    std::vector<GradePoint> points;
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> grade(-0.03, 0.03);
    double h = 100.0;
    for (int k = 0; k < n; ++k) {
        points.push_back({std::to_string(k), 500.0 * k, h, k == 0 || k == n - 1 ? 0.0 : 8000.0});
        h += 500.0 * grade(rng);
    }
    return Profile(std::move(points));
}

void BM_ElevationAt(benchmark::State& state) {
    const Profile p = LongProfile(static_cast<int>(state.range(0)));
    std::mt19937_64 rng(8);
    std::uniform_real_distribution<double> at(p.Start(), p.End());
    std::vector<double> stations(4096);
    for (double& s : stations) {
        s = at(rng);
    }
    std::size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(p.ElevationAt(stations[k]));
        k = (k + 1) & 4095;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ElevationAt)->Arg(10)->Arg(1000);

} // namespace
