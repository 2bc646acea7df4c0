// Drill sizes for coil forms: the number drills #60 to #1 and the fractional
// drills from 1/4 to 1 inch in 32nds, and the step to the next size.
#pragma once

#include <string>

namespace tanvex::coil {

// Diameters in ten-thousandths of an inch, smallest first; the last entry
// is 0 and ends the table.
constexpr int kDrillCount = 85;
extern const int kDrillTable[kDrillCount + 1];

struct DrillStep {
    double diameter = 0.0; // the new form diameter (unchanged when not moved)
    std::string note;      // "(#43 Drill)", "(9/32 In. Drill)" or empty
    bool moved = false;    // false: no size in that direction (the caller beeps)
};

// The next drill size below (direction -1) or above (+1) the diameter x.
// Below the smallest drill the form steps in thousandths of an inch.
DrillStep nextDrill(double x, int direction);

} // namespace tanvex::coil
