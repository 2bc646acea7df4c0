// Two-port S-parameter files (.S2P, Touchstone version 1 text): the network
// swept once turned end for end and once in its own orientation, both ends
// set to the system impedance Z0, and the eight columns of each point
// written as dB and degrees.
//
//   analysis::SParameterRun run(design, table, options, toolkit, data, views, turn);
//   std::vector<analysis::SPoint> points;
//   if (run.compute(50.0, points) == 0)
//       text = analysis::formatS2p(points, "lowpass", 50.0);
//
// `turn` turns an entry list end for end (the schematic editor's Reverse)
// and returns false when the network cannot be turned. The design is
// restored exactly afterwards, whatever happens, and swept once more so that
// the results table describes it again.
#pragma once

#include "analysis/sweep.h"

#include <functional>
#include <string>
#include <vector>

namespace tanvex::analysis {

// One point: frequency in hertz; dB and degrees (phases within +-180).
struct SPoint {
    double frequency = 0.0;
    double s11db = 0.0, s11deg = 0.0;
    double s21db = 0.0, s21deg = 0.0;
    double s12db = 0.0, s12deg = 0.0;
    double s22db = 0.0, s22deg = 0.0;
};

using TurnNetwork = std::function<bool(EntryList&)>;

inline constexpr const char* kCantTurnNetwork = "** Can't do termination end - ABORTING **";

// Wraps an angle in degrees into (-180, 180].
double wrapDegrees(double degrees);

// The text of an S2P file (CR LF line ends); fileName goes into the first
// comment line.
std::string formatS2p(const std::vector<SPoint>& points, const std::string& fileName, double z0);

class SParameterRun {
public:
    SParameterRun(Design& design, ResultsTable& table, SweepOptions& options, ui::Toolkit& toolkit,
                  DataServices& data, AnalysisViews& views, TurnNetwork turn);

    // The two sweeps. 0 done; 1 refused or failed (why says the reason, in
    // the words of the notice the interactive command shows). The design is
    // restored in both cases and the table swept again in its own
    // orientation when the design can be analysed.
    int compute(double z0, std::vector<SPoint>& points);
    const std::string& why() const { return why_; }

    // The interactive command: asks for the system impedance, computes,
    // writes "<directory>/<design name>.S2P" and shows "File is: ..." (or
    // why nothing was written). Returns 0 when a file was written.
    int run(const std::string& directory);

private:
    int sweepInto(std::vector<SPoint>& points, bool turned, double z0);

    Design& design_;
    ResultsTable& table_;
    SweepOptions& options_;
    ui::Toolkit& toolkit_;
    DataServices& data_;
    AnalysisViews& views_;
    TurnNetwork turn_;
    std::string why_;
};

} // namespace tanvex::analysis
