// The Norton design tools against the direct scaled bandpass they start
// from: the response must not change, the forced parts must have their
// values, and no part may be zero, infinite or (for the automatic forcing)
// negative.
#include "builder_response.h"
#include "synthesis/builders.h"
#include "synthesis/calculate.h"
#include "synthesis/norton_tools.h"
#include "ui/gen_win.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace tanvex;
using namespace tanvex::synthesis;
using buildertest::Fixture;
using buildertest::lossDb;

namespace {

void setUp(Fixture& fx, int command, int n, char config, double ripple) {
    fx.choose(command, 1, n, ripple, ripple > 0 ? ripple : 3.0103);
    fx.rec()[5].value = 10e6;
    fx.rec()[6].value = 2e6;
    fx.rec()[7].value = 200;
    fx.rec()[8].letter = 'X';
    fx.rec()[9].letter = 'X';
    fx.rec()[11].letter = config;
}

EntryList directReference(int n, char config, double ripple) {
    Fixture fx;
    setUp(fx, 106, n, config, ripple);
    EXPECT_EQ(directBandpass(fx.ctx, 0), 0);
    return fx.list();
}

int runTool(Fixture& fx, std::vector<std::string>* report = nullptr, bool interactive = false) {
    CalculateHooks hooks;
    hooks.interactiveTools = interactive;
    hooks.toolReport = report;
    return calculate(fx.ctx, hooks);
}

double worstDifference(const EntryList& a, const EntryList& b) {
    double worst = 0;
    for (double f = 5e6; f <= 15e6; f += 0.1e6)
        worst = std::max(worst, std::fabs(lossDb(a, f) - lossDb(b, f)));
    return worst;
}

std::vector<double> shuntInductors(const EntryList& l) {
    std::vector<double> v;
    for (int j = 1; j < entryCount(l); ++j)
        if (l[j].letter == 'L' && l[j].code == 2) v.push_back(l[j].value);
    return v;
}

int reactiveCount(const EntryList& l) {
    int c = 0;
    for (int j = 1; j < entryCount(l); ++j) c += l[j].letter == 'L' || l[j].letter == 'C';
    return c;
}

void expectBuildable(const EntryList& l) {
    const int n = entryCount(l);
    for (int j = 0; j <= n + 1; ++j) {
        EXPECT_TRUE(std::isfinite(l[j].value)) << j;
        if (j < n + 1) {
            EXPECT_GT(l[j].value, 0.0) << j;
        }
    }
}

} // namespace

TEST(ForcedShunt, EveryShuntInductorEqualsL1AndTheResponseStays) {
    for (char config : {'P', 'S'}) {
        for (int n : {3, 4, 5, 6, 7}) {
            for (double ripple : {0.0, 0.1}) {
                Fixture fx;
                setUp(fx, 107, n, config, ripple);
                std::vector<std::string> report;
                ASSERT_EQ(runTool(fx, &report), 0) << config << n;
                const EntryList& l = fx.list();
                const std::vector<double> ls = shuntInductors(l);
                ASSERT_FALSE(ls.empty());
                for (double v : ls) EXPECT_NEAR(v / ls.back(), 1.0, 1e-9) << config << n;
                expectBuildable(l);
                EXPECT_LT(worstDifference(l, directReference(n, config, ripple)), 1e-3)
                    << config << n;
                ASSERT_GE(report.size(), 3u);
                EXPECT_EQ(report[0], "> Force Shunt Norton Transformation <");
                char l1[64];
                std::snprintf(l1, sizeof l1, "L1  =  %7.2f nHy ", ls.back() * 1e9);
                EXPECT_EQ(report[report.size() - 2], l1);
                EXPECT_EQ(report.back().rfind("C1 was ", 0), 0u);
            }
        }
    }
}

TEST(MinimumComponent, FewerPartsThanForcedShuntAndTheSameResponse) {
    for (int n : {3, 4, 5, 6}) {
        Fixture fx;
        setUp(fx, 108, n, 'P', 0.1);
        std::vector<std::string> report;
        // eXit hands over to the termination matcher.
        ASSERT_EQ(runTool(fx, &report), kBuildTerminationMatcher) << n;
        Fixture forced;
        setUp(forced, 107, n, 'P', 0.1);
        ASSERT_EQ(runTool(forced), 0);
        const EntryList& l = fx.list();
        expectBuildable(l);
        EXPECT_LE(reactiveCount(l), reactiveCount(directReference(n, 'P', 0.1))) << n;
        // Forcing equal inductors costs a part per unequal coupling (odd
        // orders from 5 on); the vanishing capacitors save it.
        if (n >= 5) {
            EXPECT_LT(reactiveCount(l), reactiveCount(forced.list())) << n;
        } else {
            EXPECT_LE(reactiveCount(l), reactiveCount(forced.list())) << n;
        }
        EXPECT_LT(worstDifference(l, directReference(n, 'P', 0.1)), 1e-3) << n;
        ASSERT_FALSE(report.empty());
        EXPECT_EQ(report[0], "> Minimum Component Norton Transform <");
        EXPECT_EQ(report[2], "Br.     Section L     Br. +Adjacent     Br. -Adjacent Cap.");
        EXPECT_EQ(report.back().rfind("C1 ", 0), 0u);
    }
}

TEST(NortonTools, Refusals) {
    for (int command : {107, 108}) {
        Fixture fx;
        setUp(fx, command, 5, 'P', 0.1);
        fx.rec()[0].value = 4; // elliptic
        EXPECT_EQ(runTool(fx), kBuildBadReference);
        EXPECT_TRUE(fx.tk.sawNotice("Inappropriate ref. lowpass"));
    }
    Fixture big;
    setUp(big, 108, 21, 'P', 0.1);
    EXPECT_EQ(minimumComponent(big.ctx, *std::make_unique<NortonToolHooks>()), kBuildFault);
    EXPECT_EQ(faultIndex(big.rec()), 1);

    // Matching options C and D are refused at the source end of type 10.
    Fixture cd;
    setUp(cd, 108, 3, 'P', 0);
    cd.rec()[8].letter = 'D';
    runTool(cd);
    EXPECT_TRUE(cd.tk.sawNotice("Options C & D are invalid on souce end.  Source matching "
                                "bypassed"));
    EXPECT_EQ(cd.rec()[8].letter, 'x');
}

TEST(NortonTools, ForcingASectionByHandInBothModes) {
    // N = 5 from a shunt source end: sections A and B (from the source).
    for (bool local : {false, true}) {
        Fixture fx;
        setUp(fx, 107, 5, 'P', 0.1);
        // L, section A (the first from the source), 300 nH; then eXit.
        if (local) fx.tk.answer("M");
        for (const char* a : {"L", "A", "300", "X"}) fx.tk.answer(a);
        ASSERT_EQ(runTool(fx, nullptr, true), 0) << local;
        const EntryList& l = fx.list();
        expectBuildable(l);
        const std::vector<int> sec = couplingSections(l);
        ASSERT_EQ(sec.size(), 2u);
        const std::vector<double> ls = shuntInductors(l); // from the termination end
        ASSERT_EQ(ls.size(), 3u);
        // Network scale: everything past the section follows; local: the next
        // section keeps L1.
        EXPECT_NEAR(ls[1], 300e-9, 1e-15);
        EXPECT_NEAR(ls[0], local ? ls[2] : 300e-9, 1e-15) << local;
        EXPECT_LT(worstDifference(l, directReference(5, 'P', 0.1)), 1e-3);
        EXPECT_TRUE(fx.tk.sawPrompt("Part value to force?"));
        EXPECT_TRUE(fx.tk.sawPrompt("(Cr) for " + [&] {
            char b[32];
            std::snprintf(b, sizeof b, "%.2f", ls[2] * 1e9);
            return std::string(b);
        }() + " nHy "));
        // The tool's screen is in the text window.
        const std::string row0 = fx.tk.genWin().screen.rowText(0);
        EXPECT_NE(row0.find("> Force Shunt Norton Transformation <"), std::string::npos);
    }
    // A part forced far below L1 leaves a negative capacitor: the network is
    // kept and reported, not called a success.
    Fixture neg;
    setUp(neg, 107, 5, 'P', 0.1);
    for (const char* a : {"L", "A", "0.1", "X"}) neg.tk.answer(a);
    EXPECT_EQ(runTool(neg, nullptr, true), kBuildNegative);
    EXPECT_TRUE(neg.tk.sawNotice("Negative values in design"));
    EXPECT_NEAR(shuntInductors(neg.list())[1], 0.1e-9, 1e-19);
    EXPECT_LT(worstDifference(neg.list(), directReference(5, 'P', 0.1)), 1e-3);

    // Parameters leaves the tool with -1 (Calculate reopens the dialog).
    Fixture p;
    setUp(p, 107, 3, 'P', 0);
    p.tk.answer("P");
    int reopened = 0;
    CalculateHooks hooks;
    hooks.reopenParameters = [&] { return ++reopened; };
    EXPECT_EQ(calculate(p.ctx, hooks), kBuildReopen);
    EXPECT_EQ(reopened, 1);
}
