// The two data services the network program calls during a walk:
//
//  - data impedance: the impedance of a data branch (a code-22 entry with a
//    value of 0 or less) at a frequency, read from the branch's .frx / .fit
//    file;
//  - data value: the delay (in the notation's time unit) or amplitude (dB)
//    that the equalizer data give at a frequency (code-50 data terms).
//
// The services themselves (files, prompts, slots) belong to the design data
// code; the analysis only sees this interface. A service may answer
// kNotReady (no file could be read yet: the interpreter asks again, which
// lets the user correct the file name) or kUnavailable (give up: the walk
// fails, the service has already told the user why).
#pragma once

#include "ui/toolkit.h"

namespace tanvex::analysis {

enum class DataAnswer { kReady, kNotReady, kUnavailable };

class DataServices {
public:
    virtual ~DataServices() = default;
    // Impedance (r, x) of the data branch at entry entryIndex at fHz.
    virtual DataAnswer dataImpedance(double fHz, int entryIndex, double& r, double& x) = 0;
    // Value of the equalizer data at fHz; kind as the data value service
    // defines it (the interpreter uses kind 2 only).
    virtual DataAnswer dataValue(double fHz, int kind, double& value) = 0;
};

// Stand-in used while a program has no data file services: every request is
// refused with a notice, so a sweep over a data branch or data term ends
// cleanly instead of waiting for a value that never comes.
class NoDataServices : public DataServices {
public:
    explicit NoDataServices(ui::Toolkit& toolkit) : toolkit_(toolkit) {}
    DataAnswer dataImpedance(double fHz, int entryIndex, double& r, double& x) override;
    DataAnswer dataValue(double fHz, int kind, double& value) override;

private:
    ui::Toolkit& toolkit_;
};

} // namespace tanvex::analysis
