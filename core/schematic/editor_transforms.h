// The equivalent-network transforms of the schematic editor, on the network
// entry list alone (no prompts): each works on a copy and writes the list
// back only when it succeeds, so a refusal leaves the list exactly as it
// was. None stores an infinite, NaN or zero L or C: an element that vanishes
// (a series L of 0, a series C grown infinite, a shunt C of 0, a shunt L
// grown infinite) is deleted, anything else of that kind refuses.
//
// Exact at every frequency: the Norton transform, Force, Pi-T, Kuroda's
// identity, the pair conversions and Cp. Exact at the design's reference
// frequency only: the J-k inverter, -Value and Compensate.
#pragma once

#include "design/network.h"
#include "ui/toolkit.h"

namespace tanvex::schematic {

// Deletes the vanished elements described above; false when any other L or
// C value of entries 1 .. n-1 is infinite, NaN or zero.
bool settleValues(EntryList& list);

// The Norton transformation at branch i with impedance ratio r (r <= 0 or
// r == 1: nothing to do, true).
bool nortonAt(EntryList& list, int i, double r);

// Brings branch f to the value d by a Norton transform at branch m (centre).
// Refused for f == m, for a centre whose letter differs from f's (a code-5
// centre offers the pair member of f's letter), when no positive ratio
// exists, and when branch f (its index may shift) does not hold d afterwards.
bool forceValue(EntryList& list, int f, double d, int m);

// Pi-T (star-delta) conversion of three like elements about centre i: one
// shunt and one series connection among them, all inside the network.
bool piT(EntryList& list, int i);

// Turns the L-C tank ending at branch i into an impedance inverter whose
// inverted tank has the value d (a C when the neighbour i+1 is an L, else an
// L). The neighbour must be an L or C in the other connection.
bool jkInverter(EntryList& list, int i, double d);

// Kuroda's identity for a line section (code 23) next to a single stub
// (codes 17, 18) of the same length; the group holding branch i and the
// group after it.
bool kuroda(EntryList& list, int i);

// A nonzero L or C becomes the element of the other kind with the same
// reactance at the reference frequency.
bool removeNegative(EntryList& list, int i);

// Distributed capacity cd across the inductor at branch i, the inductor's
// group re-formed. Returns 0 done, 1 a bad branch (not an L, or the third of
// a three-entry group), 2 a group shape that has no such form.
int insertDistributedC(EntryList& list, int i, double cd);
// Of the two branches (one L, one C) the inductor is reduced so that with
// the capacitor across it it has its former reactance at f0; f0 becomes
// the design's reference frequency. f0 must be positive.
bool compensateDistributedC(EntryList& list, int a, int b, double f0);

// Sets the shunt capacitor between two neighbouring notch sections (code-5
// pairs in the series arm) to cp, or removes it (cp 0). Returns 0 done,
// 1 refused (no such shape), 2 failed (no converging solution); the list is
// unchanged unless 0.
int setCp(EntryList& list, int branch, double cp);

// Pair conversions of four entries at g: the code-28 group (or its code-27
// dual) into two code-4 (code-5) pairs is groupToPairs (network_edit.h);
// two code-4 (code-5) pairs into the code-28 (code-27) group; the code-28
// (code-27) group into the code-30 (code-29) group, the form chosen by the
// letter of the named element.
bool pairsToGroup(EntryList& list, int g);
bool groupToBridged(EntryList& list, int g, char named);
// "Dipole" at branch b: one of the three conversions by the shape there.
bool dipole(EntryList& list, int b);

// Triplet: the shunt element at b (or the shunt L-C tank whose lowest
// branch is b) takes the value `value` (the tank: its element at b) by a
// Norton transform: a single element's two new series elements merge where
// the ladder allows; a tank gets a series tank on either side. Refused for
// any other shape and for a value that needs no positive ratio.
bool triplet(EntryList& list, int b, double value);

// The stub generator: the single L or C group starting at g becomes the
// stub of impedance zo with the same reactance at the reference frequency
// (a shunt L a short-circuited shunt stub, a shunt C an open one, a series
// L or C the series stubs alike). g = -1 converts every such group. Returns
// 0 done, 1 refused (no such group, a negative value, zo not positive).
int stubGenerator(EntryList& list, int g, double zo);

// The equal-shunts pass on a tubular network: sweeps of the pairwise
// capacitor equalizing and of Norton transforms at the inner series
// inductors until every shunt capacitor pair agrees. False (list unchanged)
// when a step is refused, a ratio is not positive, Escape is pending
// (polled through tk when given) or maxSweeps sweeps do not settle.
bool equalShunts(EntryList& list, ui::Toolkit* tk, int maxSweeps = 60);

} // namespace tanvex::schematic
