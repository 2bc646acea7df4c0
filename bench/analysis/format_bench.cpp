// Speed of the console's number formatting: a 1000-point sweep's CSV holds
// 7000 numbers in "%.10g". The program's own formatter against snprintf and
// the library's to_chars with a precision, on the same values.
#include "design/text_io.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// Values like a sweep's: frequencies in hertz, losses in dB, delays in
// seconds, phases in degrees, resistances and reactances in ohms.
std::vector<double> sweepLikeValues() {
    std::vector<double> v;
    for (int k = 0; k < 1000; ++k) {
        const double f = 80e6 + k * 40e3;
        v.push_back(f);
        v.push_back(20.0 * std::log10(1.0 + k * 0.37));
        v.push_back(0.01 * k * k / 997.0);
        v.push_back(1e-8 * (1.0 + std::sin(k * 0.01)));
        v.push_back(180.0 * std::sin(k * 0.003));
        v.push_back(50.0 + 3.0 * std::cos(k * 0.02));
        v.push_back(-7.5 * std::sin(k * 0.017));
    }
    return v;
}

void BM_FormatGeneral(benchmark::State& state) {
    const std::vector<double> values = sweepLikeValues();
    char buf[40];
    for (auto _ : state)
        for (double x : values) benchmark::DoNotOptimize(tanvex::formatGeneral(buf, x, 10));
    state.counters["numbers"] = static_cast<double>(values.size());
}

void BM_Snprintf(benchmark::State& state) {
    const std::vector<double> values = sweepLikeValues();
    char buf[40];
    for (auto _ : state)
        for (double x : values)
            benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%.10g", x));
}

void BM_ToCharsPrecision(benchmark::State& state) {
    const std::vector<double> values = sweepLikeValues();
    char buf[40];
    for (auto _ : state)
        for (double x : values)
            benchmark::DoNotOptimize(
                std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 10).ptr);
}

} // namespace

BENCHMARK(BM_FormatGeneral)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Snprintf)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ToCharsPrecision)->Unit(benchmark::kMicrosecond);
