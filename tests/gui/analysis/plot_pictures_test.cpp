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
#include "ui/gen_win.h"
#include "ui/qt_toolkit.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

#include "plot_bench.h"

using namespace tanvex;
using namespace tanvex::gui;

namespace {

using tanvex::testing::app;

using Bench = tanvex::testing::PlotBench;

// Saves the window as `<name>.png` and `<name>_white.png`.
void savePair(PlotWindow* w, const std::string& name) {
    for (bool white : {false, true}) {
        if (white != w->model().white) w->runCommand(plot::kCmdWhite);
        QApplication::processEvents();
        const QString path = QString(TANVEX_PICTURE_DIR) + "/" + QString::fromStdString(name) +
                             (white ? "_white.png" : ".png");
        EXPECT_TRUE(w->grab().save(path)) << path.toStdString();
        // Every read-out line inside the window.
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPointSize(9);
        const QFontMetrics fm(font);
        for (const plot::PanelLine& l : w->canvas()->lastFrame().panel)
            EXPECT_LE(w->canvas()->panelLeft() +
                          fm.horizontalAdvance(QString::fromStdString(l.text).trimmed()),
                      w->canvas()->width() - 2)
                << name << ": " << l.text;
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
    // The other scale styles: lines, ticks, hash.
    const char* const styles[3] = {"pic_style_lines", "pic_style_ticks", "pic_style_hash"};
    for (int i = 0; i < 3; ++i) {
        w->runCommand(plot::kCmdStyleFirst + i);
        savePair(w, styles[i]);
    }
    w->runCommand(plot::kCmdStyleFirst + 3);
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
    // Zero: the read-outs as changes from the zero point.
    only(w, true, false, true, 1, 3, false);
    w->runCommand(plot::kCmdZero);
    QTest::keyClick(w, Qt::Key_Right, Qt::ShiftModifier);
    savePair(w, "pic_zero");
    w->runCommand(plot::kCmdZero);
    // The smallest window.
    w->resize(w->minimumSizeHint().expandedTo(QSize(420, 300)));
    only(w, true, true, true, 1, 0, false);
    savePair(w, "pic_small_window");
    w->resize(1000, 600);
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
    ASSERT_GT(plot::markersToMask(m.markers, m.passband(), m.mask, m.attenuationMinimum()), 0);
    m.mask.shown = true;
    w->runCommand(plot::kCmdTabulate);
    savePair(w, "pic_markers_mask");
    const plot::Frame& f = w->canvas()->lastFrame();
    EXPECT_FALSE(f.mask.empty());
    EXPECT_EQ(f.markers.size(), 5u);

    // With the Smith chart the plot is half as wide: the table stays clear
    // of the read-out panel, at the default size and a small one.
    for (QSize size : {QSize(1000, 600), QSize(640, 480)}) {
        w->resize(size);
        only(w, true, true, true, 0, 0, true);
        QApplication::processEvents();
        if (w->canvas()->lastFrame().table.empty()) w->runCommand(plot::kCmdTabulate);
        savePair(w,
                 size.width() == 640 ? "pic_markers_table_smith_small" : "pic_markers_table_smith");
        const QRectF table = w->canvas()->markerTableRect();
        ASSERT_FALSE(table.isEmpty());
        EXPECT_LT(table.right(), w->canvas()->panelLeft()) << size.width();
    }
}

namespace {

struct CsvRow {
    double f = 0, rl = 0, att = 0, delay = 0, phase = 0, r = 0, x = 0;
};

// `tanvex analyse --csv` on a copy of the sample design.
std::vector<CsvRow> cliSweep(const char* design, const QStringList& options) {
    std::vector<CsvRow> rows;
    QTemporaryDir dir;
    if (!dir.isValid()) return rows;
    const QString examples = QString(TANVEX_SOURCE_DIR) + "/resources/examples/";
    for (const char* ext : {".spk", ".dzn"})
        QFile::copy(examples + design + ext, dir.filePath(QString(design) + ext));
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(TANVEX_CLI, QStringList{"analyse", design, "--csv"} + options);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << p.readAllStandardError().toStdString();
        return rows;
    }
    const QStringList lines = QString::fromLatin1(p.readAllStandardOutput()).split('\n');
    for (int i = 1; i < lines.size(); ++i) {
        CsvRow r;
        if (std::sscanf(lines[i].toLatin1().constData(), "%lf,%lf,%lf,%lf,%lf,%lf,%lf", &r.f, &r.rl,
                        &r.att, &r.delay, &r.phase, &r.r, &r.x) == 7)
            rows.push_back(r);
    }
    return rows;
}

// The first number of the panel line that ends with `suffix`.
double panelNumber(const plot::Frame& f, const std::string& suffix, bool* found) {
    for (const plot::PanelLine& l : f.panel)
        if (l.text.size() >= suffix.size() &&
            l.text.compare(l.text.size() - suffix.size(), suffix.size(), suffix) == 0) {
            *found = true;
            return std::strtod(l.text.c_str(), nullptr);
        }
    *found = false;
    return 0.0;
}

} // namespace

TEST(PlotPictures, ReadoutsAtAMarkerAgreeWithTheConsoleAnalysis) {
    Bench b;
    ASSERT_EQ(b.analyse("60, 140, -401"), 0);
    PlotWindow* w = b.plot();
    ASSERT_NE(w, nullptr);
    w->resize(1000, 600);
    w->show();
    plot::PlotModel& m = w->model();
    only(w, true, true, true, 3, 0, true);
    // A marker at 95.4 MHz by the search box, then F1 moves the cursor there.
    b.tk.onBoxShown = [](QWidget* box) {
        if (auto* e = box->findChild<QLineEdit*>()) e->setText("95.4, 0");
        QTest::keyClick(box, Qt::Key_Return);
    };
    w->runCommand(plot::kCmdSearch);
    b.tk.onBoxShown = nullptr;
    ASSERT_TRUE(m.markers[0].set());
    QTest::keyClick(w, Qt::Key_F1);
    QApplication::processEvents();
    w->canvas()->grab(); // paints the frame
    const plot::Frame& f = w->canvas()->lastFrame();

    const std::vector<CsvRow> rows =
        cliSweep("bandpass", {"--from", "60", "--to", "140", "--points", "401", "--delay",
                              m.fastDelay() ? "fast" : "precise"});
    ASSERT_EQ(rows.size(), 401u);
    const CsvRow* at = nullptr;
    for (const CsvRow& r : rows)
        if (std::fabs(r.f - 95.4e6) < 1.0) at = &r;
    ASSERT_NE(at, nullptr);

    // Marker line, then attenuation, return loss, phase and delay as printed.
    ASSERT_FALSE(f.panel.empty());
    double shown = 0;
    ASSERT_EQ(std::sscanf(f.panel[0].text.c_str(), " Marker = %lf", &shown), 1);
    EXPECT_NEAR(shown, 95.4, 5e-4);
    bool found = false;
    const double att = std::strtod(f.panel[1].text.c_str(), nullptr);
    EXPECT_NEAR(att, at->att, 1e-3) << f.panel[1].text;
    const double rl = std::strtod(f.panel[3].text.c_str(), nullptr);
    EXPECT_NEAR(rl, at->rl, 2e-3) << f.panel[3].text;
    const double phase = panelNumber(f, " Deg. Ins", &found);
    ASSERT_TRUE(found);
    EXPECT_NEAR(phase, at->phase, 1e-4);
    const double delay = panelNumber(f, " nSec       ", &found);
    ASSERT_TRUE(found);
    EXPECT_NEAR(delay, at->delay * 1e9, 1e-3);
    // The Smith chart's impedance read-out.
    double r = 0, x = 0;
    char sign = 0;
    ASSERT_GE(f.smith.lines.size(), 3u);
    ASSERT_EQ(std::sscanf(f.smith.lines[2].c_str(), "Zo = %lf %cj%lf", &r, &sign, &x), 3)
        << f.smith.lines[2];
    if (sign == '-') x = -x;
    EXPECT_NEAR(r, at->r, 0.006);
    EXPECT_NEAR(x, at->x, 0.006);
    // The marker table's line for F1.
    w->runCommand(plot::kCmdTabulate);
    w->canvas()->grab(); // paints the frame
    const plot::Frame& t = w->canvas()->lastFrame();
    ASSERT_EQ(t.table.size(), 2u);
    double tf = 0, trl = 0, tatt = 0, tdelay = 0;
    ASSERT_EQ(std::sscanf(t.table[1].text.c_str(), "F1 %lf MHz %lf dB %lf dB %lf nSec", &tf, &trl,
                          &tatt, &tdelay),
              4)
        << t.table[1].text;
    EXPECT_NEAR(tf, 95.4, 0.005);
    EXPECT_NEAR(trl, at->rl, 0.05);
    double minimum = 1e300;
    for (const CsvRow& row : rows) minimum = std::min(minimum, row.att);
    EXPECT_NEAR(tatt, at->att - minimum, 0.005 + 1e-5);
    EXPECT_NEAR(tdelay, at->delay * 1e9, 0.05);
}

TEST(PlotPictures, FullPlotNarrowingAndKeys) {
    Bench b;
    ASSERT_EQ(b.analyse("60, 140, -401"), 0);
    PlotWindow* w = b.plot();
    ASSERT_NE(w, nullptr);
    const int cw = QFontMetrics(QFont(QStringLiteral("DejaVu Sans Mono"), 9))
                       .horizontalAdvance(QLatin1Char('0'));
    // A window whose plot is 1300 pixels wide: "Full plot" asks for 650.
    w->resize(1300 + 24 * cw, 600);
    QApplication::processEvents();
    ASSERT_EQ(w->canvas()->plotWidth(), 1300);
    int points = 0;
    b.front->onDialogShown = [&](QWidget* d0) {
        auto* d = qobject_cast<AnalysisDialog*>(d0);
        ASSERT_NE(d, nullptr);
        qobject_cast<QPushButton*>(d->control(plot::kIdFullPlot))->click();
        EXPECT_EQ(qobject_cast<QPushButton*>(d->control(plot::kIdFullPlot))->text(),
                  "&Full plot *");
        points = qobject_cast<QLineEdit*>(d->control(plot::kIdPoints))->text().toInt();
        qobject_cast<QPushButton*>(d->control(plot::kIdSweep))->click();
    };
    ASSERT_EQ(b.shell.commands.run(shell::kCmdAnalyse), 0);
    EXPECT_EQ(points, 650);
    EXPECT_EQ(b.shell.results.pointCount(), 650);
    w = b.plot();
    ASSERT_NE(w, nullptr);
    w->resize(1300 + 24 * cw, 600);
    w->show();
    w->canvas()->grab(); // paints the frame
    EXPECT_EQ(w->canvas()->lastFrame().lo, 1);
    EXPECT_EQ(w->canvas()->lastFrame().hi, 650);
    EXPECT_EQ(w->canvas()->lastFrame().pixelsPerPoint, 2);

    // 1000 points in a 600-pixel plot: at most 600 around the cursor.
    b.front->onDialogShown = [&](QWidget* d0) {
        auto* d = qobject_cast<AnalysisDialog*>(d0);
        auto* e = qobject_cast<QLineEdit*>(d->control(plot::kIdPoints));
        e->setFocus();
        e->setText("1000");
        e->setModified(true);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(e, &out);
        qobject_cast<QPushButton*>(d->control(plot::kIdSweep))->click();
    };
    ASSERT_EQ(b.shell.commands.run(shell::kCmdAnalyse), 0);
    w = b.plot();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(b.shell.results.pointCount(), 1000);
    w->resize(600 + 24 * cw, 600);
    w->show();
    w->model().cursor = 800;
    w->canvas()->grab(); // paints the frame
    ASSERT_EQ(w->canvas()->plotWidth(), 600);
    plot::Frame f = w->canvas()->lastFrame();
    EXPECT_LE(f.hi - f.lo + 1, 600);
    EXPECT_TRUE(f.lo <= 800 && 800 <= f.hi);
    // The range follows the cursor to the end.
    for (int i = 0; i < 250; ++i) QTest::keyClick(w, Qt::Key_Right);
    w->canvas()->grab(); // paints the frame
    f = w->canvas()->lastFrame();
    EXPECT_EQ(w->model().cursor, 1000);
    EXPECT_EQ(f.hi, 1000);
    EXPECT_EQ(f.lo, 401);
    // Full restores the whole range once it fits.
    w->resize(1100 + 24 * cw, 600);
    QTest::keyClick(w, 'F'); // capital F: Full (f is the scale factors dialog)
    w->canvas()->grab();     // paints the frame
    f = w->canvas()->lastFrame();
    EXPECT_EQ(f.lo, 1);
    EXPECT_EQ(f.hi, 1000);

    // Ctrl+F7 through the window's keys: 1, 2, 3, 4, 1 ..., never 5.
    std::vector<int> modes;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(w, Qt::Key_F7, Qt::ControlModifier);
        modes.push_back(w->model().phaseMode);
    }
    EXPECT_EQ(modes, (std::vector<int>{1, 2, 3, 4, 1, 2}));
    EXPECT_TRUE(w->action(plot::kCmdPhaseFirst + 2)->isChecked());

    // "Displayed range X 2" near 0 hands over a positive start.
    w->model().lo = 1;
    w->model().hi = 1000;
    w->runCommand(plot::kCmdRangeTimes2); // 60..140: 100 - 160 < 0
    EXPECT_DOUBLE_EQ(b.front->options().markerLow, 30e6);
    EXPECT_NEAR(b.front->options().markerHigh, 260e6, 1.0);
    QTest::keyClick(w, Qt::Key_F9, Qt::ControlModifier);
    EXPECT_GT(b.front->options().markerLow, 0.0);
}

TEST(PlotPictures, ASingleFrequencyInGraphicModeIsListed) {
    // One point cannot be plotted: the window stays closed and the point's
    // values are listed instead of the command ending with nothing shown.
    Bench b;
    b.front->onDialogShown = [](QWidget* d0) {
        auto* d = qobject_cast<AnalysisDialog*>(d0);
        ASSERT_NE(d, nullptr);
        for (auto [id, text] :
             {std::pair{plot::kIdStart, "100"}, std::pair{plot::kIdPoints, "1"}}) {
            auto* e = qobject_cast<QLineEdit*>(d->control(id));
            e->setFocus();
            e->setText(QString::fromLatin1(text));
            e->setModified(true);
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(e, &out);
        }
        EXPECT_EQ(qobject_cast<QLineEdit*>(d->control(plot::kIdPoints))->text(), "1");
        qobject_cast<QPushButton*>(d->control(plot::kIdSweep))->click();
    };
    ASSERT_EQ(b.shell.commands.run(shell::kCmdAnalyse), 0);
    EXPECT_EQ(b.shell.results.pointCount(), 1);
    EXPECT_EQ(b.plot(), nullptr);
    ui::GenWin& g = b.tk.genWin();
    ASSERT_TRUE(g.isOpen());
    bool listed = false;
    for (int r = 0; r < g.screen.rows(); ++r)
        listed |= g.screen.rowText(r).find("100.000") != std::string::npos;
    EXPECT_TRUE(listed);
    g.close();
}
