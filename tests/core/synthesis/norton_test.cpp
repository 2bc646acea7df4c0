// The Norton transformation: worked values, merging and insertion, refusals,
// and the identity it must keep: the impedance seen from the source is the
// same at every frequency (the termination side only changes its level).
#include "ladder_eval.h"
#include "synthesis/norton.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

using namespace tanvex;
using namespace tanvex::synthesis;

namespace {

// Builds termination, the given entries, source and terminator.
EntryList makeList(std::initializer_list<NetEntry> body, double rl = 1.0, double rs = 1.0) {
    EntryList list;
    list.fill(NetEntry{});
    list[0] = {rl, 'R', 1};
    int i = 1;
    for (const NetEntry& e : body) list[i++] = e;
    list[i++] = {rs, 'R', 1};
    list[i] = {1.0, 'x', 1};
    return list;
}

// Impedance at the source end looking towards the termination.
std::complex<double> zin(const EntryList& list, double w) {
    return testeval::inputImpedance(testeval::fromEntries(list), list[0].value, w);
}

void expectSameInputImpedance(const EntryList& a, const EntryList& b) {
    for (double w : {0.05, 0.3, 0.8, 1.0, 1.7, 4.0}) {
        std::complex<double> za = zin(a, w), zb = zin(b, w);
        EXPECT_NEAR(za.real(), zb.real(), 1e-9 * (1 + std::abs(za))) << w;
        EXPECT_NEAR(za.imag(), zb.imag(), 1e-9 * (1 + std::abs(za))) << w;
    }
}

} // namespace

TEST(Norton, ShuntCapacitorWithRatioFour) {
    // 1 ohm - C 0.5 (shunt) - L 2 (series) - C 2 (shunt) - source
    EntryList list = makeList({{0.5, 'C', 2}, {2.0, 'L', 3}, {2.0, 'C', 2}});
    EntryList before = list;
    ASSERT_EQ(nortonTransform(list, 3, 4.0), NortonResult::Done);
    // X = 2: becomes X/2; B = X/2 in series on the termination side (no series
    // capacitor to merge with: the series L does not absorb a C, the shunt C
    // at entry 1 stops the walk), A = -X in series on the source side.
    int n = entryCount(list);
    EXPECT_EQ(n, 6);
    EXPECT_EQ(list[3].letter, 'C');
    EXPECT_EQ(list[3].code, 3);
    EXPECT_DOUBLE_EQ(list[3].value, 1.0); // B
    EXPECT_DOUBLE_EQ(list[4].value, 1.0); // X k
    EXPECT_EQ(list[4].code, 2);
    EXPECT_EQ(list[5].code, 3);
    EXPECT_DOUBLE_EQ(list[5].value, -2.0); // A
    // Termination side scaled by 4.
    EXPECT_DOUBLE_EQ(list[0].value, 4.0);
    EXPECT_DOUBLE_EQ(list[1].value, 0.125);
    EXPECT_DOUBLE_EQ(list[2].value, 8.0);
    expectSameInputImpedance(before, list);
}

TEST(Norton, NewElementsMergeIntoSeriesNeighboursOfTheSameLetter) {
    // Series capacitors on both sides, no shunt element in between: both new
    // series capacitors merge and the count is unchanged.
    EntryList list = makeList({{1.0, 'C', 3}, {0.7, 'C', 2}, {2.0, 'C', 3}, {1.0, 'L', 2}});
    EntryList before = list;
    int n0 = entryCount(list);
    ASSERT_EQ(nortonTransform(list, 2, 2.25), NortonResult::Done);
    EXPECT_EQ(entryCount(list), n0);
    expectSameInputImpedance(before, list);
    // A shunt group in between stops the walk: the element is inserted.
    EntryList other = makeList({{1.0, 'C', 3}, {0.3, 'L', 4}, {0.3, 'C', 4}, {0.7, 'C', 2}});
    int n1 = entryCount(other);
    ASSERT_EQ(nortonTransform(other, 4, 0.5), NortonResult::Done);
    EXPECT_EQ(entryCount(other), n1 + 2);
    EXPECT_DOUBLE_EQ(other[0].value, 0.5);
}

TEST(Norton, SeriesInductorAndResonatorPairKeepTheResponse) {
    EntryList list = makeList({{0.8, 'C', 2}, {1.3, 'L', 3}, {0.9, 'C', 2}, {0.4, 'L', 3}});
    EntryList before = list;
    ASSERT_EQ(nortonTransform(list, 2, 1.8), NortonResult::Done);
    expectSameInputImpedance(before, list);

    // Parallel resonator in the series arm, inductor first in the list.
    EntryList pair =
        makeList({{1.1, 'C', 2}, {0.6, 'L', 5}, {0.25, 'C', 5}, {1.4, 'C', 2}, {0.5, 'L', 3}});
    EntryList beforePair = pair;
    ASSERT_EQ(nortonTransform(pair, 2, 0.7), NortonResult::Done);
    EXPECT_EQ(pair[2].letter == 'C' || pair[3].letter == 'C', true);
    expectSameInputImpedance(beforePair, pair);
    // The resonance of the pair is kept.
    int tank = -1;
    for (int i = 1; i < entryCount(pair); ++i)
        if (pair[i].code == 5) {
            tank = i;
            break;
        }
    ASSERT_GE(tank, 1);
    EXPECT_NEAR(pair[tank].value * pair[tank + 1].value, 0.6 * 0.25, 1e-12);
}

TEST(Norton, RefusalsAndNoOps) {
    ui::ScriptedToolkit tk;
    EntryList list =
        makeList({{0.5, 'C', 2}, {2.0, 'L', 3}, {1.0, 'N', 24}, {0.3, 'L', 4}, {0.3, 'C', 4}});
    EntryList before = list;
    int n = entryCount(list);
    EXPECT_EQ(nortonTransform(list, 0, 2.0, &tk), NortonResult::Refused);
    EXPECT_EQ(nortonTransform(list, n, 2.0, &tk), NortonResult::Refused);
    EXPECT_EQ(nortonTransform(list, 3, 2.0, &tk), NortonResult::Refused); // transformer
    EXPECT_EQ(nortonTransform(list, 4, 2.0, &tk), NortonResult::Refused); // code 4 pair
    EXPECT_EQ(tk.beeps, 4);
    EXPECT_EQ(nortonTransform(list, 1, 1.0, &tk), NortonResult::Unchanged);
    EXPECT_EQ(nortonTransform(list, 1, -3.0, &tk), NortonResult::Unchanged);
    for (int i = 0; i <= n + 1; ++i) {
        EXPECT_EQ(list[i].value, before[i].value);
        EXPECT_EQ(list[i].code, before[i].code);
    }
    // A full list is refused before anything changes.
    EntryList full;
    full.fill(NetEntry{});
    full[0] = {1, 'R', 1};
    for (int i = 1; i < 146; ++i) full[i] = {1.0, i % 2 ? 'C' : 'L', i % 2 ? 2 : 3};
    full[146] = {1, 'R', 1};
    full[147] = {1, 'x', 1};
    EntryList fullBefore = full;
    EXPECT_EQ(nortonTransform(full, 5, 2.0), NortonResult::Refused);
    EXPECT_EQ(full[0].value, fullBefore[0].value);
}

TEST(Norton, StopSetsSeparateShuntAndSeriesWalks) {
    EXPECT_TRUE(nortonStops(2, 2));
    EXPECT_TRUE(nortonStops(2, 4));
    EXPECT_FALSE(nortonStops(2, 3));
    EXPECT_FALSE(nortonStops(2, 5));
    EXPECT_TRUE(nortonStops(3, 3));
    EXPECT_TRUE(nortonStops(5, 5));
    EXPECT_FALSE(nortonStops(3, 2));
    EXPECT_FALSE(nortonStops(3, 4));
    EXPECT_TRUE(nortonStops(3, 1));
    EXPECT_TRUE(nortonStops(2, 1));
}
