// Five resonator elliptic bandpass: the direct scaled elliptic bandpass made
// practical by Norton transformations of its series coupling capacitors
// (each exact, so the response is the direct design's).
#include "design/operations.h"
#include "synthesis/builders.h"
#include "synthesis/catalogue.h"
#include "synthesis/norton.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tanvex::synthesis {

namespace {

// Value spread of the inductors times that of the capacitors (1 = all equal);
// infinite when any value is not positive.
double spread(const EntryList& list) {
    double lmin = 1e300, lmax = 0, cmin = 1e300, cmax = 0;
    const int n = entryCount(list);
    for (int i = 1; i < n; ++i) {
        const NetEntry& e = list[i];
        if (e.letter != 'L' && e.letter != 'C') continue;
        if (!(e.value > 0)) return INFINITY;
        if (e.letter == 'L') {
            lmin = std::min(lmin, e.value);
            lmax = std::max(lmax, e.value);
        } else {
            cmin = std::min(cmin, e.value);
            cmax = std::max(cmax, e.value);
        }
    }
    const double ls = lmax > 0 ? lmax / lmin : 1, cs = cmax > 0 ? cmax / cmin : 1;
    return ls * cs;
}

// One pass of Norton steps: at every series coupling capacitor try the ratio
// factor^k (k = -steps..steps) and keep the one that lowers the spread most.
void nortonPass(EntryList& list, double factor, int steps) {
    for (int i = 1; i < entryCount(list) - 1; ++i) {
        const NetEntry& e = list[i];
        if (!(e.code == 3 && e.letter == 'C')) continue;
        // A coupling capacitor: no series partner inductor beside it.
        if ((list[i - 1].code == 3 && list[i - 1].letter == 'L') ||
            (list[i + 1].code == 3 && list[i + 1].letter == 'L'))
            continue;
        double best = spread(list);
        EntryList bestList = list;
        for (int k = -steps; k <= steps; ++k) {
            if (k == 0) continue;
            EntryList trial = list;
            if (nortonTransform(trial, i, std::pow(factor, k)) != NortonResult::Done) continue;
            const double s = spread(trial);
            if (s < best) {
                best = s;
                bestList = trial;
            }
        }
        list = bestList;
    }
}

} // namespace

int fiveResonatorElliptic(PrototypeContext& ctx) {
    DesignRecord& rec = ctx.design.record;
    const char cfg = configuration(rec);
    if (cfg == 0 || !std::strchr("SP", cfg)) {
        setFaultIndex(rec, 11);
        return kBuildFault;
    }
    int r = directBandpass(ctx, 1);
    if (r != 0) return r;
    EntryList& list = ctx.design.entries;
    nortonPass(list, 0.9, 4);
    nortonPass(list, 0.97, 9);
    // The source-end resonator's inductor sets the level: its reactance at
    // the centre equals the design Zo.
    const int n = entryCount(list);
    const double w0 = 6.283185307179586 * referenceFrequency(list);
    for (int i = n - 1; i >= 1; --i) {
        if (list[i].letter == 'L' && list[i].value > 0) {
            impedanceScale(list, 0, n, rec[7].value / (w0 * list[i].value));
            break;
        }
    }
    if (hasNegativeValues(list)) return kBuildNegative;
    return kBuildOk;
}

int zigzagBandpass(PrototypeContext& ctx) {
    // The zigzag sections are not built by this program yet; the parameters
    // are still checked so that a faulty set is reported as such.
    DesignRecord& rec = ctx.design.record;
    if (configuration(rec) != 'S' && configuration(rec) != 'T') rec[kSlotDesignType].letter = 'S';
    if (orderN(rec) % 2 == 1) rec[1].value = orderN(rec) + 1;
    if (orderN(rec) > 14) {
        setFaultIndex(rec, 1);
        return kBuildFault;
    }
    if (static_cast<int>(rec[13].value) == 1) {
        setFaultIndex(rec, 13);
        return kBuildFault;
    }
    return kBuildNotImplemented;
}

} // namespace tanvex::synthesis
