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
    kCoilQuit = 206, // layout copy: leave without keeping the design
};

// The layout program's defaults for one branch's coil.
struct CoilBranchSetup {
    double inductance = 0.0;  // microhenries
    double frequency = 0.0;   // megahertz
    int gauge = 24;           // AWG
    double formDia = 0.0;     // inches; 0 lets the calculator choose
    double lowFraction = 0.0; // of closewound; 0 or less: default range
    double highFraction = 0.0;
};

class CoilCalculator {
public:
    CoilState state;
    // True while the start-over prompts run: the figures are not drawn.
    bool paintSuppressed = false;
    // Set by the exit command; the window closes.
    bool exitRequested = false;
    // Set (with exitRequested) by the layout copy's quit command.
    bool quitRequested = false;

    // Starts from one branch of a design instead of the start-over prompts.
    void startBranch(const CoilBranchSetup& setup);

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

// The one-line part description the layout program keeps for a coil:
// "%.3f x %.3f In.  %4.1f turns #%d AWG on %.3f dia. %s Qu=%.0f" with the
// coil's outside diameter (form plus two wire diameters), its winding length,
// the turns, the gauge, the form diameter, the drill note and the Q (0 when
// no Q is shown).
std::string partDescription(const CoilState& state, const CoilResult& result);

} // namespace tanvex::coil
