// The figure of merit of an optimization job over the analysis results
// table: the spread of group delay (job 1) or attenuation (job 3), or the
// reciprocal of the worst return loss (job 2, so that raising the worst
// return loss lowers the error).
#pragma once

#include "analysis/sweep.h"

#include <array>

namespace tanvex::optimizer {

constexpr int kJobDelay = 1;
constexpr int kJobReturnLoss = 2;
constexpr int kJobAmplitude = 3;

// "Delay ", "Return loss ", "Amplitude" (empty for other values).
const char* jobName(int job);
// Display colour index of the job: 3, 6 and 2.
int jobColour(int job);
// The results field a job measures.
int jobField(int job);

// A frequency window in hertz; a lower bound of zero marks an empty one.
struct Segment {
    double lower = 0.0;
    double upper = 0.0;
    bool used() const { return lower != 0.0; }
};
constexpr int kSegmentCount = 7;
using Segments = std::array<Segment, kSegmentCount>;

bool anySegmentUsed(const Segments& segments);

struct Measure {
    double error = 0.0;
    int points = 0; // points that counted; 0 means there was nothing to measure
};

// The error of job over points 1..N of table. With segments given and at
// least one of them used, only points whose frequency lies inside a used
// segment (bounds inclusive) count.
Measure measureError(const analysis::ResultsTable& table, int job,
                     const Segments* segments = nullptr);

} // namespace tanvex::optimizer
