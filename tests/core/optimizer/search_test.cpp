// The search of one item on real networks, against analytic optima, a
// brute-force scan and the invariants of partner pairs.
#include "optimizer_bench.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <random>

using namespace tanvex;
using namespace tanvex::optimizer;
using tanvex::test::OptimizerTest;

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

} // namespace

TEST_F(OptimizerTest, ReturnLossOfASeriesResonatorReachesTheAnalyticOptimum) {
    // Worst return loss over f1..f2 is best when the reactances at the two
    // ends cancel: X(f1) = -X(f2), i.e. C = 1 / (L w1 w2) (the resonance at
    // the geometric mean), whatever the grid between the ends.
    const double l = 100e-9;
    const double w1 = kTwoPi * 90e6, w2 = kTwoPi * 110e6;
    const double cBest = 1.0 / (l * w1 * w2);
    for (const double start : {1.12, 0.9}) {
        resonator(l, cBest * start);
        ASSERT_TRUE(op->begin(90.0, 110.0));
        op->job = kJobReturnLoss;
        op->setups[0].job = kJobReturnLoss;
        op->fixedPoints = 101;
        const auto reports = run("2,2");
        ASSERT_EQ(reports.size(), 2u);
        EXPECT_NEAR(value(2) / cBest, 1.0, 2e-4) << start;
        EXPECT_LT(reports.back().errorAfter, reports.front().errorBefore);
        // The worst case equals the return loss of the ends at the optimum.
        const double x = w1 * l - 1.0 / (w1 * value(2));
        const double rho = std::fabs(x) / std::sqrt(100.0 * 100.0 + x * x);
        EXPECT_NEAR(1.0 / reports.back().errorAfter, -20.0 * std::log10(rho), 0.01);
    }
}

TEST_F(OptimizerTest, AmplitudeJobMatchesABruteForceScan) {
    // A detuned sample bandpass; one item on each of branches 1..6 against a
    // scan of that branch's value (steps of 2e-4, refined around the best).
    for (int branch = 1; branch <= 6; ++branch) {
        sampleBandpass(3, 1.03);
        const double start = value(branch);
        ASSERT_TRUE(op->begin(97.0, 103.0));
        op->job = kJobAmplitude;
        op->fixedPoints = 121;
        const auto reports = run(std::to_string(branch));
        ASSERT_EQ(reports.size(), 1u);
        const double found = reports[0].errorAfter;

        analysis::NoAnalysisViews views;
        analysis::ResultsTable t;
        Design d = design;
        d.analysis[0] = 97.0;
        d.analysis[1] = 103.0;
        d.analysis[2] = -121.0;
        analysis::SweepEvaluator sweep(d, t, options, tk, data, views);
        double best = 1e9, bestValue = 0.0;
        auto scan = [&](double lo, double hi, int n) {
            for (int k = 0; k <= n; ++k) {
                d.entries[static_cast<std::size_t>(branch)].value = lo + (hi - lo) * k / n;
                ASSERT_EQ(sweep.analyse(2), 0);
                const double e = measureError(t, kJobAmplitude).error;
                if (e < best) {
                    best = e;
                    bestValue = d.entries[static_cast<std::size_t>(branch)].value;
                }
            }
        };
        scan(start * 0.85, start * 1.15, 1500);
        scan(bestValue * 0.9998, bestValue * 1.0002, 40);
        EXPECT_LE(found, best + 0.002)
            << "branch " << branch << ": scan optimum " << best << " at " << bestValue;
        // The result is measured at the value kept.
        d.entries[static_cast<std::size_t>(branch)].value = value(branch);
        ASSERT_EQ(sweep.analyse(2), 0);
        EXPECT_FLOAT_EQ(static_cast<float>(measureError(t, kJobAmplitude).error),
                        static_cast<float>(found));
    }
}

TEST_F(OptimizerTest, PartnersKeepTheirProductOrFollowTheIncrement) {
    sampleBandpass(3, 1.05);
    const double product = value(3) * value(4);
    ASSERT_TRUE(op->begin(97.0, 103.0));
    op->job = kJobReturnLoss;
    op->fixedPoints = 80;
    const double l0 = value(3);
    auto reports = run("3/4");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(value(3), l0); // it did move
    EXPECT_NEAR(value(3) * value(4) / product, 1.0, 1e-12);

    const double a0 = value(1), b0 = value(5);
    reports = run("1&5");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(value(1), a0);
    EXPECT_NEAR((value(1) - a0) - (value(5) - b0), 0.0, 1e-22);
}

TEST_F(OptimizerTest, NeverWorseThanTheStartOnAnyJob) {
    std::mt19937 rng(1414);
    std::uniform_real_distribution<double> factor(0.9, 1.1);
    for (int job : {kJobDelay, kJobReturnLoss, kJobAmplitude}) {
        for (int trial = 0; trial < 3; ++trial) {
            sampleBandpass(1 + trial * 2, factor(rng));
            ASSERT_TRUE(op->begin(96.0, 104.0));
            op->job = job;
            op->fixedPoints = 60;
            ASSERT_TRUE(op->refresh());
            const double before = op->error();
            for (const ItemReport& r : run("1-6")) {
                EXPECT_LE(r.errorAfter, r.errorBefore) << job << " branch " << r.branch;
                EXPECT_GT(r.sweeps, 2);
            }
            ASSERT_TRUE(op->refresh());
            EXPECT_LE(op->error(), before * (1 + 1e-6)) << "job " << job;
        }
    }
}

TEST_F(OptimizerTest, SegmentsMeasureTheReferenceAndEveryStepAlike) {
    sampleBandpass(3, 1.02);
    ASSERT_TRUE(op->begin(95.0, 105.0));
    op->job = kJobAmplitude;
    op->fixedPoints = 101;
    op->segments[0] = {98e6, 99.5e6};
    op->segments[3] = {100.5e6, 102e6};
    // The error at the start over the segments, measured independently.
    analysis::NoAnalysisViews views;
    analysis::ResultsTable t;
    Design d = design;
    d.analysis[0] = 95.0;
    d.analysis[1] = 105.0;
    d.analysis[2] = -101.0;
    analysis::SweepEvaluator sweep(d, t, options, tk, data, views);
    ASSERT_EQ(sweep.analyse(2), 0);
    const Measure start = measureError(t, kJobAmplitude, &op->segments);
    ASSERT_EQ(start.points, 32);
    ASSERT_LT(start.error, measureError(t, kJobAmplitude).error);

    const auto reports = run("4");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_DOUBLE_EQ(reports[0].errorBefore, start.error);
    EXPECT_LT(reports[0].errorAfter, start.error);
    d.entries = design.entries;
    ASSERT_EQ(sweep.analyse(2), 0);
    EXPECT_DOUBLE_EQ(measureError(t, kJobAmplitude, &op->segments).error, reports[0].errorAfter);
}

TEST_F(OptimizerTest, RefusalsLeaveTheNetworkAlone) {
    sampleBandpass();
    const EntryList before = design.entries;
    ASSERT_TRUE(op->begin(95.0, 105.0));
    // Segments that hold no sweep point.
    op->segments[0] = {200e6, 300e6};
    auto reports = run("3");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].note, ItemNote::kFailed);
    EXPECT_TRUE(tk.sawNotice("No sweep point lies inside the frequency segments!"));
    EXPECT_FALSE(op->inProgress());
    op->segments[0] = {};
    // Branches past the source, and negative ones.
    for (const char* c : {"8", "9", "1,2,8", "-2", "0"}) {
        tk.log.clear();
        EXPECT_FALSE(op->startCommand(c)) << c;
        EXPECT_EQ(tk.notices().size(), 1u) << c;
    }
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(design.entries[i].value, before[i].value);
}

TEST_F(OptimizerTest, AFailedSweepAbortsAndRestoresBranchAndPartner) {
    resonator(100e-9, 25e-12);
    // A shunt data branch in front of the resonator: its service gives up
    // in the middle of the search.
    EntryList& l = design.entries;
    for (int i = 4; i >= 1; --i)
        l[static_cast<std::size_t>(i + 1)] = l[static_cast<std::size_t>(i)];
    setEntry(l, 1, -9.0, '0', 22); // a data branch: negative value
    setEntry(l, 0, 50.0, 'R', 1);
    ASSERT_TRUE(op->begin(90.0, 110.0));
    op->job = kJobReturnLoss;
    op->fixedPoints = 50;
    const double lv = value(2), cv = value(3);
    ASSERT_TRUE(op->startCommand("2/3,3"));
    data.failAfter = data.served + 3 * 50 + 10; // during the fourth sweep
    const ItemReport r = op->runNext();
    EXPECT_EQ(r.note, ItemNote::kFailed);
    EXPECT_EQ(value(2), lv);
    EXPECT_EQ(value(3), cv);
    EXPECT_FALSE(op->inProgress()); // the rest of the command is cancelled
    EXPECT_EQ(r.sweeps, 4);

    // A branch without effect never gets worse: the stage count stays and
    // the item ends with "Next!" after 11 x final stage iterations.
    data.failAfter = -1;
    l[1].value = 0.0; // a code-22 entry of value 0 does nothing
    op->finalStage = 3;
    ASSERT_TRUE(op->startCommand("1"));
    const ItemReport n = op->runNext();
    EXPECT_EQ(n.note, ItemNote::kNext);
    EXPECT_EQ(n.sweeps, 1 + 34 + 1);
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back(), "Next!");
}

TEST_F(OptimizerTest, ContinuousModeAndSavedSetups) {
    sampleBandpass(3, 1.02);
    ASSERT_TRUE(op->begin(97.0, 103.0));
    op->job = kJobAmplitude;
    op->setups[0].job = kJobAmplitude;
    op->fixedPoints = 40;
    EXPECT_EQ(run("3,4,R").size(), 10u); // five passes
    EXPECT_EQ(op->setups[0].command, "3,4,");
    EXPECT_EQ(run("R").size(), 10u); // "R" alone repeats the command

    // Setup B: delay over 99..101 on branch 4. While it runs the job and
    // range are B's; afterwards the current ones are back.
    op->setups[2] = {"4", 99.0f, 101.0f, kJobDelay};
    int seenJob = 0;
    float seenLower = 0.0f;
    ASSERT_TRUE(op->startCommand("B,3"));
    op->runNext();
    seenJob = op->job;
    seenLower = op->setups[0].lower;
    op->runNext();
    EXPECT_EQ(seenJob, kJobDelay);
    EXPECT_EQ(seenLower, 99.0f);
    EXPECT_FALSE(op->inProgress());
    EXPECT_EQ(op->job, kJobAmplitude);
    EXPECT_EQ(op->setups[0].lower, 97.0f);
    EXPECT_EQ(op->setups[0].command, "B,3");
}

namespace {

// A toolkit on which Escape is pressed as soon as a search polls the keys.
struct EscapeToolkit : ui::ScriptedToolkit {
    int polls = 0;
    int keyPoll() override { return ++polls >= 3 ? 27 : 0; }
};

} // namespace

TEST_F(OptimizerTest, ZeroEscapeAndTheSettingsOfAnItem) {
    // A shunt capacitor between two 50 ohm ends: the flattest amplitude is
    // at zero capacitance, so the search runs the value through zero.
    newDesign(design.entries);
    setEntry(design.entries, 0, 50.0, 'R', 1);
    setEntry(design.entries, 1, 1e-12, 'C', 2);
    setEntry(design.entries, 2, 50.0, 'R', 1);
    setEntry(design.entries, 3, 1e8, 'x', 1);
    completeSettingsString(design.record);
    make();
    ASSERT_TRUE(op->begin(100.0, 1000.0));
    op->job = kJobAmplitude;
    op->fixedPoints = 30;
    ASSERT_TRUE(op->refresh());
    const AnalysisSettings settings = design.analysis;
    auto reports = run("1");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].note, ItemNote::kZero);
    EXPECT_EQ(value(1), 1e-12);
    EXPECT_EQ(host.messages.back(), "Value went through ZERO ! ");
    EXPECT_EQ(design.analysis, settings); // as they were before the item

    // Escape during a search: "Abort", the branch back, the command gone.
    EscapeToolkit esc;
    value(1) = 1e-12;
    Optimizer o(design, table, options, esc, data, host);
    ASSERT_TRUE(o.begin(100.0, 1000.0));
    o.fixedPoints = 30;
    ASSERT_TRUE(o.startCommand("1,1,R"));
    const ItemReport r = o.runNext();
    EXPECT_EQ(r.note, ItemNote::kAbort);
    EXPECT_EQ(value(1), 1e-12);
    EXPECT_FALSE(o.inProgress());
    EXPECT_FALSE(o.continuous());
    EXPECT_EQ(host.messages.back(), "Abort");
}

TEST_F(OptimizerTest, OneWorkCopyPerTypedCommand) {
    sampleBandpass(3, 1.02);
    ASSERT_TRUE(op->begin(97.0, 103.0));
    op->fixedPoints = 30;
    op->setups[1] = {"3", 97.0f, 103.0f, kJobAmplitude};
    op->setups[2] = {"4", 98.0f, 102.0f, kJobReturnLoss};
    ASSERT_TRUE(op->startCommand("A,B,1"));
    const auto copy = dir_ / "tmp_op2.dzn";
    ASSERT_TRUE(std::filesystem::exists(copy));
    std::filesystem::remove(copy);
    while (op->inProgress()) op->runNext();
    EXPECT_FALSE(std::filesystem::exists(copy)); // not written again inside
    // Without its copy, "<-- Back up" leaves the network alone.
    const double l3 = value(3);
    op->backUp();
    EXPECT_EQ(value(3), l3);
}
