// The frame of the main program without its window: start-up, the status
// screen model, the built-in commands (Q values, matcher switch, save,
// recall, recent designs, notation), the exit question and what is written
// on exit. The Qt main window (gui/shell) owns one Shell and forwards menu
// commands, clicks and typed keys to it; tests drive it with a scripted
// toolkit.
//
//   tanvex::Design design;
//   tanvex::ui::ScriptedToolkit tk;
//   tanvex::shell::Shell shell(design, tk);
//   shell.startUp("bandpass");        // environment, positions, design
//   shell.dispatch(tanvex::shell::kCmdSetAllQ);
//   if (shell.closeRequested()) shell.finish();   // writes tanvexw_pos.dat
//
// Later subsystems plug their commands in with
//   shell.commands.add(kCmdAnalyse, [&](int) { ...; return 0; });
// and the shell adds the follow-ups of the command table around them:
//   137 Parameters   returning 1 runs 136 Calculate;
//   134 preset list  runs with busy set; returning 106..131 runs that
//                    design command (return 0 after running it yourself);
//   150 review       a non-zero result runs the hard-copy sequence 156
//                    (151, mechanicalDimensionsQuiet, 136, 150 again);
//   151 dimensions   a positive result is run as a command;
//   140/141          reset the end's match letter, then impedanceMatcher;
//   149              uses buildLumpedLowpass and prototypeLastCode.
// After every dispatched command the status screen is redrawn and repaint()
// runs.
#pragma once

#include "analysis/sweep.h"
#include "design/design_record.h"
#include "shell/command_registry.h"
#include "shell/command_table.h"
#include "shell/environment.h"
#include "shell/position_file.h"
#include "shell/status_screen.h"
#include "ui/text_screen.h"
#include "ui/toolkit.h"

#include <functional>
#include <string>
#include <vector>

namespace tanvex::shell {

// Answers of the exit question.
enum class ExitAnswer { Save, DontSave, Cancel };

inline constexpr const char* kExitQuestion =
    "[Yes] save design - [No] exit without save - [Cancel] no exit";
inline constexpr const char* kExitTitle = "Exit and save work";
inline constexpr const char* kValueTemplate = "____x%11.5g %s  ";
inline constexpr const char* kHelpFileName = "tanvexw.hlw";

// Design types whose builders use the impedance matcher at start.
bool designTypeUsesMatcher(int designType);

// Equivalent noise bandwidth of a linear sweep, by the trapezoid rule over
// the power transfer 10^(-attenuation/10): 0.5 * step * sum of (p(i) +
// p(i+1)) over adjacent points, times the display frequency multiplier.
double noiseBandwidth(const std::vector<double>& attenuationDb, double step, double multiplier);

class Shell {
public:
    Shell(Design& design, ui::Toolkit& toolkit);

    Design& design;
    ui::Toolkit& toolkit;
    ShellEnvironment env;
    PositionData positions;
    CommandRegistry commands;
    ui::TextScreen status{kStatusColumns, kStatusRows};
    // The analysis results table of the run: written by the sweep and by
    // snapshot recall, read by the plot, the optimizer, the exports and the
    // noise bandwidth command.
    analysis::ResultsTable results;

    // Height of the desktop in pixels (for the position file's rule).
    int desktopHeight = 768;
    // Set while the preset bandpass list runs: closing only beeps.
    bool busy = false;
    // Hard-copy settings taken from the settings string (positions 10, 11).
    char hardCopyFont = 0;
    char hardCopyRaster = 0;
    // The noise bandwidth line, shown by the next status drawing only.
    std::string noiseLine;

    // ---- Hooks the window (or a test) fills in ----
    // Repaints the main window and, when open, the schematic window.
    std::function<void()> repaint;
    // The recent list changed (entries marked missing).
    std::function<void()> recentChanged;
    // The three-way exit question; when empty the toolkit's Yes/No box is
    // used (No meaning "exit without save").
    std::function<ExitAnswer()> askExit;
    // Run just before the position file is written: windows other than
    // the main window store their rectangles into positions.rects here.
    std::vector<std::function<void()>> beforeFinish;
    // Runs after every recall (equalizer data, data-branch slots, schematic).
    std::vector<std::function<void()>> afterRecall;
    // The "Design file operations" dialog: returns the button pressed,
    // 101 save, 102 recall, 103 join in series, 104 join as side port,
    // 105 help, 106 abort. Unset: the command does nothing.
    std::function<int()> chooseFileOperation;
    // The file-open dialog for a design: the chosen path, or "" when
    // cancelled. Unset: the command does nothing.
    std::function<std::string()> chooseDesignFile;
    // Shows a help page ("MAIN.HLW", ...). Unset: the toolkit's help viewer.
    std::function<void(const std::string&)> showHelp;
    // The impedance matcher for one end (0 source, 1 termination), run by
    // "match Source Zo" / "match Termination Zo" after the reset.
    std::function<int(int end)> impedanceMatcher;
    // For "make external ref. lowpass": the lumped lowpass synthesis of the
    // current design (0 = success) and the connection code of the reference
    // prototype's last entry. Unset: the command does nothing.
    std::function<int()> buildLumpedLowpass;
    std::function<int()> prototypeLastCode;
    // Step 2 of the hard-copy sequence: the mechanical dimensions worked out
    // without prompting.
    std::function<void()> mechanicalDimensionsQuiet;
    // The design file transfer (defaults to tanvex::transferDesign).
    std::function<int(Design&, const std::string&, char, int, ui::Toolkit&)> transfer;

    // Start-up without the window: environment, value template, position
    // file, design named on the command line ("default" when empty), the
    // hard-copy settings and the installation check. Returns the transfer
    // result of the design load.
    int startUp(const std::string& designArgument);

    // Runs a command and repaints. Returns the command's result.
    int dispatch(int id);
    // Runs a command with the follow-ups the table gives (parameters then
    // Calculate, the preset list's choice, the hard-copy sequence), without
    // repainting.
    int runCommand(int id);

    // Draws the status screen (re-reading a stale working directory first).
    void drawStatus();
    // The window shows this many columns of the status screen: the status is
    // drawn again to fit them.
    void setStatusColumns(int columns);
    int statusColumns() const { return lastStatus_.columns; }
    // A left click on cell (column, row) of the status screen.
    void click(int column, int row);
    // A typed character on the status screen: the pop-up key ('D', 'F', 'U')
    // or 0 after a beep.
    char typed(int character);

    // The close request: false to stay open (busy, cancelled, or a save
    // that failed), true to go on and destroy the window.
    bool closeRequested();
    // On destruction: writes tanvexw_pos.dat in the start directory.
    bool finish();
    std::string positionFilePath() const;

    // ---- Built-in commands (also reachable through dispatch) ----
    void matcherSwitch();        // 155
    void setAllQ();              // 159
    void setOneQ(int which);     // 163..165: 0 Ql, 1 Qc, 2 Qt
    int saveCurrentDesign();     // 160
    int recallCurrentDesign();   // 161
    int openRecent(int index);   // 200..208
    int fileOperations();        // 102: the Design file operations dialog
    int setFileName();           // 101: the file-open dialog, then 102
    int makeExternalReference(); // 149
    void help(const std::string& page);
    void switchStubGeneratorOff();
    // The notation dialog's choice: electrical notation 1..6 and mechanical
    // unit 8..11. Returns true when anything changed.
    bool applyNotationChoice(int electrical, int mechanical);
    int storedNotation() const;       // from slot 16's letter, default 4
    int storedMechanicalUnit() const; // from slot 19's letter, default 8 (inches)
    // Shows the result of a noise bandwidth calculation (display units).
    void showNoiseBandwidth(double value);
    // 147: the noise bandwidth of the last sweep in the results table; a
    // sweep that was not linear gives the notice "Linear sweep required".
    int noiseBandwidthCommand();

    // Q value (Ql, Qc, Qt by index 0..2) as the program stores it.
    double q(int which) const { return design.analysis[3 + which]; }
    void setQ(int which, double value);

private:
    StatusInfo lastStatus_; // as last drawn, for a redraw at another width
    void registerBuiltIns();
    void applySpecDefaults();
    void applyNetworkDefaults();
    void refreshMatcherFlag();
    bool designFileReadable(const std::string& path) const;
    int recentOpening_ = -1;
};

} // namespace tanvex::shell
