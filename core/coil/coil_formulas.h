// The physics of an air-wound single-layer solenoid of round wire: wire
// gauges, Nagaoka's coefficient, Rosa's round-wire correction, the turns for
// an inductance, the approximate unloaded Q and Medhurst's self-capacitance.
// Lengths are inches, inductances microhenries, frequencies megahertz.
#pragma once

namespace tanvex::coil {

// Diameter in inches of American Wire Gauge number `gauge` (fractional
// gauges allowed): 0.46 / 92^((gauge + 3) / 39).
double awgDiameter(double gauge);

// Turns per inch of a wire of diameter d wound with its turns touching.
inline double closewoundPitch(double d) {
    return 0.93 / d;
}

// A wire chosen by one number: a gauge when the entry is 1 or more, else a
// diameter in inches (gauge 0).
struct Wire {
    double diameter = 0.0;
    int gauge = 0;
    double closewound = 0.0; // turns per inch
};
Wire wireFromEntry(double x);

// Nagaoka's coefficient of a current sheet with length-to-diameter ratio x.
// The fits stay within 2e-4 of the elliptic-integral value for x from 0.1 to
// 60 and within 0.3 % for x from 0.05 to 0.1.
double nagaokaK(double x);
// The same from one named polynomial set (0: x < 1, b <= 50; 1: x < 1,
// b > 50; 2: x > 1, b <= 50; 3: x > 1, b > 50), for checking the joins.
double nagaokaPolynomial(int set, double x);

// Rosa's correction B(N) for the mutual inductance of N round turns; within
// 1e-3 of the exact strip sum below 60 turns and 4e-3 above (a change of
// the inductance far below the fits' 1e-4 in K for any such coil).
double rosaB(double n);

// Inductance (microhenries) of N turns of wire diameter d wound over length
// l at mean radius r: Nagaoka's current sheet less Rosa's correction.
double coilInductance(double l, double r, double d, double n);

// Turns that give `required` microhenries at fixed l, r, d, starting from n.
struct TurnsResult {
    double turns = 0.0;
    double inductance = 0.0; // at `turns`
    bool converged = false;
};
// The iteration n <- n sqrt(required / L(n)) converges in a handful of
// passes for any sensible coil; it gives up after kMaxTurnsPasses, or as
// soon as the inductance stops being positive and finite.
constexpr int kMaxTurnsPasses = 200;
TurnsResult turnsForInductance(double required, double l, double r, double d, double n);

// Factor Phi of the approximate unloaded Q, from the spacing ratio c (turns
// per inch over closewound) and the length-to-diameter ratio y; 0 outside
// the table (y < 0, c > 1 or c < 0.1).
double qFactorPhi(double c, double y);

// Medhurst's distributed capacitance of a coil of length l and mean radius
// r, in picofarads times 1e-18 (so that microhenries times it is H x F).
double distributedCapacitance(double l, double r);

// Self-resonant frequency in hertz of la microhenries with cd from above.
double selfResonance(double la, double cd);

} // namespace tanvex::coil
