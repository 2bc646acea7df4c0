// The Touchstone circuit file (.CKT) of the current design: unit
// declarations, variables for component Q and line loss, one element line
// per network entry, the two-port (or multiplexer) definition, the port
// terminations as reflection coefficients, the output requests, the sweep
// and the plot grid. The design is only read: values are converted to the
// file's units while they are printed.
//
//   outputs::TouchstoneOptions o;           // or ask the user:
//   outputs::TouchstoneOutput out;          // runTouchstone(design, toolkit, dir, scale)
//   std::string why = outputs::buildTouchstone(design, o, out);
//   if (why.empty()) save(out.text);
#pragma once

#include "design/design_record.h"
#include "ui/toolkit.h"

#include <string>
#include <vector>

namespace tanvex::outputs {

inline constexpr const char* kTouchstoneTitle = "        > TOUCHSTONE file generator <";

struct TouchstoneOptions {
    bool qElements = true;      // CAPQ / INDQ with the Q variables
    bool physicalLines = false; // lines by length and dielectric constant
    double k = 1.0;             // dielectric constant of physical lines
    int startNode = 1;
    // "From To Step" in the display frequency unit (commas allowed); empty:
    // the design's own sweep.
    std::string sweep;
    double attenuationScale = 10.0; // dB per division of the response plot
    std::string dateTime;           // 24 characters; empty: now
};

struct TouchstoneOutput {
    std::string text;
    int lastNode = 0;               // the highest node number used
    std::vector<int> unimplemented; // codes without a model, once each
    bool partialSidePort = false;   // a code 9 side-port end is in the list
};

// True when the list holds a transmission line (a `Z` entry).
bool hasLines(const EntryList& list);
// The dielectric constant offered: 36 for design type 24, else slot 14's value.
double defaultDielectric(const Design& design);
// The design's sweep as " From To Step" (empty when no sweep is set).
std::string defaultSweep(const Design& design);

// Writes the file's text into out. Returns "" or, when the design or the
// options cannot give a sound file, the reason (nothing is produced).
std::string buildTouchstone(const Design& design, const TouchstoneOptions& options,
                            TouchstoneOutput& out);

// The notices of the node pass, in the program's words.
std::vector<std::string> touchstoneNotices(const TouchstoneOutput& out);

// The interactive command: the prompts, the file "<directory>/<name>.CKT"
// written through a temporary name, the notices and "Last node number used
// is %d". Returns 0 when the file was written.
int runTouchstone(const Design& design, ui::Toolkit& toolkit, const std::string& directory,
                  double attenuationScale);

} // namespace tanvex::outputs
