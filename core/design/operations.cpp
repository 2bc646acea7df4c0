#include "design/operations.h"

#include <cmath>

namespace tanvex {

double normalizeQ(double q) {
    return (q < 0.1 || std::isnan(q)) ? kInfiniteQ : q;
}

double wholeNumberRound(double x) {
    if (std::isnan(x)) return 0.0;
    if (x < 1.0) return x < 0.0 ? std::trunc(x) : 0.0;
    double whole = std::trunc(x);
    return x - whole > 0.5 ? whole + 1.0 : whole;
}

void removeEntryAt(EntryList& list, int i, int last) {
    if (i < 0 || i >= kEntrySlots) return;
    if (last >= kEntrySlots) last = kEntrySlots - 1;
    for (int k = i; k < last; ++k) list[k] = list[k + 1];
    if (last >= i) list[last] = NetEntry{};
}

double referenceFrequency(const EntryList& list) {
    int n = entryCount(list);
    if (n + 1 >= kEntrySlots) return 1.0;
    double f = list[n + 1].value;
    return f == 0.0 ? 1.0 : f;
}

int reapplyStoredNotation(Design& design) {
    ParamSlot& mech = design.record[kSlotMechUnit];
    if (mech.letter >= '0' && mech.letter <= '3') {
        applyMechanicalUnit(design.notation, kUnitInch + (mech.letter - '0'));
    } else {
        mech.letter = '0';
        applyMechanicalUnit(design.notation, kUnitInch);
    }
    char e = design.record[kSlotNotation].letter;
    int n = (e >= '1' && e <= '6') ? e - '0' : kDefaultNotation;
    applyElectricalNotation(design.notation, n);
    return n;
}

} // namespace tanvex
