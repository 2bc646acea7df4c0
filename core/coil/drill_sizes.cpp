#include "coil/drill_sizes.h"

#include <cmath>
#include <cstdio>

namespace tanvex::coil {

const int kDrillTable[kDrillCount + 1] = {
    // number drills #60 .. #1
    400, 410, 420, 430, 465, 520, 550, 595, 635, 670, 700, 730, 760, 785, 810, 820, 860, 890, 935,
    960, 980, 995, 1015, 1040, 1065, 1100, 1110, 1130, 1160, 1200, 1285, 1360, 1405, 1440, 1470,
    1495, 1520, 1540, 1570, 1590, 1610, 1660, 1695, 1730, 1770, 1800, 1820, 1850, 1890, 1910, 1935,
    1960, 1990, 2010, 2040, 2055, 2090, 2130, 2210, 2280,
    // fractional drills 8/32 .. 32/32, truncated to the ten-thousandth
    2500, 2812, 3125, 3437, 3750, 4062, 4375, 4687, 5000, 5312, 5625, 5937, 6250, 6562, 6875, 7187,
    7500, 7812, 8125, 8437, 8750, 9062, 9375, 9687, 10000,
    // end
    0};

namespace {

constexpr int kNumberDrills = 60;

// Integer part, plus one when the integer part is at least 1 and the
// fraction exceeds one half; anything below 1 gives 0.
int roundDrill(double v) {
    if (v < 1.0) return 0;
    int i = static_cast<int>(v);
    if (v - i > 0.5) ++i;
    return i;
}

} // namespace

DrillStep nextDrill(double x, int direction) {
    DrillStep step;
    step.diameter = x;
    if (x <= 0.04) {
        double y = (roundDrill(x * 1000.0) + direction) / 1000.0;
        if (y < 0.04) {
            // No form of zero or negative diameter: the step stops at 0.001.
            if (y <= 0.0) return step;
            step.diameter = y;
            step.moved = true;
            return step;
        }
    }
    int i = 0;
    bool exact = false;
    while (kDrillTable[i] != 0) {
        double size = kDrillTable[i] / 10000.0;
        if (std::fabs(size - x) < 1e-5) {
            exact = true;
            break;
        }
        if (size > x) break;
        ++i;
    }
    if (direction < 0) {
        --i;
    } else if (exact) {
        ++i;
    }
    if (i < 0 || kDrillTable[i] == 0) return step;
    step.diameter = kDrillTable[i] / 10000.0;
    step.moved = true;
    char buf[32];
    if (kNumberDrills - i > 0) {
        std::snprintf(buf, sizeof buf, "(#%d Drill)", kNumberDrills - i);
    } else {
        int q = 2;
        while (q < 32 && std::fabs(static_cast<double>(roundDrill(q * step.diameter)) / q -
                                   step.diameter) >= 0.001) {
            q *= 2;
        }
        std::snprintf(buf, sizeof buf, "(%d/%d In. Drill)", roundDrill(q * step.diameter), q);
    }
    step.note = buf;
    return step;
}

} // namespace tanvex::coil
