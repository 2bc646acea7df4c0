// The layout program's state and commands, asked through the toolkit: open
// and save, working out a part (chip capacitor and hairpin here; coils go
// through the coil calculator's window, see coilSetup / storeCoil), split
// and undo split, sits-on, the parts list, the drawing script and the close
// prompt. The window (gui/layout) draws this state and forwards its menu
// commands, keys and clicks.
//
//   Layout k;
//   k.start(toolkit);                 // material menu, job file
//   k.open("filter.dzn", toolkit);
//   k.current = 3;
//   k.chipCapacitor(toolkit, openDefaultsDialog);
#pragma once

#include "coil/coil_calculator.h"
#include "layout/cad_script.h"
#include "layout/layout_design.h"
#include "layout/materials.h"

#include <functional>
#include <string>
#include <vector>

namespace tanvex::layout {

// Menu command numbers.
enum LayoutCommand {
    kCmdOpen = 2,
    kCmdSave = 3,
    kCmdSaveAs = 4,
    kCmdPartsList = 5,
    kCmdExit = 6,
    kCmdScript = 7,
    kCmdLastDesign = 8,
    kCmdDefaults = 101,
    kCmdWorkOut = 102,
    kCmdSplit = 104,
    kCmdUndoSplit = 105,
    kCmdMaterialOptions = 106,
    kCmdMaterialOptionsAt = 107,
    kCmdSitsOn = 108,
};

inline constexpr const char* kVersion = "Ver. 6.0";
inline constexpr const char* kUndoName = "tmp_kdx";

enum class ChipOutcome { Stored, Quit, ChangeMenu };

// One line of the material options beside the schematic.
struct MaterialOptionLine {
    std::string text;
    bool current = false;   // the material the capacitor uses now (">")
    bool isDefault = false; // the defaults' material (attribute 2)
    double width = 0.0;     // mils
    double length = 0.0;
};
struct MaterialOptions {
    int branch = 0;
    std::vector<MaterialOptionLine> lines;
    int onChip = 0;                           // the shunt chip it sits on, 0 = none
    double capWidth = 0.0, capLength = 0.0;   // mils, this capacitor
    double chipWidth = 0.0, chipLength = 0.0; // mils, the shunt chip
    double scale = 1000.0;                    // pixels per inch for the drawing
};

class Layout {
public:
    LayoutDesign design;
    MaterialMenu menu;
    LayoutDefaults defaults;
    JobFile job;
    std::string jobPath = kJobFileName; // in the working directory
    int current = 1;                    // the current branch, 1..n-1
    int hairpinGauge = 0;               // persists between hairpins; 0 = the defaults' gauge
    bool blocks = false;                // drawing scripts with blocks (on once a job file exists)

    // Reads the job file and the material menu "cmenu" (from the working
    // directory, else the installed one). Shows "Menu file not found" when
    // neither can be read.
    void start(ui::Toolkit& toolkit);
    bool loadMenu(const std::string& path, ui::Toolkit& toolkit);

    // Opens a design file (path with or without ".dzn"). 0 on success.
    int open(const std::string& path, ui::Toolkit& toolkit);
    int save(ui::Toolkit& toolkit);
    int saveAs(const std::string& path, ui::Toolkit& toolkit);

    // Working out the current branch's part.
    // Coil: false (with "Wire gauge not set") when no wire gauge is set.
    bool coilSetup(coil::CoilBranchSetup& setup, ui::Toolkit& toolkit) const;
    void storeCoil(const std::string& description);
    // Chip capacitor window. defaultsDialog opens the DEFAULTS dialog and
    // returns true when it was left through "Change menu".
    ChipOutcome chipCapacitor(ui::Toolkit& toolkit, const std::function<bool()>& defaultsDialog);
    // Hairpin window. False when the branch is not a line section's length
    // or no wire gauge is set (message shown).
    bool hairpin(ui::Toolkit& toolkit);

    void split(ui::Toolkit& toolkit);
    void undoSplit(ui::Toolkit& toolkit);
    void sitsOn(ui::Toolkit& toolkit);
    MaterialOptions materialOptions(int branch) const;

    // The parts list command. print receives the lines for the printer and
    // returns false when no printer opened ("Printer error").
    void partsListCommand(ui::Toolkit& toolkit,
                          const std::function<bool(const std::vector<std::string>&)>& print);
    // The drawing script command.
    void scriptCommand(ui::Toolkit& toolkit);
    // The close prompt; false keeps the program open. Writes the job file.
    bool close(ui::Toolkit& toolkit);

    // The message area: " Invalid branch " or the branch line and its description.
    std::vector<std::string> messageLines() const;
    std::string materialLine() const;
    std::string currentLine() const;

    // Moves the current branch, kept within 1 .. n-1.
    void setCurrent(int branch);

private:
    void afterPart(int i);
    bool undoPath(std::string& path) const;
};

} // namespace tanvex::layout
