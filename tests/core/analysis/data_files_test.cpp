// Data branches and equalizer data: sweeps through .frx / .fit branches
// against a hand calculation of the same ladder, the readers' tolerance of
// real-world files, smoothing against moving averages of known sequences,
// slots, prompts and the .eqd table.
#include "analysis/analysis_constants.h"
#include "analysis/data_files.h"
#include "analysis/sweep.h"
#include "design/design_file.h"
#include "design/text_io.h"
#include "ui/scripted_toolkit.h"

#include "../design/test_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

using namespace tanvex;
using namespace tanvex::analysis;
using C = std::complex<double>;

namespace {

struct Collector : SweepObserver {
    std::vector<PointValues> points;
    void point(int, const PointValues& v, const NetworkInterpreter&) override {
        points.push_back(v);
    }
};

// Straight-line interpolation through a table, extended beyond both ends
// (written independently of the service's search).
C lineThrough(const std::vector<std::array<double, 3>>& t, double fMHz) {
    std::size_t i = 1;
    while (i + 1 < t.size() && t[i][0] < fMHz) ++i;
    const auto& a = t[i - 1];
    const auto& b = t[i];
    const double u = (fMHz - a[0]) / (b[0] - a[0]);
    return {a[1] + u * (b[1] - a[1]), a[2] + u * (b[2] - a[2])};
}

struct Bench {
    test::ScratchDir dir;
    Design design;
    ResultsTable table;
    SweepOptions options;
    ui::ScriptedToolkit tk;
    DataFileServices data{design, tk};
    NoAnalysisViews views;
    Collector collector;

    Bench() {
        newDesign(design.entries);
        completeSettingsString(design.record);
        design.record[kSlotSettings].text[kSettingSpacing] = '0';
        design.record[kSlotSettings].text[kSettingDelayAuto] = '0';
        data.directory = dir.str();
    }
    // Termination 50, shunt data branch (value, slot letter), series L,
    // second shunt data branch, source 50; reference 10 MHz.
    void ladder(double v1, char l1, double v2, char l2) {
        setEntry(design.entries, 0, 50.0, 'R', 1);
        setEntry(design.entries, 1, v1, l1, 22);
        setEntry(design.entries, 2, 100e-9, 'L', 3);
        setEntry(design.entries, 3, v2, l2, 22);
        setEntry(design.entries, 4, 50.0, 'R', 1);
        setEntry(design.entries, 5, 1e7, 'x', 1);
    }
    int sweep(double from, double to, int points) {
        design.analysis = {from, to, -static_cast<double>(points), 0.0, 0.0, 0.0, from};
        collector.points.clear();
        SweepEvaluator s(design, table, options, tk, data, views);
        s.setObserver(&collector);
        return s.analyse(2);
    }
};

// Attenuation and return loss of the 50-ohm ladder RL || Z1, series L, Z2,
// source 50, worked out with complex arithmetic.
void handLadder(C z1, C z2, double fHz, double& att, double& rl) {
    const double rs = 50.0, rload = 50.0;
    const C zl(0.0, kOmega * fHz * 100e-9);
    const C a = 1.0 / (1.0 / rload + 1.0 / z1); // RL || Z1
    const C b = a + zl;
    const C zin = 1.0 / (1.0 / b + 1.0 / z2);
    const C vin = zin / (zin + rs); // per volt of source
    const C vload = vin * (a / b);
    att = -10.0 * std::log10(4.0 * rs / rload * std::norm(vload));
    rl = -20.0 * std::log10(std::abs((zin - rs) / (zin + rs)));
}

const std::vector<std::array<double, 3>> kPoints = {
    {2.0, 30.0, -40.0}, {3.5, 45.0, -12.0}, {4.0, 60.0, 5.0}, {7.0, 20.0, 25.0}, {9.0, 80.0, 60.0}};

std::string frxText(const std::vector<std::array<double, 3>>& pts) {
    std::string s;
    for (const auto& p : pts) s += formatText("%g, %g, %g\r\n", p[0], p[1], p[2]);
    return s;
}

} // namespace

TEST(DataBranchSweep, FrxAndFitBranchesAgreeWithHandCalculation) {
    Bench b;
    b.ladder(-9.0, '0', -8.0, '1');
    b.design.names[0] = "load1";
    b.design.names[1] = "poly";
    b.dir.write("load1.frx", frxText(kPoints));
    // R = 40 + 2x - 0.1x^2, X = -30 + 5x + 0.05x^2, x in MHz.
    b.dir.write("poly.fit", "40, -30\r\n2, 5\r\n-0.1, 0.05\r\n");
    // 1 .. 11 MHz: below the first point, between, above the last.
    ASSERT_EQ(b.sweep(1.0, 11.0, 41), 0);
    ASSERT_EQ(b.collector.points.size(), 41u);
    double worst = 0.0;
    for (const PointValues& p : b.collector.points) {
        const double x = p.frequency * 1e-6;
        const C z1 = lineThrough(kPoints, x);
        const C z2(40 + 2 * x - 0.1 * x * x, -30 + 5 * x + 0.05 * x * x);
        double att = 0, rl = 0;
        handLadder(z1, z2, p.frequency, att, rl);
        worst = std::max({worst, std::fabs(att - p.attenuation), std::fabs(rl - p.returnLoss)});
    }
    EXPECT_LT(worst, 1e-4);
    RecordProperty("worst_db", formatText("%.2e", worst));
    // Each file was asked for once, with the name from the design as default.
    int inputs = 0;
    for (const auto& l : b.tk.log) inputs += l.rfind("INPUT: ", 0) == 0;
    EXPECT_EQ(inputs, 2);
    EXPECT_TRUE(b.tk.sawPrompt("File name for branch 1 (__.FRX assumed)"));
    EXPECT_TRUE(b.tk.sawPrompt("File name for branch 3 (__.FIT assumed)"));
    EXPECT_TRUE(b.tk.sawPrompt("Press [eXit] from analysis to reset."));

    // A descending sweep moves the search position back and still agrees.
    b.data.resetImpedance();
    ASSERT_EQ(b.sweep(11.0, 0.0, 1), 0);
    ASSERT_EQ(b.sweep(1.0, 0.0, 1), 0); // single frequency after the 11 MHz one
    const C z1 = lineThrough(kPoints, 1.0);
    double att = 0, rl = 0;
    handLadder(z1, C(41.9, -24.95), 1e6, att, rl);
    EXPECT_NEAR(b.collector.points[0].attenuation, att, 1e-4);
}

TEST(DataBranchFiles, LineEndsReactanceFormsAndBadPoints) {
    Bench b;
    b.ladder(-9.0, '0', -9.0, '1');
    b.design.names[0] = "a";
    b.design.names[1] = "b";
    // Bare LF, a header line, j forms, a repeated and a falling frequency,
    // and a last line without a line end.
    b.dir.write("a.frx", "MHz, Ohms\n1,10,-j10\n2,20,+j10\n2,99,99\n1.5,99,99\n3,30,j-10\n"
                         "4 MHz, 40 Ohm, - j 5");
    b.dir.write("b.frx", "1,1e6,0\r\n100,1e6,0\r\n");
    ASSERT_EQ(b.sweep(1.0, 4.0, 7), 0);
    EXPECT_TRUE(b.tk.sawNotice("a.frx: 2 points skipped, the frequencies must ascend."));
    const DataSlot& s = b.data.slot(0);
    ASSERT_EQ(s.count, 4);
    EXPECT_DOUBLE_EQ(s.points[1].x, -10.0);
    EXPECT_DOUBLE_EQ(s.points[2].x, 10.0);
    EXPECT_DOUBLE_EQ(s.points[3].x, -10.0);
    EXPECT_DOUBLE_EQ(s.points[4].f, 4e6); // the last character of an unterminated line
    EXPECT_DOUBLE_EQ(s.points[4].x, -5.0);
    for (const PointValues& p : b.collector.points) EXPECT_TRUE(std::isfinite(p.attenuation));

    double v[3];
    EXPECT_EQ(readDataFields("", v, 3), 0);
    EXPECT_EQ(readDataFields("MHz dB", v, 3), 0); // an .eqd header
    EXPECT_EQ(readDataFields("1,2", v, 3), 2);
    EXPECT_EQ(readDataFields("1,2,3,4", v, 3), 4);
    EXPECT_EQ(readDataFields(" 1.5e3 , -J2.5E-1 ", v, 3), 2);
    EXPECT_DOUBLE_EQ(v[0], 1500.0);
    EXPECT_DOUBLE_EQ(v[1], -0.25);
}

TEST(DataBranchFiles, MissingShortAndCancelledFiles) {
    Bench b;
    b.ladder(-9.0, '0', 1e7, 'F'); // second code 22 is a reference frequency
    b.design.names[0] = "nothere";
    b.dir.write("one.frx", "1,50,0\r\n");
    b.dir.write("good.frx", "1,50,0\r\n9,50,0\r\n");
    // Missing, then a one-point file, then a good one: asked three times.
    b.tk.answer("nothere");
    b.tk.answer("one");
    b.tk.answer("good");
    ASSERT_EQ(b.sweep(2.0, 3.0, 2), 0);
    EXPECT_TRUE(b.tk.sawNotice("Can't open: nothere.frx"));
    EXPECT_TRUE(b.tk.sawNotice("one.frx holds fewer than two points."));
    EXPECT_EQ(b.design.names[0], "good");
    double att = 0, rl = 0;
    handLadder(C(50.0, 0.0), C(1e30, 0.0), 2e6, att, rl);
    EXPECT_NEAR(b.collector.points[0].attenuation, att, 1e-6);

    // Esc in the file box ends the analysis.
    b.data.reset();
    b.design.names[0] = "nothere";
    b.tk.answer(ui::ScriptedToolkit::kEscAnswer);
    EXPECT_EQ(b.sweep(2.0, 3.0, 2), 1);

    // Batch use stops at the first file that cannot be read.
    b.data.stopOnMissingFile = true;
    const auto before = b.tk.notices().size();
    EXPECT_EQ(b.sweep(2.0, 3.0, 2), 1);
    EXPECT_EQ(b.tk.notices().size(), before + 1);
    EXPECT_EQ(b.tk.notices().back(), "Can't open: nothere.frx");
}

TEST(DataBranchSmoothing, MovingAverageOfKnownSequences) {
    // R linear and X quadratic in the point index i: the mean over
    // i = m .. m+2k is R(m+k) and (m+k)^2 + k(k+1)/3.
    std::vector<DataPoint> pts(41);
    for (int i = 1; i <= 40; ++i)
        pts[static_cast<std::size_t>(i)] = {1e6 * i * i, 3.0 + 2.0 * i, 1.0 * i * i};
    const int n = smoothPoints(pts, 40, 2);
    ASSERT_EQ(n, 36);
    for (int m = 1; m <= n; ++m) {
        const double c = m + 2;
        EXPECT_DOUBLE_EQ(pts[static_cast<std::size_t>(m)].f, 1e6 * c * c);
        EXPECT_NEAR(pts[static_cast<std::size_t>(m)].r, 3.0 + 2.0 * c, 1e-12);
        EXPECT_NEAR(pts[static_cast<std::size_t>(m)].x, c * c + 2.0, 1e-9);
    }
    EXPECT_EQ(smoothPoints(pts, 5, 2), 5); // would leave one point: left alone

    // The prompt appears above 29 points only; the digit typed is used.
    for (int count : {29, 30, 40}) {
        Bench b;
        b.ladder(-9.0, '0', 1e7, 'F');
        b.design.names[0] = "many";
        std::string text;
        for (int i = 1; i <= count; ++i) text += formatText("%d,%d,0\r\n", i, 10 * i);
        b.dir.write("many.frx", text);
        b.tk.answer("many");
        b.tk.answer("2");
        ASSERT_EQ(b.sweep(5.0, 0.0, 1), 0);
        const bool asked = b.tk.sawPrompt("  Smoothing factor branch 1  ");
        EXPECT_EQ(asked, count > 29) << count;
        EXPECT_EQ(b.data.slot(0).count, count > 29 ? count - 4 : count);
        if (count == 40) {
            EXPECT_DOUBLE_EQ(b.data.slot(0).points[1].f, 3e6);
            EXPECT_DOUBLE_EQ(b.data.slot(0).points[1].r, 30.0); // mean of 10..50
        }
    }
}

TEST(DataBranchFit, PolynomialInDisplayUnitsAndRepeatable) {
    Bench b;
    b.ladder(-8.0, '0', 1e7, 'F');
    b.design.names[0] = "f";
    // Ten lines: degree 9; an eleventh line is not read.
    std::string text;
    for (int i = 0; i < 11; ++i)
        text += formatText("%g,%g\r\n", i == 0 ? 10.0 : 1e-3, 0.5 * (i == 1));
    b.dir.write("f.fit", text);
    double r = 0, x = 0;
    ASSERT_EQ(b.data.dataImpedance(2e6, 1, r, x), DataAnswer::kReady);
    EXPECT_EQ(b.data.slot(0).count, 9);
    double expect = 10.0;
    for (int i = 1; i <= 9; ++i) expect += 1e-3 * std::pow(2.0, i);
    EXPECT_NEAR(r, expect, 1e-12);
    EXPECT_NEAR(x, 1.0, 1e-12);
    double r2 = 0, x2 = 0;
    ASSERT_EQ(b.data.dataImpedance(2e6, 1, r2, x2), DataAnswer::kReady);
    EXPECT_EQ(r, r2);
    EXPECT_EQ(x, x2);
    // Microwave notation: the same file reads x in GHz.
    applyElectricalNotation(b.design.notation, kNotationMicrowave);
    ASSERT_EQ(b.data.dataImpedance(2e9, 1, r2, x2), DataAnswer::kReady);
    EXPECT_NEAR(r2, expect, 1e-12);
}

TEST(DataBranchSlots, AssignmentTenthEleventhAndNameChange) {
    Bench b;
    // Eleven unassigned data branches in shunt, then the source.
    setEntry(b.design.entries, 0, 50.0, 'R', 1);
    for (int i = 1; i <= 11; ++i) setEntry(b.design.entries, i, -9.0, 'R', 22);
    setEntry(b.design.entries, 12, 50.0, 'R', 1);
    setEntry(b.design.entries, 13, 1e7, 'x', 1);
    b.design.record[14].setText("ext");
    b.dir.write("ext.frx", "1,1e6,0\r\n2,1e6,0\r\n");
    double r = 0, x = 0;
    for (int i = 1; i <= 9; ++i) {
        ASSERT_EQ(b.data.dataImpedance(1e6, i, r, x), DataAnswer::kReady);
        EXPECT_EQ(b.design.entries[static_cast<std::size_t>(i)].letter, '0' + i - 1);
        EXPECT_EQ(b.design.names[static_cast<std::size_t>(i - 1)], "ext");
    }
    EXPECT_FALSE(b.tk.sawNotice("All data branches used"));
    ASSERT_EQ(b.data.dataImpedance(1e6, 10, r, x), DataAnswer::kReady);
    EXPECT_EQ(b.design.entries[10].letter, '9');
    EXPECT_TRUE(b.tk.sawNotice("All data branches used"));
    // The eleventh is refused, not served from slot 9's file.
    EXPECT_EQ(b.data.dataImpedance(1e6, 11, r, x), DataAnswer::kUnavailable);
    EXPECT_EQ(b.design.entries[11].letter, 'R');

    // Name change: the next request answers from the table in hand and
    // marks every slot not loaded; the one after asks for the file.
    b.dir.write("other.frx", "1,7,0\r\n2,7,0\r\n");
    b.design.names[3] = "other";
    ASSERT_EQ(b.data.dataImpedance(1e6, 4, r, x), DataAnswer::kReady);
    EXPECT_DOUBLE_EQ(r, 1e6);
    for (int s = 0; s < kDataSlots; ++s) EXPECT_FALSE(b.data.slot(s).loaded);
    const std::size_t logged = b.tk.log.size();
    ASSERT_EQ(b.data.dataImpedance(1e6, 4, r, x), DataAnswer::kReady);
    EXPECT_DOUBLE_EQ(r, 7.0);
    EXPECT_GT(b.tk.log.size(), logged);
}

TEST(DataBranchFiles, ValueZeroIsNeitherDataNorReferenceAndKeepsNothing) {
    Bench b;
    b.ladder(0.0, '3', -9.0, '4');
    b.design.names[3] = "zero";
    b.design.names[4] = "kept";
    b.dir.write("kept.frx", "1,50,0\r\n9,50,0\r\n");
    ASSERT_EQ(b.sweep(2.0, 3.0, 2), 0);
    int inputs = 0;
    for (const auto& l : b.tk.log) inputs += l.rfind("INPUT: ", 0) == 0;
    EXPECT_EQ(inputs, 1); // only the negative branch asks for a file
    ASSERT_EQ(saveDesign(b.design, b.dir.str(), "zb", b.tk) & kDznFailed, 0);
    Design back;
    ASSERT_EQ(loadDesign(back, b.dir.str(), "zb", b.tk) & kDznFailed, 0);
    EXPECT_EQ(back.names[4], "kept");
    EXPECT_EQ(back.names[3], "");
}

TEST(EqualizerData, TableValuesMarginFailuresAndSaving) {
    Bench b;
    b.dir.write("eq.eqd", "MHz dB\r\n1,2\r\n3,6\r\n5,2\r\n");
    b.tk.answer("eq");
    double v = 0;
    ASSERT_EQ(b.data.dataValue(2e6, kValueAt, v), DataAnswer::kReady);
    EXPECT_DOUBLE_EQ(v, 4.0);
    EXPECT_TRUE(b.tk.sawPrompt("File containing data to equalize"));
    EXPECT_DOUBLE_EQ(b.data.value(4.5e6, kValueAt), 3.0);
    EXPECT_DOUBLE_EQ(b.data.value(5.5e6, kValueAt), 0.0); // beyond the end, no margin
    b.data.margin = 1e6;
    EXPECT_DOUBLE_EQ(b.data.value(5.5e6, kValueAt), 1.0);  // end segment extended
    EXPECT_DOUBLE_EQ(b.data.value(6.01e6, kValueAt), 0.0); // more than one step beyond

    // Kind 1 hands the range to the equalizer; the remembered name is offered.
    EXPECT_DOUBLE_EQ(b.data.value(0.0, kLoadForEqualizer), 0.0);
    EXPECT_EQ(b.tk.log.back(), "INPUT: eq");
    EXPECT_DOUBLE_EQ(b.data.equalizerFirst, 1e6);
    EXPECT_DOUBLE_EQ(b.data.equalizerLast, 5e6);

    // A failed load holds no table and stops a sweep through a data term.
    b.tk.answer("missing");
    EXPECT_DOUBLE_EQ(b.data.value(2e6, kLoadAndValue), -1.0);
    EXPECT_TRUE(b.tk.sawNotice("Can't open: missing.eqd"));
    EXPECT_FALSE(b.data.table().held);
    setEntry(b.design.entries, 0, 50.0, 'R', 1);
    setEntry(b.design.entries, 1, 0.0, 'A', 50);
    setEntry(b.design.entries, 2, 50.0, 'R', 1);
    setEntry(b.design.entries, 3, 1e7, 'x', 1);
    b.tk.answer("missing");
    EXPECT_EQ(b.sweep(1.0, 2.0, 3), 1);
    // With the table the amplitude term adds its dB to the attenuation.
    b.tk.answer("eq");
    b.data.margin = 0.0;
    ASSERT_EQ(b.sweep(1.0, 5.0, 5), 0);
    const double expect[] = {2, 4, 6, 4, 2};
    for (int k = 0; k < 5; ++k)
        EXPECT_NEAR(b.collector.points[static_cast<std::size_t>(k)].attenuation, expect[k], 1e-9);

    // Saving: header, one CR LF line per results point, read back.
    b.data.results = &b.table;
    b.data.equalizerValue = [](int k) { return 0.5 * k; };
    EXPECT_EQ(b.data.value(0.0, kSaveAmplitude), 0.0);
    EXPECT_EQ(b.dir.read("kbd_data.eqd"), "MHz dB\r\n1,0.5\r\n2,1\r\n3,1.5\r\n4,2\r\n5,2.5\r\n");
    EXPECT_TRUE(b.tk.sawNotice("Data saved in file: KBD_DATA.EQD"));
    b.data.value(0.0, kResetData);
    EXPECT_FALSE(b.data.table().held);
    b.tk.answer("kbd_data");
    EXPECT_DOUBLE_EQ(b.data.value(3.5e6, kValueAt), 1.75);
    // More points than a table keeps: said so.
    ASSERT_EQ(b.sweep(1.0, 2.0, 150), 0);
    b.data.value(0.0, kSaveDelay);
    EXPECT_EQ(b.dir.read("kbd_data.eqd").rfind("MHz nSec\r\n", 0), 0u);
    EXPECT_TRUE(b.tk.sawNotice(
        "KBD_DATA.EQD holds 150 points; only the first 100 are read back as equalizer data."));
}

TEST(DataFilesFuzz, RandomAndTruncatedFilesNeverBreakTheReaders) {
    // Random bytes drawn mostly from the characters data files hold, and
    // truncations of a good file: every load either refuses with a notice or
    // gives a table whose frequencies ascend and whose values are finite
    // where the file's were.
    std::mt19937 rng(2112);
    const std::string alphabet = "0123456789.,-+eEj \r\n\t MHzOhms\x01\xff";
    const std::string good = frxText(kPoints);
    for (int round = 0; round < 300; ++round) {
        Bench b;
        b.ladder(round % 3 == 0 ? -8.0 : -9.0, '0', 1e7, 'F');
        b.design.names[0] = "fz";
        std::string text;
        if (round % 4 == 0) {
            text = good.substr(0, rng() % (good.size() + 1));
        } else {
            const std::size_t n = rng() % 200;
            for (std::size_t i = 0; i < n; ++i) text += alphabet[rng() % alphabet.size()];
        }
        b.dir.write("fz.frx", text);
        b.dir.write("fz.fit", text);
        b.dir.write("fz.eqd", text);
        b.data.stopOnMissingFile = true;
        double r = 0, x = 0;
        const DataAnswer a = b.data.dataImpedance(3e6, 1, r, x);
        const DataSlot& s = b.data.slot(0);
        if (a == DataAnswer::kReady && !s.fit) {
            ASSERT_GE(s.count, 2);
            for (int i = 2; i <= s.count; ++i) {
                ASSERT_GT(s.points[static_cast<std::size_t>(i)].f,
                          s.points[static_cast<std::size_t>(i - 1)].f);
            }
        } else if (a != DataAnswer::kReady) {
            ASSERT_FALSE(b.tk.notices().empty());
        }
        b.tk.answer("fz");
        const double v = b.data.value(2e6, kLoadAndValue);
        if (v == -1.0 && !b.data.table().held) {
            ASSERT_FALSE(b.tk.notices().empty());
        }
    }
}
