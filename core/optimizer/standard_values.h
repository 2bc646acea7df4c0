// Standard component values (the E24 series, 10 .. 91 in every decade) for
// manual tuning: the nearest standard value, and sums of two standard values
// for a value that no single part meets within 1 %.
#pragma once

namespace tanvex::optimizer {

struct StandardPick {
    bool found = false; // false for values that are not positive and finite
    double lower = 0.0; // the standard neighbours, lower <= v <= upper
    double upper = 0.0;
    double pick = 0.0;     // the nearer of the two by ratio
    double errorPct = 0.0; // (pick - v) / v * 100
};

// Neighbours of v (any decade); a standard value itself is its own pick.
StandardPick nearestStandard(double v);

struct TwoPartPick {
    bool found = false;    // a sum within 1 % exists
    double first = 0.0;    // from the decade of the single pick
    double second = 0.0;   // from the decade below
    double errorPct = 0.0; // (first + second - v) / v * 100
};

// The sum of two standard values nearest to v: one from the decade of the
// single pick, one from the decade below. found is set when it lies within 1 %.
TwoPartPick twoPartStandard(double v);

} // namespace tanvex::optimizer
