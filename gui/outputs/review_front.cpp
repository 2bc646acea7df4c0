#include "outputs/review_front.h"

#include "outputs/review_menu.h"
#include "shell/command_table.h"
#include "ui/qt_toolkit.h"
#include "ui/window_output.h"

namespace tanvex::gui {

ReviewFront::ReviewFront(shell::Shell& shell, QtToolkit& toolkit, QWidget* mainWindow,
                         AnalysisFront* analysis,
                         std::function<synthesis::LowpassPrototype*()> prototype)
    : shell_(shell), toolkit_(toolkit), main_(mainWindow), analysis_(analysis),
      prototype_(std::move(prototype)), printerSink_(std::make_unique<QtPrinterSink>(mainWindow)) {
    if (analysis_) {
        analysis_->openListing = [this] { openAnalysisData(); };
        analysis_->closeListingWindow = [this] {
            if (window_) window_->close();
        };
    }
}

ReviewFront::~ReviewFront() {
    if (analysis_) {
        analysis_->openListing = nullptr;
        analysis_->closeListingWindow = nullptr;
    }
    delete window_.data();
}

outputs::AnalysisTable ReviewFront::currentTable() const {
    return outputs::tableOf(shell_.design, shell_.results,
                            analysis_ ? analysis_->options().fastDelay : false);
}

void ReviewFront::openAnalysisData() {
    if (window_) return;
    auto* w = new AnalysisDataWindow(
        shell_.results, [this] { return currentTable(); }, main_);
    const shell::WindowRect& r = shell_.positions.rects[shell::kAnalysisDataWindow];
    if (r.width >= 200 && r.height >= 150) {
        w->resize(r.width, r.height);
        w->move(r.x, r.y);
    }
    w->rectChanged = [this](int x, int y, int width, int height) {
        shell_.positions.rects[shell::kAnalysisDataWindow] = {x, y, width, height};
    };
    QObject::connect(w, &QObject::destroyed, [main = main_] {
        if (!main) return;
        main->update();
        main->activateWindow();
    });
    window_ = w;
    w->show();
    if (onAnalysisDataOpened) onAnalysisDataOpened(w);
}

int ReviewFront::review() {
    outputs::ReviewContext ctx(shell_.design, toolkit_, shell_.results);
    ctx.fastDelay = analysis_ ? analysis_->options().fastDelay : false;
    ctx.prototype = prototype_ ? prototype_() : nullptr;
    ctx.homeDirectory = shell_.env.home;
    ctx.directory = shell_.env.working;
    ctx.user = shell_.env.userName;
    ctx.printer = printer ? printer : printerSink_.get();
    ctx.showAnalysisData = [this] { openAnalysisData(); };
    ctx.printerSettingsChanged = [this] {
        const char* s = shell_.design.record[kSlotSettings].text;
        shell_.hardCopyFont = s[10];
        shell_.hardCopyRaster = s[11];
    };
    outputs::ReviewMenu menu(ctx);
    return menu.run();
}

std::unique_ptr<ReviewFront>
registerReviewCommands(shell::Shell& shell, QtToolkit& toolkit, QWidget* mainWindow,
                       AnalysisFront* analysis,
                       std::function<synthesis::LowpassPrototype*()> prototype) {
    auto front =
        std::make_unique<ReviewFront>(shell, toolkit, mainWindow, analysis, std::move(prototype));
    ReviewFront* f = front.get();
    shell.commands.add(shell::kCmdHardCopy, [f](int) { return f->review(); });
    return front;
}

} // namespace tanvex::gui
