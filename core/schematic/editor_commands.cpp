// The editing commands of the schematic editor: change, delete, combine,
// interchange, move, rotate, copy, reverse, Q exception, ratio and split.
#include "schematic/editor.h"
#include "schematic/network_edit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tanvex::schematic {

namespace {

const char* kBadBranch = "* Bad branch number *";
const char* kBadConfig = "* Incorrect configuration *";

bool close(double a, double b, double tolerance) {
    return std::fabs(a - b) <= std::fabs(a) * tolerance;
}

double reciprocal(double a, double b) {
    return 1.0 / (1.0 / a + 1.0 / b);
}

// Moves entries [first, last] to just after entry `after` (outside the block).
void moveBlock(EntryList& list, int first, int last, int after) {
    if (after > last) {
        std::rotate(list.begin() + first, list.begin() + last + 1, list.begin() + after + 1);
    } else if (after < first - 1) {
        std::rotate(list.begin() + after + 1, list.begin() + first, list.begin() + last + 1);
    }
}

} // namespace

void Editor::change() {
    EntryList& list = design_.entries;
    bool fromSelection = !given_.empty();
    if (!fromSelection) addPrompt("Change 1 branch (#) or 2 as a pair (#,#)");
    int a = 0, b = 0;
    int count = askTwo(false, a, b);
    if (count == 0 || a < 0 || b < 0 || a > n() || b > n()) {
        error_ = kBadBranch;
        return;
    }
    bool two = count == 2 && a != b;
    if (two && list[a].letter != list[b].letter) {
        error_ = "The two branches must be of the same type.";
        return;
    }
    // The box's own title line goes first: a bare "[Yes] change both" would
    // not say what is being confirmed.
    if (two && fromSelection &&
        tk_.respond("TWO branches were specified\n[Yes] change both - [No] mistake - abort", 'Y') !=
            'Y')
        return;
    const UnitBlock& unit = unitOf(design_.notation, list[a].letter);
    char buf[64];
    std::snprintf(buf, sizeof buf, " What is new value (%s) ? ", unit.name.c_str());
    addPrompt(buf);
    double value = 0.0;
    if (!askNumber(value)) return;
    list[a].value = value / unit.multiplier;
    if (two) list[b].value = list[a].value;
}

void Editor::remove() {
    EntryList& list = design_.entries;
    addPrompt("Delete branches between - low# , High#");
    int a = 0, b = 0;
    askTwo(false, a, b);
    if (a > b) std::swap(a, b);
    if (!validBranch(a) || !validBranch(b)) {
        error_ = kBadBranch;
        return;
    }
    if (groups_[a] > 0) {
        b = groupEnd(groups_, b);
        deleteEntries(list, a, b);
        return;
    }
    // One element out of a group: the rest of the group is re-coded.
    int g = groupStart(groups_, a);
    int k = a - g; // position of the removed entry in its group (from 0)
    int c = list[g].code;
    auto recode = [&](int from, int to, std::initializer_list<int> codes) {
        int i = from;
        for (int code : codes) {
            if (i <= to) list[i].code = code;
            ++i;
        }
    };
    switch (c) {
    case 15:
        deleteEntries(list, a, a);
        recode(g, g + 1, {5, 5});
        break;
    case 4:
        deleteEntries(list, a, a);
        list[g].code = 2;
        break;
    case 5:
        deleteEntries(list, a, a);
        list[g].code = 3;
        break;
    case 6:
        deleteEntries(list, a, a);
        if (k <= 1)
            recode(g, g + 1, {4, 4});
        else
            recode(g, g + 1, {2, 2});
        break;
    case 29:
        deleteEntries(list, a, a);
        if (k == 1)
            recode(g, g + 2, {7, 7, 7});
        else if (k == 2)
            recode(g, g + 2, {15, 15, 15});
        else
            recode(g, g + 2, {5, 5, 3});
        break;
    case 48:
        if (k == 2) {
            list[a] = NetEntry{0.0, 'R', 48};
        } else if ((k == 1 || k == 3) && list[g + 2].letter == 'R' &&
                   std::fabs(list[g + 2].value) <= kNoResistor) {
            // Remove the zero resistor and the chosen element (higher first).
            deleteEntries(list, std::max(a, g + 2), std::max(a, g + 2));
            deleteEntries(list, std::min(a, g + 2), std::min(a, g + 2));
            recode(g, g + 2, {6, 6, 6});
        }
        break;
    default:
        break; // other groups are left as they are
    }
}

void Editor::combine() {
    EntryList& list = design_.entries;
    addPrompt("Combine first branch -- into --> second branch");
    int a = 0, b = 0;
    if (askTwo(true, a, b) < 2 || !validBranch(a) || !validBranch(b) || a == b) {
        error_ = kBadBranch;
        return;
    }
    int ca = list[a].code, cb = list[b].code;
    // Stubs: both entries of the first go into the second.
    if (ca >= 16 && ca <= 19) {
        int sa = groupStart(groups_, a), sb = groupStart(groups_, b);
        if (ca != cb || sa == sb || list[sa].letter != 'Z' || list[sb].letter != 'Z' ||
            !close(list[sa + 1].value, list[sb + 1].value, 0.01)) {
            error_ = kBadConfig;
            return;
        }
        double za = list[sa].value, zb = list[sb].value;
        list[sb].value = (ca == 16 || ca == 18) ? reciprocal(za, zb) : za + zb;
        deleteEntries(list, sa, sa + 1);
        return;
    }
    if (list[a].letter != list[b].letter || ca != cb || ca >= 6 || ca < 2) {
        error_ = kBadConfig;
        return;
    }
    char l = list[a].letter;
    double va = list[a].value, vb = list[b].value;
    bool sameGroup = groupStart(groups_, a) == groupStart(groups_, b);
    if (ca == 5 || ca == 4) {
        // Two elements of one pair: the pair becomes a single element.
        if (!sameGroup) {
            error_ = kBadConfig;
            return;
        }
        bool adds = (ca == 5) == (l == 'C');
        list[a].value = adds ? va + vb : reciprocal(va, vb);
        list[a].code = ca == 5 ? 3 : 2;
        deleteEntries(list, b, b);
        return;
    }
    // Single elements: the first is merged into the second.
    bool adds = (ca == 3) == (l != 'C');
    list[b].value = adds ? va + vb : reciprocal(va, vb);
    deleteEntries(list, a, a);
}

void Editor::interchange() {
    EntryList& list = design_.entries;
    int a = 0, b = 0;
    if (askTwo(true, a, b) < 2 || !validBranch(a) || !validBranch(b)) {
        error_ = kBadBranch;
        return;
    }
    if (groups_[a] > 0 && groups_[b] > 0) {
        if (groups_[a] != groups_[b]) {
            error_ = " Use MOve command";
            return;
        }
        for (int k = 0; k < groups_[a]; ++k) std::swap(list[a + k], list[b + k]);
    } else if (list[a].code == list[b].code) {
        std::swap(list[a], list[b]);
    } else {
        error_ = kBadBranch;
    }
}

void Editor::move() {
    EntryList& list = design_.entries;
    addPrompt("Move branches between - low# , High#");
    int a = 0, b = 0;
    askTwo(false, a, b);
    if (!validBranch(a) || !validBranch(b) || b < a || groups_[a] <= 0) {
        error_ = kBadBranch;
        return;
    }
    b = groupEnd(groups_, b);
    bool sidePort = list[a].code == 8;
    addPrompt("Position them");
    if (sidePort) addPrompt("(Cr) to move SIDE port to the FORWARD position");
    int target = askOne('+');
    if (sidePort && target == 0) {
        if (!rotate()) error_ = kBadConfig;
        return;
    }
    if (target < 0 || target >= n()) {
        error_ = kBadBranch;
        return;
    }
    target = groupEnd(groups_, target);
    if (target >= a - 1 && target <= b) {
        if (target != a - 1) error_ = kBadBranch;
        return; // already there
    }
    moveBlock(list, a, b, target);
}

bool Editor::rotate() {
    EntryList& list = design_.entries;
    int count = n();
    int junction = -1;
    for (int i = 1; i < count; ++i)
        if (list[i].code == 9) {
            junction = i;
            break;
        }
    int term = -1;
    for (int i = 1; i < (junction < 0 ? count : junction); ++i)
        if (list[i].code == 8) term = i;
    if (term < 0 || junction < 0) return false;
    int end = term + 1; // first entry after the port's run
    while (end < count && list[end].code != 8 && list[end].code != 9 && list[end].code != 1)
        end += std::max(1, groupSize(list[end].code));
    if (end != junction) return false;
    list[term].code = 1;
    list[0].code = 8;
    std::rotate(list.begin(), list.begin() + term, list.begin() + end);
    return true;
}

void Editor::copy() {
    EntryList& list = design_.entries;
    addPrompt("Copy branches between - low# , High#");
    int a = 0, b = 0;
    askTwo(false, a, b);
    if (a > b) std::swap(a, b);
    int target = askOne('+');
    int count = n();
    if (a < 1 || b >= count || target < 0 || target >= count) {
        error_ = kBadBranch;
        return;
    }
    a = groupStart(groups_, a);
    b = groupEnd(groups_, b);
    target = groupEnd(groups_, target);
    if (b >= count || target >= count) {
        error_ = kBadBranch;
        return;
    }
    std::vector<NetEntry> block(list.begin() + a, list.begin() + b + 1);
    EntryList before = list;
    if (!insertEntries(list, count - 1, block, tk_)) {
        list = before;
        return;
    }
    moveBlock(list, count, count + static_cast<int>(block.size()) - 1, target);
}

void Editor::reverse() {
    switch (reverseNetwork(design_.entries)) {
    case ReverseResult::kRefused:
        tk_.beep();
        error_ = kBadConfig;
        break;
    case ReverseResult::kMarkersLeft:
        error_ = " You must move the [Ref. freq. =] markers manually.";
        break;
    case ReverseResult::kDone:
        break;
    }
}

void Editor::qException() {
    EntryList& list = design_.entries;
    int b = askOne('@');
    if (!validBranch(b)) {
        error_ = kBadBranch;
        return;
    }
    char l = list[b].letter;
    if (list[b].code == 44) {
        int target = b + (l - '0');
        char kind = target < n() ? list[target].letter : ' ';
        if (kind == 'C' || kind == 'L' || kind == 'Z') {
            list[b].code = 53;
            list[b].letter = kind == 'C' ? 'c' : (kind == 'L' ? 'l' : 't');
        } else {
            error_ = kBadBranch;
        }
        return;
    }
    if (l != 'L' && l != 'C' && l != 'Z') {
        error_ = kBadBranch;
        return;
    }
    addPrompt("(Cr) to abort");
    addPrompt("Specify Q = 0 for Inf.");
    char buf[48];
    std::snprintf(buf, sizeof buf, "Desired Q at branch %d ?", b);
    addPrompt(buf);
    double q = 0.0;
    if (!askNumber(q)) return;
    int at = groupStart(groups_, b);
    while (at > 1 && list[at - 1].code == 44) --at;
    int distance = b - at;
    if (distance > 8) {
        error_ = kBadBranch; // the letter holds a single digit
        return;
    }
    insertEntries(list, at - 1, {NetEntry{q, static_cast<char>('1' + distance), 44}}, tk_);
}

void Editor::ratio() {
    EntryList& list = design_.entries;
    if (given_.empty()) addPrompt("(0,-1 to invert preset)");
    int a = 0, b = 0;
    if (askTwo(true, a, b) < 2) {
        error_ = kBadBranch;
        return;
    }
    if (b == -1) {
        if (presetRatio_ != 0.0) presetRatio_ = 1.0 / presetRatio_;
    } else if (a >= 0 && b >= 0 && a <= n() && b <= n() && list[b].value != 0.0) {
        presetRatio_ = list[a].value / list[b].value;
    } else {
        error_ = kBadBranch;
        return;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, " ratio preset to %g", presetRatio_);
    status_ = buf;
}

void Editor::split() {
    EntryList& list = design_.entries;
    int b = askOne('@');
    if (!validBranch(b)) {
        error_ = kBadBranch;
        return;
    }
    b = groupStart(groups_, b);
    int c = list[b].code;
    char l = list[b].letter;
    bool parallel = false; // the two parts combine reciprocally
    int size = 1;
    if ((c == 2 || c == 3) && (l == 'L' || l == 'C')) {
        parallel = (c == 2) == (l == 'L');
    } else if (c >= 16 && c <= 19 && l == 'Z') {
        parallel = c == 16 || c == 18;
        size = 2;
    } else {
        error_ = kBadConfig;
        return;
    }
    double whole = list[b].value;
    const UnitBlock& unit = unitOf(design_.notation, l);
    addPrompt(" (Cr for both equal)");
    char buf[64];
    std::snprintf(buf, sizeof buf, " Value of one part (%s) ? ", unit.name.c_str());
    addPrompt(buf);
    double typed = 0.0;
    double first = parallel ? whole * 2.0 : whole / 2.0;
    double second = first;
    if (askNumber(typed) && typed != 0.0) {
        first = typed / unit.multiplier;
        second = parallel ? 1.0 / (1.0 / whole - 1.0 / first) : whole - first;
    }
    std::vector<NetEntry> copyOf(list.begin() + b, list.begin() + b + size);
    copyOf[0].value = second;
    if (!insertEntries(list, b + size - 1, copyOf, tk_)) return;
    list[b].value = first;
}

} // namespace tanvex::schematic
