#include "synthesis/elliptic.h"

#include <algorithm>
#include <cmath>
#include <complex>

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
    // |F/P| at the band edge from the factors: the multiplied-out
    // polynomials, evaluated at s = j, cancel to a few digits at high orders.
    Real atOne = 1;
    for (Real w : wz) atOne *= std::fabs(w - 1);
    for (Real w : wp) atOne /= std::fabs(w - 1);
    r.f = polyScale(f, eps / atOne);
    r.p = p;
    r.fFactors.constant = eps / atOne;
    r.fFactors.originPower = originPower;
    r.fFactors.squares = wz;
    r.pFactors.squares = wp;
    for (Real w : wp) r.zeros.push_back(std::sqrt(w));
    std::sort(r.zeros.begin(), r.zeros.end());
    r.ok = true;
    return r;
}

double ellipticBandEdgeScale(const EllipticResponse& r, double as) {
    if (as == r.ar) return 1.0;
    double omegaS = r.omegaS;
    double omega = std::pow(omegaS, 0.2);
    auto fn = [&](double w) { return as - factoredLossDb(r.fFactors, r.pFactors, w); };
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

LadderResult ellipticLadderAt(const EllipticResponse& r, bool singly, int precision,
                              bool otherOrders, LadderSearch* stats) {
    if (!r.ok) {
        LadderResult bad;
        bad.error = "no elliptic response";
        return bad;
    }
    int inf = r.n % 2 == 1 ? 1 : 2;
    // Singly terminated too from the elliptic F: the generalized Chebyshev
    // function of the same zeros and zeros at infinity is this function.
    std::vector<Real> order;
    for (int idx : automaticZeroSequence(static_cast<int>(r.zeros.size())))
        order.push_back(r.zeros[idx - 1]);
    LadderResult first = precision == 0
                             ? synthesizeLadderFactored(r.fFactors, r.pFactors, order, inf, singly)
                             : synthesizeLadderFactoredPrecise(r.fFactors, r.pFactors, order, inf,
                                                               singly, precision);
    if (!otherOrders || !first.ok || !first.negative || r.zeros.size() < 2) return first;
    LadderResult other = ellipticOrderSearch(r, singly, precision, stats);
    return other.ok ? other : first;
}

LadderResult ellipticOrderSearch(const EllipticResponse& r, bool singly, int precision,
                                 LadderSearch* stats) {
    const int inf = r.n % 2 == 1 ? 1 : 2;
    // A step costs about 6, 9 and 16 us at N = 24 in the three precisions:
    // the limit keeps a search that runs into it near 0.1 s.
    const long limit = kEllipticSearchSteps >> precision;
    if (precision == 0)
        return searchLadderFactored(r.fFactors, r.pFactors, r.zeros, inf, singly, limit, stats);
    return searchLadderFactoredPrecise(r.fFactors, r.pFactors, r.zeros, inf, singly, precision,
                                       limit, stats);
}

bool ellipticLadderHolds(const LadderResult& lad, const EllipticResponse& r) {
    return lad.ok && static_cast<int>(lad.elements.size()) == r.n && !lad.negative &&
           ladderDeviationDb(lad, r.fFactors, r.pFactors, r.omegaS) <= kEllipticLadderTolerance;
}

bool ellipticLadderNegative(const LadderResult& lad) {
    return lad.ok && lad.negative && lad.worstResidual < 1e-24;
}

LadderResult ellipticLadder(const EllipticResponse& r, bool singly, LadderSearch* stats) {
    // __float128 first, more digits while the analysed ladder does not hold
    // the response. A negative element with the arithmetic intact (the
    // division remainders at rounding level) is a property of the zero order:
    // the other orders are searched at that precision, and more digits would
    // not change the outcome.
    if (stats) *stats = LadderSearch{};
    LadderResult first;
    for (int precision = 0; precision <= 2; ++precision) {
        LadderResult lad = ellipticLadderAt(r, singly, precision, false);
        if (ellipticLadderHolds(lad, r)) return lad;
        if (precision == 0) first = lad;
        if (ellipticLadderNegative(lad)) {
            if (r.zeros.size() < 2) return lad;
            LadderResult other = ellipticOrderSearch(r, singly, precision, stats);
            return ellipticLadderHolds(other, r) ? other : lad;
        }
    }
    return first;
}

double factoredLossDb(const FactoredPoly& f, const FactoredPoly& p, double omega) {
    Real w2 = Real(omega) * omega;
    Real fv = f.constant * std::pow(std::fabs(Real(omega)), Real(f.originPower));
    for (Real z : f.squares) fv *= (z - w2);
    Real pv = 1;
    for (Real z : p.squares) pv *= (z - w2);
    if (pv == 0) return 1e3;
    Real k = fv / pv;
    return double(10 * std::log10(1 + k * k));
}

double ladderDeviationDb(const LadderResult& lad, const FactoredPoly& f, const FactoredPoly& p,
                         double omegaS) {
    // The ladder analysed by a cascade of ABCD matrices, against 10 log(1 +
    // |F/P|^2); for a current-source feed the levels are compared relative to
    // their values at the passband frequency of least loss.
    auto loss = [&](double w) {
        std::complex<double> s(0, w), a = 1, b = 0, c = 0, d = 1;
        for (int i = static_cast<int>(lad.elements.size()) - 1; i >= 0; --i) {
            const LadderElement& e = lad.elements[i];
            std::complex<double> z = 0, y = 0;
            if (e.code == 2) y = s * e.value;
            if (e.code == 3) z = s * e.value;
            if (e.code == 5) z = 1.0 / (1.0 / (s * e.value) + s * e.value2);
            if (e.code == 4) y = 1.0 / (s * e.value + 1.0 / (s * e.value2));
            // right-multiply by [1 z; 0 1] [1 0; y 1]
            std::complex<double> na = a + b * y, nb = a * z + b * (1.0 + z * y);
            std::complex<double> nc = c + d * y, nd = c * z + d * (1.0 + z * y);
            a = na, b = nb, c = nc, d = nd;
        }
        if (lad.source >= 1e19) return -20 * std::log10(std::abs(1.0 / (c + d)));
        double rs = lad.source;
        return 10 * std::log10(std::norm(a + b + rs * (c + d)) / (4 * rs));
    };
    std::vector<double> freqs;
    for (int i = 0; i <= 40; ++i) freqs.push_back(i / 40.0);
    for (int i = 0; i <= 40; ++i) freqs.push_back(omegaS * std::pow(4.0, i / 40.0));
    double refLadder = 0, refWanted = 0;
    if (lad.source >= 1e19) {
        double best = 1e9;
        for (int i = 0; i <= 40; ++i) {
            double wanted = factoredLossDb(f, p, freqs[i]);
            if (wanted < best) {
                best = wanted;
                refWanted = wanted;
                refLadder = loss(freqs[i]);
            }
        }
    }
    double worst = 0;
    for (double w : freqs) {
        double want = factoredLossDb(f, p, w) - refWanted;
        double got = loss(w) - refLadder;
        worst = std::max(worst, std::fabs(got - want) / (1 + std::fabs(want)));
    }
    return worst;
}

} // namespace tanvex::synthesis
