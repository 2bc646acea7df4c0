#include "optimizer/optimizer_commands.h"

#include "shell/command_table.h"

namespace tanvex::gui {

OptimizerCommands::OptimizerCommands(shell::Shell& shell, ui::Toolkit& toolkit,
                                     AnalysisFront& front)
    : shell_(shell), toolkit_(toolkit), front_(front),
      noData_(std::make_unique<analysis::NoDataServices>(toolkit)) {
    front_.optimizerOpen = [this] { return !window_.isNull(); };
    front_.sendToOptimizer = [this](int id) {
        if (window_) window_->runCommand(id);
    };
}

OptimizerCommands::~OptimizerCommands() {
    front_.optimizerOpen = nullptr;
    front_.sendToOptimizer = nullptr;
    if (window_) delete window_.data();
}

int OptimizerCommands::open() {
    if (window_) {
        window_->show();
        window_->raise();
        window_->activateWindow();
        return 0;
    }
    OptimizerContext ctx;
    ctx.plotWindow = [this]() -> QWidget* { return front_.plotWindow(); };
    ctx.refreshPlot = [this] {
        if (front_.plotWindow())
            front_.refreshPlot();
        else
            front_.openViews(true);
    };
    ctx.closePlot = [this] {
        if (PlotWindow* p = front_.plotWindow()) {
            p->close();
            delete p;
        }
    };
    ctx.designChanged = [this] {
        if (designChanged) designChanged();
        if (shell_.repaint) shell_.repaint();
    };
    ctx.schematicSelection = [this] {
        return schematicSelection ? schematicSelection() : std::pair<int, int>(-1, -1);
    };
    analysis::DataServices& data = front_.dataServices ? *front_.dataServices : *noData_;
    auto* w =
        new OptimizerWindow(shell_.design, shell_.results, front_.options(), toolkit_, data, ctx);
    w->setAttribute(Qt::WA_DeleteOnClose);
    if (onCreated) onCreated(w);
    if (!w->start()) {
        delete w;
        return 1;
    }
    window_ = w;
    w->show();
    w->refreshView();
    return 0;
}

std::unique_ptr<OptimizerCommands>
registerOptimizerCommands(shell::Shell& shell, ui::Toolkit& toolkit, AnalysisFront& front) {
    auto c = std::make_unique<OptimizerCommands>(shell, toolkit, front);
    OptimizerCommands* p = c.get();
    shell.commands.add(shell::kCmdOptimization, [p](int) { return p->open(); });
    return c;
}

} // namespace tanvex::gui
