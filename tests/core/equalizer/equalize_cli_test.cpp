// `tanvex equalize` on the sample bandpass in a scratch directory: the
// design written back is analysed here, by the library, to see that the
// delay became flatter and the attenuation stayed; data input, kbd_data.eqd,
// refusals and bad options.
#include "../command_run.h"
#include "../schematic/scratch_dir_test.h"
#include "design/design_file.h"
#include "equalizer/equalizer.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

using namespace tanvex;
using namespace tanvex::equalizer;

namespace {

test::CommandRun equalize(const std::string& args) {
    return test::runCommand("'" + std::string(TANVEX_CLI) + "' equalize " + args + " 2>&1");
}

class EqualizeCommand : public test::ScratchDirTest {
protected:
    void SetUp() override {
        ScratchDirTest::SetUp();
        const std::filesystem::path ex =
            std::filesystem::path(TANVEX_SOURCE_DIR) / "resources/examples";
        ui::ScriptedToolkit tk;
        Design d;
        ASSERT_EQ(loadDesign(d, ex.string(), "bandpass", tk), 0);
        ASSERT_EQ(saveDesign(d, "", "bp", tk), 0);
    }
    // Delay and attenuation of a saved design over 92 .. 108 MHz.
    // lossless: every Q infinite.
    void response(const std::string& name, std::vector<double>& delay, std::vector<double>& loss,
                  int* entries = nullptr, bool lossless = false) {
        ui::ScriptedToolkit tk;
        auto d = std::make_unique<Design>();
        ASSERT_EQ(loadDesign(*d, "", name, tk), 0);
        if (lossless) d->analysis[3] = d->analysis[4] = d->analysis[5] = 0.0;
        if (entries) *entries = entryCount(d->entries);
        analysis::NoDataServices data(tk);
        Fitter grid(tk, d->notation);
        grid.setGrid(92e6, 108e6, 161);
        ASSERT_TRUE(analyseTarget(*d, data, tk, grid, Mode::kDelay, delay));
        ASSERT_TRUE(analyseTarget(*d, data, tk, grid, Mode::kAmplitude, loss));
    }
};

} // namespace

TEST_F(EqualizeCommand, DelaySectionsWrittenAtEitherEndFlattenTheSavedDesign) {
    std::vector<double> d0, l0, d1, l1, d2, l2;
    int n0 = 0, n1 = 0, n2 = 0;
    response("bp", d0, l0, &n0);
    test::CommandRun r = equalize("bp --delay --from 92 --to 108 --sections 2 --out eq");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("peak-to-peak before"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("section 2  all-pass"), std::string::npos) << r.out;
    response("eq", d1, l1, &n1);
    r = equalize("bp --delay --from 92 --to 108 --sections 2 --end load --out eqload");
    ASSERT_EQ(r.status, 0) << r.out;
    response("eqload", d2, l2, &n2);
    EXPECT_GT(n1, n0);
    EXPECT_EQ(n2, n1);
    // Fitted with the design's coil Q of 150, judged with it.
    const double p0 = peakToPeak(d0.data(), 161), p1 = peakToPeak(d1.data(), 161);
    std::printf("delay p-p %.4g ns -> %.4g ns\n", p0 * 1e9, p1 * 1e9);
    EXPECT_LT(p1, p0 / 3.0);
    // Constant-resistance sections: either end gives the same transfer.
    for (std::size_t k = 0; k < d1.size(); ++k) EXPECT_NEAR(d2[k], d1[k], 1e-6 * d1[k]);
    // Without component losses the sections change no attenuation.
    std::vector<double> ideal0, ideal1, unused;
    response("bp", unused, ideal0, nullptr, true);
    response("eq", unused, ideal1, nullptr, true);
    for (std::size_t k = 0; k < ideal0.size(); ++k) EXPECT_NEAR(ideal1[k], ideal0[k], 1e-3);
    // The original is untouched.
    std::vector<double> again;
    response("bp", again, unused);
    EXPECT_EQ(again, d0);
}

TEST_F(EqualizeCommand, DataFileTargetSavesKbdDataAndBadInputIsRefused) {
    {
        std::ofstream f("typed.eqd", std::ios::binary);
        f << "MHz dB\r\n95,0.9\r\n97.5,0.3\r\n100,0\r\n102.5,0.35\r\n105,1.0\r\n";
    }
    test::CommandRun r = equalize("bp --amplitude --data typed.eqd --ripple 0.05 --save-data "
                                  "--out eqa");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("band 95 .. 105 MHz"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Data saved in file: KBD_DATA.EQD"), std::string::npos) << r.out;
    EXPECT_TRUE(std::filesystem::exists("kbd_data.eqd"));
    EXPECT_TRUE(std::filesystem::exists("eqa.dzn"));

    r = equalize("bp --amplitude --data missing.eqd --out eqm");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("Can't open: missing.eqd"), std::string::npos) << r.out;
    EXPECT_FALSE(std::filesystem::exists("eqm.dzn"));

    for (const char* bad :
         {"bp --from 92 --to 108", "bp --delay --from 92", "bp --delay --from 108 --to 92",
          "bp --delay --from 92 --to 108 --sections 0",
          "bp --delay --from 92 --to 108 --sections 3 --ripple 1",
          "bp --delay --amplitude --from 92 --to 108", "bp --delay --from 92 --to 108 --end x",
          "bp --delay --from 92 --to 108 --bogus", "--delay --from 92 --to 108"}) {
        r = equalize(bad);
        EXPECT_EQ(r.status, 2) << bad << "\n" << r.out;
        EXPECT_NE(r.out.find("tanvex equalize:"), std::string::npos) << bad;
    }
    r = equalize("absent --delay --from 92 --to 108");
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_EQ(equalize("--help").status, 0);
}
