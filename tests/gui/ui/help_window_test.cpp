// "TANVEX Help" on the packed help of the build tree.
#include "ui/help_window.h"
#include "ui/qt_toolkit.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "../test_app.h"

using namespace tanvex;
using namespace tanvex::gui;

namespace {

using tanvex::testing::app;

int countColour(const QImage& img, QColor c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == c) ++n;
    return n;
}

} // namespace

TEST(HelpWindow, ShowsPagesAndFollowsItsKeys) {
    app();
    QWidget main;
    main.show();
    QtToolkit tk(&main);
    tk.homeDirectory = TANVEX_BUILD_HOME;
    tk.showHelp("MAIN.HLW");
    HelpWindow* w = tk.helpWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "TANVEX Help");
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->button(HelpWindow::kTop)->text(), "Top <Home>");
    EXPECT_EQ(w->button(HelpWindow::kPrevious)->text(), "Previous <Page Up>");
    EXPECT_EQ(w->button(HelpWindow::kNext)->text(), "Next <Page Down>");
    EXPECT_EQ(w->button(HelpWindow::kExit)->text(), "<eXit>");
    EXPECT_EQ(w->button(HelpWindow::kNext)->width(), w->width() / 4 - 2);
    EXPECT_EQ(w->button(HelpWindow::kNext)->height(), 25);
    // The title line is white on blue, from row 3, column 1.
    EXPECT_EQ(w->screen().at(1, 3).attr, 23);
    EXPECT_NE(w->screen().rowText(3).find("TANVEX"), std::string::npos);
    QImage img = w->grab().toImage();
    img.save(QString(TANVEX_PICTURE_DIR) + "/ui_help_window.png");
    EXPECT_GT(countColour(img, QColor(0, 0, 255)), 500);   // title bar
    EXPECT_GT(countColour(img, QColor(255, 255, 0)), 200); // frame and highlights
    EXPECT_GT(countColour(img, QColor(0, 255, 255)), 50);  // cyan key names

    // Keys: Page Down, Up, X.
    QTest::keyClick(w, Qt::Key_PageDown);
    EXPECT_EQ(tk.helpViewer().page(), 1);
    EXPECT_NE(w->screen().rowText(3).find("status screen"), std::string::npos);
    w->grab().save(QString(TANVEX_PICTURE_DIR) + "/ui_help_window_page2.png");
    QTest::keyClick(w, Qt::Key_Up);
    EXPECT_EQ(tk.helpViewer().page(), 0);
    QTest::keyClick(w, Qt::Key_Down);
    QTest::keyClick(w, Qt::Key_Home);
    EXPECT_EQ(tk.helpViewer().page(), 0);

    // Asking for the topic shown keeps the window and its page.
    QTest::keyClick(w, Qt::Key_PageDown);
    tk.showHelp("MAIN.HLW");
    EXPECT_EQ(tk.helpWindow(), w);
    EXPECT_EQ(tk.helpViewer().page(), 1);

    QTest::keyClick(w, Qt::Key_X);
    EXPECT_FALSE(tk.helpViewer().isOpen());
    QApplication::processEvents();
    EXPECT_EQ(tk.helpWindow(), nullptr);

    // Another topic; Next past its last page closes the window; the right
    // mouse button closes it too.
    tk.showHelp("LIST.HLW");
    ASSERT_NE(tk.helpWindow(), nullptr);
    tk.helpWindow()->button(HelpWindow::kNext)->click();
    EXPECT_FALSE(tk.helpViewer().isOpen());
    tk.showHelp("PLOT.HLW");
    ASSERT_NE(tk.helpWindow(), nullptr);
    QWidget* page = tk.helpWindow()->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(page, nullptr);
    QTest::mouseClick(page, Qt::RightButton, {}, QPoint(200, 200));
    EXPECT_FALSE(tk.helpViewer().isOpen());

    // Escape closes it like eXit, and the keyboard goes back to the window
    // that asked for help.
    main.activateWindow();
    QApplication::processEvents();
    tk.showHelp("MAIN.HLW");
    ASSERT_NE(tk.helpWindow(), nullptr);
    QApplication::processEvents();
    QTest::keyClick(tk.helpWindow(), Qt::Key_Escape);
    EXPECT_FALSE(tk.helpViewer().isOpen());
    QApplication::processEvents();
    EXPECT_EQ(tk.helpWindow(), nullptr);
    EXPECT_EQ(QApplication::activeWindow(), &main);
}

TEST(QtToolkitFocus, AClosedBoxGivesTheKeyboardBack) {
    app();
    QWidget main;
    main.show();
    main.activateWindow();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), &main);
    // A box without a parent, as the programs' own boxes may be.
    QtToolkit tk(nullptr);
    tk.onBoxShown = [](QWidget* box) { QTimer::singleShot(0, box, [box] { box->close(); }); };
    tk.notice("A notice");
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &main);
    tk.respond("A question?", 'Y');
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &main);
}

TEST(HelpWindow, MissingFilesGiveTheNoticeAndNoWindow) {
    app();
    QtToolkit tk;
    tk.homeDirectory = std::string(TANVEX_PICTURE_DIR) + "/no-such-home";
    QString text;
    tk.onBoxShown = [&](QWidget* box) {
        text = box->findChild<QLabel*>("qt_msgbox_label")
                   ? box->findChild<QLabel*>("qt_msgbox_label")->text()
                   : QString();
        box->close();
    };
    tk.showHelp("MAIN.HLW");
    EXPECT_EQ(text, "HLW_NDX.DAT or MAIN.HLW files missing!");
    EXPECT_EQ(tk.helpWindow(), nullptr);
}
