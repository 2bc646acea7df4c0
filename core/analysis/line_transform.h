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
// The same for a shorted and for an open end (a stub): zo tanh and zo coth of
// the complex electrical length.
Cx shortedLine(double zo, double theta, bool lossy, double qt);
Cx openLine(double zo, double theta, bool lossy, double qt);

} // namespace tanvex::analysis
