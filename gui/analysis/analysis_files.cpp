#include "analysis/analysis_files.h"

#include "analysis/s_parameters.h"
#include "design/paths.h"
#include "outputs/touchstone.h"
#include "schematic/network_edit.h"
#include "ui/gen_win.h"
#include "ui/qt_toolkit.h"
#include "ui/window_output.h"

#include <QApplication>

namespace tanvex::gui {

namespace {

bool turnNetwork(EntryList& list) {
    return schematic::reverseNetwork(list) != schematic::ReverseResult::kRefused;
}

} // namespace

AnalysisFiles::AnalysisFiles(shell::Shell& shell, QtToolkit& toolkit, AnalysisFront& front)
    : shell_(shell), toolkit_(toolkit), front_(front) {}

std::string AnalysisFiles::directory() const {
    return shell_.env.working;
}

int AnalysisFiles::save(int number) {
    const analysis::ResultsTable& t = shell_.results;
    analysis::SnapshotFlags flags;
    const char* settings = shell_.design.record[kSlotSettings].text;
    flags.spacing = settings[analysis::kSettingSpacing];
    // The sweep was logarithmic when its spacing said so, or said "auto"
    // over more than a factor of 20.
    const int n = t.pointCount();
    const double f1 = n >= 1 ? t.records[1][analysis::kFieldFrequency] : 0.0;
    const double fn = n >= 1 ? t.records[n][analysis::kFieldFrequency] : 0.0;
    flags.logSweep = flags.spacing == '2' || (flags.spacing == '1' && f1 > 0.0 && fn > 20.0 * f1);
    flags.fastDelay = front_.options().fastDelay;
    if (analysis::saveSnapshot(directory(), number, t, shell_.design.notation, flags) != 0) {
        toolkit_.beep();
        return 1;
    }
    return 0;
}

int AnalysisFiles::recall(int number) {
    analysis::SnapshotFlags flags;
    std::string why;
    if (analysis::recallSnapshot(directory(), number, shell_.results, flags, &why) != 0) {
        toolkit_.beep();
        toolkit_.notice(" Can't recall " + analysis::snapshotFileName(number) + ": " + why + ".");
        return 1;
    }
    front_.options().fastDelay = flags.fastDelay;
    return 0;
}

void AnalysisFiles::replot() {
    front_.closeViews();
    front_.openViews(true);
}

int AnalysisFiles::recallAndPlot() {
    if (recall(0) != 0) return 1;
    replot();
    return 0;
}

int AnalysisFiles::writeS2p() {
    analysis::NoDataServices noData(toolkit_);
    analysis::DataServices& data = front_.dataServices ? *front_.dataServices : noData;
    analysis::NoAnalysisViews views;
    analysis::SParameterRun run(shell_.design, shell_.results, front_.options(), toolkit_, data,
                                views, turnNetwork);
    const int r = run.run(directory());
    front_.refreshPlot();
    return r;
}

int AnalysisFiles::touchstone() {
    const plot::ScaleRecord& s = front_.plotModel().scales[plot::kScaleAttenuation];
    return outputs::runTouchstone(shell_.design, toolkit_, directory(),
                                  s.valid ? s.division : 10.0);
}

void AnalysisFiles::comparisonBox() {
    if (boxState_ != kBoxInactive) {
        toolkit_.beep();
        return;
    }
    front_.closeListing();
    boxState_ = kBoxOpen;
    char mode = 'R';
    while (true) {
        toolkit_.setPrompt(0, "              Quick Plot comparison         (?)-help", 14);
        toolkit_.setPrompt(1, " (A)-Analyse (S)-Save (R)-Recall (B)-Bitmap (X)-eXit ", 11);
        toolkit_.setPrompt(2,
                           mode == 'S'   ? "        Save:"
                           : mode == 'B' ? "      Bitmap:"
                                         : "      Recall:",
                           10);
        if (mode == 'B') toolkit_.setPrompt(3, "     to path:  " + directory(), 10);
        toolkit_.setPrompt(mode == 'B' ? 4 : 3, "  [1], [2], [3] ..... [0]", 7);
        const char key = toolkit_.keyBox("1234567890ASRBX?");
        if (key == 'X' || key == 27) break;
        if (key == '?') {
            toolkit_.showHelp("QUICK_BOX.HLW");
        } else if (key == 'R' || key == 'S' || key == 'B') {
            mode = key;
        } else if (key == 'A') {
            boxState_ = kBoxAfterAnalysis;
            shell_.runCommand(shell::kCmdAnalyse);
            boxState_ = kBoxOpen;
        } else if (key >= '0' && key <= '9') {
            const int d = key - '0';
            const int r = mode == 'S' ? save(d) : recall(d);
            if (r != 0) continue; // the box stays open
            if (mode == 'B') boxState_ = kBoxBitmap + d;
            replot();
            if (mode == 'B') {
                // The plot has drawn itself once; its picture is the bitmap.
                QApplication::processEvents();
                if (PlotWindow* w = front_.plotWindow()) {
                    const std::string msg = saveWindowBitmap(
                        toolkit_, w->canvas(), joinPath(directory(), "ANAL" + std::to_string(d)),
                        directory());
                    w->model().status = msg;
                    w->canvas()->update();
                    if (onBitmap && !msg.empty()) onBitmap(msg);
                }
                boxState_ = kBoxOpen;
            }
        }
    }
    boxState_ = kBoxInactive;
    if (PlotWindow* w = front_.plotWindow()) {
        w->raise();
        w->activateWindow();
        w->setFocus();
    }
}

std::unique_ptr<AnalysisFiles> registerAnalysisFileCommands(shell::Shell& shell, QtToolkit& toolkit,
                                                            AnalysisFront& front) {
    auto files = std::make_unique<AnalysisFiles>(shell, toolkit, front);
    AnalysisFiles* f = files.get();
    shell.commands.add(kCmdPlotAnalysisData, [f](int) {
        f->comparisonBox();
        return 0;
    });
    shell.commands.add(kCmdSaveAnalysisData, [f](int) { return f->save(0); });
    shell.commands.add(kCmdRecallAnalysisData, [f](int) { return f->recallAndPlot(); });
    shell.commands.add(kCmdWriteS2p, [f](int) { return f->writeS2p(); });
    shell.commands.add(kCmdTouchstone, [f](int) { return f->touchstone(); });
    // Ctrl+F4 in the plot window asks for the same box.
    front.quickComparison = [f] { f->comparisonBox(); };
    return files;
}

} // namespace tanvex::gui
