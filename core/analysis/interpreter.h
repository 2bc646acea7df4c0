// The network program interpreter. The network entry list is itself the
// program: one walk interprets entries 1 .. n (from the termination towards
// the source) at one frequency. Each connection code is an instruction of a
// small machine that computes with complex impedances:
//
//   accumulator   impedance seen from the current point towards the load
//   run start     the accumulator after the last shunt, line or transformer
//   E             the impedance of the entry being interpreted
//   stack         up to 9 values, for branches built before they are hung
//                 into the main line
//
// Group codes (2..53) are macro instructions made of the primitives that
// codes 90..100 expose one per entry (P, S, STORE, PSUB, SSUB, PNET, SNET,
// D-Y, RECALL, no-op, Y-D). While a walk runs it also sums the transfer level
// (lambda, nepers) and the phase (phi) of the voltage ratio source/load, run
// by run. The sweep evaluator decides where walks are made.
//
// The interpreter keeps all its registers in fixed storage: a walk never
// allocates.
#pragma once

#include "analysis/complex_pair.h"
#include "analysis/data_services.h"
#include "design/network.h"
#include "ui/toolkit.h"

#include <array>

namespace tanvex::analysis {

constexpr int kStackDepth = 9;
constexpr int kMaxRecords = 60; // distribution records per walk (61 slots)
// How often a data branch that is not ready is asked again before the walk
// gives up (so a batch run never waits for ever).
constexpr int kDataRetries = 20;

// One record of the power distribution analysis (seven floats):
// 0 voltage ratio of the run, 1 |Z| of the shunt element (1e22: none),
// 2 R of the shunt element, 3 |sum of the run's series impedances|,
// 4 sum of the run's series resistances, 5 |accumulator| at the end of the
// run (1e22 for a transformer), 6 index of the entry that closed the run.
using DistributionRecord = std::array<float, 7>;

// What stays the same for every walk of a sweep.
struct InterpreterSettings {
    double ql = 1e11; // global Q values (1e11 = infinite)
    double qc = 1e11;
    double qt = 1e11;
    bool temperatureOn = false;
    double temperatureShift = 0.0; // degrees
    double coefL = 0.0;            // ppm per degree
    double coefC = 0.0;
    double coefT = 0.0;
    double timeMultiplier = 1e9;     // notation's time unit per second (data terms)
    double mismatchLineLength = 0.0; // radians, load-mismatch mode of code 23
    double mismatchLineZo = 50.0;    // the termination value, load-mismatch mode
    // Sum the phase as the plain difference of two arctangents per run
    // (slower; the tests check the fast form against it).
    bool literalPhase = false;
};

// One walk.
struct WalkRequest {
    double f = 1.0;            // hertz
    bool mainPass = true;      // false: delay pre-pass (lambda untouched)
    double load = 50.0;        // starting accumulator (termination, ohms)
    double lambdaStart = 0.0;  // lambda0, set before every main walk
    bool record = false;       // write distribution records (main walks only)
    bool mismatchStep = false; // the first code 23 is the load-mismatch line
};

class NetworkInterpreter {
public:
    NetworkInterpreter(ui::Toolkit& toolkit, DataServices& data);

    // Once per sweep: entry count, per-entry Q table (code 44), reference
    // frequency (the terminator's value, 0 read as 1), settings.
    void prepare(const EntryList& list, const InterpreterSettings& settings);

    // Interprets the list at one frequency. 0 = completed, 1 = failed after a
    // notice (the sweep must end).
    int walk(const EntryList& list, const WalkRequest& request);

    // Results of the last walk.
    int entryCount() const { return n_; }
    Cx sourceEndImpedance() const { return sourceEnd_; } // before Rs is added
    Cx accumulator() const { return acc_; }
    double lambda() const { return lambda_; }
    double phi() const;
    bool tapReported() const { return tap_; }
    Cx tapImpedance() const { return tapZ_; }
    int stackDepth() const { return depth_; }
    // Reference frequency in force at the end of the last walk.
    double referenceFrequency() const { return fRef_; }

    // Sum of delay data (seconds) met by the walks since the last clear.
    double delaySum() const { return delay_; }
    void clearDelay() { delay_ = 0.0; }

    // Set by codes 10 and 12 (they hold a delta-to-wye step); lasts for the
    // sweep, cleared by prepare().
    bool phaseWrap() const { return phaseWrap_; }

    int recordCount() const { return recordCount_; }
    const DistributionRecord& record(int i) const { return records_[i]; }

private:
    // Element evaluation of entry i into a value.
    Cx evaluate(int i);
    double entryQ(int i, double global) const;
    double entryInverseQ(int i, double globalInverse) const;

    bool execute(int code);
    bool executeCode13();
    bool executeCode41();
    bool executeSpecial(int code);
    bool finish();

    void eval() { e_ = evaluate(pos_); }
    void next() {
        ++pos_;
        e_ = evaluate(pos_);
    }
    void skip(int k) { pos_ += k; }
    void back(int k) { pos_ -= k; }

    // Primitives. They return false when the walk must fail.
    bool opP();
    bool opS();
    bool shuntRow();
    bool seriesRow();
    bool opStore();
    bool opPsub();
    bool opSsub();
    bool opPnet();
    bool opSnet();
    bool opDeltaWye();
    bool opWyeDelta();
    bool recall(int k);
    bool primitive(int code);
    void line(Cx load);
    // The same into a short and into an open end.
    void lineShorted();
    void lineOpen();

    // a := a || E, in admittances; E keeps its own admittance.
    void parallelInto(Cx& a);
    void closeRun();
    void foldRunLoss();
    void addPhase(Cx to, Cx from);
    bool finishRecord();
    bool stackTrouble();
    bool fail(const char* text);

    Cx& top() { return stack_[depth_ - 1]; }
    Cx& fromTop(int k) { return stack_[depth_ - 1 - k]; }
    Cx& bottom() { return stack_[0]; }

    ui::Toolkit& toolkit_;
    DataServices& data_;

    // Per sweep.
    InterpreterSettings settings_{};
    int n_ = 1;
    double fRefSweep_ = 1.0;
    std::array<short, kEntrySlots> qTable_{}; // index of the code-44 entry, -1 none
    std::array<signed char, 101> walkSize_{}; // group size of every code, -1 unknown
    bool code98Noticed_ = false;              // "Code 98 error" shown in this sweep
    bool phaseWrap_ = false;

    // Per walk.
    const EntryList* list_ = nullptr;
    int pos_ = 1;
    double f_ = 1.0;
    double omega_ = 1.0;
    double fRef_ = 1.0;
    double lengthScale_ = 1.0; // f / fRef
    bool main_ = true;
    bool recording_ = false;
    bool mismatch_ = false;
    Cx acc_{};
    Cx runStart_{};
    Cx e_{};
    Cx entryValue_{}; // the instruction's first entry as evaluated
    std::array<Cx, kStackDepth> stack_{};
    int depth_ = 0;
    bool side_ = false;
    double lambda_ = 0.0;
    double runStarts_ = 1.0; // products of the runs' squared magnitudes at their
    double runEnds_ = 1.0;   // starts and ends, not yet in lambda_
    // phi as a running product (its angle) plus whole turns.
    Cx phase_{1.0, 0.0};
    int phaseTurns_ = 0;
    double phiLiteral_ = 0.0;
    double delay_ = 0.0;
    bool tap_ = false;
    Cx tapZ_{};
    Cx sourceEnd_{};
    double ql_ = 1e11;
    double qc_ = 1e11;
    double qt_ = 1e11;
    double invQl_ = 1e-11;    // 1 / ql_
    double invQc_ = 1e-11;    // 1 / qc_
    double lineQ_ = 1e11;     // Q of the line last evaluated (its own, or Qt)
    double invLineQ_ = 1e-11; // 1 / lineQ_
    double invQt_ = 1e-11;    // 1 / qt_
    double invOmega_ = 1.0;   // 1 / omega_
    // -1/v of each capacitor entry and the value it was taken from.
    std::array<double, kEntrySlots> capValue_{};
    std::array<double, kEntrySlots> capNegInverse_{};
    Cx seriesSum_{};
    double seriesR_ = 0.0;
    std::array<DistributionRecord, kMaxRecords + 1> records_{};
    int recordCount_ = 0;
};

// The two texts with which the schematic listing shows a primitive entry
// (codes 90..100): the first form until a code 99 entry is met, the second
// after it. UTF-8; nullptr for other codes.
const char* primitiveListingForm(int code, bool afterNoOp);

} // namespace tanvex::analysis
