// The "Time domain response" window and the power distribution screen,
// offscreen: fields, menus before and after the first calculation, marker
// keys and clicks, the bitmap; pictures of both under the build tree's
// pictures folder for a person to look at.
#include "analysis/fourier_window.h"
#include "analysis/power_screen.h"
#include "ui/gen_win.h"
#include "ui/qt_toolkit.h"
#include "ui/scripted_toolkit.h"
#include "ui/text_screen_widget.h"

#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <deque>
#include <gtest/gtest.h>

#include "../test_app.h"

using namespace tanvex;
using namespace tanvex::gui;

namespace {

using tanvex::testing::app;

void bandpass(Design& d) {
    newDesign(d.entries);
    const NetEntry e[] = {{50, 'R', 1},
                          {164.177846e-12, 'C', 2},
                          {15.4285712e-9, 'L', 2},
                          {456.534828e-9, 'L', 3},
                          {5.54838193e-12, 'C', 3},
                          {164.177846e-12, 'C', 2},
                          {15.4285712e-9, 'L', 2},
                          {50, 'R', 1},
                          {1e8, 'x', 1}};
    int i = 0;
    for (const NetEntry& x : e) setEntry(d.entries, i++, x.value, x.letter, x.code);
    completeSettingsString(d.record);
    d.analysis = {100.0, 0.0, 0.0, 100.0, 400.0, 0.0, 100.0};
    std::snprintf(d.record[24].text, sizeof d.record[24].text, "bp");
}

QString picture(const char* name) {
    return QString(TANVEX_PICTURE_DIR) + "/" + name;
}

void type(FourierWindow& w, int id, const char* text) {
    QLineEdit* e = w.field(id);
    ASSERT_NE(e, nullptr);
    e->setText(QString::fromLatin1(text));
    e->setModified(true);
    Q_EMIT e->editingFinished();
}

TEST(FourierWindow, FieldsMenusMarkerAndPictures) {
    app();
    auto design = std::make_unique<Design>();
    bandpass(*design);
    analysis::SweepOptions options;
    ui::ScriptedToolkit tk;
    analysis::NoDataServices data(tk);
    analysis::TimeDomainModel model(*design, options, tk, data);
    // Bitmaps go to the working directory, as in the program.
    const QString dir = QDir::currentPath();
    QFile::remove(dir + "/fourier.bmp");
    FourierContext context;
    context.workingDirectory = dir.toStdString();
    FourierWindow w(model, tk, context);
    w.resize(1000, 620);
    w.show();
    EXPECT_EQ(w.windowTitle(), "Time domain response");
    EXPECT_EQ(w.menuBar()->objectName(), "imp_menu");

    type(w, analysis::kFieldRepRate, "2");
    type(w, analysis::kFieldDuty, "30");
    type(w, analysis::kFieldCarrier, "100");
    type(w, analysis::kFieldUpper, "1000");
    type(w, analysis::kFieldLower, "0");
    EXPECT_EQ(w.field(analysis::kFieldSidebands)->text(), "   -50   +450");
    EXPECT_EQ(w.field(analysis::kFieldLower)->text(), "2  MHz ");
    type(w, analysis::kFieldReps, "2");
    w.runCommand(kFourierCalc);
    ASSERT_TRUE(model.calculated());
    EXPECT_EQ(w.menuBar()->objectName(), "imp_menu2");
    EXPECT_EQ(model.page().columns(), w.columns());
    EXPECT_EQ(w.columns(), w.canvas()->plotRect().width() - 10);
    w.runCommand(kFourierMarkerMax);
    const int peak = model.marker();
    QTest::keyClick(&w, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(model.marker(), std::min(peak + 5, w.columns()));
    QTest::keyClick(&w, ',');
    EXPECT_EQ(model.marker(), std::min(peak + 5, w.columns()) - 1);
    QTest::mouseClick(w.canvas(), Qt::LeftButton, {},
                      QPoint(w.canvas()->plotRect().left() + 5 + 100, 200));
    EXPECT_EQ(model.marker(), 100);
    EXPECT_TRUE(w.canvas()->grab().save(picture("fourier_gated.png")));
    w.runCommand(kFourierBitmap);
    EXPECT_TRUE(QFile::exists(dir + "/fourier.bmp")) << w.status;

    // Video pulses, a second page, a relative marker and the average line.
    type(w, analysis::kFieldCarrier, "0");
    type(w, analysis::kFieldRepRate, "5");
    type(w, analysis::kFieldDuty, "10");
    type(w, analysis::kFieldLower, "0");
    type(w, analysis::kFieldUpper, "0");
    w.runCommand(kFourierCalc);
    w.runCommand(kFourierMarkerMax);
    w.runCommand(kFourierZeroMarker);
    w.runCommand(kFourierNextPage);
    w.runCommand(kFourierAverageRef);
    EXPECT_TRUE(model.referenceFixed());
    EXPECT_EQ(model.title(), "IMPULSE RESPONSE Page 2");
    EXPECT_TRUE(w.canvas()->grab().save(picture("fourier_pulses.png")));
    EXPECT_TRUE(w.grab().save(picture("fourier_window.png")));
}

TEST(PowerScreenPicture, WholeNetworkPage) {
    app();
    auto design = std::make_unique<Design>();
    bandpass(*design);
    auto results = std::make_unique<analysis::ResultsTable>();
    ui::ScriptedToolkit tk;
    analysis::NoDataServices data(tk);
    analysis::PowerScreen screen(*design, *results, tk, data);
    tk.answers = {"95"};
    screen.command(analysis::kPowFrequency);
    tk.answers = {"1.8"};
    screen.command(analysis::kPowVswr);
    screen.settings.theta = 0.6;
    tk.answers = {" "};
    screen.command(analysis::kPowAnalyse);
    TextScreenWidget widget(&tk.genWin().screen);
    widget.resize(widget.sizeHint());
    EXPECT_TRUE(widget.grab().save(picture("power_screen.png")));
    // The page shows the split and the branch rows.
    std::string text;
    for (int r = 0; r < ui::GenWin::kRows; ++r)
        for (int c = 0; c < 54; ++c) {
            const unsigned char ch = tk.genWin().screen.at(c, r).ch;
            text += ch ? static_cast<char>(ch) : ' ';
        }
    EXPECT_NE(text.find("Termination"), std::string::npos) << text;
    EXPECT_NE(text.find("Reflected"), std::string::npos);
    // Nothing runs into the right edge of the 80-column screen.
    for (int r = 0; r < ui::GenWin::kRows; ++r) {
        const unsigned char ch = tk.genWin().screen.at(ui::GenWin::kColumns - 1, r).ch;
        EXPECT_TRUE(ch == 0 || ch == ' ') << "row " << r;
    }
}

// The screen's own loop on the Qt toolkit: the menu bar, the input box and
// the pause after a page, answered as a person would.
TEST(PowerScreenPicture, RunsOnTheQtToolkit) {
    app();
    QWidget main;
    main.setGeometry(0, 0, 300, 200);
    QtToolkit tk(&main);
    auto design = std::make_unique<Design>();
    bandpass(*design);
    auto results = std::make_unique<analysis::ResultsTable>();
    analysis::NoDataServices data(tk);
    analysis::PowerScreen screen(*design, *results, tk, data);
    std::deque<std::function<void(QWidget*)>> steps = {
        [](QWidget* bar) { QTest::keyClick(bar, Qt::Key_F); },
        [](QWidget* box) {
            auto* edit = box->findChild<QLineEdit*>("answer");
            ASSERT_NE(edit, nullptr);
            edit->setText("102");
            QTest::keyClick(edit, Qt::Key_Return);
        },
        [](QWidget* bar) { QTest::keyClick(bar, Qt::Key_A); },
        [&](QWidget* box) {
            // The page is on show while the pause waits.
            EXPECT_TRUE(tk.genWinWindow()->grab().save(picture("power_screen_qt.png")));
            auto buttons = box->findChildren<QPushButton*>();
            ASSERT_FALSE(buttons.empty());
            buttons.front()->click();
        },
        [](QWidget* bar) { QTest::keyClick(bar, Qt::Key_X); },
    };
    int shown = 0;
    tk.onBoxShown = [&](QWidget* box) {
        ++shown;
        if (steps.empty()) { // never hang: leave whatever is open
            QTest::keyClick(box, Qt::Key_X);
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        auto step = steps.front();
        steps.pop_front();
        step(box);
    };
    EXPECT_EQ(screen.run(), 0);
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(shown, 5);
    ASSERT_EQ(screen.points().size(), 1u);
    EXPECT_NEAR(screen.points()[0].frequency, 102e6, 1.0);
}

} // namespace
