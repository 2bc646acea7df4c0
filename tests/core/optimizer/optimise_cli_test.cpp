// `tanvex optimise` on the sample bandpass copied into a scratch directory:
// the item lines, the network written, refusals and bad options.
#include "../command_run.h"
#include "../schematic/scratch_dir_test.h"
#include "design/design_file.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

using namespace tanvex;

namespace {

using CliRun = test::CommandRun;

CliRun optimise(const std::string& args, const char* verb = "optimise") {
    return test::runCommand("'" + std::string(TANVEX_CLI) + "' " + verb + " " + args + " 2>&1");
}

class OptimiseCommand : public test::ScratchDirTest {
protected:
    void SetUp() override {
        ScratchDirTest::SetUp();
        const std::filesystem::path ex =
            std::filesystem::path(TANVEX_SOURCE_DIR) / "resources/examples";
        ui::ScriptedToolkit tk;
        Design d;
        ASSERT_EQ(loadDesign(d, ex.string(), "bandpass", tk), 0);
        d.entries[3].value *= 1.04; // detuned
        detuned = d.entries[3].value;
        ASSERT_EQ(saveDesign(d, "", "bp", tk), 0);
    }
    NetworkFile read(const std::string& name) {
        ui::ScriptedToolkit tk;
        NetworkFile n;
        EXPECT_EQ(readNetworkFile(name + ".dzn", n, tk), 0);
        return n;
    }
    double detuned = 0.0;
};

} // namespace

TEST_F(OptimiseCommand, OptimisesAndWritesTheNetwork) {
    CliRun r = optimise("bp --job amplitude --from 97 --to 103 --points 100 --out bp2 \"3-4,1/2\"");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("branch 3 "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("branch 4 "), std::string::npos);
    EXPECT_NE(r.out.find("branch 1/2 "), std::string::npos);
    EXPECT_NE(r.out.find("Error ="), std::string::npos);
    const NetworkFile in = read("bp"), out = read("bp2");
    EXPECT_NEAR(in.entries[3].value / detuned, 1.0, 1e-8); // --out leaves the design alone
    EXPECT_GT(std::fabs(out.entries[3].value / detuned - 1.0), 1e-4);
    EXPECT_NEAR(out.entries[1].value * out.entries[2].value /
                    (in.entries[1].value * in.entries[2].value),
                1.0, 1e-7); // nine digits in the file
    // The item line carries both values in full: the product holds to 1e-12.
    double b0 = 0, b1 = 0, p0 = 0, p1 = 0;
    const std::size_t at = r.out.find("branch 1/2 ");
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(std::sscanf(r.out.c_str() + at, "branch 1/2 %lf -> %lf (2: %lf -> %lf)", &b0, &b1,
                          &p0, &p1),
              4)
        << r.out.substr(at, 120);
    EXPECT_NE(b0, b1);
    EXPECT_NEAR(b1 * p1 / (b0 * p0), 1.0, 1e-12);
    // Without --out the design itself is replaced.
    r = optimise("bp --job rl --from 97 --to 103 --points 50 --segment 98,102 4");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Worst case ="), std::string::npos);
    EXPECT_NE(read("bp").entries[4].value, in.entries[4].value);
    // The alias.
    r = optimise("bp --job delay --from 99 --to 101 --points 20 --stage 2 L", "optimize");
    EXPECT_EQ(r.status, 0) << r.out;
}

TEST_F(OptimiseCommand, RefusalsWriteNothing) {
    const std::string original = [] {
        std::FILE* f = std::fopen("bp.dzn", "rb");
        std::string s(4096, '\0');
        s.resize(std::fread(s.data(), 1, s.size(), f));
        std::fclose(f);
        return s;
    }();
    for (const char* args :
         {"bp --job rl --from 97 --to 103 8", "bp --job rl --from 97 --to 103 -- -2",
          "bp --job rl --from 103 --to 97 3", "bp --job rl --from 97 --to 103 --segment 200,300 3",
          "bp --job rl --from 97 --to 103 A"}) {
        const CliRun r = optimise(args);
        EXPECT_EQ(r.status, 1) << args << "\n" << r.out;
        EXPECT_FALSE(r.out.empty()) << args;
    }
    EXPECT_FALSE(std::filesystem::exists("bp2.dzn"));
    for (const char* args :
         {"bp --from 97 --to 103 3", "bp --job fast --from 97 --to 103 3",
          "bp --job rl --from 97 --to 103 --points 1 3", "bp --job rl --from 97 3",
          "nosuch --job rl --from 97 --to 103 3", "bp --job rl --from 97 --to 103 --q 1,2 3"}) {
        const CliRun r = optimise(args);
        EXPECT_EQ(r.status, 2) << args << "\n" << r.out;
    }
    std::FILE* f = std::fopen("bp.dzn", "rb");
    std::string now(4096, '\0');
    now.resize(std::fread(now.data(), 1, now.size(), f));
    std::fclose(f);
    EXPECT_EQ(now, original);
}
