// The transmission-line transform shared by every line and stub of the
// network program: the input impedance of a line of characteristic impedance
// zo and electrical length theta terminated in load.
#pragma once

#include "analysis/complex_pair.h"
#include "analysis/trig.h"

#include <algorithm>
#include <cmath>

namespace tanvex::analysis {

// Loads used by the stub instructions.
constexpr Cx kShortLoad{0.0, 0.0};
constexpr Cx kOpenLoad{1e22, 0.0};
constexpr Cx kOpenLoad2{2e22, 0.0};

// Inline: the sweep's inner loop calls these for every line and stub.
namespace line_detail {

// A lossless line keeps the loss of the factor 1.0000001 in place of
// exp(theta / qt): about 1e-7 neper, enough to hold a quarter-wave short finite.
// sinh u and 2 sinh^2(u/2) of that loss u.
inline const double kLosslessSh = std::sinh(std::log(1.0000001));
inline const double kLosslessExcess = 2.0 * std::pow(std::sinh(0.5 * std::log(1.0000001)), 2);

// tanh of the complex electrical length u + j theta as (n.r + j n.x) / d, with
// d > 0. With m = e^u - 1: sinh u = m (m + 2) / (2 (1 + m)), and the
// denominator cos 2t + cosh u is written as (1 + cos 2t) + m^2 / (2 (1 + m)),
// so that it never cancels to zero or below near a quarter wave (where
// 1 + cos 2t vanishes) even when u is far below the rounding of 1: the line
// stays passive at every length. Both parts are multiplied by 2 (1 + m), which
// leaves the quotient alone and saves the divisions.
struct Tanh {
    Cx n;
    double d;
};

// invQt is 1 / Qt (used when lossy).
inline Tanh lineTanh(double theta, bool lossy, double invQt, double cos2, double sin2) {
    const double half = std::max(0.0, 1.0 + cos2);
    if (!lossy) return {{kLosslessSh, sin2}, half + kLosslessExcess};
    const double u = theta * invQt;
    // e^u - 1 without cancellation: the series to u^4 is exact to 1e-10
    // relative below 0.01 (every realistic Q), the plain difference above.
    const double m = std::abs(u) < 0.01
                         ? u * (1.0 + 0.5 * u * (1.0 + u * (1.0 / 3.0) * (1.0 + 0.25 * u)))
                         : std::exp(u) - 1.0;
    const double w = 2.0 * (1.0 + m);
    return {{m * (m + 2.0), sin2 * w}, w * half + m * m};
}

inline Tanh lineTanh(double theta, bool lossy, double invQt) {
    double sin2 = 0.0;
    double cos2 = 0.0;
    sinCos(2.0 * theta, sin2, cos2);
    return lineTanh(theta, lossy, invQt, cos2, sin2);
}

// zo (load + zo tanh) / (zo + load tanh), numerator and denominator both
// multiplied by d: one division.
inline Cx throughLine(Cx load, double zo, const Tanh& t) {
    const Cx num{load.r * t.d + zo * t.n.r, load.x * t.d + zo * t.n.x};
    const Cx den{zo * t.d + load.r * t.n.r - load.x * t.n.x, load.r * t.n.x + load.x * t.n.r};
    const double k = zo / (den.r * den.r + den.x * den.x);
    return {k * (num.r * den.r + num.x * den.x), k * (num.x * den.r - num.r * den.x)};
}

} // namespace line_detail

// Input impedance of the line. A lossy line attenuates theta / (2 qt) nepers;
// a lossless one uses the fixed factor 1.0000001 in place of exp(theta / qt),
// which leaves a loss of about 1e-7 neper and keeps a quarter-wave short
// finite. The line is passive at every length.
inline Cx lineTransform(Cx load, double zo, double theta, bool lossy, double qt, double cos2,
                        double sin2);
inline Cx lineTransform(Cx load, double zo, double theta, bool lossy, double qt) {
    double sin2 = 0.0;
    double cos2 = 0.0;
    sinCos(2.0 * theta, sin2, cos2);
    return lineTransform(load, zo, theta, lossy, qt, cos2, sin2);
}

// The same with cos(2 theta) and sin(2 theta) already known.
inline Cx lineTransform(Cx load, double zo, double theta, bool lossy, double qt, double cos2,
                        double sin2) {
    return line_detail::throughLine(
        load, zo, line_detail::lineTanh(theta, lossy, lossy ? 1.0 / qt : 0.0, cos2, sin2));
}

// The sweep's forms, with invQt = 1 / Qt known: a line into a load, and a
// stub into a short (zo tanh) or an open end (zo coth) of the complex
// electrical length.
inline Cx loadedLine(Cx load, double zo, double theta, bool lossy, double invQt) {
    return line_detail::throughLine(load, zo, line_detail::lineTanh(theta, lossy, invQt));
}

inline Cx shortedLine(double zo, double theta, bool lossy, double invQt) {
    const line_detail::Tanh t = line_detail::lineTanh(theta, lossy, invQt);
    const double k = zo / t.d;
    return {k * t.n.r, k * t.n.x};
}

inline Cx openLine(double zo, double theta, bool lossy, double invQt) {
    // zo d conj(n) / |n|^2.
    const line_detail::Tanh t = line_detail::lineTanh(theta, lossy, invQt);
    const double k = zo * t.d / (t.n.r * t.n.r + t.n.x * t.n.x);
    return {k * t.n.r, -k * t.n.x};
}

// The lossless line of a series path (code 23, and lines in a side port):
// zo (ZL cos t + j zo sin t) / (zo cos t + j ZL sin t) with c = cos t and
// s = sin t, exactly lossless, so that the transfer its caller computes from
// the voltage ratio of the line conserves power. Only where that has no
// value (a reactive load that resonates the line) it falls back to the
// 1.0000001 line above, which keeps the result finite.
inline Cx losslessLine(Cx load, double zo, double theta, double c, double s) {
    const Cx num{load.r * c, load.x * c + zo * s};
    const Cx den{zo * c - load.x * s, load.r * s};
    const double d2 = den.r * den.r + den.x * den.x;
    if (d2 > 0.0 && std::isfinite(d2)) {
        const double k = zo / d2;
        const Cx z{k * (num.r * den.r + num.x * den.x), k * (num.x * den.r - num.r * den.x)};
        if (std::isfinite(z.r) && std::isfinite(z.x)) return z;
    }
    return lineTransform(load, zo, theta, false, 1.0, c * c - s * s, 2.0 * s * c);
}

} // namespace tanvex::analysis
