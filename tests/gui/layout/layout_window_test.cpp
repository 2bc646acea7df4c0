// KORVADEX's window offscreen: the design drawn with its parts, keys and
// clicks, the chip capacitor box, the coil window, the DEFAULTS dialog, the
// material options and the close prompt, with pictures for a person to
// look at.
#include "coil/coil_window.h"
#include "layout/defaults_dialog.h"
#include "layout/layout_window.h"
#include "ui/qt_toolkit.h"
#include "ui/scripted_toolkit.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "../test_app.h"

using namespace tanvex;
using namespace tanvex::gui;
namespace fs = std::filesystem;

namespace {

using tanvex::testing::app;

void savePicture(QWidget* w, const char* name) {
    QImage img = w->grab().toImage();
    ASSERT_FALSE(img.isNull());
    EXPECT_TRUE(img.save(QString(TANVEX_PICTURE_DIR) + "/" + name));
}

struct Scratch {
    fs::path dir;
    Scratch() {
        dir = fs::temp_directory_path() / ("tanvex_kdx_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::copy_file(fs::path(TANVEX_SOURCE_DIR) / "resources/examples/parts.dzn",
                      dir / "parts.dzn");
        ::setenv("TMTANVEX", dir.c_str(), 1);
    }
    ~Scratch() {
        ::unsetenv("TMTANVEX");
        fs::remove_all(dir);
    }
    QString path(const char* name) const { return QString::fromStdString((dir / name).string()); }
};

// Row of the first screen line showing a branch.
int rowOf(LayoutWindow& w, const std::string& text) {
    for (int r = 0; r < w.screen().rows(); ++r)
        if (w.screen().rowText(r).find(text) != std::string::npos) return r;
    return -1;
}

} // namespace

TEST(LayoutWindow, ShowsTheDesignAndMovesWithKeysAndClicks) {
    app();
    Scratch s;
    ui::ScriptedToolkit tk;
    LayoutWindow w(&tk);
    w.layout().jobPath = (s.dir / "kdx_job.dat").string();
    ASSERT_TRUE(w.layout().loadMenu(TANVEX_BUILD_HOME "/cmenu.kdx", tk));
    w.show();
    EXPECT_EQ(w.windowTitle(), "KORVADEX  Ver. 6.0");
    EXPECT_EQ(w.size(), QSize(730, 480));
    EXPECT_FALSE(w.windowIcon().isNull());
    ASSERT_TRUE(w.openDesign(s.path("parts.dzn")));
    EXPECT_EQ(w.screen().rowText(0), " File: " + s.dir.string() + "/parts");
    int m = w.screen().rows() - 2;
    EXPECT_EQ(w.screen().rowText(m).substr(0, 16), " C1 10.000 pFd. ");
    EXPECT_NE(w.screen().rowText(m).find("Cap material selected= NPO c K=12 10 Mills thick"),
              std::string::npos);
    EXPECT_NE(w.screen().rowText(m).find("Avg Ql=179"), std::string::npos);
    EXPECT_EQ(w.screen().rowText(m + 1), " 0.211 x 0.211 x 0.010 In.  NPO c");
    savePicture(&w, "korvadex_main.png");

    QTest::keyClick(&w, Qt::Key_Down);
    EXPECT_EQ(w.layout().current, 2);
    QTest::keyClick(&w, Qt::Key_End);
    EXPECT_EQ(w.layout().current, w.layout().design.count - 1);
    QTest::keyClick(&w, Qt::Key_Home);
    EXPECT_EQ(w.layout().current, 1);
    QTest::keyClick(&w, Qt::Key_Up);
    EXPECT_EQ(w.layout().current, 1);

    // A click on branch 4's line makes it current; the label of branch 3's
    // chip is coloured as a part worked out.
    int row = rowOf(w, "220 nHy");
    ASSERT_GT(row, 0);
    QPoint at = w.view()->cellOrigin(10, row) + QPoint(2, 2);
    QTest::mouseClick(w.view(), Qt::LeftButton, {}, at);
    EXPECT_EQ(w.layout().current, 4);
    EXPECT_EQ(w.screen().rowText(w.screen().rows() - 2).substr(0, 5), " L4 2");

    // Branch 3 sits on chip 1: with 3 current, chip 1's label gets the arrow.
    w.layout().current = 3;
    w.refresh();
    int r1 = rowOf(w, "10 pFd");
    ASSERT_GT(r1, 0);
    EXPECT_NE(w.screen().rowText(r1).find(">"), std::string::npos);

    // The material options beside the schematic.
    w.runCommand(layout::kCmdMaterialOptions);
    EXPECT_GT(rowOf(w, "Material   Width    Length"), 0);
    EXPECT_GT(rowOf(w, "> On C1: 211 x 211 <"), 0);
    savePicture(&w, "korvadex_material_options.png");
    // Any other command takes them away.
    QTest::keyClick(&w, Qt::Key_Down);
    EXPECT_LT(rowOf(w, "Material   Width    Length"), 0);
}

TEST(LayoutWindow, ChipCapacitorThroughItsSingleKeyBox) {
    app();
    Scratch s;
    LayoutWindow w;
    auto* qt = dynamic_cast<QtToolkit*>(&w.toolkit());
    ASSERT_NE(qt, nullptr);
    ASSERT_TRUE(w.layout().loadMenu(TANVEX_BUILD_HOME "/cmenu.kdx", w.toolkit()));
    w.show();
    ASSERT_TRUE(w.openDesign(s.path("parts.dzn")));
    w.layout().design.branches[1].description.clear();
    int boxes = 0;
    qt->onBoxShown = [&](QWidget* box) {
        EXPECT_EQ(box->windowTitle(), "Single key");
        if (boxes++ == 0) savePicture(box, "korvadex_chip_box.png");
        QTest::keyClick(box, Qt::Key_X);
    };
    QTest::keyClick(&w, Qt::Key_Return);
    EXPECT_EQ(boxes, 1);
    // NPO at K = 12, 10 mils: 10 pF is a square of sqrt(10 x 0.010 / 2.6952) in.
    EXPECT_EQ(w.layout().design.branches[1].description, "0.193 x 0.193 x 0.010 In.  NPO c");
    EXPECT_TRUE(w.layout().design.modified);
    qt->onBoxShown = [&](QWidget* box) { QTest::keyClick(box, Qt::Key_Q); };
    w.close(); // modified: the close prompt answers Q
    EXPECT_FALSE(w.isVisible());
}

TEST(LayoutWindow, CoilThroughTheCoilWindowAndTheDefaultsDialog) {
    app();
    Scratch s;
    ui::ScriptedToolkit tk;
    LayoutWindow w(&tk);
    w.layout().jobPath = (s.dir / "kdx_job.dat").string();
    ASSERT_TRUE(w.layout().loadMenu(TANVEX_BUILD_HOME "/cmenu.kdx", tk));
    w.show();
    ASSERT_TRUE(w.openDesign(s.path("parts.dzn")));
    w.layout().current = 2;
    w.layout().design.branches[2].description.clear();
    // No wire gauge yet: the notice, then the DEFAULTS dialog.
    int dialogs = 0;
    std::function<void(DefaultsDialog*)> fillDefaults;
    w.onDefaults = [&](DefaultsDialog* d) {
        QTimer::singleShot(0, d, [&, d] { fillDefaults(d); });
    };
    fillDefaults = [&](DefaultsDialog* d) {
        ++dialogs;
        QLineEdit* gauge = d->edit(50);
        ASSERT_NE(gauge, nullptr);
        gauge->setText("22");
        d->edit(52)->setText("-1"); // refused, shown again as the default range
        d->takeAll();
        EXPECT_EQ(d->edit(52)->text(), "0.6");
        EXPECT_EQ(d->edit(51)->text(), "Auto");
        EXPECT_EQ(d->edit(54)->text(), "76.0"); // three diameters of #22 wire
        savePicture(d, "korvadex_defaults.png");
        d->findChild<QPushButton*>("button20")->click();
    };
    w.runCommand(layout::kCmdWorkOut);
    EXPECT_TRUE(tk.sawNotice("Wire gauge not set"));
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(w.layout().defaults.gauge, 22);
    EXPECT_LE(w.layout().defaults.lowPitch, 0.0);

    w.runCommand(layout::kCmdWorkOut);
    CoilWindow* c = w.coilWindow();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->kind(), coil::CoilScreenKind::Layout);
    // 150 nH in shunt beside the 10 pF shunt chip: a tank, whose resonance
    // is the frequency the coil is designed at.
    EXPECT_NEAR(c->calculator().state.required, 0.15, 1e-12);
    EXPECT_NEAR(c->calculator().state.frequency, 1e-6 / (2 * M_PI * std::sqrt(150e-9 * 10e-12)),
                1e-9);
    savePicture(c, "korvadex_coil.png");
    c->runCommand(coil::kCoilExit);
    QApplication::processEvents();
    const std::string& desc = w.layout().design.branches[2].description;
    EXPECT_NE(desc.find(" turns #22 AWG on "), std::string::npos) << desc;
    EXPECT_TRUE(w.layout().design.branches[2].changed);

    // Saved and read again by a fresh window: the part is there.
    w.runCommand(layout::kCmdSave);
    LayoutWindow again(&tk);
    ASSERT_TRUE(again.openDesign(s.path("parts.dzn")));
    EXPECT_EQ(again.layout().design.branches[2].description, desc);
    w.close();
}

TEST(LayoutWindow, ClosePromptKeepsUnsavedWork) {
    app();
    Scratch s;
    ui::ScriptedToolkit tk;
    LayoutWindow w(&tk);
    w.layout().jobPath = (s.dir / "kdx_job.dat").string();
    w.show();
    ASSERT_TRUE(w.openDesign(s.path("parts.dzn")));
    w.layout().current = 1;
    tk.answer("4");
    w.runCommand(layout::kCmdSplit);
    EXPECT_EQ(w.layout().design.count, 14);
    tk.answer("X");
    w.close();
    EXPECT_TRUE(w.isVisible());
    tk.answer("S");
    w.close();
    EXPECT_FALSE(w.isVisible());
    LayoutWindow again(&tk);
    ASSERT_TRUE(again.openDesign(s.path("parts.dzn")));
    EXPECT_EQ(again.layout().design.count, 14);
    std::ifstream job(s.dir / "kdx_job.dat");
    std::string dir;
    std::getline(job, dir);
    EXPECT_EQ(dir, s.dir.string() + "\r");
}

TEST(LayoutWindow, ChangeMenuLoadsAnotherMaterialMenu) {
    app();
    Scratch s;
    ui::ScriptedToolkit tk;
    LayoutWindow w(&tk);
    w.show();
    ASSERT_TRUE(w.openDesign(s.path("parts.dzn")));
    {
        std::ofstream f(s.dir / "other.kdx", std::ios::binary);
        f << "Quartz                                 3.8     0.020\r\n";
    }
    w.chooseFile = [&](int kind) {
        EXPECT_EQ(kind, 21);
        return s.path("other.kdx");
    };
    int dialogs = 0;
    w.onDefaults = [&](DefaultsDialog* d) {
        int n = ++dialogs;
        QTimer::singleShot(0, d, [d, n] {
            d->findChild<QPushButton*>(n == 1 ? "button21" : "button20")->click();
        });
    };
    w.runCommand(layout::kCmdDefaults);
    EXPECT_EQ(dialogs, 2);
    EXPECT_EQ(w.layout().menu.path, s.dir.string() + "/other.kdx");
    EXPECT_EQ(w.layout().defaults.material.name, "Quartz");
    EXPECT_DOUBLE_EQ(w.layout().defaults.material.k, 3.8);

    // The chip window's M key, left through "Change menu": the window
    // closes, the menu is changed, DEFAULTS opens again and the part is
    // worked out again (X stores it with the new material).
    dialogs = 0;
    w.layout().current = 1;
    tk.answer("M");
    tk.answer("X");
    w.runCommand(layout::kCmdWorkOut);
    EXPECT_EQ(dialogs, 2);
    EXPECT_EQ(w.layout().design.branches[1].description.substr(27), "Quart");
}

TEST(LayoutWindow, HairpinThroughItsSingleKeyBox) {
    app();
    Scratch s;
    LayoutWindow w;
    auto* qt = dynamic_cast<QtToolkit*>(&w.toolkit());
    ASSERT_NE(qt, nullptr);
    w.show();
    ASSERT_TRUE(w.openDesign(s.path("parts.dzn")));
    w.layout().defaults.setGauge(20);
    w.layout().current = 7; // 45 degrees of 100-ohm line at 100 MHz
    w.layout().design.branches[7].description.clear();
    int boxes = 0;
    qt->onBoxShown = [&](QWidget* box) {
        EXPECT_EQ(box->windowTitle(), "Single key");
        if (boxes++ == 0) savePicture(box, "korvadex_hairpin_box.png");
        QTest::keyClick(box, Qt::Key_X);
    };
    QTest::keyClick(&w, Qt::Key_Return);
    EXPECT_EQ(boxes, 1);
    // An eighth of a wavelength at 100 MHz is 14.754 in.; #20 wire at
    // 100 ohms is 0.044 in. apart.
    EXPECT_EQ(w.layout().design.branches[7].description.substr(0, 14), "0.044 x 14.754");
    w.layout().design.modified = false;
    w.close();
}
