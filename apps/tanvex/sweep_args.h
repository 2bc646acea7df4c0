// The sweep options shared by the console commands that analyse a design
// (--from, --to, --points, --step, --spacing, --delay, --q): parsed from the
// command line and applied to the loaded design's settings; and the sweep of
// a loaded design with them, data branches included.
#pragma once

#include "analysis/sweep.h"
#include "design/design_record.h"
#include "ui/toolkit.h"

#include <vector>

namespace tanvex::cli {

// The options text, for the commands' --help.
extern const char* const kSweepOptionsHelp;

struct SweepArgs {
    bool haveFrom = false, haveTo = false, havePoints = false, haveStep = false;
    double from = 0.0, to = 0.0, points = 0.0, step = 0.0;
    const char* spacing = nullptr;
    const char* delay = nullptr;
    bool haveQ = false;
    double q[3] = {0.0, 0.0, 0.0};
};

bool parseNumber(const char* text, double& out);
// "A,B,C": exactly three numbers of at least zero.
bool parseTriple(const char* text, double (&out)[3]);
// Prints "tanvex VERB: what 'arg'" and the --help hint; returns 2.
int usageError(const char* verb, const char* what, const char* arg = nullptr);

// argv[i] is a sweep option: consumes it (and its value, moving i on) and
// returns 1; returns 0 for any other argument; on a bad value prints the
// usage error and returns -1.
int parseSweepArg(const char* verb, int argc, char** argv, int& i, SweepArgs& args);
// Checks the combination (--points with --step); 0 ok, else the usage error's 2.
int checkSweepArgs(const char* verb, const SweepArgs& args);
// Writes the options into the design's sweep settings and the sweep options.
void applySweepArgs(const SweepArgs& args, Design& design, analysis::SweepOptions& options);
// parseSweepArg for the commands that return its status at once: 1 an
// option, 0 another argument, 2 after the usage error.
int parseSweepOption(const char* verb, int argc, char** argv, int& i, SweepArgs& args);

struct SweepResult {
    analysis::ResultsTable table;
    std::vector<analysis::PointValues> points; // full precision
    bool fastDelay = false;
};

// Applies the options to the design's saved sweep and sweeps it (batch:
// data files are read from the working directory, a missing one ends the
// run). Returns the sweep's result (0 done). The points go to
// result.points, or to the observer when one is given.
int sweepDesign(Design& design, const SweepArgs& args, ui::Toolkit& toolkit, SweepResult& result,
                analysis::SweepObserver* observer = nullptr);

} // namespace tanvex::cli
