// The sweep options shared by `tanvex analyse` and `tanvex report`, and the
// sweep of a loaded design with them.
#pragma once

#include "analysis/sweep.h"
#include "design/design_record.h"
#include "ui/toolkit.h"

#include <string>
#include <vector>

namespace tanvexcli {

struct SweepArgs {
    bool haveFrom = false, haveTo = false, havePoints = false, haveStep = false;
    double from = 0.0, to = 0.0, points = 0.0, step = 0.0;
    const char* spacing = nullptr;
    const char* delay = nullptr;
    bool haveQ = false;
    double q[3] = {0.0, 0.0, 0.0};
};

// The option lines of the usage texts.
extern const char* const kSweepOptionsHelp;

// Reads the sweep option at argv[i] (and its value, advancing i). Returns 1
// when it was one, 0 when argv[i] is not a sweep option, 2 after printing
// "tanvex VERB: ..." for a bad value.
int parseSweepOption(const char* verb, int argc, char** argv, int& i, SweepArgs& args);
// Checks the combination; 2 after a message, else 0.
int checkSweepArgs(const char* verb, const SweepArgs& args);

struct SweepResult {
    tanvex::analysis::ResultsTable table;
    std::vector<tanvex::analysis::PointValues> points; // full precision
    bool fastDelay = false;
};

// Applies the options to the design's saved sweep and sweeps it (batch:
// data files are read from the working directory, a missing one ends the
// run). Returns the sweep's result (0 done).
int sweepDesign(tanvex::Design& design, const SweepArgs& args, tanvex::ui::Toolkit& toolkit,
                SweepResult& result);

// "tanvex VERB: what 'arg'" and the --help hint on standard error; returns 2.
int usageError(const char* verb, const char* what, const char* arg = nullptr);

} // namespace tanvexcli
