#include "design/design_file.h"
#include "design/operations.h"
#include "test_dir.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace tanvex;
using tanvex::test::ScratchDir;

namespace {

std::string slotLine(double v, double v2, char letter, const std::string& text) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%15.8e %15.8e %c %s\r\n", v, v2, letter, text.c_str());
    return buf;
}

const std::string kNet = " 5.00000000e+01 R 1\r\n 5.00000000e+01 R 1\r\n 1.00000000e+08 x 1\r\n";

} // namespace

TEST(SpecFile, OlderLayoutSharesTheFirstLineAndKeepsTheSweepInTexts) {
    ScratchDir dir;
    char first[160];
    // Slot 0 and slot 1 on one line; slot 1 from column 32.
    std::snprintf(first, sizeof first, "%15.8e %15.8e %-15s%-16s%c %s\r\n", 1.0, 0.0,
                  "3.000000e+00", "7.50000000e+00", 'x', "0000000100");
    std::string text = first;
    text += slotLine(0.1, 0, 'x', "x"); // slot 2
    for (int i = 3; i <= 20; ++i) {
        std::string t = "x";
        if (i == 8) t = "50";
        if (i == 9) t = "150";
        if (i == 10) t = "-201";
        text += slotLine(i, i == 11 ? 200 : i == 12 ? 0 : i == 13 ? 900 : 0, 'x', t);
    }
    dir.write("old.spk", text);
    dir.write("old.dzn", kNet);
    ui::ScriptedToolkit tk;
    Design d;
    ASSERT_EQ(transferDesign(d, dir.file("old"), 'r', kTransferWhole, tk), 0);
    EXPECT_EQ(d.record[0].letter, 'Y');
    EXPECT_EQ(d.record[0].str(), "---------------------");
    EXPECT_EQ(d.record[1].value, 3);
    EXPECT_EQ(d.record[1].value2, 7.5);
    EXPECT_EQ(d.record[1].letter, 'x');
    EXPECT_EQ(d.record[2].value, 0.1);
    EXPECT_EQ(d.record[20].value, 20);
    EXPECT_TRUE(d.plot.thickLines); // position 7 of the settings string
    EXPECT_EQ(d.analysis[0], 50);
    EXPECT_EQ(d.analysis[1], 150);
    EXPECT_EQ(d.analysis[2], -201);
    EXPECT_EQ(d.analysis[3], 200);
    EXPECT_EQ(d.analysis[4], kInfiniteQ);
    EXPECT_EQ(d.analysis[5], 900);
    EXPECT_EQ(d.analysis[6], 50);
    EXPECT_EQ(d.record[8].str(), "x");
    ASSERT_EQ(tk.notices().size(), 1u);
    EXPECT_EQ(tk.notices()[0].substr(0, 41), "To restore the parameters, go through the");
}

TEST(SpecFile, DefaultDesignKeepsOnlyItsQValues) {
    ScratchDir dir;
    ui::ScriptedToolkit tk;
    Design d;
    newDesign(d.entries);
    d.analysis = {10, 20, -101, 100, 200, 300, 10};
    d.plot.markers[0] = 5;
    d.plot.captionOn[0] = true;
    d.plot.caption[0] = "caption";
    d.fileList[0] = "other";
    d.listEdited = true;
    ASSERT_EQ(transferDesign(d, dir.file("default"), 'w', kTransferWhole, tk), 0);
    std::string spk = dir.read("default.spk");
    // No marker block, files and captions "x", sweep not saved.
    int lines = 0;
    for (char c : spk) lines += c == '\n';
    EXPECT_EQ(lines, 21);
    EXPECT_EQ(d.record[3].str(), "x");
    EXPECT_EQ(d.record[17].letter, 'x');
    EXPECT_EQ(d.record[0].value2, 0);

    Design r;
    r.analysis = {1, 2, 3, 4, 5, 6, 7};
    ASSERT_EQ(transferDesign(r, dir.file("default"), 'r', kTransferWhole, tk), 0);
    EXPECT_EQ(r.analysis[0], 1); // untouched
    EXPECT_EQ(r.analysis[3], 100);
    EXPECT_EQ(r.analysis[5], 300);
    EXPECT_FALSE(r.plot.captionOn[0]);
    EXPECT_TRUE(isSaved(r.record));
}

TEST(SpecFile, StubGeneratorTextIsRepairedBeforeItsPairsAreRead) {
    ScratchDir dir;
    std::string text;
    for (int i = 0; i <= 20; ++i) text += slotLine(0, 0, i == 1 ? 'y' : 'x', i == 2 ? "1234" : "x");
    for (int i = 1; i <= 9; ++i) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%15.8e %c\r\n", i * 1.5, 'a' + i);
        text += buf;
    }
    dir.write("stub.spk", text);
    ui::ScriptedToolkit tk;
    Design d;
    ASSERT_EQ(readSpecFile(dir.file("stub.spk"), d, false, tk), 0);
    EXPECT_EQ(d.record[2].str(), "1234000009");
    EXPECT_EQ(d.stubPairs[0].value, 1.5);
    EXPECT_EQ(d.stubPairs[8].value, 13.5);
    EXPECT_EQ(d.stubPairs[8].letter, 'j');

    // The block missing: the file is refused and the design keeps its record.
    dir.write("cut.spk", text.substr(0, text.size() - 40));
    Design e;
    e.record[2].setText("keep");
    EXPECT_EQ(readSpecFile(dir.file("cut.spk"), e, false, tk), kFileMalformed);
    EXPECT_EQ(e.record[2].str(), "keep");
    EXPECT_NE(tk.notices().back().find("incomplete"), std::string::npos);
}

TEST(SpecFile, TextsAreCutAtControlCharactersAndTwentyNineCharacters) {
    ScratchDir dir;
    ui::ScriptedToolkit tk;
    Design d;
    newDesign(d.entries);
    d.record[14].setText("abc\tdef");
    d.record[13].setText("0123456789012345678901234567890"); // 30 characters kept in memory
    d.record[5].letter = '\n';
    ASSERT_EQ(transferDesign(d, dir.file("cut"), 'w', kTransferWhole, tk), 0);
    Design r;
    ASSERT_EQ(transferDesign(r, dir.file("cut"), 'r', kTransferWhole, tk), 0);
    EXPECT_EQ(r.record[14].str(), "abc");
    EXPECT_EQ(r.record[13].str(), "01234567890123456789012345678");
    EXPECT_EQ(r.record[5].letter, 'x');
    EXPECT_EQ(r.record[6].value, 0);

    // Slot 0 with a text of the full 29 characters: its 63-character line
    // is still the current layout, so every slot reads back.
    Design w;
    newDesign(w.entries);
    w.record[0].setText("1111111111111111111111-------");
    w.record[0].letter = 'Q';
    w.record[1].value = 1.25;
    w.record[11].value = 7;
    ui::ScriptedToolkit t2;
    ASSERT_EQ(transferDesign(w, dir.file("full0"), 'w', kTransferWhole, t2), 0);
    EXPECT_EQ(dir.read("full0.spk").find("\r\n"), 63u);
    Design back;
    ASSERT_EQ(transferDesign(back, dir.file("full0"), 'r', kTransferWhole, t2), 0);
    EXPECT_EQ(back.record[0].str(), "1111111111111111111111-------");
    EXPECT_EQ(back.record[0].letter, 'Q');
    EXPECT_EQ(back.record[1].value, 1.25);
    EXPECT_EQ(back.record[11].value, 7);
    EXPECT_TRUE(t2.notices().empty());
}

TEST(PolePlacerFile, RoundTripAndDamagedFiles) {
    ScratchDir dir;
    ui::ScriptedToolkit tk;
    Design d;
    newDesign(d.entries);
    d.record[kSlotDesignType].value = 23;
    d.placer.numbers = {2, 3, 0, 0, 2, 1, 0, 0, 0, 0};
    d.placer.tableA = {{1.25, -2.5}, {0, 0}, {3e-9, 4e9}};
    d.placer.tableB = {{0, 0, 0}, {0, 0, 0}, {1.0 / 3.0, -2.0 / 7.0, 1e-300}};
    d.placer.tableCIndex = {7};
    d.placer.tableC = {-0.123456789012345678};
    d.placer.title = "Placer title line";
    ASSERT_EQ(transferDesign(d, dir.file("pp"), 'w', kTransferWhole, tk), 0);
    Design r;
    ASSERT_EQ(transferDesign(r, dir.file("pp"), 'r', kTransferWhole, tk), 0);
    EXPECT_EQ(r.placer.numbers, d.placer.numbers);
    EXPECT_EQ(r.placer.tableA[2][1], 4e9);
    EXPECT_EQ(r.placer.tableB[2][0], 1.0 / 3.0); // 17 significant digits survive
    EXPECT_EQ(r.placer.tableB[2][1], -2.0 / 7.0);
    EXPECT_EQ(r.placer.tableCIndex[0], 7);
    EXPECT_EQ(r.placer.tableC[0], -0.123456789012345678);
    EXPECT_EQ(r.placer.title, "Placer title line");

    // Ten mask points, ten zeros and a degree of 21: counts of two digits
    // are written and read back; the tables are sized by them.
    Design big = d;
    big.placer.numbers = {2, 10, 0, 1, 21, 10, 10, 1, 2, 0};
    big.placer.tableA.assign(10, {60.0, 1.5});
    big.placer.tableA[9] = {80.0, 9.5};
    big.placer.tableB.assign(22, {1.0, 2.0, 3.0});
    big.placer.tableB[21] = {-1.0, 0.5, 1e-20};
    big.placer.tableCIndex = {10, 8, 6, 4, 2, 1, 3, 5, 7, 9};
    big.placer.tableC.assign(10, 1.25);
    big.placer.tableC[9] = 7.75;
    ASSERT_EQ(transferDesign(big, dir.file("big"), 'w', kTransferWhole, tk), 0);
    Design rb;
    ASSERT_EQ(transferDesign(rb, dir.file("big"), 'r', kTransferWhole, tk), 0);
    EXPECT_EQ(rb.placer.numbers, big.placer.numbers);
    ASSERT_EQ(rb.placer.tableA.size(), 10u);
    EXPECT_EQ(rb.placer.tableA[9][1], 9.5);
    ASSERT_EQ(rb.placer.tableB.size(), 22u);
    EXPECT_EQ(rb.placer.tableB[21][2], 1e-20);
    EXPECT_EQ(rb.placer.tableCIndex, big.placer.tableCIndex);
    EXPECT_EQ(rb.placer.tableC[9], 7.75);

    // Counts promise more lines than the file holds.
    dir.write("bad.ppd", "0 5 0 0 0 0 0 0 0 0 \r\n 1.0 2.0\r\n");
    PolePlacerData p;
    p.title = "unchanged";
    EXPECT_EQ(readPolePlacerFile(dir.file("bad.ppd"), p, tk), kFileMalformed);
    EXPECT_EQ(p.title, "unchanged");
    // The .ppd missing: its bit, the rest of the design still loads.
    std::remove(dir.file("pp.ppd").c_str());
    ui::ScriptedToolkit t2;
    EXPECT_EQ(transferDesign(r, dir.file("pp"), 'r', kTransferWhole, t2), kPpdFailed);
    EXPECT_TRUE(t2.sawNotice("Can't open: " + dir.file("pp.ppd")));
}

TEST(SpecFile, WideValuesKeepTheirColumns) {
    ScratchDir dir;
    ui::ScriptedToolkit tk;
    Design d;
    newDesign(d.entries);
    setEntry(d.entries, 1, -1.5e-300, 'C', 1);
    setEntry(d.entries, 2, -2e200, 'x', 1);
    d.record[4].value = -3.25e-123;
    d.record[4].value2 = 7;
    d.record[4].letter = 'k';
    ASSERT_EQ(transferDesign(d, dir.file("wide"), 'w', kTransferWhole, tk), 0);
    Design r;
    ASSERT_EQ(transferDesign(r, dir.file("wide"), 'r', kTransferWhole, tk), 0);
    EXPECT_EQ(r.entries[1].letter, 'C');
    EXPECT_NEAR(r.entries[1].value, -1.5e-300, 1e-306);
    EXPECT_EQ(r.entries[2].letter, 'x');
    EXPECT_EQ(r.record[4].value2, 7);
    EXPECT_EQ(r.record[4].letter, 'k');
    EXPECT_NEAR(r.record[4].value, -3.25e-123, 1e-129);
}

TEST(SpecFile, AFailedSaveIsNotReportedAsSaved) {
    ScratchDir dir;
    ui::ScriptedToolkit tk;
    Design d;
    newDesign(d.entries);
    setSaved(d.record, false);
    std::string name = dir.file("no_such_dir") + "/design";
    int r = transferDesign(d, name, 'w', kTransferWhole, tk);
    EXPECT_EQ(r, kSpkFailed | kDznFailed);
    EXPECT_FALSE(isSaved(d.record));
    EXPECT_TRUE(tk.sawNotice("Can't open: " + name + ".spk"));
    EXPECT_TRUE(tk.sawNotice("Can't open: " + name + ".dzn"));
    // A name component is what follows the last '/', '\' or ':'.
    EXPECT_EQ(transferDesign(d, "C:" + std::string(30, 'a'), 'w', kTransferWhole, tk),
              kNameTooLong);
    EXPECT_EQ(transferDesign(d, std::string(30, 'a') + "\\ok", 'r', kTransferNetwork, tk) &
                  kNameTooLong,
              0);
}

TEST(SpecFile, OneCharacterStubTextKeepsTheMaskBlockInPlace) {
    ScratchDir dir;
    ui::ScriptedToolkit tk;
    Design d;
    newDesign(d.entries);
    d.record[kSlotStubGen].setText("1");
    d.plot.maskLevels[3] = 12.5;
    d.plot.maskSwitches[3] = 1;
    ASSERT_EQ(transferDesign(d, dir.file("stub1"), 'w', kTransferWhole, tk), 0);
    Design r;
    ASSERT_EQ(transferDesign(r, dir.file("stub1"), 'r', kTransferWhole, tk), 0);
    EXPECT_EQ(r.plot.maskLevels[3], 12.5);
    EXPECT_EQ(r.plot.maskSwitches[3], 1);
}
