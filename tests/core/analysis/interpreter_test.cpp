// The network program interpreter: worked values, the machine's failure
// messages, the data services, records and physical identities.
#include "analysis/analysis_constants.h"
#include "analysis/interpreter.h"
#include "analysis/line_transform.h"
#include "analysis/trig.h"
#include "nodal_oracle.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <initializer_list>
#include <limits>
#include <random>
#include <vector>

using namespace tanvex;
using namespace tanvex::analysis;
using Cd = std::complex<double>;

namespace {

struct E {
    double value;
    char letter;
    int code;
};

// termination, entries..., source, terminator (reference frequency).
EntryList makeList(double rl, std::initializer_list<E> entries, double rs, double fref = 1e7) {
    EntryList list{};
    int i = 0;
    setEntry(list, i++, rl, 'R', 1);
    for (const E& e : entries) setEntry(list, i++, e.value, e.letter, e.code);
    setEntry(list, i++, rs, 'R', 1);
    setEntry(list, i, fref, 'x', 1);
    return list;
}

// A data service that answers from fixed values and counts its calls.
class FakeData : public DataServices {
public:
    int impedanceCalls = 0;
    int valueCalls = 0;
    int notReadyFirst = 0; // answer kNotReady this many times first
    bool neverReady = false;
    double r = 30.0, x = -20.0, value = 5.0;
    DataAnswer dataImpedance(double, int, double& rr, double& xx) override {
        ++impedanceCalls;
        if (neverReady || impedanceCalls <= notReadyFirst) return DataAnswer::kNotReady;
        rr = r;
        xx = x;
        return DataAnswer::kReady;
    }
    DataAnswer dataValue(double, int kind, double& v) override {
        EXPECT_EQ(kind, 2);
        ++valueCalls;
        v = value;
        return DataAnswer::kReady;
    }
};

struct Machine {
    ui::ScriptedToolkit tk;
    FakeData data;
    NetworkInterpreter in{tk, data};
    InterpreterSettings settings;

    int walk(const EntryList& list, double f, bool record = false) {
        in.prepare(list, settings);
        return walkAgain(list, f, record);
    }
    int walkAgain(const EntryList& list, double f, bool record = false) {
        const int n = entryCount(list);
        WalkRequest rq;
        rq.f = f;
        rq.load = list[0].value;
        rq.lambdaStart = std::log(2.0 * std::sqrt(list[n].value * list[0].value) / list[0].value);
        rq.record = record;
        return in.walk(list, rq);
    }
    Cd z() const { return {in.sourceEndImpedance().r, in.sourceEndImpedance().x}; }
};

Cd oracleZ(const EntryList& list, double f, const InterpreterSettings& s = {}) {
    oracle::OracleSettings os;
    os.ql = s.ql;
    os.qc = s.qc;
    os.qt = s.qt;
    const oracle::OracleResult o = oracle::solveNetwork(list, f, os);
    EXPECT_TRUE(o.ok) << o.problem;
    return o.zin;
}

double rel(Cd a, Cd b) {
    return std::abs(a - b) / std::abs(b);
}

} // namespace

TEST(Interpreter, BareTerminationAndSource) {
    Machine m;
    for (double rs : {50.0, 75.0, 10.0}) {
        const EntryList list = makeList(50.0, {}, rs);
        ASSERT_EQ(m.walk(list, 1e6), 0);
        EXPECT_EQ(m.z(), Cd(50.0, 0.0));
        EXPECT_EQ(m.in.phi(), 0.0);
        EXPECT_NEAR(m.in.lambda(), std::log(2.0 * std::sqrt(rs * 50.0) / (rs + 50.0)), 1e-15);
    }
    // Equal ends: no loss at all.
    ASSERT_EQ(m.walk(makeList(50.0, {}, 50.0), 1e6), 0);
    EXPECT_NEAR(m.in.lambda(), 0.0, 1e-15);
}

TEST(Interpreter, ZeroCapacitorIsAnOpenCircuit) {
    Machine m;
    ASSERT_EQ(m.walk(makeList(50.0, {{0.0, 'C', 2}}, 50.0), 1e6), 0);
    EXPECT_LT(rel(m.z(), Cd(50.0, 0.0)), 1e-25);
}

TEST(Interpreter, TwoSidePortsInARowAndTheirJunction) {
    // Two side ports, the second opened by a code 8 that closes the first.
    const EntryList list = makeList(50.0,
                                    {{100e-12, 'C', 2},
                                     {40.0, 'R', 8},
                                     {1e-6, 'L', 3},
                                     {80e-12, 'C', 2},
                                     {60.0, 'R', 8},
                                     {2e-6, 'L', 3},
                                     {0.5e-6, 'L', 3}},
                                    50.0);
    Machine m;
    for (double f : {2e6, 1e7, 4e7}) {
        ASSERT_EQ(m.walk(list, f), 0);
        EXPECT_LT(rel(m.z(), oracleZ(list, f)), 1e-12) << f;
        EXPECT_EQ(m.in.stackDepth(), 0);
    }
}

TEST(Interpreter, LineQOverrideLastsForItsOwnLineOnly) {
    // The Q entry points at the first Z of a code 37 section; the second line
    // of the section and the stub after it use the dialog's Qt.
    const EntryList list = makeList(50.0,
                                    {{20.0, '1', 44},
                                     {60.0, 'Z', 37},
                                     {0.7, 'D', 37},
                                     {40.0, 'Z', 37},
                                     {0.9, 'D', 37},
                                     {70.0, 'Z', 16},
                                     {1.1, 'D', 16}},
                                    50.0);
    Machine m;
    m.settings.qt = 400.0;
    ASSERT_EQ(m.walk(list, 1.3e7), 0);
    const Cd lossyOnlyFirst = m.z();
    EXPECT_LT(rel(lossyOnlyFirst, oracleZ(list, 1.3e7, m.settings)), 1e-12);
    // Without the Q entry the first line is much less lossy.
    EntryList plain = list;
    plain[1] = {0.0, '_', 99};
    ASSERT_EQ(m.walk(plain, 1.3e7), 0);
    EXPECT_GT(rel(m.z(), lossyOnlyFirst), 1e-3);
}

TEST(Interpreter, QChangeActsOnLaterEntriesForOneWalkOnly) {
    const EntryList list = makeList(
        50.0,
        {{100e-12, 'C', 2}, {1e-6, 'L', 3}, {30.0, 'c', 53}, {100e-12, 'C', 2}, {1e-6, 'L', 3}},
        50.0);
    Machine m;
    m.settings.ql = 200.0;
    m.settings.qc = 1e11;
    ASSERT_EQ(m.walk(list, 1.2e7), 0);
    const Cd first = m.z();
    EXPECT_LT(rel(first, oracleZ(list, 1.2e7, m.settings)), 1e-12);
    ASSERT_EQ(m.walkAgain(list, 1.2e7), 0);
    EXPECT_EQ(m.z(), first); // the second walk starts from the dialog's Q again
}

TEST(Interpreter, StackFaultsEndTheWalkWithTheirMessages) {
    {
        Machine m; // a value left on the stack
        EXPECT_EQ(m.walk(makeList(50.0, {{10.0, 'R', 92}}, 50.0), 1e6), 1);
        EXPECT_TRUE(m.tk.sawNotice("Stack trouble!"));
    }
    {
        Machine m; // taking from an empty stack
        EXPECT_EQ(m.walk(makeList(50.0, {{10.0, 'R', 95}}, 50.0), 1e6), 1);
        EXPECT_TRUE(m.tk.sawNotice("Stack trouble!"));
    }
    {
        Machine m; // a tenth push
        std::initializer_list<E> pushes = {{1, 'R', 92}, {2, 'R', 92}, {3, 'R', 92}, {4, 'R', 92},
                                           {5, 'R', 92}, {6, 'R', 92}, {7, 'R', 92}, {8, 'R', 92},
                                           {9, 'R', 92}, {10, 'R', 92}};
        EXPECT_EQ(m.walk(makeList(50.0, pushes, 50.0), 1e6), 1);
        EXPECT_TRUE(m.tk.sawNotice("Stack overflow - more than 9 entries!"));
        EXPECT_EQ(m.tk.notices().size(), 1u);
    }
    {
        Machine m; // nine pushes are fine, popped again into the main line
        std::initializer_list<E> nine = {
            {1, 'R', 92}, {2, 'R', 92}, {3, 'R', 92}, {4, 'R', 92}, {5, 'R', 92}, {6, 'R', 92},
            {7, 'R', 92}, {8, 'R', 92}, {9, 'R', 92}, {0, 'R', 96}, {0, 'R', 96}, {0, 'R', 96},
            {0, 'R', 96}, {0, 'R', 96}, {0, 'R', 96}, {0, 'R', 96}, {0, 'R', 96}, {0, 'R', 96}};
        EXPECT_EQ(m.walk(makeList(50.0, nine, 50.0), 1e6), 0);
        EXPECT_LT(rel(m.z(), Cd(95.0, 0.0)), 1e-15);
    }
}

TEST(Interpreter, UnknownInstructionsAndTruncatedGroups) {
    {
        Machine m;
        EXPECT_EQ(m.walk(makeList(50.0, {{1.0, 'R', 60}}, 50.0), 1e6), 1);
        EXPECT_TRUE(m.tk.sawNotice("Unknown instruction --> 60"));
    }
    {
        Machine m;
        EXPECT_EQ(m.walk(makeList(50.0, {{40.0, 'R', 8}, {1.0, 'R', 0}}, 50.0), 1e6), 1);
        EXPECT_TRUE(m.tk.sawNotice("Unknown instruction --> 0 (in side port)"));
    }
    {
        // A code 4 group cut short by the source must not swallow the source.
        Machine m;
        EXPECT_EQ(m.walk(makeList(50.0, {{1e-6, 'L', 4}}, 50.0), 1e6), 1);
        EXPECT_TRUE(m.tk.sawNotice("Network ends inside a group at branch 1!"));
    }
}

TEST(Interpreter, RecallAppliesTheNextPrimitive) {
    const double f = 1e6;
    // Push 30, push 60, recall 30 and put it in shunt (code 90, consumed),
    // then hang 60 in shunt too: 50 || 30 || 60.
    Machine m;
    EXPECT_EQ(
        m.walk(makeList(50.0,
                        {{30, 'R', 92}, {60, 'R', 92}, {0, 'R', 98}, {0, 'R', 90}, {0, 'R', 95}},
                        50.0),
               f),
        0);
    EXPECT_NEAR(m.z().real(), 1.0 / (1.0 / 50 + 1.0 / 30 + 1.0 / 60), 1e-12);
    // Followed by a group code: "Code 98 error", the recalled 30 is dropped and
    // the walk goes on with the code 2 shunt of 20.
    Machine m2;
    EXPECT_EQ(
        m2.walk(makeList(50.0,
                         {{30, 'R', 92}, {60, 'R', 92}, {0, 'R', 98}, {20, 'R', 2}, {0, 'R', 95}},
                         50.0),
                f),
        0);
    EXPECT_TRUE(m2.tk.sawNotice("Code 98 error"));
    EXPECT_NEAR(m2.z().real(), 1.0 / (1.0 / 50 + 1.0 / 20 + 1.0 / 60), 1e-12);
}

TEST(Interpreter, ShorterFormsOfTheCoupledSection) {
    // Code 13 chooses its form by the codes of its second and sixth entries.
    for (int form = 0; form < 4; ++form) {
        const bool full = form & 1, lumpedLeg = form & 2;
        const int c2 = full ? 13 : 16, c6 = lumpedLeg ? 13 : 16;
        const EntryList list = makeList(50.0,
                                        {{1e-6, 'L', 13},
                                         {full ? 2e-6 : 55.0, full ? 'L' : 'Z', c2},
                                         {full ? 30e-12 : 0.5, full ? 'C' : 'D', c2},
                                         {40e-12, 'C', 13},
                                         {60e-12, 'C', 13},
                                         {lumpedLeg ? 0.3e-6 : 65.0, lumpedLeg ? 'L' : 'Z', c6},
                                         {lumpedLeg ? 200e-12 : 0.8, lumpedLeg ? 'C' : 'D', c6},
                                         {0.7e-6, 'L', 13},
                                         {100e-12, 'C', 2}},
                                        50.0);
        Machine m;
        m.settings.ql = 120.0;
        m.settings.qt = 800.0;
        for (double f : {3e6, 9e6, 2.2e7}) {
            ASSERT_EQ(m.walk(list, f), 0) << form;
            EXPECT_LT(rel(m.z(), oracleZ(list, f, m.settings)), 1e-12) << form << " " << f;
        }
    }
}

TEST(Interpreter, PhaseWrapFlagComesWithTheDeltaWyeSections) {
    Machine m;
    const EntryList bridged = makeList(
        50.0,
        {{1e-6, 'L', 10}, {20e-12, 'C', 10}, {20e-12, 'C', 10}, {1e-6, 'L', 10}, {5, 'R', 10}},
        50.0);
    ASSERT_EQ(m.walk(bridged, 1e7), 0);
    EXPECT_TRUE(m.in.phaseWrap());
    ASSERT_EQ(m.walk(makeList(50.0, {{1e-6, 'L', 3}}, 50.0), 1e7), 0);
    EXPECT_FALSE(m.in.phaseWrap()); // a new sweep starts without it
}

TEST(Interpreter, DeltaWyeAndWyeDeltaAreInverse) {
    // Three impedances pushed, D-Y then Y-D gives them back (in their places).
    const double f = 1e6;
    Machine m;
    const EntryList list = makeList(50.0,
                                    {{10, 'R', 92},
                                     {1e-6, 'L', 92},
                                     {1e-9, 'C', 92},
                                     {0, 'R', 97},
                                     {0, 'R', 100},
                                     {0, 'R', 96},
                                     {0, 'R', 95},
                                     {0, 'R', 96}},
                                    50.0);
    ASSERT_EQ(m.walk(list, f), 0);
    // Expected: ((50 + C) || L) + 10.
    const Cd zl(0.0, 2 * M_PI * f * 1e-6);
    const Cd zc(0.0, -1.0 / (2 * M_PI * f * 1e-9));
    const Cd z = 1.0 / (1.0 / (Cd(50.0) + zc) + 1.0 / zl) + Cd(10.0);
    EXPECT_LT(rel(m.z(), z), 1e-9);
}

TEST(Interpreter, DistributionRecords) {
    // Series 20 ohm, shunt 100 ohm, series 10 ohm into 50 ohm.
    const EntryList list = makeList(50.0, {{20, 'R', 3}, {100, 'R', 2}, {10, 'R', 3}}, 50.0);
    Machine m;
    ASSERT_EQ(m.walk(list, 1e6, true), 0);
    ASSERT_EQ(m.in.recordCount(), 2);
    const DistributionRecord& r0 = m.in.record(0);
    EXPECT_FLOAT_EQ(r0[0], 50.0f / 70.0f);
    EXPECT_FLOAT_EQ(r0[1], 100.0f);
    EXPECT_FLOAT_EQ(r0[2], 100.0f);
    EXPECT_FLOAT_EQ(r0[3], 20.0f);
    EXPECT_FLOAT_EQ(r0[4], 20.0f);
    EXPECT_FLOAT_EQ(r0[5], 70.0f);
    EXPECT_FLOAT_EQ(r0[6], 2.0f);
    const double zj = 1.0 / (1.0 / 70.0 + 1.0 / 100.0);
    const DistributionRecord& r1 = m.in.record(1); // closed by the source
    EXPECT_FLOAT_EQ(r1[0], static_cast<float>(zj / (zj + 10.0 + 50.0)));
    EXPECT_FLOAT_EQ(r1[1], 1e22f);
    EXPECT_FLOAT_EQ(r1[3], 10.0f); // the source resistance is not part of the run's series arm
    EXPECT_FLOAT_EQ(r1[6], 4.0f);
    // The product of the run ratios is the voltage ratio load / source.
    EXPECT_NEAR(static_cast<double>(r0[0]) * r1[0], 50.0 / 70.0 * zj / (zj + 60.0), 1e-6);
}

TEST(Interpreter, TooManyShunts) {
    auto shunts = [](int count) {
        EntryList list{};
        setEntry(list, 0, 50.0, 'R', 1);
        for (int i = 1; i <= count; ++i) setEntry(list, i, 1e4, 'R', 2);
        setEntry(list, count + 1, 50.0, 'R', 1);
        setEntry(list, count + 2, 1e7, 'x', 1);
        return list;
    };
    Machine ok;
    EXPECT_EQ(ok.walk(shunts(59), 1e6, true), 0);
    EXPECT_EQ(ok.in.recordCount(), 60);
    Machine tooMany;
    EXPECT_EQ(tooMany.walk(shunts(60), 1e6, true), 1);
    EXPECT_TRUE(tooMany.tk.sawNotice("Too many shunts - network too big!"));
    // Without recording the size does not matter.
    Machine plain;
    EXPECT_EQ(plain.walk(shunts(100), 1e6, false), 0);
}

TEST(Interpreter, DataBranchAndDataTerms) {
    const double f = 2e6;
    {
        Machine m; // a data branch is a shunt of the impedance the service gives
        m.data.notReadyFirst = 2;
        ASSERT_EQ(m.walk(makeList(50.0, {{-9.0, '0', 22}}, 50.0), f), 0);
        EXPECT_EQ(m.data.impedanceCalls, 3);
        EXPECT_LT(rel(m.z(), 1.0 / (1.0 / Cd(50.0) + 1.0 / Cd(30.0, -20.0))), 1e-14);
    }
    {
        Machine m; // a service that is never ready ends the walk
        m.data.neverReady = true;
        EXPECT_EQ(m.walk(makeList(50.0, {{-9.0, '0', 22}}, 50.0), f), 1);
        EXPECT_EQ(m.data.impedanceCalls, kDataRetries);
        EXPECT_TRUE(m.tk.sawNotice("No data for branch 1 - analysis stopped."));
    }
    {
        // Without the data file services: a clear notice and a clean failure.
        ui::ScriptedToolkit tk;
        NoDataServices none(tk);
        NetworkInterpreter in(tk, none);
        const EntryList list = makeList(50.0, {{-9.0, '0', 22}}, 50.0);
        in.prepare(list, {});
        WalkRequest rq;
        rq.load = 50.0;
        EXPECT_EQ(in.walk(list, rq), 1);
        ASSERT_EQ(tk.notices().size(), 1u);
    }
    {
        Machine m; // delay data (notation time unit ns) and amplitude data (dB)
        m.settings.timeMultiplier = 1e9;
        m.data.value = 5.0;
        ASSERT_EQ(m.walk(makeList(50.0, {{0.0, 'D', 50}, {0.0, 'A', 50}}, 50.0), f), 0);
        EXPECT_DOUBLE_EQ(m.in.delaySum(), 5e-9);
        EXPECT_NEAR(-kDb * m.in.lambda(), 5.0, 1e-12);
        m.in.clearDelay();
        // Inside a side port (stack not empty) data terms are ignored.
        ASSERT_EQ(m.walk(makeList(50.0, {{50.0, 'R', 8}, {0.0, 'D', 50}, {0, '_', 9}}, 50.0), f),
                  0);
        EXPECT_EQ(m.in.delaySum(), 0.0);
    }
}

TEST(Interpreter, ReferenceFrequencyEntryActsOnTheLinesAfterIt) {
    const EntryList list = makeList(
        50.0, {{60.0, 'Z', 16}, {0.8, 'D', 16}, {2e7, 'F', 22}, {60.0, 'Z', 16}, {0.8, 'D', 16}},
        50.0, 1e7);
    Machine m;
    ASSERT_EQ(m.walk(list, 1.5e7), 0);
    const Cd first = m.z();
    EXPECT_LT(rel(first, oracleZ(list, 1.5e7)), 1e-12);
    EXPECT_EQ(m.in.referenceFrequency(), 2e7);
    // Every walk of the sweep sees the same network.
    ASSERT_EQ(m.walkAgain(list, 1.5e7), 0);
    EXPECT_EQ(m.z(), first);
}

TEST(Interpreter, TransformerAndMismatchLine) {
    Machine m;
    // 2:1 into 50 ohm seen from a 200 ohm source: matched, no loss.
    ASSERT_EQ(m.walk(makeList(50.0, {{2.0, 'N', 24}}, 200.0), 1e6), 0);
    EXPECT_LT(rel(m.z(), Cd(200.0, 0.0)), 1e-15);
    EXPECT_NEAR(m.in.lambda(), 0.0, 1e-14);

    // Load-mismatch mode: the first code 23 is a line of the termination's
    // impedance and the stored length, loaded by the raised termination.
    const EntryList list = makeList(50.0, {{-1.0, 'Z', 23}, {0.0, 'D', 23}}, 50.0);
    InterpreterSettings s;
    s.mismatchLineLength = 0.6;
    s.mismatchLineZo = 50.0;
    m.in.prepare(list, s);
    WalkRequest rq;
    rq.f = 1e6;
    rq.load = 100.0; // VSWR 2
    rq.mismatchStep = true;
    ASSERT_EQ(m.in.walk(list, rq), 0);
    const double t = std::tan(0.6);
    const Cd expected = 50.0 * (100.0 + Cd(0, 50.0 * t)) / (50.0 + Cd(0, 100.0 * t));
    EXPECT_LT(rel(m.z(), expected), 1e-6);
}

TEST(Interpreter, LineTransformAgainstTheTelegrapherFormula) {
    // Lossless: Zo (ZL + j Zo tan t) / (Zo + j ZL tan t); lossy: tanh of
    // (t / 2Q + j t).
    for (double theta : {0.1, 0.7, 1.3, 2.9}) {
        for (Cd zl : {Cd(20, 0), Cd(75, 30), Cd(10, -80)}) {
            const double zo = 50.0;
            const Cx got = lineTransform({zl.real(), zl.imag()}, zo, theta, false, 1e11);
            const Cd tt(0.0, std::tan(theta));
            const Cd exact = zo * (zl + zo * tt) / (zo + zl * tt);
            EXPECT_LT(rel(Cd(got.r, got.x), exact), 2e-6) << theta;
            const double q = 80.0;
            const Cx lossy = lineTransform({zl.real(), zl.imag()}, zo, theta, true, q);
            const Cd th = std::tanh(Cd(theta / (2 * q), theta));
            const Cd exactLossy = zo * (zl + zo * th) / (zo + zl * th);
            EXPECT_LT(rel(Cd(lossy.r, lossy.x), exactLossy), 1e-6) << theta;
        }
    }
}

TEST(Interpreter, SineAndCosineOfTheSweepLoop) {
    // Against the long double library: random arguments over the reduced
    // range, arguments next to multiples of pi/2 (where the reduction
    // cancels), and the hand-over to the library above 1e5.
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> span(-1e5, 1e5);
    std::vector<double> xs;
    for (int i = 0; i < 20000; ++i) xs.push_back(span(rng) * (i % 2 ? 1.0 : 1e-4));
    for (int k = -3000; k <= 3000; k += 7)
        for (double d : {0.0, 1e-12, -3e-9, 2e-6}) xs.push_back(k * (M_PI / 2) + d);
    for (double x : {0.0, -0.0, 1e-300, 99999.9, 100000.0, 3e7, 1e300}) xs.push_back(x);
    for (double x : xs) {
        double s = 0.0;
        double c = 0.0;
        sinCos(x, s, c);
        const long double lx = x;
        // Absolute error: the argument itself carries a rounding of
        // |x| * 1.1e-16, so nothing tighter than a few units of 1e-16 holds
        // for the exact value of the double argument.
        EXPECT_NEAR(s, static_cast<double>(std::sin(lx)), 4e-16) << x;
        EXPECT_NEAR(c, static_cast<double>(std::cos(lx)), 4e-16) << x;
    }
    double s = 0.0;
    double c = 0.0;
    sinCos(std::numeric_limits<double>::quiet_NaN(), s, c);
    EXPECT_TRUE(std::isnan(s) && std::isnan(c));
}

TEST(Interpreter, LinesArePassiveAroundEveryQuarterWave) {
    // A shorted or open line near an odd multiple of a quarter wave: the
    // input resistance must never go negative, lossless or lossy.
    for (double centre : {M_PI / 2, 3 * M_PI / 2}) {
        for (int k = -400; k <= 400; ++k) {
            const double theta = centre + k * 1e-6;
            for (Cx load : {kShortLoad, kOpenLoad, Cx{20.0, 5.0}}) {
                EXPECT_GE(lineTransform(load, 50.0, theta, false, 1e11).r, 0.0) << theta;
                EXPECT_GE(lineTransform(load, 50.0, theta, true, 1e5).r, 0.0) << theta;
                // the "infinite" Q of 1e11 loses less than the rounding of 1
                const Cx z = lineTransform(load, 50.0, theta, true, 1e11);
                EXPECT_TRUE(std::isfinite(z.r) && std::isfinite(z.x)) << theta;
                EXPECT_GE(z.r, 0.0) << theta;
            }
        }
    }
    // At the quarter wave a short reads as a very large, finite resistance.
    const Cx z = lineTransform(kShortLoad, 50.0, M_PI / 2, false, 1e11);
    EXPECT_GT(z.r, 1e9);
    EXPECT_TRUE(std::isfinite(z.r));
}

TEST(Interpreter, SeriesLinesAreExactlyLossless) {
    // Two mismatched quarter-wave lines between 50 ohm ends: transparent at
    // DC, and everywhere the loss of their chain matrix. (The impedance step
    // once used the 1.0000001 line factor while the voltage ratio was exact,
    // which showed as a gain of about 4e-7 dB at DC.)
    const double q = M_PI / 2;
    const EntryList list =
        makeList(50, {{20, 'Z', 23}, {q, 'D', 23}, {120, 'Z', 23}, {q, 'D', 23}}, 50, 1e9);
    Machine m;
    m.settings.qt = 1e30; // the "infinite" 1e11 still books theta / 2e11 neper
    for (double f : {1e-3, 1e3, 3.1e8, 1e9, 1.37e9, 2e9}) {
        ASSERT_EQ(m.walk(list, f), 0);
        const double th = q * f / 1e9;
        Cd a = 1, b = 0, c = 0, d = 1;
        for (double z : {120.0, 20.0}) {
            const Cd ea = std::cos(th), eb(0, z * std::sin(th)), ec(0, std::sin(th) / z);
            const Cd na = a * ea + b * ec, nb = a * eb + b * ea, nc = c * ea + d * ec,
                     nd = c * eb + d * ea;
            a = na, b = nb, c = nc, d = nd;
        }
        const double want = 20 * std::log10(std::abs(a + b / 50.0 + c * 50.0 + d) / 2);
        EXPECT_NEAR(-m.in.lambda() * 20 / std::log(10.0), want, 1e-12) << f;
    }
    // A line whose load resonates it still gives a finite impedance.
    const Cx z = losslessLine(kShortLoad, 50.0, q, 0.0, 1.0);
    EXPECT_TRUE(std::isfinite(z.r) && std::isfinite(z.x) && z.r > 1e9);
}

TEST(Interpreter, LosslessNetworksConservePower) {
    // |S11|^2 + |S21|^2 = 1 with element Qs too high to matter (the program's
    // "infinite" 1e11 still loses about 1e-9 in a sharp resonance).
    oracle::NetworkGenerator gen(4242);
    const std::vector<int> lumped = {2,  3,  4,  5,  6,  7,  10, 12, 13, 14, 15, 27,
                                     28, 29, 30, 31, 32, 41, 45, 48, 49, 51, 52, 24};
    const std::vector<int> lines = {16, 17, 18, 19, 20, 23, 25, 26, 33, 34, 35, 36, 37, 40, 46, 47};
    for (int rep = 0; rep < 60; ++rep) {
        const bool withLines = rep % 2 == 1;
        std::vector<int> pool = lumped;
        for (int c : lines)
            if (withLines) pool.push_back(c);
        oracle::RandomNetwork net = gen.make(pool, 4 + gen.pick(8), false, 1e7);
        for (int i = 1; i < entryCount(net.list); ++i)
            if (net.list[i].letter == 'R' && net.list[i].code != 1) net.list[i].letter = 'L';
        Machine m;
        m.settings.ql = m.settings.qc = m.settings.qt = 1e30;
        for (int k = 0; k < 5; ++k) {
            ASSERT_EQ(m.walk(net.list, 1e7 * gen.uniform(0.3, 3.0)), 0);
            const int n = entryCount(net.list);
            const double rs = net.list[n].value;
            const Cd z = m.z();
            const double rho2 = std::norm((z - rs) / (z + rs));
            const double s21 = std::exp(2.0 * m.in.lambda());
            EXPECT_NEAR(rho2 + s21, 1.0, 1e-9) << rep;
        }
    }
}

TEST(Interpreter, PhaseSumMatchesThePlainArctangentDifferences) {
    // The phase is summed without an arctangent per run; it must equal the
    // plain sum of atan2 differences, whole turns included, also for
    // networks with negative element values (impedances in the left
    // half-plane).
    oracle::NetworkGenerator gen(99);
    const std::vector<int> pool = {2, 3, 4, 5, 7, 10, 11, 12, 14, 16, 17, 19, 23, 24, 29, 31, 45};
    int leftHalfPlane = 0;
    for (int rep = 0; rep < 300; ++rep) {
        oracle::RandomNetwork net = gen.make(pool, 3 + gen.pick(10), true, 1e7);
        const int n = entryCount(net.list);
        if (rep % 2)
            for (int i = 1; i < n; ++i)
                if (gen.pick(3) == 0 && net.list[i].letter != 'D') net.list[i].value *= -1.0;
        for (int k = 0; k < 4; ++k) {
            const double f = 1e7 * gen.uniform(0.2, 5.0);
            Machine fast, plain;
            fast.settings.ql = plain.settings.ql = 80.0;
            plain.settings.literalPhase = true;
            const int rf = fast.walk(net.list, f);
            const int rp = plain.walk(net.list, f);
            ASSERT_EQ(rf, rp);
            if (rf != 0) continue;
            if (!(std::isfinite(plain.in.phi()))) continue;
            EXPECT_NEAR(fast.in.phi(), plain.in.phi(), 1e-9) << rep;
            if (std::fabs(plain.in.phi()) > M_PI) ++leftHalfPlane;
        }
    }
    EXPECT_GT(leftHalfPlane, 50); // sums beyond one half turn were exercised
}

TEST(Interpreter, RandomProgramsNeverRunOffTheList) {
    // Hand-written programs may be anything: random codes (valid or not),
    // letters and values. Every walk must end with 0 or 1, inside the list,
    // with the stack within its nine entries.
    std::mt19937 rng(31337);
    auto uni = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };
    const char letters[] = {'L', 'C', 'R', 'Z', 'D', 'N', 'F', 'l', 'c', 't', '3', '9', 'x', 0};
    int completed = 0, failed = 0;
    for (int rep = 0; rep < 4000; ++rep) {
        EntryList list{};
        const int n = uni(1, 149);
        setEntry(list, 0, uni(0, 3) ? 50.0 : 0.0, 'R', 1);
        for (int i = 1; i < n; ++i) {
            int code = uni(0, 3) ? uni(2, 53) : uni(88, 102);
            if (code == 1) code = 2;
            const double v = std::ldexp(static_cast<double>(uni(-1000, 1000)), uni(-40, 10));
            setEntry(list, i, v, letters[uni(0, 13)], code);
        }
        setEntry(list, n, 50.0, 'R', 1);
        if (n + 1 < kEntrySlots) setEntry(list, n + 1, 1e7, 'x', 1);
        Machine m;
        m.settings.temperatureOn = rep % 3 == 0;
        m.settings.temperatureShift = 10.0;
        m.data.notReadyFirst = 1;
        const int r = m.walk(list, 1e6 * (1 + rep % 50), rep % 2 == 0);
        ASSERT_TRUE(r == 0 || r == 1);
        EXPECT_LE(m.in.stackDepth(), kStackDepth);
        EXPECT_LE(m.in.recordCount(), kMaxRecords + 1);
        (r == 0 ? completed : failed)++;
    }
    EXPECT_GT(completed, 0);
    EXPECT_GT(failed, 0);
}
