// Lowpass / highpass ladders and the direct scaled bandpass and notch.
#include "design/operations.h"
#include "synthesis/builders.h"
#include "synthesis/catalogue.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace tanvex::synthesis {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Appends one entry at index i (advancing i).
void put(EntryList& list, int& i, double value, char letter, int code) {
    if (i >= kEntrySlots - 2) return;
    setEntry(list, i++, value, letter, code);
}

bool fits(const LowpassPrototype& lp) {
    int count = 0;
    for (int k = 1; k <= lp.n; ++k) count += lp.element[k].code >= 4 ? 4 : 2;
    return count + 3 < kEntrySlots;
}

} // namespace

void resonatorSplit(bool inverse, const PrototypeElement& e, double q, double& wa, double& wb) {
    const double lc = e.value * e.value2;
    double v = inverse ? std::sqrt(lc) : 1.0 / std::sqrt(lc);
    v /= 2 * q;
    const double s = std::sqrt(v * v + 1);
    wa = s - v;
    wb = s + v;
}

void writeNormalizedEnds(EntryList& list, int n, double source) {
    setEntry(list, 0, 1.0, 'R', 1);
    setEntry(list, n, source, 'R', 1);
    setEntry(list, n + 1, 1.0 / kTwoPi, 'x', 1);
    for (int i = n + 2; i < kEntrySlots; ++i) list[i] = NetEntry{};
}

void orientNetwork(EntryList& list, bool wantShunt, int lastCode) {
    const bool lastSeries = lastCode == 3 || lastCode == 5;
    const bool lastShunt = lastCode == 2 || lastCode == 4;
    if ((wantShunt && lastSeries) || (!wantShunt && lastShunt))
        dualTransform(list, 1, entryCount(list));
}

double geometricCentre(double fo, double bw) {
    const double f1 = fo - bw / 2, f2 = f1 + bw;
    return std::sqrt(f1 * f2);
}

bool hasNegativeValues(const EntryList& list) {
    const int n = entryCount(list);
    for (int i = 1; i < n; ++i)
        if (list[i].value < 0) return true;
    return false;
}

int lowpassLadder(PrototypeContext& ctx, int mode) {
    DesignRecord& rec = ctx.design.record;
    const char cfg = configuration(rec);
    if (cfg == 0 || !std::strchr("SP", cfg)) {
        setFaultIndex(rec, 11);
        return kBuildFault;
    }
    int r = makePrototype(ctx);
    if (r != 0) return r;
    const LowpassPrototype& lp = ctx.proto;
    if (lp.n < 1 || !fits(lp)) {
        setFaultIndex(rec, 1);
        return kBuildFault;
    }
    if (mode >= 2) {
        for (int k = 1; k <= lp.n; ++k)
            if (lp.element[k].code >= 4) return kBuildBadReference;
    }
    EntryList& list = ctx.design.entries;
    int i = 1;
    for (int k = 1; k <= lp.n; ++k) {
        const PrototypeElement& e = lp.element[k];
        switch (e.code) {
        case 2:
            put(list, i, e.value, 'C', 2);
            break;
        case 3:
            put(list, i, e.value, 'L', 3);
            break;
        default:
            put(list, i, e.value, 'L', e.code);
            put(list, i, e.value2, 'C', e.code);
            break;
        }
    }
    const int n = i;
    writeNormalizedEnds(list, n, lp.element[lp.n + 1].value);
    list[0].value = lp.element[0].value;
    if (mode == 1) {
        bool refused = false;
        for (int j = 1; j <= n; ++j)
            if (std::strchr("MDZ", list[j].letter)) refused = true;
        if (refused) {
            ctx.toolkit.beep();
        } else {
            for (int j = 1; j <= n; ++j) {
                NetEntry& e = list[j];
                if (e.letter == 'R' || e.letter == 'N' || e.letter == 'F') continue;
                e.value = 1.0 / e.value;
                e.letter = e.letter == 'C' ? 'L' : 'C';
            }
        }
    }
    impedanceScale(list, 0, n, rec[7].value);
    frequencyScale(list, 1, n - 1, kTwoPi * rec[10].value);
    orientNetwork(list, cfg == 'P', lp.element[lp.n].code);
    if (mode == 2) return kBuildCoaxialCoil;
    if (mode == 3) return kBuildCoaxialRod;
    return kBuildOk;
}

int directBandpass(PrototypeContext& ctx, int mode) {
    DesignRecord& rec = ctx.design.record;
    const char cfg = configuration(rec);
    if (cfg == 'N') return kBuildNotImplemented;
    if (cfg == 0 || !std::strchr("SPTD", cfg)) {
        setFaultIndex(rec, 11);
        return kBuildFault;
    }
    int r = makePrototype(ctx);
    if (r != 0) return r;
    const LowpassPrototype& lp = ctx.proto;
    if (lp.n < 1 || !fits(lp)) {
        setFaultIndex(rec, 1);
        return kBuildFault;
    }
    const double fo = rec[5].value, bw = rec[6].value;
    if (!(bw > 0) || !(fo - bw / 2 > 0)) {
        setFaultIndex(rec, 6);
        return kBuildFault;
    }
    const double f0 = geometricCentre(fo, bw);
    const double q = f0 / bw;
    const bool four = cfg == 'T' || cfg == 'D';
    EntryList& list = ctx.design.entries;
    int i = 1;
    for (int k = 1; k <= lp.n; ++k) {
        const PrototypeElement& e = lp.element[k];
        const double g = e.value;
        if (e.code == 2) {
            put(list, i, q * g, 'C', 2);
            put(list, i, 1 / (q * g), 'L', 2);
        } else if (e.code == 3) {
            put(list, i, 1 / (q * g), 'C', 3);
            put(list, i, q * g, 'L', 3);
        } else if (four && e.code == 5) {
            const double l = e.value, c = e.value2;
            put(list, i, q * l, 'L', 27);
            put(list, i, 1 / (q * l), 'C', 27);
            put(list, i, 1 / (q * c), 'L', 27);
            put(list, i, q * c, 'C', 27);
        } else if (four && e.code == 4) {
            const double l = e.value, c = e.value2;
            put(list, i, 1 / (q * c), 'L', 28);
            put(list, i, q * c, 'C', 28);
            put(list, i, q * l, 'L', 28);
            put(list, i, 1 / (q * l), 'C', 28);
        } else {
            double wa, wb;
            resonatorSplit(false, e, q, wa, wb);
            const double a2 = wa * wa + 1, b2 = wb * wb + 1;
            if (e.code == 4) {
                const double A = q * e.value;
                put(list, i, 1 / (b2 * A), 'C', 4);
                put(list, i, a2 * A, 'L', 4);
                put(list, i, 1 / (a2 * A), 'C', 4);
                put(list, i, b2 * A, 'L', 4);
            } else {
                const double B = q * e.value2;
                put(list, i, 1 / (b2 * B), 'L', 5);
                put(list, i, a2 * B, 'C', 5);
                put(list, i, 1 / (a2 * B), 'L', 5);
                put(list, i, b2 * B, 'C', 5);
            }
        }
    }
    const int n = i;
    writeNormalizedEnds(list, n, lp.element[lp.n + 1].value);
    if (mode != 1) impedanceScale(list, 0, n, rec[7].value);
    frequencyScale(list, 1, n - 1, kTwoPi * f0);
    orientNetwork(list, cfg == 'P' || cfg == 'D', lp.element[lp.n].code);
    return kBuildOk;
}

int directNotch(PrototypeContext& ctx, int mode) {
    DesignRecord& rec = ctx.design.record;
    const char cfg = configuration(rec);
    if (cfg == 0 || !std::strchr("SPITDN", cfg)) {
        setFaultIndex(rec, 11);
        return kBuildFault;
    }
    if (cfg == 'N' && rec[18].letter != 'Y' && rec[18].letter != 'N') {
        setFaultIndex(rec, 18);
        return kBuildFault;
    }
    int r = makePrototype(ctx);
    if (r != 0) return r;
    const LowpassPrototype& lp = ctx.proto;
    if (lp.n < 1 || !fits(lp)) {
        setFaultIndex(rec, 1);
        return kBuildFault;
    }
    const double fo = rec[5].value, bw = rec[6].value;
    if (!(bw > 0) || !(fo - bw / 2 > 0)) {
        setFaultIndex(rec, 6);
        return kBuildFault;
    }
    const double f0 = geometricCentre(fo, bw);
    const double q = f0 / bw;
    const bool four = cfg == 'T' || cfg == 'D' || cfg == 'N';
    EntryList& list = ctx.design.entries;
    int i = 1;
    for (int k = 1; k <= lp.n; ++k) {
        const PrototypeElement& e = lp.element[k];
        const double g = e.value;
        if (e.code == 2) {
            put(list, i, q / g, 'L', 4);
            put(list, i, g / q, 'C', 4);
        } else if (e.code == 3) {
            put(list, i, q / g, 'C', 5);
            put(list, i, g / q, 'L', 5);
        } else if (four && e.code == 5) {
            const double l = e.value, c = e.value2;
            put(list, i, q / c, 'L', 27);
            put(list, i, c / q, 'C', 27);
            put(list, i, l / q, 'L', 27);
            put(list, i, q / l, 'C', 27);
        } else if (four && e.code == 4) {
            const double l = e.value, c = e.value2;
            put(list, i, l / q, 'L', 28);
            put(list, i, q / l, 'C', 28);
            put(list, i, q / c, 'L', 28);
            put(list, i, c / q, 'C', 28);
        } else {
            double wa, wb;
            resonatorSplit(true, e, q, wa, wb);
            const double a2 = wa * wa + 1, b2 = wb * wb + 1;
            if (e.code == 5) {
                const double B = q / e.value;
                put(list, i, 1 / (a2 * B), 'L', 5);
                put(list, i, b2 * B, 'C', 5);
                put(list, i, 1 / (b2 * B), 'L', 5);
                put(list, i, a2 * B, 'C', 5);
            } else {
                const double B = q / e.value2;
                put(list, i, 1 / (a2 * B), 'C', 4);
                put(list, i, b2 * B, 'L', 4);
                put(list, i, 1 / (b2 * B), 'C', 4);
                put(list, i, a2 * B, 'L', 4);
            }
        }
    }
    int n = i;
    writeNormalizedEnds(list, n, lp.element[lp.n + 1].value);
    if (mode != 1) impedanceScale(list, 0, n, rec[7].value);
    frequencyScale(list, 1, n - 1, kTwoPi * f0);
    orientNetwork(list, cfg == 'P' || cfg == 'D' || cfg == 'I', lp.element[lp.n].code);
    if (cfg == 'N') {
        // "Second L all equal": every section takes the second inductor of
        // the first one, which alone follows the ratio of the shunt branch
        // inductors; otherwise every section follows the ratio.
        const bool equalL = rec[18].letter == 'Y';
        double firstL3 = 0;
        n = entryCount(list);
        for (int j = 1; j < n; ++j) {
            if (list[j].code != 28) continue;
            if (!dipoleEquivalent(list, j, rec[19].value, equalL ? firstL3 : 0)) {
                ctx.toolkit.notice("Dipole error");
                setFaultIndex(rec, equalL && firstL3 > 0 ? 18 : 19);
                return kBuildFault;
            }
            if (firstL3 == 0) firstL3 = list[j + 2].value;
            n = entryCount(list);
        }
    }
    if (cfg == 'I') {
        // Every series tank becomes its dual, a shunt series resonator,
        // between two quarter-wave lines of the design Zo: a line is an
        // impedance inverter of Zo at f0, and inverter - shunt Y - inverter
        // is the series impedance Zo^2 Y. All notch resonators end up in
        // shunt, coupled by 90 degree lines.
        const double zo = list[0].value;
        n = entryCount(list);
        std::vector<NetEntry> out;
        for (int j = 1; j < n; ++j) {
            if (list[j].code == 5 && j + 1 < n && list[j + 1].code == 5) {
                const NetEntry& a = list[j];
                const NetEntry& b = list[j + 1];
                const double l = a.letter == 'L' ? a.value : b.value;
                const double c = a.letter == 'C' ? a.value : b.value;
                out.push_back({zo, 'Z', 23});
                out.push_back({1.5707963267948966, 'D', 23});
                out.push_back({c * zo * zo, 'L', 4});
                out.push_back({l / (zo * zo), 'C', 4});
                out.push_back({zo, 'Z', 23});
                out.push_back({1.5707963267948966, 'D', 23});
                ++j;
            } else {
                out.push_back(list[j]);
            }
        }
        if (static_cast<int>(out.size()) + 3 >= kEntrySlots) {
            setFaultIndex(rec, 1);
            return kBuildFault;
        }
        const NetEntry src = list[n], term = list[n + 1];
        for (int j = 1; j < kEntrySlots; ++j) list[j] = NetEntry{};
        for (size_t k = 0; k < out.size(); ++k) list[k + 1] = out[k];
        list[out.size() + 1] = src;
        list[out.size() + 2] = term;
    }
    return kBuildOk;
}

} // namespace tanvex::synthesis
