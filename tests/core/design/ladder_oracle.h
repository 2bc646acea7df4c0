// Attenuation of a simple ladder by ABCD matrices: shunt (code 2) and series
// (code 3) elements L, C, R, and ideal transformers (code 24). An oracle that
// shares nothing with the program's own analysis.
#pragma once

#include "design/network.h"

#include <cmath>
#include <complex>

namespace tanvex::test {

inline double ladderAttenuationDb(const EntryList& list, double f) {
    using C = std::complex<double>;
    const double w = 2 * M_PI * f;
    int n = entryCount(list);
    C a = 1, b = 0, c = 0, d = 1;
    // From the source end towards the termination.
    for (int i = n - 1; i >= 1; --i) {
        const NetEntry& e = list[i];
        C na, nb, nc, nd;
        if (e.code == 24) { // turns ratio N: impedance at the termination side times N^2
            double t = e.value;
            na = a * t, nb = b / t, nc = c * t, nd = d / t;
        } else {
            C z = e.letter == 'L'   ? C(0, w * e.value)
                  : e.letter == 'C' ? C(0, -1 / (w * e.value))
                                    : C(e.value, 0);
            if (e.code == 3) {
                na = a, nb = a * z + b, nc = c, nd = c * z + d;
            } else {
                C y = 1.0 / z;
                na = a + b * y, nb = b, nc = c + d * y, nd = d;
            }
        }
        a = na, b = nb, c = nc, d = nd;
    }
    double rl = list[0].value, rs = list[n].value;
    // Transducer gain between source rs and load rl.
    C s21 = 2.0 * std::sqrt(rs * rl) / (a * rl + b + c * rs * rl + d * rs);
    return -20 * std::log10(std::abs(s21));
}

} // namespace tanvex::test
