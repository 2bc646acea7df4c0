// The coil calculator's window offscreen: start over through its own input
// boxes, the accelerator keys and buttons, and pictures for a person to
// look at.
#include "coil/coil_prompt_box.h"
#include "coil/coil_window.h"
#include "ui/scripted_toolkit.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "../test_app.h"

using namespace tanvex;
using namespace tanvex::gui;

namespace {

using tanvex::testing::app;

void savePicture(QWidget* w, const char* name) {
    QImage img = w->grab().toImage();
    ASSERT_FALSE(img.isNull());
    EXPECT_TRUE(img.save(QString(TANVEX_PICTURE_DIR) + "/" + name));
}

std::string rowOf(CoilWindow& w, int row) {
    return w.screen().rowText(row);
}

} // namespace

TEST(CoilWindow, StartOverThroughItsOwnInputBoxes) {
    app();
    CoilWindow w(nullptr, false);
    w.show();
    EXPECT_EQ(w.windowTitle(), "Air-wound single layer inductor");
    ASSERT_FALSE(w.windowIcon().isNull());
    w.windowIcon().pixmap(32, 32).save(QString(TANVEX_PICTURE_DIR) + "/coil_icon.png");
    // The window's own toolkit: answer each box by typing and Enter.
    auto* own = dynamic_cast<CoilToolkit*>(w.toolkit());
    ASSERT_NE(own, nullptr);
    std::deque<QString> answers = {"100", "24", "100"};
    int boxes = 0;
    coil::CoilCalculator& calc = w.calculator();
    calc.state.required = 1.0;
    own->onBoxShown = [&](QWidget* box) {
        if (boxes == 0) {
            // While the prompts run the figures are hidden.
            EXPECT_TRUE(calc.paintSuppressed);
            savePicture(&w, "coil_prompting.png");
        }
        auto* edit = box->findChild<QLineEdit*>("edit101");
        ASSERT_NE(edit, nullptr);
        if (boxes == 1) savePicture(box, "coil_wire_prompt.png");
        QTest::keyClicks(edit, answers.front());
        answers.pop_front();
        ++boxes;
        QTest::keyClick(edit, Qt::Key_Return);
    };
    w.runCommand(coil::kCoilStartOver);
    EXPECT_EQ(boxes, 3);
    EXPECT_NEAR(calc.state.required, 0.1, 1e-15);
    EXPECT_EQ(calc.state.gauge, 24);
    EXPECT_DOUBLE_EQ(calc.state.frequency, 100.0);
    EXPECT_FALSE(calc.paintSuppressed);
}

TEST(CoilWindow, InputBoxReadsTheFieldOnEscapeToo) {
    app();
    CoilToolkit tk;
    tk.setPrompt(1, "  Coil form diameter (In.)", 0);
    tk.setPrompt(2, "(Inside diameter of winding)", 4);
    tk.onBoxShown = [&](QWidget* box) {
        auto* edit = box->findChild<QLineEdit*>("edit101");
        ASSERT_NE(edit, nullptr);
        QTest::keyClicks(edit, QString(90, '7')); // longer than the field takes
        EXPECT_EQ(edit->text().size(), 80);
        edit->setText("0.375 inch");
        QTest::keyClick(edit, Qt::Key_Escape);
    };
    tk.inputBox();
    EXPECT_EQ(tk.textResult, "0.375 inch");
    EXPECT_DOUBLE_EQ(tk.numberResult, 0.375);
    for (const auto& line : tk.prompt) EXPECT_TRUE(line.text.empty());
}

TEST(CoilWindow, PicturesAfterStartOverAndFormSteps) {
    app();
    ui::ScriptedToolkit tk;
    tk.answer("100");
    tk.answer("24");
    tk.answer("100");
    CoilWindow w(&tk, true);
    w.show();
    // The start over runs once the event loop turns.
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(tk.answers.empty());
    EXPECT_TRUE(tk.sawPrompt("Required inductance (nHy.)"));
    savePicture(&w, "coil_start_over.png");
    EXPECT_EQ(rowOf(w, 16).substr(21), "Inductance (nHy.) =  99.9999");
    EXPECT_NE(rowOf(w, 8).find("(Auto)"), std::string::npos);

    // The buttons sit inside their boxes on the lines they belong to.
    QSize cell = w.view()->cellSize();
    QPushButton* up = w.button(coil::kCoilFormUp);
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(up->geometry().top(), 8 * cell.height() + 3);
    EXPECT_EQ(up->geometry().width(), 6 * cell.width());
    EXPECT_EQ(up->text(), "Up");
    EXPECT_EQ(w.button(coil::kCoilWireDown)->geometry().top(), 4 * cell.height() + 3);

    QTest::mouseClick(up, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(w.calculator().state.autoDiameter);
    EXPECT_NE(rowOf(w, 8).find("Drill)"), std::string::npos);
    EXPECT_EQ(rowOf(w, 8).find("(Auto)"), std::string::npos);
    savePicture(&w, "coil_form_up.png");
    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(w.button(coil::kCoilFormDown), Qt::LeftButton);
    QApplication::processEvents();
    savePicture(&w, "coil_form_steps.png");
    QTest::mouseClick(w.button(coil::kCoilFormAuto), Qt::LeftButton);
    EXPECT_TRUE(w.calculator().state.autoDiameter);
    EXPECT_NE(rowOf(w, 8).find("(Auto)"), std::string::npos);

    // Wire buttons: thinner wire, then thicker again.
    QTest::mouseClick(w.button(coil::kCoilWireDown), Qt::LeftButton);
    EXPECT_EQ(w.calculator().state.gauge, 26);
    QTest::mouseClick(w.button(coil::kCoilWireUp), Qt::LeftButton);
    EXPECT_EQ(w.calculator().state.gauge, 24);
}

TEST(CoilWindow, AcceleratorsAndMenu) {
    app();
    ui::ScriptedToolkit tk;
    CoilWindow w(&tk, false);
    w.show();
    QApplication::setActiveWindow(&w);
    tk.answer("220");
    QTest::keyClick(&w, Qt::Key_V);
    EXPECT_NEAR(w.calculator().state.required, 0.22, 1e-15);
    tk.answer("30");
    QTest::keyClick(&w, Qt::Key_F, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(w.calculator().state.frequency, 30.0);
    tk.answer("0.5");
    QTest::keyClick(&w, Qt::Key_L);
    EXPECT_FALSE(w.calculator().state.defaultPitch);
    tk.answer("0.75");
    QTest::keyClick(&w, Qt::Key_U);
    QApplication::processEvents();
    EXPECT_NE(rowOf(w, 3).find("Manual set"), std::string::npos);
    EXPECT_NE(rowOf(w, 6).find("0.50 - 0.75"), std::string::npos);
    savePicture(&w, "coil_manual_pitch.png");
    tk.answer("0.2");
    QTest::keyClick(&w, Qt::Key_D);
    EXPECT_DOUBLE_EQ(w.calculator().state.formDia, 0.2);
    tk.answer("18");
    QTest::keyClick(&w, Qt::Key_G);
    EXPECT_EQ(w.calculator().state.gauge, 18);

    // The menu carries every command.
    QStringList texts;
    for (QAction* a : w.menuBar()->actions()) {
        texts << a->text();
        if (a->menu())
            for (QAction* b : a->menu()->actions()) texts << b->text();
    }
    for (const char* t :
         {"e&Xit", "winding &Pitch", "&Lower pitch limit\tL", "&Upper pitch limit\tU",
          "&Default limit range", "&Threaded form", "form &Dia.", "wire &Gauge", "&Frequency",
          "&Start over", "inductance &Value"}) {
        EXPECT_TRUE(texts.contains(QString::fromLatin1(t))) << t;
    }
    // Threaded form from the menu.
    for (QAction* a : w.menuBar()->actions()) {
        if (!a->menu()) continue;
        for (QAction* b : a->menu()->actions()) {
            if (b->text() == "&Threaded form") {
                tk.answer("16");
                b->trigger();
            }
        }
    }
    EXPECT_EQ(w.calculator().state.pitchLow, 16.0);
    EXPECT_EQ(w.calculator().state.pitchHigh, 16.0);
    QApplication::processEvents();
    savePicture(&w, "coil_threaded.png");

    // A negative inductance aborts cleanly.
    tk.answer("-100");
    QTest::keyClick(&w, Qt::Key_V);
    EXPECT_NE(rowOf(w, 17).find("ABORTED - Bad parameters"), std::string::npos);
    savePicture(&w, "coil_aborted.png");

    // X closes the window.
    QTest::keyClick(&w, Qt::Key_X);
    EXPECT_FALSE(w.isVisible());
}

TEST(CoilWindow, LayoutCopyForOneBranch) {
    app();
    ui::ScriptedToolkit tk;
    coil::CoilBranchSetup b;
    b.inductance = 0.068;
    b.frequency = 144.0;
    b.gauge = 20;
    QWidget owner;
    CoilWindow* w = CoilWindow::forBranch(b, &owner, &tk);
    QPointer<CoilWindow> alive(w);
    int finished = -1;
    QObject::connect(w, &CoilWindow::finished, [&](bool kept) { finished = kept; });
    EXPECT_EQ(w->screen().rows(), 23);
    EXPECT_EQ(w->objectName(), "Tovik");
    QApplication::processEvents();
    EXPECT_TRUE(tk.log.empty()); // no start-over prompts
    EXPECT_NE(w->screen().rowText(16).find("Inductance (nHy.) =  68.0"), std::string::npos);
    ASSERT_NE(w->button(coil::kCoilQuit), nullptr);
    EXPECT_EQ(w->button(coil::kCoilFormUp)->geometry().top(),
              7 * w->view()->cellSize().height() + 3);
    savePicture(w, "coil_layout_copy.png");
    QStringList texts;
    for (QAction* a : w->menuBar()->actions()) {
        texts << a->text();
        if (a->menu())
            for (QAction* m : a->menu()->actions()) texts << m->text();
    }
    EXPECT_TRUE(texts.contains("&Quit"));
    EXPECT_FALSE(texts.contains("&Start over"));
    EXPECT_FALSE(texts.contains("inductance &Value"));
    // Enter leaves and keeps the design.
    QApplication::setActiveWindow(w);
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_EQ(finished, 1);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());

    // Quit leaves without keeping.
    CoilWindow* q = CoilWindow::forBranch(b, &owner, &tk);
    finished = -1;
    QObject::connect(q, &CoilWindow::finished, [&](bool kept) { finished = kept; });
    QTest::mouseClick(q->button(coil::kCoilQuit), Qt::LeftButton);
    EXPECT_EQ(finished, 0);
}
