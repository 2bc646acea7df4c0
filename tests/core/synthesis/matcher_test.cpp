// The impedance matcher checked from outside: the impedance the source (or
// the termination) sees at the reference frequency, computed by the
// network engine and by an independent ladder walk, and the response
// compared with the unmatched design.
#include "builder_response.h"
#include "synthesis/builders.h"
#include "synthesis/calculate.h"
#include "synthesis/matcher.h"

#include <gtest/gtest.h>

#include <complex>
#include <string>
#include <vector>

using namespace tanvex;
using namespace tanvex::synthesis;
using buildertest::Fixture;
using buildertest::lossDb;

namespace {

using Cx = std::complex<double>;
constexpr double kTwoPi = 6.283185307179586;

Cx elementZ(const NetEntry& e, double w) {
    if (e.letter == 'L') return Cx(0, w * e.value);
    if (e.letter == 'C') return Cx(0, -1 / (w * e.value));
    return Cx(e.value, 0);
}

// Impedance at the termination end looking towards the source, with the
// source resistor as the far load: a plain walk over codes 2, 3 and 24, kept
// apart from the engine and from the matcher's own turning of the list.
Cx terminationEndZ(const EntryList& l, double f) {
    const int n = entryCount(l);
    const double w = kTwoPi * f;
    Cx z = l[n].value;
    for (int j = n - 1; j >= 1; --j) {
        const NetEntry& e = l[j];
        if (e.code == 2)
            z = 1.0 / (1.0 / z + 1.0 / elementZ(e, w));
        else if (e.code == 3)
            z += elementZ(e, w);
        else if (e.code == 24)
            z /= e.value * e.value;
        else
            ADD_FAILURE() << "unexpected code " << e.code << " at " << j;
    }
    return z;
}

// A direct scaled bandpass at 10 MHz (2 MHz wide) with design Zo zo.
void build(Fixture& fx, char config, int n, double zo, double ripple = 0) {
    fx.choose(106, 1, n, ripple, ripple > 0 ? ripple : 3.0103);
    fx.rec()[5].value = 10e6;
    fx.rec()[6].value = 2e6;
    fx.rec()[7].value = zo;
    fx.rec()[11].letter = config;
    ASSERT_EQ(directBandpass(fx.ctx, 0), 0);
}

double f0Of(const EntryList& l) {
    return l[entryCount(l) + 1].value;
}

struct Case {
    char config;
    double zo, rl;
    const char* methods;
};

} // namespace

TEST(Matcher, EveryMethodMatchesTheSourceEndAtTheReferenceFrequency) {
    const Case cases[] = {{'P', 200, 50, "ABCDET"}, {'S', 20, 50, "FGH"}};
    for (const Case& c : cases) {
        for (const char* m = c.methods; *m; ++m) {
            for (int order : {3, 5}) {
                Fixture fx;
                build(fx, c.config, order, c.zo);
                const EntryList before = fx.list();
                fx.rec()[8].value = c.rl;
                fx.rec()[8].letter = *m;
                const MatchResult r = matchEnd(*fx.design, 0, false, {});
                ASSERT_EQ(r.status, MatchStatus::Applied) << *m << " " << r.message;
                const EntryList& l = fx.list();
                const double f0 = f0Of(l);
                EXPECT_EQ(l[entryCount(l)].value, c.rl);
                const Cx z = buildertest::inputZ(l, f0);
                EXPECT_NEAR(z.real(), c.rl, 1e-6 * c.rl) << *m << " N=" << order;
                EXPECT_NEAR(z.imag(), 0.0, 1e-6 * c.rl) << *m << " N=" << order;
                EXPECT_NEAR(lossDb(l, f0), lossDb(before, f0), 1e-6) << *m;
                EXPECT_EQ(r.line(), std::string("Source end: method ") + *m + " (" +
                                        (c.zo == 200 ? "200" : "20") + " -> 50 Ohms)");
            }
        }
    }
}

TEST(Matcher, EveryMethodMatchesTheTerminationEnd) {
    const Case cases[] = {{'P', 200, 50, "ABCDET"}, {'S', 20, 50, "FGH"}};
    for (const Case& c : cases) {
        for (const char* m = c.methods; *m; ++m) {
            Fixture fx;
            build(fx, c.config, 3, c.zo);
            const EntryList before = fx.list();
            fx.rec()[9].value = c.rl;
            fx.rec()[9].letter = *m;
            ASSERT_EQ(matchEnd(*fx.design, 1, false, {}).status, MatchStatus::Applied) << *m;
            const EntryList& l = fx.list();
            const double f0 = f0Of(l);
            EXPECT_EQ(l[0].value, c.rl);
            EXPECT_EQ(l[entryCount(l)].value, c.zo) << "the source end stays";
            const Cx z = terminationEndZ(l, f0);
            EXPECT_NEAR(z.real(), c.rl, 1e-6 * c.rl) << *m;
            EXPECT_NEAR(z.imag(), 0.0, 1e-6 * c.rl) << *m;
            EXPECT_NEAR(lossDb(l, f0), lossDb(before, f0), 1e-6) << *m;
        }
    }
}

TEST(Matcher, TransformerLeavesTheWholeResponseUnchangedAtEitherEnd) {
    Fixture fx;
    build(fx, 'P', 5, 200, 0.1);
    const EntryList before = fx.list();
    fx.rec()[8].value = 50;
    fx.rec()[8].letter = 'T';
    fx.rec()[9].value = 20;
    fx.rec()[9].letter = 'T';
    ASSERT_EQ(matchEnd(*fx.design, 0, false, {}).status, MatchStatus::Applied);
    ASSERT_EQ(matchEnd(*fx.design, 1, false, {}).status, MatchStatus::Applied);
    const EntryList& l = fx.list();
    const int n = entryCount(l);
    // 200 -> 50 at the source: 0.5; 200 -> 20 at the termination end, seen
    // from the termination: sqrt(200/20).
    EXPECT_NEAR(l[n - 1].value, 0.5, 1e-12);
    EXPECT_NEAR(l[1].value, std::sqrt(10.0), 1e-12);
    EXPECT_EQ(l[0].value, 20);
    EXPECT_EQ(l[n].value, 50);
    for (double f = 6e6; f <= 14e6; f += 0.25e6)
        EXPECT_NEAR(lossDb(l, f), lossDb(before, f), 1e-9) << f;
}

TEST(Matcher, EvenOrderMatchKeepsTheCentreLoss) {
    // N = 4 Chebyshev from a shunt source end: the termination end is a
    // series resonator and the centre loss is the ripple, not 0.
    for (char m : {'A', 'B', 'C', 'D', 'E', 'T', 'F', 'G', 'H'}) {
        const bool parallel = m < 'F' || m == 'T';
        Fixture fx;
        build(fx, 'P', 4, 200, 0.1);
        const EntryList before = fx.list();
        const int end = parallel ? 0 : 1;
        const double rd = parallel ? before[entryCount(before)].value : before[0].value;
        fx.rec()[8 + end].value = parallel ? rd / 3 : rd * 3;
        fx.rec()[8 + end].letter = m;
        ASSERT_EQ(matchEnd(*fx.design, end, false, {}).status, MatchStatus::Applied) << m;
        const double f0 = f0Of(before);
        EXPECT_GT(lossDb(before, f0), 0.05);
        EXPECT_NEAR(lossDb(fx.list(), f0), lossDb(before, f0), 1e-6) << m;
    }
}

TEST(Matcher, EndChecksRefuseAndDisableTheEnd) {
    struct Refusal {
        char config;
        double zo, rl, f0;
        int end;
        char letter;
        std::string message;
    };
    const std::string ratioSource =
        "MATCHER--> Incompatible design / load Zo ratio on the source end.";
    const std::string ratioTerm =
        "MATCHER--> Incompatible design / load Zo ratio on the termination end.";
    const Refusal cases[] = {
        {'P', 50, 50, 0, 0, 'A', ratioSource},    // Rd = Rl, parallel end
        {'S', 50, 50.0001, 0, 1, 'F', ratioTerm}, // equal within 1e-5, series end
        {'P', 50, 200, 0, 0, 'A', ratioSource},   // a parallel end only steps down
        {'S', 200, 50, 0, 0, 'F', ratioSource},   // a series end only steps up
        {'P', 200, 0, 0, 0, 'A', ratioSource},    // Rl = 0
        {'P', 200, -50, 0, 1, 'T', ratioTerm},    // Rl < 0
        {'P', 200, 50, -1, 0, 'T', ratioSource},  // reference frequency 0
    };
    for (const Refusal& c : cases) {
        Fixture fx;
        build(fx, c.config, 3, c.zo);
        if (c.f0 < 0) fx.list()[entryCount(fx.list()) + 1].value = 0;
        const EntryList before = fx.list();
        fx.rec()[8 + c.end].value = c.rl;
        fx.rec()[8 + c.end].letter = c.letter;
        const MatchResult r = matchEnd(*fx.design, c.end, false, {});
        EXPECT_EQ(r.status, MatchStatus::Refused) << c.message;
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(r.line(), c.message);
        EXPECT_EQ(fx.rec()[8 + c.end].letter, 'X');
        for (int j = 0; j < kEntrySlots; ++j) {
            EXPECT_EQ(fx.list()[j].value, before[j].value) << j;
            EXPECT_TRUE(std::isfinite(fx.list()[j].value)) << j;
        }
    }
    // A lowpass ends in a single element: no resonator to merge into.
    Fixture lp;
    lp.choose(121, 1, 3, 0, 3.0103);
    lp.rec()[10].value = 1000;
    lp.rec()[11].letter = 'P';
    ASSERT_EQ(lowpassLadder(lp.ctx, 0), 0);
    lp.rec()[8].value = 10;
    lp.rec()[8].letter = 'A';
    EXPECT_EQ(matchEnd(*lp.design, 0, false, {}).message,
              "MATCHER--> Incompatible circuit: Source end.");
    EXPECT_EQ(lp.rec()[8].letter, 'X');
}

TEST(Matcher, LettersXAndLowerXAndMethodsOfTheOtherKind) {
    Fixture fx;
    build(fx, 'P', 3, 200);
    const EntryList before = fx.list();
    fx.rec()[8].value = 50;
    for (char letter : {'X', 'x'}) {
        fx.rec()[8].letter = letter;
        EXPECT_EQ(matchEnd(*fx.design, 0, false, {}).status, MatchStatus::None);
        EXPECT_EQ(fx.rec()[8].letter, letter);
    }
    fx.rec()[8].letter = 'x';
    EXPECT_EQ(matchEnd(*fx.design, 0, true, {}).status, MatchStatus::NeedsDialog);
    // Nothing to match: no dialog, no message, the letter stays x (a method
    // that is set is refused with the ratio message instead).
    fx.rec()[8].value = 200;
    EXPECT_EQ(matchEnd(*fx.design, 0, true, {}).status, MatchStatus::None);
    EXPECT_EQ(fx.rec()[8].letter, 'x');
    fx.rec()[8].value = 50;
    // A series method at a parallel end fails and changes nothing.
    fx.rec()[8].letter = 'G';
    EXPECT_EQ(matchEnd(*fx.design, 0, false, {}).status, MatchStatus::Failed);
    for (int j = 0; j < kEntrySlots; ++j) EXPECT_EQ(fx.list()[j].value, before[j].value);
    // Without a dialog the failure disables the end, with a notice.
    MatchPresets presets;
    const MatchResult r = runMatcher(*fx.design, 0, fx.tk, nullptr, presets);
    EXPECT_EQ(r.status, MatchStatus::Failed);
    EXPECT_EQ(fx.rec()[8].letter, 'X');
    ASSERT_FALSE(fx.tk.notices().empty());
    EXPECT_EQ(fx.tk.notices().back(), "** Invalid option **");
}

namespace {
// A matcher dialog that answers from a list and records what it was shown.
class ScriptedView : public MatcherView {
public:
    std::vector<char> answers;
    std::vector<std::string> messages;
    char choose(Design&, int, MatchPresets&, const std::string& message) override {
        messages.push_back(message);
        if (answers.empty()) return 0;
        const char c = answers.front();
        answers.erase(answers.begin());
        return c;
    }
};
} // namespace

TEST(Matcher, DialogReopensOnAFailedPickAndBypassKeepsTheLetter) {
    Fixture fx;
    build(fx, 'P', 3, 200);
    fx.rec()[8].value = 50;
    fx.rec()[8].letter = 'x';
    ScriptedView view;
    view.answers = {'H', 'B'};
    MatchPresets presets;
    MatchResult r = runMatcher(*fx.design, 0, fx.tk, &view, presets);
    EXPECT_EQ(r.status, MatchStatus::Applied);
    EXPECT_EQ(fx.rec()[8].letter, 'B');
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[0], "");
    EXPECT_EQ(view.messages[1], "** Invalid option **");
    // A second Calculate applies B again without asking.
    build(fx, 'P', 3, 200);
    r = runMatcher(*fx.design, 0, fx.tk, &view, presets);
    EXPECT_EQ(r.status, MatchStatus::Applied);
    EXPECT_EQ(view.messages.size(), 2u);

    Fixture by;
    build(by, 'P', 3, 200);
    by.rec()[9].value = 50;
    by.rec()[9].letter = 'x';
    ScriptedView bypass; // no answers: Bypass
    EXPECT_EQ(runMatcher(*by.design, 1, by.tk, &bypass, presets).status, MatchStatus::None);
    EXPECT_EQ(by.rec()[9].letter, 'x');
}

TEST(Matcher, MethodEFollowsThePresetSeriesCapacitor) {
    Fixture fx;
    build(fx, 'P', 3, 200);
    fx.rec()[8].value = 50;
    const EndFacts f = endFacts(*fx.design, 0);
    ASSERT_TRUE(f.ratioOk);
    const double csA = planMethod(f, 'A', {}).entries[2].value;
    // A tap capacitor a little above method A's series capacitor matches;
    // below it the tap would need a negative capacitor, far above it the
    // resonator's own capacitor would.
    for (double factor : {1.2, 2.0, 3.0}) {
        MatchPresets p;
        p.cs = csA * factor;
        Fixture g;
        build(g, 'P', 3, 200);
        g.rec()[8].value = 50;
        g.rec()[8].letter = 'E';
        ASSERT_EQ(matchEnd(*g.design, 0, false, p).status, MatchStatus::Applied) << factor;
        const Cx z = buildertest::inputZ(g.list(), f0Of(g.list()));
        EXPECT_NEAR(z.real(), 50, 5e-5);
        EXPECT_NEAR(z.imag(), 0, 5e-5);
    }
    MatchPresets tooSmall, tooLarge;
    tooSmall.cs = csA * 0.9;
    tooLarge.cs = csA * 10;
    EXPECT_FALSE(planMethod(f, 'E', tooSmall).ok);
    EXPECT_FALSE(planMethod(f, 'E', tooLarge).ok);
    fx.rec()[8].letter = 'E';
    EXPECT_EQ(matchEnd(*fx.design, 0, false, tooSmall).message, "Negative values");
}

TEST(Matcher, MethodEWithAPresetInductanceRescalesTheEndSection) {
    for (int end : {0, 1}) {
        for (double factor : {0.7, 1.6}) {
            Fixture fx;
            build(fx, 'P', 5, 200, 0.1);
            const EntryList before = fx.list();
            const int n0 = entryCount(before);
            const double le = end == 0 ? before[n0 - 1].value : before[2].value;
            ASSERT_EQ(end == 0 ? before[n0 - 1].letter : before[2].letter, 'L');
            MatchPresets p;
            p.l = le * factor;
            fx.rec()[8 + end].value = 50;
            fx.rec()[8 + end].letter = 'E';
            const MatchResult r = matchEnd(*fx.design, end, false, p);
            ASSERT_EQ(r.status, MatchStatus::Applied) << end << " " << factor << r.message;
            EXPECT_EQ(r.message.rfind(" (Sec. 2 was: ", 0), 0u) << r.message;
            const EntryList& l = fx.list();
            const int n = entryCount(l);
            // The end resonator's inductor has the preset value.
            const NetEntry& endL = end == 0 ? l[n - 4] : l[4];
            EXPECT_EQ(endL.letter, 'L');
            EXPECT_EQ(endL.code, 2);
            EXPECT_NEAR(endL.value, p.l, 1e-12 * p.l);
            const double f0 = f0Of(l);
            const Cx z = end == 0 ? buildertest::inputZ(l, f0) : terminationEndZ(l, f0);
            EXPECT_NEAR(z.real(), 50, 5e-5);
            EXPECT_NEAR(z.imag(), 0, 5e-5);
            EXPECT_NEAR(lossDb(l, f0), lossDb(before, f0), 1e-6);
            // The far end keeps its level.
            EXPECT_NEAR(end == 0 ? l[0].value : l[n].value, 200, 1e-9);
        }
    }
}

TEST(Matcher, TurningTheNetworkTwiceRestoresItAndInvertsRatios) {
    Fixture fx;
    build(fx, 'P', 5, 200);
    EntryList& l = fx.list();
    l[entryCount(l)].value = 75; // unequal ends
    const EntryList before = l;
    ASSERT_TRUE(turnNetwork(l));
    const int n = entryCount(l);
    EXPECT_EQ(l[0].value, 75);
    EXPECT_EQ(l[n].value, 200);
    EXPECT_EQ(l[1].value, before[n - 1].value);
    ASSERT_TRUE(turnNetwork(l));
    for (int j = 0; j < kEntrySlots; ++j) {
        EXPECT_EQ(l[j].value, before[j].value) << j;
        EXPECT_EQ(l[j].code, before[j].code) << j;
    }
    // The response of a turned lossless network is the same.
    EntryList t = l;
    ASSERT_TRUE(turnNetwork(t));
    for (double f = 8e6; f <= 12e6; f += 0.5e6) EXPECT_NEAR(lossDb(t, f), lossDb(l, f), 1e-9);
}

TEST(Matcher, CalculateRunsTheMatchersOfTheUsedEnds) {
    Fixture fx;
    fx.choose(106, 1, 3, 0, 3.0103);
    fx.rec()[5].value = 10e6;
    fx.rec()[6].value = 2e6;
    fx.rec()[7].value = 200;
    fx.rec()[11].letter = 'P';
    fx.rec()[8].value = 20;
    fx.rec()[8].letter = 'T';
    fx.rec()[9].value = 50;
    fx.rec()[9].letter = 'A';
    MatchPresets presets;
    CalculateHooks hooks;
    hooks.matcher = [&](int end) { runMatcher(*fx.design, end, fx.tk, nullptr, presets); };
    ASSERT_EQ(calculate(fx.ctx, hooks), 0);
    const EntryList& l = fx.list();
    const int n = entryCount(l);
    EXPECT_EQ(l[n].value, 20);
    EXPECT_EQ(l[0].value, 50);
    const double f0 = f0Of(l);
    EXPECT_NEAR(buildertest::inputZ(l, f0).real(), 20, 1e-6 * 20);
    EXPECT_NEAR(terminationEndZ(l, f0).real(), 50, 1e-6 * 50);
    EXPECT_NEAR(lossDb(l, f0), 0.0, 1e-6);
}
