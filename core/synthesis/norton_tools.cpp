#include "synthesis/norton_tools.h"

#include "synthesis/builders.h"
#include "synthesis/catalogue.h"
#include "synthesis/norton.h"
#include "ui/gen_win.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace tanvex::synthesis {

namespace {

// The series L that forms a coupling with the series capacitor at i: next
// to it, or past shunt capacitors that earlier transformations left inside
// the series arm (a node with an inductor ends the search).
int partnerL(const EntryList& list, int i) {
    const int n = entryCount(list);
    for (int step : {+1, -1}) {
        for (int j = i + step; j >= 1 && j < n; j += step) {
            if (list[j].code == 3 && list[j].letter == 'L') return j;
            if (!(list[j].code == 2 && list[j].letter == 'C')) break;
        }
    }
    return -1;
}

// The shunt entry of letter t at the node on the termination side of the
// coupling whose capacitor is at i; -1 when there is none.
int shuntBelow(const EntryList& list, int i, char t) {
    const int l = partnerL(list, i);
    int j = (l >= 0 && l < i ? l : i) - 1;
    for (; j >= 1 && list[j].code == 2; --j)
        if (list[j].letter == t) return j;
    return -1;
}

int shuntAbove(const EntryList& list, int i, char t) {
    const int n = entryCount(list);
    const int l = partnerL(list, i);
    int j = (l > i ? l : i) + 1;
    for (; j < n && list[j].code == 2; ++j)
        if (list[j].letter == t) return j;
    return -1;
}

// The k-th series capacitor counted from the termination end. Norton
// transformations at series capacitors only add or remove shunt entries
// (and the L and C of a coupling may change places), so this count names a
// coupling through all of them.
int seriesCapacitor(const EntryList& list, int k) {
    const int n = entryCount(list);
    for (int j = 1; j < n; ++j)
        if (list[j].code == 3 && list[j].letter == 'C' && k-- == 0) return j;
    return -1;
}

int seriesCapacitorCount(const EntryList& list) {
    int c = 0;
    while (seriesCapacitor(list, c) >= 0) ++c;
    return c;
}

bool isSection(const EntryList& list, int i) {
    return list[i].code == 3 && list[i].letter == 'C' && partnerL(list, i) >= 0 &&
           shuntBelow(list, i, 'L') >= 0;
}

int lastOf(const EntryList& list, char letter, int code) {
    for (int j = entryCount(list) - 1; j >= 1; --j)
        if (list[j].letter == letter && (code == 0 || list[j].code == code)) return j;
    return -1;
}

bool hasCode(const EntryList& list, std::initializer_list<int> codes) {
    const int n = entryCount(list);
    for (int j = 1; j < n; ++j)
        for (int c : codes)
            if (list[j].code == c) return true;
    return false;
}

std::string fmt(const char* format, double v, const std::string& unit) {
    char buf[96];
    std::snprintf(buf, sizeof buf, format, v, unit.c_str());
    return buf;
}

// One interactive tool over the current network.
class NortonTool {
public:
    NortonTool(PrototypeContext& ctx, NortonToolHooks& hooks, int type)
        : ctx_(ctx), hooks_(hooks), type_(type), list_(ctx.design.entries) {}

    double l1 = 0, c1 = 0;

    // The forcing is kept as one target per coupling (counted from the
    // termination end) and always applied to the network as built, from the
    // source end, one transformation per coupling: a coupling is then
    // transformed once, with its L on the side where the new element comes
    // out positive, however often it is forced.
    void setBase() {
        base_ = list_;
        target_.assign(static_cast<std::size_t>(seriesCapacitorCount(base_)), Target{});
    }

    // Type 9: every shunt inductor to L1; type 10: the shunt capacitor
    // below every coupling vanishes.
    // Type 10 leaves the coupling next to the termination end alone, so that
    // the end keeps its resonator for the termination matcher.
    void automatic() {
        bool lowest = true;
        for (std::size_t k = 0; k < target_.size(); ++k) {
            const int i = seriesCapacitor(base_, static_cast<int>(k));
            target_[k] = Target{};
            if (i < 0 || !isSection(base_, i)) continue;
            if (type_ == 9)
                target_[k] = Target{'L', l1};
            else if (!lowest && shuntBelow(base_, i, 'C') >= 0)
                target_[k] = Target{'C', 0.0};
            lowest = false;
        }
        apply();
    }

    void restoreBase() {
        target_.assign(target_.size(), Target{});
        list_ = base_;
    }

    void apply() {
        list_ = base_;
        for (int k = static_cast<int>(target_.size()) - 1; k >= 0; --k) {
            const Target& t = target_[static_cast<std::size_t>(k)];
            if (t.kind) forceSection(list_, seriesCapacitor(list_, k), t.value, t.kind == 'C');
        }
    }

    std::vector<std::string> lines() const {
        const Notation& no = ctx_.design.notation;
        const UnitBlock& lu = no.inductance;
        const UnitBlock& cu = no.capacitance;
        std::vector<std::string> out;
        out.push_back(type_ == 9 ? kForcedShuntHeading : kMinComponentHeading);
        out.push_back(local_ ? kLocalMode : kNetworkMode);
        const std::vector<int> sec = couplingSections(list_);
        if (type_ == 9) {
            for (int i : sec) {
                const bool forceable = shuntBelow(list_, i, 'L') >= 0;
                char buf[64];
                std::snprintf(buf, sizeof buf, forceable ? "%2d ( ) %7.2f %s" : "%2d %7.2f %s", i,
                              list_[i].value * cu.multiplier, cu.name.c_str());
                out.push_back(buf);
            }
        } else {
            out.push_back("Br.     Section L     Br. +Adjacent     Br. -Adjacent Cap.");
            for (int i : sec) {
                const int l = partnerL(list_, i);
                std::string line = branchValue(l, lu);
                line += branchValue(shuntAbove(list_, i, 'C'), cu);
                line += branchValue(shuntBelow(list_, i, 'C'), cu);
                out.push_back(line);
            }
        }
        if (hasCode(list_, {4, 5, 27, 28})) out.push_back("-- Notch sections --");
        if (type_ == 9) {
            out.push_back(fmt("L1  =  %7.2f %s", l1 * lu.multiplier, lu.name));
            char buf[128];
            std::snprintf(buf, sizeof buf, "C1 was %7.2f %s Zt %7.2f Ohms", c1 * cu.multiplier,
                          cu.name.c_str(), list_[0].value);
            out.push_back(buf);
        } else {
            out.push_back(fmt("L1  =  %7.2f %s   ", l1 * lu.multiplier, lu.name));
            char buf[128];
            std::snprintf(buf, sizeof buf, "C1 %7.2f %s   Zt %7.2f Ohms", c1 * cu.multiplier,
                          cu.name.c_str(), list_[0].value);
            out.push_back(buf);
        }
        return out;
    }

    // The key menu until eXit (returns exitResult) or Parameters (-1).
    int run(int exitResult) {
        if (!hooks_.interactive) return exitResult;
        for (;;) {
            draw();
            ui::Toolkit& tk = ctx_.toolkit;
            tk.setPrompt(0, type_ == 9 ? kForcedShuntMenu : kMinComponentMenu);
            const char key =
                static_cast<char>(std::toupper(static_cast<unsigned char>(tk.keyBox(keys()))));
            switch (key) {
            case 'L':
            case 'S':
                forceChosen(key == 'S');
                break;
            case 'P':
                return -1;
            case 'E':
                if (hooks_.editor) hooks_.editor();
                break;
            case 'X':
                return exitResult;
            case 'M':
                local_ = !local_;
                break;
            case 'R':
                automatic();
                break;
            case '?':
                tk.showHelp(type_ == 9 ? "NTF_MNU.HLW" : "NTM_MNU.HLW");
                break;
            default:
                tk.beep();
                break;
            }
        }
    }

    void draw() {
        const std::vector<std::string> text = lines();
        if (hooks_.report) *hooks_.report = text;
        if (!hooks_.interactive) return;
        ui::GenWin& g = ctx_.toolkit.genWin();
        g.clear();
        for (std::size_t k = 0; k < text.size() && k < 22; ++k) {
            g.gotoCell(k == 0 ? 20 : 2, static_cast<int>(k));
            g.write(text[k], k == 0 ? 14 : (k == 1 ? 11 : 7));
        }
        g.gotoCell(0, 23);
        g.write(type_ == 9 ? kForcedShuntMenu : kMinComponentMenu, 10);
        g.changed();
    }

private:
    PrototypeContext& ctx_;
    NortonToolHooks& hooks_;
    int type_;
    EntryList& list_;
    bool local_ = false;
    double lastValue_ = 0;
    struct Target {
        char kind = 0; // 'L' shunt inductor, 'C' shunt capacitor, 0 none
        double value = 0;
    };
    EntryList base_{};
    std::vector<Target> target_;

    std::string keys() const { return type_ == 9 ? "LSPEXMR?" : "LPXEMR?"; }

    std::string branchValue(int j, const UnitBlock& unit) const {
        if (j < 0) return std::string(18, ' ');
        char buf[64];
        std::snprintf(buf, sizeof buf, "%2d %7.2f %s   ", j, list_[j].value * unit.multiplier,
                      unit.name.c_str());
        return buf;
    }

    void forceChosen(bool capacitor) {
        ui::Toolkit& tk = ctx_.toolkit;
        const std::vector<int> sec = couplingSections(list_);
        if (sec.empty()) {
            tk.beep();
            return;
        }
        // The sections are keyed A, B, ... from the source end.
        std::string labels, keys;
        for (std::size_t s = 0; s < sec.size(); ++s) {
            char buf[24];
            std::snprintf(buf, sizeof buf, "(&%c) Br.%d,", static_cast<char>('A' + s), sec[s]);
            labels += buf;
            keys += static_cast<char>('A' + s);
        }
        std::size_t s = 0;
        if (sec.size() > 1) {
            tk.setPrompt(0, labels.substr(0, 59));
            if (labels.size() > 59) tk.setPrompt(1, labels.substr(59, 59));
            const char k =
                static_cast<char>(std::toupper(static_cast<unsigned char>(tk.keyBox(keys))));
            if (k < 'A' || k >= static_cast<char>('A' + sec.size())) return;
            s = static_cast<std::size_t>(k - 'A');
        }
        const UnitBlock& unit =
            capacitor ? ctx_.design.notation.capacitance : ctx_.design.notation.inductance;
        const double def =
            capacitor ? (lastValue_ > 0 ? lastValue_ : c1) : (lastValue_ > 0 ? lastValue_ : l1);
        tk.setPrompt(0, "Part value to force?");
        tk.setPrompt(1, fmt("(Cr) for %.2f %s", def * unit.multiplier, unit.name));
        tk.defaultAnswer.clear();
        tk.inputBox();
        double value = def;
        if (!tk.textResult.empty()) value = tk.numberResult / unit.multiplier;
        if (!(value >= 0) || (!capacitor && !(value > 0))) {
            tk.beep();
            return;
        }
        int k = 0;
        while (seriesCapacitor(list_, k) >= 0 && seriesCapacitor(list_, k) < sec[s]) ++k;
        EntryList trial = list_;
        const double r = forceSection(trial, sec[s], value, capacitor);
        if (r == 0 || static_cast<std::size_t>(k) >= target_.size()) {
            tk.beep();
            return;
        }
        lastValue_ = value;
        target_[static_cast<std::size_t>(k)] = Target{capacitor ? 'C' : 'L', value};
        // Network scale: the couplings past this one follow its ratio (an
        // inductor scales with r, a capacitor with 1/r). Local changes: they
        // keep their values, so only the chosen section changes.
        if (!local_) {
            for (int b = k - 1; b >= 0; --b) {
                Target& t = target_[static_cast<std::size_t>(b)];
                if (t.kind == 'L') t.value *= r;
                if (t.kind == 'C') t.value /= r;
            }
        }
        apply();
    }
};

bool negativeOrInvalid(const EntryList& list) {
    const int n = entryCount(list);
    for (int j = 1; j < n; ++j)
        if (list[j].value < 0 || !std::isfinite(list[j].value)) return true;
    return false;
}

} // namespace

std::vector<int> couplingSections(const EntryList& list) {
    std::vector<int> out;
    for (int i = entryCount(list) - 1; i >= 1; --i)
        if (isSection(list, i)) out.push_back(i);
    return out;
}

double forceSection(EntryList& list, int i, double value, bool isCapacitor) {
    const int j = shuntBelow(list, i, isCapacitor ? 'C' : 'L');
    if (j < 0 || !(value >= 0) || !std::isfinite(value)) return 0;
    const double present = list[j].value;
    const double x = list[i].value;
    int swappedWith = -1;
    double r;
    if (!isCapacitor) {
        if (!(value > 0) || !(present > 0)) return 0;
        r = value / present;
        // The coupling's L and C are in series and may change places. The
        // new element on the side of the L cannot merge and stays as an
        // element of its own: X (1 - k) on the source side, positive for
        // r > 1, X k (k - 1) on the termination side, positive for r < 1.
        // Put the L on the side where the new element comes out positive.
        const int l = partnerL(list, i);
        if (std::fabs(r - 1) >= 1e-12 && (l == i + 1 || l == i - 1) && (r > 1) != (l > i)) {
            std::swap(list[i], list[l]);
            swappedWith = i;
            i = l;
        }
    } else {
        // The new termination-side capacitor of the transformation,
        // X k (k - 1), merges into the scaled one, C k^2, when nothing
        // stands between: solve (C + X) k^2 - X k - value = 0.
        const bool merges = !(partnerL(list, i) < i);
        double k;
        if (merges) {
            const double a = present + x;
            if (!(a > 0)) return 0;
            k = (x + std::sqrt(x * x + 4 * a * value)) / (2 * a);
        } else {
            if (!(value > 0)) return 0;
            k = std::sqrt(value / present);
        }
        if (!(k > 0)) return 0;
        r = 1 / (k * k);
    }
    if (std::fabs(r - 1) < 1e-12) return 1;
    if (nortonTransform(list, i, r) == NortonResult::Done) return r;
    if (swappedWith >= 0) std::swap(list[i], list[swappedWith]);
    return 0;
}

namespace {

// Build and checks shared by both tools; returns 0 to go on.
int buildForTool(PrototypeContext& ctx, int maxOrder) {
    DesignRecord& rec = ctx.design.record;
    if (referenceKind(rec) == 4) return kBuildBadReference;
    if (maxOrder > 0 && orderN(rec) >= maxOrder) {
        setFaultIndex(rec, 1);
        return kBuildFault;
    }
    return directBandpass(ctx, 0);
}

} // namespace

int forcedShunt(PrototypeContext& ctx, NortonToolHooks& hooks) {
    const int b = buildForTool(ctx, 0);
    if (b != 0) return b;
    EntryList& list = ctx.design.entries;
    if (couplingSections(list).size() > static_cast<std::size_t>(kMaxNortonSections)) {
        setFaultIndex(ctx.design.record, 1);
        return kBuildFault;
    }
    NortonTool tool(ctx, hooks, 9);
    const int l = lastOf(list, 'L', 2), c = lastOf(list, 'C', 0);
    if (l < 0) {
        ctx.toolkit.notice("Wrong configuration.");
        return kBuildNotImplemented;
    }
    tool.l1 = list[l].value;
    tool.c1 = c >= 0 ? list[c].value : 0;
    tool.setBase();
    tool.automatic();
    const int r = tool.run(kBuildOk);
    tool.draw();
    if (r == kBuildOk && negativeOrInvalid(list)) return kBuildNegative;
    return r;
}

int minimumComponent(PrototypeContext& ctx, NortonToolHooks& hooks) {
    DesignRecord& rec = ctx.design.record;
    char& source = rec[8].letter;
    if (source == 'C' || source == 'D') {
        char buf[96];
        std::snprintf(buf, sizeof buf, "Options C & D are invalid on souce end.  %s",
                      "Source matching bypassed");
        ctx.toolkit.notice(buf);
        source = 'x';
    }
    const int b = buildForTool(ctx, 21);
    if (b != 0) return b;
    EntryList& list = ctx.design.entries;
    if (hasCode(list, {4, 28})) {
        ctx.toolkit.notice("Wrong configuration.");
        return kBuildNotImplemented;
    }
    if (hasCode(list, {5})) {
        ctx.toolkit.notice("Changes not possible.");
        return kBuildTerminationMatcher;
    }
    if (couplingSections(list).size() > static_cast<std::size_t>(kMaxNortonSections)) {
        setFaultIndex(rec, 1);
        return kBuildFault;
    }
    NortonTool tool(ctx, hooks, 10);
    const int c = lastOf(list, 'C', 0);
    tool.c1 = c >= 0 ? list[c].value : 0;
    // The source end first, so that the forcing works on the matched network.
    if (slotUsed(rec, 8) && hooks.matcher && source != 'X')
        hooks.matcher(0);
    else
        ctx.toolkit.notice("Source matching bypassed");
    const int l = lastOf(list, 'L', 2);
    if (l < 0) {
        ctx.toolkit.notice("Wrong configuration.");
        return kBuildNotImplemented;
    }
    tool.l1 = list[l].value;
    tool.setBase();
    tool.automatic();
    if (negativeOrInvalid(list)) {
        tool.restoreBase();
        ctx.toolkit.notice("Function complete, but changes are not possible.");
    }
    const int r = tool.run(kBuildTerminationMatcher);
    tool.draw();
    return r;
}

} // namespace tanvex::synthesis
