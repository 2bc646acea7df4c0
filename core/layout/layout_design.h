// The layout program's design: one branch record per network entry, each
// with the one-line part description worked out for it, the shunt chip a
// series chip sits on and a changed flag, read from and written back into
// the design file (.dzn).
//
//   LayoutDesign d;
//   if (readLayoutFile("filter.dzn", d, toolkit) == 0) ...   // "Bad file" etc. shown
//   d.branches[3].description = "0.211 x 0.211 x 0.010 In.  NPO";
//   writeLayoutFile("filter.dzn", d, toolkit);               // clears d.modified
//
// File lines are "%15.8e %c %-2d %s": value, letter, connection code and a
// text. For C, L and D entries the text is the part description (a chip
// capacitor's padded to 41 characters and followed by its sits-on branch
// when it has one). Any other entry keeps the text that followed its code
// in the file, untouched, so a data branch's file name (written by the main
// program from column 24) and an instruction's name survive.
#pragma once

#include "design/design_record.h"
#include "design/network.h"
#include "ui/toolkit.h"

#include <array>
#include <string>

namespace tanvex::layout {

// A chip capacitor's description keeps 40 characters; its sits-on branch
// follows from column 41 of the text.
constexpr std::size_t kCapDescription = 40;
constexpr std::size_t kDescriptionMax = 80;

struct BranchRecord {
    double value = 0.0;
    char letter = 0;
    int code = 0;
    std::string description; // the part; empty when none was worked out
    int sitsOn = 0;          // series chip: the shunt chip under it (0 = none)
    bool changed = false;    // worked out or altered since the last script
    // Entries other than C, L and D: the text after the code, as read.
    std::string rawTail;
};

// Result bits of the readers and writers.
constexpr int kLayoutCannotOpen = 1;
constexpr int kLayoutTooBig = 2;
constexpr int kLayoutMalformed = 4;

struct LayoutDesign {
    std::array<BranchRecord, kEntrySlots> branches{};
    int count = 0;          // n: the source entry
    std::string directory;  // where the design lives ("" = working directory)
    std::string name;       // design name without extension
    bool modified = false;  // changed since it was loaded or saved
    bool splitMade = false; // "tmp_kdx" holds the design as it was before splitting

    // The design's reference frequency (the terminator's value; 0 reads as 1).
    double referenceFrequency() const;
    // The entry list and names the schematic renderer draws from.
    Design toDesign() const;
    // The path of NAME.ext in the design's directory.
    std::string path(const std::string& ext) const;
    bool isPartBranch(int i) const; // 1..n-1 and letter C, L or D
};

// Reads a design file. Returns 0 or a set of the bits above; on failure the
// design is left as it was and the reason was shown ("Bad file",
// "Network too big!").
int readLayoutFile(const std::string& path, LayoutDesign& d, ui::Toolkit& toolkit);
// Writes entries 0 .. n+1 to path (a temporary file renamed over it).
// clearModified is false for the undo copy "tmp_kdx", which does not make
// the design saved. Shows "Bad file" when the file cannot be written.
int writeLayoutFile(const std::string& path, LayoutDesign& d, ui::Toolkit& toolkit,
                    bool clearModified = true);

// The text a branch is written with (after "%15.8e %c %-2d ").
std::string branchText(const BranchRecord& b);

// Mean of the "Qu=" numbers in the descriptions of the L branches, 0 when none.
int averageQ(const LayoutDesign& d);

// Resonance (hertz) of branch i with a neighbour that forms an L-C pair
// with it (same code, one L and one C); 0 when it has none.
double pairResonance(const LayoutDesign& d, int i);

// The frequency (hertz) a line section at branch i is given at: the value of
// the nearest code-22 entry above it with a positive value (a negative one
// is a data branch), else the design's reference frequency.
double lineFrequency(const LayoutDesign& d, int i);

// The two dimensions of a part description: its first number and the number
// after the " x " that follows it (inches). False when either is missing or 0.
bool descriptionSize(const std::string& description, double& width, double& length);

} // namespace tanvex::layout
