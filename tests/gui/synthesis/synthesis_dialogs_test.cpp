// The DESIGN PARAMETERS dialog, the preset bandpass picker and the narrow
// band dialog on the offscreen platform, with pictures.
#include "design/design_file.h"
#include "design/operations.h"
#include "shell/command_table.h"
#include "synthesis/catalogue.h"
#include "synthesis/narrow_band_dialog.h"
#include "synthesis/parameter_dialog.h"
#include "synthesis/synthesis_commands.h"
#include "ui/gen_win.h"
#include "ui/qt_toolkit.h"
#include "ui/scripted_toolkit.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>

using namespace tanvex;
using namespace tanvex::synthesis;

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "synthesis_dialogs_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: windows of the toolkits may outlive the tests.
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

void savePicture(QWidget& w, const char* name) {
    w.grab().save(QString::fromLatin1(TANVEX_PICTURE_DIR) + "/" + name);
}

std::unique_ptr<Design> bandpassDesign() {
    auto d = std::make_unique<Design>();
    newDesign(d->entries);
    applyNotation(*d, 4); // V.H.F.: MHz
    applyDesignType(*d, 109);
    d->record[0].value = 1;
    writeMask(d->record, kAllPoleMask);
    d->record[1].value = 5;
    d->record[2].value = 0.1;
    d->record[3].value = 0.1;
    d->record[5].value = 100e6;
    d->record[6].value = 10e6;
    d->record[7].value = 20;
    d->record[8].value = 50;
    d->record[9].value = 50;
    d->record[11].letter = 'S';
    d->record[13].value = 2;
    setAllCouplings(d->record, 'C');
    return d;
}

TEST(ParameterDialog, RowsEntriesAndPicture) {
    app();
    auto d = bandpassDesign();
    gui::QtToolkit tk;
    gui::ParameterDialog dlg(*d, tk);
    dlg.show();
    QApplication::processEvents();
    // Used parameters in slot order.
    EXPECT_EQ(dlg.rowSlots(), (std::vector<int>{1, 2, 3, 5, 6, 7, 8, 9, 11, 12, 13}));
    EXPECT_EQ(dlg.rowLabel(3)->text(), "arithmetic Fo.          MHz ");
    EXPECT_EQ(dlg.editForSlot(5)->text(), "100");
    savePicture(dlg, "synthesis_parameter_dialog.png");

    // "F1, F2" in the Fo row.
    dlg.editForSlot(5)->setText("90, 110");
    dlg.commitSlot(5);
    EXPECT_DOUBLE_EQ(d->record[5].value, 100e6);
    EXPECT_DOUBLE_EQ(d->record[6].value, 20e6);
    EXPECT_EQ(dlg.editForSlot(6)->text(), "20");

    // The couplings grid and a Z coupling bringing the stopband zero row.
    ASSERT_TRUE(dlg.gridButton(2, 3)->isEnabled());
    EXPECT_FALSE(dlg.gridButton(5, 0)->isEnabled()); // N - 1 = 4 couplings
    dlg.gridButton(2, 3)->click();
    EXPECT_EQ(coupling(d->record, 2), 'Z');
    EXPECT_NE(dlg.editForSlot(16), nullptr);
    dlg.gridButton(2, 0)->click();
    EXPECT_EQ(dlg.editForSlot(16), nullptr);

    // Hints follow the focus.
    dlg.editForSlot(6)->setFocus();
    QApplication::processEvents();
    dlg.editForSlot(5)->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(dlg.hintText(), "Hints: You may enter Fo -or- F1, F2");

    QPushButton* calc = dlg.button("&CALCULATE");
    ASSERT_NE(calc, nullptr);
    calc->click();
    EXPECT_EQ(dlg.result(), 1);
}

TEST(ParameterDialog, FaultFocusAndPreset) {
    app();
    auto d = bandpassDesign();
    setFaultIndex(d->record, 6);
    gui::QtToolkit tk;
    gui::ParameterDialog dlg(*d, tk);
    dlg.show();
    QApplication::processEvents();
    EXPECT_EQ(faultIndex(d->record), 0);
    EXPECT_EQ(dlg.warningText(), "Warnings: Inappropriate parameter set!");
    EXPECT_TRUE(dlg.editForSlot(6)->hasFocus());
    savePicture(dlg, "synthesis_parameter_dialog_fault.png");
    d->record[4].value = 0;
    dlg.preset();
    EXPECT_DOUBLE_EQ(d->record[7].value, 20);
    EXPECT_EQ(d->record[11].letter, 'S');
    EXPECT_TRUE(dlg.button("&CALCULATE")->hasFocus());
}

// A toolkit whose single-key box takes its keys from a list and grabs the
// text window the first time.
class PickerToolkit : public gui::QtToolkit {
public:
    std::deque<char> keys;
    bool grabbed = false;
    int pages = 0;
    char keyBox(const std::string&) override {
        QApplication::processEvents();
        if (!grabbed && genWinWindow()) {
            savePicture(*genWinWindow(), "synthesis_preset_picker.png");
            grabbed = true;
        }
        // Every sketch of the first round.
        if (genWinWindow() && pages < kPresetBandpassCount) {
            char name[64];
            std::snprintf(name, sizeof name, "synthesis_preset_picker_%02d.png", ++pages);
            savePicture(*genWinWindow(), name);
        }
        if (keys.empty()) return 'C';
        char k = keys.front();
        keys.pop_front();
        return k;
    }
};

TEST(PresetPicker, WrapsAndChooses) {
    app();
    auto d = bandpassDesign();
    PickerToolkit tk;
    // Through all fourteen sketches, then the second one again.
    for (int i = 0; i < kPresetBandpassCount + 1; ++i) tk.keys.push_back('N');
    tk.keys.push_back('Y');
    EXPECT_EQ(gui::runPresetPicker(d->record, tk), 109);
    EXPECT_TRUE(tk.grabbed);
    EXPECT_EQ(tk.pages, kPresetBandpassCount);
    EXPECT_EQ(d->record[11].letter, 'S');
    EXPECT_EQ(referenceKind(d->record), 1);
    tk.keys = {'N', 'C'};
    EXPECT_EQ(gui::runPresetPicker(d->record, tk), 0);
}

TEST(NarrowBandDialog, ShowsTheBuiltState) {
    app();
    auto d = bandpassDesign();
    gui::NarrowBandDialog dlg(*d);
    NarrowBandState st;
    st.avgParallelL = 0;
    st.avgSeriesL = 31.8e-9;
    st.avgSeriesC = 79.6e-12;
    st.designZo = 20;
    st.terminationZo = 12.5;
    st.comments = {"* Norton / narrow band *"};
    dlg.load(st);
    dlg.show();
    QApplication::processEvents();
    EXPECT_EQ(dlg.averageEdit('S', 'L')->text(), "31.800");
    savePicture(dlg, "synthesis_narrow_band_dialog.png");
    dlg.averageEdit('S', 'C')->setText("100");
    dlg.modeButton(1)->setChecked(true);
    dlg.store(st);
    EXPECT_EQ(st.typedKind, 'C');
    EXPECT_EQ(st.reference, 'S');
    EXPECT_NEAR(st.typedValue, 100e-12, 1e-20);
    EXPECT_EQ(st.mode, NarrowMode::EqualC);
}

TEST(SynthesisCommands, RegisteredAndCalculateBuilds) {
    app();
    auto d = bandpassDesign();
    gui::QtToolkit tk;
    shell::Shell sh(*d, tk);
    gui::SynthesisCommands synth(sh, tk, nullptr);
    for (int id = shell::kCmdDesignFirst; id <= shell::kCmdDesignLast; ++id)
        EXPECT_TRUE(sh.commands.has(id)) << id;
    for (int id : {shell::kCmdPresetBandpass, shell::kCmdCalculate, shell::kCmdParameters,
                   shell::kCmdReferenceValues})
        EXPECT_TRUE(sh.commands.has(id)) << id;
    std::vector<int> ends;
    sh.impedanceMatcher = [&](int end) {
        ends.push_back(end);
        return 0;
    };
    // A direct scaled bandpass builds without any window, then both
    // matchers run.
    applyDesignType(*d, 106);
    d->record[11].letter = 'P';
    EXPECT_EQ(sh.runCommand(shell::kCmdCalculate), 0);
    EXPECT_EQ(entryCount(d->entries), 11); // five resonators
    EXPECT_EQ(ends, (std::vector<int>{0, 1}));
}

TEST(SynthesisCommands, ChangesMarkTheDesignUnsaved) {
    app();
    auto d = bandpassDesign();
    ui::ScriptedToolkit tk;
    shell::Shell sh(*d, tk);
    gui::SynthesisCommands synth(sh, tk, nullptr);
    applyDesignType(*d, 106);
    d->record[11].letter = 'P';
    // A new network: exiting must ask.
    setSaved(d->record, true);
    EXPECT_EQ(sh.runCommand(shell::kCmdCalculate), 0);
    EXPECT_FALSE(isSaved(d->record));
    // The same network once more changes nothing.
    setSaved(d->record, true);
    EXPECT_EQ(sh.runCommand(shell::kCmdCalculate), 0);
    EXPECT_TRUE(isSaved(d->record));
    // A refused calculation that still changed a parameter (the fault index
    // is not kept in the files, the order is) counts as well.
    d->record[1].value = 40;
    setSaved(d->record, true);
    sh.commands.add(shell::kCmdParameters, [&](int) {
        d->record[1].value = 3;
        return 0;
    });
    EXPECT_EQ(sh.runCommand(shell::kCmdCalculate), kBuildFault);
    EXPECT_FALSE(isSaved(d->record));
}

TEST(SynthesisCommands, MakeExternalReferenceWritesTheNormalizedLowpass) {
    app();
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tanvex_ref_" + std::to_string(getpid()));
    fs::create_directories(dir);
    setenv("TMTANVEX", (dir.string() + "/").c_str(), 1);
    auto d = bandpassDesign();
    setDesignName(*d, "bp5");
    const auto record = d->record;
    ui::ScriptedToolkit tk;
    shell::Shell sh(*d, tk);
    gui::SynthesisCommands synth(sh, tk, nullptr);

    tk.answer((dir / "REF5").string());
    EXPECT_EQ(sh.runCommand(shell::kCmdExternalRefLowpass), 0);
    NetworkFile net;
    ASSERT_EQ(readNetworkFile((dir / "REF5.dzn").string(), net, tk), 0);
    // Five elements between a 1 ohm source and 1 ohm load at 1 rad/s: the
    // 0.1 dB Chebyshev g-values 1.1468, 1.3712, 1.9750, 1.3712, 1.1468.
    ASSERT_EQ(entryCount(net.entries), 6);
    EXPECT_EQ(net.entries[0].value, 1.0);
    EXPECT_NEAR(net.entries[7].value, 1 / (2 * std::acos(-1.0)), 1e-9);
    const double g[] = {1.1468, 1.3712, 1.9750, 1.3712, 1.1468};
    for (int k = 0; k < 5; ++k) EXPECT_NEAR(net.entries[k + 1].value, g[k], 2e-4) << k;
    // The design itself is back as it was.
    for (int i = 0; i < kSavedSlots; ++i) EXPECT_EQ(d->record[i].value, record[i].value) << i;
    EXPECT_EQ(designName(*d), "bp5");

    // The design's own name is refused.
    tk.answer("bp5");
    EXPECT_NE(sh.runCommand(shell::kCmdExternalRefLowpass), 0);
    EXPECT_TRUE(tk.sawNotice("ABORT - Ref. file name must be unique!"));
    unsetenv("TMTANVEX");
    fs::remove_all(dir);
}

} // namespace
