// The "Equalizer" window offscreen on a Chebyshev bandpass: fit, the plotted
// curves against the fitter's numbers, apply and undo on the design, data
// saving, refusals; a picture for a person to look at.
#include "equalizer/equalizer_command.h"
#include "equalizer/equalizer_window.h"
#include "shell/command_table.h"
#include "ui/scripted_toolkit.h"

#include "../../core/design/test_dir.h"
#include "../../core/equalizer/bandpass_design.h"
#include "../test_app.h"

#include <QListWidget>
#include <gtest/gtest.h>

#include <memory>

using namespace tanvex;
using tanvex::testing::app;

TEST(EqualizerWindow, FitApplyUndoAndThePicture) {
    app();
    test::ScratchDir dir;
    ui::ScriptedToolkit tk;
    auto design = equalizertest::directBandpass(tk, 1, 5, 0.1, 10e6, 2e6);
    ASSERT_TRUE(design);
    analysis::DataFileServices data(*design, tk);
    data.directory = dir.str();
    gui::EqualizerWindow w(*design, tk, data);
    int changes = 0;
    w.designChanged = [&] { ++changes; };
    w.resize(980, 560);
    w.show();

    // Before a fit there is nothing to apply or save.
    EXPECT_FALSE(w.apply());
    EXPECT_TRUE(tk.sawNotice("Fit the equalizer first."));

    // The job starts on 80 % of the passband, delay, four sections.
    equalizer::Job job;
    ASSERT_TRUE(w.readJob(job));
    EXPECT_NEAR(job.from, 9.2e6, 1);
    EXPECT_NEAR(job.to, 10.8e6, 1);
    EXPECT_EQ(job.mode, equalizer::Mode::kDelay);
    EXPECT_EQ(job.sections, 4);

    ASSERT_TRUE(w.fit());
    const auto& eq = w.equalizer();
    EXPECT_EQ(w.sectionList()->count(), static_cast<int>(eq.sections().size()));
    EXPECT_LT(eq.report().rippleAfter, eq.report().rippleBefore / 5.0);
    // The plot holds the fitter's curves in nanoseconds and MHz.
    const auto& c = w.plot()->curves();
    ASSERT_EQ(static_cast<int>(c.f.size()), eq.points());
    EXPECT_NEAR(c.f.front(), 9.2, 1e-9);
    for (std::size_t k = 0; k < c.f.size(); ++k)
        EXPECT_NEAR(c.sum[k], c.target[k] + c.equalizer[k], 1e-9 * std::fabs(c.sum[k]));
    EXPECT_TRUE(w.status().startsWith("Peak-to-peak")) << w.status().toStdString();
    const QString path = QString::fromUtf8(TANVEX_PICTURE_DIR) + "/equalizer_window.png";
    EXPECT_TRUE(w.grab().save(path));

    ASSERT_EQ(w.saveData(), 0);
    EXPECT_TRUE(tk.sawNotice("Data saved in file: KBD_DATA.EQD"));

    const EntryList before = design->entries;
    const int n0 = entryCount(before);
    ASSERT_TRUE(w.apply());
    EXPECT_GT(entryCount(design->entries), n0);
    EXPECT_EQ(changes, 1);
    ASSERT_TRUE(w.undo());
    EXPECT_EQ(changes, 2);
    for (int i = 0; i <= n0 + 1; ++i) {
        EXPECT_EQ(design->entries[i].value, before[i].value);
        EXPECT_EQ(design->entries[i].code, before[i].code);
    }
    EXPECT_FALSE(w.undo());

    // A ripple goal needs a ripple.
    equalizer::Job byRipple = job;
    byRipple.sections = 0;
    byRipple.ripple = 0;
    w.showJob(byRipple);
    EXPECT_FALSE(w.fit());
    EXPECT_TRUE(tk.sawNotice("Give the number of sections or a ripple above 0."));
}

// Command 168 opens the window once, raises it after, and lets it go when
// it closes; Apply reaches the program's designChanged.
TEST(EqualizerCommand, OpensOneWindowAndForgetsItWhenClosed) {
    app();
    ui::ScriptedToolkit tk;
    auto design = equalizertest::directBandpass(tk, 1, 3, 0.1, 10e6, 2e6);
    ASSERT_TRUE(design);
    shell::Shell shell(*design, tk);
    analysis::DataFileServices data(*design, tk);
    auto command = gui::registerEqualizerCommand(shell, tk, data);
    int created = 0, changes = 0;
    command->onCreated = [&](QWidget*) { ++created; };
    command->designChanged = [&] { ++changes; };
    EXPECT_EQ(command->window(), nullptr);
    EXPECT_EQ(shell.runCommand(shell::kCmdEqualizer), 0);
    gui::EqualizerWindow* w = command->window();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Equalizer");
    shell.runCommand(shell::kCmdEqualizer);
    EXPECT_EQ(command->window(), w);
    EXPECT_EQ(created, 1);
    ASSERT_TRUE(w->fit());
    ASSERT_TRUE(w->apply());
    EXPECT_EQ(changes, 1);
    w->close();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(command->window(), nullptr);
}
