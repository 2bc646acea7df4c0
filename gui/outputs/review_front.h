// Command 150 in the main program: the review and hard-copy menu in the
// generic text window, printing through the system print dialog, and the
// "Analysis data" window, which also takes the place of the tabulated
// listing after an analysis whose display choice is the table.
//
//   auto review = tanvex::gui::registerReviewCommands(shell, toolkit, &window,
//                                                     analysisFront.get(), prototypeOf);
#pragma once

#include "analysis/analysis_front.h"
#include "outputs/analysis_data_window.h"
#include "shell/shell.h"
#include "synthesis/prototype.h"
#include "ui/report.h"

#include <QPointer>
#include <functional>
#include <memory>

namespace tanvex::gui {

class QtToolkit;
class QtPrinterSink;

class ReviewFront {
public:
    ReviewFront(shell::Shell& shell, QtToolkit& toolkit, QWidget* mainWindow,
                AnalysisFront* analysis, std::function<synthesis::LowpassPrototype*()> prototype);
    ~ReviewFront();

    // Command 150; its result goes to the shell (non-zero: the TEM
    // hard-copy sequence).
    int review();
    // The "Analysis data" window (at most one; asking again while it is
    // open does nothing).
    void openAnalysisData();
    AnalysisDataWindow* analysisDataWindow() const { return window_; }

    // Tests: another printer, and the window just after it opened.
    ui::PrinterSink* printer = nullptr;
    std::function<void(AnalysisDataWindow*)> onAnalysisDataOpened;

private:
    outputs::AnalysisTable currentTable() const;

    shell::Shell& shell_;
    QtToolkit& toolkit_;
    QPointer<QWidget> main_;
    AnalysisFront* analysis_;
    std::function<synthesis::LowpassPrototype*()> prototype_;
    std::unique_ptr<QtPrinterSink> printerSink_;
    QPointer<AnalysisDataWindow> window_;
};

std::unique_ptr<ReviewFront>
registerReviewCommands(shell::Shell& shell, QtToolkit& toolkit, QWidget* mainWindow,
                       AnalysisFront* analysis,
                       std::function<synthesis::LowpassPrototype*()> prototype);

} // namespace tanvex::gui
