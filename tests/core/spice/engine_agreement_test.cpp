// The two programs end to end, as an engineer uses them: VORLINKS writes the
// deck of a saved design, the deck is completed (the sweep line, and for a
// side port the junction edit its comments ask for), ngspice runs it, and the
// load level must agree with `tanvex analyse --csv` of the same design.
#include "spice_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using namespace spicetest;

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string capture(const std::string& command) {
    std::string out;
    if (FILE* f = ::popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t k;
        while ((k = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, k);
        EXPECT_EQ(::pclose(f), 0) << command << "\n" << out;
    }
    return out;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
}

std::vector<std::string> wordsOf(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    std::string s;
    while (in >> s) w.push_back(s);
    return w;
}

bool isElement(const std::string& line) {
    return !line.empty() && line[0] != '*' && line[0] != '.' && line.rfind("Vin", 0) != 0 &&
           wordsOf(line).size() == 4;
}

// The engineer's side-port edit: the main line before the port ends at the
// node where the port's termination was put; it is joined to the junction
// (the node in use where the "COMMON node" comment stands).
std::string joinSidePort(const std::string& deck) {
    std::vector<std::string> lines = linesOf(deck);
    std::size_t change = 0, common = 0;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        if (lines[k].find("Change to next COMMON") != std::string::npos) change = k;
        if (lines[k].find("^- COMMON node #") != std::string::npos && common == 0) common = k;
    }
    EXPECT_GT(change, 0u);
    EXPECT_GT(common, change);
    const std::string portNode = wordsOf(lines[change + 1])[2];
    std::string junction;
    for (std::size_t k = common; k-- > change;)
        if (isElement(lines[k])) {
            junction = wordsOf(lines[k])[2];
            break;
        }
    std::string out;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        std::string line = lines[k];
        if (k < change && isElement(line)) {
            auto w = wordsOf(line);
            for (int i = 1; i <= 2; ++i)
                if (w[i] == portNode) w[i] = junction;
            line = w[0] + " " + w[1] + " " + w[2] + " " + w[3];
        }
        out += line + "\n";
    }
    return out;
}

struct Design {
    std::string name;
    Entries entries;
    double from, to; // hertz
    int points;
    std::string startNode;
    bool sidePort = false;
};

struct Difference {
    double db = 0.0;      // load level against the analysis' attenuation
    double degrees = 0.0; // load phase against the analysis' phase
};

// Largest differences between ngspice's load voltage and the analysis.
Difference worstDifference(const Design& d) {
    auto dir = scratchDir("agree_" + d.name);
    writeFile(dir / (d.name + ".dzn"), dznText(d.entries));
    std::filesystem::copy_file(std::filesystem::path(TANVEX_SOURCE_DIR) /
                                   "resources/examples/bandpass.spk",
                               dir / (d.name + ".spk"));
    const std::string cd = "cd '" + dir.string() + "' && ";
    capture(cd + "printf 'F\\n" + d.startNode + "\\n' | '" VORLINKS_PATH "' " + d.name);
    std::string deck = readFile(dir / (d.name + ".cir"));
    EXPECT_FALSE(deck.empty());

    std::smatch m;
    EXPECT_TRUE(std::regex_search(deck, m, std::regex(R"(VDB\((\d+)\))")));
    const std::string node = m[1].str();

    // Completion: the sweep, the load's phase printed beside its level, and
    // the report-node line dropped.
    std::string done;
    for (const std::string& line : linesOf(deck)) {
        if (line.rfind(".AC  LIN", 0) == 0) {
            char text[96];
            std::snprintf(text, sizeof text, ".AC LIN %d %.9g %.9g", d.points, d.from, d.to);
            done += std::string(text) + "\n";
        } else if (line.rfind(".PRINT", 0) == 0) {
            done += ".PRINT AC VDB(" + node + ") VP(" + node + ")\n";
        } else if (line.rfind(" V(", 0) != 0) {
            done += line + "\n";
        }
    }
    if (d.sidePort) done = joinSidePort(done);
    writeFile(dir / "run.cir", done);
    const std::string column = "vdb(" + node + ")";
    const std::string phaseColumn = "vp(" + node + ")";

    struct Point {
        double f, db, radians;
    };
    std::vector<Point> spice;
    std::vector<std::string> header;
    for (const std::string& line : linesOf(capture(cd + "ngspice -b run.cir 2>&1"))) {
        auto w = wordsOf(line);
        if (w.empty()) continue;
        if (w[0] == "Index") header = w;
        std::size_t at = 0, phaseAt = 0;
        for (std::size_t c = 2; c < header.size(); ++c) {
            if (header[c] == column) at = c;
            if (header[c] == phaseColumn) phaseAt = c;
        }
        if (at > 0 && phaseAt > 0 && w.size() == header.size() &&
            w[0].find_first_not_of("0123456789") == std::string::npos)
            spice.push_back({std::strtod(w[1].c_str(), nullptr),
                             std::strtod(w[at].c_str(), nullptr),
                             std::strtod(w[phaseAt].c_str(), nullptr)});
    }

    char sweep[160];
    std::snprintf(sweep, sizeof sweep,
                  " --csv --q 0,0,0 --from %.9g --to %.9g --points %d --spacing linear",
                  d.from / 1e6, d.to / 1e6, d.points);
    std::vector<std::string> rows =
        linesOf(capture(cd + "'" TANVEX_CLI_PATH "' analyse " + d.name + sweep));
    EXPECT_EQ(rows.size(), static_cast<std::size_t>(d.points) + 1);
    EXPECT_EQ(spice.size(), static_cast<std::size_t>(d.points)) << done;

    // The deck drives the network from entry 0 with 2 V: its load reads the
    // transducer gain plus 10 log10(Rload / Rsource).
    std::size_t n = 1;
    while (d.entries[n].code != 1) ++n;
    const double shift = 10.0 * std::log10(d.entries[n].value / d.entries[0].value);
    // The deck's source drives node 0 against its first node, so its load
    // phase is the analysis' phase turned by half a turn.
    Difference worst;
    for (std::size_t k = 0; k < spice.size() && k + 1 < rows.size(); ++k) {
        double f = 0.0, rl = 0.0, att = 0.0, delay = 0.0, phase = 0.0;
        if (std::sscanf(rows[k + 1].c_str(), "%lf,%lf,%lf,%lf,%lf", &f, &rl, &att, &delay,
                        &phase) != 5) {
            ADD_FAILURE() << "analysis row " << rows[k + 1];
            return {1e9, 1e9};
        }
        EXPECT_NEAR(spice[k].f, f, 1e-6 * f);
        worst.db = std::max(worst.db, std::fabs(spice[k].db - (-att + shift)));
        const double turn = phase - spice[k].radians * 180.0 / kPi - 180.0;
        worst.degrees = std::max(worst.degrees, std::fabs(std::remainder(turn, 360.0)));
    }
    std::printf("%s: largest difference %.2e dB, %.2e degrees over %zu points\n", d.name.c_str(),
                worst.db, worst.degrees, spice.size());
    return worst;
}

bool haveNgspice() {
    return std::system("command -v ngspice > /dev/null 2>&1") == 0;
}

} // namespace

TEST(EngineAgreement, DecksOfSavedDesignsMatchTheAnalysis) {
    if (!haveNgspice()) FAIL() << "ngspice is not installed (scripts/install-deps installs it)";
    const double q = kPi / 4.0;
    std::vector<Design> designs = {
        // Line sections, a running-frequency marker and a report tap.
        {"lines",
         {{50, 'R', 1},
          {90, 'Z', 23},
          {q, 'D', 23},
          {3.3e-12, 'C', 2},
          {20, 'Z', 23},
          {q / 2, 'D', 23},
          {3e8, 'F', 22},
          {0, 'R', 21},
          {110, 'Z', 23},
          {q, 'D', 23},
          {47e-9, 'L', 3},
          {4.7e-12, 'C', 2},
          {50, 'R', 1},
          {1e8, 'x', 1}},
         5e6,
         4e8,
         80,
         "",
         false},
        // An elliptic lowpass: series and shunt traps.
        {"traps",
         {{50, 'R', 1},
          {30e-12, 'C', 2},
          {100e-9, 'L', 5},
          {8e-12, 'C', 5},
          {55e-12, 'C', 2},
          {40e-9, 'L', 4},
          {12e-12, 'C', 4},
          {90e-9, 'L', 3},
          {30e-12, 'C', 2},
          {50, 'R', 1},
          {5e7, 'x', 1}},
         1e6,
         2e8,
         100,
         "",
         false},
        // Unequal ends, a later first node, tapped inductors and a bridged trap.
        {"tapped",
         {{75, 'R', 1},
          {30e-12, 'C', 2},
          {0.4e-6, 'L', 11},
          {100e-12, 'C', 11},
          {15e-12, 'C', 10},
          {60e-12, 'C', 10},
          {80e-12, 'C', 10},
          {0.3e-6, 'L', 10},
          {25e-12, 'C', 10},
          {10e-12, 'C', 12},
          {0.9e-6, 'L', 12},
          {40e-12, 'C', 12},
          {0.1e-6, 'L', 12},
          {20e-12, 'C', 2},
          {50, 'R', 1},
          {2e7, 'x', 1}},
         1e6,
         6e7,
         60,
         "5",
         false},
        // A side port: termination, a series L and a shunt C, then the junction.
        {"side",
         {{50, 'R', 1},
          {40e-12, 'C', 2},
          {75, 'R', 8},
          {0.2e-6, 'L', 3},
          {30e-12, 'C', 2},
          {0, '_', 9},
          {0.25e-6, 'L', 3},
          {35e-12, 'C', 2},
          {50, 'R', 1},
          {2e7, 'x', 1}},
         1e6,
         6e7,
         60,
         "",
         true},
        // A side port at the very front, joined where the source resistor ends.
        {"front",
         {{50, 'R', 1},
          {100, 'R', 8},
          {0.3e-6, 'L', 3},
          {0, '_', 9},
          {20e-12, 'C', 2},
          {0.2e-6, 'L', 3},
          {60e-12, 'C', 2},
          {50, 'R', 1},
          {2e7, 'x', 1}},
         1e6,
         6e7,
         60,
         "2",
         true},
    };
    for (const Design& d : designs) {
        const Difference w = worstDifference(d);
        EXPECT_LT(w.db, 1e-3) << d.name;
        EXPECT_LT(w.degrees, 1e-2) << d.name;
    }
}
