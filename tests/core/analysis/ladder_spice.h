// An independent check through ngspice: a ladder entry list (codes 2, 3, 4
// and 5 with R, L, C elements) written as a SPICE circuit, every element
// behind its own zero-volt ammeter and with its loss resistance in series
// (R = |X| / Q, as the program models component losses), then solved by
// ngspice. Used by the power distribution (.ac) and time-domain (.tran) tests.
#pragma once

#include "design/network.h"

#include <complex>
#include <string>
#include <vector>

namespace ladderspice {

// One group of the ladder, from the source towards the load.
struct Group {
    bool shunt = false;
    int branch = 0;           // entry index of the group's first entry
    int nodeSource = 0;       // series: node on the source side; shunt: junction node
    int nodeLoad = 0;         // series: node on the load side
    std::string groupAmmeter; // in front of the group
    // Each element's ammeter and loss resistance (ohms).
    std::vector<std::pair<std::string, double>> losses;
};

struct Circuit {
    std::string elements; // SPICE lines between the source and the load
    std::vector<Group> groups;
    int inputNode = 2; // after the source resistance
    int loadNode = 2;  // where the termination hangs
    double rs = 50.0;
    double rl = 50.0;
};

// Loss resistances are worked out at fLoss hertz (an .ac run uses one
// frequency; a transient run passes Q = infinite).
Circuit buildLadder(const tanvex::EntryList& list, double fLoss, double ql, double qc);

struct AcResult {
    std::vector<std::complex<double>> node; // node voltages by node number
    std::vector<double> groupCurrent;       // |I| into each group
    std::vector<double> groupLoss;          // W: sum of |I|^2 R of the group's loss resistors
    double inputCurrent = 0.0;
    double loadPower = 0.0;
    bool ok = false;
};

// AC analysis at f with source EMF (RMS) `emf` behind rs; the termination is
// `load` (complex: a reactance is made an L or C at f).
AcResult runAc(const Circuit& c, double f, double emf, std::complex<double> load);

// Transient: the source is `source` (the value of a SPICE source between
// the EMF node and ground, e.g. "PULSE(...)" or a B-source expression); the
// load voltage sampled every `step` seconds from 0 to `stop`.
std::vector<double> runTransient(const Circuit& c, const std::string& sourceLine, double stop,
                                 double step);

std::string runNgspice(const std::string& deck);

} // namespace ladderspice
