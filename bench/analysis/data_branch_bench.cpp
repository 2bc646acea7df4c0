// Speed of data branches: a 1000-point sweep (precise group delay, 2000
// walks) of a ladder with ten shunt data branches of 900 points each, and
// the same ladder with fixed shunt resistors in their places. The files are
// read by the first sweep; the timed sweeps interpolate.
#include "analysis/data_files.h"
#include "analysis/sweep.h"
#include "design/text_io.h"
#include "ui/scripted_toolkit.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace tanvex;
using namespace tanvex::analysis;

namespace {

// Ten shunt branches (data or 500 ohm) with 50 nH between them.
void ladder(Design& d, bool data) {
    newDesign(d.entries);
    int i = 0;
    setEntry(d.entries, i++, 50.0, 'R', 1);
    for (int k = 0; k < 10; ++k) {
        if (data)
            setEntry(d.entries, i++, -9.0, static_cast<char>('0' + k), 22);
        else
            setEntry(d.entries, i++, 500.0, 'R', 2);
        setEntry(d.entries, i++, 50e-9, 'L', 3);
        d.names[static_cast<std::size_t>(k)] = "bench" + std::to_string(k);
    }
    setEntry(d.entries, i++, 50.0, 'R', 1);
    setEntry(d.entries, i, 1e8, 'x', 1);
    completeSettingsString(d.record);
    d.record[kSlotSettings].text[kSettingSpacing] = '0';
    d.record[kSlotSettings].text[kSettingDelayAuto] = '0';
    d.analysis = {10.0, 200.0, -1000.0, 0.0, 0.0, 0.0, 10.0};
}

std::string writeFiles() {
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("tanvex_bench_" + std::to_string(getpid())))
            .string();
    std::filesystem::create_directories(dir);
    for (int k = 0; k < 10; ++k) {
        std::string text;
        for (int p = 0; p < 900; ++p)
            text +=
                formatText("%g,%g,%g\r\n", 5.0 + 0.25 * p, 400.0 + k + 0.1 * p, -20.0 + 0.05 * p);
        FILE* f = std::fopen((dir + "/bench" + std::to_string(k) + ".frx").c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    return dir;
}

void sweep(benchmark::State& state, bool withData) {
    Design d;
    ladder(d, withData);
    // Written once per run and removed at exit.
    static const struct Files {
        std::string dir = writeFiles();
        ~Files() {
            std::error_code ec;
            std::filesystem::remove_all(dir, ec);
        }
    } files;
    const std::string& dir = files.dir;
    ResultsTable table;
    SweepOptions options;
    ui::ScriptedToolkit tk; // no smoothing (the first key, 0)
    DataFileServices data(d, tk);
    data.directory = dir;
    NoAnalysisViews views;
    SweepEvaluator s(d, table, options, tk, data, views);
    if (s.analyse(1) != 0) state.SkipWithError("sweep failed");
    for (auto _ : state) benchmark::DoNotOptimize(s.analyse(1));
}

void BM_FixedShunts(benchmark::State& state) {
    sweep(state, false);
}
void BM_DataBranches(benchmark::State& state) {
    sweep(state, true);
}

} // namespace

BENCHMARK(BM_FixedShunts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DataBranches)->Unit(benchmark::kMillisecond);
