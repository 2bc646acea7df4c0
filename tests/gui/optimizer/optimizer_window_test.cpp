// The "Network optimization" window offscreen: every mode's buttons and
// keys with the scripted toolkit, a command run item by item from the
// event loop, pictures for a person to look at, and the window opened from
// the main program's command 139 next to a real plot window.
#include "optimizer/optimizer_commands.h"
#include "optimizer/optimizer_window.h"
#include "shell/main_window.h"
#include "ui/scripted_toolkit.h"

#include "../analysis/plot_bench.h"
#include "../test_app.h"

#include <QAction>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>

using namespace tanvex;
using tanvex::testing::app;

namespace {

void savePicture(QWidget* w, const char* name) {
    const QString path = QString::fromUtf8(TANVEX_PICTURE_DIR) + "/" + name;
    EXPECT_TRUE(w->grab().save(path)) << name;
}

// Runs the event loop until pred holds (at most 10 s).
template <class P> bool waitFor(P pred) {
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < 10000) QApplication::processEvents();
    return pred();
}

std::vector<std::string> buttonTexts(gui::OptimizerWindow& w, std::initializer_list<int> ids) {
    std::vector<std::string> out;
    for (int id : ids) {
        QPushButton* b = w.button(id);
        out.push_back(b && b->isVisible() ? b->text().toStdString() : "(none)");
    }
    return out;
}

bool panelHas(const gui::OptimizerWindow& w, const std::string& text) {
    for (const auto& l : w.panelLines())
        if (l.text == text) return true;
    return false;
}

class OptimizerWindowTest : public ::testing::Test {
protected:
    Design design;
    analysis::ResultsTable table;
    analysis::SweepOptions options;
    ui::ScriptedToolkit tk;
    std::unique_ptr<analysis::NoDataServices> data;
    std::unique_ptr<QWidget> plot;
    int plotRefreshes = 0;
    std::pair<int, int> selection{-1, -1}; // the schematic editor's
    std::unique_ptr<gui::OptimizerWindow> w;
    std::filesystem::path dir;

    void SetUp() override {
        app();
        dir = std::filesystem::temp_directory_path() /
              ("tanvex_optwin_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        ::setenv("TMTANVEX", dir.c_str(), 1);
        ASSERT_EQ(loadDesign(design, std::string(TANVEX_SOURCE_DIR) + "/resources/examples",
                             "bandpass", tk),
                  0);
        design.entries[3].value *= 1.03;
        data = std::make_unique<analysis::NoDataServices>(tk);
        plot = std::make_unique<QWidget>();
        plot->resize(640, 400);
        gui::OptimizerContext ctx;
        ctx.plotWindow = [this] { return plot.get(); };
        ctx.refreshPlot = [this] {
            ++plotRefreshes;
            plot->show();
        };
        ctx.closePlot = [this] { plot->hide(); };
        ctx.schematicSelection = [this] { return selection; };
        w = std::make_unique<gui::OptimizerWindow>(design, table, options, tk, *data, ctx);
        w->resize(560, 420);
        tk.answer("97, 103");
        tk.answer("A");
        ASSERT_TRUE(w->start());
        w->show();
        w->refreshView();
    }
    void TearDown() override {
        w.reset();
        std::filesystem::remove_all(dir);
    }
};

} // namespace

TEST_F(OptimizerWindowTest, CommandModeRunsACommandItemByItem) {
    EXPECT_EQ(w->windowTitle(), "Network optimization");
    EXPECT_EQ(buttonTexts(*w, {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110}),
              (std::vector<std::string>{"** Command **", "<-- Back up", "setup Memory",
                                        "Frequency ranges", "Resolution", "Q factor", "Tune mode",
                                        "change Job", "set final Stage", "eXit", "?-help"}));
    EXPECT_TRUE(panelHas(*w, "> Optimization <"));
    EXPECT_TRUE(panelHas(*w, "Optimizing: Amplitude"));
    EXPECT_TRUE(panelHas(*w, " 97.00 - 103.00 MHz "));
    EXPECT_GT(plotRefreshes, 0);
    EXPECT_EQ(w->engine().points(), 320); // half of the plot's 640 pixels

    // Keys: R (either case) asks the resolution, S the final stage, J the job.
    tk.answer("60");
    EXPECT_EQ(w->typed(Qt::Key_R, "r"), 104);
    EXPECT_TRUE(panelHas(*w, "Resolution: 60 points #"));
    tk.answer("5");
    EXPECT_EQ(w->typed(Qt::Key_S, "S"), 108);
    EXPECT_EQ(w->engine().finalStage, 5);
    tk.answer("R");
    w->typed(Qt::Key_J, "j");
    EXPECT_TRUE(panelHas(*w, "Optimizing: Return loss "));
    tk.answer("0,0,0");
    w->typed(Qt::Key_Q, "q");
    EXPECT_TRUE(tk.sawPrompt("(0=Inf.) Inductor Q, Cap. Q, Trans. Q ?"));
    w->typed(Qt::Key_Question, "?");
    EXPECT_EQ(tk.log.back(), "HELP: OPT_MNU.HLW");

    // Space opens the command line; the items run from the event loop.
    const double before = w->engine().error();
    std::vector<optimizer::ItemReport> items;
    w->onItem = [&](const optimizer::ItemReport& r) { items.push_back(r); };
    tk.answer("3-4");
    EXPECT_EQ(w->typed(Qt::Key_Space, " "), 100);
    EXPECT_TRUE(tk.sawPrompt("Command >"));
    EXPECT_TRUE(w->engine().inProgress()); // nothing ran inside the key press
    EXPECT_TRUE(items.empty());
    savePicture(w.get(), "optimizer_command_running.png");
    ASSERT_TRUE(waitFor([&] { return !w->engine().inProgress(); }));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].branch, 3);
    EXPECT_EQ(items[1].branch, 4);
    EXPECT_LT(w->engine().error(), before); // the worst return loss rose
    savePicture(w.get(), "optimizer_command_done.png");

    // Back up (Home) returns to the network before the command.
    const double l3 = design.entries[3].value;
    w->typed(Qt::Key_Home, "");
    EXPECT_NE(design.entries[3].value, l3);
    EXPECT_NEAR(w->engine().error(), before, 1e-6);
}

TEST_F(OptimizerWindowTest, TuneModeButtonsAndKeys) {
    w->typed(Qt::Key_T, "t");
    ASSERT_EQ(w->mode(), gui::OptimizerWindow::Mode::kTune);
    EXPECT_EQ(
        buttonTexts(*w, {160, 161, 162, 163, 164, 165, 166, 167, 168}),
        (std::vector<std::string>{"Up", "Down", "<-- Back up", "Specify value", "Pick branchs",
                                  "Finer step", "Coarser step", "eXit", "?-help"}));
    EXPECT_EQ(w->button(100), nullptr);
    EXPECT_TRUE(panelHas(*w, "Branch: ?"));
    tk.answer("4");
    w->button(164)->click();
    const double c = design.entries[4].value;
    EXPECT_TRUE(panelHas(*w, "Branch: 4"));
    w->typed(Qt::Key_Up, "");
    EXPECT_DOUBLE_EQ(design.entries[4].value, c * 1.01);
    w->typed(Qt::Key_C, "c"); // coarser: 2 %
    w->typed(Qt::Key_Right, "");
    EXPECT_NEAR(design.entries[4].value, c * 1.01 / 1.02, 1e-24);
    EXPECT_TRUE(panelHas(*w, "Value step = 2.000 %"));
    w->typed(Qt::Key_F, "f");
    w->typed(Qt::Key_B, "b");
    EXPECT_EQ(design.entries[4].value, c);
    // Specify value: a standard value is offered and typed values are in pF.
    tk.answer("5.6");
    w->typed(Qt::Key_S, "s");
    EXPECT_DOUBLE_EQ(design.entries[4].value, 5.6e-12);
    EXPECT_TRUE(panelHas(*w, "Tune value:   5.600 (pFd )"));
    savePicture(w.get(), "optimizer_tune.png");
    w->typed(Qt::Key_Question, "?");
    EXPECT_EQ(tk.log.back(), "HELP: OPT_TUNE.HLW");
    // The pick prompt offers the pair selected in the schematic editor.
    selection = {1, 5};
    tk.log.clear();
    tk.answer("");
    w->typed(Qt::Key_P, "p");
    EXPECT_EQ(tk.log.back(), "INPUT: 1&5");
    EXPECT_TRUE(panelHas(*w, "Branch: ?"));
    w->typed(Qt::Key_X, "x");
    EXPECT_EQ(w->mode(), gui::OptimizerWindow::Mode::kCommand);
    EXPECT_TRUE(panelHas(*w, "Tune: Off"));
}

TEST_F(OptimizerWindowTest, EscapeBetweenItemsStopsTheCommand) {
    int items = 0;
    w->onItem = [&](const optimizer::ItemReport&) {
        if (++items == 1) {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(w.get(), &esc);
        }
    };
    tk.answer("1-6");
    w->typed(Qt::Key_C, "C");
    ASSERT_TRUE(waitFor([&] { return !w->engine().inProgress(); }));
    QApplication::processEvents();
    EXPECT_EQ(items, 1);
    EXPECT_EQ(w->note(), "Abort");
}

TEST_F(OptimizerWindowTest, FrequencyRangesAndSetupMemory) {
    w->typed(Qt::Key_F, "F");
    ASSERT_EQ(w->mode(), gui::OptimizerWindow::Mode::kRanges);
    EXPECT_EQ(buttonTexts(*w, {200, 201, 202, 203, 204}),
              (std::vector<std::string>{"save to Main range", "save to Segment", "Clear segment",
                                        "Input range", "eXit"}));
    ASSERT_EQ(w->list()->count(), 7);
    EXPECT_EQ(w->list()->item(0)->text(), "A    0.000  -   0.000");
    tk.answer("98.5,101.5");
    w->typed(Qt::Key_I, "i");
    w->list()->setCurrentRow(2);
    w->typed(Qt::Key_S, "s");
    EXPECT_EQ(w->list()->item(2)->text(), "C   98.500  - 101.500");
    EXPECT_TRUE(panelHas(*w, " 98.50 - 101.50 MHz "));
    savePicture(w.get(), "optimizer_ranges.png");
    w->typed(Qt::Key_M, "m");
    EXPECT_TRUE(panelHas(*w, " 98.50 - 101.50 MHz "));
    EXPECT_EQ(w->engine().setups[0].lower, 98.5f);
    w->button(202)->click(); // clear segment C again
    EXPECT_EQ(w->list()->item(2)->text(), "C    0.000  -   0.000");
    w->typed(Qt::Key_X, "x");
    EXPECT_EQ(w->engine().transferredLower, 0.0);

    w->engine().setups[0].command = "3,4";
    w->typed(Qt::Key_M, "M");
    ASSERT_EQ(w->mode(), gui::OptimizerWindow::Mode::kMemory);
    EXPECT_EQ(buttonTexts(*w, {260, 261, 262, 263}),
              (std::vector<std::string>{"Save setup for reuse", "Recall a setup", "Clear a setup",
                                        "eXit"}));
    ASSERT_EQ(w->list()->count(), 21);
    w->list()->setCurrentRow(-1);
    tk.answer("b");
    w->typed(Qt::Key_S, "s"); // nothing selected: asks which
    EXPECT_TRUE(tk.sawPrompt("Save the setup in which memory (A-G) ?"));
    EXPECT_EQ(w->list()->item(3)->text(), "B  3,4");
    EXPECT_EQ(w->list()->item(4)->text(), " 98.500 - 101.500 MHz ");
    w->list()->setCurrentRow(5); // the third line of B
    w->engine().setups[0].command = "1";
    w->typed(Qt::Key_R, "r");
    EXPECT_EQ(w->engine().setups[0].command, "3,4");
    savePicture(w.get(), "optimizer_memory.png");
    w->typed(Qt::Key_C, "c");
    EXPECT_EQ(w->list()->item(3)->text(), "B  ");
    w->typed(Qt::Key_X, "x");
    EXPECT_EQ(w->mode(), gui::OptimizerWindow::Mode::kCommand);
}

TEST_F(OptimizerWindowTest, ExitAbandonsOrKeepsTheWork) {
    const double l3 = design.entries[3].value;
    tk.answer("3");
    w->typed(Qt::Key_C, "c");
    ASSERT_TRUE(waitFor([&] { return !w->engine().inProgress(); }));
    ASSERT_NE(design.entries[3].value, l3);
    tk.answer("C"); // Cancel: stays open
    w->typed(Qt::Key_X, "x");
    EXPECT_TRUE(w->isVisible());
    tk.answer("N"); // No: the design as it was when the window opened
    w->typed(Qt::Key_X, "x");
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(plot->isVisible());
    EXPECT_NEAR(design.entries[3].value / l3, 1.0, 1e-8);
}

TEST(OptimizerLayout, PlotKeptClearOfTheOptimizer) {
    QRect plot(100, 50, 800, 500);
    EXPECT_TRUE(gui::keepClear(QRect(0, 0, 200, 400), plot));
    EXPECT_EQ(plot.left(), 200); // moved right in steps of 20 until clear
    EXPECT_EQ(plot.width(), 800);
    QRect atEdge(20, 0, 500, 400);
    EXPECT_FALSE(gui::keepClear(QRect(0, 0, 300, 400), atEdge)); // would drop below 401
    QRect clear(400, 0, 500, 400);
    EXPECT_TRUE(gui::keepClear(QRect(0, 0, 300, 400), clear));
    EXPECT_EQ(clear.left(), 400);
}

TEST(OptimizerInProgram, OpenedByTheOKeyBesideARealPlot) {
    tanvex::testing::PlotBench bench;
    const auto dir =
        std::filesystem::temp_directory_path() / ("tanvex_optprog_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ::setenv("TMTANVEX", dir.c_str(), 1);
    auto commands = gui::registerOptimizerCommands(bench.shell, bench.tk, *bench.front);
    // The optimizer opens to the right of the plot (20..1020).
    commands->onCreated = [](gui::OptimizerWindow* w) { w->move(1040, 20); };
    std::deque<std::string> answers{"97,103", "R"};
    std::vector<std::string> unexpected;
    bench.tk.onBoxShown = [&](QWidget* box) {
        if (answers.empty()) {
            QString text = box->windowTitle();
            for (auto* l : box->findChildren<QLabel*>()) text += " | " + l->text();
            unexpected.push_back(text.toStdString());
            QTest::keyClick(box, Qt::Key_Escape);
            box->close();
            return;
        }
        const std::string a = answers.front();
        answers.pop_front();
        if (auto* edit = box->findChild<QLineEdit*>("answer")) {
            edit->setText(QString::fromStdString(a));
            QTest::keyClick(edit, Qt::Key_Return);
        } else {
            QTest::keyClick(box, a[0]);
        }
    };
    // The main window's O key runs command 139.
    gui::MainWindow main(bench.shell, bench.tk);
    EXPECT_EQ(main.handleKey(Qt::Key_O, "o", Qt::NoModifier), shell::kCmdOptimization);
    EXPECT_TRUE(answers.empty());
    gui::OptimizerWindow* w = commands->window();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->engine().job, optimizer::kJobReturnLoss);
    ASSERT_NE(bench.plot(), nullptr); // the repaint opened the plot
    EXPECT_TRUE(bench.front->optimizerOpen());
    EXPECT_EQ(bench.shell.results.pointCount(), w->engine().points());
    // The plot's hand-over goes to the optimizer as command 140.
    bench.front->options().markerLow = 98.25e6;
    bench.front->options().markerHigh = 101.75e6;
    bench.plot()->runCommand(plot::kCmdTabulate);
    EXPECT_DOUBLE_EQ(w->engine().transferredLower, 98.25);
    EXPECT_DOUBLE_EQ(w->engine().transferredUpper, 101.75);
    EXPECT_EQ(bench.front->options().markerLow, 0.0);
    savePicture(w, "optimizer_in_program.png");
    // Utilities > Optimization raises the same window.
    ASSERT_NE(main.action(shell::kCmdOptimization), nullptr);
    main.action(shell::kCmdOptimization)->trigger();
    EXPECT_EQ(commands->window(), w);
    answers = {"Y"};
    w->close();
    QApplication::processEvents();
    EXPECT_EQ(commands->window(), nullptr);
    EXPECT_TRUE(unexpected.empty()) << unexpected.front();
    EXPECT_FALSE(bench.front->optimizerOpen());
    std::filesystem::remove_all(dir);
}
