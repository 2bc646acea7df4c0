// QtToolkit: the Qt windows behind tanvex::ui::Toolkit.
//
//   tanvex::gui::QtToolkit tk(mainWindow);
//   tk.setPrompt(0, "Enter the centre frequency", 14);
//   tk.defaultAnswer = "1e6";
//   tk.inputBox();                  // tk.textResult, tk.numberResult
//   char c = tk.keyBox("YN");       // single-key box, "&Y" "&N" buttons
//   tk.notice("Done");              // "NOTICE!" box
//   tk.respond("Save?", 'Y');       // "Respond" Yes/No box
//
// Boxes are modal to the main window. The input box and the single-key box
// sit under the generic text window when one is attached (setGenWin), else
// at the main window's corner + 100,100. In the input box OK, Enter and Esc
// all accept. In the single-key box typing a key's character (either case)
// presses its button; Enter presses the first; Esc or closing the box
// returns 27, which matches no key.
// select() opens the selection bar (gui/ui/selection_bar.h) under the
// generic text window.
#pragma once

#include "ui/gen_win_window.h"
#include "ui/help.h"
#include "ui/help_window.h"
#include "ui/text_screen_widget.h"
#include "ui/toolkit.h"

#include <QPointer>
#include <QWidget>
#include <functional>

namespace tanvex::gui {

class QtToolkit : public ui::Toolkit {
public:
    explicit QtToolkit(QWidget* mainWindow = nullptr);
    ~QtToolkit() override;

    void setMainWindow(QWidget* w) { main_ = w; }
    QWidget* mainWindow() const { return main_; }
    // The generic text window (its top-level window and its cell view).
    // Opening genWin() creates a GenWinWindow and attaches it here; a front
    // end may attach a window of its own instead.
    void setGenWin(QWidget* window, TextScreenWidget* view);
    QWidget* genWinWindow() const { return genWin_; }
    TextScreenWidget* genWinView() const { return genView_; }

    void notice(const std::string& text) override;
    char respond(const std::string& text, char def) override;
    char confirm(const std::string& title, const std::string& text) override;
    void inputBox() override;
    char keyBox(const std::string& keys) override;
    int select(int preselected, int markerColumn, int firstRow, bool markerSwitch, int lastRow,
               const std::string& options) override;
    // Opens "TANVEX Help" on the topic (help_window.h); the pages are read
    // from homeDirectory.
    void showHelp(const std::string& topic) override;
    void beep() override;
    void wait(int milliseconds) override;
    int keyPoll() override;

    // Where a box of the given size opens (top-left, global coordinates).
    QPoint boxPosition() const;

    // Home directory of the help files (TANVEX_HOME, or the build tree's
    // resources folder); set by the shell.
    std::string homeDirectory;
    ui::HelpViewer& helpViewer() { return help_; }
    HelpWindow* helpWindow() const { return helpWindow_; }

    // Test hook: called with each box just before it runs modally; a test
    // can fill fields, grab a picture and press buttons from here.
    std::function<void(QWidget*)> onBoxShown;

    // The last click in the text window outside a selection's marker area
    // that ended a selection with 130 (column, row), or (-1,-1).
    int pendingClickColumn = -1;
    int pendingClickRow = -1;

private:
    QPointer<QWidget> main_;
    QPointer<QWidget> genWin_;
    QPointer<TextScreenWidget> genView_;
    QPointer<GenWinWindow> ownGenWin_;
    ui::HelpViewer help_;
    QPointer<HelpWindow> helpWindow_;
    // Windows that had the keyboard when help opened, restored on close.
    std::vector<QPointer<QWidget>> keyboardOwners_;
};

// Maps a Qt key to the virtual-key number the engine expects (letters and
// digits as upper-case ASCII, Esc 27, Enter 13, F1 112 ...); 0 for none.
int virtualKeyOf(int qtKey);

} // namespace tanvex::gui
