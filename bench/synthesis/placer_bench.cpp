// Pole placer timings: the solver with ten zeros against a ten-point mask,
// and one synthesis of degree 22.
#include "synthesis/placer.h"

#include <benchmark/benchmark.h>

using namespace tanvex::synthesis;

namespace {

PlacerState tenZeros() {
    PlacerState st;
    st.dataMode = 2;
    st.infZeros = 2;
    const double z[10] = {1.08, 1.15, 1.25, 1.4, 1.6, 1.9, 2.4, 3.2, 4.8, 8.5};
    st.finiteCount = 10;
    for (int i = 0; i < 10; ++i) st.zeros[i] = z[i];
    auto seq = automaticZeroSequence(10);
    std::copy(seq.begin(), seq.end(), st.sequence.begin());
    st.sequenceLength = 10;
    st.sequenceState = 1;
    return st;
}

PlacerBand band() {
    PlacerBand b;
    b.mode = 2;
    b.ripple = 0.1;
    return b;
}

// Ten zeros spread evenly, a mask that wants them crowded at the band edge:
// every correction pass runs.
void BM_SolveTenZerosTenPointMask(benchmark::State& state) {
    PlacerState start = tenZeros();
    for (int i = 0; i < 10; ++i) start.zeros[i] = 1.5 + 0.5 * i;
    start.maskCount = 10;
    for (int i = 0; i < 10; ++i) {
        start.maskFreq[i] = 1.12 + 0.7 * i;
        start.maskDb[i] = 90 + 2 * i;
    }
    PlacerBand b = band();
    normalizeMask(start, b);
    for (auto _ : state) {
        PlacerState st = start;
        benchmark::DoNotOptimize(solvePlacer(st, b, nullptr));
    }
}
BENCHMARK(BM_SolveTenZerosTenPointMask)->Unit(benchmark::kMillisecond);

void BM_SynthesisDegree22(benchmark::State& state) {
    PlacerState st = tenZeros();
    PlacerBand b = band();
    std::string msg, codes = automaticCodes(st, b, 2, &msg);
    for (auto _ : state) {
        PlacerLadder lad = synthesizePlacer(st, b, 2, codes, true);
        benchmark::DoNotOptimize(lad.ok);
    }
}
BENCHMARK(BM_SynthesisDegree22)->Unit(benchmark::kMillisecond);

} // namespace
