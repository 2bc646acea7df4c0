#include "synthesis/elliptic.h"

#include <algorithm>
#include <cmath>

namespace tanvex::synthesis {

namespace {

const Real kPi = 3.14159265358979323846264338327950288L;

Real agm(Real a, Real b) {
    for (int i = 0; i < 60; ++i) {
        Real an = (a + b) / 2;
        Real bn = std::sqrt(a * b);
        a = an;
        b = bn;
        if (std::fabs(a - b) <= 1e-19L * a) break;
    }
    return (a + b) / 2;
}

// Modulus from its nome q (small q): k = (theta2(q)/theta3(q))^2.
Real modulusFromNome(Real q) {
    Real t2 = 0, t3 = 1;
    for (int n = 0; n < 30; ++n) {
        Real term2 = std::pow(q, Real(n) * (n + 1));
        t2 += term2;
        if (n >= 1) t3 += 2 * std::pow(q, Real(n) * n);
        if (term2 < 1e-22L) break;
    }
    t2 *= 2 * std::pow(q, 0.25L);
    Real r = t2 / t3;
    return r * r;
}

} // namespace

Real ellipticKc(Real kc) {
    return kPi / (2 * agm(1, kc));
}

Real jacobiSn(Real u, Real k, Real kc) {
    // Descending Landen transformation by the arithmetic-geometric mean.
    Real a[48], c[48];
    a[0] = 1;
    c[0] = k;
    Real b = kc;
    int n = 0;
    while (std::fabs(c[n]) > 1e-19L && n < 46) {
        a[n + 1] = (a[n] + b) / 2;
        c[n + 1] = (a[n] - b) / 2;
        b = std::sqrt(a[n] * b);
        ++n;
    }
    Real phi = std::ldexp(a[n] * u, n);
    for (int j = n; j >= 1; --j) phi = (phi + std::asin(c[j] * std::sin(phi) / a[j])) / 2;
    return std::sin(phi);
}

EllipticResponse ellipticResponse(int n, double ar, double amin, EllipticForm form) {
    EllipticResponse r;
    r.n = n;
    r.ar = ar;
    r.amin = amin;
    r.form = form;
    if (n < 1 || !(ar > 0) || !(amin > ar)) return r;
    Real eps = std::sqrt(std::pow(10.0L, Real(ar) / 10) - 1);
    Real epsS = std::sqrt(std::pow(10.0L, Real(amin) / 10) - 1);
    r.eps = eps;
    Real k1 = eps / epsS;
    Real k1c = std::sqrt((1 - k1) * (1 + k1));
    // Degree equation: K(k)/K'(k) = N K(k1)/K'(k1); nome of k' from it.
    Real ratio = n * ellipticKc(k1c) / ellipticKc(k1);
    Real qc = std::exp(-kPi * ratio);
    Real kc = modulusFromNome(qc);
    Real k = std::sqrt((1 - kc) * (1 + kc));
    if (!(k > 0 && k < 1)) return r;
    r.k = double(k);
    Real kk = ellipticKc(kc);
    // Reflection zeros and poles of R_N, in w = Omega^2.
    std::vector<Real> wz, wp;
    bool odd = n % 2 == 1;
    for (int i = 1; i <= n / 2; ++i) {
        Real u = odd ? 2 * i * kk / n : (2 * i - 1) * kk / n;
        Real z = jacobiSn(u, k, kc);
        wz.push_back(z * z);
        Real pole = 1 / (k * z);
        wp.push_back(pole * pole);
    }
    Real wStop = 1 / (k * k);
    int originPower = odd ? 1 : 0;
    if (odd) {
        if (form != EllipticForm::Odd) return r;
    } else {
        if (form == EllipticForm::Odd || n < 2) return r;
        // wz ascending (sn increasing in u); wp descending: wp[0] is highest.
        Real wm = wp[0];
        Real w1 = form == EllipticForm::EvenEqual ? wz[0] : 0;
        auto t = [&](Real w) { return (w - w1) * (1 - 1 / wm) / ((1 - w1) * (1 - w / wm)); };
        std::vector<Real> nz, np;
        for (size_t i = 0; i < wz.size(); ++i) {
            if (form == EllipticForm::EvenEqual && i == 0) continue;
            nz.push_back(t(wz[i]));
        }
        for (size_t i = 1; i < wp.size(); ++i) np.push_back(t(wp[i]));
        wz = nz;
        wp = np;
        wStop = t(wStop);
        originPower = form == EllipticForm::EvenEqual ? 2 : 0;
    }
    r.omegaS = double(std::sqrt(wStop));
    // F(s) = c s^origin prod(s^2 + wz), P(s) = prod(s^2 + wp).
    Poly f{1}, p{1};
    if (originPower == 1) f = Poly{0, 1};
    if (originPower == 2) f = Poly{0, 0, 1};
    for (Real w : wz) f = polyMul(f, Poly{w, 0, 1});
    for (Real w : wp) p = polyMul(p, Poly{w, 0, 1});
    Real atOne = std::abs(polyEval(f, Complex(0, 1)) / polyEval(p, Complex(0, 1)));
    r.f = polyScale(f, eps / atOne);
    r.p = p;
    for (Real w : wp) r.zeros.push_back(std::sqrt(w));
    std::sort(r.zeros.begin(), r.zeros.end());
    r.ok = true;
    return r;
}

double ellipticBandEdgeScale(const EllipticResponse& r, double as) {
    if (as == r.ar) return 1.0;
    double omegaS = r.omegaS;
    double omega = std::pow(omegaS, 0.2);
    auto fn = [&](double w) { return as - characteristicLossDb(r.f, r.p, w); };
    for (int it = 0; it < 200; ++it) {
        double f0 = fn(omega);
        double f1 = fn(omega + 1e-6);
        double d = f1 - f0;
        if (d == 0) break;
        double step = f0 / (1e6 * d);
        omega = std::clamp(omega - step, 1.0, omegaS);
        if (std::fabs(step) <= 1e-5) break;
    }
    return omega;
}

LadderResult ladderWithPositiveOrder(const Poly& f, const Poly& p,
                                     const std::vector<Real>& zerosAscending, int infinityZeros,
                                     bool singly) {
    int m = static_cast<int>(zerosAscending.size());
    std::vector<int> seq = automaticZeroSequence(m);
    auto build = [&](const std::vector<int>& order) {
        std::vector<Real> z;
        for (int idx : order) z.push_back(zerosAscending[idx - 1]);
        return synthesizeLadder(f, p, z, infinityZeros, singly);
    };
    LadderResult first = build(seq);
    if (!first.ok || !first.negative || m < 2) return first;
    std::vector<int> order(m);
    for (int i = 0; i < m; ++i) order[i] = i + 1;
    int tries = 0;
    do {
        if (order == seq) continue;
        LadderResult r = build(order);
        if (r.ok && !r.negative) return r;
    } while (std::next_permutation(order.begin(), order.end()) && ++tries < 720);
    return first;
}

LadderResult ellipticLadder(const EllipticResponse& r, bool singly) {
    if (!r.ok) {
        LadderResult bad;
        bad.error = "no elliptic response";
        return bad;
    }
    int inf = r.n % 2 == 1 ? 1 : 2;
    if (singly) {
        Poly f, p;
        generalizedChebyshev(r.zeros, inf, r.eps, f, p);
        return ladderWithPositiveOrder(f, p, r.zeros, inf, true);
    }
    return ladderWithPositiveOrder(r.f, r.p, r.zeros, inf, false);
}

} // namespace tanvex::synthesis
