#include "analysis/line_transform.h"

#include "analysis/trig.h"

#include <algorithm>
#include <cmath>

namespace tanvex::analysis {

namespace {

// A lossless line keeps the loss of the factor 1.0000001 in place of
// exp(theta / qt): about 1e-7 neper, enough to hold a quarter-wave short finite.
// sinh u and 2 sinh^2(u/2) of that loss u.
const double kLosslessSh = std::sinh(std::log(1.0000001));
const double kLosslessExcess = 2.0 * std::pow(std::sinh(0.5 * std::log(1.0000001)), 2);

} // namespace

Cx lineTransform(Cx load, double zo, double theta, bool lossy, double qt) {
    double sin2 = 0.0;
    double cos2 = 0.0;
    sinCos(2.0 * theta, sin2, cos2);
    return lineTransform(load, zo, theta, lossy, qt, cos2, sin2);
}

Cx lineTransform(Cx load, double zo, double theta, bool lossy, double qt, double cos2,
                 double sin2) {
    const double invZo = 1.0 / zo;
    const double r = load.r * invZo;
    const double x = load.x * invZo;
    // With u = theta / qt and m = e^u - 1: sh = sinh u = m (m + 2) / (2 (1 + m)),
    // and the denominator cos 2t + cosh u is written as (1 + cos 2t) +
    // m^2 / (2 (1 + m)) so that it never cancels to zero or below near a
    // quarter wave (where 1 + cos 2t vanishes) even when u is far below the
    // rounding of 1: the line stays passive at every length.
    double sh = kLosslessSh;
    double excess = kLosslessExcess;
    if (lossy) {
        const double u = theta / qt;
        // e^u - 1 without cancellation: the series to u^4 is exact to 1e-10
        // relative below 0.01 (every realistic Q), the plain difference above.
        const double m = std::abs(u) < 0.01
                             ? u * (1.0 + 0.5 * u * (1.0 + u * (1.0 / 3.0) * (1.0 + 0.25 * u)))
                             : std::exp(u) - 1.0;
        const double inv = 0.5 / (1.0 + m);
        sh = m * (m + 2.0) * inv;
        excess = m * m * inv;
    }
    const double invD = 1.0 / (std::max(0.0, 1.0 + cos2) + excess);
    // a + jb = tanh of the complex electrical length.
    const double a = sh * invD;
    const double b = sin2 * invD;
    const Cx num{a + r, b + x};
    const Cx den{a * r - b * x + 1.0, a * x + b * r};
    // zo * num / den: the magnitude ratio at the angle difference.
    const double k = zo / (den.r * den.r + den.x * den.x);
    return {k * (num.r * den.r + num.x * den.x), k * (num.x * den.r - num.r * den.x)};
}

Cx losslessLine(Cx load, double zo, double theta, double c, double s) {
    const double invZo = 1.0 / zo;
    const double r = load.r * invZo;
    const double x = load.x * invZo;
    const Cx num{r * c, x * c + s};
    const Cx den{c - x * s, r * s};
    const double d2 = den.r * den.r + den.x * den.x;
    if (d2 > 0.0 && std::isfinite(d2)) {
        const double k = zo / d2;
        const Cx z{k * (num.r * den.r + num.x * den.x), k * (num.x * den.r - num.r * den.x)};
        if (std::isfinite(z.r) && std::isfinite(z.x)) return z;
    }
    return lineTransform(load, zo, theta, false, 1.0, c * c - s * s, 2.0 * s * c);
}

} // namespace tanvex::analysis
