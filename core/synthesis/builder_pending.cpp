#include "synthesis/narrow_band.h"
namespace tanvex::synthesis {
int zigzagBandpass(PrototypeContext&) {
    return kBuildNotImplemented;
}
} // namespace tanvex::synthesis
