// The "Reference values" and "Standard library lp" windows on the offscreen
// platform: the buttons apply the kind and its usage flags, the library
// choice lands in the record, and pictures for a person to look at.
#include "synthesis/prototype.h"
#include "synthesis/reference_dialogs.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tanvex;

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "reference_dialogs_test";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

void savePicture(QWidget& w, const char* name) {
    w.grab().save(QString::fromLatin1(TANVEX_PICTURE_DIR) + "/" + name);
}

} // namespace

TEST(ReferenceValuesWindow, ButtonChoosesKindAndFlags) {
    app();
    DesignRecord rec{};
    rec[0].setText("x11111111111111111111");
    gui::ReferenceValuesDialog dlg(rec);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "Reference values");
    EXPECT_EQ(dlg.kindButton(1)->text(), "calc &Chev or Butt");
    EXPECT_EQ(dlg.kindButton(7)->text(), "standard &Library lp");
    savePicture(dlg, "reference_values.png");
    dlg.kindButton(4)->click();
    EXPECT_EQ(dlg.result(), synthesis::kRefElliptic);
    EXPECT_EQ(rec[0].value, 4);
    EXPECT_EQ(rec[0].str().substr(0, 5), "x1111");
    EXPECT_EQ(rec[0].str()[14], '-');
}

TEST(ReferenceValuesWindow, LibraryKindAsksFamilyAndSymmetry) {
    app();
    DesignRecord rec{};
    rec[0].setText("x11111111111111111111");
    gui::ReferenceValuesDialog dlg(rec);
    dlg.show();
    // The library window opens modally; answer it once it is up.
    QTimer::singleShot(0, [] {
        auto* lib = qobject_cast<gui::StandardLibraryDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(lib, nullptr);
        lib->familyButton(3)->setChecked(true);
        lib->symmetryButton(2)->setChecked(true);
        savePicture(*lib, "standard_library_lp.png");
        lib->accept();
    });
    dlg.kindButton(7)->click();
    EXPECT_EQ(dlg.result(), synthesis::kRefLibrary);
    EXPECT_EQ(rec[13].letter, '3');
    EXPECT_EQ(rec[14].letter, '2');
    EXPECT_EQ(rec[13].str(), "x");
}

TEST(StandardLibraryWindow, PresetsFromTheRecordAndKeepsItOnCancel) {
    app();
    DesignRecord rec{};
    rec[13].letter = '5';
    rec[14].letter = '2';
    rec[13].setText("/data/lib/");
    gui::StandardLibraryDialog lib(rec);
    EXPECT_EQ(lib.windowTitle(), "Standard library lp");
    EXPECT_TRUE(lib.familyButton(5)->isChecked());
    EXPECT_TRUE(lib.symmetryButton(2)->isChecked());
    EXPECT_EQ(lib.pathEdit()->text(), "/data/lib/");
    lib.familyButton(1)->setChecked(true);
    lib.reject();
    EXPECT_EQ(rec[13].letter, '5');
}
