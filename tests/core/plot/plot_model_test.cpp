// The plot model over a real sweep of the sample bandpass design, and the
// analysis dialog's logic.
#include "analysis/sweep.h"
#include "design/design_file.h"
#include "plot/analysis_dialog_model.h"
#include "plot/plot_model.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>

using namespace tanvex;
using namespace tanvex::plot;

namespace {

struct Bench {
    Design design;
    analysis::ResultsTable table;
    analysis::SweepOptions options;
    ui::ScriptedToolkit tk;
    analysis::NoDataServices data{tk};
    analysis::NoAnalysisViews views;

    Bench() {
        const int r = loadDesign(design, std::string(TANVEX_SOURCE_DIR) + "/resources/examples",
                                 "bandpass", tk);
        EXPECT_EQ(r & kDznFailed, 0);
        completeSettingsString(design.record);
    }
    int sweep(double start, double stop, double step, int mode = 1) {
        design.analysis[0] = design.analysis[6] = start;
        design.analysis[1] = stop;
        design.analysis[2] = step;
        analysis::SweepEvaluator s(design, table, options, tk, data, views);
        return s.analyse(mode);
    }
    // The sweep's values at one frequency (display units), from a sweep of
    // that single point into a separate table.
    analysis::ResultRecord pointAt(double f) {
        Design d = design;
        analysis::ResultsTable t;
        analysis::SweepOptions o = options;
        d.analysis[0] = d.analysis[6] = f;
        d.analysis[1] = 0.0;
        d.analysis[2] = 0.0;
        analysis::SweepEvaluator s(d, t, o, tk, data, views);
        EXPECT_EQ(s.analyse(1), 0);
        return t.records[1];
    }
};

} // namespace

TEST(PlotModel, ReadoutsAgreeWithTheSweepAtMarkers) {
    Bench b;
    ASSERT_EQ(b.sweep(50.0, 150.0, -201.0), 0);
    PlotModel m(b.design, b.table, b.options, b.tk);
    m.returnLoss = true;
    ASSERT_TRUE(m.open());
    EXPECT_EQ(m.points(), 201);
    m.returnLoss = true;
    m.delay = true;
    m.frame(600, 7.0);
    // Marker at 95 MHz (a point of the sweep), jump there with F1.
    b.tk.answer("95, 0");
    m.command(kCmdSearch);
    ASSERT_TRUE(m.markers[0].set());
    m.command(kCmdFirstFButton);
    const Frame fr = m.frame(600, 7.0);
    const Readout r = m.readout();
    EXPECT_NEAR(r.frequency, 95.0, 1e-4);
    const analysis::ResultRecord p = b.pointAt(95.0);
    EXPECT_NEAR(r.attenuation, p[analysis::kFieldAttenuation], 1e-4);
    EXPECT_NEAR(r.returnLoss, p[analysis::kFieldReturnLoss], 1e-3);
    EXPECT_NEAR(r.delay, p[analysis::kFieldDelay] * 1e9, 1e-3);
    // The panel prints the same numbers.
    char att[32];
    std::snprintf(att, sizeof att, "%8.3f dB", p[analysis::kFieldAttenuation]);
    bool found = false;
    for (const PanelLine& l : fr.panel) found |= l.text == att;
    EXPECT_TRUE(found) << att;
    // The marker table lists it with the attenuation relative to the minimum.
    m.command(kCmdTabulate);
    const Frame ft = m.frame(600, 7.0);
    ASSERT_EQ(ft.table.size(), 2u);
    char rel[32];
    std::snprintf(rel, sizeof rel, "%6.2f dB",
                  p[analysis::kFieldAttenuation] - m.attenuationMinimum());
    EXPECT_NE(ft.table[1].text.find(rel), std::string::npos) << ft.table[1].text;
    EXPECT_NE(ft.table[0].text.find("---Delay----"), std::string::npos);
    // The header's columns stand over the row's figures: the frequency's
    // unit under "Frequency", the attenuation's under "Atten.".
    const std::string& head = ft.table[0].text;
    const std::string& row = ft.table[1].text;
    const std::size_t unit = row.find("MHz");
    ASSERT_NE(unit, std::string::npos);
    EXPECT_GE(unit, head.find("Frequency"));
    EXPECT_LT(unit, head.find("Frequency") + 9);
    const std::size_t attDb = row.find(" dB", row.find(" dB") + 1);
    EXPECT_GE(attDb, head.find("Atten."));
    EXPECT_LE(attDb, head.find("Atten.") + 6);

    // Interpolation half way between two points agrees with the sweep there
    // to the accuracy of a straight line between neighbours 0.5 MHz apart.
    m.command(kCmdInterp);
    m.frame(400, 7.0); // 2 pixels per point
    m.cursorToX((m.cursor - m.lo) * 2 + 1);
    const Readout half = m.readout();
    EXPECT_NEAR(half.frequency, 95.25, 1e-4);
    EXPECT_NEAR(half.attenuation, b.pointAt(95.25)[analysis::kFieldAttenuation], 0.01);
}

TEST(PlotModel, RangeCursorAndHandOvers) {
    Bench b;
    ASSERT_EQ(b.sweep(50.0, 150.0, -1000.0), 0);
    PlotModel m(b.design, b.table, b.options, b.tk);
    ASSERT_TRUE(m.open());
    // 1000 points in 600 pixels: at most 600 around the cursor.
    m.cursor = 900;
    Frame f = m.frame(600, 7.0);
    EXPECT_EQ(f.hi - f.lo + 1, 600);
    EXPECT_TRUE(m.lo <= 900 && 900 <= m.hi);
    m.command(kCmdFull);
    f = m.frame(1200, 7.0);
    EXPECT_EQ(f.lo, 1);
    EXPECT_EQ(f.hi, 1000);
    // Lower / upper at the cursor, cursor moves beep at the ends.
    m.cursor = 300;
    m.command(kCmdLower);
    m.cursor = 700;
    m.command(kCmdUpper);
    f = m.frame(1200, 7.0);
    EXPECT_EQ(f.lo, 300);
    EXPECT_EQ(f.hi, 700);
    m.cursor = 1000;
    const int beeps = b.tk.beeps;
    m.key(0, kVkRight);
    EXPECT_EQ(m.cursor, 1000);
    EXPECT_EQ(b.tk.beeps, beeps + 1);
    m.key('<', 0);
    EXPECT_EQ(m.cursor, 995);
    m.key(0, kVkLeft, kModShift);
    EXPECT_EQ(m.cursor, 990);

    // Range dialog: a bad list asks again, then two numbers select points.
    b.tk.answer("120");
    b.tk.answer("80, 120");
    m.command(kCmdRange);
    EXPECT_TRUE(b.tk.sawPrompt("1000 Points were analysed"));
    EXPECT_TRUE(b.tk.sawPrompt("Plot frequency range (lower , upper MHz) ?"));
    EXPECT_GE(m.frequency(m.lo), 80e6 - 1);
    EXPECT_LT(m.frequency(m.lo - 1), 80e6);
    EXPECT_LE(m.frequency(m.hi), 120e6 + 1);

    // Hand-overs.
    m.cursor = 400;
    m.command(kCmdHandStart);
    EXPECT_DOUBLE_EQ(b.options.markerLow, m.frequency(400));
    EXPECT_EQ(m.status, " * Transferred * ");
    m.command(kCmdFull);
    m.command(kCmdRangeTimes2); // 100 - 2 x 100 would start below 0
    EXPECT_GT(b.options.markerLow, 0.0);
    EXPECT_DOUBLE_EQ(b.options.markerLow, m.frequency(1) / 2.0);
    // The next interactive sweep starts there.
    b.options.markerLow = 60e6;
    b.options.markerHigh = 70e6;
    ASSERT_EQ(b.sweep(50.0, 150.0, -11.0), 0);
    EXPECT_NEAR(b.table.records[1][0], 60e6, 1.0);
    EXPECT_NEAR(b.table.records[11][0], 70e6, 1.0);
    // The table changed under the plot.
    EXPECT_TRUE(m.tableChanged());
}

TEST(PlotModel, KeysModesAndSettings) {
    Bench b;
    ASSERT_EQ(b.sweep(50.0, 150.0, -201.0), 0);
    PlotModel m(b.design, b.table, b.options, b.tk);
    ASSERT_TRUE(m.open());
    // Ctrl+F7 cycles phase modes 1..4 and never selects 5.
    for (int i = 0; i < 9; ++i) {
        m.key(0, kVkF1 + 6, kModCtrl);
        EXPECT_GE(m.phaseMode, 1);
        EXPECT_LE(m.phaseMode, 4);
    }
    m.phaseMode = 5;
    m.key(0, kVkF1 + 6, kModCtrl);
    EXPECT_EQ(m.phaseMode, 1);
    // 'z' cycles the extra modes with impedance data.
    m.key('z', 0);
    EXPECT_EQ(m.extraMode, 1);
    EXPECT_EQ(m.key('q', 0).action, KeyAction::Beep);
    EXPECT_EQ(m.key('X', 0).action, KeyAction::Close);
    EXPECT_EQ(m.key('F', 0).command, kCmdFull);
    EXPECT_EQ(m.key('f', 0).command, kCmdScaleFactors);
    // Set, then F3 stores the cursor frequency.
    m.cursor = 50;
    m.command(kCmdSetButton);
    m.key(0, kVkF1 + 2);
    EXPECT_DOUBLE_EQ(m.markers[2].frequency, m.frequency(50));
    m.cursor = 10;
    m.key(0, kVkF1 + 2);
    EXPECT_EQ(m.cursor, 50);
    // Zero: read-outs relative to the values at the zero point.
    m.delay = true;
    m.cursor = 100;
    m.frame(600, 7.0);
    m.command(kCmdZero);
    const Readout z = m.readout();
    m.cursor = 110;
    Frame f = m.frame(600, 7.0);
    const Readout now = m.readout();
    char change[48], att[32];
    std::snprintf(change, sizeof change, "f change = %-11.3f", now.frequency - z.frequency);
    std::snprintf(att, sizeof att, "%8.3f dB", now.attenuation - z.attenuation);
    auto has = [&](const char* text) {
        for (const PanelLine& l : f.panel)
            if (l.text == text) return true;
        return false;
    };
    EXPECT_TRUE(has(change)) << change;
    EXPECT_TRUE(has(att)) << att;
    bool delayChange = false;
    for (const PanelLine& l : f.panel)
        delayChange |= l.text.find("nSec change") != std::string::npos;
    EXPECT_TRUE(delayChange);
    m.command(kCmdZero);
    // The marker table lists F1 on top.
    m.markers[4] = {m.frequency(20), 0.0, false};
    m.markers[0] = {m.frequency(150), 0.0, false};
    m.tabulate = true;
    f = m.frame(600, 7.0);
    ASSERT_EQ(f.table.size(), 4u);
    EXPECT_EQ(f.table[1].text.substr(0, 2), "F1");
    EXPECT_EQ(f.table[3].text.substr(0, 2), "F5");
    // Settings survive in the design.
    m.delay = true;
    m.colours[kItemPhase] = 9;
    m.store();
    PlotModel again(b.design, b.table, b.options, b.tk);
    ASSERT_TRUE(again.open());
    EXPECT_TRUE(again.delay);
    EXPECT_EQ(again.colours[kItemPhase], 9);
    EXPECT_NEAR(again.markers[2].frequency, m.frequency(50), 1.0);
    // Without impedance data extra mode and Smith chart go off.
    b.table.flags[0] = 0;
    again.smith = true;
    ASSERT_TRUE(again.open());
    EXPECT_FALSE(again.smith);
    EXPECT_EQ(again.extraMode, 0);
    // Fewer than two points: the window does not open.
    ASSERT_EQ(b.sweep(100.0, 0.0, 0.0), 0);
    EXPECT_FALSE(again.open());
}

TEST(PlotModel, PhaseModesAndLabels) {
    Bench b;
    ASSERT_EQ(b.sweep(92.0, 108.0, -161.0), 0);
    PlotModel m(b.design, b.table, b.options, b.tk);
    ASSERT_TRUE(m.open());
    m.command(kCmdPhaseFirst + 5);
    Frame f = m.frame(600, 7.0);
    double ppLs = 0.0;
    {
        double lo = 1e9, hi = -1e9;
        for (int k = f.lo; k <= f.hi; ++k)
            lo = std::min(lo, m.phaseValue(k)), hi = std::max(hi, m.phaseValue(k));
        ppLs = hi - lo;
    }
    m.command(kCmdPhaseFirst + 1);
    f = m.frame(600, 7.0);
    double lo = 1e9, hi = -1e9;
    for (int k = f.lo; k <= f.hi; ++k)
        lo = std::min(lo, m.phaseValue(k)), hi = std::max(hi, m.phaseValue(k));
    EXPECT_LE(hi - lo, ppLs + 1e-9);
    EXPECT_NEAR(hi + lo, 0.0, 1e-6);
    bool slope = false;
    for (const PanelLine& l : f.panel) slope |= l.text.rfind("Slope=", 0) == 0;
    EXPECT_TRUE(slope);
    // Mode 2: the line through the reference point with the delay there has
    // zero deviation at that point, and mode 4 stays within +-180.
    m.cursor = 80;
    m.command(kCmdPhaseFirst + 2);
    m.frame(600, 7.0);
    EXPECT_NEAR(m.phaseValue(80), 0.0, 1e-9);
    m.command(kCmdPhaseFirst + 4);
    m.frame(600, 7.0);
    for (int k = 1; k <= m.points(); ++k) EXPECT_LE(std::fabs(m.phaseValue(k)), 180.0);
    // Bandwidth read-out of the third-order 0.1 dB Chebyshev design with a
    // 20 MHz ripple bandwidth: the 3 dB width is 20 MHz times
    // cosh(acosh(1/eps)/3) = 1.3897 (eps^2 = 10^0.01 - 1); loss from the
    // finite Q widens it a little.
    b.design.analysis[3] = b.design.analysis[4] = 0.0; // lossless
    ASSERT_EQ(b.sweep(50.0, 150.0, -1000.0), 0);
    ASSERT_TRUE(m.open());
    m.cursor = 500;
    const std::vector<std::string> bw = m.bandwidthLines();
    ASSERT_FALSE(bw.empty());
    double width = 0;
    ASSERT_EQ(std::sscanf(bw[0].c_str(), "3.0 dB Bw %lf", &width), 1) << bw[0];
    const double eps = std::sqrt(std::pow(10.0, 0.01) - 1.0);
    EXPECT_NEAR(width, 20.0 * std::cosh(std::acosh(1.0 / eps) / 3.0), 0.15);
}

TEST(AnalysisDialog, ValuesEditsAndButtons) {
    Bench b;
    DialogState state;
    AnalysisDialogModel d(b.design, b.options, b.tk, state);
    b.design.analysis = {50.0, 150.0, 0.0, 150, 500, 1000, 50.0};
    d.open(600);
    DialogValues v = d.values();
    EXPECT_EQ(v.text[kIdPoints], "225"); // a step of 0 means 225 points
    EXPECT_EQ(b.design.analysis[2], -225.0);
    d.edit(kIdStart, "1, 2, -11");
    v = d.values();
    EXPECT_EQ(v.text[kIdStart], "1");
    EXPECT_EQ(v.text[kIdStop], "2");
    EXPECT_EQ(v.text[kIdStep], "0.1");
    EXPECT_EQ(v.text[kIdPoints], "11");
    // More than 1000 points: 225 with a beep.
    const int beeps = b.tk.beeps;
    d.edit(kIdStep, "0.0001");
    v = d.values();
    EXPECT_EQ(v.text[kIdPoints], "225");
    EXPECT_EQ(b.tk.beeps, beeps + 1);
    d.edit(kIdPoints, "1");
    EXPECT_EQ(b.design.analysis[1], 0.0);
    EXPECT_EQ(d.values().text[kIdPoints], "1");
    // Q typed as 0 shows "Inf.".
    bool repainted = false;
    d.onQChanged = [&] { repainted = true; };
    d.edit(kIdQc, "0");
    EXPECT_EQ(d.values().text[kIdQc], "Inf.");
    EXPECT_TRUE(repainted);
    EXPECT_EQ(d.values().text[kIdQl], "150");
    // Full plot with a 1300 pixel plot asks for 650 points.
    AnalysisDialogModel wide(b.design, b.options, b.tk, state);
    wide.open(1300);
    wide.button(kIdFullPlot);
    EXPECT_EQ(b.design.analysis[2], -650.0);
    EXPECT_EQ(wide.values().text[kIdFullPlot], "&Full plot *");
    // The flag survives into the next opening, and an explicit count ends it.
    AnalysisDialogModel next(b.design, b.options, b.tk, state);
    b.design.analysis[2] = -11;
    next.open(800);
    EXPECT_EQ(b.design.analysis[2], -800.0);
    next.edit(kIdPoints, "50");
    EXPECT_FALSE(state.fullPlot);
    // Radio buttons.
    next.button(kIdTabulated);
    EXPECT_FALSE(next.graphic());
    EXPECT_FALSE(b.options.fastDelay);
    next.button(kIdFast);
    EXPECT_TRUE(b.options.fastDelay);
    next.button(kIdLog);
    EXPECT_EQ(b.design.record[kSlotSettings].text[analysis::kSettingSpacing], '2');
    next.button(kIdZoRef);
    EXPECT_EQ(b.options.returnLossReference, '1');
    next.edit(kIdReference, "75");
    EXPECT_EQ(b.options.referenceImpedance, 75.0);
    // eXit writes the display choice back and resets the data services.
    bool reset = false;
    next.onResetDataServices = [&] { reset = true; };
    EXPECT_EQ(next.button(kIdExit), DialogOutcome::Exit);
    EXPECT_TRUE(reset);
    EXPECT_EQ(b.design.record[kSlotSettings].text[analysis::kSettingDisplay], '0');
    next.button(kIdHelp);
    EXPECT_EQ(b.tk.log.back(), "HELP: NWABOX.HLW");
}

TEST(PlotModel, ExtraModesNameTheirQuantityAndReference) {
    Bench b;
    ASSERT_EQ(b.sweep(60.0, 140.0, -161.0), 0);
    PlotModel m(b.design, b.table, b.options, b.tk);
    ASSERT_TRUE(m.open());
    m.cursor = 81; // 100 MHz
    const char* const names[5] = {"", "  Zo ", "ZoPh ", "Zo R ", "Zo jX "};
    for (int mode = 1; mode <= 4; ++mode) {
        m.command(kCmdExtraFirst + mode);
        const Frame f = m.frame(600, 7.0);
        int label = -1;
        for (std::size_t i = 0; i < f.panel.size(); ++i)
            if (f.panel[i].text.find("./div.") != std::string::npos) label = static_cast<int>(i);
        ASSERT_GE(label, 0) << mode;
        EXPECT_EQ(f.panel[label].text.rfind(names[mode], 0), 0u) << f.panel[label].text;
        // The bottom line's value follows the label, as for every other trace.
        ASSERT_LT(label + 1, static_cast<int>(f.panel.size()));
        double lowest = 1e300;
        for (int k = f.lo; k <= f.hi; ++k) lowest = std::min(lowest, m.extraValue(k));
        char ref[32];
        std::snprintf(ref, sizeof ref, "ref= %g", m.scales[kScaleExtra].reference);
        EXPECT_EQ(f.panel[label + 1].text, ref);
        EXPECT_NEAR(m.scales[kScaleExtra].reference, lowest, 1e-9);
    }
    // The angle of Z at the cursor in degrees against the table's R and X.
    m.command(kCmdExtraFirst + 2);
    const Readout r = m.readout();
    EXPECT_NEAR(r.extra, std::atan2(r.x, r.r) * 180.0 / M_PI, 1e-4);
}

TEST(PlotModel, PowerDistributionTableHasNoSmithChart) {
    // A distribution table carries a voltage in field 5 and nothing in
    // field 6: the extra trace shows it, the Smith chart has nothing to show.
    Bench b;
    ASSERT_EQ(b.sweep(60.0, 140.0, -41.0), 0);
    b.table.flags = {0, 'V', 0, 0};
    PlotModel m(b.design, b.table, b.options, b.tk);
    ASSERT_TRUE(m.open());
    m.command(kCmdSmith);
    EXPECT_FALSE(m.smith);
    m.command(kCmdExtraFirst + 3);
    EXPECT_EQ(m.extraMode, 3);
    EXPECT_EQ(m.extraName(), "Voltage");
    EXPECT_EQ(m.extraUnit(), "V");
    m.cursor = 5;
    EXPECT_EQ(m.extraValue(5), b.table.records[5][analysis::kFieldR]);
    EXPECT_FALSE(m.frame(600, 7.0).smith.on);
    // An impedance table allows it.
    b.table.flags = {analysis::kImpedanceFieldsFlag, 0, 0, 0};
    m.command(kCmdSmith);
    EXPECT_TRUE(m.smith);
}

TEST(PlotModel, HandOverTakesTheInterpolatedCursorFrequency) {
    Bench b;
    ASSERT_EQ(b.sweep(60.0, 140.0, -41.0), 0); // 2 MHz apart
    PlotModel m(b.design, b.table, b.options, b.tk);
    ASSERT_TRUE(m.open());
    m.cursor = 11;
    m.command(kCmdInterp);
    const Frame f = m.frame(400, 7.0); // 10 pixels per point
    ASSERT_EQ(f.pixelsPerPoint, 10);
    for (int i = 0; i < 5; ++i) m.key(0, kVkRight);
    EXPECT_NEAR(m.readout().frequency, 81.0, 1e-6);
    m.command(kCmdHandStart);
    EXPECT_NEAR(b.options.markerLow, 81e6, 1.0);
    m.key(0, kVkRight);
    m.command(kCmdHandStop);
    EXPECT_NEAR(b.options.markerHigh, 81.2e6, 1.0);
    // Between points the read-outs lie on the straight line between them.
    const double a = m.value(11, analysis::kFieldAttenuation);
    const double c = m.value(12, analysis::kFieldAttenuation);
    EXPECT_NEAR(m.readout().attenuation, a + 0.6 * (c - a), 1e-9);
}

TEST(PlotModel, ConventionalPhaseKeepsTheJumpOfATransmissionZero) {
    // A parallel L-C trap in the series arm between 50 ohm ends: the
    // transfer RL / (Rs + RL + Z) has a true 180 degree step at the trap's
    // resonance, and the conventional display is its angle folded into
    // +-180 degrees at every point, the step included.
    Bench b;
    EntryList& l = b.design.entries;
    newDesign(l);
    const double L = 1e-6, C = 1e-9;
    setEntry(l, 0, 50.0, 'R', 1);
    setEntry(l, 1, L, 'L', 5);
    setEntry(l, 2, C, 'C', 5);
    setEntry(l, 3, 50.0, 'R', 1);
    setEntry(l, 4, 1e7, 'x', 1);
    b.design.analysis[3] = b.design.analysis[4] = b.design.analysis[5] = 0.0; // lossless
    const double m = b.design.notation.frequency.multiplier;
    ASSERT_EQ(b.sweep(1e6 * m, 20e6 * m, -191.0), 0);
    PlotModel pm(b.design, b.table, b.options, b.tk);
    ASSERT_TRUE(pm.open());
    pm.command(kCmdPhaseFirst + 4);
    pm.frame(800, 7.0);
    int checked = 0;
    for (int k = 1; k <= pm.points(); ++k) {
        const double w = 2 * M_PI * pm.frequency(k);
        const std::complex<double> z(0.0, w * L / (1.0 - w * w * L * C));
        const double expected = std::arg(50.0 / (100.0 + z)) * 180.0 / M_PI;
        double diff = std::fmod(pm.phaseValue(k) - expected + 540.0, 360.0) - 180.0;
        EXPECT_NEAR(diff, 0.0, 0.01) << pm.frequency(k);
        EXPECT_LE(std::fabs(pm.phaseValue(k)), 180.0);
        ++checked;
    }
    EXPECT_EQ(checked, 191);
}

TEST(PlotModel, MaskStepsMeetTheMarksTheyWereMadeFrom) {
    // An absolute marker level is attenuation as read; a mask step made from
    // it must be drawn at that attenuation, and markers made back from the
    // mask must sit on its steps.
    Bench b;
    ASSERT_EQ(b.sweep(60.0, 140.0, -161.0), 0);
    PlotModel m(b.design, b.table, b.options, b.tk);
    ASSERT_TRUE(m.open());
    ASSERT_GT(m.attenuationMinimum(), 0.3); // the sample design's loss
    m.markers[0] = {70e6, 40.0, true};
    m.markers[1] = {80e6, 25.0, false};
    m.markers[2] = {130e6, 35.0, true};
    ASSERT_EQ(markersToMask(m.markers, m.passband(), m.mask, m.attenuationMinimum()), 3);
    Frame f = m.frame(800, 7.0);
    ASSERT_EQ(f.markers.size(), 3u);
    auto stepNear = [&](double x) {
        double best = NAN, dist = 1e300;
        for (const MaskStep& s : f.mask) {
            const double d = x < s.x0 ? s.x0 - x : x > s.x1 ? x - s.x1 : 0.0;
            if (d < dist) dist = d, best = s.y;
        }
        return best;
    };
    for (const MarkerMark& mk : f.markers) {
        // The step ending (below the passband) or starting (above) at the mark.
        const double y = stepNear(mk.index == 2 ? mk.x + 1 : mk.x - 1);
        EXPECT_NEAR(y, mk.levelY, 1e-9) << "F" << mk.index + 1;
    }
    // Back to markers: absolute, at the same attenuation.
    maskToMarkers(m.mask, m.markers, m.attenuationMinimum());
    EXPECT_TRUE(m.markers[0].absolute);
    EXPECT_NEAR(m.markers[0].level, 40.0, 1e-9);
    EXPECT_NEAR(m.markers[1].level, 25.0 + m.attenuationMinimum(), 1e-9);
    EXPECT_NEAR(m.markers[2].level, 35.0, 1e-9);
}

TEST(PlotModel, FastDelayIsFlaggedInYellow) {
    Bench b;
    b.options.fastDelay = true;
    completeSettingsString(b.design.record);
    b.design.record[kSlotSettings].text[analysis::kSettingDelayAuto] = '0';
    ASSERT_EQ(b.sweep(60.0, 140.0, -401.0), 0);
    PlotModel m(b.design, b.table, b.options, b.tk);
    ASSERT_TRUE(m.open());
    m.delay = true;
    Frame f = m.frame(800, 7.0);
    int flagged = 0;
    for (const PanelLine& l : f.panel)
        if (l.text == " (Fast)") flagged += l.item == kItemYellow;
    EXPECT_EQ(flagged, 1);
    // The fast method's delay is the secant over the step before each point:
    // close to the precise value half a step lower in a smooth passband.
    b.options.fastDelay = false;
    const analysis::ResultRecord precise = b.pointAt(99.7);
    EXPECT_NEAR(m.value(200, analysis::kFieldDelay), precise[analysis::kFieldDelay],
                0.01 * precise[analysis::kFieldDelay]);
    EXPECT_NEAR(m.frequency(200), 99.8e6, 1.0);
    // Precise sweeps carry no flag.
    ASSERT_EQ(b.sweep(60.0, 140.0, -401.0), 0);
    ASSERT_TRUE(m.open());
    m.delay = true;
    f = m.frame(800, 7.0);
    for (const PanelLine& l : f.panel) EXPECT_NE(l.text, " (Fast)");
}
