// Small operations on the design shared by every part of the program.
#pragma once

#include "design/design_record.h"

namespace tanvex {

// Q convention: a Q below 0.1 (typed as 0) means infinite and is stored as 1e11.
constexpr double kInfiniteQ = 1e11;
double normalizeQ(double q);

// Whole-number rounding: the integer part (toward zero), plus 1 when x is
// positive with an integer part of at least 1 and a fractional part above
// 0.5. Exactly .5 rounds down; any x below 1 gives 0; negative x truncates.
double wholeNumberRound(double x);

// Removes entry i, moving entries i+1 .. last down by one and clearing the
// old slot `last`. last is the index of the last entry in use (normally the
// terminator, entry count + 1).
void removeEntryAt(EntryList& list, int i, int last);

// The reference frequency of the design in hertz: the terminator's value,
// with 0 read as 1.
double referenceFrequency(const EntryList& list);

// Re-applies the notation stored in the record (slot 19's mechanical unit,
// inches when none, storing '0'; slot 16's electrical digit, V.H.F. when
// none). Returns the electrical notation applied.
int reapplyStoredNotation(Design& design);

} // namespace tanvex
