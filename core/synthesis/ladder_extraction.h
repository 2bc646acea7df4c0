// Lowpass ladder synthesis from a characteristic function (Darlington's method).
//
// A lossless lowpass ladder between a 1 ohm termination and a source is fixed
// by its transducer function H(s) = E(s)/P(s) and its characteristic function
// K(s) = F(s)/P(s), tied by the Feldtkeller equation
//     E(s)E(-s) = F(s)F(-s) + P(s)P(-s).
// P(s) carries the transmission zeros: a factor s^2 + W^2 for every finite zero
// W (rad/s) on the j axis; the zeros at infinity are the degree deficit of P.
//
// The steps, each a routine below:
//   1. E(s) from the left-half-plane roots of F F* + P P* (roots found in the
//      variable w = Omega^2, then polished by Newton steps on the original
//      polynomial);
//   2. the impedance seen from the termination end: (E + F)/(E - F) or its
//      reciprocal for a doubly terminated ladder, Ee/Eo (even over odd part of
//      E) for a ladder fed from a current source (source resistance infinite);
//   3. element extraction from the termination end: poles at infinity by long
//      division (series L, shunt C); a finite zero W by zero shifting, that is a
//      partial removal of the preceding shunt C (series L) that makes the
//      remainder vanish at s = jW, followed by the full removal of the pole at
//      jW as a parallel L-C tank in the series arm (series L-C in shunt).
//
// All polynomial work is done in long double (64-bit mantissa). With that, the
// element values of ladders up to about order 20 come out to better than 1e-9;
// every division by s^2 + W^2 returns its remainder so callers can tell how
// well the arithmetic held.
#pragma once

#include <complex>
#include <string>
#include <vector>

namespace tanvex::synthesis {

using Real = long double;
using Complex = std::complex<Real>;
// Polynomial in s with real coefficients, ascending powers: c[0] + c[1] s + ...
using Poly = std::vector<Real>;

// ---- polynomial helpers -------------------------------------------------
void polyTrim(Poly& p);
Poly polyMul(const Poly& a, const Poly& b);
Poly polyAdd(const Poly& a, const Poly& b);
Poly polySub(const Poly& a, const Poly& b);
Poly polyScale(const Poly& a, Real k);
// p(-s)
Poly polyMirror(const Poly& p);
Poly polyEvenPart(const Poly& p);
Poly polyOddPart(const Poly& p);
Complex polyEval(const Poly& p, Complex s);
int polyDegree(const Poly& p);
// Divides p by s^2 + w; returns the quotient and stores the remainder's
// largest coefficient magnitude relative to p's largest in *residual.
Poly polyDivQuadratic(const Poly& p, Real w, Real* residual = nullptr);
// All complex roots (Aberth iteration, then Newton polishing).
std::vector<Complex> polyRoots(const Poly& p);
// Monic product of (s - r) over the roots; the imaginary parts of the result
// (rounding only, for roots in conjugate pairs) are dropped.
Poly polyFromRoots(const std::vector<Complex>& roots);

// ---- Darlington synthesis -----------------------------------------------

// The polynomial whose squared magnitude on the j axis is qw(Omega^2), with
// its roots in the left half plane (strict) or on or left of the j axis.
// Empty when qw's leading term is not positive or, strict, a root lies on the
// j axis.
Poly spectralFactorW(const Poly& qw, bool strict);
// |p(jW)|^2 as a polynomial in w = W^2.
Poly magnitudeInW(const Poly& p);

// The Hurwitz polynomial E(s) with E E* = F F* + P P* (positive leading term).
// Returns an empty polynomial when F F* + P P* has a root on the j axis.
Poly hurwitzFromFeldtkeller(const Poly& f, const Poly& p);

// One section of the ladder, from the termination end. Codes are those of the
// lowpass prototype: 2 shunt C, 3 series L, 4 shunt series L-C (zero at
// omega), 5 series-arm parallel L-C (zero at omega). A code 2 (3) directly
// before a code 5 (4) is removed partially, shifting a zero to that section's
// omega; otherwise it removes the whole pole at infinity.
struct LadderSection {
    int code = 0;
    Real omega = 0; // transmission zero of codes 4 and 5, rad/s
};

struct LadderElement {
    double value = 0.0;  // C (code 2), L (code 3), L of the branch (codes 4, 5)
    double value2 = 0.0; // C of the branch (codes 4, 5)
    int code = 0;
};

struct LadderResult {
    bool ok = false;
    std::string error;
    std::vector<LadderElement> elements; // from the termination end
    double source = 0.0;                 // source resistance, 1e20 when infinite
    double worstResidual = 0.0;          // largest relative division remainder
    bool negative = false;               // some element came out negative
};

// Extracts the given sections from Z = num/den (the impedance seen from the
// termination end). singly: the ladder ends in an open circuit (source 1e20);
// else the remainder must be a resistance, returned as the source.
LadderResult extractLadder(Poly num, Poly den, const std::vector<LadderSection>& sections,
                           bool singly);

// Ladder for the characteristic function F/P and transmission zeros:
// finiteZeros are the arm resonances W (rad/s) in extraction order from the
// termination end, each realised as a code-5 arm between shunt capacitors;
// infinityZeros is 1 (shunt C at both ends) or 2 (a series L at the
// termination end, shunt C at the source end) when finite zeros are present,
// and the order N for an all-pole ladder (alternating L and C, shunt C at the
// source end). singly selects a source of infinite resistance.
LadderResult synthesizeLadder(const Poly& f, const Poly& p, const std::vector<Real>& finiteZeros,
                              int infinityZeros, bool singly);

// A polynomial kept in factored form, constant * s^originPower * prod(s^2 +
// squares[i]), so that it can be multiplied out in full precision.
struct FactoredPoly {
    Real constant = 1;
    int originPower = 0;
    std::vector<Real> squares;
};

// The same with F and P given by their factors: the preferred form for sharp
// responses, where coefficients rounded to long double would no longer
// describe the zeros they came from.
LadderResult synthesizeLadderFactored(const FactoredPoly& f, const FactoredPoly& p,
                                      const std::vector<Real>& finiteZeros, int infinityZeros,
                                      bool singly);

// Ladder of the generalized Chebyshev function of the transmission zeros
// (any order) with the given number of zeros at infinity and ripple factor
// eps; extractionOrder lists the same zeros in extraction order from the
// termination end. This is the lowpass synthesis a pole placer hands its
// zeros to.
LadderResult synthesizeGeneralizedChebyshev(const std::vector<Real>& zeros,
                                            const std::vector<Real>& extractionOrder,
                                            int infinityZeros, Real eps, bool singly);

// synthesizeLadderFactored carried in more digits than __float128: about
// 60 decimal digits at precision 1, 120 at precision 2 (software
// multiprecision, some ten times slower), with E(s) found on the factored
// F F* + P P*. For the sharpest elliptic responses - high orders with a
// transition band of a few tenths of a percent - whose extraction loses more
// digits than __float128 holds.
LadderResult synthesizeLadderFactoredPrecise(const FactoredPoly& f, const FactoredPoly& p,
                                             const std::vector<Real>& finiteZeros,
                                             int infinityZeros, bool singly, int precision);

// What an order search did: zero orders examined (built, or ruled out by a
// negative element in the part they share with an order already tried),
// pairs of sections extracted, and whether every order was examined (false
// when the step limit cut the search short).
struct LadderSearch {
    long orders = 0;
    long steps = 0;
    bool complete = false;
};

// The ladder of synthesizeLadderFactored (same form, same element values)
// for the first order of the zeros, in lexicographic order of their indices
// in zerosAscending, that has no negative element: a depth-first search that
// abandons an order at its first negative element together with all orders
// beginning the same way, and finds E once. At most stepLimit shunt C /
// tank pairs are extracted. Not ok ("every zero order has a negative
// element") when no order has all elements positive.
LadderResult searchLadderFactored(const FactoredPoly& f, const FactoredPoly& p,
                                  const std::vector<Real>& zerosAscending, int infinityZeros,
                                  bool singly, long stepLimit, LadderSearch* stats = nullptr);
// The same in multiprecision (precision 1 or 2 as synthesizeLadderFactoredPrecise).
LadderResult searchLadderFactoredPrecise(const FactoredPoly& f, const FactoredPoly& p,
                                         const std::vector<Real>& zerosAscending, int infinityZeros,
                                         bool singly, int precision, long stepLimit,
                                         LadderSearch* stats = nullptr);

// The same with E(s) already known (E E* = F F* + P P*).
LadderResult synthesizeLadderFromE(const Poly& e, const Poly& f, const Poly& p,
                                   const std::vector<Real>& finiteZeros, int infinityZeros,
                                   bool singly);

// Generalized Chebyshev characteristic function with prescribed transmission
// zeros (the recursion of Cameron in the lowpass variable): the equiripple
// function of degree 2*finite + infinityZeros that swings between -1 and 1 on
// |Omega| <= 1 and has poles at +-finiteZeros[i]. Returns F(s) and P(s) with
// |F(jW)/P(jW)| = eps |C(W)|.
void generalizedChebyshev(const std::vector<Real>& finiteZeros, int infinityZeros, Real eps,
                          Poly& f, Poly& p);

// Attenuation 10 log10(1 + |F(jW)/P(jW)|^2) in dB.
double characteristicLossDb(const Poly& f, const Poly& p, double omega);

// The order in which a placer extracts n finite zeros by default: n, n-2,
// ... down to 1 or 2, then the remaining indices upward (1-based). With the
// zeros sorted ascending this keeps the zero nearest the passband in the
// middle of the ladder.
std::vector<int> automaticZeroSequence(int n);

// ---- General ladders: both arms, poles at infinity and at DC --------------
//
// The extraction above generalised for ladders with elements that remove
// poles at DC (series C, shunt L) as well as at infinity, and resonators in
// either arm. A basic element with omega > 0 is removed partially so that the
// remainder vanishes at j omega (zero shifting for the resonator after it).

enum class GeneralArm { SeriesL, ShuntC, SeriesC, ShuntL, SeriesTank, ShuntTank };

struct GeneralSection {
    GeneralArm arm = GeneralArm::SeriesL;
    Real omega = 0; // resonators: the zero; basic elements: the zero shifted to, or 0
};

struct GeneralElement {
    GeneralArm arm = GeneralArm::SeriesL;
    double value = 0.0;  // L or C; resonators: the L
    double value2 = 0.0; // resonators: the C
    double omega = 0.0;  // resonators: 1/sqrt(L C)
};

struct GeneralLadder {
    bool ok = false;
    std::string error;
    std::vector<GeneralElement> elements; // from the termination end
    double source = 0.0;                  // 1e20 when infinite
    double worstResidual = 0.0;
    bool negative = false;
};

// An equiripple (generalized Chebyshev) response by its transmission zeros.
// Lowpass: passband |w| <= 1, finite zeros at +-finite[i], inf zeros at
// infinity (dc unused). Bandpass: passband w1..w2 (rad/s, best normalized to
// sqrt(w1 w2) = 1), dc zeros at DC, inf at infinity (dc + inf even), finite
// zeros at +-finite[i] outside the band. eps: ripple factor.
struct ChebyshevSpec {
    bool bandpass = false;
    Real w1 = 1, w2 = 1;
    int dc = 0, inf = 0;
    std::vector<Real> finite;
    Real eps = 0.1;
};

// The same response prepared for many evaluations (the solver's inner loop):
// each term x = a(w)/b(w) with quadratic a and b, in double precision.
class ChebyshevEvaluator {
public:
    explicit ChebyshevEvaluator(const ChebyshevSpec& spec);
    double value(double omega) const;
    double lossDb(double omega) const;

private:
    struct Term {
        double a0, a1, a2, b0, b1, b2;
    };
    std::vector<Term> terms_;
    double eps_ = 0;
};

// Degree of the response (2 per finite zero, 1 per zero at DC or infinity).
int chebyshevDegree(const ChebyshevSpec& spec);
// C(w): equiripple between -1 and 1 in the band(s), |C| >= 1 outside.
double chebyshevValue(const ChebyshevSpec& spec, double omega);
// 10 log10(1 + eps^2 C(w)^2), dB.
double chebyshevLossDb(const ChebyshevSpec& spec, double omega);
// F(s), P(s) with |F(jw)/P(jw)| = eps |C(w)|, P = s^dc prod(s^2 + z^2).
void chebyshevPolynomials(const ChebyshevSpec& spec, Poly& f, Poly& p);
// Extracts the sections from the termination end (doubly terminated with a
// resistive source, or fed from a current source when singly).
GeneralLadder synthesizeGeneral(const ChebyshevSpec& spec,
                                const std::vector<GeneralSection>& sections, bool singly);

} // namespace tanvex::synthesis
