// Drill steps for the coil form: number and fractional drills, the notes,
// the thousandth steps below the smallest drill and both ends of the table.
#include "coil/drill_sizes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace tanvex::coil;

TEST(CoilDrill, TableHoldsSixtyNumberDrillsAndTwentyFiveFractions) {
    for (int i = 1; i < kDrillCount; ++i) EXPECT_LT(kDrillTable[i - 1], kDrillTable[i]) << i;
    EXPECT_EQ(kDrillTable[kDrillCount], 0);
    EXPECT_EQ(kDrillTable[0], 400);   // #60
    EXPECT_EQ(kDrillTable[59], 2280); // #1
    for (int k = 8; k <= 32; ++k) {
        EXPECT_EQ(kDrillTable[60 + k - 8], static_cast<int>(k * 10000 / 32)) << k;
    }
}

TEST(CoilDrill, StepsWithNotes) {
    DrillStep s = nextDrill(0.25, +1);
    EXPECT_TRUE(s.moved);
    EXPECT_DOUBLE_EQ(s.diameter, 0.2812);
    EXPECT_EQ(s.note, "(9/32 In. Drill)");
    s = nextDrill(0.0935, -1);
    EXPECT_DOUBLE_EQ(s.diameter, 0.0890);
    EXPECT_EQ(s.note, "(#43 Drill)");
    s = nextDrill(0.1, +1); // between sizes: the next larger one
    EXPECT_DOUBLE_EQ(s.diameter, 0.1015);
    EXPECT_EQ(s.note, "(#38 Drill)");
    s = nextDrill(0.1, -1);
    EXPECT_DOUBLE_EQ(s.diameter, 0.0995);
    EXPECT_EQ(s.note, "(#39 Drill)");
    s = nextDrill(0.2280, +1); // from #1 to the first fraction
    EXPECT_DOUBLE_EQ(s.diameter, 0.25);
    EXPECT_EQ(s.note, "(1/4 In. Drill)");
    s = nextDrill(0.7, +1);
    EXPECT_EQ(s.note, "(23/32 In. Drill)");
    s = nextDrill(0.7187, +1);
    EXPECT_EQ(s.note, "(3/4 In. Drill)");
    s = nextDrill(0.4375, +1);
    EXPECT_EQ(s.note, "(15/32 In. Drill)");
    s = nextDrill(0.4687, +1);
    EXPECT_EQ(s.note, "(1/2 In. Drill)");
}

TEST(CoilDrill, ThousandthsBelowTheSmallestDrill) {
    DrillStep s = nextDrill(0.03, +1);
    EXPECT_TRUE(s.moved);
    EXPECT_NEAR(s.diameter, 0.031, 1e-12);
    EXPECT_EQ(s.note, "");
    s = nextDrill(0.04, -1);
    EXPECT_NEAR(s.diameter, 0.039, 1e-12);
    EXPECT_EQ(s.note, "");
    s = nextDrill(0.039, +1); // reaches #60
    EXPECT_DOUBLE_EQ(s.diameter, 0.04);
    EXPECT_EQ(s.note, "(#60 Drill)");
    s = nextDrill(0.04, +1);
    EXPECT_DOUBLE_EQ(s.diameter, 0.041);
    EXPECT_EQ(s.note, "(#59 Drill)");
    // The form never steps to zero or below.
    s = nextDrill(0.001, -1);
    EXPECT_FALSE(s.moved);
    EXPECT_DOUBLE_EQ(s.diameter, 0.001);
    s = nextDrill(0.002, -1);
    EXPECT_NEAR(s.diameter, 0.001, 1e-12);
}

TEST(CoilDrill, WalkTheWholeTableBothWays) {
    double x = 0.04;
    int steps = 0;
    for (DrillStep s = nextDrill(x, +1); s.moved; s = nextDrill(x, +1)) {
        EXPECT_GT(s.diameter, x);
        EXPECT_FALSE(s.note.empty());
        x = s.diameter;
        ++steps;
    }
    EXPECT_EQ(steps, kDrillCount - 1);
    EXPECT_DOUBLE_EQ(x, 1.0);
    DrillStep top = nextDrill(1.0, +1); // past the last drill: no move
    EXPECT_FALSE(top.moved);
    EXPECT_DOUBLE_EQ(top.diameter, 1.0);
    DrillStep big = nextDrill(1.5, -1); // above the table: the largest drill
    EXPECT_DOUBLE_EQ(big.diameter, 1.0);
    EXPECT_EQ(big.note, "(2/2 In. Drill)");
    EXPECT_FALSE(nextDrill(1.5, +1).moved);
    steps = 0;
    for (DrillStep s = nextDrill(x, -1); s.moved && x > 0.04; s = nextDrill(x, -1)) {
        EXPECT_LT(s.diameter, x);
        x = s.diameter;
        ++steps;
    }
    EXPECT_EQ(steps, kDrillCount - 1);
    EXPECT_DOUBLE_EQ(x, 0.04);
}
