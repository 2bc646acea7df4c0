// The coil calculator's commands: the menu items, accelerator keys and push
// buttons of its window, with their prompts asked through the toolkit.
//
//   CoilCalculator calc;
//   calc.command(kCoilStartOver, toolkit);   // asks inductance, wire, frequency
//   calc.draw(screen);                       // recomputes and draws
#pragma once

#include "coil/coil_design.h"
#include "coil/coil_screen.h"
#include "ui/text_screen.h"
#include "ui/toolkit.h"

namespace tanvex::coil {

// Command numbers of the window's menu and buttons.
enum CoilCommand {
    kCoilExit = 100,
    kCoilWireDown = 200, // thinner wire
    kCoilWireUp = 201,   // thicker wire
    kCoilFormDown = 202, // next smaller drill
    kCoilFormAuto = 203, // automatic form diameter
    kCoilFormUp = 204,   // next larger drill
    kCoilThread = 250,
    kCoilUpperPitch = 251,
    kCoilLowerPitch = 252,
    kCoilFormDia = 253,
    kCoilWireGauge = 254,
    kCoilFrequency = 355,
    kCoilInductance = 356,
    kCoilDefaultRange = 357,
    kCoilStartOver = 358,
};

class CoilCalculator {
public:
    CoilState state;
    // True while the start-over prompts run: the figures are not drawn.
    bool paintSuppressed = false;
    // Set by the exit command; the window closes.
    bool exitRequested = false;

    // Runs one command. Returns true when the window must be redrawn (a
    // prompt answered with 0 or nothing changes nothing and returns false).
    bool command(int id, ui::Toolkit& toolkit);

    // Runs the design (the state may change: automatic diameter, default
    // pitch) and draws the whole screen. Returns the design's figures.
    CoilResult draw(ui::TextScreen& screen, CoilScreenKind kind = CoilScreenKind::Standalone);

private:
    double ask(ui::Toolkit& tk);
    void startOver(ui::Toolkit& tk);
    bool askInductance(ui::Toolkit& tk);
    bool askWire(ui::Toolkit& tk);
    bool askFrequency(ui::Toolkit& tk);
    bool askPitch(ui::Toolkit& tk, bool upper);
    void stepWire(ui::Toolkit& tk, int direction);
    void stepForm(ui::Toolkit& tk, int direction);
};

} // namespace tanvex::coil
