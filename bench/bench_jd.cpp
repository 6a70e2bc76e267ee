// Speed of the intersection-point alignment: construction of a long line, and evaluation of
// random stations on spirals and on straights of short and long lines, regular and irregular.

#include "alignment/jd/jd_alignment.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using tesk::jd::JdAlignment;
using tesk::jd::JdCurve;
using tesk::jd::JdInput;
using tesk::jd::Vertex;

// A zigzag of n vertices in survey coordinates: legs of about 340 m, every curve R = 200 m with
// spirals of 40 m and 30 m, deflections of about 56 deg alternating right and left.
JdInput ZigzagInput(int n) {
    JdInput input;
    input.StartStation = 10'000.0;
    for (int i = 0; i < n; ++i) {
        Vertex v;
        v.Name = "JD" + std::to_string(i);
        v.X = 3'000'000.0 + 300.0 * i;
        v.Y = 500'000.0 + (i == 0 || i == n - 1 ? 0.0 : (i % 2 == 1 ? 80.0 : -80.0));
        if (i > 0 && i < n - 1) {
            v.Radius = 200.0;
            v.Spiral1 = 40.0;
            v.Spiral2 = 30.0;
        }
        input.Vertices.push_back(v);
    }
    return input;
}

// An irregular line of n vertices (seeded): deflections of 0.1 to 1.5 rad to either side, R of
// 300 to 2000 m, spirals of 50 to 150 m, and straights of 20 to 1500 m between the curves, so
// the legs run in every direction and their lengths vary from about 100 m to several km. Each
// leg is the two tangents it carries (overestimated) plus its straight, so every curve fits.
JdInput IrregularInput(int n) {
    std::mt19937_64 rng(20261209);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const auto in = [&](double lo, double hi) { return lo + (hi - lo) * u(rng); };
    struct Curve {
        double R = 0, Ls1 = 0, Ls2 = 0, Deflection = 0, Tangent = 0;
    };
    std::vector<Curve> curves(static_cast<std::size_t>(n));
    for (int i = 1; i + 1 < n; ++i) {
        Curve& c = curves[static_cast<std::size_t>(i)];
        c.R = in(300.0, 2000.0);
        c.Ls1 = in(50.0, 150.0);
        c.Ls2 = in(50.0, 150.0);
        // The spirals turn through (Ls1 + Ls2) / 2R; leave an arc of at least a fifth of that.
        const double spirals = (c.Ls1 + c.Ls2) / (2.0 * c.R);
        c.Deflection = std::max(in(0.1, 1.5), 1.2 * spirals) * (u(rng) < 0.5 ? -1.0 : 1.0);
        const double ls = std::max(c.Ls1, c.Ls2);
        const double p = ls * ls / (24.0 * c.R);
        c.Tangent = (c.R + p) * std::tan(std::fabs(c.Deflection) / 2.0) + ls / 2.0 + 1.0;
    }
    JdInput input;
    input.StartStation = 25'000.0;
    double x = 3'100'000.0, y = 450'000.0, azimuth = in(0.0, 6.283);
    for (int i = 0; i < n; ++i) {
        const Curve& c = curves[static_cast<std::size_t>(i)];
        Vertex v;
        v.Name = "JD" + std::to_string(i);
        v.X = x;
        v.Y = y;
        v.Radius = c.R;
        v.Spiral1 = c.Ls1;
        v.Spiral2 = c.Ls2;
        input.Vertices.push_back(v);
        azimuth += c.Deflection;
        if (i + 1 < n) {
            const double leg =
                c.Tangent + curves[static_cast<std::size_t>(i + 1)].Tangent + in(20.0, 1500.0);
            x += leg * std::cos(azimuth);
            y += leg * std::sin(azimuth);
        }
    }
    return input;
}

enum class Where { Spirals, Straights };

// 4096 stations drawn uniformly on the entry and exit spirals, or on the straights between
// curves, of randomly chosen curves.
std::vector<double> RandomStations(const JdAlignment& line, Where where) {
    std::mt19937_64 rng(20261208);
    const std::vector<JdCurve>& c = line.Curves();
    const std::size_t n = c.size();
    std::uniform_int_distribution<std::size_t> curve(1, n - 2);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<double> out;
    while (out.size() < 4096) {
        const JdCurve& r = c[curve(rng)];
        const std::size_t i = static_cast<std::size_t>(&r - c.data());
        if (where == Where::Spirals) {
            out.push_back(u(rng) < 0.5 ? r.StationZH + u(rng) * (r.StationHY - r.StationZH)
                                       : r.StationYH + u(rng) * (r.StationHZ - r.StationYH));
        } else {
            const double end = i + 2 < n ? c[i + 1].StationZH : c.back().Station;
            out.push_back(r.StationHZ + u(rng) * (end - r.StationHZ));
        }
    }
    return out;
}

void BM_BuildJdAlignment(benchmark::State& state) {
    const JdInput input = ZigzagInput(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const JdAlignment line(input);
        benchmark::DoNotOptimize(line.Line().End());
    }
}
BENCHMARK(BM_BuildJdAlignment)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_BuildJdAlignmentIrregular(benchmark::State& state) {
    const JdInput input = IrregularInput(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const JdAlignment line(input);
        benchmark::DoNotOptimize(line.Line().End());
    }
}
BENCHMARK(BM_BuildJdAlignmentIrregular)->Arg(1000)->Unit(benchmark::kMicrosecond);

void EvaluateStations(benchmark::State& state, const JdInput& input, Where where) {
    const JdAlignment line(input);
    for (const JdCurve& c : line.Curves()) {
        if (c.StraightLength < 0.0) {
            state.SkipWithError("overlapping curves: the stations would not be where they say");
            return;
        }
    }
    const std::vector<double> stations = RandomStations(line, where);
    std::size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(line.Line().PointAt(stations[k]));
        k = (k + 1) & (stations.size() - 1);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_JdPointAt_Spiral(benchmark::State& state) {
    EvaluateStations(state, ZigzagInput(static_cast<int>(state.range(0))), Where::Spirals);
}
BENCHMARK(BM_JdPointAt_Spiral)->Arg(10)->Arg(1000);

void BM_JdPointAt_Straight(benchmark::State& state) {
    EvaluateStations(state, ZigzagInput(static_cast<int>(state.range(0))), Where::Straights);
}
BENCHMARK(BM_JdPointAt_Straight)->Arg(10)->Arg(1000);

void BM_JdPointAt_IrregularSpiral(benchmark::State& state) {
    EvaluateStations(state, IrregularInput(static_cast<int>(state.range(0))), Where::Spirals);
}
BENCHMARK(BM_JdPointAt_IrregularSpiral)->Arg(10)->Arg(1000);

void BM_JdPointAt_IrregularStraight(benchmark::State& state) {
    EvaluateStations(state, IrregularInput(static_cast<int>(state.range(0))), Where::Straights);
}
BENCHMARK(BM_JdPointAt_IrregularStraight)->Arg(10)->Arg(1000);

// Point -> station: 4096 points a random offset of up to 30 m either side of random stations of
// the whole line; each query finds every foot.
void LocatePoints(benchmark::State& state, const JdInput& input,
                  double maxDistance = std::numeric_limits<double>::infinity()) {
    const JdAlignment line(input);
    std::mt19937_64 rng(20261209);
    std::uniform_real_distribution<double> along(line.Line().Start(), line.Line().End());
    std::uniform_real_distribution<double> across(-30.0, 30.0);
    std::vector<tesk::geometry::PlanePoint> points;
    while (points.size() < 4096) {
        const tesk::geometry::StationPoint c = line.Line().PointAt(along(rng));
        const double o = across(rng);
        points.push_back({c.X + o * std::sin(c.Azimuth), c.Y - o * std::cos(c.Azimuth)});
    }
    std::size_t k = 0;
    std::size_t feet = 0;
    for (auto _ : state) {
        feet += line.Line().Locate(points[k], maxDistance).Feet.size();
        k = (k + 1) & (points.size() - 1);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["feet"] =
        benchmark::Counter(static_cast<double>(feet), benchmark::Counter::kAvgIterations);
}

void BM_JdLocate(benchmark::State& state) {
    LocatePoints(state, ZigzagInput(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_JdLocate)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_JdLocate_Irregular(benchmark::State& state) {
    LocatePoints(state, IrregularInput(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_JdLocate_Irregular)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

// The same points, looking only for feet within 100 m: the search stays near the point.
void BM_JdLocate_IrregularWithin100m(benchmark::State& state) {
    LocatePoints(state, IrregularInput(static_cast<int>(state.range(0))), 100.0);
}
BENCHMARK(BM_JdLocate_IrregularWithin100m)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace
