// The pole placer: an equiripple response with transmission zeros placed by
// hand or by the solver against a mask of corner frequencies and required
// attenuations, and the ladder that realises it, extracted zero by zero in a
// chosen order with chosen sub-network codes.
//
// Mode 1 is the conventional bandpass (zeros at DC, at infinity and at finite
// frequencies in hertz; design type 23), mode 2 the lowpass prototype at
// 1 rad/s (zeros at infinity and finite zeros in rad/s; reference kind 6).
#pragma once

#include "design/design_record.h"
#include "synthesis/ladder_extraction.h"
#include "synthesis/prototype.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace tanvex::synthesis {

constexpr int kPlacerMax = 10; // mask points, finite zeros, sequence length

struct PlacerState {
    int dataMode = 0; // 1 or 2: the mode the data was made for, 0 none
    int maskCount = 0;
    int sectionsBelow = 0, sectionsAbove = 0;
    int degree = 0;
    int finiteCount = 0;
    int dcZeros = 0; // mode 1 only
    int infZeros = 0;
    int sequenceState = 0; // 0 none, 1 chosen, 2 modify requested
    std::array<int, kPlacerMax> sequence{};
    int sequenceLength = 0;
    int handedOver = 0; // the elliptic prototype drives the placer
    int maskType = 0;   // 0 none, 1 bandpass, 2 lowpass
    int maskFromMarkers = 0;
    std::array<double, kPlacerMax> maskDb{}, maskFreq{};
    std::array<double, kPlacerMax> zeros{};
    // Characteristic polynomials of the last synthesis (ascending powers of
    // s, normalized frequency): F, P and E, degree + 1 rows.
    std::vector<std::array<double, 3>> polys;
    std::string lastCodes = "*";
};

// The .ppd form: number 0 mode, 1 mask points, 2 zeros at DC, 3 zeros at
// infinity, 4 degree, 5 finite zeros, 6 sequence length, 7 sequence state,
// 8 mask type, 9 mask from markers; table A the mask (dB, frequency), table
// B the polynomials, table C (sequence entry, finite zero); the title line
// the last codes.
PlacerState placerFromFile(const PolePlacerData& data);
PolePlacerData placerToFile(const PlacerState& state);

// The pass band the placer works against. Mode 1: f1, f2 in hertz; mode 2:
// 0..1 rad/s.
struct PlacerBand {
    int mode = 2;
    double ripple = 0.1;
    double f1 = 0, f2 = 1;
};
PlacerBand placerBand(const DesignRecord& rec, int mode);

// The response of the current zeros (frequency in hertz or rad/s).
ChebyshevSpec placerSpec(const PlacerState& st, const PlacerBand& band);
double placerLossDb(const PlacerState& st, const PlacerBand& band, double f);

// Mask rows sorted and counted into stopband sections below and above the
// band. Returns "" or the message that refuses the mask.
std::string normalizeMask(PlacerState& st, const PlacerBand& band);

struct MaskRow {
    double worstFreq = 0; // where the attenuation is least in the row's section
    double atten = 0;     // attenuation there
    double margin = 0;    // atten - required
};
std::vector<MaskRow> evaluateMask(const PlacerState& st, const PlacerBand& band);
double worstMargin(const std::vector<MaskRow>& rows);

// "Make LP Placer mask?": the stopband markers (hertz, required dB) mapped
// onto the normalized lowpass of the design's response (lowpass, highpass,
// bandpass or notch) become the lowpass mask, marked as made from markers.
// Returns "" or "No stopband markers!" / "Marker misplaced" (nothing
// changed then).
std::string lowpassMaskFromMarkers(PlacerState& st, const DesignRecord& rec,
                                   const std::vector<std::pair<double, double>>& markers);

// A typed finite zero: "" when acceptable, else the reason.
std::string checkZero(double f, const PlacerBand& band);

// One correction pass: moves the finite zeros to raise the least margin.
void correctionPass(PlacerState& st, const PlacerBand& band);
// "&Solve": correction passes, adding zeros while the mask is not met. log
// receives one line per pass (the zeros). Returns 0 met, 1 "Too many zeros",
// 2 nothing to add (beep), 3 no mask.
int solvePlacer(PlacerState& st, const PlacerBand& band,
                const std::function<void(const std::string&)>& log);
// The finite zeros "%9.4f" each, frequencies multiplied by unitScale.
std::string zerosLine(const PlacerState& st, double unitScale = 1.0);
// Sorts the finite zeros upwards; the stored sequence follows its zeros.
void sortZeros(PlacerState& st);

// Zero sequence: the automatic order, and a typed one ("" when refused).
std::vector<int> parseSequence(const std::string& text, int n, bool* ok);

// Sub-network codes.
std::string finiteOrderText(const PlacerState& st, const PlacerBand& band);
// "" and the codes, or " Not programmed, do it manually." for mode 1 with
// more than four extreme zeros.
std::string automaticCodes(const PlacerState& st, const PlacerBand& band, int mode,
                           std::string* message);
struct CodeCheck {
    bool ok = false;
    std::string message;
    int markerAt = -1; // the offending code, for the End Zo message
};
CodeCheck validateCodes(const std::string& codes, const PlacerState& st, const PlacerBand& band,
                        int mode);

// Synthesis of the ladder. Elements from the termination end.
struct PlacerLadder {
    bool ok = false;
    std::string error;
    bool negative = false;
    GeneralLadder ladder;
    double worstDeviationDb = 0; // ladder analysed against the response
    double scaleOmega = 1;       // mode 1: the normalizing radian frequency
};
PlacerLadder synthesizePlacer(PlacerState& st, const PlacerBand& band, int mode,
                              const std::string& codes, bool singly);

// Mode 1: the network entry list (impedance zo, frequency-scaled); mode 2:
// the lowpass prototype with element 0's code 6.
void writePlacerNetwork(const PlacerLadder& lad, EntryList& list, double zo);
void writePlacerPrototype(const PlacerLadder& lad, LowpassPrototype& lp, double ripple,
                          int termination);

// 3 dB points: mode 2 one frequency ("? " when it does not converge), mode 1
// both edges and the bandwidth.
std::string threeDbPoints(const PlacerState& st, const PlacerBand& band, double unitScale = 1.0);
// Listing of the response "from, to, step" (step < 0: -step points);
// frequencies shown multiplied by unitScale.
std::vector<std::string> placerListing(const PlacerState& st, const PlacerBand& band, double from,
                                       double to, double step, double unitScale = 1.0);
// The "--- POLE PLACER DATA ---" block (bandpass frequencies multiplied by
// unitScale, the display unit per hertz).
std::vector<std::string> placerReport(const PlacerState& st, double unitScale = 1.0);

// What the placer asks of the engineer; every hook unset takes the dialog's
// default (exit and synthesize, automatic sequence, automatic codes).
struct PlacerUi {
    // The placer dialog: 0 exit and synthesize, 27 quit.
    std::function<int(PlacerState&, const PlacerBand&, int mode)> dialog;
    std::function<std::vector<int>(const PlacerState&, const std::vector<int>& automatic)> sequence;
    // Returns the codes, or "" to abort.
    std::function<std::string(const PlacerState&, const PlacerBand&, int mode)> codes;
    std::function<void(const std::string&)> log;
};

// The prompts of the placer through the toolkit: the zero sequence (Enter
// automatic, L the last, or typed indices; refused entries beep and ask
// again; Esc-like empty answers take the automatic one) and the code entry
// (digits, A automatic, R the last codes; an empty answer aborts with "").
std::vector<int> zeroSequencePrompt(ui::Toolkit& tk, const PlacerState& st,
                                    const std::vector<int>& automatic);
std::string codeEntryPrompt(ui::Toolkit& tk, const PlacerState& st, const PlacerBand& band,
                            int mode);
// The interactive hooks (sequence and codes) on a toolkit.
PlacerUi toolkitPlacerUi(ui::Toolkit& tk);

// "run placer": 0 done, 5 fault index set, 27 quit, 1 nothing computed (file
// access off), 2 negative values.
int runPlacer(PrototypeContext& ctx, int mode, const PlacerUi& ui);

// Design type 23.
int polePlacerBuilder(PrototypeContext& ctx, const PlacerUi& ui);

} // namespace tanvex::synthesis
