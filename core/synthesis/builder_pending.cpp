#include "synthesis/narrow_band.h"
namespace tanvex::synthesis {
int linearPhaseBandpass(PrototypeContext&) {
    return kBuildNotImplemented;
}
int fiveResonatorElliptic(PrototypeContext&) {
    return kBuildNotImplemented;
}
int zigzagBandpass(PrototypeContext&) {
    return kBuildNotImplemented;
}
int narrowBandNotch(PrototypeContext&) {
    return kBuildNotImplemented;
}
} // namespace tanvex::synthesis
