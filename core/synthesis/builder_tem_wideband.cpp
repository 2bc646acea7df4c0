// Wideband direct connected bandpass: short-circuited stubs in shunt, joined
// by unit elements, every line a quarter wave at the centre Fo. In Richards'
// variable S = j tan(theta), theta = (pi/2) f / Fo, a stub of admittance y is
// the inductor 1/(y S) and a unit element the chain matrix
// [1, Z S; S/Z, 1] / sqrt(1 - S^2). With n stubs and n - 1 unit elements the
// transmission is P(S) = S (1 - S^2)^((n-1)/2): at DC the stubs act as shunt
// inductors joined by short lines, together a single zero, and every unit
// element adds a half zero at S = 1. The equiripple characteristic of that
// class (a generalized Chebyshev function with one pole at DC and n - 1 at
// infinity in cos theta) is
//     Psi = cos(acos(tan(tc) / tan(theta)) + (n - 1) acos(cos(theta) / cos(tc)))
// with the ripple band tc .. pi - tc, the loss 10 log10(1 + eps^2 Psi^2).
// The network is synthesised exactly from it (Darlington's method in S):
// E(S) from |E|^2 = |F|^2 + |P|^2, the admittance seen from the load, then
// stub, unit element (Richards' theorem), stub, ... The n stubs share one
// transmission zero, so all but the last are partial removals of the pole at
// S = 0; the shares are chosen so that the source sees the load's impedance.
#include "design/operations.h"
#include "synthesis/builders.h"
#include "synthesis/catalogue.h"
#include "synthesis/ladder_extraction.h"

#include <cmath>
#include <complex>
#include <cstring>

namespace tanvex::synthesis {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kQuarterWave = kPi / 2;

// a + b j w with a, b polynomials in c = cos(theta) and w^2 = cc^2 - c^2.
struct Surd {
    Poly a, b;
};

Surd surdMul(const Surd& x, const Surd& y, const Poly& w2) {
    return {polySub(polyMul(x.a, y.a), polyMul(polyMul(x.b, y.b), w2)),
            polyAdd(polyMul(x.a, y.b), polyMul(x.b, y.a))};
}

// p(v) for v a polynomial: p(1 + x) in x = tan^2, p(1 - S^2) in S.
Poly compose(const Poly& p, const Poly& v) {
    Poly out{0}, base{1};
    for (Real c : p) {
        out = polyAdd(out, polyScale(base, c));
        base = polyMul(base, v);
    }
    return out;
}

Poly powerOf(const Poly& p, int k) {
    Poly out{1};
    for (int i = 0; i < k; ++i) out = polyMul(out, p);
    return out;
}

// (E + F)/(E - F) with F = eps q(1 - S^2) in the cos theta form above:
// Psi sin(theta) = Re[(c sin tc + j w)(c + j w)^(n-1)] / cc^n, an even or odd
// polynomial G(c) of degree n, and |F|^2 = eps^2 (G / c^n)^2, a polynomial q
// in 1/c^2 = 1 + tan^2. Butterworth (ar = 0): G = k c^n, maximally flat at
// the centre.
struct Characteristic {
    Poly e, f;
};

bool characteristic(int n, double ar, double kflat, double tc, Characteristic& out) {
    Poly q;
    Real eps = 1;
    if (ar > 0) {
        eps = std::sqrt(std::pow(10.0L, ar / 10.0L) - 1);
        const Real cc = std::cos(static_cast<Real>(tc)), sc = std::sin(static_cast<Real>(tc));
        const Poly w2{cc * cc, 0, -1};
        Surd g{{0, sc}, {1}};
        for (int k = 1; k < n; ++k) g = surdMul(g, Surd{{0, 1}, {1}}, w2);
        g.a.resize(n + 1, 0);
        q.assign(n / 2 + 1, 0);
        for (int k = n; k >= 0; k -= 2)
            q[(n - k) / 2] = g.a[k] / std::pow(cc, static_cast<Real>(n));
    } else {
        q = {static_cast<Real>(kflat)};
    }
    // |E|^2 in x = tan^2: eps^2 q(1+x)^2 + x (1+x)^(n-1).
    const Poly qx = compose(q, Poly{1, 1});
    const Poly qw = polyAdd(polyScale(polyMul(qx, qx), eps * eps),
                            polyMul(Poly{0, 1}, powerOf(Poly{1, 1}, n - 1)));
    out.e = spectralFactorW(qw, true);
    if (out.e.empty()) return false;
    out.f = polyScale(compose(q, Poly{1, 0, -1}), eps);
    // The admittance from the load end has its pole at DC: E(0) + F(0) = 0.
    if ((out.f[0] > 0) == (out.e[0] > 0)) out.f = polyScale(out.f, -1);
    return true;
}

// Divides by 1 - S^2; false when the remainder is not rounding.
bool divideOneMinusS2(const Poly& p, Poly& quotient) {
    Real residual = 0;
    quotient = polyScale(polyDivQuadratic(p, -1, &residual), -1);
    return residual < 1e-9L;
}

// The stubs (normalized admittances), unit elements (normalized impedances)
// and the source conductance, from the load end; alpha is the share of the
// remaining pole at DC each stub but the last takes.
struct Ladder {
    std::vector<double> stub, line;
    double source = 0;
};

bool extract(const Characteristic& ch, int n, double alpha, Ladder& out) {
    out.stub.clear();
    out.line.clear();
    Poly yn = polySub(ch.e, ch.f), yd = polyAdd(ch.e, ch.f);
    for (int i = 0; i < n; ++i) {
        polyTrim(yd);
        if (yd.size() < 2) return false;
        const Poly dd(yd.begin() + 1, yd.end()); // yd / S (yd(0) is zero)
        const Real residue = yn[0] / dd[0];
        const Real k = i == n - 1 ? residue : alpha * residue;
        if (!(k > 0) || !std::isfinite(static_cast<double>(k))) return false;
        out.stub.push_back(static_cast<double>(k));
        Poly num = polySub(yn, polyScale(dd, k)); // Y1 = num / (S dd)
        if (i == n - 1) {
            // What is left is the source conductance: num / S over dd at DC.
            if (num.size() < 2) return false;
            out.source = static_cast<double>(num[1] / dd[0]);
            return out.source > 0 && std::isfinite(out.source);
        }
        const Poly zn = polyMul(Poly{0, 1}, dd); // Z1 = zn / num
        const Real zu = polyEval(zn, 1).real() / polyEval(num, 1).real();
        if (!(zu > 0) || !std::isfinite(static_cast<double>(zu))) return false;
        out.line.push_back(static_cast<double>(zu));
        // Richards' theorem: Z' = zu (Z1 - S zu) / (zu - S Z1), of one degree less.
        Poly qa, qb;
        if (!divideOneMinusS2(polySub(zn, polyScale(polyMul(Poly{0, 1}, num), zu)), qa) ||
            !divideOneMinusS2(polySub(polyScale(num, zu), polyMul(Poly{0, 1}, zn)), qb))
            return false;
        yn = qb;
        yd = polyScale(qa, zu);
        yd[0] = 0;
    }
    return false;
}

double ladderLossDb(const Ladder& l, double theta) {
    return stubLadderLossDb(l.stub, l.line, l.source, true, theta);
}

double stubBandpassLossDb(int n, double ar, double kflat, double tc, double theta) {
    const double c = std::cos(theta), t = std::tan(theta);
    double psi2;
    if (ar > 0) {
        const double u = std::tan(tc) / t, v = c / std::cos(tc);
        if (std::fabs(v) <= 1) {
            const double psi =
                std::cos(std::acos(std::max(-1.0, std::min(1.0, u))) + (n - 1) * std::acos(v));
            psi2 = psi * psi;
        } else {
            const double psi =
                std::cosh(std::acosh(std::fabs(u)) + (n - 1) * std::acosh(std::fabs(v)));
            psi2 = psi * psi;
        }
        psi2 *= std::pow(10.0, ar / 10) - 1;
    } else {
        psi2 = kflat * kflat * std::pow(c * c, n) / (1 - c * c);
    }
    return 10 * std::log10(1 + psi2);
}

bool stubBandpassEdge(int n, double ar, double as, double theta1, double& tc, double& kflat) {
    const double target = std::pow(10.0, as / 10) - 1;
    kflat = 0;
    if (!(ar > 0)) {
        // Butterworth: the loss at theta1 is as.
        const double c1 = std::cos(theta1), s1 = std::sin(theta1);
        kflat = std::sqrt(target) * s1 / std::pow(c1, n);
        tc = theta1;
        return std::isfinite(kflat) && kflat > 0;
    }
    tc = theta1;
    if (as <= ar) return true;
    // The ripple edge tc lies inside theta1 .. pi/2 where the loss at theta1
    // rises from ar to infinity.
    double lo = theta1, hi = kQuarterWave;
    for (int it = 0; it < 200 && hi - lo > 1e-16; ++it) {
        const double mid = 0.5 * (lo + hi);
        const double l = stubBandpassLossDb(n, ar, 0, mid, theta1);
        if (std::pow(10.0, l / 10) - 1 < target)
            lo = mid;
        else
            hi = mid;
    }
    tc = 0.5 * (lo + hi);
    return tc > theta1 && tc < kQuarterWave;
}

} // namespace

int wideBandDirectConnected(PrototypeContext& ctx) {
    DesignRecord& rec = ctx.design.record;
    const char cfg = configuration(rec);
    if (cfg == 0 || !std::strchr("SP", cfg)) {
        setFaultIndex(rec, 11);
        return kBuildFault;
    }
    const double fo = rec[5].value, bw = rec[6].value, zo = rec[8].value;
    if (!(fo > 0)) {
        setFaultIndex(rec, 5);
        return kBuildFault;
    }
    // The passband fo -/+ bw/2 must lie inside the period 0 .. 2 fo.
    if (!(bw > 0) || !(bw < 2 * fo)) {
        setFaultIndex(rec, 6);
        return kBuildFault;
    }
    if (!(zo > 0) || !std::isfinite(zo)) {
        setFaultIndex(rec, 8);
        return kBuildFault;
    }
    int r = makePrototype(ctx);
    if (r != 0) return r;
    const LowpassPrototype& lp = ctx.proto;
    // The structure has no finite transmission zeros and its response is its
    // own (not a mapped ladder): only the calculated all-pole reference
    // gives its ripple and band-edge definition.
    if (lp.element[0].code != kRefAllPole) return kBuildBadReference;
    if (lp.termination != 2) {
        setFaultIndex(rec, 13);
        return kBuildFault;
    }
    const int n = lp.n;
    if (n < 1 || 4 * n + 1 >= kEntrySlots) {
        setFaultIndex(rec, 1);
        return kBuildFault;
    }
    const double theta1 = kQuarterWave * (fo - bw / 2) / fo;
    double tc = theta1, kflat = 0;
    Characteristic ch;
    if (!stubBandpassEdge(n, lp.ar, lp.as, theta1, tc, kflat) ||
        !characteristic(n, lp.ar, kflat, tc, ch)) {
        setFaultIndex(rec, 6);
        return kBuildFault;
    }
    // Equal terminations: the source conductance falls as the stubs near the
    // load take more of the pole at DC.
    Ladder ladder;
    double lo = 0, hi = 1, alpha = 0.5;
    bool found = n == 1 && extract(ch, n, 1, ladder);
    for (int it = 0; n > 1 && it < 200 && hi - lo > 1e-15; ++it) {
        alpha = 0.5 * (lo + hi);
        if (!extract(ch, n, alpha, ladder)) {
            hi = alpha; // too large a share leaves nothing for the rest
            continue;
        }
        found = true;
        if (ladder.source > 1)
            lo = alpha;
        else
            hi = alpha;
    }
    if (n > 1 && found) found = extract(ch, n, alpha, ladder);
    // The polynomial arithmetic runs out of digits at high orders and narrow
    // bands: the ladder must reproduce the characteristic to 1e-8 dB.
    for (int k = 1; found && k < 64; ++k) {
        const double th = kPi * (k + 0.5) / 64;
        const double want = stubBandpassLossDb(n, lp.ar, kflat, tc, th);
        if (want < 80 && !(std::fabs(ladderLossDb(ladder, th) - want) < 1e-8)) found = false;
    }
    if (!found) {
        setFaultIndex(rec, 1);
        return kBuildFault;
    }
    EntryList& list = ctx.design.entries;
    int i = 1;
    for (int k = 0; k < n; ++k) {
        setEntry(list, i++, 1 / ladder.stub[k], 'Z', 16);
        setEntry(list, i++, kQuarterWave, 'D', 16);
        if (k == n - 1) break;
        setEntry(list, i++, ladder.line[k], 'Z', 23);
        setEntry(list, i++, kQuarterWave, 'D', 23);
    }
    writeNormalizedEnds(list, i, 1 / ladder.source);
    impedanceScale(list, 0, i, zo);
    frequencyScale(list, 1, i - 1, 2 * kPi * fo);
    for (int j = 1; j < i; ++j)
        if (!(list[j].value > 0) || !std::isfinite(list[j].value)) return kBuildNegative;
    // 'S': the dual, open stubs in the series arm joined by unit elements.
    orientNetwork(list, cfg == 'P', 2);
    return kBuildOk;
}

} // namespace tanvex::synthesis
