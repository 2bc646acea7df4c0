// Speed of the sweep evaluator: 1000-point sweeps with the precise group
// delay method (2000 walks), and the number of heap allocations a sweep makes
// (counted by replacing the global operator new; it must be 0 on one thread).
// The "TwoThreads" cases split the sweep as the console does (a second
// thread from the last point down, the points reported to an observer on the
// thread that walked them); their time is wall-clock time, and they allocate
// the shared count and the thread.
#include "analysis/sweep.h"
#include "ui/scripted_toolkit.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

namespace {
std::atomic<long> gAllocations{0};
}

// The replacements pair malloc with free; GCC cannot see that through the
// operator names.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t n) {
    ++gAllocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

using namespace tanvex;
using namespace tanvex::analysis;

namespace {

// 9th-order lowpass ladder: five shunt capacitors and four series L || C
// traps (code 5), 50 ohm, cutoff near 100 MHz.
void ladder(Design& d) {
    newDesign(d.entries);
    EntryList& l = d.entries;
    int i = 0;
    setEntry(l, i++, 50.0, 'R', 1);
    const double c[5] = {30e-12, 55e-12, 60e-12, 55e-12, 30e-12};
    const double ls[4] = {95e-9, 100e-9, 100e-9, 95e-9};
    const double ct[4] = {4e-12, 9e-12, 9e-12, 4e-12};
    for (int k = 0; k < 5; ++k) {
        setEntry(l, i++, c[k], 'C', 2);
        if (k < 4) {
            setEntry(l, i++, ls[k], 'L', 5);
            setEntry(l, i++, ct[k], 'C', 5);
        }
    }
    setEntry(l, i++, 50.0, 'R', 1);
    setEntry(l, i, 1e8, 'x', 1);
}

// The 16th-order bandpass that the console comparison with ngspice sweeps:
// shunt and series resonators as plain elements (codes 2 and 3), 35 lines.
void bandpass(Design& d) {
    struct Element {
        double value;
        char letter;
        int code;
    };
    static const Element kElements[] = {
        {5.25667513e-12, 'C', 3}, {4.81869154e-07, 'L', 3}, {2.32747418e-10, 'C', 2},
        {1.08831695e-08, 'L', 2}, {2.93654056e-12, 'C', 3}, {8.62589687e-07, 'L', 3},
        {2.62251611e-10, 'C', 2}, {9.65877615e-09, 'L', 2}, {2.81401430e-12, 'C', 3},
        {9.00148092e-07, 'L', 3}, {2.67358145e-10, 'C', 2}, {9.47429375e-09, 'L', 2},
        {2.78702223e-12, 'C', 3}, {9.08865947e-07, 'L', 3}, {2.68602444e-10, 'C', 2},
        {9.43040414e-09, 'L', 2}, {2.78314095e-12, 'C', 3}, {9.10133425e-07, 'L', 3},
        {2.68228381e-10, 'C', 2}, {9.44355551e-09, 'L', 2}, {2.79609383e-12, 'C', 3},
        {9.05917237e-07, 'L', 3}, {2.65655530e-10, 'C', 2}, {9.53501551e-09, 'L', 2},
        {2.85053906e-12, 'C', 3}, {8.88614239e-07, 'L', 3}, {2.54571134e-10, 'C', 2},
        {9.95018390e-09, 'L', 2}, {3.21188724e-12, 'C', 3}, {7.88642132e-07, 'L', 3},
        {1.42211273e-10, 'C', 2}, {1.78117357e-08, 'L', 2}};
    newDesign(d.entries);
    EntryList& l = d.entries;
    int i = 0;
    setEntry(l, i++, 50.0, 'R', 1);
    for (const Element& e : kElements) setEntry(l, i++, e.value, e.letter, e.code);
    setEntry(l, i++, 6.77680672e+01, 'R', 1);
    setEntry(l, i, 1e8, 'x', 1);
}

// About 140 entries: line sections, shunt and series stubs, lumped branches,
// stubbed sections and a side port with its own network.
void bigNetwork(Design& d) {
    newDesign(d.entries);
    EntryList& l = d.entries;
    int i = 0;
    setEntry(l, i++, 50.0, 'R', 1);
    auto line = [&](int code, double zo, double len) {
        setEntry(l, i++, zo, 'Z', code);
        setEntry(l, i++, len, 'D', code);
    };
    for (int block = 0; block < 7; ++block) {
        line(16, 60.0 + block, 0.9);
        line(23, 50.0, 0.4);
        setEntry(l, i++, 20e-12, 'C', 2);
        setEntry(l, i++, 40e-9, 'L', 5);
        setEntry(l, i++, 12e-12, 'C', 5);
        line(18, 70.0, 0.6);
        line(23, 45.0, 0.5);
        line(17, 80.0, 0.3);
        setEntry(l, i++, 35.0, 'Z', 33);
        setEntry(l, i++, 0.7, 'D', 33);
        setEntry(l, i++, 3e-12, 'C', 33);
        setEntry(l, i++, 30e-9, 'L', 4);
        setEntry(l, i++, 18e-12, 'C', 4);
        if (block == 2) {
            // A side port of a multiplexer: its own termination and ladder.
            setEntry(l, i++, 50.0, 'R', 8);
            line(23, 50.0, 0.8);
            setEntry(l, i++, 15e-12, 'C', 2);
            setEntry(l, i++, 60e-9, 'L', 3);
            line(16, 55.0, 1.0);
            setEntry(l, i++, 0.0, '_', 9);
        }
    }
    // A shunt (L || C) + R branch and a series inductor at the source end.
    setEntry(l, i++, 80e-9, 'L', 6);
    setEntry(l, i++, 25e-12, 'C', 6);
    setEntry(l, i++, 2.0, 'R', 6);
    setEntry(l, i++, 45e-9, 'L', 3);
    setEntry(l, i++, 50.0, 'R', 1);
    setEntry(l, i, 1e8, 'x', 1);
}

// Takes the points from both threads, as the console's CSV does.
struct Sink : SweepObserver {
    bool concurrent() const override { return true; }
    void point(int, const PointValues& v, const NetworkInterpreter&) override {
        benchmark::DoNotOptimize(v.delay);
    }
};

void runSweep(benchmark::State& state, void (*make)(Design&), bool twoThreads = false) {
    // The objects live on the heap, as in the program, so that the stack's
    // random placement does not change their relative alignment from run to
    // run.
    auto owned = std::make_unique<Design>();
    Design& design = *owned;
    make(design);
    completeSettingsString(design.record);
    design.record[kSlotSettings].text[kSettingSpacing] = '0';
    design.record[kSlotSettings].text[kSettingDelayAuto] = '0';
    design.analysis = {10.0, 300.0, -1000.0, 150.0, 500.0, 1000.0, 10.0};
    auto ownedTable = std::make_unique<ResultsTable>();
    ResultsTable& table = *ownedTable;
    SweepOptions options;
    options.fastDelay = false;
    ui::ScriptedToolkit tk;
    NoDataServices data(tk);
    NoAnalysisViews views;
    auto ownedSweep = std::make_unique<SweepEvaluator>(design, table, options, tk, data, views);
    SweepEvaluator& sweep = *ownedSweep;
    Sink sink;
    if (twoThreads) {
        sweep.setParallel(true);
        sweep.setObserver(&sink);
    }
    long allocations = 0;
    for (auto _ : state) {
        const long before = gAllocations.load();
        const int r = sweep.analyse(1);
        allocations += gAllocations.load() - before;
        if (r != 0) state.SkipWithError("sweep failed");
        benchmark::DoNotOptimize(table.records[500][2]);
    }
    state.counters["entries"] = entryCount(design.entries) + 1;
    state.counters["points"] = table.pointCount();
    state.counters["allocs_per_sweep"] =
        static_cast<double>(allocations) / static_cast<double>(state.iterations());
}

void BM_LadderPreciseSweep(benchmark::State& state) {
    runSweep(state, ladder);
}
void BM_BandpassPreciseSweep(benchmark::State& state) {
    runSweep(state, bandpass);
}
void BM_BigNetworkPreciseSweep(benchmark::State& state) {
    runSweep(state, bigNetwork);
}
void BM_LadderPreciseSweepTwoThreads(benchmark::State& state) {
    runSweep(state, ladder, true);
}
void BM_BigNetworkPreciseSweepTwoThreads(benchmark::State& state) {
    runSweep(state, bigNetwork, true);
}

} // namespace

BENCHMARK(BM_LadderPreciseSweep)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BandpassPreciseSweep)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BigNetworkPreciseSweep)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LadderPreciseSweepTwoThreads)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_BigNetworkPreciseSweepTwoThreads)->Unit(benchmark::kMicrosecond)->UseRealTime();
