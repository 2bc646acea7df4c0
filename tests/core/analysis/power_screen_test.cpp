// The power distribution screen driven through the scripted toolkit: prompts
// and refusals, the single quantity handed to the results table for the plot,
// the Total table and its report file, and a design that leaves the screen
// exactly as it came in.
#include "analysis/power_screen.h"
#include "design/design_file.h"
#include "ui/gen_win.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tanvex;
using namespace tanvex::analysis;

namespace {

struct Bench {
    std::unique_ptr<Design> design = std::make_unique<Design>();
    std::unique_ptr<ResultsTable> results = std::make_unique<ResultsTable>();
    ui::ScriptedToolkit tk;
    NoDataServices data{tk};
    PowerScreen screen{*design, *results, tk, data};
    Bench() {
        newDesign(design->entries);
        const NetEntry e[] = {{50, 'R', 1},     {200e-9, 'L', 4},  {12.7e-12, 'C', 4},
                              {400e-9, 'L', 5}, {6.3e-12, 'C', 5}, {80e-12, 'C', 2},
                              {150e-9, 'L', 3}, {50, 'R', 1},      {1e8, 'x', 1}};
        int i = 0;
        for (const NetEntry& x : e) setEntry(design->entries, i++, x.value, x.letter, x.code);
        completeSettingsString(design->record);
        design->analysis = {100.0, 0.0, 0.0, 80.0, 400.0, 0.0, 100.0};
        std::snprintf(design->record[24].text, sizeof design->record[24].text, "pw");
    }
};

TEST(PowerScreen, SingleQuantityGoesToTheTableAndTheDesignComesBackUnchanged) {
    Bench b;
    const Design before = *b.design;
    b.tk.answers = {"X"};
    EXPECT_TRUE(b.screen.command(kPowSingleBranch)); // nothing analysed yet
    EXPECT_TRUE(b.tk.sawNotice("(Shunt list clear) Analyse first - Use: Maximum survey"));
    EXPECT_TRUE(b.screen.command(kPowTotal));
    EXPECT_TRUE(b.tk.sawNotice("Analyse first"));

    b.tk.answers = {"60,140,4"};
    b.screen.command(kPowFrequency);
    EXPECT_EQ(PowerAnalysis::pointCount(b.screen.settings), 21);
    b.tk.answers = {"1,1000,0.5", "60,140"};  // too many points, then the plot's width
    b.screen.plotWidth = [] { return 5000; }; // capped at the sweep's limit
    b.screen.command(kPowFrequency);
    EXPECT_TRUE(b.tk.sawNotice("Too many points (999 Max)"));
    EXPECT_EQ(PowerAnalysis::pointCount(b.screen.settings), 999);
    b.tk.answers = {"10,1000,10", "A"}; // a wide range asks for the spacing
    b.screen.command(kPowFrequency);
    EXPECT_TRUE(b.tk.sawPrompt("(L)-Linear only (A)-Automatic log"));
    EXPECT_TRUE(b.screen.settings.logarithmic);
    b.tk.answers = {"60,140,4"};
    b.screen.command(kPowFrequency);
    EXPECT_FALSE(b.screen.settings.logarithmic);
    b.tk.answers = {"2.5"};
    b.screen.command(kPowVswr);
    EXPECT_EQ(b.screen.settings.vswr, 2.5);
    b.tk.answers = {"50,0,0"};
    b.screen.command(kPowQ);
    EXPECT_EQ(b.screen.settings.q[0], 50.0);

    // Analyse the whole network (leaving the stepping at once), then pick
    // the dual-free branch 5 and its shunt current.
    b.tk.answers = {"X"};
    b.screen.command(kPowAnalyse);
    b.tk.answers = {"9", "5"}; // 9 is not a shunt branch: asked again
    b.screen.command(kPowSingleBranch);
    EXPECT_TRUE(b.tk.sawPrompt("What shunt branch number ? "));
    EXPECT_EQ(b.screen.selection.branch, 5);
    b.tk.answers = {"9"}; // E-Shunt Current
    b.screen.command(kPowSingleParameter);
    EXPECT_EQ(b.screen.selection.parameter, static_cast<int>(SingleParameter::kShuntCurrent));
    int plotted = 0;
    b.screen.openPlot = [&] { ++plotted; };
    b.tk.answers = {" "};
    b.screen.command(kPowAnalyse);
    b.screen.command(kPowPlot);
    EXPECT_EQ(plotted, 1);
    ASSERT_EQ(b.results->pointCount(), 21);
    EXPECT_EQ(b.results->flags[0], 'A');
    EXPECT_EQ(b.results->flags[1], 5);
    for (int k = 1; k <= 21; ++k) {
        const PowerPoint& p = b.screen.points()[k - 1];
        for (const BranchLevels& l : p.branches)
            if (l.branch == 5) {
                EXPECT_FLOAT_EQ(b.results->records[k][kFieldR], l.shuntCurrent);
            }
    }

    EXPECT_FALSE(b.screen.command(kPowExit));
    for (int i = 0; i < kEntrySlots; ++i) {
        EXPECT_EQ(b.design->entries[i].code, before.entries[i].code) << i;
        EXPECT_EQ(b.design->entries[i].value, before.entries[i].value) << i;
    }
    EXPECT_EQ(b.design->analysis, before.analysis);
    EXPECT_STREQ(b.design->record[kSlotSettings].text, before.record[kSlotSettings].text);
}

TEST(PowerScreen, SurveyTotalAndReportFile) {
    Bench b;
    auto dir = std::filesystem::current_path() / "power_screen_report";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    b.screen.directory = dir.string();
    b.screen.user = "tester";
    b.tk.answers = {"60,140,8"};
    b.screen.command(kPowFrequency);
    b.screen.command(kPowSurvey);
    b.tk.answers = {" "};
    b.screen.command(kPowAnalyse);
    ASSERT_TRUE(b.screen.survey().done);
    b.tk.answers = {"F"};
    b.screen.command(kPowHardCopy);
    b.tk.answers = {"4", "27"};
    b.screen.command(kPowTotal);
    // The table on the screen.
    const ui::GenWin& g = b.tk.genWin();
    std::string screen;
    for (int r = 0; r < ui::GenWin::kRows; ++r) {
        for (int c = 0; c < ui::GenWin::kColumns; ++c) {
            const unsigned char ch = g.screen.at(c, r).ch;
            screen += ch ? static_cast<char>(ch) : ' ';
        }
        screen += '\n';
    }
    EXPECT_NE(screen.find("(All levels are RMS)"), std::string::npos) << screen;
    EXPECT_NE(screen.find("( 60.000 to 140.000 MHz"), std::string::npos) << screen;
    b.screen.command(kPowHardCopy); // closes the file
    std::ifstream in(dir / "pw.AHC");
    ASSERT_TRUE(in) << "report file";
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("User = tester"), std::string::npos);
    EXPECT_NE(text.str().find("Power level = 10 W.  Load VSWR = 1:1"), std::string::npos);
    EXPECT_NE(text.str().find(" *"), std::string::npos);
}

} // namespace
