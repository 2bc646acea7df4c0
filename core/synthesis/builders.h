// The network builders: each turns the lowpass prototype and the design
// parameters into the current design's network entry list and answers with
// a synthesis result code.
//
// Result codes: 0 success, 2 negative values in the design, 3 inappropriate
// reference lowpass, 4 not implemented, 5 a parameter at fault (slot 21's
// letter names it), -1 reopen the parameters, -2 open the termination
// matcher, -3 re-issue the last command, -4 aborted, -5 / -6 open the
// coaxial dimensions window (rod / coil form).
#pragma once

#include "design/design_record.h"
#include "synthesis/prototype.h"

#include <string>
#include <vector>

namespace tanvex::synthesis {

enum BuildResult {
    kBuildOk = 0,
    kBuildNegative = 2,
    kBuildBadReference = 3,
    kBuildNotImplemented = 4,
    kBuildFault = 5,
    kBuildReopen = -1,
    kBuildTerminationMatcher = -2,
    kBuildReissue = -3,
    kBuildAborted = -4,
    kBuildCoaxialRod = -5,
    kBuildCoaxialCoil = -6,
};

// ---- Shared pieces ----------------------------------------------------------
// The two resonant frequencies of a transformed L-C branch (w_a * w_b = 1):
// v = 1/sqrt(L C) (bandpass) or sqrt(L C) (notch, inverse set), v /= 2Q.
void resonatorSplit(bool inverse, const PrototypeElement& element, double q, double& wa,
                    double& wb);
// Writes entry 0 (1 ohm), the source resistance at index n and the terminator
// 1/(2 pi) after it.
void writeNormalizedEnds(EntryList& list, int n, double source);
// Dual-transforms entries 1..n when the source-end element does not have the
// connection the configuration asks for (parallel: wantShunt).
void orientNetwork(EntryList& list, bool wantShunt, int lastPrototypeCode);
// Band edges from the arithmetic centre and bandwidth: f0 = sqrt(f1 f2).
double geometricCentre(double fo, double bw);
// Any element value below zero among entries 1..n-1.
bool hasNegativeValues(const EntryList& list);

// ---- Builders -----------------------------------------------------------------
// mode 0 lowpass, 1 highpass, 2 coaxial coil, 3 coaxial rod.
int lowpassLadder(PrototypeContext& ctx, int mode);
// mode 0 normal, 1 without the impedance scaling.
int directBandpass(PrototypeContext& ctx, int mode);
// Direct scaled notch; mode 1 leaves out the impedance scaling.
int directNotch(PrototypeContext& ctx, int mode = 0);
int resistorPad(PrototypeContext& ctx);
int linearPhaseBandpass(PrototypeContext& ctx);
int fiveResonatorElliptic(PrototypeContext& ctx);
// The five resonator elliptic's coupling iteration on the present network:
// Norton steps (factors 0.9, then 0.97) at every series coupling capacitor
// that lower the value spread. 1 when the network has no such coupling.
int ellipticCouplingIteration(EntryList& list);
int zigzagBandpass(PrototypeContext& ctx);
// General TEM stub notch (Richards' transformation; configuration "SP", or
// "K" for shunt stubs coupled by unit elements, N up to 3).
int temStubNotch(PrototypeContext& ctx);
// Wideband direct connected bandpass: short-circuited stubs in shunt joined
// by unit elements, synthesised exactly in Richards' variable (configuration
// "SP"; S gives the dual, open stubs in the series arm).
int wideBandDirectConnected(PrototypeContext& ctx);
// Capacitively coupled stub notch: open stubs coupled to a main line of
// quarter-wave unit elements through series capacitors (narrow-band design).
int capCoupledStubNotch(PrototypeContext& ctx);

// The distributed notch: n open stubs in shunt (normalized admittances, from
// the load end) joined by n - 1 unit elements (normalized impedances), all a
// quarter wave at the centre, synthesised exactly from the equiripple
// characteristic of the structure (ar = 0: maximally flat), the attenuation
// as at theta1 (the passband edge's electrical length). The load is 1, the
// source 1 / source. False when the synthesis does not hold to 1e-8 dB.
struct DistributedNotch {
    std::vector<double> stub, line;
    double source = 1;
    double tc = 0, kflat = 0; // ripple edge; Butterworth constant
};
bool distributedNotch(int n, double ar, double as, double theta1, DistributedNotch& out);
// Transducer loss in dB, at the electrical length theta, of a normalized
// ladder (load 1, source 1 / source) of shunt stubs (normalized admittances,
// from the load end; shorted or open) joined by unit elements.
double stubLadderLossDb(const std::vector<double>& stub, const std::vector<double>& line,
                        double source, bool shorted, double theta);
// Its loss in dB at the electrical length theta.
double distributedNotchLossDb(int n, double ar, double kflat, double tc, double theta);
// Narrow-band TEM bandpass: combline (16), open-line and short-circuited-line
// interdigital (18, 20), coaxial dielectric resonator (24).
int temNarrowBand(PrototypeContext& ctx);
// The line admittances of such a network for the parameter report.
std::vector<std::string> temNarrowReport(const Design& design);
// Parameter report lines of the TEM line designs (types 19, 21, 22): every
// stub and unit element with its impedance, admittance and length.
std::vector<std::string> temLineReport(const Design& design);

// Five-element equivalent ((L1 || C1) + L3) || L4 + C5 of a four-element
// shunt section (code 28 group at index i) as a code 48 group. ratio: the
// ratio L4 / L3 of the shunt branch inductors; secondL > 0 prescribes L3
// instead. Returns false when no equivalent exists ("Dipole error").
bool dipoleEquivalent(EntryList& list, int i, double ratio, double secondL = 0);

} // namespace tanvex::synthesis
