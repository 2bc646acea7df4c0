// Elliptic (Cauer) lowpass responses and their ladders.
//
// Method. The selectivity k = 1/Omega_s follows from the order N, the ripple
// factor eps and the stopband factor eps_s by the degree equation
//     K(k)/K'(k) = N K(k1)/K'(k1),   k1 = eps/eps_s,
// with the complete elliptic integrals from the arithmetic-geometric mean; the
// complementary modulus k' is then obtained from its nome
// q' = exp(-pi K(k)/K'(k)) by the Jacobi theta series
// k' = (theta2(q')/theta3(q'))^2, which converges in a handful of terms.
// The reflection zeros of the elliptic rational function R_N are
// sn(2iK/N, k) (odd N) or sn((2i-1)K/N, k) (even N), sn from the descending
// Landen (AGM) recursion, and its poles - the transmission zeros - are
// 1/(k sn(.)). R_N(1) = +-1 fixes the constant.
//
// Even orders are not realisable as an L-C ladder in their plain form (no
// zero at infinity). Two frequency transformations in w = Omega^2, both
// keeping the band edge w = 1 in place:
//   unequal terminations: w' = w (1 - 1/wm) / (1 - w/wm), sending the
//     highest transmission zero wm to infinity (two zeros at infinity);
//   equal terminations:   w' = (w - w1)(1 - 1/wm) / ((1 - w1)(1 - w/wm)),
//     also moving the lowest reflection zero w1 to DC, so R(0) = 0.
// The ladder then follows by Darlington synthesis (ladder_extraction.h); the
// zeros are extracted in the placer's automatic order (highest zeros at the
// ends, the one nearest the passband in the middle) and, should an element
// come out negative, in the other orders until all are positive.
#pragma once

#include "synthesis/ladder_extraction.h"

#include <vector>

namespace tanvex::synthesis {

enum class EllipticForm {
    Odd,         // odd N, equal terminations, one zero at infinity
    EvenUnequal, // even N, transformed, unequal terminations
    EvenEqual,   // even N, transformed, equal terminations
};

struct EllipticResponse {
    bool ok = false;
    int n = 0;
    double ar = 0, amin = 0;
    EllipticForm form = EllipticForm::Odd;
    double k = 0;      // selectivity of the untransformed function
    double omegaS = 0; // stopband edge of this form (attenuation reaches Amin)
    Real eps = 0;
    std::vector<Real> zeros;         // finite transmission zeros of this form, ascending
    Poly f, p;                       // characteristic function F/P of this form
    FactoredPoly fFactors, pFactors; // the same, factored
};

// Complete elliptic integral of the first kind, given the complementary modulus
// kc = sqrt(1 - k^2): K(k) = pi / (2 agm(1, kc)).
Real ellipticKc(Real kc);
// Jacobi sn(u, k) (k < 1), kc its complementary modulus.
Real jacobiSn(Real u, Real k, Real kc);

EllipticResponse ellipticResponse(int n, double ar, double amin, EllipticForm form);

// The frequency in [1, omegaS] at which the response's attenuation equals
// as (secant iteration from omegaS^0.2); 1 when as equals ar.
double ellipticBandEdgeScale(const EllipticResponse& r, double as);

// Ladder of the response: doubly terminated (source 1 for the equal forms,
// the required resistance for EvenUnequal) or, with singly, fed from an
// infinite source resistance through the generalized Chebyshev function of the
// same transmission zeros.
// The arithmetic is __float128 first and multiprecision (precision 1, then
// 2) when the analysed ladder does not match the response to within
// kEllipticLadderTolerance (ladderDeviationDb); the result is the first
// ladder that does, else the __float128 one. When the automatic zero order
// gives a negative element with the arithmetic sound, the other orders are
// searched at that precision (ellipticOrderSearch); stats, when given, tells
// what that search did (orders 0 when it did not run).
LadderResult ellipticLadder(const EllipticResponse& r, bool singly, LadderSearch* stats = nullptr);
// One attempt: precision 0 (__float128), 1 or 2 (about 60 or 120 decimal
// digits); the automatic zero order only, or with otherOrders the search
// over the others when an element comes out negative.
LadderResult ellipticLadderAt(const EllipticResponse& r, bool singly, int precision,
                              bool otherOrders, LadderSearch* stats = nullptr);
// The first zero order, lexicographically by the ascending zeros, whose
// ladder has no negative element (searchLadderFactored). The search
// abandons an order at its first negative element, which rules out all
// orders that begin the same way: for the designs with stopband edges down
// to 1.005 it examines all orders within a few hundred extraction steps; it
// is cut short after kEllipticSearchSteps steps at precision 0 (half that
// at 1, a quarter at 2), about 0.1 s.
LadderResult ellipticOrderSearch(const EllipticResponse& r, bool singly, int precision,
                                 LadderSearch* stats = nullptr);
// The ladder has N positive elements and matches the response.
bool ellipticLadderHolds(const LadderResult& lad, const EllipticResponse& r);
// A negative element with the arithmetic sound (division remainders at
// rounding level): a property of the zero order, not of the precision.
bool ellipticLadderNegative(const LadderResult& lad);
constexpr double kEllipticLadderTolerance = 1e-5;
constexpr long kEllipticSearchSteps = 20000;

// Largest deviation of the ladder's analysed attenuation from 10 log(1 +
// |F/P|^2), relative to 1 + the wanted attenuation, over the passband and
// the stopband from omegaS to 4 omegaS: an independent check that the
// extraction kept its precision.
double ladderDeviationDb(const LadderResult& lad, const FactoredPoly& f, const FactoredPoly& p,
                         double omegaS);
// 10 log(1 + |F/P|^2) at omega from the factors.
double factoredLossDb(const FactoredPoly& f, const FactoredPoly& p, double omega);

} // namespace tanvex::synthesis
