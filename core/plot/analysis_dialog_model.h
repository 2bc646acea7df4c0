// The logic of the "Network analysis" dialog: what it shows, how typed
// values and buttons change the sweep settings. The Qt dialog is a thin view
// over this model; every edit goes straight into the design's analysis
// settings, its settings string and the sweep options.
//
//   plot::AnalysisDialogModel m(design, options, toolkit, state);
//   m.open(plotWidth);
//   m.edit(plot::kIdStart, "1, 2, -11");   // start 1, stop 2, 11 points
//   plot::DialogValues v = m.values();      // v.text[kIdStep] == "0.1"
//   auto r = m.button(plot::kIdSweep);      // DialogOutcome::Sweep
#pragma once

#include "analysis/sweep.h"
#include "design/design_record.h"
#include "ui/toolkit.h"

#include <functional>
#include <map>
#include <string>

namespace tanvex::plot {

// Control identifiers of the dialog template "nwa_box".
enum DialogId {
    kIdSweep = 141,
    kIdExit = 142,
    kIdHelp = 143,
    kIdFullPlot = 144,
    kIdLinear = 145,
    kIdLog = 146,
    kIdAutoSpacing = 147,
    kIdGraphic = 201,
    kIdTabulated = 202,
    kIdPrecise = 203,
    kIdFast = 204,
    kIdAutoDelay = 205,
    kIdQl = 210,
    kIdQc = 211,
    kIdQt = 212,
    kIdStart = 220,
    kIdStop = 221,
    kIdStep = 222,
    kIdPoints = 223,
    kIdUnit = 224,
    kIdCoefL = 230,
    kIdCoefC = 231,
    kIdCoefT = 232,
    kIdShift = 233,
    kIdTempOn = 234,
    kIdTempOff = 235,
    kIdZoSource = 236,
    kIdZoRef = 237,
    kIdReference = 238,
};

// What survives between openings of the dialog.
struct DialogState {
    bool fullPlot = false;
};

struct DialogValues {
    std::map<int, std::string> text; // edit fields, unit label, Full plot button
    std::map<int, bool> checked;     // radio buttons
};

enum class DialogOutcome { None, Sweep, Exit };

class AnalysisDialogModel {
public:
    AnalysisDialogModel(Design& design, analysis::SweepOptions& options, ui::Toolkit& toolkit,
                        DialogState& state);

    // Opening: radio buttons from the settings, the reference impedance
    // preset, the full-plot step from the plot width.
    void open(int plotWidth);
    // The values as shown (applies the 225-point rules first).
    DialogValues values();
    // A field lost the focus with this text.
    void edit(int id, const std::string& text);
    // A push button or a radio button.
    DialogOutcome button(int id);
    // A right click: closes without the write-back.
    DialogOutcome rightClick() { return DialogOutcome::Exit; }

    bool graphic() const { return graphic_; }
    bool delayAuto() const { return delayAuto_; }
    int plotWidth() const { return plotWidth_; }

    // Called after Q values change (the main window repaints).
    std::function<void()> onQChanged;
    // Called on eXit / Escape: the equalizer data service resets.
    std::function<void()> onResetDataServices;

private:
    char setting(int pos) const;
    void setSetting(int pos, char c);
    void writeBack();
    int pointCount();
    void applyFullPlot();

    Design& design_;
    analysis::SweepOptions& options_;
    ui::Toolkit& toolkit_;
    DialogState& state_;
    bool graphic_ = true;
    bool delayAuto_ = true;
    int plotWidth_ = 0;
};

// The full-plot point request for a plot width: minus the width, or minus
// half of it (truncated) above 1000 pixels.
int fullPlotStep(int plotWidth);

} // namespace tanvex::plot
