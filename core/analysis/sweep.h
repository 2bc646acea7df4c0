// The sweep evaluator: the one entry point through which the program
// analyses the current network. analyse(mode) settles the sweep (range,
// points, spacing, group delay method), walks the network program once or
// twice per frequency and fills the analysis results table.
//
// How to use it
// -------------
//   analysis::ResultsTable table;             // allocated once, kept for the run
//   analysis::SweepOptions options;           // settings without a design slot
//   analysis::NoDataServices data(toolkit);   // or the real data file services
//   analysis::NoAnalysisViews views;          // or the dialog / plot windows
//   analysis::SweepEvaluator sweep(design, table, options, toolkit, data, views);
//   int r = sweep.analyse(1);                 // 0 done, 1 failed, 2 eXit
//   for (int k = 1; k <= table.pointCount(); ++k) use(table.records[k]);
//
// Modes: 0 interactive (dialog, then plot or listing), 1 batch with group
// delay, 2 batch without delay (optimizer), 3 power distribution, 4 single
// frequencies into the one-record buffer, 5 power distribution with load
// mismatch, 6 as 5 without delay.
#pragma once

#include "analysis/data_services.h"
#include "analysis/interpreter.h"
#include "design/design_record.h"
#include "ui/toolkit.h"

#include <array>
#include <memory>
#include <vector>

namespace tanvex::ui {
class ScriptedToolkit;
}

namespace tanvex::analysis {

constexpr int kResultRecords = 1002;
constexpr int kMaxSweepPoints = 1000;

// Fields of a point record.
enum PointField {
    kFieldFrequency = 0,   // hertz
    kFieldReturnLoss = 1,  // dB, positive
    kFieldAttenuation = 2, // dB
    kFieldDelay = 3,       // seconds
    kFieldPhase = 4,       // degrees
    kFieldR = 5,           // ohms, of the reported impedance
    kFieldX = 6,
};

// Fields of the header record (record 0).
enum HeaderField {
    kHeaderPoints = 0,
    kHeaderStep = 1,      // linear step, hertz
    kHeaderReference = 2, // reference frequency at the end of the sweep
    kHeaderQl = 3,
    kHeaderQc = 4,
    kHeaderQt = 5,
    kHeaderSourceR = 6, // Rs when the impedance fields hold the source-end impedance, else 0
};

// The flag value in flags[0] after a sweep that wrote the impedance fields.
constexpr int kImpedanceFieldsFlag = 90;

using ResultRecord = std::array<float, 7>;

struct ResultsTable {
    std::array<ResultRecord, kResultRecords> records{};
    std::array<int, 4> flags{};
    ResultRecord single{}; // the one-record buffer of mode 4
    // A count outside the table (a damaged snapshot) reads as an empty table.
    int pointCount() const {
        const int n = wholeNumberOf(records[0][kHeaderPoints]);
        return n >= 0 && n < kResultRecords ? n : 0;
    }
};

// Analysis settings kept beside the design that have no fixed DesignRecord
// slot. The analysis dialog edits them; the power distribution analysis owns
// the mismatch values; the plot window hands its marker range over here.
struct SweepOptions {
    bool fastDelay = false;
    char returnLossReference = 'x'; // '1': use referenceImpedance, else the source resistance
    double referenceImpedance = 50.0;
    bool temperatureOn = false;
    double temperatureShift = 0.0; // degrees
    double coefL = 0.0;            // ppm per degree
    double coefC = 0.0;
    double coefT = 0.0;
    double markerLow = 0.0; // hertz, 0 = none; consumed by the next sweep
    double markerHigh = 0.0;
    double mismatchRatio = 1.0;      // load VSWR (modes 5 and 6)
    double mismatchLineLength = 0.0; // radians
};

// The windows of the interactive mode. The analysis dialog, the response plot
// and the tabulated listing implement this; the default does nothing (no
// dialog: the sweep runs on the stored settings, and a bad range fails as in
// the other modes instead of asking again).
class AnalysisViews {
public:
    enum class DialogResult { kSweep, kExit };
    virtual ~AnalysisViews() = default;
    // Closes the response plot window and the tabulated listing if open.
    virtual void closeViews() {}
    // Shows the analysis dialog; it writes the user's edits straight into the
    // design's settings and the SweepOptions.
    virtual DialogResult showDialog() { return DialogResult::kSweep; }
    // True when showDialog() lets the user change the range (so a bad range
    // may be corrected by showing it again).
    virtual bool interactive() const { return false; }
    // Opens the response plot window (graphic) or the tabulated listing.
    virtual void openViews(bool /*graphic*/) {}
};

class NoAnalysisViews : public AnalysisViews {};

// The values of one point in double precision (the table holds them as
// floats). r and x are valid when impedance is set.
struct PointValues {
    double frequency = 0.0;   // hertz
    double returnLoss = 0.0;  // dB
    double attenuation = 0.0; // dB
    double delay = 0.0;       // seconds
    double phase = 0.0;       // degrees
    double r = 0.0;
    double x = 0.0;
    bool impedance = false;
};

// Called after every main walk of a sweep (point k, 1-based): the power
// distribution analysis reads the distribution records of the walk, the
// console front end the values in full precision.
class SweepObserver {
public:
    virtual ~SweepObserver() = default;
    virtual void point(int k, const PointValues& values, const NetworkInterpreter& interpreter) = 0;
    // True: a sweep split between two threads (SweepEvaluator::setParallel)
    // whose points' values need no other point (precise delay, or none)
    // calls point() on the thread that walked the point, as soon as it is
    // walked: the calling thread from the first point upwards (then any
    // points the second thread gave back, upwards), the second thread from
    // the last point downwards, both at once. The interpreter is the one
    // that walked the point. A sweep that fails may then have reported
    // points beyond the failing one.
    virtual bool concurrent() const { return false; }
};

// Slot 1 settings-string positions read and written by the sweep.
constexpr int kSettingDisplay = 8;   // '1' plot window, else table
constexpr int kSettingDelayAuto = 9; // '1' automatic group delay method
constexpr int kSettingSpacing = 24;  // '0' linear, '1' automatic, '2' logarithmic

class SweepEvaluator {
public:
    SweepEvaluator(Design& design, ResultsTable& table, SweepOptions& options, ui::Toolkit& toolkit,
                   DataServices& data, AnalysisViews& views);

    // 0 done; 1 failed (a notice was shown); 2 the dialog was left with eXit.
    int analyse(int mode);

    void setObserver(SweepObserver* observer) { observer_ = observer; }
    const NetworkInterpreter& interpreter() const { return interpreter_; }
    // Lets a plain sweep (modes 0-2, no data branch or data term, at least
    // kParallelMinPoints points, two processors) share its walks with a
    // second thread, which walks downwards from the last point while this
    // one walks upwards from the first, until they meet (analysis/both_ends.h;
    // this thread never waits for the second to start). The values and the
    // table are the same; the observer is then called after all the walks,
    // with this thread's interpreter standing at some other point: only for
    // callers whose observer reads the values alone.
    void setParallel(bool on) { parallel_ = on; }
    static constexpr int kParallelMinPoints = 200;

    ~SweepEvaluator();

private:
    // What a point's walks leave for its values.
    struct WalkedPoint {
        Cx z;
        Cx tapZ;
        bool tap = false;
        bool prePass = false;
        bool wrap = false;
        int walks = 0;
        double phi = 0.0;
        double phiBelow = 0.0;
        double lambda = 0.0;
        double delaySum = 0.0;
    };

    char setting(int position) const;
    void writeSetting(int position, char c);

    Design& design_;
    ResultsTable& table_;
    SweepOptions& options_;
    ui::Toolkit& toolkit_;
    AnalysisViews& views_;
    SweepObserver* observer_ = nullptr;
    NetworkInterpreter interpreter_;
    bool parallel_ = false;
    // The second thread's interpreter and the points' walks, made at the
    // first parallel sweep.
    std::unique_ptr<ui::ScriptedToolkit> workerToolkit_;
    std::unique_ptr<DataServices> workerData_;
    std::unique_ptr<NetworkInterpreter> worker_;
    std::vector<WalkedPoint> walked_;
};

} // namespace tanvex::analysis
