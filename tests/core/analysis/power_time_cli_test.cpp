// `tanvex power` and `tanvex timedomain` on the sample lowpass: the energy
// balance of the printed rows, the limits and messages, and refused options.
#include "../command_run.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

using CliRun = tanvex::test::CommandRun;

class PowerTimeCli : public ::testing::Test {
protected:
    std::filesystem::path dir;
    void SetUp() override {
        dir = std::filesystem::current_path() / "power_time_cli";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        for (const char* f : {"lowpass.dzn", "lowpass.spk"})
            std::filesystem::copy_file(
                std::filesystem::path(TANVEX_SOURCE_DIR) / "resources/examples" / f, dir / f);
    }
    CliRun run(const std::string& args) {
        return tanvex::test::runCommand("cd '" + dir.string() + "' && '" + std::string(TANVEX_CLI) +
                                        "' " + args + " 2>&1");
    }
};

std::vector<std::vector<double>> csvRows(const std::string& text, const std::string& header) {
    std::vector<std::vector<double>> rows;
    std::istringstream in(text);
    std::string line;
    bool on = false;
    while (std::getline(in, line)) {
        if (line == header) {
            on = true;
            continue;
        }
        if (!on) continue;
        std::vector<double> row;
        std::istringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, ',')) row.push_back(std::strtod(cell.c_str(), nullptr));
        rows.push_back(row);
    }
    return rows;
}

TEST_F(PowerTimeCli, PowerRowsBalanceAndBadOptionsAreRefused) {
    const CliRun r = run("power lowpass --freq 110 --q 80,300,0 --csv");
    ASSERT_EQ(r.status, 0) << r.out;
    const auto rows = csvRows(r.out, "frequency_hz,available_w,load_w,reflected_w,loss_w,load_v,"
                                     "branch,dual,junction_v,shunt_a,shunt_w,forward_a,forward_v,"
                                     "forward_w");
    ASSERT_EQ(rows.size(), 3u);
    double losses = 0.0;
    for (const auto& row : rows) losses += row[10] + row[13];
    EXPECT_NEAR(rows[0][1], 10.0, 1e-9);
    EXPECT_NEAR(losses, rows[0][4], 1e-5 * rows[0][4]);
    EXPECT_NEAR(rows[0][2] + rows[0][3] + rows[0][4], 10.0, 1e-8); // printed to 10 digits

    const CliRun survey = run("power lowpass --from 50 --to 150 --points 21 --vswr 1.5 --survey");
    ASSERT_EQ(survey.status, 0) << survey.out;
    EXPECT_NE(survey.out.find("(All levels are RMS)"), std::string::npos);
    EXPECT_NE(survey.out.find("( 50.000 to 150.000 MHz"), std::string::npos);
    EXPECT_NE(survey.out.find(" *\n"), std::string::npos);

    for (const char* bad : {"power lowpass --from 1 --to 2 --points 1000",
                            "power lowpass --watts 1 --volts 2", "power lowpass --theta 10",
                            "power lowpass --vswr 0.5", "power lowpass --freq 0", "power nosuch"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(run(bad).status, 2);
    }
    EXPECT_NE(
        run("power lowpass --from 1 --to 2 --points 1000").out.find("Too many points (999 Max)"),
        std::string::npos);
}

TEST_F(PowerTimeCli, TimeDomainLimitsColumnsAndReference) {
    const CliRun c = run("timedomain lowpass --rep 1 --carrier 100 --lower 0 --upper 1000 "
                         "--columns 20");
    ASSERT_EQ(c.status, 0) << c.out;
    EXPECT_NE(c.out.find("Frequency limits adjusted to carrier +-300 sidebands"),
              std::string::npos);
    EXPECT_NE(c.out.find("Lower limit 1 MHz"), std::string::npos);
    EXPECT_NE(c.out.find("Upper limit 400 MHz"), std::string::npos);
    const auto gated = csvRows(c.out, "column,time_s,low,high,value");
    ASSERT_EQ(gated.size(), 21u);
    for (const auto& row : gated) {
        EXPECT_NEAR(row[2], -row[3], 1e-12);
        EXPECT_LE(std::fabs(row[4]), row[3] * (1 + 1e-6) + 1e-12); // inside the envelope
    }

    const CliRun v = run("timedomain lowpass --rep 5 --duty 20 --columns 50 --reference average "
                         "--csv");
    ASSERT_EQ(v.status, 0) << v.out;
    const auto rows = csvRows(v.out, "column,time_s,value");
    ASSERT_EQ(rows.size(), 51u);
    double sum = 0.0;
    for (const auto& row : rows) sum += row[2];
    EXPECT_NEAR(sum / rows.size(), 0.0, 1e-6);
    EXPECT_NEAR(rows[50][1] - rows[0][1], 200e-9, 1e-15);

    EXPECT_EQ(run("timedomain lowpass --rep 0").status, 2);
    EXPECT_EQ(run("timedomain lowpass --rep -3").status, 2);
    EXPECT_EQ(run("timedomain lowpass").status, 2);
    EXPECT_EQ(run("timedomain lowpass --rep 1 --duty 120").status, 2);
}

} // namespace
