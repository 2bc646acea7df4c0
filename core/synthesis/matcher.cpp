#include "synthesis/matcher.h"

#include "design/operations.h"
#include "synthesis/norton.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace tanvex::synthesis {

namespace {

constexpr double kTwoPi = 6.283185307179586;
// Rd and Rl closer than this (relative) count as equal: nothing to match.
constexpr double kRatioTolerance = 1e-5;

const char* endName(int end) {
    return end == 0 ? "Source end." : "Termination end.";
}

int slotOfEnd(int end) {
    return end == 0 ? 8 : 9;
}

// Groups whose entries must keep a direction, and entries that tie the list
// to positions (side ports, Q exceptions, reference markers): a network
// holding them is not turned.
bool blocksTurning(int code) {
    return code == 8 || code == 9 || code == 53 || code == 44 || code == 10 || code == 41 ||
           code == 13 || code == 22;
}

MatchPlan fail(char method) {
    MatchPlan p;
    p.method = method;
    return p;
}

bool allPositive(const std::vector<NetEntry>& v) {
    for (const NetEntry& e : v)
        if (!(e.value > 0) || !std::isfinite(e.value)) return false;
    return true;
}

MatchPlan parallelPlan(const EndFacts& f, char method, const MatchPresets& presets) {
    MatchPlan p = fail(method);
    const double rd = f.rd, rl = f.rl, w0 = f.w0, le = f.le, ce = f.ce;
    const double x = std::sqrt(rl * rd - rl * rl);
    switch (method) {
    case 'A': {
        const double cPrime = ce - x / (w0 * rd * rl);
        p.entries = {{le, 'L', 2}, {cPrime, 'C', 2}, {1 / (w0 * x), 'C', 3}};
        break;
    }
    case 'B': {
        const double bracket = 1 / le - w0 * x / (rd * rl);
        if (!(bracket > 0)) return p;
        p.entries = {{1 / bracket, 'L', 2}, {ce, 'C', 2}, {x / w0, 'L', 3}};
        break;
    }
    case 'C':
    case 'D': {
        const double q = method == 'C' ? w0 * rd * ce : rd / (w0 * le);
        const double t = rl * (1 + q * q) / rd;
        if (!(t > 1)) return p;
        const double rx = rl / std::sqrt(t - 1);
        const double s = 1 - rl / (rx * q);
        const double xs = s * rd * q / (1 + q * q); // series reactance of the coupling
        if (method == 'C')
            p.entries = {{le, 'L', 2}, {1 / (w0 * xs), 'C', 3}, {1 / (w0 * rx), 'C', 2}};
        else
            p.entries = {{ce, 'C', 2}, {xs / w0, 'L', 3}, {rx / w0, 'L', 2}};
        break;
    }
    case 'E': {
        // Tapped capacitor: Rl with the tap capacitor Cp across it, in series
        // with Cs, seen from the resonator node as Rd in parallel with a
        // capacitance that the resonator's C gives up. Cs must be at least
        // method A's series capacitor; by default it is twice that.
        const double cs = presets.cs > 0 ? presets.cs : 2 / (w0 * x);
        const double xs = 1 / (w0 * cs);
        const double root = rl * rd - xs * xs;
        if (!(root > 0)) return p;
        const double pTap = (std::sqrt(root) - rl) / xs; // w0 Cp Rl
        const double a = rl / (1 + pTap * pTap);         // the intermediate impedance
        const double b = -(rl * pTap / (1 + pTap * pTap) + xs);
        const double susceptance = -b / (a * rd);
        if (!(pTap > 0) || !(a > 0) || !(a < rl)) return p;
        p.entries = {{le, 'L', 2},
                     {ce - susceptance / w0, 'C', 2},
                     {cs, 'C', 3},
                     {pTap / (w0 * rl), 'C', 2}};
        char buf[64];
        std::snprintf(buf, sizeof buf, "Tap at %.4g Ohms", a);
        p.note = buf;
        break;
    }
    case 'T':
        p.entries = {{le, 'L', 2}, {ce, 'C', 2}, {std::sqrt(rl / rd), 'N', 24}};
        break;
    default:
        return p;
    }
    p.ok = allPositive(p.entries);
    return p;
}

MatchPlan seriesPlan(const EndFacts& f, char method) {
    MatchPlan p = fail(method);
    const double rd = f.rd, rl = f.rl, w0 = f.w0, le = f.le, ce = f.ce;
    const double q = std::sqrt(rl / rd - 1);
    switch (method) {
    case 'F': {
        // Rl with a shunt C looks like Rd in series with -j Q Rd; the end
        // capacitor gives that reactance up.
        const double inv = 1 / ce - w0 * q * rd;
        if (!(inv > 0)) return p;
        p.entries = {{le, 'L', 3}, {1 / inv, 'C', 3}, {q / (w0 * rl), 'C', 2}};
        break;
    }
    case 'G':
        p.entries = {{le - q * rd / w0, 'L', 3}, {ce, 'C', 3}, {rl / (w0 * q), 'L', 2}};
        break;
    case 'H': {
        // Two capacitors: the end capacitor goes; Rl in series with Cs and
        // a shunt Cp present Rd - j w0 Le at the inductor.
        const double qe = w0 * le / rd;
        const double rp = rd * (1 + qe * qe);
        if (!(rp > rl)) return p;
        const double xs = rl * std::sqrt(rp / rl - 1);
        const double cp = (qe - xs / rl) / (w0 * rp);
        p.entries = {{le, 'L', 3}, {cp, 'C', 2}, {1 / (w0 * xs), 'C', 3}};
        break;
    }
    default:
        return p;
    }
    p.ok = allPositive(p.entries);
    return p;
}

// Method E with a preset inductance L2: the end section (end resonator and
// end resistor) is brought to L2 by a Norton transformation at the series
// capacitor of the coupling below it, and an impedance scaling of the whole
// list by the same factor takes the termination side back to its level.
// The end resistance then is Rd L2 / L_e. Returns false when the coupling
// has no series capacitor or cannot be transformed.
bool splitEndSection(EntryList& work, double l2, const Notation& no, std::string& note) {
    const int n = entryCount(work);
    if (n < 4 || pairTest(work, n - 2, n - 1) != 2) return false;
    const double le = work[n - 2].letter == 'L' ? work[n - 2].value : work[n - 1].value;
    const double s = l2 / le;
    if (!(s > 0) || !std::isfinite(s)) return false;
    if (std::fabs(s - 1) < 1e-9) return true;
    int c = -1;
    for (int j = n - 3; j >= 1 && work[j].code == 3; --j)
        if (work[j].letter == 'C') {
            c = j;
            break;
        }
    if (c < 0) return false;
    // The second section's resonator as it was (the node below the coupling).
    int lo = c;
    while (lo - 1 >= 1 && work[lo - 1].code == 3) --lo;
    double secL = 0, secC = 0;
    for (int j = lo - 1; j >= 1 && work[j].code == 2; --j) {
        if (work[j].letter == 'L' && secL == 0) secL = work[j].value;
        if (work[j].letter == 'C' && secC == 0) secC = work[j].value;
    }
    if (nortonTransform(work, c, 1 / s) != NortonResult::Done) return false;
    if (impedanceScale(work, 0, entryCount(work), s) != 0) return false;
    char buf[96];
    std::snprintf(buf, sizeof buf, " (Sec. 2 was: %-6.2f %s %-6.2f %s)",
                  secL * no.inductance.multiplier, no.inductance.name.c_str(),
                  secC * no.capacitance.multiplier, no.capacitance.name.c_str());
    note = buf;
    return true;
}

// The list the end is matched on (turned for the termination end, split
// for method E with a preset inductance) and the end's facts there.
bool prepareEnd(const Design& design, int end, char method, const MatchPresets& presets,
                EntryList& work, EndFacts& f, std::string& note) {
    work = design.entries;
    const double rl = design.record[static_cast<std::size_t>(slotOfEnd(end))].value;
    if (end == 1 && !turnNetwork(work)) {
        f = EndFacts{};
        f.rl = rl;
        f.refusal = std::string(kIncompatibleCircuit) + endName(end);
        return false;
    }
    f = topEndFacts(work, rl, end);
    if (!f.ratioOk || method != 'E' || !(presets.l > 0)) return true;
    EndFacts split;
    if (!splitEndSection(work, presets.l, design.notation, note)) return false;
    split = topEndFacts(work, rl, end);
    if (!split.ratioOk) return false;
    f = split;
    return true;
}

} // namespace

MatchPlan planAtEnd(const Design& design, int end, char method, const MatchPresets& presets) {
    EntryList work;
    EndFacts f;
    std::string note;
    if (!prepareEnd(design, end, method, presets, work, f, note)) {
        MatchPlan p;
        p.method = method;
        return p;
    }
    MatchPlan p = planMethod(f, method, presets);
    if (!note.empty()) p.note = p.note.empty() ? note.substr(1) : p.note + note;
    return p;
}

MatcherView::~MatcherView() = default;

std::string MatchResult::line() const {
    const char* who = end == 0 ? "Source end: " : "Termination end: ";
    char buf[160];
    switch (status) {
    case MatchStatus::Applied:
        std::snprintf(buf, sizeof buf, "%smethod %c (%.6g -> %.6g Ohms)", who, method, rd, rl);
        return buf + message;
    case MatchStatus::None:
        return std::string(who) + (method == 'x' ? "no method chosen, not matched" : "not matched");
    default:
        return message.empty() ? std::string(who) + "not matched" : message;
    }
}

bool turnNetwork(EntryList& list) {
    const int n = entryCount(list);
    if (n >= kEntrySlots - 1 || n < 1) return false;
    std::vector<std::vector<NetEntry>> groups;
    for (int j = 1; j < n;) {
        const int code = list[j].code;
        if (blocksTurning(code)) return false;
        const int size = std::max(1, groupSize(code));
        if (j + size > n) return false;
        groups.emplace_back(list.begin() + j, list.begin() + j + size);
        j += size;
    }
    int j = n - 1;
    for (const auto& g : groups) {
        j -= static_cast<int>(g.size());
        for (std::size_t k = 0; k < g.size(); ++k) {
            NetEntry e = g[k];
            if (e.code == 24 && e.letter == 'N' && e.value != 0) e.value = 1 / e.value;
            list[j + 1 + static_cast<int>(k)] = e;
        }
    }
    std::swap(list[0].value, list[n].value);
    return true;
}

EndFacts topEndFacts(const EntryList& list, double rl, int end) {
    EndFacts f;
    const int n = entryCount(list);
    f.rl = rl;
    if (n >= kEntrySlots - 1 || n < 3) {
        f.refusal = std::string(kIncompatibleCircuit) + endName(end);
        return f;
    }
    f.rd = list[n].value;
    f.w0 = kTwoPi * list[n + 1].value;
    const int pair = pairTest(list, n - 2, n - 1);
    if (pair == 2)
        f.kind = EndKind::Parallel;
    else if (pair == 3)
        f.kind = EndKind::Series;
    if (f.kind == EndKind::None) {
        f.refusal = std::string(kIncompatibleCircuit) + endName(end);
        return f;
    }
    for (int j : {n - 2, n - 1}) (list[j].letter == 'L' ? f.le : f.ce) = list[j].value;
    const double rd = f.rd;
    bool ok = rl > 0 && rd > 0 && f.w0 > 0 && std::isfinite(rl) && std::isfinite(f.w0) &&
              std::fabs(rd - rl) > kRatioTolerance * std::max(rd, rl);
    if (ok) ok = f.kind == EndKind::Parallel ? rd > rl : rl > rd;
    if (!ok) {
        char buf[120];
        std::snprintf(buf, sizeof buf, end == 0 ? "%s source end." : "%s termination end.",
                      kIncompatibleRatio);
        f.refusal = buf;
        return f;
    }
    f.ratioOk = f.le > 0 && f.ce > 0;
    if (!f.ratioOk) f.refusal = std::string(kIncompatibleCircuit) + endName(end);
    return f;
}

EndFacts endFacts(const Design& design, int end) {
    EntryList work = design.entries;
    const double rl = design.record[static_cast<std::size_t>(slotOfEnd(end))].value;
    if (end == 1 && !turnNetwork(work)) {
        EndFacts f;
        f.rl = rl;
        f.refusal = std::string(kIncompatibleCircuit) + endName(end);
        return f;
    }
    return topEndFacts(work, rl, end);
}

MatchPlan planMethod(const EndFacts& facts, char method, const MatchPresets& presets) {
    if (!facts.ratioOk) return fail(method);
    if (facts.kind == EndKind::Parallel && std::strchr(kParallelMethods, method))
        return parallelPlan(facts, method, presets);
    if (facts.kind == EndKind::Series && std::strchr(kSeriesMethods, method))
        return seriesPlan(facts, method);
    return fail(method);
}

bool endNeedsNoMatch(const Design& design, int end) {
    const int n = entryCount(design.entries);
    if (n >= kEntrySlots - 1) return false;
    const double rd = design.entries[end == 0 ? n : 0].value;
    const double rl = design.record[static_cast<std::size_t>(slotOfEnd(end))].value;
    return rd > 0 && rl > 0 && std::fabs(rd - rl) <= kRatioTolerance * std::max(rd, rl);
}

MatchResult matchEnd(Design& design, int end, bool dialog, const MatchPresets& presets) {
    MatchResult r;
    r.end = end;
    const int slot = slotOfEnd(end);
    char& letter = design.record[static_cast<std::size_t>(slot)].letter;
    r.method = letter;
    if (letter == 'X') return r;
    if (letter == 'x' && !dialog) return r;

    EntryList work;
    EndFacts f;
    std::string note;
    const bool prepared = prepareEnd(design, end, letter, presets, work, f, note);
    const double rl = design.record[static_cast<std::size_t>(slot)].value;
    r.rd = design.entries[entryCount(design.entries)].value;
    if (end == 1) r.rd = design.entries[0].value;
    r.rl = rl;
    // No method chosen and nothing to match (the end already has the
    // impedance asked for): no dialog and no message.
    if (letter == 'x' && endNeedsNoMatch(design, end)) return r;
    if (!f.ratioOk) {
        letter = 'X';
        r.method = 'X';
        r.status = MatchStatus::Refused;
        r.message = f.refusal;
        return r;
    }
    if (letter == 'x') {
        r.status = MatchStatus::NeedsDialog;
        return r;
    }
    const MatchPlan plan = prepared ? planMethod(f, letter, presets) : MatchPlan{};
    if (!plan.ok) {
        r.status = MatchStatus::Failed;
        r.message = letter == 'E' ? "Negative values" : kInvalidOption;
        return r;
    }
    r.message = note;
    // Replace the end resonator (n-2, n-1) by the plan's entries.
    int n = entryCount(work);
    const int extra = static_cast<int>(plan.entries.size()) - 2;
    if (n + extra + 1 >= kEntrySlots - 1) {
        r.status = MatchStatus::Failed;
        r.message = "Edit memory full";
        return r;
    }
    const NetEntry source{rl, work[n].letter, work[n].code};
    const NetEntry terminator = work[n + 1];
    int j = n - 2;
    for (const NetEntry& e : plan.entries) work[j++] = e;
    work[j] = source;
    work[j + 1] = terminator;
    for (int k = j + 2; k <= n + 1; ++k) work[k] = NetEntry{};
    if (end == 1) turnNetwork(work);
    design.entries = work;
    r.status = MatchStatus::Applied;
    return r;
}

MatchResult runMatcher(Design& design, int end, ui::Toolkit& toolkit, MatcherView* view,
                       MatchPresets& presets) {
    char& letter = design.record[static_cast<std::size_t>(slotOfEnd(end))].letter;
    std::string message;
    for (;;) {
        MatchResult r = matchEnd(design, end, view != nullptr, presets);
        switch (r.status) {
        case MatchStatus::Applied:
        case MatchStatus::None:
            return r;
        case MatchStatus::Refused:
            toolkit.beep();
            toolkit.notice(r.message);
            return r;
        case MatchStatus::Failed:
            if (!view) {
                letter = 'X';
                toolkit.notice(r.message);
                return r;
            }
            // Back to the dialog with the letter reset.
            letter = 'x';
            message = kInvalidOption;
            break;
        case MatchStatus::NeedsDialog: {
            const EndFacts f = endFacts(design, end);
            const char* methods = f.kind == EndKind::Series ? kSeriesMethods : kParallelMethods;
            bool any = false;
            for (const char* m = methods; *m; ++m) any = any || planMethod(f, *m, presets).ok;
            if (!any) {
                letter = 'X';
                r.status = MatchStatus::Refused;
                r.method = 'X';
                r.message = kNoValidMethods;
                toolkit.notice(r.message);
                return r;
            }
            const char picked = view->choose(design, end, presets, message);
            message.clear();
            if (picked == 0) {
                r.status = MatchStatus::None;
                r.method = 'x';
                return r;
            }
            letter = picked;
            break;
        }
        }
    }
}

} // namespace tanvex::synthesis
