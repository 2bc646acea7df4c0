// `tanvex analyse` on a design file written here: the CSV against the
// closed-form response of the circuit, the table, and the exit codes.
#include "../command_run.h"
#include "design/design_file.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tanvex;

namespace {

using CliRun = test::CommandRun;

CliRun run(const std::string& dir, const std::string& args) {
    return test::runCommand("cd '" + dir + "' && '" + std::string(TANVEX_CLI) + "' analyse " +
                            args + " 2>&1");
}

class AnalyseCommand : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tanvex_analyse_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        // 50 ohm ends with a 100 pF shunt capacitor; sweep 1..3 MHz saved.
        Design d;
        newDesign(d.entries);
        setEntry(d.entries, 0, 50.0, 'R', 1);
        setEntry(d.entries, 1, 100e-12, 'C', 2);
        setEntry(d.entries, 2, 50.0, 'R', 1);
        setEntry(d.entries, 3, 1e7, 'x', 1);
        d.record[kSlotNotation].letter = '4';
        completeSettingsString(d.record);
        d.record[kSlotSettings].text[24] = '0';
        d.analysis = {1.0, 3.0, -3.0, 0.0, 0.0, 0.0, 1.0};
        ui::ScriptedToolkit tk;
        ASSERT_EQ(saveDesign(d, dir, "rc", tk) & kDznFailed, 0);
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
    std::string dir;
};

std::vector<std::vector<double>> parseCsv(const std::string& text, std::string& header) {
    std::istringstream in(text);
    std::getline(in, header);
    std::vector<std::vector<double>> rows;
    std::string line;
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::istringstream ls(line);
        std::string cell;
        while (std::getline(ls, cell, ',')) row.push_back(std::strtod(cell.c_str(), nullptr));
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST_F(AnalyseCommand, CsvMatchesTheClosedFormResponse) {
    const CliRun r = run(dir, "rc --csv --q 0,0,0");
    ASSERT_EQ(r.status, 0) << r.out;
    std::string header;
    const auto rows = parseCsv(r.out, header);
    EXPECT_EQ(header,
              "frequency_hz,return_loss_db,attenuation_db,group_delay_s,phase_deg,r_ohm,x_ohm");
    ASSERT_EQ(rows.size(), 3u); // the saved sweep: 1, 2, 3 MHz
    for (size_t k = 0; k < rows.size(); ++k) {
        ASSERT_EQ(rows[k].size(), 7u);
        const double f = 1e6 * (k + 1);
        EXPECT_NEAR(rows[k][0], f, 1e-3);
        const std::complex<double> zc(0.0, -1.0 / (2 * M_PI * f * 100e-12));
        const std::complex<double> zp = 1.0 / (1.0 / 50.0 + 1.0 / zc);
        const std::complex<double> s21 = 2.0 * zp / (zp + 50.0);
        const std::complex<double> s11 = (zp - 50.0) / (zp + 50.0);
        EXPECT_NEAR(rows[k][2], -20 * std::log10(std::abs(s21)), 1e-8);
        EXPECT_NEAR(rows[k][1], -20 * std::log10(std::abs(s11)), 1e-7);
        EXPECT_NEAR(rows[k][4], std::arg(s21) * 180 / M_PI, 1e-7);
        EXPECT_NEAR(rows[k][5], zp.real(), 1e-7);
        EXPECT_NEAR(rows[k][6], zp.imag(), 1e-7);
        const double w = 2 * M_PI * f, rc = 25.0 * 100e-12;
        EXPECT_NEAR(rows[k][3], rc / (1 + w * w * rc * rc), 1e-6 * rc);
    }
}

TEST_F(AnalyseCommand, LongSweepsComeOutWholeAndInOrder) {
    // Sweeps long enough to be walked and formatted by two threads: every
    // row once, evenly spaced and ascending, each the closed-form response
    // at its own frequency (a block out of place or written twice fails).
    for (int points : {1000, 613, 226}) {
        const CliRun r =
            run(dir, "rc --csv --q 0,0,0 --delay precise --points " + std::to_string(points));
        ASSERT_EQ(r.status, 0) << r.out;
        std::string header;
        const auto rows = parseCsv(r.out, header);
        ASSERT_EQ(rows.size(), static_cast<size_t>(points));
        const double step = 2e6 / (points - 1);
        for (size_t k = 0; k < rows.size(); ++k) {
            ASSERT_EQ(rows[k].size(), 7u) << k;
            const double f = 1e6 + step * static_cast<double>(k);
            ASSERT_NEAR(rows[k][0], f, 1e-3) << k;
            const std::complex<double> zc(0.0, -1.0 / (2 * M_PI * f * 100e-12));
            const std::complex<double> zp = 1.0 / (1.0 / 50.0 + 1.0 / zc);
            const std::complex<double> s21 = 2.0 * zp / (zp + 50.0);
            ASSERT_NEAR(rows[k][2], -20 * std::log10(std::abs(s21)), 1e-8) << k;
            ASSERT_NEAR(rows[k][4], std::arg(s21) * 180 / M_PI, 1e-7) << k;
            ASSERT_NEAR(rows[k][6], zp.imag(), 1e-7) << k;
            const double w = 2 * M_PI * f, rc = 25.0 * 100e-12;
            ASSERT_NEAR(rows[k][3], rc / (1 + w * w * rc * rc), 1e-6 * rc) << k;
        }
    }
}

TEST_F(AnalyseCommand, OptionsOverrideTheSavedSweep) {
    const CliRun r = run(dir, "rc --csv --from 2 --to 4 --points 5 --spacing log --delay fast");
    ASSERT_EQ(r.status, 0) << r.out;
    std::string header;
    const auto rows = parseCsv(r.out, header);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_NEAR(rows[1][0], 2e6 * std::pow(2.0, 1.0 / 5.0), 1e-2);
    const CliRun step = run(dir, "rc --csv --from 2 --to 3 --step 0.25");
    EXPECT_EQ(parseCsv(step.out, header).size(), 5u);
    const CliRun single = run(dir, "rc --csv --from 7 --points 1");
    ASSERT_EQ(parseCsv(single.out, header).size(), 1u);
    // A design saved without a step sweeps 225 points.
    Design d;
    ui::ScriptedToolkit tk;
    ASSERT_EQ(loadDesign(d, dir, "rc", tk) & kDznFailed, 0);
    d.analysis[2] = 0.0;
    ASSERT_EQ(saveDesign(d, dir, "nostep", tk) & kDznFailed, 0);
    EXPECT_EQ(parseCsv(run(dir, "nostep --csv").out, header).size(), 225u);
}

TEST_F(AnalyseCommand, TableHasTheListingColumns) {
    const CliRun r = run(dir, "rc");
    ASSERT_EQ(r.status, 0) << r.out;
    // The saved Q values of 0 mean infinite.
    EXPECT_EQ(r.out.find("   Inductor Q=1e+11  Cap. Q=1e+11 Trans. Q=1e+11\n"), 0u) << r.out;
    EXPECT_NE(r.out.find("   Frequency   Rtn. loss    Atten.       Delay       Phase"),
              std::string::npos);
    EXPECT_NE(r.out.find("(MHz )"), std::string::npos);
    EXPECT_NE(r.out.find("      2.000 "), std::string::npos);
}

TEST_F(AnalyseCommand, ExitCodes) {
    const CliRun missing = run(dir, "nosuch");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.out.find("cannot read the design 'nosuch'"), std::string::npos);
    const CliRun bad = run(dir, "rc --from 5 --to 2");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.out.find("Bad frequency range!"), std::string::npos);
    EXPECT_EQ(run(dir, "rc --points 2000").status, 1);
    EXPECT_EQ(run(dir, "rc --spacing sideways").status, 2);
    EXPECT_EQ(run(dir, "rc --q 1,2").status, 2);
    EXPECT_EQ(run(dir, "").status, 2);
    const CliRun help = run(dir, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: tanvex analyse NAME"), std::string::npos);
}

TEST_F(AnalyseCommand, DataBranchFilesAreReadAndAMissingOneStopsTheRun) {
    // 50 ohm ends with a data branch of 50 ohm (flat .frx) in shunt: the load
    // sees 25 ohm, a third of the source voltage, 3.5218 dB.
    Design d;
    newDesign(d.entries);
    setEntry(d.entries, 0, 50.0, 'R', 1);
    setEntry(d.entries, 1, -9.0, '0', 22);
    setEntry(d.entries, 2, 50.0, 'R', 1);
    setEntry(d.entries, 3, 1e7, 'x', 1);
    d.names[0] = "flat";
    d.record[kSlotNotation].letter = '4';
    completeSettingsString(d.record);
    d.analysis = {1.0, 3.0, -3.0, 0.0, 0.0, 0.0, 1.0};
    ui::ScriptedToolkit tk;
    ASSERT_EQ(saveDesign(d, dir, "withdata", tk) & kDznFailed, 0);

    const CliRun missing = run(dir, "withdata --csv");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("Can't open: flat.frx"), std::string::npos) << missing.out;

    FILE* f = std::fopen((dir + "/flat.frx").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("0.5,50,0\r\n5,50,0\r\n", f);
    std::fclose(f);
    const CliRun r = run(dir, "withdata --csv");
    ASSERT_EQ(r.status, 0) << r.out;
    std::string header;
    const auto rows = parseCsv(r.out, header);
    ASSERT_EQ(rows.size(), 3u);
    for (const auto& row : rows) EXPECT_NEAR(row[2], -20.0 * std::log10(2.0 / 3.0), 1e-6);
}
