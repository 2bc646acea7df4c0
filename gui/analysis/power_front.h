// The power distribution screen (command 142) in the main program: the
// screen runs in the generic text window; its plot and listing go through the
// analysis front, Edit through the shell's Edit command. The drive level is
// remembered between visits for the whole run.
//
//   auto power = tanvex::gui::registerPowerCommand(shell, toolkit, *analysisFront, &window);
#pragma once

#include "analysis/power_screen.h"
#include "shell/shell.h"

#include <QPointer>
#include <memory>

class QWidget;

namespace tanvex::gui {

class AnalysisFront;
class QtToolkit;
class QtPrinterSink;

class PowerFront {
public:
    PowerFront(shell::Shell& shell, QtToolkit& toolkit, AnalysisFront& analysis, QWidget* main);
    ~PowerFront();
    int run();
    analysis::PowerDrive drive; // kept between visits
    // Test hook: called with the screen before it runs (script the toolkit).
    std::function<void(analysis::PowerScreen&)> onStart;

private:
    shell::Shell& shell_;
    QtToolkit& toolkit_;
    AnalysisFront& analysis_;
    QPointer<QWidget> main_;
    std::unique_ptr<QtPrinterSink> printer_;
    std::unique_ptr<analysis::NoDataServices> noData_;
};

std::unique_ptr<PowerFront> registerPowerCommand(shell::Shell& shell, QtToolkit& toolkit,
                                                 AnalysisFront& analysis, QWidget* main);

} // namespace tanvex::gui
