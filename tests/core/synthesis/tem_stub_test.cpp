// The general TEM stub notch against the closed form of its reference lowpass
// under Richards' mapping Omega = tan(theta) / tan(theta1): the analysed
// lossless network must follow it over the whole commensurate period.
#include "builder_response.h"
#include "design/design_file.h"
#include "design/operations.h"
#include "synthesis/builders.h"
#include "synthesis/calculate.h"
#include "synthesis/parameters.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

using namespace tanvex;
using namespace tanvex::synthesis;
using buildertest::Fixture;
using buildertest::lossDb;

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kStubNotchCommand = 128;

double epsOf(double db) {
    return std::sqrt(std::pow(10.0, db / 10) - 1);
}

// Chebyshev loss with its ripple edge at w = 1.
double chebyshevLoss(int n, double ar, double w) {
    w = std::fabs(w);
    const double t = w <= 1 ? std::cos(n * std::acos(w)) : std::cosh(n * std::acosh(w));
    return 10 * std::log10(1 + epsOf(ar) * epsOf(ar) * t * t);
}

int build(Fixture& fx, int kind, int n, double ar, double as, double amin, double fo, double bw,
          char cfg) {
    fx.choose(kStubNotchCommand, kind, n, ar, as, amin);
    fx.rec()[5].value = fo;
    fx.rec()[6].value = bw;
    fx.rec()[11].letter = cfg;
    CalculateHooks hooks;
    return calculate(fx.ctx, hooks);
}

// The mapped lowpass frequency at f.
double mapped(double f, double fo, double bw) {
    return std::tan(kPi / 2 * f / fo) / std::tan(kPi / 2 * (fo - bw / 2) / fo);
}

// Every line entry is a positive finite impedance followed by a quarter wave
// at the terminator's frequency, which is the notch centre.
void expectQuarterWaveStubs(const EntryList& l, double fo) {
    const int n = entryCount(l);
    EXPECT_NEAR(l[n + 1].value, fo, 1e-9 * fo);
    ASSERT_EQ((n - 1) % 2, 0);
    for (int i = 1; i < n; i += 2) {
        EXPECT_EQ(l[i].letter, 'Z') << i;
        EXPECT_TRUE(l[i].value > 0 && std::isfinite(l[i].value)) << i;
        EXPECT_EQ(l[i + 1].letter, 'D') << i;
        EXPECT_NEAR(l[i + 1].value, kPi / 2, 1e-15) << i;
    }
}

// Largest difference from the oracle over 0 .. 2 fo (the period), where the
// loss is below 80 dB (near the notch centre it is too steep for a fixed dB
// tolerance).
template <class Oracle>
double worstOverPeriod(const EntryList& l, double fo, Oracle oracle, int points = 2000) {
    double worst = 0;
    for (int i = 1; i < points; ++i) {
        const double f = 2 * fo * (i + 0.37) / points;
        const double want = oracle(f);
        if (want < 80) worst = std::max(worst, std::fabs(lossDb(l, f) - want));
    }
    return worst;
}

} // namespace

TEST(TemStubNotch, ChebyshevFollowsTheMappedPrototypeOverThePeriod) {
    const double fo = 1e9, bw = 400e6;
    for (char cfg : {'P', 'S'}) {
        for (int n : {1, 4, 5}) {
            Fixture fx;
            ASSERT_EQ(build(fx, 1, n, 0.5, 0.5, 60, fo, bw, cfg), 0) << cfg << n;
            const EntryList& l = fx.list();
            expectQuarterWaveStubs(l, fo);
            const int last = entryCount(l) - 2;
            // The source end carries the connection the letter asks for.
            EXPECT_EQ(l[last].code, (cfg == 'S' ? 17 : 18)) << cfg << n;
            const double worst = worstOverPeriod(
                l, fo, [&](double f) { return chebyshevLoss(n, 0.5, mapped(f, fo, bw)); });
            EXPECT_LT(worst, 1e-6) << cfg << n;
            // Passband edges and the period's symmetry about the centre.
            EXPECT_NEAR(lossDb(l, fo - bw / 2), 0.5, 1e-7) << cfg << n;
            EXPECT_NEAR(lossDb(l, fo + bw / 2), 0.5, 1e-7) << cfg << n;
            EXPECT_NEAR(lossDb(l, 0.3 * fo), lossDb(l, 1.7 * fo), 1e-7) << cfg << n;
            EXPECT_NEAR(lossDb(l, 0.3 * fo), lossDb(l, 2.3 * fo), 1e-7) << cfg << n;
            EXPECT_GT(lossDb(l, fo * (1 + 1e-9)), 100) << cfg << n;
        }
    }
}

TEST(TemStubNotch, EllipticAndDefinedEdgeFollowThePrototype) {
    const double fo = 2e9, bw = 900e6;
    // Elliptic: the finite zeros become shorted stubs parallel to open stubs
    // in the series arm (P, shunt C at the ends) or the dual shunt branches.
    for (char cfg : {'P', 'S'}) {
        Fixture fx;
        ASSERT_EQ(build(fx, 4, 5, 0.1, 0.1, 40, fo, bw, cfg), 0) << cfg;
        const EntryList& l = fx.list();
        expectQuarterWaveStubs(l, fo);
        int zeros = 0;
        for (int i = 1; i < entryCount(l); ++i)
            zeros += l[i].code == (cfg == 'P' ? 37 : 36) && l[i - 1].code != l[i].code;
        EXPECT_EQ(zeros, 2) << cfg;
        const LowpassPrototype& lp = *fx.proto;
        const double worst = worstOverPeriod(
            l, fo, [&](double f) { return buildertest::prototypeLossDb(lp, mapped(f, fo, bw)); });
        EXPECT_LT(worst, 1e-6) << cfg;
        // The ripple band and the stopband floor, from the network alone.
        double pass = 0, stop = 1e9;
        for (int i = 0; i <= 400; ++i) {
            pass = std::max(pass, lossDb(l, (fo - bw / 2) * i / 400.0));
            stop = std::min(stop, lossDb(l, fo - bw / 4 + bw / 2 * i / 400.0));
        }
        EXPECT_NEAR(pass, 0.1, 1e-6) << cfg;
        EXPECT_GT(stop, 40 - 1e-6) << cfg;
    }
    // Butterworth defined at 3 dB: the band edges are the 3 dB points.
    Fixture fx;
    ASSERT_EQ(build(fx, 1, 3, 0, 3.0103, 60, fo, bw, 'P'), 0);
    const double w = std::pow(epsOf(3.0103), 1.0 / 3);
    const double worst = worstOverPeriod(fx.list(), fo, [&](double f) {
        return 10 * std::log10(1 + std::pow(w * mapped(f, fo, bw), 6));
    });
    EXPECT_LT(worst, 1e-6);
    EXPECT_NEAR(lossDb(fx.list(), fo - bw / 2), 3.0103, 1e-6);
}

TEST(TemStubNotch, RefusalsNameTheParameter) {
    struct Case {
        double fo, bw;
        char cfg;
        int result, fault;
    };
    const Case cases[] = {
        {1e9, 400e6, 'X', 5, 11}, {1e9, 0, 'P', 5, 6},     {1e9, 2e9, 'P', 5, 6},
        {1e9, -1e6, 'S', 5, 6},   {1e9, 3e9, 'S', 5, 6},   {-1e9, 1e6, 'P', 5, 5},
        {1e9, NAN, 'P', 5, 6},    {1e9, 400e6, 'K', 4, 0},
    };
    for (const Case& c : cases) {
        Fixture fx;
        EXPECT_EQ(build(fx, 1, 3, 0.5, 0.5, 60, c.fo, c.bw, c.cfg), c.result) << c.bw << c.cfg;
        EXPECT_EQ(faultIndex(fx.rec()), c.fault) << c.bw << c.cfg;
    }
    Fixture fx;
    fx.choose(kStubNotchCommand, 1, 3, 0.5, 0.5, 60);
    fx.rec()[5].value = 1e9;
    fx.rec()[6].value = 1e8;
    fx.rec()[7].value = -50;
    fx.rec()[11].letter = 'P';
    CalculateHooks hooks;
    EXPECT_EQ(calculate(fx.ctx, hooks), 5);
    EXPECT_EQ(faultIndex(fx.rec()), 7);
}

namespace {

std::string run(const std::string& dir, const std::string& args, int& status) {
    const std::string cmd =
        "cd '" + dir + "' && '" + std::string(TANVEX_CLI) + "' " + args + " 2>/dev/null";
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    char buf[512];
    while (p && std::fgets(buf, sizeof buf, p)) out += buf;
    const int st = p ? pclose(p) : -1;
    status = st >= 0 ? WEXITSTATUS(st) : -1;
    return out;
}

} // namespace

// The console builds the design from its parameters, and the saved network
// analyses (lossless, as CSV) to the mapped prototype and draws.
TEST(TemStubNotch, ConsoleCalcAnalyseAndSchematic) {
    const std::string dir =
        (std::filesystem::temp_directory_path() / "tanvex_tem_stub_calc").string();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const double fo = 1e9, bw = 400e6;
    Fixture fx;
    fx.choose(kStubNotchCommand, 1, 5, 0.5, 0.5, 60);
    fx.rec()[5].value = fo;
    fx.rec()[6].value = bw;
    fx.rec()[11].letter = 'P';
    ASSERT_EQ(saveDesign(*fx.design, dir, "notch", fx.tk) & kSpkFailed, 0);
    std::filesystem::remove(dir + "/notch.dzn");
    int status = -1;
    const std::string report = run(dir, "calc notch", status);
    ASSERT_EQ(status, 0);
    EXPECT_NE(report.find("Design = General TEM Stub notch"), std::string::npos) << report;
    const std::string csv = run(dir,
                                "analyse notch --from 10 --to 1990 --points 199 "
                                "--spacing linear --q 0,0,0 --csv",
                                status);
    ASSERT_EQ(status, 0);
    std::istringstream in(csv);
    std::string line;
    NetworkFile net;
    ASSERT_EQ(readNetworkFile(dir + "/notch.dzn", net, fx.tk), 0);
    int rows = 0;
    double worst = 0, worstStored = 0;
    while (std::getline(in, line)) {
        double f, rl, att;
        if (std::sscanf(line.c_str(), "%lf,%lf,%lf", &f, &rl, &att) != 3) continue;
        ++rows;
        const double want = chebyshevLoss(5, 0.5, mapped(f, fo, bw));
        if (want < 80) {
            worst = std::max(worst, std::fabs(att - want));
            worstStored = std::max(worstStored, std::fabs(att - lossDb(net.entries, f)));
        }
    }
    EXPECT_EQ(rows, 199);
    // The console's sweep is the stored network's; the stored network holds
    // nine digits (a quarter wave is 1.57079633), which near the notch moves
    // the response by up to a few 1e-6 dB from the exact mapping.
    EXPECT_LT(worstStored, 1e-7);
    EXPECT_LT(worst, 1e-5);
    const std::string drawing = run(dir, "schematic notch --ascii", status);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(drawing.empty());
    if (!HasFailure()) std::filesystem::remove_all(dir);
}
