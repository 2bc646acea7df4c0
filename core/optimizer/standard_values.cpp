#include "optimizer/standard_values.h"

#include <cmath>

namespace tanvex::optimizer {

namespace {

// The mantissas of one decade, ascending, closed by the next decade's 100.
constexpr double kMantissas[] = {10, 11, 12, 13, 15, 16, 18, 20, 22, 24, 27, 30, 33,
                                 36, 39, 43, 47, 51, 56, 62, 68, 75, 82, 91, 100};
constexpr int kMantissaCount = sizeof kMantissas / sizeof kMantissas[0];

// The decade d with v / d in [10, 100), guarded against rounding of log10.
double decadeOf(double v) {
    double d = std::pow(10.0, std::floor(std::log10(v)) - 1.0);
    if (v / d >= 100.0 * (1.0 - 1e-12)) d *= 10.0;
    if (v / d < 10.0 * (1.0 - 1e-12)) d /= 10.0;
    return d;
}

} // namespace

StandardPick nearestStandard(double v) {
    StandardPick p;
    if (!(v > 0.0) || !std::isfinite(v)) return p;
    const double d = decadeOf(v);
    const double m = v / d;
    constexpr double kSame = 1e-9; // a typed standard value is its own pick
    int i = 1;
    while (i < kMantissaCount - 1 && kMantissas[i] <= m * (1.0 + kSame)) ++i;
    // kMantissas[i - 1] <= m < kMantissas[i] (within rounding)
    p.found = true;
    p.lower = kMantissas[i - 1] * d;
    p.upper = kMantissas[i] * d;
    if (std::fabs(m / kMantissas[i - 1] - 1.0) < kSame) p.upper = p.lower;
    p.pick = p.upper / v <= v / p.lower ? p.upper : p.lower;
    p.errorPct = (p.pick - v) / v * 100.0;
    return p;
}

TwoPartPick twoPartStandard(double v) {
    TwoPartPick best;
    const StandardPick single = nearestStandard(v);
    if (!single.found) return best;
    // The lower neighbour lies in the decade of v (the pick may be the next
    // decade's 10, whose decade holds no part below v).
    const double d = decadeOf(single.lower);
    double bestError = 1e300;
    for (int i = 0; i < kMantissaCount - 1; ++i) {
        const double a = kMantissas[i] * d;
        if (a >= v) break;
        for (int j = 0; j < kMantissaCount - 1; ++j) {
            const double b = kMantissas[j] * d / 10.0;
            const double e = (a + b - v) / v;
            if (std::fabs(e) < bestError) {
                bestError = std::fabs(e);
                best.first = a;
                best.second = b;
                best.errorPct = e * 100.0;
            }
        }
    }
    best.found = bestError < 0.01;
    return best;
}

} // namespace tanvex::optimizer
