// The generic text window's cell operations, driven through a scripted
// toolkit.
#include "ui/gen_win.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

using namespace tanvex::ui;

TEST(GenWin, WriteWrapsPastColumn80AndBeepsPastTheLastRow) {
    ScriptedToolkit tk;
    GenWin& g = tk.genWin();
    g.clear();
    EXPECT_TRUE(g.isOpen());
    g.gotoCell(75, 3);
    g.write("0123456789", 14);
    EXPECT_EQ(g.screen.rowText(3), "");
    EXPECT_EQ(g.screen.rowText(4), "0123456789");
    EXPECT_EQ(g.screen.at(0, 4).attr, 14);
    EXPECT_EQ(g.whereColumn(), 10);
    EXPECT_EQ(g.whereRow(), 4);
    // The write attribute returns to 7.
    g.attribute = 4;
    g.write("a");
    g.write("b");
    EXPECT_EQ(g.screen.at(10, 4).attr, 4);
    EXPECT_EQ(g.screen.at(11, 4).attr, 7);
    // Exactly filling the row is not a wrap.
    g.gotoCell(70, 5);
    g.write("0123456789");
    EXPECT_EQ(g.screen.at(79, 5).ch, '9');
    EXPECT_EQ(g.whereColumn(), 80);
    // Wrapping off the last row beeps and writes nothing.
    g.gotoCell(78, 24);
    g.write("abc");
    EXPECT_EQ(tk.beeps, 1);
    EXPECT_EQ(g.screen.rowText(24), "");
    EXPECT_EQ(g.whereColumn(), 78);
}

TEST(GenWin, NewlineScrollsOnTheLastRowAndEraseEmptiesCells) {
    ScriptedToolkit tk;
    GenWin& g = tk.genWin();
    g.clear();
    for (int i = 0; i < 25; ++i) {
        g.write("line " + std::to_string(i));
        if (i < 24) g.newline();
    }
    EXPECT_EQ(g.screen.rowText(0), "line 0");
    EXPECT_EQ(g.screen.rowText(24), "line 24");
    g.newline(); // scroll
    EXPECT_EQ(g.screen.rowText(0), "line 1");
    EXPECT_EQ(g.screen.rowText(23), "line 24");
    EXPECT_EQ(g.screen.rowText(24), "");
    EXPECT_EQ(g.whereRow(), 24);
    EXPECT_EQ(g.whereColumn(), 0);

    g.erase(2, 0, 3); // "line 1" -> "li   1"
    EXPECT_EQ(g.screen.rowText(0), "li   1");
    EXPECT_EQ(g.screen.at(3, 0).ch, 0);
    g.erase(1, 0, 0); // to the end of the row
    EXPECT_EQ(g.screen.rowText(0), "l");
    g.eraseRows(0, 1, 79, 23);
    for (int r = 0; r < 25; ++r)
        if (r != 0) {
            EXPECT_EQ(g.screen.rowText(r), "") << r;
        }
}

TEST(GenWin, PanelsSaveAndRestoreCellsLastInFirstOut) {
    ScriptedToolkit tk;
    GenWin& g = tk.genWin();
    g.clear();
    for (int r = 0; r < 10; ++r) g.screen.text(0, r, "abcdefghijklmnopqrst", 3);
    g.panel(2, 2, 10, 6, 1); // saved, erased, boxed
    EXPECT_EQ(g.stackDepth(), 1u);
    EXPECT_EQ(g.screen.at(2, 2).ch, 218);
    EXPECT_EQ(g.screen.at(10, 2).ch, 191);
    EXPECT_EQ(g.screen.at(2, 6).ch, 192);
    EXPECT_EQ(g.screen.at(10, 6).ch, 217);
    EXPECT_EQ(g.screen.at(5, 2).ch, 196);
    EXPECT_EQ(g.screen.at(2, 4).ch, 179);
    EXPECT_EQ(g.screen.at(2, 4).attr, 6);
    EXPECT_EQ(g.screen.at(5, 4).ch, 0);
    g.panel(4, 3, 8, 5, 4); // saved and erased, no box
    EXPECT_EQ(g.stackDepth(), 2u);
    EXPECT_EQ(g.screen.at(4, 3).ch, 0);
    g.panel(12, 0, 14, 1, 3); // erased only, not saved
    EXPECT_EQ(g.stackDepth(), 2u);
    EXPECT_EQ(g.screen.at(12, 0).ch, 0);
    g.panel(0, 0, 0, 0, 0); // restores the inner panel (the empty box inside)
    EXPECT_EQ(g.screen.at(4, 3).ch, 0);
    EXPECT_EQ(g.screen.at(2, 4).ch, 179);
    g.panel(0, 0, 0, 0, 0); // restores the original text
    EXPECT_EQ(g.screen.rowText(4), "abcdefghijklmnopqrst");
    EXPECT_EQ(g.screen.at(2, 4).attr, 3);
    EXPECT_EQ(g.stackDepth(), 0u);
    g.panel(0, 0, 0, 0, 0); // nothing saved: no change, no crash
    EXPECT_EQ(g.screen.rowText(2), "abcdefghijklmnopqrst");

    g.asciiDrawing = true;
    g.box(30, 10, 35, 12);
    EXPECT_EQ(g.screen.at(30, 11).ch, '|');
}

TEST(GenWin, CellTestAndClose) {
    ScriptedToolkit tk;
    GenWin& g = tk.genWin();
    EXPECT_FALSE(g.cellTest(0, 0, 79, 24)); // no click yet
    g.clickColumn = 12;
    g.clickRow = 3;
    EXPECT_TRUE(g.cellTest(10, 3, 12, 3));
    EXPECT_FALSE(g.cellTest(13, 3, 20, 3));
    EXPECT_FALSE(g.cellTest(10, 4, 20, 8));

    int closed = 0, redirected = 0;
    g.onClose = [&] { ++closed; };
    g.open();
    g.closeCommand = [&] { ++redirected; };
    g.close(); // runs the other window's command instead
    EXPECT_TRUE(g.isOpen());
    EXPECT_EQ(redirected, 1);
    g.close();
    EXPECT_FALSE(g.isOpen());
    EXPECT_EQ(closed, 1);
}

TEST(GenWin, AskCutsLongTextOverTwoPromptLines) {
    EXPECT_EQ(splitAskText("Short question?")[1], "");
    // First blank from position 35 on.
    std::string t = "Enter the attenuation in dB at the stopband edge frequency";
    auto lines = splitAskText(t);
    EXPECT_EQ(lines[0], "Enter the attenuation in dB at the stopband");
    EXPECT_EQ(lines[1], "edge frequency");
    // No blank between 35 and 50: cut at 50.
    std::string solid(60, 'x');
    lines = splitAskText(solid);
    EXPECT_EQ(lines[0].size(), 50u);
    EXPECT_EQ(lines[1].size(), 10u);

    ScriptedToolkit tk;
    tk.genWin().text = t;
    tk.answer("42");
    tk.genWin().ask();
    EXPECT_TRUE(tk.sawPrompt("Enter the attenuation in dB at the stopband"));
    EXPECT_TRUE(tk.sawPrompt("edge frequency"));
    EXPECT_EQ(tk.numberResult, 42.0);
}

TEST(GenWin, AskValueRepeatsUntilAnEmptyAnswer) {
    ScriptedToolkit tk;
    GenWin& g = tk.genWin();
    g.clear();
    g.gotoCell(4, 6);
    g.write("old text on this row that must go");
    g.gotoCell(4, 6);
    tk.answer("2.5");
    tk.answer("1e3");
    tk.answer("");
    double v = g.askValue("Ql", 100);
    EXPECT_EQ(v, 1000.0);
    EXPECT_TRUE(tk.sawPrompt("Ql (Cr = 100)?"));
    EXPECT_TRUE(tk.sawPrompt("Ql (Cr = 2.5)?"));
    EXPECT_TRUE(tk.sawPrompt("Ql (Cr = 1000)?"));
    EXPECT_TRUE(tk.sawPrompt("One final [Cr] to exit."));
    EXPECT_EQ(g.screen.rowText(6), "    Ql (Cr = 1000)?");
    EXPECT_EQ(g.whereRow(), 7);
    EXPECT_EQ(g.whereColumn(), 0);

    // An empty first answer keeps the default.
    tk.answer("");
    EXPECT_EQ(g.askValue("Qc", 250), 250.0);
}
