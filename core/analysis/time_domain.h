// Time-domain response to a periodic pulse train by Fourier synthesis.
//
// The drive is a train of rectangular pulses of period T = 1/f0 and duty d
// (or spikes), optionally gating a carrier c. Its harmonics are known in
// closed form:
//
//   pulses   x(t) = d + sum_n a_n cos(2 pi n f0 t) + b_n sin(2 pi n f0 t),
//            a_n = sin(2 pi n d) / (n pi),  b_n = (1 - cos 2 pi n d) / (n pi)
//   spikes   every harmonic with the same weight
//
// Each harmonic is weighted by the filter's transfer at its frequency (one
// single-frequency analysis per harmonic) and the weighted harmonics are
// summed at every time sample of a page. A gated carrier x(t) cos(2 pi c t)
// has its lines at c + n f0: the carrier weighs 2 d (pulses) and the side
// bands n and -n weigh (a_n, b_n) and (a_n, -b_n) (the whole signal is
// scaled by 2 so that the side bands keep the weights of the video pulse).
// Side bands that fall below zero frequency are folded back (the transfer at
// -f is the conjugate of the transfer at f), and the envelope of the gated
// response is the magnitude of its complex baseband sum.
//
// Amplitudes are relative to the lossless matched transfer (an attenuation
// of 0 dB weighs 1).
#pragma once

#include "analysis/sweep.h"

#include <functional>
#include <string>
#include <vector>

namespace tanvex::analysis {

constexpr int kMaxHarmonicSpan = 600; // harmonics between the limits (601 lines)
constexpr double kMaxDuty = 0.995;
constexpr double kSpikeDuty = 0.0011; // a duty below this is a spike train

// The window's fields, frequencies in display units.
struct PulseTrain {
    double repRate = 2.0;    // f0
    double duty = 0.1;       // fraction of the period
    double carrier = 0.0;    // 0 = none
    double lower = 0.0;      // lowest harmonic frequency
    double upper = 0.0;      // highest harmonic frequency
    double reps = 1.0;       // periods per page
    double startDelay = 0.0; // fraction of a period, 0..1
    // With a carrier, side bands at or below zero frequency are folded back;
    // the limit shown is then the lowest line above zero, and the true lowest
    // side band is kept here so that settling the limits again keeps them.
    bool folded = false;
    double foldedLower = 0.0;
    double shownLower = 0.0;
    bool spike() const { return duty < kSpikeDuty; }
    bool gated() const { return carrier != 0.0; }
};

// The harmonic limits as adjusted for the pulse train.
struct HarmonicLimits {
    int below = 0;         // side bands below the carrier (carrier only)
    int above = 0;         // harmonics above the lower limit, or side bands above the carrier
    bool adjusted = false; // "Frequency limits adjusted to carrier +-300 sidebands"
};

// Settles train.lower and train.upper (and reads the first handed-over
// marker range, in hertz, which is then cleared). Returns false, with a
// message, when the repetition rate is not above zero.
bool adjustLimits(PulseTrain& train, double frequencyMultiplier, double& markerLowHz,
                  double& markerHighHz, HarmonicLimits& limits, std::string& message);

// "   %c%g   %c%g" or "  * No carrier *".
std::string sidebandText(const PulseTrain& train, const HarmonicLimits& limits);

struct Harmonic {
    double frequency = 0.0; // hertz; negative for a folded side band
    int index = 0;          // n (signed side band index with a carrier)
    double amplitude = 0.0; // |H| relative to the lossless match
    double phase = 0.0;     // radians, angle of H at |frequency|
    Cx weight{};            // complex weight Z: the line is Re(Z exp(j 2 pi f t))
};

struct HarmonicSet {
    std::vector<Harmonic> lines;
    double averageDelay = 0.0; // seconds, over lines with less than 10 dB loss
    double periodSeconds = 0.0;
    double carrierHz = 0.0; // 0 = video pulses
    bool spike = false;

    // The response at time t (seconds).
    double value(double t) const;
    // Complex baseband sum of a gated response (its magnitude is the envelope).
    Cx baseband(double t) const;
};

// One analysis per line. 0 done, 1 failed (a notice was shown), 2 aborted.
int computeHarmonics(const Design& design, ui::Toolkit& toolkit, DataServices& data,
                     const PulseTrain& train, const HarmonicLimits& limits, HarmonicSet& out,
                     const std::function<bool()>& aborted = {});

// One page: columns 0..N, min and max per column (equal without a carrier).
struct TimePage {
    int number = 1;
    double start = 0.0; // seconds, time of column 0
    double span = 0.0;  // seconds from column 0 to column N
    std::vector<double> low;
    std::vector<double> high;
    int columns() const { return static_cast<int>(low.size()) - 1; }
    double timeOf(int column) const { return start + column * span / columns(); }
};

// Page `number` (from 1) with N columns. The start delay is taken modulo one
// period; with a start delay the average delay is added so that the
// response stands where the pulse would.
void computePage(const HarmonicSet& set, const PulseTrain& train, int columns, int number,
                 TimePage& page);

// Vertical scale (value per pixel) for a half height of `halfHeight`
// pixels: starts at the kind's first scale, grows by 1.5 while the largest
// value would pass the edge, then shrinks by 2/3 while it fills less than a
// third. Values that are not finite are left out.
double verticalScale(const TimePage& page, double reference, int halfHeight, bool spike,
                     bool gated);

// Time per division: the 1-2-5 value below T/5 (so a period spans more than
// five divisions).
double timePerDivision(double periodSeconds);

// Reference line modes.
enum class ReferenceMode { kZero = 0, kAverage = 1, kStart = 2 };
double referenceLevel(const TimePage& page, ReferenceMode mode, const HarmonicSet& set);

} // namespace tanvex::analysis
