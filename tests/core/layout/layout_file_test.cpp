// The design file as the layout program reads and writes it: part
// descriptions and sits-on links, lines of other entries kept as they were,
// and the main program's reader reading what the layout program wrote.
#include "design/design_file.h"
#include "layout/layout_design.h"
#include "layout_test_util.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using namespace tanvex;
using namespace tanvex::layout;
using tanvex::test::Line;
using tanvex::test::ScratchDir;

namespace {} // namespace

TEST(LayoutFile, MainProgramDesignLoadsEmptyAndWritesTwentyOneCharacterLines) {
    ScratchDir dir;
    dir.write("a.dzn", test::mainProgramLines(test::ladder()));
    ui::ScriptedToolkit tk;
    LayoutDesign d;
    ASSERT_EQ(readLayoutFile(dir.file("a.dzn"), d, tk), 0);
    EXPECT_EQ(d.count, 5);
    EXPECT_DOUBLE_EQ(d.referenceFrequency(), 100e6);
    for (int i = 0; i <= 6; ++i) EXPECT_TRUE(d.branches[i].description.empty()) << i;
    ASSERT_EQ(writeLayoutFile(dir.file("b.dzn"), d, tk), 0);
    auto lines = test::crlfLines(dir.read("b.dzn"));
    ASSERT_EQ(lines.size(), 7u);
    for (const auto& l : lines) EXPECT_EQ(l.size(), 21u) << l;
    EXPECT_EQ(lines[2], " 1.00000000e-07 L 3  ");
    EXPECT_TRUE(tk.notices().empty());
}

TEST(LayoutFile, SitsOnLinkAndDescriptionsRoundTrip) {
    ScratchDir dir;
    dir.write("a.dzn", test::mainProgramLines(test::ladder()));
    ui::ScriptedToolkit tk;
    LayoutDesign d;
    ASSERT_EQ(readLayoutFile(dir.file("a.dzn"), d, tk), 0);
    d.branches[3].description = "0.092 x 0.092 x 0.010 In.  NPO c";
    d.branches[3].sitsOn = 7 - 3; // branch 4
    d.branches[2].description = "0.262 x 0.310 In.   6.3 turns #20 AWG on 0.199 dia. #8 Qu=185";
    // A capacitor description longer than 40 characters, digits at the end:
    // they must never come back as a link.
    d.branches[1].description = "0.211 x 0.211 x 0.010 In.  NPO c  K=12.000 99";
    ASSERT_EQ(writeLayoutFile(dir.file("b.dzn"), d, tk), 0);
    auto lines = test::crlfLines(dir.read("b.dzn"));
    EXPECT_EQ(lines[3].substr(21),
              std::string("0.092 x 0.092 x 0.010 In.  NPO c") + std::string(41 - 32, ' ') + "4");
    EXPECT_EQ(lines[1].size(), 21u + 40u);

    LayoutDesign r;
    ASSERT_EQ(readLayoutFile(dir.file("b.dzn"), r, tk), 0);
    EXPECT_EQ(r.branches[3].sitsOn, 4);
    EXPECT_EQ(r.branches[3].description, "0.092 x 0.092 x 0.010 In.  NPO c");
    EXPECT_EQ(r.branches[1].sitsOn, 0);
    // A special chip's description of 41 characters in an older file: its
    // last digit is not a link.
    auto older = test::ladder();
    older[1].text = "  0.211 x 0.211 x 0.010 In.  <--?  K=12.343";
    dir.write("c.dzn", test::mainProgramLines(older));
    LayoutDesign o;
    ASSERT_EQ(readLayoutFile(dir.file("c.dzn"), o, tk), 0);
    EXPECT_EQ(o.branches[1].sitsOn, 0);
    EXPECT_EQ(o.branches[1].description, "0.211 x 0.211 x 0.010 In.  <--?  K=12.34");
    EXPECT_EQ(r.branches[1].description, d.branches[1].description.substr(0, 40));
    EXPECT_EQ(r.branches[2].description, d.branches[2].description);
    for (int i = 0; i <= 6; ++i) {
        EXPECT_EQ(r.branches[i].value, d.branches[i].value);
        EXPECT_EQ(r.branches[i].letter, d.branches[i].letter);
        EXPECT_EQ(r.branches[i].code, d.branches[i].code);
    }
}

TEST(LayoutFile, OtherEntriesKeepTheirTextAndWholeCodes) {
    // A data branch names its file from column 24, a code-99 line names its
    // instruction, and code 100 must not be read as 10.
    std::vector<Line> lines = {{50, 'R', 1, ""},        {-1.0, '3', 22, "    antenna_z.frx"},
                               {0, 'P', 99, "  STORE"}, {0, 'P', 100, ""},
                               {10e-12, 'C', 2, ""},    {50, 'R', 1, ""},
                               {100e6, 'x', 1, ""}};
    ScratchDir dir;
    std::string original = test::mainProgramLines(lines);
    dir.write("a.dzn", original);
    ui::ScriptedToolkit tk;
    LayoutDesign d;
    ASSERT_EQ(readLayoutFile(dir.file("a.dzn"), d, tk), 0);
    EXPECT_EQ(d.branches[3].code, 100);
    EXPECT_EQ(d.branches[2].code, 99);
    d.branches[4].description = "0.211 x 0.211 x 0.010 In.  NPO c";
    ASSERT_EQ(writeLayoutFile(dir.file("a.dzn"), d, tk), 0);
    auto out = test::crlfLines(dir.read("a.dzn"));
    auto in = test::crlfLines(original);
    EXPECT_EQ(out[1], in[1]);
    EXPECT_EQ(out[2], in[2]);

    // The main program reads the file back: the name is in its slot, the
    // instruction is decoded, and it notices the layout data.
    NetworkFile net;
    EXPECT_EQ(readNetworkFile(dir.file("a.dzn"), net, tk), 0);
    EXPECT_EQ(net.names[3], "antenna_z.frx");
    EXPECT_EQ(net.entries[2].code, 92); // STORE
    EXPECT_EQ(net.entries[3].code, 100);
    EXPECT_EQ(entryCount(net.entries), 5);
    EXPECT_DOUBLE_EQ(net.entries[4].value, 10e-12);
    EXPECT_TRUE(
        tk.sawNotice("KORVADEX data in the file will be lost if you save the design later"));
}

TEST(LayoutFile, BadFilesLeaveTheDesignAsItWas) {
    ScratchDir dir;
    ui::ScriptedToolkit tk;
    LayoutDesign d;
    dir.write("a.dzn", test::mainProgramLines(test::ladder()));
    ASSERT_EQ(readLayoutFile(dir.file("a.dzn"), d, tk), 0);
    d.branches[1].description = "kept";

    EXPECT_EQ(readLayoutFile(dir.file("missing.dzn"), d, tk), kLayoutCannotOpen);
    EXPECT_TRUE(tk.sawNotice("Bad file"));

    auto noEnd = test::ladder();
    noEnd.pop_back();
    dir.write("b.dzn", test::mainProgramLines(noEnd));
    EXPECT_EQ(readLayoutFile(dir.file("b.dzn"), d, tk), kLayoutMalformed);

    std::vector<Line> big = {{50, 'R', 1, ""}};
    for (int i = 0; i < 160; ++i) big.push_back({1e-12, 'C', 2, ""});
    big.push_back({50, 'R', 1, ""});
    big.push_back({1e8, 'x', 1, ""});
    dir.write("c.dzn", test::mainProgramLines(big));
    EXPECT_EQ(readLayoutFile(dir.file("c.dzn"), d, tk), kLayoutTooBig);
    EXPECT_TRUE(tk.sawNotice("Network too big!"));

    EXPECT_EQ(d.count, 5);
    EXPECT_EQ(d.branches[1].description, "kept");
    // A file that cannot be written says so and leaves nothing behind.
    d.modified = true;
    EXPECT_NE(writeLayoutFile(dir.file("no/such/dir/a.dzn"), d, tk), 0);
    EXPECT_TRUE(d.modified);
}

TEST(LayoutFile, BlankLinesAndBareLineFeedsReadAlike) {
    ScratchDir dir;
    std::string s = test::mainProgramLines(test::ladder());
    std::string lf;
    for (char c : s)
        if (c != '\r') lf += c;
    lf.insert(lf.find('\n') + 1, "\n   \n");
    dir.write("a.dzn", lf);
    ui::ScriptedToolkit tk;
    LayoutDesign d;
    ASSERT_EQ(readLayoutFile(dir.file("a.dzn"), d, tk), 0);
    EXPECT_EQ(d.count, 5);
    EXPECT_EQ(d.branches[6].letter, 'x');
}

TEST(LayoutFile, MangledFilesNeverCrashAndWhatLoadsWritesBack) {
    ScratchDir dir;
    std::string good = test::mainProgramLines(test::ladder());
    std::mt19937 rng(17);
    ui::ScriptedToolkit tk;
    int loaded = 0;
    for (int round = 0; round < 400; ++round) {
        std::string s = good;
        int edits = 1 + static_cast<int>(rng() % 6);
        for (int e = 0; e < edits && !s.empty(); ++e) {
            std::size_t at = rng() % s.size();
            switch (rng() % 4) {
            case 0:
                s.resize(at);
                break;
            case 1:
                s[at] = static_cast<char>(rng());
                break;
            case 2:
                s.insert(at, std::string(1 + rng() % 90, "x9 -\r\n#"[rng() % 7]));
                break;
            default:
                s.erase(at, 1 + rng() % 20);
                break;
            }
        }
        dir.write("f.dzn", s);
        LayoutDesign d;
        if (readLayoutFile(dir.file("f.dzn"), d, tk) != 0) continue;
        ++loaded;
        ASSERT_GE(d.count, 1);
        ASSERT_LT(d.count + 1, kMaxLoadEntries);
        ASSERT_EQ(writeLayoutFile(dir.file("g.dzn"), d, tk), 0);
        LayoutDesign r;
        ASSERT_EQ(readLayoutFile(dir.file("g.dzn"), r, tk), 0);
        ASSERT_EQ(r.count, d.count);
        for (int i = 1; i < d.count; ++i) {
            ASSERT_EQ(r.branches[i].letter, d.branches[i].letter);
            ASSERT_EQ(r.branches[i].code, d.branches[i].code);
            ASSERT_EQ(r.branches[i].sitsOn, d.branches[i].sitsOn);
        }
    }
    EXPECT_GT(loaded, 20);
}
