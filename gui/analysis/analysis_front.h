// The analysis in the main program: the Analyse command (133) runs the
// interactive sweep with the "Network analysis" dialog and then opens the
// "Analysis results" window or the tabulated listing. AnalysisFront is the
// sweep's AnalysisViews for the windows; it owns the plot model (markers,
// modes and scales live for the whole run), the dialog state and the sweep
// options.
//
//   auto front = tanvex::gui::registerAnalysisCommands(shell, toolkit, &mainWindow);
//   // menu command 133 now analyses; front->refreshPlot() after other sweeps.
#pragma once

#include "analysis/data_files.h"
#include "analysis/plot_window.h"
#include "plot/analysis_dialog_model.h"
#include "plot/plot_model.h"
#include "shell/shell.h"

#include <QPointer>
#include <functional>
#include <memory>

namespace tanvex::gui {

class QtToolkit;

class AnalysisFront : public analysis::AnalysisViews {
public:
    AnalysisFront(shell::Shell& shell, QtToolkit& toolkit, QWidget* mainWindow);
    ~AnalysisFront() override;

    // The Analyse command: the sweep in mode 0. Returns its result.
    int analyse();
    // Command 141 to the plot window (after a new sweep by someone else).
    void refreshPlot();

    // analysis::AnalysisViews
    void closeViews() override;
    DialogResult showDialog() override;
    bool interactive() const override { return true; }
    void openViews(bool graphic) override;
    // Closes the tabulated listing alone (the plot stays): its window, or
    // the generic text window while that holds it.
    void closeListing();

    analysis::SweepOptions& options() { return options_; }
    plot::PlotModel& plotModel() { return plot_; }
    plot::DialogState& dialogState() { return dialogState_; }
    PlotWindow* plotWindow() const { return window_; }
    // Plot width for "Full plot" (the window's last, or the remembered
    // rectangle's estimate before it ever opened).
    int plotWidth() const;

    // Test hooks: the dialog just before it runs (fill fields, press
    // buttons); the plot window just after it opens.
    std::function<void(QWidget*)> onDialogShown;
    std::function<void(PlotWindow*)> onPlotOpened;
    // Optimizer hooks (command 140), and the quick comparison box.
    std::function<bool()> optimizerOpen;
    std::function<void(int)> sendToOptimizer;
    std::function<void()> quickComparison;
    // The data file services of the run (data branches, equalizer data):
    // reset when the analysis dialog is left with eXit and after a recall.
    analysis::DataFileServices& dataFiles() { return *files_; }
    // Replaces the data file services (tests).
    analysis::DataServices* dataServices = nullptr;
    std::function<void()> resetDataServices;
    // The tabulated listing's window (the "Analysis data" window); unset:
    // the listing is written into the generic text window.
    std::function<void()> openListing;
    std::function<void()> closeListingWindow;

private:
    void writeListing();

    shell::Shell& shell_;
    QtToolkit& toolkit_;
    QPointer<QWidget> main_;
    analysis::SweepOptions options_;
    plot::DialogState dialogState_;
    plot::PlotModel plot_;
    QPointer<PlotWindow> window_;
    std::shared_ptr<analysis::DataFileServices> files_;
    bool listingShown_ = false;
};

// Plugs the Analyse command (133) into the shell's command registry.
std::unique_ptr<AnalysisFront> registerAnalysisCommands(shell::Shell& shell, QtToolkit& toolkit,
                                                        QWidget* mainWindow);

} // namespace tanvex::gui
