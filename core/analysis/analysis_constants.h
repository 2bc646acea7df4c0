// Constants of the network analysis arithmetic.
#pragma once

namespace tanvex::analysis {

// omega = kOmega * f (f in hertz).
constexpr double kOmega = 6.283185307179586476925286766559;
// Attenuation in dB = -kDb * lambda (lambda in nepers): 20 / ln 10.
constexpr double kDb = 8.6858896380650365530225783783321;
// Degrees per radian as the angle unit block holds it.
constexpr double kDegreesPerRadian = 57.29578;
// Stands for an infinite Q, and the value a Q typed as 0 is stored as.
constexpr double kInfiniteQ = 1e11;
// Q of an element whose own Q (code 44) is 0 or less.
constexpr double kNoLossQ = 1e33;
// Reactance of a capacitor of value 0 (an open circuit).
constexpr double kOpenReactance = 1e33;

// A Q below 0.1 means infinite.
inline double normalisedQ(double q) {
    return q < 0.1 ? kInfiniteQ : q;
}

} // namespace tanvex::analysis
