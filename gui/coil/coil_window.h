// The window of the air-wound coil calculator: a text-cell view of the
// design (recomputed every time it is painted), the menu and single-key
// accelerators, and five push buttons that step the wire and form.
//
//   CoilWindow w;          // asks inductance, wire and frequency once shown
//   w.show();
//   CoilWindow t(&scriptedToolkit, false);   // tests: no prompts at creation
//   t.runCommand(tanvex::coil::kCoilStartOver);
//
// The layout program's copy (80 x 23 cells, "define" menu with eXit and
// Quit, no inductance, frequency or start-over commands):
//   auto* w = CoilWindow::forBranch(setup, parent);
//   connect(w, &CoilWindow::finished, ...);  // kept: exit, not quit
//   ... coil::partDescription(w->calculator().state, w->result())
#pragma once

#include "coil/coil_calculator.h"
#include "ui/text_screen.h"
#include "ui/text_screen_widget.h"
#include "ui/toolkit.h"

#include <QMainWindow>
#include <memory>
#include <utility>
#include <vector>

class QPushButton;

namespace tanvex::gui {

// The cell view; it runs the design before every paint.
class CoilView : public TextScreenWidget {
    Q_OBJECT
public:
    CoilView(coil::CoilCalculator* calc, ui::TextScreen* screen, coil::CoilScreenKind kind,
             QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    coil::CoilCalculator* calc_;
    coil::CoilScreenKind kind_;
};

class CoilWindow : public QMainWindow {
    Q_OBJECT
public:
    // toolkit: null for the calculator's own Qt boxes. startOver: send the
    // start-over command once the event loop runs, as the program does.
    explicit CoilWindow(ui::Toolkit* toolkit = nullptr, bool startOver = true,
                        QWidget* parent = nullptr,
                        coil::CoilScreenKind kind = coil::CoilScreenKind::Standalone);
    ~CoilWindow() override;

    // The layout program's copy for one branch, shown and deleted on close.
    static CoilWindow* forBranch(const coil::CoilBranchSetup& setup, QWidget* parent,
                                 ui::Toolkit* toolkit = nullptr);

    coil::CoilScreenKind kind() const { return kind_; }
    // The figures of the current inputs (runs the design).
    coil::CoilResult result();

    coil::CoilCalculator& calculator() { return calc_; }
    ui::TextScreen& screen() { return screen_; }
    CoilView* view() const { return view_; }
    // The toolkit the prompts go through (the window's own CoilToolkit
    // unless one was given).
    ui::Toolkit* toolkit() const { return toolkit_; }
    // Button by command number (200..204; the layout copy also 100, 206).
    QPushButton* button(int id) const;

signals:
    // The window is closing: kept is true for exit, false for quit.
    void finished(bool kept);

public slots:
    // Runs a menu, key or button command and repaints when it changed
    // anything; the exit command closes the window.
    void runCommand(int id);

private:
    void buildMenu();
    void buildButtons();

    coil::CoilScreenKind kind_;
    coil::CoilCalculator calc_;
    ui::TextScreen screen_;
    std::unique_ptr<ui::Toolkit> ownToolkit_;
    ui::Toolkit* toolkit_;
    CoilView* view_ = nullptr;
    std::vector<std::pair<int, QPushButton*>> buttons_;
};

} // namespace tanvex::gui
