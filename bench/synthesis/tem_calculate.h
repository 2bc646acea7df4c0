// Times Calculate of one design type from a fresh prototype each time: an
// all-pole 0.1 dB Chebyshev reference of the given order, centre 1 GHz,
// 50 ohm; fill sets the type's own parameters in the DesignRecord.
#pragma once

#include "design/operations.h"
#include "synthesis/calculate.h"
#include "synthesis/catalogue.h"
#include "ui/scripted_toolkit.h"

#include <benchmark/benchmark.h>

#include <memory>

template <class Fill>
void timeCalculate(benchmark::State& state, int command, int order, Fill fill) {
    using namespace tanvex;
    using namespace tanvex::synthesis;
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
    rec[1].value = order;
    rec[2].value = 0.1;
    rec[3].value = 0.1;
    rec[13].value = 2;
    rec[5].value = 1e9;
    rec[8].value = 50;
    fill(rec);
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
