// The sweep evaluator: ranges, point counts, spacing, group delay methods,
// the results table and its header, modes and failures.
#include "analysis/analysis_constants.h"
#include "analysis/sweep.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

using namespace tanvex;
using namespace tanvex::analysis;

namespace {

// Counts walks through a code 50 data term and can fail on a given call.
class CountingData : public DataServices {
public:
    int valueCalls = 0;
    int failOnCall = 0;
    double value = 0.0;
    DataAnswer dataImpedance(double, int, double& r, double& x) override {
        r = 1.0;
        x = 0.0;
        return DataAnswer::kReady;
    }
    DataAnswer dataValue(double, int, double& v) override {
        ++valueCalls;
        v = value;
        return failOnCall && valueCalls == failOnCall ? DataAnswer::kUnavailable
                                                      : DataAnswer::kReady;
    }
};

struct Bench {
    Design design;
    ResultsTable table;
    SweepOptions options;
    ui::ScriptedToolkit tk;
    CountingData data;
    NoAnalysisViews views;
    SweepEvaluator sweep{design, table, options, tk, data, views};

    // A 50 ohm termination and source with a shunt C of 100 pF between; VHF
    // notation (MHz, ns).
    Bench() {
        newDesign(design.entries);
        setEntry(design.entries, 0, 50.0, 'R', 1);
        setEntry(design.entries, 1, 100e-12, 'C', 2);
        setEntry(design.entries, 2, 50.0, 'R', 1);
        setEntry(design.entries, 3, 1e7, 'x', 1);
        completeSettingsString(design.record);
        setSpacing('0');
        setDelayAuto(false);
        design.analysis = {1.0, 10.0, 1.0, 1e11, 1e11, 1e11, 0.0};
    }
    void setSpacing(char c) { design.record[kSlotSettings].text[kSettingSpacing] = c; }
    void setDelayAuto(bool on) {
        design.record[kSlotSettings].text[kSettingDelayAuto] = on ? '1' : '0';
    }
    void range(double start, double stop, double step) {
        design.analysis[0] = start;
        design.analysis[1] = stop;
        design.analysis[2] = step;
    }
    float at(int k, int field) const { return table.records[k][field]; }
};

// Phase of the source/load voltage ratio of the RC bench network, radians.
double rcPhase(double f) {
    const double tau = 25.0 * 100e-12; // 50 || 50 ohm with 100 pF
    return std::atan(2 * M_PI * f * tau);
}

} // namespace

TEST(Sweep, PointCountsAndRanges) {
    {
        Bench b; // stop 0: one point at the start
        b.range(10.0, 0.0, 0.0);
        ASSERT_EQ(b.sweep.analyse(1), 0);
        EXPECT_EQ(b.table.pointCount(), 1);
        EXPECT_FLOAT_EQ(b.at(1, kFieldFrequency), 1e7f);
    }
    {
        Bench b; // minus the number of points
        b.range(1.0, 2.0, -101.0);
        ASSERT_EQ(b.sweep.analyse(1), 0);
        ASSERT_EQ(b.table.pointCount(), 101);
        EXPECT_FLOAT_EQ(b.table.records[0][kHeaderStep], 1e4f);
        EXPECT_FLOAT_EQ(b.at(1, kFieldFrequency), 1e6f);
        EXPECT_FLOAT_EQ(b.at(2, kFieldFrequency), 1.01e6f);
        EXPECT_FLOAT_EQ(b.at(101, kFieldFrequency), 2e6f);
    }
    {
        Bench b; // 1001 points
        b.range(1.0, 100.0, 0.099);
        EXPECT_EQ(b.sweep.analyse(1), 1);
        EXPECT_TRUE(b.tk.sawNotice("Bad frequency range!"));
    }
    {
        Bench b; // start above stop
        b.range(5.0, 2.0, 0.1);
        EXPECT_EQ(b.sweep.analyse(2), 1);
        EXPECT_TRUE(b.tk.sawNotice("Bad frequency range!"));
    }
    {
        Bench b; // the interactive mode without a dialog fails the same way
        b.range(5.0, 2.0, 0.1);
        EXPECT_EQ(b.sweep.analyse(0), 1);
        EXPECT_EQ(b.tk.notices().size(), 1u);
    }
    {
        Bench b; // start 0 with no earlier sweep: 1e-6 in display units
        b.range(0.0, 0.0, 0.0);
        ASSERT_EQ(b.sweep.analyse(1), 0);
        EXPECT_FLOAT_EQ(b.at(1, kFieldFrequency), 1.0f);
        EXPECT_EQ(b.design.analysis[6], 1e-6);
        // ... and after a sweep from 3, start 0 means 3 again.
        b.range(3.0, 0.0, 0.0);
        ASSERT_EQ(b.sweep.analyse(1), 0);
        b.range(0.0, 0.0, 0.0);
        ASSERT_EQ(b.sweep.analyse(1), 0);
        EXPECT_FLOAT_EQ(b.at(1, kFieldFrequency), 3e6f);
    }
}

TEST(Sweep, DialogIsShownAgainAfterABadRange) {
    struct FixingViews : AnalysisViews {
        Design* design = nullptr;
        int shown = 0;
        bool closed = false;
        bool opened = false;
        DialogResult showDialog() override {
            if (++shown == 2) design->analysis[1] = 40.0; // the user corrects the stop
            return DialogResult::kSweep;
        }
        bool interactive() const override { return true; }
        void closeViews() override { closed = true; }
        void openViews(bool) override { opened = true; }
    } views;
    Bench b;
    views.design = &b.design;
    SweepEvaluator sweep(b.design, b.table, b.options, b.tk, b.data, views);
    b.range(30.0, 10.0, 1.0);
    ASSERT_EQ(sweep.analyse(0), 0);
    EXPECT_EQ(views.shown, 2);
    EXPECT_TRUE(views.closed && views.opened);
    EXPECT_EQ(b.table.pointCount(), 11);

    struct ExitViews : AnalysisViews {
        DialogResult showDialog() override { return DialogResult::kExit; }
    } exitViews;
    SweepEvaluator leaving(b.design, b.table, b.options, b.tk, b.data, exitViews);
    EXPECT_EQ(leaving.analyse(0), 2);
}

TEST(Sweep, Spacing) {
    {
        Bench b; // auto, stop = 20 x start: linear
        b.setSpacing('1');
        b.range(1.0, 20.0, -20.0);
        ASSERT_EQ(b.sweep.analyse(2), 0);
        EXPECT_FLOAT_EQ(b.at(2, kFieldFrequency), 2e6f);
    }
    {
        Bench b; // auto, stop = 21 x start: logarithmic, r = (f2/f1)^(1/n)
        b.setSpacing('1');
        b.range(1.0, 21.0, -20.0);
        ASSERT_EQ(b.sweep.analyse(2), 0);
        const double r = std::pow(21.0, 1.0 / 20.0);
        EXPECT_FLOAT_EQ(b.at(2, kFieldFrequency), static_cast<float>(1e6 * r));
        EXPECT_FLOAT_EQ(b.at(20, kFieldFrequency), static_cast<float>(1e6 * std::pow(r, 19)));
        EXPECT_LT(b.at(20, kFieldFrequency), 21e6f);
    }
}

TEST(Sweep, DelayMethods) {
    // A code 50 term counts the walks: two per point with the precise
    // method, one per point after the first with the fast one.
    auto walks = [](int points, bool autoDelay, bool fastFlag, int mode) {
        Bench b;
        setEntry(b.design.entries, 1, 0.0, 'D', 50);
        b.setDelayAuto(autoDelay);
        b.options.fastDelay = fastFlag;
        b.range(1.0, 2.0, -points);
        EXPECT_EQ(b.sweep.analyse(mode), 0);
        return b.data.valueCalls;
    };
    EXPECT_EQ(walks(49, true, true, 1), 98);  // auto: precise up to 49 points
    EXPECT_EQ(walks(50, true, false, 1), 51); // auto: fast from 50
    EXPECT_EQ(walks(50, false, false, 1), 100);
    EXPECT_EQ(walks(50, false, true, 1), 51);
    EXPECT_EQ(walks(50, false, true, 3), 100); // power distribution clears the fast flag
    EXPECT_EQ(walks(50, true, false, 5), 100); // ... also when the method is automatic
    EXPECT_EQ(walks(50, false, false, 2), 50); // no delay in mode 2
}

TEST(Sweep, GroupDelayOfAnRcSection) {
    // Precise: tau = R C / (1 + (w R C)^2) with R = 25 ohm, C = 100 pF.
    Bench b;
    b.range(1.0, 100.0, -12.0);
    ASSERT_EQ(b.sweep.analyse(1), 0);
    const double rc = 25.0 * 100e-12;
    for (int k = 1; k <= 12; ++k) {
        const double w = 2 * M_PI * b.at(k, kFieldFrequency);
        EXPECT_NEAR(b.at(k, kFieldDelay), rc / (1 + w * w * rc * rc), 1e-6 * rc) << k;
        EXPECT_NEAR(b.at(k, kFieldPhase), -rcPhase(b.at(k, kFieldFrequency)) * 57.29578, 1e-4);
    }
    // Fast: phase differences between neighbouring points.
    Bench fast;
    fast.options.fastDelay = true;
    fast.range(1.0, 100.0, 9.0);
    ASSERT_EQ(fast.sweep.analyse(1), 0);
    for (int k = 2; k <= fast.table.pointCount(); ++k) {
        const double f = 1e6 + (k - 1) * 9e6, fp = f - 9e6;
        const double expected = (rcPhase(f) - rcPhase(fp)) / (2 * M_PI * 9e6);
        EXPECT_NEAR(fast.at(k, kFieldDelay), expected, 1e-6 * rc) << k;
    }
}

TEST(Sweep, ReturnLossLimits) {
    {
        Bench b; // matched: 20 log10(1e49)
        setEntry(b.design.entries, 1, 0.0, '_', 99);
        b.range(5.0, 0.0, 0.0);
        ASSERT_EQ(b.sweep.analyse(1), 0);
        EXPECT_FLOAT_EQ(b.at(1, kFieldReturnLoss), 980.0f);
        EXPECT_NEAR(b.at(1, kFieldAttenuation), 0.0f, 1e-6);
    }
    {
        Bench b; // a short across the line reflects everything
        setEntry(b.design.entries, 1, 1e-3, 'R', 2);
        b.range(5.0, 0.0, 0.0);
        ASSERT_EQ(b.sweep.analyse(1), 0);
        EXPECT_NEAR(b.at(1, kFieldReturnLoss), -20.0 * std::log10(0.9999), 1e-7);
    }
    {
        Bench b; // against an entered reference impedance
        setEntry(b.design.entries, 1, 0.0, 'C', 2);
        b.options.returnLossReference = '1';
        b.options.referenceImpedance = 100.0;
        b.range(5.0, 0.0, 0.0);
        ASSERT_EQ(b.sweep.analyse(1), 0);
        EXPECT_NEAR(b.at(1, kFieldReturnLoss), -20.0 * std::log10(50.0 / 150.0), 1e-5);
    }
}

TEST(Sweep, LosslessNetworkThroughTheTable) {
    // |S11|^2 + |S21|^2 = 1 from the table's dB values (single precision).
    Bench b;
    EntryList& l = b.design.entries;
    setEntry(l, 1, 80e-12, 'C', 2);
    setEntry(l, 2, 0.5e-6, 'L', 3);
    setEntry(l, 3, 120e-12, 'C', 2);
    setEntry(l, 4, 0.3e-6, 'L', 5);
    setEntry(l, 5, 30e-12, 'C', 5);
    setEntry(l, 6, 75.0, 'R', 1);
    setEntry(l, 7, 1e7, 'x', 1);
    b.range(1.0, 60.0, -200.0);
    ASSERT_EQ(b.sweep.analyse(1), 0);
    for (int k = 1; k <= 200; ++k) {
        // (return ratios above 0.9999 are clipped by the table)
        if (b.at(k, kFieldReturnLoss) < 0.01) continue;
        const double s11 = std::pow(10.0, -b.at(k, kFieldReturnLoss) / 10.0);
        const double s21 = std::pow(10.0, -b.at(k, kFieldAttenuation) / 10.0);
        EXPECT_NEAR(s11 + s21, 1.0, 2e-6) << k;
    }
}

TEST(Sweep, DelayDataAtFullValueWhateverTheWalkCount) {
    for (int mode : {1, 2}) {
        for (bool fast : {false, true}) {
            Bench b;
            setEntry(b.design.entries, 1, 0.0, 'D', 50);
            b.data.value = 5.0; // ns in the V.H.F. notation
            b.options.fastDelay = fast;
            b.range(1.0, 2.0, -5.0);
            ASSERT_EQ(b.sweep.analyse(mode), 0);
            for (int k = 1; k <= 5; ++k) EXPECT_NEAR(b.at(k, kFieldDelay), 5e-9, 1e-15);
        }
    }
}

TEST(Sweep, HeaderFlagsAndModes) {
    Bench b;
    b.design.analysis[3] = 0.0; // a Q typed as 0 is infinite
    b.design.analysis[4] = 300.0;
    b.range(1.0, 2.0, -3.0);
    ASSERT_EQ(b.sweep.analyse(1), 0);
    const ResultRecord& h = b.table.records[0];
    EXPECT_EQ(h[kHeaderPoints], 3.0f);
    EXPECT_EQ(h[kHeaderReference], 1e7f);
    EXPECT_EQ(h[kHeaderQl], 1e11f);
    EXPECT_EQ(h[kHeaderQc], 300.0f);
    EXPECT_EQ(h[kHeaderSourceR], 50.0f);
    EXPECT_EQ(b.table.flags[0], kImpedanceFieldsFlag);
    EXPECT_EQ(b.design.analysis[3], 1e11);
    EXPECT_NE(b.at(2, kFieldR), 0.0f);

    // Power distribution: impedance fields left alone, no flag, Rs field 0.
    b.table.records[2][kFieldR] = -1.0f;
    ASSERT_EQ(b.sweep.analyse(3), 0);
    EXPECT_EQ(b.at(2, kFieldR), -1.0f);
    EXPECT_EQ(b.table.flags[0], 0);
    EXPECT_EQ(b.table.records[0][kHeaderSourceR], 0.0f);
    EXPECT_GT(b.sweep.interpreter().recordCount(), 0);

    // Mode 4: the one-record buffer only.
    const ResultsTable before = b.table;
    b.range(7.0, 0.0, 0.0);
    ASSERT_EQ(b.sweep.analyse(4), 0);
    EXPECT_EQ(b.table.single[kFieldFrequency], 7e6f);
    EXPECT_EQ(b.table.records, before.records);
}

TEST(Sweep, TapImpedanceInTheImpedanceFields) {
    Bench b;
    EntryList& l = b.design.entries;
    setEntry(l, 1, 0.0, '_', 21);
    setEntry(l, 2, 20.0, 'R', 3);
    setEntry(l, 3, 50.0, 'R', 1);
    setEntry(l, 4, 1e7, 'x', 1);
    b.range(5.0, 0.0, 0.0);
    ASSERT_EQ(b.sweep.analyse(1), 0);
    EXPECT_FLOAT_EQ(b.at(1, kFieldR), 50.0f); // at the tap, not 70 at the source end
    EXPECT_EQ(b.table.records[0][kHeaderSourceR], 0.0f);
    // Matched against 70 would be infinite return loss; against Rs = 50 not.
    EXPECT_NEAR(b.at(1, kFieldReturnLoss), -20 * std::log10(20.0 / 120.0), 1e-5);
}

TEST(Sweep, MarkerRangeAndMismatchModes) {
    Bench b;
    b.options.markerLow = 2e6;
    b.options.markerHigh = 4e6;
    b.range(1.0, 10.0, -3.0);
    ASSERT_EQ(b.sweep.analyse(2), 0);
    EXPECT_FLOAT_EQ(b.at(1, kFieldFrequency), 2e6f);
    EXPECT_FLOAT_EQ(b.at(3, kFieldFrequency), 4e6f);
    EXPECT_EQ(b.options.markerLow, 0.0);
    EXPECT_DOUBLE_EQ(b.design.analysis[6], 2.0);

    // Mode 6 raises the load by the VSWR and runs the mismatch line: with a
    // zero-length line the return loss is that of a 2:1 mismatch.
    Bench m;
    EntryList& l = m.design.entries;
    setEntry(l, 1, -1.0, 'Z', 23);
    setEntry(l, 2, 0.0, 'D', 23);
    setEntry(l, 3, 50.0, 'R', 1);
    setEntry(l, 4, 1e7, 'x', 1);
    m.options.mismatchRatio = 2.0;
    m.options.mismatchLineLength = 0.0;
    m.range(5.0, 0.0, 0.0);
    ASSERT_EQ(m.sweep.analyse(6), 0);
    EXPECT_NEAR(m.at(1, kFieldReturnLoss), -20 * std::log10(1.0 / 3.0), 1e-4);
}

TEST(Sweep, Failures) {
    {
        Bench b;
        setEntry(b.design.entries, 0, 0.0, 'R', 1);
        EXPECT_EQ(b.sweep.analyse(1), 1);
        EXPECT_TRUE(b.tk.sawNotice("Termination Zo must not be zero!"));
    }
    {
        // An interpreter failure ends the sweep: the points so far stay, the
        // header is the old one.
        Bench b;
        setEntry(b.design.entries, 1, 0.0, 'D', 50);
        b.range(1.0, 2.0, -10.0);
        ASSERT_EQ(b.sweep.analyse(2), 0);
        b.data.valueCalls = 0;
        b.data.failOnCall = 4;
        b.range(3.0, 4.0, -10.0);
        EXPECT_EQ(b.sweep.analyse(2), 1);
        EXPECT_FLOAT_EQ(b.at(3, kFieldFrequency), static_cast<float>(3e6 + 2e6 / 9.0));
        EXPECT_FLOAT_EQ(b.at(4, kFieldFrequency), static_cast<float>(1e6 + 3e6 / 9.0));
        EXPECT_EQ(b.table.records[0][kHeaderPoints], 10.0f);
        EXPECT_FLOAT_EQ(b.table.records[0][kHeaderStep], static_cast<float>(1e6 / 9.0));
    }
}

TEST(Sweep, PhaseWrapRuleOfTheDeltaWyeSections) {
    // The same bridged-T notch written as a code 10 section and as the
    // primitives it stands for. Only the section sets the phase-wrap flag:
    // where the phase falls from one point to the next, its delay has pi added
    // to the phase step (once per half turn still negative).
    struct Phases : SweepObserver {
        std::vector<PointValues> points;
        void point(int, const PointValues& v, const NetworkInterpreter&) override {
            points.push_back(v);
        }
    };
    auto sweep = [](bool section, Phases& out) {
        Bench b;
        EntryList& l = b.design.entries;
        // A bridged T whose leg to ground resonates near 25 MHz: a lossy notch
        // with a falling phase across it.
        const double e[5] = {5e-12, 50e-9, 50e-9, 1e-6, 40.5e-12};
        const char letters[5] = {'C', 'L', 'L', 'L', 'C'};
        int i = 1;
        if (section) {
            for (int k = 0; k < 5; ++k) setEntry(l, i++, e[k], letters[k], 10);
        } else {
            for (int k = 0; k < 3; ++k) setEntry(l, i++, e[k], letters[k], 92);
            setEntry(l, i++, 0.0, '_', 97);
            setEntry(l, i++, 0.0, '_', 98);
            setEntry(l, i++, 0.0, '_', 91);
            setEntry(l, i++, e[3], letters[3], 94);
            setEntry(l, i++, e[4], letters[4], 94);
            setEntry(l, i++, 0.0, '_', 95);
            setEntry(l, i++, 0.0, '_', 96);
        }
        setEntry(l, i++, 50.0, 'R', 1);
        setEntry(l, i, 1e7, 'x', 1);
        b.options.fastDelay = true;
        b.design.analysis[3] = 30.0; // inductor Q
        b.range(10.0, 40.0, -300.0);
        b.sweep.setObserver(&out);
        EXPECT_EQ(b.sweep.analyse(1), 0);
        return b.sweep.interpreter().phaseWrap();
    };
    Phases withSection, withPrimitives;
    EXPECT_TRUE(sweep(true, withSection));
    EXPECT_FALSE(sweep(false, withPrimitives));
    ASSERT_EQ(withSection.points.size(), 300u);
    int falling = 0;
    for (size_t k = 1; k < 300; ++k) {
        const PointValues& a = withSection.points[k];
        const PointValues& p = withPrimitives.points[k];
        EXPECT_NEAR(a.attenuation, p.attenuation, 1e-9);
        const double df = a.frequency - withSection.points[k - 1].frequency;
        // phase fields are -phi in degrees
        double dphi = -(a.phase - withSection.points[k - 1].phase) / kDegreesPerRadian;
        EXPECT_NEAR(p.delay, dphi / (kOmega * df), 1e-15) << k;
        if (dphi < 0.0) ++falling;
        while (dphi < 0.0) dphi += M_PI;
        EXPECT_NEAR(a.delay, dphi / (kOmega * df), 1e-15) << k;
    }
    EXPECT_GT(falling, 0); // the rule was exercised
}

TEST(Sweep, EveryFailureMessageOnceThroughTheSweep) {
    // Each fault of the network program reaches the user through the sweep
    // exactly once, in the situation that causes it, and the sweep says so.
    struct Case {
        const char* what;
        std::vector<NetEntry> body; // entries 1.. before the source
        int mode;
        const char* notice;
        int result;
    };
    std::vector<NetEntry> manyShunts;
    for (int i = 0; i < 61; ++i) manyShunts.push_back({1e4, 'R', 2});
    const std::vector<Case> cases = {
        {"left on the stack", {{10.0, 'R', 92}}, 1, "Stack trouble!", 1},
        {"unknown code 54", {{1.0, 'R', 54}}, 1, "Unknown instruction --> 54", 1},
        {"unknown code 101", {{1.0, 'R', 101}}, 2, "Unknown instruction --> 101", 1},
        {"unknown code in a side port",
         {{40.0, 'R', 8}, {1.0, 'R', 89}, {0.0, 'R', 9}},
         1,
         "Unknown instruction --> 89 (in side port)",
         1},
        {"too many shunts while recording", manyShunts, 3, "Too many shunts - network too big!", 1},
        {"recall followed by a group code",
         {{30.0, 'R', 92}, {60.0, 'R', 92}, {0.0, 'R', 98}, {20.0, 'R', 2}, {0.0, 'R', 95}},
         1,
         "Code 98 error",
         0},
    };
    for (const Case& c : cases) {
        Bench b;
        setEntry(b.design.entries, 0, 50.0, 'R', 1);
        int i = 1;
        for (const NetEntry& e : c.body) setEntry(b.design.entries, i++, e.value, e.letter, e.code);
        setEntry(b.design.entries, i, 50.0, 'R', 1);
        setEntry(b.design.entries, i + 1, 1e7, 'x', 1);
        b.range(1.0, 2.0, -5.0);
        EXPECT_EQ(b.sweep.analyse(c.mode), c.result) << c.what;
        EXPECT_TRUE(b.tk.sawNotice(c.notice)) << c.what;
        // Also the code-98 fault, which lets every walk go on: one notice
        // per sweep, not one per frequency.
        EXPECT_EQ(b.tk.notices().size(), 1u) << c.what;
    }
    {
        // The termination: nothing analysed, the table untouched.
        Bench b;
        b.table.records[0][kHeaderPoints] = 7.0f;
        setEntry(b.design.entries, 0, 0.0, 'R', 1);
        EXPECT_EQ(b.sweep.analyse(3), 1);
        EXPECT_EQ(b.tk.notices(), std::vector<std::string>{"Termination Zo must not be zero!"});
        EXPECT_EQ(b.table.pointCount(), 7);
    }
    {
        // A bad range in every mode without a dialog: one notice, result 1,
        // the old table kept.
        for (int mode = 1; mode <= 6; ++mode) {
            Bench b;
            b.table.records[0][kHeaderPoints] = 7.0f;
            b.range(1.0, 100.0, 0.099); // 1001 points
            EXPECT_EQ(b.sweep.analyse(mode), 1) << mode;
            EXPECT_EQ(b.tk.notices(), std::vector<std::string>{"Bad frequency range!"}) << mode;
            EXPECT_EQ(b.table.pointCount(), 7) << mode;
        }
    }
}

namespace {

// A lossy network of lumped groups, a delta-wye section (phase wrap),
// stubs, unit elements and a side port.
std::vector<NetEntry> mixedNetwork() {
    return {{20e-12, 'C', 2}, {40e-9, 'L', 5},  {12e-12, 'C', 5}, {60.0, 'Z', 16},
            {0.9, 'D', 16},   {50.0, 'Z', 23},  {0.4, 'D', 23},   {5e-12, 'C', 10},
            {50e-9, 'L', 10}, {50e-9, 'L', 10}, {1e-6, 'L', 10},  {40.5e-12, 'C', 10},
            {50.0, 'R', 8},   {15e-12, 'C', 2}, {0.0, '_', 9},    {30e-9, 'L', 3},
            {70.0, 'Z', 18},  {0.6, 'D', 18}};
}

// The network with a code-98 group after it.
std::vector<NetEntry> withCode98(std::vector<NetEntry> body) {
    for (int code : {92, 92, 98, 3}) body.push_back({0.0, '_', code});
    return body;
}

// The body between 50-ohm ends at 100 MHz, swept 5 to 400 (601 points).
void loadSweep(Bench& b, const std::vector<NetEntry>& body, bool fast) {
    EntryList& l = b.design.entries;
    int i = 1;
    for (const NetEntry& e : body) setEntry(l, i++, e.value, e.letter, e.code);
    setEntry(l, i++, 50.0, 'R', 1);
    setEntry(l, i, 1e8, 'x', 1);
    b.options.fastDelay = fast;
    b.design.analysis[3] = 40.0;
    b.design.analysis[5] = 300.0;
    b.range(5.0, 400.0, -601.0);
}

} // namespace

TEST(Sweep, SecondThreadGivesTheSameValuesNoticesAndFailures) {
    // The same sweeps walked on one thread and split between two: every
    // value, every table field, every notice and the result agree exactly.
    struct Values : SweepObserver {
        std::vector<PointValues> points;
        void point(int, const PointValues& v, const NetworkInterpreter&) override {
            points.push_back(v);
        }
    };
    struct Run {
        int result;
        std::vector<PointValues> points;
        ResultsTable table;
        std::vector<std::string> notices;
    };
    auto run = [](const std::vector<NetEntry>& body, bool fast, bool parallel) {
        Bench b;
        loadSweep(b, body, fast);
        Values values;
        b.sweep.setObserver(&values);
        b.sweep.setParallel(parallel);
        Run r;
        r.result = b.sweep.analyse(1);
        r.points = values.points;
        r.table = b.table;
        r.notices = b.tk.notices();
        return r;
    };
    const std::vector<NetEntry> network = mixedNetwork();
    const std::vector<NetEntry> code98 = withCode98(network);
    std::vector<NetEntry> broken = network;
    broken.push_back({10.0, 'R', 92}); // left on the stack
    const std::vector<NetEntry>* bodies[] = {&network, &code98, &broken};
    // The two threads meet wherever they happen to: a few runs of each.
    for (const auto* body : bodies) {
        for (int fastAndRun = 0; fastAndRun < 16; ++fastAndRun) {
            const bool fast = fastAndRun % 2 == 1;
            const Run one = run(*body, fast, false);
            const Run two = run(*body, fast, true);
            EXPECT_EQ(one.result, two.result);
            EXPECT_EQ(one.notices, two.notices);
            ASSERT_EQ(one.points.size(), two.points.size());
            for (size_t k = 0; k < one.points.size(); ++k) {
                EXPECT_EQ(one.points[k].attenuation, two.points[k].attenuation) << k;
                EXPECT_EQ(one.points[k].delay, two.points[k].delay) << k;
                EXPECT_EQ(one.points[k].phase, two.points[k].phase) << k;
                EXPECT_EQ(one.points[k].r, two.points[k].r) << k;
                EXPECT_EQ(one.points[k].returnLoss, two.points[k].returnLoss) << k;
            }
            EXPECT_TRUE(one.table.records == two.table.records);
        }
    }
    EXPECT_EQ(run(network, false, true).points.size(), 601u);
    EXPECT_EQ(run(broken, false, true).result, 1);
}

TEST(Sweep, ConcurrentObserverHasEveryPointOnceFromTheThreadThatWalkedIt) {
    // An observer that takes points from both threads: the values are those
    // of the one-thread sweep, each point comes once, the calling thread's
    // upwards and the second thread's downwards; with the fast delay (each
    // point needs the one before) they come in order on the calling thread.
    struct Early : SweepObserver {
        explicit Early(int n) : values(static_cast<size_t>(n) + 1), calls(values.size()) {}
        bool concurrent() const override { return true; }
        void point(int k, const PointValues& v, const NetworkInterpreter&) override {
            values[static_cast<size_t>(k)] = v;
            ++calls[static_cast<size_t>(k)];
            (std::this_thread::get_id() == caller ? mine : theirs).push_back(k);
        }
        std::vector<PointValues> values;
        std::vector<int> calls;
        std::vector<int> mine;
        std::vector<int> theirs; // only the second thread writes it
        std::thread::id caller = std::this_thread::get_id();
    };
    struct InOrder : SweepObserver {
        std::vector<PointValues> values{PointValues{}};
        void point(int k, const PointValues& v, const NetworkInterpreter&) override {
            EXPECT_EQ(k, static_cast<int>(values.size()));
            values.push_back(v);
        }
    };
    const std::vector<NetEntry> network = mixedNetwork();
    const std::vector<NetEntry> code98 = withCode98(network);
    const std::vector<NetEntry>* bodies[] = {&network, &code98};
    for (const auto* body : bodies) {
        for (int fastAndRun = 0; fastAndRun < 12; ++fastAndRun) {
            const bool fast = fastAndRun % 2 == 1;
            Bench one;
            loadSweep(one, *body, fast);
            InOrder reference;
            one.sweep.setObserver(&reference);
            const int result = one.sweep.analyse(1);
            Bench two;
            loadSweep(two, *body, fast);
            Early early(601);
            two.sweep.setObserver(&early);
            two.sweep.setParallel(true);
            ASSERT_EQ(two.sweep.analyse(1), result);
            EXPECT_EQ(one.tk.notices(), two.tk.notices());
            // A failed sweep may have reported points beyond the failure.
            if (body == &network) {
                ASSERT_EQ(result, 0);
            }
            if (result != 0) continue;
            EXPECT_TRUE(one.table.records == two.table.records);
            ASSERT_EQ(reference.values.size(), 602u);
            for (int k = 1; k <= 601; ++k) {
                const auto at = static_cast<size_t>(k);
                ASSERT_EQ(early.calls[at], 1) << k;
                EXPECT_EQ(early.values[at].frequency, reference.values[at].frequency) << k;
                EXPECT_EQ(early.values[at].delay, reference.values[at].delay) << k;
                EXPECT_EQ(early.values[at].attenuation, reference.values[at].attenuation) << k;
                EXPECT_EQ(early.values[at].phase, reference.values[at].phase) << k;
                EXPECT_EQ(early.values[at].x, reference.values[at].x) << k;
            }
            for (size_t j = 0; j < early.mine.size(); ++j)
                ASSERT_EQ(early.mine[j], static_cast<int>(j) + 1);
            for (size_t j = 0; j < early.theirs.size(); ++j)
                ASSERT_EQ(early.theirs[j], 601 - static_cast<int>(j));
            if (fast) {
                EXPECT_TRUE(early.theirs.empty());
            }
        }
    }
}
