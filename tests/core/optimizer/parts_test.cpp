// The pieces under the optimizer: the error measure, the command line and
// the standard-value search.
#include "design/network.h"
#include "optimizer/command_parser.h"
#include "optimizer/error_measure.h"
#include "optimizer/standard_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace tanvex;
using namespace tanvex::optimizer;

namespace {

analysis::ResultsTable tableOf(const std::vector<std::array<float, 3>>& points) {
    // frequency, return loss, attenuation
    analysis::ResultsTable t;
    t.records[0][analysis::kHeaderPoints] = static_cast<float>(points.size());
    for (std::size_t k = 0; k < points.size(); ++k) {
        t.records[k + 1][analysis::kFieldFrequency] = points[k][0];
        t.records[k + 1][analysis::kFieldReturnLoss] = points[k][1];
        t.records[k + 1][analysis::kFieldAttenuation] = points[k][2];
        t.records[k + 1][analysis::kFieldDelay] = points[k][2] * 1e-9f;
    }
    return t;
}

// termination, three branches (C, L, C), source, terminator.
EntryList ladder() {
    EntryList l{};
    setEntry(l, 0, 50, 'R', 1);
    setEntry(l, 1, 1e-11, 'C', 2);
    setEntry(l, 2, 1e-7, 'L', 3);
    setEntry(l, 3, 1e-11, 'C', 2);
    setEntry(l, 4, 50, 'R', 1);
    setEntry(l, 5, 1e8, 'x', 1);
    return l;
}

} // namespace

TEST(ErrorMeasure, SpreadWorstCaseAndSegments) {
    // Rising values: a measure that only lowers the minimum when it did not
    // raise the maximum would never see the first point as the minimum.
    const auto t = tableOf({{1e6f, 20, 1}, {2e6f, 14, 2}, {3e6f, 10, 3}, {4e6f, 25, 4.5f}});
    EXPECT_DOUBLE_EQ(measureError(t, kJobAmplitude).error, 3.5);
    EXPECT_NEAR(measureError(t, kJobDelay).error, 3.5e-9, 1e-15);
    EXPECT_DOUBLE_EQ(measureError(t, kJobReturnLoss).error, 1.0 / 10.0);
    EXPECT_EQ(measureError(t, kJobAmplitude).points, 4);

    Segments s{};
    s[2] = {2e6, 3e6}; // bounds inclusive
    Measure m = measureError(t, kJobAmplitude, &s);
    EXPECT_EQ(m.points, 2);
    EXPECT_DOUBLE_EQ(m.error, 1.0);
    s[5] = {3.9e6, 5e6};
    m = measureError(t, kJobReturnLoss, &s);
    EXPECT_EQ(m.points, 3);
    EXPECT_DOUBLE_EQ(m.error, 0.1);
    // Used segments that hold no point: nothing measured (not a huge error).
    Segments empty{};
    empty[0] = {5e6, 6e6};
    EXPECT_EQ(measureError(t, kJobAmplitude, &empty).points, 0);
    // Unused segments (lower bound 0) are ignored: every point counts.
    Segments unused{};
    unused[1] = {0.0, 2e6};
    EXPECT_EQ(measureError(t, kJobAmplitude, &unused).points, 4);
}

TEST(CommandLine, RewritesAndItems) {
    bool cont = false;
    EXPECT_EQ(rewriteCommand("1 - 3, g:2", cont), "1-3,2");
    EXPECT_FALSE(cont);
    EXPECT_EQ(rewriteCommand("a-c,r", cont), "A,B,C,");
    EXPECT_TRUE(cont);
    cont = false;
    EXPECT_EQ(rewriteCommand("B-E", cont), "B,C,D,E");
    EXPECT_EQ(rewriteCommand("C-H", cont), "C,D,E,F"); // no further than F
    EXPECT_EQ(rewriteCommand(std::string(60, '1'), cont).size(), 40u);

    const EntryList l = ladder();
    Setups setups{};
    ParsedCommand p = parseCommand("3-1,2/3,1&3,L", l, setups);
    ASSERT_TRUE(p.ok) << p.message;
    std::vector<std::pair<int, int>> got;
    for (const auto& i : p.items) got.emplace_back(i.branch, i.partner);
    const std::vector<std::pair<int, int>> want{{3, 0}, {2, 0}, {1, 0}, {2, 3}, {1, -3}, {2, 0}};
    EXPECT_EQ(got, want);
    // The source entry is the last branch; empty items are skipped.
    EXPECT_TRUE(parseCommand("4,,", l, setups).ok);
}

TEST(CommandLine, Refusals) {
    EntryList l = ladder();
    Setups setups{};
    // The terminator and everything past it are not branches, nor is 0.
    for (const char* c : {"5", "9", "0", "1-5", "2/5", "-1", "2/-3", "2&2", "x", "1..2"}) {
        const ParsedCommand p = parseCommand(c, l, setups);
        EXPECT_FALSE(p.ok) << c;
        EXPECT_FALSE(p.message.empty()) << c;
        EXPECT_TRUE(p.items.empty()) << c;
    }
    EXPECT_EQ(parseCommand("1,B", l, setups).message, "Abort - Memory B: is not recorded!");
    // A recorded setup contributes its items with its own index.
    setups[2] = {"3,1", 1.0f, 2.0f, kJobDelay};
    const ParsedCommand p = parseCommand("2,B", l, setups);
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.items.size(), 3u);
    EXPECT_EQ(p.items[0].setup, 0);
    EXPECT_EQ(p.items[1].branch, 3);
    EXPECT_EQ(p.items[1].setup, 2);
    // No inductor: "L" is an empty command.
    l[2].letter = 'C';
    const ParsedCommand none = parseCommand("L", l, setups);
    EXPECT_TRUE(none.ok);
    EXPECT_TRUE(none.items.empty());
}

TEST(StandardValues, NearestByRatio) {
    StandardPick p = nearestStandard(5.0e-9);
    ASSERT_TRUE(p.found);
    EXPECT_NEAR(p.pick, 5.1e-9, 1e-21);
    EXPECT_NEAR(p.errorPct, 2.0, 1e-9);
    EXPECT_NEAR(p.lower, 4.7e-9, 1e-21);
    // A standard value is its own pick; values near the top of a decade and
    // of any size find their real neighbours.
    EXPECT_NEAR(nearestStandard(4.7e-6).pick, 4.7e-6, 1e-18);
    EXPECT_NEAR(nearestStandard(9.6e-9).upper, 1.0e-8, 1e-20);
    EXPECT_NEAR(nearestStandard(9.6e-9).lower, 9.1e-9, 1e-20);
    EXPECT_NEAR(nearestStandard(150.0).pick, 150.0, 1e-9);
    EXPECT_NEAR(nearestStandard(96.0).pick, 100.0, 1e-9);
    EXPECT_NEAR(nearestStandard(95.0).pick, 91.0, 1e-9); // 95/91 < 100/95
    EXPECT_NEAR(nearestStandard(0.93).pick, 0.91, 1e-12);
    EXPECT_FALSE(nearestStandard(0.0).found);
    EXPECT_FALSE(nearestStandard(-1e-9).found);
    EXPECT_FALSE(nearestStandard(std::nan("")).found);

    // Oracle: the E24 series over many decades, searched by brute force.
    const double e24[] = {1.0, 1.1, 1.2, 1.3, 1.5, 1.6, 1.8, 2.0, 2.2, 2.4, 2.7, 3.0,
                          3.3, 3.6, 3.9, 4.3, 4.7, 5.1, 5.6, 6.2, 6.8, 7.5, 8.2, 9.1};
    std::vector<double> all;
    for (int e = -15; e <= 3; ++e)
        for (double m : e24) all.push_back(m * std::pow(10.0, e));
    std::mt19937 rng(14);
    std::uniform_real_distribution<double> exponent(-13.0, 2.0);
    for (int i = 0; i < 2000; ++i) {
        const double v = std::pow(10.0, exponent(rng));
        double best = 0.0, bestRatio = 1e9;
        for (double s : all) {
            const double r = std::max(s / v, v / s);
            if (r < bestRatio) {
                bestRatio = r;
                best = s;
            }
        }
        const StandardPick got = nearestStandard(v);
        ASSERT_TRUE(got.found);
        EXPECT_NEAR(got.pick / best, 1.0, 1e-9) << v;
        EXPECT_LE(got.lower, v * (1 + 1e-12));
        EXPECT_GE(got.upper, v * (1 - 1e-12));
    }
}

TEST(StandardValues, TwoPartSums) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    int found = 0;
    for (int i = 0; i < 500; ++i) {
        const double v = mantissa(rng) * 1e-9;
        const TwoPartPick t = twoPartStandard(v);
        if (!t.found) {
            // Only just above a decade's 10 is the smallest second part
            // (a tenth of it) too coarse.
            EXPECT_LT(v, 1.1e-9) << v;
            continue;
        }
        ++found;
        EXPECT_LT(std::fabs(t.first + t.second - v) / v, 0.01) << v;
        EXPECT_NEAR(t.errorPct, (t.first + t.second - v) / v * 100.0, 1e-9);
        EXPECT_LT(t.second, t.first); // the second part is a decade lower
        EXPECT_TRUE(nearestStandard(t.first).pick == t.first);
    }
    EXPECT_GT(found, 480);
    EXPECT_FALSE(twoPartStandard(0.0).found);
}
