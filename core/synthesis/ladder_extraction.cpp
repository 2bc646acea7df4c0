#include "synthesis/ladder_extraction.h"

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
        if (worst < 1e-18L) break;
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

// Im(p(jW)) / W for an odd polynomial and Re for an even one are real; the
// helpers below evaluate the reactance ratios used by the extraction.
Real ratioOverJw(const Poly& a, const Poly& b, Real w) {
    // a(jW) / (jW b(jW)), real for a reactance function a/b
    Complex s(0, w);
    Complex r = polyEval(a, s) / (s * polyEval(b, s));
    return r.real();
}

void dropTop(Poly& p, int degree) {
    if (static_cast<int>(p.size()) > degree) p.resize(degree + (degree >= 0 ? 0 : 1));
    polyTrim(p);
}

} // namespace

LadderResult extractLadder(Poly num, Poly den, const std::vector<LadderSection>& sections,
                           bool singly) {
    LadderResult res;
    polyTrim(num);
    polyTrim(den);
    Real pendingW = -1; // the factor s^2 + pendingW^2 was already divided out
    auto note = [&](Real r) { res.worstResidual = std::max(res.worstResidual, double(r)); };
    for (size_t i = 0; i < sections.size(); ++i) {
        const LadderSection& sec = sections[i];
        const LadderSection* next = i + 1 < sections.size() ? &sections[i + 1] : nullptr;
        LadderElement el;
        el.code = sec.code;
        Real residual = 0;
        if (sec.code == 2 || sec.code == 3) {
            // Shunt C works on Y = den/num, series L on Z = num/den.
            Poly& top = sec.code == 2 ? den : num;
            Poly& bottom = sec.code == 2 ? num : den;
            int partner = sec.code == 2 ? 5 : 4;
            Real k;
            if (next && next->code == partner) {
                Real w = next->omega;
                k = ratioOverJw(top, bottom, w);
                Poly sb = polyMul(Poly{0, k}, bottom);
                top = polyDivQuadratic(polySub(top, sb), w * w, &residual);
                note(residual);
                pendingW = w;
            } else {
                int dt = polyDegree(top), db = polyDegree(bottom);
                if (dt != db + 1) {
                    res.error = "no pole at infinity to remove";
                    return res;
                }
                k = top[dt] / bottom[db];
                Poly sb = polyMul(Poly{0, k}, bottom);
                top = polySub(top, sb);
                dropTop(top, dt);
                // With more sections to come the remainder has a zero at
                // infinity (the next element is of the other kind): whatever
                // is left at or above the bottom's degree is rounding.
                if (next) dropTop(top, db);
                pendingW = -1;
            }
            el.value = double(k);
        } else if (sec.code == 5 || sec.code == 4) {
            // Code 5: Z = num/((s^2+W^2) den); code 4: Y = den/((s^2+W^2) num).
            Poly& top = sec.code == 5 ? num : den;
            Poly& bottom = sec.code == 5 ? den : num;
            Real w = sec.omega;
            if (pendingW != w) {
                bottom = polyDivQuadratic(bottom, w * w, &residual);
                note(residual);
            }
            Real a = ratioOverJw(top, bottom, w);
            Poly sb = polyMul(Poly{0, a}, bottom);
            top = polyDivQuadratic(polySub(top, sb), w * w, &residual);
            note(residual);
            pendingW = -1;
            // Tank in the series arm: Z = (1/C) s / (s^2 + 1/(L C)); branch in
            // shunt: Y = (1/L) s / (s^2 + 1/(L C)).
            if (sec.code == 5) {
                el.value2 = double(1 / a);
                el.value = double(a / (w * w));
            } else {
                el.value = double(1 / a);
                el.value2 = double(a / (w * w));
            }
        } else {
            res.error = "unknown section code";
            return res;
        }
        if (!(el.value > 0) || (el.code >= 4 && !(el.value2 > 0))) res.negative = true;
        if (!std::isfinite(el.value) || !std::isfinite(el.value2)) {
            res.error = "element value not finite";
            return res;
        }
        res.elements.push_back(el);
    }
    polyTrim(num);
    polyTrim(den);
    if (singly) {
        // The last shunt C leaves nothing: admittance den/num must vanish.
        Real scaleN = 0, scaleD = 0;
        for (Real c : num) scaleN = std::max(scaleN, std::fabs(c));
        for (Real c : den) scaleD = std::max(scaleD, std::fabs(c));
        if (scaleN == 0 || scaleD > 1e-6L * scaleN) {
            res.error = "remainder is not an open circuit";
            return res;
        }
        res.source = 1e20;
    } else {
        if (polyDegree(num) != 0 || polyDegree(den) != 0 || den[0] == 0) {
            res.error = "remainder is not a resistance";
            return res;
        }
        res.source = double(num[0] / den[0]);
        if (!(res.source > 0)) res.negative = true;
    }
    res.ok = true;
    return res;
}

LadderResult synthesizeLadder(const Poly& f, const Poly& p, const std::vector<Real>& finiteZeros,
                              int infinityZeros, bool singly) {
    Poly e = hurwitzFromFeldtkeller(f, p);
    if (e.empty()) {
        LadderResult bad;
        bad.error = "no Hurwitz factor (the response touches zero transmission in the passband)";
        return bad;
    }
    return synthesizeLadderFromE(e, f, p, finiteZeros, infinityZeros, singly);
}

LadderResult synthesizeLadderFromE(const Poly& e, const Poly& f, const Poly& p,
                                   const std::vector<Real>& finiteZeros, int infinityZeros,
                                   bool singly) {
    LadderResult bad;
    int n = polyDegree(e);
    std::vector<LadderSection> sections;
    if (finiteZeros.empty()) {
        for (int k = 1; k <= n; ++k) sections.push_back({(n - k) % 2 == 0 ? 2 : 3, 0});
    } else if (infinityZeros == 1 || infinityZeros == 2) {
        if (infinityZeros == 2) sections.push_back({3, 0});
        for (Real w : finiteZeros) {
            sections.push_back({2, 0});
            sections.push_back({5, w});
        }
        sections.push_back({2, 0});
        if (static_cast<int>(sections.size()) != n) {
            bad.error = "zero count does not match the degree";
            return bad;
        }
    } else {
        bad.error = "unsupported number of zeros at infinity";
        return bad;
    }
    bool firstSeries = sections.front().code == 3;
    Poly num, den;
    if (singly) {
        num = polyEvenPart(e);
        den = polyOddPart(e);
        bool pole = polyDegree(num) > polyDegree(den);
        if (pole != firstSeries) {
            bad.error = "ladder form does not match the order";
            return bad;
        }
    } else {
        Poly ff = f;
        ff.resize(e.size(), 0);
        int de = polyDegree(e);
        Real sigma = (ff[de] != 0 && e[de] * ff[de] < 0) ? -1 : 1;
        Poly a = polyAdd(e, polyScale(ff, sigma));
        Poly b = polySub(e, polyScale(ff, sigma));
        // E and F share their leading term when P has zeros at infinity; the
        // difference loses that term exactly.
        if (polyDegree(p) < de && ff[de] != 0) {
            b[de] = 0;
            polyTrim(b);
        }
        num = firstSeries ? a : b;
        den = firstSeries ? b : a;
    }
    return extractLadder(num, den, sections, singly);
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

} // namespace tanvex::synthesis
