#include "schematic/network_edit.h"

#include "design/operations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tanvex::schematic {

std::vector<signed char> buildGroupMap(const EntryList& list) {
    int n = entryCount(list);
    std::vector<signed char> map(n + 1, 1);
    int i = 1;
    while (i < n) {
        int size = std::max(1, groupSize(list[i].code));
        size = std::min(size, n - i);
        map[i] = static_cast<signed char>(size);
        for (int k = 1; k < size; ++k) map[i + k] = 0;
        if (size > 1) map[i + size - 1] = -1;
        i += size;
    }
    return map;
}

int groupStart(const std::vector<signed char>& map, int i) {
    if (i < 0) return 0;
    if (i >= static_cast<int>(map.size())) return static_cast<int>(map.size()) - 1;
    while (i > 0 && map[i] <= 0) --i;
    return i;
}

int groupEnd(const std::vector<signed char>& map, int i) {
    int s = groupStart(map, i);
    return s + std::max<int>(1, map[s]) - 1;
}

bool insertEntries(EntryList& list, int after, const std::vector<NetEntry>& entries,
                   ui::Toolkit& toolkit) {
    int n = entryCount(list);
    int add = static_cast<int>(entries.size());
    if (n + add - 1 > kEditLimit || n + 1 + add >= kEntrySlots) {
        toolkit.notice("Edit memory full");
        return false;
    }
    for (int k = n + 1; k > after; --k) list[k + add] = list[k];
    for (int k = 0; k < add; ++k) list[after + 1 + k] = entries[k];
    return true;
}

void deleteEntries(EntryList& list, int first, int last) {
    int n = entryCount(list);
    int count = last - first + 1;
    if (first < 0 || count <= 0) return;
    for (int k = first; k + count <= n + 1; ++k) list[k] = list[k + count];
    for (int k = n + 2 - count; k <= n + 1; ++k) list[k] = NetEntry{};
}

bool groupToPairs(EntryList& list, int g) {
    if (g < 1 || g + 3 >= kEntrySlots) return false;
    int c = list[g].code;
    if (c != 27 && c != 28) return false;
    for (int k = 1; k < 4; ++k)
        if (list[g + k].code != c) return false;
    EntryList work = list;
    bool series = c == 27;
    if (series && dualTransform(work, g, g + 3) != 0) return false;
    if (work[g].letter != 'L') std::swap(work[g], work[g + 1]);
    if (work[g + 2].letter != 'L') std::swap(work[g + 2], work[g + 3]);
    if (work[g].letter != 'L' || work[g + 1].letter != 'C' || work[g + 2].letter != 'L' ||
        work[g + 3].letter != 'C')
        return false;
    double l1 = work[g].value, c2 = work[g + 1].value, l3 = work[g + 2].value,
           c4 = work[g + 3].value;
    double s = l1 * c2 + l3 * c4 + l1 * c4;
    double p = l1 * l3 * c2 * c4;
    double disc = s * s - 4.0 * p;
    if (disc < 0.0) return false;
    double r = (s + std::sqrt(disc)) / 2.0;
    double q = l1 * c2 * c4;
    double u = p - r * r;
    double a = p * c4 - r * q;
    double b = q - r * c4;
    double v[4] = {u * p / (a * r), a / u, u / b, b * r / u};
    for (double x : v)
        if (!std::isfinite(x)) return false;
    const char letters[4] = {'L', 'C', 'L', 'C'};
    for (int k = 0; k < 4; ++k) work[g + k] = NetEntry{v[k], letters[k], 4};
    if (series && dualTransform(work, g, g + 3) != 0) return false;
    list = work;
    return true;
}

const UnitBlock& unitOf(const Notation& notation, char letter) {
    switch (letter) {
    case 'L':
    case 'M':
        return notation.inductance;
    case 'C':
        return notation.capacitance;
    case 'D':
        return notation.angle;
    case 'F':
        return notation.frequency;
    case 'N':
        return notation.turns;
    default:
        return notation.impedance;
    }
}

ReverseResult reverseNetwork(EntryList& list) {
    const int count = entryCount(list);
    bool refused = false;
    for (int i = 1; i < count; ++i) {
        int c = list[i].code;
        if (c == 8 || c == 9 || c == 53) refused = true;
        if (c == 44 && i + 1 < count && list[i + 1].code != 44 && groupSize(list[i + 1].code) > 1)
            refused = true;
    }
    if (refused) return ReverseResult::kRefused;
    // Units: a group together with the Q exceptions in front of it.
    std::vector<std::vector<NetEntry>> units;
    std::vector<NetEntry> pending;
    int i = 1;
    while (i < count) {
        int size = std::max(1, std::min(groupSize(list[i].code), count - i));
        std::vector<NetEntry> group(list.begin() + i, list.begin() + i + size);
        i += size;
        if (group.size() == 1 && group[0].code == 44) {
            pending.push_back(group[0]);
            continue;
        }
        if (group[0].code == 13 && group.size() == 8 && group[1].code != 13) {
            int& sub = group[1].code;
            if (sub == 18)
                sub = 19;
            else if (sub == 19)
                sub = 18;
            else if (sub == 22)
                sub = 23;
            else if (sub == 23)
                sub = 22;
        }
        if (group[0].code == 24 && group[0].value != 0.0) group[0].value = 1.0 / group[0].value;
        pending.insert(pending.end(), group.begin(), group.end());
        units.push_back(pending);
        pending.clear();
    }
    if (!pending.empty()) units.push_back(pending);
    std::reverse(units.begin(), units.end());
    int k = 1;
    for (const auto& unit : units)
        for (const auto& e : unit) list[k++] = e;
    std::swap(list[0].value, list[count].value);

    // The reference-frequency marker belongs at the front.
    int markers = 0, marker = -1;
    for (int j = 1; j < count; ++j)
        if (list[j].code == 22 && list[j].letter == 'F') ++markers, marker = j;
    if (markers == 1) {
        NetEntry m = list[marker];
        for (int j = marker; j > 1; --j) list[j] = list[j - 1];
        list[1] = m;
    } else if (markers > 1) {
        return ReverseResult::kMarkersLeft;
    }
    return ReverseResult::kDone;
}

} // namespace tanvex::schematic
