// The optimizer in the main program: Utilities > Optimization and the O key
// (command 139) open the "Network optimization" window, at most one; the
// plot window's hand-over (command 140) goes to it while it is open.
//
//   auto opt = gui::registerOptimizerCommands(shell, toolkit, mainWindow, *analysisFront);
#pragma once

#include "analysis/analysis_front.h"
#include "optimizer/optimizer_window.h"
#include "shell/shell.h"

#include <QPointer>
#include <functional>
#include <memory>

namespace tanvex::gui {

class MainWindow;

class OptimizerCommands {
public:
    OptimizerCommands(shell::Shell& shell, ui::Toolkit& toolkit, AnalysisFront& front);
    ~OptimizerCommands();
    // Command 139: opens the window (or raises the open one).
    int open();
    OptimizerWindow* window() const { return window_; }
    // Called with each new window before its range prompt (the main window
    // places it in its remembered rectangle).
    std::function<void(OptimizerWindow*)> onCreated;
    std::function<void()> designChanged;
    // The schematic editor's selection (see OptimizerContext).
    std::function<std::pair<int, int>()> schematicSelection;

private:
    shell::Shell& shell_;
    ui::Toolkit& toolkit_;
    AnalysisFront& front_;
    std::unique_ptr<analysis::NoDataServices> noData_;
    QPointer<OptimizerWindow> window_;
};

std::unique_ptr<OptimizerCommands>
registerOptimizerCommands(shell::Shell& shell, ui::Toolkit& toolkit, AnalysisFront& front);

} // namespace tanvex::gui
