#include "layout/layout_edit.h"

#include <cmath>

namespace tanvex::layout {

bool isSeries(const BranchRecord& b) {
    return nodeAdvance(b.code) == 1;
}

double otherPart(char letter, double whole, double part) {
    if (letter == 'C') return whole - part;
    return 1.0 / (1.0 / whole - 1.0 / part);
}

namespace {

// First entry of the group that holds entry i.
int groupStart(const LayoutDesign& d, int i) {
    int k = 1;
    while (k < d.count) {
        int size = std::max(1, groupSize(d.branches[k].code));
        if (i < k + size) return k;
        k += size;
    }
    return i;
}

} // namespace

SplitResult splitBranch(LayoutDesign& d, int i, double part) {
    if (i < 1 || i >= d.count) return SplitResult::NotPart;
    BranchRecord whole = d.branches[i];
    if (whole.letter != 'C' && whole.letter != 'L') return SplitResult::NotPart;
    int code = whole.code;
    if (code != 2 && code != 3 && code != 4 && code != 5) return SplitResult::WrongType;
    if (!(part > 0.0)) return SplitResult::NotPositive;
    double other = otherPart(whole.letter, whole.value, part);
    if (!std::isfinite(other) || other == 0.0 || part == whole.value)
        return SplitResult::WholeValue;
    if (other < 0.0) return SplitResult::Negative;
    // One more entry must still fit below the load limit, terminator included.
    if (d.count + 2 >= kMaxLoadEntries) return SplitResult::TooBig;

    BranchRecord a = whole, b = whole;
    a.value = part;
    b.value = other;
    a.description.clear();
    b.description.clear();
    b.sitsOn = 0;
    a.changed = b.changed = true;

    int start = groupStart(d, i);
    int newCode = code == 2 ? 2 : code == 3 ? 5 : code == 4 ? 6 : 15;
    std::vector<BranchRecord> group;
    if (code == 4) {
        // (part || other) + the element it was in series with.
        int mate = i == start ? start + 1 : start;
        group = {a, b, d.branches[mate]};
    } else if (code == 5) {
        int mate = i == start ? start + 1 : start;
        group = {a, b, d.branches[mate]};
    } else {
        group = {a, b};
        start = i;
    }
    int oldSize = code == 4 || code == 5 ? 2 : 1;
    for (auto& g : group) g.code = newCode;

    // Make room: entries after the old group (terminator included) move up one.
    for (int k = d.count + 1; k >= start + oldSize; --k) d.branches[k + 1] = d.branches[k];
    for (int k = 0; k < static_cast<int>(group.size()); ++k) d.branches[start + k] = group[k];
    d.count += 1;
    // Links follow the entries they name: the split element becomes the first
    // part, its partner in a code-4/5 group moves behind the pair, and every
    // entry beyond the old group moves up one.
    int mateOld = oldSize == 2 ? (i == start ? start + 1 : start) : -1;
    auto moved = [&](int k) {
        if (k == i) return start;
        if (k == mateOld) return start + 2;
        if (k >= start + oldSize) return k + 1;
        return k;
    };
    for (int k = 1; k < d.count; ++k) {
        int& s = d.branches[k].sitsOn;
        if (s > 0) s = moved(s);
    }
    d.modified = true;
    return SplitResult::Done;
}

SitsOnResult setSitsOn(LayoutDesign& d, int i, int target) {
    if (i < 1 || i >= d.count) return SitsOnResult::NotSeries;
    BranchRecord& b = d.branches[i];
    if (b.letter != 'C' || !isSeries(b)) return SitsOnResult::NotSeries;
    if (target < 0) {
        b.sitsOn = 0;
        b.changed = true;
        d.modified = true;
        return SitsOnResult::Cleared;
    }
    if (target >= 1 && target < d.count && d.branches[target].letter == 'L')
        return SitsOnResult::OnInductor;
    if (target < 1 || target >= d.count || target == i || d.branches[target].letter != 'C' ||
        isSeries(d.branches[target]))
        return SitsOnResult::NotShuntChip;
    b.sitsOn = target;
    b.changed = true;
    d.modified = true;
    return SitsOnResult::Set;
}

int duplicatePart(LayoutDesign& d, int i, DuplicateRule rule) {
    if (rule == DuplicateRule::Never || !d.isPartBranch(i)) return 0;
    const BranchRecord& src = d.branches[i];
    if (src.description.empty()) return 0;
    // A hairpin depends on its line's impedance and frequency as well as on
    // its length: only a line alike in all three gets a copy.
    auto lineAlike = [&](int k) {
        if (src.letter != 'D') return true;
        const BranchRecord& za = d.branches[i - 1];
        const BranchRecord& zb = d.branches[k - 1];
        return za.letter == 'Z' && zb.letter == 'Z' &&
               std::fabs(za.value - zb.value) <= std::fabs(za.value) * 0.005 &&
               lineFrequency(d, i) == lineFrequency(d, k);
    };
    int copies = 0;
    for (int k = 1; k < d.count; ++k) {
        if (k == i) continue;
        BranchRecord& b = d.branches[k];
        if (b.letter != src.letter) continue;
        if (!(std::fabs(src.value - b.value) <= std::fabs(src.value) * 0.005)) continue;
        if (rule == DuplicateRule::IfNotDefined && !b.description.empty()) continue;
        if (!lineAlike(k)) continue;
        b.description = src.description;
        b.changed = true;
        ++copies;
    }
    if (copies) d.modified = true;
    return copies;
}

} // namespace tanvex::layout
