// The analysis table: the tabulated sweep as the console front end prints
// it, the report files hold it and the "Analysis data" window shows it. One
// formatter so the three never drift apart.
//
//   outputs::AnalysisTable t = outputs::tableOf(design, shell.results, options.fastDelay);
//   lines.push_back(t.qLine());
//   for (int k = 1; k <= t.count; ++k) lines.push_back(t.pointLine(k));
#pragma once

#include "analysis/sweep.h"
#include "design/design_record.h"

#include <string>
#include <vector>

namespace tanvex::outputs {

// One point in display units (frequency and delay already multiplied).
struct TablePoint {
    double frequency = 0.0;
    double returnLoss = 0.0;
    double attenuation = 0.0;
    double delay = 0.0;
    double phase = 0.0;
    double r = 0.0;
    double x = 0.0; // or the tap value / the phase error
};

struct AnalysisTable {
    double ql = 0.0, qc = 0.0, qt = 0.0;
    bool fastDelay = false;
    // 'Z' impedance (or phase linearity), 'V', 'A', 'W' a tap quantity.
    char quantity = 'Z';
    bool phaseLinearity = false;
    bool forward = false; // tap quantities: "Forward" instead of "Shunt"
    int tapBranch = 0;
    std::string frequencyUnit; // unit names as the notation holds them
    std::string timeUnit;
    std::vector<TablePoint> points; // points[0] is point 1

    int count() const { return static_cast<int>(points.size()); }
    // "   Inductor Q=%g  Cap. Q=%g Trans. Q=%g" without the fast-delay mark.
    std::string qLine() const;
    static constexpr const char* kFastDelayMark = "  (Fast delay)";
    std::string header() const;
    std::string unitRow() const;
    std::string pointLine(int k) const; // k from 1
    // Q line (with the fast-delay mark), header, unit row and every point.
    std::vector<std::string> lines() const;
};

// The table of the last sweep (single-precision values of the results
// table), in the design's display units.
AnalysisTable tableOf(const Design& design, const analysis::ResultsTable& results, bool fastDelay);
// The same from full-precision point values (the console front end).
AnalysisTable tableOf(const Design& design, const analysis::ResultsTable& results, bool fastDelay,
                      const std::vector<analysis::PointValues>& values);

} // namespace tanvex::outputs
