#include "schematic/editor_transforms.h"

#include "design/operations.h"
#include "schematic/network_edit.h"
#include "synthesis/narrow_band.h"
#include "synthesis/norton.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tanvex::schematic {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr int kEscapeKey = 27;

bool usable(double v) {
    return std::isfinite(v) && v != 0.0;
}

// The element that vanishes: a series L of 0 or C grown infinite (a short
// in the series arm), a shunt C of 0 or L grown infinite (an open shunt).
bool vanished(const NetEntry& e) {
    if (e.code == 3)
        return (e.letter == 'L' && e.value == 0.0) || (e.letter == 'C' && std::isinf(e.value));
    if (e.code == 2)
        return (e.letter == 'C' && e.value == 0.0) || (e.letter == 'L' && std::isinf(e.value));
    return false;
}

// Merges v into e as the editor's Combine does for single elements: series
// L and shunt C add, series C and shunt L combine reciprocally.
void mergeInto(NetEntry& e, double v) {
    bool adds = (e.code == 3) == (e.letter != 'C');
    if (adds)
        e.value += v;
    else
        e.value = 1.0 / (1.0 / e.value + 1.0 / v);
}

// Inserts e at position pos (pos .. terminator move up); false when the list
// has no room.
bool insertAt(EntryList& list, int pos, const NetEntry& e) {
    int n = entryCount(list);
    if (n + 1 > kEditLimit || n + 2 >= kEntrySlots) return false;
    for (int j = n + 1; j >= pos; --j) list[j + 1] = list[j];
    list[pos] = e;
    return true;
}

bool lc(char letter) {
    return letter == 'L' || letter == 'C';
}

double omegaOf(const EntryList& list) {
    int n = entryCount(list);
    return kTwoPi * list[n + 1].value;
}

// Swaps the two-entry groups at g and g + 2.
void swapGroups(EntryList& list, int g) {
    std::swap(list[g], list[g + 2]);
    std::swap(list[g + 1], list[g + 3]);
}

bool commit(EntryList& list, EntryList& work) {
    if (!settleValues(work)) return false;
    list = work;
    return true;
}

} // namespace

bool settleValues(EntryList& list) {
    int n = entryCount(list);
    for (int i = n - 1; i >= 1; --i) {
        if (!vanished(list[i])) continue;
        deleteEntries(list, i, i);
        --n;
    }
    for (int i = 1; i < n; ++i)
        if (lc(list[i].letter) && !usable(list[i].value)) return false;
    return true;
}

bool nortonAt(EntryList& list, int i, double r) {
    EntryList work = list;
    switch (synthesis::nortonTransform(work, i, r)) {
    case synthesis::NortonResult::Refused:
        return false;
    case synthesis::NortonResult::Unchanged:
        return true;
    case synthesis::NortonResult::Done:
        break;
    }
    return commit(list, work);
}

// ---- Force -------------------------------------------------------------------

namespace {

// The factor x = 1/sqrt(r) of a Norton transform at m that brings the
// element f (value a, letter of f) to d, b the centre's value of that
// letter. f above m (towards the source) absorbs the source-side new
// element unscaled; f below m is impedance-scaled and absorbs the other.
double forceFactor(bool seriesCentre, bool capacitor, bool fAbove, double a, double b, double d) {
    if (seriesCentre && capacitor) {
        if (fAbove) return 1.0 - (d - a) / b;
        double s = a + b;
        return (b + std::sqrt(b * b + 4.0 * s * d)) / (2.0 * s);
    }
    if (seriesCentre) {
        if (fAbove) {
            double t = 1.0 / (1.0 / d - 1.0 / a);
            return 1.0 - b / t;
        }
        double s = a + b;
        return (a + std::sqrt(4.0 * s * a * b / d + a * a)) / (2.0 * s);
    }
    if (!capacitor) {
        if (fAbove) {
            double q = b / (d - a);
            return q / (q - 1.0);
        }
        return 2.0 * (a + b) / (b + std::sqrt(b * b + 4.0 * d * (a + b)));
    }
    if (fAbove) {
        double q = (1.0 / (1.0 / d - 1.0 / a)) / b;
        return q / (q - 1.0);
    }
    double u = a * d, s = b * d + a * d;
    return 2.0 * s / (u + std::sqrt(u * u + 4.0 * s * a * b));
}

// The centre as the transform sees it: the first entry of a code-5 pair,
// and the value of the member of letter t; false when there is none.
bool centreOf(const EntryList& list, int m, char t, int& first, double& b) {
    int n = entryCount(list);
    first = m;
    if (list[m].code == 5) {
        first = groupStart(buildGroupMap(list), m);
        if (first < 1 || first + 1 >= n || pairTest(list, first, first + 1) != 5) return false;
        int k = list[first].letter == t ? first : first + 1;
        if (list[k].letter != t) return false;
        b = list[k].value;
        return true;
    }
    if ((list[m].code != 2 && list[m].code != 3) || list[m].letter != t) return false;
    b = list[m].value;
    return true;
}

} // namespace

bool forceValue(EntryList& list, int f, double d, int m) {
    int n = entryCount(list);
    if (f < 1 || f >= n || m < 1 || m >= n || f == m || !usable(d)) return false;
    const NetEntry target = list[f];
    if (!lc(target.letter) || !usable(target.value)) return false;
    int first = m;
    double b = 0.0;
    if (!centreOf(list, m, target.letter, first, b) || !usable(b)) return false;
    int last = list[first].code == 5 ? first + 1 : first;
    if (f >= first && f <= last) return false; // forcing the centre about itself
    bool seriesCentre = list[first].code != 2;
    double x = forceFactor(seriesCentre, target.letter == 'C', first < f, target.value, b, d);
    if (!(x > 0) || !std::isfinite(x)) return false;
    EntryList work = list;
    if (synthesis::nortonTransform(work, first, 1.0 / (x * x)) == synthesis::NortonResult::Refused)
        return false;
    // The forced element keeps its index below the centre and moves up by
    // the entries inserted below it otherwise.
    bool hit = false;
    for (int k = f; k <= f + 4 && k < entryCount(work) && !hit; ++k)
        hit = work[k].letter == target.letter && work[k].code == target.code &&
              std::fabs(work[k].value - d) <= 1e-6 * std::fabs(d);
    if (!hit) return false;
    return commit(list, work);
}

// ---- Pi-T --------------------------------------------------------------------

bool piT(EntryList& list, int i) {
    int n = entryCount(list);
    if (i < 2 || i + 1 >= n) return false;
    const NetEntry &p = list[i - 1], &c = list[i], &q = list[i + 1];
    if (p.letter != c.letter || c.letter != q.letter) return false;
    if (p.letter != 'L' && p.letter != 'C' && p.letter != 'R') return false;
    if (p.code != q.code || p.code + c.code != 5 || (c.code != 2 && c.code != 3)) return false;
    double a = p.value, b = c.value, e = q.value;
    if (!usable(a) || !usable(b) || !usable(e)) return false;
    EntryList work = list;
    bool products = (c.code == 3 && c.letter == 'C') || (c.code == 2 && c.letter != 'C');
    if (products) {
        double s = a * e + e * b + a * b;
        if (s == 0.0) return false;
        work[i - 1].value = s / e;
        work[i].value = s / b;
        work[i + 1].value = s / a;
    } else {
        double t = a + b + e;
        if (t == 0.0) return false;
        work[i - 1].value = a * b / t;
        work[i].value = e * a / t;
        work[i + 1].value = e * b / t;
    }
    for (int k = i - 1; k <= i + 1; ++k) work[k].code = work[k].code == 2 ? 3 : 2;
    return commit(list, work);
}

// ---- J-k inverter --------------------------------------------------------------

bool jkInverter(EntryList& list, int i, double d) {
    int n = entryCount(list);
    if (i < 2 || i + 1 >= n || !(d > 0) || !std::isfinite(d)) return false;
    int tank = pairTest(list, i - 1, i);
    if (tank != 2 && tank != 3) return false;
    int other = tank == 2 ? 3 : 2;
    char t = list[i + 1].letter;
    if (!lc(t) || list[i + 1].code != other) return false;
    double r0 = list[0].value, w = omegaOf(list);
    double l = list[i].letter == 'L' ? list[i].value : list[i - 1].value;
    double c = list[i].letter == 'C' ? list[i].value : list[i - 1].value;
    if (!(r0 > 0) || !(w > 0) || !(l > 0) || !(c > 0)) return false;
    double rho = t == 'L' ? l / (r0 * d) : d / (r0 * c);
    double k = t == 'L' ? std::sqrt(l / (d * w * w)) : std::sqrt(c / (d * w * w));
    EntryList work = list;
    if (impedanceScale(work, 0, i, rho / r0) != 0 || dualTransform(work, 1, i) != 0) return false;
    if (!insertAt(work, i + 1, NetEntry{k, t, tank})) return false;
    // The inverter's negative partners: the neighbour beyond it and the
    // first element of that letter below it in the other connection (the
    // dual of the tank).
    mergeInto(work[i + 2], -k);
    int j = i;
    while (j >= 1 && work[j].code == other && work[j].letter != t) --j;
    if (j < 1 || work[j].code != other) return false; // an inverter without its partner
    mergeInto(work[j], -k);
    return commit(list, work);
}

// ---- Kuroda ----------------------------------------------------------------------

bool kuroda(EntryList& list, int i) {
    int n = entryCount(list);
    if (i < 1 || i >= n) return false;
    auto map = buildGroupMap(list);
    int g = groupStart(map, i);
    int g2 = g + std::max(1, groupSize(list[g].code));
    if (g2 + 1 >= n) return false;
    bool lineFirst = list[g].code == 23;
    int line = lineFirst ? g : g2, stub = lineFirst ? g2 : g;
    int stubCode = list[stub].code;
    if (list[line].code != 23 || list[line + 1].code != 23 || (stubCode != 17 && stubCode != 18) ||
        list[stub + 1].code != stubCode)
        return false;
    if (list[line].letter != 'Z' || list[stub].letter != 'Z') return false;
    double ls = list[stub + 1].value, ll = list[line + 1].value;
    if (!(list[line].value > 0) || !(list[stub].value > 0) ||
        std::fabs(ls - ll) > 0.01 * std::fabs(ll))
        return false;
    EntryList work = list;
    if (lineFirst) swapGroups(work, g);
    bool dual = stubCode == 18;
    if (dual && dualTransform(work, g, g + 3) != 0) return false;
    double zs = work[g].value, zl = work[g + 2].value;
    work[g].value = zs + zl;
    work[g].code = work[g + 1].code = 23;
    work[g + 2].value = (zs + zl) * zl / zs;
    work[g + 2].code = work[g + 3].code = 18;
    if (dual && dualTransform(work, g, g + 3) != 0) return false;
    if (lineFirst) swapGroups(work, g);
    // The new stub merges with a like stub of the same length beyond it.
    int at = lineFirst ? g : g + 2;
    int newCode = work[at].code;
    auto wmap = buildGroupMap(work);
    int far = lineFirst ? (at > 1 ? groupStart(wmap, at - 1) : -1) : at + 2;
    if (far >= 1 && far + 1 < entryCount(work) && work[far].code == newCode &&
        work[far + 1].code == newCode && work[far].letter == 'Z' &&
        std::fabs(work[far + 1].value - work[at + 1].value) <=
            0.01 * std::fabs(work[at + 1].value)) {
        double za = work[at].value, zb = work[far].value;
        work[far].value = newCode == 18 ? 1.0 / (1.0 / za + 1.0 / zb) : za + zb;
        deleteEntries(work, at, at + 1);
    }
    return commit(list, work);
}

// ---- -Value ----------------------------------------------------------------------

bool removeNegative(EntryList& list, int i) {
    int n = entryCount(list);
    if (i < 1 || i >= n || !lc(list[i].letter) || !usable(list[i].value)) return false;
    double w = omegaOf(list);
    if (!(w > 0)) return false;
    EntryList work = list;
    work[i].letter = list[i].letter == 'C' ? 'L' : 'C';
    work[i].value = -1.0 / (w * w * list[i].value);
    return commit(list, work);
}

// ---- Distributed capacity ----------------------------------------------------------

int insertDistributedC(EntryList& list, int i, double cd) {
    int n = entryCount(list);
    if (i < 1 || i >= n || list[i].letter != 'L') return 1;
    if (!usable(cd)) return 2;
    auto map = buildGroupMap(list);
    int g = groupStart(map, i);
    int size = std::max<int>(1, map[g]);
    int code = list[g].code;
    EntryList work = list;
    NetEntry cap{cd, 'C', 0};
    auto recode = [&](int from, int count, int to) {
        for (int k = from; k < from + count; ++k) work[k].code = to;
    };
    if (code == 2 || code == 3) {
        cap.code = code == 2 ? 2 : 5;
        if (!insertAt(work, code == 2 ? g : g + 1, cap)) return 2;
        if (code == 3) work[g].code = 5;
        return commit(list, work) ? 0 : 2;
    }
    if ((code == 4 || code == 5) && size == 2) {
        if (work[g].letter != 'L') std::swap(work[g], work[g + 1]);
        if (!insertAt(work, g + 1, cap)) return 2;
        recode(g, 3, code == 4 ? 6 : 15);
        return commit(list, work) ? 0 : 2;
    }
    if ((code == 6 || code == 7) && size == 3) {
        if (i == g + 2) return 1;
        if (work[g].letter != 'L') std::swap(work[g], work[g + 1]);
        if (code == 6) {
            // L, second, R (none), Cd, third.
            if (!insertAt(work, g + 2, NetEntry{kNoResistor, 'R', 48}) ||
                !insertAt(work, g + 3, cap))
                return 2;
            recode(g, 5, 48);
        } else {
            if (!insertAt(work, g + 1, cap)) return 2;
            recode(g, 4, 29);
        }
        return commit(list, work) ? 0 : 2;
    }
    return 2;
}

bool compensateDistributedC(EntryList& list, int a, int b, double f0) {
    int n = entryCount(list);
    if (a < 1 || a >= n || b < 1 || b >= n || a == b || !(f0 > 0) || !std::isfinite(f0))
        return false;
    int li = list[a].letter == 'L' ? a : b, ci = li == a ? b : a;
    if (list[li].letter != 'L' || list[ci].letter != 'C') return false;
    double l = list[li].value, c = list[ci].value, w = kTwoPi * f0;
    if (!usable(l) || !usable(c)) return false;
    EntryList work = list;
    work[li].value = 1.0 / (1.0 / l + w * w * c);
    work[n + 1].value = f0;
    return commit(list, work);
}

// ---- Cp ------------------------------------------------------------------------------

int setCp(EntryList& list, int branch, double cp) {
    int n = entryCount(list);
    if (branch < 1 || branch >= n || !(cp >= 0) || !std::isfinite(cp)) return 1;
    int s = branch;
    if (list[s].letter == 'C' && list[s].code == 2) s -= 2;
    if (s < 3 || pairTest(list, s - 2, s - 1) != 2 || pairTest(list, s, s + 1) != 5) return 1;
    int second = pairTest(list, s + 2, s + 3) == 5 ? s + 2 : -1;
    if (second < 0 && list[s + 2].letter == 'C' && list[s + 2].code == 2 &&
        pairTest(list, s + 3, s + 4) == 5)
        second = s + 3;
    if (second < 0) return 1;
    EntryList work = list;
    double f1 = resonance(work, s, s + 1), f2 = resonance(work, second, second + 1);
    if (second == s + 2) {
        bool rising = work[0].value < work[n].value;
        if ((f2 < f1 && rising) || (f2 > f1 && !rising)) {
            swapGroups(work, s);
            std::swap(f1, f2);
        }
    }
    // A small shunt L and C after the first section (or added to the Cp).
    if (synthesis::nortonTransform(work, s, 1.0001) != synthesis::NortonResult::Done) return 1;
    if (pairTest(work, s + 2, s + 3) != 2 || work[s + 2].letter != 'L' ||
        pairTest(work, s + 4, s + 5) != 5)
        return 1;
    bool removing = cp == 0.0;
    double r = f2 > f1 ? 1.0 / 0.9 : 0.9;
    int direction = 1;
    bool settled = false;
    for (int it = 0; it < 100 && !settled; ++it) {
        if (synthesis::nortonTransform(work, s + 4, r) != synthesis::NortonResult::Done) return 2;
        // The shunt inductor at s + 2 is opened exactly (1/L to 0) by a
        // Norton transform of the first section.
        int first = 0;
        double b = 0.0;
        double a = work[s + 2].value;
        if (!centreOf(work, s, 'L', first, b) || !usable(a)) return 2;
        double x = 1.0 + b / a;
        if (!(x > 0) || !std::isfinite(x)) return 2;
        const int count = entryCount(work);
        if (synthesis::nortonTransform(work, first, 1.0 / (x * x)) != synthesis::NortonResult::Done)
            return 2;
        // The transform opens the shunt inductor exactly; the Norton pass
        // deletes an element that sums to nothing, so its place is put back
        // (open) for the next round and removed at the end.
        if (entryCount(work) == count - 1 &&
            !(work[s + 2].letter == 'L' && work[s + 2].code == 2) &&
            !insertAt(work, s + 2, NetEntry{std::numeric_limits<double>::infinity(), 'L', 2}))
            return 2;
        if (work[s + 2].letter != 'L' || work[s + 2].code != 2) return 2;
        work[s + 2].value = std::numeric_limits<double>::infinity();
        double cx = work[s + 3].value;
        settled = removing ? std::fabs(1.0 - r) <= 1e-10 : std::fabs(cp - cx) <= 1e-6 * cp;
        int now = cx >= cp ? -1 : 1;
        if (now != direction) r = std::pow(r, -1.0 / 3.0);
        direction = now;
    }
    if (!settled) return 2;
    deleteEntries(work, s + 2, s + 2);
    if (removing) deleteEntries(work, s + 2, s + 2);
    return commit(list, work) ? 0 : 2;
}

// ---- Pair conversions --------------------------------------------------------------------

namespace {

// Runs convert on the shunt form of the four entries at g (all shuntCode, or
// all the series dual seriesCode, dualized there and back), with g and g + 2
// made inductors first.
template <typename Convert>
bool onShuntForm(EntryList& list, int g, int shuntCode, int seriesCode, Convert convert) {
    int n = entryCount(list);
    if (g < 1 || g + 3 >= n) return false;
    int c = list[g].code;
    if (c != shuntCode && c != seriesCode) return false;
    for (int k = 1; k < 4; ++k)
        if (list[g + k].code != c) return false;
    EntryList work = list;
    bool series = c == seriesCode;
    if (series && dualTransform(work, g, g + 3) != 0) return false;
    if (work[g].letter != 'L') std::swap(work[g], work[g + 1]);
    if (work[g + 2].letter != 'L') std::swap(work[g + 2], work[g + 3]);
    if (work[g].letter != 'L' || work[g + 1].letter != 'C' || work[g + 2].letter != 'L' ||
        work[g + 3].letter != 'C')
        return false;
    for (int k = 0; k < 4; ++k)
        if (!usable(work[g + k].value)) return false;
    if (!convert(work)) return false;
    if (series && dualTransform(work, g, g + 3) != 0) return false;
    return commit(list, work);
}

} // namespace

bool pairsToGroup(EntryList& list, int g) {
    if (pairTest(list, g, g + 1) == 0 || pairTest(list, g + 2, g + 3) == 0) return false;
    return onShuntForm(list, g, 4, 5, [g](EntryList& w) {
        double l1 = w[g].value, c1 = w[g + 1].value, l2 = w[g + 2].value, c2 = w[g + 3].value;
        // Equal resonances have no such group.
        double t = l1 * c1 - l2 * c2;
        if (std::fabs(t) <= 1e-9 * std::max(std::fabs(l1 * c1), std::fabs(l2 * c2))) return false;
        double ls = l1 + l2, cs = c1 + c2;
        w[g] = {t * t / (ls * cs * cs), 'L', 28};
        w[g + 1] = {c1 * c2 * cs * ls * ls / (t * t), 'C', 28};
        w[g + 2] = {cs, 'C', 28};
        w[g + 3] = {l1 * l2 / ls, 'L', 28};
        return true;
    });
}

bool groupToBridged(EntryList& list, int g, char named) {
    if (g >= 1 && g < kEntrySlots && list[g].code == 27) named = named == 'C' ? 'L' : 'C';
    return onShuntForm(list, g, 28, 27, [g, named](EntryList& w) {
        double l1 = w[g].value, c2 = w[g + 1].value, l3 = w[g + 2].value, c4 = w[g + 3].value;
        if (named == 'L') {
            double sl = l1 + l3;
            w[g] = {l3 * sl / l1, 'L', 30};
            w[g + 1] = {c2 * (l1 / sl) * (l1 / sl), 'C', 30};
            w[g + 2] = {sl, 'L', 30};
            w[g + 3] = {c4, 'C', 30};
        } else {
            double sc = c2 + c4;
            w[g] = {l1 * (sc / c4) * (sc / c4), 'L', 30};
            w[g + 1] = {c4 * c4 / sc, 'C', 30};
            w[g + 2] = {c2 * c4 / sc, 'C', 30};
            w[g + 3] = {l3, 'L', 30};
        }
        return true;
    });
}

bool dipole(EntryList& list, int b) {
    int n = entryCount(list);
    if (b < 1 || b >= n) return false;
    auto map = buildGroupMap(list);
    int g = groupStart(map, b);
    int c = list[g].code;
    if (c == 27 || c == 28) {
        if (b == g) {
            EntryList work = list;
            if (!groupToPairs(work, g)) return false;
            return commit(list, work);
        }
        return groupToBridged(list, g, list[b].letter);
    }
    if ((c == 4 || c == 5) && b == g && map[g] == 2) return pairsToGroup(list, g);
    return false;
}

// ---- Triplet ------------------------------------------------------------------------------

bool triplet(EntryList& list, int b, double value) {
    int n = entryCount(list);
    if (b < 1 || b >= n || !lc(list[b].letter) || list[b].code != 2 || !usable(value)) return false;
    double x = list[b].value;
    // The element becomes x k (a capacitor) or x / k (an inductor).
    double k = list[b].letter == 'C' ? value / x : x / value;
    if (!(k > 0) || !std::isfinite(k)) return false;
    double r = 1.0 / (k * k);
    EntryList work = list;
    if (pairTest(work, b, b + 1) != 2) {
        if (synthesis::nortonTransform(work, b, r) == synthesis::NortonResult::Refused)
            return false;
        return commit(list, work);
    }
    if (k == 1.0) return true;
    // The tank's admittance Y becomes k Y; the series impedances (k-1)/(k Y)
    // towards the source and (1-k)/(k^2 Y) towards the termination are
    // tanks in the series arm.
    int li = work[b].letter == 'L' ? b : b + 1, ci = li == b ? b + 1 : b;
    double l = work[li].value, c = work[ci].value;
    work[ci].value = c * k;
    work[li].value = l / k;
    synthesis::nortonImpedanceScale(work, 0, b - 1, r);
    if (!insertAt(work, b + 2, NetEntry{l * (k - 1) / k, 'L', 5}) ||
        !insertAt(work, b + 3, NetEntry{c * k / (k - 1), 'C', 5}) ||
        !insertAt(work, b, NetEntry{l * (1 - k) / (k * k), 'L', 5}) ||
        !insertAt(work, b + 1, NetEntry{c * k * k / (1 - k), 'C', 5}))
        return false;
    return commit(list, work);
}

// ---- Stubs ----------------------------------------------------------------------------------

int stubGenerator(EntryList& list, int g, double zo) {
    int n = entryCount(list);
    double w = omegaOf(list);
    if (!(zo > 0) || !std::isfinite(zo) || !(w > 0)) return 1;
    EntryList work = list;
    int converted = 0;
    for (int i = g < 0 ? 1 : g; i < n && (g < 0 || i == g); ++i) {
        const NetEntry e = work[i];
        if (!lc(e.letter) || (e.code != 2 && e.code != 3)) continue;
        if (!(e.value > 0) || !std::isfinite(e.value)) return 1;
        // An inductor's reactance is Zo tan(theta) of a shorted stub, a
        // capacitor's susceptance tan(theta) / Zo of an open one.
        bool shorted = e.letter == 'L';
        double theta = shorted ? std::atan(w * e.value / zo) : std::atan(w * e.value * zo);
        int code = e.code == 2 ? (shorted ? 16 : 18) : (shorted ? 17 : 19);
        work[i] = {zo, 'Z', code};
        if (!insertAt(work, i + 1, NetEntry{theta, 'D', code})) return 1;
        ++n;
        ++i;
        ++converted;
    }
    if (converted == 0) return 1;
    return commit(list, work) ? 0 : 1;
}

// ---- Equal shunts ------------------------------------------------------------------------

bool equalShunts(EntryList& list, ui::Toolkit* tk, int maxSweeps) {
    double w0 = omegaOf(list);
    if (!(w0 > 0)) return false;
    EntryList work = list;
    for (int sweep = 0; sweep < maxSweeps; ++sweep) {
        if (!synthesis::equalizeTubularPairs(work)) return false;
        if (tk && tk->keyPoll() == kEscapeKey) return false;
        bool moved = false;
        // The series inductors in index order; the first and the last have
        // no shunt capacitor on both sides.
        for (int ordinal = 1;; ++ordinal) {
            int k = -1, total = 0;
            int n = entryCount(work);
            for (int j = 1; j < n; ++j)
                if (work[j].letter == 'L' && work[j].code == 3) {
                    if (total == ordinal) k = j;
                    ++total;
                }
            if (ordinal + 1 >= total || k < 0) break;
            if (!(work[k - 1].letter == 'C' && work[k - 1].code == 2 && work[k + 1].letter == 'C' &&
                  work[k + 1].code == 2))
                return false;
            double cl = work[k - 1].value, cr = work[k + 1].value;
            if (std::fabs(cl - cr) <= 1e-6 * std::fabs(cl)) continue;
            double x = w0 * w0 * work[k].value;
            double r = (1.0 - cl * x) / (1.0 - cr * x);
            if (!(r > 0) || !std::isfinite(r)) return false;
            if (synthesis::nortonTransform(work, k, r) != synthesis::NortonResult::Done)
                return false;
            // Now: C(k-1), new shunt L (k), the inductor (k+1), new shunt L
            // (k+2), C (k+3). The new inductors become capacitors of the same
            // reactance at w0 and merge into their neighbours.
            if (!(work[k].letter == 'L' && work[k].code == 2 && work[k + 2].letter == 'L' &&
                  work[k + 2].code == 2 && work[k + 3].letter == 'C' && work[k + 3].code == 2))
                return false;
            for (int j : {k, k + 2}) work[j] = {-1.0 / (w0 * w0 * work[j].value), 'C', 2};
            work[k + 2].value += work[k + 3].value;
            deleteEntries(work, k + 3, k + 3);
            work[k - 1].value += work[k].value;
            deleteEntries(work, k, k);
            moved = true;
        }
        if (!moved) return commit(list, work);
    }
    return false;
}

} // namespace tanvex::schematic
