#include "optimizer/error_measure.h"

namespace tanvex::optimizer {

const char* jobName(int job) {
    switch (job) {
    case kJobDelay:
        return "Delay ";
    case kJobReturnLoss:
        return "Return loss ";
    case kJobAmplitude:
        return "Amplitude";
    default:
        return "";
    }
}

int jobColour(int job) {
    return job == kJobDelay ? 3 : job == kJobReturnLoss ? 6 : 2;
}

int jobField(int job) {
    return job == kJobDelay        ? analysis::kFieldDelay
           : job == kJobReturnLoss ? analysis::kFieldReturnLoss
                                   : analysis::kFieldAttenuation;
}

bool anySegmentUsed(const Segments& segments) {
    for (const Segment& s : segments)
        if (s.used()) return true;
    return false;
}

Measure measureError(const analysis::ResultsTable& table, int job, const Segments* segments) {
    const bool windowed = segments && anySegmentUsed(*segments);
    const int field = jobField(job);
    double maximum = -1e33;
    double minimum = 1e33;
    Measure m;
    for (int k = 1; k <= table.pointCount(); ++k) {
        const analysis::ResultRecord& r = table.records[static_cast<std::size_t>(k)];
        if (windowed) {
            const double f = r[analysis::kFieldFrequency];
            bool inside = false;
            for (const Segment& s : *segments) {
                // The table holds single-precision frequencies: compare the
                // bounds at the same precision so that a bound typed at a
                // sweep point keeps that point.
                if (s.used() && f >= static_cast<float>(s.lower) &&
                    f <= static_cast<float>(s.upper)) {
                    inside = true;
                    break;
                }
            }
            if (!inside) continue;
        }
        const double v = r[static_cast<std::size_t>(field)];
        if (v >= maximum) maximum = v;
        if (v < minimum) minimum = v;
        ++m.points;
    }
    if (m.points == 0) return m;
    m.error = job == kJobReturnLoss ? 1.0 / minimum : maximum - minimum;
    return m;
}

} // namespace tanvex::optimizer
