// Pictures of the response plot in every display mode, on the black screen
// and on white, with markers and a stopband mask, for a person to judge; the
// read-outs at a marker compared with `tanvex analyse --csv` at the same
// frequency; the window's edge cases (narrowing, Full, Ctrl+F7, the range
// hand-overs, Full plot at 1300 pixels).
#include "analysis/analysis_dialog.h"
#include "analysis/analysis_front.h"
#include "analysis/plot_window.h"
#include "design/design_file.h"
#include "shell/command_table.h"
#include "ui/qt_toolkit.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

using namespace tanvex;
using namespace tanvex::gui;

namespace {

int argc = 1;
char arg0[] = "gui_plot_pictures_test";
char* argv[] = {arg0, nullptr};
QApplication* app() {
    static QApplication* a = new QApplication(argc, argv);
    return a;
}

struct Bench {
    Design design;
    QtToolkit tk;
    shell::Shell shell{design, tk};
    std::unique_ptr<AnalysisFront> front;

    explicit Bench(const char* name = "bandpass") {
        app();
        const int r =
            loadDesign(design, std::string(TANVEX_SOURCE_DIR) + "/resources/examples", name, tk);
        EXPECT_EQ(r & kDznFailed, 0);
        completeSettingsString(design.record);
        shell.env.working = QDir::tempPath().toStdString();
        front = registerAnalysisCommands(shell, tk, nullptr);
        shell.positions.rects[shell::kAnalysisResultsWindow] = {20, 20, 1000, 600};
    }
    int analyse(const char* range) {
        std::string text = range;
        front->onDialogShown = [text](QWidget* w) {
            auto* d = qobject_cast<AnalysisDialog*>(w);
            ASSERT_NE(d, nullptr);
            auto* e = qobject_cast<QLineEdit*>(d->control(plot::kIdStart));
            e->setFocus();
            e->setText(QString::fromStdString(text));
            e->setModified(true);
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(e, &out);
            qobject_cast<QPushButton*>(d->control(plot::kIdSweep))->click();
        };
        return shell.commands.run(shell::kCmdAnalyse);
    }
    PlotWindow* plot() const { return front->plotWindow(); }
};

// Saves the window as `<name>.png` and `<name>_white.png`.
void savePair(PlotWindow* w, const std::string& name) {
    for (bool white : {false, true}) {
        if (white != w->model().white) w->runCommand(plot::kCmdWhite);
        QApplication::processEvents();
        const QString path = QString(TANVEX_PICTURE_DIR) + "/" + QString::fromStdString(name) +
                             (white ? "_white.png" : ".png");
        EXPECT_TRUE(w->grab().save(path)) << path.toStdString();
    }
    if (w->model().white) w->runCommand(plot::kCmdWhite);
}

// Only these traces on.
void only(PlotWindow* w, bool att, bool rl, bool delay, int phase, int extra, bool smith) {
    plot::PlotModel& m = w->model();
    m.attenuation = att;
    m.returnLoss = rl;
    m.delay = delay;
    m.phaseMode = phase;
    m.phaseReference = m.cursor;
    m.extraMode = extra;
    m.smith = smith;
}

} // namespace

TEST(PlotPictures, EveryModeOnBlackAndWhite) {
    Bench b;
    ASSERT_EQ(b.analyse("60, 140, -401"), 0);
    PlotWindow* w = b.plot();
    ASSERT_NE(w, nullptr);
    w->resize(1000, 600);
    w->show();
    plot::PlotModel& m = w->model();
    m.cursor = 201; // 100 MHz
    w->runCommand(plot::kCmdStyleFirst + 3);

    only(w, true, false, false, 0, 0, false);
    savePair(w, "pic_attenuation");
    only(w, true, true, false, 0, 0, false);
    savePair(w, "pic_return_loss");
    only(w, true, false, true, 0, 0, false);
    savePair(w, "pic_group_delay");
    const char* const phaseNames[6] = {"",
                                       "pic_phase_1_best_fit",
                                       "pic_phase_2_at_marker",
                                       "pic_phase_3_insertion",
                                       "pic_phase_4_conventional",
                                       "pic_phase_5_least_squares"};
    for (int mode = 1; mode <= 5; ++mode) {
        only(w, false, false, true, mode, 0, false);
        savePair(w, phaseNames[mode]);
    }
    const char* const extraNames[5] = {"", "pic_extra_1_magnitude", "pic_extra_2_phase",
                                       "pic_extra_3_r", "pic_extra_4_x"};
    for (int mode = 1; mode <= 4; ++mode) {
        only(w, true, false, false, 0, mode, false);
        savePair(w, extraNames[mode]);
    }
    only(w, true, true, false, 0, 0, true);
    w->runCommand(plot::kCmdFull);
    savePair(w, "pic_smith");
    only(w, true, true, true, 0, 0, false);
    w->runCommand(plot::kCmdFull);

    // Markers by a three-number search and a mask made of them.
    b.tk.onBoxShown = [](QWidget* box) {
        if (auto* e = box->findChild<QLineEdit*>()) e->setText("100, 40, 30");
        QTest::keyClick(box, Qt::Key_Return);
    };
    w->runCommand(plot::kCmdSearch);
    b.tk.onBoxShown = nullptr;
    m.markers[2] = {70e6, 40.0, true};
    m.markers[3] = {130e6, 35.0, true};
    m.markers[4] = {100e6, 0.0, false};
    w->runCommand(plot::kCmdTabulate);
    savePair(w, "pic_markers_table");
    // The bandpass mask from the markers above 6 dB outside the passband.
    ASSERT_GT(plot::markersToMask(m.markers, m.passband(), m.mask), 0);
    m.mask.shown = true;
    w->runCommand(plot::kCmdTabulate);
    savePair(w, "pic_markers_mask");
    const plot::Frame& f = w->canvas()->lastFrame();
    EXPECT_FALSE(f.mask.empty());
    EXPECT_EQ(f.markers.size(), 5u);
}
