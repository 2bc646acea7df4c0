// Complex quantities of the network analysis: (R, X) pairs of doubles, in
// ohms (or siemens once turned into an admittance). The operations are kept
// to the few the network program uses, written out so that every step of the
// arithmetic is the program's own.
#pragma once

#include <cmath>

namespace tanvex::analysis {

struct Cx {
    double r = 0.0;
    double x = 0.0;
};

inline Cx operator+(Cx a, Cx b) {
    return {a.r + b.r, a.x + b.x};
}
inline Cx operator-(Cx a, Cx b) {
    return {a.r - b.r, a.x - b.x};
}
inline Cx scaled(Cx a, double k) {
    return {a.r * k, a.x * k};
}

inline double magnitude(Cx a) {
    return std::sqrt(a.r * a.r + a.x * a.x);
}
inline double magnitudeSquared(Cx a) {
    return a.r * a.r + a.x * a.x;
}
inline double angle(Cx a) {
    return std::atan2(a.x, a.r);
}

// Impedance <-> admittance: (R, X) -> (R/(R^2+X^2), -X/(R^2+X^2)).
inline Cx reciprocal(Cx a) {
    const double inv = 1.0 / (a.r * a.r + a.x * a.x);
    return {a.r * inv, -a.x * inv};
}

// Rectangular form of a magnitude and an angle.
inline Cx fromPolar(double mag, double ang) {
    return {mag * std::cos(ang), mag * std::sin(ang)};
}

// Products and quotients taken in polar form (magnitudes multiplied, angles
// added), as the delta-wye steps do them.
inline Cx polarProduct(Cx a, Cx b) {
    return fromPolar(magnitude(a) * magnitude(b), angle(a) + angle(b));
}
inline Cx polarQuotient(Cx a, Cx b) {
    return fromPolar(magnitude(a) / magnitude(b), angle(a) - angle(b));
}

} // namespace tanvex::analysis
