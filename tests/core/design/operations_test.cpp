#include "design/design_file.h"
#include "design/operations.h"
#include "ladder_oracle.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

using namespace tanvex;
using tanvex::test::ladderAttenuationDb;

namespace {

Design sampleBandpass() {
    ui::ScriptedToolkit tk;
    Design d;
    EXPECT_EQ(loadDesign(d, std::string(TANVEX_SOURCE_DIR) + "/resources/examples", "bandpass", tk),
              0);
    return d;
}

bool sameList(const EntryList& a, const EntryList& b) {
    for (int i = 0; i < kEntrySlots; ++i)
        if (a[i].value != b[i].value || a[i].letter != b[i].letter || a[i].code != b[i].code)
            return false;
    return true;
}

} // namespace

TEST(Operations, QConventionAndTheQPrompt) {
    Design d;
    setQValues(d, 0, 0.05, 300);
    EXPECT_EQ(d.analysis[3], 1e11);
    EXPECT_EQ(d.analysis[4], 1e11);
    EXPECT_EQ(d.analysis[5], 300);
    EXPECT_EQ(formatQ(d.analysis[3]), "Inf.");
    EXPECT_EQ(formatQ(150), "150   ");

    ui::ScriptedToolkit tk;
    tk.answer("120, 0, 2000");
    EXPECT_EQ(promptAllQ(d, tk), 3);
    EXPECT_TRUE(tk.sawPrompt("(0=Inf.) Inductor Q, Cap. Q, Trans. Q ?"));
    EXPECT_EQ(d.analysis[3], 120);
    EXPECT_EQ(d.analysis[4], 1e11);
    EXPECT_EQ(d.analysis[5], 2000);
    tk.answer("//0.01"); // a field ended by / keeps its value
    promptAllQ(d, tk);
    EXPECT_EQ(d.analysis[3], 120);
    EXPECT_EQ(d.analysis[5], 1e11);
    tk.answer(""); // nothing typed: nothing changes
    EXPECT_EQ(promptAllQ(d, tk), 0);
    EXPECT_EQ(d.analysis[3], 120);
    tk.answer("0");
    EXPECT_TRUE(promptSingleQ(d, 0, tk));
    EXPECT_TRUE(tk.sawPrompt("(0=Inf.)   Ind. Ql?"));
    EXPECT_EQ(d.analysis[3], 1e11);

    // Backups: a change made for a while comes back exactly.
    setQValues(d, 150, 500, 1000);
    d.analysis[0] = 10;
    saveAnalysisBackup(d);
    saveQBackup(d);
    setQValues(d, 1, 2, 3);
    d.analysis[0] = 99;
    restoreQBackup(d);
    EXPECT_EQ(d.analysis[3], 150);
    EXPECT_EQ(d.analysis[0], 99);
    swapAnalysisBackup(d);
    EXPECT_EQ(d.analysis[0], 10);
    EXPECT_EQ(d.analysisBackup[0], 99);
    d.analysisBackup[4] = 0; // a Q of 0 restored means infinite
    restoreAnalysisBackup(d);
    EXPECT_EQ(d.analysis[4], 1e11);
}

TEST(Operations, WholeNumberRounding) {
    EXPECT_EQ(wholeNumberRound(144.6), 145);
    EXPECT_EQ(wholeNumberRound(2.5), 2); // exactly .5 rounds down
    EXPECT_EQ(wholeNumberRound(2.500001), 3);
    EXPECT_EQ(wholeNumberRound(1.0), 1);
    EXPECT_EQ(wholeNumberRound(0.99), 0); // anything below 1 is 0
    EXPECT_EQ(wholeNumberRound(-2.7), -2);
}

TEST(Operations, ScalingKeepsTheResponseShape) {
    Design d = sampleBandpass();
    EntryList orig = d.entries;
    int n = entryCount(d.entries);
    // Frequency scaling by 2: the response moves up an octave.
    ASSERT_EQ(frequencyScale(d.entries, 1, n - 1, 2.0), 0);
    EXPECT_EQ(referenceFrequency(d.entries), 200e6);
    EXPECT_DOUBLE_EQ(d.entries[1].value, orig[1].value / 2);
    EXPECT_DOUBLE_EQ(d.entries[3].value, orig[3].value / 2);
    EXPECT_EQ(d.entries[0].value, 50);
    for (double f : {80e6, 95e6, 100e6, 112e6, 150e6})
        EXPECT_NEAR(ladderAttenuationDb(d.entries, 2 * f), ladderAttenuationDb(orig, f), 1e-9);
    // Impedance scaling of everything by 2: same response at 100 ohm.
    d.entries = orig;
    ASSERT_EQ(impedanceScale(d.entries, 0, n, 2.0), 0);
    EXPECT_EQ(d.entries[0].value, 100);
    EXPECT_EQ(d.entries[n].value, 100);
    EXPECT_DOUBLE_EQ(d.entries[1].value, orig[1].value / 2); // C
    EXPECT_DOUBLE_EQ(d.entries[2].value, orig[2].value * 2); // L
    for (double f : {80e6, 100e6, 150e6})
        EXPECT_NEAR(ladderAttenuationDb(d.entries, f), ladderAttenuationDb(orig, f), 1e-9);
    // Non-positive factors are refused.
    d.entries = orig;
    EXPECT_EQ(impedanceScale(d.entries, 0, n, 0.0), 1);
    EXPECT_EQ(frequencyScale(d.entries, 1, n - 1, -1.0), 1);
    EXPECT_TRUE(sameList(d.entries, orig));
    // Impedance scaling stops at a side-port termination (walking down).
    d.entries[3].code = 8;
    ASSERT_EQ(impedanceScale(d.entries, 0, n, 10.0), 0);
    EXPECT_EQ(d.entries[n].value, 500);
    EXPECT_EQ(d.entries[3].value, orig[3].value);
    EXPECT_EQ(d.entries[0].value, 50);
}

TEST(Operations, DualTransformKeepsTheResponseAndRefusesWhole) {
    Design d = sampleBandpass();
    EntryList orig = d.entries;
    int n = entryCount(d.entries);
    ASSERT_EQ(dualTransform(d.entries, 1, n - 1), 0);
    // Shunt parallel tanks became series tanks and the other way round.
    EXPECT_EQ(d.entries[1].code, 3);
    EXPECT_EQ(d.entries[1].letter, 'L');
    EXPECT_DOUBLE_EQ(d.entries[1].value, orig[1].value * 2500);
    EXPECT_EQ(d.entries[3].code, 2);
    EXPECT_EQ(d.entries[3].letter, 'C');
    // Equal terminations: the dual has the same transfer response.
    for (double f : {70e6, 91e6, 100e6, 109e6, 140e6})
        EXPECT_NEAR(ladderAttenuationDb(d.entries, f), ladderAttenuationDb(orig, f), 1e-9);
    ASSERT_EQ(dualTransform(d.entries, 1, n - 1), 0);
    for (int i = 0; i <= n + 1; ++i) {
        EXPECT_NEAR(d.entries[i].value, orig[i].value, 1e-15 * std::fabs(orig[i].value));
        EXPECT_EQ(d.entries[i].letter, orig[i].letter);
        EXPECT_EQ(d.entries[i].code, orig[i].code);
    }

    // A transformer takes 1/N; a line keeps its length; R and Z invert about R0.
    EntryList t{};
    newDesign(t);
    setEntry(t, 0, 50, 'R', 1);
    setEntry(t, 1, 4, 'N', 24);
    setEntry(t, 2, 25, 'Z', 23);
    setEntry(t, 3, 0.5, 'D', 23);
    setEntry(t, 4, 10, 'R', 2);
    setEntry(t, 5, 50, 'R', 1);
    ASSERT_EQ(dualTransform(t, 1, 4), 0);
    EXPECT_EQ(t[1].value, 0.25);
    EXPECT_EQ(t[2].value, 100);
    EXPECT_EQ(t[3].value, 0.5);
    EXPECT_EQ(t[4].value, 250);
    EXPECT_EQ(t[4].code, 3);

    // A bridged section (no dual) anywhere in the range: nothing changes.
    d.entries = orig;
    setEntry(d.entries, 3, 1e-9, 'L', 10); // not even a whole group: still refused
    EntryList before = d.entries;
    EXPECT_EQ(dualTransform(d.entries, 1, n - 1), 1);
    EXPECT_TRUE(sameList(d.entries, before));
    // A group that runs past the end of the range is refused too.
    d.entries = orig;
    setEntry(d.entries, 5, 1e-12, 'C', 4);
    setEntry(d.entries, 6, 1e-9, 'L', 4);
    EXPECT_EQ(dualTransform(d.entries, 1, 5), 1);
}

TEST(Operations, InsertDeleteAndSwapKeepTheTerminator) {
    ui::ScriptedToolkit tk;
    Design d = sampleBandpass();
    int count = entryCount(d.entries);
    ASSERT_EQ(insertEntry(d.entries, 2, count, tk), 0);
    setEntry(d.entries, 3, 1e-9, 'L', 3);
    EXPECT_EQ(count, 8);
    EXPECT_EQ(entryCount(d.entries), 8);
    EXPECT_EQ(d.entries[9].letter, 'x');
    deleteEntry(d.entries, 3, count);
    EXPECT_EQ(count, 7);
    EXPECT_EQ(d.entries[8].letter, 'x');
    EXPECT_EQ(d.entries[9].code, 0); // the freed slot is cleared
    swapEntries(d.entries, 1, 2);
    EXPECT_EQ(d.entries[1].letter, 'L');

    // A full list: insertion is refused with a notice, nothing moves.
    EntryList big{};
    setEntry(big, 0, 50, 'R', 1);
    for (int i = 1; i <= 145; ++i) setEntry(big, i, 1e-9, 'L', 3);
    setEntry(big, 146, 50, 'R', 1);
    setEntry(big, 147, 1e8, 'x', 1);
    count = 146;
    EXPECT_EQ(insertEntry(big, 10, count, tk), 1);
    EXPECT_TRUE(tk.sawNotice("Edit memory full"));
    EXPECT_EQ(count, 146);
    count = 145;
    setEntry(big, 145, 50, 'R', 1);
    setEntry(big, 146, 1e8, 'x', 1);
    setEntry(big, 147, 0, 0, 0);
    EXPECT_EQ(insertEntry(big, 10, count, tk), 0);
    EXPECT_EQ(big[147].letter, 'x');
}

TEST(Operations, PairsResonanceAndCombining) {
    Design d = sampleBandpass();
    EXPECT_EQ(pairTest(d.entries, 1, 2), 2);
    EXPECT_EQ(pairTest(d.entries, 3, 4), 3);
    EXPECT_EQ(pairTest(d.entries, 2, 3), 0); // L and L
    EXPECT_EQ(pairTest(d.entries, 1, 4), 0); // C and C
    EXPECT_NEAR(resonance(d.entries, 1, 2), 100e6, 1);
    EXPECT_NEAR(resonance(d.entries, 3, 4), 100e6, 1);
    d.entries[2].value = -1e-9;
    EXPECT_EQ(resonance(d.entries, 1, 2), 0);
    double a = 100;
    parallelCombine(a, 100);
    EXPECT_EQ(a, 50);
    EXPECT_TRUE(closeTo(100, 100.5, 0.005));
    EXPECT_FALSE(closeTo(100, 100.6, 0.005));
}

TEST(Operations, ValueRangeReport) {
    Design d;
    newDesign(d.entries);
    setEntry(d.entries, 0, 50, 'R', 1);
    setEntry(d.entries, 1, 10e-12, 'C', 2);
    setEntry(d.entries, 2, 100e-9, 'L', 3);
    setEntry(d.entries, 3, 40e-12, 'C', 2);
    setEntry(d.entries, 4, 20e-9, 'L', 3);
    setEntry(d.entries, 5, 50, 'R', 1);
    setEntry(d.entries, 6, 1e8, 'x', 1);
    ui::ScriptedToolkit tk;
    auto lines = valueRangeReport(d, 0, 0, &tk);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Inductance range = 20 to 100 nHy  (at branches 4 & 2) <- worst case.");
    EXPECT_EQ(lines[1], "  Capacity range = 10 to 40 pFd  (at branches 1 & 3)");
    EXPECT_EQ(lines[2], "    Value spread = 5 : 1");
    EXPECT_EQ(tk.beeps, 0);

    lines = valueRangeReport(d, 1, 3, &tk);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Inductance range = 100 to 100 nHy  (at branches 2 & 2)");
    EXPECT_EQ(lines[1], "  Capacity range = 10 to 40 pFd  (at branches 1 & 3) <- worst case.");
    EXPECT_EQ(lines[3], "  (Over branches 1 to 3)");

    d.entries[3].value = -5e-12;
    lines = valueRangeReport(d, 0, 0, &tk);
    EXPECT_EQ(lines.back(), "  Negative Values!");
    EXPECT_EQ(tk.beeps, 1);
}

TEST(Operations, NotationIsStoredAndReapplied) {
    struct Chooser : NotationChooser {
        int seenE = 0, seenM = 0;
        bool choose(int& e, int& m) override {
            seenE = e, seenM = m;
            e = kNotationAudio, m = kUnitMm;
            return true;
        }
    } chooser;
    Design d;
    EXPECT_EQ(setNotation(d, 63), kNotationVHF);
    EXPECT_EQ(d.record[kSlotMechUnit].letter, '0');
    EXPECT_EQ(d.notation.frequency.name, "MHz ");
    EXPECT_EQ(setNotation(d, 0, &chooser), kNotationAudio);
    EXPECT_EQ(chooser.seenE, kNotationVHF);
    EXPECT_EQ(chooser.seenM, kUnitInch);
    EXPECT_EQ(d.record[kSlotNotation].letter, '1');
    EXPECT_EQ(d.record[kSlotMechUnit].letter, '3');
    EXPECT_EQ(d.notation.capacitance.multiplier, 1e6);
    EXPECT_EQ(d.notation.length.multiplier, 25.4);
    Design e;
    e.record = d.record;
    EXPECT_EQ(setNotation(e, 63), kNotationAudio);
    EXPECT_EQ(e.notation.time.name, "mSec");
    EXPECT_EQ(e.notation.length.name, "mm ");
}
