// Wideband linear phase bandpass: fixed templates whose element values are
// closed-form fits in the fractional bandwidth.
#include "design/operations.h"
#include "synthesis/builders.h"
#include "synthesis/catalogue.h"

#include <cmath>
#include <cstring>

namespace tanvex::synthesis {

namespace {
constexpr double kTwoPi = 6.283185307179586;
}

int linearPhaseBandpass(PrototypeContext& ctx) {
    DesignRecord& rec = ctx.design.record;
    int n = orderN(rec);
    if (n < 2) n = 2;
    if (n > 6) n = 6;
    if (n % 2 == 1) ++n;
    rec[1].value = n;
    const char cfg = configuration(rec);
    if (cfg == 0 || !std::strchr("SP", cfg)) {
        setFaultIndex(rec, 11);
        return kBuildFault;
    }
    const double fo = rec[5].value, bw = rec[6].value;
    if (!(bw > 0) || !(fo - bw / 2 > 0)) {
        setFaultIndex(rec, 6);
        return kBuildFault;
    }
    ctx.proto.element[0].code = 0; // no lowpass reference in use
    ctx.proto.n = 0;
    if (n != 2) {
        // The four- and six-resonator templates have no fitted values yet.
        return kBuildNotImplemented;
    }
    const double w = bw / fo;
    if (w < 0.1 || w > 0.9) ctx.toolkit.notice("Bandwidth out of range");
    EntryList& list = ctx.design.entries;
    for (auto& e : list) e = NetEntry{};
    setEntry(list, 0, 1.0, 'R', 1);
    setEntry(list, 1, 2.08022 / w - 0.0334184, 'L', 3);
    setEntry(list, 2, 0.649729 * std::pow(w, 1.1296), 'C', 3);
    setEntry(list, 3, 0.979218 + 0.061934 * w - 0.140265 * w * w, 'C', 2);
    setEntry(list, 4, 0.782031 / w - 0.0978218, 'L', 3);
    setEntry(list, 5, w / (0.753428 - 0.828141 * w), 'C', 3);
    setEntry(list, 6, 1.0, 'R', 1);
    setEntry(list, 7, 1.0 / kTwoPi, 'x', 1);
    impedanceScale(list, 0, 6, rec[7].value);
    frequencyScale(list, 1, 5, kTwoPi * geometricCentre(fo, bw));
    const int lastCode = list[5].code;
    if ((cfg == 'S' && lastCode == 2) || (cfg == 'P' && lastCode == 3))
        dualTransform(list, 1, entryCount(list));
    if (hasNegativeValues(list)) return kBuildNegative;
    return kBuildOk;
}

} // namespace tanvex::synthesis
