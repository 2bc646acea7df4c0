#include "synthesis/norton.h"

#include <algorithm>
#include <cmath>

namespace tanvex::synthesis {

namespace {

constexpr int kShuntStops[] = {1,  2,  4,  6,  8,  9,  10, 11, 12, 13, 14, 16, 18, 20, 23, 24,
                               26, 28, 30, 32, 34, 36, 38, 40, 41, 42, 45, 46, 48, 51, 52};
constexpr int kSeriesStops[] = {1,  3,  5,  7,  8,  9,  10, 11, 12, 13, 15, 17, 19, 23, 24,
                                25, 27, 29, 31, 33, 35, 37, 39, 41, 43, 45, 46, 49, 51, 52};

// Highest count before an insertion that still leaves room (the shared insert
// refuses above 145).
constexpr int kMaxCountForInsert = 145;

void insertBefore(EntryList& list, int pos, const NetEntry& e) {
    int n = entryCount(list);
    for (int j = n + 1; j >= pos; --j) list[j + 1] = list[j];
    list[pos] = e;
}

// Relative size below which a merged sum counts as zero.
constexpr double kVanish = 1e-9;

// Merges value v of letter t into entry e connected by code. Returns false
// when the merged element vanishes (a sum of zero: the element becomes a
// short in the series arm or an open shunt) and must be removed rather
// than stored as 0 or infinity.
bool absorb(NetEntry& e, double v, int newCode) {
    bool addValues = newCode == 3 ? e.letter != 'C' : e.letter == 'C';
    if (addValues) {
        const double sum = e.value + v;
        if (std::fabs(sum) <= kVanish * std::max(std::fabs(e.value), std::fabs(v))) return false;
        e.value = sum;
    } else {
        const double a = 1 / e.value, b = 1 / v, sum = a + b;
        if (std::fabs(sum) <= kVanish * std::max(std::fabs(a), std::fabs(b))) return false;
        e.value = 1 / sum;
    }
    return true;
}

void removeAt(EntryList& list, int pos, int n) {
    for (int j = pos; j <= n; ++j) list[j] = list[j + 1];
    list[n + 1] = NetEntry{};
}

// The first entry of the group that entry i belongs to, walking the groups
// from entry 1; -1 when i is not inside a group of the list.
int groupStart(const EntryList& list, int i, int n) {
    for (int j = 1; j < n;) {
        const int size = std::max(1, groupSize(list[j].code));
        if (i < j + size) return j;
        j += size;
    }
    return -1;
}

// Walks from `from` in direction step looking for an entry of letter t and
// code newCode; returns its index or -1 when a stop code comes first.
int findAbsorber(const EntryList& list, int from, int step, char t, int newCode,
                 int transformedCode, int n) {
    for (int j = from; j >= 0 && j <= n; j += step) {
        if (list[j].letter == t && list[j].code == newCode) return j;
        if (nortonStops(transformedCode, list[j].code)) return -1;
    }
    return -1;
}

} // namespace

bool nortonStops(int transformedCode, int code) {
    if (transformedCode == 2)
        return std::find(std::begin(kShuntStops), std::end(kShuntStops), code) !=
               std::end(kShuntStops);
    return std::find(std::begin(kSeriesStops), std::end(kSeriesStops), code) !=
           std::end(kSeriesStops);
}

void nortonImpedanceScale(EntryList& list, int first, int last, double k) {
    if (!(k > 0)) return;
    for (int j = last; j >= first; --j) {
        NetEntry& e = list[j];
        if (e.letter == 'L' || e.letter == 'M' || e.letter == 'R' || e.letter == 'Z')
            e.value *= k;
        else if (e.letter == 'C')
            e.value /= k;
        if (e.code == 8) break;
    }
}

NortonResult nortonTransform(EntryList& list, int i, double r, ui::Toolkit* tk) {
    auto refuse = [&]() {
        if (tk) tk->beep();
        return NortonResult::Refused;
    };
    int n = entryCount(list);
    if (i < 1 || i >= n) return refuse();
    if (r <= 0 || r == 1) return NortonResult::Unchanged;
    double k = 1 / std::sqrt(r);
    if (list[i].letter == 'M' || list[i].letter == 'N') return refuse();
    bool pair = false;
    if (list[i].code >= 4) {
        // The second entry of a pair stands for its group.
        const int start = groupStart(list, i, n);
        if (start < 0 || list[start].code != 5) return refuse();
        i = start;
        const NetEntry& a = list[i];
        const NetEntry& b = list[i + 1];
        bool lc = (a.letter == 'L' && b.letter == 'C') || (a.letter == 'C' && b.letter == 'L');
        if (!(a.code == 5 && b.code == 5 && lc && i + 1 < n)) return refuse();
        pair = true;
    } else if (list[i].code != 2 && list[i].code != 3) {
        return refuse();
    }
    // Up to four insertions (two for a single element); refuse while the list
    // is still untouched rather than fail half-way.
    if (n + (pair ? 4 : 2) - 1 > kMaxCountForInsert) return refuse();
    if (pair && list[i].letter != 'C') std::swap(list[i], list[i + 1]);

    double x = list[i].value;
    int c = list[i].code;
    char t = list[i].letter;
    double newValue, a, b;
    int newCode = c == 2 ? 3 : 2;
    if (t == 'C') {
        newValue = x * k;
        if (c == 2) {
            a = x * k / (k - 1);
            b = x * k * k / (1 - k);
        } else {
            a = x * (1 - k);
            b = x * k * (k - 1);
        }
    } else {
        newValue = x / k;
        if (c == 2) {
            a = x * (k - 1) / k;
            b = x * (1 - k) / (k * k);
        } else {
            a = x / (1 - k);
            b = x / ((k - 1) * k);
        }
    }
    list[i].value = newValue;
    double aL = 0, bL = 0;
    if (pair) {
        double product = list[i + 1].value * x;
        list[i + 1].value = product / newValue;
        aL = product / a;
        bL = product / b;
    }
    nortonImpedanceScale(list, 0, i - 1, r);

    int pos = i; // index of the transformed element (first of the pair)
    auto placeBelow = [&](double v, char letter) {
        int j = findAbsorber(list, pos - 1, -1, letter, newCode, c, n);
        if (j >= 0) {
            if (!absorb(list[j], v, newCode)) {
                removeAt(list, j, n);
                --pos;
                --n;
            }
        } else {
            insertBefore(list, pos, NetEntry{v, letter, newCode});
            ++pos;
            ++n;
        }
    };
    placeBelow(b, t);
    if (pair) placeBelow(bL, 'L');
    int after = pos + (pair ? 2 : 1);
    auto placeAbove = [&](double v, char letter) {
        int j = findAbsorber(list, after, +1, letter, newCode, c, n);
        if (j >= 0) {
            if (!absorb(list[j], v, newCode)) {
                removeAt(list, j, n);
                --n;
            }
        } else {
            insertBefore(list, after, NetEntry{v, letter, newCode});
            ++n;
        }
    };
    placeAbove(a, t);
    if (pair) placeAbove(aL, 'L');
    return NortonResult::Done;
}

} // namespace tanvex::synthesis
