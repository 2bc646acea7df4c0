#include "design/design_file.h"
#include "design/operations.h"
#include "design/paths.h"
#include "ladder_oracle.h"
#include "test_dir.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdlib>

using namespace tanvex;
using tanvex::test::ladderAttenuationDb;
using tanvex::test::ScratchDir;

namespace {

const std::string kExamples = std::string(TANVEX_SOURCE_DIR) + "/resources/examples";

std::string dznLine(double v, char letter, int code) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%15.8e %c %d\r\n", v, letter, code);
    return buf;
}

} // namespace

TEST(DesignFile, SampleBandpassIsARealChebyshevFilter) {
    ui::ScriptedToolkit tk;
    Design d;
    ASSERT_EQ(loadDesign(d, kExamples, "bandpass", tk), 0) << (tk.log.empty() ? "" : tk.log[0]);
    EXPECT_EQ(entryCount(d.entries), 7);
    EXPECT_DOUBLE_EQ(referenceFrequency(d.entries), 100e6);
    // 0.1 dB ripple inside the band, edges at the geometric band edges.
    double f1 = -10e6 + std::sqrt(1e14 + 1e16), f2 = f1 + 20e6;
    EXPECT_NEAR(ladderAttenuationDb(d.entries, 100e6), 0.0, 1e-6);
    EXPECT_NEAR(ladderAttenuationDb(d.entries, f1), 0.1, 2e-3);
    EXPECT_NEAR(ladderAttenuationDb(d.entries, f2), 0.1, 2e-3);
    for (double f = f1 * 1.001; f < f2; f += 1e6)
        EXPECT_LT(ladderAttenuationDb(d.entries, f), 0.101);
    EXPECT_GT(ladderAttenuationDb(d.entries, 200e6), 30.0);
    // The specification file: design type 3, sweep 50..150 (MHz), Q values.
    EXPECT_EQ(d.record[kSlotDesignType].value, 3);
    EXPECT_EQ(d.analysis[0], 50);
    EXPECT_EQ(d.analysis[1], 150);
    EXPECT_EQ(d.analysis[3], 150);
    EXPECT_EQ(d.analysis[6], 50);
    EXPECT_EQ(d.notation.electrical, kNotationVHF);
    EXPECT_TRUE(isSaved(d.record));
    EXPECT_EQ(designName(d), "bandpass");
}

TEST(DesignFile, SampleLowpassHasTheChebyshevCutoff) {
    ui::ScriptedToolkit tk;
    Design d;
    ASSERT_EQ(loadDesign(d, kExamples, "lowpass", tk), 0);
    EXPECT_NEAR(ladderAttenuationDb(d.entries, 100e6), 0.1, 2e-3);
    EXPECT_LT(ladderAttenuationDb(d.entries, 50e6), 0.101);
    // Chebyshev stopband: 10 log10(1 + eps^2 T5(2)^2), T5(2) = cosh(5 acosh 2).
    double eps2 = std::pow(10.0, 0.01) - 1, t5 = std::cosh(5 * std::acosh(2.0));
    EXPECT_NEAR(ladderAttenuationDb(d.entries, 200e6), 10 * std::log10(1 + eps2 * t5 * t5), 0.01);
}

TEST(DesignFile, RoundTripKeepsNineDigitsAndEverySavedField) {
    ui::ScriptedToolkit tk;
    ScratchDir dir;
    Design d;
    newDesign(d.entries);
    setEntry(d.entries, 0, 50.0, 'R', 1);
    setEntry(d.entries, 1, 1.234567891234e-9, 'L', 4);
    setEntry(d.entries, 2, 9.87654321987e-13, 'C', 4);
    setEntry(d.entries, 3, -3.3333333333e-7, 'D', 22); // data branch, slot 3
    d.entries[3].letter = '3';
    setEntry(d.entries, 4, 75.0, 'Z', 23);
    setEntry(d.entries, 5, 0.785398163397, 'D', 23);
    setEntry(d.entries, 6, 0, '-', 96);
    setEntry(d.entries, 7, 1e-300, 'L', 3);
    setEntry(d.entries, 8, 50.0, 'R', 1);
    setEntry(d.entries, 9, 1.5e8, 'q', 1); // letter is forced to 'x' on save
    d.names[3] = "meas_branch.frx";
    d.record[kSlotDesignType].value = 3;
    d.record[kSlotDesignType].letter = 'P';
    d.record[12].setText("CCLZ");
    d.record[14].setText("ext_ref");
    d.record[kSlotNotation].letter = '3';
    d.record[kSlotStubGen].setText("1234567890");
    for (int i = 0; i < 9; ++i) d.stubPairs[i] = {0.5 * (i + 1), static_cast<char>('a' + i)};
    for (int i = 0; i < 10; ++i) {
        d.plot.markers[i] = 10.0 + i;
        d.plot.maskLevels[i] = 20.0 + i;
        d.plot.maskSwitches[i] = i % 3;
    }
    d.plot.displayDigits = {1, 2, 3, 4, 5, 0, 1, 2};
    d.plot.thickLines = true;
    d.plot.captionOn = {true, false};
    d.plot.caption[0] = "A caption that is long enough to need all three of its pieces, 79 max";
    d.analysis = {12.5, 250.25, -401, 0.0, 500, 1000, 12.5};
    d.fileList[0] = "other";
    d.listEdited = true;

    std::string base = dir.file("rt");
    ASSERT_EQ(transferDesign(d, base, 'w', kTransferWhole, tk), 0);
    EXPECT_EQ(d.analysis[3], kInfiniteQ); // Q 0 means infinite

    Design r;
    ASSERT_EQ(transferDesign(r, base, 'r', kTransferWhole, tk), 0) << tk.log.back();
    EXPECT_EQ(entryCount(r.entries), 8);
    for (int i = 0; i <= 9; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(r.entries[i].value, d.entries[i].value, std::fabs(d.entries[i].value) * 5e-9);
        EXPECT_EQ(r.entries[i].code, d.entries[i].code);
        EXPECT_EQ(r.entries[i].letter, i == 9 ? 'x' : d.entries[i].letter);
    }
    EXPECT_EQ(r.names[3], "meas_branch.frx");
    EXPECT_EQ(r.record[kSlotDesignType].value, 3);
    EXPECT_EQ(r.record[kSlotDesignType].letter, 'P');
    EXPECT_EQ(r.record[12].str(), "CCLZ");
    EXPECT_EQ(r.record[14].str(), "ext_ref");
    EXPECT_EQ(r.record[3].str(), "other");
    EXPECT_EQ(r.record[4].str(), "x");
    EXPECT_EQ(r.notation.electrical, kNotationHF);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(r.stubPairs[i].value, d.stubPairs[i].value);
        EXPECT_EQ(r.stubPairs[i].letter, d.stubPairs[i].letter);
    }
    EXPECT_EQ(r.plot.markers, d.plot.markers);
    EXPECT_EQ(r.plot.maskLevels, d.plot.maskLevels);
    EXPECT_EQ(r.plot.maskSwitches, d.plot.maskSwitches);
    EXPECT_EQ(r.plot.displayDigits, d.plot.displayDigits);
    EXPECT_TRUE(r.plot.thickLines);
    EXPECT_TRUE(r.plot.captionOn[0]);
    EXPECT_FALSE(r.plot.captionOn[1]);
    EXPECT_EQ(r.plot.caption[0], d.plot.caption[0]);
    EXPECT_EQ(r.analysis[0], 12.5);
    EXPECT_EQ(r.analysis[1], 250.25);
    EXPECT_EQ(r.analysis[2], -401);
    EXPECT_EQ(r.analysis[3], kInfiniteQ);
    EXPECT_EQ(r.analysis[6], 12.5);

    // Every line ends in CR LF.
    std::string text = dir.read("rt.dzn");
    EXPECT_EQ(text.substr(0, 20), " 5.00000000e+01 R 1\r");
    EXPECT_NE(text.find(" 96\r\n"), std::string::npos);
    EXPECT_NE(text.find("-3.33333333e-07 3 22    meas_branch.frx\r\n"), std::string::npos);
    for (std::size_t p = text.find('\n'); p != std::string::npos; p = text.find('\n', p + 1))
        EXPECT_EQ(text[p - 1], '\r');
}

TEST(DesignFile, BareLineFeedsReadLikeCarriageReturns) {
    ui::ScriptedToolkit tk;
    ScratchDir dir;
    std::string crlf =
        dznLine(50, 'R', 1) + dznLine(1e-9, 'L', 3) + dznLine(50, 'R', 1) + dznLine(1e8, 'x', 1);
    std::string lf;
    for (char c : crlf)
        if (c != '\r') lf += c;
    lf.pop_back(); // and no line end at all after the last line
    dir.write("a.dzn", crlf);
    dir.write("b.dzn", lf);
    NetworkFile a, b;
    ASSERT_EQ(readNetworkFile(dir.file("a.dzn"), a, tk), 0);
    ASSERT_EQ(readNetworkFile(dir.file("b.dzn"), b, tk), 0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(a.entries[i].value, b.entries[i].value);
        EXPECT_EQ(a.entries[i].code, b.entries[i].code);
        EXPECT_EQ(a.entries[i].letter, b.entries[i].letter);
    }
    EXPECT_EQ(b.entries[1].code, 3);
}

TEST(DesignFile, NetworkLinesBlankLinesExtraTextAndInstructionNames) {
    ui::ScriptedToolkit tk;
    ScratchDir dir;
    std::string text = "\r\n" + dznLine(50, 'R', 1) + "   \r\n\r\n" +
                       " 1.00000000e-09 L 3   \r\n" +        // 22 characters: no extra text
                       " 0.00000000e+00 - 99   RECALL\r\n" + // named instruction
                       " 0.00000000e+00 - 99   BOGUS\r\n" +  // unknown name stays 99
                       " 0.00000000e+00 - 99 Y-D\r\n" +      // 23+ characters, name at 21
                       dznLine(50, 'R', 1) + dznLine(1e8, 'x', 1) + dznLine(7, 'L', 3);
    dir.write("n.dzn", text);
    NetworkFile net;
    ASSERT_EQ(readNetworkFile(dir.file("n.dzn"), net, tk), 0);
    EXPECT_EQ(entryCount(net.entries), 5);
    EXPECT_EQ(net.entries[1].code, 3);
    EXPECT_EQ(net.entries[2].code, 98);
    EXPECT_EQ(net.entries[3].code, 99);
    EXPECT_EQ(net.entries[4].code, 99); // "Y-D" starts at column 21, before the name field
    EXPECT_EQ(net.entries[6].value, 1e8);
    EXPECT_EQ(net.entries[7].letter, 0); // nothing after the terminator is read
    EXPECT_TRUE(tk.notices().empty());

    // A line with the layout program's text (23 characters or more).
    ui::ScriptedToolkit tk2;
    dir.write("k.dzn", dznLine(50, 'R', 1) + " 1.00000000e-09 L 3  coil 4t\r\n" +
                           dznLine(50, 'R', 1) + dznLine(1e8, 'x', 1));
    ASSERT_EQ(readNetworkFile(dir.file("k.dzn"), net, tk2), 0);
    EXPECT_TRUE(net.layoutData);
    EXPECT_TRUE(
        tk2.sawNotice("KORVADEX data in the file will be lost if you save the design later"));
}

TEST(DesignFile, MalformedNetworkFilesChangeNothing) {
    ScratchDir dir;
    Design d;
    ui::ScriptedToolkit tk;
    ASSERT_EQ(loadDesign(d, kExamples, "bandpass", tk), 0);
    EntryList before = d.entries;
    auto sameAsBefore = [&] {
        for (int i = 0; i < kEntrySlots; ++i)
            if (d.entries[i].value != before[i].value || d.entries[i].code != before[i].code)
                return false;
        return true;
    };

    // No terminator line.
    dir.write("nox.dzn", dznLine(50, 'R', 1) + dznLine(1e-9, 'L', 3) + dznLine(50, 'R', 1));
    ui::ScriptedToolkit t1;
    EXPECT_EQ(transferDesign(d, dir.file("nox"), 'r', kTransferNetwork, t1), kFileMalformed);
    ASSERT_EQ(t1.notices().size(), 1u);
    EXPECT_NE(t1.notices()[0].find("no terminator"), std::string::npos);
    EXPECT_TRUE(sameAsBefore());

    // 151 entries: too big.
    std::string big = dznLine(50, 'R', 1);
    for (int i = 0; i < 150; ++i) big += dznLine(1e-9, 'L', 3);
    big += dznLine(50, 'R', 1) + dznLine(1e8, 'x', 1);
    dir.write("big.dzn", big);
    ui::ScriptedToolkit t2;
    EXPECT_EQ(transferDesign(d, dir.file("big"), 'r', kTransferNetwork, t2), kNetworkTooBig);
    EXPECT_TRUE(t2.sawNotice("Network is too big!"));
    EXPECT_TRUE(sameAsBefore());

    // Exactly 150 entries (0..149) still loads.
    std::string full = dznLine(50, 'R', 1);
    for (int i = 0; i < 147; ++i) full += dznLine(1e-9, 'L', 3);
    full += dznLine(50, 'R', 1) + dznLine(1e8, 'x', 1);
    dir.write("full.dzn", full);
    Design f;
    EXPECT_EQ(transferDesign(f, dir.file("full"), 'r', kTransferNetwork, t2), 0);
    EXPECT_EQ(entryCount(f.entries), 148);

    // Missing file.
    ui::ScriptedToolkit t3;
    EXPECT_EQ(transferDesign(d, dir.file("none"), 'r', kTransferWhole, t3),
              kSpkFailed | kDznFailed);
    EXPECT_TRUE(t3.sawNotice("Can't open: " + dir.file("none") + ".dzn"));
    EXPECT_TRUE(sameAsBefore());
}

TEST(DesignFile, NamesTemporaryDirectoryAndOverwriteQuestion) {
    ScratchDir dir;
    ScratchDir tmp;
    setenv("TMTANVEX", (tmp.str() + "/").c_str(), 1);
    EXPECT_EQ(tempDirectory(), tmp.str());
    ui::ScriptedToolkit tk;
    Design d;
    newDesign(d.entries);

    // A component over 29 characters: nothing is written.
    std::string longName = dir.file(std::string(30, 'n'));
    EXPECT_EQ(transferDesign(d, longName, 'w', kTransferWhole, tk), kNameTooLong);
    EXPECT_TRUE(tk.sawNotice("File name is too long!"));
    EXPECT_FALSE(fileExists(longName + ".dzn"));
    EXPECT_EQ(transferDesign(d, dir.file(std::string(29, 'n')), 'w', kTransferWhole, tk), 0);

    // Temporary names go to the temporary directory and are never asked about.
    EXPECT_EQ(transferDesign(d, "tmp_ed", 'w', kTransferWhole, tk), 0);
    EXPECT_TRUE(fileExists(tmp.file("tmp_ed.dzn")));
    EXPECT_EQ(transferDesign(d, "tmp_ed", 'w', kTransferWhole, tk), 0);
    Design back;
    EXPECT_EQ(transferDesign(back, "tmp_ed", 'r', kTransferWhole, tk), 0);
    // A user's name that merely starts with "tmp" stays where the user is.
    EXPECT_EQ(designFilePath("tmpfilter", ".dzn"), "tmpfilter.dzn");
    EXPECT_EQ(designFilePath("TMP_K", ".spk"), tmp.file("TMP_K.spk"));

    // An existing design is overwritten only when the user agrees.
    std::string name = dir.file("mine");
    EXPECT_EQ(transferDesign(d, name, 'w', kTransferWhole, tk), 0);
    std::size_t asked = tk.log.size();
    tk.answer("N");
    EXPECT_EQ(transferDesign(d, name, 'w', kTransferWhole, tk), kOverwriteRefused);
    EXPECT_EQ(tk.log[asked], "RESPOND: File exists: Overwrite it ?");
    tk.answer("Y");
    EXPECT_EQ(transferDesign(d, name, 'w', kTransferWhole, tk), 0);
    // Register files "save..." are overwritten without a question.
    EXPECT_EQ(transferDesign(d, dir.file("save3"), 'w', kTransferNetwork, tk), 0);
    asked = tk.log.size();
    EXPECT_EQ(transferDesign(d, dir.file("save3"), 'w', kTransferNetwork, tk), 0);
    EXPECT_EQ(tk.log.size(), asked);
    unsetenv("TMTANVEX");
}

TEST(DesignFile, OpenFallsBackToACaseInsensitiveMatch) {
    ScratchDir dir;
    ui::ScriptedToolkit tk;
    dir.write("FILTER.DZN", dznLine(50, 'R', 1) + dznLine(50, 'R', 1) + dznLine(1e8, 'x', 1));
    NetworkFile net;
    EXPECT_EQ(readNetworkFile(dir.file("filter.dzn"), net, tk), 0);
    EXPECT_EQ(net.entries[2].value, 1e8);
}

TEST(DesignFile, DefaultSweepComesFromTheReferenceFrequency) {
    ScratchDir dir;
    ui::ScriptedToolkit tk;
    dir.write("s.dzn", dznLine(50, 'R', 1) + dznLine(50, 'R', 1) + dznLine(144.6e6, 'x', 1));
    Design d; // V.H.F. notation: MHz
    EXPECT_EQ(transferDesign(d, dir.file("s"), 'r', kTransferNetwork, tk), 0);
    EXPECT_EQ(d.analysis[0], 72.5); // whole-number rounding of 144.6 is 145
    EXPECT_EQ(d.analysis[1], 290);
    EXPECT_EQ(d.analysis[6], 72.5);
    d.entries[2].value = 1e9; // a sweep already set is kept
    EXPECT_EQ(transferDesign(d, dir.file("s"), 'r', kTransferNetwork, tk), 0);
    EXPECT_EQ(d.analysis[1], 290);
}

namespace {

// First design: R 50, series L, source rs, reference 100 MHz.
Design firstDesign(double rs) {
    Design d;
    newDesign(d.entries);
    setEntry(d.entries, 0, 50, 'R', 1);
    setEntry(d.entries, 1, 1e-7, 'L', 3);
    setEntry(d.entries, 2, rs, 'R', 1);
    setEntry(d.entries, 3, 100e6, 'x', 1);
    d.analysis[6] = 1; // a sweep is set
    return d;
}

// Second design file: termination rt, shunt C, source 75, reference 400 MHz.
void writeSecond(const ScratchDir& dir, double rt) {
    dir.write("second.dzn", dznLine(rt, 'R', 1) + dznLine(1e-11, 'C', 2) + dznLine(75, 'R', 1) +
                                dznLine(400e6, 'x', 1));
}

} // namespace

TEST(DesignJoin, SeriesJoinWithinHalfAPercentDropsBothJunctionResistors) {
    ScratchDir dir;
    ui::ScriptedToolkit tk;
    for (double rt : {50.2, 49.8}) { // 0.4 % either way
        Design d = firstDesign(50);
        writeSecond(dir, rt);
        ASSERT_EQ(transferDesign(d, dir.file("second"), 'r', kTransferJoinSeries, tk), 0);
        EXPECT_EQ(entryCount(d.entries), 3);
        EXPECT_EQ(d.entries[1].letter, 'L');
        EXPECT_EQ(d.entries[2].letter, 'C');
        EXPECT_EQ(d.entries[2].code, 2);
        EXPECT_EQ(d.entries[3].value, 75);
        EXPECT_EQ(d.entries[4].letter, 'x');
        EXPECT_DOUBLE_EQ(d.entries[4].value, 200e6); // geometric mean
        EXPECT_EQ(d.entries[5].code, 0);
        EXPECT_EQ(tk.notices().back(), "Note: Source Zo = 75 Ohms");
    }
}

TEST(DesignJoin, SeriesJoinBeyondHalfAPercentInsertsATransformer) {
    ScratchDir dir;
    for (double rt : {50.3, 49.7}) { // 0.6 % either way
        ui::ScriptedToolkit tk;
        Design d = firstDesign(50);
        writeSecond(dir, rt);
        ASSERT_EQ(transferDesign(d, dir.file("second"), 'r', kTransferJoinSeries, tk), 0);
        EXPECT_EQ(entryCount(d.entries), 4);
        EXPECT_EQ(d.entries[2].letter, 'N');
        EXPECT_EQ(d.entries[2].code, 24);
        // Impedance beyond the transformer scales by N^2: 50 ohm becomes rt.
        EXPECT_NEAR(50 * d.entries[2].value * d.entries[2].value, rt, 1e-12);
        EXPECT_EQ(d.entries[3].letter, 'C');
        EXPECT_EQ(d.entries[4].value, 75);
        EXPECT_EQ(tk.notices().back(), "Impedances at the junction are NOT equal and will be "
                                       "joined by a transformer. Note: Source Zo = 75 Ohms");
    }
}

TEST(DesignJoin, SidePortJoinMarksTheSidePortTermination) {
    ScratchDir dir;
    ui::ScriptedToolkit tk;
    Design d = firstDesign(50);
    writeSecond(dir, 50);
    tk.answer("60");
    ASSERT_EQ(transferDesign(d, dir.file("second"), 'r', kTransferJoinSidePort, tk), 0);
    EXPECT_TRUE(tk.sawPrompt("Termination Zo of new side port = 50 Ohms"));
    EXPECT_TRUE(tk.sawPrompt("    Note: Zo at common junction = 75 Ohms"));
    EXPECT_TRUE(tk.sawPrompt(" Specify correct junction Zo or (Cr) if OK? "));
    EXPECT_EQ(entryCount(d.entries), 4);
    EXPECT_EQ(d.entries[2].code, 8);
    EXPECT_EQ(d.entries[2].value, 50);
    EXPECT_EQ(d.entries[3].letter, 'C');
    EXPECT_EQ(d.entries[4].value, 60);
    EXPECT_EQ(d.entries[5].letter, 'x');

    // (Cr) keeps the junction value; a failed read changes nothing.
    Design e = firstDesign(50);
    tk.answer("");
    ASSERT_EQ(transferDesign(e, dir.file("second"), 'r', kTransferJoinSidePort, tk), 0);
    EXPECT_EQ(e.entries[4].value, 75);
    Design g = firstDesign(50);
    EXPECT_EQ(transferDesign(g, dir.file("absent"), 'r', kTransferJoinSeries, tk), kDznFailed);
    EXPECT_EQ(entryCount(g.entries), 2);
    EXPECT_EQ(g.entries[3].value, 100e6);
}

TEST(DesignJoin, DataBranchSlotsOfTheJoinedDesignNeverTakeOverTheFirstDesignsFiles) {
    ScratchDir dir;
    ui::ScriptedToolkit tk;
    // Second design: a data branch in slot 1 naming its own file, and one
    // in slot 2 naming the same file the first design uses in slot 2.
    {
        EntryList list{};
        ElementNameTable names{};
        newDesign(list);
        setEntry(list, 0, 50, 'R', 1);
        setEntry(list, 1, -1, '1', 22);
        setEntry(list, 2, -1, '2', 22);
        setEntry(list, 3, 50, 'R', 1);
        setEntry(list, 4, 400e6, 'x', 1);
        names[1] = "second.frx";
        names[2] = "shared.frx";
        ASSERT_EQ(writeNetworkFile(dir.file("second.dzn"), list, names, tk), 0);
    }
    Design d = firstDesign(50);
    setEntry(d.entries, 1, -1, '1', 22); // the first design's data branches
    setEntry(d.entries, 2, -1, '2', 22);
    setEntry(d.entries, 3, 50, 'R', 1);
    setEntry(d.entries, 4, 100e6, 'x', 1);
    d.names[1] = "first.frx";
    d.names[2] = "shared.frx";
    ASSERT_EQ(transferDesign(d, dir.file("second"), 'r', kTransferJoinSeries, tk), 0);
    ASSERT_EQ(entryCount(d.entries), 5);
    // The first design's branches still name their files.
    EXPECT_EQ(d.entries[1].letter, '1');
    EXPECT_EQ(d.names[1], "first.frx");
    EXPECT_EQ(d.entries[2].letter, '2');
    EXPECT_EQ(d.names[2], "shared.frx");
    // The joined branch of a clashing slot moved to a free one with its own
    // file; the one naming the same file kept its slot.
    const char moved = d.entries[3].letter;
    ASSERT_GE(moved, '0');
    ASSERT_LE(moved, '9');
    EXPECT_NE(moved, '1');
    EXPECT_NE(moved, '2');
    EXPECT_EQ(d.names[static_cast<std::size_t>(moved - '0')], "second.frx");
    EXPECT_EQ(d.entries[4].letter, '2');
}
