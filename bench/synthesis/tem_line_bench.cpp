// Calculate of the exact TEM line designs from a fresh prototype, in
// microseconds (each well under 50 ms): the wideband direct connected
// bandpass (twelve stubs, the share search included), the Kuroda-form notch
// of eight stubs and the capacitively coupled notch of five.
#include "tem_calculate.h"

namespace {

void runCalculate(benchmark::State& state, int command, int n, double bw, char cfg) {
    timeCalculate(state, command, n, [&](tanvex::DesignRecord& rec) {
        rec[6].value = bw;
        rec[7].value = 75;
        rec[11].letter = cfg;
    });
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
