// The editor's network transforms against a nodal solution of the network
// before and after (the exact ones keep the response at every frequency,
// the others at the reference frequency), the worked figures, the refusals,
// and undo.
#include "../analysis/nodal_oracle.h"
#include "design/design_file.h"
#include "design/operations.h"
#include "schematic/editor.h"
#include "schematic/editor_transforms.h"
#include "scratch_dir_test.h"
#include "test_networks.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>

using namespace tanvex;
using namespace tanvex::schematic;
using tanvex::test::designOf;

namespace {

constexpr double kF0 = 100e6;

// Transducer loss (dB) of the network between its own terminations, from
// the nodal solution.
double lossDb(const EntryList& list, double f) {
    oracle::OracleResult r = oracle::solveNetwork(list, f, oracle::OracleSettings{});
    EXPECT_TRUE(r.ok) << r.problem;
    int n = entryCount(list);
    double rs = list[n].value, rl = list[0].value;
    return -10.0 * std::log10(4.0 * rs * std::norm(r.transfer) / rl);
}

// |reflection| at the source.
double reflection(const EntryList& list, double f) {
    oracle::OracleResult r = oracle::solveNetwork(list, f, oracle::OracleSettings{});
    double rs = list[entryCount(list)].value;
    return std::abs((r.zin - rs) / (r.zin + rs));
}

void expectSameResponse(const EntryList& before, const EntryList& after,
                        std::initializer_list<double> frequencies, const char* what) {
    for (double f : frequencies) {
        EXPECT_NEAR(lossDb(after, f), lossDb(before, f), 1e-6) << what << " at " << f;
        EXPECT_NEAR(reflection(after, f), reflection(before, f), 1e-7) << what << " at " << f;
    }
}

const std::initializer_list<double> kBand = {70e6, 90e6, 97e6, 100e6, 104e6, 120e6, 160e6};

bool sameBytes(const EntryList& a, const EntryList& b) {
    for (int i = 0; i < kEntrySlots; ++i)
        if (a[i].code != b[i].code || a[i].letter != b[i].letter ||
            std::memcmp(&a[i].value, &b[i].value, sizeof(double)) != 0)
            return false;
    return true;
}

// Three resonators at 100 MHz: shunt tank, series resonator, shunt tank.
Design bandpass() {
    return designOf({{10e-9, 'L', 2},
                     {253.3e-12, 'C', 2},
                     {12.665e-12, 'C', 3},
                     {200e-9, 'L', 3},
                     {10e-9, 'L', 2},
                     {253.3e-12, 'C', 2}});
}

// Shunt tanks coupled by series capacitors (a node-coupled bandpass).
Design nodeCoupled() {
    return designOf({{8e-9, 'L', 2},
                     {300e-12, 'C', 2},
                     {20e-12, 'C', 3},
                     {12e-9, 'L', 2},
                     {190e-12, 'C', 2},
                     {25e-12, 'C', 3},
                     {9e-9, 'L', 2},
                     {260e-12, 'C', 2}});
}

class TransformTest : public tanvex::test::ScratchDirTest {
protected:
    Editor& open(Design d) {
        design = d;
        setSaved(design.record, true);
        editor = std::make_unique<Editor>(design, tk);
        editor->open();
        return *editor;
    }
    // Runs a command with the given answers; expects no message.
    void run(int command, std::initializer_list<const char*> answers) {
        for (const char* a : answers) tk.answer(a);
        tk.log.clear();
        editor->run(command);
        EXPECT_TRUE(tk.notices().empty()) << command << ": " << tk.notices().front();
    }
    // An exact transform: the response stays, the design is marked changed
    // and one undo brings back the very same bytes.
    void expectExact(int command, std::initializer_list<const char*> answers, const char* what,
                     std::initializer_list<double> frequencies = kBand) {
        const EntryList before = design.entries;
        int undo = editor->undoCount();
        run(command, answers);
        EXPECT_FALSE(sameBytes(before, design.entries)) << what << ": nothing changed";
        expectSameResponse(before, design.entries, frequencies, what);
        EXPECT_FALSE(editor->unchanged()) << what;
        EXPECT_EQ(editor->undoCount(), undo + 1) << what;
        const EntryList after = design.entries;
        editor->run(kCmdOops);
        EXPECT_TRUE(sameBytes(before, design.entries)) << what << ": undo";
        design.entries = after;
    }
    // A refusal: the message, the same bytes, no snapshot, still unchanged.
    void expectRefused(int command, std::initializer_list<const char*> answers,
                       const std::string& message, const char* what) {
        const EntryList before = design.entries;
        bool wasUnchanged = editor->unchanged();
        int undo = editor->undoCount();
        for (const char* a : answers) tk.answer(a);
        tk.log.clear();
        editor->run(command);
        EXPECT_TRUE(tk.sawNotice(message)) << what;
        EXPECT_TRUE(sameBytes(before, design.entries)) << what;
        EXPECT_EQ(editor->undoCount(), undo) << what;
        EXPECT_EQ(editor->unchanged(), wasUnchanged) << what;
        tk.answers.clear();
    }
    Design design;
    ui::ScriptedToolkit tk;
    std::unique_ptr<Editor> editor;
};

} // namespace

TEST_F(TransformTest, NortonForceAndIterateKeepTheResponse) {
    open(bandpass());
    expectExact(kCmdXform, {"3", "1.7"}, "Xform at the series C");
    expectExact(kCmdXform, {"1", "0.6"}, "Xform at a shunt L");
    // The forced element above the centre (it takes the new source-side
    // element) and below it (scaled, it takes the termination-side one).
    design.entries = bandpass().entries;
    expectExact(kCmdForce, {"5", "12", "4"}, "Force L5 about L4");
    // Its index moved up by the entry inserted below it.
    EXPECT_NEAR(design.entries[6].value, 12e-9, 1e-17);
    EXPECT_EQ(design.entries[6].code, 2);
    design.entries = bandpass().entries;
    expectExact(kCmdForce, {"2", "240", "3"}, "Force C2 about C3");
    EXPECT_NEAR(design.entries[2].value, 240e-12, 1e-20);

    open(nodeCoupled());
    expectExact(kCmdIterate, {}, "Iterate");
}

TEST_F(TransformTest, PiTKurodaAndDipoleKeepTheResponse) {
    open(designOf(
        {{10e-9, 'L', 2}, {200e-12, 'C', 2}, {5e-12, 'C', 3}, {200e-12, 'C', 2}, {10e-9, 'L', 2}}));
    expectExact(kCmdPiT, {"3"}, "Pi to T");
    EXPECT_EQ(design.entries[2].code, 3);
    EXPECT_EQ(design.entries[3].code, 2);
    expectExact(kCmdPiT, {"3"}, "T to Pi");

    // A series short-circuited stub next to a line of the same length, in
    // both orders, and the shunt open-stub form.
    const double len = 0.6;
    for (int stubCode : {17, 18})
        for (bool lineFirst : {false, true}) {
            NetEntry line[2] = {{60.0, 'Z', 23}, {len, 'D', 23}};
            NetEntry stub[2] = {{40.0, 'Z', stubCode}, {len, 'D', stubCode}};
            Design d = lineFirst ? designOf({line[0], line[1], stub[0], stub[1]})
                                 : designOf({stub[0], stub[1], line[0], line[1]});
            open(d);
            expectExact(kCmdKuroda, {"1"}, "Kuroda");
        }

    // The new open stub merges with a like stub of the same length beyond it.
    open(designOf({{40.0, 'Z', 17},
                   {len, 'D', 17},
                   {60.0, 'Z', 23},
                   {len, 'D', 23},
                   {80.0, 'Z', 18},
                   {len, 'D', 18}}));
    expectExact(kCmdKuroda, {"2"}, "Kuroda with a merge");
    EXPECT_EQ(entryCount(design.entries), 5);
    EXPECT_NEAR(design.entries[3].value, 1.0 / (1.0 / 150.0 + 1.0 / 80.0), 1e-12);

    open(designOf({{1e-6, 'L', 4}, {1e-9, 'C', 4}, {2e-6, 'L', 4}, {3e-9, 'C', 4}}, 50, 4e6));
    std::initializer_list<double> low = {1e6, 2.5e6, 3e6, 4e6, 6e6};
    expectExact(kCmdDipole, {"1"}, "two pairs to the group", low);
    const EntryList group = design.entries;
    expectExact(kCmdDipole, {"2"}, "the group to its bridged form by C", low);
    EXPECT_EQ(design.entries[1].code, 30);
    design.entries = group;
    expectExact(kCmdDipole, {"4"}, "the group to its bridged form by L", low);
    design.entries = group;
    expectExact(kCmdDipole, {"1"}, "the group to two pairs", low);
    // The series forms go through their duals.
    open(designOf({{1e-6, 'L', 5}, {1e-9, 'C', 5}, {2e-6, 'L', 5}, {3e-9, 'C', 5}}, 50, 4e6));
    expectExact(kCmdDipole, {"1"}, "two series pairs to the group", low);
}

TEST_F(TransformTest, EqualValueAndCpKeepTheResponse) {
    open(nodeCoupled());
    expectExact(kCmdEqualValue, {"C", ""}, "Equal C");
    run(kCmdEqualValue, {"C", ""});
    const EntryList& e = design.entries;
    EXPECT_NEAR(e[2].value / e[8].value, 1.0, 1e-6);
    EXPECT_NEAR(e[5].value / e[8].value, 1.0, 1e-6);
    // A desired value scales the impedance level.
    run(kCmdEqualValue, {"L", "10"});
    for (int i = 1; i < entryCount(e); ++i)
        if (e[i].letter == 'L') {
            EXPECT_NEAR(e[i].value, 10e-9, 1e-14) << i;
        }

    // Two notch sections (series tanks) between shunt tanks: the shunt
    // capacitor between them set to 5 pF, then removed again.
    open(designOf({{40e-9, 'L', 2},
                   {60e-12, 'C', 2},
                   {100e-9, 'L', 5},
                   {20e-12, 'C', 5},
                   {90e-9, 'L', 5},
                   {16e-12, 'C', 5},
                   {40e-9, 'L', 2},
                   {60e-12, 'C', 2}}));
    expectExact(kCmdCp, {"3", "5"}, "Cp");
    run(kCmdCp, {"3", "5"});
    int cp = -1;
    for (int i = 1; i < entryCount(design.entries); ++i)
        if (design.entries[i].code == 2 && design.entries[i - 1].code == 5 &&
            design.entries[i + 1].code == 5)
            cp = i;
    ASSERT_GT(cp, 0);
    EXPECT_NEAR(design.entries[cp].value, 5e-12, 5e-18);
}

TEST_F(TransformTest, TransformsExactAtTheReferenceFrequency) {
    // J-k inverter on the first shunt tank of the bandpass: a series C
    // neighbour, so the inverted tank's inductor is asked for.
    open(bandpass());
    EntryList before = design.entries;
    run(kCmdJkInverter, {"2", "30"});
    EXPECT_NEAR(lossDb(design.entries, kF0), lossDb(before, kF0), 1e-6);
    EXPECT_NEAR(reflection(design.entries, kF0), reflection(before, kF0), 1e-7);
    bool hasD = false;
    for (int i = 1; i < entryCount(design.entries); ++i)
        hasD |=
            design.entries[i].letter == 'L' && std::fabs(design.entries[i].value - 30e-9) < 1e-15;
    EXPECT_TRUE(hasD);
    editor->run(kCmdOops);
    EXPECT_TRUE(sameBytes(before, design.entries));

    // -Value, and a coil's distributed capacity placed and compensated.
    for (int b : {3, 4}) {
        open(bandpass());
        before = design.entries;
        run(kCmdNegativeValue, {std::to_string(b).c_str()});
        EXPECT_NE(design.entries[b].letter, before[b].letter);
        EXPECT_NEAR(lossDb(design.entries, kF0), lossDb(before, kF0), 1e-6);
    }
    open(bandpass());
    before = design.entries;
    run(kCmdLcdInsert, {"4", "2"}); // 2 pF across the 200 nH series coil
    EXPECT_EQ(design.entries[4].code, 5);
    EXPECT_EQ(design.entries[5].code, 5);
    run(kCmdLcdCompensate, {"5,4", "100"});
    EXPECT_NEAR(lossDb(design.entries, kF0), lossDb(before, kF0), 1e-6);
    EXPECT_GT(std::fabs(lossDb(design.entries, 120e6) - lossDb(before, 120e6)), 1e-3);
}

TEST_F(TransformTest, WorkedFigures) {
    // Pi of capacitors 1, 2, 3 (shunt, series, shunt) to a T.
    EntryList l = designOf({{1, 'C', 2}, {2, 'C', 3}, {3, 'C', 2}, {1, 'L', 2}}).entries;
    ASSERT_TRUE(piT(l, 2));
    EXPECT_DOUBLE_EQ(l[1].value, 11.0 / 3.0);
    EXPECT_DOUBLE_EQ(l[2].value, 11.0 / 2.0);
    EXPECT_DOUBLE_EQ(l[3].value, 11.0);
    EXPECT_EQ(l[1].code, 3);
    EXPECT_EQ(l[2].code, 2);
    EXPECT_EQ(l[3].code, 3);

    l = designOf({{-10e-12, 'C', 3}}).entries;
    ASSERT_TRUE(removeNegative(l, 1));
    EXPECT_EQ(l[1].letter, 'L');
    EXPECT_NEAR(l[1].value, 253.303e-9, 0.001e-9);

    l = designOf({{1e-6, 'L', 4}, {1e-9, 'C', 4}, {2e-6, 'L', 4}, {3e-9, 'C', 4}}).entries;
    ASSERT_TRUE(pairsToGroup(l, 1));
    EXPECT_NEAR(l[1].value, 0.5208333e-6, 1e-13);
    EXPECT_NEAR(l[2].value, 4.32e-9, 1e-15);
    EXPECT_NEAR(l[3].value, 4e-9, 1e-15);
    EXPECT_NEAR(l[4].value, 0.6666667e-6, 1e-13);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(l[i].code, 28);
    ASSERT_TRUE(dipole(l, 1)); // and back to the two pairs
    EXPECT_NEAR(l[1].value * l[2].value, 1e-15, 1e-24);
    EXPECT_NEAR(l[3].value * l[4].value, 6e-15, 1e-23);
    // Pairs of equal resonance have no group form.
    l = designOf({{1e-6, 'L', 4}, {3e-9, 'C', 4}, {3e-6, 'L', 4}, {1e-9, 'C', 4}}).entries;
    EXPECT_FALSE(pairsToGroup(l, 1));

    // Kuroda: stub 40, line 60 -> line 100 and open stub 100 * 60 / 40.
    l = designOf({{40, 'Z', 17}, {0.5, 'D', 17}, {60, 'Z', 23}, {0.5, 'D', 23}}).entries;
    ASSERT_TRUE(kuroda(l, 1));
    EXPECT_DOUBLE_EQ(l[1].value, 100.0);
    EXPECT_EQ(l[1].code, 23);
    EXPECT_DOUBLE_EQ(l[3].value, 150.0);
    EXPECT_EQ(l[3].code, 18);

    l = designOf({{100e-9, 'L', 3}, {2e-12, 'C', 2}}).entries;
    ASSERT_TRUE(compensateDistributedC(l, 2, 1, 100e6));
    EXPECT_NEAR(l[1].value, 92.682e-9, 0.001e-9);
}

TEST_F(TransformTest, RefusalsLeaveTheDesignAsItWas) {
    open(bandpass());
    const char* bad = "* Incorrect configuration *";
    expectRefused(kCmdForce, {"3", "10", "3"}, "Error", "Force about itself");
    expectRefused(kCmdForce, {"5", "12", "3"}, "Error", "Force L about a C");
    expectRefused(kCmdForce, {"6", "250", "3"}, "Error", "Force a branch the transform misses");
    expectRefused(kCmdNegativeValue, {"7"}, "* Bad branch number *", "-Value on the source");
    expectRefused(kCmdJkInverter, {"2", "0"}, bad, "J-k with D = 0");
    expectRefused(kCmdJkInverter, {"6", "30"}, "* Bad branch number *", "J-k next to the source");
    expectRefused(kCmdJkInverter, {"3", "30"}, bad, "J-k on no tank");
    expectRefused(kCmdPiT, {"1"}, bad, "Pi-T at the termination");
    expectRefused(kCmdPiT, {"3"}, bad, "Pi-T on unlike elements");
    expectRefused(kCmdLcdCompensate, {"1,5", "100"}, bad, "Compensate two inductors");
    expectRefused(kCmdLcdCompensate, {"1,2", "0"}, bad, "Compensate at 0 Hz");
    expectRefused(kCmdLcdInsert, {"2", "1"}, "* Bad branch number *", "L-Cd on a C");
    expectRefused(kCmdCp, {"3", "5"}, bad, "Cp without notch sections");
    expectRefused(kCmdDipole, {"3"}, bad, "Dipole on a single element");
    expectRefused(kCmdEqualValue, {"C", ""}, bad, "Equal value on a direct bandpass");

    // Nothing to do: no message, no snapshot, still unchanged.
    const EntryList before = design.entries;
    tk.answer("3");
    tk.answer("1");
    editor->run(kCmdXform);
    tk.answer("1,2");
    tk.answer(""); // no frequency: abandoned
    editor->run(kCmdLcdCompensate);
    EXPECT_TRUE(sameBytes(before, design.entries));
    EXPECT_TRUE(editor->unchanged());
    EXPECT_EQ(editor->undoCount(), 0);

    // -Value only on L and C (never on a zero value).
    EntryList l = designOf({{50, 'R', 2}, {0.0, 'C', 3}}).entries;
    EXPECT_FALSE(removeNegative(l, 1));
    EXPECT_FALSE(removeNegative(l, 2));
    // J-k whose neighbour is in the tank's own connection.
    l = designOf({{10e-9, 'L', 2}, {250e-12, 'C', 2}, {5e-12, 'C', 2}, {1e-9, 'L', 3}}).entries;
    EXPECT_FALSE(jkInverter(l, 2, 30e-9));
    // Pi-T whose sum vanishes.
    l = designOf({{1e-9, 'L', 3}, {-0.5e-9, 'L', 2}, {1e-9, 'L', 3}}).entries;
    EXPECT_FALSE(piT(l, 2));
}

TEST_F(TransformTest, ElementsThatVanishAreDeleted) {
    // A Norton transform whose new series L cancels its neighbour exactly.
    // With r = 4 the shunt 20 nH brings B = 40 nH to the scaled -4 x 10 nH
    // below it and A = -20 nH to the 20 nH above it: both series L vanish.
    EntryList l = designOf({{-10e-9, 'L', 3}, {20e-9, 'L', 2}, {20e-9, 'L', 3}}).entries;
    int n = entryCount(l);
    ASSERT_TRUE(nortonAt(l, 2, 4.0));
    EXPECT_EQ(entryCount(l), n - 2);
    EXPECT_DOUBLE_EQ(l[1].value, 40e-9);
    for (int i = 1; i < entryCount(l); ++i)
        EXPECT_TRUE(std::isfinite(l[i].value) && l[i].value != 0);
}

TEST_F(TransformTest, DistributedCapacityForms) {
    EntryList l = designOf({{10e-9, 'C', 6}, {20e-9, 'L', 6}, {5e-9, 'L', 6}}).entries;
    ASSERT_EQ(insertDistributedC(l, 2, 1e-12), 0);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(l[i].code, 48) << i;
    EXPECT_EQ(l[1].letter, 'L');
    EXPECT_EQ(l[3].letter, 'R');
    EXPECT_EQ(l[4].value, 1e-12);
    EXPECT_EQ(insertDistributedC(l, 5, 1e-12), 2); // no form for a code-48 group
    EntryList third = designOf({{10e-9, 'C', 6}, {20e-9, 'C', 6}, {5e-9, 'L', 6}}).entries;
    EXPECT_EQ(insertDistributedC(third, 3, 1e-12), 1);

    // Delete removes the stand-in resistor with the element named.
    Design d = designOf({});
    for (int i = 0; i <= entryCount(l) + 1; ++i) d.entries[i] = l[i];
    open(d);
    run(kCmdDelete, {"2,2"});
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(design.entries[i].code, 6) << i;
    EXPECT_EQ(entryCount(design.entries), 4);
}

namespace {

// Shunt capacitors coupled by series capacitors and inductors.
Design tubular() {
    return designOf({{10e-12, 'C', 3},
                     {250e-9, 'L', 3},
                     {30e-12, 'C', 2},
                     {4e-12, 'C', 3},
                     {40e-12, 'C', 2},
                     {260e-9, 'L', 3},
                     {35e-12, 'C', 2},
                     {5e-12, 'C', 3},
                     {28e-12, 'C', 2},
                     {240e-9, 'L', 3},
                     {11e-12, 'C', 3}});
}

// A toolkit on which Escape is pending.
class EscapeToolkit : public ui::ScriptedToolkit {
public:
    int keyPoll() override { return 27; }
};

} // namespace

TEST_F(TransformTest, TubularShuntsMadeEqual) {
    open(tubular());
    const EntryList before = design.entries;
    run(kCmdEqualValue, {"c"});
    std::vector<double> shunts;
    for (int i = 1; i < entryCount(design.entries); ++i)
        if (design.entries[i].code == 2) shunts.push_back(design.entries[i].value);
    ASSERT_EQ(shunts.size(), 4u);
    for (double c : shunts) EXPECT_NEAR(c / shunts[0], 1.0, 1e-6);
    EXPECT_EQ(editor->statusMessage().rfind(" Tubular shunts = 28.41", 0), 0u)
        << editor->statusMessage();
    // Equal pairs are exact; the inductors turned capacitors are exact at Fo.
    EXPECT_NEAR(lossDb(design.entries, kF0), lossDb(before, kF0), 1e-6);
    EXPECT_NEAR(reflection(design.entries, kF0), reflection(before, kF0), 1e-7);
    editor->run(kCmdOops);
    EXPECT_TRUE(sameBytes(before, design.entries));

    // Asked for L, it does C and says so.
    tk.answer("L");
    editor->run(kCmdEqualValue);
    EXPECT_TRUE(tk.sawNotice("Can't equalize L on a tubular, doing C"));
    EXPECT_NEAR(design.entries[3].value / design.entries[9].value, 1.0, 1e-6);
}

TEST_F(TransformTest, TubularPassStoppedByEscapeKeepsEqualPairs) {
    Design d = tubular();
    setSaved(d.record, true);
    design = d;
    EscapeToolkit esc;
    Editor ed(design, esc);
    ed.open();
    esc.answer("C");
    ed.run(kCmdEqualValue);
    EXPECT_TRUE(esc.sawNotice("All equal shunts failed - equal pairs only!"));
    EXPECT_TRUE(std::filesystem::exists(designFilePath("tmp_ev", ".dzn")));
    const EntryList& e = design.entries;
    // The pairs on either side of each series coupling capacitor agree.
    EXPECT_NEAR(e[3].value / e[5].value, 1.0, 1e-6);
    EXPECT_NEAR(e[7].value / e[9].value, 1.0, 1e-6);
    EXPECT_GT(std::fabs(e[5].value / e[7].value - 1.0), 1e-3);
    EXPECT_FALSE(ed.unchanged());
    EXPECT_NEAR(lossDb(e, 90e6), lossDb(d.entries, 90e6), 1e-6); // pairs: exact
}

TEST_F(TransformTest, StubsTakeTheReactanceAtTheReferenceFrequency) {
    open(bandpass());
    const EntryList before = design.entries;
    run(kCmdStub, {"2", "30"}); // the shunt 253.3 pF as an open stub of 30 ohms
    EXPECT_EQ(design.entries[2].code, 18);
    EXPECT_EQ(design.entries[2].letter, 'Z');
    EXPECT_DOUBLE_EQ(design.entries[2].value, 30.0);
    EXPECT_NEAR(design.entries[3].value, std::atan(2 * M_PI * kF0 * 253.3e-12 * 30.0), 1e-12);
    EXPECT_NEAR(lossDb(design.entries, kF0), lossDb(before, kF0), 1e-6);
    EXPECT_NEAR(reflection(design.entries, kF0), reflection(before, kF0), 1e-7);

    open(bandpass());
    run(kCmdProgStuber, {}); // every element, at the termination's 50 ohms offered
    int stubs = 0;
    for (int i = 1; i < entryCount(design.entries); ++i)
        if (design.entries[i].letter == 'Z') ++stubs;
    EXPECT_EQ(stubs, 6);
    EXPECT_EQ(design.entries[1].code, 16);
    EXPECT_EQ(design.entries[7].code, 17);
    EXPECT_NEAR(lossDb(design.entries, kF0), lossDb(before, kF0), 1e-6);
    EXPECT_GT(std::fabs(lossDb(design.entries, 120e6) - lossDb(before, 120e6)), 1e-3);

    open(designOf({{-1e-9, 'L', 2}}));
    expectRefused(kCmdStub, {"1", "50"}, "* Bad branch number *", "a negative inductor");
    expectRefused(kCmdProgStuber, {"0"}, "* Incorrect configuration *", "Zo of 0");
}

TEST_F(TransformTest, XformTakesThePresetRatioAndCpMayFail) {
    Editor& ed = open(bandpass());
    design.entries[5].value = 5e-9;
    tk.answer("1,5"); // 10 nH / 5 nH
    ed.run(kCmdRatio);
    EXPECT_DOUBLE_EQ(ed.presetRatio(), 2.0);
    const double r0 = design.entries[0].value;
    run(kCmdXform, {"3", ""}); // Cr: the preset ratio
    EXPECT_DOUBLE_EQ(design.entries[0].value, 2.0 * r0);

    // A Cp out of reach: reported, and the network is as it was.
    open(designOf({{40e-9, 'L', 2},
                   {60e-12, 'C', 2},
                   {100e-9, 'L', 5},
                   {20e-12, 'C', 5},
                   {90e-9, 'L', 5},
                   {16e-12, 'C', 5},
                   {40e-9, 'L', 2},
                   {60e-12, 'C', 2}}));
    expectRefused(kCmdCp, {"3", "1e7"}, " No good! Try a smaller value.", "Cp of 10 uF");
}

TEST_F(TransformTest, RefusalWithAFullUndoRingLosesNoState) {
    Editor& ed = open(bandpass());
    const EntryList first = design.entries;
    for (int k = 0; k < kUndoDepth; ++k) run(kCmdXform, {"3", "1.1"});
    expectRefused(kCmdForce, {"3", "10", "3"}, "Error", "Force about itself");
    for (int k = 0; k < kUndoDepth; ++k) ed.run(kCmdOops);
    EXPECT_TRUE(sameBytes(first, design.entries));
    EXPECT_EQ(tk.beeps, 1); // the refusal's beep only
}

TEST_F(TransformTest, TripletKeepsTheResponse) {
    open(bandpass());
    expectExact(kCmdTriplet, {"1", "20"}, "Triplet of the termination-end tank");
    EXPECT_NEAR(design.entries[3].value, 20e-9, 1e-17); // the tank after its series tank
    EXPECT_EQ(design.entries[1].code, 5);
    open(designOf({{10e-9, 'L', 3}, {30e-12, 'C', 2}, {12e-9, 'L', 3}}));
    expectExact(kCmdTriplet, {"2", "20"}, "Triplet of a single shunt C");
    expectRefused(kCmdTriplet, {"1", "20"}, "* Incorrect configuration *", "a series element");
}

TEST_F(TransformTest, EqualShuntsPassIsBounded) {
    // One sweep does not settle this network: a failure, the list untouched.
    EntryList l = tubular().entries;
    const EntryList before = l;
    EXPECT_FALSE(equalShunts(l, nullptr, 1));
    EXPECT_TRUE(sameBytes(before, l));
    EXPECT_TRUE(equalShunts(l, nullptr));
}
