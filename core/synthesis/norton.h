// The Norton transformation of one ladder element.
//
// An element (or a parallel L-C resonator in the series arm) is replaced by
// the rescaled element, two new elements of the same kind in the opposite
// connection and an ideal transformer of impedance ratio r. The transformer is
// absorbed by impedance-scaling everything on the termination side; the two
// new elements are merged into neighbouring elements of the same kind where no
// element of the other connection stands in between, else inserted next to
// the transformed element. The response is unchanged apart from the impedance
// level at the termination end, which is multiplied by r.
#pragma once

#include "design/network.h"
#include "ui/toolkit.h"

namespace tanvex::synthesis {

enum class NortonResult {
    Done,      // the list was transformed
    Unchanged, // r <= 0 or r == 1: nothing to do
    Refused,   // not a transformable element (or no room for the new entries)
};

// Transforms entry i of list with impedance ratio r. A refusal beeps through
// tk when one is given and leaves the list untouched.
NortonResult nortonTransform(EntryList& list, int i, double r, ui::Toolkit* tk = nullptr);

// Whether a walk looking for a neighbour to absorb a new element stops at
// this connection code; the set depends on the transformed element's code
// (2 shunt; 3 or 5 series).
bool nortonStops(int transformedCode, int code);

// Impedance scaling of entries last down to first: L, M, R and Z multiplied
// by k, C divided by k; a side-port termination (code 8) is scaled and ends
// the walk.
void nortonImpedanceScale(EntryList& list, int first, int last, double k);

} // namespace tanvex::synthesis
