// The pole placer dialog on the offscreen platform, with a picture.
#include "design/operations.h"
#include "synthesis/catalogue.h"
#include "synthesis/parameter_dialog.h"
#include "synthesis/placer_dialog.h"
#include "ui/scripted_toolkit.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>

using namespace tanvex;
using namespace tanvex::synthesis;
using tanvex::gui::PlacerDialog;

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "placer_dialog_test";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

std::unique_ptr<Design> placerDesign() {
    auto d = std::make_unique<Design>();
    newDesign(d->entries);
    applyNotation(*d, 4); // MHz
    applyDesignType(*d, 115);
    d->record[2].value = 0.1;
    d->record[5].value = 10e6;
    d->record[6].value = 2e6;
    d->record[7].value = 50;
    d->record[13].value = 2;
    return d;
}

QPushButton* named(QWidget& w, const char* objectName) {
    return w.findChild<QPushButton*>(QString::fromLatin1(objectName));
}

} // namespace

TEST(PlacerDialog, CountsMaskSolveAndRefusals) {
    app();
    auto d = placerDesign();
    ui::ScriptedToolkit tk;
    PlacerState st;
    st.dataMode = 1;
    st.dcZeros = 1;
    st.infZeros = 3;
    PlacerBand band = placerBand(d->record, 1);
    PlacerDialog dlg(st, band, 1, *d, tk);
    // "--" under Inf. with DC 1 / Inf. 3 swaps to DC 3 / Inf. 1; "--" under
    // DC with DC 1 keeps 1 / 3.
    named(dlg, "infMinus")->click();
    EXPECT_EQ(dlg.countsText(), "3 1");
    named(dlg, "dcMinus")->click();
    EXPECT_EQ(dlg.countsText(), "1 3");
    named(dlg, "dcMinus")->click();
    EXPECT_EQ(dlg.countsText(), "1 3");
    named(dlg, "dcPlus")->click();
    EXPECT_EQ(dlg.countsText(), "2 3");
    // An odd total blocks the synthesis.
    dlg.button("e&Xit and synthesize")->click();
    EXPECT_TRUE(tk.sawNotice("Extreme zeros must add to an even number"));
    named(dlg, "infMinus")->click();
    EXPECT_EQ(dlg.countsText(), "2 2");

    // A zero between the band edges is refused, the zeros stay as they were.
    dlg.zeroEdit(0)->setText("10.4");
    EXPECT_FALSE(dlg.readEdits());
    EXPECT_EQ(st.finiteCount, 0);
    EXPECT_TRUE(dlg.zeroEdit(0)->text().isEmpty());

    // A mask in MHz, then Solve: every margin at or above zero.
    dlg.maskFreqEdit(0)->setText("8");
    dlg.maskDbEdit(0)->setText("45");
    dlg.maskFreqEdit(1)->setText("12");
    dlg.maskDbEdit(1)->setText("45");
    dlg.maskFreqEdit(2)->setText("13.5");
    dlg.maskDbEdit(2)->setText("60");
    dlg.button("&Solve")->click();
    ASSERT_EQ(st.maskCount, 3);
    EXPECT_GE(st.finiteCount, 1);
    EXPECT_GE(worstMargin(evaluateMask(st, band)), 0.0);
    EXPECT_GT(dlg.analysisList()->count(), 0);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(dlg.responseText(i).trimmed().isEmpty());
    const int solved = st.finiteCount;
    // Reset clears the zeros; Back up brings them back.
    dlg.button("&Reset")->click();
    EXPECT_EQ(st.finiteCount, 0);
    dlg.button("&Back up")->click();
    EXPECT_EQ(st.finiteCount, solved);
    dlg.button("&3 dB points")->click();
    EXPECT_TRUE(dlg.analysisList()
                    ->item(dlg.analysisList()->count() - 1)
                    ->text()
                    .startsWith("3 dB points: "));
    tk.answer("7, 13, -5");
    dlg.button("&Analyse -->")->click();
    // Five lines, the passband marked on entering and leaving, the rule.
    EXPECT_EQ(dlg.analysisList()->count(), 8);
    dlg.resize(dlg.sizeHint());
    dlg.grab().save(QString::fromLatin1(TANVEX_PICTURE_DIR) + "/placer_dialog.png");
    dlg.button("&Quit")->click();
    EXPECT_EQ(dlg.result(), 27);
}

TEST(PlacerDialog, LowpassMaskIgnoresCornersInsideTheBand) {
    app();
    auto d = placerDesign();
    ui::ScriptedToolkit tk;
    PlacerState st;
    st.dataMode = 2;
    st.infZeros = 1;
    PlacerBand band;
    band.mode = 2;
    band.ripple = 0.1;
    PlacerDialog dlg(st, band, 2, *d, tk);
    EXPECT_EQ(dlg.findChild<QPushButton*>(QStringLiteral("dcPlus")), nullptr);
    dlg.maskFreqEdit(0)->setText("0.8");
    dlg.maskDbEdit(0)->setText("30");
    dlg.maskFreqEdit(1)->setText("1.5");
    dlg.maskDbEdit(1)->setText("40");
    ASSERT_TRUE(dlg.readEdits());
    EXPECT_EQ(st.maskCount, 1);
    EXPECT_EQ(st.maskFreq[0], 1.5);
    dlg.button("e&Xit and synthesize")->click();
    EXPECT_EQ(dlg.result(), 0);
}

TEST(ParameterDialogPlacer, OrderNMakesTheLowpassMaskFromMarkers) {
    app();
    auto d = placerDesign();
    applyDesignType(*d, 106); // direct scaled bandpass
    d->record[0].value = 6;
    ui::ScriptedToolkit tk;
    gui::ParameterDialog dlg(*d, tk);
    dlg.plotMarkerLevels = [] {
        return std::vector<std::pair<double, double>>{{12.5e6, 40}, {7.5e6, 35}};
    };
    tk.answer("Y");
    dlg.estimateOrder();
    PlacerState st = placerFromFile(d->placer);
    EXPECT_EQ(st.maskCount, 2);
    EXPECT_EQ(st.maskType, 2);
    EXPECT_EQ(st.maskFromMarkers, 1);
    EXPECT_EQ(dlg.warningText(), "Warnings: LP placer mask adjust: To MARKERS");
    // No markers at all.
    dlg.plotMarkerLevels = [] { return std::vector<std::pair<double, double>>{}; };
    tk.answer("Y");
    dlg.estimateOrder();
    EXPECT_TRUE(tk.sawNotice("No stopband markers!"));
}
