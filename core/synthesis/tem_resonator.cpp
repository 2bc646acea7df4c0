#include "synthesis/tem_resonator.h"

#include "analysis/trig.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace tanvex::synthesis::tem {

namespace {

using Cx = std::complex<double>;
constexpr double kTwoPi = 6.283185307179586;

struct Abcd {
    Cx a = 1, b = 0, c = 0, d = 1;
};

Abcd times(const Abcd& m, const Abcd& e) {
    return {m.a * e.a + m.b * e.c, m.a * e.b + m.b * e.d, m.c * e.a + m.d * e.c,
            m.c * e.b + m.d * e.d};
}

Abcd shunt(Cx y) {
    return {1, 0, y, 1};
}
Abcd series(Cx z) {
    return {1, z, 0, 1};
}

bool isLine(Coupling c) {
    return c == Coupling::UnitElement || c == Coupling::ShortedSeries;
}

Coupling innerCoupling(const Structure& s, int k) {
    return s.inner.empty() ? s.line : s.inner[k - 1];
}

// The kind of coupling j (0 = load end, n = source end, else inner).
Coupling couplingKind(const Structure& s, int j) {
    if (j == 0) return s.loadEnd;
    if (j == s.n) return s.sourceEnd;
    return innerCoupling(s, j);
}

// The coupling element that an admittance inverter of kind c uses: line
// admittance, capacitance or inductance.
Element couplingElement(Coupling c, double value, double theta0) {
    switch (c) {
    case Coupling::UnitElement:
        return {23, 1 / value, theta0, 0, 0};
    case Coupling::ShortedSeries:
        return {17, 1 / value, theta0, 0, 0};
    case Coupling::OpenSeries:
        return {19, 1 / value, theta0, 0, 0};
    case Coupling::Capacitor:
        return {3, value, 0, 0, 'C'};
    default:
        return {3, value, 0, 0, 'L'};
    }
}

// The line admittance a coupling adds to each of its nodes' lines (the
// mutual admittance of a coupled pair), for the equal-rod rule.
double mutualOf(const Structure& s, const Values& v, int j) {
    const Coupling c = couplingKind(s, j);
    if (isLine(c)) return v.k[j];
    if (c == Coupling::EndLine && isLine(s.line)) return v.k[j];
    return 0;
}

// Self (to ground) admittance of resonator k's line.
double selfAdmittance(const Structure& s, const Values& v, int k) {
    double y = s.level[k - 1];
    if (s.equalLines) y -= mutualOf(s, v, k - 1) + mutualOf(s, v, k);
    return y;
}

double lengthOf(const Structure& s, const Values& v, int k) {
    return v.loaded[k - 1] ? s.theta0 : v.tune[k - 1];
}

bool positive(double x) {
    return x > 0 && std::isfinite(x);
}

// The shunt susceptance an inverter realization leaves at its node, at f.
double absorbed(Coupling c, double value, double theta, double w) {
    switch (c) {
    case Coupling::UnitElement:
    case Coupling::ShortedSeries:
        return -value / std::tan(theta);
    case Coupling::OpenSeries:
        return value * std::tan(theta);
    case Coupling::Capacitor:
        return w * value;
    default:
        return -1 / (w * value);
    }
}

// The value of a coupling whose inverter is J at fo.
double valueForJ(Coupling c, double j, double theta0, double w0) {
    switch (c) {
    case Coupling::UnitElement:
        return j * std::sin(theta0);
    case Coupling::ShortedSeries:
        return j * std::tan(theta0);
    case Coupling::OpenSeries:
        return j / std::tan(theta0);
    case Coupling::Capacitor:
        return j / w0;
    default:
        return 1 / (w0 * j);
    }
}
// Susceptance of resonator k's own line (with its lead) at f.
double lineSusceptance(const Structure& s, double y, double theta, double f) {
    const double th = theta * f / s.fo;
    if (s.resonatorLead > 0) return -1 / (std::tan(th) / y + kTwoPi * f * s.resonatorLead);
    return -y / std::tan(th);
}

// The end section of coupling j (0 or n) in load-to-source order, appended
// at the load end (j = 0) or the source end.
bool endSection(const Structure& s, const Values& v, int j, std::vector<Element>& out) {
    const Coupling c = couplingKind(s, j);
    const double r = j == 0 ? s.rl : s.rs;
    std::vector<Element> part; // from the termination inwards
    if (c == Coupling::EndLine) {
        const double ye = s.endLine > 0 ? s.endLine : 1 / r;
        part.push_back({16, 1 / ye, s.theta0, 0, 0});
        part.push_back(couplingElement(s.line, v.k[j], s.theta0));
    } else if (c == Coupling::Tap) {
        const int k = j == 0 ? 1 : s.n;
        const double y = selfAdmittance(s, v, k), th = lengthOf(s, v, k), tap = v.k[j];
        if (!positive(y) || !positive(tap) || !(tap < th)) return false;
        if (s.tapLead > 0) part.push_back({3, s.tapLead, 0, 0, 'L'});
        part.push_back({16, 1 / y, tap, 0, 0});
        part.push_back({23, 1 / y, th - tap, 0, 0});
    } else {
        part.push_back(couplingElement(c, v.k[j], s.theta0));
    }
    if (j == 0)
        out.insert(out.end(), part.begin(), part.end());
    else
        out.insert(out.end(), part.rbegin(), part.rend());
    return true;
}

// Admittance the node of end j sees towards its termination at f, through
// the end section (series elements, an end line): its conductance loads
// the end resonator, its susceptance adds to the resonator's own.
Cx endAdmittance(const Structure& s, const Values& v, int j, double f) {
    std::vector<Element> part;
    if (!endSection(s, v, j == 0 ? 0 : s.n, part)) return 0;
    if (j != 0) std::reverse(part.begin(), part.end());
    Cx z = j == 0 ? s.rl : s.rs;
    const double w = kTwoPi * f;
    for (const Element& e : part) {
        const double th = e.theta * f / s.fo;
        switch (e.code) {
        case 16:
            z = 1.0 / (1.0 / z + Cx(0, -1 / (e.z * std::tan(th))));
            break;
        case 17:
            z += Cx(0, e.z * std::tan(th));
            break;
        case 19:
            z += Cx(0, -e.z / std::tan(th));
            break;
        case 3:
            z += e.letter == 'C' ? Cx(0, -1 / (w * e.z)) : Cx(0, w * e.z);
            break;
        case 23: {
            const Cx jt(0, std::tan(th));
            z = e.z * (z + e.z * jt) / (e.z + z * jt);
            break;
        }
        default:
            break;
        }
    }
    return 1.0 / z;
}

} // namespace

bool buildChain(const Structure& s, const Values& v, std::vector<Element>& chain) {
    chain.clear();
    if (!endSection(s, v, 0, chain)) return false;
    for (int k = 1; k <= s.n; ++k) {
        const bool tapped =
            (k == 1 && s.loadEnd == Coupling::Tap) || (k == s.n && s.sourceEnd == Coupling::Tap);
        if (!tapped) {
            const double y = selfAdmittance(s, v, k), th = lengthOf(s, v, k);
            if (!positive(y) || !(th < 3.1)) return false;
            if (s.resonatorLead > 0)
                chain.push_back({20, 1 / y, th, s.resonatorLead, 0});
            else
                chain.push_back({16, 1 / y, th, 0, 0});
        }
        if (v.loaded[k - 1]) chain.push_back({2, v.tune[k - 1], 0, 0, 'C'});
        if (k < s.n) chain.push_back(couplingElement(innerCoupling(s, k), v.k[k], s.theta0));
    }
    if (!endSection(s, v, s.n, chain)) return false;
    for (const Element& e : chain)
        if (!positive(e.z) || (e.code != 2 && e.code != 3 && !positive(e.theta)) ||
            (e.code == 20 && !positive(e.lead)))
            return false;
    return true;
}

namespace {

// Every element is lossless, so a chain matrix keeps the form
// [a, jb; jc, d] with a, b, c, d real: four real numbers.
struct Real4 {
    double a = 1, b = 0, c = 0, d = 1;
};

// m := m x (eight real products).
[[gnu::always_inline]] inline void applyTo(Real4& m, double xa, double xb, double xc, double xd) {
    const double a = m.a * xa - m.b * xc, b = m.a * xb + m.b * xd;
    const double c = m.c * xa + m.d * xc, d = m.d * xd - m.c * xb;
    m = {a, b, c, d};
}
[[gnu::always_inline]] inline void applyTo(Real4& m, const Real4& x) {
    applyTo(m, x.a, x.b, x.c, x.d);
}

// The element's chain matrix at f.
[[gnu::always_inline]] inline Real4 elementMatrix(const Element& e, double fo, double f) {
    const double w = kTwoPi * f;
    double sn = 0, cs = 1;
    if (e.code != 2 && e.code != 3) analysis::sinCos(e.theta * f / fo, sn, cs);
    switch (e.code) {
    case 16: // shunt -j / (z tan)
        return {1, 0, -cs / (e.z * sn), 1};
    case 20: // shunt 1 / j (z tan + w lead)
        return {1, 0, -1 / (e.z * sn / cs + w * e.lead), 1};
    case 2:
        return {1, 0, w * e.z, 1};
    case 17:
        return {1, e.z * sn / cs, 0, 1};
    case 19:
        return {1, -e.z * cs / sn, 0, 1};
    case 3:
        return {1, e.letter == 'C' ? -1 / (w * e.z) : w * e.z, 0, 1};
    default: // 23
        return {cs, e.z * sn, sn / e.z, cs};
    }
}

// Reflection at the source end: zin = (a rl + j b) / (d + j c rl).
Cx reflectionOf(const Real4& m, double rl, double rs) {
    const Cx zin = Cx(m.a * rl, m.b) / Cx(m.d, m.c * rl);
    return (zin - rs) / (zin + rs);
}

Response responseOf(const Real4& m, double rl, double rs) {
    const Cx zin = Cx(m.a * rl, m.b) / Cx(m.d, m.c * rl);
    const double dr = m.a * rl + m.d * rs, di = m.b + m.c * rs * rl;
    const double s21 = 2 * std::sqrt(rs * rl) / std::hypot(dr, di);
    return {(zin - rs) / (zin + rs), -20 * std::log10(s21)};
}

// The chain matrices on either side of every element at a set of
// frequencies, for a chain that changes in a few neighbouring elements at a
// time (the Jacobian's probes): the changed chain's response at one of those
// frequencies costs the changed elements and one product instead of the
// whole chain.
class PartialChains {
public:
    // Records `chain` at the frequencies fs; the products are formed at the
    // first probe (a rejected trial step is never probed).
    void rebase(const std::vector<Element>& chain, double fo, const std::vector<double>& fs) {
        base_ = chain;
        fo_ = fo;
        fs_ = fs;
        formed_ = false;
    }

    // Prepares for `chain`: true when it has the recorded one's elements
    // (those that changed form one run).
    bool prepare(const std::vector<Element>& chain) {
        if (chain.size() != base_.size() || base_.empty()) return false;
        if (!formed_) form();
        auto same = [](const Element& x, const Element& y) {
            return x.code == y.code && x.z == y.z && x.theta == y.theta && x.lead == y.lead &&
                   x.letter == y.letter;
        };
        first_ = 0;
        last_ = -1;
        for (size_t e = 0; e < chain.size(); ++e)
            if (!same(chain[e], base_[e])) {
                if (last_ < first_) first_ = static_cast<int>(e);
                last_ = static_cast<int>(e);
            }
        return true;
    }

    // The reflection of the prepared chain at f, when f is one of the
    // recorded frequencies.
    bool reflection(const std::vector<Element>& chain, double rl, double rs, double f,
                    Cx& out) const {
        const auto it =
            std::lower_bound(index_.begin(), index_.end(), std::pair<double, size_t>(f, 0));
        if (it == index_.end() || it->first != f) return false;
        const size_t row = it->second * (base_.size() + 1);
        if (last_ < first_) {
            out = reflectionOf(upper_[row], rl, rs);
            return true;
        }
        Real4 m = upper_[row + last_ + 1];
        for (int e = last_; e >= first_; --e) applyTo(m, elementMatrix(chain[e], fo_, f));
        applyTo(m, lower_[row + first_]);
        out = reflectionOf(m, rl, rs);
        return true;
    }

private:
    // The chain matrix is x[n-1] ... x[0]: upper[e] = x[n-1] ... x[e],
    // lower[e] = x[e-1] ... x[0], per recorded frequency.
    void form() {
        const size_t n = base_.size();
        index_.clear();
        upper_.assign(fs_.size() * (n + 1), Real4{});
        lower_.assign(fs_.size() * (n + 1), Real4{});
        std::vector<Real4> x(n);
        for (size_t i = 0; i < fs_.size(); ++i) {
            index_.emplace_back(fs_[i], i);
            Real4* up = &upper_[i * (n + 1)];
            Real4* lo = &lower_[i * (n + 1)];
            for (size_t e = 0; e < n; ++e) x[e] = elementMatrix(base_[e], fo_, fs_[i]);
            for (size_t e = n; e-- > 0;) {
                up[e] = up[e + 1];
                applyTo(up[e], x[e]);
            }
            for (size_t e = 1; e <= n; ++e) {
                lo[e] = x[e - 1];
                applyTo(lo[e], lo[e - 1]);
            }
        }
        std::sort(index_.begin(), index_.end());
        formed_ = true;
    }

    std::vector<Element> base_;
    std::vector<double> fs_;
    double fo_ = 1;
    bool formed_ = false;
    std::vector<std::pair<double, size_t>> index_;
    std::vector<Real4> upper_, lower_;
    int first_ = 0, last_ = -1;
};

Real4 chainMatrix(const std::vector<Element>& chain, double fo, double f) {
    Real4 m;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) applyTo(m, elementMatrix(*it, fo, f));
    return m;
}

} // namespace

Response evaluate(const std::vector<Element>& chain, double fo, double rl, double rs, double f) {
    return responseOf(chainMatrix(chain, fo, f), rl, rs);
}

double prototypeLossDb(const std::vector<double>& g, double w) {
    const int n = static_cast<int>(g.size()) - 2;
    Abcd m;
    // From the source: element n is a shunt capacitor, then they alternate.
    for (int k = n; k >= 1; --k)
        m = times(m, (n - k) % 2 == 0 ? shunt(Cx(0, w * g[k])) : series(Cx(0, w * g[k])));
    const double rs = g[n + 1], rl = g[0];
    const Cx s21 = 2 * std::sqrt(rs * rl) / (m.a * rl + m.b + m.c * rs * rl + m.d * rs);
    return -20 * std::log10(std::abs(s21));
}

bool narrowBandDesign(const Structure& s, const std::vector<double>& g, double f1, double f2,
                      Values& v) {
    const int n = s.n;
    // Designed at the band's centre f0; the lines' lengths are given at fo.
    const double f0 = (f1 + f2) / 2, w0 = kTwoPi * f0, w = (f2 - f1) / f0;
    const double td = s.theta0 * f0 / s.fo;
    v.tune.assign(n, s.loadingCapacitors ? 0.0 : s.theta0);
    v.loaded.assign(n, s.loadingCapacitors ? 1 : 0);
    v.k.assign(n + 1, 0.0);
    // Start with weak couplings so the self admittances are defined.
    for (int j = 0; j <= n; ++j) {
        const Coupling c = couplingKind(s, j);
        v.k[j] = c == Coupling::Tap ? 0.5 * s.theta0
                 : c == Coupling::Capacitor || c == Coupling::Inductor
                     ? valueForJ(c, 0.01 / s.rs, td, w0)
                     : 0.01 * s.level[0];
    }
    std::vector<double> b(n + 1), endB(n + 1, 0.0);
    for (int pass = 0; pass < 8; ++pass) {
        // Slope parameters of the nodes with the inner couplings' share.
        for (int k = 1; k <= n; ++k) {
            auto node = [&](double f) {
                const double wf = kTwoPi * f;
                double sum = lineSusceptance(s, selfAdmittance(s, v, k), lengthOf(s, v, k), f);
                if (v.loaded[k - 1]) sum += wf * v.tune[k - 1];
                if (k > 1)
                    sum += absorbed(innerCoupling(s, k - 1), v.k[k - 1], s.theta0 * f / s.fo, wf);
                if (k < n) sum += absorbed(innerCoupling(s, k), v.k[k], s.theta0 * f / s.fo, wf);
                // The ends' own susceptance and its slope (a strongly
                // dispersive end coupling, such as an open line near a
                // quarter wave, changes the end resonator's slope).
                if (k == 1 && s.loadEnd != Coupling::Tap && pass > 0)
                    sum += endAdmittance(s, v, 0, f).imag();
                if (k == n && s.sourceEnd != Coupling::Tap && pass > 0)
                    sum += endAdmittance(s, v, n, f).imag();
                return sum;
            };
            const double h = 1e-5 * f0;
            b[k] = f0 / 2 * (node(f0 + h) - node(f0 - h)) / (2 * h);
            if (!(b[k] > 0)) b[k] = s.level[k - 1];
        }
        for (int k = 1; k < n; ++k) {
            const double j = w * std::sqrt(b[k] * b[k + 1] / (g[k] * g[k + 1]));
            v.k[k] = valueForJ(innerCoupling(s, k), j, td, w0);
        }
        // The ends: the conductance the node must see, and what the end's
        // realization leaves in shunt there.
        for (int j : {0, n}) {
            const int k = j == 0 ? 1 : n;
            const double r = j == 0 ? s.rl : s.rs;
            const double gn = j == 0 ? w * b[1] / (g[0] * g[1]) : w * b[n] / (g[n] * g[n + 1]);
            const Coupling c = couplingKind(s, j);
            if (c == Coupling::Tap) {
                const double x =
                    std::min(0.999, std::sin(lengthOf(s, v, k) * f0 / s.fo) * std::sqrt(gn * r));
                v.k[j] = std::asin(x) * s.fo / f0;
                endB[j] = 0;
            } else if (c == Coupling::EndLine) {
                const double gt = 1 / r, ye = s.endLine > 0 ? s.endLine : gt;
                double yc = v.k[j], bt = 0, jc = 0;
                for (int it = 0; it < 40; ++it) {
                    bt = -ye / std::tan(td) + absorbed(s.line, yc, td, w0);
                    jc = std::sqrt(gn * (gt * gt + bt * bt) / gt);
                    yc = valueForJ(s.line, jc, td, w0);
                }
                v.k[j] = yc;
                endB[j] = absorbed(s.line, yc, td, w0) - jc * jc * bt / (gt * gt + bt * bt);
            } else {
                const double x2 = std::max(r / gn - r * r, 1e-6 * r * r);
                const double x = std::sqrt(x2);
                // Capacitive ends (capacitor, open stub) have X < 0.
                const double xs = c == Coupling::Inductor ? x : -x;
                v.k[j] = c == Coupling::Capacitor    ? 1 / (w0 * x)
                         : c == Coupling::OpenSeries ? 1 / (x * std::tan(td))
                                                     : x / w0;
                endB[j] = -xs / (r * r + x2);
            }
        }
        // Synchronous tuning at f0.
        for (int k = 1; k <= n; ++k) {
            double rest = 0;
            if (k > 1) rest += absorbed(innerCoupling(s, k - 1), v.k[k - 1], td, w0);
            if (k < n) rest += absorbed(innerCoupling(s, k), v.k[k], td, w0);
            if (k == 1) rest += endB[0];
            if (k == n) rest += endB[n];
            const double y = selfAdmittance(s, v, k);
            if (!positive(y)) return false;
            const double cp = -(rest + lineSusceptance(s, y, s.theta0, f0)) / w0;
            if (v.loaded[k - 1] && cp > 0) {
                v.tune[k - 1] = cp;
            } else {
                v.loaded[k - 1] = 0;
                double lo = 0.02, hi = 3.08;
                for (int it = 0; it < 80; ++it) {
                    const double mid = (lo + hi) / 2;
                    (lineSusceptance(s, y, mid, f0) + rest < 0 ? lo : hi) = mid;
                }
                v.tune[k - 1] = (lo + hi) / 2;
            }
        }
    }
    std::vector<Element> chain;
    return buildChain(s, v, chain);
}

namespace {

double norm2(const std::vector<double>& r) {
    double s = 0;
    for (double x : r) s += x * x;
    return s;
}

// Solves a x = b (dense, partial pivoting); false when singular.
bool solve(std::vector<double> a, std::vector<double>& b, int n) {
    for (int c = 0; c < n; ++c) {
        int p = c;
        for (int r = c + 1; r < n; ++r)
            if (std::fabs(a[r * n + c]) > std::fabs(a[p * n + c])) p = r;
        if (!(std::fabs(a[p * n + c]) > 1e-300)) return false;
        if (p != c) {
            for (int k = 0; k < n; ++k) std::swap(a[c * n + k], a[p * n + k]);
            std::swap(b[c], b[p]);
        }
        for (int r = c + 1; r < n; ++r) {
            const double f = a[r * n + c] / a[c * n + c];
            for (int k = c; k < n; ++k) a[r * n + k] -= f * a[c * n + k];
            b[r] -= f * b[c];
        }
    }
    for (int c = n - 1; c >= 0; --c) {
        for (int k = c + 1; k < n; ++k) b[c] -= a[c * n + k] * b[k];
        b[c] /= a[c * n + c];
    }
    return true;
}

} // namespace

double levenbergMarquardt(std::vector<double>& x, const Residuals& fn, int iterations) {
    const int p = static_cast<int>(x.size());
    std::vector<double> r;
    if (!fn(x, r, false)) return INFINITY;
    const int m = static_cast<int>(r.size());
    double cost = norm2(r), lambda = 1e-3;
    std::vector<double> jac(static_cast<size_t>(m) * p), rp;
    for (int it = 0; it < iterations && cost > 1e-26; ++it) {
        for (int c = 0; c < p; ++c) {
            std::vector<double> xp = x;
            const double h = 1e-7;
            xp[c] += h;
            if (!fn(xp, rp, true) || static_cast<int>(rp.size()) != m) return std::sqrt(cost);
            for (int i = 0; i < m; ++i) jac[i * p + c] = (rp[i] - r[i]) / h;
        }
        std::vector<double> jtj(static_cast<size_t>(p) * p, 0.0), jtr(p, 0.0);
        for (int i = 0; i < m; ++i)
            for (int a = 0; a < p; ++a) {
                jtr[a] -= jac[i * p + a] * r[i];
                for (int b = 0; b < p; ++b) jtj[a * p + b] += jac[i * p + a] * jac[i * p + b];
            }
        bool better = false;
        for (int tries = 0; tries < 12 && !better; ++tries) {
            std::vector<double> a = jtj, step = jtr;
            for (int d = 0; d < p; ++d) a[d * p + d] += lambda * (jtj[d * p + d] + 1e-12);
            if (!solve(a, step, p)) {
                lambda *= 10;
                continue;
            }
            std::vector<double> xn = x;
            for (int d = 0; d < p; ++d) xn[d] += std::clamp(step[d], -0.5, 0.5);
            if (fn(xn, rp, false) && static_cast<int>(rp.size()) == m && norm2(rp) < cost) {
                x = xn;
                r = rp;
                cost = norm2(rp);
                lambda = std::max(lambda / 5, 1e-9);
                better = true;
            } else {
                lambda *= 8;
            }
        }
        if (!better) break;
    }
    return std::sqrt(cost);
}

namespace {

// The unknowns of the refinement: the logarithms of the tunings' (one
// common factor unless each is free) and the couplings' factors on start.
void scaled(const Values& start, const std::vector<double>& x, bool tuneEach, Values& out) {
    const int n = static_cast<int>(start.tune.size()), nt = tuneEach ? n : 1;
    out = start;
    for (int k = 0; k < n; ++k) out.tune[k] = start.tune[k] * std::exp(x[tuneEach ? k : 0]);
    for (int j = 0; j <= n; ++j) out.k[j] = start.k[j] * std::exp(x[nt + j]);
}

double gammaOf(double db) {
    return std::sqrt(std::max(0.0, 1 - std::pow(10.0, -db / 10)));
}

// The extremum of a smooth g near x by successive parabolas through three
// points h apart, h shrinking; the step never leaves [lo, hi].
template <class G> double polish(G g, double x, double h, double lo, double hi, int steps) {
    for (int it = 0; it < steps; ++it) {
        const double gm = g(x - h), g0 = g(x), gp = g(x + h);
        const double den = gp - 2 * g0 + gm;
        if (den == 0) break;
        const double dx = std::clamp(-h * (gp - gm) / (2 * den), -2 * h, 2 * h);
        x = std::clamp(x + dx, lo, hi);
        // Settled to the last few digits: more parabolas change nothing.
        if (std::fabs(dx) < 1e-11 * std::fabs(x)) break;
        h = std::max(std::fabs(dx), h / 8) / 4;
    }
    return x;
}

} // namespace

double refine(const Structure& s, const Target& t, Values& v) {
    const int n = s.n;
    const Values start = v;
    const int nt = t.tuneEach ? n : 1;
    auto unpack = [&](const std::vector<double>& x, Values& out) {
        scaled(start, x, t.tuneEach, out);
    };
    std::vector<double> x(nt + n + 1, 0.0);
    std::vector<Element> chain;
    // A probe's chain differs from the last full evaluation's in the
    // elements of one unknown: its responses come from that evaluation's
    // partial products where the frequency is one of those recorded.
    PartialChains partial;
    bool probing = false;
    auto reflection = [&](double f) {
        Cx out;
        if (probing && partial.reflection(chain, s.rl, s.rs, f, out)) return out;
        return reflectionOf(chainMatrix(chain, s.fo, f), s.rl, s.rs);
    };
    auto begin = [&](const std::vector<double>& xx, bool probe) {
        Values vv;
        unpack(xx, vv);
        if (!buildChain(s, vv, chain)) return false;
        probing = probe && partial.prepare(chain);
        return true;
    };
    const double f0c = std::sqrt(t.f1 * t.f2), wg = (t.f2 - t.f1) / f0c;
    auto freqOf = [&](double om) { return f0c * (wg * om + std::sqrt(wg * wg * om * om + 4)) / 2; };
    // Stage 1: the mapped prototype's passband, edges weighted.
    const int m1 = 4 * n + 8;
    std::vector<double> f1s, want;
    for (int i = 0; i < m1; ++i) {
        const double om = std::cos(3.141592653589793 * (i + 0.5) / m1);
        f1s.push_back(freqOf(om));
        want.push_back(gammaOf(prototypeLossDb(t.g, om)));
    }
    const double ge = gammaOf(t.edgeDb);
    std::vector<double> probeAt = f1s;
    probeAt.push_back(t.f1);
    probeAt.push_back(t.f2);
    Residuals stage1 = [&](const std::vector<double>& xx, std::vector<double>& r, bool probe) {
        if (!begin(xx, probe)) return false;
        r.clear();
        for (int i = 0; i < m1; ++i) r.push_back(std::abs(reflection(f1s[i])) - want[i]);
        r.push_back(4 * (std::abs(reflection(t.f1)) - ge));
        r.push_back(4 * (std::abs(reflection(t.f2)) - ge));
        if (!probe) partial.rebase(chain, s.fo, probeAt);
        return true;
    };
    // A start that already has the passband's shape (a neighbouring design)
    // goes to the equiripple conditions at once; the others first follow
    // the mapped prototype.
    double worst = INFINITY;
    Values best;
    for (int attempt = t.ripple > 0 ? 0 : 1; attempt < 2 && !(worst < 1e-7); ++attempt) {
        if (attempt == 1) {
            std::fill(x.begin(), x.end(), 0.0);
            worst = levenbergMarquardt(x, stage1, 60);
            unpack(x, best);
        }
        if (t.ripple > 0) {
            // Stage 2: the equiripple conditions themselves.
            const double gr = gammaOf(t.ripple);
            const double kr = std::log(gr / std::sqrt(1 - gr * gr));
            const double ke = std::log(ge / std::sqrt(1 - ge * ge));
            const int m2 = 12 * n + 24;
            const double step = (t.f2 - t.f1) / m2;
            std::vector<double> mins, maxs; // as the last full evaluation found them
            Residuals stage2 = [&](const std::vector<double>& xx, std::vector<double>& r,
                                   bool probe) {
                if (!begin(xx, probe)) return false;
                // |gamma|^2 is smooth through the perfect matches.
                auto g2 = [&](double f) { return std::norm(reflection(f)); };
                std::vector<double> mn, mx;
                if (probe && static_cast<int>(mins.size()) == n) {
                    // A small step moves the extrema a little, but to first
                    // order neither a maximum's level nor the locus's
                    // distance from the origin changes with where along the
                    // curve they are taken: the probe keeps the frequencies
                    // the full evaluation found.
                    mn = mins;
                    mx = maxs;
                } else {
                    // Close minima may hide between grid points: a grid four
                    // times finer when the count is short.
                    std::vector<double> fs, mag;
                    std::vector<int> at;
                    double h = step;
                    for (int pass = 0; pass < 2 && static_cast<int>(at.size()) != n; ++pass) {
                        const int m = pass == 0 ? m2 : 4 * m2;
                        h = (t.f2 - t.f1) / m;
                        fs.resize(m + 1);
                        mag.resize(m + 1);
                        for (int i = 0; i <= m; ++i) {
                            fs[i] = t.f1 + h * i;
                            mag[i] = g2(fs[i]);
                        }
                        at.clear();
                        for (int i = 1; i < m; ++i)
                            if (mag[i] <= mag[i - 1] && mag[i] < mag[i + 1]) at.push_back(i);
                    }
                    if (static_cast<int>(at.size()) != n) return false;
                    for (int i : at) mn.push_back(polish(g2, fs[i], h / 2, t.f1, t.f2, 6));
                    for (int k = 0; k + 1 < n; ++k) {
                        int top = at[k];
                        for (int i = at[k]; i <= at[k + 1]; ++i)
                            if (mag[i] > mag[top]) top = i;
                        mx.push_back(polish(g2, fs[top], h / 2, fs[at[k]], fs[at[k + 1]], 6));
                    }
                    mins = mn;
                    maxs = mx;
                }
                r.clear();
                // Levels as the logarithm of the characteristic function
                // |K| = |gamma| / sqrt(1 - |gamma|^2): it does not saturate
                // in the skirts, where a widened band's edges start.
                auto logK = [&](double f) {
                    const double q = std::min(g2(f), 1 - 1e-15);
                    return 0.5 * std::log(q / (1 - q));
                };
                for (double f : mx) r.push_back(logK(f) - kr);
                for (double fm : mn) {
                    // Signed distance of the reflection locus from the origin:
                    // zero when the minimum is a perfect match.
                    const double h = 1e-6 * fm;
                    const Cx gm = reflection(fm);
                    const Cx d = (reflection(fm + h) - reflection(fm - h)) / (2 * h);
                    r.push_back((std::conj(d) * gm).imag() / std::abs(d));
                }
                r.push_back(logK(t.f1) - ke);
                r.push_back(logK(t.f2) - ke);
                if (!probe) {
                    std::vector<double> at = mx;
                    for (double fm : mn) {
                        const double h = 1e-6 * fm;
                        at.insert(at.end(), {fm, fm + h, fm - h});
                    }
                    at.insert(at.end(), {t.f1, t.f2});
                    partial.rebase(chain, s.fo, at);
                }
                return true;
            };
            std::vector<double> x2 = x;
            const double w2 = levenbergMarquardt(x2, stage2, 40);
            Values reached;
            if (std::isfinite(w2)) unpack(x2, reached);
            // Short of the equiripple conditions, the passband that is
            // closer to the target's: where the stage-2 search stopped, or
            // the prototype followed in stage 1.
            if (std::isfinite(w2) && !(w2 < 1e-7) && attempt == 1 &&
                passbandScore(s, best, t) < passbandScore(s, reached, t))
                reached = {};
            if (std::isfinite(w2) || attempt == 1) worst = w2;
            if (!reached.tune.empty()) best = reached;
        }
    }
    v = best;
    return worst;
}

double settle(const Structure& s, const Target& t, Values& v) {
    if (!(t.ripple > 0) || v.tune.empty()) return INFINITY;
    const int n = s.n;
    const Values start = v;
    const int nt = t.tuneEach ? n : 1;
    auto unpack = [&](const std::vector<double>& x, Values& out) {
        scaled(start, x, t.tuneEach, out);
    };
    const double gr = gammaOf(t.ripple), ge = gammaOf(t.edgeDb);
    const double go = gammaOf(t.edgeDb + 3e-3);
    const double floor = 0.05 * std::min(gr, ge) * std::min(gr, ge);
    auto level = [&](double g) { return 0.5 * std::log((g * g + floor) / (1 - g * g)); };
    const double kr = level(gr), ke = level(ge), kOut = level(go);
    const int m = 16 * n + 32;
    const double h = (t.f2 - t.f1) / m;
    std::vector<Element> chain;
    std::vector<double> mag(m + 1);
    Residuals fn = [&](const std::vector<double>& xx, std::vector<double>& r, bool) {
        Values vv;
        unpack(xx, vv);
        if (!buildChain(s, vv, chain)) return false;
        auto g2 = [&](double f) {
            return std::norm(reflectionOf(chainMatrix(chain, s.fo, f), s.rl, s.rs));
        };
        // The characteristic's logarithm, floored a little below the
        // edge's level: a reflection zero at an edge would otherwise be a
        // residual without bound, and a gradient that leads nowhere.
        auto logK = [&](double f) {
            const double q = std::min(g2(f), 1 - 1e-15);
            return 0.5 * std::log((q + floor) / (1 - q));
        };
        for (int i = 0; i <= m; ++i) mag[i] = g2(t.f1 + h * i);
        // The band's highest ripple peaks, each only as far as it rises
        // above the ripple: a fixed count, the missing ones zero.
        std::vector<double> over;
        for (int i = 1; i < m; ++i)
            if (mag[i] >= mag[i - 1] && mag[i] > mag[i + 1]) {
                const double f = polish(g2, t.f1 + h * i, h / 2, t.f1, t.f2, 6);
                over.push_back(std::max(0.0, logK(f) - kr));
            }
        std::sort(over.begin(), over.end(), std::greater<double>());
        over.resize(n, 0.0);
        r = over;
        r.push_back(logK(t.f1) - ke);
        r.push_back(logK(t.f2) - ke);
        // With the minima free, one may slip outside the band and carry the
        // passband beyond its edge: the loss just outside must have risen.
        const double out = 0.008 * (t.f2 - t.f1);
        r.push_back(std::max(0.0, kOut - logK(t.f1 - out)));
        r.push_back(std::max(0.0, kOut - logK(t.f2 + out)));
        return true;
    };
    std::vector<double> x(nt + n + 1, 0.0);
    const double left = levenbergMarquardt(x, fn, 60);
    if (std::isfinite(left)) unpack(x, v);
    return left;
}

namespace {

// The outermost frequencies around the band f1..f2 where the loss of the
// chain comes down to level: a scan from 0.3 bandwidths outside the band
// towards its centre, then bisection.
void bandEdges(const Structure& s, const std::vector<Element>& chain, double level, double f1,
               double f2, double& lo, double& hi) {
    auto loss = [&](double f) { return evaluate(chain, s.fo, s.rl, s.rs, f).lossDb; };
    const double bw = f2 - f1, centre = (f1 + f2) / 2;
    const int points = 60 * s.n + 100;
    auto crossing = [&](double out) {
        double prev = out;
        for (int i = 1; i <= points; ++i) {
            const double f = out + (centre - out) * i / points;
            if (loss(f) <= level) {
                double a = f, b = prev;
                for (int k = 0; k < 50; ++k) {
                    const double m = (a + b) / 2;
                    (loss(m) <= level ? a : b) = m;
                }
                return (a + b) / 2;
            }
            prev = f;
        }
        return centre;
    };
    lo = crossing(f1 - 0.3 * bw);
    hi = crossing(f2 + 0.3 * bw);
}

} // namespace

double passbandScore(const Structure& s, const Values& v, const Target& t) {
    std::vector<Element> chain;
    if (!buildChain(s, v, chain)) return INFINITY;
    const double bw = t.f2 - t.f1;
    const int points = 60 * s.n + 100;
    double top = 0;
    for (int i = 0; i <= points; ++i)
        top = std::max(top, evaluate(chain, s.fo, s.rl, s.rs, t.f1 + bw * i / points).lossDb);
    // Just above the edge loss, so that ripple peaks of the same level do
    // not count as edges.
    double lo = 0, hi = 0;
    bandEdges(s, chain, t.edgeDb + 1e-3, t.f1, t.f2, lo, hi);
    const double edge = std::max(std::fabs(lo - t.f1), std::fabs(hi - t.f2)) / bw;
    return std::max(std::fabs(top - t.edgeDb) / 0.05, edge / 0.01);
}

bool edgeCorrectedDesign(const Structure& s, const Target& t, Values& v) {
    double a1 = t.f1, a2 = t.f2;
    const double bw = t.f2 - t.f1;
    bool ok = false;
    for (int it = 0; it < 8; ++it) {
        Values trial;
        if (!narrowBandDesign(s, t.g, a1, a2, trial)) break;
        std::vector<Element> chain;
        if (!buildChain(s, trial, chain)) break;
        v = trial;
        ok = true;
        double lo = 0, hi = 0;
        bandEdges(s, chain, t.edgeDb + 1e-3, t.f1, t.f2, lo, hi);
        if (std::fabs(lo - t.f1) < 1e-4 * bw && std::fabs(hi - t.f2) < 1e-4 * bw) break;
        const double n1 = a1 + (t.f1 - lo), n2 = a2 + (t.f2 - hi);
        if (!(n1 > 0) || !(n2 > n1)) break;
        a1 = n1, a2 = n2;
    }
    return ok;
}

bool writeChain(EntryList& list, const std::vector<Element>& chain, double rl, double rs,
                double fo) {
    int i = 1;
    for (const Element& e : chain) {
        if (i + 4 >= kEntrySlots - 1) return false;
        switch (e.code) {
        case 2:
        case 3:
            setEntry(list, i++, e.z, e.letter, e.code);
            break;
        default:
            setEntry(list, i++, e.z, 'Z', e.code);
            setEntry(list, i++, e.theta, 'D', e.code);
            if (e.code == 20) setEntry(list, i++, e.lead, 'L', e.code);
            break;
        }
    }
    setEntry(list, 0, rl, 'R', 1);
    setEntry(list, i, rs, 'R', 1);
    setEntry(list, i + 1, fo, 'x', 1);
    for (int k = i + 2; k < kEntrySlots; ++k) list[k] = NetEntry{};
    return true;
}

} // namespace tanvex::synthesis::tem
