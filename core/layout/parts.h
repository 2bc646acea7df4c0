// The physical parts the layout program works out: chip capacitors sized by
// the parallel-plate rule, and hairpins (shorted two-wire stubs of bare wire)
// for transmission-line sections.
#pragma once

#include <string>

namespace tanvex::layout {

// Square inches of plate per picofarad of a dielectric of constant k and
// thickness t inches (C = 0.2246 K A / t, A in square inches).
double chipAreaPerPf(double k, double t);

struct ChipSize {
    double width = 0.0;  // inches
    double length = 0.0; // inches
    bool square = true;
};
// A chip of pf picofarads: square (fixedWidth <= 0) or of the given width.
ChipSize chipSize(double pf, double k, double t, double fixedWidth);

// Stock multilayer chips, cubes of 50 and 100 mils.
constexpr double kMultilayer50 = 0.055;
constexpr double kMultilayer100 = 0.110;

// Centre spacing (inches) of two bare wires of diameter d in air that form a
// line of impedance z0: d cosh(z0 / 120). (0.5 d exp(z0 / 120) is its limit
// for wide spacings; below about 83 ohms it would make the wires overlap.)
double hairpinSpacing(double z0, double d);
// Length (inches) of a line of electrical length theta radians at angular
// frequency omega, in air.
double lineLengthInches(double theta, double omega);

struct Hairpin {
    double diameter = 0.0; // wire, inches
    double spacing = 0.0;  // s, centre to centre
    double length = 0.0;   // l, of each leg
    double wire = 0.0;     // 2 l + s + 2 leads
};
Hairpin hairpin(double z0, double theta, double omega, int gauge, double leadInches);

// Part descriptions.
std::string chipDescription(double width, double length, double thickness,
                            const std::string& material);
std::string specialChipDescription(double width, double length, double thickness, double k);
std::string multilayerDescription(double side, const char* name);
std::string hairpinDescription(const Hairpin& h, int gauge);

// The wire gauge a description names after "#", 0 when none.
int descriptionGauge(const std::string& description);
// The turns count of a coil description (the number before " turns"), 0.
double descriptionTurns(const std::string& description);

} // namespace tanvex::layout
