#include "outputs/analysis_table.h"

#include "design/text_io.h"

#include <algorithm>

namespace tanvex::outputs {

std::string AnalysisTable::qLine() const {
    return formatText("   Inductor Q=%g  Cap. Q=%g Trans. Q=%g", ql, qc, qt);
}

std::string AnalysisTable::header() const {
    std::string s = "   Frequency   Rtn. loss    Atten.       Delay       Phase       ";
    if (quantity == 'V' || quantity == 'A' || quantity == 'W')
        s += formatText(forward ? "Forward %c." : "Shunt %c.", quantity);
    else if (quantity == 'Z')
        s += phaseLinearity ? "Phase Lin." : "Impedance";
    return s;
}

std::string AnalysisTable::unitRow() const {
    std::string s = formatText("    (%s)       (dB)        (dB)        (%s)      (Deg.)",
                               frequencyUnit.c_str(), timeUnit.c_str());
    if (quantity == 'V' || quantity == 'A' || quantity == 'W')
        s += formatText("      Branch %d", tapBranch);
    else if (quantity == 'Z')
        s += phaseLinearity ? "     (Deg. error)" : "       R  +-jX";
    return s;
}

std::string AnalysisTable::pointLine(int k) const {
    const TablePoint& p = points[static_cast<std::size_t>(k - 1)];
    std::string s = formatText("  %9.3f %11.3f %11.3f %11.3f %11.3f ", p.frequency, p.returnLoss,
                               p.attenuation, p.delay, p.phase);
    if (quantity == 'V' || quantity == 'A' || quantity == 'W')
        s += formatText("%11.3f %c.", p.r, quantity);
    else if (quantity == 'Z')
        s += phaseLinearity ? formatText("   %10.4f", p.x) : formatText("%7.2f %7.2f ", p.r, p.x);
    return s;
}

std::vector<std::string> AnalysisTable::lines() const {
    std::vector<std::string> out;
    out.push_back(qLine() + (fastDelay ? kFastDelayMark : ""));
    out.push_back(header());
    out.push_back(unitRow());
    for (int k = 1; k <= count(); ++k) out.push_back(pointLine(k));
    return out;
}

namespace {

AnalysisTable frame(const Design& design, const analysis::ResultsTable& results, bool fastDelay) {
    AnalysisTable t;
    const analysis::ResultRecord& h = results.records[0];
    t.ql = h[analysis::kHeaderQl];
    t.qc = h[analysis::kHeaderQc];
    t.qt = h[analysis::kHeaderQt];
    t.fastDelay = fastDelay;
    t.frequencyUnit = design.notation.frequency.name;
    t.timeUnit = design.notation.time.name;
    return t;
}

} // namespace

AnalysisTable tableOf(const Design& design, const analysis::ResultsTable& results, bool fastDelay) {
    AnalysisTable t = frame(design, results, fastDelay);
    const double fm = design.notation.frequency.multiplier;
    const double tm = design.notation.time.multiplier;
    const int n = std::min(results.pointCount(), analysis::kResultRecords - 1);
    for (int k = 1; k <= n; ++k) {
        const analysis::ResultRecord& p = results.records[static_cast<std::size_t>(k)];
        t.points.push_back({p[0] * fm, p[1], p[2], p[3] * tm, p[4], p[5], p[6]});
    }
    return t;
}

AnalysisTable tableOf(const Design& design, const analysis::ResultsTable& results, bool fastDelay,
                      const std::vector<analysis::PointValues>& values) {
    AnalysisTable t = frame(design, results, fastDelay);
    const double fm = design.notation.frequency.multiplier;
    const double tm = design.notation.time.multiplier;
    for (const analysis::PointValues& p : values)
        t.points.push_back(
            {p.frequency * fm, p.returnLoss, p.attenuation, p.delay * tm, p.phase, p.r, p.x});
    return t;
}

} // namespace tanvex::outputs
