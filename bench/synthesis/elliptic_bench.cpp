// Calculate of an L-C lowpass from the sharpest elliptic prototypes, made
// afresh each time, in milliseconds: orders 25 to 28 with the stopband edge
// at 1.005 times the band edge, where the ladder is extracted in
// multiprecision, and the sharp designs of low attenuation whose zeros have
// to be searched for an order without a negative element. Each must stay
// well under 500 ms.
#include "design/operations.h"
#include "synthesis/calculate.h"
#include "synthesis/catalogue.h"
#include "synthesis/elliptic.h"
#include "ui/scripted_toolkit.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace tanvex;
using namespace tanvex::synthesis;

namespace {

// Amin that puts the stopband edge of the form at 1.005 (bisection on the
// degree equation through the synthesis's own response).
double aminForEdge(int n, double ar, EllipticForm form) {
    double lo = ar + 1, hi = 400;
    for (int i = 0; i < 60; ++i) {
        const double mid = 0.5 * (lo + hi);
        (ellipticResponse(n, ar, mid, form).omegaS < 1.005 ? lo : hi) = mid;
    }
    return hi;
}

// Runs Calculate on an L-C lowpass (1 MHz, 50 ohm) of the elliptic
// reference; builds tells whether the design must build or be refused.
void calculateElliptic(benchmark::State& state, int n, int termination, double ar, bool builds) {
    const EllipticForm form = n % 2 == 1         ? EllipticForm::Odd
                              : termination == 3 ? EllipticForm::EvenEqual
                                                 : EllipticForm::EvenUnequal;
    auto design = std::make_unique<Design>();
    auto proto = std::make_unique<LowpassPrototype>();
    ui::ScriptedToolkit tk;
    PrototypeContext ctx{*design, *proto, tk, "", true, {}};
    newDesign(design->entries);
    applyDesignType(*design, 121);
    DesignRecord& rec = design->record;
    rec[0].value = 4;
    writeMask(rec, kEllipticMask);
    writeMask(rec, designTypeInfo(designTypeOfCommand(121)).mask);
    rec[1].value = n;
    rec[2].value = ar;
    rec[3].value = ar;
    rec[4].value = aminForEdge(n, ar, form);
    rec[13].value = termination;
    rec[7].value = 50;
    rec[8].value = 50;
    rec[9].value = 50;
    rec[10].value = 1e6;
    rec[11].letter = 'P';
    CalculateHooks first;
    if ((calculate(ctx, first) == 0) != builds) {
        state.SkipWithError(builds ? "the design does not build" : "the design is not refused");
        return;
    }
    for (auto _ : state) {
        CalculateHooks hooks;
        *proto = LowpassPrototype{}; // nothing made before is reused
        benchmark::DoNotOptimize(calculate(ctx, hooks));
    }
}
void BM_CalculateSharpElliptic(benchmark::State& state) {
    calculateElliptic(state, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                      0.5, true);
}

// The slowest refusal of the sharp low-attenuation designs: 0.01 dB at
// order 11 leaves 25 dB, and each of the 120 zero orders has a negative
// element.
void BM_CalculateRefusedElliptic11(benchmark::State& state) {
    calculateElliptic(state, 11, 2, 0.01, false);
}
BENCHMARK(BM_CalculateRefusedElliptic11)->Unit(benchmark::kMillisecond);

// Sharp designs of low attenuation built from a searched zero order: order
// 12 at 0.01 dB (30 dB) and the slowest, order 14 type 3 at 0.01 dB (41 dB,
// searched in 60 digits).
void BM_CalculateLowAttenuationElliptic(benchmark::State& state) {
    calculateElliptic(state, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                      0.01, true);
}
BENCHMARK(BM_CalculateLowAttenuationElliptic)
    ->Args({12, 2})
    ->Args({14, 3})
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_CalculateSharpElliptic)
    ->Args({25, 2})
    ->Args({27, 1})
    ->Args({28, 1})
    ->Args({28, 2})
    ->Args({28, 3})
    ->Unit(benchmark::kMillisecond);

} // namespace
