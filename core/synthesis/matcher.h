// The impedance matcher: rebuilds one end of a bandpass so that the
// filter's end resistance Rd is transformed to the source or termination
// impedance Rl, by a few elements merged into the end resonator or by an
// ideal transformer. The method is remembered per end in the letters of
// slots 8 (source) and 9 (termination):
//   X no matching, x not chosen yet (the method dialog is asked for),
//   A..E, T at an end whose last resonator is in shunt (parallel end),
//   F, G, H at an end whose last resonator is in series (series end).
// The termination end is matched by turning the network end for end,
// matching its source end and turning it back.
//
//   MatchPresets presets;
//   MatchResult r = matchEnd(design, 0, false, presets);
//   if (r.status == MatchStatus::Applied) ... r.line() "Source end: method A (50 -> 20 Ohms)"
#pragma once

#include "design/design_record.h"
#include "design/network.h"
#include "ui/toolkit.h"

#include <string>
#include <vector>

namespace tanvex::synthesis {

inline constexpr const char* kMatcherTitle = "Select an impedance matching method";
inline constexpr const char* kInvalidOption = "** Invalid option **";
inline constexpr const char* kNoValidMethods = "No valid matching methods!";
inline constexpr const char* kIncompatibleCircuit = "MATCHER--> Incompatible circuit: ";
inline constexpr const char* kIncompatibleRatio =
    "MATCHER--> Incompatible design / load Zo ratio on the";
inline constexpr const char* kParallelMethods = "ABCDET";
inline constexpr const char* kSeriesMethods = "FGH";

enum class EndKind { None, Parallel, Series };

// The values of method E typed in the matcher dialog: the inductance of the
// end resonator and the series (tap) capacitor; 0 leaves the choice to the
// matcher.
struct MatchPresets {
    double l = 0.0;
    double cs = 0.0;
};

// One end as the matcher sees it, always at the top of a (possibly turned)
// entry list: the end resonator at n-2, n-1 and the end resistor at n.
struct EndFacts {
    EndKind kind = EndKind::None;
    bool ratioOk = false;
    double rd = 0.0, rl = 0.0, w0 = 0.0;
    double le = 0.0, ce = 0.0;
    std::string refusal; // the check's message when the end cannot be matched
};

// One method worked out at one end; nothing is applied.
struct MatchPlan {
    char method = 0;
    bool ok = false;
    // Entries replacing the end resonator, in list order (network side
    // first); the end resistor follows with Rl.
    std::vector<NetEntry> entries;
    std::string note; // method E: the tap's intermediate impedance
};

enum class MatchStatus {
    Applied,     // the method was applied; the end resistor holds Rl
    None,        // X (or x without a dialog): the end is left alone
    NeedsDialog, // x and a dialog is wanted
    Refused,     // the end checks failed; the letter is now X
    Failed,      // the stored method's values are not realizable
};

struct MatchResult {
    MatchStatus status = MatchStatus::None;
    int end = 0;
    char method = 0;
    double rd = 0.0, rl = 0.0;
    std::string message;
    // "Source end: method A (50 -> 20 Ohms)", the refusal, or the none lines.
    std::string line() const;
};

// Turns the network end for end: groups 1..n-1 in reverse order (each keeps
// its entries), termination and source values exchanged, transformer ratios
// inverted. Refuses (false, list untouched) networks holding side ports,
// Q exceptions, reference markers or groups whose inner order is directed.
bool turnNetwork(EntryList& list);

// The facts of end 0 (source) or 1 (termination) of the design.
EndFacts endFacts(const Design& design, int end);
// The same for the top end of a list, matching to rl.
EndFacts topEndFacts(const EntryList& list, double rl, int end);

// Works out a method at an end. A method of the other end kind is not ok.
MatchPlan planMethod(const EndFacts& facts, char method, const MatchPresets& presets);
// The same from the design: method E with a preset inductance first brings
// the end section to that inductance (its note then tells what the second
// section was).
MatchPlan planAtEnd(const Design& design, int end, char method, const MatchPresets& presets);

// Whether the end resistor already has the impedance of the end (equal to
// within a relative 1e-5): a not yet chosen method (x) then asks nothing.
bool endNeedsNoMatch(const Design& design, int end);

// Applies the remembered method of an end; any refusal of the end checks
// sets the end's letter to X. A failing method changes nothing (the caller
// decides between the dialog and X).
MatchResult matchEnd(Design& design, int end, bool dialog, const MatchPresets& presets);

// The method dialog as the matcher drives it.
class MatcherView {
public:
    virtual ~MatcherView();
    // Shows the dialog for an end with a message line ("" or "** Invalid
    // option **"); the presets may be edited. Returns the method letter
    // picked (X for none) or 0 for Bypass.
    virtual char choose(Design& design, int end, MatchPresets& presets,
                        const std::string& message) = 0;
};

// The whole matcher of one end: applies the stored method, opens the view
// while the letter is x (when a view is given), reopens it with "** Invalid
// option **" when the picked method fails, and reports refusals through the
// toolkit. Without a view, x means no matching and a failing method sets X.
MatchResult runMatcher(Design& design, int end, ui::Toolkit& toolkit, MatcherView* view,
                       MatchPresets& presets);

} // namespace tanvex::synthesis
