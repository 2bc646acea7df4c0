// The optimizer as the user meets it: the opening prompts, temporary
// copies and the saved flag, Back up, exit, resolution, setups, frequency
// ranges and tune mode, driven through the scripted toolkit.
#include "optimizer_bench.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace tanvex;
using namespace tanvex::optimizer;
using tanvex::test::OptimizerTest;

namespace {

bool logHas(const ui::ScriptedToolkit& tk, const std::string& line) {
    for (const auto& l : tk.log)
        if (l == line) return true;
    return false;
}

} // namespace

TEST_F(OptimizerTest, OpeningAsksRangeAndJob) {
    sampleBandpass();
    tk.answer("95 105"); // malformed: beeps and asks again
    tk.answer("95, 105");
    tk.answer("d");
    ASSERT_TRUE(op->open());
    EXPECT_TRUE(tk.sawPrompt("Optimize from, to (MHz ) ?"));
    EXPECT_TRUE(tk.sawPrompt("<Enter> to abort"));
    EXPECT_TRUE(tk.sawPrompt("      Job is: (A)-Amplitude flatness"));
    EXPECT_EQ(tk.beeps, 1);
    EXPECT_EQ(op->job, kJobDelay);
    EXPECT_EQ(op->setups[0].lower, 95.0f);
    EXPECT_TRUE(std::filesystem::exists(dir_ / "tmp_op.dzn"));

    // A second opening offers the range again; an empty answer repeats it.
    tk.log.clear();
    tk.answer("");
    tk.answer("x"); // anything but R and D: amplitude
    ASSERT_TRUE(op->open());
    EXPECT_TRUE(logHas(tk, "INPUT: 95, 105"));
    EXPECT_TRUE(tk.sawPrompt("<Enter> to repeat range:"));
    EXPECT_EQ(op->job, kJobAmplitude);

    // The plot's hand-over range needs no prompt.
    options.markerLow = 98e6;
    options.markerHigh = 102e6;
    tk.answer("R");
    ASSERT_TRUE(op->open());
    EXPECT_EQ(op->setups[0].upper, 102.0f);
    EXPECT_EQ(options.markerLow, 0.0);
    EXPECT_EQ(op->job, kJobReturnLoss);

    EXPECT_FALSE(op->begin(105.0, 95.0));
    EXPECT_TRUE(tk.sawNotice("Bad frequency range!"));
    // No previous range and an empty answer: nothing opens.
    make();
    tk.answer("");
    EXPECT_FALSE(op->open());
}

TEST_F(OptimizerTest, TemporaryCopiesKeepTheSavedFlagAndBackUpWorks) {
    sampleBandpass(3, 1.05);
    setSaved(design.record, true);
    ASSERT_TRUE(op->begin(97.0, 103.0));
    EXPECT_TRUE(isSaved(design.record)); // a work copy is not a save
    op->fixedPoints = 50;
    const EntryList before = design.entries;
    ASSERT_TRUE(op->startCommand("3"));
    EXPECT_TRUE(isSaved(design.record));
    EXPECT_TRUE(std::filesystem::exists(dir_ / "tmp_op2.dzn"));
    op->runNext();
    EXPECT_NE(value(3), before[3].value);
    EXPECT_FALSE(isSaved(design.record)); // the exit question must come

    op->backUp();
    // Work copies hold nine significant digits, as every design file.
    EXPECT_NEAR(value(3) / before[3].value, 1.0, 1e-8);
    EXPECT_TRUE(isSaved(design.record));
    EXPECT_FALSE(op->stepTaken());
    tk.beeps = 0;
    op->backUp(); // nothing to go back to
    EXPECT_EQ(tk.beeps, 1);

    // A work copy that cannot be written stops the command.
    ::setenv("TMTANVEX", (dir_ / "missing" / "dir").c_str(), 1);
    tk.log.clear();
    EXPECT_FALSE(op->startCommand("3"));
    EXPECT_FALSE(op->inProgress());
    EXPECT_TRUE(tk.sawNotice("Can't save the work copy \"tmp_op2\": nothing was changed."));
    EXPECT_FALSE(op->begin(97.0, 103.0));
}

TEST_F(OptimizerTest, ExitQuestion) {
    sampleBandpass(3, 1.05);
    setSaved(design.record, true);
    design.analysis = {50, 150, -225, 100, 200, 300, 50};
    const AnalysisSettings settings = design.analysis;
    ASSERT_TRUE(op->begin(97.0, 103.0));
    op->fixedPoints = 50;
    const double l0 = value(3);
    run("3");
    const double l1 = value(3);
    ASSERT_NE(l1, l0);
    tk.answer("C");
    EXPECT_FALSE(op->requestClose());
    EXPECT_TRUE(tk.sawPrompt("[Yes] save work - [No] abort changes - [Cancel] no exit"));
    tk.answer("N");
    EXPECT_TRUE(op->requestClose());
    EXPECT_NEAR(value(3) / l0, 1.0, 1e-8);
    EXPECT_TRUE(isSaved(design.record));
    EXPECT_EQ(design.analysis, settings);

    ASSERT_TRUE(op->begin(97.0, 103.0));
    run("3");
    const double l2 = value(3);
    EXPECT_NEAR(l2 / l1, 1.0, 1e-6);
    tk.answer("Y");
    EXPECT_TRUE(op->requestClose());
    EXPECT_EQ(value(3), l2);
    EXPECT_FALSE(isSaved(design.record));
    EXPECT_EQ(design.analysis, settings);
}

TEST_F(OptimizerTest, ResolutionAndFinalStage) {
    sampleBandpass();
    // Automatic: half the plot width, doubled below 150, within 2..1000.
    host.width = 600;
    EXPECT_EQ(op->points(), 300);
    host.width = 200;
    EXPECT_EQ(op->points(), 200);
    host.width = 0; // the plot was just closed: the last width stands
    EXPECT_EQ(op->points(), 200);
    host.width = 5000;
    EXPECT_EQ(op->points(), 1000);
    host.width = 2;
    EXPECT_EQ(op->points(), 2);
    for (const char* answer : {"1", "1001", "", "abc"}) {
        op->fixedPoints = 300;
        tk.answer(answer);
        op->resolution();
        EXPECT_EQ(op->fixedPoints, 0) << answer;
    }
    EXPECT_TRUE(tk.sawPrompt(" (Cr for automatic full plot)"));
    tk.answer("1000");
    op->resolution();
    EXPECT_EQ(op->points(), 1000);

    tk.answer("0");
    op->finalStagePrompt();
    EXPECT_EQ(op->finalStage, 7);
    EXPECT_TRUE(tk.sawPrompt(" (Currently: 7)"));
    tk.answer("4");
    op->finalStagePrompt();
    EXPECT_EQ(op->finalStage, 4);
}

TEST_F(OptimizerTest, SetupMemory) {
    sampleBandpass();
    ASSERT_TRUE(op->begin(97.0, 103.0));
    op->job = kJobReturnLoss;
    op->setups[0].command = "1-3";
    // No list line selected: it asks instead of overwriting A.
    tk.answer("c");
    op->saveSetup(0);
    EXPECT_EQ(op->setups[1].job, 0);
    EXPECT_EQ(op->setups[3].command, "1-3");
    EXPECT_EQ(op->setups[3].job, kJobReturnLoss);
    EXPECT_EQ(op->setups[3].upper, 103.0f);
    tk.answer("");
    op->saveSetup(0);
    EXPECT_EQ(op->setups[1].job, 0);
    const auto lines = op->setupLines();
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[6], "C  1-3");
    EXPECT_EQ(lines[7], " 97.000 - 103.000 MHz ");
    EXPECT_EQ(lines[8], "   Return loss ");

    op->setups[0].command = "C,2";
    op->saveSetup(1);
    EXPECT_TRUE(tk.sawNotice("Saved setups can't call each other"));
    EXPECT_EQ(op->setups[1].job, 0);

    op->job = kJobAmplitude;
    op->setups[0] = {"", 90.0f, 110.0f, kJobAmplitude};
    op->recallSetup(3);
    EXPECT_EQ(op->job, kJobReturnLoss);
    EXPECT_EQ(op->setups[0].command, "1-3");
    tk.beeps = 0;
    op->recallSetup(2); // empty slot
    EXPECT_EQ(tk.beeps, 1);
    op->clearSetup(3);
    EXPECT_EQ(op->setups[3].job, 0);
}

TEST_F(OptimizerTest, FrequencyRanges) {
    sampleBandpass();
    ASSERT_TRUE(op->begin(97.0, 103.0));
    tk.answer("99,101");
    op->inputRange();
    EXPECT_TRUE(tk.sawPrompt("Lower , Upper limits (MHz )"));
    EXPECT_EQ(op->transferredLower, 99.0);
    op->saveToSegment(1);
    EXPECT_DOUBLE_EQ(op->segments[1].lower, 99e6);
    EXPECT_DOUBLE_EQ(op->segments[1].upper, 101e6);
    EXPECT_EQ(op->segmentLines()[1], "B   99.000  - 101.000");
    op->saveToMainRange();
    EXPECT_EQ(op->setups[0].lower, 99.0f);
    EXPECT_EQ(design.analysis[1], 101.0);
    op->clearSegment(1);
    EXPECT_FALSE(op->segments[1].used());

    // Only one end handed over, above the main range's upper end: refused.
    op->leaveRanges();
    op->transferredLower = 120.0;
    tk.log.clear();
    op->saveToMainRange();
    EXPECT_TRUE(tk.sawNotice("Bad frequency range!"));
    EXPECT_EQ(op->setups[0].lower, 99.0f);
    tk.answer("101,99");
    op->inputRange();
    EXPECT_EQ(op->transferredLower, 120.0);

    // Command 140: the plot's hand-over, in display units.
    options.markerLow = 98.5e6;
    options.markerHigh = 0.0;
    op->takeHandOver();
    EXPECT_DOUBLE_EQ(op->transferredLower, 98.5);
    EXPECT_EQ(options.markerLow, 0.0);
}

TEST_F(OptimizerTest, TuneModeSteps) {
    sampleBandpass();
    ASSERT_TRUE(op->begin(97.0, 103.0));
    op->enterTune();
    EXPECT_TRUE(std::filesystem::exists(dir_ / "tmp_op2.dzn"));
    tk.log.clear();
    op->tuneUp();
    EXPECT_TRUE(tk.sawNotice("No branch has been picked!"));
    const double c1 = value(1), c5 = value(5);
    tk.answer("1&5");
    op->pickBranches();
    EXPECT_TRUE(tk.sawPrompt("(Cr to abort) Or on equal pair (#&#) ?"));
    EXPECT_EQ(op->tuneBranch, 1);
    EXPECT_EQ(op->tunePartner, 5);
    op->tuneUp();
    EXPECT_DOUBLE_EQ(value(1), c1 * 1.01);
    EXPECT_EQ(value(5), value(1));
    op->tuneDown();
    op->tuneDown();
    EXPECT_NEAR(value(1), c1 / 1.01, 1e-22);
    op->tuneBackUp();
    EXPECT_EQ(value(1), c1);
    EXPECT_EQ(value(5), c5);
    for (int i = 0; i < 10; ++i) op->coarserStep();
    EXPECT_DOUBLE_EQ(op->tuneStep(), 0.64); // doubling stops once 0.6 is reached
    op->finerStep();
    EXPECT_DOUBLE_EQ(op->tuneStep(), 0.32);
    const auto panel = op->panel();
    bool pair = false;
    for (const auto& l : panel) pair = pair || l.text == "Branch: 1,5";
    EXPECT_TRUE(pair);

    tk.answer("9");
    op->pickBranches();
    EXPECT_EQ(op->tuneBranch, 0);
    tk.answer("");
    op->pickBranches();
    EXPECT_EQ(op->tuneBranch, 0);
}

TEST_F(OptimizerTest, SpecifyValueOffersStandardValues) {
    sampleBandpass();
    value(1) = 5.0e-9;
    ASSERT_TRUE(op->begin(97.0, 103.0));
    op->enterTune();
    tk.answer("1");
    op->pickBranches();
    tk.log.clear();
    tk.answer(""); // keep the value: the pre-filled one is only offered
    op->specifyValue();
    EXPECT_TRUE(tk.sawPrompt("Value now: 5000 (pFd )"));
    EXPECT_TRUE(tk.sawPrompt(" Error = 2.0%"));
    EXPECT_TRUE(tk.sawPrompt(" (-1 for 2 part combination mode)"));
    EXPECT_TRUE(logHas(tk, "INPUT: 5100"));
    EXPECT_EQ(value(1), 5.0e-9);

    // Two-part mode: a value 5 % off every standard value gets a sum of two
    // parts within 1 %.
    value(1) = 5.35e-9;
    tk.log.clear();
    tk.answer("-1");
    tk.answer("-1000"); // back to single part
    tk.answer("5600");
    op->specifyValue();
    EXPECT_TRUE(tk.sawPrompt(" (-1 for single part mode)"));
    std::string offered;
    for (const auto& l : tk.log)
        if (l.rfind("INPUT: ", 0) == 0 && offered.empty() && l != "INPUT: 5600") offered = l;
    ASSERT_FALSE(offered.empty());
    int twoPartInputs = 0;
    for (std::size_t i = 0; i < tk.log.size(); ++i)
        if (tk.log[i] == " (-1 for single part mode)" ||
            tk.log[i] == "PROMPT:  (-1 for single part mode)")
            ++twoPartInputs;
    EXPECT_EQ(twoPartInputs, 1);
    // The offer in two-part mode (the second input box).
    std::vector<double> offers;
    for (const auto& l : tk.log)
        if (l.rfind("INPUT: ", 0) == 0) offers.push_back(std::atof(l.c_str() + 7));
    ASSERT_EQ(offers.size(), 3u);
    EXPECT_NEAR(offers[1] / 5350.0, 1.0, 0.01);
    EXPECT_NE(offers[1], offers[0]);
    EXPECT_DOUBLE_EQ(value(1), 5.6e-9);
    EXPECT_FALSE(op->twoPart());
    EXPECT_FALSE(isSaved(design.record));
}
