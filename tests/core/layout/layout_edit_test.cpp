// Split, undo split and sits-on, alone and through a save and reload, the
// parts list, and the close prompt that must not lose work.
#include "layout/layout_commands.h"
#include "layout/layout_edit.h"
#include "layout/parts_list.h"
#include "layout_test_util.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using namespace tanvex;
using namespace tanvex::layout;
using tanvex::test::Bench;
using tanvex::test::Line;
using tanvex::test::ScratchDir;

namespace {

// Impedance-free checks of a parallel pair: capacitances add, inductances
// combine as 1/(1/a + 1/b).
double parallel(char letter, double a, double b) {
    return letter == 'C' ? a + b : 1.0 / (1.0 / a + 1.0 / b);
}

} // namespace

TEST(Split, ShuntSeriesAndTwoElementGroups) {
    // 10 pF shunt into 4 pF: two shunt entries of 4 and 6 pF.
    Bench b;
    b.k.current = 1;
    b.tk.answer("4");
    b.k.split(b.tk);
    auto& br = b.k.design.branches;
    EXPECT_TRUE(b.tk.sawPrompt("Value of one part (pFd.)?"));
    ASSERT_EQ(b.k.design.count, 6);
    EXPECT_EQ(br[1].code, 2);
    EXPECT_EQ(br[2].code, 2);
    EXPECT_NEAR(br[1].value, 4e-12, 1e-24);
    EXPECT_NEAR(br[2].value, 6e-12, 1e-24);
    EXPECT_EQ(br[3].letter, 'L');
    EXPECT_TRUE(b.k.design.modified);

    // 100 nH series into 150 nH: a code-5 pair of 150 and 300 nH.
    b.k.current = 3;
    b.tk.answer("150");
    b.k.split(b.tk);
    EXPECT_EQ(br[3].code, 5);
    EXPECT_EQ(br[4].code, 5);
    EXPECT_NEAR(br[3].value, 150e-9, 1e-18);
    EXPECT_NEAR(br[4].value, 300e-9, 1e-15);
    EXPECT_NEAR(parallel('L', br[3].value, br[4].value), 100e-9, 1e-18);
    EXPECT_EQ(br[b.k.design.count + 1].letter, 'x');

    // Codes 4 and 5 become 6 and 15 with the split element as the pair,
    // whichever of the two elements was split.
    for (int which : {1, 2}) {
        Bench g({{50, 'R', 1, ""},
                 {30e-9, 'L', 4, ""},
                 {20e-12, 'C', 4, ""},
                 {40e-9, 'L', 5, ""},
                 {5e-12, 'C', 5, ""},
                 {50, 'R', 1, ""},
                 {1e8, 'x', 1, ""}});
        auto& e = g.k.design.branches;
        g.k.current = which == 1 ? 2 : 1; // C or L of the code-4 group
        char letter = e[g.k.current].letter;
        double whole = e[g.k.current].value;
        double other = e[3 - g.k.current].value;
        g.tk.answer(letter == 'C' ? "5" : "50");
        g.k.split(g.tk);
        ASSERT_EQ(g.k.design.count, 6);
        for (int i = 1; i <= 3; ++i) EXPECT_EQ(e[i].code, 6);
        EXPECT_EQ(e[1].letter, letter);
        EXPECT_EQ(e[2].letter, letter);
        EXPECT_NEAR(parallel(letter, e[1].value, e[2].value), whole, whole * 1e-12);
        EXPECT_EQ(e[3].value, other);
        g.k.current = 5; // the capacitor of the code-5 arm, moved up one
        g.tk.answer("2");
        g.k.split(g.tk);
        for (int i = 4; i <= 6; ++i) EXPECT_EQ(e[i].code, 15);
        EXPECT_NEAR(e[4].value + e[5].value, 5e-12, 1e-24);
        EXPECT_EQ(e[6].letter, 'L');
        // Code 15 cannot be split again.
        g.tk.answer("1");
        g.k.split(g.tk);
        EXPECT_TRUE(g.tk.sawNotice("Can't split that type"));
        EXPECT_EQ(g.k.design.count, 7);
    }
}

TEST(Split, RefusalsChangeNothing) {
    Bench b;
    b.k.current = 1;
    auto before = b.k.design.branches;
    for (const char* a : {"12", "-3", "10", "0", ""}) {
        b.tk.answer(a);
        b.k.split(b.tk);
    }
    EXPECT_EQ(b.tk.notices(), (std::vector<std::string>{"Ngative value", "Ngative value",
                                                        "A part must be smaller than the whole"}));
    b.k.current = 2; // 100 nH: a part below the whole would need a negative other
    b.tk.answer("50");
    b.k.split(b.tk);
    b.tk.answer("100");
    b.k.split(b.tk);
    EXPECT_EQ(b.tk.notices().size(), 5u);
    EXPECT_EQ(b.k.design.count, 5);
    EXPECT_FALSE(b.k.design.modified);
    EXPECT_FALSE(b.k.design.splitMade);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(b.k.design.branches[i].value, before[i].value);

    // A full list has no room for the second part.
    std::vector<Line> big = {{50, 'R', 1, ""}};
    for (int i = 0; i < 147; ++i) big.push_back({1e-12, 'C', 2, ""});
    big.push_back({50, 'R', 1, ""});
    big.push_back({1e8, 'x', 1, ""});
    Bench f(big);
    ASSERT_EQ(f.k.design.count, 148);
    f.k.current = 5;
    f.tk.answer("0.5");
    f.k.split(f.tk);
    EXPECT_TRUE(f.tk.sawNotice("Network too big!"));
    EXPECT_EQ(f.k.design.count, 148);
}

TEST(SitsOn, OnlyShuntChipsAndLinksFollowASplit) {
    Bench b({{50, 'R', 1, ""},
             {10e-12, 'C', 2, ""},
             {100e-9, 'L', 2, ""},
             {2.2e-12, 'C', 3, ""},
             {10e-12, 'C', 2, ""},
             {2.2e-12, 'C', 3, ""},
             {50, 'R', 1, ""},
             {1e8, 'x', 1, ""}});
    auto& br = b.k.design.branches;
    b.k.current = 1; // a shunt chip: refused before anything is asked
    b.k.sitsOn(b.tk);
    EXPECT_TRUE(b.tk.sawNotice("Series caps only"));
    b.k.current = 3;
    for (const char* a : {"2", "3", "5", "9", "0"}) {
        b.tk.answer(a);
        b.k.sitsOn(b.tk);
    }
    EXPECT_EQ(b.tk.notices(), (std::vector<std::string>{
                                  "Series caps only", "It can't sit on and inductor!",
                                  "Not a shunt chip", "Not a shunt chip", "Not a shunt chip"}));
    EXPECT_EQ(br[3].sitsOn, 0);
    EXPECT_FALSE(b.k.design.modified);
    b.tk.answer("4");
    b.k.sitsOn(b.tk);
    EXPECT_EQ(br[3].sitsOn, 4);
    EXPECT_TRUE(b.k.design.modified);
    b.k.current = 5;
    b.tk.answer("1");
    b.k.sitsOn(b.tk);

    // Splitting shunt chip 1 moves chip 4 to 5: the link follows; the link
    // to chip 1 (the split element) stays on its first part.
    b.k.current = 1;
    b.tk.answer("3");
    b.k.split(b.tk);
    EXPECT_EQ(br[4].sitsOn, 5);
    EXPECT_EQ(br[6].sitsOn, 1);

    // Through a save and a reload.
    ASSERT_EQ(b.k.save(b.tk), 0);
    EXPECT_FALSE(b.k.design.modified);
    Layout r;
    ASSERT_EQ(r.open(b.dir.file("d.dzn"), b.tk), 0);
    EXPECT_EQ(r.design.count, 7);
    EXPECT_EQ(r.design.branches[4].sitsOn, 5);
    EXPECT_EQ(r.design.branches[6].sitsOn, 1);
    EXPECT_NEAR(r.design.branches[2].value, 7e-12, 1e-20);

    // -1 clears the link.
    r.current = 4;
    b.tk.answer("-1");
    r.sitsOn(b.tk);
    EXPECT_EQ(r.design.branches[4].sitsOn, 0);
}

TEST(UndoSplit, RestoresAndTheDesignStaysModified) {
    Bench b;
    b.k.current = 2;
    b.k.undoSplit(b.tk);
    EXPECT_TRUE(b.tk.sawNotice("Can't undo"));
    b.k.design.branches[2].description = "0.262 x 0.310 In.   6.3 turns #20 AWG on 0.199 dia.";
    b.tk.answer("150");
    b.k.split(b.tk);
    b.k.current = 1;
    b.tk.answer("3");
    b.k.split(b.tk);
    ASSERT_EQ(b.k.design.count, 7);
    // Saving the undo copy did not make the design saved.
    EXPECT_TRUE(b.k.design.modified);
    b.k.undoSplit(b.tk);
    EXPECT_EQ(b.k.design.count, 5);
    EXPECT_EQ(b.k.design.branches[2].code, 3);
    EXPECT_DOUBLE_EQ(b.k.design.branches[2].value, 100e-9);
    EXPECT_EQ(b.k.design.branches[2].description,
              "0.262 x 0.310 In.   6.3 turns #20 AWG on 0.199 dia.");
    EXPECT_EQ(b.k.design.name, "d");
    EXPECT_TRUE(b.k.design.modified);

    // Closing asks; X keeps the program open, S saves, and the job file
    // names the design.
    b.tk.answer("X");
    EXPECT_FALSE(b.k.close(b.tk));
    EXPECT_TRUE(b.tk.sawPrompt("Design was modified and not saved"));
    b.tk.answer("S");
    EXPECT_TRUE(b.k.close(b.tk));
    EXPECT_FALSE(b.k.design.modified);
    JobFile job = readJobFile(b.k.jobPath);
    EXPECT_TRUE(job.existed);
    EXPECT_EQ(job.directory, b.dir.str());
    EXPECT_EQ(job.name, "d");
    EXPECT_EQ(b.dir.read("kdx_job.dat"), b.dir.str() + "\r\nd\r\n\r\n");
}

TEST(Close, ASaveThatFailsKeepsTheProgramOpen) {
    Bench b;
    // Save As names the design after the new file.
    b.k.design.modified = true;
    ASSERT_EQ(b.k.saveAs(b.dir.file("copy.dzn"), b.tk), 0);
    EXPECT_EQ(b.k.design.name, "copy");
    EXPECT_EQ(b.k.design.directory, b.dir.str());
    EXPECT_FALSE(b.k.design.modified);
    Layout r;
    ASSERT_EQ(r.open(b.dir.file("copy"), b.tk), 0);
    EXPECT_EQ(r.design.count, b.k.design.count);
    b.k.design.modified = true;
    b.k.design.directory = b.dir.file("gone");
    b.tk.answer("S");
    EXPECT_FALSE(b.k.close(b.tk));
    EXPECT_TRUE(b.tk.sawNotice("Bad file"));
    b.tk.answer("Q");
    EXPECT_TRUE(b.k.close(b.tk));
}

TEST(PartsList, ThreePassesAllOrChanged) {
    Bench b;
    auto& br = b.k.design.branches;
    br[2].description = "0.262 x 0.310 In.   6.3 turns #20 AWG on 0.199 dia. #8 Qu=185";
    br[1].description = "0.211 x 0.211 x 0.010 In.  NPO c";
    br[4].description = "0.211 x 0.211 x 0.010 In.  NPO c";
    br[4].changed = true;
    EXPECT_EQ(partsList(b.k.design, false),
              (std::vector<std::string>{"C1    10.00 pFd.", "  0.211 x 0.211 x 0.010 In.  NPO c",
                                        "C4    10.00 pFd.", "  0.211 x 0.211 x 0.010 In.  NPO c",
                                        "L2   100.00 nHy.", "  " + br[2].description}));
    EXPECT_EQ(partsList(b.k.design, true).size(), 2u);
    b.tk.answer("A");
    b.tk.answer("F");
    b.k.partsListCommand(b.tk, nullptr);
    EXPECT_TRUE(b.tk.sawPrompt(" [F] - File d.6hc"));
    EXPECT_EQ(b.dir.read("d.6HC").substr(0, 18), "C1    10.00 pFd.\r\n");
    b.tk.answer("C");
    b.tk.answer("P");
    b.k.partsListCommand(b.tk, [](const std::vector<std::string>&) { return false; });
    EXPECT_TRUE(b.tk.sawNotice("Printer error"));
}
