#include "design/operations.h"

#include "design/text_io.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tanvex {

namespace {

std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}
bool inList(int i) {
    return i >= 0 && i < kEntrySlots;
}

} // namespace

// ---------------------------------------------------------------- numbers --

double normalizeQ(double q) {
    return (q < 0.1 || std::isnan(q)) ? kInfiniteQ : q;
}

std::string formatQ(double q) {
    return q >= 1e6 ? "Inf." : formatText("%-6.0f", q);
}

double wholeNumberRound(double x) {
    if (std::isnan(x)) return 0.0;
    if (x < 1.0) return x < 0.0 ? std::trunc(x) : 0.0;
    double whole = std::trunc(x);
    return x - whole > 0.5 ? whole + 1.0 : whole;
}

void parallelCombine(double& a, double b) {
    a = 1.0 / (1.0 / a + 1.0 / b);
}

bool closeTo(double a, double b, double tolerance) {
    return std::fabs(a - b) <= a * tolerance;
}

// ------------------------------------------------------------- entry list --

int pairTest(const EntryList& list, int i, int j) {
    if (!inList(i) || !inList(j)) return 0;
    const NetEntry& a = list[at(i)];
    const NetEntry& b = list[at(j)];
    bool lc = (a.letter == 'L' && b.letter == 'C') || (a.letter == 'C' && b.letter == 'L');
    return lc && a.code == b.code ? a.code : 0;
}

double resonance(const EntryList& list, int i, int j) {
    if (!inList(i) || !inList(j)) return 0.0;
    double p = list[at(i)].value * list[at(j)].value;
    if (!(p > 0)) return 0.0;
    return 1.0 / (2.0 * M_PI * std::sqrt(p));
}

int insertEntry(EntryList& list, int i, int& count, ui::Toolkit& toolkit) {
    if (count > 145) {
        toolkit.notice("Edit memory full");
        return 1;
    }
    if (i < 0 || i > count + 1) return 1;
    for (int k = count + 1; k > i; --k) list[at(k + 1)] = list[at(k)];
    ++count;
    return 0;
}

void deleteEntry(EntryList& list, int i, int& count) {
    if (i < 0 || i > count + 1) return;
    removeEntryAt(list, i, count + 1);
    --count;
}

void swapEntries(EntryList& list, int i, int j) {
    if (inList(i) && inList(j)) std::swap(list[at(i)], list[at(j)]);
}

void removeEntryAt(EntryList& list, int i, int last) {
    if (i < 0 || i >= kEntrySlots) return;
    if (last >= kEntrySlots) last = kEntrySlots - 1;
    for (int k = i; k < last; ++k) list[at(k)] = list[at(k + 1)];
    if (last >= i) list[at(last)] = NetEntry{};
}

double referenceFrequency(const EntryList& list) {
    int n = entryCount(list);
    if (n + 1 >= kEntrySlots) return 1.0;
    double f = list[at(n + 1)].value;
    return f == 0.0 ? 1.0 : f;
}

// ---------------------------------------------------------------- scaling --

int impedanceScale(EntryList& list, int first, int last, double k) {
    if (!(k > 0) || !std::isfinite(k)) return 1;
    first = std::max(first, 0);
    last = std::min(last, kEntrySlots - 1);
    for (int i = last; i >= first; --i) {
        NetEntry& e = list[at(i)];
        if (e.code == 8) break;
        switch (e.letter) {
        case 'L':
        case 'M':
        case 'R':
        case 'Z':
            e.value *= k;
            break;
        case 'C':
            e.value /= k;
            break;
        default:
            break;
        }
    }
    return 0;
}

int frequencyScale(EntryList& list, int first, int last, double k) {
    if (!(k > 0) || !std::isfinite(k)) return 1;
    first = std::max(first, 0);
    last = std::min(last, kEntrySlots - 1);
    for (int i = first; i <= last; ++i) {
        NetEntry& e = list[at(i)];
        switch (e.letter) {
        case 'L':
        case 'C':
        case 'M':
            e.value /= k;
            break;
        case 'F':
            e.value *= k;
            break;
        default:
            break;
        }
    }
    int n = entryCount(list);
    if (n + 1 < kEntrySlots) list[at(n + 1)].value *= k;
    return 0;
}

int dualTransform(EntryList& list, int first, int last) {
    double r0 = list[0].value;
    if (!(r0 > 0) || first < 0 || last >= kEntrySlots || first > last) return 1;
    // Check every group first: a refused transform changes nothing.
    for (int i = first; i <= last;) {
        int code = list[at(i)].code;
        int size = groupSize(code);
        if (size <= 0 || dualCode(code) == kNoDual || i + size - 1 > last) return 1;
        i += size;
    }
    const double r02 = r0 * r0;
    for (int i = first; i <= last;) {
        int code = list[at(i)].code;
        int size = groupSize(code);
        int dual = dualCode(code);
        // Report points and reference/data entries carry no element value.
        bool elements = code != 21 && code != 22;
        for (int k = i; k < i + size; ++k) {
            NetEntry& e = list[at(k)];
            e.code = dual;
            if (!elements) continue;
            switch (e.letter) {
            case 'L':
                e.letter = 'C';
                e.value /= r02;
                break;
            case 'C':
                e.letter = 'L';
                e.value *= r02;
                break;
            case 'R':
            case 'Z':
                e.value = e.value != 0 ? r02 / e.value : 1e33;
                break;
            case 'N':
                if (e.value != 0) e.value = 1.0 / e.value;
                break;
            default:
                break;
            }
        }
        i += size;
    }
    return 0;
}

// ----------------------------------------------------------- value ranges --

std::vector<std::string> valueRangeReport(const Design& design, int first, int last,
                                          ui::Toolkit* beeper) {
    struct Range {
        double min = 1e6, max = 0.0;
        int minAt = 0, maxAt = 0, count = 0;
        void take(double v, int i) {
            ++count;
            if (v < min) min = v, minAt = i;
            if (v > max) max = v, maxAt = i;
        }
        double spread() const { return max / min; }
    } l, c;
    const EntryList& list = design.entries;
    int n = entryCount(list);
    for (int i = std::max(first, 1); i <= n - 1 && i < kEntrySlots - 1; ++i) {
        const NetEntry& e = list[at(i)];
        if (e.letter == 'L') l.take(e.value, i);
        if (e.letter == 'C') c.take(e.value, i);
        if (e.code == 13 && list[at(i + 1)].code != 13) i += 2;
        if (last > 0 && i >= last) break;
    }
    const Notation& nt = design.notation;
    bool lWorse = l.count > 0 && (c.count == 0 || l.spread() > c.spread());
    std::vector<std::string> out;
    if (l.count > 0)
        out.push_back(formatText("Inductance range = %.4g to %.4g %s (at branches %d & %d)",
                                 l.min * nt.inductance.multiplier, l.max * nt.inductance.multiplier,
                                 nt.inductance.name.c_str(), l.minAt, l.maxAt) +
                      (lWorse && c.count > 0 ? " <- worst case." : ""));
    if (c.count > 0)
        out.push_back(formatText("  Capacity range = %.4g to %.4g %s (at branches %d & %d)",
                                 c.min * nt.capacitance.multiplier,
                                 c.max * nt.capacitance.multiplier, nt.capacitance.name.c_str(),
                                 c.minAt, c.maxAt) +
                      (!lWorse && l.count > 0 ? " <- worst case." : ""));
    if (l.count > 0 || c.count > 0)
        out.push_back(formatText("    Value spread = %.4g : 1", lWorse ? l.spread() : c.spread()));
    if (last > 0) out.push_back(formatText("  (Over branches %d to %d)", std::max(first, 1), last));
    if ((l.count > 0 && l.min < 0) || (c.count > 0 && c.min < 0)) {
        out.push_back("  Negative Values!");
        if (beeper) beeper->beep();
    }
    return out;
}

// -------------------------------------------------------------- Q values --

void setQValues(Design& design, double ql, double qc, double qt) {
    design.analysis[3] = normalizeQ(ql);
    design.analysis[4] = normalizeQ(qc);
    design.analysis[5] = normalizeQ(qt);
}

void saveAnalysisBackup(Design& design) {
    setQValues(design, design.analysis[3], design.analysis[4], design.analysis[5]);
    design.analysisBackup = design.analysis;
}

void restoreAnalysisBackup(Design& design) {
    design.analysis = design.analysisBackup;
    setQValues(design, design.analysis[3], design.analysis[4], design.analysis[5]);
}

void swapAnalysisBackup(Design& design) {
    std::swap(design.analysis, design.analysisBackup);
    setQValues(design, design.analysis[3], design.analysis[4], design.analysis[5]);
}

void saveQBackup(Design& design) {
    for (int i = 0; i < 3; ++i) design.qBackup[at(i)] = normalizeQ(design.analysis[at(3 + i)]);
}

void restoreQBackup(Design& design) {
    setQValues(design, design.qBackup[0], design.qBackup[1], design.qBackup[2]);
}

int promptAllQ(Design& design, ui::Toolkit& toolkit) {
    toolkit.clearPrompt();
    toolkit.setPrompt(0, "(0=Inf.) Inductor Q, Cap. Q, Trans. Q ?");
    auto shown = [](double q) { return q >= 1e6 ? 0.0 : q; };
    toolkit.defaultAnswer = formatText("%g,%g,%g", shown(design.analysis[3]),
                                       shown(design.analysis[4]), shown(design.analysis[5]));
    toolkit.inputBox();
    std::string text = toolkit.textResult;
    if (text.find_first_not_of(" \t") == std::string::npos) return 0;
    double q[3] = {design.analysis[3], design.analysis[4], design.analysis[5]};
    int fields = parseNumberFields(text, q, 3);
    setQValues(design, q[0], q[1], q[2]);
    return fields;
}

bool promptSingleQ(Design& design, int which, ui::Toolkit& toolkit) {
    static const char* const kNames[3] = {"  Ind. Ql", "  Cap. Qc", "Trans. Qt"};
    if (which < 0 || which > 2) return false;
    toolkit.clearPrompt();
    toolkit.setPrompt(0, formatText("(0=Inf.) %s?", kNames[which]));
    toolkit.defaultAnswer.clear();
    toolkit.inputBox();
    if (toolkit.textResult.find_first_not_of(" \t") == std::string::npos) return false;
    design.analysis[at(3 + which)] = normalizeQ(toolkit.numberResult);
    return true;
}

// -------------------------------------------------------------- notation --

bool applyNotation(Design& design, int n) {
    if (!applyElectricalNotation(design.notation, n)) return false;
    design.record[kSlotNotation].letter = static_cast<char>('0' + n);
    return true;
}

bool applyMechanical(Design& design, int code) {
    if (!applyMechanicalUnit(design.notation, code)) return false;
    design.record[kSlotMechUnit].letter = static_cast<char>('0' + code - kUnitInch);
    return true;
}

int setNotation(Design& design, int n, NotationChooser* chooser) {
    char m = design.record[kSlotMechUnit].letter;
    int mech = (m >= '0' && m <= '3') ? kUnitInch + (m - '0') : kUnitInch;
    char e = design.record[kSlotNotation].letter;
    int electrical = (e >= '1' && e <= '6') ? e - '0' : kDefaultNotation;
    if (n == 63 || chooser == nullptr) {
        applyMechanical(design, mech);
        applyElectricalNotation(design.notation, electrical);
        return electrical;
    }
    int chosenE = electrical, chosenM = mech;
    if (chooser->choose(chosenE, chosenM)) {
        applyMechanical(design, chosenM);
        applyNotation(design, chosenE);
    }
    return design.notation.electrical;
}

int reapplyStoredNotation(Design& design) {
    return setNotation(design, 63);
}

} // namespace tanvex
