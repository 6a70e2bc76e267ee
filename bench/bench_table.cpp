// The stake table of a long line: the table command against a plain program that evaluates the
// same stations and prints the same rows with std::to_chars into one buffer, measured in one run.
//
//   build/bin/bench_table --benchmark_min_time=1
//
// Both write about 60 MB for the 975 000 stakes of a 1000-vertex zigzag (921 km) at a 0.95 m
// step, into a sink that only counts the bytes.

#include "cli/commands.h"
#include "cli/console_prompts.h"
#include "session/commands.h"
#include "session/session.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

namespace {

constexpr double kStep = 0.95;

/// A 1000-vertex zigzag: legs of 975 m turning 56 degrees right and left, R 600 m, spirals of
/// 100 m; written as a JD file and loaded as the program loads it.
const tesk::session::LoadedLine& Zigzag() {
    static const tesk::session::LoadedLine line = [] {
        std::ostringstream text;
        text << "zigzag,0\n";
        double x = 0.0;
        double y = 0.0;
        double azimuth = std::numbers::pi / 6.0;
        for (int i = 0; i < 1000; ++i) {
            if (i > 0) {
                if (i > 1) {
                    azimuth += (i % 2 == 1 ? 1.0 : -1.0) * 56.0 * std::numbers::pi / 180.0;
                }
                x += 975.0 * std::cos(azimuth);
                y += 975.0 * std::sin(azimuth);
            }
            const bool curve = i > 0 && i < 999;
            char row[128];
            std::snprintf(row, sizeof row, "JD%d\n%.4f %.4f %d %d %d\n", i, x, y, curve ? 600 : 0,
                          curve ? 100 : 0, curve ? 100 : 0);
            text << row;
        }
        const auto path = std::filesystem::temp_directory_path() / "tesk_bench_zigzag.jdx";
        std::ofstream(path) << text.str();
        tesk::session::LoadedLine loaded = tesk::session::LoadJdLine(path.string());
        std::filesystem::remove(path);
        return loaded;
    }();
    return line;
}

/// An output stream that counts what it is given and keeps nothing.
class CountingBuffer : public std::streambuf {
public:
    std::size_t Count = 0;

protected:
    std::streamsize xsputn(const char*, std::streamsize n) override {
        Count += static_cast<std::size_t>(n);
        return n;
    }
    int_type overflow(int_type c) override {
        ++Count;
        return c;
    }
};

void Append(std::string& out, double value, int digits) {
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, digits);
    out.append(text, end.ptr);
}

/// The plain program: the stations at every multiple of the step, each labelled and printed.
void BM_TablePlain(benchmark::State& state) {
    const tesk::alignment::Alignment& line = Zigzag().Line();
    CountingBuffer sink;
    std::ostream out(&sink);
    for (auto _ : state) {
        std::string rows;
        rows.reserve((1u << 20) + 256);
        rows += "station,mileage,x,y,azimuth\n";
        const double count = std::floor((line.End() - line.Start()) / kStep);
        for (double i = 0.0; i <= count; i += 1.0) {
            const double mileage = line.Start() + i * kStep;
            const tesk::geometry::StationPoint p = line.PointAt(mileage);
            const long long millimetres = std::llround(mileage * 1000.0);
            char label[40];
            const int n =
                std::snprintf(label, sizeof label, "K%lld+%03lld.%03lld", millimetres / 1000000,
                              millimetres / 1000 % 1000, millimetres % 1000);
            rows.append(label, static_cast<std::size_t>(n)).append(1, ',');
            Append(rows, mileage, 4);
            rows += ',';
            Append(rows, p.X, 4);
            rows += ',';
            Append(rows, p.Y, 4);
            rows += ',';
            Append(rows, p.Azimuth, 9);
            rows += '\n';
            if (rows.size() >= (1u << 20)) {
                out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
                rows.clear();
            }
        }
        out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
    }
    state.counters["bytes"] =
        static_cast<double>(sink.Count) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TablePlain)->Unit(benchmark::kMillisecond);

/// The table command on the same line and step (main points merged in, labels of the program).
void BM_TableCommand(benchmark::State& state) {
    const tesk::session::LoadedLine& line = Zigzag();
    CountingBuffer sink;
    std::ostream out(&sink);
    std::ostringstream err;
    tesk::cli::ConsolePrompts prompts(err);
    tesk::cli::TableOptions options;
    options.From = "0";
    options.Step = kStep;
    for (auto _ : state) {
        if (tesk::cli::RunTable(line, prompts, options, out) != 0) {
            state.SkipWithError(err.str().c_str());
            break;
        }
    }
    state.counters["bytes"] =
        static_cast<double>(sink.Count) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TableCommand)->Unit(benchmark::kMillisecond);

} // namespace
