// Elliptic prototypes checked by analysing the ladder itself (ABCD cascade):
// passband ripple, minimum stopband attenuation, transmission zeros at the arm
// resonances, terminations, band-edge scaling and the stopband query.
#include "ladder_eval.h"
#include "synthesis/elliptic.h"
#include "synthesis/prototype.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace tanvex;
using namespace tanvex::synthesis;

namespace {

struct Made {
    int result = -99;
    LowpassPrototype proto{};
};

Made make(int n, double ar, double as, double amin, int termination) {
    Design design{};
    newDesign(design.entries);
    auto& rec = design.record;
    rec[0].value = kRefElliptic;
    rec[1].value = n;
    rec[2].value = ar;
    rec[3].value = as;
    rec[4].value = amin;
    rec[13].value = termination;
    std::string mask(21, '-');
    for (int s : {1, 2, 3, 4, 13}) mask[s] = '1';
    rec[0].setText(mask);
    Made m;
    ui::ScriptedToolkit tk;
    PrototypeContext ctx{design, m.proto, tk, "", true, nullptr};
    m.result = makePrototype(ctx);
    return m;
}

struct Measured {
    double minPass = 1e9, maxPass = -1e9, minStop = 1e9;
};

Measured measure(const LowpassPrototype& lp, double passEdge, double stopEdge) {
    auto br = testeval::fromPrototype(lp);
    double rs = lp.element[lp.n + 1].value;
    Measured m;
    for (int i = 0; i <= 3000; ++i) {
        double a = testeval::lossDb(br, rs, 1, passEdge * i / 3000);
        m.minPass = std::min(m.minPass, a);
        m.maxPass = std::max(m.maxPass, a);
    }
    for (int i = 0; i <= 6000; ++i) {
        double w = stopEdge * std::pow(200.0, i / 6000.0);
        m.minStop = std::min(m.minStop, testeval::lossDb(br, rs, 1, w));
    }
    return m;
}

} // namespace

TEST(Elliptic, LaddersMeetRippleAttenuationAndZerosOverAGrid) {
    int checked = 0;
    for (int n = 3; n <= 9; ++n) {
        for (double ar : {0.1, 0.5, 1.0}) {
            for (double amin : {40.0, 60.0, 80.0}) {
                for (int term : {1, 2, 3}) {
                    SCOPED_TRACE(testing::Message() << "N=" << n << " Ar=" << ar << " Amin=" << amin
                                                    << " type " << term);
                    Made m = make(n, ar, ar, amin, term);
                    ASSERT_EQ(m.result, 0);
                    const LowpassPrototype& lp = m.proto;
                    ASSERT_EQ(lp.n, n);
                    EXPECT_EQ(lp.element[0].code, kRefElliptic);
                    EXPECT_EQ(lp.scale, 1.0);
                    // Ladder form: shunt C at both ends (odd) or a series L at
                    // the termination end (even and singly terminated even).
                    bool odd = n % 2 == 1;
                    EXPECT_EQ(lp.element[1].code, odd ? 2 : 3);
                    EXPECT_EQ(lp.element[n].code, 2);
                    for (int k = 1; k <= n; ++k) {
                        EXPECT_GT(lp.element[k].value, 0) << k;
                        if (lp.element[k].code == 5) {
                            EXPECT_GT(lp.element[k].value2, 0);
                        }
                    }
                    double rs = lp.element[n + 1].value;
                    if (term == 1) {
                        EXPECT_EQ(rs, 1e20);
                    } else if (odd || term == 3) {
                        EXPECT_NEAR(rs, 1.0, 1e-6);
                    }
                    double omegaS = lp.element[0].value2;
                    ASSERT_GT(omegaS, 1.0);
                    Measured ms = measure(lp, 1.0, omegaS);
                    EXPECT_NEAR(ms.maxPass - ms.minPass, ar, 2e-3 * ar);
                    if (term != 1) {
                        EXPECT_NEAR(ms.minPass, 0, 1e-3);
                    }
                    EXPECT_GE(ms.minStop - ms.minPass, amin - 0.01);
                    // Attenuation only just reaches Amin: the stopband edge is
                    // where it first does.
                    EXPECT_LT(ms.minStop - ms.minPass, amin + 0.05);
                    if (!odd && term == 2) {
                        // Unequal terminations: the DC loss is the full ripple.
                        auto br = testeval::fromPrototype(lp);
                        EXPECT_NEAR(testeval::lossDb(br, rs, 1, 0), ar, 1e-3);
                    }
                    // Each arm resonance is a transmission zero.
                    auto br = testeval::fromPrototype(lp);
                    for (int k = 1; k <= n; ++k) {
                        if (lp.element[k].code != 5) continue;
                        double w0 = 1 / std::sqrt(lp.element[k].value * lp.element[k].value2);
                        EXPECT_GT(w0, omegaS);
                        EXPECT_GT(testeval::lossDb(br, rs, 1, w0 * (1 + 1e-9)), amin + 60);
                    }
                    // The stopband query is the unscaled prototype's attenuation.
                    for (double f : {1.001, 1.3, 2.0, 5.0}) {
                        double w = omegaS * f;
                        EXPECT_NEAR(ellipticStopbandAttenuation(lp, w),
                                    testeval::lossDb(br, rs, 1, w) - ms.minPass, 1e-3);
                    }
                    ++checked;
                }
            }
        }
    }
    EXPECT_EQ(checked, 7 * 3 * 3 * 3);
}

TEST(Elliptic, BandEdgeScalePutsAsAtOneRadian) {
    for (int term : {1, 2, 3}) {
        for (int n : {4, 5, 8}) {
            Made m = make(n, 0.2, 3.0, 60, term);
            ASSERT_EQ(m.result, 0);
            const LowpassPrototype& lp = m.proto;
            EXPECT_GT(lp.scale, 1.0);
            auto br = testeval::fromPrototype(lp);
            double rs = lp.element[n + 1].value;
            double minPass = 1e9;
            for (int i = 0; i <= 2000; ++i)
                minPass = std::min(minPass, testeval::lossDb(br, rs, 1, 0.5 * i / 2000));
            double base = term == 1 ? minPass : 0;
            EXPECT_NEAR(testeval::lossDb(br, rs, 1, 1.0) - base, 3.0, 2e-3) << n << " " << term;
            // The stored stopband edge stays that of the unscaled prototype.
            EXPECT_NEAR(ellipticStopbandAttenuation(lp, lp.scale), 3.0, 2e-3);
            EXPECT_EQ(ellipticBandEdge(lp, false, 0), lp.scale);
            EXPECT_NEAR(ellipticBandEdge(lp, true, lp.scale), 3.0, 2e-3);
        }
    }
}

TEST(Elliptic, OddOrderWithTypeThreeIsTreatedAsDoublyTerminated) {
    Made m = make(5, 0.5, 0.5, 50, 3);
    ASSERT_EQ(m.result, 0);
    EXPECT_EQ(m.proto.termination, 2);
    EXPECT_NEAR(m.proto.element[6].value, 1.0, 1e-9);
}

TEST(Elliptic, SelectivityFollowsTheDegreeEquation) {
    // Independent check of k: the plain elliptic function of order N takes the
    // value 1/k1 (the stopband factor ratio) exactly at Omega_s = 1/k, which
    // is where the attenuation reaches Amin.
    for (int n : {3, 5, 7}) {
        EllipticResponse r = ellipticResponse(n, 0.5, 60, EllipticForm::Odd);
        ASSERT_TRUE(r.ok);
        EXPECT_NEAR(r.omegaS, 1 / r.k, 1e-12);
        EXPECT_NEAR(characteristicLossDb(r.f, r.p, r.omegaS), 60.0, 1e-6);
    }
    // Jacobi sn against sin for k = 0 and tanh for k -> 1.
    EXPECT_NEAR(double(jacobiSn(0.7L, 0, 1)), std::sin(0.7), 1e-15);
    EXPECT_NEAR(double(jacobiSn(0.7L, std::sqrt(1 - 1e-14L), 1e-7L)), std::tanh(0.7), 1e-7);
}

TEST(Elliptic, SharpOrdersAreBuiltNotRefused) {
    // 0.1 dB / 60 dB at order 16 needs a transition band of 0.4 %: beyond
    // __float128, built in more digits and checked by its own analysis.
    for (double amin : {60.0, 140.0}) {
        Made m = make(16, 0.1, 0.1, amin, 2);
        ASSERT_EQ(m.result, 0) << amin;
        Measured ms = measure(m.proto, 1.0, m.proto.element[0].value2);
        EXPECT_NEAR(ms.maxPass - ms.minPass, 0.1, 1e-3);
        EXPECT_GE(ms.minStop - ms.minPass, amin - 0.01);
    }
}

TEST(Elliptic, OddOrdersMatchAClassicEllipticDesign) {
    // Transmission zeros and loss of the classic elliptic lowpass (band edge
    // 1 rad/s, equal terminations) from an independent elliptic-filter
    // implementation: the doubly terminated odd ladders realise it exactly.
    struct Case {
        int n;
        double ar, amin;
        std::vector<double> zeros, loss;
    };
    const std::vector<double> freqs = {0.3, 0.8, 0.97, 1.2, 2.5, 6.0};
    const std::vector<Case> cases = {
        {5,
         0.1,
         60,
         {2.136255, 3.330206},
         {0.098044, 0.094316, 0.006612, 8.053517, 60.033952, 60.016936}},
        {7,
         1.0,
         60,
         {1.201253, 1.371227, 2.181357},
         {0.997952, 0.606441, 0.519646, 84.189118, 66.905664, 61.235911}},
        {9,
         0.2,
         90,
         {1.339508, 1.462896, 1.845689, 3.260368},
         {0.118859, 0.164325, 0.167453, 49.229987, 90.970740, 90.028386}},
    };
    for (const Case& c : cases) {
        Made m = make(c.n, c.ar, c.ar, c.amin, 2);
        ASSERT_EQ(m.result, 0) << c.n;
        std::vector<double> zeros;
        for (int k = 1; k <= m.proto.n; ++k)
            if (m.proto.element[k].code == 5)
                zeros.push_back(1 /
                                std::sqrt(m.proto.element[k].value * m.proto.element[k].value2));
        std::sort(zeros.begin(), zeros.end());
        ASSERT_EQ(zeros.size(), c.zeros.size()) << c.n;
        for (size_t i = 0; i < zeros.size(); ++i) EXPECT_NEAR(zeros[i], c.zeros[i], 2e-6) << c.n;
        auto br = testeval::fromPrototype(m.proto);
        double rs = m.proto.element[m.proto.n + 1].value;
        for (size_t i = 0; i < freqs.size(); ++i)
            EXPECT_NEAR(testeval::lossDb(br, rs, 1, freqs[i]), c.loss[i], 1e-4)
                << c.n << " at " << freqs[i];
    }
}
