// Transfer functions of the standard library families and their ladders.
//
// Every family is an all-pole lowpass H(s) = E(0)/E(s), normalized so that its
// attenuation is 3.0103 dB at 1 rad/s:
//   '1' BESS   Bessel (Thomson): E is the reverse Bessel polynomial, maximally
//              flat group delay.
//   '2' LPH05  linear phase with equiripple phase error of 0.05 degree: E
//              found by a Remez exchange on the phase error against a
//              linear phase of unit slope (the phase condition at each
//              reference frequency is linear in E's coefficients).
//   '3' GAUS   Gaussian: 1/|H(jW)|^2 is the Taylor series of exp(W^2)
//              truncated after the W^(2N) term.
//   '4' GTO6   transitional Gaussian to 6 dB and
//   '5' GTO12  to 12 dB: 1/|H|^2 is the polynomial of degree N in W^2 that
//              interpolates the Gaussian attenuation exp(W^2 ln 2) at N equally
//              spaced points up to 6 (12) dB; beyond, the response falls off
//              like an N-pole Butterworth.
//   '6' LEGEN  Legendre (Papoulis optimum L): 1/|H|^2 = 1 + L_N(W^2), L_N the
//              integral of a squared Legendre series (steepest cut-off of any
//              monotonic response).
// E comes from the left-half-plane roots of |E(jW)|^2 where the family gives
// only the magnitude. The ladder is the Darlington synthesis of H between
// equal 1 ohm terminations (symmetrical) or from a current source
// (asymmetrical, source resistance 1e20), shunt capacitor at the source end.
#pragma once

#include "design/network.h"
#include "synthesis/ladder_extraction.h"

#include <string>

namespace tanvex::synthesis {

// E(s) of the family (response digit '1'..'6') of order n, E(0) = 1, 3 dB at
// 1 rad/s. Empty for an unknown digit or an order outside 1..10 (the phase
// design of LPH05 is only made for 2..10).
Poly libraryDenominator(char responseDigit, int n);

// The linear-phase denominator with its phase design: delay is the slope of
// the ideal phase (seconds at 1 rad/s) and band the normalized frequency up to
// which the phase error stays within errorDegrees.
Poly linearPhaseDenominator(int n, double errorDegrees, double& delay, double& band);

// The library ladder of the family.
LadderResult libraryLadder(char responseDigit, int n, bool symmetrical);

// Writes the ladder as a design: entry 0 = 1 ohm termination, the elements
// (C code 2, L code 3), the source, the terminator at 1/(2 pi) Hz (1 rad/s).
void libraryNetwork(const LadderResult& ladder, EntryList& list);

// The design-file text of a library design (symmetry '1' symmetrical, '2'
// asymmetrical); false when the family cannot be made at this order.
bool libraryFileText(char responseDigit, int n, char symmetry, std::string& text);

// Attenuation in dB of H(s) = E(0)/E(s) at W rad/s; phase in radians.
double allPoleLossDb(const Poly& e, double omega);
double allPolePhase(const Poly& e, double omega);

} // namespace tanvex::synthesis
