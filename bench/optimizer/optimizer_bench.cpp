// Speed of the optimizer: one item (a full coordinate search on one branch)
// at 500 points on a 15-entry and a 140-entry ladder, and a "1-9R" command
// (nine branches, five passes: 45 items). The console and the benchmarks
// run without the deliberate waits of the window.
#include "optimizer/optimizer.h"
#include "ui/scripted_toolkit.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

using namespace tanvex;

namespace {

// A bandpass-like ladder of `sections` sections (shunt C, shunt L, series L,
// series C) closed by a shunt C, 50 ohm ends, centre near 100 MHz; every
// series inductor is detuned a little so that there is work to do.
void ladder(Design& d, int sections) {
    newDesign(d.entries);
    EntryList& l = d.entries;
    int i = 0;
    setEntry(l, i++, 50.0, 'R', 1);
    for (int s = 0; s < sections; ++s) {
        setEntry(l, i++, 160e-12, 'C', 2);
        setEntry(l, i++, 15.8e-9, 'L', 2);
        setEntry(l, i++, 455e-9 * (1.0 + 0.01 * (s % 3)), 'L', 3);
        setEntry(l, i++, 5.57e-12, 'C', 3);
    }
    setEntry(l, i++, 160e-12, 'C', 2);
    setEntry(l, i++, 50.0, 'R', 1);
    setEntry(l, i, 1e8, 'x', 1);
    completeSettingsString(d.record);
    setDesignName(d, "bench");
}

struct Session {
    Design design;
    analysis::ResultsTable table;
    analysis::SweepOptions options;
    ui::ScriptedToolkit tk;
    analysis::NoDataServices data{tk};
    optimizer::OptimizerHost host;
    std::unique_ptr<optimizer::Optimizer> op;

    explicit Session(int sections) {
        static const std::string dir = [] {
            const auto p = std::filesystem::temp_directory_path() / "tanvex_optimizer_bench";
            std::filesystem::create_directories(p);
            return p.string();
        }();
        ::setenv("TMTANVEX", dir.c_str(), 1);
        ladder(design, sections);
        op = std::make_unique<optimizer::Optimizer>(design, table, options, tk, data, host);
        op->begin(97.0, 103.0);
        op->fixedPoints = 500;
        op->job = optimizer::kJobAmplitude;
        op->setups[0].job = op->job;
    }
};

// One item on branch 3 (a series inductor); the command start (which writes
// the work copy) is outside the timing.
void oneItem(benchmark::State& state, int sections, int job) {
    Session s(sections);
    s.op->job = job;
    const EntryList start = s.design.entries;
    long sweeps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.design.entries = start;
        s.op->startCommand("3");
        state.ResumeTiming();
        const optimizer::ItemReport r = s.op->runNext();
        sweeps += r.sweeps;
        benchmark::DoNotOptimize(r.errorAfter);
    }
    state.counters["entries"] = entryCount(start) + 2;
    state.counters["sweeps/item"] =
        benchmark::Counter(static_cast<double>(sweeps) / static_cast<double>(state.iterations()));
}

void BM_OneItem15Amplitude(benchmark::State& state) {
    oneItem(state, 3, optimizer::kJobAmplitude);
}
void BM_OneItem15Delay(benchmark::State& state) {
    oneItem(state, 3, optimizer::kJobDelay);
}
void BM_OneItem140Amplitude(benchmark::State& state) {
    oneItem(state, 34, optimizer::kJobAmplitude);
}
void BM_OneItem140Delay(benchmark::State& state) {
    oneItem(state, 34, optimizer::kJobDelay);
}

// "1-9R": 45 items, with the work copy and the panel's sweep after each item
// as the window does them.
void BM_Command1to9R(benchmark::State& state) {
    Session s(3);
    const EntryList start = s.design.entries;
    long items = 0;
    for (auto _ : state) {
        s.design.entries = start;
        s.op->startCommand("1-9R");
        while (s.op->inProgress()) {
            s.op->runNext();
            s.op->refresh();
            ++items;
        }
    }
    state.counters["items"] =
        benchmark::Counter(static_cast<double>(items) / static_cast<double>(state.iterations()));
}

} // namespace

BENCHMARK(BM_OneItem15Amplitude)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneItem15Delay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneItem140Amplitude)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneItem140Delay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Command1to9R)->Unit(benchmark::kMillisecond)->Iterations(3);
