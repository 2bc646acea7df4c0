// Capacitively coupled stub notch: along a main line of quarter-wave unit
// elements, each notch resonator is an open-circuited stub coupled to the
// line through a series capacitor (code 34: the stub in series with the
// capacitor, in shunt). A narrow-band design, from the bandstop mapping of
// the reference lowpass, Omega = -1 / (Q (f/f0 - f0/f)), Q = f0 / Bw:
//  - a quarter-wave line of the main line's impedance Z0 is an impedance
//    inverter K = Z0 at f0, so every prototype element becomes a series
//    resonance in shunt with the reactance slope x_k = Z0 Q / g_k (a series
//    element between two inverters is a shunt one);
//  - the branch -j (1/(w C) + Zr cot(theta)) of a stub of impedance Zr and
//    length theta0 at f0 resonates at f0 when 1/(w0 C) = -Zr cot(theta0),
//    theta0 in (90, 180) degrees, with the slope
//        x = (Zr / 2) (theta0 / sin^2(theta0) - cot(theta0)),
//    which rises from Zr pi/4 at a quarter wave without bound towards a half
//    wave: theta0 follows from x_k by bisection, then C.
// The inverters and resonators are exact at f0 only; see docs/synthesis.md
// for the accuracy reached at 1 % to 20 % bandwidth.
#include "design/operations.h"
#include "synthesis/builders.h"
#include "synthesis/catalogue.h"

#include <cmath>
#include <vector>

namespace tanvex::synthesis {

namespace {

constexpr double kPi = 3.141592653589793;

// Reactance slope of the coupled stub over Zr at the electrical length t.
double slopeOverZr(double t) {
    const double s = std::sin(t);
    return 0.5 * (t / (s * s) - std::cos(t) / s);
}

} // namespace

int capCoupledStubNotch(PrototypeContext& ctx) {
    DesignRecord& rec = ctx.design.record;
    const double fo = rec[5].value, bw = rec[6].value, zr = rec[7].value, zs = rec[8].value;
    if (!(fo > 0) || !std::isfinite(fo)) {
        setFaultIndex(rec, 5);
        return kBuildFault;
    }
    if (!(bw > 0) || !(bw < 2 * fo)) {
        setFaultIndex(rec, 6);
        return kBuildFault;
    }
    if (!(zr > 0) || !std::isfinite(zr)) {
        setFaultIndex(rec, 7);
        return kBuildFault;
    }
    if (!(zs > 0) || !std::isfinite(zs)) {
        setFaultIndex(rec, 8);
        return kBuildFault;
    }
    int r = makePrototype(ctx);
    if (r != 0) return r;
    const LowpassPrototype& lp = ctx.proto;
    const int n = lp.n;
    if (n < 1 || 6 * n + 2 >= kEntrySlots) {
        setFaultIndex(rec, 1);
        return kBuildFault;
    }
    // Resonators with finite zeros have no place in this structure.
    for (int k = 1; k <= n; ++k)
        if (lp.element[k].code != 2 && lp.element[k].code != 3) return kBuildBadReference;
    const double rsProto = lp.element[n + 1].value;
    if (!(rsProto > 0) || rsProto >= kInfiniteSource) {
        setFaultIndex(rec, 13);
        return kBuildFault;
    }
    // Every resonator as a reactance slope x (ohm) resonant at f0, the unit
    // elements' impedances, the load z0.
    std::vector<double> slope(n), line(n > 1 ? n - 1 : 0);
    double f0 = fo, z0 = zs;
    DistributedNotch dn;
    if (lp.element[0].code == kRefAllPole && lp.termination == 2 &&
        distributedNotch(n, lp.ar, lp.as, kPi / 2 * (fo - bw / 2) / fo, dn)) {
        // The exact distributed notch centred on fo: an open quarter-wave
        // stub of impedance Z is a series resonance of slope Z pi/4 there.
        z0 = zs * dn.source;
        for (int k = 0; k < n; ++k) slope[k] = z0 * kPi / 4 / dn.stub[k];
        for (int k = 0; k + 1 < n; ++k) line[k] = z0 * dn.line[k];
    } else {
        // The lumped bandstop mapping about the geometric centre with the
        // unit elements as inverters of the main line's impedance. Pushing
        // the n - 1 inverters to the source end leaves the lumped notch
        // ladder with shunt element 1 and the source seen through them: its
        // conductance inverts once for every odd count. A prototype that
        // starts with a series element is taken as its dual.
        double rs = rsProto;
        if (lp.element[1].code == 3) rs = 1 / rs;
        if (n % 2 == 0) rs = 1 / rs;
        f0 = geometricCentre(fo, bw);
        z0 = zs / rs;
        for (int k = 0; k < n; ++k) slope[k] = z0 * f0 / bw / lp.element[k + 1].value;
        for (double& z : line) z = z0;
    }
    EntryList& list = ctx.design.entries;
    int i = 1;
    for (int k = 0; k < n; ++k) {
        const double x = slope[k];
        if (!(x / zr > slopeOverZr(kPi / 2))) {
            // Even a quarter-wave stub is too steep: the band is too wide
            // for this stub impedance.
            setFaultIndex(rec, 6);
            return kBuildFault;
        }
        double lo = kPi / 2, hi = kPi;
        for (int it = 0; it < 200 && hi - lo > 1e-15; ++it) {
            const double mid = 0.5 * (lo + hi);
            (slopeOverZr(mid) < x / zr ? lo : hi) = mid;
        }
        const double theta = 0.5 * (lo + hi);
        const double c = -std::tan(theta) / (2 * kPi * f0 * zr);
        setEntry(list, i++, zr, 'Z', 34);
        setEntry(list, i++, theta, 'D', 34);
        setEntry(list, i++, c, 'C', 34);
        if (k == n - 1) break;
        setEntry(list, i++, line[k], 'Z', 23);
        setEntry(list, i++, kPi / 2, 'D', 23);
    }
    setEntry(list, 0, z0, 'R', 1);
    setEntry(list, i, zs, 'R', 1);
    setEntry(list, i + 1, f0, 'x', 1);
    for (int j = i + 2; j < kEntrySlots; ++j) list[j] = NetEntry{};
    for (int j = 0; j <= i; ++j)
        if (!(list[j].value > 0) || !std::isfinite(list[j].value)) return kBuildNegative;
    return kBuildOk;
}

} // namespace tanvex::synthesis
