#include "synthesis/ladder_extraction.h"

#include "synthesis/ladder_wide.h"

#include <algorithm>
#include <cmath>

namespace tanvex::synthesis {

// ---- polynomial helpers -------------------------------------------------

void polyTrim(Poly& p) {
    while (p.size() > 1 && p.back() == 0) p.pop_back();
    if (p.empty()) p.push_back(0);
}

int polyDegree(const Poly& p) {
    for (int k = static_cast<int>(p.size()) - 1; k >= 0; --k)
        if (p[k] != 0) return k;
    return 0;
}

Poly polyMul(const Poly& a, const Poly& b) {
    Poly r(a.size() + b.size() - 1, 0);
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < b.size(); ++j) r[i + j] += a[i] * b[j];
    return r;
}

Poly polyAdd(const Poly& a, const Poly& b) {
    Poly r(std::max(a.size(), b.size()), 0);
    for (size_t i = 0; i < a.size(); ++i) r[i] += a[i];
    for (size_t i = 0; i < b.size(); ++i) r[i] += b[i];
    return r;
}

Poly polySub(const Poly& a, const Poly& b) {
    return polyAdd(a, polyScale(b, -1));
}

Poly polyScale(const Poly& a, Real k) {
    Poly r = a;
    for (auto& c : r) c *= k;
    return r;
}

Poly polyMirror(const Poly& p) {
    Poly r = p;
    for (size_t k = 1; k < r.size(); k += 2) r[k] = -r[k];
    return r;
}

Poly polyEvenPart(const Poly& p) {
    Poly r = p;
    for (size_t k = 1; k < r.size(); k += 2) r[k] = 0;
    polyTrim(r);
    return r;
}

Poly polyOddPart(const Poly& p) {
    Poly r = p;
    for (size_t k = 0; k < r.size(); k += 2) r[k] = 0;
    polyTrim(r);
    return r;
}

Complex polyEval(const Poly& p, Complex s) {
    Complex r = 0;
    for (size_t k = p.size(); k-- > 0;) r = r * s + p[k];
    return r;
}

Poly polyDivQuadratic(const Poly& p, Real w, Real* residual) {
    Poly work = p;
    int n = static_cast<int>(work.size()) - 1;
    Real scale = 0;
    for (Real c : p) scale = std::max(scale, std::fabs(c));
    if (n < 2) {
        if (residual) *residual = scale > 0 ? 1 : 0;
        return Poly{0};
    }
    Poly q(n - 1, 0);
    for (int k = n; k >= 2; --k) {
        q[k - 2] = work[k];
        work[k - 2] -= w * work[k];
        work[k] = 0;
    }
    if (residual) {
        Real r = std::max(std::fabs(work[0]), std::fabs(work[1]));
        *residual = scale > 0 ? r / scale : 0;
    }
    polyTrim(q);
    return q;
}

namespace {

Complex derivEval(const Poly& p, Complex s) {
    Complex r = 0;
    for (size_t k = p.size(); k-- > 1;) r = r * s + p[k] * static_cast<Real>(k);
    return r;
}

void newtonPolish(const Poly& p, Complex& z) {
    for (int it = 0; it < 6; ++it) {
        Complex d = derivEval(p, z);
        if (std::abs(d) == 0) return;
        Complex step = polyEval(p, z) / d;
        z -= step;
        if (std::abs(step) <= 1e-19L * std::max<Real>(1, std::abs(z))) return;
    }
}

} // namespace

std::vector<Complex> polyRoots(const Poly& pin) {
    Poly p = pin;
    polyTrim(p);
    std::vector<Complex> roots;
    // Roots at the origin are split off exactly.
    size_t lead = 0;
    while (lead < p.size() - 1 && p[lead] == 0) {
        roots.push_back(0);
        ++lead;
    }
    p.erase(p.begin(), p.begin() + lead);
    int n = static_cast<int>(p.size()) - 1;
    if (n <= 0) return roots;
    Poly monic = polyScale(p, 1 / p.back());
    // Start on a circle of the geometric-mean root radius, turned off the axes.
    Real radius = std::pow(std::fabs(monic[0]), 1.0L / n);
    if (!(radius > 0) || !std::isfinite(radius)) radius = 1;
    std::vector<Complex> z(n);
    const Real pi = 3.14159265358979323846264338327950288L;
    for (int k = 0; k < n; ++k) z[k] = std::polar(radius, 2 * pi * k / n + 0.4L);
    // Aberth iteration: Newton's step on each root, deflated by the others.
    for (int it = 0; it < 800; ++it) {
        Real worst = 0;
        for (int k = 0; k < n; ++k) {
            Complex pv = polyEval(monic, z[k]);
            Complex dv = derivEval(monic, z[k]);
            if (std::abs(pv) == 0) continue;
            Complex ratio = pv / dv;
            Complex sum = 0;
            for (int j = 0; j < n; ++j)
                if (j != k) sum += Real(1) / (z[k] - z[j]);
            Complex w = ratio / (Real(1) - ratio * sum);
            if (!std::isfinite(w.real()) || !std::isfinite(w.imag())) w = ratio;
            z[k] -= w;
            worst = std::max(worst, std::abs(w) / std::max<Real>(1, std::abs(z[k])));
        }
        if (worst < 1e-15L) break; // Newton polishing follows
    }
    for (auto& r : z) newtonPolish(monic, r);
    roots.insert(roots.end(), z.begin(), z.end());
    return roots;
}

Poly polyFromRoots(const std::vector<Complex>& roots) {
    std::vector<Complex> c{Complex(1)};
    for (const Complex& r : roots) {
        std::vector<Complex> next(c.size() + 1, Complex(0));
        for (size_t i = 0; i < c.size(); ++i) {
            next[i + 1] += c[i];
            next[i] -= r * c[i];
        }
        c.swap(next);
    }
    Poly out(c.size());
    for (size_t i = 0; i < c.size(); ++i) out[i] = c[i].real();
    return out;
}

// ---- Darlington synthesis -----------------------------------------------

Poly spectralFactorW(const Poly& qwIn, bool strict) {
    Poly qw = qwIn;
    polyTrim(qw);
    int n = polyDegree(qw);
    if (!(qw[n] > 0)) return {};
    // G(s) = Q(-s^2), for polishing the roots found in w.
    Poly g(2 * n + 1, 0);
    for (int k = 0; k <= n; ++k) g[2 * k] = qw[k] * ((k % 2) ? -1 : 1);
    std::vector<Complex> wr = polyRoots(qw);
    std::vector<Complex> sr;
    for (const Complex& w : wr) {
        if (w == Complex(0)) {
            if (strict) return {};
            sr.push_back(0);
            continue;
        }
        Complex s = -std::sqrt(-w); // principal root has Re >= 0; take the left one
        newtonPolish(g, s);
        if (!(s.real() < -1e-15L * std::max<Real>(1, std::abs(s)))) {
            if (strict) return {};
            s = Complex(0, s.imag());
        }
        sr.push_back(s);
    }
    Poly e = polyFromRoots(sr);
    return polyScale(e, std::sqrt(qw[n]));
}

Poly magnitudeInW(const Poly& p) {
    Poly g = polyMul(p, polyMirror(p));
    int n = polyDegree(g) / 2;
    Poly qw(n + 1, 0);
    for (int k = 0; k <= n; ++k) qw[k] = g[2 * k] * ((k % 2) ? -1 : 1);
    return qw;
}

Poly hurwitzFromFeldtkeller(const Poly& f, const Poly& p) {
    // G(s) = F(s)F(-s) + P(s)P(-s) is even; in w = -s^2 it is |E(jW)|^2 with
    // w = W^2, a polynomial positive on w >= 0.
    return spectralFactorW(polyAdd(magnitudeInW(f), magnitudeInW(p)), true);
}

namespace {

// The wide chain in __float128; ladder_precise.cpp carries it further.
using namespace wide;
using Wide = __float128;
using WPoly = WP<Wide>;
using WComplex = WC<Wide>;

// ---- general ladders (DC-type elements, both arms) -------------------------

bool seriesArm(GeneralArm a) {
    return a == GeneralArm::SeriesL || a == GeneralArm::SeriesC || a == GeneralArm::SeriesTank;
}

Wide wmaxAbs(const WPoly& p) {
    Wide m = 0;
    for (Wide c : p) m = std::max(m, wabs(c));
    return m;
}

// p / s, dropping the constant term (which the caller made zero).
WPoly wshiftDown(const WPoly& p) {
    if (p.size() <= 1) return WPoly{0};
    WPoly r(p.begin() + 1, p.end());
    wtrim(r);
    return r;
}

GeneralLadder wideExtractGeneral(WPoly num, WPoly den, const std::vector<GeneralSection>& secs,
                                 bool singly) {
    GeneralLadder res;
    wtrim(num);
    wtrim(den);
    Wide pendingW = -1;
    auto note = [&](Wide r) {
        res.worstResidual = std::max(res.worstResidual, static_cast<double>(r));
    };
    for (size_t i = 0; i < secs.size(); ++i) {
        const GeneralSection& sec = secs[i];
        const GeneralSection* next = i + 1 < secs.size() ? &secs[i + 1] : nullptr;
        const bool series = seriesArm(sec.arm);
        // Series elements work on Z = num/den, shunt elements on Y = den/num.
        WPoly& top = series ? num : den;
        WPoly& bottom = series ? den : num;
        GeneralElement el;
        el.arm = sec.arm;
        Wide residual = 0;
        if (sec.arm == GeneralArm::SeriesTank || sec.arm == GeneralArm::ShuntTank) {
            Wide w = sec.omega;
            if (!(w > 0)) {
                res.error = "resonator without a zero frequency";
                return res;
            }
            if (pendingW != w) {
                bottom = wdivQuadratic(bottom, w * w, &residual);
                note(residual);
            }
            Wide a = ratioOverJw(top, bottom, w);
            top = wdivQuadratic(wsubShift(top, a, bottom), w * w, &residual);
            note(residual);
            pendingW = -1;
            // Series arm: Z = (1/C) s / (s^2 + W^2); shunt arm: Y = (1/L) s / (...).
            if (series) {
                el.value2 = static_cast<double>(1 / a);
                el.value = static_cast<double>(a / (w * w));
            } else {
                el.value = static_cast<double>(1 / a);
                el.value2 = static_cast<double>(a / (w * w));
            }
            el.omega = static_cast<double>(w);
        } else if (sec.arm == GeneralArm::SeriesL || sec.arm == GeneralArm::ShuntC) {
            Wide k;
            if (sec.omega > 0) {
                Wide w = sec.omega;
                k = ratioOverJw(top, bottom, w);
                top = wdivQuadratic(wsubShift(top, k, bottom), w * w, &residual);
                note(residual);
                pendingW = w;
            } else {
                int dt = wdegree(top), db = wdegree(bottom);
                if (dt != db + 1) {
                    res.error = "no pole at infinity to remove";
                    return res;
                }
                k = top[dt] / bottom[db];
                top = wsubShift(top, k, bottom);
                dropTop(top, dt);
                // Followed by the other arm's L or C, the remainder vanishes
                // at infinity: what is left at the bottom's degree is
                // rounding. So is a term at that degree far below the others.
                bool infNext =
                    next && (next->arm == GeneralArm::SeriesL || next->arm == GeneralArm::ShuntC);
                if (next && ((infNext && seriesArm(next->arm) != series) ||
                             (static_cast<int>(top.size()) > db &&
                              wabs(top[db]) <= Wide(1e-15) * wmaxAbs(top))))
                    dropTop(top, db);
                pendingW = -1;
            }
            el.value = static_cast<double>(k);
        } else {
            // Series C (pole of Z at DC) or shunt L (pole of Y at DC): the
            // bottom polynomial must vanish at s = 0.
            Wide scale = wmaxAbs(bottom);
            if (bottom.size() < 2 || wabs(bottom[0]) > Wide(1e-12) * scale) {
                res.error = "no pole at DC to remove";
                return res;
            }
            note(static_cast<double>(wabs(bottom[0]) / scale));
            bottom[0] = 0;
            WPoly b1 = wshiftDown(bottom);
            Wide k;
            if (sec.omega > 0) {
                // Z - k/s vanishes at jW: k = -W^2 Z(jW)/(jW).
                Wide w = sec.omega;
                k = -w * w * ratioOverJw(top, bottom, w);
                top = wdivQuadratic(wadd(top, b1, -k), w * w, &residual);
                note(residual);
                pendingW = w;
            } else {
                k = top[0] / b1[0];
                WPoly t = wadd(top, b1, -k);
                t[0] = 0;
                top = wshiftDown(t);
                bottom = b1;
                // A remainder vanishing at DC to rounding does so exactly.
                // Followed by the other arm's DC element it must.
                bool dcNext =
                    next && (next->arm == GeneralArm::SeriesC || next->arm == GeneralArm::ShuntL);
                if (next && ((dcNext && seriesArm(next->arm) != series) ||
                             wabs(top[0]) <= Wide(1e-15) * wmaxAbs(top)))
                    top[0] = 0;
                pendingW = -1;
            }
            el.value = static_cast<double>(1 / k);
        }
        if (!(el.value > 0) || (el.arm >= GeneralArm::SeriesTank && !(el.value2 > 0)))
            res.negative = true;
        if (!std::isfinite(el.value) || !std::isfinite(el.value2)) {
            res.error = "element value not finite";
            return res;
        }
        res.elements.push_back(el);
    }
    wtrim(num);
    wtrim(den);
    Wide sn = wmaxAbs(num), sd = wmaxAbs(den);
    if (singly) {
        if (sn == 0 || sd > Wide(1e-9) * sn) {
            res.error = "remainder is not an open circuit";
            return res;
        }
        note(static_cast<double>(sd / sn));
        res.source = 1e20;
    } else {
        // A resistance: everything above the constant terms is rounding.
        Wide extra = 0;
        for (size_t k = 1; k < num.size(); ++k) extra = std::max(extra, wabs(num[k]) / sn);
        for (size_t k = 1; k < den.size(); ++k) extra = std::max(extra, wabs(den[k]) / sd);
        if (sn == 0 || sd == 0 || den[0] == 0 || extra > Wide(1e-9)) {
            res.error = "remainder is not a resistance";
            return res;
        }
        note(static_cast<double>(extra));
        res.source = static_cast<double>(num[0] / den[0]);
        if (!(res.source > 0)) res.negative = true;
    }
    res.ok = true;
    return res;
}

// U + sqrt(Q) V recursion of the generalized Chebyshev function in the real
// frequency variable w (polynomials in w). Each term is x = a/b with
// a^2 - b^2 = c^2 Q; C(w) = U / prod(b).
struct ChebTerm {
    WPoly a, b;
    Wide c;
};

std::vector<ChebTerm> chebTerms(const ChebyshevSpec& sp, WPoly& q) {
    std::vector<ChebTerm> terms;
    if (!sp.bandpass) {
        q = WPoly{-1, 0, 1};
        for (Real z : sp.finite) {
            for (int sgn : {1, -1}) {
                Wide om = Wide(z) * sgn;
                terms.push_back({WPoly{-1 / om, 1}, WPoly{1, -1 / om}, wsqrt(1 - 1 / (om * om))});
            }
        }
        for (int i = 0; i < sp.inf; ++i) terms.push_back({WPoly{0, 1}, WPoly{1}, 1});
        return terms;
    }
    Wide w1 = Wide(sp.w1) * Wide(sp.w1), w2 = Wide(sp.w2) * Wide(sp.w2);
    Wide d = w2 - w1;
    q = wmul(WPoly{-w1, 0, 1}, WPoly{-w2, 0, 1});
    // Normalized band variable O(w) = (2 w^2 - w1 - w2) / (w2 - w1).
    WPoly o{-(w1 + w2) / d, 0, 2 / d};
    auto finiteTerm = [&](Wide wz) {
        Wide oz = (2 * wz - w1 - w2) / d;
        WPoly a = o;
        a[0] -= 1 / oz;
        WPoly b = wadd(WPoly{1}, o, -1 / oz);
        terms.push_back({a, b, wsqrt(1 - 1 / (oz * oz)) * 2 / d});
    };
    for (Real z : sp.finite) finiteTerm(Wide(z) * Wide(z));
    int pairs = std::min(sp.dc, sp.inf);
    for (int i = 0; i < pairs; ++i)
        terms.push_back(
            {WPoly{-Wide(sp.w1) * Wide(sp.w2), 0, 1}, WPoly{0, Wide(sp.w2) - Wide(sp.w1)}, 1});
    for (int i = 0; i < (sp.inf - pairs) / 2; ++i) terms.push_back({o, WPoly{1}, 2 / d});
    for (int i = 0; i < (sp.dc - pairs) / 2; ++i) finiteTerm(0);
    return terms;
}

// F(s) and P(s) with |F(jw)/P(jw)| = eps |C(w)|.
void wideChebyshevPolys(const ChebyshevSpec& sp, WPoly& f, WPoly& p) {
    WPoly q;
    std::vector<ChebTerm> terms = chebTerms(sp, q);
    WPoly u{1}, v{0}, dpoly{1};
    for (const ChebTerm& t : terms) {
        WPoly un = wadd(wmul(u, t.a), wmul(q, v), t.c);
        WPoly vn = wadd(wmul(v, t.a), u, t.c);
        u = un;
        v = vn;
        dpoly = wmul(dpoly, t.b);
    }
    wtrim(u);
    wtrim(dpoly);
    // P in s, and the same product in w (P(jw) up to a power of j).
    WPoly pw{1};
    p = WPoly{1};
    int dcPower = sp.bandpass ? sp.dc : 0;
    for (int i = 0; i < dcPower; ++i) {
        pw = wmul(pw, WPoly{0, 1});
        p = wmul(p, WPoly{0, 1});
    }
    for (Real z : sp.finite) {
        Wide z2 = Wide(z) * Wide(z);
        pw = wmul(pw, WPoly{z2, 0, -1});
        p = wmul(p, WPoly{z2, 0, 1});
    }
    Wide rho = dpoly[wdegree(dpoly)] / pw[wdegree(pw)];
    int deg = wdegree(u);
    f.assign(u.size(), 0);
    for (int k = 0; k <= deg; ++k) {
        if ((deg - k) % 2 != 0) continue; // rounding of the other parity
        Wide sign = ((k / 2) % 2) ? -1 : 1;
        f[k] = Wide(sp.eps) * u[k] * sign / rho;
    }
}

// F and E rebuilt from their roots, each root polished against a product
// form of the function it belongs to. Multiplied-out coefficients of sharp
// responses describe their roots only to about 1e-19 (the cancellations of
// Horner's rule); the reflection zeros polished on the product of the
// recursion's factors and E's roots polished on F F* + P P* with F and P in
// factored form come to full 113-bit accuracy, and polynomials with all
// their roots on or left of the j axis multiply out without cancellation.
bool refineFactored(const ChebyshevSpec& sp, WPoly& f, const WPoly& p, WPoly& e,
                    const std::vector<WComplex>& eRoots) {
    WPoly q;
    std::vector<ChebTerm> terms = chebTerms(sp, q);
    const int n = wdegree(f);
    const int par = n % 2;
    // U(w) in the band: Re prod(a_k + c_k j sqrt(-Q)).
    auto u = [&](Wide w) {
        Wide qv = 0, pw = 1;
        for (Wide c : q) qv += c * pw, pw *= w;
        Wide root = wsqrt(qv < 0 ? -qv : Wide(0));
        WComplex prod{1, 0};
        for (const ChebTerm& t : terms) {
            Wide a = 0;
            pw = 1;
            for (Wide c : t.a) a += c * pw, pw *= w;
            prod = prod * WComplex{a, t.c * root};
        }
        return prod.re;
    };
    // Starting values: the sign changes of C across the band (a grid dense
    // at the band edges, where the reflection zeros crowd), bisected.
    ChebyshevEvaluator ev(sp);
    const double lo = sp.bandpass ? double(sp.w1) : 0.0, hi = sp.bandpass ? double(sp.w2) : 1.0;
    const int grid = 4000;
    auto at = [&](int i) {
        return 0.5 * (lo + hi) - 0.5 * (hi - lo) * std::cos(3.141592653589793 * i / grid);
    };
    std::vector<Wide> omegas;
    double prevW = at(1), prevC = ev.value(prevW);
    for (int i = 2; i < grid; ++i) {
        double w = at(i), c = ev.value(w);
        if ((c < 0) != (prevC < 0)) {
            double a = prevW, b = w, ca = prevC;
            for (int it = 0; it < 60; ++it) {
                double m = 0.5 * (a + b), cm = ev.value(m);
                if ((cm < 0) == (ca < 0))
                    a = m, ca = cm;
                else
                    b = m;
            }
            Wide x = 0.5 * (a + b);
            for (int it = 0; it < 6; ++it) {
                Wide h = x * Wide(1e-12);
                Wide d = (u(x + h) - u(x - h)) / (2 * h);
                if (d == 0) break;
                Wide step = u(x) / d;
                x -= step;
                if (wabs(step) <= Wide(1e-32) * x) break;
            }
            omegas.push_back(x);
        }
        prevW = w, prevC = c;
    }
    if (static_cast<int>(omegas.size()) != n / 2) return false;
    Wide lead = f[static_cast<size_t>(n)];
    WPoly ff{lead};
    if (par) ff = wmul(ff, WPoly{0, 1});
    for (Wide w : omegas) ff = wmul(ff, WPoly{w * w, 0, 1});
    // The multiplied-out F must be the same function.
    Wide scale = 0, diff = 0;
    for (size_t k = 0; k < std::max(f.size(), ff.size()); ++k) {
        Wide a = k < f.size() ? f[k] : 0, b = k < ff.size() ? ff[k] : 0;
        scale = std::max(scale, wabs(a));
        diff = std::max(diff, wabs(a - b));
    }
    if (!(diff <= Wide(1e-12) * scale)) return false;
    // E's roots polished on F F* + P P* in factored form.
    int pOrigin = 0;
    while (pOrigin < static_cast<int>(p.size()) && p[static_cast<size_t>(pOrigin)] == 0) ++pOrigin;
    const Wide pLead = p[static_cast<size_t>(wdegree(p))];
    std::vector<Wide> pz;
    for (Real v : sp.finite) pz.push_back(Wide(v) * Wide(v));
    auto fEval = [&](WComplex x) {
        WComplex r{lead, 0};
        if (par) r = r * x;
        for (Wide w : omegas) r = r * (x * x + WComplex{w * w, 0});
        return r;
    };
    auto pEval = [&](WComplex x) {
        WComplex r{pLead, 0};
        for (int k = 0; k < pOrigin; ++k) r = r * x;
        for (Wide z : pz) r = r * (x * x + WComplex{z, 0});
        return r;
    };
    auto evalG = [&](WComplex s) {
        WComplex ms{-s.re, -s.im};
        return fEval(s) * fEval(ms) + pEval(s) * pEval(ms);
    };
    WPoly g = wadd(wmul(ff, wmirror(ff)), wmul(p, wmirror(p)));
    wtrim(g);
    const Wide eLead = e[static_cast<size_t>(wdegree(e))];
    std::vector<WComplex> roots;
    for (WComplex r : eRoots) {
        for (int it = 0; it < 8; ++it) {
            WComplex d = wderivC(g, r);
            if (wnorm(d) == 0) break;
            WComplex step = evalG(r) / d;
            r = r - step;
            if (wnorm(step) <= Wide(1e-64) * std::max(Wide(1), wnorm(r))) break;
        }
        if (!(r.re < 0)) return false;
        roots.push_back(r);
    }
    std::vector<WComplex> c{WComplex{1, 0}};
    for (const WComplex& r : roots) {
        std::vector<WComplex> next(c.size() + 1);
        for (size_t i = 0; i < c.size(); ++i) {
            next[i + 1] = next[i + 1] + c[i];
            next[i] = next[i] - r * c[i];
        }
        c.swap(next);
    }
    WPoly ne(c.size());
    for (size_t i = 0; i < c.size(); ++i) ne[i] = c[i].re * eLead;
    f = ff;
    e = ne;
    return true;
}

} // namespace

LadderResult extractLadder(Poly num, Poly den, const std::vector<LadderSection>& sections,
                           bool singly) {
    return wideExtract(widen<Wide>(num), widen<Wide>(den), sections, singly);
}

LadderResult synthesizeLadder(const Poly& f, const Poly& p, const std::vector<Real>& finiteZeros,
                              int infinityZeros, bool singly) {
    return wideLadderFromFP(widen<Wide>(f), widen<Wide>(p), finiteZeros, infinityZeros, singly);
}

LadderResult synthesizeLadderFactored(const FactoredPoly& f, const FactoredPoly& p,
                                      const std::vector<Real>& finiteZeros, int infinityZeros,
                                      bool singly) {
    return wideFactoredLadder<Wide>(f, p, finiteZeros, infinityZeros, singly);
}

LadderResult searchLadderFactored(const FactoredPoly& f, const FactoredPoly& p,
                                  const std::vector<Real>& zerosAscending, int infinityZeros,
                                  bool singly, long stepLimit, LadderSearch* stats) {
    LadderSearch local;
    return wideFactoredSearch<Wide>(f, p, zerosAscending, infinityZeros, singly, stepLimit,
                                    stats ? *stats : local);
}

LadderResult synthesizeGeneralizedChebyshev(const std::vector<Real>& zeros,
                                            const std::vector<Real>& extractionOrder,
                                            int infinityZeros, Real eps, bool singly) {
    return wideChebyshevLadder<Wide>(zeros, extractionOrder, infinityZeros, eps, singly);
}

LadderResult synthesizeLadderFromE(const Poly& e, const Poly& f, const Poly& p,
                                   const std::vector<Real>& finiteZeros, int infinityZeros,
                                   bool singly) {
    return wideSynthesize(widen<Wide>(e), widen<Wide>(f), widen<Wide>(p), finiteZeros,
                          infinityZeros, singly);
}

void generalizedChebyshev(const std::vector<Real>& finiteZeros, int infinityZeros, Real eps,
                          Poly& f, Poly& p) {
    // U and W in the variable Omega: C(Omega) = U / prod(1 - Omega/Omega_n),
    // the companion term being sqrt(Omega^2 - 1) W.
    Poly u{1}, w{0};
    auto step = [&](Real a) {
        Real b = std::sqrt(std::max<Real>(0, 1 - a * a));
        Poly lin{-a, 1};
        Poly om2m1{-1, 0, 1};
        Poly un = polyAdd(polyMul(lin, u), polyScale(polyMul(om2m1, w), b));
        Poly wn = polyAdd(polyMul(lin, w), polyScale(u, b));
        u = un;
        w = wn;
    };
    for (Real z : finiteZeros) {
        step(1 / z);
        step(-1 / z);
    }
    for (int i = 0; i < infinityZeros; ++i) step(0);
    polyTrim(u);
    // Symmetric zeros leave U purely even or odd; clean the other half.
    int deg = polyDegree(u);
    for (int k = 0; k <= deg; ++k)
        if ((k - deg) % 2 != 0) u[k] = 0;
    Real prodW2 = 1;
    p = Poly{1};
    for (Real z : finiteZeros) {
        prodW2 *= z * z;
        p = polyMul(p, Poly{z * z, 0, 1});
    }
    f.assign(u.size(), 0);
    for (size_t k = 0; k < u.size(); ++k) {
        Real sign = ((k / 2) % 2) ? -1 : 1;
        f[k] = eps * prodW2 * u[k] * sign;
    }
}

double characteristicLossDb(const Poly& f, const Poly& p, double omega) {
    Complex s(0, omega);
    Complex pv = polyEval(p, s);
    Complex fv = polyEval(f, s);
    Real pa = std::norm(pv);
    if (pa == 0) return 1e3;
    Real k2 = std::norm(fv) / pa;
    return double(10 * std::log10(1 + k2));
}

std::vector<int> automaticZeroSequence(int n) {
    std::vector<int> seq;
    std::vector<bool> used(n + 1, false);
    for (int k = n; k >= 1; k -= 2) {
        seq.push_back(k);
        used[k] = true;
    }
    for (int k = 1; k <= n; ++k)
        if (!used[k]) seq.push_back(k);
    return seq;
}

// ---- general ladders --------------------------------------------------------

int chebyshevDegree(const ChebyshevSpec& sp) {
    return 2 * static_cast<int>(sp.finite.size()) + sp.inf + (sp.bandpass ? sp.dc : 0);
}

ChebyshevEvaluator::ChebyshevEvaluator(const ChebyshevSpec& sp) : eps_(double(sp.eps)) {
    WPoly q;
    for (const ChebTerm& t : chebTerms(sp, q)) {
        auto at = [](const WPoly& p, size_t k) { return k < p.size() ? double(p[k]) : 0.0; };
        terms_.push_back({at(t.a, 0), at(t.a, 1), at(t.a, 2), at(t.b, 0), at(t.b, 1), at(t.b, 2)});
    }
}

double ChebyshevEvaluator::value(double w) const {
    // cos(sum acos x) in the band, +-cosh(sum acosh |x|) outside it.
    double sumIn = 0, sumOut = 0;
    int negatives = 0;
    bool inside = true;
    for (const Term& t : terms_) {
        double b = t.b0 + w * (t.b1 + w * t.b2);
        if (b == 0) return 1e300;
        double x = (t.a0 + w * (t.a1 + w * t.a2)) / b;
        double ax = std::fabs(x);
        if (ax > 1 + 1e-15) inside = false;
        if (inside) sumIn += std::acos(std::clamp(x, -1.0, 1.0));
        ax = std::max(1.0, ax);
        sumOut += std::log(ax + std::sqrt((ax - 1) * (ax + 1)));
        if (x < 0) ++negatives;
    }
    if (inside) return std::cos(sumIn);
    if (sumOut > 690) return negatives % 2 ? -1e300 : 1e300;
    double c = std::cosh(sumOut);
    return negatives % 2 ? -c : c;
}

double ChebyshevEvaluator::lossDb(double w) const {
    double ec = eps_ * value(w);
    if (std::fabs(ec) > 1e150) return 20 * std::log10(std::fabs(ec));
    return 10 * std::log10(1 + ec * ec);
}

double chebyshevValue(const ChebyshevSpec& sp, double omega) {
    return ChebyshevEvaluator(sp).value(omega);
}

double chebyshevLossDb(const ChebyshevSpec& sp, double omega) {
    return ChebyshevEvaluator(sp).lossDb(omega);
}

void chebyshevPolynomials(const ChebyshevSpec& sp, Poly& f, Poly& p) {
    WPoly wf, wp;
    wideChebyshevPolys(sp, wf, wp);
    f.assign(wf.begin(), wf.end());
    p.assign(wp.begin(), wp.end());
}

GeneralLadder synthesizeGeneral(const ChebyshevSpec& sp, const std::vector<GeneralSection>& secs,
                                bool singly) {
    GeneralLadder bad;
    WPoly f, p;
    wideChebyshevPolys(sp, f, p);
    std::vector<WComplex> eRoots;
    WPoly e = wideHurwitz(f, p, &eRoots);
    if (e.empty()) {
        bad.error = "no Hurwitz factor (the response touches zero transmission in the passband)";
        return bad;
    }
    {
        WPoly f2 = f, e2 = e;
        if (refineFactored(sp, f2, p, e2, eRoots)) f = f2, e = e2;
    }
    std::vector<std::pair<WPoly, WPoly>> candidates;
    if (singly) {
        // Fed from a current source: the open-circuit impedance at the
        // termination port is the ratio of E's parts, the denominator having
        // the parity opposite to P's.
        WPoly ev = e, od = e;
        for (size_t k = 0; k < e.size(); ++k) (k % 2 ? ev : od)[k] = 0;
        wtrim(ev);
        wtrim(od);
        bool pOdd = wdegree(p) % 2 == 1;
        candidates.push_back(pOdd ? std::make_pair(od, ev) : std::make_pair(ev, od));
    } else {
        WPoly ff = f;
        ff.resize(std::max(e.size(), f.size()), 0);
        for (Wide sigma : {Wide(1), Wide(-1)}) {
            WPoly a = wadd(e, ff, sigma), b = wadd(e, ff, -sigma);
            // E and F share the leading (trailing) terms when P has zeros at
            // infinity (at DC): the difference loses them exactly.
            int de = wdegree(e);
            if (wdegree(p) < de && wabs(a[de]) < wabs(b[de])) a[de] = 0;
            if (wdegree(p) < de && wabs(b[de]) < wabs(a[de])) b[de] = 0;
            if (p[0] == 0) {
                if (wabs(a[0]) < wabs(b[0]))
                    a[0] = 0;
                else
                    b[0] = 0;
            }
            wtrim(a);
            wtrim(b);
            candidates.push_back({a, b});
        }
    }
    GeneralLadder first;
    for (size_t i = 0; i < candidates.size(); ++i) {
        GeneralLadder r =
            wideExtractGeneral(candidates[i].first, candidates[i].second, secs, singly);
        if (r.ok) return r;
        if (i == 0) first = r;
    }
    return first;
}

} // namespace tanvex::synthesis
