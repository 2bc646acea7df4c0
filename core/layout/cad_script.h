// Drawing scripts for two CAD programs: AutoCAD script files (.scr, command
// lines) and General CADD Pro. macro files (.mcr, two-letter commands). Every
// part with a usable description is drawn on its layer (shunt chips,
// coupling chips, coils and hairpins), labelled with its branch, optionally
// made into a block and inserted, and series chips get jumper lines to the
// shunt chips they sit on.
//
//   ScriptOptions opt;  opt.cad = CadProgram::AutoCad;
//   std::string path = scriptPath(job.cadPath, d.name, opt);
//   writeScript(path, d, opt, toolkit);   // "Bad file: %s" on failure
//
// Parts are planned in three rows (shunt chips, coupling chips, coils and
// hairpins) over every drawable part, changed or not, so a part keeps its
// place when only changed parts are written again.
#pragma once

#include "layout/layout_design.h"

#include <string>
#include <vector>

namespace tanvex::layout {

enum class CadProgram { AutoCad, GeneralCadd };

struct ScriptOptions {
    CadProgram cad = CadProgram::AutoCad;
    bool changedOnly = false;
    bool blocks = true;
    double leadLength = 0.0; // mils, from the defaults; 0 = from the wire gauges
};

enum class PartKind { ShuntChip, CouplingChip, SeriesCoil, ShuntCoil, SeriesHairpin, ShuntHairpin };

struct Point {
    double x = 0.0;
    double y = 0.0;
};

// One part as it is drawn.
struct PlacedPart {
    int branch = 0;
    PartKind kind = PartKind::ShuntChip;
    char label = 'C';     // label letter (L for hairpins)
    double width = 0.0;   // first number of the description, inches
    double length = 0.0;  // second number
    Point base;           // insertion point of its block
    Point boxMin, boxMax; // the block's window
    Point labelAt;
    double labelHeight = 0.0;
    int layer = 1; // 1 shunts, 2 coupling, 3 coils
};

// Gap between neighbouring parts of a row, inches.
constexpr double kPartSpacing = 0.1;

// The lead length (inches) the drawing uses: the defaults' when set, else
// three wire diameters of the mean gauge named in the coil and hairpin
// descriptions, else 0.
double scriptLeadLength(const LayoutDesign& d, double defaultsLeadMils);

// Every drawable part of branches 1..n-1, placed.
std::vector<PlacedPart> planParts(const LayoutDesign& d, double lead);

// "%s%s%s" (path, name, extension) for all parts, "%smod%s" for changed ones.
std::string scriptPath(const std::string& cadPath, const std::string& name,
                       const ScriptOptions& opt);

// The script text. drawn receives the branches drawn (whose changed flags
// are to be cleared once the file is safely written).
std::string buildScript(const LayoutDesign& d, const ScriptOptions& opt, std::vector<int>* drawn);

// Writes the script (a temporary file renamed over path) and then clears the
// changed flags of the parts drawn. On failure shows "Bad file: %s", leaves
// the flags set and returns false.
bool writeScript(const std::string& path, LayoutDesign& d, const ScriptOptions& opt,
                 ui::Toolkit& toolkit);

} // namespace tanvex::layout
