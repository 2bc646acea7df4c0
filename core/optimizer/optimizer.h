// The network optimizer: a coordinate search over branch values of the
// current design against a delay, return-loss or amplitude goal measured
// over a frequency range, and the manual tuning mode.
//
//   optimizer::Optimizer op(design, table, options, toolkit, data, host);
//   if (!op.open()) return;           // range prompt, "tmp_op", the job box
//   op.refresh();                      // sweep the main range, measure
//   if (op.commandPrompt())            // "Command >", parsed, "tmp_op2"
//       while (op.inProgress()) { op.runNext(); op.refresh(); }
//   op.requestClose();                 // "[Yes] save work" ...
//
// The window (gui/optimizer) and the console verb drive the same object;
// the window runs one item per turn of its event loop.
#pragma once

#include "analysis/sweep.h"
#include "design/design_record.h"
#include "optimizer/command_parser.h"
#include "optimizer/error_measure.h"
#include "ui/toolkit.h"

#include <optional>
#include <string>
#include <vector>

namespace tanvex::optimizer {

// What the optimizer needs from the windows around it. The defaults suit a
// program without windows.
class OptimizerHost {
public:
    virtual ~OptimizerHost() = default;
    // Client width of the plot window in pixels; 0 when there is none.
    virtual int plotWidth() { return 0; }
    // The stage number during a search (the panel shows it).
    virtual void showStage(int /*stage*/) {}
    // A note of the search for the panel ("Next!", "WORSE - backing up!",
    // "Value went through ZERO ! ", "Abort"); it is not a modal box, so a
    // command runs on without the user.
    virtual void message(const std::string& /*text*/) {}
};

// Reads "lower, upper": two numbers separated by a comma, nothing else.
bool parseRange(const std::string& text, double& lower, double& upper);

enum class ItemNote { kNone, kWorse, kZero, kNext, kAbort, kFailed };
const char* noteText(ItemNote note); // "WORSE", "ZERO", "Next!", "Abort", "FAILED"

// The outcome of one optimised item.
struct ItemReport {
    int branch = 0;
    int partner = 0;
    double valueBefore = 0.0;
    double valueAfter = 0.0;
    double partnerBefore = 0.0; // the partner's values (0 without one)
    double partnerAfter = 0.0;
    double errorBefore = 0.0; // over the points the search measured
    double errorAfter = 0.0;
    int stages = 0; // stages reached
    int sweeps = 0; // sweeps run
    ItemNote note = ItemNote::kNone;
};

struct PanelLine {
    std::string text;
    int colour = 7; // palette index
};

constexpr int kDefaultFinalStage = 7;
constexpr int kMaxPoints = 1000;
constexpr int kContinuousPasses = 5;

class Optimizer {
public:
    Optimizer(Design& design, analysis::ResultsTable& table, analysis::SweepOptions& options,
              ui::Toolkit& toolkit, analysis::DataServices& data, OptimizerHost& host);

    // ---- Opening and closing ----
    // The hand-over range (in options.markerLow/High) or the range prompt,
    // then begin() and the job box. False when nothing was opened.
    bool open();
    // Opens on a range in display units without asking: "Bad frequency
    // range!" when lower is not below upper; saves "tmp_op" and the
    // analysis settings. False when refused or the save failed.
    bool begin(double lower, double upper);
    // The job box ("RDA").
    void askJob();
    // eXit: "[Yes] save work - [No] abort changes - [Cancel] no exit". True
    // when the optimizer may close (the analysis settings are then back).
    bool requestClose();
    // Puts back the analysis settings saved at opening.
    void close();

    // ---- The measure ----
    // The repaint's sweep: the main range at the current resolution in mode
    // 1; the error over all points. False when the sweep failed.
    bool refresh();
    // Points of the automatic or fixed resolution.
    int points();
    double error() const { return error_; }
    std::vector<PanelLine> panel() const;

    // ---- Commands ----
    // Command 100 when no command runs: "Command >"; true when a command started.
    bool commandPrompt();
    // Starts a typed command (rewrites, parse, "tmp_op2"). False when it was
    // refused (a notice told why) or empty.
    bool startCommand(const std::string& typed);
    bool inProgress() const { return next_ < items_.size(); }
    // Runs the next item of the command in progress.
    ItemReport runNext();
    // Ends the command in progress, as after an abort.
    void cancelCommand();
    void backUp();           // 101
    void resolution();       // 104
    void qFactor();          // 105
    void finalStagePrompt(); // 108
    // The transferred range handed over by the plot window (command 140).
    void takeHandOver();

    // ---- Setup memory (slot 1..7, 0 when no list line is selected) ----
    void saveSetup(int slot);
    void recallSetup(int slot);
    void clearSetup(int slot);

    // ---- Frequency ranges ----
    void saveToMainRange();        // 200
    void saveToSegment(int index); // 201, 0..6
    void clearSegment(int index);  // 202
    void inputRange();             // 203
    void leaveRanges();            // 204
    std::vector<std::string> segmentLines() const;
    std::vector<std::string> setupLines() const;

    // ---- Tune mode ----
    void enterTune();
    void leaveTune() { tuning_ = false; }
    bool tuning() const { return tuning_; }
    void tuneUp();
    void tuneDown();
    void tuneBackUp();
    void pickBranches();
    void specifyValue();
    void finerStep() { tuneStep_ *= 0.5; }
    void coarserStep() {
        if (tuneStep_ < 0.6) tuneStep_ *= 2.0;
    }
    // The branch or pair the schematic last selected (pre-fills the pick).
    std::string schematicPick;

    // ---- State, public for the window, the console and tests ----
    int job = kJobAmplitude;
    Setups setups{};
    Segments segments{};
    double transferredLower = 0.0; // display units; 0 = unset
    double transferredUpper = 0.0;
    int fixedPoints = 0; // 0 = automatic
    int finalStage = kDefaultFinalStage;
    int tuneBranch = 0;  // 0 = none
    int tunePartner = 0; // equal-pair partner, 0 = none
    double tuneStep() const { return tuneStep_; }
    bool twoPart() const { return twoPart_; }
    int currentBranch() const { return currentBranch_; }
    bool continuous() const { return passesLeft_ > 0; }
    bool lengthChanged() const;
    // Sets when the last step ran; cleared by Back up.
    bool stepTaken() const { return stepTaken_; }

private:
    int lastBranch() const;
    double& value(int branch) { return design_.entries[static_cast<std::size_t>(branch)].value; }
    const UnitBlock* unitFor(int branch) const;
    // Sets the sweep to the main range at the current resolution.
    void setSweep(int points);
    // Sweeps (mode 1 for delay, else 2) and measures within the segments.
    std::optional<Measure> sweepMeasure(bool withDelay);
    bool tempSave(const char* name, bool& savedFlag);
    bool tempRecall(const char* name, bool savedFlag);
    void finishCommand();
    void switchSetup(int setup);
    void setPartner(int partner, double product, double increment);
    bool promptBranchPick();

    Design& design_;
    analysis::ResultsTable& table_;
    analysis::SweepOptions& options_;
    ui::Toolkit& toolkit_;
    OptimizerHost& host_;
    analysis::NoAnalysisViews views_;
    analysis::SweepEvaluator sweep_;

    AnalysisSettings savedSettings_{};
    int branchesAtOpen_ = 0;
    double error_ = 0.0;
    int lastPlotWidth_ = 0;
    bool opened_ = false;
    bool savedAtOpen_ = false;
    bool savedAtCommand_ = false;
    bool stepTaken_ = false;

    std::vector<CommandItem> items_;
    std::size_t next_ = 0;
    std::string running_; // the command being executed
    int passesLeft_ = 0;
    int activeSetup_ = 0;
    Setup held_; // record 0 while a saved setup runs
    int currentBranch_ = 0;

    bool tuning_ = false;
    double tuneStep_ = 0.01;
    bool twoPart_ = false;
    double tuneSaved_ = 0.0;
    double tunePartnerSaved_ = 0.0;
    bool tuneSavedValid_ = false;
};

} // namespace tanvex::optimizer
