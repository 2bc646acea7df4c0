// The S-parameter writer against a nodal solution of the same network, the
// identities of a lossless reciprocal two-port, the exact restoration of
// the design after the two sweeps, refusals, and the file's text.
#include "analysis/s_parameters.h"
#include "nodal_oracle.h"
#include "schematic/network_edit.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

using namespace tanvex;
using namespace tanvex::analysis;
using C = std::complex<double>;

namespace {

bool turn(EntryList& list) {
    return schematic::reverseNetwork(list) != schematic::ReverseResult::kRefused;
}

C polar(double db, double deg) {
    return std::polar(std::pow(10.0, db / 20.0), deg * M_PI / 180.0);
}

struct Bench {
    std::unique_ptr<Design> design = std::make_unique<Design>();
    std::unique_ptr<ResultsTable> table = std::make_unique<ResultsTable>();
    SweepOptions options;
    ui::ScriptedToolkit tk;
    NoDataServices data{tk};
    NoAnalysisViews views;
    SParameterRun run{*design, *table, options, tk, data, views, turn};

    // An asymmetric network (75 ohm termination, 30 ohm source) with series
    // and shunt arms, a resonator, a line, a stub, a reference-frequency
    // marker, a transformer and a Q exception; 10..400 MHz in 40 points.
    explicit Bench(bool lossy) {
        EntryList& e = design->entries;
        int i = 0;
        auto put = [&](double v, char l, int c) { setEntry(e, i++, v, l, c); };
        put(75.0, 'R', 1);
        put(22e-12, 'C', 2);
        put(1.7, 'N', 24);
        put(120e-9, 'L', 3);
        put(2.0e8, 'F', 22);
        put(60.0, 'Z', 23);
        put(0.6, 'D', 23);
        put(35e-9, 'L', 4);
        put(47e-12, 'C', 4);
        if (lossy) put(40.0, '1', 44);
        put(68e-12, 'C', 2);
        put(90.0, 'Z', 18);
        put(0.3, 'D', 18);
        put(1.0, 'T', 21); // a report tap must not stand in for the input impedance
        put(82e-9, 'L', 5);
        put(10e-12, 'C', 5);
        put(15e-12, 'C', 2);
        put(30.0, 'R', 1);
        put(1e8, 'x', 1);
        completeSettingsString(design->record);
        design->record[kSlotSettings].text[kSettingSpacing] = '0';
        design->analysis = {10.0, 400.0, -40.0, lossy ? 80.0 : 0.0, lossy ? 300.0 : 0.0, 0.0, 0.0};
        setDesignName(*design, "asym");
    }
};

TEST(SParameters, MatchNodalSolutionOfBothOrientations) {
    Bench b(true);
    const auto original = std::make_unique<EntryList>(b.design->entries);
    std::vector<SPoint> points;
    ASSERT_EQ(b.run.compute(50.0, points), 0) << b.run.why();
    ASSERT_EQ(points.size(), 40u);
    // The tap did report: the table's impedance fields are not the input's.
    EXPECT_EQ(b.table->records[0][kHeaderSourceR], 0.0f);

    // Oracle: the circuit solved node by node, ends at 50 ohms, in its own
    // orientation (S11, S12) and turned (S22, S21).
    auto own = std::make_unique<EntryList>(*original);
    auto turned = std::make_unique<EntryList>(*original);
    ASSERT_TRUE(turn(*turned));
    for (EntryList* l : {own.get(), turned.get()}) {
        (*l)[0].value = 50.0;
        (*l)[entryCount(*l)].value = 50.0;
    }
    oracle::OracleSettings s;
    s.ql = 80.0;
    s.qc = 300.0;
    double worst = 0.0;
    for (const SPoint& p : points) {
        const auto a = oracle::solveNetwork(*own, p.frequency, s);
        const auto t = oracle::solveNetwork(*turned, p.frequency, s);
        ASSERT_TRUE(a.ok && t.ok) << a.problem << t.problem;
        const C s11 = (a.zin - 50.0) / (a.zin + 50.0);
        const C s22 = (t.zin - 50.0) / (t.zin + 50.0);
        const C s12 = 2.0 * a.transfer, s21 = 2.0 * t.transfer;
        worst = std::max({worst, std::abs(polar(p.s11db, p.s11deg) - s11),
                          std::abs(polar(p.s22db, p.s22deg) - s22),
                          std::abs(polar(p.s12db, p.s12deg) - s12),
                          std::abs(polar(p.s21db, p.s21deg) - s21)});
    }
    EXPECT_LT(worst, 1e-6);
    // The network has losses, so the file must say so somewhere.
    double loss = 0.0;
    for (const SPoint& p : points)
        loss = std::max(loss, 1.0 - std::norm(polar(p.s11db, p.s11deg)) -
                                  std::norm(polar(p.s21db, p.s21deg)));
    EXPECT_GT(loss, 1e-3);
}

TEST(SParameters, LosslessNetworkGivesUnitaryReciprocalMatrix) {
    Bench b(false);
    std::vector<SPoint> points;
    ASSERT_EQ(b.run.compute(50.0, points), 0) << b.run.why();
    double worst = 0.0, asym = 0.0;
    for (const SPoint& p : points) {
        const C s11 = polar(p.s11db, p.s11deg), s12 = polar(p.s12db, p.s12deg);
        const C s21 = polar(p.s21db, p.s21deg), s22 = polar(p.s22db, p.s22deg);
        // S^H S = I, element by element.
        worst = std::max({worst, std::abs(std::norm(s11) + std::norm(s21) - 1.0),
                          std::abs(std::norm(s12) + std::norm(s22) - 1.0),
                          std::abs(std::conj(s11) * s12 + std::conj(s21) * s22)});
        asym = std::max(asym, std::abs(s21 - s12));
    }
    // The walk's own rounding (its trigonometry) stays near 1e-7.
    EXPECT_LT(worst, 2e-6);
    EXPECT_LT(asym, 2e-6);
}

TEST(SParameters, DesignIsRestoredExactlyAndTableDescribesItAgain) {
    Bench b(true);
    b.options.returnLossReference = '1';
    b.options.referenceImpedance = 75.0;
    const auto before = std::make_unique<EntryList>(b.design->entries);
    std::vector<SPoint> points;
    ASSERT_EQ(b.run.compute(50.0, points), 0);
    EXPECT_EQ(std::memcmp(before.get(), &b.design->entries, sizeof(EntryList)), 0);
    EXPECT_EQ(b.options.returnLossReference, '1');
    // The table holds the design's own sweep (75 ohm reference), not the
    // last S-parameter sweep.
    auto fresh = std::make_unique<ResultsTable>();
    SweepOptions o = b.options;
    SweepEvaluator sweep(*b.design, *fresh, o, b.tk, b.data, b.views);
    ASSERT_EQ(sweep.analyse(1), 0);
    EXPECT_EQ(fresh->records, b.table->records);
}

TEST(SParameters, RefusalsWriteNothingAndKeepTheDesign) {
    {
        Bench b(false);
        const auto before = std::make_unique<EntryList>(b.design->entries);
        std::vector<SPoint> points;
        for (double z0 : {0.0, -50.0, std::nan(""), HUGE_VAL}) {
            EXPECT_EQ(b.run.compute(z0, points), 1);
            EXPECT_TRUE(points.empty());
            EXPECT_FALSE(b.run.why().empty());
        }
        EXPECT_EQ(std::memcmp(before.get(), &b.design->entries, sizeof(EntryList)), 0);
    }
    {
        // A side port cannot be turned end for end.
        Bench b(false);
        setEntry(b.design->entries, 1, 50.0, 'R', 8);
        const auto before = std::make_unique<EntryList>(b.design->entries);
        std::vector<SPoint> points;
        EXPECT_EQ(b.run.compute(50.0, points), 1);
        EXPECT_EQ(b.run.why(), kCantTurnNetwork);
        EXPECT_EQ(std::memcmp(before.get(), &b.design->entries, sizeof(EntryList)), 0);
    }
    {
        // A data branch whose data cannot be read fails the sweep.
        Bench b(false);
        setEntry(b.design->entries, 1, -1.0, '2', 22);
        const auto before = std::make_unique<EntryList>(b.design->entries);
        std::vector<SPoint> points;
        EXPECT_EQ(b.run.compute(50.0, points), 1);
        EXPECT_TRUE(points.empty());
        EXPECT_FALSE(b.run.why().empty());
        EXPECT_EQ(std::memcmp(before.get(), &b.design->entries, sizeof(EntryList)), 0);
    }
    {
        // A failed sweep (start above stop) through the interactive command:
        // the reason, no "File is:", no file.
        Bench b(false);
        b.design->analysis[0] = 500.0;
        const auto dir = std::filesystem::temp_directory_path() / "tanvex_s2p_fail";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        b.tk.answers.push_back("50");
        const auto before = std::make_unique<EntryList>(b.design->entries);
        EXPECT_EQ(b.run.run(dir.string()), 1);
        EXPECT_FALSE(std::filesystem::exists(dir / "asym.S2P"));
        EXPECT_EQ(std::memcmp(before.get(), &b.design->entries, sizeof(EntryList)), 0);
        for (const auto& n : b.tk.notices()) EXPECT_EQ(n.find("File is:"), std::string::npos) << n;
        EXPECT_FALSE(b.tk.notices().empty());
    }
}

TEST(SParameters, FileTextSeparatesEveryNumber) {
    std::vector<SPoint> points(2);
    points[0] = {1.5e9, -3.25, 179.5, 0.0, -0.5, -1e-5, 12.0, -40.0, -180.0};
    points[1] = {123456789.123, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0};
    const std::string text = formatS2p(points, "asym", 75.0);
    std::istringstream in(text);
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(in, line)) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r');
        line.pop_back();
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "! Generated by Brenmark Engineering TANVEX.  file: asym");
    EXPECT_EQ(lines[1], "# Hz S DB R 75 ");
    EXPECT_EQ(lines[3], "1.5e+09 -3.2500e+00  1.7950e+02  0.0000e+00 -5.0000e-01 -1.0000e-05 "
                        " 1.2000e+01 -4.0000e+01 -1.8000e+02 ");
    // Nine numbers per point, the frequency to nine digits.
    std::istringstream p(lines[4]);
    double v[10];
    int count = 0;
    while (count < 10 && p >> v[count]) ++count;
    EXPECT_EQ(count, 9);
    EXPECT_DOUBLE_EQ(v[0], 123456789.0);

    EXPECT_DOUBLE_EQ(wrapDegrees(540.0), 180.0);
    EXPECT_DOUBLE_EQ(wrapDegrees(-190.0), 170.0);
    EXPECT_DOUBLE_EQ(wrapDegrees(-180.0), 180.0);
    EXPECT_DOUBLE_EQ(wrapDegrees(-1070.0), 10.0);
}

} // namespace
