// Small networks for the schematic tests.
#pragma once

#include "design/design_record.h"
#include "design/notation.h"

#include <initializer_list>

namespace tanvex::test {

// A design whose entries are the termination (50 ohms), the given groups,
// the source (50 ohms) and the terminator (100 MHz), in V.H.F. notation.
inline Design designOf(std::initializer_list<NetEntry> groups, double source = 50.0,
                       double reference = 100e6) {
    Design d;
    int k = 0;
    d.entries[k++] = {50.0, 'R', 1};
    for (const auto& e : groups) d.entries[k++] = e;
    d.entries[k++] = {source, 'R', 1};
    d.entries[k] = {reference, 'x', 1};
    d.record[24].setText("demo");
    d.record[16].letter = '4';
    applyElectricalNotation(d.notation, kNotationVHF);
    return d;
}

} // namespace tanvex::test
