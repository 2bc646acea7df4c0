// Speed of the power distribution survey (with a mismatched load, which
// sweeps the line length through a full turn and then refines round every
// maximum) and of time-domain pages (600 harmonics, one analysis each).
#include "analysis/power_distribution.h"
#include "analysis/time_domain_model.h"
#include "ui/scripted_toolkit.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace tanvex;
using namespace tanvex::analysis;

namespace {

// A lowpass ladder of `sections` shunt C + series L||C sections.
std::unique_ptr<Design> ladder(int sections) {
    auto d = std::make_unique<Design>();
    newDesign(d->entries);
    EntryList& l = d->entries;
    int i = 0;
    setEntry(l, i++, 50.0, 'R', 1);
    for (int k = 0; k < sections; ++k) {
        setEntry(l, i++, 40e-12, 'C', 2);
        setEntry(l, i++, 100e-9, 'L', 5);
        setEntry(l, i++, 5e-12, 'C', 5);
    }
    setEntry(l, i++, 40e-12, 'C', 2);
    setEntry(l, i++, 50.0, 'R', 1);
    setEntry(l, i, 1e8, 'x', 1);
    completeSettingsString(d->record);
    d->analysis = {50.0, 150.0, -225.0, 100.0, 400.0, 0.0, 50.0};
    return d;
}

void survey(benchmark::State& state, int sections) {
    auto d = ladder(sections);
    ui::ScriptedToolkit tk;
    NoDataServices data(tk);
    auto power = std::make_unique<PowerAnalysis>(*d, tk, data);
    PowerSettings s;
    s.start = 50.0;
    s.stop = 150.0;
    s.step = -225;
    s.q = {100.0, 400.0, kInfiniteQ};
    s.setVswr(2.0);
    PowerSurvey out;
    for (auto _ : state) {
        PowerSettings at = s;
        if (power->survey(at, out) != 0) state.SkipWithError("survey failed");
    }
    state.counters["entries"] = entryCount(d->entries) + 1;
    state.counters["sweeps"] = out.sweeps;
}

void BM_SurveyMismatch15Entries(benchmark::State& state) {
    survey(state, 4); // 15 entries with the ends
}
BENCHMARK(BM_SurveyMismatch15Entries)->Unit(benchmark::kMillisecond);

void BM_SurveyMismatch140Entries(benchmark::State& state) {
    survey(state, 46); // 141 entries with the ends
}
BENCHMARK(BM_SurveyMismatch140Entries)->Unit(benchmark::kMillisecond);

void page(benchmark::State& state, bool gated, int columns) {
    auto d = ladder(4);
    SweepOptions options;
    ui::ScriptedToolkit tk;
    NoDataServices data(tk);
    TimeDomainModel model(*d, options, tk, data);
    model.train.repRate = gated ? 2.0 : 0.5;
    model.train.duty = 0.2;
    model.train.carrier = gated ? 100.0 : 0.0;
    for (auto _ : state)
        if (model.calculateFirst(columns) != 0) state.SkipWithError("calculation failed");
    state.counters["harmonics"] = static_cast<double>(model.harmonics().lines.size());
}

void BM_ImpulsePage590(benchmark::State& state) {
    page(state, false, 590);
}
BENCHMARK(BM_ImpulsePage590)->Unit(benchmark::kMillisecond);

void BM_GatedPage1900(benchmark::State& state) {
    page(state, true, 1900);
}
BENCHMARK(BM_GatedPage1900)->Unit(benchmark::kMillisecond);

// Rescaling a page for a new window height uses the stored columns only.
void BM_RescaleOnly(benchmark::State& state) {
    auto d = ladder(4);
    SweepOptions options;
    ui::ScriptedToolkit tk;
    NoDataServices data(tk);
    TimeDomainModel model(*d, options, tk, data);
    model.train.repRate = 0.5;
    model.calculateFirst(1900);
    int h = 200;
    for (auto _ : state) benchmark::DoNotOptimize(model.scaleFor(h++ % 400 + 100));
}
BENCHMARK(BM_RescaleOnly)->Unit(benchmark::kMicrosecond);

} // namespace
