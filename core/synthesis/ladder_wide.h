// Polynomial arithmetic and Darlington extraction in a wide number type W.
//
// Private to the synthesis library: included by ladder_extraction.cpp, which
// instantiates it with __float128, and by ladder_precise.cpp, which
// instantiates it with a multiprecision type for the sharpest responses. W
// needs + - * /, comparisons and conversions from and to long double; square
// roots are taken by Newton's method from a long double seed, so no library
// function of W is called.
#pragma once

#include "synthesis/ladder_extraction.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

namespace tanvex::synthesis::wide {

template <class W> using WP = std::vector<W>;

// The extraction subtracts nearly equal polynomials at every step; for sharp
// responses long double runs out of digits near order 12. The whole chain
// from E(s) to the element values is therefore carried in a wide type:
// __float128 (113-bit mantissa, software arithmetic - a few milliseconds per
// ladder) in general, more digits where that is not enough.

// Relative precision of W (__float128 has no numeric_limits in strict C++).
template <class W> W wideEpsilon() {
    if constexpr (std::is_same_v<W, __float128>)
        return W(1.0L) / W(1ULL << 56) / W(1ULL << 56);
    else
        return std::numeric_limits<W>::epsilon();
}

template <class W> W wabs(W x) {
    return x < 0 ? -x : x;
}

template <class W> W wsqrt(W a) {
    if (!(a > 0)) return 0;
    W x = std::sqrt(static_cast<long double>(a));
    for (int i = 0; i < 12; ++i) {
        W next = (x + a / x) / 2;
        if (wabs(next - x) <= wideEpsilon<W>() * x) return next;
        x = next;
    }
    return x;
}

template <class W> struct WC { W re = 0, im = 0; };
template <class W> WC<W> operator+(WC<W> a, WC<W> b) {
    return {a.re + b.re, a.im + b.im};
}
template <class W> WC<W> operator-(WC<W> a, WC<W> b) {
    return {a.re - b.re, a.im - b.im};
}
template <class W> WC<W> operator*(WC<W> a, WC<W> b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
template <class W> WC<W> operator/(WC<W> a, WC<W> b) {
    W d = b.re * b.re + b.im * b.im;
    return {(a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d};
}
template <class W> W wnorm(WC<W> a) {
    return a.re * a.re + a.im * a.im;
}

template <class W> WP<W> widen(const Poly& p) {
    return WP<W>(p.begin(), p.end());
}

template <class W> void wtrim(WP<W>& p) {
    while (p.size() > 1 && p.back() == 0) p.pop_back();
    if (p.empty()) p.push_back(0);
}
template <class W> int wdegree(const WP<W>& p) {
    for (int k = static_cast<int>(p.size()) - 1; k >= 0; --k)
        if (p[k] != 0) return k;
    return 0;
}
template <class W> WP<W> wmul(const WP<W>& a, const WP<W>& b) {
    WP<W> r(a.size() + b.size() - 1, 0);
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < b.size(); ++j) r[i + j] += a[i] * b[j];
    return r;
}
template <class W> WP<W> wadd(const WP<W>& a, const WP<W>& b, W kb = 1) {
    WP<W> r(std::max(a.size(), b.size()), 0);
    for (size_t i = 0; i < a.size(); ++i) r[i] += a[i];
    for (size_t i = 0; i < b.size(); ++i) r[i] += kb * b[i];
    return r;
}
// a - k s b
template <class W> WP<W> wsubShift(const WP<W>& a, W k, const WP<W>& b) {
    WP<W> r(std::max(a.size(), b.size() + 1), 0);
    for (size_t i = 0; i < a.size(); ++i) r[i] += a[i];
    for (size_t i = 0; i < b.size(); ++i) r[i + 1] -= k * b[i];
    return r;
}
template <class W> WP<W> wmirror(const WP<W>& p) {
    WP<W> r = p;
    for (size_t k = 1; k < r.size(); k += 2) r[k] = -r[k];
    return r;
}
template <class W> WP<W> wdivQuadratic(const WP<W>& p, W w, W* residual) {
    WP<W> work = p;
    int n = static_cast<int>(work.size()) - 1;
    W scale = 0;
    for (W c : p) scale = std::max(scale, wabs(c));
    if (n < 2) {
        *residual = scale > 0 ? 1 : 0;
        return WP<W>{0};
    }
    WP<W> q(n - 1, 0);
    for (int k = n; k >= 2; --k) {
        q[k - 2] = work[k];
        work[k - 2] -= w * work[k];
        work[k] = 0;
    }
    W r = std::max(wabs(work[0]), wabs(work[1]));
    *residual = scale > 0 ? r / scale : 0;
    wtrim(q);
    return q;
}
// p(jW) as (real, imaginary) with real arithmetic only.
template <class W> WC<W> wevalJw(const WP<W>& p, W w) {
    WC<W> r;
    W pw = 1;
    for (size_t k = 0; k < p.size(); ++k) {
        W t = p[k] * pw;
        switch (k % 4) {
        case 0:
            r.re += t;
            break;
        case 1:
            r.im += t;
            break;
        case 2:
            r.re -= t;
            break;
        case 3:
            r.im -= t;
            break;
        }
        pw *= w;
    }
    return r;
}
template <class W> WC<W> wevalC(const WP<W>& p, WC<W> s) {
    WC<W> r;
    for (size_t k = p.size(); k-- > 0;) r = r * s + WC<W>{p[k], 0};
    return r;
}
template <class W> WC<W> wderivC(const WP<W>& p, WC<W> s) {
    WC<W> r;
    for (size_t k = p.size(); k-- > 1;) r = r * s + WC<W>{p[k] * W(k), 0};
    return r;
}

// a(jW) / (jW b(jW)), real for a reactance function a/b.
// Principal square root.
template <class W> WC<W> wcsqrt(WC<W> z) {
    W r = wsqrt(wnorm(z));
    W re = wsqrt((r + z.re) / 2), im = wsqrt((r - z.re) / 2);
    return {re, z.im < 0 ? -im : im};
}

// Real polynomial lead * prod(s - roots), the roots in conjugate pairs.
template <class W> WP<W> wideFromRoots(const std::vector<WC<W>>& roots, W lead) {
    std::vector<WC<W>> c{WC<W>{1, 0}};
    for (const WC<W>& r : roots) {
        std::vector<WC<W>> next(c.size() + 1);
        for (size_t i = 0; i < c.size(); ++i) {
            next[i + 1] = next[i + 1] + c[i];
            next[i] = next[i] - r * c[i];
        }
        c.swap(next);
    }
    WP<W> e(c.size());
    for (size_t i = 0; i < c.size(); ++i) e[i] = c[i].re * lead;
    return e;
}

// Simultaneous roots by Aberth's iteration from one starting value per root;
// newton(z) is the Newton correction q(z)/q'(z). The iteration keeps the
// approximations apart, so close roots are not lost to one another as with
// separate Newton steps. False when it does not settle to W's precision.
template <class W, class Newton> bool wideAberth(std::vector<WC<W>>& z, const Newton& newton) {
    const int n = static_cast<int>(z.size());
    const W tol = W(1e8) * wideEpsilon<W>() * wideEpsilon<W>();
    for (int it = 0; it < 100; ++it) {
        W worst = 0;
        for (int k = 0; k < n; ++k) {
            WC<W> ratio = newton(z[k]), sum{0, 0};
            if (wnorm(ratio) == 0) continue;
            for (int j = 0; j < n; ++j)
                if (j != k) sum = sum + WC<W>{1, 0} / (z[k] - z[j]);
            WC<W> step = ratio / (WC<W>{1, 0} - ratio * sum);
            z[k] = z[k] - step;
            worst = std::max(worst, wnorm(step) / std::max(W(1), wnorm(z[k])));
        }
        if (worst <= tol) return true;
    }
    return false;
}

template <class W> W ratioOverJw(const WP<W>& a, const WP<W>& b, W w) {
    WC<W> av = wevalJw(a, w);
    WC<W> bv = wevalJw(b, w);
    WC<W> jwb{-w * bv.im, w * bv.re};
    return (av / jwb).re;
}

template <class W> void dropTop(WP<W>& p, int degree) {
    if (static_cast<int>(p.size()) > degree) p.resize(std::max(degree, 1));
    if (degree == 0) p[0] = 0;
    wtrim(p);
}

// G(s) = F F* + P P*, even in s, as the polynomial Q(w) = G(s) in w = -s^2
// (rounded to long double for locating its roots), of degree n with the
// leading coefficient lead; false when G is not even or lead is not positive.
template <class W> bool inMinusSSquared(const WP<W>& g, int& n, Poly& qw, W& lead) {
    const int n2 = wdegree(g);
    if (n2 % 2 != 0) return false;
    n = n2 / 2;
    qw.assign(n + 1, 0);
    for (int k = 0; k <= n; ++k) qw[k] = static_cast<Real>(g[2 * k] * ((k % 2) ? -1 : 1));
    lead = g[2 * n] * ((n % 2) ? -1 : 1);
    return lead > 0;
}

// E(s) in wide precision from F and P: roots located in long double, then
// polished on G(s) = F F* + P P* in wide arithmetic.
template <class W>
WP<W> wideHurwitz(const WP<W>& f, const WP<W>& p, std::vector<WC<W>>* rootsOut = nullptr) {
    WP<W> g = wadd(wmul(f, wmirror(f)), wmul(p, wmirror(p)));
    wtrim(g);
    int n = 0;
    Poly qw;
    W lead = 0;
    if (!inMinusSSquared(g, n, qw, lead)) return {};
    std::vector<Complex> wr = polyRoots(qw);
    const W tol = std::min(W(1e-60), W(64) * wideEpsilon<W>() * wideEpsilon<W>());
    std::vector<WC<W>> roots;
    for (const Complex& w : wr) {
        Complex s0 = -std::sqrt(-w);
        WC<W> s{s0.real(), s0.imag()};
        for (int it = 0; it < 8; ++it) {
            WC<W> d = wderivC(g, s);
            if (wnorm(d) == 0) break;
            WC<W> step = wevalC(g, s) / d;
            s = s - step;
            if (wnorm(step) <= tol * std::max(W(1), wnorm(s))) break;
        }
        if (!(s.re < W(-1e-15L) * std::max(W(1), wsqrt(wnorm(s))))) return {};
        roots.push_back(s);
    }
    if (rootsOut) *rootsOut = roots;
    return wideFromRoots(roots, wsqrt(lead));
}

// The extraction between sections: the remaining impedance num/den seen
// from the termination end and the ladder so far.
template <class W> struct WideExtraction {
    WP<W> num, den;
    W pendingW = -1; // the factor s^2 + pendingW^2 was already divided out
    LadderResult res;
};

// Removes one section; next is the section after it (nullptr for the last).
// False, with res.error set, when the section cannot be removed.
template <class W>
bool wideExtractSection(WideExtraction<W>& x, const LadderSection& sec, const LadderSection* next) {
    LadderResult& res = x.res;
    auto note = [&](W r) {
        res.worstResidual = std::max(res.worstResidual, static_cast<double>(r));
    };
    LadderElement el;
    el.code = sec.code;
    W residual = 0;
    if (sec.code == 2 || sec.code == 3) {
        // Shunt C works on Y = den/num, series L on Z = num/den.
        WP<W>& top = sec.code == 2 ? x.den : x.num;
        WP<W>& bottom = sec.code == 2 ? x.num : x.den;
        int partner = sec.code == 2 ? 5 : 4;
        W k;
        if (next && next->code == partner) {
            W w = next->omega;
            k = ratioOverJw(top, bottom, w);
            top = wdivQuadratic(wsubShift(top, k, bottom), w * w, &residual);
            note(residual);
            x.pendingW = w;
        } else {
            int dt = wdegree(top), db = wdegree(bottom);
            if (dt != db + 1) {
                res.error = "no pole at infinity to remove";
                return false;
            }
            k = top[dt] / bottom[db];
            top = wsubShift(top, k, bottom);
            dropTop(top, dt);
            // With more sections to come the remainder has a zero at
            // infinity (the next element is of the other kind): whatever
            // is left at or above the bottom's degree is rounding.
            if (next) dropTop(top, db);
            x.pendingW = -1;
        }
        el.value = static_cast<double>(k);
    } else if (sec.code == 5 || sec.code == 4) {
        // Code 5: Z = num/((s^2+W^2) den); code 4: Y = den/((s^2+W^2) num).
        WP<W>& top = sec.code == 5 ? x.num : x.den;
        WP<W>& bottom = sec.code == 5 ? x.den : x.num;
        W w = sec.omega;
        if (x.pendingW != w) {
            bottom = wdivQuadratic(bottom, w * w, &residual);
            note(residual);
        }
        W a = ratioOverJw(top, bottom, w);
        top = wdivQuadratic(wsubShift(top, a, bottom), w * w, &residual);
        note(residual);
        x.pendingW = -1;
        // Tank in the series arm: Z = (1/C) s / (s^2 + 1/(L C)); branch in
        // shunt: Y = (1/L) s / (s^2 + 1/(L C)).
        if (sec.code == 5) {
            el.value2 = static_cast<double>(1 / a);
            el.value = static_cast<double>(a / (w * w));
        } else {
            el.value = static_cast<double>(1 / a);
            el.value2 = static_cast<double>(a / (w * w));
        }
    } else {
        res.error = "unknown section code";
        return false;
    }
    if (!(el.value > 0) || (el.code >= 4 && !(el.value2 > 0))) res.negative = true;
    if (!std::isfinite(el.value) || !std::isfinite(el.value2)) {
        res.error = "element value not finite";
        return false;
    }
    res.elements.push_back(el);
    return true;
}

// After the last section: the remainder must be an open circuit (singly) or
// a resistance, the source. Sets res.ok.
template <class W> bool wideExtractEnd(WideExtraction<W>& x, bool singly) {
    LadderResult& res = x.res;
    wtrim(x.num);
    wtrim(x.den);
    if (singly) {
        // The last shunt C leaves nothing: admittance den/num must vanish.
        W scaleN = 0, scaleD = 0;
        for (W c : x.num) scaleN = std::max(scaleN, wabs(c));
        for (W c : x.den) scaleD = std::max(scaleD, wabs(c));
        if (scaleN == 0 || scaleD > W(1e-6) * scaleN) {
            res.error = "remainder is not an open circuit";
            return false;
        }
        res.source = 1e20;
    } else {
        if (wdegree(x.num) != 0 || wdegree(x.den) != 0 || x.den[0] == 0) {
            res.error = "remainder is not a resistance";
            return false;
        }
        res.source = static_cast<double>(x.num[0] / x.den[0]);
        if (!(res.source > 0)) res.negative = true;
    }
    res.ok = true;
    return true;
}

template <class W>
LadderResult wideExtract(WP<W> num, WP<W> den, const std::vector<LadderSection>& sections,
                         bool singly) {
    WideExtraction<W> x;
    x.num = std::move(num);
    x.den = std::move(den);
    wtrim(x.num);
    wtrim(x.den);
    for (size_t i = 0; i < sections.size(); ++i) {
        const LadderSection* next = i + 1 < sections.size() ? &sections[i + 1] : nullptr;
        if (!wideExtractSection(x, sections[i], next)) return x.res;
    }
    wideExtractEnd(x, singly);
    return x.res;
}

// The impedance num/den seen from the termination end of a ladder whose
// first element is series (firstSeries) or shunt: (E + F)/(E - F) or its
// reciprocal, or Ee/Eo (Eo/Ee) fed from a current source. False, with the
// reason in error, when the form does not fit the function.
template <class W>
bool wideTerminationImpedance(const WP<W>& e, const WP<W>& f, const WP<W>& p, bool firstSeries,
                              bool singly, WP<W>& num, WP<W>& den, std::string& error) {
    if (singly) {
        num = e;
        den = e;
        for (size_t k = 0; k < e.size(); ++k) (k % 2 ? num : den)[k] = 0;
        wtrim(num);
        wtrim(den);
        bool pole = wdegree(num) > wdegree(den);
        if (pole != firstSeries) {
            error = "ladder form does not match the order";
            return false;
        }
        return true;
    }
    WP<W> ff = f;
    ff.resize(e.size(), 0);
    int de = wdegree(e);
    W sigma = (ff[de] != 0 && e[de] * ff[de] < 0) ? -1 : 1;
    WP<W> a = wadd(e, ff, sigma);
    WP<W> b = wadd(e, ff, -sigma);
    // E and F share their leading term when P has zeros at infinity; the
    // difference loses that term exactly.
    if (wdegree(p) < de && ff[de] != 0) {
        b[de] = 0;
        wtrim(b);
    }
    num = firstSeries ? a : b;
    den = firstSeries ? b : a;
    return true;
}

template <class W>
LadderResult wideSynthesize(const WP<W>& e, const WP<W>& f, const WP<W>& p,
                            const std::vector<Real>& finiteZeros, int infinityZeros, bool singly) {
    LadderResult bad;
    int n = wdegree(e);
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
    WP<W> num, den;
    if (!wideTerminationImpedance(e, f, p, sections.front().code == 3, singly, num, den, bad.error))
        return bad;
    return wideExtract(num, den, sections, singly);
}

// Depth-first search over the orders of the finite zeros in the ladder form
// of wideSynthesize (a series L first with two zeros at infinity, then
// shunt C / series tank pairs, a shunt C last). Orders are taken in
// lexicographic order of the zero indices; an order is abandoned at the
// first negative element, and with it every order sharing that beginning,
// so a search that finds nothing has still ruled out every order. The
// state after each pair is shared by all orders that begin alike: the
// element values are those of wideSynthesize for the same order, digit
// for digit.
template <class W> class WideOrderSearch {
public:
    WideOrderSearch(const std::vector<Real>& zeros, bool singly, long stepLimit,
                    LadderSearch& stats)
        : zeros_(zeros), singly_(singly), limit_(stepLimit), stats_(stats),
          used_(zeros.size(), false) {}

    // From the state after the series L (if any); true when found.
    bool run(const WideExtraction<W>& x) {
        stats_ = LadderSearch{};
        bool ok = search(x, 0);
        stats_.complete = ok || !cut_;
        return ok;
    }
    const LadderResult& found() const { return found_; }

    static long factorial(int k) {
        long r = 1;
        for (int i = 2; i <= k; ++i) r *= i;
        return r;
    }

private:
    bool search(const WideExtraction<W>& x, int depth) {
        const int m = static_cast<int>(zeros_.size());
        if (depth == m) {
            WideExtraction<W> y = x;
            ++stats_.orders;
            if (wideExtractSection(y, LadderSection{2, 0}, nullptr) && wideExtractEnd(y, singly_) &&
                !y.res.negative) {
                found_ = y.res;
                return true;
            }
            return false;
        }
        for (int i = 0; i < m; ++i) {
            if (used_[i]) continue;
            if (stats_.steps >= limit_) {
                cut_ = true;
                return false;
            }
            ++stats_.steps;
            WideExtraction<W> y = x;
            const LadderSection c{2, 0}, t{5, zeros_[i]};
            if (!wideExtractSection(y, c, &t) || y.res.negative ||
                !wideExtractSection(y, t, nullptr) || y.res.negative) {
                stats_.orders += factorial(m - depth - 1);
                continue;
            }
            used_[i] = true;
            const bool ok = search(y, depth + 1);
            used_[i] = false;
            if (ok || cut_) return ok;
        }
        return false;
    }

    const std::vector<Real>& zeros_;
    bool singly_;
    long limit_;
    LadderSearch& stats_;
    std::vector<bool> used_;
    bool cut_ = false;
    LadderResult found_;
};

template <class W>
LadderResult wideSearchOrders(const WP<W>& e, const WP<W>& f, const WP<W>& p,
                              const std::vector<Real>& zeros, int infinityZeros, bool singly,
                              long stepLimit, LadderSearch& stats) {
    WideExtraction<W> x;
    stats = LadderSearch{};
    if (zeros.empty() || (infinityZeros != 1 && infinityZeros != 2) ||
        wdegree(e) != 2 * static_cast<int>(zeros.size()) + infinityZeros) {
        x.res.error = "zero count does not match the degree";
        return x.res;
    }
    const bool firstSeries = infinityZeros == 2;
    if (!wideTerminationImpedance(e, f, p, firstSeries, singly, x.num, x.den, x.res.error))
        return x.res;
    wtrim(x.num);
    wtrim(x.den);
    if (firstSeries) {
        const LadderSection l{3, 0}, c{2, 0};
        if (!wideExtractSection(x, l, &c)) return x.res;
        if (x.res.negative) {
            stats.orders = WideOrderSearch<W>::factorial(static_cast<int>(zeros.size()));
            stats.complete = true;
            return x.res;
        }
    }
    WideOrderSearch<W> search(zeros, singly, stepLimit, stats);
    if (search.run(x)) return search.found();
    LadderResult none;
    none.error = "every zero order has a negative element";
    return none;
}

template <class W> WP<W> wideFactored(const FactoredPoly& fp) {
    WP<W> r(fp.originPower + 1, 0);
    r[fp.originPower] = fp.constant;
    for (Real w : fp.squares) r = wmul(r, WP<W>{W(w), 0, 1});
    return r;
}

// The generalized Chebyshev recursion in wide arithmetic (see the public
// long double version for the method).
template <class W>
WP<W> wideGeneralizedChebyshev(const std::vector<Real>& zeros, int infinityZeros, Real eps) {
    WP<W> u{1}, v{0};
    auto step = [&](W a) {
        W b = wsqrt(1 - a * a);
        WP<W> lin{-a, 1};
        WP<W> un = wadd(wmul(lin, u), wmul(WP<W>{-1, 0, 1}, v), b);
        WP<W> vn = wadd(wmul(lin, v), u, b);
        u = un;
        v = vn;
    };
    for (Real z : zeros) {
        step(1 / W(z));
        step(-1 / W(z));
    }
    for (int i = 0; i < infinityZeros; ++i) step(0);
    wtrim(u);
    int deg = wdegree(u);
    W prodW2 = 1;
    for (Real z : zeros) prodW2 *= W(z) * W(z);
    WP<W> f(u.size(), 0);
    for (int k = 0; k <= deg; ++k) {
        if ((deg - k) % 2 != 0) continue;
        W sign = ((k / 2) % 2) ? -1 : 1;
        f[k] = W(eps) * prodW2 * u[k] * sign;
    }
    return f;
}

// FactoredPoly in W.
template <class W> struct WFactored {
    W constant = 1;
    int originPower = 0;
    std::vector<W> squares;
};

template <class W> WFactored<W> wideFactors(const FactoredPoly& fp) {
    WFactored<W> r;
    r.constant = fp.constant;
    r.originPower = fp.originPower;
    r.squares.assign(fp.squares.begin(), fp.squares.end());
    return r;
}

template <class W> WP<W> wideFactored(const WFactored<W>& fp) {
    WP<W> r(fp.originPower + 1, 0);
    r[fp.originPower] = fp.constant;
    for (const W& w : fp.squares) r = wmul(r, WP<W>{w, 0, 1});
    return r;
}

// Newton correction Q/Q' of Q(w) = c^2 w^o prod(z_i - w)^2 + (the same for
// P), each term evaluated with its logarithmic derivative.
template <class W> auto factoredNewton(const WFactored<W>& f, const WFactored<W>& p) {
    auto term = [](const WFactored<W>& fp, WC<W> w, WC<W>& logDeriv) {
        const W& c = fp.constant;
        WC<W> v{c * c, 0};
        logDeriv = {0, 0};
        for (int k = 0; k < fp.originPower; ++k) v = v * w;
        if (fp.originPower > 0) logDeriv = WC<W>{W(fp.originPower), 0} / w;
        for (const W& z : fp.squares) {
            WC<W> d = WC<W>{z, 0} - w;
            v = v * d * d;
            logDeriv = logDeriv - WC<W>{2, 0} / d;
        }
        return v;
    };
    return [&f, &p, term](WC<W> w) {
        WC<W> da, db;
        WC<W> a = term(f, w, da), b = term(p, w, db);
        WC<W> q = a + b, dq = a * da + b * db;
        if (wnorm(dq) == 0) return WC<W>{0, 0};
        return q / dq;
    };
}

// E(s) for F and P in factored form. The roots of F F* + P P* are found in
// w = -s^2 on the factored function
//     Q(w) = c^2 w^o prod(z_i - w)^2 + prod(p_i - w)^2,
// evaluated with a relative error of W's precision however close the roots
// crowd (a multiplied-out Q loses about as many digits as its roots are
// clustered); E then multiplies out from its left-half-plane roots, which
// involves no cancellation.
template <class W> WP<W> wideHurwitzFactored(const WFactored<W>& f, const WFactored<W>& p) {
    WP<W> g = wadd(wmul(wideFactored(f), wmirror(wideFactored(f))),
                   wmul(wideFactored(p), wmirror(wideFactored(p))));
    wtrim(g);
    int n = 0;
    Poly qw;
    W lead = 0;
    if (!inMinusSSquared(g, n, qw, lead)) return {};
    std::vector<WC<W>> wr;
    for (const Complex& w : polyRoots(qw)) wr.push_back({w.real(), w.imag()});
    // Long double first (cheap, to its own precision), then W, which
    // converges in two or three steps from there.
    std::vector<WC<long double>> seed;
    for (const WC<W>& w : wr)
        seed.push_back({static_cast<long double>(w.re), static_cast<long double>(w.im)});
    WFactored<long double> fl{static_cast<long double>(f.constant), f.originPower, {}},
        pl{static_cast<long double>(p.constant), p.originPower, {}};
    for (const W& z : f.squares) fl.squares.push_back(static_cast<long double>(z));
    for (const W& z : p.squares) pl.squares.push_back(static_cast<long double>(z));
    wideAberth(seed, factoredNewton(fl, pl));
    for (size_t i = 0; i < wr.size(); ++i) wr[i] = {seed[i].re, seed[i].im};
    if (!wideAberth(wr, factoredNewton(f, p))) return {};
    std::vector<WC<W>> roots;
    for (const WC<W>& w : wr) {
        WC<W> s = wcsqrt(WC<W>{-w.re, -w.im});
        if (!(s.re > W(1e-15L) * wsqrt(wnorm(s)))) return {}; // on the j axis
        roots.push_back({-s.re, -s.im});
    }
    return wideFromRoots(roots, wsqrt(lead));
}

inline LadderResult noHurwitzFactor() {
    LadderResult bad;
    bad.error = "no Hurwitz factor (the response touches zero transmission in the passband)";
    return bad;
}

// Ladder of F/P: E from the Feldtkeller equation, then the extraction.
template <class W>
LadderResult wideLadderFromFP(const WP<W>& f, const WP<W>& p, const std::vector<Real>& finiteZeros,
                              int infinityZeros, bool singly) {
    WP<W> e = wideHurwitz(f, p);
    if (e.empty()) return noHurwitzFactor();
    return wideSynthesize(e, f, p, finiteZeros, infinityZeros, singly);
}

// E for F and P in factored form, P's factors taken as the squares, formed
// in W, of the zeros the extraction shifts to, so that both describe exactly
// the same zeros (a square rounded to long double is off by a relative
// 1e-19, which a sharp response magnifies beyond any precision of the
// extraction). fw and pw receive the factors used.
template <class W>
WP<W> wideFactoredE(const FactoredPoly& f, const FactoredPoly& p,
                    const std::vector<Real>& finiteZeros, WFactored<W>& fw, WFactored<W>& pw) {
    fw = wideFactors<W>(f);
    pw = wideFactors<W>(p);
    for (Real z : finiteZeros) {
        size_t best = 0;
        for (size_t i = 1; i < p.squares.size(); ++i)
            if (std::fabs(p.squares[i] - z * z) < std::fabs(p.squares[best] - z * z)) best = i;
        if (best < p.squares.size()) pw.squares[best] = W(z) * W(z);
    }
    return wideHurwitzFactored(fw, pw);
}

// The ladder for F and P in factored form, E from wideFactoredE.
template <class W>
LadderResult wideFactoredLadder(const FactoredPoly& f, const FactoredPoly& p,
                                const std::vector<Real>& finiteZeros, int infinityZeros,
                                bool singly) {
    WFactored<W> fw, pw;
    WP<W> e = wideFactoredE(f, p, finiteZeros, fw, pw);
    if (e.empty()) return noHurwitzFactor();
    return wideSynthesize(e, wideFactored(fw), wideFactored(pw), finiteZeros, infinityZeros,
                          singly);
}

// The order search on F and P in factored form (E found once).
template <class W>
LadderResult wideFactoredSearch(const FactoredPoly& f, const FactoredPoly& p,
                                const std::vector<Real>& zeros, int infinityZeros, bool singly,
                                long stepLimit, LadderSearch& stats) {
    WFactored<W> fw, pw;
    WP<W> e = wideFactoredE(f, p, zeros, fw, pw);
    stats = LadderSearch{};
    if (e.empty()) return noHurwitzFactor();
    return wideSearchOrders(e, wideFactored(fw), wideFactored(pw), zeros, infinityZeros, singly,
                            stepLimit, stats);
}

// Ladder of the generalized Chebyshev function of the zeros.
template <class W>
LadderResult wideChebyshevLadder(const std::vector<Real>& zeros,
                                 const std::vector<Real>& extractionOrder, int infinityZeros,
                                 Real eps, bool singly) {
    FactoredPoly pf;
    for (Real z : zeros) pf.squares.push_back(z * z);
    return wideLadderFromFP(wideGeneralizedChebyshev<W>(zeros, infinityZeros, eps),
                            wideFactored<W>(pf), extractionOrder, infinityZeros, singly);
}

} // namespace tanvex::synthesis::wide
