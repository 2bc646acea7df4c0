// The main window's analysis file commands: save (144) and recall (145) of
// the analysis snapshot, the quick plot comparison box (143, also Ctrl+F4
// in the plot window), the S-parameter file (146) and the Touchstone
// circuit file (154).
//
//   auto files = tanvex::gui::registerAnalysisFileCommands(shell, toolkit, *front);
#pragma once

#include "analysis/analysis_front.h"
#include "analysis/snapshot.h"

#include <functional>
#include <memory>
#include <string>

namespace tanvex::gui {

class QtToolkit;

// Main window command identifiers.
constexpr int kCmdPlotAnalysisData = 143;
constexpr int kCmdSaveAnalysisData = 144;
constexpr int kCmdRecallAnalysisData = 145;
constexpr int kCmdWriteS2p = 146;
constexpr int kCmdTouchstone = 154;

// State of the comparison box: inactive, open, waiting for an analysis to
// finish, or kBoxBitmap + d while snapshot d is plotted for its bitmap.
enum BoxState { kBoxInactive = 0, kBoxOpen = 1, kBoxAfterAnalysis = 2, kBoxBitmap = 10 };

class AnalysisFiles {
public:
    AnalysisFiles(shell::Shell& shell, QtToolkit& toolkit, AnalysisFront& front);

    // 0 ok, 1 failed (beeped, and a recall says why).
    int save(int number);
    int recall(int number);
    // Command 145: recall ANAL.dat and plot it afresh.
    int recallAndPlot();
    void comparisonBox();
    int writeS2p();
    int touchstone();

    int boxState() const { return boxState_; }
    // The directory snapshots and bitmaps go to (the working directory).
    std::string directory() const;
    // Test hook: after each bitmap the box wrote (its path).
    std::function<void(const std::string&)> onBitmap;

private:
    void replot();
    char modeLine(char mode);

    shell::Shell& shell_;
    QtToolkit& toolkit_;
    AnalysisFront& front_;
    int boxState_ = kBoxInactive;
};

std::unique_ptr<AnalysisFiles> registerAnalysisFileCommands(shell::Shell& shell, QtToolkit& toolkit,
                                                            AnalysisFront& front);

} // namespace tanvex::gui
