// Power distribution: the voltage, current and dissipated power of every
// series arm and shunt branch of a ladder for a given drive level, at one
// frequency, over a range, or as the worst case over a range (the maximum
// survey), optionally with a mismatched load of a given VSWR behind a
// lossless line of variable length.
//
// The levels come from the distribution records that the interpreter writes
// during a walk (one per shunt junction, from the load towards the source):
// the voltage ratio across the series run that ends at the junction, the
// shunt element's |Z| and R, the run's |Z| and R and the impedance seen into
// the run. Starting from the load voltage, every junction voltage follows by
// dividing by the run ratios; the currents from the impedances; the losses
// as |I|^2 Re Z, which holds for any passive one-port (so a resonator in a
// shunt branch is counted correctly).
//
// The analysis never changes the design: every sweep runs on a working copy,
// into which the mismatch line is put when the VSWR asks for it. The line, the
// screen's own Q values and its linear sweep spacing therefore cannot leak
// into the design or a saved file, whichever way the screen is left.
#pragma once

#include "analysis/analysis_constants.h"
#include "analysis/sweep.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace tanvex::analysis {

constexpr int kMaxPowerPoints = 999;   // a range of 1000 points or more is refused
constexpr int kMaxSurveyBranches = 60; // rows of the per-branch maxima
// Entries the mismatch line occupies at the termination end (branches 1, 2).
constexpr int kMismatchLineEntries = 2;
// Below this VSWR the load is resistive and no line is used.
constexpr double kMinMismatchVswr = 1.001;

// Drive: an available input power in watts, or (watts == 0) an RMS voltage at
// the network's input terminals.
struct PowerDrive {
    double watts = 10.0;
    double volts = 2.8284;
    bool voltage() const { return watts == 0.0; }
};

// Levels of one record: the shunt branch at a junction and the series run on
// its load side. The run next to the source is reported as branch n (the
// source entry) with the input terminal voltage as its junction voltage.
struct BranchLevels {
    int branch = 0;  // entry index in the design (mismatch line not counted)
    char dual = ' '; // 'a', 'b' for the two halves of a dual shunt branch
    bool shunt = false;
    bool series = false;
    bool source = false; // the run next to the source
    double junctionVolts = 0.0;
    double shuntCurrent = 0.0;
    double shuntLoss = 0.0;
    double forwardCurrent = 0.0;
    double forwardVolts = 0.0;
    double forwardLoss = 0.0;
};

struct PowerPoint {
    double frequency = 0.0;   // hertz
    double attenuation = 0.0; // dB, against the raised load with a mismatch
    double returnLoss = 0.0;  // dB, against the source resistance
    double delay = 0.0;       // seconds
    double phase = 0.0;       // degrees
    double available = 0.0;   // W: available input power
    double load = 0.0;        // W into the load
    double reflected = 0.0;   // W reflected at the input
    double loss = 0.0;        // W lost in the network
    double loadVolts = 0.0;   // RMS at the (raised) termination
    double inputVolts = 0.0;  // RMS at the input terminals
    double emf = 0.0;         // RMS source voltage behind Rs
    Cx inputImpedance{};      // source-end impedance
    std::vector<BranchLevels> branches;
    double elementLoss() const; // sum of the branch losses
};

// The six overall maxima, in this order.
enum OverallMax {
    kMaxForwardVolts = 0,
    kMaxForwardCurrent,
    kMaxForwardLoss,
    kMaxShuntVolts,
    kMaxShuntCurrent,
    kMaxShuntLoss,
    kOverallMaxCount
};

struct OverallMaximum {
    double value = 0.0;
    double frequency = 0.0; // hertz
    double theta = 0.0;     // mismatch line length, radians
    int branch = 0;
    char dual = ' ';
};

struct BranchMaximum {
    int branch = 0;
    char dual = ' ';
    double shuntCurrent = 0.0;
    double junctionVolts = 0.0;
    double forwardCurrent = 0.0;
    double forwardVolts = 0.0;
    bool starred = false; // holds one of the overall maxima
};

struct PowerSurvey {
    bool done = false;
    std::vector<BranchMaximum> branches;
    std::array<OverallMaximum, kOverallMaxCount> overall{};
    double from = 0.0; // hertz
    double to = 0.0;
    int sweeps = 0;     // frequency sweeps made (one per line length)
    double theta = 0.0; // the worst line length found (radians)
    void clear() { *this = PowerSurvey{}; }
    // Folds one point's levels in.
    void add(const PowerPoint& point, double theta);
    void markStars();
};

// The screen's settings, in display units for the frequencies.
struct PowerSettings {
    PowerDrive drive;
    double vswr = 1.0;        // N:1; below kMinMismatchVswr stored as exactly 1
    double theta = 0.0;       // mismatch line length, radians
    double start = 1.0;       // display units
    double stop = 0.0;        // 0 = one frequency
    double step = 0.0;        // > 0 step; < 0 minus the number of points
    bool logarithmic = false; // "Automatic log": log spacing when stop > 20 start
    std::array<double, 3> q{kInfiniteQ, kInfiniteQ, kInfiniteQ};
    bool mismatch() const { return vswr >= kMinMismatchVswr; }
    void setVswr(double v) { vswr = v < kMinMismatchVswr ? 1.0 : v; }
};

// "  (%.2f %cj%.2f %c)" for the load seen through the mismatch line, or
// "  (Resistive)". ohm: the character of the unit (0xEA in code page 437).
std::string loadSeenText(double termination, const PowerSettings& settings, char ohm);

// Computes the levels of the walk the interpreter has just made over `list`.
// rs: source resistance; rl: the (raised) termination; lineEntries: entries
// of the mismatch line at the start of the walk (their records are passed
// through, not reported, and later branch numbers are given without them).
// A record is numbered by the first entry of the group that closed it.
void distributeLevels(const NetworkInterpreter& interpreter, const EntryList& list,
                      const PointValues& values, double rs, double rl, const PowerDrive& drive,
                      int lineEntries, PowerPoint& out);

class PowerAnalysis {
public:
    PowerAnalysis(const Design& design, ui::Toolkit& toolkit, DataServices& data);

    // Runs the range of the settings once at settings.theta; calls `each` per
    // point. 0 done, 1 failed (a notice was shown).
    int run(const PowerSettings& settings, const std::function<void(const PowerPoint&)>& each);

    // The maximum survey over the range (and over the line length when the
    // VSWR asks for a mismatch). `interrupted` is polled between sweeps.
    // Sets settings.theta to the worst case found. 0 done, 1 failed, 2
    // interrupted.
    int survey(PowerSettings& settings, PowerSurvey& out,
               const std::function<bool()>& interrupted = {});

    // Number of points the settings' range gives (0 when it is refused).
    static int pointCount(const PowerSettings& settings);

    const Design& workingCopy() const { return work_; }
    // The results table of the last sweep (fields 0-4 of every point).
    const ResultsTable& table() const { return table_; }

private:
    int sweep(const PowerSettings& settings, int mode,
              const std::function<void(const PowerPoint&)>& each);
    bool prepareCopy(const PowerSettings& settings);

    const Design& design_;
    ui::Toolkit& toolkit_;
    DataServices& data_;
    Design work_;
    ResultsTable table_;
};

} // namespace tanvex::analysis
