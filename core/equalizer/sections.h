// Equalizer sections: constant-resistance bridged-T networks that the
// network program analyses with its own group codes.
//
// Every section is the unbalanced equivalent of a symmetric lattice whose
// arms Za and Zb satisfy Za * Zb = R^2, so that terminated in R it presents
// R at its input at every frequency and can be cascaded with any design
// whose end impedance is R. Bartlett's bisection gives the bridged-T: series
// arms Z1, bridge Z3 and shunt arm Z4 with Za = Z1 || Z3/2 and
// Zb = Z1 + 2 Z4.
//
//  - First-order all-pass (delay 2/w0 at DC, falling): Za = jwL with
//    L = R/w0, Zb = 1/(jwC) with C = L/R^2. Code 12: a centre-tapped coil of
//    2L (perfect coupling), the shunt arm 2C to ground; no bridge.
//  - Second-order all-pass (delay peak 4Q/w0 at f0): Za = La || Ca with
//    La = R/(w0 Q), Ca = Q/(w0 R). For Q > 1 code 10 (uncoupled coils):
//    arms La, bridge Ca/2, shunt arm (La/2)(Q^2 - 1) in series with 2La/R^2.
//    For Q <= 1 code 12: a centre-tapped coil of 2La, bridge Ca/2, shunt arm
//    R^2 Ca/2 in series with 2La/R^2.
//  - Amplitude (loss bump at f0): resistive arms R, bridge Z3 a coil La with
//    its series resistance R3 in parallel with Ca, shunt arm Z4 = R^2/Z3 =
//    (R^2/R3 || La/R^2) + R^2 Ca; code 51. The loss is 20 log|1 + Z3/R|:
//    about peakDb at f0, 20 log(1 + R3/R) at DC, 0 dB far above f0.
#pragma once

#include "design/network.h"

namespace tanvex::equalizer {

enum class SectionKind { kAllPass1 = 1, kAllPass2 = 2, kAmplitude = 3 };

struct Section {
    SectionKind kind = SectionKind::kAllPass2;
    double f0 = 1.0;     // hertz: the pole frequency (centre of the bump or delay peak)
    double q = 1.0;      // second-order and amplitude sections
    double peakDb = 1.0; // amplitude sections: the loss at f0
};

// Entries the section's group takes in the network entry list.
int sectionSize(const Section& s);
// Writes the section as one group at list[at ..] for the impedance r;
// returns the number of entries written.
int writeSection(EntryList& list, int at, const Section& s, double r);

// The section's own response in closed form (the fitter's start values):
// group delay in seconds and loss in dB at f hertz.
double sectionDelay(const Section& s, double f);
double sectionLossDb(const Section& s, double f, double r);

const char* sectionName(SectionKind kind); // "all-pass 1", "all-pass 2", "amplitude"

} // namespace tanvex::equalizer
