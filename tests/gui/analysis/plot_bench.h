// A design from the samples with the analysis commands registered on a shell,
// for driving Analyse and the plot window in tests.
#pragma once

#include "analysis/analysis_dialog.h"
#include "analysis/analysis_front.h"
#include "analysis/plot_window.h"
#include "design/design_file.h"
#include "shell/command_table.h"
#include "ui/qt_toolkit.h"

#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "../test_app.h"

namespace tanvex::testing {

// Types text into a field of the analysis dialog and stores it (as focus
// loss does).
inline void typeInto(gui::AnalysisDialog& d, int id, const char* text) {
    auto* e = qobject_cast<QLineEdit*>(d.control(id));
    ASSERT_NE(e, nullptr);
    e->setFocus();
    e->setText(QString::fromLatin1(text));
    e->setModified(true);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(e, &out);
    d.control(plot::kIdSweep)->setFocus();
    QApplication::processEvents();
}

struct PlotBench {
    Design design;
    gui::QtToolkit tk;
    shell::Shell shell{design, tk};
    std::unique_ptr<gui::AnalysisFront> front;

    explicit PlotBench(const char* name = "bandpass") {
        app();
        const int r =
            loadDesign(design, std::string(TANVEX_SOURCE_DIR) + "/resources/examples", name, tk);
        EXPECT_EQ(r & kDznFailed, 0);
        completeSettingsString(design.record);
        shell.env.working = QDir::tempPath().toStdString();
        front = gui::registerAnalysisCommands(shell, tk, nullptr);
        shell.positions.rects[shell::kAnalysisResultsWindow] = {20, 20, 1000, 600};
    }
    // Runs Analyse; the dialog is handled by `inDialog` and then swept.
    int analyse(const std::function<void(gui::AnalysisDialog&)>& inDialog = {}) {
        front->onDialogShown = [inDialog](QWidget* w) {
            auto* d = qobject_cast<gui::AnalysisDialog*>(w);
            ASSERT_NE(d, nullptr);
            if (inDialog) inDialog(*d);
            if (d->isVisible()) qobject_cast<QPushButton*>(d->control(plot::kIdSweep))->click();
        };
        return shell.commands.run(shell::kCmdAnalyse);
    }
    // Runs Analyse over the range typed as the dialog's start field.
    int analyse(const char* range) {
        return analyse([range](gui::AnalysisDialog& d) { typeInto(d, plot::kIdStart, range); });
    }
    gui::PlotWindow* plot() const { return front->plotWindow(); }
};

} // namespace tanvex::testing
