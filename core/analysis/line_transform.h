// The transmission-line transform shared by every line and stub of the
// network program: the input impedance of a line of characteristic impedance
// zo and electrical length theta terminated in load.
#pragma once

#include "analysis/complex_pair.h"

namespace tanvex::analysis {

// Loads used by the stub instructions.
constexpr Cx kShortLoad{0.0, 0.0};
constexpr Cx kOpenLoad{1e22, 0.0};
constexpr Cx kOpenLoad2{2e22, 0.0};

// Input impedance of the line. A lossy line attenuates theta / (2 qt) nepers;
// a lossless one uses the fixed factor 1.0000001 in place of exp(theta / qt),
// which leaves a loss of about 1e-7 neper and keeps a quarter-wave short
// finite. The line is passive at every length.
Cx lineTransform(Cx load, double zo, double theta, bool lossy, double qt);
// The same with cos(2 theta) and sin(2 theta) already known.
Cx lineTransform(Cx load, double zo, double theta, bool lossy, double qt, double cos2, double sin2);
// The lossless line of a series path (code 23, and lines in a side port):
// zo (ZL cos t + j zo sin t) / (zo cos t + j ZL sin t) with c = cos t and
// s = sin t, exactly lossless, so that the transfer its caller computes from
// the voltage ratio of the line conserves power. Only where that has no
// value (a reactive load that resonates the line) it falls back to the
// 1.0000001 line above, which keeps the result finite.
Cx losslessLine(Cx load, double zo, double theta, double c, double s);

} // namespace tanvex::analysis
