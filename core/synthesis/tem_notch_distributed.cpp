// The distributed notch: n open-circuited stubs in shunt joined by n - 1
// unit elements, every line a quarter wave at the notch centre. In Richards'
// variable S = j tan(theta) a stub of admittance y is the capacitor y S, so
// every stub puts a transmission zero at S = infinity (theta = 90 degrees,
// where the unit elements are inverters and the zeros do not merge), and
// every unit element a half zero at S = 1: P(S) = (1 - S^2)^((n-1)/2). The
// equiripple characteristic of that class, with the passband 0 .. t1 and its
// image about 90 degrees, is
//     Psi = cos(n acos(tan(theta) / tan(t1)) + (n - 1) acos(sin(theta) / sin(t1)))
// (Butterworth: Psi = k sin^(2n-1) / cos^n, maximally flat at DC). The
// network follows by Darlington's method in S: E from |E|^2 = |F|^2 + |P|^2,
// the admittance from the load end, then the whole pole at infinity as a
// stub, a unit element by Richards' theorem, and so on.
#include "synthesis/builders.h"
#include "synthesis/ladder_extraction.h"

#include <cmath>
#include <complex>

namespace tanvex::synthesis {

namespace {

constexpr double kPi = 3.141592653589793;

Poly powerOf(const Poly& p, int k) {
    Poly out{1};
    for (int i = 0; i < k; ++i) out = polyMul(out, p);
    return out;
}

// F(S) = a S prod (S^2 + t_k^2): the reflection zeros t_k = tan(theta_k) are
// where n acos(tan/tan t1) + (n-1) acos(sin/sin t1) = (k + 1/2) pi, k = 0 ..
// n - 2 (the phase falls from (n - 1/2) pi at DC to 0 at t1), found by
// bisection; a from |F| = eps |Psi| |P| at one stopband point. Butterworth:
// F = k S^(2n-1). Then |E|^2 = |F|^2 + (1 + x)^(n-1) in x = tan^2.
bool characteristic(int n, double ar, double kflat, double tc, Poly& e, Poly& f) {
    Poly fx{1}; // |F|^2 / a^2 in x: x prod (t_k^2 - x)^2
    f = Poly{0, 1};
    Real a = kflat;
    if (ar > 0) {
        const double t1 = std::tan(tc), s1 = std::sin(tc);
        auto phase = [&](double th) {
            return n * std::acos(std::min(1.0, std::tan(th) / t1)) +
                   (n - 1) * std::acos(std::min(1.0, std::sin(th) / s1));
        };
        for (int k = 0; k + 1 < n; ++k) {
            const double want = (k + 0.5) * kPi;
            double lo = 0, hi = tc;
            for (int it = 0; it < 200 && hi - lo > 1e-17; ++it) {
                const double mid = 0.5 * (lo + hi);
                (phase(mid) > want ? lo : hi) = mid;
            }
            const Real tk = std::tan(static_cast<Real>(0.5 * (lo + hi)));
            fx = polyMul(fx, polyMul(Poly{tk * tk, -1}, Poly{tk * tk, -1}));
            f = polyMul(f, Poly{tk * tk, 0, 1});
        }
        const double th = 0.5 * (tc + kPi / 2), t = std::tan(th);
        const double loss = distributedNotchLossDb(n, ar, 0, tc, th);
        // |F(jt)| / a = t prod |t_k^2 - t^2| = sqrt(x fx(x)).
        const Real mag = std::sqrt(t * t * polyEval(fx, Complex(t * t)).real());
        a = std::sqrt((std::pow(10.0L, loss / 10.0L) - 1) *
                      std::pow(1 + static_cast<Real>(t) * t, static_cast<Real>(n - 1))) /
            mag;
    } else {
        fx = Poly(2 * n - 1, 0);
        fx[2 * n - 2] = 1; // |F|^2 = k^2 x^(2n-1)
        f = Poly(2 * n, 0);
        f[2 * n - 1] = 1;
    }
    const Poly qw = polyAdd(polyScale(polyMul(Poly{0, 1}, fx), a * a), powerOf(Poly{1, 1}, n - 1));
    e = spectralFactorW(qw, true);
    if (e.empty()) return false;
    f = polyScale(f, a);
    f.resize(e.size(), 0);
    // The admittance from the load end has its pole at infinity: the top
    // coefficients of E and F cancel in E + F.
    if ((f.back() > 0) == (e.back() > 0)) f = polyScale(f, -1);
    return true;
}

bool divideOneMinusS2(const Poly& p, Poly& quotient) {
    Real residual = 0;
    quotient = polyScale(polyDivQuadratic(p, -1, &residual), -1);
    return residual < 1e-6L;
}

bool extract(const Poly& e, const Poly& f, int n, DistributedNotch& out) {
    out.stub.clear();
    out.line.clear();
    Poly yn = polySub(e, f), yd = polyAdd(e, f);
    for (int i = 0; i < n; ++i) {
        const int top = static_cast<int>(yn.size()) - 1;
        yd.resize(top); // its top coefficient is zero: the pole at infinity
        polyTrim(yd);
        if (polyDegree(yd) != top - 1) return false;
        const Real k = yn[top] / yd[top - 1];
        if (!(k > 0) || !std::isfinite(static_cast<double>(k))) return false;
        out.stub.push_back(static_cast<double>(k));
        // Y1 = num / yd: vanishes at infinity (the next unit element ends
        // in a stub, a short there), so num loses two degrees; the last
        // leaves the source conductance.
        Poly num = polySub(yn, polyScale(polyMul(Poly{0, 1}, yd), k));
        num.resize(i == n - 1 ? top : top - 1);
        if (i == n - 1) {
            polyTrim(num);
            if (polyDegree(num) != 0 || polyDegree(yd) != 0) return false;
            out.source = static_cast<double>(num[0] / yd[0]);
            return out.source > 0 && std::isfinite(out.source);
        }
        // Z1 = yd / num; Richards' theorem with zu = Z1(1).
        const Real zu = polyEval(yd, 1).real() / polyEval(num, 1).real();
        if (!(zu > 0) || !std::isfinite(static_cast<double>(zu))) return false;
        out.line.push_back(static_cast<double>(zu));
        Poly qa, qb;
        if (!divideOneMinusS2(polySub(yd, polyScale(polyMul(Poly{0, 1}, num), zu)), qa) ||
            !divideOneMinusS2(polySub(polyScale(num, zu), polyMul(Poly{0, 1}, yd)), qb))
            return false;
        // Y' = (zu num - S yd) / (zu (yd - S zu num)).
        yn = qb;
        yd = polyScale(qa, zu);
    }
    return false;
}

} // namespace

double stubLadderLossDb(const std::vector<double>& stub, const std::vector<double>& line,
                        double source, bool shorted, double theta) {
    using C = std::complex<double>;
    const double t = std::tan(theta), c = std::cos(theta), s = std::sin(theta);
    C a = 1, b = 0, cc = 0, d = 1;
    auto apply = [&](C ea, C eb, C ec, C ed) {
        const C na = a * ea + b * ec, nb = a * eb + b * ed, nc = cc * ea + d * ec,
                nd = cc * eb + d * ed;
        a = na, b = nb, cc = nc, d = nd;
    };
    for (int k = static_cast<int>(stub.size()) - 1; k >= 0; --k) {
        apply(1, 0, C(0, shorted ? -stub[k] / t : stub[k] * t), 1);
        if (k > 0) {
            const double z = line[k - 1];
            apply(c, C(0, z * s), C(0, s / z), c);
        }
    }
    const double rs = 1 / source;
    return -20 * std::log10(std::abs(2 * std::sqrt(rs) / (a + b + cc * rs + d * rs)));
}

namespace {

double ladderLossDb(const DistributedNotch& l, double theta) {
    return stubLadderLossDb(l.stub, l.line, l.source, false, theta);
}

} // namespace

double distributedNotchLossDb(int n, double ar, double kflat, double tc, double theta) {
    const double s = std::sin(theta), c = std::cos(theta);
    double psi2;
    if (ar > 0) {
        // Symmetric about 90 degrees, as every line is a quarter wave there.
        const double u = std::fabs(std::tan(theta)) / std::tan(tc), v = std::fabs(s) / std::sin(tc);
        if (std::fabs(v) <= 1 && std::fabs(u) <= 1) {
            const double psi = std::cos(n * std::acos(u) + (n - 1) * std::acos(v));
            psi2 = psi * psi;
        } else {
            const double psi = std::cosh(n * std::acosh(std::max(1.0, std::fabs(u))) +
                                         (n - 1) * std::acosh(std::max(1.0, std::fabs(v))));
            psi2 = psi * psi;
        }
        psi2 *= std::pow(10.0, ar / 10) - 1;
    } else {
        psi2 = kflat * kflat * std::pow(s * s, 2 * n - 1) / std::pow(c * c, n);
    }
    return 10 * std::log10(1 + psi2);
}

bool distributedNotch(int n, double ar, double as, double theta1, DistributedNotch& out) {
    const double target = std::pow(10.0, as / 10) - 1;
    out.kflat = 0;
    out.tc = theta1;
    if (!(ar > 0)) {
        const double s1 = std::sin(theta1), c1 = std::cos(theta1);
        out.kflat = std::sqrt(target) * std::pow(c1, n) / std::pow(s1, 2 * n - 1);
        if (!std::isfinite(out.kflat) || !(out.kflat > 0)) return false;
    } else if (as > ar) {
        // The ripple edge lies below theta1, where the loss at theta1 rises
        // from ar (tc = theta1) without bound (tc -> 0).
        double lo = 0, hi = theta1;
        for (int it = 0; it < 200 && hi - lo > 1e-16; ++it) {
            const double mid = 0.5 * (lo + hi);
            const double l = distributedNotchLossDb(n, ar, 0, mid, theta1);
            (std::pow(10.0, l / 10) - 1 < target ? hi : lo) = mid;
        }
        out.tc = 0.5 * (lo + hi);
        if (!(out.tc > 0)) return false;
    }
    Poly e, f;
    if (!characteristic(n, ar, out.kflat, out.tc, e, f) || !extract(e, f, n, out)) return false;
    // The polynomial arithmetic runs out of digits at high orders: the
    // ladder must reproduce the characteristic to 1e-7 dB.
    for (int k = 1; k < 64; ++k) {
        const double th = kPi * (k + 0.5) / 64;
        const double want = distributedNotchLossDb(n, ar, out.kflat, out.tc, th);
        if (want < 80 && !(std::fabs(ladderLossDb(out, th) - want) < 1e-7)) return false;
    }
    return true;
}

} // namespace tanvex::synthesis
