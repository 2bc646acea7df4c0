// The coil calculator's state and its design procedure: from the required
// inductance, the wire, the form diameter and the pitch limits to the turns,
// the winding length and the figures shown in the window.
#pragma once

#include <string>

namespace tanvex::coil {

struct CoilState {
    double required = 0.1;   // microhenries
    double wire = 0.0;       // wire diameter d, inches
    int gauge = 24;          // AWG number; 0 when a diameter was entered
    double closewound = 0.0; // Tc, turns per inch
    double formDia = 0.0;    // D, inches; 0 = not chosen yet
    bool autoDiameter = true;
    std::string drillNote;
    double pitchLow = 0.0;  // Plo, turns per inch
    double pitchHigh = 0.0; // Phi
    bool defaultPitch = true;
    double frequency = 100.0; // MHz
    double sqrtFrequency = 10.0;

    CoilState();
    // Wire from one entry (a gauge when 1 or more, else a diameter).
    void setWire(double entry);
    void setFrequency(double mhz);
};

// The outer design loop gives up adjusting the form diameter after this many
// steps; the inner loops after kMaxDesignPasses passes.
constexpr int kMaxDiameterAdjustments = 100;
constexpr int kMaxDesignPasses = 800;

struct CoilResult {
    double turns = 0.0;        // N
    double length = 0.0;       // l, inches
    double meanRadius = 0.0;   // r = (D + d) / 2
    double turnsPerInch = 0.0; // T
    double inductance = 0.0;   // La, microhenries
    double qu = 0.0;           // approximate unloaded Q
    double capacitance = 0.0;  // Cd, pF x 1e-18
    double resonance = 0.0;    // Fs, hertz
    bool badParameters = false;
    // False when the inputs admit no figures at all (a required inductance,
    // wire or form diameter that is not positive); nothing numeric is shown.
    bool figuresValid = true;
};

// Runs the design; it updates the state where the program chooses for the
// user (the automatic form diameter, the default pitch range).
CoilResult designCoil(CoilState& state);

} // namespace tanvex::coil
