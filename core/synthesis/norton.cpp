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

// Merges value v of letter t into entry j connected by code.
void absorb(NetEntry& e, double v, int newCode) {
    bool addValues = newCode == 3 ? e.letter != 'C' : e.letter == 'C';
    if (addValues)
        e.value += v;
    else
        e.value = 1 / (1 / e.value + 1 / v);
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
            absorb(list[j], v, newCode);
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
            absorb(list[j], v, newCode);
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
