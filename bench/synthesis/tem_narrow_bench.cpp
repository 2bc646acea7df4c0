// Calculate of each narrow-band TEM bandpass type (combline, open-line and
// short-circuited-line interdigital, dielectric resonator), fifth order,
// 0.1 dB Chebyshev, 10 % bandwidth, from a fresh prototype each time: the
// inverter design and its refinement on the exact response included.
#include "tem_calculate.h"

namespace {

void calculateType(benchmark::State& state, int command, char cfg, double degrees, int order = 5) {
    timeCalculate(state, command, order, [&](tanvex::DesignRecord& rec) {
        rec[6].value = 100e6;
        rec[7].value = command == 120 ? 11 : 75;
        rec[9].value = 50;
        rec[11].letter = cfg;
        rec[17].value = degrees;
        rec[18].letter = 'Y';
        rec[19].value = 0.5;
        rec[0].letter = 'Y';
        rec[20].value = 1e-9;
        tanvex::synthesis::setAllCouplings(rec, 'C');
    });
}

void BM_CalculateCombline(benchmark::State& s) {
    calculateType(s, 116, 'T', 45);
}
void BM_CalculateOpenLineInterdigital(benchmark::State& s) {
    calculateType(s, 117, 'S', 85);
}
void BM_CalculateShortedLineInterdigital(benchmark::State& s) {
    calculateType(s, 118, 'S', 85);
}
void BM_CalculateDielectricResonator(benchmark::State& s) {
    calculateType(s, 120, 'S', 85);
}
// The slowest form: twelve tapped combline resonators.
void BM_CalculateCombline12Tapped(benchmark::State& s) {
    calculateType(s, 116, 'T', 45, 12);
}
BENCHMARK(BM_CalculateCombline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalculateOpenLineInterdigital)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalculateShortedLineInterdigital)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalculateDielectricResonator)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalculateCombline12Tapped)->Unit(benchmark::kMillisecond);

} // namespace
