#include "design/filename_list_dialog.h"
#include "ui/scripted_toolkit.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tanvex;

namespace {

Design designWithFiles() {
    Design d;
    setDesignName(d, "bandpass");
    d.fileList = {"lowpass", "notch_144", "", "", "", "", "", ""};
    d.record[5].setText("diplexer");
    for (int i = 3; i <= 10; ++i)
        if (i != 5) d.record[i].setText("x");
    return d;
}

void ensureApp() {
    static int argc = 1;
    static char name[] = "filename_list_dialog_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

void savePicture(QWidget& w, const char* name) {
    w.grab().save(QString::fromLatin1(TANVEX_PICTURE_DIR) + "/" + name);
}

} // namespace

TEST(FilenameListDialog, ShowsTheListAndCopiesTheActiveName) {
    ensureApp();
    Design d = designWithFiles();
    ui::ScriptedToolkit tk;
    gui::FilenameListDialog dlg(d, tk);
    dlg.show();
    QApplication::processEvents();
    EXPECT_EQ(dlg.windowTitle(), "Filename list");
    EXPECT_EQ(dlg.fieldEdit(0)->text(), "lowpass");
    EXPECT_EQ(dlg.fieldEdit(2)->text(), "diplexer");
    savePicture(dlg, "filename_list.png");

    // Focus on field f4, then "&Active --> fx" fills it without a question.
    dlg.fieldEdit(3)->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(dlg.model().selected(), 3);
    dlg.button("&Active --> fx")->click();
    EXPECT_EQ(dlg.fieldEdit(3)->text(), "bandpass");
    EXPECT_TRUE(tk.log.empty());
    // Over a full field it asks first; N keeps the name.
    dlg.fieldEdit(0)->setFocus();
    QApplication::processEvents();
    tk.answer("N");
    dlg.button("&Active --> fx")->click();
    EXPECT_TRUE(tk.sawPrompt("Overwrite ?"));
    EXPECT_EQ(dlg.fieldEdit(0)->text(), "lowpass");

    // Typing into a field, then Clear on another.
    dlg.fieldEdit(4)->setFocus();
    QTest::keyClicks(dlg.fieldEdit(4), "typed_name");
    dlg.fieldEdit(1)->setFocus();
    QApplication::processEvents();
    dlg.button("&Clear fx")->click();
    EXPECT_EQ(dlg.fieldEdit(1)->text(), "");

    // e&Xit stores the compacted list.
    dlg.button("e&Xit")->click();
    EXPECT_EQ(dlg.result(), gui::FilenameListDialog::kExit);
    EXPECT_TRUE(d.listEdited);
    EXPECT_EQ(d.fileList[0], "lowpass");
    EXPECT_EQ(d.fileList[1], "diplexer");
    EXPECT_EQ(d.fileList[2], "bandpass");
    EXPECT_EQ(d.fileList[3], "typed_name");
    EXPECT_EQ(d.record[6].str(), "typed_name");
    EXPECT_EQ(d.record[7].str(), "x");
}

TEST(FilenameListDialog, EnterMovesToOperationWhichTakesTheName) {
    ensureApp();
    Design d = designWithFiles();
    ui::ScriptedToolkit tk;
    gui::FilenameListDialog dlg(d, tk);
    std::string help;
    dlg.showHelp = [&](const std::string& page) { help = page; };
    dlg.show();
    QApplication::processEvents();
    dlg.button("&?-Help")->click();
    EXPECT_EQ(help, "LIST.HLW");

    dlg.fieldEdit(1)->setFocus();
    QApplication::processEvents();
    QTest::keyClick(dlg.fieldEdit(1), Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), dlg.button("fx -->&Operation"));
    EXPECT_TRUE(dlg.isVisible());
    QTest::keyClick(dlg.button("fx -->&Operation"), Qt::Key_Return);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), gui::FilenameListDialog::kOperation);
    EXPECT_EQ(designName(d), "notch_144");
    EXPECT_TRUE(d.listEdited);
}

TEST(FilenameListDialog, RightButtonAndNewList) {
    ensureApp();
    Design d = designWithFiles();
    ui::ScriptedToolkit tk;
    gui::FilenameListDialog dlg(d, tk);
    dlg.show();
    QApplication::processEvents();
    tk.answer("Y");
    dlg.button("&New")->click();
    EXPECT_EQ(dlg.fieldEdit(0)->text(), "");
    QTest::mouseClick(&dlg, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(d.fileList[0], "");
    EXPECT_EQ(d.record[3].str(), "x");
}
