// Calculate of the general TEM stub notch, a ninth-order elliptic reference
// (the prototype synthesis included), in microseconds: well under 50 ms.
#include "design/operations.h"
#include "synthesis/calculate.h"
#include "synthesis/catalogue.h"
#include "ui/scripted_toolkit.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace tanvex;
using namespace tanvex::synthesis;

namespace {

void BM_CalculateStubNotchElliptic9(benchmark::State& state) {
    auto design = std::make_unique<Design>();
    auto proto = std::make_unique<LowpassPrototype>();
    ui::ScriptedToolkit tk;
    PrototypeContext ctx{*design, *proto, tk, "", true, {}};
    newDesign(design->entries);
    applyDesignType(*design, 128);
    DesignRecord& rec = design->record;
    rec[0].value = 4;
    writeMask(rec, kEllipticMask);
    writeMask(rec, designTypeInfo(22).mask);
    rec[1].value = 9;
    rec[2].value = 0.1;
    rec[3].value = 0.1;
    rec[4].value = 60;
    rec[13].value = 2;
    rec[5].value = 1e9;
    rec[6].value = 400e6;
    rec[7].value = 50;
    rec[11].letter = 'P';
    CalculateHooks first;
    if (calculate(ctx, first) != 0) {
        state.SkipWithError("the design does not build");
        return;
    }
    for (auto _ : state) {
        CalculateHooks hooks;
        // A fresh prototype each time, so nothing made before is reused.
        *proto = LowpassPrototype{};
        benchmark::DoNotOptimize(calculate(ctx, hooks));
    }
}
BENCHMARK(BM_CalculateStubNotchElliptic9)->Unit(benchmark::kMicrosecond);

} // namespace
