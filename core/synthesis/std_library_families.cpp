#include "synthesis/std_library_families.h"

#include "synthesis/std_library.h"

#include <algorithm>
#include <cmath>

namespace tanvex::synthesis {

namespace {

const double kPi = 3.14159265358979323846;
const Real kLn2 = 0.693147180559945309417232121458176568L;

// |E(jW)|^2 / E(0)^2 = 2 at W = w3; returns w3 (bisection, monotone families).
Real threeDbFrequency(const Poly& qw) {
    auto ratio = [&](Real w) {
        Real x = w * w, v = 0;
        for (size_t k = qw.size(); k-- > 0;) v = v * x + qw[k];
        return v / qw[0];
    };
    Real lo = 0, hi = 1;
    while (ratio(hi) < 2 && hi < 1e6) hi *= 2;
    for (int it = 0; it < 200; ++it) {
        Real mid = (lo + hi) / 2;
        (ratio(mid) < 2 ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

// E(s) -> E(s w3) / E(0): 3 dB at 1 rad/s and unit DC value.
Poly normalize(const Poly& e, Real* w3Out = nullptr) {
    Poly qw = magnitudeInW(e);
    Real w3 = threeDbFrequency(qw);
    if (w3Out) *w3Out = w3;
    Poly out = e;
    Real pw = 1;
    for (auto& c : out) {
        c *= pw / e[0];
        pw *= w3;
    }
    return out;
}

// Hurwitz E with |E(jW)|^2 = qw(W^2), then normalized.
Poly fromMagnitude(const Poly& qw) {
    Poly e = spectralFactorW(qw, true);
    if (e.empty()) return e;
    return normalize(e);
}

Poly bessel(int n) {
    // Reverse Bessel polynomial: a_k = (2n-k)! / (2^(n-k) k! (n-k)!).
    Poly e(n + 1);
    for (int k = 0; k <= n; ++k) {
        Real v = 1;
        for (int j = n - k + 1; j <= 2 * n - k; ++j) v *= j; // (2n-k)!/(n-k)!
        for (int j = 2; j <= k; ++j) v /= j;
        v /= std::pow(2.0L, n - k);
        e[k] = v;
    }
    return normalize(e);
}

Poly gaussian(int n) {
    Poly qw(n + 1);
    Real f = 1;
    for (int k = 0; k <= n; ++k) {
        if (k > 0) f *= k;
        qw[k] = 1 / f;
    }
    return fromMagnitude(qw);
}

// Interpolates exp(x ln 2) (3.0103 dB per unit of x = W^2) at x = j X / n,
// j = 0..n, X the abscissa of the given attenuation; Newton's divided
// differences, expanded into powers of x.
Poly gaussianInterpolant(int n, double toDb) {
    Real xMax = toDb / (10 * std::log10(2.0L));
    std::vector<Real> x(n + 1), d(n + 1);
    for (int j = 0; j <= n; ++j) {
        x[j] = xMax * j / n;
        d[j] = std::exp(kLn2 * x[j]);
    }
    for (int level = 1; level <= n; ++level)
        for (int j = n; j >= level; --j) d[j] = (d[j] - d[j - 1]) / (x[j] - x[j - level]);
    Poly qw{d[n]};
    for (int j = n - 1; j >= 0; --j) qw = polyAdd(polyMul(qw, Poly{-x[j], 1}), Poly{d[j]});
    qw[0] = 1; // exactly: no loss at DC
    return qw;
}

// True when the polynomial rises steadily on w > 0 (a monotonic response).
bool risesSteadily(const Poly& qw, Real span) {
    Poly deriv;
    for (size_t k = 1; k < qw.size(); ++k) deriv.push_back(qw[k] * Real(k));
    for (int i = 1; i <= 2000; ++i)
        if (!(polyEval(deriv, Complex(span * i / 2000)).real() > 0)) return false;
    return true;
}

Poly transitionalGaussian(int n, double toDb) {
    // A low order cannot follow the Gaussian curve all the way to 12 dB
    // without a dip in the passband; the span is then shortened in 0.5 dB
    // steps to the longest that keeps the response monotonic.
    for (double db = toDb; db > 0.5; db -= 0.5) {
        Poly qw = gaussianInterpolant(n, db);
        Real span = 4 * toDb / (10 * std::log10(2.0L));
        if (risesSteadily(qw, span)) return fromMagnitude(qw);
    }
    return {};
}

// Legendre polynomials P_0..P_m in x.
std::vector<Poly> legendreP(int m) {
    std::vector<Poly> p{Poly{1}, Poly{0, 1}};
    for (int i = 2; i <= m; ++i) {
        Poly a = polyScale(polyMul(Poly{0, 1}, p[i - 1]), Real(2 * i - 1) / i);
        Poly b = polyScale(p[i - 2], Real(i - 1) / i);
        p.push_back(polySub(a, b));
    }
    p.resize(m + 1);
    return p;
}

Poly legendre(int n) {
    Poly sum{0};
    Poly weight{1};
    if (n % 2 == 1) {
        int k = (n - 1) / 2;
        auto p = legendreP(k);
        for (int i = 0; i <= k; ++i)
            sum = polyAdd(sum, polyScale(p[i], (2 * i + 1) / (std::sqrt(2.0L) * (k + 1))));
    } else {
        int k = (n - 2) / 2;
        auto p = legendreP(k);
        for (int i = k % 2; i <= k; i += 2)
            sum = polyAdd(sum, polyScale(p[i], (2 * i + 1) / std::sqrt(Real(k + 1) * (k + 2))));
        weight = Poly{1, 1};
    }
    Poly integrand = polyMul(weight, polyMul(sum, sum));
    // Antiderivative, then evaluated from -1 to y = 2w - 1.
    Poly anti(integrand.size() + 1, 0);
    for (size_t i = 0; i < integrand.size(); ++i) anti[i + 1] = integrand[i] / (i + 1);
    Real atMinus1 = polyEval(anti, Complex(-1)).real();
    Poly y{-1, 2};
    Poly composed{0}, power{1};
    for (size_t i = 0; i < anti.size(); ++i) {
        composed = polyAdd(composed, polyScale(power, anti[i]));
        power = polyMul(power, y);
    }
    composed[0] -= atMinus1;
    Poly qw = polyAdd(Poly{1}, composed);
    qw[0] = 1;
    return fromMagnitude(qw);
}

Real unwrappedPhase(const Poly& e, Real omega, int steps) {
    // Phase of E(jW), unwrapped by following it from DC in small steps.
    Real phase = 0, prev = 0;
    for (int i = 1; i <= steps; ++i) {
        Real w = omega * i / steps;
        Complex v = polyEval(e, Complex(0, w));
        Real a = std::atan2(v.imag(), v.real());
        Real d = a - prev;
        while (d > kPi) d -= 2 * kPi;
        while (d < -kPi) d += 2 * kPi;
        phase += d;
        prev = a;
    }
    return phase;
}

// Solves the n phase conditions arg E(jw_i) = w_i + s_i delta for E's
// coefficients e_1..e_n (e_0 = 1).
bool solvePhase(int n, const std::vector<Real>& w, Real delta, Poly& e) {
    std::vector<std::vector<Real>> a(n, std::vector<Real>(n + 1, 0));
    for (int i = 0; i < n; ++i) {
        Real phi = w[i] + (((n - 1 - i) % 2 == 0) ? delta : -delta);
        Real c = std::cos(phi), s = std::sin(phi);
        Real pw = 1;
        for (int k = 1; k <= n; ++k) {
            pw *= w[i];
            Real sign = ((k / 2) % 2) ? -1 : 1;
            // Im E: k odd, (-1)^((k-1)/2) w^k; Re E: k even, (-1)^(k/2) w^k.
            a[i][k - 1] = (k % 2) ? sign * pw * c : -sign * pw * s;
        }
        a[i][n] = s; // from the constant 1 of Re E
    }
    for (int col = 0; col < n; ++col) {
        int piv = col;
        for (int r = col + 1; r < n; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[piv][col])) piv = r;
        if (a[piv][col] == 0) return false;
        std::swap(a[piv], a[col]);
        for (int r = 0; r < n; ++r) {
            if (r == col) continue;
            Real f = a[r][col] / a[col][col];
            for (int c = col; c <= n; ++c) a[r][c] -= f * a[col][c];
        }
    }
    e.assign(n + 1, 0);
    e[0] = 1;
    for (int k = 1; k <= n; ++k) e[k] = a[k - 1][n] / a[k - 1][k - 1];
    return true;
}

Poly normalizeHurwitz(const Poly& e, Real* w3 = nullptr);

// Phase error of E against the unit-slope line, radians, on |error| < pi.
Real phaseError(const Poly& e, Real om) {
    return std::remainder(std::arg(polyEval(e, Complex(0, om))) - om, 2 * Real(kPi));
}

// Largest |phase error| on [0, top] and the first n local extrema in it.
Real errorExtrema(const Poly& e, Real top, int n, std::vector<Real>* ext) {
    const int grid = 3000;
    Real worst = 0, e0 = 0, e1 = phaseError(e, top / grid);
    for (int g = 1; g < grid; ++g) {
        Real e2 = phaseError(e, top * (g + 1) / grid);
        worst = std::max(worst, std::fabs(e1));
        bool peak = (e1 >= e0 && e1 > e2) || (e1 <= e0 && e1 < e2);
        if (peak && ext && static_cast<int>(ext->size()) < n) ext->push_back(top * g / grid);
        e0 = e1;
        e1 = e2;
    }
    return worst;
}

Poly linearPhase(int n, double errorDegrees, Real* w3, Real* bandOut) {
    if (n < 2) return {};
    Real delta = errorDegrees * kPi / 180;
    // First: zero phase error at n equidistant frequencies k*step; the step is
    // the largest for which the error stays within delta up to n*step. The
    // error then ripples with nearly equal extrema between the points.
    auto interpolate = [&](Real step, Poly& e) {
        std::vector<Real> w(n);
        for (int i = 0; i < n; ++i) w[i] = step * (i + 1);
        return solvePhase(n, w, 0, e);
    };
    Real lo = 0.01L, hi = 2.0L;
    auto finish = [&](const Poly& unnormalized, Real band) {
        Real scale = 1;
        Poly out = normalizeHurwitz(unnormalized, &scale);
        if (w3) *w3 = scale;
        if (bandOut) *bandOut = band / scale;
        return out;
    };
    Poly e;
    for (int it = 0; it < 60; ++it) {
        Real mid = (lo + hi) / 2;
        bool fits = interpolate(mid, e) && errorExtrema(e, mid * n, n, nullptr) <= delta;
        (fits ? lo : hi) = mid;
    }
    if (!interpolate(lo, e)) return {};
    Poly interpolated = e;
    // Then a Remez exchange: the conditions error = +-delta (alternating,
    // the last one positive since the error finally falls away) at n
    // reference frequencies, moved half-way to the error's extrema each time.
    std::vector<Real> w(n);
    for (int i = 0; i < n; ++i) w[i] = lo * n * (i + 0.5L) / n;
    for (int it = 0; it < 60; ++it) {
        if (!solvePhase(n, w, delta, e)) break;
        std::vector<Real> ext;
        errorExtrema(e, w[n - 1] * 2, n, &ext);
        if (static_cast<int>(ext.size()) < n) break;
        for (int i = 0; i < n; ++i) w[i] = (w[i] + ext[i]) / 2;
    }
    // Polish by Newton's method on the full set of conditions: at each
    // reference frequency the error is +-delta and stationary (group delay 1).
    // From a start (e0, w0); true with the equiripple polynomial and its band
    // (the last reference frequency).
    auto polish = [&](const Poly& e0, const std::vector<Real>& w0, Poly& polished,
                      Real& band) -> bool {
        std::vector<Real> x(2 * n);
        for (int k = 1; k <= n; ++k) x[k - 1] = e0[k];
        for (int i = 0; i < n; ++i) x[n + i] = w0[i];
        auto residual = [&](const std::vector<Real>& v, std::vector<Real>& r) {
            Poly ee(n + 1), de(n, 0);
            ee[0] = 1;
            for (int k = 1; k <= n; ++k) ee[k] = v[k - 1];
            for (int k = 1; k <= n; ++k) de[k - 1] = k * ee[k];
            r.assign(2 * n, 0);
            for (int i = 0; i < n; ++i) {
                Real om = v[n + i];
                Complex ev = polyEval(ee, Complex(0, om));
                Complex dv = polyEval(de, Complex(0, om));
                Real err = std::arg(ev) - om;
                err = std::remainder(err, 2 * Real(kPi));
                r[i] = err - (((n - 1 - i) % 2 == 0) ? delta : -delta);
                r[n + i] = (dv / ev).real() - 1;
            }
        };
        std::vector<Real> r, r2;
        residual(x, r);
        for (int it = 0; it < 60; ++it) {
            Real norm = 0;
            for (Real v : r) norm = std::max(norm, std::fabs(v));
            if (norm < 1e-16L) break;
            int m = 2 * n;
            std::vector<std::vector<Real>> jac(m, std::vector<Real>(m + 1));
            for (int c = 0; c < m; ++c) {
                std::vector<Real> xp = x;
                Real h = 1e-8L * (x[c] != 0 ? std::fabs(x[c]) : Real(1));
                xp[c] += h;
                residual(xp, r2);
                for (int q = 0; q < m; ++q) jac[q][c] = (r2[q] - r[q]) / h;
            }
            for (int q = 0; q < m; ++q) jac[q][m] = -r[q];
            bool singular = false;
            for (int col = 0; col < m && !singular; ++col) {
                int piv = col;
                for (int q = col + 1; q < m; ++q)
                    if (std::fabs(jac[q][col]) > std::fabs(jac[piv][col])) piv = q;
                if (jac[piv][col] == 0) singular = true;
                std::swap(jac[piv], jac[col]);
                for (int q = 0; q < m && !singular; ++q) {
                    if (q == col) continue;
                    Real f = jac[q][col] / jac[col][col];
                    for (int c = col; c <= m; ++c) jac[q][c] -= f * jac[col][c];
                }
            }
            if (singular) break;
            // Damped: the step is halved until the residual decreases.
            std::vector<Real> xt(m);
            Real lambda = 1, trial = 0;
            for (int h = 0; h < 30; ++h, lambda /= 2) {
                for (int q = 0; q < m; ++q) xt[q] = x[q] + lambda * jac[q][m] / jac[q][q];
                residual(xt, r2);
                trial = 0;
                for (Real v : r2) trial = std::max(trial, std::fabs(v));
                if (trial < norm) break;
            }
            if (!(trial < norm)) break;
            x = xt;
            r = r2;
        }
        Real finalNorm = 0;
        for (Real v : r) finalNorm = std::max(finalNorm, std::fabs(v));
        if (!(finalNorm < 1e-12L)) return false;
        for (int i = 0; i < n; ++i)
            if (!(x[n + i] > (i ? x[n + i - 1] : Real(0)))) return false;
        polished.assign(n + 1, 0);
        polished[0] = 1;
        for (int k = 1; k <= n; ++k) polished[k] = x[k - 1];
        band = x[2 * n - 1];
        // A true equiripple solution: the error stays within delta up to its
        // last extremum.
        return errorExtrema(polished, band, n, nullptr) <= delta * 1.001L;
    };
    Poly polished;
    Real band = 0;
    if (solvePhase(n, w, delta, e) && polish(e, w, polished, band)) {
        Poly out = finish(polished, band);
        if (!out.empty()) return out;
    }
    // The exchange above does not reach the solution at every order (9 and
    // 10): start Newton's method from interpolations over wider spacings,
    // with their error extrema as the reference frequencies.
    for (int f = 100; f <= 150; ++f) {
        Real step = lo * f / 100;
        Poly e0;
        std::vector<Real> ext;
        if (!interpolate(step, e0)) continue;
        errorExtrema(e0, step * n * 1.05L, n, &ext);
        if (static_cast<int>(ext.size()) < n) continue;
        if (!polish(e0, ext, polished, band)) continue;
        Poly out = finish(polished, band);
        if (!out.empty()) return out;
    }
    return finish(interpolated, lo * n);
}

Poly normalizeHurwitz(const Poly& e, Real* w3) {
    // Must be a Hurwitz polynomial to be a filter.
    for (const Complex& r : polyRoots(e))
        if (!(r.real() < 0)) return {};
    return normalize(e, w3);
}

} // namespace

Poly libraryDenominator(char digit, int n) {
    if (n < 1 || n > 10) return {};
    switch (digit) {
    case '1':
        return bessel(n);
    case '2':
        return linearPhase(n, 0.05, nullptr, nullptr);
    case '3':
        return gaussian(n);
    case '4':
        return transitionalGaussian(n, 6.0);
    case '5':
        return transitionalGaussian(n, 12.0);
    case '6':
        return legendre(n);
    default:
        return {};
    }
}

Poly linearPhaseDenominator(int n, double errorDegrees, double& delay, double& band) {
    Real w3 = 0, b = 0;
    Poly e = n >= 2 && n <= 10 ? linearPhase(n, errorDegrees, &w3, &b) : Poly{};
    delay = double(w3);
    band = double(b);
    return e;
}

LadderResult libraryLadder(char digit, int n, bool symmetrical) {
    Poly e = libraryDenominator(digit, n);
    if (e.empty()) {
        LadderResult bad;
        bad.error = "no transfer function for this family and order";
        return bad;
    }
    Poly p{e[0]};
    // |F|^2 = |E|^2 - |P|^2, zero at DC; F from its left-half-plane roots.
    Poly qf = magnitudeInW(e);
    qf[0] = 0;
    Poly f = spectralFactorW(qf, false);
    if (f.empty()) {
        LadderResult bad;
        bad.error = "gain above unity somewhere";
        return bad;
    }
    return synthesizeLadderFromE(e, f, p, {}, n, !symmetrical);
}

void libraryNetwork(const LadderResult& ladder, EntryList& list) {
    list.fill(NetEntry{});
    list[0] = NetEntry{1.0, 'R', 1};
    int i = 1;
    for (const LadderElement& el : ladder.elements)
        list[i++] = NetEntry{el.value, el.code == 2 ? 'C' : 'L', el.code};
    list[i++] = NetEntry{ladder.source, 'R', 1};
    list[i] = NetEntry{1 / (2 * kPi), 'x', 1};
}

double allPoleLossDb(const Poly& e, double omega) {
    Complex v = polyEval(e, Complex(0, omega));
    return double(20 * std::log10(std::abs(v) / std::fabs(e[0])));
}

double allPolePhase(const Poly& e, double omega) {
    return double(unwrappedPhase(e, omega, 2000));
}

} // namespace tanvex::synthesis

namespace tanvex::synthesis {

bool libraryFileText(char digit, int n, char symmetry, std::string& text) {
    LadderResult lad = libraryLadder(digit, n, symmetry == '1');
    if (!lad.ok || lad.negative) return false;
    EntryList list;
    libraryNetwork(lad, list);
    text = networkText(list);
    return true;
}

} // namespace tanvex::synthesis
