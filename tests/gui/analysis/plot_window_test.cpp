// The "Network analysis" dialog and the "Analysis results" window driven
// through the Analyse command, with pictures of the dialog and of the plot
// in its main modes.
#include "analysis/analysis_dialog.h"
#include "analysis/analysis_front.h"
#include "analysis/plot_dialogs.h"
#include "analysis/plot_window.h"
#include "design/design_file.h"
#include "shell/command_table.h"
#include "ui/gen_win.h"
#include "ui/qt_toolkit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

#include "plot_bench.h"

using namespace tanvex;
using namespace tanvex::gui;
using tanvex::plot::Readout;

namespace {

using tanvex::testing::app;

QString picture(const char* name) {
    return QString(TANVEX_PICTURE_DIR) + "/" + name;
}

// Prints to a PDF file instead of asking for a printer.
void printToPdf(const QString& path) {
    choosePrinter() = [path](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return true;
    };
}

struct Bench : tanvex::testing::PlotBench {
    using PlotBench::PlotBench;
    void save(const char* name) {
        QApplication::processEvents();
        QImage img = plot()->grab().toImage();
        EXPECT_TRUE(img.save(picture(name)));
    }
};

using tanvex::testing::typeInto;

// Pixels of a colour (within a tolerance) in an image region.
int countColour(const QImage& img, QColor c, const QRect& r, int tol = 40) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor p = img.pixelColor(x, y);
            if (std::abs(p.red() - c.red()) < tol && std::abs(p.green() - c.green()) < tol &&
                std::abs(p.blue() - c.blue()) < tol)
                ++n;
        }
    return n;
}

} // namespace

TEST(AnalysisWindows, DialogSweepsAndOpensThePlot) {
    Bench b;
    b.design.analysis[2] = 0.0; // a fresh step: 225 points
    int points = 0;
    const int r = b.analyse([&](AnalysisDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Network analysis");
        EXPECT_EQ(qobject_cast<QLineEdit*>(d.control(plot::kIdPoints))->text(), "225");
        typeInto(d, plot::kIdStart, "50, 150, -201");
        typeInto(d, plot::kIdQl, "0");
        EXPECT_EQ(qobject_cast<QLineEdit*>(d.control(plot::kIdQl))->text(), "Inf.");
        EXPECT_EQ(qobject_cast<QLineEdit*>(d.control(plot::kIdStep))->text(), "0.5");
        points = qobject_cast<QLineEdit*>(d.control(plot::kIdPoints))->text().toInt();
        // Enter in a field only moves the focus to Sweep.
        d.control(plot::kIdStop)->setFocus();
        QTest::keyClick(&d, Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(QApplication::focusWidget(), d.control(plot::kIdSweep));
        d.grab().save(picture("analysis_dialog.png"));
    });
    EXPECT_EQ(r, 0);
    EXPECT_EQ(points, 201);
    ASSERT_NE(b.plot(), nullptr);
    EXPECT_EQ(b.plot()->windowTitle(), "Analysis results");
    EXPECT_EQ(b.shell.results.pointCount(), 201);
    EXPECT_GE(b.design.analysis[3], 1e6);

    // A bad range: the notice, then the dialog again with the same settings.
    int shown = 0;
    std::vector<QString> notices;
    b.tk.onBoxShown = [&](QWidget* box) {
        if (auto* mb = qobject_cast<QMessageBox*>(box)) notices.push_back(mb->text());
        QTest::keyClick(box, Qt::Key_Return);
    };
    const int bad = b.analyse([&](AnalysisDialog& d) {
        ++shown;
        if (shown == 1) {
            typeInto(d, plot::kIdStart, "150, 50, -11");
        } else {
            EXPECT_EQ(qobject_cast<QLineEdit*>(d.control(plot::kIdStart))->text(), "150");
            typeInto(d, plot::kIdStart, "50, 150, -11");
        }
    });
    b.tk.onBoxShown = nullptr;
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(shown, 2);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], "Bad frequency range!");
    EXPECT_EQ(b.shell.results.pointCount(), 11);

    // Escape in the dialog: nothing analysed, the plot stays closed.
    const int exitResult =
        b.analyse([](AnalysisDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    EXPECT_EQ(exitResult, 2);
    EXPECT_EQ(b.plot(), nullptr);

    // Tabulated display writes the listing into the generic text window.
    b.analyse([](AnalysisDialog& d) {
        qobject_cast<QRadioButton*>(d.control(plot::kIdTabulated))->click();
        typeInto(d, plot::kIdStart, "90, 110, -5");
    });
    EXPECT_EQ(b.plot(), nullptr);
    EXPECT_TRUE(b.tk.genWin().isOpen());
    b.tk.genWin().close();
}

TEST(AnalysisWindows, BandpassPictures) {
    Bench b;
    b.analyse([](AnalysisDialog& d) { typeInto(d, plot::kIdStart, "50, 150, -401"); });
    PlotWindow* w = b.plot();
    ASSERT_NE(w, nullptr);
    w->resize(1000, 600);
    w->show();
    plot::PlotModel& m = w->model();
    w->runCommand(plot::kCmdReturnLoss);
    w->runCommand(plot::kCmdDelay);
    w->runCommand(plot::kCmdStyleFirst + 3); // grid
    ASSERT_TRUE(m.attenuation && m.returnLoss && m.delay);
    // Cursor to 100 MHz with the search box.
    b.tk.onBoxShown = [](QWidget* box) {
        if (auto* e = box->findChild<QLineEdit*>()) e->setText("100");
        QTest::keyClick(box, Qt::Key_Return);
    };
    w->runCommand(plot::kCmdSearch);
    b.tk.onBoxShown = nullptr;
    EXPECT_NEAR(m.readout().frequency, 100.0, 0.2);
    b.save("plot_bandpass.png");
    const QImage img = w->canvas()->grab().toImage();
    // Traces in their colours: white attenuation, red return loss, orange delay.
    EXPECT_GT(countColour(img, Qt::white, img.rect()), 300);
    EXPECT_GT(countColour(img, QColor(255, 0, 0), img.rect()), 150);
    EXPECT_GT(countColour(img, QColor(255, 130, 0), img.rect()), 150);

    // The remembered default size of the window, with the Smith chart.
    w->resize(640, 480);
    w->runCommand(plot::kCmdSmith);
    b.save("plot_small_smith.png");
    w->runCommand(plot::kCmdSmith);
    w->runCommand(plot::kCmdFull);
    w->resize(1000, 600);

    // Keys move the cursor; F1 stores with Shift; the button gets its frame.
    const int c = m.cursor;
    QTest::keyClick(w, Qt::Key_Right);
    EXPECT_EQ(m.cursor, c + 1);
    QTest::keyClick(w, Qt::Key_Greater);
    EXPECT_EQ(m.cursor, c + 6);
    QTest::keyClick(w, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_TRUE(m.markers[0].set());
    EXPECT_FALSE(w->button(plot::kCmdFirstFButton)->styleSheet().isEmpty());

    // White background for the outputs.
    w->runCommand(plot::kCmdWhite);
    b.save("plot_bandpass_white.png");
    const QImage white = w->canvas()->grab().toImage();
    EXPECT_GT(countColour(white, Qt::white, white.rect(), 10), white.width() * white.height() / 2);
    w->runCommand(plot::kCmdWhite);

    // A bitmap of the plot named after the design.
    w->runCommand(plot::kCmdBitmap);
    EXPECT_NE(m.status.find("* Done *"), std::string::npos) << m.status;
    // Written in the working directory the program runs in.
    EXPECT_TRUE(QFile::exists("bandpass.bmp"));
    QFile::remove("bandpass.bmp");
}

TEST(AnalysisWindows, PhaseSmithMarkersAndMask) {
    Bench b;
    b.analyse([](AnalysisDialog& d) { typeInto(d, plot::kIdStart, "80, 120, -401"); });
    PlotWindow* w = b.plot();
    ASSERT_NE(w, nullptr);
    w->resize(1000, 600);
    plot::PlotModel& m = w->model();
    w->runCommand(plot::kCmdAttenuation); // off
    w->runCommand(plot::kCmdDelay);
    m.cursor = 200;
    w->runCommand(plot::kCmdPhaseFirst + 1);
    EXPECT_TRUE(w->action(plot::kCmdPhaseFirst + 1)->isChecked());
    b.save("plot_phase_linearity.png");

    w->runCommand(plot::kCmdAttenuation);
    w->runCommand(plot::kCmdDelay);
    w->runCommand(plot::kCmdPhaseFirst);
    w->runCommand(plot::kCmdSmith);
    w->runCommand(plot::kCmdReturnLoss);
    ASSERT_TRUE(m.smith);
    b.save("plot_smith.png");
    // The chart is round at every window shape, right of the panel and
    // inside the window.
    for (QSize size : {QSize(1000, 600), QSize(1300, 500), QSize(700, 700), QSize(1600, 420)}) {
        w->resize(size);
        QApplication::processEvents();
        const QImage img = w->canvas()->grab().toImage();
        const QRectF r = w->canvas()->smithRect();
        ASSERT_FALSE(r.isEmpty());
        EXPECT_DOUBLE_EQ(r.width(), r.height());
        EXPECT_GE(r.left(), w->canvas()->panelLeft() + 23 * 6);
        EXPECT_LE(r.right(), img.width());
        EXPECT_LE(r.bottom(), img.height());
        EXPECT_GE(r.width(), 40);
        // The unit circle is drawn where the frame says.
        const QColor rim = img.pixelColor(int(r.center().x()), int(r.top()) + 1);
        EXPECT_GT(rim.red() + rim.green() + rim.blue(), 150) << size.width();
    }
    w->resize(1000, 600);
    w->runCommand(plot::kCmdSmith);

    // Markers by search (three numbers), the marker dialog and a mask.
    b.tk.onBoxShown = [](QWidget* box) {
        if (auto* e = box->findChild<QLineEdit*>()) e->setText("100, 40, 30");
        QTest::keyClick(box, Qt::Key_Return);
    };
    w->runCommand(plot::kCmdSearch);
    b.tk.onBoxShown = nullptr;
    EXPECT_NEAR(m.markers[0].frequency, 80e6, 1.0);
    EXPECT_NEAR(m.markers[1].frequency, 120e6, 1.0);
    w->onDialogShown = [](QWidget* d) {
        auto* md = qobject_cast<MarkerDialog*>(d);
        ASSERT_NE(md, nullptr);
        qobject_cast<QLineEdit*>(md->control(203))->setText("85");
        qobject_cast<QLineEdit*>(md->control(323))->setText("25");
        qobject_cast<QLineEdit*>(md->control(204))->setText("116");
        qobject_cast<QLineEdit*>(md->control(324))->setText("20");
        qobject_cast<QLineEdit*>(md->control(205))->setText("100");
        qobject_cast<QLineEdit*>(md->control(325))->setText("3");
        qobject_cast<QPushButton*>(md->control(409))->click(); // markers -> mask
        EXPECT_EQ(qobject_cast<QPushButton*>(md->control(407))->text(), "Mask --> markers");
        md->grab().save(picture("marker_dialog.png"));
        qobject_cast<QPushButton*>(md->control(400))->click();
    };
    w->runCommand(plot::kCmdMarkerDialog);
    w->onDialogShown = nullptr;
    EXPECT_EQ(m.mask.kind, 1);
    EXPECT_EQ(m.mask.points.size(), 4u);
    EXPECT_EQ(m.mask.below, 2);
    w->runCommand(plot::kCmdTabulate);
    w->runCommand(plot::kCmdDelay);
    // The Smith chart narrowed the range to its half-width plot.
    w->runCommand(plot::kCmdFull);
    m.cursor = 150;
    b.save("plot_markers_mask.png");
    const plot::Frame& f = w->canvas()->lastFrame();
    EXPECT_EQ(f.table.size(), 6u); // header and five markers
    EXPECT_FALSE(f.mask.empty());

    // A new sweep under the window: it closes itself at the next repaint;
    // the refresh command re-reads the table instead.
    b.design.analysis[2] = -101;
    b.design.analysis[0] = b.design.analysis[6] = 90;
    {
        analysis::NoDataServices data(b.tk);
        analysis::NoAnalysisViews none;
        analysis::SweepEvaluator s(b.design, b.shell.results, b.front->options(), b.tk, data, none);
        ASSERT_EQ(s.analyse(1), 0);
    }
    b.front->refreshPlot();
    ASSERT_NE(b.plot(), nullptr);
    EXPECT_EQ(m.points(), 101);
    {
        analysis::NoDataServices data(b.tk);
        analysis::NoAnalysisViews none;
        b.design.analysis[2] = -51;
        analysis::SweepEvaluator s(b.design, b.shell.results, b.front->options(), b.tk, data, none);
        ASSERT_EQ(s.analyse(1), 0);
    }
    w->canvas()->repaint();
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(b.plot(), nullptr);
}

TEST(AnalysisWindows, ScaleColourAndCaptionDialogs) {
    Bench b;
    b.analyse([](AnalysisDialog& d) { typeInto(d, plot::kIdStart, "50, 150, -201"); });
    PlotWindow* w = b.plot();
    ASSERT_NE(w, nullptr);
    plot::PlotModel& m = w->model();
    w->onDialogShown = [](QWidget* d) {
        auto* s = qobject_cast<ScaleDialog*>(d);
        ASSERT_NE(s, nullptr);
        qobject_cast<QPushButton*>(s->control(258))->click(); // magnify attenuation
        qobject_cast<QPushButton*>(s->control(259))->click(); // delay is off: beep
        qobject_cast<QPushButton*>(s->control(103))->click();
    };
    const int beeps0 = 0;
    (void)beeps0;
    w->runCommand(plot::kCmdScaleFactors);
    EXPECT_EQ(m.scales[plot::kScaleAttenuation].steps, 1);
    EXPECT_EQ(m.scales[plot::kScaleDelay].steps, 0);

    w->runCommand(plot::kCmdColours);
    auto* colours = qobject_cast<ColourDialog*>(w->colourDialog());
    ASSERT_NE(colours, nullptr);
    qobject_cast<QRadioButton*>(colours->control(222))->click(); // return loss
    qobject_cast<QRadioButton*>(colours->control(703))->click(); // cyan
    EXPECT_EQ(m.colours[plot::kItemReturnLoss], 3);
    EXPECT_EQ(b.design.record[kSlotSettings].text[plot::kSettingColours + 1], '3');
    colours->grab().save(picture("colour_dialog.png"));
    qobject_cast<QPushButton*>(colours->control(721))->click();
    EXPECT_EQ(m.colours[plot::kItemReturnLoss], plot::kDefaultColourDigits[1] - '0');

    w->onDialogShown = [](QWidget* d) {
        auto* c = qobject_cast<CaptionDialog*>(d);
        ASSERT_NE(c, nullptr);
        qobject_cast<QCheckBox*>(c->control(101))->setChecked(true);
        qobject_cast<QLineEdit*>(c->control(111))->setText("Bandpass 100 MHz, 3 resonators");
        qobject_cast<QPushButton*>(c->control(103))->click();
    };
    w->runCommand(plot::kCmdCaptions);
    EXPECT_TRUE(m.captionOn[0]);
    QApplication::processEvents();
    EXPECT_FALSE(w->button(plot::kCmdSetButton)->isVisible());

    // Right click closes the window.
    QTest::mouseClick(w->canvas(), Qt::RightButton, {}, QPoint(50, 50));
    QApplication::processEvents();
    EXPECT_EQ(b.plot(), nullptr);
}

TEST(AnalysisWindows, LogSweepExtraModeAndOutputs) {
    Bench b("lowpass");
    b.design.record[kSlotSettings].text[analysis::kSettingSpacing] = '1'; // auto: log here
    b.analyse([](AnalysisDialog& d) { typeInto(d, plot::kIdStart, "1, 1000, -300"); });
    PlotWindow* w = b.plot();
    ASSERT_NE(w, nullptr);
    w->resize(1000, 600);
    plot::PlotModel& m = w->model();
    EXPECT_TRUE(m.logSweep());
    w->runCommand(plot::kCmdReturnLoss);
    w->runCommand(plot::kCmdExtraFirst + 1); // |Z|
    w->runCommand(plot::kCmdStyleFirst + 3);
    m.cursor = 200;
    b.save("plot_lowpass_log.png");
    const plot::Frame& f = w->canvas()->lastFrame();
    ASSERT_EQ(f.bottom.size(), 1u);
    EXPECT_EQ(f.bottom[0], "  -- LOG SWEEP --");
    // Ticks on 1-2-5 decade values, placed where the sweep put them.
    int labelled = 0;
    for (const plot::Tick& t : f.ticks) {
        if (t.label.empty()) continue;
        ++labelled;
        const double mant = t.value / std::pow(10.0, std::floor(std::log10(t.value) + 1e-9));
        EXPECT_TRUE(std::fabs(mant - 1) < 1e-9 || std::fabs(mant - 2) < 1e-9 ||
                    std::fabs(mant - 5) < 1e-9)
            << t.label;
    }
    EXPECT_GE(labelled, 6);
    // The point at the cursor lies on the logarithmic mapping of the axis.
    const double fc = m.frequency(m.cursor) * 1e-6;
    const double flo = m.frequency(f.lo) * 1e-6, fhi = m.frequency(f.hi) * 1e-6;
    EXPECT_NEAR(f.cursorX, std::log(fc / flo) / std::log(fhi / flo) * f.plotPixels, 1.0);
    // |Z| read-out against the table's R and X.
    const Readout r = m.readout();
    EXPECT_NEAR(r.extra, std::hypot(r.r, r.x), 1e-6);

    // Mouse drag moves the cursor; the clipboard and a hard copy to PDF.
    const int x = w->canvas()->plotLeft() + static_cast<int>(f.plotPixels / 2);
    QTest::mousePress(w->canvas(), Qt::LeftButton, {}, QPoint(x - 40, 100));
    QTest::mouseMove(w->canvas(), QPoint(x, 100));
    QTest::mouseRelease(w->canvas(), Qt::LeftButton, {}, QPoint(x, 100));
    EXPECT_NEAR(m.cursor, f.lo + (f.hi - f.lo) / 2, 2);
    w->runCommand(plot::kCmdClipboard);
    EXPECT_EQ(QApplication::clipboard()->image().size(), w->canvas()->size());
    const QString pdf = picture("plot_hardcopy.pdf");
    QFile::remove(pdf);
    printToPdf(pdf);
    w->runCommand(plot::kCmdHardCopy);
    EXPECT_GT(QFileInfo(pdf).size(), 1000);
    EXPECT_FALSE(w->canvas()->printing);

    // Escape closes.
    QTest::keyClick(w, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(b.plot(), nullptr);
}
