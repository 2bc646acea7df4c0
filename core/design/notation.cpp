#include "design/notation.h"

#include <numbers>

namespace tanvex {

namespace {

struct ElectricalRow {
    const char* name;
    UnitBlock l, c, t, f;
};

const ElectricalRow kElectrical[6] = {
    {"Audio", {1000, "mHy "}, {1e6, "uFd "}, {1000, "mSec"}, {1, " Hz "}},
    {"L.F.", {1000, "mHy "}, {1e12, "pFd "}, {1e6, "uSec"}, {0.001, "KHz "}},
    {"H.F.", {1e6, "uHy "}, {1e12, "pFd "}, {1e9, "nSec"}, {1e-6, "MHz "}},
    {"V.H.F.", {1e9, "nHy "}, {1e12, "pFd "}, {1e9, "nSec"}, {1e-6, "MHz "}},
    {"Microwave", {1e9, "nHy "}, {1e12, "pFd "}, {1e9, "nSec"}, {1e-9, "GHz "}},
    {"Normalized", {1, " Hy "}, {1, " Fd "}, {1, "Sec "}, {2 * std::numbers::pi, "Rad "}},
};

const UnitBlock kMechanical[4] = {{1, "In."}, {1000, "Mil"}, {2.54, "cm "}, {25.4, "mm "}};

} // namespace

const char* notationName(int n) {
    return n >= 1 && n <= 6 ? kElectrical[n - 1].name : "";
}

bool applyElectricalNotation(Notation& notation, int n) {
    if (n < 1 || n > 6) return false;
    const ElectricalRow& r = kElectrical[n - 1];
    notation.electrical = n;
    notation.inductance = r.l;
    notation.capacitance = r.c;
    notation.time = r.t;
    notation.frequency = r.f;
    return true;
}

bool applyMechanicalUnit(Notation& notation, int code) {
    if (code < kUnitInch || code > kUnitMm) return false;
    notation.mechanical = code;
    notation.length = kMechanical[code - kUnitInch];
    return true;
}

} // namespace tanvex
