// The deck text, the dialogue and the refusals of the SPICE converter.
#include "spice/entry_reader.h"
#include "spice/spice_converter.h"
#include "spice_test_util.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <regex>
#include <set>

using namespace spicetest;
using tanvex::spice::convert;
using tanvex::spice::ConvertOptions;
using tanvex::spice::Domain;

namespace {

const Entries kPlain = {{50.0, 'R', 1}, {100.0, 'R', 1}, {1.0e6, 'x', 1}};

std::vector<std::string> deckLines(const std::string& deck) {
    std::vector<std::string> lines;
    std::istringstream in(deck);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// Element lines (first character a letter, not a comment or control line).
std::vector<std::vector<std::string>> elementLines(const std::string& deck) {
    std::vector<std::vector<std::string>> out;
    for (const std::string& line : deckLines(deck)) {
        if (line.empty() || line[0] == '*' || line[0] == '.' || line[0] == ' ') continue;
        std::istringstream in(line);
        std::vector<std::string> words;
        std::string w;
        while (in >> w) words.push_back(w);
        out.push_back(words);
    }
    return out;
}

ConvertOptions options(Domain d = Domain::Frequency, int start = 1) {
    ConvertOptions o;
    o.name = "demo";
    o.domain = d;
    o.startNode = start;
    return o;
}

} // namespace

TEST(SpiceDeck, SourceAndTerminationOnly) {
    auto dir = scratchDir("plain");
    Conversion c = runConversion(dir, "plain", dznText(kPlain), 'F', "");
    ASSERT_EQ(c.status, 0) << c.console;
    const std::string path = (dir / "plain").string();
    EXPECT_EQ(c.deck, "* 1.000000e+06 Hz. LC Filter design file: " + path +
                          ".dzn\n\n"
                          "Vin  0   1   AC  2.0\n"
                          "Rs   1   2   5.000000e+01\n"
                          "* Source internal Zo -^\n"
                          "R1   0   2   1.000000e+02\n"
                          "* Termination Zo -^\n\n"
                          ".AC  LIN  num  Fstart  Fstop\n"
                          "\n"
                          ".PRINT  AC  VDB(2)\n"
                          "\n.END\n");
    EXPECT_EQ(c.console, "  --> TANVEX to SPICE design file converter Vs 2.3 <--\n"
                         " Converting file: " +
                             path +
                             ".cir\n"
                             "SPICE file will be: " +
                             path +
                             ".cir\n"
                             "  (file must be edited)\n\n"
                             "Analysis domain:\n"
                             " (F)-Frequency  (T)-Transient  (H)-Harmonic fourier ? F\n"
                             "What is starting node number (Cr = 1) ? "
                             "Last node number used is 2\n");

    // From node 7 every node moves up; the last node is S + 1.
    Conversion c7 = runConversion(dir, "plain", dznText(kPlain), 'F', "7");
    ASSERT_EQ(c7.status, 0);
    EXPECT_NE(c7.deck.find("Vin  0   7   AC  2.0\nRs   7   8   "), std::string::npos);
    EXPECT_NE(c7.deck.find("R1   0   8   1.000000e+02"), std::string::npos);
    EXPECT_NE(c7.console.find("Last node number used is 8\n"), std::string::npos);
}

TEST(SpiceDeck, StartNodeAnswers) {
    auto dir = scratchDir("start");
    for (const char* answer : {"", "0", "  0", "abc"}) {
        Conversion c = runConversion(dir, "d", dznText(kPlain), 'F', answer);
        ASSERT_EQ(c.status, 0) << answer;
        EXPECT_NE(c.deck.find("Vin  0   1   AC"), std::string::npos) << answer;
    }
    // A negative node is asked for again with a bell.
    writeFile(dir / "d.dzn", dznText(kPlain));
    ScriptConsole con;
    con.keys = {'f'};
    con.lines = {"-4", "3"};
    ASSERT_EQ(tanvex::spice::runVorlinks(con, {(dir / "d").string()}), 0);
    EXPECT_NE(con.output.find("? \aWhat is starting node number (Cr = 1) ? "), std::string::npos);
    EXPECT_NE(readFile(dir / "d.cir").find("Vin  0   3   AC  2.0"), std::string::npos);
}

TEST(SpiceDeck, DomainKeysAndControlLines) {
    auto dir = scratchDir("domain");
    writeFile(dir / "d.dzn", dznText(kPlain));

    // Wrong keys ring the bell and ask again; a lower-case f is F.
    ScriptConsole con;
    con.keys = {'q', '\r', 'f'};
    con.lines = {""};
    ASSERT_EQ(tanvex::spice::runVorlinks(con, {(dir / "d").string()}), 0);
    EXPECT_EQ(con.keyReads, 3);
    const std::string ask =
        "Analysis domain:\n (F)-Frequency  (T)-Transient  (H)-Harmonic fourier ? ";
    EXPECT_NE(con.output.find(ask + "Q\n\a" + ask + "\n\a" + ask + "F\n"), std::string::npos);
    EXPECT_NE(readFile(dir / "d.cir").find("AC  2.0\n"), std::string::npos);

    Conversion t = runConversion(dir, "d", dznText(kPlain), 't', "");
    ASSERT_EQ(t.status, 0);
    EXPECT_NE(t.deck.find("Vin  0   1   PULSE (Vstart Vpeek Tdelay Tr Tf Twide period)\n"
                          "*Vin  0   1   SIN (Voffset Vpeak Freq. Tdelay)\n"),
              std::string::npos);
    EXPECT_NE(t.deck.find(".TRAN Tstep  Tstop\n\n.PRINT  AC  VDB(2)\n\n.END\n"), std::string::npos);

    Conversion h = runConversion(dir, "d", dznText(kPlain), 'H', "");
    ASSERT_EQ(h.status, 0);
    EXPECT_NE(h.deck.find("Vin  0   1   SIN (Voffset Vpeak Freq.)\n"), std::string::npos);
    EXPECT_NE(h.deck.find(".TRAN Tstep  Tstop\n.FOUR  freq V(2)\n\n\n.END\n"), std::string::npos);
    EXPECT_EQ(h.deck.find(".PRINT"), std::string::npos);

    // Input that ends before a domain is chosen ends the program; no deck is left.
    ScriptConsole dry;
    ASSERT_EQ(tanvex::spice::runVorlinks(dry, {(dir / "dry").string()}), 1); // no such file
    writeFile(dir / "dry.dzn", dznText(kPlain));
    ScriptConsole dry2;
    EXPECT_EQ(tanvex::spice::runVorlinks(dry2, {(dir / "dry").string()}), 1);
    EXPECT_NE(dry2.output.find("Input ended before an analysis domain was chosen"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "dry.cir"));
}

TEST(SpiceDeck, NamePromptAndMissingFiles) {
    auto dir = scratchDir("names");
    auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    writeFile("default.dzn", dznText(kPlain));
    ScriptConsole con;
    con.lines = {"", ""};
    con.keys = {'F'};
    EXPECT_EQ(tanvex::spice::runVorlinks(con, {}), 0);
    EXPECT_NE(con.output.find(" (Cr = Default) File name ? SPICE file will be: default.cir\n"),
              std::string::npos);
    EXPECT_NE(readFile("default.cir").find("design file: default.dzn"), std::string::npos);

    // A design copied from a case-insensitive file system still opens.
    writeFile("MIXED.DZN", dznText(kPlain));
    ScriptConsole mixed;
    mixed.lines = {"mixed", ""};
    mixed.keys = {'F'};
    EXPECT_EQ(tanvex::spice::runVorlinks(mixed, {}), 0) << mixed.output;
    EXPECT_TRUE(std::filesystem::exists("mixed.cir"));

    ScriptConsole missing;
    EXPECT_EQ(tanvex::spice::runVorlinks(missing, {"nothere"}), 1);
    EXPECT_NE(missing.output.find("\aCan't open file nothere.dzn"), std::string::npos);

    // The deck cannot be created: same message with the .cir name, status 1.
    std::filesystem::create_directory("blocked.cir");
    writeFile("blocked.dzn", dznText(kPlain));
    ScriptConsole blocked;
    blocked.keys = {'F'};
    EXPECT_EQ(tanvex::spice::runVorlinks(blocked, {"blocked"}), 1);
    EXPECT_NE(blocked.output.find("\aCan't open file blocked.cir"), std::string::npos);
    std::filesystem::current_path(cwd);
}

TEST(SpiceDeck, ElementLinesOfEveryWrittenCode) {
    // Each group of the table with easy values; A is the main node (2 at the
    // start), s the first internal node.
    struct Case {
        Entries group;
        std::vector<std::string> lines; // "name n1 n2" with A=2, B=3, s=N
    };
    // One series element after the group keeps the main line going; the count
    // pass puts internal nodes above the last main node.
    std::vector<Case> cases = {
        {{{1e-9, 'C', 2}}, {"C1 0 2"}},
        {{{1e-6, 'L', 3}}, {"L1 2 3"}},
        {{{1e-9, 'C', 4}, {1e-6, 'L', 4}}, {"C1 0 s", "L2 s 2"}},
        {{{1e-9, 'C', 14}, {1e-6, 'L', 14}, {5, 'R', 14}}, {"C1 0 s", "L2 s s+1", "R3 s+1 2"}},
        {{{1e-9, 'C', 5}, {1e-6, 'L', 5}}, {"C1 2 3", "L2 2 3"}},
        {{{1e-9, 'C', 15}, {1e-6, 'L', 15}, {5, 'R', 15}}, {"C1 2 3", "L2 2 3", "R3 2 3"}},
        {{{1e-9, 'C', 6}, {1e-6, 'L', 6}, {5, 'R', 6}}, {"C1 0 s", "L2 0 s", "R3 s 2"}},
        {{{1e-9, 'C', 28}, {1e-6, 'L', 28}, {5, 'R', 28}, {2e-6, 'L', 28}},
         {"C1 0 s", "L2 0 s", "R3 s s+1", "L4 s+1 2"}},
        {{{1e-9, 'C', 7}, {1e-6, 'L', 7}, {5, 'R', 7}}, {"C1 2 s", "L2 s 3", "R3 2 3"}},
        {{{1e-9, 'C', 27}, {1e-6, 'L', 27}, {5, 'R', 27}, {2e-6, 'L', 27}},
         {"C1 2 s", "L2 s 3", "R3 2 3", "L4 2 3"}},
        {{{1, 'C', 13},
          {2, 'L', 13},
          {3, 'C', 13},
          {4, 'L', 13},
          {5, 'C', 13},
          {6, 'L', 13},
          {7, 'C', 13},
          {8, 'R', 13}},
         {"C1 2 s", "L2 s 3", "C3 2 3", "L4 2 s+1", "C5 s+1 3", "L6 0 s+2", "C7 0 s+2",
          "R8 s+1 s+2"}},
        {{{1, 'C', 10}, {2, 'C', 10}, {3, 'C', 10}, {4, 'L', 10}, {5, 'C', 10}},
         {"C1 2 3", "C2 2 s", "C3 s 3", "R3 0 s", "L4 0 s+1", "C5 s+1 s"}},
        {{{4, 'L', 11}, {5, 'C', 11}}, {"La1 2 s", "Lb1 s 3", "K1 La1 Lb1", "C2 s 0"}},
        {{{1, 'C', 12}, {4, 'L', 12}, {3, 'C', 12}, {8, 'L', 12}},
         {"C1 2 3", "La2 2 s", "Lb2 s 3", "K2 La2 Lb2", "C3 s+1 s", "L4 0 s+1"}},
        {{{1, 'C', 29}, {2, 'L', 29}, {3, 'C', 29}, {4, 'L', 29}},
         {"C1 2 s", "L2 2 s", "C3 s 3", "L4 2 3"}},
        {{{1, 'C', 30}, {2, 'L', 30}, {3, 'C', 30}, {4, 'L', 30}},
         {"C1 0 s", "L2 s s+1", "C3 0 s+1", "L4 s+1 2"}},
        {{{1, 'C', 48}, {2, 'L', 48}, {3, 'C', 48}, {4, 'L', 48}, {5, 'R', 48}},
         {"C1 0 s", "L2 0 s", "C3 s s+1", "L4 0 s+1", "R5 s+1 2"}},
        {{{1, 'C', 49}, {2, 'L', 49}, {3, 'C', 49}, {4, 'L', 49}, {5, 'R', 49}},
         {"C1 2 s", "L2 s s+1", "C3 2 s+1", "L4 s+1 3", "R5 2 3"}},
        {{{1, 'C', 31}, {2, 'L', 31}, {3, 'C', 31}, {4, 'L', 31}, {5, 'R', 31}, {6, 'C', 31}},
         {"C1 2 s", "L2 2 s", "C3 s 3", "L4 2 s+1", "R5 2 s+1", "C6 s+1 3"}},
        {{{1, 'C', 32}, {2, 'L', 32}, {3, 'C', 32}, {4, 'L', 32}, {5, 'R', 32}, {6, 'C', 32}},
         {"C1 0 s", "L2 s s+1", "C3 0 s+1", "L4 s+1 s+2", "R5 s+2 2", "C6 s+1 2"}},
        {{{1, 'C', 41},
          {2, 'L', 41},
          {3, 'C', 41},
          {4, 'L', 41},
          {5, 'R', 41},
          {6, 'C', 41},
          {7, 'L', 41}},
         {"C1 2 s", "L2 0 s", "C3 s 3", "L4 2 s+1", "R5 0 s+2", "C6 s+2 s+1", "L7 s+1 3"}},
        {{{1, 'C', 45},
          {2, 'L', 45},
          {3, 'C', 45},
          {4, 'L', 45},
          {5, 'R', 45},
          {6, 'C', 45},
          {7, 'L', 45},
          {8, 'C', 45}},
         {"C1 2 3", "L2 2 3", "C3 2 3", "L4 2 s", "R5 s 3", "C6 s s+1", "L7 s+1 s+2", "C8 s+2 0"}},
    };
    for (const Case& k : cases) {
        Entries e = {{50, 'R', 1}};
        e.insert(e.end(), k.group.begin(), k.group.end());
        e.push_back({1e-6, 'L', 3});
        e.push_back({50, 'R', 1});
        e.push_back({1e6, 'x', 1});
        auto r = convert(e, options());
        ASSERT_TRUE(r.ok) << r.message;
        const int code = k.group[0].code;
        const int advance = tanvex::spice::converterNodeAdvance(code);
        const int lastMain = 2 + advance + 1; // the trailing series L moves one more
        const int s = lastMain + 1;
        auto lines = elementLines(r.deck);
        // Vin, Rs, the group's lines, the trailing L and the termination.
        ASSERT_EQ(lines.size(), k.lines.size() + 4) << "code " << code << "\n" << r.deck;
        for (std::size_t n = 0; n < k.lines.size(); ++n) {
            std::istringstream want(k.lines[n]);
            std::string name, n1, n2;
            want >> name >> n1 >> n2;
            auto node = [&](const std::string& t) {
                if (t.rfind("s+", 0) == 0) return std::to_string(s + std::stoi(t.substr(2)));
                if (t == "s") return std::to_string(s);
                return t;
            };
            const auto& got = lines[n + 2];
            EXPECT_EQ(got[0], name) << "code " << code;
            if (name[0] == 'K') {
                EXPECT_EQ(got[1], n1) << "code " << code;
                EXPECT_EQ(got[2], n2) << "code " << code;
                EXPECT_EQ(got[3], ".99999") << "code " << code;
            } else {
                EXPECT_EQ(got[1], node(n1)) << "code " << code << " " << k.lines[n];
                EXPECT_EQ(got[2], node(n2)) << "code " << code << " " << k.lines[n];
            }
        }
        // The main line continues where the group leaves it.
        const auto& tail = lines[lines.size() - 2];
        EXPECT_EQ(tail[1], std::to_string(2 + advance)) << "code " << code;
        EXPECT_EQ(tail[2], std::to_string(3 + advance)) << "code " << code;
        EXPECT_TRUE(r.notImplemented.empty()) << "code " << code;
    }
}

TEST(SpiceDeck, TappedInductorLinesAndValues) {
    Entries e = {{50, 'R', 1}, {8e-6, 'L', 11}, {1e-9, 'C', 11}, {50, 'R', 1}, {1e6, 'x', 1}};
    auto r = convert(e, options());
    ASSERT_TRUE(r.ok);
    EXPECT_NE(r.deck.find("La1   2   4   2.000000e-06\n* 11  (L1/4)\n"
                          "Lb1   4   3   2.000000e-06\n"
                          "K1   La1   Lb1   .99999\n"
                          "C2   4   0   1.000000e-09\n"),
              std::string::npos)
        << r.deck;
    EXPECT_EQ(r.lastNode, 4);
}

TEST(SpiceDeck, LinesReportNodeAndCode22) {
    const double d = 0.785398163; // 45 degrees
    Entries e = {{50, 'R', 1},   {50, 'Z', 23}, {d, 'D', 23},   {2.5e7, 'F', 22},
                 {75, 'Z', 23},  {d, 'D', 23},  {1e-9, 'C', 2}, {0, 'R', 21},
                 {1e-6, 'L', 3}, {50, 'R', 1},  {1e7, 'x', 1}};
    auto r = convert(e, options());
    ASSERT_TRUE(r.ok);
    EXPECT_NE(r.deck.find("T1   2   0   3   0   ZO=50  F=1e+07 NL=0.125\n"), std::string::npos)
        << r.deck;
    EXPECT_NE(r.deck.find("T4   3   0   4   0   ZO=75  F=2.5e+07 NL=0.125\n"), std::string::npos)
        << r.deck;
    EXPECT_NE(r.deck.find("* 8   \tReport --> node 4\n"), std::string::npos) << r.deck;
    EXPECT_NE(r.deck.find(".AC  LIN  num  Fstart  Fstop\n V(4)\n.PRINT  AC  VDB(5) VM(4) VP(4)\n"),
              std::string::npos)
        << r.deck;
    EXPECT_EQ(r.reportNode, 4);

    // A data branch (code 22, value 0 or less) is no frequency: F stays, and
    // the branch is listed as not converted.
    Entries data = {{50, 'R', 1}, {-1, '3', 22}, {50, 'Z', 23},
                    {d, 'D', 23}, {50, 'R', 1},  {1e7, 'x', 1}};
    auto rd = convert(data, options());
    ASSERT_TRUE(rd.ok);
    EXPECT_NE(rd.deck.find("F=1e+07 NL=0.125"), std::string::npos) << rd.deck;
    EXPECT_EQ(rd.notImplemented, std::vector<int>{22});

    // A reference frequency of 0 means 1 Hz for the line lengths.
    Entries zero = {{50, 'R', 1}, {50, 'Z', 23}, {d, 'D', 23}, {50, 'R', 1}, {0.0, 'x', 1}};
    auto rz = convert(zero, options());
    ASSERT_TRUE(rz.ok);
    EXPECT_NE(rz.deck.find("ZO=50  F=1 NL=0.125"), std::string::npos) << rz.deck;
}

TEST(SpiceDeck, SidePortComments) {
    Entries e = {{50, 'R', 1},   {1e-9, 'C', 2}, {75, 'R', 8},   {1e-6, 'L', 3},
                 {2e-9, 'C', 2}, {0, 'R', 9},    {2e-6, 'L', 3}, {60, 'R', 8},
                 {3e-6, 'L', 3}, {50, 'R', 1},   {1e6, 'x', 1}};
    auto r = convert(e, options());
    ASSERT_TRUE(r.ok);
    EXPECT_NE(r.deck.find("C1   0   2   1.000000e-09\n"
                          "*        ^- Change to next COMMON node #\n"
                          "R3   0   2   7.500000e+01\n"
                          "L5   2   3   1.000000e-06\n"
                          "C7   0   3   2.000000e-09\n"
                          "*9   ^- COMMON node #\n"
                          "L10  3   4   2.000000e-06\n"
                          "*        ^- Change to next COMMON node #\n"
                          "R12  0   4   6.000000e+01\n"
                          "L14  4   5   3.000000e-06\n"
                          "*    ^- COMMON node #\n"
                          "R16  0   5   5.000000e+01\n* Termination Zo -^\n"),
              std::string::npos)
        << r.deck;
}

TEST(SpiceDeck, UnimplementedCodesAreListedAndLeftOut) {
    Entries e = {{50, 'R', 1}, {60, 'Z', 16},  {1.0, 'D', 16}, {1e-6, 'L', 3}, {2, 'N', 24},
                 {0, 'D', 50}, {1e-9, 'C', 2}, {3, '1', 44},   {50, 'R', 1},   {1e6, 'x', 1}};
    auto dir = scratchDir("unimpl");
    Conversion c = runConversion(dir, "u", dznText(e), 'F', "");
    ASSERT_EQ(c.status, 0);
    // One bell for the code 50 entry in the node count, then the list.
    EXPECT_NE(
        c.console.find("? \a\nThese connection codes are not implemented:\n   16 16 24 50 44\n"
                       "Last node number used is "),
        std::string::npos)
        << c.console;
    auto lines = elementLines(c.deck);
    ASSERT_EQ(lines.size(), 5u) << c.deck; // Vin, Rs, L, C, termination
    // Left-out entries take no element numbers.
    EXPECT_EQ(lines[2][0], "L1");
    EXPECT_EQ(lines[2][1], "2");
    EXPECT_EQ(lines[2][2], "3");
    EXPECT_EQ(lines[3][0], "C3");
    EXPECT_EQ(lines[3][2], "3");
    // The node count reserves code 16's two advances: internal nodes would
    // start at 1 + 2 + 2 + 1 = 6, so the last node used is 5.
    EXPECT_NE(c.console.find("Last node number used is 5\n"), std::string::npos);
}

TEST(SpiceDeck, VariantsStayInsideTheirGroups) {
    // A code 7 group followed by a code 13 group: the 7 keeps three elements
    // and the 13 group is written whole.
    Entries e = {{50, 'R', 1}};
    for (int k = 0; k < 3; ++k) e.push_back({1e-9 * (k + 1), 'C', 7});
    for (int k = 0; k < 8; ++k) e.push_back({1e-6 * (k + 1), 'L', 13});
    e.push_back({50, 'R', 1});
    e.push_back({1e6, 'x', 1});
    auto r = convert(e, options());
    ASSERT_TRUE(r.ok) << r.message;
    auto lines = elementLines(r.deck);
    ASSERT_EQ(lines.size(), 2u + 3u + 8u + 1u) << r.deck;
    // Main nodes 2, 3, 4; the 7 uses internal node 5, the 13 nodes 6-8.
    EXPECT_EQ(lines[4][0], "C3");
    EXPECT_EQ(lines[5][0], "L5");
    EXPECT_EQ(lines[5][1], "3");
    EXPECT_EQ(lines[5][2], "6");
    EXPECT_EQ(r.lastNode, 8);

    // A code 4 group whose second entry is a 14 is the three-element branch.
    Entries v = {{50, 'R', 1}, {1e-9, 'C', 4}, {1e-6, 'L', 14},
                 {5, 'R', 4},  {50, 'R', 1},   {1e6, 'x', 1}};
    auto rv = convert(v, options());
    ASSERT_TRUE(rv.ok) << rv.message;
    EXPECT_NE(rv.deck.find("C1   0   3   1.000000e-09\nL2   3   4   1.000000e-06\n"
                           "R3   4   2   5.000000e+00\n"),
              std::string::npos)
        << rv.deck;
}

TEST(SpiceDeck, InternalNodesNeverMeetMainNodes) {
    // Random well-formed networks of every written group: every element's
    // nodes are main nodes S+1 .. last A or internal nodes above the last
    // main node, the last node reported is the highest used and names are unique.
    const std::vector<int> codes = {2,  3,  4,  5,  6,  7,  10, 11, 12, 13, 14, 15, 21, 22, 23,
                                    27, 28, 29, 30, 31, 32, 41, 45, 48, 49, 16, 17, 24, 44};
    std::mt19937 rng(1234);
    for (int trial = 0; trial < 200; ++trial) {
        Entries e = {{50, 'R', 1}};
        int groups = 1 + static_cast<int>(rng() % 12);
        for (int g = 0; g < groups; ++g) {
            int code = codes[rng() % codes.size()];
            int size = tanvex::spice::converterEntries(code);
            if (e.size() + static_cast<std::size_t>(size) > 140) break;
            for (int k = 0; k < size; ++k) {
                const char letters[] = "LCR";
                e.push_back({1.0 + k, code == 22 ? 'F' : letters[rng() % 3], code});
            }
        }
        e.push_back({50, 'R', 1});
        e.push_back({1e6, 'x', 1});
        const int start = 1 + static_cast<int>(rng() % 5);
        auto r = convert(e, options(Domain::Frequency, start));
        ASSERT_TRUE(r.ok) << r.message;
        std::set<std::string> names;
        int highest = 0;
        for (const auto& l : elementLines(r.deck)) {
            if (l[0] == "Vin") continue;
            if (l[0][0] == 'K') continue;
            EXPECT_TRUE(names.insert(l[0]).second) << l[0] << "\n" << r.deck;
            int count = l[0][0] == 'T' ? 4 : 2;
            for (int k = 1; k <= count; ++k) {
                int n = std::stoi(l[static_cast<std::size_t>(k)]);
                highest = std::max(highest, n);
                if (n == 0) continue;
                bool main = n >= start && n <= r.loadNode;
                bool internal = n > r.loadNode && n <= r.lastNode;
                EXPECT_TRUE(main || internal) << "node " << n << "\n" << r.deck;
            }
        }
        EXPECT_LE(highest, r.lastNode) << r.deck;
        EXPECT_GE(r.lastNode, r.loadNode);
    }
}

TEST(SpiceRead, LinesAreReadLikeTheDesignFile) {
    // CR LF and LF ends, blank lines, a long code-22 line with a data file
    // name, layout text after the code: one entry per line that carries one.
    std::string text = " 5.00000000e+01 R 1\r\n"
                       "\r\n"
                       " 1.00000000e-09 C 2    some layout text that runs long\n"
                       "-1.00000000e+00 3 22    a_very_long_data_file_name.frx\r\n"
                       " 1.00000000e-06 L 3\n"
                       " 5.00000000e+01 R 1\r\n"
                       " 1.00000000e+06 x 1\r\n"
                       " 9.00000000e+00 R 1\r\n";
    std::istringstream in(text);
    std::vector<NetEntry> e;
    ASSERT_EQ(tanvex::spice::readEntries(in, e), tanvex::spice::ReadStatus::Ok);
    ASSERT_EQ(e.size(), 6u);
    EXPECT_EQ(e[1].code, 2);
    EXPECT_DOUBLE_EQ(e[1].value, 1e-9);
    EXPECT_EQ(e[2].code, 22);
    EXPECT_EQ(e[2].letter, '3');
    EXPECT_DOUBLE_EQ(e[2].value, -1.0);
    EXPECT_EQ(e[5].letter, 'x');
    EXPECT_DOUBLE_EQ(e[5].value, 1e6);

    NetEntry p = tanvex::spice::parseEntryLine("      garbage   L   x7");
    EXPECT_EQ(p.value, 0.0);
    EXPECT_EQ(p.letter, 'L');
    EXPECT_EQ(p.code, 0);
}

TEST(SpiceRead, FilesTheConverterRefuses) {
    auto dir = scratchDir("refuse");
    const std::string keep = "previous deck\n";
    auto refused = [&](const std::string& name, const std::string& text, const std::string& why) {
        writeFile(dir / (name + ".cir"), keep);
        Conversion c = runConversion(dir, name, text);
        EXPECT_EQ(c.status, 1) << name;
        EXPECT_NE(c.console.find(why), std::string::npos) << name << ": " << c.console;
        EXPECT_EQ(c.console.find("Analysis domain"), std::string::npos) << name;
        EXPECT_EQ(c.deck, keep) << name; // an earlier deck is not destroyed
    };
    // 150 entries without a terminator, then more: too big.
    std::string big = dznLine({50, 'R', 1});
    for (int k = 0; k < 160; ++k) big += dznLine({1e-6, 'L', 3});
    big += dznLine({1e6, 'x', 1});
    refused("big", big, "Network is too big!");
    // Exactly 150 entries including the terminator are fine.
    std::string fits = dznLine({50, 'R', 1});
    for (int k = 0; k < 147; ++k) fits += dznLine({1e-6, 'L', 3});
    fits += dznLine({50, 'R', 1}) + dznLine({1e6, 'x', 1});
    EXPECT_EQ(runConversion(dir, "fits", fits).status, 0);

    refused("nox", dznText({{50, 'R', 1}, {1e-6, 'L', 3}, {50, 'R', 1}}),
            "No terminator (x) line in file");
    refused("empty", "", "No terminator (x) line in file");
    refused("zero", dznText({{50, 'R', 1}, {1e-6, 'L', 0}, {50, 'R', 1}, {1e6, 'x', 1}}),
            "Entry 1 has connection code 0");
    refused("short", dznText({{50, 'R', 1}, {1e-6, 'L', 3}, {50, 'R', 5}, {1e6, 'x', 1}}),
            "runs past the terminator");
    refused("nosource", dznText({{50, 'R', 1}, {1e-6, 'L', 3}, {1e6, 'x', 1}}),
            "no source entry (code 1)");
    refused("onlyx", dznText({{50, 'R', 1}, {1e6, 'x', 1}}), "no source entry");
}

TEST(SpiceRead, RandomBytesNeverHangOrCrash) {
    std::mt19937 rng(99);
    const std::string alphabet = " 0123456789.e+-RLCxZD\r\n";
    for (int trial = 0; trial < 300; ++trial) {
        std::string text;
        int n = static_cast<int>(rng() % 3000);
        for (int k = 0; k < n; ++k) text += alphabet[rng() % alphabet.size()];
        std::istringstream in(text);
        std::vector<NetEntry> e;
        auto status = tanvex::spice::readEntries(in, e);
        EXPECT_LE(e.size(), 150u);
        if (status != tanvex::spice::ReadStatus::Ok) continue;
        auto r = convert(e, options());
        if (r.ok) {
            EXPECT_NE(r.deck.find(".END"), std::string::npos);
        }
    }
}
