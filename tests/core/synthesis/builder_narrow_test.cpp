// The narrow band forms (node, mesh, tubular; natural Zo, equal C, equal L)
// against the direct scaled bandpass they come from.
#include "builder_response.h"
#include "synthesis/builders.h"
#include "synthesis/narrow_band.h"

#include <gtest/gtest.h>

using namespace tanvex;
using namespace tanvex::synthesis;
using buildertest::Fixture;
using buildertest::lossDb;

namespace {

void setUp(Fixture& fx, int command, char cfg, int n, double bwFraction) {
    fx.choose(command, 1, n, 0.1, 0.1);
    fx.rec()[5].value = 100e6;
    fx.rec()[6].value = 100e6 * bwFraction;
    fx.rec()[7].value = 50;
    fx.rec()[11].letter = cfg;
    setAllCouplings(fx.rec(), 'C');
}

// Largest difference in dB between two networks over the points where the
// first loses less than limit dB (fo +- 2 bandwidths).
double worstDifference(const EntryList& a, const EntryList& b, double fo, double bw, double limit) {
    double worst = 0;
    for (int i = 0; i <= 400; ++i) {
        const double f = fo - 2 * bw + i * bw / 100;
        const double la = lossDb(a, f), lb = lossDb(b, f);
        if (la < limit) worst = std::max(worst, std::fabs(la - lb));
    }
    return worst;
}

// The coupling reactances realize their inverters exactly at the centre
// only, so the narrow band forms follow the direct design closely inside the
// passband and drift slowly on the skirts; both shrink with the bandwidth.
void expectNarrowMatch(const EntryList& direct, const EntryList& narrow, double fo, double bw,
                       const std::string& what, double inBand = 0.02, double rippleTol = 0.01) {
    EXPECT_LT(worstDifference(direct, narrow, fo, bw, 60), 0.8) << what;
    // Inside the inner 90 % of the band: the same ripple, within 0.02 dB.
    double ripple = 0, worst = 0;
    for (int i = 0; i <= 200; ++i) {
        const double f = fo - 0.45 * bw + 0.9 * bw * i / 200;
        ripple = std::max(ripple, lossDb(narrow, f));
        worst = std::max(worst, std::fabs(lossDb(narrow, f) - lossDb(direct, f)));
    }
    EXPECT_LT(worst, inBand) << what;
    EXPECT_NEAR(ripple, 0.1, rippleTol) << what;
}

std::vector<std::pair<int, char>> resonatorValues(const EntryList& l, int code, char letter) {
    std::vector<std::pair<int, char>> v;
    for (int i = 1; i < entryCount(l); ++i)
        if (l[i].code == code && l[i].letter == letter) v.push_back({i, letter});
    return v;
}

TEST(NarrowBand, EveryModeMatchesTheDirectDesign) {
    for (char cfg : {'P', 'S'}) {
        for (NarrowMode mode : {NarrowMode::NaturalZo, NarrowMode::EqualC, NarrowMode::EqualL}) {
            Fixture direct, narrow;
            setUp(direct, 106, cfg, 5, 0.01);
            setUp(narrow, 109, cfg, 5, 0.01);
            ASSERT_EQ(directBandpass(direct.ctx, 0), 0);
            NarrowBandState st;
            st.mode = mode;
            ASSERT_EQ(buildNarrowBand(narrow.ctx, st), 0) << cfg << int(mode);
            expectNarrowMatch(direct.list(), narrow.list(), 100e6, 1e6,
                              std::string(1, cfg) + " mode " + std::to_string(int(mode)));
            // The resonators are all of one kind, with equal elements as asked.
            const int resCode = cfg == 'P' ? 2 : 3;
            const auto ls = resonatorValues(narrow.list(), resCode, 'L');
            const auto cs = resonatorValues(narrow.list(), resCode, 'C');
            ASSERT_EQ(ls.size(), 5u);
            ASSERT_EQ(cs.size(), 5u);
            const auto& l = narrow.list();
            for (size_t k = 0; k < 5; ++k) {
                const bool equalL = mode != NarrowMode::EqualC;
                const auto& v = equalL ? ls : cs;
                EXPECT_NEAR(l[v[k].first].value / l[v.back().first].value, 1.0, 1e-6);
            }
            if (mode == NarrowMode::NaturalZo) { // omega0 L = design Zo
                EXPECT_NEAR(2 * M_PI * geometricCentre(100e6, 1e6) * l[ls[0].first].value, 50.0,
                            1e-6);
            }
        }
    }
}

TEST(NarrowBand, InductiveAndMixedCouplings) {
    for (char cfg : {'P', 'S'}) {
        Fixture direct, narrow;
        setUp(direct, 106, cfg, 5, 0.01);
        setUp(narrow, 109, cfg, 5, 0.01);
        setCoupling(narrow.rec(), 2, 'L');
        setCoupling(narrow.rec(), 3, 'L');
        ASSERT_EQ(directBandpass(direct.ctx, 0), 0);
        NarrowBandState st;
        st.mode = NarrowMode::EqualC;
        ASSERT_EQ(buildNarrowBand(narrow.ctx, st), 0) << cfg;
        // Inductive inverters vary as 1/f where capacitive ones vary as f, so
        // a mixed chain drifts a little more inside the band.
        expectNarrowMatch(direct.list(), narrow.list(), 100e6, 1e6, std::string("mixed ") + cfg,
                          0.04, 0.03);
        // Couplings 2 and 3 are inductors: series in node form, shunt in mesh.
        int coupleL = 0;
        const auto& l = narrow.list();
        for (int i = 1; i < entryCount(l); ++i)
            coupleL += l[i].letter == 'L' && l[i].code == (cfg == 'P' ? 3 : 2);
        EXPECT_EQ(coupleL, 2) << cfg;
    }
}

TEST(NarrowBand, TubularAndItsRefusals) {
    Fixture direct, narrow;
    setUp(direct, 106, 'S', 5, 0.01);
    setUp(narrow, 110, 'T', 5, 0.01);
    ASSERT_EQ(directBandpass(direct.ctx, 0), 0);
    NarrowBandState st;
    st.variant = 1;
    ASSERT_EQ(buildNarrowBand(narrow.ctx, st), 0);
    expectNarrowMatch(direct.list(), narrow.list(), 100e6, 1e6, "tubular");
    EXPECT_EQ(st.comments.front(), "* * Equal Shunt Tubular * *");
    // Inductors only in series, capacitors as Pi sections.
    const auto& l = narrow.list();
    for (int i = 1; i < entryCount(l); ++i)
        if (l[i].letter == 'L') {
            EXPECT_EQ(l[i].code, 3);
        }

    st.variant = 0; // node / mesh only
    EXPECT_EQ(buildNarrowBand(narrow.ctx, st), kBuildFault);
    EXPECT_EQ(faultIndex(narrow.rec()), 11);
    st.variant = 1;
    setCoupling(narrow.rec(), 2, 'L');
    EXPECT_EQ(buildNarrowBand(narrow.ctx, st), kBuildFault);
    EXPECT_EQ(faultIndex(narrow.rec()), 12);
    setAllCouplings(narrow.rec(), 'C');
    narrow.rec()[9].value = 75;
    EXPECT_EQ(buildNarrowBand(narrow.ctx, st), kBuildFault);
    EXPECT_EQ(faultIndex(narrow.rec()), 9);
}

TEST(NarrowBand, WideBandGivesNegativeValues) {
    Fixture fx;
    setUp(fx, 109, 'P', 5, 1.0);
    NarrowBandState st;
    EXPECT_EQ(buildNarrowBand(fx.ctx, st), kBuildNegative);
}

} // namespace

namespace {

void setUpNotch(Fixture& fx, int command, char cfg) {
    fx.choose(command, 1, 5, 0.1, 0.1);
    fx.rec()[5].value = 100e6;
    fx.rec()[6].value = 4e6;
    fx.rec()[7].value = 50;
    fx.rec()[11].letter = cfg;
    fx.rec()[18].letter = 'L';
}

TEST(NarrowBandNotch, ShuntResonatorsKeepTheNotch) {
    for (char cfg : {'S', 'P', 'A'}) {
        Fixture direct, narrow;
        setUpNotch(direct, 125, 'D');
        setUpNotch(narrow, 126, cfg);
        ASSERT_EQ(directNotch(direct.ctx, 0), 0);
        ASSERT_EQ(narrowBandNotch(narrow.ctx), 0) << cfg;
        EXPECT_EQ(narrow.rec()[11].letter, cfg); // the letter is restored
        const auto& l = narrow.list();
        for (int i = 1; i < entryCount(l); ++i) {
            if (l[i].code == 4) continue;
            if (cfg == 'A') {
                EXPECT_EQ(l[i].code, 23) << i;
            } else {
                EXPECT_TRUE(l[i].code == 2 || l[i].code == 3) << i;
            }
        }
        const double f0 = geometricCentre(100e6, 4e6);
        EXPECT_NEAR(lossDb(l, f0), lossDb(direct.list(), f0), 1e-6);
        for (double f : {97e6, 98e6, 102e6, 103e6})
            EXPECT_NEAR(lossDb(l, f), lossDb(direct.list(), f), 1.0) << cfg << " " << f;
        EXPECT_LT(lossDb(l, 90e6), 0.5) << cfg;
    }
}

TEST(NarrowBandNotch, EdgePromptMinimumSpreadAndRefusals) {
    Fixture fx;
    setUpNotch(fx, 126, 'S');
    fx.tk.answer("M");
    fx.tk.answer("");
    ASSERT_EQ(narrowBandNotch(fx.ctx), 0);
    EXPECT_TRUE(fx.tk.sawPrompt("(Cr)-exit (M)-Minimum spread (MHz )-new Fc? "));
    bool edgeShown = false;
    for (const auto& s : fx.tk.log)
        edgeShown |= s.find("Approximate passband edge = ") != std::string::npos;
    EXPECT_TRUE(edgeShown);
    // The minimum spread search does not make the spread worse.
    Fixture plain;
    setUpNotch(plain, 126, 'S');
    ASSERT_EQ(narrowBandNotch(plain.ctx), 0);
    auto spread = [](const EntryList& l) {
        double lo = 1e300, hi = 0;
        for (int i = 1; i < entryCount(l); ++i)
            if (l[i].letter == 'L') {
                lo = std::min(lo, l[i].value);
                hi = std::max(hi, l[i].value);
            }
        return hi / lo;
    };
    EXPECT_LE(spread(fx.list()), spread(plain.list()) * 1.000001);

    fx.rec()[11].letter = 'Q';
    EXPECT_EQ(narrowBandNotch(fx.ctx), kBuildFault);
    EXPECT_EQ(faultIndex(fx.rec()), 11);
    fx.rec()[11].letter = 'H';
    fx.rec()[0].value = 5;
    EXPECT_EQ(narrowBandNotch(fx.ctx), kBuildFault);
    EXPECT_EQ(faultIndex(fx.rec()), 14);
    EXPECT_EQ(fx.rec()[11].letter, 'A'); // H is read as A
}

} // namespace
