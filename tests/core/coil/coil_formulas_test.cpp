// Coil formulas against independent oracles: the AWG table, Nagaoka's
// coefficient from complete elliptic integrals, Rosa's B from the geometric
// mean distances of the current strips, Wheeler's long-coil formula and the
// LC resonance.
#include "coil/coil_formulas.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tanvex::coil;

namespace {

// Complete elliptic integrals of the first and second kind (modulus k) by
// the arithmetic-geometric mean.
void ellipticKE(double k, double& kk, double& ee) {
    double a = 1.0, b = std::sqrt(1.0 - k * k), sum = k * k / 2.0, pow2 = 1.0;
    for (int i = 0; i < 30; ++i) {
        double an = (a + b) / 2.0, c = (a - b) / 2.0;
        b = std::sqrt(a * b);
        a = an;
        pow2 *= 2.0;
        sum += pow2 * c * c / 2.0;
    }
    kk = M_PI / (2.0 * a);
    ee = kk * (1.0 - sum);
}

// Nagaoka's coefficient of a current sheet of length-to-diameter ratio x.
double nagaokaExact(double x) {
    double k2 = 1.0 / (1.0 + x * x), k = std::sqrt(k2), kp = std::sqrt(1.0 - k2);
    double kk, ee;
    ellipticKE(k, kk, ee);
    return 4.0 / (3.0 * M_PI * kp) * ((kp * kp / k2) * (kk - ee) + ee - k);
}

// Rosa's B(N): the mutual inductances of N round filaments against the
// current sheet, through the geometric mean distance of two strips k
// pitches apart.
double rosaExact(int n) {
    auto x2lnx = [](double x) { return x > 0 ? x * x * std::log(x) : 0.0; };
    double sum = 0.0;
    for (int k = 1; k < n; ++k) {
        double lnGmd = (x2lnx(k + 1) + x2lnx(k - 1) - 2.0 * x2lnx(k)) / 2.0 - 1.5;
        sum += (n - k) * (std::log(k) - lnGmd);
    }
    return 2.0 * sum / n;
}

} // namespace

TEST(CoilWire, GaugesMatchTheAwgTable) {
    EXPECT_NEAR(awgDiameter(24), 0.0201, 5e-5);
    EXPECT_NEAR(closewoundPitch(awgDiameter(24)), 46.3, 0.05);
    EXPECT_NEAR(awgDiameter(10), 0.1019, 5e-5);
    EXPECT_NEAR(awgDiameter(30), 0.0100, 5e-5);
    EXPECT_NEAR(awgDiameter(-3), 0.46, 1e-12); // 0000 gauge defines the rule
    EXPECT_NEAR(awgDiameter(36), 0.0050, 5e-5);
}

TEST(CoilWire, EntryBelowOneIsADiameterAndOneOrMoreAGauge) {
    Wire w = wireFromEntry(0.05);
    EXPECT_EQ(w.gauge, 0);
    EXPECT_DOUBLE_EQ(w.diameter, 0.05);
    EXPECT_NEAR(w.closewound, 18.6, 1e-9);
    w = wireFromEntry(24.0);
    EXPECT_EQ(w.gauge, 24);
    EXPECT_NEAR(w.diameter, 0.0201, 5e-5);
    // 1 itself is AWG 1 (0.2893 in.), not a wire one inch thick.
    w = wireFromEntry(1.0);
    EXPECT_EQ(w.gauge, 1);
    EXPECT_NEAR(w.diameter, 0.2893, 5e-5);
}

TEST(CoilNagaoka, ExactAtOneAndJoinsAgreeAtHalfAndTwo) {
    EXPECT_EQ(nagaokaK(1.0), 0.688423);
    EXPECT_NEAR(nagaokaExact(1.0), 0.688423, 1e-6);
    // The two fits meeting at x = 0.5 and at x = 2 agree with each other and
    // with the published 0.5255 and 0.8181.
    EXPECT_NEAR(nagaokaPolynomial(0, 0.5), nagaokaPolynomial(1, 0.5), 1e-4);
    EXPECT_NEAR(nagaokaPolynomial(2, 2.0), nagaokaPolynomial(3, 2.0), 1e-4);
    EXPECT_NEAR(nagaokaK(0.5), 0.5255, 1e-4);
    EXPECT_NEAR(nagaokaK(2.0), 0.8181, 1e-4);
    // Both fits that end at x = 1 come close to the exact value there.
    EXPECT_NEAR(nagaokaPolynomial(1, 0.99999), 0.688423, 5e-5);
    EXPECT_NEAR(nagaokaPolynomial(3, 1.00001), 0.688423, 5e-5);
}

TEST(CoilNagaoka, FitsFollowTheEllipticIntegralFormula) {
    for (double x = 0.1; x < 60.0; x *= 1.07) {
        EXPECT_NEAR(nagaokaK(x), nagaokaExact(x), 2e-4) << "x = " << x;
    }
    // Very short coils: about 0.25 per cent.
    for (double x = 0.05; x < 0.1; x *= 1.07) {
        EXPECT_NEAR(nagaokaK(x), nagaokaExact(x), 3e-3 * nagaokaExact(x)) << "x = " << x;
    }
    // A few published values of the coefficient (by length over diameter).
    EXPECT_NEAR(nagaokaK(0.1), 0.2033, 2e-4);
    EXPECT_NEAR(nagaokaK(10.0), 0.9588, 2e-4);
}

TEST(CoilRosa, CorrectionFollowsTheStripSum) {
    EXPECT_EQ(rosaB(1.0), 0.0);
    EXPECT_NEAR(rosaExact(2), 0.1137, 1e-4); // the published table
    EXPECT_NEAR(rosaExact(10), 0.2664, 1e-4);
    for (int n = 2; n < 60; ++n) EXPECT_NEAR(rosaB(n), rosaExact(n), 1e-3) << n;
    for (int n = 60; n < 2000; n += 7) EXPECT_NEAR(rosaB(n), rosaExact(n), 5e-3) << n;
    // The limit of many turns is ln(2 pi) - 3/2.
    EXPECT_NEAR(rosaB(1e6), std::log(2.0 * M_PI) - 1.5, 1e-4);
}

TEST(CoilInductance, LongCoilsAgreeWithWheeler) {
    struct Case {
        double r, l, n;
    };
    for (Case c : {Case{0.25, 2.5, 100}, Case{0.5, 2.0, 40}, Case{0.1, 0.5, 20}, Case{0.3, 0.6, 12},
                   Case{1.0, 10.0, 300}}) {
        double wheeler = c.r * c.r * c.n * c.n / (9.0 * c.r + 10.0 * c.l);
        // A wire whose round-wire correction is exactly zero leaves the
        // current sheet, which Wheeler's formula matches to about 1 % for
        // coils longer than 0.8 r.
        double s = std::exp(1.25 + rosaB(c.n));
        double dSheet = 2.0 * c.l / (c.n * s);
        EXPECT_NEAR(coilInductance(c.l, c.r, dSheet, c.n), wheeler, 0.01 * wheeler)
            << c.r << " " << c.l << " " << c.n;
        // Real closewound wire of many turns differs from the sheet by a few
        // per cent only.
        double dClose = 0.93 * c.l / c.n;
        if (c.n >= 100) {
            EXPECT_NEAR(coilInductance(c.l, c.r, dClose, c.n), wheeler, 0.03 * wheeler);
        }
        // Thinner wire at the same pitch gives the larger inductance.
        EXPECT_GT(coilInductance(c.l, c.r, dClose / 2, c.n), coilInductance(c.l, c.r, dClose, c.n));
    }
}

TEST(CoilInductance, TurnsIterationHitsTheTargetAndIsBounded) {
    TurnsResult t = turnsForInductance(1.0, 0.5, 0.2, 0.02, 5.0);
    ASSERT_TRUE(t.converged);
    EXPECT_NEAR(coilInductance(0.5, 0.2, 0.02, t.turns), 1.0, 1e-6);
    EXPECT_NEAR(t.inductance, 1.0, 1e-6);
    // A negative requirement has no answer: the iteration stops, finitely.
    t = turnsForInductance(-1.0, 0.5, 0.2, 0.02, 5.0);
    EXPECT_FALSE(t.converged);
    EXPECT_TRUE(std::isfinite(t.turns));
}

TEST(CoilQ, TableCornersAndInterpolation) {
    EXPECT_DOUBLE_EQ(qFactorPhi(1.0, 2.0), 0.63);
    EXPECT_DOUBLE_EQ(qFactorPhi(0.1, 1000.0), 0.30);
    EXPECT_DOUBLE_EQ(qFactorPhi(0.5, 10.0), 0.82);
    EXPECT_DOUBLE_EQ(qFactorPhi(0.7, 0.0), 0.0);
    // Midway between rows 0.6/0.5 and columns 1/2: the mean of four cells.
    EXPECT_NEAR(qFactorPhi(0.55, 1.5), (0.67 + 0.78 + 0.65 + 0.74) / 4.0, 1e-12);
    // Outside the table.
    EXPECT_EQ(qFactorPhi(1.01, 1.0), 0.0);
    EXPECT_EQ(qFactorPhi(0.09, 1.0), 0.0);
    EXPECT_EQ(qFactorPhi(0.5, -0.1), 0.0);
    EXPECT_EQ(qFactorPhi(std::nan(""), 1.0), 0.0);
    // Very long coils read the last column.
    EXPECT_NEAR(qFactorPhi(1.0, 5000.0), qFactorPhi(1.0, 999.0), 1e-12);
}

TEST(CoilCapacitance, MedhurstInPicofaradsPerCentimetre) {
    // Medhurst: C = H D pF with D in centimetres; l / D = 1 gives H = 0.4626.
    double r = 0.5 / 2.54; // 1 cm mean diameter
    EXPECT_NEAR(distributedCapacitance(2.0 * r, r) * 1e18, 0.4626, 1e-4);
    EXPECT_NEAR(distributedCapacitance(8.0 * r, r) * 1e18, 0.27 / 2.0 + 0.1126 * 4.0 + 0.08, 1e-4);
    // 1 uH with 1 pF resonates at 159.155 MHz.
    EXPECT_NEAR(selfResonance(1.0, 1e-18), 159.155e6, 0.01e6);
}
