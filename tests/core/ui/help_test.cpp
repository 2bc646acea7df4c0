// The help viewer's model against hand-made help files, the packed help of
// the build tree, and random bytes.
#include "ui/help.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

using namespace tanvex::ui;
namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string indexLine(long offset, const std::string& name) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%-11ld%s\r\n", offset, name.c_str());
    return buf;
}

// A home folder with two indexed topics: ALPHA (two pages) and BETA.
fs::path makeHome(const std::string& tag) {
    fs::path home = fs::path(TANVEX_PICTURE_DIR) / ("help_home_" + tag);
    fs::remove_all(home);
    fs::create_directories(home);
    std::string alpha = "Alpha page one\r\nsecond \x02yellow\x02 line\r\n\f\r\nAlpha page two\r\n";
    std::string beta = "Beta only page\r\n";
    writeFile(home / "tanvexw.hlw", alpha + beta);
    writeFile(home / "HLW_NDX.DAT",
              indexLine(0, "ALPHA.HLW") + indexLine(static_cast<long>(alpha.size()), "BETA.HLW"));
    return home;
}

} // namespace

TEST(HelpText, ColourCodesAlternateWithPlainText) {
    HelpLine l = parseHelpLine("Press \x02"
                               "F1\x02 or \x13"
                               "Esc\x13 now");
    ASSERT_EQ(l.size(), 5u);
    EXPECT_EQ(l[0].text, "Press ");
    EXPECT_EQ(l[0].attribute, 7);
    EXPECT_EQ(l[1].text, "F1");
    EXPECT_EQ(l[1].attribute, 14);
    EXPECT_EQ(l[2].attribute, 7);
    EXPECT_EQ(l[3].text, "Esc");
    EXPECT_EQ(l[3].attribute, 71); // white on red
    EXPECT_EQ(l[4].text, " now");
    // Other low codes vanish; a leading code colours the first piece.
    l = parseHelpLine("\x0f"
                      "Ti\x07tle\x0f\t!");
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0].text, "Title");
    EXPECT_EQ(l[0].attribute, 23);
    EXPECT_EQ(l[1].text, "!");
    EXPECT_EQ(helpCodeAttribute(1), 128);
    EXPECT_EQ(helpCodeAttribute(22), 3);
    EXPECT_EQ(helpCodeAttribute(3), -1);
}

TEST(HelpText, RunLengthExpansion) {
    EXPECT_EQ(expandHelpRuns("a\xB2-5b"), "a-----b");
    EXPECT_EQ(expandHelpRuns("x\x86y"), "x    y"); // 134 - 130 blanks
    EXPECT_EQ(expandHelpRuns("\x83|\xB1|"), " |" + std::string(47, ' ') + "|");
    EXPECT_EQ(expandHelpRuns("\xB2=0"), "");           // count 0
    EXPECT_EQ(expandHelpRuns("ok\xB2="), "ok");        // cut short: dropped
    EXPECT_EQ(expandHelpRuns("\xC4\xB3"), "\xC4\xB3"); // box characters copied
    // The packer's output expands back to the original text.
    std::mt19937 rng(1234);
    const std::string alphabet = " -=*abc.\xC4\xB3\xDA";
    for (int trial = 0; trial < 500; ++trial) {
        std::string s;
        int n = static_cast<int>(rng() % 300);
        for (int i = 0; i < n; ++i) {
            char c = alphabet[rng() % alphabet.size()];
            s.append(rng() % 4 == 0 ? 1 + rng() % 60 : 1, c);
        }
        ASSERT_EQ(expandHelpRuns(packHelpRuns(s)), s) << trial;
    }
    EXPECT_LT(packHelpRuns(std::string(40, '-')).size(), 4u);
}

TEST(HelpIndex, ReadsOffsetsAndNames) {
    fs::path dir = fs::path(TANVEX_PICTURE_DIR) / "help_index";
    fs::create_directories(dir);
    std::string text = indexLine(0, "MAIN.HLW") + "1234       LONG_TOPIC_NAME_THAT_IS_LONG\n" +
                       "bad\r\n" + indexLine(99, "X.HLW");
    for (int i = 0; i < 60; ++i) text += indexLine(1000 + i, "T" + std::to_string(i));
    writeFile(dir / "HLW_NDX.DAT", text);
    std::vector<HelpIndexEntry> e;
    ASSERT_TRUE(readHelpIndex((dir / "HLW_NDX.DAT").string(), e));
    ASSERT_EQ(e.size(), 49u);
    EXPECT_EQ(e[0].name, "MAIN.HLW");
    EXPECT_EQ(e[1].offset, 1234);
    EXPECT_EQ(e[1].name, "LONG_TOPIC_NAME"); // 15 characters
    EXPECT_EQ(e[2].name, "X.HLW");
    EXPECT_EQ(e[2].offset, 99);
    EXPECT_FALSE(readHelpIndex((dir / "none.DAT").string(), e));
}

TEST(HelpViewer, PagesThroughAnIndexedTopicAndClosesAtItsEnd) {
    ScriptedToolkit tk;
    fs::path home = makeHome("paging");
    HelpViewer help(tk, home.string());
    int opened = 0, closed = 0;
    help.onOpen = [&] { ++opened; };
    help.onClose = [&] { ++closed; };
    ASSERT_TRUE(help.show("ALPHA.HLW"));
    EXPECT_EQ(help.pageText(), (std::vector<std::string>{"Alpha page one", "second yellow line"}));
    EXPECT_EQ(help.lines()[1][1].attribute, 14);
    help.next();
    EXPECT_EQ(help.page(), 1);
    EXPECT_EQ(help.pageText(), std::vector<std::string>{"Alpha page two"});
    // Asking for the topic shown does nothing: still on page 2.
    EXPECT_TRUE(help.show("ALPHA.HLW"));
    EXPECT_EQ(help.page(), 1);
    EXPECT_EQ(opened, 1);
    help.previous();
    help.previous(); // not below page 0
    EXPECT_EQ(help.page(), 0);
    help.next();
    help.top();
    EXPECT_EQ(help.pageText()[0], "Alpha page one");
    help.next();
    help.next(); // past the end of ALPHA, where BETA starts
    EXPECT_FALSE(help.isOpen());
    EXPECT_EQ(closed, 1);

    // Another topic replaces the open one; the last topic ends at the end
    // of the file, and Next there closes too.
    ASSERT_TRUE(help.show("ALPHA.HLW"));
    ASSERT_TRUE(help.show("BETA.HLW"));
    EXPECT_EQ(closed, 2);
    EXPECT_EQ(help.topic(), "BETA.HLW");
    EXPECT_EQ(help.pageText(), std::vector<std::string>{"Beta only page"});
    help.next();
    EXPECT_FALSE(help.isOpen());
    EXPECT_TRUE(tk.notices().empty());
}

TEST(HelpViewer, AnIndexOutOfFileOrderStillShowsEveryTopicWhole) {
    ScriptedToolkit tk;
    fs::path home = makeHome("unordered");
    const std::string alpha =
        "Alpha page one\r\nsecond \x02yellow\x02 line\r\n\f\r\nAlpha page two\r\n";
    // BETA listed before ALPHA, whose text comes first in the file.
    writeFile(home / "HLW_NDX.DAT",
              indexLine(static_cast<long>(alpha.size()), "BETA.HLW") + indexLine(0, "ALPHA.HLW"));
    HelpViewer help(tk, home.string());
    ASSERT_TRUE(help.show("ALPHA.HLW"));
    ASSERT_TRUE(help.isOpen());
    EXPECT_EQ(help.pageText(), (std::vector<std::string>{"Alpha page one", "second yellow line"}));
    help.next();
    EXPECT_EQ(help.pageText(), std::vector<std::string>{"Alpha page two"});
    help.next(); // BETA's text is not part of ALPHA
    EXPECT_FALSE(help.isOpen());
    ASSERT_TRUE(help.show("BETA.HLW"));
    EXPECT_EQ(help.pageText(), std::vector<std::string>{"Beta only page"});
}

TEST(HelpViewer, SeparatePagesAndMissingFiles) {
    ScriptedToolkit tk;
    fs::path home = makeHome("missing");
    // Not in the index: a file of that name in the home folder, LF ends.
    writeFile(home / "EXTRA.HLW", "Extra line 1\nExtra line 2\n");
    HelpViewer help(tk, home.string());
    ASSERT_TRUE(help.show("EXTRA.HLW"));
    EXPECT_EQ(help.pageText(), (std::vector<std::string>{"Extra line 1", "Extra line 2"}));
    help.close();

    EXPECT_FALSE(help.show("NOWHERE.HLW"));
    EXPECT_TRUE(tk.sawNotice("HLW_NDX.DAT or NOWHERE.HLW files missing!"));
    EXPECT_FALSE(help.isOpen());

    // In the index, but the combined file is gone.
    fs::remove(home / "tanvexw.hlw");
    EXPECT_FALSE(help.show("BETA.HLW"));
    EXPECT_TRUE(tk.sawNotice((home / "tanvexw.hlw").string() + " file missing!"));

    // No index at all: separate pages still work.
    fs::remove(home / "HLW_NDX.DAT");
    EXPECT_TRUE(help.show("EXTRA.HLW"));
}

TEST(HelpViewer, LongPagesContinueOnTheNextPage) {
    ScriptedToolkit tk;
    fs::path home = makeHome("long");
    std::string text;
    for (int i = 0; i < 30; ++i) text += "row " + std::to_string(i) + "\r\n";
    writeFile(home / "LONG.HLW", text);
    HelpViewer help(tk, home.string());
    ASSERT_TRUE(help.show("LONG.HLW"));
    EXPECT_EQ(help.lines().size(), static_cast<std::size_t>(HelpViewer::kPageRows));
    help.next();
    EXPECT_EQ(help.pageText().front(), "row 26");
    EXPECT_EQ(help.pageText().back(), "row 29");
}

TEST(HelpViewer, PackedHelpOfTheBuildTreeHasEveryTopic) {
    ScriptedToolkit tk;
    HelpViewer help(tk, TANVEX_BUILD_HOME);
    const char* topics[] = {"MAIN.HLW",    "BP_MNU.HLW",    "REJ_MNU.HLW",  "UTIL_MNU.HLW",
                            "FILE.HLW",    "JOIN.HLW",      "LIST.HLW",     "NWABOX.HLW",
                            "PLOT.HLW",    "QUICK_BOX.HLW", "POW_MNU.HLW",  "IMP_MNU.HLW",
                            "PAR_MNU.HLW", "NARROW.HLW",    "PP_START.HLW", "SYNTH.HLW",
                            "MASK.HLW",    "S_MATCH.HLW",   "P_MATCH.HLW",  "NTF_MNU.HLW",
                            "NTM_MNU.HLW", "HC_MNU.HLW",    "OPT_MNU.HLW",  "OPT_TUNE.HLW",
                            "ED_M.HLW",    "ED_1.HLW",      "ED_2.HLW",     "ED_3.HLW",
                            "ED_S.HLW",    "ED_N.HLW",      "INSERT.HLW"};
    for (const char* t : topics) {
        ASSERT_TRUE(help.show(t)) << t;
        ASSERT_GE(help.lines().size(), 5u) << t;
        // Each topic opens on its own title, and the page after its last
        // one closes the viewer instead of running into the next topic.
        int guard = 0;
        while (help.isOpen() && guard++ < 10) {
            for (const auto& row : help.pageText()) EXPECT_LE(row.size(), 80u) << t;
            help.next();
        }
        EXPECT_FALSE(help.isOpen()) << t;
    }
    EXPECT_TRUE(tk.notices().empty());
    ASSERT_TRUE(help.show("MAIN.HLW"));
    help.next();
    EXPECT_NE(help.pageText()[0].find("status screen"), std::string::npos);
}

TEST(HelpViewer, RandomFilesNeitherCrashNorReadPastTheirEnd) {
    ScriptedToolkit tk;
    fs::path home = fs::path(TANVEX_PICTURE_DIR) / "help_home_fuzz";
    fs::create_directories(home);
    std::mt19937 rng(42);
    for (int trial = 0; trial < 200; ++trial) {
        std::string hlw, ndx;
        int n = static_cast<int>(rng() % 2000);
        for (int i = 0; i < n; ++i) hlw += static_cast<char>(rng() % 256);
        for (int i = 0; i < 4; ++i)
            ndx += indexLine(static_cast<long>(rng() % 4000) - 100, "T" + std::to_string(i));
        if (trial % 3 == 0) ndx += std::string(static_cast<std::size_t>(rng() % 50), '\xB2');
        writeFile(home / "tanvexw.hlw", hlw);
        writeFile(home / "HLW_NDX.DAT", ndx);
        HelpViewer help(tk, home.string());
        help.show("T" + std::to_string(rng() % 5));
        for (int k = 0; k < 60 && help.isOpen(); ++k) {
            if (rng() % 5 == 0)
                help.previous();
            else
                help.next();
        }
    }
    SUCCEED();
}
