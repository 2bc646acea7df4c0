// The network entry list: the circuit as an ordered list of element entries,
// from the termination (entry 0) towards the source, closed by the terminator.
#pragma once

#include <array>
#include <cstdint>

namespace tanvex {

// One element entry. Its value is in base SI units (henry, farad, ohm, hertz,
// radian, plain ratio) or a parameter of the group it belongs to.
struct NetEntry {
    double value = 0.0;
    char letter = 0;
    std::int32_t code = 0;
};

constexpr int kEntrySlots = 151;     // fixed array, never reallocated
constexpr int kMaxLoadEntries = 150; // entries 0..149 may be loaded from a file

using EntryList = std::array<NetEntry, kEntrySlots>;

// Connection code vocabulary. kNoDual marks a group without a dual.
constexpr int kNoDual = -1;
constexpr int kMaxGroupCode = 52;

// Entries a group of this code occupies (0 for codes without a group).
int groupSize(int code);
// Main-line nodes the group moves forward: 0 shunt, 1 series.
int nodeAdvance(int code);
// Dual code, or kNoDual.
int dualCode(int code);

// n: the index of the source, the first entry from index 1 whose code is 1.
// Returns kEntrySlots - 1 when no such entry exists (a list never loaded).
int entryCount(const EntryList& list);

void setEntry(EntryList& list, int index, double value, char letter, int code);

// Resets the list to a new, empty design: {0,R,1}, {0,R,1}, {0,x,1}.
void newDesign(EntryList& list);

} // namespace tanvex
