#include "analysis/line_transform.h"

#include <cmath>

namespace tanvex::analysis {

Cx lineTransform(Cx load, double zo, double theta, bool lossy, double qt) {
    const double r = load.r / zo;
    const double x = load.x / zo;
    const double e = lossy ? std::exp(theta / qt) : 1.0000001;
    const double eInv = static_cast<float>(1.0 / e);
    const double sh = (e - eInv) / 2.0;
    const double ch = (e + eInv) / 2.0;
    const double d = std::cos(2.0 * theta) + ch;
    // a + jb = tanh of the complex electrical length.
    const double a = sh / d;
    const double b = std::sin(2.0 * theta) / d;
    const Cx num{a + r, b + x};
    const Cx den{a * r - b * x + 1.0, a * x + b * r};
    // zo * num / den: the magnitude ratio at the angle difference.
    const double dd = den.r * den.r + den.x * den.x;
    return {zo * (num.r * den.r + num.x * den.x) / dd, zo * (num.x * den.r - num.r * den.x) / dd};
}

} // namespace tanvex::analysis
