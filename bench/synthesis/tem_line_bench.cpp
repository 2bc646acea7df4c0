// Calculate of the exact TEM line designs from a fresh prototype, in
// microseconds (each well under 50 ms): the wideband direct connected
// bandpass (twelve stubs, the share search included), the Kuroda-form notch
// of eight stubs and the capacitively coupled notch of five.
#include "design/operations.h"
#include "synthesis/calculate.h"
#include "synthesis/catalogue.h"
#include "ui/scripted_toolkit.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace tanvex;
using namespace tanvex::synthesis;

namespace {

void runCalculate(benchmark::State& state, int command, int n, double bw, char cfg) {
    auto design = std::make_unique<Design>();
    auto proto = std::make_unique<LowpassPrototype>();
    ui::ScriptedToolkit tk;
    PrototypeContext ctx{*design, *proto, tk, "", true, {}};
    newDesign(design->entries);
    applyDesignType(*design, command);
    DesignRecord& rec = design->record;
    rec[0].value = 1;
    writeMask(rec, kAllPoleMask);
    writeMask(rec, designTypeInfo(designTypeOfCommand(command)).mask);
    rec[1].value = n;
    rec[2].value = 0.1;
    rec[3].value = 0.1;
    rec[13].value = 2;
    rec[5].value = 1e9;
    rec[6].value = bw;
    rec[7].value = 75;
    rec[8].value = 50;
    rec[11].letter = cfg;
    CalculateHooks first;
    if (calculate(ctx, first) != 0) {
        state.SkipWithError("the design does not build");
        return;
    }
    for (auto _ : state) {
        CalculateHooks hooks;
        *proto = LowpassPrototype{};
        benchmark::DoNotOptimize(calculate(ctx, hooks));
    }
}

void BM_CalculateWidebandDirect12(benchmark::State& state) {
    runCalculate(state, 119, 12, 1e9, 'P');
}
void BM_CalculateKurodaNotch8(benchmark::State& state) {
    runCalculate(state, 128, 8, 6e8, 'K');
}
void BM_CalculateCapCoupledNotch5(benchmark::State& state) {
    runCalculate(state, 127, 5, 1e8, 'P');
}
BENCHMARK(BM_CalculateWidebandDirect12)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CalculateKurodaNotch8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CalculateCapCoupledNotch5)->Unit(benchmark::kMicrosecond);

} // namespace
