// The "Analysis data" window offscreen: scrolling by keys, wheel and thumb
// that stays within the table for any window size, closing itself after
// another sweep, taking the place of the tabulated listing, and pictures at
// the start and the end of the table (build/pictures/analysis_data_*.png).
#include "outputs/analysis_data_window.h"
#include "outputs/review_front.h"
#include "outputs/review_menu.h"
#include "ui/gen_win.h"
#include "ui/qt_toolkit.h"
#include "ui/scripted_toolkit.h"
#include "ui/text_screen_widget.h"

#include "../test_app.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace tanvex;
using View = outputs::AnalysisDataView;

namespace {

// n points from 1 MHz in 0.5 MHz steps; return loss 0.1 dB per point.
void fillTable(analysis::ResultsTable& t, int n) {
    t.records[0] = {static_cast<float>(n), 5e5f, 1e7f, 100.0f, 1e11f, 1e11f, 50.0f};
    for (int k = 1; k <= n; ++k)
        t.records[static_cast<std::size_t>(k)] = {1e6f + 5e5f * static_cast<float>(k - 1),
                                                  0.1f * k,
                                                  0.01f * k,
                                                  1e-9f * k,
                                                  -1.0f * k,
                                                  50.0f,
                                                  -0.5f * k};
}

void savePicture(QWidget* w, const char* name) {
    const QString path = QString(TANVEX_PICTURE_DIR) + "/" + name + ".png";
    EXPECT_TRUE(w->grab().save(path)) << path.toStdString();
}

int cellHeight() {
    return gui::TextScreenWidget::cellSizeOf(gui::TextScreenWidget::cellFont(14)).height();
}

struct Bench {
    Design design;
    analysis::ResultsTable results;
    Bench() {
        tanvex::testing::app();
        newDesign(design.entries);
        fillTable(results, 200);
    }
    QPointer<gui::AnalysisDataWindow> make(bool fast) {
        auto* w = new gui::AnalysisDataWindow(
            results, [this, fast] { return outputs::tableOf(design, results, fast); });
        w->show();
        return w;
    }
};

} // namespace

TEST(AnalysisDataWindow, ScrollsWithinTheTableAndShowsStartAndEnd) {
    Bench b;
    QPointer<gui::AnalysisDataWindow> w = b.make(true);
    w->resize(760, 26 * cellHeight());
    QApplication::processEvents();
    const View& v = w->view();
    EXPECT_EQ(v.rowsPerPage(), 20);
    EXPECT_EQ(v.top(), 1);
    EXPECT_EQ(v.maxTop(), 181);
    savePicture(w, "analysis_data_start");

    QTest::keyClick(w, Qt::Key_PageDown);
    EXPECT_EQ(v.top(), 21);
    QTest::keyClick(w, Qt::Key_Down);
    EXPECT_EQ(v.top(), 22);
    QTest::keyClick(w, Qt::Key_Up);
    QTest::keyClick(w, Qt::Key_Up);
    EXPECT_EQ(v.top(), 20);
    QTest::keyClick(w, Qt::Key_End);
    EXPECT_EQ(v.top(), 181);
    EXPECT_EQ(v.last(), 200);
    EXPECT_EQ(w->scrollBar()->value(), 181);
    QTest::keyClick(w, Qt::Key_PageDown); // stays on the last page
    EXPECT_EQ(v.top(), 181);
    savePicture(w, "analysis_data_end");
    // Wheel turned away from the user: one line up.
    QWheelEvent wheel(QPointF(50, 50), w->mapToGlobal(QPoint(50, 50)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &wheel);
    EXPECT_EQ(v.top(), 180);
    w->scrollBar()->setValue(50); // the thumb
    EXPECT_EQ(v.top(), 50);
    QTest::keyClick(w, Qt::Key_Home);
    EXPECT_EQ(v.top(), 1);

    // Taller than the table: nothing to scroll, every point shown.
    w->resize(760, 230 * cellHeight());
    QApplication::processEvents();
    QTest::keyClick(w, Qt::Key_End);
    EXPECT_EQ(v.top(), 1);
    EXPECT_EQ(v.last(), 200);
    // Shorter than the header: one point per page, still within the table.
    w->resize(760, 3 * cellHeight());
    QApplication::processEvents();
    QTest::keyClick(w, Qt::Key_End);
    EXPECT_EQ(v.rowsPerPage(), 1);
    EXPECT_EQ(v.top(), 200);
    EXPECT_EQ(v.last(), 200);

    // Another sweep with another point count: the window closes itself.
    fillTable(b.results, 150);
    w->repaint();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
}

TEST(AnalysisDataWindow, TakesThePlaceOfTheTabulatedListing) {
    Bench b;
    gui::QtToolkit tk;
    shell::Shell shell(b.design, tk);
    fillTable(shell.results, 30);
    gui::AnalysisFront front(shell, tk, nullptr);
    gui::ReviewFront review(shell, tk, nullptr, &front, {});
    int opened = 0;
    review.onAnalysisDataOpened = [&](gui::AnalysisDataWindow*) { ++opened; };
    front.openViews(false);
    ASSERT_NE(review.analysisDataWindow(), nullptr);
    EXPECT_EQ(review.analysisDataWindow()->windowTitle(), QString("Analysis data"));
    front.openViews(false); // one at a time
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(tk.genWin().isOpen());
    // Its rectangle goes to the position file's "Analysis data" entry.
    review.analysisDataWindow()->resize(640, 400);
    QApplication::processEvents();
    EXPECT_EQ(shell.positions.rects[shell::kAnalysisDataWindow].width, 640);
    front.closeViews();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(review.analysisDataWindow(), nullptr);
}

TEST(AnalysisDataFiles, RecallReadsTheDataFilesAgain) {
    // The main program's data services keep a slot loaded between sweeps
    // and let go of it (and of the equalizer table) after a recall.
    Bench b;
    gui::QtToolkit tk;
    shell::Shell shell(b.design, tk);
    gui::AnalysisFront front(shell, tk, nullptr);
    const std::string dir = QDir::tempPath().toStdString() + "/tanvex_recall_" +
                            std::to_string(QCoreApplication::applicationPid());
    QDir().mkpath(QString::fromStdString(dir));
    QFile f(QString::fromStdString(dir + "/z.frx"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("1,50,0\r\n2,60,0\r\n");
    f.close();
    setEntry(b.design.entries, 0, 50.0, 'R', 1);
    setEntry(b.design.entries, 1, -9.0, '0', 22);
    setEntry(b.design.entries, 2, 50.0, 'R', 1);
    setEntry(b.design.entries, 3, 1e7, 'x', 1);
    b.design.names[0] = "z";
    analysis::DataFileServices& data = front.dataFiles();
    data.directory = dir;
    tk.onBoxShown = [](QWidget* box) { QMetaObject::invokeMethod(box, "accept"); };
    double r = 0, x = 0;
    ASSERT_EQ(data.dataImpedance(1.5e6, 1, r, x), analysis::DataAnswer::kReady);
    EXPECT_DOUBLE_EQ(r, 55.0);
    EXPECT_TRUE(data.slot(0).loaded);
    for (auto& after : shell.afterRecall) after();
    EXPECT_FALSE(data.slot(0).loaded);
    QDir(QString::fromStdString(dir)).removeRecursively();
}

TEST(ReviewMenuPicture, MenuInTheTextWindow) {
    // The menu as drawn into the generic text window, for a person to look
    // at (build/pictures/review_menu.png).
    Bench b;
    ui::ScriptedToolkit tk;
    setDesignName(b.design, "pic");
    outputs::ReviewContext ctx(b.design, tk, b.results);
    outputs::ReviewMenu menu(ctx);
    menu.destination = outputs::kToPrinter;
    menu.toggleBoxCharacters();
    menu.draw();
    gui::TextScreenWidget view(&tk.genWin().screen);
    view.resize(view.sizeHint());
    savePicture(&view, "review_menu");
    EXPECT_EQ(tk.genWin().screen.at(21, 6).ch, '*');
}
