#include "design/network.h"

#include <gtest/gtest.h>

using namespace tanvex;

TEST(Network, NewDesignHasSourceAtOneAndTerminatorAtTwo) {
    EntryList list;
    newDesign(list);
    EXPECT_EQ(entryCount(list), 1);
    EXPECT_EQ(list[2].letter, 'x');
}

TEST(Network, GroupAndDualAlwaysHaveTheSameSize) {
    for (int code = 0; code <= kMaxGroupCode; ++code) {
        int d = dualCode(code);
        if (d == kNoDual) continue;
        EXPECT_EQ(groupSize(code), groupSize(d)) << code;
        EXPECT_EQ(dualCode(d), code) << code;
        bool selfDual = d == code;
        if (code > 1 && !selfDual) {
            EXPECT_NE(nodeAdvance(code), nodeAdvance(d)) << code;
        }
    }
}

TEST(Network, CountScanSkipsWholeGroups) {
    EntryList list;
    newDesign(list);
    // termination, a code-4 pair, a series L, source, terminator
    setEntry(list, 0, 50, 'R', 1);
    setEntry(list, 1, 1e-9, 'L', 4);
    setEntry(list, 2, 1e-12, 'C', 4);
    setEntry(list, 3, 1e-9, 'L', 3);
    setEntry(list, 4, 50, 'R', 1);
    setEntry(list, 5, 1e6, 'x', 1);
    EXPECT_EQ(entryCount(list), 4);
}
