// Units and notation. Values are held in base units (henry, farad, second,
// hertz, ohm); a UnitBlock converts them for display and input:
//     shown = value * multiplier,  value = typed / multiplier.
// An electrical notation (1..6) sets inductance, capacitance, time and
// frequency together; a mechanical unit (8..11) sets the length block.
#pragma once

#include <string>

namespace tanvex {

struct UnitBlock {
    double multiplier = 1.0;
    std::string name; // up to 8 characters, e.g. "nHy ", " Hz "
};

// Electrical notations: the digit stored in DesignRecord slot 16's letter.
constexpr int kNotationAudio = 1;
constexpr int kNotationLF = 2;
constexpr int kNotationHF = 3;
constexpr int kNotationVHF = 4;
constexpr int kNotationMicrowave = 5;
constexpr int kNotationNormalized = 6;
constexpr int kDefaultNotation = kNotationVHF;

// Mechanical units 8..11 (stored as digits '0'..'3' in slot 19's letter).
constexpr int kUnitInch = 8;
constexpr int kUnitMil = 9;
constexpr int kUnitCm = 10;
constexpr int kUnitMm = 11;

struct Notation {
    int electrical = kDefaultNotation; // 1..6
    int mechanical = kUnitInch;        // 8..11
    UnitBlock inductance{1e9, "nHy "};
    UnitBlock capacitance{1e12, "pFd "};
    UnitBlock time{1e9, "nSec"};
    UnitBlock frequency{1e-6, "MHz "};
    UnitBlock length{1.0, "In."};
    // Fixed blocks.
    UnitBlock turns{1.0, "N:1 "};
    UnitBlock angle{57.29578, "Deg."};
    UnitBlock impedance{1.0, "Ohms"};
};

// Name of electrical notation n as the notation dialog shows it ("Audio",
// "L.F.", ...); empty for n outside 1..6.
const char* notationName(int n);

// Sets the four electrical blocks; n outside 1..6 is ignored (returns false).
bool applyElectricalNotation(Notation& notation, int n);
// Sets the length block; code outside 8..11 is ignored (returns false).
bool applyMechanicalUnit(Notation& notation, int code);

} // namespace tanvex
