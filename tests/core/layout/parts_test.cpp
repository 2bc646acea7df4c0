// Chip capacitors and hairpins against physics worked independently
// (parallel plates with the vacuum permittivity, quarter waves from the
// speed of light, the two-wire line's impedance), and the chip and hairpin
// windows driven key by key.
#include "layout/layout_commands.h"
#include "layout/layout_edit.h"
#include "layout/parts.h"
#include "layout_test_util.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace tanvex;
using namespace tanvex::layout;
using tanvex::test::Bench;
using tanvex::test::Line;
using tanvex::test::ScratchDir;

namespace {

constexpr double kEps0 = 8.8541878128e-12; // F/m
constexpr double kC = 299792458.0;         // m/s
constexpr double kEta0 = 376.730313668;    // ohm
constexpr double kInch = 0.0254;

// Capacitance in pF of a parallel-plate chip (inches).
double plates(double k, double w, double l, double t) {
    return kEps0 * k * (w * kInch) * (l * kInch) / (t * kInch) * 1e12;
}

} // namespace

TEST(ChipCapacitor, SizeMatchesParallelPlates) {
    // 10 pF of K = 10 at 10 mils: a square of 211 mils.
    ChipSize s = chipSize(10.0, 10.0, 0.010, 0.0);
    EXPECT_TRUE(s.square);
    EXPECT_NEAR(s.width * 1000.0, 211.0, 0.05);
    EXPECT_NEAR(plates(10.0, s.width, s.length, 0.010), 10.0, 10.0 * 2e-3);
    // A fixed width gives the same area.
    ChipSize r = chipSize(47.0, 38.0, 0.008, 0.100);
    EXPECT_FALSE(r.square);
    EXPECT_DOUBLE_EQ(r.width, 0.100);
    EXPECT_NEAR(plates(38.0, r.width, r.length, 0.008), 47.0, 47.0 * 2e-3);
}

TEST(ChipCapacitor, WindowSizesStoresAndRemembersItsMaterial) {
    Bench b;
    b.k.defaults.material = {"Alumina", 10.0, 0.010};
    b.k.current = 1; // 10 pF shunt
    b.keys({"X"});
    EXPECT_EQ(b.k.chipCapacitor(b.tk, nullptr), ChipOutcome::Stored);
    EXPECT_TRUE(b.tk.sawPrompt("   Cap=10.00 pF  Size=211.0 Mills square"));
    EXPECT_TRUE(b.tk.sawPrompt("Material selected (Default): D-Default M-Menu"));
    EXPECT_EQ(b.k.design.branches[1].description, "0.211 x 0.211 x 0.010 In.  Alumi");
    EXPECT_TRUE(b.k.design.branches[1].changed);
    EXPECT_TRUE(b.k.design.modified);
    // Duplicate ("If not defined"): branch 4 has the same 10 pF.
    EXPECT_EQ(b.k.design.branches[4].description, b.k.design.branches[1].description);

    // Opened again: the description names a menu material, so S is offered
    // and the state starts as (Same) with that material's K and thickness.
    b.tk.log.clear();
    b.keys({"W", "100", "X"});
    b.k.chipCapacitor(b.tk, nullptr);
    EXPECT_TRUE(b.tk.sawPrompt("Material selected (Same): D-Default M-Menu S-Same"));
    EXPECT_TRUE(b.tk.sawPrompt("  Thickness=25.00  K=9.80  Material=Alumi"));
    ChipSize want = chipSize(10.0, 9.8, 0.025, 0.100);
    char buf[64];
    std::snprintf(buf, sizeof buf, "0.100 x %.3f x 0.025 In.  Alumi", want.length);
    EXPECT_EQ(b.k.design.branches[1].description, buf);
    EXPECT_TRUE(b.tk.sawPrompt(" <Enter> for square chip.") == false);
    EXPECT_TRUE(b.tk.sawPrompt(" Chip is SQUARE"));
}

TEST(ChipCapacitor, SpecialMaterialMultilayerAndQuit) {
    Bench b;
    b.k.current = 3; // 2.2 pF series
    b.keys({"K", "40", "T", "5", "X"});
    b.k.chipCapacitor(b.tk, nullptr);
    ChipSize s = chipSize(2.2, 40.0, 0.005, 0.0);
    char buf[80];
    std::snprintf(buf, sizeof buf, "%.3f x %.3f x 0.005 In.  <--?  K=40.000", s.width, s.length);
    EXPECT_EQ(b.k.design.branches[3].description, buf);
    EXPECT_TRUE(b.tk.sawPrompt("  Thickness=5.00  K=40.00  Material=(Special)"));

    // A non-positive K or thickness is refused.
    b.tk.log.clear();
    b.keys({"K", "-3", "T", "0", "A"});
    b.k.chipCapacitor(b.tk, nullptr);
    EXPECT_TRUE(b.tk.sawPrompt("  Thickness=10.00  K=12.00  Material=NPO c"));
    EXPECT_EQ(b.k.design.branches[3].description, "0.055 x 0.055 x 0.055 In.  50 cube");

    b.k.design.branches[3].changed = false;
    b.keys({"Q"});
    b.k.chipCapacitor(b.tk, nullptr);
    EXPECT_EQ(b.k.design.branches[3].description, "0.055 x 0.055 x 0.055 In.  50 cube");
    EXPECT_FALSE(b.k.design.branches[3].changed);
}

TEST(ChipCapacitor, MenuKeyTakesTheDefaultsOrClosesForAnotherMenu) {
    Bench b;
    b.k.current = 1;
    bool change = false;
    auto dialog = [&]() {
        b.k.defaults.material = b.k.menu.materials[2]; // Alumina
        b.k.defaults.chipSide = 150.0;
        return change;
    };
    b.keys({"M", "X"});
    b.k.chipCapacitor(b.tk, dialog);
    ChipSize want = chipSize(10.0, 9.8, 0.025, 0.150);
    char buf[64];
    std::snprintf(buf, sizeof buf, "0.150 x %.3f x 0.025 In.  Alumi", want.length);
    EXPECT_EQ(b.k.design.branches[1].description, buf);
    EXPECT_TRUE(b.tk.sawPrompt("Material selected (Menu): D-Default M-Menu"));

    change = true;
    b.k.current = 4;
    b.k.design.branches[4].description.clear();
    b.keys({"M"});
    EXPECT_EQ(b.k.chipCapacitor(b.tk, dialog), ChipOutcome::ChangeMenu);
    EXPECT_TRUE(b.k.design.branches[4].description.empty());
}

TEST(ChipCapacitor, DuplicateRules) {
    Bench b({{50, 'R', 1, ""},
             {10e-12, 'C', 2, ""},
             {10.04e-12, 'C', 2, ""},
             {10.06e-12, 'C', 2, ""},
             {10e-9, 'L', 3, ""},
             {10e-12, 'C', 3, ""},
             {50, 'R', 1, ""},
             {1e8, 'x', 1, ""}});
    b.k.design.branches[5].description = "old";
    b.k.current = 1;
    b.keys({"A"});
    b.k.chipCapacitor(b.tk, nullptr);
    auto& br = b.k.design.branches;
    EXPECT_EQ(br[2].description, br[1].description); // within 0.5 %
    EXPECT_TRUE(br[3].description.empty());          // 0.6 % off
    EXPECT_EQ(br[5].description, "old");             // defined already
    b.k.defaults.duplicate = DuplicateRule::Always;
    b.keys({"B"});
    b.k.chipCapacitor(b.tk, nullptr);
    EXPECT_EQ(br[5].description, br[1].description);
    EXPECT_TRUE(br[4].description.empty()); // an inductor never
    b.k.defaults.duplicate = DuplicateRule::Never;
    b.keys({"A"});
    b.k.chipCapacitor(b.tk, nullptr);
    EXPECT_NE(br[2].description, br[1].description);
}

TEST(Hairpin, QuarterWaveAndTwoWireImpedance) {
    // A quarter wave at 100 MHz, in inches, from the speed of light.
    double omega = 2 * M_PI * 100e6;
    EXPECT_NEAR(lineLengthInches(M_PI / 2, omega), kC / 100e6 / 4 / kInch, 1e-3);
    // The spacing gives back the impedance by the exact two-wire formula
    // Z0 = (eta0 / pi) acosh(s / d), and the wires never overlap.
    double d = 0.032;
    for (double z0 : {30.0, 50.0, 83.0, 150.0, 300.0}) {
        double s = hairpinSpacing(z0, d);
        EXPECT_GT(s, d) << z0;
        EXPECT_NEAR(kEta0 / M_PI * std::acosh(s / d), z0, z0 * 2e-3) << z0;
    }
    Hairpin h = hairpin(50.0, M_PI / 2, omega, 20, 0.1);
    EXPECT_NEAR(h.wire, 2 * h.length + h.spacing + 0.2, 1e-12);
}

TEST(Hairpin, WindowUsesTheNearestLineFrequencyAndItsGauge) {
    // 200 MHz line frequency above branch 5; the data branch (negative) at 4
    // is not a frequency; a D after an inductor is no hairpin.
    Bench b({{50, 'R', 1, ""},
             {200e6, 'F', 22, ""},
             {50, 'Z', 23, ""},
             {M_PI / 2, 'D', 23, ""},
             {-1, '1', 22, "    data.frx"},
             {90, 'Z', 16, ""},
             {M_PI / 2, 'D', 16, ""},
             {10e-9, 'L', 3, ""},
             {1.0, 'D', 50, ""},
             {50, 'R', 1, ""},
             {1e8, 'x', 1, ""}});
    b.k.current = 6;
    b.keys({"G", "18", "X"});
    ASSERT_TRUE(b.k.hairpin(b.tk));
    double len = kC / 200e6 / 4 / kInch;
    double d18 = 0.46 / std::pow(92.0, 21.0 / 39.0);
    double s = d18 * std::cosh(90.0 / 120.0);
    double lead = 3 * 0.46 / std::pow(92.0, 23.0 / 39.0); // the defaults: #20
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.3f x %.3f      Hairpin of #18 wire %.3f long", s, len,
                  2 * len + s + 2 * lead);
    EXPECT_EQ(b.k.design.branches[6].description, buf);
    EXPECT_TRUE(b.tk.sawPrompt(" X-eXit  Q-Quit  G-wire Gauge (#18)"));
    EXPECT_EQ(b.k.hairpinGauge, 18); // kept for the next hairpin

    b.k.current = 8;
    EXPECT_FALSE(b.k.hairpin(b.tk));
    EXPECT_TRUE(b.tk.sawNotice(" Invalid branch "));

    b.k.current = 3;
    b.keys({"Q"});
    EXPECT_FALSE(b.k.hairpin(b.tk));
    EXPECT_TRUE(b.k.design.branches[3].description.empty());
}

TEST(Coil, SetupNeedsAGaugeAndUsesThePairResonance) {
    Bench b({{50, 'R', 1, ""},
             {100e-9, 'L', 4, ""},
             {10e-12, 'C', 4, ""},
             {100e-9, 'L', 3, ""},
             {50, 'R', 1, ""},
             {50e6, 'x', 1, ""}});
    coil::CoilBranchSetup s;
    b.k.defaults.setGauge(0);
    b.k.current = 1;
    EXPECT_FALSE(b.k.coilSetup(s, b.tk));
    EXPECT_TRUE(b.tk.sawNotice("Wire gauge not set"));
    b.k.defaults.setGauge(24);
    EXPECT_NEAR(b.k.defaults.leadLength, 3 * 1000 * 0.46 / std::pow(92.0, 27.0 / 39.0), 1e-9);
    ASSERT_TRUE(b.k.coilSetup(s, b.tk));
    EXPECT_DOUBLE_EQ(s.inductance, 0.1);
    EXPECT_NEAR(s.frequency, 1.0 / (2 * M_PI * std::sqrt(100e-9 * 10e-12)) * 1e-6, 1e-9);
    b.k.current = 3;
    ASSERT_TRUE(b.k.coilSetup(s, b.tk));
    EXPECT_DOUBLE_EQ(s.frequency, 50.0);
    b.k.storeCoil("0.262 x 0.310 In.   6.3 turns #24 AWG on 0.199 dia. #8 Qu=185");
    b.k.current = 1;
    b.k.storeCoil("0.262 x 0.310 In.   6.3 turns #24 AWG on 0.199 dia. #8 Qu=150");
    EXPECT_EQ(averageQ(b.k.design), 167);
}

TEST(Materials, MenuReadingAndMaterialOptions) {
    Bench b;
    const auto& m = b.k.menu.materials;
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(b.k.menu.defaultIndex(), 0);
    EXPECT_TRUE(m[1].separator());
    EXPECT_TRUE(m[3].separator()); // no thickness: never chosen
    EXPECT_EQ(m[2].key(), 'A');
    EXPECT_DOUBLE_EQ(m[2].k, 9.8);
    EXPECT_EQ(b.k.menu.find("Alumi"), 2);
    ui::ScriptedToolkit tk;
    MaterialMenu keep = b.k.menu;
    EXPECT_FALSE(b.k.loadMenu(b.dir.file("none.kdx"), tk));
    EXPECT_TRUE(tk.sawNotice("Menu file not found"));
    EXPECT_EQ(b.k.menu.materials.size(), keep.materials.size());

    b.k.design.branches[3].description = "0.092 x 0.092 x 0.010 In.  NPO c";
    b.k.design.branches[3].sitsOn = 1;
    b.k.design.branches[1].description = "0.211 x 0.211 x 0.010 In.  NPO c";
    MaterialOptions o = b.k.materialOptions(3);
    ASSERT_EQ(o.lines.size(), 2u);
    EXPECT_TRUE(o.lines[0].current);
    EXPECT_TRUE(o.lines[0].isDefault);
    EXPECT_EQ(o.lines[1].text.substr(0, 11), " A  Alumin ");
    EXPECT_NEAR(o.lines[1].width, std::sqrt(2.2 * 0.025 / (0.2246 * 9.8)) * 1000, 0.01);
    EXPECT_EQ(o.onChip, 1);
    EXPECT_DOUBLE_EQ(o.chipWidth, 211.0);
    // The drawing scale keeps the larger chip between 20 and 235 pixels.
    EXPECT_GE(0.211 * o.scale, 20.0);
    EXPECT_LE(0.211 * o.scale, 235.0);
}

TEST(Materials, MangledMenusAndJobFilesReadSafely) {
    ScratchDir dir;
    std::mt19937 rng(23);
    const std::string good = "NPO ceramic                            12.0    0.010\r\n"
                             "---\r\n"
                             "Alumina                                9.8     0.025\r\n";
    for (int round = 0; round < 300; ++round) {
        std::string s = good;
        for (int e = 0; e < 4 && !s.empty(); ++e) {
            std::size_t at = rng() % s.size();
            if (rng() % 2)
                s[at] = static_cast<char>(rng());
            else
                s.resize(at);
        }
        if (round % 50 == 0) s = std::string(5000, 'A') + "\n" + s; // long lines
        dir.write("m.kdx", s);
        MaterialMenu m;
        ASSERT_TRUE(readMaterialMenu(dir.file("m.kdx"), m));
        ASSERT_LE(m.materials.size(), 30u);
        for (const auto& mat : m.materials) {
            ASSERT_LE(mat.name.size(), 37u);
            if (!mat.separator()) {
                ASSERT_TRUE(mat.k > 0.0 && mat.thickness > 0.0);
            }
        }
        dir.write("j.dat", s);
        JobFile j = readJobFile(dir.file("j.dat"));
        EXPECT_TRUE(j.existed);
    }
}
