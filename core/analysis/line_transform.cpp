#include "analysis/line_transform.h"

#include <cmath>

namespace tanvex::analysis {

namespace {

// The lossless factor and its reciprocal. Both reciprocals are taken in
// double precision: rounded to single precision, (e + 1/e)/2 can fall below 1,
// which is no cosh at all, and within about 1e-4 rad of every quarter wave the
// line then shows a negative resistance (a short stub turned into a source).
constexpr double kLosslessE = 1.0000001;
constexpr double kLosslessEInv = 1.0 / kLosslessE;

} // namespace

Cx lineTransform(Cx load, double zo, double theta, bool lossy, double qt) {
    return lineTransform(load, zo, theta, lossy, qt, std::cos(2.0 * theta), std::sin(2.0 * theta));
}

Cx lineTransform(Cx load, double zo, double theta, bool lossy, double qt, double cos2,
                 double sin2) {
    const double invZo = 1.0 / zo;
    const double r = load.r * invZo;
    const double x = load.x * invZo;
    const double e = lossy ? std::exp(theta / qt) : kLosslessE;
    const double eInv = lossy ? 1.0 / e : kLosslessEInv;
    const double sh = (e - eInv) / 2.0;
    const double ch = (e + eInv) / 2.0;
    const double invD = 1.0 / (cos2 + ch);
    // a + jb = tanh of the complex electrical length.
    const double a = sh * invD;
    const double b = sin2 * invD;
    const Cx num{a + r, b + x};
    const Cx den{a * r - b * x + 1.0, a * x + b * r};
    // zo * num / den: the magnitude ratio at the angle difference.
    const double k = zo / (den.r * den.r + den.x * den.x);
    return {k * (num.r * den.r + num.x * den.x), k * (num.x * den.r - num.r * den.x)};
}

} // namespace tanvex::analysis
