// A network transform from the editor window's NORT: menu: the branch is
// clicked, "&Xform" asks only for the ratio, the transformed bandpass is
// drawn (a picture for a person to look at), and "&Oops!" brings back the
// very same network.
#include "design/design_file.h"
#include "schematic/schematic_editor_window.h"
#include "ui/scripted_toolkit.h"

#include <QApplication>
#include <QImage>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "../test_app.h"

#include "editor_window_cells.h"

using namespace tanvex;
using namespace tanvex::gui;

TEST(EditorTransformWindow, XformFromTheNortonMenuAndUndo) {
    tanvex::testing::app();
    auto dir = std::filesystem::temp_directory_path() / "tanvex_editor_transform_window_test";
    std::filesystem::create_directories(dir);
    ::setenv("TMTANVEX", dir.c_str(), 1);
    ui::ScriptedToolkit tk;
    Design d;
    ASSERT_EQ(
        loadDesign(d, "", std::string(TANVEX_SOURCE_DIR) + "/resources/examples/bandpass", tk) &
            kDznFailed,
        0);
    setDesignName(d, "bandpass");
    setSaved(d.record, true);
    const EntryList before = d.entries;
    SchematicEditorWindow w(d, &tk);
    w.resize(900, 640);
    w.show();
    QApplication::processEvents();
    w.view()->repaint();

    QTest::mouseClick(w.menuButton(5), Qt::LeftButton);
    EXPECT_EQ(w.currentMenu(), 5);
    QAction* xform = nullptr;
    for (QAction* a : w.menuBar()->actions())
        if (a->text() == "&Xform") xform = a;
    ASSERT_NE(xform, nullptr);
    int row = tanvex::testing::rowOfBranch(w, 3);
    ASSERT_GE(row, 0);
    tanvex::testing::clickCell(w, 30, row);
    tk.answer("1.5");
    xform->trigger();
    EXPECT_FALSE(tk.sawPrompt("At what branch number ? ")); // the click answered it
    EXPECT_TRUE(tk.sawPrompt("Impedance ratio (Cr for Preset) ?"));
    EXPECT_TRUE(tk.notices().empty());
    EXPECT_EQ(entryCount(d.entries), entryCount(before) + 1);
    EXPECT_DOUBLE_EQ(d.entries[0].value, before[0].value * 1.5);
    EXPECT_FALSE(w.editor().unchanged());
    w.editor().run(schematic::kCmdSpread);
    w.view()->repaint();
    QImage img = w.grab().toImage();
    ASSERT_FALSE(img.isNull());
    EXPECT_TRUE(img.save(QString(TANVEX_PICTURE_DIR) + "/schematic_editor_xform.png"));

    w.runCommand(schematic::kCmdOops);
    for (int i = 0; i < kEntrySlots; ++i) {
        EXPECT_EQ(d.entries[i].code, before[i].code) << i;
        EXPECT_EQ(d.entries[i].letter, before[i].letter) << i;
        EXPECT_EQ(std::memcmp(&d.entries[i].value, &before[i].value, sizeof(double)), 0) << i;
    }
    tk.answer("Y");
    w.runCommand(schematic::kCmdExit);
    std::filesystem::remove_all(dir);
}
