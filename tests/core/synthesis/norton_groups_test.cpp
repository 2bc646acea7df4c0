// The Norton transformation where elements vanish into their neighbours and
// where the entry given is not the start of its group: no zero or infinite
// element is ever stored, and a resonator pair is transformed as a unit.
#include "ladder_eval.h"
#include "synthesis/norton.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

using namespace tanvex;
using namespace tanvex::synthesis;

namespace {

EntryList makeList(std::initializer_list<NetEntry> body) {
    EntryList list;
    list.fill(NetEntry{});
    list[0] = {1.0, 'R', 1};
    int i = 1;
    for (const NetEntry& e : body) list[i++] = e;
    list[i++] = {1.0, 'R', 1};
    list[i] = {1.0, 'x', 1};
    return list;
}

std::complex<double> zin(const EntryList& list, double w) {
    return testeval::inputImpedance(testeval::fromEntries(list), list[0].value, w);
}

void expectSameInputImpedance(const EntryList& a, const EntryList& b) {
    for (double w : {0.05, 0.3, 0.8, 1.3, 1.7, 4.0}) {
        const std::complex<double> za = zin(a, w), zb = zin(b, w);
        EXPECT_NEAR(std::abs(za - zb), 0.0, 1e-9 * (1 + std::abs(za))) << w;
    }
}

void expectAllFiniteNonZero(const EntryList& list) {
    const int n = entryCount(list);
    for (int j = 0; j <= n + 1; ++j) {
        EXPECT_TRUE(std::isfinite(list[j].value)) << j;
        if (j >= 1 && j < n) {
            EXPECT_NE(list[j].value, 0.0) << j;
        }
    }
}

} // namespace

TEST(NortonGroups, AnElementThatVanishesIsRemovedOnEitherSide) {
    // Shunt C of 1 with r = 4 (k = 0.5): B = 0.5 in series on the
    // termination side, A = -1 on the source side. Series capacitors that
    // cancel them exactly (after the termination side is scaled by 4) become
    // infinite: shorts, removed.
    EntryList below = makeList({{-2.0, 'C', 3}, {1.0, 'C', 2}, {3.0, 'L', 3}, {1.0, 'C', 2}});
    EntryList before = below;
    ASSERT_EQ(nortonTransform(below, 2, 4.0), NortonResult::Done);
    // The L 3 stops the source-side walk: A is inserted, B removed entry 1.
    EXPECT_EQ(entryCount(below), entryCount(before));
    EXPECT_EQ(below[1].code, 2);
    EXPECT_DOUBLE_EQ(below[1].value, 0.5);
    expectAllFiniteNonZero(below);
    expectSameInputImpedance(before, below);

    // Series C of 2 with r = 0.25: k = 2, A = X (1 - k) = -2 in shunt on the
    // source side; a shunt C of 2 there would vanish to 0 (an open).
    EntryList open = makeList({{1.0, 'L', 2}, {2.0, 'C', 3}, {2.0, 'C', 2}, {1.0, 'L', 3}});
    const EntryList openBefore = open;
    ASSERT_EQ(nortonTransform(open, 2, 0.25), NortonResult::Done);
    EXPECT_EQ(entryCount(open), entryCount(openBefore)) << "one new shunt C below, one removed";
    EXPECT_DOUBLE_EQ(open[3].value, 4.0); // X k, now entry 3 after B
    EXPECT_EQ(open[4].letter, 'L');
    for (int j = 1; j < entryCount(open); ++j)
        EXPECT_FALSE(open[j].letter == 'C' && open[j].code == 2 && j > 2) << j;
    expectAllFiniteNonZero(open);
    expectSameInputImpedance(openBefore, open);
}

TEST(NortonGroups, SecondEntryOfAPairTransformsItsOwnPair) {
    // Two series tanks in a row between shunt capacitors.
    const EntryList base = makeList({{1.0, 'C', 2},
                                     {0.8, 'L', 5},
                                     {1.25, 'C', 5},
                                     {0.5, 'L', 5},
                                     {2.0, 'C', 5},
                                     {1.0, 'C', 2}});
    EntryList atStart = base, atSecond = base;
    ASSERT_EQ(nortonTransform(atStart, 2, 2.0), NortonResult::Done);
    ASSERT_EQ(nortonTransform(atSecond, 3, 2.0), NortonResult::Done);
    for (int j = 0; j < kEntrySlots; ++j) {
        EXPECT_EQ(atSecond[j].value, atStart[j].value) << j;
        EXPECT_EQ(atSecond[j].letter, atStart[j].letter) << j;
        EXPECT_EQ(atSecond[j].code, atStart[j].code) << j;
    }
    // The second pair keeps its resonance: the transformation stayed inside
    // the first group.
    int second = -1;
    for (int j = entryCount(atStart) - 1; j >= 1; --j)
        if (atStart[j].code == 5) {
            second = j - 1;
            break;
        }
    ASSERT_GT(second, 0);
    EXPECT_NEAR(atStart[second].value * atStart[second + 1].value, 1.0, 1e-12);
    expectSameInputImpedance(base, atStart);

    // An entry inside a group that is not a series tank is refused.
    ui::ScriptedToolkit tk;
    EntryList other = makeList({{1.0, 'C', 2}, {1.0, 'L', 4}, {1.0, 'C', 4}, {1.0, 'C', 2}});
    const EntryList otherBefore = other;
    EXPECT_EQ(nortonTransform(other, 3, 2.0, &tk), NortonResult::Refused);
    for (int j = 0; j < kEntrySlots; ++j) EXPECT_EQ(other[j].value, otherBefore[j].value);
}
