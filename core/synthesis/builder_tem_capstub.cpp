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
// The inverters and resonators are exact at f0 only: where the distributed
// notch is the target, the stubs' lengths and the unit elements are then
// fitted to its response around the stopband (refineCapNotch); see
// docs/synthesis.md for the accuracy reached at 1 % to 20 % bandwidth.
#include "design/operations.h"
#include "synthesis/builders.h"
#include "synthesis/catalogue.h"
#include "synthesis/tem_resonator.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace tanvex::synthesis {

namespace {

constexpr double kPi = 3.141592653589793;

// Reactance slope of the coupled stub over Zr at the electrical length t.
double slopeOverZr(double t) {
    const double s = std::sin(t);
    return 0.5 * (t / (s * s) - std::cos(t) / s);
}

// The capacitor that makes a stub of impedance zr and length theta (at f0)
// series resonant at f0.
double resonantCap(double theta, double f0, double zr) {
    return -std::tan(theta) / (2 * kPi * f0 * zr);
}

// The notch as built: per stub its length at f0 (radians) and coupling
// capacitor, the unit elements' impedances, the main line's ends.
struct CapNotch {
    std::vector<double> theta, cap, line;
    double zr = 0, z0 = 0, zs = 0, f0 = 0;
};

// Transducer loss (dB) of the lossless notch at f: the chain matrix in its
// four real numbers [a, jb; jc, d], from the load end.
double capNotchLossDb(const CapNotch& c, double f) {
    const double w = 2 * kPi * f, r = f / c.f0;
    double ma = 1, mb = 0, mc = 0, md = 1;
    auto apply = [&](double xa, double xb, double xc, double xd) {
        const double a = ma * xa - mb * xc, b = ma * xb + mb * xd;
        const double cc = mc * xa + md * xc, d = md * xd - mc * xb;
        ma = a, mb = b, mc = cc, md = d;
    };
    const int n = static_cast<int>(c.theta.size());
    for (int k = 0; k < n; ++k) {
        // The branch's reactance X = -(1 / (w C) + Zr cot), in shunt: -1/X.
        const double t = c.theta[k] * r;
        const double x = -(1 / (w * c.cap[k]) + c.zr * std::cos(t) / std::sin(t));
        apply(1, 0, -1 / x, 1);
        if (k + 1 < n) {
            const double u = kPi / 2 * r, sn = std::sin(u), cs = std::cos(u);
            apply(cs, c.line[k] * sn, sn / c.line[k], cs);
        }
    }
    const double dr = ma * c.z0 + md * c.zs, di = mb + mc * c.zs * c.z0;
    return 10 * std::log10((dr * dr + di * di) / (4 * c.zs * c.z0));
}

// Moves the stubs' lengths and the unit elements' impedances so that the notch follows the
// distributed notch `want` (dB at f) from 2.5 bandwidths below the centre to 2.5 above, in the
// characteristic |K| = sqrt(10^(L/10) - 1), relative where it is large:
// the resonance-and-slope start matches the stubs at f0 only. Every stub
// stays resonant at f0 (its capacitor follows its length): the notch keeps
// all its zeros at the centre.
void refineCapNotch(CapNotch& c, double bw, const std::function<double(double)>& want) {
    const int n = static_cast<int>(c.theta.size());
    const int m = 24 * n + 24;
    std::vector<double> fs, kw;
    auto kOf = [](double db) { return std::sqrt(std::max(0.0, std::pow(10.0, db / 10) - 1)); };
    for (int i = 0; i < m; ++i) {
        // Denser near the stopband, none at the centre itself.
        const double u = std::cos(kPi * (i + 0.5) / m);
        const double f = c.f0 + 2.5 * bw * u * std::fabs(u);
        if (std::fabs(f - c.f0) < 1e-6 * c.f0) continue;
        fs.push_back(f);
        kw.push_back(kOf(want(f)));
    }
    const CapNotch start = c;
    auto unpack = [&](const std::vector<double>& x, CapNotch& out) {
        out = start;
        for (int k = 0; k < n; ++k) {
            out.theta[k] = start.theta[k] + x[k];
            if (!(out.theta[k] > kPi / 2 && out.theta[k] < kPi)) return false;
            out.cap[k] = resonantCap(out.theta[k], c.f0, c.zr);
        }
        for (int k = 0; k + 1 < n; ++k) out.line[k] = start.line[k] * std::exp(x[n + k]);
        return true;
    };
    tem::Residuals fn = [&](const std::vector<double>& x, std::vector<double>& r, bool) {
        CapNotch t;
        if (!unpack(x, t)) return false;
        r.resize(fs.size());
        for (size_t i = 0; i < fs.size(); ++i) {
            const double k = kOf(capNotchLossDb(t, fs[i]));
            r[i] = (k - kw[i]) / (1 + kw[i]);
        }
        return true;
    };
    std::vector<double> x(2 * n - 1, 0.0), r0;
    if (!fn(x, r0, false)) return;
    const double before = tem::levenbergMarquardt(x, fn, 0);
    const double after = tem::levenbergMarquardt(x, fn, 60);
    CapNotch t;
    if (after < before && unpack(x, t)) c = t;
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
    const bool distributed = lp.element[0].code == kRefAllPole && lp.termination == 2 &&
                             distributedNotch(n, lp.ar, lp.as, kPi / 2 * (fo - bw / 2) / fo, dn);
    if (distributed) {
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
    CapNotch notch;
    notch.zr = zr;
    notch.z0 = z0;
    notch.zs = zs;
    notch.f0 = f0;
    notch.line = line;
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
        notch.theta.push_back(theta);
        notch.cap.push_back(resonantCap(theta, f0, zr));
    }
    if (distributed)
        refineCapNotch(notch, bw, [&](double f) {
            return distributedNotchLossDb(n, lp.ar, dn.kflat, dn.tc, kPi / 2 * f / fo);
        });
    EntryList& list = ctx.design.entries;
    int i = 1;
    for (int k = 0; k < n; ++k) {
        setEntry(list, i++, zr, 'Z', 34);
        setEntry(list, i++, notch.theta[k], 'D', 34);
        setEntry(list, i++, notch.cap[k], 'C', 34);
        if (k == n - 1) break;
        setEntry(list, i++, notch.line[k], 'Z', 23);
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
