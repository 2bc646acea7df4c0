#include "analysis/analysis_front.h"

#include "analysis/analysis_dialog.h"
#include "design/filename_list_dialog.h"
#include "outputs/analysis_table.h"
#include "shell/command_table.h"
#include "ui/gen_win.h"
#include "ui/qt_toolkit.h"

#include <QFontMetrics>
#include <QTimer>
#include <cstdio>

namespace tanvex::gui {

AnalysisFront::AnalysisFront(shell::Shell& shell, QtToolkit& toolkit, QWidget* mainWindow)
    : shell_(shell), toolkit_(toolkit), main_(mainWindow),
      plot_(shell.design, shell.results, options_, toolkit),
      files_(std::make_shared<analysis::DataFileServices>(shell.design, toolkit)) {
    files_->results = &shell.results;
    files_->chooseFile = [this](int kind) {
        std::string name;
        return chooseTanvexFile(main_, kind, std::string(), name) ? name : std::string();
    };
    // A recalled design reads its data files again.
    shell.afterRecall.push_back([files = files_] { files->reset(); });
}

AnalysisFront::~AnalysisFront() {
    if (window_) delete window_.data();
}

int AnalysisFront::plotWidth() const {
    if (window_) return window_->canvas()->plotWidth();
    if (plot_.reportedWidth > 0) return plot_.reportedWidth;
    // Before the window ever opened: its remembered width less the panel.
    const shell::WindowRect& r = shell_.positions.rects[shell::kAnalysisResultsWindow];
    return std::max(100, r.width - 23 * 7 - 8);
}

int AnalysisFront::analyse() {
    analysis::DataServices& data = dataServices ? *dataServices : *files_;
    analysis::SweepEvaluator sweep(shell_.design, shell_.results, options_, toolkit_, data, *this);
    return sweep.analyse(0);
}

void AnalysisFront::refreshPlot() {
    if (window_) window_->refreshFromTable();
}

void AnalysisFront::closeViews() {
    if (window_) {
        window_->close();
        delete window_.data();
    }
    closeListing();
}

void AnalysisFront::closeListing() {
    if (closeListingWindow) closeListingWindow();
    // The generic text window only when it still holds our listing.
    ui::GenWin& g = toolkit_.genWin();
    if (listingShown_ && g.isOpen()) g.close();
    listingShown_ = false;
}

analysis::AnalysisViews::DialogResult AnalysisFront::showDialog() {
    AnalysisDialog dialog(shell_.design, options_, toolkit_, dialogState_, plotWidth(), main_);
    dialog.model().onQChanged = [this] {
        if (shell_.repaint) shell_.repaint();
    };
    dialog.model().onResetDataServices = [this] {
        files_->reset();
        if (resetDataServices) resetDataServices();
    };
    if (onDialogShown) QTimer::singleShot(0, &dialog, [this, &dialog] { onDialogShown(&dialog); });
    const int r = dialog.exec();
    return r == AnalysisDialog::kSweep ? DialogResult::kSweep : DialogResult::kExit;
}

void AnalysisFront::openViews(bool graphic) {
    if (!graphic) {
        if (openListing)
            openListing();
        else
            writeListing();
        return;
    }
    PlotContext context;
    context.homeDirectory = shell_.env.home;
    context.workingDirectory = shell_.env.working;
    context.designName = designName(shell_.design);
    context.user = shell_.env.userName;
    context.hardCopySetting = shell_.hardCopyRaster ? shell_.hardCopyRaster : '1';
    context.quickComparison = [this] {
        if (quickComparison) quickComparison();
    };
    context.optimizerOpen = [this] { return optimizerOpen && optimizerOpen(); };
    context.sendToOptimizer = [this](int id) {
        if (sendToOptimizer) sendToOptimizer(id);
    };
    context.rectChanged = [this](int x, int y, int w, int h) {
        shell_.positions.rects[shell::kAnalysisResultsWindow] = {x, y, w, h};
    };
    auto* w = new PlotWindow(plot_, toolkit_, context, nullptr);
    const shell::WindowRect& r = shell_.positions.rects[shell::kAnalysisResultsWindow];
    if (r.width >= 300 && r.height >= 200) {
        w->resize(r.width, r.height);
        w->move(r.x, r.y);
    }
    if (!w->start()) {
        // A single frequency cannot be plotted; its values are shown as the
        // listing rather than nothing at all.
        delete w;
        if (openListing)
            openListing();
        else
            writeListing();
        return;
    }
    window_ = w;
    w->show();
    if (onPlotOpened) onPlotOpened(w);
}

void AnalysisFront::writeListing() {
    // The tabulated listing in the generic text window (used when no
    // "Analysis data" window is plugged in).
    ui::GenWin& g = toolkit_.genWin();
    g.clear();
    listingShown_ = true;
    const std::vector<std::string> lines =
        outputs::tableOf(shell_.design, shell_.results, options_.fastDelay).lines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        g.write(lines[i], i == 0 ? 14 : i < 3 ? 11 : 7);
        if (i + 1 < lines.size()) g.newline();
    }
    g.changed();
}

std::unique_ptr<AnalysisFront> registerAnalysisCommands(shell::Shell& shell, QtToolkit& toolkit,
                                                        QWidget* mainWindow) {
    auto front = std::make_unique<AnalysisFront>(shell, toolkit, mainWindow);
    AnalysisFront* f = front.get();
    shell.commands.add(shell::kCmdAnalyse, [f](int) { return f->analyse(); });
    return front;
}

} // namespace tanvex::gui
