// The reactance coupled bandpass. The direct scaled bandpass (shunt tanks
// alternating with series resonators) is turned into equal-type resonators
// coupled by reactances: every series resonator becomes a shunt tank between
// two admittance inverters (exact), each inverter is realized as a Pi of one
// series coupling reactance and two negative shunt ones (exact at the
// centre frequency), and the negative shunt parts are absorbed into the
// tanks. The mesh form is the dual of the node form. Resonator levels are
// then set by Norton transformations of the coupling elements (exact), and a
// frequency scaling centres the response on the asked centre.
#include "synthesis/narrow_band.h"

#include "design/operations.h"
#include "synthesis/catalogue.h"
#include "synthesis/norton.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <functional>

namespace tanvex::synthesis {

namespace {

constexpr double kTwoPi = 6.283185307179586;

struct Resonator {
    int first = 0, last = 0; // entry range of the resonator
    double l = 0, c = 0;     // total L (parallel or series combined) and C
};

// Resonators (runs of entries with code resCode) and the single coupling
// entries between them, from the termination end.
void scan(const EntryList& list, int resCode, std::vector<Resonator>& res,
          std::vector<int>& couplings) {
    res.clear();
    couplings.clear();
    const int n = entryCount(list);
    int i = 1;
    while (i < n) {
        if (list[i].code == resCode) {
            Resonator r;
            r.first = i;
            double linv = 0, lsum = 0, csum = 0, cinv = 0;
            while (i < n && list[i].code == resCode) {
                const NetEntry& e = list[i];
                if (e.letter == 'L') {
                    linv += 1 / e.value;
                    lsum += e.value;
                } else if (e.letter == 'C') {
                    csum += e.value;
                    cinv += 1 / e.value;
                }
                ++i;
            }
            r.last = i - 1;
            if (resCode == 2) {
                r.l = linv != 0 ? 1 / linv : 0;
                r.c = csum;
            } else {
                r.l = lsum;
                r.c = cinv != 0 ? 1 / cinv : 0;
            }
            res.push_back(r);
        } else {
            couplings.push_back(i);
            ++i;
        }
    }
}

double pick(const Resonator& r, char what) {
    return what == 'L' ? r.l : r.c;
}

// Norton-transforms coupling k (between resonators k and k+1) so that
// resonator k's element `what` equals target(list) by a secant search.
bool settle(EntryList& list, int resCode, int k, char what,
            const std::function<double(const EntryList&)>& target) {
    std::vector<Resonator> res;
    std::vector<int> cps;
    scan(list, resCode, res, cps);
    if (k >= static_cast<int>(cps.size()) || k + 1 >= static_cast<int>(res.size())) return false;
    const int at = cps[static_cast<size_t>(k)];
    auto err = [&](double r, EntryList& out) -> double {
        out = list;
        if (nortonTransform(out, at, r) == NortonResult::Refused) return NAN;
        std::vector<Resonator> rr;
        std::vector<int> cc;
        scan(out, resCode, rr, cc);
        if (rr.size() != res.size()) return NAN;
        const double t = target(out);
        return pick(rr[static_cast<size_t>(k)], what) / t - 1;
    };
    const double v = pick(res[static_cast<size_t>(k)], what), t0 = target(list);
    double r0 = 1.0, r1 = what == 'L' ? t0 / v : v / t0;
    if (!(r1 > 0) || !std::isfinite(r1)) return false;
    EntryList trial0, trial1;
    double e0 = err(r0, trial0), e1 = err(r1, trial1);
    for (int it = 0; it < 60 && std::isfinite(e1) && std::fabs(e1) > 1e-12; ++it) {
        if (!std::isfinite(e0) || e1 == e0) break;
        double r2 = r1 - e1 * (r1 - r0) / (e1 - e0);
        if (!(r2 > 0)) r2 = r1 / 2;
        r0 = r1;
        e0 = e1;
        r1 = r2;
        e1 = err(r1, trial1);
    }
    if (!std::isfinite(e1) || std::fabs(e1) > 1e-6) return false;
    list = trial1;
    return true;
}

// Equal L, equal C or natural impedance across all resonators.
bool equalize(EntryList& list, int resCode, NarrowMode mode, double naturalL) {
    const char what = mode == NarrowMode::EqualC ? 'C' : 'L';
    std::vector<Resonator> res;
    std::vector<int> cps;
    scan(list, resCode, res, cps);
    if (res.size() < 2) return true;
    auto target = [&](const EntryList& l) {
        if (mode == NarrowMode::NaturalZo) return naturalL;
        std::vector<Resonator> r;
        std::vector<int> c;
        scan(l, resCode, r, c);
        return pick(r.back(), what);
    };
    for (int pass = 0; pass < 30; ++pass) {
        scan(list, resCode, res, cps);
        if (mode == NarrowMode::NaturalZo && std::fabs(res.back().l / naturalL - 1) > 1e-9) {
            // The source end resonator is set by the impedance level; inductive
            // couplings change its L on every pass, so it is set again.
            impedanceScale(list, 0, entryCount(list), naturalL / res.back().l);
            scan(list, resCode, res, cps);
        }
        double worst = 0;
        const double t = target(list);
        for (const Resonator& r : res) worst = std::max(worst, std::fabs(pick(r, what) / t - 1));
        if (worst <= 1e-6) return true;
        for (int k = static_cast<int>(res.size()) - 2; k >= 0; --k)
            if (!settle(list, resCode, k, what, target)) return false;
    }
    return false;
}

void averages(const EntryList& list, NarrowBandState& st) {
    std::vector<Resonator> res;
    std::vector<int> cps;
    for (int code : {2, 3}) {
        scan(list, code, res, cps);
        double l = 0, c = 0;
        int count = 0;
        for (const Resonator& r : res) {
            if (r.l <= 0 || r.c <= 0) continue;
            l += r.l;
            c += r.c;
            ++count;
        }
        if (count > 0) {
            l /= count;
            c /= count;
        }
        (code == 2 ? st.avgParallelL : st.avgSeriesL) = l;
        (code == 2 ? st.avgParallelC : st.avgSeriesC) = c;
    }
}

// Transducer loss (dB) at w rad/s of a ladder of single shunt (code 2) and
// series (code 3) L and C entries; NAN for any other entry.
double ladderLoss(const EntryList& l, double w) {
    using Cx = std::complex<double>;
    const Cx s(0, w);
    const int n = entryCount(l);
    Cx a = 1, b = 0, c = 0, d = 1; // source end to load
    for (int i = n - 1; i >= 1; --i) {
        const NetEntry& e = l[i];
        if (e.letter != 'L' && e.letter != 'C') return NAN;
        const Cx z = e.letter == 'L' ? s * e.value : 1.0 / (s * e.value);
        if (e.code == 3) {
            b += a * z;
            d += c * z;
        } else if (e.code == 2) {
            a += b / z;
            c += d / z;
        } else {
            return NAN;
        }
    }
    const double rs = l[n].value, rl = l[0].value;
    const Cx vs = a + b / rl + rs * (c + d / rl);
    return 10 * std::log10(std::norm(vs) * rl / (4 * rs));
}

// The frequency beyond w = 1 (upwards for dir > 0) at which the loss first
// reaches level; NAN when it cannot be found.
double lossCrossing(const EntryList& l, double level, int dir, double q) {
    const double step = 1.0 + 0.05 / q;
    double inside = 1.0, outside = 1.0;
    for (int k = 0;; ++k) {
        if (k == 4000) return NAN;
        outside = dir > 0 ? inside * step : inside / step;
        const double a = ladderLoss(l, outside);
        if (!std::isfinite(a)) return NAN;
        if (a >= level) break;
        inside = outside;
    }
    for (int it = 0; it < 80; ++it) {
        const double m = std::sqrt(inside * outside);
        (ladderLoss(l, m) >= level ? outside : inside) = m;
    }
    return std::sqrt(inside * outside);
}

// Tubular: the series capacitor of every series resonator is split in two
// halves around its inductor, and each T of two half capacitors and the
// shunt coupling capacitor becomes a Pi. Returns the number converted.
int convertToPi(EntryList& list) {
    int converted = 0;
    std::vector<NetEntry> out;
    const int n = entryCount(list);
    // Collect: resonators as (C, L) series pairs, couplings as shunt C.
    std::vector<double> rc, rl, cc;
    for (int i = 1; i < n; ++i) {
        const NetEntry& e = list[i];
        if (e.code == 3) {
            if (e.letter == 'C') rc.push_back(e.value);
            if (e.letter == 'L') rl.push_back(e.value);
        } else if (e.code == 2 && e.letter == 'C') {
            cc.push_back(e.value);
        } else {
            return 0;
        }
    }
    if (rc.size() != rl.size() || cc.size() + 1 != rc.size()) return 0;
    const size_t m = rl.size();
    NetEntry term = list[0], src = list[n], xx = list[n + 1];
    std::vector<NetEntry> e;
    e.push_back({2 * rc[0], 'C', 3});
    e.push_back({rl[0], 'L', 3});
    for (size_t k = 0; k + 1 < m; ++k) {
        const double a = 2 * rc[k], b = 2 * rc[k + 1], c = cc[k], s = a + b + c;
        e.push_back({a * c / s, 'C', 2});
        e.push_back({a * b / s, 'C', 3});
        e.push_back({b * c / s, 'C', 2});
        e.push_back({rl[k + 1], 'L', 3});
        ++converted;
    }
    e.push_back({2 * rc[m - 1], 'C', 3});
    if (static_cast<int>(e.size()) + 3 >= kEntrySlots) return 0;
    for (auto& x : list) x = NetEntry{};
    list[0] = term;
    for (size_t k = 0; k < e.size(); ++k) list[k + 1] = e[k];
    list[e.size() + 1] = src;
    list[e.size() + 2] = xx;
    return converted;
}

// Equal shunt capacitors of the tubular form: each series capacitor between
// two shunt ones is Norton-transformed with (C_left + C_k) / (C_right + C_k)
// until the ratios settle.
bool equalizeTubular(EntryList& list) {
    for (int pass = 0; pass < 400; ++pass) {
        bool moved = false;
        const int n = entryCount(list);
        for (int i = 2; i < n - 1; ++i) {
            if (!(list[i].code == 3 && list[i].letter == 'C' && list[i - 1].code == 2 &&
                  list[i + 1].code == 2))
                continue;
            const double r =
                (list[i - 1].value + list[i].value) / (list[i + 1].value + list[i].value);
            if (std::fabs(r - 1) > 1e-9) {
                if (nortonTransform(list, i, r) == NortonResult::Refused) return false;
                moved = true;
            }
        }
        if (!moved) return true;
    }
    return false;
}

} // namespace

int buildNarrowBand(PrototypeContext& ctx, NarrowBandState& st) {
    DesignRecord& rec = ctx.design.record;
    st.comments.clear();
    const char cfg = configuration(rec);
    const char* allowed = st.variant == 0 ? "SP" : "SPT";
    if (cfg == 0 || !std::strchr(allowed, cfg)) {
        setFaultIndex(rec, 11);
        return kBuildFault;
    }
    const bool tubular = cfg == 'T';
    if (tubular) {
        for (int i = 1; i <= orderN(rec) - 1; ++i)
            if (coupling(rec, i) != 'C') {
                setFaultIndex(rec, 12);
                return kBuildFault;
            }
        if (rec[8].value != rec[9].value) {
            setFaultIndex(rec, 9);
            return kBuildFault;
        }
    }
    int r = makePrototype(ctx);
    if (r != 0) return r;
    const LowpassPrototype& lp = ctx.proto;
    for (int k = 1; k <= lp.n; ++k)
        if (lp.element[k].code != 2 && lp.element[k].code != 3) return kBuildBadReference;
    const double fo = rec[5].value, bw = rec[6].value;
    if (!(bw > 0) || !(fo - bw / 2 > 0)) {
        setFaultIndex(rec, 6);
        return kBuildFault;
    }
    if (lp.n < 1 || 3 * lp.n + 4 >= kEntrySlots) {
        setFaultIndex(rec, 1);
        return kBuildFault;
    }
    const double f0 = geometricCentre(fo, bw), q = f0 / bw;
    const bool mesh = cfg == 'S' || tubular;
    double zo = st.designZo > 0 ? st.designZo : rec[7].value;
    if (!(zo > 0)) {
        setFaultIndex(rec, 7);
        return kBuildFault;
    }

    // Node form (normalized, 1 ohm, 1 rad/s): tank k has C = Q g_k; the
    // inverters are unity. The mesh form is built as the node form with the
    // coupling kinds exchanged and dual-transformed afterwards.
    EntryList& list = ctx.design.entries;
    std::vector<double> b(static_cast<size_t>(lp.n) + 1);
    for (int k = 1; k <= lp.n; ++k) b[static_cast<size_t>(k)] = q * lp.element[k].value;
    std::vector<char> kind(static_cast<size_t>(lp.n) + 1, 'C');
    for (int k = 1; k < lp.n; ++k) {
        char c = tubular ? 'C' : coupling(rec, k);
        if (c != 'L') c = 'C';
        if (mesh) c = c == 'C' ? 'L' : 'C';
        kind[static_cast<size_t>(k)] = c;
    }
    int i = 1;
    for (int k = 1; k <= lp.n; ++k) {
        double c = b[static_cast<size_t>(k)], linv = b[static_cast<size_t>(k)];
        for (int side : {k - 1, k}) {
            if (side < 1 || side >= lp.n) continue;
            if (kind[static_cast<size_t>(side)] == 'C')
                c -= 1;
            else
                linv -= 1;
        }
        setEntry(list, i++, c, 'C', 2);
        setEntry(list, i++, 1 / linv, 'L', 2);
        if (k < lp.n) setEntry(list, i++, 1.0, kind[static_cast<size_t>(k)], 3);
    }
    const int n = i;
    // A series element next to either end puts an inverter between that end
    // and its tank: the end resistance is seen inverted.
    double source = lp.element[lp.n + 1].value;
    if (lp.element[lp.n].code == 3) source = 1 / source;
    writeNormalizedEnds(list, n, source);
    impedanceScale(list, 0, n, zo);
    if (mesh) dualTransform(list, 1, n);

    bool negative = hasNegativeValues(list);
    const int resCode = mesh ? 3 : 2;
    if (tubular) {
        const int converted = convertToPi(list);
        st.comments.push_back(st.variant == 2 ? "* * Coaxial * *" : "* * Equal Shunt Tubular * *");
        char buf[64];
        std::snprintf(buf, sizeof buf, "Converted %d shunt C couplings to Pi", converted);
        st.comments.emplace_back(buf);
        if (st.mode == NarrowMode::EqualL)
            ctx.toolkit.notice("Can't equalize L on a tubular, doing C");
        if (!negative && !equalizeTubular(list)) negative = hasNegativeValues(list);
        st.comments.emplace_back("Shunt capacitors equal in pairs");
    } else if (!negative) {
        st.comments.emplace_back("* Norton / narrow band *");
        // Resonator levels are set at the centre frequency of 1 rad/s.
        const double naturalL = zo;
        if (!equalize(list, resCode, st.mode, naturalL)) negative = true;
    }
    if (!negative) {
        // Each coupling reactance realizes its inverter exactly at the centre
        // only (a capacitor's grows as w, an inductor's as 1/w), which moves
        // the whole response off the centre by about 0.3 Bw^2/f0 (up for
        // capacitive, down for inductive couplings) while keeping its width.
        // A frequency scaling puts the geometric centre of the response back
        // on f0; outside the tubular form the impedance scaling that follows
        // keeps the resonator inductors where they were (natural Zo). The
        // edges are taken 3 dB (or the ripple plus 1 dB) above the loss at
        // the centre, which is far from 0 dB for a singly terminated design.
        const double level = ladderLoss(list, 1.0) + std::max(3.0, rec[2].value + 1.0);
        const double lo = lossCrossing(list, level, -1, q), hi = lossCrossing(list, level, 1, q);
        if (std::isfinite(lo) && std::isfinite(hi)) {
            const double k = std::sqrt(lo * hi);
            const int count = entryCount(list);
            const double reference = list[count + 1].value;
            frequencyScale(list, 1, count - 1, 1.0 / k);
            list[count + 1].value = reference;
            if (!tubular) impedanceScale(list, 0, count, 1.0 / k);
        }
    }
    frequencyScale(list, 1, entryCount(list) - 1, kTwoPi * f0);

    // A typed average value rescales the impedance level.
    if (st.typedValue > 0 && (st.typedKind == 'L' || st.typedKind == 'C')) {
        averages(list, st);
        const bool par = st.reference == 'P';
        const double now = st.typedKind == 'L' ? (par ? st.avgParallelL : st.avgSeriesL)
                                               : (par ? st.avgParallelC : st.avgSeriesC);
        if (now > 0) {
            const double ratio = st.typedKind == 'L' ? st.typedValue / now : now / st.typedValue;
            impedanceScale(list, 0, entryCount(list), ratio);
            zo *= ratio;
        }
        if (!st.fixed) st.typedValue = 0;
    }
    averages(list, st);
    st.designZo = zo;
    st.terminationZo = list[0].value;
    if (negative || hasNegativeValues(list)) return kBuildNegative;
    if (tubular && st.variant == 2) return kBuildCoaxialCoil;
    return kBuildOk;
}

int narrowBandDialog(PrototypeContext& ctx, int variant, NarrowBandView* view) {
    NarrowBandState st;
    st.variant = variant;
    st.designZo = ctx.design.record[7].value;
    // The direct scaled bandpass first: its refusal ends the dialog.
    int r = directBandpass(ctx, 0);
    if (r != 0) return r;
    for (;;) {
        r = buildNarrowBand(ctx, st);
        if (r != kBuildOk && r != kBuildNegative && r != kBuildCoaxialCoil) return r;
        if (!view || view->run(st) == NarrowBandView::Action::Exit) break;
    }
    ctx.design.record[7].value = st.designZo;
    return r;
}

bool equalizeTubularPairs(EntryList& list) {
    EntryList work = list;
    if (!equalizeTubular(work)) return false;
    list = work;
    return true;
}

int equalizeResonators(EntryList& list, char letter, int& reference) {
    reference = 0;
    const int n = entryCount(list);
    if (n < 2 || (letter != 'L' && letter != 'C')) return 1;
    bool tubular = true, shuntC = false;
    int shuntRun = 0, seriesRun = 0;
    for (int i = 1; i < n; ++i) {
        const NetEntry& e = list[i];
        if ((e.letter != 'L' && e.letter != 'C') || (e.code != 2 && e.code != 3)) return 1;
        if (e.code == 2 && e.letter == 'L') tubular = false;
        if (e.code == 2 && e.letter == 'C') shuntC = true;
        if (i > 1 && list[i - 1].code == e.code && list[i - 1].letter != e.letter)
            (e.code == 2 ? shuntRun : seriesRun) += 1;
    }
    if (tubular && shuntC) {
        if (!equalizeTubularPairs(list)) return 2;
        for (int i = 1; i < n; ++i)
            if (list[i].code == 2) {
                reference = i;
                break;
            }
        return -1;
    }
    // Resonators are the runs of L-C entries of one connection; the other
    // connection holds the couplings.
    const int resCode = shuntRun >= seriesRun ? 2 : 3;
    std::vector<Resonator> res;
    std::vector<int> cps;
    scan(list, resCode, res, cps);
    if (res.size() < 2) return 1;
    for (const Resonator& r : res)
        if (!(r.l > 0 && r.c > 0)) return 1;
    // Couplings are single entries: two side by side are no coupling of
    // this form (a direct scaled series resonator, say).
    for (std::size_t k = 1; k < cps.size(); ++k)
        if (cps[k] == cps[k - 1] + 1) return 1;
    EntryList work = list;
    if (!equalize(work, resCode, letter == 'C' ? NarrowMode::EqualC : NarrowMode::EqualL, 0))
        return 2;
    scan(work, resCode, res, cps);
    for (int i = res.back().first; i <= res.back().last; ++i)
        if (work[i].letter == letter) {
            reference = i;
            break;
        }
    list = work;
    return 0;
}

} // namespace tanvex::synthesis
