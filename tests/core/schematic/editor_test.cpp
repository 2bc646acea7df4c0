#include "design/design_file.h"
#include "design/operations.h"
#include "schematic/editor.h"
#include "schematic/insert_selector.h"
#include "schematic/network_edit.h"
#include "scratch_dir_test.h"
#include "test_networks.h"
#include "ui/cp437.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace tanvex;
using namespace tanvex::schematic;
using tanvex::test::designOf;
using Complex = std::complex<double>;

namespace {

class EditorTest : public tanvex::test::ScratchDirTest {
protected:
    // An open editor on design d; the design counts as saved.
    Editor& open(Design d) {
        design = d;
        setSaved(design.record, true);
        editor = std::make_unique<Editor>(design, tk);
        editor->open();
        return *editor;
    }
    Design design;
    ui::ScriptedToolkit tk;
    std::unique_ptr<Editor> editor;
};

// Input impedance at angular frequency w of a ladder of codes 2, 3, 4 and
// 5, worked from the termination: an independent oracle for the transforms.
Complex inputImpedance(const EntryList& list, double w) {
    auto z = [&](const NetEntry& e) {
        if (e.letter == 'L') return Complex(0.0, w * e.value);
        if (e.letter == 'C') return Complex(0.0, -1.0 / (w * e.value));
        return Complex(e.value, 0.0);
    };
    int n = entryCount(list);
    Complex zin = z(list[0]);
    for (int i = 1; i < n;) {
        int c = list[i].code;
        if (c == 2) {
            zin = 1.0 / (1.0 / zin + 1.0 / z(list[i]));
            i += 1;
        } else if (c == 3) {
            zin += z(list[i]);
            i += 1;
        } else if (c == 4) {
            zin = 1.0 / (1.0 / zin + 1.0 / (z(list[i]) + z(list[i + 1])));
            i += 2;
        } else if (c == 5) {
            zin += 1.0 / (1.0 / z(list[i]) + 1.0 / z(list[i + 1]));
            i += 2;
        } else {
            ADD_FAILURE() << "code " << c << " in the oracle's ladder";
            return {};
        }
    }
    return zin;
}

std::vector<NetEntry> entries(const Design& d) {
    int n = entryCount(d.entries);
    return {d.entries.begin(), d.entries.begin() + n + 2};
}

bool sameEntries(const Design& a, const Design& b) {
    auto x = entries(a), y = entries(b);
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (x[i].code != y[i].code || x[i].letter != y[i].letter ||
            std::fabs(x[i].value - y[i].value) > 1e-9 * std::fabs(x[i].value))
            return false;
    return true;
}

} // namespace

TEST_F(EditorTest, ElevenChangesAndElevenUndos) {
    Editor& ed = open(designOf({{1e-12, 'C', 2}}));
    std::vector<double> before;
    for (int k = 1; k <= 11; ++k) {
        before.push_back(design.entries[1].value);
        tk.answer("1");
        tk.answer(std::to_string(k * 10));
        ed.run(kCmdChange);
        EXPECT_DOUBLE_EQ(design.entries[1].value, k * 10e-12);
    }
    EXPECT_FALSE(ed.unchanged());
    for (int k = 11; k >= 2; --k) {
        ed.run(kCmdOops);
        EXPECT_DOUBLE_EQ(design.entries[1].value, before[k - 1]) << "undo " << 12 - k;
    }
    EXPECT_EQ(tk.beeps, 0);
    double last = design.entries[1].value;
    ed.run(kCmdOops); // the oldest change fell out of the ring
    EXPECT_EQ(tk.beeps, 1);
    EXPECT_DOUBLE_EQ(design.entries[1].value, last);
    EXPECT_DOUBLE_EQ(last, 10e-12);
}

TEST_F(EditorTest, ChangeTwoSelectedBranches) {
    Editor& ed = open(designOf({{1e-12, 'C', 2}, {1e-9, 'L', 3}, {2e-12, 'C', 2}}));
    ed.select(1);
    ed.select(3);
    tk.answer("Y");  // "TWO branches were specified"
    tk.answer("47"); // pF
    ed.run(kCmdChange);
    EXPECT_FALSE(tk.sawPrompt(" What two branch numbers ? "));
    EXPECT_TRUE(tk.sawPrompt(" What is new value (pFd ) ? "));
    EXPECT_DOUBLE_EQ(design.entries[1].value, 47e-12);
    EXPECT_DOUBLE_EQ(design.entries[3].value, 47e-12);

    // Different kinds: refused.
    ed.select(1);
    ed.select(2);
    ed.run(kCmdChange);
    EXPECT_TRUE(tk.sawNotice("The two branches must be of the same type."));
    EXPECT_DOUBLE_EQ(design.entries[2].value, 1e-9);
    // "No" to the confirmation aborts.
    ed.select(1);
    ed.select(3);
    tk.answer("N");
    ed.run(kCmdChange);
    EXPECT_DOUBLE_EQ(design.entries[1].value, 47e-12);
}

TEST_F(EditorTest, DeleteRecodesWhatIsLeftOfAGroup) {
    Editor& ed = open(designOf({{1e-12, 'C', 15},
                                {2e-12, 'C', 15},
                                {3e-12, 'C', 15},
                                {1e-9, 'L', 4},
                                {4e-12, 'C', 4},
                                {5e-12, 'C', 2}}));
    tk.answer("2"); // the middle of the code-15 group
    ed.run(kCmdDelete);
    EXPECT_EQ(entryCount(design.entries), 6);
    EXPECT_EQ(design.entries[1].code, 5);
    EXPECT_EQ(design.entries[2].code, 5);
    EXPECT_DOUBLE_EQ(design.entries[2].value, 3e-12);
    tk.answer("4"); // the capacitor of the code-4 pair
    ed.run(kCmdDelete);
    EXPECT_EQ(design.entries[3].code, 2);
    EXPECT_EQ(design.entries[3].letter, 'L');
    EXPECT_EQ(design.entries[4].code, 2);
    EXPECT_EQ(entryCount(design.entries), 5);
    // From a group start, whole groups go: branches 1 .. 3.
    tk.answer("1,3");
    ed.run(kCmdDelete);
    EXPECT_EQ(entryCount(design.entries), 2);
    EXPECT_DOUBLE_EQ(design.entries[1].value, 5e-12);
    EXPECT_EQ(design.entries[3].letter, 'x');
    // Code 6: removing one of the parallel pair leaves a code-4 branch.
    open(designOf({{1e-12, 'C', 6}, {1e-9, 'L', 6}, {2e-9, 'L', 6}}));
    tk.answer("2");
    editor->run(kCmdDelete);
    EXPECT_EQ(design.entries[1].code, 4);
    EXPECT_EQ(design.entries[2].code, 4);
    EXPECT_DOUBLE_EQ(design.entries[2].value, 2e-9);
}

TEST_F(EditorTest, CombineElements) {
    Editor& ed = open(designOf({{10e-9, 'L', 3},
                                {20e-9, 'L', 3},
                                {10e-12, 'C', 3},
                                {10e-12, 'C', 3},
                                {1e-12, 'C', 5},
                                {3e-12, 'C', 5}}));
    tk.answer("1,2");
    ed.run(kCmdCombine);
    EXPECT_EQ(entryCount(design.entries), 6);
    EXPECT_NEAR(design.entries[1].value, 30e-9, 1e-20);
    EXPECT_EQ(design.entries[1].code, 3);
    tk.answer("2,3");
    ed.run(kCmdCombine);
    EXPECT_NEAR(design.entries[2].value, 5e-12, 1e-24);
    // Two capacitors of one code-5 pair: they add, and the pair becomes a
    // series element.
    tk.answer("3,4");
    ed.run(kCmdCombine);
    EXPECT_NEAR(design.entries[3].value, 4e-12, 1e-24);
    EXPECT_EQ(design.entries[3].code, 3);
    EXPECT_EQ(entryCount(design.entries), 4);
    // An inductor into a capacitor: refused, nothing changes.
    Design before = design;
    tk.answer("1,2");
    ed.run(kCmdCombine);
    EXPECT_TRUE(tk.sawNotice("* Incorrect configuration *"));
    EXPECT_TRUE(sameEntries(before, design));
}

TEST_F(EditorTest, NormTwiceAndUnNorm) {
    Design lp = designOf({{10e-12, 'C', 2}, {50e-9, 'L', 3}, {10e-12, 'C', 2}}, 50.0, 100e6);
    Editor& ed = open(lp);
    ed.run(kCmdNorm);
    EXPECT_NEAR(design.entries[5].value, 0.159155, 1e-9);
    EXPECT_DOUBLE_EQ(design.entries[0].value, 1.0);
    // C' = C * 2 pi f * R after normalising to 1 rad/s and 1 ohm.
    EXPECT_NEAR(design.entries[1].value, 10e-12 * 50 * 2 * M_PI * 100e6, 1e-5);
    EXPECT_EQ(design.notation.frequency.name, "Rad ");
    Design normalized = design;
    ed.run(kCmdNorm);
    EXPECT_TRUE(tk.sawNotice(" Already normalized"));
    EXPECT_TRUE(sameEntries(normalized, design));
    ed.run(kCmdUnNorm);
    EXPECT_TRUE(sameEntries(lp, design));
    EXPECT_EQ(design.notation.frequency.name, "MHz ");
    ed.run(kCmdUnNorm);
    EXPECT_TRUE(tk.sawNotice(" Can't Un-normalize"));
}

TEST_F(EditorTest, ReverseKeepsGroupsAndRefusesSidePorts) {
    Design d = designOf({{100e6, 'F', 22},
                         {1e-12, 'C', 2},
                         {4.0, '1', 44},
                         {1e-9, 'L', 3},
                         {2.0, 'N', 24},
                         {1e-12, 'C', 4},
                         {2e-9, 'L', 4}},
                        75.0);
    Editor& ed = open(d);
    ed.run(kCmdReverse);
    EXPECT_TRUE(tk.notices().empty());
    const EntryList& e = design.entries;
    EXPECT_DOUBLE_EQ(e[0].value, 75.0);
    EXPECT_DOUBLE_EQ(e[8].value, 50.0);
    EXPECT_EQ(e[1].code, 22); // the reference marker stays in front
    EXPECT_EQ(e[2].code, 4);
    EXPECT_EQ(e[2].letter, 'C');
    EXPECT_EQ(e[3].letter, 'L');
    EXPECT_EQ(e[4].code, 24);
    EXPECT_DOUBLE_EQ(e[4].value, 0.5);
    EXPECT_EQ(e[5].code, 44); // still in front of its inductor
    EXPECT_EQ(e[6].letter, 'L');
    EXPECT_EQ(e[7].letter, 'C');
    // Twice reversed is the network it was.
    ed.run(kCmdReverse);
    EXPECT_TRUE(sameEntries(d, design));

    Design port = designOf({{1e-12, 'C', 2}, {50, 'R', 8}, {1e-9, 'L', 3}, {0, '_', 9}});
    open(port);
    editor->run(kCmdReverse);
    EXPECT_TRUE(tk.sawNotice("* Incorrect configuration *"));
    EXPECT_GE(tk.beeps, 1);
    EXPECT_TRUE(sameEntries(port, design));
}

TEST_F(EditorTest, BandpassPreservesTheResponseShape) {
    // A lowpass with an elliptic shunt pair (code 4) and a series trap
    // (code 5): after the transform, Zin_bp(w) = Zin_lp(w - w0^2 / w).
    Design lp = designOf({{3e-12, 'C', 2},
                          {40e-9, 'L', 3},
                          {20e-9, 'L', 4},
                          {2e-12, 'C', 4},
                          {30e-9, 'L', 5},
                          {1e-12, 'C', 5},
                          {5e-12, 'C', 2},
                          {25e-9, 'L', 3}});
    Editor& ed = open(lp);
    tk.answer("500"); // MHz
    ed.run(kCmdBandpass);
    ASSERT_TRUE(tk.notices().empty()) << tk.notices().front();
    int n = entryCount(design.entries);
    EXPECT_EQ(n, 17);
    EXPECT_DOUBLE_EQ(design.entries[n + 1].value, 500e6);
    double w0 = 2 * M_PI * 500e6;
    for (double f : {320e6, 450e6, 497e6, 530e6, 610e6, 800e6}) {
        double w = 2 * M_PI * f;
        Complex bp = inputImpedance(design.entries, w);
        Complex want = inputImpedance(lp.entries, w - w0 * w0 / w);
        EXPECT_NEAR(bp.real(), want.real(), 1e-6 * std::abs(want)) << f;
        EXPECT_NEAR(bp.imag(), want.imag(), 1e-6 * std::abs(want)) << f;
    }
    // A line section stops the transform and leaves the network as it was.
    Design line = designOf({{3e-12, 'C', 2}, {50, 'Z', 23}, {1.0, 'D', 23}});
    open(line);
    tk.answer("500");
    editor->run(kCmdBandpass);
    EXPECT_TRUE(tk.sawNotice("* Incorrect configuration *"));
    EXPECT_TRUE(sameEntries(line, design));
}

TEST_F(EditorTest, ExitWithNoRestoresTheDesignOfTheFirstEdit) {
    Design d = designOf({{1e-12, 'C', 2}, {1e-9, 'L', 3}});
    Editor& ed = open(d);
    EXPECT_EQ(ed.run(kCmdSpread), Editor::Result::Stay);
    EXPECT_TRUE(ed.unchanged()); // looking is not changing
    tk.answer("1");
    tk.answer("99");
    ed.run(kCmdChange);
    tk.answer("2");
    ed.run(kCmdDelete);
    EXPECT_FALSE(ed.unchanged());
    tk.answer("C"); // Cancel: stay
    EXPECT_EQ(ed.run(kCmdExit), Editor::Result::Stay);
    tk.answer("N");
    EXPECT_EQ(ed.run(kCmdExit), Editor::Result::Close);
    EXPECT_TRUE(ed.unchanged());
    EXPECT_TRUE(sameEntries(d, design));
    EXPECT_EQ(designName(design), "demo");
}

TEST_F(EditorTest, RegistersKeepWholeDesigns) {
    Editor& ed = open(designOf({{1e-12, 'C', 2}, {1e-9, 'L', 3}}));
    Design saved = design;
    ed.run(kCmdSaveRegister1 + 2); // save3
    EXPECT_EQ(ed.statusMessage(), " ** Done **");
    EXPECT_TRUE(std::filesystem::exists("save3.dzn"));
    tk.answer("1,2");
    ed.run(kCmdDelete);
    EXPECT_EQ(entryCount(design.entries), 1);
    ed.run(kCmdRecallRegister1 + 2);
    EXPECT_TRUE(sameEntries(saved, design));
    ed.run(kCmdOops); // the recall itself can be undone
    EXPECT_EQ(entryCount(design.entries), 1);
}

TEST_F(EditorTest, InsertSelectorAddsGroups) {
    Editor& ed = open(designOf({{1e-12, 'C', 2}}));
    // Page 1: rows 3..5 element types, 6 the page title, 7 the code-2 row.
    const auto& page = insertPages()[0];
    ASSERT_FALSE(page.rows.empty());
    EXPECT_EQ(ui::cp437ToUtf8(page.rows[0].text), "( )    ├────── A ──────┤  ");
    tk.answer("1");  // after branch 1
    tk.answer("5");  // the code-2 row
    tk.answer("2");  // C
    tk.answer("33"); // pF
    // then a line section from page 4 (its first row is code 23)
    tk.answer(std::to_string(5 + static_cast<int>(page.rows.size()))); // next page
    tk.answer(std::to_string(5 + static_cast<int>(insertPages()[1].rows.size())));
    tk.answer(std::to_string(5 + static_cast<int>(insertPages()[2].rows.size())));
    tk.answer("5");       // code 23
    tk.answer("50");      // one number only: asked again
    tk.answer("75 , 90"); // Zo, degrees
    tk.answer("0");       // leave the selector
    ed.run(kCmdInsert);
    EXPECT_TRUE(tk.sawPrompt("Branch 2 , Element A")); // after branch 1
    EXPECT_TRUE(tk.sawPrompt("Value (pFd ) ? "));
    ASSERT_EQ(entryCount(design.entries), 5);
    EXPECT_EQ(design.entries[2].code, 2);
    EXPECT_DOUBLE_EQ(design.entries[2].value, 33e-12);
    EXPECT_EQ(design.entries[3].code, 23);
    EXPECT_EQ(design.entries[3].letter, 'Z');
    EXPECT_DOUBLE_EQ(design.entries[3].value, 75.0);
    EXPECT_NEAR(design.entries[4].value, M_PI / 2, 1e-6);
    EXPECT_EQ(tk.beeps, 1);
    // The whole insertion is one undo step.
    ed.run(kCmdOops);
    EXPECT_EQ(entryCount(design.entries), 2);
}

TEST_F(EditorTest, MoveCopyInterchangeAndSplit) {
    Editor& ed = open(designOf(
        {{1e-12, 'C', 2}, {1e-9, 'L', 4}, {2e-12, 'C', 4}, {3e-12, 'C', 2}, {4e-9, 'L', 3}}));
    tk.answer("2,2"); // the code-4 group ...
    tk.answer("4");   // ... after branch 4
    ed.run(kCmdMove);
    EXPECT_DOUBLE_EQ(design.entries[2].value, 3e-12);
    EXPECT_EQ(design.entries[3].code, 4);
    EXPECT_EQ(design.entries[4].code, 4);
    tk.answer("3,1");
    tk.answer("2"); // target inside the block
    ed.run(kCmdMove);
    EXPECT_TRUE(tk.sawNotice("* Bad branch number *"));
    // Interchange two single elements, then groups of different sizes.
    tk.answer("1,2");
    ed.run(kCmdInterchange);
    EXPECT_DOUBLE_EQ(design.entries[1].value, 3e-12);
    tk.answer("2,3");
    ed.run(kCmdInterchange);
    EXPECT_TRUE(tk.sawNotice(" Use MOve command"));
    // Copy the pair to the end.
    tk.answer("3,4");
    tk.answer("5");
    ed.run(kCmdCopy);
    ASSERT_EQ(entryCount(design.entries), 8);
    EXPECT_EQ(design.entries[6].code, 4);
    EXPECT_EQ(design.entries[7].code, 4);
    EXPECT_DOUBLE_EQ(design.entries[7].value, design.entries[4].value);
    // Split the shunt capacitor of branch 1 into two halves, then a typed part.
    tk.answer("1");
    tk.answer("");
    ed.run(kCmdSplit);
    EXPECT_DOUBLE_EQ(design.entries[1].value, 1.5e-12);
    EXPECT_DOUBLE_EQ(design.entries[2].value, 1.5e-12);
    tk.answer("6"); // series L of 4 nH: parts add
    tk.answer("1"); // one part of 1 nHy; the other takes the rest
    ed.run(kCmdSplit);
    EXPECT_DOUBLE_EQ(design.entries[6].value, 1e-9);
    EXPECT_NEAR(design.entries[7].value, 3e-9, 1e-20);
}

TEST_F(EditorTest, QExceptionRatioAndScaling) {
    Editor& ed = open(designOf({{1e-12, 'C', 2}, {1e-9, 'L', 4}, {2e-12, 'C', 4}}));
    tk.answer("3");
    tk.answer("250");
    ed.run(kCmdQException);
    ASSERT_EQ(design.entries[2].code, 44);
    // Inserted before the group of branch 3, pointing at it (now branch 4).
    EXPECT_EQ(design.entries[2].letter, '2');
    EXPECT_DOUBLE_EQ(design.entries[2].value, 250.0);
    EXPECT_EQ(design.entries[4].letter, 'C');
    tk.answer("2");
    ed.run(kCmdQException);
    EXPECT_EQ(design.entries[2].code, 53);
    EXPECT_EQ(design.entries[2].letter, 'c');

    ed.select(4); // 2 pF
    ed.select(1); // 1 pF, clicked last: first in the ratio
    ed.run(kCmdRatio);
    EXPECT_DOUBLE_EQ(ed.presetRatio(), 0.5);
    EXPECT_EQ(ed.statusMessage(), " ratio preset to 0.5");
    tk.answer("-1"); // the preset ratio
    ed.run(kCmdRatioZo);
    EXPECT_DOUBLE_EQ(design.entries[0].value, 25.0);
    EXPECT_DOUBLE_EQ(design.entries[1].value, 2e-12);
    tk.answer("50");
    ed.run(kCmdTermZo);
    EXPECT_DOUBLE_EQ(design.entries[0].value, 50.0);
    EXPECT_DOUBLE_EQ(design.entries[5].value, 50.0);
    tk.answer("0");
    ed.run(kCmdSrcZo);
    EXPECT_TRUE(tk.sawNotice("* Bad ratio *"));
    ed.run(kCmdKuroda); // no line section here
    EXPECT_TRUE(tk.sawNotice("* Incorrect configuration *"));
}

TEST_F(EditorTest, RotateBringsTheSidePortToTheFront) {
    Design d =
        designOf({{1e-12, 'C', 2}, {75, 'R', 8}, {1e-9, 'L', 3}, {0, '_', 9}, {2e-12, 'C', 2}});
    Editor& ed = open(d);
    ed.run(kCmdRotate);
    const EntryList& e = design.entries;
    EXPECT_DOUBLE_EQ(e[0].value, 75.0);
    EXPECT_EQ(e[0].code, 1);
    EXPECT_EQ(e[1].letter, 'L');
    EXPECT_DOUBLE_EQ(e[2].value, 50.0);
    EXPECT_EQ(e[2].code, 8);
    EXPECT_EQ(e[3].letter, 'C');
    EXPECT_EQ(e[4].code, 9);
    EXPECT_EQ(entryCount(e), 6);
    // Without a junction there is nothing to rotate.
    open(designOf({{75, 'R', 8}, {1e-9, 'L', 3}}));
    editor->run(kCmdRotate);
    EXPECT_TRUE(tk.sawNotice("* Incorrect configuration *"));
}

TEST_F(EditorTest, ClickPicksTheElementByColumnAndPaintHighlights) {
    Editor& ed = open(designOf({{1e-12, 'C', 2}, {1e-9, 'L', 4}, {2e-12, 'C', 4}}));
    ui::TextScreen screen(80, 20);
    ed.paint(screen);
    EXPECT_TRUE(ed.click(2, 45)); // row 2: the code-4 pair, second label
    EXPECT_EQ(ed.firstSelected(), 3);
    EXPECT_TRUE(ed.click(1, 5));
    EXPECT_EQ(ed.firstSelected(), 1);
    EXPECT_EQ(ed.secondSelected(), 3);
    ed.paint(screen);
    EXPECT_EQ(screen.at(30, 1).attr, kAttrHighlight); // branch 1's label
    EXPECT_EQ(screen.at(30, 2).attr, kAttrNormal);    // branch 2 is not selected
    EXPECT_EQ(screen.at(45, 2).attr, kAttrHighlight); // branch 3's label
    // The message area frame at the bottom.
    EXPECT_EQ(screen.at(0, 20 - kMessageRows).ch, 218);
    ed.run(kCmdSpread);
    ed.paint(screen);
    EXPECT_NE(screen.rowText(20 - kMessageRows + 1).find("Inductance range"), std::string::npos);
}
