// Network builders checked through the network analysis: worked values,
// band edges, ripple and stopband of every lumped type, the four-element and
// split resonator forms against the mapped prototype, pads.
#include "builder_response.h"
#include "synthesis/builders.h"
#include "synthesis/calculate.h"

#include <gtest/gtest.h>

using namespace tanvex;
using namespace tanvex::synthesis;
using buildertest::Fixture;
using buildertest::lossDb;

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Maximum loss over a band and the loss at given points.
double maxLoss(const EntryList& l, double fa, double fb, int points = 400) {
    double m = -1e9;
    for (int i = 0; i <= points; ++i) m = std::max(m, lossDb(l, fa + (fb - fa) * i / points));
    return m;
}

double minLoss(const EntryList& l, double fa, double fb, int points = 400) {
    double m = 1e9;
    for (int i = 0; i <= points; ++i) m = std::min(m, lossDb(l, fa + (fb - fa) * i / points));
    return m;
}

TEST(LowpassLadder, ThirdOrderButterworthWorkedValues) {
    Fixture fx;
    fx.choose(121, 1, 3, 0, 3.0103);
    fx.rec()[10].value = 1000;
    fx.rec()[11].letter = 'P';
    ASSERT_EQ(lowpassLadder(fx.ctx, 0), 0);
    auto& l = fx.list();
    ASSERT_EQ(entryCount(l), 4);
    EXPECT_EQ(l[1].letter, 'C');
    EXPECT_EQ(l[1].code, 2);
    EXPECT_NEAR(l[1].value, 3.183e-6, 0.001e-6);
    EXPECT_EQ(l[2].letter, 'L');
    EXPECT_NEAR(l[2].value, 15.92e-3, 0.01e-3);
    EXPECT_NEAR(l[3].value, 3.183e-6, 0.001e-6);
    EXPECT_NEAR(l[0].value, 50, 1e-9);
    EXPECT_NEAR(l[4].value, 50, 1e-9);
    EXPECT_NEAR(l[5].value, 1000, 1e-6);
    // Butterworth: 3.01 dB at fc, 10 log(1 + 2^6) an octave above.
    EXPECT_NEAR(lossDb(l, 1000), 3.0103, 1e-3);
    EXPECT_NEAR(lossDb(l, 2000), 10 * std::log10(65.0), 1e-3);

    fx.rec()[11].letter = 'S';
    ASSERT_EQ(lowpassLadder(fx.ctx, 0), 0);
    EXPECT_EQ(l[1].letter, 'L');
    EXPECT_EQ(l[1].code, 3);
    EXPECT_NEAR(l[1].value, 7.958e-3, 0.001e-3);
    EXPECT_EQ(l[2].letter, 'C');
    EXPECT_NEAR(l[2].value, 6.366e-6, 0.001e-6);
    EXPECT_NEAR(l[3].value, 7.958e-3, 0.001e-3);
    EXPECT_NEAR(lossDb(l, 2000), 10 * std::log10(65.0), 1e-3);
}

TEST(LowpassLadder, ChebyshevAndEllipticMeetTheirParameters) {
    Fixture fx;
    // Chebyshev 0.5 dB, band edge defined at 3 dB.
    fx.choose(121, 1, 5, 0.5, 3.0);
    fx.rec()[10].value = 10e6;
    fx.rec()[11].letter = 'S';
    ASSERT_EQ(lowpassLadder(fx.ctx, 0), 0);
    EXPECT_NEAR(lossDb(fx.list(), 10e6), 3.0, 1e-3);
    const double s = bandEdgeScale(5, 0.5, 3.0);
    EXPECT_NEAR(maxLoss(fx.list(), 1e3, 10e6 / s), 0.5, 2e-3);

    // Elliptic N = 5, 0.1 dB ripple, 50 dB minimum stopband, edge at As = 0.1.
    fx.choose(121, 4, 5, 0.1, 0.1, 50);
    fx.rec()[10].value = 1e6;
    fx.rec()[11].letter = 'P';
    ASSERT_EQ(lowpassLadder(fx.ctx, 0), 0);
    EXPECT_NEAR(maxLoss(fx.list(), 1e3, 1e6), 0.1, 2e-3);
    const double ws = fx.proto->element[0].value2 / fx.proto->scale;
    ASSERT_GT(ws, 1.0);
    EXPECT_NEAR(minLoss(fx.list(), ws * 1e6 * 1.0001, 10e6, 2000), 50.0, 0.05);
}

TEST(LowpassLadder, HighpassMirrorsTheLowpass) {
    Fixture fx;
    fx.choose(124, 1, 4, 0.2, 1.0);
    fx.rec()[10].value = 5e3;
    fx.rec()[11].letter = 'S';
    ASSERT_EQ(lowpassLadder(fx.ctx, 1), 0);
    const LowpassPrototype& lp = *fx.proto;
    for (double f : {500.0, 2500.0, 4999.0, 5000.0, 8000.0, 50000.0})
        EXPECT_NEAR(lossDb(fx.list(), f), buildertest::prototypeLossDb(lp, 5000.0 / f), 1e-6) << f;
    // Even N: the prototype's series element at the termination end becomes
    // a series C, turned into a shunt L by the dual that puts a series
    // element at the source end.
    EXPECT_EQ(fx.list()[1].letter, 'L');
    EXPECT_EQ(fx.list()[1].code, 2);
    EXPECT_EQ(fx.list()[entryCount(fx.list()) - 1].code, 3);
}

TEST(LowpassLadder, ConfigurationAndCoaxialResults) {
    Fixture fx;
    fx.choose(121, 1, 3, 0, 3.0103);
    fx.rec()[10].value = 1e6;
    fx.rec()[11].letter = 'Q';
    EXPECT_EQ(lowpassLadder(fx.ctx, 0), kBuildFault);
    EXPECT_EQ(faultIndex(fx.rec()), 11);
    fx.rec()[11].letter = 'P';
    EXPECT_EQ(lowpassLadder(fx.ctx, 2), kBuildCoaxialCoil);
    EXPECT_EQ(lowpassLadder(fx.ctx, 3), kBuildCoaxialRod);
    fx.choose(122, 4, 5, 0.1, 0.1, 40);
    fx.rec()[10].value = 1e6;
    fx.rec()[11].letter = 'P';
    EXPECT_EQ(lowpassLadder(fx.ctx, 2), kBuildBadReference);
}

TEST(DirectBandpass, NineToElevenIsCentredOnRoot99) {
    Fixture fx;
    fx.choose(106, 1, 3, 0, 3.0103);
    fx.rec()[5].value = 10;
    fx.rec()[6].value = 2;
    fx.rec()[11].letter = 'P';
    ASSERT_EQ(directBandpass(fx.ctx, 0), 0);
    const auto& l = fx.list();
    const int n = entryCount(l);
    EXPECT_NEAR(l[n + 1].value, std::sqrt(99.0), 1e-9);
    // Each shunt tank resonates at sqrt(99).
    EXPECT_NEAR(1 / (kTwoPi * std::sqrt(l[1].value * l[2].value)), std::sqrt(99.0), 1e-9);
    EXPECT_NEAR(lossDb(l, std::sqrt(99.0)), 0.0, 1e-8);
    EXPECT_NEAR(lossDb(l, 9.0), 3.0103, 1e-3);
    EXPECT_NEAR(lossDb(l, 11.0), 3.0103, 1e-3);
    EXPECT_GT(lossDb(l, 10.0) - lossDb(l, 9.9), -1e-12); // loss grows away from 9.95
}

// Bandpass and notch of an elliptic reference, every resonator form, against
// the prototype through the exact frequency mapping.
TEST(DirectBandpass, EveryFormFollowsTheMappedPrototype) {
    for (char cfg : {'P', 'S', 'T', 'D'}) {
        Fixture fx;
        fx.choose(106, 4, 6, 0.2, 0.2, 45);
        fx.rec()[13].value = 2;
        fx.rec()[5].value = 100e6;
        fx.rec()[6].value = 30e6;
        fx.rec()[11].letter = cfg;
        ASSERT_EQ(directBandpass(fx.ctx, 0), 0) << cfg;
        const double f1 = 85e6, f2 = 115e6, f0 = std::sqrt(f1 * f2), q = f0 / (f2 - f1);
        double worst = 0;
        for (int i = 1; i < 300; ++i) {
            const double f = 40e6 + i * 0.5e6;
            const double w = q * (f / f0 - f0 / f);
            const double a = buildertest::prototypeLossDb(*fx.proto, w);
            if (a < 120) worst = std::max(worst, std::fabs(lossDb(fx.list(), f) - a));
        }
        EXPECT_LT(worst, 1e-6) << cfg;
        EXPECT_NEAR(maxLoss(fx.list(), f1, f2), 0.2, 2e-3) << cfg;
    }
    Fixture fx;
    fx.choose(106, 4, 6, 0.2, 0.2, 45);
    fx.rec()[5].value = 100e6;
    fx.rec()[6].value = 30e6;
    fx.rec()[11].letter = 'N';
    EXPECT_EQ(directBandpass(fx.ctx, 0), kBuildNotImplemented);
}

TEST(DirectNotch, EveryFormFollowsTheMappedPrototype) {
    for (char cfg : {'P', 'S', 'T', 'D', 'N'}) {
        Fixture fx;
        fx.choose(125, 4, 5, 0.1, 0.1, 40);
        fx.rec()[5].value = 10e6;
        fx.rec()[6].value = 2e6;
        fx.rec()[11].letter = cfg;
        fx.rec()[18].letter = 'N';
        fx.rec()[19].value = 0.5;
        ASSERT_EQ(directNotch(fx.ctx, 0), 0) << cfg;
        const double f1 = 9e6, f2 = 11e6, f0 = std::sqrt(f1 * f2), q = f0 / (f2 - f1);
        double worst = 0;
        for (int i = 1; i < 400; ++i) {
            const double f = 2e6 + i * 0.05e6;
            const double x = q * (f / f0 - f0 / f);
            if (std::fabs(x) < 1e-9) continue;
            const double a = buildertest::prototypeLossDb(*fx.proto, -1.0 / x);
            if (a < 120) worst = std::max(worst, std::fabs(lossDb(fx.list(), f) - a));
        }
        EXPECT_LT(worst, 1e-6) << cfg;
        // Passband ripple up to the edges; the stopband (|x| <= 1/ws) holds
        // the minimum attenuation.
        EXPECT_NEAR(maxLoss(fx.list(), 1e5, f1), 0.1, 2e-3) << cfg;
        const double d = fx.proto->scale / (q * fx.proto->element[0].value2);
        const double sa = f0 * (std::sqrt(d * d / 4 + 1) - d / 2), sb = f0 * f0 / sa;
        EXPECT_NEAR(minLoss(fx.list(), sa * 1.00001, sb * 0.99999, 2000), 40.0, 0.05) << cfg;
        if (cfg == 'N') {
            int groups = 0;
            for (int i = 1; i < entryCount(fx.list()); ++i) groups += fx.list()[i].code == 48;
            EXPECT_EQ(groups, 10); // two five-element sections
        }
    }
}

// The inverter form: every resonator in shunt, coupled by quarter-wave lines;
// exact at the centre, close to the direct design across a narrow band.
TEST(DirectNotch, InverterFormKeepsTheNotch) {
    Fixture direct, inv;
    for (Fixture* f : {&direct, &inv}) {
        f->choose(125, 1, 5, 0.1, 0.1);
        f->rec()[5].value = 100e6;
        f->rec()[6].value = 5e6;
    }
    direct.rec()[11].letter = 'P';
    inv.rec()[11].letter = 'I';
    ASSERT_EQ(directNotch(direct.ctx, 0), 0);
    ASSERT_EQ(directNotch(inv.ctx, 0), 0);
    const auto& l = inv.list();
    int lines = 0, shunts = 0;
    for (int i = 1; i < entryCount(l); ++i) {
        EXPECT_TRUE(l[i].code == 4 || l[i].code == 23) << i;
        lines += l[i].code == 23 && l[i].letter == 'Z';
        shunts += l[i].code == 4 && l[i].letter == 'L';
    }
    EXPECT_EQ(shunts, 5);
    EXPECT_EQ(lines, 4);
    const double f0 = geometricCentre(100e6, 5e6);
    EXPECT_NEAR(lossDb(l, f0), lossDb(direct.list(), f0), 1e-6);
    for (double f : {80e6, 90e6, 96e6, 104e6, 110e6, 120e6})
        EXPECT_NEAR(lossDb(l, f), lossDb(direct.list(), f), 0.3) << f;
}

TEST(DirectNotch, SecondLetterMustBeYesOrNo) {
    Fixture fx;
    fx.choose(125, 4, 5, 0.1, 0.1, 40);
    fx.rec()[5].value = 10e6;
    fx.rec()[6].value = 2e6;
    fx.rec()[11].letter = 'N';
    fx.rec()[18].letter = 'Q';
    EXPECT_EQ(directNotch(fx.ctx, 0), kBuildFault);
    EXPECT_EQ(faultIndex(fx.rec()), 18);
}

TEST(ResistorPad, RefusalLPadAndAttenuation) {
    Fixture fx;
    fx.choose(131, 0, 1, 0, 0);
    fx.rec()[8].value = 50;
    fx.rec()[9].value = 50;
    fx.rec()[4].value = 0;
    EXPECT_EQ(resistorPad(fx.ctx), kBuildFault);
    EXPECT_EQ(faultIndex(fx.rec()), 4);

    // 75 to 50 ohm at 3 dB: raised to the L pad minimum.
    fx.rec()[8].value = 75;
    fx.rec()[4].value = 3;
    EXPECT_EQ(resistorPad(fx.ctx), kBuildReissue);
    ASSERT_FALSE(fx.tk.notices().empty());
    EXPECT_EQ(fx.tk.notices().back().substr(0, 26), "\"L\" pad Loss will be 5.719");
    const auto& l = fx.list();
    EXPECT_EQ(entryCount(l), 3);
    EXPECT_NEAR(lossDb(l, 1.0), 5.7195, 1e-3);
    EXPECT_NEAR(std::abs(buildertest::inputZ(l, 1.0)), 75.0, 1e-6);

    for (char cfg : {'P', 'S'}) {
        fx.rec()[11].letter = cfg;
        fx.rec()[4].value = 12;
        fx.rec()[8].value = 100;
        fx.rec()[9].value = 50;
        EXPECT_EQ(resistorPad(fx.ctx), kBuildReissue);
        EXPECT_EQ(entryCount(l), 4);
        EXPECT_EQ(l[2].code, cfg == 'P' ? 3 : 2);
        EXPECT_NEAR(lossDb(l, 1.0), 12.0, 1e-9) << cfg;
        EXPECT_NEAR(std::abs(buildertest::inputZ(l, 1.0)), 100.0, 1e-9) << cfg;
    }
}

TEST(Calculate, ResultHandling) {
    Fixture fx;
    CalculateHooks hooks;
    int reopened = 0, refreshed = 0;
    std::vector<int> ends;
    hooks.reopenParameters = [&] { return ++reopened; };
    hooks.refresh = [&] { ++refreshed; };
    hooks.matcher = [&](int end) { ends.push_back(end); };

    fx.choose(106, 1, 3, 0, 3.0103);
    fx.rec()[5].value = 10e6;
    fx.rec()[6].value = 1e6;
    fx.rec()[11].letter = 'P';
    EXPECT_EQ(calculate(fx.ctx, hooks), 0);
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(ends, (std::vector<int>{0, 1}));

    fx.rec()[6].value = 0; // a used parameter left at 0
    EXPECT_EQ(calculate(fx.ctx, hooks), kBuildFault);
    EXPECT_EQ(reopened, 1);
    EXPECT_EQ(faultIndex(fx.rec()), 6);
    EXPECT_EQ(fx.tk.beeps, 0);

    applyDesignType(*fx.design, 129); // all-pass equalizer: not built here
    EXPECT_EQ(calculate(fx.ctx, hooks), kBuildNotImplemented);
    EXPECT_TRUE(fx.tk.sawNotice("Not implemented"));
    EXPECT_EQ(fx.tk.beeps, 1);
    EXPECT_EQ(resultMessage(9), "Undefined error");
    EXPECT_EQ(resultMessage(2), "Negative values in design");
}

} // namespace

namespace {

// Group delay from the phase of the interpreter walk (central difference).
double delayAt(const EntryList& l, double f) {
    using namespace tanvex::analysis;
    auto phase = [&](double fx) {
        ui::ScriptedToolkit tk;
        NoDataServices data(tk);
        NetworkInterpreter in(tk, data);
        InterpreterSettings is;
        in.prepare(l, is);
        WalkRequest rq;
        rq.f = fx;
        rq.load = l[0].value;
        in.walk(l, rq);
        return in.phi();
    };
    const double h = f * 1e-6;
    double d = phase(f + h) - phase(f - h);
    while (d > M_PI) d -= 2 * M_PI;
    while (d < -M_PI) d += 2 * M_PI;
    return std::fabs(d / (2 * kTwoPi * h));
}

TEST(LinearPhase, OrderTemplateAndBandwidthRange) {
    Fixture fx;
    fx.choose(113, 0, 3, 0, 0);
    fx.rec()[5].value = 10e6;
    fx.rec()[6].value = 5e6;
    fx.rec()[11].letter = 'P';
    EXPECT_EQ(linearPhaseBandpass(fx.ctx), 0);
    EXPECT_DOUBLE_EQ(fx.rec()[1].value, 4); // 3 is raised to 4
    EXPECT_EQ(entryCount(fx.list()), 10);
    fx.rec()[1].value = 1;
    ASSERT_EQ(linearPhaseBandpass(fx.ctx), 0);
    EXPECT_DOUBLE_EQ(fx.rec()[1].value, 2);
    EXPECT_EQ(fx.proto->element[0].code, 0);
    const auto& l = fx.list();
    ASSERT_EQ(entryCount(l), 6);
    const double f1 = 7.5e6, f2 = 12.5e6, f0 = std::sqrt(f1 * f2);
    EXPECT_NEAR(l[7].value, f0, 1e-3);
    // A bandpass: low loss around the centre, rising outside the band, and a
    // group delay that stays within a few per cent over the middle half.
    EXPECT_LT(maxLoss(l, f0 * 0.92, f0 * 1.08), 1.0);
    EXPECT_GT(lossDb(l, f0 / 4), 20.0);
    EXPECT_GT(lossDb(l, f0 * 4), 20.0);
    const double d0 = delayAt(l, f0);
    for (double f : {f0 * 0.9, f0 * 0.95, f0 * 1.05, f0 * 1.1})
        EXPECT_NEAR(delayAt(l, f) / d0, 1.0, 0.05) << f;
    EXPECT_FALSE(fx.tk.sawNotice("Bandwidth out of range"));
    // The source-end element follows the configuration letter.
    EXPECT_EQ(l[5].code, 2);
    fx.rec()[11].letter = 'S';
    fx.rec()[6].value = 0.5e6; // w = 0.05: outside the fit, still built
    EXPECT_EQ(linearPhaseBandpass(fx.ctx), 0);
    EXPECT_TRUE(fx.tk.sawNotice("Bandwidth out of range"));
    EXPECT_EQ(fx.list()[5].code, 3);
}

TEST(LinearPhase, FourAndSixResonatorsAcrossTheirRanges) {
    const std::vector<std::pair<int, double>> cases = {{4, 0.2}, {4, 0.4}, {4, 0.65},
                                                       {6, 0.1}, {6, 0.3}, {6, 0.45}};
    for (const auto& [order, w] : cases) {
        for (char cfg : {'P', 'S'}) {
            Fixture fx;
            fx.choose(113, 0, order, 0, 0);
            fx.rec()[5].value = 50e6;
            fx.rec()[6].value = 50e6 * w;
            fx.rec()[11].letter = cfg;
            ASSERT_EQ(linearPhaseBandpass(fx.ctx), 0) << w;
            const auto& l = fx.list();
            EXPECT_EQ(entryCount(l), order == 4 ? 10 : 13);
            const double f1 = 50e6 * (1 - w / 2), f2 = 50e6 * (1 + w / 2);
            EXPECT_NEAR(lossDb(l, f1), 3.0, 0.3) << w;
            EXPECT_NEAR(lossDb(l, f2), 3.0, 0.3) << w;
            // A rounded (Gaussian-like) passband: under 1 dB over its middle half.
            EXPECT_LT(maxLoss(l, f1 + 0.25 * (f2 - f1), f2 - 0.25 * (f2 - f1)), 1.0) << w;
            const double d0 = delayAt(l, std::sqrt(f1 * f2));
            for (int i = 0; i <= 8; ++i) {
                const double f = f1 + (f2 - f1) * (0.1 + 0.1 * i);
                EXPECT_NEAR(delayAt(l, f) / d0, 1.0, 0.03) << w << " " << f;
            }
            // Half a bandwidth outside the band (the design goal does not ask
            // the six-resonator form for more selectivity).
            EXPECT_GT(lossDb(l, f1 - (f2 - f1) * 0.5), order == 4 ? 10.0 : 6.0) << w;
            EXPECT_FALSE(fx.tk.sawNotice("Bandwidth out of range"));
            EXPECT_EQ(l[entryCount(l) - 1].code, cfg == 'P' ? 2 : 3);
        }
    }
}

TEST(FiveResonatorElliptic, NortonStepsKeepTheResponse) {
    Fixture direct, five;
    for (Fixture* f : {&direct, &five}) {
        f->choose(112, 4, 5, 0.1, 0.1, 40);
        f->rec()[5].value = 100e6;
        f->rec()[6].value = 10e6;
        f->rec()[7].value = 200;
        f->rec()[11].letter = 'P';
    }
    ASSERT_EQ(directBandpass(direct.ctx, 0), 0);
    ASSERT_EQ(fiveResonatorElliptic(five.ctx), 0);
    double worst = 0;
    for (int i = 0; i <= 300; ++i) {
        const double f = 70e6 + i * 0.2e6;
        const double a = lossDb(direct.list(), f);
        if (a < 100) worst = std::max(worst, std::fabs(a - lossDb(five.list(), f)));
    }
    EXPECT_LT(worst, 1e-6);
    five.rec()[11].letter = 'T';
    EXPECT_EQ(fiveResonatorElliptic(five.ctx), kBuildFault);
    EXPECT_EQ(faultIndex(five.rec()), 11);
}

} // namespace

namespace {

TEST(ZigzagBandpass, FollowsTheMappedEllipticPrototype) {
    for (char cfg : {'S', 'T'}) {
        Fixture fx;
        fx.choose(114, 4, 5, 0.2, 0.2, 45); // odd N is raised to 6
        fx.rec()[5].value = 100e6;
        fx.rec()[6].value = 20e6;
        fx.rec()[11].letter = cfg;
        ASSERT_EQ(zigzagBandpass(fx.ctx), 0) << cfg;
        EXPECT_DOUBLE_EQ(fx.rec()[1].value, 6);
        const auto& l = fx.list();
        const int n = entryCount(l);
        // Shunt resonator at the termination, series resonator at the source.
        EXPECT_EQ(l[1].code, 2);
        EXPECT_EQ(l[n - 1].code, 3);
        int sections = 0;
        for (int i = 1; i < n; ++i) sections += l[i].code == (cfg == 'S' ? 27 : 49);
        EXPECT_EQ(sections, cfg == 'S' ? 8 : 10);
        const double f1 = 90e6, f2 = 110e6, f0 = std::sqrt(f1 * f2), q = f0 / (f2 - f1);
        double worst = 0;
        for (int i = 1; i < 300; ++i) {
            const double f = 50e6 + i * 0.35e6;
            const double a = buildertest::prototypeLossDb(*fx.proto, q * (f / f0 - f0 / f));
            if (a < 120) worst = std::max(worst, std::fabs(lossDb(l, f) - a));
        }
        EXPECT_LT(worst, 1e-6) << cfg;
    }
    Fixture fx;
    fx.choose(114, 4, 6, 0.2, 0.2, 45);
    fx.rec()[5].value = 100e6;
    fx.rec()[6].value = 20e6;
    fx.rec()[11].letter = 'Q';
    fx.rec()[13].value = 1;
    EXPECT_EQ(zigzagBandpass(fx.ctx), kBuildFault);
    EXPECT_EQ(faultIndex(fx.rec()), 13);
    EXPECT_EQ(fx.rec()[11].letter, 'S'); // anything else becomes S
    fx.rec()[13].value = 2;
    fx.rec()[1].value = 16;
    EXPECT_EQ(zigzagBandpass(fx.ctx), kBuildFault);
    EXPECT_EQ(faultIndex(fx.rec()), 1);
}

} // namespace
