// The schematic editor's window offscreen: a bandpass design with two
// branches selected by mouse clicks, a command through the menu bar, the
// insert selector's page, and pictures for a person to look at.
#include "design/design_file.h"
#include "schematic/insert_selector.h"
#include "schematic/schematic_editor_window.h"
#include "ui/cp437.h"
#include "ui/scripted_toolkit.h"

#include <QApplication>
#include <QImage>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "../test_app.h"

#include "editor_window_cells.h"

using namespace tanvex;
using namespace tanvex::gui;

namespace {

using tanvex::testing::app;

void savePicture(QWidget* w, const char* name) {
    QImage img = w->grab().toImage();
    ASSERT_FALSE(img.isNull());
    EXPECT_TRUE(img.save(QString(TANVEX_PICTURE_DIR) + "/" + name));
}

Design bandpass(ui::Toolkit& tk) {
    Design d;
    std::string name = std::string(TANVEX_SOURCE_DIR) + "/resources/examples/bandpass";
    EXPECT_EQ(loadDesign(d, "", name, tk) & kDznFailed, 0);
    setDesignName(d, "bandpass");
    return d;
}

using tanvex::testing::clickCell;
using tanvex::testing::rowOfBranch;

class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        dir_ = std::filesystem::temp_directory_path() / "tanvex_editor_window_test";
        std::filesystem::create_directories(dir_);
        ::setenv("TMTANVEX", dir_.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

} // namespace

TEST_F(EditorWindow, BandpassWithTwoBranchesSelected) {
    ui::ScriptedToolkit tk;
    Design d = bandpass(tk);
    ASSERT_GE(entryCount(d.entries), 7);
    setSaved(d.record, true);
    SchematicEditorWindow w(d, &tk);
    w.resize(900, 640);
    w.show();
    QApplication::processEvents();
    EXPECT_EQ(w.windowTitle(), "Schematic Editor");
    EXPECT_EQ(w.menuButton(4)->text(), "SCALE:");
    w.view()->repaint();

    // Click the labels of branches 3 and 6.
    int r3 = rowOfBranch(w, 3), r6 = rowOfBranch(w, 6);
    ASSERT_GE(r3, 0);
    ASSERT_GE(r6, 0);
    clickCell(w, 30, r3);
    clickCell(w, 30, r6);
    EXPECT_EQ(w.editor().firstSelected(), 6);
    EXPECT_EQ(w.editor().secondSelected(), 3);
    w.view()->repaint();
    // Both labels red, the others white.
    EXPECT_EQ(w.screen().at(30, r3).attr, schematic::kAttrHighlight);
    EXPECT_EQ(w.screen().at(30, r6).attr, schematic::kAttrHighlight);
    EXPECT_EQ(w.screen().at(30, rowOfBranch(w, 1)).attr, schematic::kAttrNormal);
    EXPECT_NE(ui::cp437ToUtf8(w.screen().rowText(0)).find("Termination"), std::string::npos);
    savePicture(&w, "schematic_editor_bandpass.png");

    // A scale command from its menu: the design turns normalized.
    QTest::mouseClick(w.menuButton(4), Qt::LeftButton);
    EXPECT_EQ(w.currentMenu(), 4);
    QAction* norm = nullptr;
    for (QAction* a : w.menuBar()->actions())
        if (a->text() == "&Norm") norm = a;
    ASSERT_NE(norm, nullptr);
    norm->trigger();
    EXPECT_FALSE(w.editor().unchanged());
    EXPECT_EQ(d.notation.frequency.name, "Rad ");
    w.editor().run(schematic::kCmdSpread);
    w.view()->repaint();
    savePicture(&w, "schematic_editor_normalized.png");
    int n = entryCount(d.entries);
    EXPECT_LT(d.entries[n + 1].value, 0.16);

    // Closing asks; "No" returns to the design as it was.
    tk.answer("N");
    w.runCommand(schematic::kCmdExit);
    EXPECT_FALSE(w.isVisible());
    EXPECT_GT(d.entries[entryCount(d.entries) + 1].value, 1.0);
}

TEST_F(EditorWindow, InsertSelectorPage) {
    ui::ScriptedToolkit tk;
    Design d = bandpass(tk);
    SchematicEditorWindow w(d, &tk);
    w.resize(900, 640);
    w.show();
    bool shown = false;
    w.editor().showScreen = [&](const ui::TextScreen& s) {
        ui::TextScreen copy = s;
        w.view()->setScreen(&copy);
        w.view()->showingOther = true;
        w.view()->repaint();
        savePicture(&w, "schematic_insert_selector.png");
        w.view()->setScreen(&w.screen());
        w.view()->showingOther = false;
        shown = true;
    };
    tk.answer("1"); // after branch 1
    tk.answer("0"); // leave the selector at once
    w.runCommand(schematic::kCmdInsert);
    EXPECT_TRUE(shown);
}

TEST_F(EditorWindow, InsertSelectorFitsItsWindow) {
    ui::ScriptedToolkit tk;
    Design d = bandpass(tk);
    SchematicEditorWindow w(d, &tk);
    w.move(0, 0);
    w.resize(820, 400); // too short for the selector's pages
    w.show();
    QApplication::processEvents();
    tk.answer("1"); // after branch 1
    tk.answer("0"); // leave the selector
    w.runCommand(schematic::kCmdInsert);
    QApplication::processEvents();
    // Every row of the pages shows, or the window reaches the screen's foot.
    const int cell = w.view()->cellSize().height();
    const QRect avail = w.QWidget::screen()->availableGeometry();
    const bool allRows = w.view()->height() >= schematic::kInsertPageRow * cell + 25 * cell;
    EXPECT_TRUE(allRows || w.frameGeometry().bottom() >= avail.bottom())
        << w.view()->height() << " px for rows of " << cell << " px";
    EXPECT_GT(w.height(), 400);
    savePicture(&w, "schematic_insert_fits.png");
}

TEST_F(EditorWindow, LongNetworkScrollsAndKeepsTheMessageArea) {
    ui::ScriptedToolkit tk;
    Design d;
    int k = 0;
    d.entries[k++] = {50.0, 'R', 1};
    for (int s = 0; s < 12; ++s) {
        d.entries[k++] = {(s + 1) * 1e-12, 'C', 2};
        d.entries[k++] = {(s + 1) * 1e-9, 'L', 5};
        d.entries[k++] = {(s + 2) * 1e-12, 'C', 5};
    }
    d.entries[k++] = {50.0, 'R', 1};
    d.entries[k] = {100e6, 'x', 1};
    d.record[kSlotName].setText("long");
    setSaved(d.record, true);
    SchematicEditorWindow w(d, &tk);
    w.resize(900, 520);
    w.show();
    QApplication::processEvents();
    w.view()->repaint();
    int rows = w.screen().rows();
    int visible = rows - schematic::kMessageRows;
    // The drawing stops above the message area's frame.
    EXPECT_NE(w.screen().rowText(visible - 1), "");
    EXPECT_EQ(w.screen().at(0, visible).ch, 218);
    w.runCommand(schematic::kCmdSpread);
    QTest::keyClick(&w, Qt::Key_PageDown);
    EXPECT_EQ(w.editor().topBranch(), 10); // a group start
    w.view()->repaint();
    EXPECT_NE(w.screen().rowText(0).find(" 10 "), std::string::npos);
    EXPECT_NE(w.screen().rowText(visible + 1).find("Inductance range"), std::string::npos);
    savePicture(&w, "schematic_editor_scrolled.png");
    QTest::keyClick(&w, Qt::Key_Home);
    EXPECT_EQ(w.editor().topBranch(), 0);
    // Esc closes an unchanged design at once.
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
}
