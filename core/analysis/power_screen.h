// The power distribution screen: the text-screen front of PowerAnalysis. The
// generic text window holds a parameter panel and the results on the left
// and the schematic listing of the design on the right; a menu bar of
// single keys drives it (items 1-17, help "POW_MNU.HLW").
//
//   PowerScreen screen(design, results, toolkit, data);
//   screen.openPlot = [&] { ... };   // Plot: the results table in the plot window
//   screen.run();                    // until eXit
//
// The screen's Q values, spacing and mismatch line live in its own settings
// and the analysis' working copy, so leaving it (by any way) or editing the
// design never carries them into the design.
#pragma once

#include "analysis/power_distribution.h"
#include "ui/report.h"

#include <functional>
#include <memory>
#include <string>

namespace tanvex::analysis {

// Menu items.
enum PowerItem {
    kPowAnalyse = 1,
    kPowCompleteNet = 3,
    kPowSingleBranch,
    kPowSingleParameter,
    kPowResponseOnly,
    kPowSurvey,
    kPowFrequency,
    kPowQ,
    kPowLevel,
    kPowVswr,
    kPowPlot,
    kPowReview,
    kPowHardCopy,
    kPowEdit,
    kPowExit,
    kPowTotal,
};

inline constexpr const char* kPowerMenu =
    "&Analyse,-,&Comp. net,sing &Br,&Sing par,F/R &Only,&Max srva,&Freq.,&Q,&Level,&VSWR,&Plot,"
    "&Review,&Hard cpy,&Edit,e&Xit,&Total";

// The single parameters: forward loss, forward volts, forward current, shunt
// loss, shunt current, shunt volts (panel letters A-F).
enum class SingleParameter {
    kForwardLoss = 1,
    kForwardVolts,
    kForwardCurrent,
    kShuntLoss,
    kShuntCurrent,
    kShuntVolts
};
char unitLetter(SingleParameter p);
double levelOf(const BranchLevels& b, SingleParameter p);

struct PowerSelection {
    int branch = 0;    // -1 none, 0 all
    char dual = ' ';   // for a single dual branch
    int parameter = 0; // 0 whole network, -1 maximum survey, -2 response only, 1..6 single
};

class PowerScreen {
public:
    PowerScreen(Design& design, ResultsTable& results, ui::Toolkit& toolkit, DataServices& data);
    ~PowerScreen();

    // Runs until eXit (or Escape on the menu). Returns 0.
    int run();
    // One menu item (tests and the window drive it directly). Returns false
    // for eXit.
    bool command(int item);

    // Front-end hooks.
    std::function<void()> openPlot;     // the results table as a plot
    std::function<void()> openListing;  // the tabulated listing
    std::function<void()> closeViews;   // plot window and listing
    std::function<void()> edit;         // the schematic editor (modal or not)
    std::function<int()> plotWidth;     // points of "as wide as the plot"
    ui::PrinterSink* printer = nullptr; // hard copy to a printer
    std::string directory;              // where "%s.%cHC" files go
    std::string user;                   // "User = %s"

    PowerSettings settings;
    PowerSelection selection;
    const PowerSurvey& survey() const { return survey_; }
    const std::vector<PowerPoint>& points() const { return points_; }
    // Draws the whole screen for the current state.
    void draw();

private:
    void begin();
    void analyse();
    void pickBranch();
    void pickParameter();
    void askFrequency();
    void askQ();
    void askLevel();
    void askVswr();
    void toggleHardCopy();
    void total();
    void showPoint(int k, int firstBranch);
    void stepThrough();
    void fillTable();
    void drawSurvey(int firstRow);
    void writeTotal(int firstRow, int top);
    void reportLine(const std::string& text);
    void checkEntryCount();
    std::string frequencyText() const;

    Design& design_;
    ResultsTable& results_;
    ui::Toolkit& tk_;
    DataServices& data_;
    std::unique_ptr<PowerAnalysis> power_;
    PowerSurvey survey_;
    std::vector<PowerPoint> points_;
    std::vector<int> validBranches_;
    int entryCount_ = 0;
    std::unique_ptr<ui::ReportChannel> report_;
    char nextFileLetter_ = 'A';
    bool analysed_ = false;
};

} // namespace tanvex::analysis
