// The calculator's commands driven through a scripted toolkit, and the
// screen they produce, cell by cell.
#include "coil/coil_calculator.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace tanvex;
using namespace tanvex::coil;

namespace {

// Also records the prompt lines with their colours as the box opens.
class ColourToolkit : public ui::ScriptedToolkit {
public:
    std::vector<std::vector<ui::PromptLine>> boxes;
    void inputBox() override {
        boxes.emplace_back(prompt.begin(), prompt.end());
        ScriptedToolkit::inputBox();
    }
};

std::string row(const ui::TextScreen& s, int r) {
    return s.rowText(r);
}

// The text from a cell, `n` characters long.
std::string cells(const ui::TextScreen& s, int col, int r, int n) {
    std::string out;
    for (int c = col; c < col + n; ++c)
        out += static_cast<char>(s.at(c, r).ch ? s.at(c, r).ch : ' ');
    return out;
}

bool screenHas(const ui::TextScreen& s, const std::string& text) {
    for (int r = 0; r < s.rows(); ++r)
        if (row(s, r).find(text) != std::string::npos) return true;
    return false;
}

const std::string kDash = "\xC4";

} // namespace

TEST(CoilCalculator, StartOverAsksInOrderWithColouredPrompts) {
    CoilCalculator calc;
    ColourToolkit tk;
    tk.answer("47");
    tk.answer("0.05");
    tk.answer("30");
    calc.state.formDia = 0.3;
    calc.state.autoDiameter = false;
    calc.state.drillNote = "(#1 Drill)";
    EXPECT_TRUE(calc.command(kCoilStartOver, tk));
    EXPECT_FALSE(calc.paintSuppressed);
    ASSERT_EQ(tk.boxes.size(), 3u);
    EXPECT_EQ(tk.boxes[0][1].text, "Required inductance (nHy.)");
    EXPECT_EQ(tk.boxes[1][0].text, "     American Wire Gauge number (AWG)");
    EXPECT_EQ(tk.boxes[1][1].text, "         or wire diameter (In.)");
    EXPECT_EQ(tk.boxes[1][2].text, "(A number less then 1.0 is wire diameter)");
    EXPECT_EQ(tk.boxes[1][2].attribute, 4);
    EXPECT_EQ(tk.boxes[1][0].attribute, 0);
    EXPECT_EQ(tk.boxes[2][1].text, "Frequency (MHz.)");
    EXPECT_EQ(tk.boxes[2][2].text, "Frequency at which Q information is desired.");
    EXPECT_EQ(tk.boxes[2][2].attribute, 4);
    EXPECT_NEAR(calc.state.required, 0.047, 1e-15);
    EXPECT_EQ(calc.state.gauge, 0);
    EXPECT_DOUBLE_EQ(calc.state.wire, 0.05);
    EXPECT_DOUBLE_EQ(calc.state.frequency, 30.0);
    EXPECT_NEAR(calc.state.sqrtFrequency, std::sqrt(30.0), 1e-15);
    // Start over chooses the form and pitch afresh.
    EXPECT_TRUE(calc.state.autoDiameter);
    EXPECT_TRUE(calc.state.drillNote.empty());
    EXPECT_EQ(calc.state.formDia, 0.0);
}

TEST(CoilCalculator, EmptyAnswersChangeNothing) {
    CoilCalculator calc;
    ui::ScriptedToolkit tk;
    CoilState before = calc.state;
    EXPECT_FALSE(calc.command(kCoilInductance, tk));
    EXPECT_FALSE(calc.command(kCoilWireGauge, tk));
    EXPECT_FALSE(calc.command(kCoilFrequency, tk));
    EXPECT_FALSE(calc.command(kCoilFormDia, tk));
    EXPECT_FALSE(calc.command(kCoilThread, tk));
    EXPECT_EQ(calc.state.required, before.required);
    EXPECT_EQ(calc.state.wire, before.wire);
    EXPECT_EQ(calc.state.frequency, before.frequency);
    EXPECT_TRUE(calc.state.autoDiameter);
    tk.answer("abc"); // not a number reads as 0
    EXPECT_FALSE(calc.command(kCoilInductance, tk));
    EXPECT_EQ(calc.state.required, before.required);
    EXPECT_TRUE(tk.sawPrompt("    What thread (turns/inch)"));
    EXPECT_TRUE(tk.sawPrompt("Closewound is about 46.27 turns/inch."));
}

TEST(CoilCalculator, PitchLimitsAndDefaultRange) {
    CoilCalculator calc;
    ui::ScriptedToolkit tk;
    ui::TextScreen screen;
    calc.draw(screen);
    tk.answer("0.5");
    EXPECT_TRUE(calc.command(kCoilLowerPitch, tk));
    EXPECT_TRUE(tk.sawPrompt(" (Greater then 0.1 - now: 0.75)."));
    EXPECT_TRUE(tk.sawPrompt(" (<Enter> for default range)"));
    EXPECT_NEAR(calc.state.pitchLow, 0.5 * calc.state.closewound, 1e-12);
    EXPECT_FALSE(calc.state.defaultPitch);
    tk.answer("0.6");
    EXPECT_TRUE(calc.command(kCoilUpperPitch, tk));
    EXPECT_TRUE(tk.sawPrompt(" (Less than 1.0 - now: 0.85)."));
    calc.draw(screen);
    EXPECT_EQ(cells(screen, 25, 3, 32), "Winding pitch :  Manual set     ");
    EXPECT_EQ(row(screen, 6).substr(29), "Range set =   0.50 - 0.60");
    // <Enter> restores the default range and redraws.
    EXPECT_TRUE(calc.command(kCoilUpperPitch, tk));
    EXPECT_TRUE(calc.state.defaultPitch);
    calc.draw(screen);
    EXPECT_EQ(cells(screen, 42, 3, 15), "Default setting");
    EXPECT_EQ(screen.at(42, 3).attr, 6);
    EXPECT_EQ(row(screen, 6).substr(29), "Range set =   0.75 - 0.85");
    calc.state.defaultPitch = false;
    EXPECT_TRUE(calc.command(kCoilDefaultRange, tk));
    EXPECT_TRUE(calc.state.defaultPitch);
}

TEST(CoilCalculator, ThreadedFormShowsNoPitchWarnings) {
    CoilCalculator calc;
    ui::ScriptedToolkit tk;
    ui::TextScreen screen;
    tk.answer("30");
    EXPECT_TRUE(calc.command(kCoilThread, tk));
    EXPECT_EQ(calc.state.pitchLow, 30.0);
    EXPECT_EQ(calc.state.pitchHigh, 30.0);
    CoilResult r = calc.draw(screen);
    EXPECT_FALSE(r.badParameters);
    EXPECT_NE(r.turns, std::round(r.turns));
    EXPECT_FALSE(screenHas(screen, "Squashed"));
    EXPECT_FALSE(screenHas(screen, "Stretched"));
}

TEST(CoilCalculator, WireButtonsStepGaugesAndDiameters) {
    CoilCalculator calc;
    ui::ScriptedToolkit tk;
    calc.state.autoDiameter = false;
    calc.state.formDia = 0.5;
    EXPECT_TRUE(calc.command(kCoilWireDown, tk));
    EXPECT_EQ(calc.state.gauge, 26);
    EXPECT_NEAR(calc.state.wire, 0.0159, 5e-5);
    EXPECT_NEAR(calc.state.closewound, 0.93 / calc.state.wire, 1e-12);
    EXPECT_TRUE(calc.state.autoDiameter);
    EXPECT_EQ(calc.state.formDia, 0.0);
    calc.command(kCoilWireUp, tk);
    calc.command(kCoilWireUp, tk);
    EXPECT_EQ(calc.state.gauge, 22);
    // Thicker than AWG 2 is not a gauge any more: the button beeps.
    calc.state.setWire(2);
    calc.command(kCoilWireUp, tk);
    EXPECT_EQ(tk.beeps, 1);
    EXPECT_EQ(calc.state.gauge, 2);
    calc.state.setWire(0.1);
    calc.command(kCoilWireUp, tk);
    EXPECT_NEAR(calc.state.wire, 0.105, 1e-12);
    calc.command(kCoilWireDown, tk);
    EXPECT_NEAR(calc.state.wire, 0.1, 1e-12);
}

TEST(CoilCalculator, FormButtonsFollowTheDrillsAndAutoReturns) {
    CoilCalculator calc;
    ui::ScriptedToolkit tk;
    ui::TextScreen screen;
    tk.answer("0.25");
    EXPECT_TRUE(calc.command(kCoilFormDia, tk));
    EXPECT_TRUE(tk.sawPrompt("  Coil form diameter (In.)"));
    EXPECT_FALSE(calc.state.autoDiameter);
    calc.command(kCoilFormUp, tk);
    calc.draw(screen);
    EXPECT_EQ(row(screen, 8).substr(30), "Diameter =   0.2812  (9/32 In. Drill)");
    calc.command(kCoilFormAuto, tk);
    calc.draw(screen);
    EXPECT_EQ(cells(screen, 51, 8, 6), "(Auto)");
    EXPECT_EQ(screen.at(51, 8).attr, 4);
    // Past the largest drill: a beep and no change.
    calc.state.formDia = 1.0;
    calc.state.autoDiameter = false;
    calc.command(kCoilFormUp, tk);
    EXPECT_EQ(tk.beeps, 1);
    EXPECT_EQ(calc.state.formDia, 1.0);
}

TEST(CoilScreen, FixedPartsSitInTheirCells) {
    CoilCalculator calc;
    ui::TextScreen screen(80, 25);
    calc.paintSuppressed = true;
    calc.draw(screen);
    EXPECT_EQ(cells(screen, 22, 1, 35), "> Air Wound Single Layer Inductor <");
    EXPECT_EQ(screen.at(22, 1).attr, 71);
    EXPECT_EQ(screen.at(56, 1).attr, 71);
    // Wire box: columns 2..21, lines 3..6, a run of three before the title.
    EXPECT_EQ(screen.at(2, 3).ch, 0xDA);
    EXPECT_EQ(cells(screen, 3, 3, 3), kDash + kDash + kDash);
    EXPECT_EQ(cells(screen, 6, 3, 13), "> Wire Dia. <");
    EXPECT_EQ(screen.at(6, 3).attr, 22);
    EXPECT_EQ(screen.at(19, 3).ch, 0xC4);
    EXPECT_EQ(screen.at(21, 3).ch, 0xBF);
    EXPECT_EQ(screen.at(2, 4).ch, 0xB3);
    EXPECT_EQ(screen.at(21, 5).ch, 0xB3);
    EXPECT_EQ(screen.at(2, 6).ch, 0xC0);
    EXPECT_EQ(screen.at(21, 6).ch, 0xD9);
    EXPECT_EQ(screen.at(2, 6).attr, 6);
    // Form box: columns 1..22, lines 7..10, a run of four.
    EXPECT_EQ(screen.at(1, 7).ch, 0xDA);
    EXPECT_EQ(cells(screen, 6, 7, 13), "> Form Dia. <");
    EXPECT_EQ(screen.at(5, 7).ch, 0xC4);
    EXPECT_EQ(screen.at(22, 10).ch, 0xD9);
    EXPECT_EQ(cells(screen, 6, 12, 12), "Version 4.1a");
    // Suppressed painting: no figures.
    EXPECT_FALSE(screenHas(screen, "Turns ="));
    EXPECT_FALSE(screenHas(screen, "Winding pitch"));
}

TEST(CoilScreen, FiguresOfTheDefaultDesign) {
    CoilCalculator calc;
    ui::TextScreen screen(80, 25);
    CoilResult r = calc.draw(screen);
    EXPECT_EQ(row(screen, 4).substr(28), "Wire gauge =  24");
    EXPECT_EQ(row(screen, 5).substr(28), "Closewound =  46.2669 turns / In.");
    EXPECT_EQ(row(screen, 7).substr(29), "Frequency = 100.0 MHz.");
    EXPECT_EQ(cells(screen, 33, 10, 16), "Turns =   7.0000");
    EXPECT_EQ(cells(screen, 24, 13, 16), "Approximate Qu =");
    EXPECT_EQ(screen.at(24, 13).attr, 2);
    EXPECT_EQ(screen.at(40, 13).attr, 7);
    char buf[64];
    std::snprintf(buf, sizeof buf, "Inductance (nHy.) =%9.4f", r.inductance * 1000);
    EXPECT_EQ(row(screen, 16).substr(21), buf);
    EXPECT_EQ(cells(screen, 21, 16, 28), "Inductance (nHy.) =  99.9999");
    std::snprintf(buf, sizeof buf, "%9.4f (Cd = %.3f pF)", r.resonance * 1e-9,
                  r.capacitance * 1e18);
    EXPECT_EQ(row(screen, 15).substr(40), buf);
    EXPECT_FALSE(screenHas(screen, "ABORTED"));
}

TEST(CoilScreen, WarningsFollowThePitchAndLength) {
    CoilState s;
    CoilResult r;
    r.turns = 10;
    r.length = 0.2;
    r.meanRadius = 0.1;
    r.inductance = 0.1;
    r.resonance = 1e9;
    r.capacitance = 1e-19;
    ui::TextScreen screen;
    // Above the upper limit and tighter than closewound: the red warning
    // is written over the squashed one.
    s.formDia = 0.5;
    r.turnsPerInch = 50.0;
    drawCoilScreen(screen, s, &r);
    EXPECT_EQ(cells(screen, 50, 11, 27), " Tighter than closewound ! ");
    EXPECT_EQ(screen.at(50, 11).attr, 4);
    EXPECT_EQ(cells(screen, 40, 14, 21), "   0.4000 <" + kDash + kDash + " Short ?");
    EXPECT_EQ(screen.at(50, 14).attr, 2);
    r.turnsPerInch = 40.0;
    drawCoilScreen(screen, s, &r);
    EXPECT_EQ(cells(screen, 50, 11, 24),
              kDash + kDash + ">(0.86)<" + kDash + kDash + " Squashed ! ");
    r.turnsPerInch = 30.0;
    s.formDia = 0.01; // l / D = 20
    drawCoilScreen(screen, s, &r);
    EXPECT_EQ(cells(screen, 50, 11, 24),
              "<" + kDash + kDash + "(0.65)" + kDash + kDash + "> Stretched !");
    EXPECT_EQ(cells(screen, 50, 14, 11), "<" + kDash + kDash + " Long ? ");
    EXPECT_EQ(screen.at(50, 14).attr, 6);
    s.formDia = 0.2;
    r.turnsPerInch = 37.0;
    drawCoilScreen(screen, s, &r);
    EXPECT_EQ(row(screen, 11).size(), 49u); // in range: nothing after the figure
    EXPECT_EQ(row(screen, 14).size(), 49u);
    // The Q is dashed when the coil resonates below the frequency.
    r.resonance = 50e6;
    r.qu = 120;
    drawCoilScreen(screen, s, &r);
    EXPECT_EQ(cells(screen, 40, 13, 9), " " + std::string(8, '\xC4'));
}

TEST(CoilScreen, NegativeInductanceAbortsWithoutNumbersThatAreNotNumbers) {
    CoilCalculator calc;
    ui::ScriptedToolkit tk;
    ui::TextScreen screen;
    tk.answer("-100");
    calc.command(kCoilInductance, tk);
    CoilResult r = calc.draw(screen);
    EXPECT_TRUE(r.badParameters);
    EXPECT_EQ(cells(screen, 21, 17, 24), "ABORTED - Bad parameters");
    EXPECT_EQ(screen.at(21, 17).attr, 4);
    for (int i = 0; i < screen.rows(); ++i) {
        std::string t = row(screen, i);
        for (const char* bad : {" nan", "-nan", " inf", "-inf"}) {
            EXPECT_EQ(t.find(bad), std::string::npos) << t;
        }
    }
    // A frequency below zero never shows a Q.
    calc.state.required = 0.1;
    tk.answer("-10");
    calc.command(kCoilFrequency, tk);
    calc.draw(screen);
    EXPECT_EQ(cells(screen, 40, 13, 9), " " + std::string(8, '\xC4'));
    EXPECT_FALSE(screenHas(screen, "ABORTED"));
}

TEST(CoilScreen, LayoutCopyHasThreeBoxes) {
    CoilState s;
    ui::TextScreen screen(80, 23);
    drawCoilScreen(screen, s, nullptr, CoilScreenKind::Layout);
    EXPECT_EQ(cells(screen, 6, 2, 12), "> Wire Dia <");
    EXPECT_EQ(screen.at(3, 2).ch, 0xDA);
    EXPECT_EQ(screen.at(20, 5).ch, 0xD9);
    EXPECT_EQ(cells(screen, 6, 6, 12), "> Form Dia <");
    EXPECT_EQ(cells(screen, 7, 10, 10), "> Define <");
    EXPECT_EQ(screen.at(20, 13).ch, 0xD9);
}

TEST(CoilCalculator, BranchStartAndPartDescription) {
    CoilCalculator calc;
    CoilBranchSetup b;
    b.inductance = 0.25;
    b.frequency = 50.0;
    b.gauge = 22;
    b.formDia = 0.25;
    calc.startBranch(b);
    EXPECT_FALSE(calc.state.autoDiameter);
    EXPECT_TRUE(calc.state.defaultPitch);
    ui::TextScreen screen(80, 23);
    CoilResult r = calc.draw(screen, CoilScreenKind::Layout);
    ASSERT_FALSE(r.badParameters);
    std::string text = partDescription(calc.state, r);
    // Outside diameter, then the winding length from the ninth character.
    double width = std::atof(text.c_str());
    double length = std::atof(text.c_str() + 8);
    EXPECT_NEAR(width, 0.25 + 2 * calc.state.wire, 1e-3);
    EXPECT_NEAR(length, r.length, 1e-3);
    char tail[96];
    std::snprintf(tail, sizeof tail, " turns #22 AWG on 0.250 dia.  Qu=%.0f", r.qu);
    EXPECT_NE(text.find(tail), std::string::npos) << text;
    // Own pitch fractions and the automatic diameter.
    b.formDia = 0.0;
    b.lowFraction = 0.5;
    b.highFraction = 0.6;
    calc.startBranch(b);
    EXPECT_TRUE(calc.state.autoDiameter);
    EXPECT_NEAR(calc.state.pitchHigh, 0.6 * calc.state.closewound, 1e-12);
    ui::ScriptedToolkit tk;
    EXPECT_FALSE(calc.command(kCoilQuit, tk));
    EXPECT_TRUE(calc.exitRequested);
    EXPECT_TRUE(calc.quitRequested);
}
