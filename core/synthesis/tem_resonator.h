// Coupled-resonator TEM bandpass filters (combline, interdigital, coaxial
// dielectric resonator): the network as a chain of short-circuited resonator
// lines with loading capacitors, coupled by lines or capacitors, its exact
// lossless evaluation, the narrow-band design from the prototype g values
// (admittance inverters), and the refinement that makes the analysed
// passband the design's.
#pragma once

#include "design/network.h"
#include "synthesis/prototype.h"

#include <complex>
#include <functional>
#include <vector>

namespace tanvex::synthesis::tem {

// How two neighbouring nodes (or a termination and its node) are coupled.
enum class Coupling {
    UnitElement,   // a line in the series path (interdigital pair), code 23
    ShortedSeries, // a short-circuited stub in series (combline pair), code 17
    OpenSeries,    // an open-circuited stub in series (open-line end), code 19
    Capacitor,     // a series capacitor, code 3
    Inductor,      // a series inductor, code 3
    EndLine,       // a short-circuited end line coupled by Coupling `line` (SCTL)
    Tap,           // the termination tapped onto the end resonator
};

// The structure: what the builder fixes before the design.
struct Structure {
    int n = 0;                                // resonators
    double fo = 0;                            // the lines' reference frequency (hertz)
    double theta0 = 0;                        // resonator length at fo (radians)
    double rl = 50;                           // termination at entry 0
    double rs = 50;                           // source
    Coupling line = Coupling::UnitElement;    // between resonators (k = 1..n-1)
    std::vector<Coupling> inner;              // per coupling 1..n-1 when not all `line`
    Coupling loadEnd = Coupling::Capacitor;   // coupling 0
    Coupling sourceEnd = Coupling::Capacitor; // coupling n
    std::vector<double> level; // total line admittance of resonator k (1..n), index k-1
    bool equalLines = false;   // the level is the resonator's total (self + mutual)
    // Cp at every node; else tuning by line length. A resonator whose
    // couplings leave more capacitance at its node than it needs is tuned
    // by its length instead.
    bool loadingCapacitors = true;
    double resonatorLead = 0; // series inductance of each resonator line
    double tapLead = 0;       // series inductance of a tap
    double endLine = 0;       // self admittance of an SCTL end line (0: 1/R)
};

// The design values: everything the refinement may change.
struct Values {
    std::vector<double> tune; // Cp (farad) or line length (radians), per resonator
    std::vector<char> loaded; // per resonator: 1 tuned by Cp, 0 by its length
    std::vector<double> k;    // coupling 0..n: admittance (lines), farad, henry,
                              // or for a tap its distance from the short (radians)
};

// One element of the chain, in entry order (load end first).
struct Element {
    int code = 0;
    double z = 0;     // line impedance, or C / L value
    double theta = 0; // line length at fo (radians)
    double lead = 0;  // code 20: series inductance
    char letter = 0;  // 'C' or 'L' for lumped ones
};

// The chain the structure and values make; false when an element would not
// be positive and finite.
bool buildChain(const Structure& s, const Values& v, std::vector<Element>& chain);

// Reflection at the source end and transducer loss (dB) at f.
struct Response {
    std::complex<double> gamma;
    double lossDb = 0;
};
Response evaluate(const std::vector<Element>& chain, double fo, double rl, double rs, double f);

// The narrow-band design: resonators synchronously tuned at fo, inverters
// J(k,k+1) = w sqrt(b_k b_k+1 / (g_k g_k+1)) from the slope parameters b.
// g: g0..g(n+1) of an all-pole prototype; f1, f2 the band edges.
bool narrowBandDesign(const Structure& s, const std::vector<double>& g, double f1, double f2,
                      Values& v);

struct Target;
// The narrow-band design for band edges moved so that the design's own edges
// (where its loss reaches the target's edge loss) land on the target's: a
// few corrections of the design band by the edges' errors.
bool edgeCorrectedDesign(const Structure& s, const Target& t, Values& v);

// What the refinement aims at.
struct Target {
    std::vector<double> g; // the prototype's g0..g(n+1)
    double f1 = 0, f2 = 0; // band edges, where the loss is edgeDb
    double edgeDb = 0;     // prototype loss at its band edge
    double ripple = 0;     // > 0: equiripple (Chebyshev) passband of this ripple
    bool tuneEach = true;  // every resonator's tuning free, else one common factor
};
// Moves the values until the passband is the prototype's: for an equiripple
// target the ripple maxima equal the ripple, the minima are perfect matches
// and the loss at f1 and f2 is edgeDb; otherwise the mapped prototype's
// passband is followed in the least-squares sense. Returns the remaining
// residual (reflection magnitude); infinite when an equiripple target was
// out of reach from the start values (they then follow the prototype's
// passband as closely as they can).
double refine(const Structure& s, const Target& t, Values& v);

// Where the equiripple conditions have no solution: moves the values until
// no ripple peak rises above the ripple and the loss at f1 and f2 is
// edgeDb, the minima left free (a passband within the design's ripple with
// its edges in place). Returns the remaining residual.
double settle(const Structure& s, const Target& t, Values& v);

// How far the passband of the values is from the target, in units of the
// tolerances: the largest of |largest loss between f1 and f2 - edgeDb| /
// 0.05 dB and |edge position error| / (1 % of the bandwidth); below 1 the
// passband is within them. Infinite for values that make no network.
double passbandScore(const Structure& s, const Values& v, const Target& t);

// Residuals at x; probe: a small step for the Jacobian (what the last full
// evaluation found may be reused).
using Residuals = std::function<bool(const std::vector<double>&, std::vector<double>&, bool probe)>;
// Levenberg-Marquardt on the residuals (forward-difference Jacobian, steps
// clamped to 0.5 per unknown); x holds the start and the result. Returns the
// residuals' norm, infinite when the start has none.
double levenbergMarquardt(std::vector<double>& x, const Residuals& fn, int iterations);

// Loss (dB) of the all-pole prototype g0..g(n+1) at normalized frequency w.
double prototypeLossDb(const std::vector<double>& g, double w);

// Writes the chain as entries 1..; the ends and the terminator fo. False when
// the list cannot hold it.
bool writeChain(EntryList& list, const std::vector<Element>& chain, double rl, double rs,
                double fo);

} // namespace tanvex::synthesis::tem
