// Power distribution against ngspice: junction voltages, branch currents and
// element losses of ladders with lossy components (shunt-first, T-section with
// a series arm at the source, resonator groups, unequal terminations), under
// power and voltage drive and with a mismatched load; the energy balance
// (element losses = available - load - reflected); the survey's maxima; and
// the design left untouched.
#include "analysis/line_transform.h"
#include "analysis/power_distribution.h"
#include "ladder_spice.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace tanvex;
using namespace tanvex::analysis;

namespace {

constexpr double kRel = 2e-5; // five digits (the records are single precision)

struct Bench {
    Design design;
    ui::ScriptedToolkit tk;
    NoDataServices data{tk};

    explicit Bench(std::initializer_list<NetEntry> entries) {
        newDesign(design.entries);
        int i = 0;
        for (const NetEntry& e : entries) setEntry(design.entries, i++, e.value, e.letter, e.code);
        completeSettingsString(design.record);
    }
    PowerPoint at(PowerSettings s) {
        PowerAnalysis power(design, tk, data);
        PowerPoint out;
        int calls = 0;
        EXPECT_EQ(power.run(s,
                            [&](const PowerPoint& p) {
                                out = p;
                                ++calls;
                            }),
                  0);
        EXPECT_EQ(calls, 1);
        return out;
    }
};

PowerSettings single(double mhz, double ql, double qc) {
    PowerSettings s;
    s.start = mhz;
    s.stop = 0.0;
    s.q = {ql, qc, kInfiniteQ};
    return s;
}

void near(double got, double want, const char* what, int branch) {
    EXPECT_NEAR(got, want, kRel * std::max(std::fabs(want), 1e-6)) << what << " branch " << branch;
}

// Compares every reported branch with the circuit solved by ngspice.
void checkAgainstSpice(const EntryList& list, const PowerPoint& p, double ql, double qc,
                       std::complex<double> load) {
    using namespace ladderspice;
    const Circuit c = buildLadder(list, p.frequency, ql, qc);
    const AcResult r = runAc(c, p.frequency, p.emf, load);
    ASSERT_TRUE(r.ok);
    // Junctions: the shunt groups in load-to-source order, with the series
    // groups of the run on the load side of each.
    std::vector<int> shunts;
    for (int g = static_cast<int>(c.groups.size()) - 1; g >= 0; --g)
        if (c.groups[g].shunt) shunts.push_back(g);
    std::size_t next = 0;
    double lossSum = 0.0;
    for (const BranchLevels& b : p.branches) {
        SCOPED_TRACE(b.branch);
        // The series run of this record: groups between this junction and the
        // previous one (towards the load).
        int groupAt = -1;
        if (!b.source) {
            ASSERT_LT(next, shunts.size());
            groupAt = shunts[next++];
            EXPECT_EQ(c.groups[groupAt].branch, b.branch);
            const Group& g = c.groups[groupAt];
            near(b.junctionVolts, std::abs(r.node[g.nodeSource]), "junction V", b.branch);
            near(b.shuntCurrent, r.groupCurrent[groupAt], "shunt A", b.branch);
            near(b.shuntLoss, r.groupLoss[groupAt], "shunt W", b.branch);
        } else {
            near(b.junctionVolts, std::abs(r.node[c.inputNode]), "input V", b.branch);
        }
        // Series groups on the load side up to the previous shunt (or the load).
        const int from = b.source ? 0 : groupAt + 1;
        int to = static_cast<int>(c.groups.size());
        for (int g = from; g < static_cast<int>(c.groups.size()); ++g)
            if (c.groups[g].shunt && g != groupAt) {
                to = g;
                break;
            }
        if (b.source) to = shunts.empty() ? static_cast<int>(c.groups.size()) : shunts.back();
        double current = 0.0, loss = 0.0;
        int first = -1, last = -1;
        for (int g = from; g < to; ++g) {
            if (c.groups[g].shunt) continue;
            current = r.groupCurrent[g];
            loss += r.groupLoss[g];
            if (first < 0) first = g;
            last = g;
        }
        if (first >= 0) {
            const double volts =
                std::abs(r.node[c.groups[first].nodeSource] - r.node[c.groups[last].nodeLoad]);
            near(b.forwardCurrent, current, "forward A", b.branch);
            near(b.forwardVolts, volts, "forward V", b.branch);
            near(b.forwardLoss, loss, "forward W", b.branch);
        } else {
            EXPECT_EQ(b.forwardCurrent, 0.0);
        }
        lossSum += b.shuntLoss + b.forwardLoss;
    }
    EXPECT_EQ(next, shunts.size()) << "every shunt branch is reported";
    // Energy: ngspice's resistor losses, the analysis' split and the sum of
    // the branch losses agree.
    double spiceLoss = 0.0;
    for (double w : r.groupLoss) spiceLoss += w;
    near(lossSum, spiceLoss, "element losses", 0);
    near(p.loss, spiceLoss, "network loss", 0);
    near(p.load, r.loadPower, "load power", 0);
    near(p.inputVolts, std::abs(r.node[c.inputNode]), "input V", 0);
}

TEST(PowerDistribution, LowpassShuntFirstAgreesWithSpiceUnderPowerAndVoltageDrive) {
    Bench b{{50, 'R', 1},
            {36.5041934e-12, 'C', 2},
            {109.117628e-9, 'L', 3},
            {62.8663027e-12, 'C', 2},
            {109.117628e-9, 'L', 3},
            {36.5041934e-12, 'C', 2},
            {50, 'R', 1},
            {1e8, 'x', 1}};
    for (double mhz : {60.0, 100.0, 180.0}) {
        SCOPED_TRACE(mhz);
        PowerSettings s = single(mhz, 100, 300);
        PowerPoint p = b.at(s);
        EXPECT_NEAR(p.available, 10.0, 1e-12);
        checkAgainstSpice(b.design.entries, p, 100, 300, 50.0);
        s.drive.watts = 0.0;
        s.drive.volts = 7.5;
        p = b.at(s);
        EXPECT_NEAR(p.inputVolts, 7.5, 1e-9);
        checkAgainstSpice(b.design.entries, p, 100, 300, 50.0);
    }
}

TEST(PowerDistribution, TSectionReportsTheSeriesArmAtTheSource) {
    // Series L at both ends, unequal terminations.
    Bench b{{75, 'R', 1},     {180e-9, 'L', 3}, {47e-12, 'C', 2},
            {120e-9, 'L', 3}, {50, 'R', 1},     {1e8, 'x', 1}};
    for (double mhz : {30.0, 70.0, 140.0}) {
        SCOPED_TRACE(mhz);
        const PowerPoint p = b.at(single(mhz, 60, 500));
        ASSERT_FALSE(p.branches.empty());
        const BranchLevels& src = p.branches.back();
        EXPECT_TRUE(src.source);
        EXPECT_EQ(src.branch, 4);
        EXPECT_GT(src.forwardLoss, 0.0);
        // The source arm carries the whole input current.
        EXPECT_NEAR(src.forwardCurrent,
                    p.emf / std::hypot(p.inputImpedance.r + 50.0, p.inputImpedance.x),
                    1e-6 * src.forwardCurrent);
        checkAgainstSpice(b.design.entries, p, 60, 500, 75.0);
    }
}

TEST(PowerDistribution, ResonatorGroupsCountTheirWholeLoss) {
    // Shunt series-resonator (code 4) and series parallel-resonator (code 5).
    Bench b{{50, 'R', 1},      {200e-9, 'L', 4}, {12.7e-12, 'C', 4}, {400e-9, 'L', 5},
            {6.3e-12, 'C', 5}, {80e-12, 'C', 2}, {50, 'R', 1},       {1e8, 'x', 1}};
    for (double mhz : {70.0, 100.0, 125.0}) {
        SCOPED_TRACE(mhz);
        checkAgainstSpice(b.design.entries, b.at(single(mhz, 80, 400)), 80, 400, 50.0);
    }
}

TEST(PowerDistribution, MismatchedLoadAgreesWithSpiceAndLeavesTheDesignAlone) {
    Bench b{{50, 'R', 1},
            {36.5041934e-12, 'C', 2},
            {109.117628e-9, 'L', 3},
            {62.8663027e-12, 'C', 2},
            {109.117628e-9, 'L', 3},
            {36.5041934e-12, 'C', 2},
            {50, 'R', 1},
            {1e8, 'x', 1}};
    const EntryList before = b.design.entries;
    PowerSettings s = single(90.0, 100, 300);
    s.setVswr(2.5);
    for (double theta : {0.0, 0.7, 2.2}) {
        SCOPED_TRACE(theta);
        s.theta = theta;
        const PowerPoint p = b.at(s);
        const Cx z = lineTransform({125.0, 0.0}, 50.0, theta, false, kInfiniteQ);
        // Branch numbers are the design's own, the line's records are not shown.
        EXPECT_EQ(p.branches.front().branch, 1);
        checkAgainstSpice(b.design.entries, p, 100, 300, {z.r, z.x});
    }
    for (int i = 0; i < kEntrySlots; ++i) {
        EXPECT_EQ(b.design.entries[i].value, before[i].value);
        EXPECT_EQ(b.design.entries[i].code, before[i].code);
    }
    EXPECT_EQ(loadSeenText(50.0, s, 'O').rfind("  (", 0), 0u);
    s.setVswr(1.0005);
    EXPECT_EQ(s.vswr, 1.0);
    EXPECT_EQ(loadSeenText(50.0, s, 'O'), "  (Resistive)");
}

TEST(PowerDistribution, LosslessNetworkLosesNothingEvenDeepInTheStopband) {
    Bench b{{50, 'R', 1},
            {36.5041934e-12, 'C', 2},
            {109.117628e-9, 'L', 3},
            {62.8663027e-12, 'C', 2},
            {109.117628e-9, 'L', 3},
            {36.5041934e-12, 'C', 2},
            {50, 'R', 1},
            {1e8, 'x', 1}};
    for (double mhz : {1.0, 100.0, 400.0, 2000.0}) {
        SCOPED_TRACE(mhz);
        const PowerPoint p = b.at(single(mhz, 0, 0));
        // (Q = 0 is stored as 1e11: a loss of about 1e-10 of the power remains.)
        EXPECT_NEAR(p.loss, 0.0, 1e-8);
        EXPECT_NEAR(p.load + p.reflected, 10.0, 1e-8);
        EXPECT_NEAR(p.elementLoss(), p.loss, 1e-10);
    }
    // Matched and lossless at DC-like frequencies: all 10 W reach the load.
    const PowerPoint low = b.at(single(0.001, 0, 0));
    EXPECT_NEAR(low.load, 10.0, 1e-6);
}

TEST(PowerDistribution, SurveyHoldsTheLargestLevelOfEveryPointAndRefusesTooManyPoints) {
    Bench b{{50, 'R', 1},
            {36.5041934e-12, 'C', 2},
            {109.117628e-9, 'L', 3},
            {62.8663027e-12, 'C', 2},
            {109.117628e-9, 'L', 3},
            {36.5041934e-12, 'C', 2},
            {50, 'R', 1},
            {1e8, 'x', 1}};
    PowerSettings s = single(50.0, 100, 300);
    s.stop = 150.0;
    s.step = -41;
    PowerAnalysis power(b.design, b.tk, b.data);
    PowerSurvey survey;
    ASSERT_EQ(power.survey(s, survey), 0);
    ASSERT_EQ(survey.branches.size(), 3u);
    double worstShuntV = 0.0;
    ASSERT_EQ(power.run(s,
                        [&](const PowerPoint& p) {
                            for (const BranchLevels& l : p.branches) {
                                worstShuntV = std::max(worstShuntV, l.junctionVolts);
                                for (const BranchMaximum& m : survey.branches)
                                    if (m.branch == l.branch) {
                                        EXPECT_GE(m.forwardVolts, l.forwardVolts);
                                        EXPECT_GE(m.shuntCurrent, l.shuntCurrent);
                                    }
                            }
                        }),
              0);
    EXPECT_DOUBLE_EQ(survey.overall[kMaxShuntVolts].value, worstShuntV);
    int stars = 0;
    for (const BranchMaximum& m : survey.branches) stars += m.starred;
    EXPECT_GE(stars, 1);

    // With a mismatch the worst case over the line length is at least the
    // matched one and the line length is left at the worst forward or shunt voltage.
    PowerSettings m = s;
    m.setVswr(2.0);
    PowerSurvey withLine;
    ASSERT_EQ(power.survey(m, withLine), 0);
    EXPECT_GT(withLine.sweeps, 90);
    EXPECT_GE(withLine.overall[kMaxShuntVolts].value, survey.overall[kMaxShuntVolts].value);
    const double worst =
        std::max(withLine.overall[kMaxForwardVolts].value, withLine.overall[kMaxShuntVolts].value);
    const OverallMaximum& w = withLine.overall[kMaxForwardVolts].value == worst
                                  ? withLine.overall[kMaxForwardVolts]
                                  : withLine.overall[kMaxShuntVolts];
    EXPECT_EQ(m.theta, w.theta);

    s.step = -1000;
    EXPECT_EQ(power.run(s, [](const PowerPoint&) {}), 1);
    EXPECT_EQ(b.tk.notices().back(), "Too many points (999 Max)");
}

TEST(PowerDistribution, RefusesTheMismatchLineWhenTheNetworkIsFull) {
    Design d;
    newDesign(d.entries);
    setEntry(d.entries, 0, 50, 'R', 1);
    for (int i = 1; i < 148; ++i) setEntry(d.entries, i, 1e-12, 'C', 2);
    setEntry(d.entries, 148, 50, 'R', 1);
    setEntry(d.entries, 149, 1e8, 'x', 1);
    completeSettingsString(d.record);
    ui::ScriptedToolkit tk;
    NoDataServices data(tk);
    PowerAnalysis power(d, tk, data);
    PowerSettings s = single(10.0, 0, 0);
    s.setVswr(3.0);
    EXPECT_EQ(power.run(s, [](const PowerPoint&) {}), 1);
    ASSERT_FALSE(tk.notices().empty());
    EXPECT_EQ(tk.notices().back(), "Network too long to add the mismatch line!");
}

} // namespace

namespace {

// Answers for one data branch only, by its entry number in the design.
class OneDataBranch : public DataServices {
public:
    int entry = 0;
    std::vector<int> asked;
    DataAnswer dataImpedance(double, int entryIndex, double& r, double& x) override {
        asked.push_back(entryIndex);
        r = 30.0;
        x = -20.0;
        return entryIndex == entry ? DataAnswer::kReady : DataAnswer::kUnavailable;
    }
    DataAnswer dataValue(double, int, double&) override { return DataAnswer::kUnavailable; }
};

TEST(PowerDistribution, DataBranchKeepsItsNumberBehindTheMismatchLine) {
    Design d;
    newDesign(d.entries);
    setEntry(d.entries, 0, 50, 'R', 1);
    setEntry(d.entries, 1, 100e-9, 'L', 3);
    setEntry(d.entries, 2, -9.0, '1', 22); // data branch (a negative value) in slot 1
    setEntry(d.entries, 3, 50, 'R', 1);
    setEntry(d.entries, 4, 1e8, 'x', 1);
    completeSettingsString(d.record);
    ui::ScriptedToolkit tk;
    OneDataBranch data;
    data.entry = 2;
    PowerAnalysis power(d, tk, data);
    PowerSettings s = single(100.0, 0, 0);
    s.setVswr(2.0);
    int points = 0;
    EXPECT_EQ(power.run(s,
                        [&](const PowerPoint& p) {
                            ++points;
                            ASSERT_FALSE(p.branches.empty());
                            EXPECT_EQ(p.branches.front().branch, 2);
                            // The shunt current of the data branch is its voltage over |30 - j20|.
                            EXPECT_NEAR(p.branches.front().shuntCurrent,
                                        p.branches.front().junctionVolts / std::hypot(30.0, 20.0),
                                        1e-5);
                        }),
              0);
    EXPECT_EQ(points, 1);
    for (int e : data.asked) EXPECT_EQ(e, 2);
}

} // namespace
