// Decks written by the converter, completed the way an engineer completes
// them, run through ngspice and compared with a nodal evaluation of the same
// network. The reference circuit is built here from the physical meaning of
// each connection code, not from the converter's node tables.
#include "analysis/analysis_constants.h"
#include "analysis/interpreter.h"
#include "nodal.h"
#include "spice_test_util.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <regex>

using namespace spicetest;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kCoupling = 0.99999; // the tapped inductor's two halves

// Values with at most seven significant digits, so the deck's "%e" values are
// the design's values exactly.
double round7(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6e", v);
    return std::strtod(text, nullptr);
}

struct Reference {
    Circuit circuit;
    int load = 0;
    int report = 0;
};

// The network of the entry list as a circuit, driven from entry 0 with 2 V
// behind entry 0's resistance. With `skipped` false, the shorted stubs (code
// 16) and ideal transformers (code 24) are left out, as the converter leaves
// them out.
Reference buildReference(const Entries& e, bool skipped) {
    Reference ref;
    Circuit& c = ref.circuit;
    int A = c.node();
    c.source(A, 2.0, e[0].value);
    std::size_t t = 0;
    while (e[t].letter != 'x') ++t;
    double F = e[t].value;
    std::size_t i = 1;
    auto el = [&](int a, int b, std::size_t k) { c.element(a, b, e[i + k]); };
    auto tapped = [&](int a, int tap, int b, std::size_t k) {
        const double q = e[i + k].value / 4.0;
        c.coupled(a, tap, q, tap, b, q, kCoupling);
    };
    while (i < t) {
        const int code = e[i].code;
        const int G = 0;
        int B = 0, I1 = 0, I2 = 0, I3 = 0;
        auto series = [&] { B = c.node(); };
        std::size_t size = 1;
        switch (code) {
        case 1:
            el(A, G, 0);
            ref.load = A;
            break;
        case 2: // shunt element
            el(G, A, 0);
            break;
        case 3: // series element
            series();
            el(A, B, 0);
            break;
        case 4: // shunt e1+e2
            I1 = c.node();
            el(G, I1, 0), el(I1, A, 1);
            size = 2;
            break;
        case 5: // series e1 || e2
            series();
            el(A, B, 0), el(A, B, 1);
            size = 2;
            break;
        case 6: // shunt (e1 || e2) + e3
            I1 = c.node();
            el(G, I1, 0), el(G, I1, 1), el(I1, A, 2);
            size = 3;
            break;
        case 7: // series (e1 + e2) || e3
            series();
            I1 = c.node();
            el(A, I1, 0), el(I1, B, 1), el(A, B, 2);
            size = 3;
            break;
        case 10: // bridged section
            series();
            I1 = c.node(), I2 = c.node();
            el(A, B, 0), el(A, I1, 1), el(I1, B, 2), el(G, I2, 3), el(I2, I1, 4);
            size = 5;
            break;
        case 11: // tapped inductor, tap to ground through e2
            series();
            I1 = c.node();
            tapped(A, I1, B, 0);
            el(I1, G, 1);
            size = 2;
            break;
        case 12: // e1 across a tapped inductor, tap to ground through e3 + e4
            series();
            I1 = c.node(), I2 = c.node();
            el(A, B, 0);
            tapped(A, I1, B, 1);
            el(I1, I2, 2), el(G, I2, 3);
            size = 4;
            break;
        case 13:
            series();
            I1 = c.node(), I2 = c.node(), I3 = c.node();
            el(A, I1, 0), el(I1, B, 1), el(A, B, 2), el(A, I2, 3), el(I2, B, 4);
            el(G, I3, 5), el(G, I3, 6), el(I2, I3, 7);
            size = 8;
            break;
        case 14: // shunt e1 + e2 + e3
            I1 = c.node(), I2 = c.node();
            el(G, I1, 0), el(I1, I2, 1), el(I2, A, 2);
            size = 3;
            break;
        case 15: // series e1 || e2 || e3
            series();
            el(A, B, 0), el(A, B, 1), el(A, B, 2);
            size = 3;
            break;
        case 16: // shorted stub in shunt
            if (skipped) c.shortedStub(A, e[i].value, e[i + 1].value, F);
            size = 2;
            break;
        case 21:
            ref.report = A;
            break;
        case 22:
            F = e[i].value;
            break;
        case 23: // line in the series path
            series();
            c.line(A, B, e[i].value, e[i + 1].value, F);
            size = 2;
            break;
        case 24: // ideal transformer: impedances beyond it scale by N^2
            if (skipped) {
                series();
                c.transformer(A, B, e[i].value);
            }
            break;
        case 27: // series (e1 + e2) || e3 || e4
            series();
            I1 = c.node();
            el(A, I1, 0), el(I1, B, 1), el(A, B, 2), el(A, B, 3);
            size = 4;
            break;
        case 28: // shunt (e1 || e2) + e3 + e4
            I1 = c.node(), I2 = c.node();
            el(G, I1, 0), el(G, I1, 1), el(I1, I2, 2), el(I2, A, 3);
            size = 4;
            break;
        case 29: // series ((e1 || e2) + e3) || e4
            series();
            I1 = c.node();
            el(A, I1, 0), el(A, I1, 1), el(I1, B, 2), el(A, B, 3);
            size = 4;
            break;
        case 30: // shunt ((e1 + e2) || e3) + e4
            I1 = c.node(), I2 = c.node();
            el(G, I1, 0), el(I1, I2, 1), el(G, I2, 2), el(I2, A, 3);
            size = 4;
            break;
        case 31: // series ((e1 || e2) + e3) || ((e4 || e5) + e6)
            series();
            I1 = c.node(), I2 = c.node();
            el(A, I1, 0), el(A, I1, 1), el(I1, B, 2), el(A, I2, 3), el(A, I2, 4), el(I2, B, 5);
            size = 6;
            break;
        case 32: // shunt ((e1 + e2) || e3) + ((e4 + e5) || e6)
            I1 = c.node(), I2 = c.node(), I3 = c.node();
            el(G, I1, 0), el(I1, I2, 1), el(G, I2, 2), el(I2, I3, 3), el(I3, A, 4), el(I2, A, 5);
            size = 6;
            break;
        case 41: // two stars: e1, e2, e3 from a centre to A, ground, B; e4, e5+e6, e7 likewise
            series();
            I1 = c.node(), I2 = c.node(), I3 = c.node();
            el(A, I1, 0), el(G, I1, 1), el(I1, B, 2);
            el(A, I2, 3), el(G, I3, 4), el(I3, I2, 5), el(I2, B, 6);
            size = 7;
            break;
        case 45: // e1 || e2 || e3 across; e4, e5 to a centre; e6+e7+e8 from it to ground
            series();
            I1 = c.node(), I2 = c.node(), I3 = c.node();
            el(A, B, 0), el(A, B, 1), el(A, B, 2), el(A, I1, 3), el(I1, B, 4);
            el(I1, I2, 5), el(I2, I3, 6), el(I3, G, 7);
            size = 8;
            break;
        case 48: // shunt (((e1 || e2) + e3) || e4) + e5
            I1 = c.node(), I2 = c.node();
            el(G, I1, 0), el(G, I1, 1), el(I1, I2, 2), el(G, I2, 3), el(I2, A, 4);
            size = 5;
            break;
        case 49: // series (((e1 + e2) || e3) + e4) || e5
            series();
            I1 = c.node(), I2 = c.node();
            el(A, I1, 0), el(I1, I2, 1), el(A, I2, 2), el(I2, B, 3), el(A, B, 4);
            size = 5;
            break;
        default:
            break;
        }
        if (B != 0) A = B;
        i += size;
    }
    return ref;
}

bool haveNgspice() {
    return std::system("command -v ngspice > /dev/null 2>&1") == 0;
}

// The engineer's edits: the analysis line gets its numbers, and the stray
// report-node line (a voltage the print request already names) goes.
std::string completeDeck(const std::string& deck, int points, double f1, double f2) {
    std::istringstream in(deck);
    std::string line, out;
    bool placed = false;
    while (std::getline(in, line)) {
        if (line == ".AC  LIN  num  Fstart  Fstop") {
            char text[96];
            std::snprintf(text, sizeof text, ".AC LIN %d %.9g %.9g", points, f1, f2);
            line = text;
            placed = true;
        } else if (line.rfind(" V(", 0) == 0) {
            continue;
        }
        out += line + "\n";
    }
    EXPECT_TRUE(placed) << "no .AC placeholder in\n" << deck;
    return out;
}

// Runs ngspice in batch mode; returns the printed columns by name, each a
// list of (frequency, value).
std::map<std::string, std::vector<std::pair<double, double>>>
runNgspice(const std::filesystem::path& deckPath, std::string& log) {
    const auto outPath = deckPath.string() + ".out";
    const std::string command = "ngspice -b '" + deckPath.string() + "' > '" + outPath + "' 2>&1";
    int rc = std::system(command.c_str());
    log = readFile(outPath);
    EXPECT_EQ(rc, 0) << log;
    std::map<std::string, std::vector<std::pair<double, double>>> columns;
    std::istringstream in(log);
    std::string line;
    std::vector<std::string> header;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::vector<std::string> w;
        std::string s;
        while (words >> s) w.push_back(s);
        if (w.empty()) continue;
        if (w[0] == "Index") {
            header = w;
            continue;
        }
        if (header.size() < 3 || w.size() != header.size()) continue;
        if (w[0].find_first_not_of("0123456789") != std::string::npos) continue;
        const double f = std::strtod(w[1].c_str(), nullptr);
        for (std::size_t k = 2; k < w.size(); ++k) {
            columns[header[k]].push_back({f, std::strtod(w[k].c_str(), nullptr)});
        }
    }
    return columns;
}

double dB(Complex v) {
    return 20.0 * std::log10(std::abs(v));
}

struct Outcome {
    std::string deck;
    std::string console;
    std::map<std::string, std::vector<std::pair<double, double>>> columns;
    int loadNode = 0;
    int reportNode = 0;
};

// Writes the design file, converts it through the dialogue, completes the
// deck and runs it.
Outcome simulate(const std::string& name, const Entries& entries, double f1, double f2,
                 int points = 41, const std::string& startNode = "") {
    Outcome o;
    auto dir = scratchDir("ng_" + name);
    Conversion c = runConversion(dir, name, dznText(entries), 'F', startNode);
    EXPECT_EQ(c.status, 0) << c.console;
    o.deck = c.deck;
    o.console = c.console;
    std::smatch m;
    if (std::regex_search(c.deck, m, std::regex(R"(\.PRINT  AC  VDB\((\d+)\)( VM\((\d+)\))?)"))) {
        o.loadNode = std::stoi(m[1]);
        if (m[3].matched) o.reportNode = std::stoi(m[3]);
    }
    EXPECT_GT(o.loadNode, 0) << c.deck;
    const auto deckPath = dir / (name + "_run.cir");
    writeFile(deckPath, completeDeck(c.deck, points, f1, f2));
    std::string log;
    o.columns = runNgspice(deckPath, log);
    EXPECT_FALSE(o.columns.empty()) << log;
    return o;
}

// The main program's own analysis of the design, as the level the deck's
// load should read: the interpreter gives the transducer gain from the
// design's source end; the deck drives the reciprocal network from the other
// end with 2 V, so its load reads that gain plus 10 log10(Rsource / Rload).
double interpreterLevel(const Entries& e, double f) {
    tanvex::EntryList list{};
    for (std::size_t k = 0; k < e.size(); ++k) list[k] = e[k];
    tanvex::ui::ScriptedToolkit tk;
    tanvex::analysis::NoDataServices data(tk);
    tanvex::analysis::NetworkInterpreter in(tk, data);
    in.prepare(list, tanvex::analysis::InterpreterSettings{});
    const int n = tanvex::entryCount(list);
    const double rs = list[static_cast<std::size_t>(n)].value, rl = list[0].value;
    tanvex::analysis::WalkRequest rq;
    rq.f = f;
    rq.load = rl;
    rq.lambdaStart = std::log(2.0 * std::sqrt(rs * rl) / rl);
    EXPECT_EQ(in.walk(list, rq), 0);
    return tanvex::analysis::kDb * in.lambda() + 10.0 * std::log10(rs / rl);
}

// Compares ngspice's load level with the main program's analysis.
void expectInterpreterLevels(const Outcome& o, const Entries& e, double tolerance,
                             const std::string& what) {
    const auto& points = o.columns.at("vdb(" + std::to_string(o.loadNode) + ")");
    double worst = 0.0;
    for (auto [f, level] : points) {
        const double expected = interpreterLevel(e, f);
        worst = std::max(worst, std::fabs(level - expected));
        EXPECT_NEAR(level, expected, tolerance) << what << " at " << f << " Hz";
    }
    std::printf("%s against the analysis: largest difference %.2e dB\n", what.c_str(), worst);
}

// Compares ngspice's load level with the reference, point by point.
void expectLoadLevels(const Outcome& o, const Reference& ref, double tolerance,
                      const std::string& what) {
    const std::string column = "vdb(" + std::to_string(o.loadNode) + ")";
    auto it = o.columns.find(column);
    ASSERT_NE(it, o.columns.end()) << what << ": no " << column << "\n" << o.deck;
    ASSERT_GE(it->second.size(), 10u) << what;
    double worst = 0.0;
    for (auto [f, level] : it->second) {
        auto v = ref.circuit.solve(f);
        double expected = dB(v[static_cast<std::size_t>(ref.load)]);
        worst = std::max(worst, std::fabs(level - expected));
        EXPECT_NEAR(level, expected, tolerance) << what << " at " << f << " Hz";
    }
    ::testing::Test::RecordProperty(what + "_worst_dB_difference", std::to_string(worst));
    std::printf("%s: largest difference %.2e dB over %zu points\n", what.c_str(), worst,
                it->second.size());
}

// A fifth-order Butterworth lowpass, shunt C first, 50 ohms, cutoff fc.
Entries butterworth(double fc) {
    const double r = 50.0, w = 2.0 * kPi * fc;
    Entries e = {{r, 'R', 1}};
    for (int k = 1; k <= 5; ++k) {
        const double g = 2.0 * std::sin((2 * k - 1) * kPi / 10.0);
        if (k % 2 == 1) {
            e.push_back({round7(g / (w * r)), 'C', 2});
        } else {
            e.push_back({round7(g * r / w), 'L', 3});
        }
    }
    e.push_back({r, 'R', 1});
    e.push_back({fc, 'x', 1});
    return e;
}

class Ngspice : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveNgspice()) {
            FAIL() << "ngspice is not installed: these tests run the converter's decks through "
                      "`ngspice -b`. Install it with scripts/install-deps (package ngspice).";
        }
    }
};

} // namespace

TEST_F(Ngspice, MatchedLowpassReadsZeroDbAndFollowsButterworth) {
    const double fc = 1.0e6;
    Entries e = butterworth(fc);
    Outcome o = simulate("butter", e, 1.0e4, 3.0e6);
    Reference ref = buildReference(e, true);
    expectLoadLevels(o, ref, 0.01, "butterworth");
    expectInterpreterLevels(o, e, 0.01, "butterworth");
    // The textbook magnitude: |H|^2 = 1 / (1 + (f/fc)^10) with the AC 2.0 source.
    for (auto [f, level] : o.columns["vdb(" + std::to_string(o.loadNode) + ")"]) {
        const double expected = -10.0 * std::log10(1.0 + std::pow(f / fc, 10.0));
        EXPECT_NEAR(level, expected, 0.01) << f;
    }
}

TEST_F(Ngspice, SourceAndTerminationDesign) {
    // 50 ohms into 100 ohms from 2 V: 4/3 V at the load whatever the frequency.
    Entries e = {{50.0, 'R', 1}, {100.0, 'R', 1}, {1.0e6, 'x', 1}};
    Outcome o = simulate("plain", e, 1e5, 1e7, 11, "4");
    EXPECT_EQ(o.loadNode, 5);
    Reference ref = buildReference(e, true);
    expectLoadLevels(o, ref, 0.01, "plain");
    for (auto [f, level] : o.columns["vdb(5)"])
        EXPECT_NEAR(level, 20 * std::log10(4.0 / 3.0), 1e-3);
}

TEST_F(Ngspice, LadderGroupsAgreeWithNodalEvaluation) {
    // Every ladder group the converter writes, at about 10 MHz, with some
    // resistors so that no point of the sweep is a perfect null.
    Entries e = {{50.0, 'R', 1},     {120e-12, 'C', 2},  {0.82e-6, 'L', 3},  {150e-12, 'C', 4},
                 {0.47e-6, 'L', 4},  {220e-12, 'C', 5},  {1.2e-6, 'L', 5},   {68e-12, 'C', 6},
                 {33e-12, 'C', 6},   {1.5e-6, 'L', 6},   {0.33e-6, 'L', 7},  {0.56e-6, 'L', 7},
                 {47e-12, 'C', 7},   {100e-12, 'C', 14}, {2.2e-6, 'L', 14},  {4.7, 'R', 14},
                 {0.39e-6, 'L', 15}, {180e-12, 'C', 15}, {330.0, 'R', 15},   {0.27e-6, 'L', 27},
                 {82e-12, 'C', 27},  {27e-12, 'C', 27},  {1000.0, 'R', 27},  {56e-12, 'C', 28},
                 {39e-12, 'C', 28},  {0.68e-6, 'L', 28}, {2.2, 'R', 28},     {0.15e-6, 'L', 29},
                 {0.22e-6, 'L', 29}, {120e-12, 'C', 29}, {0.1e-6, 'L', 29},  {0.47e-6, 'L', 30},
                 {270e-12, 'C', 30}, {22e-12, 'C', 30},  {3.3, 'R', 30},     {0.18e-6, 'L', 31},
                 {150e-12, 'C', 31}, {0.12e-6, 'L', 31}, {0.33e-6, 'L', 31}, {68e-12, 'C', 31},
                 {0.27e-6, 'L', 31}, {39e-12, 'C', 32},  {0.82e-6, 'L', 32}, {15e-12, 'C', 32},
                 {0.56e-6, 'L', 32}, {47e-12, 'C', 32},  {10.0, 'R', 32},    {82e-12, 'C', 48},
                 {56e-12, 'C', 48},  {0.39e-6, 'L', 48}, {33e-12, 'C', 48},  {0.15e-6, 'L', 48},
                 {0.22e-6, 'L', 49}, {0.33e-6, 'L', 49}, {100e-12, 'C', 49}, {0.12e-6, 'L', 49},
                 {150.0, 'R', 49},   {0.1e-6, 'L', 3},   {75.0, 'R', 1},     {10.0e6, 'x', 1}};
    Outcome o = simulate("ladder", e, 1.0e6, 40.0e6, 79);
    EXPECT_TRUE(o.console.find("not implemented") == std::string::npos) << o.console;
    expectLoadLevels(o, buildReference(e, true), 0.01, "ladder");
    expectInterpreterLevels(o, e, 0.01, "ladder");
}

TEST_F(Ngspice, BridgedAndTappedSectionsAgreeWithNodalEvaluation) {
    Entries e = {{50.0, 'R', 1},     {47e-12, 'C', 10},  {100e-12, 'C', 10}, {120e-12, 'C', 10},
                 {0.68e-6, 'L', 10}, {22e-12, 'C', 10},  {2.0e-6, 'L', 11},  {150e-12, 'C', 11},
                 {10e-12, 'C', 12},  {1.6e-6, 'L', 12},  {82e-12, 'C', 12},  {0.22e-6, 'L', 12},
                 {0.33e-6, 'L', 13}, {0.47e-6, 'L', 13}, {33e-12, 'C', 13},  {0.56e-6, 'L', 13},
                 {0.39e-6, 'L', 13}, {68e-12, 'C', 13},  {0.1e-6, 'L', 13},  {47e-12, 'C', 13},
                 {0.27e-6, 'L', 41}, {56e-12, 'C', 41},  {0.33e-6, 'L', 41}, {0.47e-6, 'L', 41},
                 {39e-12, 'C', 41},  {0.18e-6, 'L', 41}, {0.22e-6, 'L', 41}, {27e-12, 'C', 45},
                 {1.0e-6, 'L', 45},  {2200.0, 'R', 45},  {0.39e-6, 'L', 45}, {0.56e-6, 'L', 45},
                 {120e-12, 'C', 45}, {0.15e-6, 'L', 45}, {8.2, 'R', 45},     {50.0, 'R', 1},
                 {10.0e6, 'x', 1}};
    Outcome o = simulate("bridged", e, 1.0e6, 40.0e6, 79);
    EXPECT_TRUE(o.console.find("not implemented") == std::string::npos) << o.console;
    expectLoadLevels(o, buildReference(e, true), 0.01, "bridged");
    // The analysis couples the tapped inductor's halves perfectly, the deck
    // with 0.99999: the two still agree to well within 0.01 dB here.
    expectInterpreterLevels(o, e, 0.01, "bridged");
}

TEST_F(Ngspice, LinesFollowTheRunningFrequencyAndTheReportNode) {
    // A stepped-impedance lowpass of line sections, whose lengths are given
    // first at the design's 100 MHz and then, after a code 22 entry, at 250 MHz.
    const double q = kPi / 4.0;
    Entries e = {{50.0, 'R', 1},   {100.0, 'Z', 23}, {q, 'D', 23},     {4.7e-12, 'C', 2},
                 {25.0, 'Z', 23},  {q, 'D', 23},     {2.5e8, 'F', 22}, {0.0, 'R', 21},
                 {100.0, 'Z', 23}, {q / 2, 'D', 23}, {50.0, 'R', 1},   {1.0e8, 'x', 1}};
    // The sweep passes 200 MHz, where the first two lines are a quarter wave
    // long: the analysis's near-lossless lines must still read as lossless.
    Outcome o = simulate("lines", e, 5.0e6, 2.0e8, 40, "3");
    Reference ref = buildReference(e, true);
    expectLoadLevels(o, ref, 0.01, "lines");
    expectInterpreterLevels(o, e, 0.01, "lines");
    // The report node is the node before the last line; its magnitude too.
    ASSERT_GT(o.reportNode, 0) << o.deck;
    auto it = o.columns.find("vm(" + std::to_string(o.reportNode) + ")");
    ASSERT_NE(it, o.columns.end()) << o.deck;
    for (auto [f, vm] : it->second) {
        auto v = ref.circuit.solve(f);
        EXPECT_NEAR(vm, std::abs(v[static_cast<std::size_t>(ref.report)]), 1e-4) << f;
    }
    // The last line's length is given at 250 MHz: had the converter kept F0,
    // that line would be 2.5 times too long and the levels would not agree.
    EXPECT_NE(o.deck.find("F=2.5e+08 NL=0.0625"), std::string::npos) << o.deck;
}

TEST_F(Ngspice, StubsAndTransformersAreLeftOutByDesign) {
    // The converter writes no lines for a shorted stub (code 16) or an ideal
    // transformer (code 24); it lists them on the console and keeps the main
    // line going through the same node. Its own node advance (2 for code 16,
    // 0 for code 24) only reserves node numbers. The deck therefore matches
    // the network without them, and differs from the real network.
    const double q = kPi / 2.0;
    Entries e = {{50.0, 'R', 1},   {0.2e-6, 'L', 3}, {80.0, 'Z', 16},
                 {q, 'D', 16},     {2.0, 'N', 24},   {47e-12, 'C', 2},
                 {0.3e-6, 'L', 3}, {200.0, 'R', 1},  {1.0e8, 'x', 1}};
    Outcome o = simulate("skipped", e, 1.0e7, 3.0e8, 31);
    EXPECT_NE(o.console.find("These connection codes are not implemented:\n   16 16 24\n"),
              std::string::npos)
        << o.console;
    expectLoadLevels(o, buildReference(e, false), 0.01, "without stub and transformer");

    Reference full = buildReference(e, true);
    double largest = 0.0;
    for (auto [f, level] : o.columns["vdb(" + std::to_string(o.loadNode) + ")"]) {
        auto v = full.circuit.solve(f);
        largest = std::max(largest, std::fabs(level - dB(v[static_cast<std::size_t>(full.load)])));
    }
    EXPECT_GT(largest, 1.0) << "the deck was expected to differ from the network with its stub "
                               "and transformer";
    // The main program's analysis of the same file is the full network.
    for (auto [f, level] : o.columns["vdb(" + std::to_string(o.loadNode) + ")"]) {
        auto v = full.circuit.solve(f);
        EXPECT_NEAR(interpreterLevel(e, f), dB(v[static_cast<std::size_t>(full.load)]), 0.01) << f;
    }
}

namespace {

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << "no \"" << from << "\" in\n" << text;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

} // namespace

TEST_F(Ngspice, TransientAndHarmonicDecksRun) {
    const double fc = 1.0e6;
    Entries e = butterworth(fc);
    auto dir = scratchDir("ng_domains");

    // Transient: a step from the pulse source settles at half the source
    // voltage across the matched load (the source drives node S negative).
    Conversion t = runConversion(dir, "step", dznText(e), 'T', "");
    ASSERT_EQ(t.status, 0) << t.console;
    std::string deck = replaced(t.deck, "PULSE (Vstart Vpeek Tdelay Tr Tf Twide period)",
                                "PULSE (0 2 0 1n 1n 1 2)");
    deck = replaced(deck, ".TRAN Tstep  Tstop", ".TRAN 10n 20u");
    deck = replaced(deck, ".PRINT  AC  VDB(4)", ".PRINT TRAN V(4)");
    writeFile(dir / "step_run.cir", deck);
    std::string log;
    auto columns = runNgspice(dir / "step_run.cir", log);
    ASSERT_FALSE(columns["v(4)"].empty()) << log;
    EXPECT_NEAR(columns["v(4)"].back().second, -1.0, 1e-3) << log;

    // Harmonic: the fundamental of the load voltage for a sine in the
    // transition band equals the a.c. magnitude there.
    const double f = 0.8e6;
    Conversion h = runConversion(dir, "sine", dznText(e), 'h', "");
    ASSERT_EQ(h.status, 0) << h.console;
    deck = replaced(h.deck, "SIN (Voffset Vpeak Freq.)", "SIN (0 2 800k)");
    deck = replaced(deck, ".TRAN Tstep  Tstop", ".TRAN 2n 40u");
    deck = replaced(deck, ".FOUR  freq V(4)", ".FOUR 800k V(4)\n.save V(4)");
    writeFile(dir / "sine_run.cir", deck);
    std::system(("ngspice -b '" + (dir / "sine_run.cir").string() + "' > '" +
                 (dir / "sine_run.out").string() + "' 2>&1")
                    .c_str());
    log = readFile(dir / "sine_run.out");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(log, m, std::regex(R"(\n\s*1\s+800000\s+(\S+))"))) << log;
    Reference ref = buildReference(e, true);
    const double expected = std::abs(ref.circuit.solve(f)[static_cast<std::size_t>(ref.load)]);
    EXPECT_NEAR(std::stod(m[1]), expected, 2e-3 * expected) << log;
}
