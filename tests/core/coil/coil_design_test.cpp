// The design procedure: rounding to whole turns with the length search, the
// threaded form, the automatic diameter and its limit, and bad inputs.
#include "coil/coil_design.h"
#include "coil/coil_formulas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace tanvex::coil;

namespace {

double wheeler(double r, double l, double n) {
    return r * r * n * n / (9.0 * r + 10.0 * l);
}

// Rosa's B(N) from the geometric mean distances of the current strips.
double rosaExact(int n) {
    auto x2lnx = [](double x) { return x > 0 ? x * x * std::log(x) : 0.0; };
    double sum = 0.0;
    for (int k = 1; k < n; ++k) {
        double lnGmd = (x2lnx(k + 1) + x2lnx(k - 1) - 2.0 * x2lnx(k)) / 2.0 - 1.5;
        sum += (n - k) * (std::log(k) - lnGmd);
    }
    return 2.0 * sum / n;
}

// Wheeler's current sheet less Rosa's round-wire correction 4 pi a N (A + B)
// nanohenries (a in centimetres), A = 5/4 - ln(2 pitch / d).
double wheelerRosa(double r, double l, double n, double d) {
    double a = 1.25 - std::log(2.0 * l / n / d);
    return wheeler(r, l, n) - 4.0 * M_PI * 2.54e-3 * r * n * (a + rosaExact(static_cast<int>(n)));
}

} // namespace

TEST(CoilDesign, DefaultDesignHitsTheInductanceWithWholeTurns) {
    CoilState s; // 100 nH, AWG 24, automatic diameter, default pitch
    CoilResult r = designCoil(s);
    ASSERT_FALSE(r.badParameters);
    EXPECT_EQ(r.turns, std::round(r.turns));
    EXPECT_NEAR(r.inductance, 0.1, 0.1 * 1e-5);
    EXPECT_NEAR(s.pitchLow / s.closewound, 0.75, 1e-12);
    EXPECT_NEAR(s.pitchHigh / s.closewound, 0.85, 1e-12);
    EXPECT_TRUE(s.autoDiameter);
    double ratio = r.length / s.formDia;
    EXPECT_GE(ratio, 1.2);
    EXPECT_LE(ratio, 1.8);
    EXPECT_NEAR(r.meanRadius, (s.formDia + s.wire) / 2.0, 1e-15);
    // A second run from the chosen diameter keeps it.
    double d = s.formDia;
    designCoil(s);
    EXPECT_DOUBLE_EQ(s.formDia, d);
}

TEST(CoilDesign, ManyCoilsAgreeWithWheelerAndRoundCleanly) {
    for (double nh : {20.0, 100.0, 470.0, 2200.0, 10000.0, 100000.0}) {
        for (double gauge : {14.0, 18.0, 22.0, 26.0, 30.0}) {
            CoilState s;
            s.required = nh * 1e-3;
            s.setWire(gauge);
            CoilResult r = designCoil(s);
            if (r.badParameters) continue; // a few turns may not round at all
            EXPECT_NEAR(r.inductance, s.required, s.required * 1e-5) << nh << " " << gauge;
            EXPECT_EQ(r.turns, std::round(r.turns));
            EXPECT_NEAR(r.turnsPerInch, r.turns / r.length, 1e-12);
            // Wheeler's sheet with Rosa's correction (these coils are longer
            // than 0.8 r, where Wheeler is good to about 1 %).
            double w = wheelerRosa(r.meanRadius, r.length, r.turns, s.wire);
            EXPECT_NEAR(r.inductance, w, 0.015 * w) << nh << " " << gauge;
        }
    }
}

TEST(CoilDesign, ThreadedFormKeepsFractionalTurnsAtTheThread) {
    CoilState s;
    s.required = 0.5;
    s.setWire(20);
    s.pitchLow = s.pitchHigh = 20.0;
    s.defaultPitch = false;
    s.autoDiameter = false;
    s.formDia = 0.25;
    CoilResult r = designCoil(s);
    ASSERT_FALSE(r.badParameters);
    EXPECT_NE(r.turns, std::round(r.turns));
    EXPECT_NEAR(r.turnsPerInch, 20.0, 1e-5);
    EXPECT_NEAR(r.inductance, 0.5, 1e-6);
    EXPECT_DOUBLE_EQ(s.formDia, 0.25);
}

TEST(CoilDesign, PitchTighterThanCloseWoundReturnsToTheDefaultRange) {
    CoilState s;
    s.defaultPitch = false;
    s.pitchLow = 0.95 * s.closewound;
    s.pitchHigh = 1.2 * s.closewound;
    CoilResult r = designCoil(s);
    EXPECT_TRUE(s.defaultPitch);
    EXPECT_NEAR(s.pitchLow, 0.75 * s.closewound, 1e-12);
    EXPECT_FALSE(r.badParameters);
}

TEST(CoilDesign, AutomaticDiameterGivesUpAfterAHundredSteps) {
    // 100 mH of AWG 44 needs a form far larger than ten wire diameters.
    CoilState s;
    s.required = 1e5;
    s.setWire(44);
    CoilResult r = designCoil(s);
    EXPECT_FALSE(s.autoDiameter);
    EXPECT_NEAR(s.formDia, 10.0 * s.wire * std::pow(1.05, 101), 1e-9);
    EXPECT_FALSE(r.badParameters);
    EXPECT_NEAR(r.inductance, 1e5, 1.0);
}

TEST(CoilDesign, BadInputsGiveNoFiguresAndStop) {
    CoilState s;
    s.required = -0.1;
    CoilResult r = designCoil(s);
    EXPECT_TRUE(r.badParameters);
    EXPECT_FALSE(r.figuresValid);
    CoilState w;
    w.wire = -0.02;
    w.closewound = 0.93 / w.wire;
    r = designCoil(w); // must return, not loop on a negative closewound pitch
    EXPECT_TRUE(r.badParameters);
    CoilState f;
    f.autoDiameter = false;
    f.formDia = -0.2;
    r = designCoil(f);
    EXPECT_TRUE(r.badParameters);
    EXPECT_FALSE(r.figuresValid);
}

TEST(CoilDesign, RandomInputsAlwaysEndWithFiniteFiguresOrNone) {
    std::mt19937 rng(4711);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int i = 0; i < 400; ++i) {
        CoilState s;
        s.required = std::pow(10.0, -4.0 + 9.0 * u(rng)) * (u(rng) < 0.1 ? -1 : 1);
        s.setWire(u(rng) < 0.7 ? 4 + std::floor(50 * u(rng)) : 0.2 * u(rng) + 1e-4);
        if (u(rng) < 0.4) {
            s.autoDiameter = false;
            s.formDia = 2.0 * u(rng) + 1e-3;
        }
        if (u(rng) < 0.3) {
            s.defaultPitch = false;
            s.pitchLow = u(rng) * s.closewound;
            s.pitchHigh = u(rng) < 0.3 ? s.pitchLow : 1.1 * u(rng) * s.closewound;
        }
        s.setFrequency(u(rng) < 0.1 ? -5.0 : 1000.0 * u(rng));
        CoilResult r = designCoil(s);
        if (!r.figuresValid) {
            EXPECT_TRUE(r.badParameters);
            continue;
        }
        EXPECT_TRUE(std::isfinite(r.turns)) << i;
        EXPECT_TRUE(std::isfinite(r.length)) << i;
        EXPECT_TRUE(std::isfinite(r.inductance)) << i;
        EXPECT_TRUE(std::isfinite(r.turnsPerInch)) << i;
        EXPECT_GT(r.length, 0.0) << i;
        if (!r.badParameters && s.pitchLow != s.pitchHigh) {
            EXPECT_NEAR(r.inductance, s.required, s.required * 1e-5) << i;
        }
    }
}
