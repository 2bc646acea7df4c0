// The normalized lowpass prototype (1 ohm termination, 1 rad/s band edge) that
// every lumped design starts from, and the operation that makes it from the
// design parameters.
#pragma once

#include "design/design_record.h"
#include "synthesis/ladder_extraction.h"
#include "ui/toolkit.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace tanvex::synthesis {

constexpr int kPrototypeElements = 30;
constexpr int kMaxPrototypeOrder = 28;
constexpr double kInfiniteSource = 1e20;

// Reference lowpass kinds (DesignRecord slot 0's value).
enum RefKind {
    kRefNone = 0,
    kRefAllPole = 1,
    kRefTypedG = 2,
    kRefTypedKq = 3,
    kRefElliptic = 4,
    kRefExternal = 5,
    kRefPlacer = 6,
    kRefLibrary = 7,
};

// One prototype element. code 2 shunt C, 3 series L, 4 shunt series L-C,
// 5 series-arm parallel L-C; for 4 and 5 value is L and value2 C.
struct PrototypeElement {
    double value = 0.0;
    double value2 = 0.0;
    int code = 0;
};

// Element 0 is the termination end (value 1.0, code = the kind that made the
// prototype), elements 1..n the ladder, element n+1 the source resistance
// (1e20 = infinite).
struct LowpassPrototype {
    std::array<PrototypeElement, kPrototypeElements> element{};
    int newValuesRequest = 0;
    double as = 0.0;
    double amin = 0.0;
    int n = 0;
    double ar = 0.0;
    double scale = 1.0;   // band-edge scale already applied to elements 1..n
    int termination = 0;  // 1, 2 or 3 as used (0 for k-q and file values)
    std::string lastName; // file or library reference last read
    // Elliptic prototypes: the characteristic function F/P of the unscaled
    // response, for the stopband attenuation query, each in factored form
    // {constant, power of s, W_1^2, W_2^2, ...} for constant * s^power *
    // prod(s^2 + W_i^2) (multiplied-out coefficients of high orders lose
    // the stopband to cancellation).
    std::vector<double> charF, charP;
};

// Everything the prototype step reads and writes besides the prototype itself.
struct PrototypeContext {
    Design& design;
    LowpassPrototype& proto;
    ui::Toolkit& toolkit;
    // Installation data directory (TANVEX_HOME); the default library is its _LIB/.
    std::string homeDir;
    // Off while the parameter report remakes the prototype: file references
    // and the placer then return 1 without reading anything.
    bool fileAccess = true;
    // The pole placer in its lowpass reference mode (kind 6); returns its result.
    std::function<int()> placer;
};

// Usage flag of parameter slot i (slot 0's text, '1' = used).
bool slotUsed(const DesignRecord& rec, int slot);

// Checks the parameters, reuses the stored prototype when nothing that matters
// changed, otherwise makes it. 0 success, 3 unusable file reference, 4 no pole
// placer present, 5 parameter fault (slot 21's letter names the slot),
// -4 typed entry aborted, 1 file reference with file access off.
int makePrototype(PrototypeContext& ctx);

// All-pole band-edge scale: the factor s for which the attenuation at 1 rad/s
// equals as.
double bandEdgeScale(int n, double ar, double as);

// Attenuation (dB) of the stored elliptic prototype before band-edge scaling
// at the normalized frequency omega; 0 when the prototype is not elliptic.
double ellipticStopbandAttenuation(const LowpassPrototype& proto, double omega);

// The elliptic band edge of the stored prototype: its band-edge scale s, or
// with attenuationQuery set the attenuation in dB of the unscaled prototype at
// the normalized frequency omega (the stopband report of the elliptic designs).
double ellipticBandEdge(const LowpassPrototype& proto, bool attenuationQuery, double omega);

// Butterworth / Chebyshev g values by the closed forms (k = 1..n), for
// doubly terminated with source ratio r (returned, raised to r_min for even
// Chebyshev when needed) or singly terminated.
std::vector<double> allPoleDoubly(int n, double ar, double& r, bool givenRatio);
std::vector<double> allPoleSingly(int n, double ar);

} // namespace tanvex::synthesis
