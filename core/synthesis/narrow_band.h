// The narrow band designs: the reactance coupled bandpass ("Narrow band -
// reactance coupled bandpass" dialog: node or mesh coupling, Pi-coupled
// tubular and coaxial), and the narrow band notch.
#pragma once

#include "synthesis/builders.h"

#include <string>
#include <vector>

namespace tanvex::synthesis {

enum class NarrowMode { NaturalZo, EqualC, EqualL };

// The state the dialog shows and edits.
struct NarrowBandState {
    int variant = 0; // 0 node or mesh, 1 Pi-coupled tubular, 2 coaxial
    NarrowMode mode = NarrowMode::NaturalZo;
    bool fixed = false;      // "F&ixed": a typed value survives a recalculation
    char reference = 'P';    // resonators the typed value refers to: 'P' parallel, 'S' series
    double typedValue = 0.0; // the typed L or C (base units), 0 = none
    char typedKind = 0;      // 'L' or 'C' of the typed value
    double designZo = 0.0;
    // Results shown.
    double avgParallelL = 0, avgParallelC = 0, avgSeriesL = 0, avgSeriesC = 0;
    double terminationZo = 0.0;
    std::vector<std::string> comments;
};

// The dialog's window; the builder drives it. run() shows the state and
// returns when the engineer acts.
class NarrowBandView {
public:
    enum class Action { Recalculate, Exit, Help };
    virtual ~NarrowBandView() = default;
    virtual Action run(NarrowBandState& state) = 0;
};

// Builds the reactance coupled bandpass with the state's settings. Returns
// a result code; fills the averages, the termination Zo and the comments.
int buildNarrowBand(PrototypeContext& ctx, NarrowBandState& state);
// The dialog: builds, shows the view (none: accept the defaults), rebuilds
// on "&Re-Calculate", stores the design Zo in slot 7 on "e&Xit".
int narrowBandDialog(PrototypeContext& ctx, int variant, NarrowBandView* view);

// The narrow band notch.
int narrowBandNotch(PrototypeContext& ctx);

// The equalizing the narrow band builder applies, on any network of its
// shapes (the schematic editor's "Equal value" runs it on the present one):
// the `L` or `C` of every resonator (runs of shunt or of series L-C entries
// with single coupling entries between them) is made equal to the last
// resonator's by Norton transformations of the couplings. Returns 0 when
// done, with reference the index of the last resonator's element of that
// letter; -1 for a tubular network (shunt capacitors coupled by series
// capacitors and series inductors), whose shunt capacitors were made equal
// in pairs; 1 for any other shape and 2 when the equalizing did not settle
// (the list unchanged for both).
int equalizeResonators(EntryList& list, char letter, int& reference);
// The tubular form's pairwise equalizing alone: each series coupling
// capacitor between two shunt ones is Norton-transformed until the two
// sides agree. False (list unchanged) when a transformation is refused or
// the sweeps do not settle.
bool equalizeTubularPairs(EntryList& list);

} // namespace tanvex::synthesis
