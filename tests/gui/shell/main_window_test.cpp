// The main window offscreen: a design loaded from its folder, the status
// screen, menus and accelerators, the notation dialog and the exit.
#include "shell/main_window.h"
#include "shell/shell_dialogs.h"

#include "design/design_file.h"
#include "design/filename_list_dialog.h"
#include "ui/help.h"
#include "ui/qt_toolkit.h"
#include "ui/scripted_toolkit.h"
#include "ui/text_screen_widget.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tanvex;
using namespace tanvex::gui;
namespace fs = std::filesystem;

namespace {

int argc = 1;
char arg0[] = "gui_shell_main_window_test";
char* argv[] = {arg0, nullptr};
QApplication* app() {
    static QApplication* a = [] {
        auto* p = new QApplication(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        return p;
    }();
    return a;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A folder holding bandpass.spk / bandpass.dzn, made the working directory.
class DesignFolder {
public:
    DesignFolder() : old_(fs::current_path()) {
        dir_ = fs::path(TANVEX_BUILD_HOME).parent_path() / "tests" / "gui_shell_designs";
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
        ui::ScriptedToolkit tk;
        Design d;
        newDesign(d.entries);
        setEntry(d.entries, 0, 50.0, 'R', 1);
        setEntry(d.entries, 1, 39e-9, 'L', 4);
        setEntry(d.entries, 2, 65e-12, 'C', 4);
        setEntry(d.entries, 3, 50.0, 'R', 1);
        setEntry(d.entries, 4, 100e6, 'x', 1);
        for (int i = 0; i < kSavedSlots; ++i) {
            d.record[i].letter = 'x';
            d.record[i].setText("x");
        }
        d.record[kSlotSettings].setText(kDefaultSettings);
        d.record[kSlotRefLowpass].setText("-____11111-1-___-----");
        d.record[kSlotDesignType].value = 3;
        d.record[kSlotNotation].letter = '3';
        d.record[8].letter = 'F';
        d.record[9].letter = 'L';
        d.analysis = {50, 200, 1, 150, 500, 1e11, 50};
        setDesignName(d, "bandpass");
        EXPECT_EQ(saveDesign(d, dir_.string(), "bandpass", tk), 0);
    }
    ~DesignFolder() { fs::current_path(old_); }
    std::string path() const { return dir_.string(); }

private:
    fs::path old_;
    fs::path dir_;
};

// Everything a running tanvexw holds.
struct Program {
    Design design;
    QtToolkit toolkit;
    shell::Shell shell{design, toolkit};
    MainWindow window{shell, toolkit};
    std::vector<std::string> boxes; // texts of the toolkit's boxes, closed at once

    Program() {
        toolkit.onBoxShown = [this](QWidget* w) {
            if (auto* m = qobject_cast<QMessageBox*>(w)) boxes.push_back(m->text().toStdString());
            if (auto* d = qobject_cast<QDialog*>(w)) d->accept();
        };
    }
};

std::string cells(const ui::TextScreen& s, int col, int row, int n) {
    std::string out;
    for (int c = col; c < col + n; ++c)
        out += static_cast<char>(s.at(c, row).ch ? s.at(c, row).ch : ' ');
    return out;
}

} // namespace

TEST(MainWindow, ShowsTheDesignNamedOnTheCommandLine) {
    app();
    DesignFolder folder;
    Program p;
    p.window.show();
    EXPECT_EQ(p.window.startUp("bandpass"), 0);
    EXPECT_EQ(p.window.windowTitle(), "*** TANVEX ***");
    const ui::TextScreen& s = p.shell.status;
    EXPECT_EQ(cells(s, 48, 4, 23), " Active file: bandpass ");
    EXPECT_EQ(cells(s, 5, 6, 10), "Programmed");
    EXPECT_EQ(cells(s, 26, 3, 17), "  Ind. Ql= 150   ");
    EXPECT_EQ(cells(s, 26, 5, 15), "Trans. Qt= Inf.");
    // The default rectangle of a first start.
    EXPECT_EQ(p.window.width(), 640);
    EXPECT_EQ(p.window.height(), 480);
    QApplication::processEvents();
    {
        // Every status line ends inside the window: the working directory
        // (this test's long folder) keeps its last part behind "...".
        TextScreenWidget* v = p.window.statusView();
        const int shown = (v->width() - v->leftMargin()) / v->cellSize().width();
        for (int row = 0; row < s.rows(); ++row)
            EXPECT_LE(static_cast<int>(s.rowText(row).size()), shown) << row;
        std::string dir = s.rowText(2).substr(48);
        EXPECT_EQ(dir.substr(0, 23), " Working directory: ...") << dir;
        const std::string cwd = QDir::currentPath().toStdString();
        const std::string tail = dir.substr(23);
        EXPECT_EQ(cwd.substr(cwd.size() - tail.size()), tail);
        EXPECT_EQ(cells(s, 48, 4, 23), " Active file: bandpass ");
        p.window.grab().save(QString(TANVEX_PICTURE_DIR) + "/shell_main_window_default.png");
    }

    p.window.resize(860, 300);
    QApplication::processEvents();
    QImage img = p.window.grab().toImage();
    img.save(QString(TANVEX_PICTURE_DIR) + "/shell_main_window.png");

    // The active file's white-on-blue field is painted where its cells are.
    TextScreenWidget* v = p.window.statusView();
    QPoint o = v->mapTo(&p.window, v->cellOrigin(49, 4));
    QSize cell = v->cellSize();
    QColor bg = img.pixelColor(o + QPoint(1, cell.height() / 2 - 3));
    EXPECT_EQ(bg, QColor(0, 0, 255));
    QPoint r = v->mapTo(&p.window, v->cellOrigin(49, 2));
    EXPECT_EQ(img.pixelColor(r + QPoint(1, 1)), QColor(255, 0, 0));
    EXPECT_EQ(v->cellAt(v->cellOrigin(26, 3) + QPoint(2, 2)), QPoint(26, 3));

    // The notice that the help file is missing was the only box, if any.
    for (const auto& b : p.boxes) EXPECT_NE(b.find("not installed correctly"), std::string::npos);
}

TEST(MainWindow, MenusCarryEveryCommand) {
    app();
    Program p;
    for (int id : shell::menuCommandIds()) {
        QAction* a = p.window.action(id);
        ASSERT_NE(a, nullptr) << id;
        EXPECT_EQ(a->text().toStdString(), shell::commandText(id));
    }
    QStringList top;
    for (QAction* a : p.window.menuBar()->actions()) top << a->text();
    EXPECT_EQ(top.join("|").toStdString(),
              "&Design|&Parameters|&Calculate|&Analyse|&Edit|&Optimization|&File|&Utilities|"
              "&Notation|&?help");
    // A plugged-in handler runs from its menu item.
    int ran = 0;
    p.shell.commands.add(shell::kCmdAnalyse, [&](int) { return ++ran; });
    p.window.action(shell::kCmdAnalyse)->trigger();
    EXPECT_EQ(ran, 1);
}

TEST(MainWindow, RecentDesignsAreAppendedToTheFileMenu) {
    app();
    Program p;
    p.shell.positions.recent = {{"/a/b", "lp7", false}, {"/c", "notch", true}};
    p.window.rebuildRecentMenu();
    QAction* first = p.window.action(shell::kCmdRecentFirst);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->text(), "&1 /a/b/lp7");
    EXPECT_TRUE(first->isEnabled());
    ASSERT_NE(p.window.action(shell::kCmdRecentFirst + 1), nullptr);
    EXPECT_FALSE(p.window.action(shell::kCmdRecentFirst + 1)->isEnabled()); // missing
    EXPECT_EQ(p.window.popupMenu('F')->actions().back(), p.window.action(201));
    p.shell.positions.recent.pop_back();
    p.window.rebuildRecentMenu();
    EXPECT_EQ(p.window.action(shell::kCmdRecentFirst + 1), nullptr);
}

TEST(MainWindow, AcceleratorsInEitherCaseAndPopupLetters) {
    app();
    Program p;
    p.window.show();
    p.design.record[8].letter = 'X';
    p.design.record[9].letter = 'X';
    p.design.record[kSlotMatcher].letter = 1;
    QTest::keyClick(p.window.statusView(), Qt::Key_T); // lower case t
    EXPECT_EQ(p.design.record[8].letter, 'x');
    QTest::keyClick(p.window.statusView(), Qt::Key_T, Qt::ShiftModifier); // upper case T
    EXPECT_EQ(p.design.record[8].letter, 'X');
    std::vector<int> ran;
    for (int id : {shell::kCmdFileListBox, shell::kCmdHelp})
        p.shell.commands.add(id, [&](int i) {
            ran.push_back(i);
            return 0;
        });
    EXPECT_EQ(p.window.handleKey(Qt::Key_F12, QString(), Qt::NoModifier), shell::kCmdFileListBox);
    EXPECT_EQ(p.window.handleKey(Qt::Key_Question, "?", Qt::ShiftModifier), shell::kCmdHelp);
    QTest::keyClick(p.window.statusView(), Qt::Key_B);
    EXPECT_EQ(ran, (std::vector<int>{166, 104, 166}));
    EXPECT_EQ(p.window.handleKey(Qt::Key_A, "a", Qt::ControlModifier), 0);

    p.window.handleKey(Qt::Key_D, "d", Qt::NoModifier);
    ASSERT_EQ(p.window.lastPopup, p.window.popupMenu('D'));
    EXPECT_TRUE(p.window.lastPopup->isVisible());
    // At the window's corner + 50,50.
    EXPECT_EQ(p.window.lastPopup->pos(), p.window.mapToGlobal(QPoint(50, 50)));
    p.window.lastPopup->grab().save(QString(TANVEX_PICTURE_DIR) + "/shell_design_menu.png");
    p.window.lastPopup->hide();
    p.window.handleKey(Qt::Key_U, "U", Qt::ShiftModifier);
    EXPECT_EQ(p.window.lastPopup, p.window.popupMenu('U'));
    p.window.lastPopup->hide();

    // A click on the matcher box switches it.
    emit p.window.statusView()->cellClicked(10, 4, Qt::LeftButton);
    EXPECT_EQ(p.design.record[8].letter, 'x');
    emit p.window.statusView()->cellClicked(10, 4, Qt::RightButton);
    EXPECT_EQ(p.design.record[8].letter, 'x');
}

TEST(MainWindow, NotationDialogAppliesTheChoice) {
    app();
    Program p;
    p.window.show();
    p.design.record[kSlotNotation].letter = '3';
    p.design.record[kSlotMechUnit].letter = '0';
    std::string title;
    p.window.onDialogShown = [&](QWidget* w) {
        auto* d = qobject_cast<NotationDialog*>(w);
        ASSERT_NE(d, nullptr);
        title = d->windowTitle().toStdString();
        EXPECT_EQ(d->electrical(), 3); // preset from the design
        EXPECT_EQ(d->mechanical(), 8);
        d->grab().save(QString(TANVEX_PICTURE_DIR) + "/shell_notation_dialog.png");
        d->check(145); // Microwave
        d->check(150); // mm
        d->accept();
    };
    p.window.action(shell::kCmdNotation)->trigger();
    EXPECT_EQ(title, "Parameter notation");
    EXPECT_EQ(p.design.record[kSlotNotation].letter, '5');
    EXPECT_EQ(p.design.record[kSlotMechUnit].letter, '3');
    EXPECT_EQ(p.design.notation.frequency.name, "GHz ");

    // The right mouse button closes without a change.
    p.window.onDialogShown = [&](QWidget* w) {
        auto* d = qobject_cast<NotationDialog*>(w);
        d->check(141);
        QTest::mouseClick(d, Qt::RightButton, Qt::NoModifier, QPoint(3, 3));
    };
    p.window.action(shell::kCmdNotation)->trigger();
    EXPECT_EQ(p.design.record[kSlotNotation].letter, '5');
}

TEST(MainWindow, ExitAsksWhenUnsavedAndWritesThePositionFile) {
    app();
    DesignFolder folder;
    Program p;
    p.window.show();
    p.window.startUp("bandpass");
    p.window.move(30, 40);
    p.window.resize(700, 420);
    QApplication::processEvents();
    setSaved(p.design.record, false);

    std::string question;
    p.window.onDialogShown = [&](QWidget* w) {
        auto* m = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(m, nullptr);
        question = m->windowTitle().toStdString() + "|" + m->text().toStdString();
        m->done(QMessageBox::Cancel);
    };
    EXPECT_FALSE(p.window.close());
    EXPECT_EQ(question, "Exit and save work|[Yes] save design - [No] exit without save - "
                        "[Cancel] no exit");
    EXPECT_FALSE(fs::exists(folder.path() + "/tanvexw_pos.dat"));

    p.toolkit.helpViewer().rect = {11, 12, 500, 400};
    p.window.onDialogShown = [&](QWidget* w) {
        qobject_cast<QMessageBox*>(w)->done(QMessageBox::No);
    };
    EXPECT_TRUE(p.window.close());
    std::string pos = readAll(folder.path() + "/tanvexw_pos.dat");
    EXPECT_EQ(pos.substr(0, pos.find('\n') + 1), "30,40,700,420\r\n");
    EXPECT_NE(pos.find("\r\n11,12,500,400\r\n" + folder.path() + "\r\nbandpass\r\n"),
              std::string::npos);
}

TEST(MainWindow, FileOperationsDialogButtons) {
    app();
    FileOperationsDialog d;
    EXPECT_EQ(d.windowTitle(), "Design file operations");
    QTimer::singleShot(0, &d, [&] { d.press(104); });
    EXPECT_EQ(d.exec(), 104);
    d.grab().save(QString(TANVEX_PICTURE_DIR) + "/shell_file_operations.png");
}

TEST(MainWindow, FileListBoxLeadsToTheFileOperations) {
    app();
    Program p;
    p.window.show();
    setDesignName(p.design, "bandpass");
    std::vector<std::string> shown;
    p.window.onDialogShown = [&](QWidget* w) {
        shown.push_back(w->windowTitle().toStdString());
        if (auto* list = qobject_cast<FilenameListDialog*>(w)) {
            QTest::keyClicks(list->fieldEdit(0), "lp9");
            list->toOperation();
        } else if (auto* ops = qobject_cast<FileOperationsDialog*>(w)) {
            ops->press(106); // abort
        }
    };
    EXPECT_EQ(p.window.handleKey(Qt::Key_F12, QString(), Qt::NoModifier), shell::kCmdFileListBox);
    EXPECT_EQ(shown, (std::vector<std::string>{"Filename list", "Design file operations"}));
    EXPECT_EQ(designName(p.design), "lp9");
    EXPECT_FALSE(isSaved(p.design.record)); // the operations dialog was opened
}

TEST(MainWindow, OtherWindowsKeepTheirRectangles) {
    app();
    Program p;
    p.shell.positions.rects[shell::kOptimizerWindow] = shell::WindowRect{-20, 60, 500, 300};
    QWidget other;
    p.window.rememberRect(&other, shell::kOptimizerWindow);
    other.show();
    QApplication::processEvents();
    EXPECT_EQ(other.width(), 500);
    EXPECT_EQ(other.height(), 300);
    EXPECT_EQ(other.frameGeometry().x(), 0); // negative x clamped
    other.move(70, 80);
    other.resize(610, 320);
    QApplication::processEvents();
    EXPECT_EQ(p.shell.positions.rects[shell::kOptimizerWindow],
              (shell::WindowRect{70, 80, 610, 320}));
}
