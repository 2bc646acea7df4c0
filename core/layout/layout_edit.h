// Edits of the layout program's design: splitting a capacitor or inductor
// into two parts in parallel, the sits-on link of a series chip, and copying
// a part description to the branches of the same value.
#pragma once

#include "layout/layout_design.h"
#include "layout/materials.h"

namespace tanvex::layout {

enum class SplitResult {
    Done,
    NotPart,     // not a C or L branch in 1..n-1
    WrongType,   // "Can't split that type"
    NotPositive, // the part typed is 0 or negative
    Negative,    // "Ngative value": the other part would be negative
    WholeValue,  // the part equals the whole: the other would be 0 or infinite
    TooBig,      // the list has no room for another entry
};

// The other part of a split: whole - part for a capacitor, the inductance in
// parallel with part that gives whole for an inductor.
double otherPart(char letter, double whole, double part);

// Splits branch i into part (base units) and the other part, in parallel:
// a shunt element (code 2) becomes two shunt elements, a series element
// (code 3) a code-5 pair, a code-4 branch a code-6 branch and a code-5 arm a
// code-15 arm with the split element as the parallel pair. Both parts lose
// their description (it was for the whole value) and are marked changed;
// every sits-on link to a branch beyond the split point moves with it. The
// design is marked modified. Nothing changes unless the result is Done.
SplitResult splitBranch(LayoutDesign& d, int i, double part);

enum class SitsOnResult {
    Set,
    Cleared,
    NotSeries,    // "Series caps only"
    OnInductor,   // "It can't sit on and inductor!"
    NotShuntChip, // the target is not a shunt capacitor in 1..n-1 other than i
};
// target > 0 links series chip i to shunt chip target; target < 0 clears the link.
SitsOnResult setSitsOn(LayoutDesign& d, int i, int target);

// True when branch i is in the series arm (its group moves the main line on).
bool isSeries(const BranchRecord& b);

// Copies branch i's description, by the rule, to every other branch of the
// same letter whose value lies within 0.5 % of it (for a hairpin, whose line
// impedance lies within 0.5 % too and whose line frequency is the same).
// Returns the number of branches that received it; they are marked changed.
int duplicatePart(LayoutDesign& d, int i, DuplicateRule rule);

} // namespace tanvex::layout
