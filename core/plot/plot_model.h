// PlotModel: everything the "Analysis results" window knows and does that
// needs no window. It reads the analysis results table, keeps the displayed
// range, cursor, traces, phase and extra modes, scales, markers, mask, zero
// and colour settings, runs the menu commands and keys, and builds a Frame:
// the curves (in divisions of the plot height), ticks, marker marks, mask
// steps, Smith chart points and every text line, ready to be painted.
//
//   plot::PlotModel model(design, table, options, toolkit);
//   if (!model.open()) return;                 // fewer than two points
//   plot::Frame f = model.frame(plotWidth, 8.0);   // plot width in pixels
//   model.command(plot::kCmdFull);
//   plot::KeyResult r = model.key('>', 0);
#pragma once

#include "analysis/sweep.h"
#include "design/design_record.h"
#include "plot/markers.h"
#include "plot/plot_math.h"
#include "ui/palette.h"
#include "ui/toolkit.h"

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace tanvex::plot {

// Menu "Plotmenu" command identifiers.
enum PlotCommand {
    kCmdLower = 103,
    kCmdUpper = 104,
    kCmdSearch = 105,
    kCmdInterp = 106,
    kCmdZero = 109,
    kCmdFull = 110,
    kCmdRange = 111,
    kCmdSetButton = 231,
    kCmdFirstFButton = 112, // F1..F10 buttons 112..121
    kCmdHelp = 150,
    kCmdScaleFactors = 151,
    kCmdExit = 213,
    kCmdAttenuation = 221,
    kCmdReturnLoss = 222,
    kCmdDelay = 224,
    kCmdSmith = 226,
    kCmdBoldLines = 281,
    kCmdColours = 282,
    kCmdTabulate = 402,
    kCmdClearMarkers = 403,
    kCmdSortMarkers = 404,
    kCmdMarkerDialog = 405,
    kCmdPhaseFirst = 450, // 450 off .. 455 least squares
    kCmdPhaseLast = 455,
    kCmdExtraFirst = 460, // 460 off .. 464 Zo +-jX
    kCmdExtraLast = 464,
    kCmdHandStart = 505,
    kCmdHandStop = 506,
    kCmdHandRange = 507,
    kCmdBitmap = 508,
    kCmdRangeTimes2 = 509,
    kCmdHardCopy = 510,
    kCmdClipboard = 511,
    kCmdWhite = 512,
    kCmdQuickComparison = 513,
    kCmdStyleFirst = 601, // lines, ticks, hash, grid
    kCmdStyleLast = 604,
    kCmdCaptions = 605,
    kCmdRefresh = 141,           // sent after a new sweep
    kCmdOptimizerTransfer = 140, // sent to the optimizer window
};

// The seven coloured plot items.
enum PlotItem {
    kItemAttenuation = 0,
    kItemReturnLoss,
    kItemPhase,
    kItemDelay,
    kItemExtra,
    kItemSmith,
    kItemScale,
    kPlotItems
};
// Pseudo-items of panel lines.
constexpr int kItemText = -1;   // plain text (white / black)
constexpr int kItemYellow = -2; // " (Fast)"
constexpr int kItemGrey = -3;

// The scaled traces with a scale record.
enum ScaledTrace { kScaleAttenuation = 0, kScaleDelay, kScalePhase, kScaleExtra, kScaledTraces };

// Default colour digits: readable on the black screen and on the white
// background (white items turn black there).
inline constexpr const char* kDefaultColourDigits = "7456238";
// Colour digit -> RGB as the plot paints it (1 blue .. 9 yellow, 0 black).
ui::Rgb plotColour(int digit);

// Settings string positions of the plot.
constexpr int kSettingDisplayDigits = 0; // 0-6 and 12
constexpr int kSettingBold = 7;
constexpr int kSettingColours = 16; // 16-22

// Phase read-out suffixes by mode.
const char* phaseSuffix(int mode);

// What a key asks the window to do beyond the model's own changes.
enum class KeyAction {
    None,
    Repaint,
    Beep,
    Close,
    Help,
    PopupDisp,
    PopupMarkers,
    PopupTransfer,
    Command, // run the command in KeyResult::command through the window
};
struct KeyResult {
    KeyAction action = KeyAction::None;
    int command = 0;
};
// Virtual keys used by key(): F1..F11 as 112..122, arrows as 37 (left)
// and 39 (right), Escape 27.
constexpr int kVkLeft = 37;
constexpr int kVkRight = 39;
constexpr int kVkEscape = 27;
constexpr int kVkF1 = 112;
constexpr int kVkF11 = 122;
constexpr int kModShift = 1;
constexpr int kModCtrl = 2;

struct PanelLine {
    std::string text;
    int item = kItemText;
};

struct Curve {
    int item = 0;
    // One value per displayed point lo..hi: divisions down from the top of
    // the plot (0 top, kDivisions bottom); NaN leaves a gap.
    std::vector<double> y;
};

struct MarkerMark {
    int index = 0;       // 0..9 (F1..F10)
    double x = 0.0;      // pixels from the left end of the plot
    double levelY = NAN; // divisions (attenuation scale), NaN when not shown
    ui::Rgb colour;
};

struct MaskStep {
    double x0 = 0.0; // pixels, clipped to the plot
    double x1 = 0.0;
    double y = 0.0; // divisions
};

struct SmithTrace {
    bool on = false;
    double z0 = 50.0;
    std::vector<SmithPoint> points; // every point of the table
    std::vector<bool> displayed;    // inside lo..hi
    SmithPoint cursor;
    std::vector<std::string> lines; // read-out and reference lines
};

struct Frame {
    int lo = 1, hi = 2;
    int pixelsPerPoint = 1;
    double plotPixels = 0.0; // (hi - lo) * pixelsPerPoint
    bool logAxis = false;
    std::vector<Tick> ticks;
    std::vector<Curve> curves;
    double cursorX = 0.0;
    std::vector<MarkerMark> markers;
    std::vector<MaskStep> mask;
    std::vector<PanelLine> panel;
    std::vector<PanelLine> table;    // marker tabulation (header first)
    std::vector<std::string> bottom; // lines under the plot
    std::string message;             // a long status line under the plot
    SmithTrace smith;
    int scaleStyle = 0;
};

// Values at the cursor (the read-out), in display units where they have one.
struct Readout {
    double frequency = 0.0; // display units
    double attenuation = 0.0;
    double returnLoss = 0.0;
    double delay = 0.0; // time unit
    double phase = 0.0; // degrees, as the phase mode draws it
    double extra = 0.0;
    double r = 0.0, x = 0.0;
};

class PlotModel {
public:
    PlotModel(Design& design, analysis::ResultsTable& table, analysis::SweepOptions& options,
              ui::Toolkit& toolkit);

    // ---- Life ----
    // Reads the table; false (the window must close) with fewer than 2
    // points. Loads the plot settings kept in the design.
    bool open();
    // Refresh after a new sweep: N, step and attenuation extremes again.
    bool refresh();
    // True when the table's point count or step differ from those read.
    bool tableChanged() const;
    // Writes markers, switches and colours back into the design.
    void store();

    // ---- State ----
    int points() const { return n_; }
    int lo = 1, hi = 1, cursor = 1;
    bool interpolation = false;
    int interpOffset = 0; // pixels right of the cursor point
    bool attenuation = true, returnLoss = false, delay = false;
    int phaseMode = 0, phaseReference = 1;
    int extraMode = 0;
    bool smith = false;
    int scaleStyle = 0;
    std::array<ScaleRecord, kScaledTraces> scales{};
    MarkerSet markers{};
    bool markersShown = true;
    Mask mask;
    bool zero = false;
    bool tabulate = false;
    bool setPending = false; // "Set" pressed: the next F key stores
    std::array<bool, 2> captionOn{};
    std::array<std::string, 2> caption{};
    bool logoOn = false;
    std::array<int, kPlotItems> colours{};
    bool bold = false;
    bool white = false;
    std::string status; // " * Transferred * " and output messages
    // Plot width the window last reported (for the analysis dialog).
    int reportedWidth = 0;
    bool impedanceData() const;
    // The Smith chart needs the reported impedance (not a distribution table).
    bool smithData() const;
    // A power distribution table (flag 'V', 'A' or 'W'): field 5 is the
    // extra quantity.
    bool distributionTable() const;
    // Extra read-out name and unit ("  Zo", "Ω", ...).
    std::string extraName() const;
    std::string extraUnit() const;
    bool logSweep() const { return log_; }
    bool fastDelay() const { return fast_; }
    const analysis::ResultRecord& header() const { return table_.records[0]; }
    // A hand-over value waits for the next sweep (or the optimizer).
    bool handOverPending() const { return options_.markerLow > 0.0 || options_.markerHigh > 0.0; }
    double attenuationMinimum() const { return attMin_; }

    // ---- Points ----
    double frequency(int k) const; // hertz
    double value(int k, int field) const;
    double multiplier() const;
    std::string frequencyUnit() const; // trimmed
    std::string timeUnit() const;

    // ---- Commands and keys ----
    // Runs a menu command the model serves (the rest return false).
    bool command(int id);
    KeyResult key(int character, int virtualKey, int modifiers = 0);
    // Cursor by points (beeps at the ends); in interpolation mode by pixels.
    bool moveCursor(int points);
    // Cursor to the point nearest x pixels from the left end of the plot.
    void cursorToX(double x);
    // Cursor to a frequency (display units), widening the range if needed.
    void cursorToFrequency(double displayFrequency);
    // Function key i (0..9): jump, or store with Set / Shift.
    void functionKey(int i, bool store);
    bool magnify(int trace);
    bool compress(int trace);
    bool traceShown(int trace) const;
    void normalScales();
    // Hand-overs to the analysis (hertz); after each the status line.
    void handOver(double lower, double upper);

    // ---- Views ----
    // Narrows the range to the plot width (pixels) and builds the frame.
    Frame frame(int width, double charWidth);
    Readout readout() const;
    // Values of a trace at point k (1-based) as drawn (phase mode applied).
    double phaseValue(int k) const;
    double extraValue(int k) const;
    // Response type and passband of the design for the mask.
    PassbandInfo passband() const;
    bool maskVisible() const;
    // The bandwidth read-out lines (1 or 2).
    std::vector<std::string> bandwidthLines() const;

    // Hooks the window fills in.
    std::function<void()> onHandOver; // after a hand-over (optimizer transfer)

private:
    void readHeader();
    void loadSettings();
    void computePhase();
    double interpolated(int field) const;
    std::string fmt(const char* f, double v) const;

    Design& design_;
    analysis::ResultsTable& table_;
    analysis::SweepOptions& options_;
    ui::Toolkit& toolkit_;
    int n_ = 0;
    float step_ = 0.0f;
    double attMin_ = 0.0, attMax_ = 0.0;
    bool log_ = false;
    bool fast_ = false;
    // Phase as drawn (index 1..n) and the fitted line of the last frame.
    std::vector<double> phase_;
    Line phaseLine_;
    int pixels_ = 1;
    // Values stored at the last zero.
    Readout zeroValues_;
};

} // namespace tanvex::plot
