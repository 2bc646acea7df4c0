// The equalizer fitted to real designs: the delay of Chebyshev and Bessel
// bandpass filters flattened by all-pass sections (judged by a dense sweep
// of the finished cascade, not by the fitter's own grid), the attenuation of
// a lossy bandpass flattened by amplitude sections.
#include "../design/test_dir.h"
#include "bandpass_design.h"
#include "builder_response.h"
#include "design/text_io.h"
#include "equalizer/equalizer.h"
#include "synthesis/builders.h"
#include "synthesis/calculate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>

using namespace tanvex;
using namespace tanvex::equalizer;

namespace {

constexpr double kFo = 10e6;
constexpr double kBw = 2e6;

// The direct scaled bandpass of reference kind 1 or 7 (the library's Bessel).
struct Bandpass {
    ui::ScriptedToolkit tk;
    std::unique_ptr<Design> design;
    Bandpass(int kind, int n, double ripple)
        : design(equalizertest::directBandpass(tk, kind, n, ripple, kFo, kBw,
                                               TANVEX_SOURCE_DIR "/resources")) {
        EXPECT_TRUE(design);
    }
};

// Delay and attenuation of the design over the band, densely.
void response(Design& d, double f1, double f2, std::vector<double>& delay,
              std::vector<double>& loss) {
    ui::ScriptedToolkit tk;
    analysis::NoDataServices data(tk);
    Fitter grid(tk, d.notation);
    grid.setGrid(f1, f2, 241);
    ASSERT_TRUE(analyseTarget(d, data, tk, grid, Mode::kDelay, delay));
    ASSERT_TRUE(analyseTarget(d, data, tk, grid, Mode::kAmplitude, loss));
}

struct Outcome {
    double before, after, lossChange, seconds;
};

Outcome equalizeDelay(Design& d, int sections, bool sourceEnd) {
    const double f1 = kFo - 0.4 * kBw, f2 = kFo + 0.4 * kBw;
    std::vector<double> delay0, loss0, delay1, loss1;
    response(d, f1, f2, delay0, loss0);
    ui::ScriptedToolkit tk;
    Equalizer eq(d, tk, nullptr);
    Job job;
    job.from = f1;
    job.to = f2;
    job.sections = sections;
    job.sourceEnd = sourceEnd;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(eq.takeTarget(job));
    EXPECT_TRUE(eq.fit());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(static_cast<int>(eq.sections().size()), sections);
    const int n0 = entryCount(d.entries);
    EXPECT_GT(eq.append(d), 0);
    EXPECT_GT(entryCount(d.entries), n0);
    response(d, f1, f2, delay1, loss1);
    double change = 0.0;
    for (std::size_t k = 0; k < loss0.size(); ++k)
        change = std::max(change, std::fabs(loss1[k] - loss0[k]));
    return {peakToPeak(delay0.data(), 241), peakToPeak(delay1.data(), 241), change, seconds};
}

} // namespace

TEST(DelayFit, FourSectionsFlattenChebyshevAndBesselBandpassDelayFiveTimes) {
    struct Case {
        int kind, n;
        double ripple;
    };
    for (const Case c :
         {Case{1, 3, 0.1}, Case{1, 5, 0.1}, Case{1, 7, 0.5}, Case{7, 3, 0}, Case{7, 5, 0}}) {
        Bandpass bp(c.kind, c.n, c.ripple);
        const Outcome o = equalizeDelay(*bp.design, 4, c.n % 2 == 1);
        SCOPED_TRACE("kind " + std::to_string(c.kind) + " n " + std::to_string(c.n));
        std::printf("kind %d n %d: p-p %.4g ns -> %.4g ns (%.1fx), loss change %.2g dB, %.3f s\n",
                    c.kind, c.n, o.before * 1e9, o.after * 1e9, o.before / o.after, o.lossChange,
                    o.seconds);
        EXPECT_GT(o.before / o.after, 5.0);
        EXPECT_LT(o.lossChange, 0.001);
    }
}

TEST(AmplitudeFit, BumpSectionsFlattenTheRoundedPassbandOfALossyBandpass) {
    Bandpass bp(1, 5, 0.1);
    Design& d = *bp.design;
    d.analysis[3] = 60;  // coil Q: the passband edges droop
    d.analysis[4] = 1e4; // capacitor Q
    const double f1 = kFo - 0.4 * kBw, f2 = kFo + 0.4 * kBw;
    std::vector<double> delay0, loss0, delay1, loss1;
    response(d, f1, f2, delay0, loss0);
    ui::ScriptedToolkit tk;
    Equalizer eq(d, tk, nullptr);
    Job job;
    job.mode = Mode::kAmplitude;
    job.from = f1;
    job.to = f2;
    job.sections = 0; // until the ripple is reached
    job.ripple = 0.05;
    ASSERT_TRUE(eq.takeTarget(job));
    ASSERT_TRUE(eq.fit());
    EXPECT_TRUE(eq.report().reachedRipple);
    EXPECT_LE(eq.report().rippleAfter, 0.05);
    EXPECT_GE(eq.sections().size(), 1u);
    ASSERT_GT(eq.append(d), 0);
    // The cascade analysed as one network, densely, with the same component
    // Q in the sections as in the filter (the fit took them into account).
    response(d, f1, f2, delay1, loss1);
    std::printf("attenuation p-p %.4g dB -> %.4g dB with %zu sections\n",
                peakToPeak(loss0.data(), 241), peakToPeak(loss1.data(), 241), eq.sections().size());
    EXPECT_GT(peakToPeak(loss0.data(), 241), 0.5);
    EXPECT_LT(peakToPeak(loss1.data(), 241), 0.06);
    // Not a flat loss of any height: the sections (coils of Q 60 too) add
    // less than twice the rounding they take out.
    const double top0 = *std::max_element(loss0.begin(), loss0.end());
    const double top1 = *std::max_element(loss1.begin(), loss1.end());
    EXPECT_LT(top1 - top0, 2.0 * peakToPeak(loss0.data(), 241));
}

TEST(DelayFit, RippleGoalTakesTheFewestSectionsAndAnUnreachableOneTheBestSet) {
    Bandpass bp(1, 3, 0.1);
    const double f1 = kFo - 0.4 * kBw, f2 = kFo + 0.4 * kBw;
    ui::ScriptedToolkit tk;
    Equalizer eq(*bp.design, tk, nullptr);
    Job job;
    job.from = f1;
    job.to = f2;
    job.sections = 0;
    job.ripple = 20e-9; // the target spreads over 84 ns
    ASSERT_TRUE(eq.takeTarget(job));
    std::size_t reported = 0;
    eq.fitter().onStep = [&](const std::vector<Section>& s) { reported = s.size(); };
    ASSERT_TRUE(eq.fit());
    EXPECT_GE(reported, eq.sections().size()); // every step was shown
    EXPECT_TRUE(eq.report().reachedRipple);
    EXPECT_LE(eq.report().rippleAfter, 20e-9);
    // The fewest sections that reach it: one fewer did not.
    const auto& steps = eq.report().stepRipple;
    ASSERT_EQ(steps.size(), eq.sections().size());
    if (steps.size() >= 2) {
        EXPECT_GT(steps[steps.size() - 2], 20e-9);
    }
    // A goal out of reach: not reached, and the set kept is the best found.
    job.ripple = 1e-15;
    ASSERT_TRUE(eq.takeTarget(job));
    ASSERT_TRUE(eq.fit());
    EXPECT_FALSE(eq.report().reachedRipple);
    // It went on until it stalled or had shown the most sections; the set
    // kept may be an earlier, better one.
    EXPECT_TRUE(eq.report().stalled || reported == static_cast<std::size_t>(kMaxSections));
    const auto& all = eq.report().stepRipple;
    for (double step : all) EXPECT_LE(eq.report().rippleAfter, step * 1.0001);
}

// Typed delay data (.eqd) as the target, the equalizer's own delay saved as
// kbd_data.eqd and read back through the same data services.
TEST(DataTarget, TypedDelayIsFlattenedAndTheSavedDataReadsBack) {
    test::ScratchDir dir;
    std::string text = "MHz nSec\r\n";
    for (int i = 0; i <= 20; ++i) {
        const double fMHz = 9.0 + 0.1 * i, x = fMHz - 10.0;
        text += formatText("%g,%g\r\n", fMHz, 60.0 + 45.0 * x * x * (1.0 - 0.3 * x));
    }
    dir.write("meas.eqd", text);
    auto design = std::make_unique<Design>();
    newDesign(design->entries);
    design->entries[0].value = 75.0;
    design->entries[1].value = 75.0;
    ui::ScriptedToolkit tk;
    analysis::DataFileServices data(*design, tk);
    data.directory = dir.str();
    tk.answer("meas");
    Equalizer eq(*design, tk, &data);
    Job job;
    job.fromData = true;
    job.sections = 3;
    ASSERT_TRUE(eq.takeTarget(job));
    EXPECT_DOUBLE_EQ(eq.job().from, 9e6);
    EXPECT_DOUBLE_EQ(eq.job().to, 11e6);
    EXPECT_NEAR(eq.target()[0], (60.0 + 45.0 * 1.3) * 1e-9, 1e-15);
    EXPECT_NEAR(eq.impedance(), 75.0, 0);
    ASSERT_TRUE(eq.fit());
    EXPECT_LT(eq.report().rippleAfter, eq.report().rippleBefore / 5.0);

    ASSERT_EQ(eq.saveData(), 0);
    EXPECT_TRUE(tk.sawNotice("Data saved in file: KBD_DATA.EQD"));
    const std::string saved = dir.read("kbd_data.eqd");
    EXPECT_EQ(saved.rfind("MHz nSec\r\n", 0), 0u);
    // Read back as equalizer data: the section delay at every grid point.
    analysis::DataFileServices again(*design, tk);
    again.directory = dir.str();
    tk.answer("kbd_data");
    ASSERT_EQ(again.value(0.0, analysis::kLoadForEqualizer), 0.0);
    for (int k = 0; k < eq.points(); ++k) {
        const double ns = again.value(eq.frequency(k), analysis::kValueAt);
        EXPECT_NEAR(ns, eq.response()[k] * 1e9, 1e-5 * ns);
    }
    // A file that is not there: the notice of the data services, no target.
    tk.answer("absent");
    EXPECT_FALSE(eq.takeTarget(job));
    EXPECT_TRUE(tk.sawNotice("Can't open: absent.eqd"));
}

// Design types 12 and 13 through Calculate: the equalizer alone, at the
// design Zo, for the delay of a reference lowpass or for the .eqd data.
TEST(Calculate, EqualizerDesignTypesBuildTheSectionsAlone) {
    test::ScratchDir dir;
    buildertest::Fixture fx;
    fx.choose(121, 1, 5, 0.5, 0.5); // a Chebyshev lowpass first
    fx.rec()[10].value = 1e6;
    fx.rec()[11].letter = 'P';
    synthesis::applyDesignType(*fx.design, 129);
    EXPECT_EQ(synthesis::designType(fx.rec()), 12);
    fx.rec()[0].value = 1; // the reference kind chosen again
    fx.rec()[7].value = 600;
    analysis::DataFileServices data(*fx.design, fx.tk);
    data.directory = dir.str();
    ASSERT_EQ(equalizerDesign(fx.ctx, data), synthesis::kBuildOk);
    const EntryList& l = fx.list();
    const int n = entryCount(l);
    EXPECT_DOUBLE_EQ(l[0].value, 600);
    EXPECT_DOUBLE_EQ(l[n].value, 600);
    EXPECT_GE(n, 1 + 4 * 4);
    // All-pass: flat and 600 ohm at the input (the walk's Q of 1e11 leaves
    // a trace of loss in four sections).
    for (double f : {1e5, 5e5, 9e5, 3e6}) {
        EXPECT_NEAR(buildertest::lossDb(l, f), 0.0, 1e-8);
        EXPECT_NEAR(std::abs(buildertest::inputZ(l, f) - 600.0), 0.0, 1e-6);
    }
    // Reference kind 0: the .eqd data (amplitude for type 13).
    dir.write("kbd_data.eqd", "MHz dB\r\n1,0.8\r\n1.5,0.2\r\n2,0\r\n2.5,0.2\r\n3,0.9\r\n");
    synthesis::applyDesignType(*fx.design, 130);
    fx.rec()[0].value = 0;
    ASSERT_EQ(equalizerDesign(fx.ctx, data), synthesis::kBuildOk);
    bool sawAmplitude = false;
    for (int i = 1; i < entryCount(fx.list()); ++i) sawAmplitude |= fx.list()[i].code == 51;
    EXPECT_TRUE(sawAmplitude);
    // Design Zo missing: the parameter at fault.
    fx.rec()[7].value = 0;
    EXPECT_EQ(equalizerDesign(fx.ctx, data), synthesis::kBuildFault);
    // Other design types are not the equalizer's.
    synthesis::applyDesignType(*fx.design, 121);
    EXPECT_EQ(equalizerDesign(fx.ctx, data), synthesis::CalculateHooks::kNotMine);
}
