// tanvex calc with matching: the methods given on the command line or stored
// in the design, the end lines, and the network saved.
#include "builder_response.h"
#include "design/design_file.h"
#include "design/operations.h"
#include "synthesis/matcher.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using namespace tanvex;

namespace {

std::string runCalc(const std::string& dir, const std::string& args, int& status,
                    bool withStderr = true) {
    const std::string cmd = "cd '" + dir + "' && '" + std::string(TANVEX_CLI) + "' calc " + args +
                            (withStderr ? " 2>&1" : " 2>/dev/null");
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[512];
    while (p && std::fgets(buf, sizeof buf, p)) out += buf;
    status = p ? pclose(p) : -1;
    if (status > 0) status = WEXITSTATUS(status);
    return out;
}

bool has(const std::string& out, const std::string& text) {
    return out.find(text) != std::string::npos;
}

// A third-order direct scaled bandpass at 10 MHz, design Zo 200 ohm, between
// 50 (source) and 20 ohm (termination), with the given stored letters.
std::string writeDesign(char source, char term) {
    const std::string dir = std::filesystem::temp_directory_path() / "tanvex_match_cli";
    std::filesystem::create_directories(dir);
    ui::ScriptedToolkit tk;
    buildertest::Fixture fx;
    fx.choose(106, 1, 3, 0, 3.0103);
    fx.rec()[5].value = 10e6;
    fx.rec()[6].value = 2e6;
    fx.rec()[7].value = 200;
    fx.rec()[8].value = 50;
    fx.rec()[9].value = 20;
    fx.rec()[8].letter = source;
    fx.rec()[9].letter = term;
    fx.rec()[11].letter = 'P';
    EXPECT_EQ(saveDesign(*fx.design, dir, "bp3", tk) & kSpkFailed, 0);
    return dir;
}

EntryList readBack(const std::string& dir) {
    ui::ScriptedToolkit tk;
    NetworkFile net;
    EXPECT_EQ(readNetworkFile(dir + "/bp3.dzn", net, tk), 0);
    return net.entries;
}

} // namespace

TEST(CalcMatching, MethodsFromTheCommandLineMatchBothEnds) {
    const std::string dir = writeDesign('X', 'X');
    int status = 0;
    const std::string out = runCalc(dir, "bp3 --match-source C --match-term T", status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_TRUE(has(out, "Source end: method C (200 -> 50 Ohms)")) << out;
    EXPECT_TRUE(has(out, "Termination end: method T (200 -> 20 Ohms)")) << out;
    const EntryList l = readBack(dir);
    const int n = entryCount(l);
    const double f0 = l[n + 1].value;
    EXPECT_NEAR(l[n].value, 50, 1e-9);
    EXPECT_NEAR(l[0].value, 20, 1e-9);
    const auto z = buildertest::inputZ(l, f0);
    // The file keeps 8 significant digits.
    EXPECT_NEAR(z.real(), 50, 1e-5);
    EXPECT_NEAR(z.imag(), 0, 1e-5);
    EXPECT_NEAR(buildertest::lossDb(l, f0), 0, 1e-6);
}

TEST(CalcMatching, StoredLettersRefusalsAndBadArguments) {
    int status = 0;
    // Stored methods are used when no option is given.
    std::string dir = writeDesign('B', 'X');
    std::string out = runCalc(dir, "bp3", status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(has(out, "Source end: method B (200 -> 50 Ohms)")) << out;
    EXPECT_TRUE(has(out, "Termination end: not matched")) << out;

    // Not chosen yet: no matching, with a note on standard error only.
    dir = writeDesign('x', 'x');
    out = runCalc(dir, "bp3", status, false);
    EXPECT_EQ(status, 0) << out;
    EXPECT_FALSE(has(out, "Note:")) << out;
    EXPECT_TRUE(has(out, "Source end: no method chosen, not matched")) << out;
    out = runCalc(dir, "bp3", status);
    EXPECT_TRUE(has(out, "Note: no matching method chosen for the source end")) << out;
    EXPECT_NEAR(readBack(dir)[0].value, 200, 1e-9);

    // A series method at a shunt end: that end is not matched, the network
    // is still built and saved.
    out = runCalc(dir, "bp3 --match-source F --match-term A", status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(has(out, "** Invalid option **")) << out;
    EXPECT_TRUE(has(out, "Termination end: method A (200 -> 20 Ohms)")) << out;
    dir = writeDesign('X', 'X');

    // Method E with a preset tap capacitor.
    out = runCalc(dir, "bp3 --match-source E --lcs 0,300e-12", status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(has(out, "Source end: method E (200 -> 50 Ohms)")) << out;
    const EntryList l = readBack(dir);
    const int n = entryCount(l);
    EXPECT_NEAR(l[n - 2].value, 300e-12, 1e-20);
    EXPECT_NEAR(buildertest::inputZ(l, l[n + 1].value).real(), 50, 1e-4);

    for (const char* bad : {"bp3 --match-source Q", "bp3 --match-term", "bp3 --lcs 1e-6",
                            "bp3 --lcs -1,2", "bp3 --match-source AB"}) {
        runCalc(dir, bad, status);
        EXPECT_EQ(status, 2) << bad;
    }
}

TEST(CalcMatching, NortonDesignsPrintTheirSectionsAndSaveNoZeroOrInfinity) {
    for (int command : {107, 108}) {
        const std::string dir = std::filesystem::temp_directory_path() / "tanvex_norton_cli";
        std::filesystem::create_directories(dir);
        ui::ScriptedToolkit tk;
        buildertest::Fixture fx;
        fx.choose(command, 1, 5, 0.1, 0.1);
        fx.rec()[5].value = 10e6;
        fx.rec()[6].value = 2e6;
        fx.rec()[7].value = 200;
        fx.rec()[8].value = 50;
        fx.rec()[9].value = 50;
        fx.rec()[8].letter = 'A';
        // The minimum component forcing raises the termination side's level
        // far above 50 ohms: only the transformer takes it down.
        fx.rec()[9].letter = command == 107 ? 'A' : 'T';
        fx.rec()[11].letter = 'P';
        ASSERT_EQ(saveDesign(*fx.design, dir, "nt", tk) & kSpkFailed, 0);
        int status = 0;
        const std::string out = runCalc(dir, "nt", status);
        ASSERT_EQ(status, 0) << out;
        EXPECT_TRUE(has(out, command == 107 ? "> Force Shunt Norton Transformation <"
                                            : "> Minimum Component Norton Transform <"))
            << out;
        EXPECT_TRUE(has(out, "L1  =  ")) << out;
        EXPECT_TRUE(has(out, "Zt ")) << out;
        EXPECT_TRUE(has(out, "Source end: method A")) << out;
        EXPECT_TRUE(
            has(out, command == 107 ? "Termination end: method A" : "Termination end: method T"))
            << out;
        std::ifstream in(dir + "/nt.dzn");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (const char* bad : {"inf", "INF", "nan", "NAN"})
            EXPECT_FALSE(has(text, bad)) << bad << "\n" << text;
        const EntryList l = [&] {
            NetworkFile net;
            EXPECT_EQ(readNetworkFile(dir + "/nt.dzn", net, tk), 0);
            return net.entries;
        }();
        const int n = entryCount(l);
        for (int j = 1; j < n; ++j) EXPECT_GT(l[j].value, 0.0) << j;
        EXPECT_NEAR(l[n].value, 50, 1e-9);
        EXPECT_NEAR(l[0].value, 50, 1e-9);
        EXPECT_NEAR(buildertest::inputZ(l, l[n + 1].value).real(), 50, 1e-4);
    }
}
