// The editor's window on an elliptic bandpass made by its own Bandpass
// command: resonator pairs with their "Fx =" resonance, one element of a
// pair picked by the column of the click, and a picture for a person to
// look at.
#include "design/operations.h"
#include "schematic/schematic_editor_window.h"
#include "ui/cp437.h"
#include "ui/scripted_toolkit.h"

#include <QApplication>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "editor_window_cells.h"

using namespace tanvex;
using namespace tanvex::gui;

namespace {

int argc = 1;
char arg0[] = "gui_schematic_bandpass_picture_test";
char* argv[] = {arg0, nullptr};

using tanvex::testing::clickCell;
using tanvex::testing::rowOfBranch;

} // namespace

TEST(EditorBandpassPicture, PairsAndAnElementPickedByColumn) {
    static QApplication* app = new QApplication(argc, argv); // lives for the run
    (void)app;
    auto dir = std::filesystem::temp_directory_path() / "tanvex_editor_bandpass_picture";
    std::filesystem::create_directories(dir);
    ::setenv("TMTANVEX", dir.c_str(), 1);

    // A third-order elliptic lowpass, 50 ohms, 20 MHz: shunt C, a series
    // L || C trap, shunt C.
    const double w = 2.0 * M_PI * 20e6, r = 50.0;
    Design d;
    d.entries[0] = {r, 'R', 1};
    d.entries[1] = {0.8 / (w * r), 'C', 2};
    d.entries[2] = {1.0 * r / w, 'L', 5};
    d.entries[3] = {0.15 / (w * r), 'C', 5};
    d.entries[4] = {0.8 / (w * r), 'C', 2};
    d.entries[5] = {r, 'R', 1};
    d.entries[6] = {20e6, 'x', 1};
    d.record[kSlotName].setText("ellbp");
    d.record[16].letter = '4';
    reapplyStoredNotation(d);
    setSaved(d.record, true);

    ui::ScriptedToolkit tk;
    SchematicEditorWindow win(d, &tk);
    win.resize(900, 640);
    win.show();
    QApplication::processEvents();
    tk.answer("100"); // geometric centre, MHz
    win.runCommand(schematic::kCmdBandpass);
    ASSERT_FALSE(tk.sawNotice("* Incorrect configuration *"));
    // C+L, two code-5 pairs from the trap, C+L.
    const int n = entryCount(d.entries);
    ASSERT_EQ(n, 9);
    EXPECT_EQ(d.entries[3].code, 5);
    EXPECT_EQ(d.entries[5].code, 5);
    EXPECT_DOUBLE_EQ(d.entries[n + 1].value, 100e6);
    win.view()->repaint();

    // The first pair's line: its second element picked by clicking its
    // label (beyond column 40), and the shunt inductor of branch 8.
    const int pairRow = rowOfBranch(win, 3);
    const int shuntRow = rowOfBranch(win, 8);
    ASSERT_GE(pairRow, 0);
    ASSERT_GE(shuntRow, 0);
    clickCell(win, 45, pairRow);
    clickCell(win, 30, shuntRow);
    EXPECT_EQ(win.editor().firstSelected(), 8);
    EXPECT_EQ(win.editor().secondSelected(), 4);
    win.view()->repaint();
    const ui::TextScreen& s = win.screen();
    std::string pairLine = ui::cp437ToUtf8(s.rowText(pairRow));
    EXPECT_EQ(pairLine.rfind("  3.│             ", 0), 0u) << pairLine;
    std::size_t fx = s.rowText(pairRow).find("Fx = ");
    ASSERT_NE(fx, std::string::npos);
    EXPECT_EQ(s.at(30, pairRow).attr, schematic::kAttrNormal);    // the C, not chosen
    EXPECT_EQ(s.at(45, pairRow).attr, schematic::kAttrHighlight); // the chosen L
    EXPECT_EQ(s.at(static_cast<int>(fx), pairRow).attr, schematic::kAttrNormal);
    EXPECT_EQ(s.at(30, shuntRow).attr, schematic::kAttrHighlight);
    // The rails run unbroken from the termination to the source.
    for (int row = 1; row < rowOfBranch(win, n); ++row) {
        unsigned char c = static_cast<unsigned char>(s.at(4, row).ch);
        EXPECT_TRUE(c == 179 || c == 195 || c == 198) << "row " << row << " column 4: " << int(c);
    }
    QImage img = win.grab().toImage();
    ASSERT_FALSE(img.isNull());
    EXPECT_TRUE(img.save(QString(TANVEX_PICTURE_DIR) + "/schematic_editor_elliptic_bandpass.png"));

    // The selection is the pre-typed answer of Change: two inductors, so
    // after the confirmation both take the typed value.
    tk.answer("Y");
    tk.answer("47");
    win.runCommand(schematic::kCmdChange);
    EXPECT_DOUBLE_EQ(d.entries[4].value, 47e-9);
    EXPECT_DOUBLE_EQ(d.entries[8].value, 47e-9);
    EXPECT_EQ(win.editor().firstSelected(), -1);

    tk.answer("N");
    win.runCommand(schematic::kCmdExit);
    EXPECT_EQ(entryCount(d.entries), 5); // the lowpass again
    std::filesystem::remove_all(dir);
}
