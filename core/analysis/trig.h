#pragma once

// Sine and cosine together for the sweep's inner loop. Arguments up to 1e5
// are reduced by a three-part pi/2 (Cody-Waite) and evaluated by minimax
// polynomials on [-pi/4, pi/4]; the result is within about one unit in the
// last place of the exact value. Larger or non-finite arguments go to the
// standard library.
#include <cmath>

namespace tanvex::analysis {

inline void sinCos(double x, double& s, double& c) {
    if (!(std::fabs(x) < 1e5)) {
        s = std::sin(x);
        c = std::cos(x);
        return;
    }
    // pi/2 = kPio2a + kPio2b + kPio2c; kPio2a has 33 significant bits so that
    // n * kPio2a is exact for every n this range gives.
    constexpr double kTwoOverPi = 6.36619772367581382433e-01;
    constexpr double kPio2a = 1.57079632673412561417e+00;
    constexpr double kPio2b = 6.07710050630396597660e-11;
    constexpr double kPio2c = 2.02226624879595063154e-21;
    // Round to the nearest integer by the 1.5 * 2^52 shift (exact below 2^51).
    constexpr double kShift = 0x1.8p52;
    const double n = (x * kTwoOverPi + kShift) - kShift;
    const double r = ((x - n * kPio2a) - n * kPio2b) - n * kPio2c;
    const double z = r * r;
    // Minimax coefficients of sin r / r - 1 and cos r - 1 + r^2 / 2 on
    // [-pi/4, pi/4] (the classic double-precision kernels).
    const double sr =
        r +
        r * z *
            (-1.66666666666666324348e-01 +
             z * (8.33333333332248946124e-03 +
                  z * (-1.98412698298579493134e-04 +
                       z * (2.75573137070700676789e-06 +
                            z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)))));
    const double cr =
        1.0 - 0.5 * z +
        z * z *
            (4.16666666666666019037e-02 +
             z * (-1.38888888888741095749e-03 +
                  z * (2.48015872894767294178e-05 +
                       z * (-2.75573143513906633035e-07 +
                            z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11)))));
    switch (static_cast<long>(n) & 3) {
    case 0:
        s = sr;
        c = cr;
        break;
    case 1:
        s = cr;
        c = -sr;
        break;
    case 2:
        s = -sr;
        c = -cr;
        break;
    default:
        s = -cr;
        c = sr;
        break;
    }
}

} // namespace tanvex::analysis
