// The interpreter against the nodal solution of the same circuits: random
// networks over every connection code that describes a circuit, many
// frequencies each.
#include "analysis/interpreter.h"
#include "nodal_oracle.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace tanvex;
using namespace tanvex::analysis;
using oracle::C;

namespace {

const std::vector<int> kTopologyCodes = {
    2,  3,  4,  5,  6,  7,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 22, 23, 24, 25, 26, 27,
    28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 45, 46, 47, 48, 49, 51, 52};

double wrap(double a) {
    a = std::fmod(a, 2.0 * M_PI);
    if (a > M_PI) a -= 2.0 * M_PI;
    if (a < -M_PI) a += 2.0 * M_PI;
    return a;
}

std::string describe(const oracle::RandomNetwork& net) {
    std::ostringstream s;
    for (int c : net.codes) s << c << ' ';
    s << "\n";
    const int n = entryCount(net.list);
    for (int i = 0; i <= n + 1; ++i)
        s << "  " << i << ": " << net.list[i].value << ' ' << net.list[i].letter << ' '
          << net.list[i].code << "\n";
    return s.str();
}

struct Comparison {
    int checked = 0;
    double worstZ = 0.0;
    double worstLambda = 0.0;
    double worstPhase = 0.0;
};

// Walks the list at f and compares with the nodal solution. Returns false
// (with a gtest failure) on disagreement.
void compareAt(const EntryList& list, double f, const InterpreterSettings& is,
               const oracle::OracleSettings& os, const std::string& what, Comparison& cmp) {
    ui::ScriptedToolkit tk;
    NoDataServices data(tk);
    NetworkInterpreter in(tk, data);
    in.prepare(list, is);
    const int n = entryCount(list);
    const double rs = list[n].value, rl = list[0].value;
    WalkRequest rq;
    rq.f = f;
    rq.load = rl;
    rq.lambdaStart = std::log(2.0 * std::sqrt(rs * rl) / rl);
    ASSERT_EQ(in.walk(list, rq), 0) << what << (tk.log.empty() ? "" : tk.log.back());
    const oracle::OracleResult o = oracle::solveNetwork(list, f, os);
    ASSERT_TRUE(o.ok) << what << o.problem;

    const C zi(in.sourceEndImpedance().r, in.sourceEndImpedance().x);
    const double ez = std::abs(zi - o.zin) / std::abs(o.zin);
    const double lambdaOracle =
        std::log(2.0 * std::abs(o.transfer) * std::sqrt(rs / rl)) - std::log(o.lineLossFactor);
    const double el = std::fabs(in.lambda() - lambdaOracle);
    const double ep = std::fabs(wrap(in.phi() + std::arg(o.transfer)));
    // A series line (code 23) is exactly lossless in both its voltage ratio
    // and its impedance step, so it is held as tightly as everything else.
    const double tol = 1e-9;
    EXPECT_LT(ez, 1e-9) << what << " f=" << f << " Z " << zi << " vs " << o.zin;
    EXPECT_LT(el, tol) << what << " f=" << f;
    EXPECT_LT(ep, tol) << what << " f=" << f;
    if (in.tapReported()) {
        ASSERT_FALSE(o.taps.empty()) << what;
        const C zt(in.tapImpedance().r, in.tapImpedance().x);
        EXPECT_LT(std::abs(zt - o.taps.back()) / std::abs(o.taps.back()), 1e-9) << what;
    } else {
        EXPECT_TRUE(o.taps.empty()) << what;
    }
    ++cmp.checked;
    cmp.worstZ = std::max(cmp.worstZ, ez);
    if (!o.hasMainLine) {
        cmp.worstLambda = std::max(cmp.worstLambda, el);
        cmp.worstPhase = std::max(cmp.worstPhase, ep);
    }
}

} // namespace

TEST(InterpreterOracle, EveryCodeAgainstNodalSolution) {
    oracle::NetworkGenerator gen(20261207);
    const double f0 = 1e7;
    Comparison cmp;
    for (int code : kTopologyCodes) {
        for (int rep = 0; rep < 5; ++rep) {
            // Mostly this code, some neighbours.
            std::vector<int> pool(6, code);
            for (int k = 0; k < 4; ++k) pool.push_back(kTopologyCodes[gen.pick(20)]);
            const oracle::RandomNetwork net = gen.make(pool, 3 + gen.pick(5), false, f0);
            InterpreterSettings is;
            is.ql = gen.uniform(20, 400);
            is.qc = gen.uniform(50, 2000);
            is.qt = gen.uniform(100, 3000);
            oracle::OracleSettings os;
            os.ql = is.ql;
            os.qc = is.qc;
            os.qt = is.qt;
            for (int k = 0; k < 8; ++k) {
                const double f = f0 * gen.uniform(0.3, 3.0);
                compareAt(net.list, f, is, os,
                          "code " + std::to_string(code) + ": " + describe(net), cmp);
                if (::testing::Test::HasFatalFailure() || ::testing::Test::HasFailure()) return;
            }
        }
    }
    std::printf("checked %d walks; worst |dZ|/|Z| %.2e, |dlambda| %.2e, |dphi| %.2e\n", cmp.checked,
                cmp.worstZ, cmp.worstLambda, cmp.worstPhase);
}

TEST(InterpreterOracle, MixedNetworksWithSidePortsTapsAndQEntries) {
    oracle::NetworkGenerator gen(777);
    const double f0 = 3e6;
    Comparison cmp;
    for (int rep = 0; rep < 120; ++rep) {
        const oracle::RandomNetwork net = gen.make(kTopologyCodes, 6 + gen.pick(12), true, f0);
        InterpreterSettings is;
        is.ql = gen.uniform(20, 400);
        is.qc = gen.uniform(50, 2000);
        is.qt = gen.pick(3) ? gen.uniform(100, 3000) : 1e11;
        oracle::OracleSettings os;
        if (gen.pick(3) == 0) {
            is.temperatureOn = os.temperatureOn = true;
            is.temperatureShift = os.shift = gen.uniform(-80, 80);
            is.coefL = os.coefL = gen.uniform(-200, 200);
            is.coefC = os.coefC = gen.uniform(-200, 200);
            is.coefT = os.coefT = gen.uniform(-200, 200);
        }
        os.ql = is.ql;
        os.qc = is.qc;
        os.qt = is.qt;
        for (int k = 0; k < 6; ++k) {
            compareAt(net.list, f0 * gen.uniform(0.2, 4.0), is, os, describe(net), cmp);
            if (::testing::Test::HasFailure()) return;
        }
    }
    std::printf("checked %d walks; worst |dZ|/|Z| %.2e, |dlambda| %.2e, |dphi| %.2e\n", cmp.checked,
                cmp.worstZ, cmp.worstLambda, cmp.worstPhase);
}

// The tapped inductor is analysed as two halves with unit coupling; a
// physical coil (coupling 0.99999, as the SPICE deck writes it) differs only
// in the fifth digit.
TEST(InterpreterOracle, TappedInductorIsCloseToCoupling099999) {
    EntryList list{};
    setEntry(list, 0, 50.0, 'R', 1);
    setEntry(list, 1, 1e-6, 'L', 11);
    setEntry(list, 2, 100e-12, 'C', 11);
    setEntry(list, 3, 50.0, 'R', 1);
    setEntry(list, 4, 1e7, 'x', 1);
    oracle::OracleSettings os;
    os.tapCoupling = 0.99999;
    ui::ScriptedToolkit tk;
    NoDataServices data(tk);
    NetworkInterpreter in(tk, data);
    in.prepare(list, {});
    for (double f : {3e6, 1e7, 2.5e7}) {
        WalkRequest rq;
        rq.f = f;
        rq.load = 50.0;
        ASSERT_EQ(in.walk(list, rq), 0);
        const oracle::OracleResult o = oracle::solveNetwork(list, f, os);
        const C zi(in.sourceEndImpedance().r, in.sourceEndImpedance().x);
        EXPECT_LT(std::abs(zi - o.zin) / std::abs(o.zin), 1e-3);
    }
}
