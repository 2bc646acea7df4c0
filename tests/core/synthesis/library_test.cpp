// The standard library: the checked-in files against a fresh generation, the
// index against the files, and each design's response analysed as a ladder.
#include "ladder_eval.h"
#include "synthesis/std_library.h"
#include "synthesis/std_library_families.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace tanvex;
using namespace tanvex::synthesis;

namespace {

const std::string kLib = TANVEX_SOURCE_DIR "/resources/_LIB/";

bool readFile(const std::string& path, EntryList& list) {
    ui::ScriptedToolkit tk;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    list.fill(NetEntry{});
    bool ok = readEntryLines(f, list, tk);
    std::fclose(f);
    return ok;
}

bool parseText(const std::string& text, EntryList& list) {
    ui::ScriptedToolkit tk;
    std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    list.fill(NetEntry{});
    bool ok = readEntryLines(f, list, tk);
    std::fclose(f);
    return ok;
}

std::string familyFile(char sym, char digit, int n) {
    return libraryFileName(sym, libraryFamily(digit), n);
}

} // namespace

TEST(Library, CheckedInFilesMatchAFreshGeneration) {
    // Every family at a few orders, both symmetries.
    for (char digit = '1'; digit <= '6'; ++digit) {
        for (int n : {2, 5, 10}) {
            for (char sym : {'1', '2'}) {
                std::string text;
                ASSERT_TRUE(libraryFileText(digit, n, sym, text));
                EntryList fresh, stored;
                ASSERT_TRUE(parseText(text, fresh));
                ASSERT_TRUE(readFile(kLib + familyFile(sym, digit, n), stored))
                    << familyFile(sym, digit, n);
                int count = entryCount(fresh);
                ASSERT_EQ(entryCount(stored), count);
                for (int i = 0; i <= count + 1; ++i) {
                    EXPECT_EQ(stored[i].letter, fresh[i].letter);
                    EXPECT_EQ(stored[i].code, fresh[i].code);
                    EXPECT_NEAR(stored[i].value, fresh[i].value, 1e-7 * std::fabs(fresh[i].value))
                        << familyFile(sym, digit, n) << " entry " << i;
                }
            }
        }
    }
}

TEST(Library, IndexHoldsEveryDesignAsItsFile) {
    ui::ScriptedToolkit tk;
    int found = 0;
    for (char sym : {'1', '2'}) {
        for (char digit = '1'; digit <= '6'; ++digit) {
            for (int n = 2; n <= 10; ++n) {
                std::string name = familyFile(sym, digit, n);
                EntryList fromIndex, fromFile;
                fromIndex.fill(NetEntry{});
                ASSERT_EQ(readFromIndex(kLib + "LIB_REF.DAT", name, fromIndex, tk), 1) << name;
                ASSERT_TRUE(readFile(kLib + name, fromFile));
                int count = entryCount(fromFile);
                EXPECT_EQ(entryCount(fromIndex), count);
                for (int i = 0; i <= count + 1; ++i)
                    EXPECT_EQ(fromIndex[i].value, fromFile[i].value) << name;
                // Acceptance: 1 rad/s and a 1 ohm termination.
                EXPECT_NEAR(fromFile[count + 1].value, 0.159155, 1e-6);
                EXPECT_EQ(fromFile[0].value, 1.0);
                EXPECT_EQ(fromFile[count].value, sym == '1' ? 1.0 : 1e20);
                ++found;
            }
        }
    }
    EXPECT_EQ(found, 108);
    EntryList list;
    EXPECT_EQ(readFromIndex(kLib + "LIB_REF.DAT", "1BESS11.DZN", list, tk), 0);
}

TEST(Library, EveryDesignIsThreeDecibelsDownAtOneRadian) {
    for (char sym : {'1', '2'}) {
        for (char digit = '1'; digit <= '6'; ++digit) {
            for (int n = 2; n <= 10; ++n) {
                std::string name = familyFile(sym, digit, n);
                EntryList list;
                ASSERT_TRUE(readFile(kLib + name, list));
                auto br = testeval::fromEntries(list);
                double rs = list[entryCount(list)].value;
                double dc = testeval::lossDb(br, rs, 1, 0);
                if (sym == '1') {
                    EXPECT_NEAR(dc, 0, 1e-9) << name;
                }
                EXPECT_NEAR(testeval::lossDb(br, rs, 1, 1.0) - dc, 3.0103, 1e-4) << name;
                // Monotonic families: the loss never falls as frequency rises.
                double prev = -1;
                for (int i = 0; i <= 400; ++i) {
                    double a = testeval::lossDb(br, rs, 1, 3.0 * i / 400) - dc;
                    EXPECT_GE(a, prev - 1e-9) << name << " at " << 3.0 * i / 400;
                    prev = a;
                }
            }
        }
    }
}

TEST(Library, BesselLaddersMatchPublishedValues) {
    // Equal terminations, 3 dB at 1 rad/s; listed from the source end.
    const std::vector<std::vector<double>> published = {
        {0.5755, 2.1478},
        {0.3374, 0.9705, 2.2034},
        {0.2334, 0.6725, 1.0815, 2.2404},
        {0.1743, 0.5072, 0.8040, 1.1110, 2.2582},
    };
    for (const auto& row : published) {
        int n = static_cast<int>(row.size());
        EntryList list;
        ASSERT_TRUE(readFile(kLib + familyFile('1', '1', n), list));
        for (int k = 0; k < n; ++k) EXPECT_NEAR(list[n - k].value, row[k], 1e-4) << n;
    }
}

TEST(Library, LegendreIsButterworthAtOrderTwoAndLinearPhaseRipples) {
    EntryList list;
    ASSERT_TRUE(readFile(kLib + familyFile('1', '6', 2), list));
    EXPECT_NEAR(list[1].value, std::sqrt(2.0), 1e-8);
    EXPECT_NEAR(list[2].value, std::sqrt(2.0), 1e-8);
    // The phase of the linear-phase family stays within 0.05 degree of a
    // straight line over its band and is equiripple at every order, so the
    // band grows with the order.
    double lastBand = 0;
    for (int n = 2; n <= 10; ++n) {
        double delay, band;
        Poly e = linearPhaseDenominator(n, 0.05, delay, band);
        ASSERT_FALSE(e.empty()) << n;
        EXPECT_GT(band, 0.25 * n) << n;
        int bigExtrema = 0;
        double e0 = 0, e1 = 0;
        for (int i = 1; i <= 4000; ++i) {
            double w = band * i / 4000;
            double err =
                std::remainder(double(std::arg(polyEval(e, Complex(0, w)))) - delay * w, 2 * M_PI) *
                180 / M_PI;
            EXPECT_LE(std::fabs(err), 0.05 + 1e-6) << n << " at " << w;
            if (((e1 > e0 && e1 > err) || (e1 < e0 && e1 < err)) && std::fabs(e1) > 0.0495)
                ++bigExtrema;
            e0 = e1;
            e1 = err;
        }
        EXPECT_GE(bigExtrema, n - 1) << n;
        EXPECT_GT(band, lastBand) << n;
        lastBand = band;
    }
    // Published equiripple 0.05 degree values at order 2 (3 dB at 1 rad/s,
    // equal terminations): shunt C 0.6480 at the source, series L 2.1085;
    // poles -1.0087 +- j0.6680.
    ASSERT_TRUE(readFile(kLib + familyFile('1', '2', 2), list));
    EXPECT_NEAR(list[2].value, 0.6480, 1e-4);
    EXPECT_NEAR(list[1].value, 2.1085, 1e-4);
    double delay, band;
    Poly e2 = linearPhaseDenominator(2, 0.05, delay, band);
    ASSERT_EQ(e2.size(), 3u);
    double re = -double(e2[1]) / (2 * double(e2[2]));
    double im = std::sqrt(4 * double(e2[2]) - double(e2[1] * e2[1])) / (2 * double(e2[2]));
    EXPECT_NEAR(re, -1.0087, 1e-4);
    EXPECT_NEAR(im, 0.6680, 1e-4);
}

TEST(Library, FileNamesAndDirectories) {
    EXPECT_EQ(libraryFileName('2', "GTO12", 7), "2GTO127.DZN");
    EXPECT_STREQ(libraryFamily('5'), "GTO12");
    EXPECT_EQ(libraryFamily('7'), nullptr);
    EXPECT_EQ(libraryDirectory("x", "/opt/tanvex"), "/opt/tanvex/_LIB/");
    EXPECT_EQ(libraryDirectory("", "/opt/tanvex/"), "/opt/tanvex/_LIB/");
    EXPECT_EQ(libraryDirectory("C:\\LIB\\", ""), "C:\\LIB/");
    EXPECT_EQ(libraryDirectory("/data/lib", ""), "/data/lib/");
}
