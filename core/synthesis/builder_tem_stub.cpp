// General TEM stub notch: the reference lowpass mapped through Richards'
// transformation, so every inductor becomes a short-circuited stub and every
// capacitor an open-circuited stub, all a quarter wave long at the notch
// centre. The mapping Omega = tan(theta) / tan(theta1), theta = (pi/2) f / Fo,
// is exact: the lossless response at f equals the prototype's at Omega, over
// the whole period 0 .. 2 Fo. Passband edges (Omega = 1) lie at
// f1 = Fo - Bw/2 and 2 Fo - f1 = Fo + Bw/2; the stopband is centred on Fo.
#include "design/operations.h"
#include "synthesis/builders.h"
#include "synthesis/catalogue.h"

#include <cmath>
#include <cstring>

namespace tanvex::synthesis {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kQuarterWave = kPi / 2;

// Appends a stub or line pair (Z, D) with its group code at index i.
bool putLine(EntryList& list, int& i, double z, int code) {
    if (i + 2 >= kEntrySlots - 2) return false;
    setEntry(list, i++, z, 'Z', code);
    setEntry(list, i++, kQuarterWave, 'D', code);
    return true;
}

// Ends, impedance level and the notch centre as reference frequency; any
// element that is not positive and finite fails the design.
int finish(PrototypeContext& ctx, int n, double rl, double rs) {
    EntryList& list = ctx.design.entries;
    const DesignRecord& rec = ctx.design.record;
    writeNormalizedEnds(list, n, rs);
    list[0].value = rl;
    impedanceScale(list, 0, n, rec[7].value);
    frequencyScale(list, 1, n - 1, 2 * kPi * rec[5].value);
    for (int j = 1; j < n; ++j)
        if (!(list[j].value > 0) || !std::isfinite(list[j].value)) return kBuildNegative;
    return kBuildOk;
}

// The Kuroda form: every element an open stub in shunt, coupled by unit
// elements. A unit element of the termination's impedance added at an end
// leaves the transducer loss unchanged; Kuroda's identity
//   UE(Zb) + series stub Za  ==  shunt open stub Z2 + UE(Z1),
//   Z1 = Za + Zb, Z2 = Zb Z1 / Za
// (and its mirror image at the source end) then turns the series stub next
// to that end into a shunt one. With one such unit element per end this
// reaches ladders whose series elements are the end ones: N up to 3.
// g: the all-pole values from the load end (a series element only at an
// end); rl, rs the normalized terminations.
bool kurodaForm(EntryList& list, int& i, const double* g, int n, bool firstSeries, double t1,
                double rl, double rs) {
    bool ok = true;
    for (int k = 0; k < n && ok; ++k) {
        const bool series = (k % 2 == 0) == firstSeries;
        if (!series) {
            ok = putLine(list, i, t1 / g[k], 18);
            continue;
        }
        const double za = g[k] / t1;
        const double zb = k == 0 ? rl : rs;
        const double z1 = za + zb, z2 = zb * z1 / za;
        if (k == 0)
            ok = putLine(list, i, z2, 18) && putLine(list, i, z1, 23);
        else
            ok = putLine(list, i, z1, 23) && putLine(list, i, z2, 18);
    }
    return ok;
}

} // namespace

int temStubNotch(PrototypeContext& ctx) {
    DesignRecord& rec = ctx.design.record;
    const char cfg = configuration(rec);
    if (cfg == 0 || !std::strchr("SPK", cfg)) {
        setFaultIndex(rec, 11);
        return kBuildFault;
    }
    const double fo = rec[5].value, bw = rec[6].value;
    if (!(fo > 0)) {
        setFaultIndex(rec, 5);
        return kBuildFault;
    }
    // The stopband must fit inside the period: 0 < f1 < Fo.
    if (!(bw > 0) || !(bw < 2 * fo)) {
        setFaultIndex(rec, 6);
        return kBuildFault;
    }
    if (!(rec[7].value > 0)) {
        setFaultIndex(rec, 7);
        return kBuildFault;
    }
    int r = makePrototype(ctx);
    if (r != 0) return r;
    const LowpassPrototype& lp = ctx.proto;
    if (lp.n < 1) {
        setFaultIndex(rec, 1);
        return kBuildFault;
    }
    const double t1 = std::tan(kQuarterWave * (fo - bw / 2) / fo);
    // The orientation rule of the ladders: build the dual prototype when the
    // source-end element is not of the connection the letter asks for.
    const int last = lp.element[lp.n].code;
    const bool lastShunt = last == 2 || last == 4;
    bool dual = (cfg == 'P') != lastShunt;
    EntryList& list = ctx.design.entries;
    int i = 1;
    if (cfg == 'K') {
        double g[3];
        for (int k = 1; k <= lp.n; ++k) {
            if (lp.element[k].code != 2 && lp.element[k].code != 3) return kBuildBadReference;
            if (k <= 3) g[k - 1] = lp.element[k].value;
        }
        if (lp.n > 3) {
            // Beyond three elements the unit elements must be part of the
            // response: the distributed notch of the calculated all-pole
            // reference (its ripple and band-edge definition).
            DistributedNotch dn;
            if (lp.element[0].code != kRefAllPole || lp.termination != 2 ||
                !distributedNotch(lp.n, lp.ar, lp.as, kQuarterWave * (fo - bw / 2) / fo, dn)) {
                setFaultIndex(rec, 1);
                return kBuildFault;
            }
            for (int k = 0; k < lp.n; ++k) {
                putLine(list, i, 1 / dn.stub[k], 18);
                if (k + 1 < lp.n) putLine(list, i, dn.line[k], 23);
            }
            return finish(ctx, i, 1, 1 / dn.source);
        }
        // Series elements at the ends only: N = 3 starts with a series one,
        // N = 1 is a shunt one.
        const bool firstSeries = lp.element[1].code == 3;
        dual = (lp.n == 3 && !firstSeries) || (lp.n == 1 && firstSeries);
        const double rl = lp.element[0].value, rs = lp.element[lp.n + 1].value;
        const double l = dual ? 1 / rl : rl, s = dual ? 1 / rs : rs;
        if (!kurodaForm(list, i, g, lp.n, firstSeries != dual, t1, l, s)) {
            setFaultIndex(rec, 1);
            return kBuildFault;
        }
        return finish(ctx, i, l, s);
    }
    for (int k = 1; k <= lp.n; ++k) {
        const PrototypeElement& e = lp.element[k];
        // In the dual, a shunt C g is a series L g and a shunt series L-C a
        // series tank with the values exchanged (and the other way round).
        bool ok = true;
        switch (e.code) {
        case 2:
        case 3:
            if ((e.code == 2) != dual) // shunt C -> open stub
                ok = putLine(list, i, t1 / e.value, 18);
            else // series L -> short-circuited stub in the series arm
                ok = putLine(list, i, e.value / t1, 17);
            break;
        case 4:
        case 5: {
            const bool shunt = (e.code == 4) != dual;
            const double l = dual ? e.value2 : e.value, c = dual ? e.value : e.value2;
            if (shunt) // open stub (C) in series with short stub (L), in shunt
                ok = putLine(list, i, t1 / c, 36) && putLine(list, i, l / t1, 36);
            else // short stub (L) in parallel with open stub (C), series arm
                ok = putLine(list, i, l / t1, 37) && putLine(list, i, t1 / c, 37);
            break;
        }
        default:
            return kBuildBadReference;
        }
        if (!ok) {
            setFaultIndex(rec, 1);
            return kBuildFault;
        }
    }
    const double rl = lp.element[0].value, rs = lp.element[lp.n + 1].value;
    // The dual ladder sees conductances as resistances.
    return finish(ctx, i, dual ? 1 / rl : rl, dual ? 1 / rs : rs);
}

} // namespace tanvex::synthesis
