#include "analysis/power_front.h"

#include "analysis/analysis_front.h"
#include "shell/command_table.h"
#include "ui/gen_win.h"
#include "ui/qt_toolkit.h"
#include "ui/window_output.h"

namespace tanvex::gui {

PowerFront::PowerFront(shell::Shell& shell, QtToolkit& toolkit, AnalysisFront& analysis,
                       QWidget* main)
    : shell_(shell), toolkit_(toolkit), analysis_(analysis), main_(main),
      printer_(std::make_unique<QtPrinterSink>(main)),
      noData_(std::make_unique<analysis::NoDataServices>(toolkit)) {}

PowerFront::~PowerFront() = default;

int PowerFront::run() {
    analysis::DataServices& data = analysis_.dataServices ? *analysis_.dataServices : *noData_;
    analysis::PowerScreen screen(shell_.design, shell_.results, toolkit_, data);
    screen.settings.drive = drive;
    screen.openPlot = [this] { analysis_.openViews(true); };
    screen.openListing = [this] { analysis_.openViews(false); };
    screen.closeViews = [this] { analysis_.closeViews(); };
    screen.edit = [this] { shell_.commands.run(shell::kCmdEdit); };
    screen.plotWidth = [this] { return analysis_.plotWidth(); };
    screen.printer = printer_.get();
    screen.directory = shell_.env.working;
    screen.user = shell_.env.userName;
    if (onStart) onStart(screen);
    const int r = screen.run();
    drive = screen.settings.drive;
    if (shell_.repaint) shell_.repaint();
    return r;
}

std::unique_ptr<PowerFront> registerPowerCommand(shell::Shell& shell, QtToolkit& toolkit,
                                                 AnalysisFront& analysis, QWidget* main) {
    auto front = std::make_unique<PowerFront>(shell, toolkit, analysis, main);
    PowerFront* f = front.get();
    shell.commands.add(shell::kCmdPowerDistribution, [f](int) { return f->run(); });
    return front;
}

} // namespace tanvex::gui
