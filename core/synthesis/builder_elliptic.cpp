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

int ellipticCouplingIteration(EntryList& list) {
    bool coupling = false;
    for (int i = 1; i < entryCount(list) - 1 && !coupling; ++i)
        coupling = list[i].code == 3 && list[i].letter == 'C' &&
                   !(list[i - 1].code == 3 && list[i - 1].letter == 'L') &&
                   !(list[i + 1].code == 3 && list[i + 1].letter == 'L');
    if (!coupling) return 1;
    nortonPass(list, 0.9, 4);
    nortonPass(list, 0.97, 9);
    return 0;
}

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
    ellipticCouplingIteration(list);
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
    DesignRecord& rec = ctx.design.record;
    setUsed(rec, 11, true);
    if (configuration(rec) != 'S' && configuration(rec) != 'T') rec[kSlotDesignType].letter = 'S';
    if (orderN(rec) % 2 == 1) rec[1].value = orderN(rec) + 1;
    if (orderN(rec) > 14) {
        setFaultIndex(rec, 1);
        return kBuildFault;
    }
    if (wholeNumberOf(rec[13].value) == 1) {
        setFaultIndex(rec, 13);
        return kBuildFault;
    }
    int r = makePrototype(ctx);
    if (r != 0) return r;
    const LowpassPrototype& lp = ctx.proto;
    const int n = lp.n;
    // An even-order elliptic ladder: series L, then shunt C / series tank
    // pairs, ending with a shunt C.
    if (lp.element[0].code != kRefElliptic || n <= 3 || n % 2 != 0 || lp.element[1].code != 3)
        return kBuildBadReference;
    for (int k = 2; k <= n; ++k)
        if (lp.element[k].code != (k % 2 == 0 ? 2 : 5)) return kBuildBadReference;
    const double fo = rec[5].value, bw = rec[6].value;
    if (!(bw > 0) || !(fo - bw / 2 > 0)) {
        setFaultIndex(rec, 6);
        return kBuildFault;
    }
    const double f0 = geometricCentre(fo, bw), q = f0 / bw;
    // The prototype is laid out from its source end: element N (shunt C) at
    // the termination, the (shunt C, series tank) pairs as sections of six
    // entries (shunt tank + four-element series arm), element 1 (series L)
    // as the series resonator at the source. Every step is the exact
    // bandpass transformation.
    EntryList& list = ctx.design.entries;
    int i = 1;
    auto put = [&](double v, char letter, int code) { setEntry(list, i++, v, letter, code); };
    put(1 / (q * lp.element[n].value), 'L', 2);
    put(q * lp.element[n].value, 'C', 2);
    for (int k = n - 1; k >= 3; k -= 2) {
        const PrototypeElement& t = lp.element[k];     // series tank
        const PrototypeElement& c = lp.element[k - 1]; // shunt C
        put(q * t.value, 'L', 27);
        put(1 / (q * t.value), 'C', 27);
        put(1 / (q * t.value2), 'L', 27);
        put(q * t.value2, 'C', 27);
        put(1 / (q * c.value), 'L', 2);
        put(q * c.value, 'C', 2);
    }
    put(1 / (q * lp.element[1].value), 'C', 3);
    put(q * lp.element[1].value, 'L', 3);
    const int count = i;
    writeNormalizedEnds(list, count, lp.element[0].value);
    list[0].value = lp.element[n + 1].value; // the termination level of the layout
    frequencyScale(list, 1, count - 1, 6.283185307179586 * f0);
    impedanceScale(list, 0, count, rec[7].value);
    if (configuration(rec) == 'T') {
        // Each four-element series arm by its five-element dipole
        // equivalent: the dual of the shunt form's equivalent.
        for (int j = 1; j < entryCount(list); ++j) {
            if (list[j].code != 27) continue;
            if (dualTransform(list, j, j + 3) != 0 || !dipoleEquivalent(list, j, 0.5) ||
                dualTransform(list, j, j + 4) != 0) {
                ctx.toolkit.notice("Dipole error");
                return kBuildFault;
            }
        }
    }
    if (hasNegativeValues(list)) return kBuildNegative;
    return kBuildOk;
}

} // namespace tanvex::synthesis
