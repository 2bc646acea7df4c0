// The main window of tanvexw: the status screen in character cells, the
// menu bar "main_menu" with the recent designs in the File menu, the
// accelerators, and the dialogs the shell asks for (notation, exit
// question, file operations, file-open).
//
//   tanvex::Design design;
//   tanvex::gui::QtToolkit toolkit;
//   tanvex::shell::Shell shell(design, toolkit);
//   tanvex::gui::MainWindow w(shell, toolkit);
//   w.show();
//   w.startUp("bandpass");           // loads the design, places the window
//
// Commands come from the menus, the accelerators and the status screen and
// all go to shell.dispatch(id); subsystems plug in with shell.commands.add.
//
// Below the status screen the window shows the schematic of the current
// design (the renderer's window drawing, white on black, in a scrollable
// cell view). It is drawn again after every dispatched command (through
// shell.repaint), after every recall, whenever the main window becomes the
// active window again, and whenever a subsystem calls designChanged():
//
//   // after Calculate, an edit, a join, a recall done outside dispatch:
//   mainWindow.designChanged();
//
// Code that only holds the shell can call shell.repaint(), which does the
// same.
#pragma once

#include "shell/shell.h"

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>

class QAction;
class QMenu;
class QScrollArea;

namespace tanvex::schematic {
class Renderer;
}

namespace tanvex::gui {

class QtToolkit;
class TextScreenWidget;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(shell::Shell& shell, QtToolkit& toolkit, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up after the window exists: the shell's start-up (environment,
    // positions, design), the recent designs in the File menu, the saved
    // rectangle.
    int startUp(const std::string& designArgument);

    shell::Shell& shell() { return shell_; }
    TextScreenWidget* statusView() const { return view_; }
    // The schematic of the current design below the status screen.
    TextScreenWidget* schematicView() const { return schematicView_; }
    QScrollArea* schematicArea() const { return schematicArea_; }
    const ui::TextScreen& schematicScreen() const { return schematic_; }

    // The network or its values changed: draws the schematic again and
    // repaints the status screen.
    void designChanged();
    // The action of a command identifier (nullptr when it has no menu item).
    QAction* action(int id) const;
    // The pop-up a status-screen letter opens ('D', 'F', 'U').
    QMenu* popupMenu(char key) const;
    // Rebuilds the recent-design items at the end of the File menu.
    void rebuildRecentMenu();
    // Moves to the saved main-window rectangle (negative x or y as 0).
    void placeFromPositions();

    // Places a window of the program in its remembered rectangle (slot of
    // shell::WindowSlot) and keeps the rectangle up to date while it moves
    // or is resized, so that it is written to the position file at exit.
    void rememberRect(QWidget* window, int slot);

    // Handles a typed key as the main window's keyboard does: accelerators
    // first, then the pop-up letters, else a beep. Returns the command run
    // (0 when none).
    int handleKey(int qtKey, const QString& text, Qt::KeyboardModifiers modifiers);

    // Test hook: called with each dialog of this window just before it runs
    // modally (the notation dialog, the exit question, file operations,
    // the file-open dialog); it runs once the dialog is on screen.
    std::function<void(QWidget*)> onDialogShown;
    // When set, closing the main window ends the program even while other
    // windows (plot, editor, help) are still open.
    bool quitOnClose = false;
    // The last pop-up opened from the status screen (for tests).
    QMenu* lastPopup = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void addItems(QMenu* menu, const std::vector<shell::MenuNode>& nodes);
    void installHandlers();
    int runNotationDialog();
    shell::ExitAnswer askExit();
    int runFileOperations();
    int runFilenameList();
    std::string chooseDesignFile();
    void refresh();
    // Redraws the status screen when the window shows another column count.
    void fitStatusToWidth();
    void drawSchematic();
    bool scrollSchematic(int qtKey);
    void showHook(QWidget* dialog);

    shell::Shell& shell_;
    QtToolkit& toolkit_;
    TextScreenWidget* view_ = nullptr;
    ui::TextScreen schematic_{80, 4};
    std::unique_ptr<schematic::Renderer> renderer_;
    TextScreenWidget* schematicView_ = nullptr;
    QScrollArea* schematicArea_ = nullptr;
    std::map<int, QAction*> actions_;
    std::map<char, QMenu*> popups_;
    QMenu* fileMenu_ = nullptr;
    std::vector<QAction*> recentActions_;
    QAction* recentSeparator_ = nullptr;
    bool finished_ = false;
    bool placed_ = false;
};

} // namespace tanvex::gui
