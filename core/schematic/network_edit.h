// Edits of the network entry list shared by the schematic editor's
// commands: the group map, inserting and deleting runs of entries and the
// pair conversion. (Scaling, the dual and the value range report are the
// design model's: design/operations.h.)
#pragma once

#include "design/design_record.h"
#include "ui/toolkit.h"

#include <string>
#include <vector>

namespace tanvex::schematic {

// Group map over entries 0 .. n: the group's size at its first entry, 0 for
// middle entries and -1 for the last entry of a group of two or more.
std::vector<signed char> buildGroupMap(const EntryList& list);
// First and last entry of the group that holds entry i (0 <= i <= n).
int groupStart(const std::vector<signed char>& map, int i);
int groupEnd(const std::vector<signed char>& map, int i);

constexpr int kEditLimit = 145; // an insertion into a longer list is refused
// The resistor of a code-48 group that stands for none: small enough to
// leave the response alone, not zero, and removable by Delete.
constexpr double kNoResistor = 1e-80;

// Inserts count copies of the given entries after entry `after`, moving the
// rest of the list (terminator included) up. Refuses with the notice "Edit
// memory full" (and returns false, the list unchanged) when the list would
// grow past its limit.
bool insertEntries(EntryList& list, int after, const std::vector<NetEntry>& entries,
                   ui::Toolkit& toolkit);
// Deletes entries first .. last, moving the rest (terminator included) down.
void deleteEntries(EntryList& list, int first, int last);

// Conversion of the four-entry code-28 group at g (or its code-27 dual)
// into two code-4 (code-5) resonator pairs. Returns false when the entries
// do not have that shape or no real equivalent exists (the list unchanged).
// A series form is converted through its dual about entry 0's value, which
// must be positive.
bool groupToPairs(EntryList& list, int g);

// Turns the network end for end: the groups (each with the Q exceptions in
// front of it) in reverse order, source and termination values swapped, a
// transformer ratio inverted and a single reference-frequency marker moved
// to the front. A network with a side port (codes 8, 9), a Q change (53) or
// a Q exception in front of a group of several entries is refused and left
// as it was; kMarkersLeft: turned, but several markers stay where they are.
enum class ReverseResult { kDone, kRefused, kMarkersLeft };
ReverseResult reverseNetwork(EntryList& list);

// The value unit of an entry's letter in the design's notation.
const UnitBlock& unitOf(const Notation& notation, char letter);

} // namespace tanvex::schematic
