// The optimizer's setup memory, frequency ranges and tune mode.
#include "optimizer/optimizer.h"

#include "design/text_io.h"
#include "optimizer/standard_values.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace tanvex::optimizer {

// ----------------------------------------------------------- setup memory --

void Optimizer::saveSetup(int slot) {
    for (char c : setups[0].command)
        if (c > '9') {
            toolkit_.notice("Saved setups can't call each other");
            return;
        }
    if (slot < 1 || slot >= kSetupCount) {
        // No list line selected: ask rather than overwrite A.
        toolkit_.clearPrompt();
        toolkit_.setPrompt(0, "Save the setup in which memory (A-G) ?");
        toolkit_.setPrompt(1, "(Cr) to abort");
        toolkit_.defaultAnswer.clear();
        toolkit_.inputBox();
        const std::string& t = toolkit_.textResult;
        const std::size_t at = t.find_first_not_of(" \t");
        if (at == std::string::npos) return;
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(t[at])));
        if (c < 'A' || c > 'G') {
            toolkit_.beep();
            return;
        }
        slot = c - 'A' + 1;
    }
    Setup& s = setups[static_cast<std::size_t>(slot)];
    s.command = setups[0].command;
    s.job = job;
    s.lower = setups[0].lower;
    s.upper = setups[0].upper;
}

void Optimizer::recallSetup(int slot) {
    if (slot < 1 || slot >= kSetupCount || setups[static_cast<std::size_t>(slot)].job == 0) {
        toolkit_.beep();
        return;
    }
    setups[0] = setups[static_cast<std::size_t>(slot)];
    job = setups[0].job;
}

void Optimizer::clearSetup(int slot) {
    if (slot < 1 || slot >= kSetupCount) {
        toolkit_.beep();
        return;
    }
    setups[static_cast<std::size_t>(slot)] = Setup{};
}

std::vector<std::string> Optimizer::setupLines() const {
    std::vector<std::string> out;
    const std::string unit = design_.notation.frequency.name;
    for (int i = 1; i < kSetupCount; ++i) {
        const Setup& s = setups[static_cast<std::size_t>(i)];
        out.push_back(formatText("%c  %s", 'A' + i - 1, s.command.c_str()));
        out.push_back(
            formatText(" %.3f - %.3f %s", double(s.lower), double(s.upper), unit.c_str()));
        out.push_back(formatText("   %s", jobName(s.job)));
    }
    return out;
}

// -------------------------------------------------------- frequency ranges --

void Optimizer::saveToMainRange() {
    double lower = setups[0].lower;
    double upper = setups[0].upper;
    if (transferredLower > 0.0) lower = transferredLower;
    if (transferredUpper > 0.0) upper = transferredUpper;
    if (!(lower < upper)) {
        toolkit_.beep();
        toolkit_.notice("Bad frequency range!");
        return;
    }
    setups[0].lower = static_cast<float>(lower);
    setups[0].upper = static_cast<float>(upper);
    design_.analysis[0] = lower;
    design_.analysis[6] = lower;
    design_.analysis[1] = upper;
}

void Optimizer::saveToSegment(int index) {
    if (index < 0 || index >= kSegmentCount) {
        toolkit_.beep();
        return;
    }
    if (!(transferredLower > 0.0 && transferredLower < transferredUpper)) {
        toolkit_.beep();
        toolkit_.notice("Bad frequency range!");
        return;
    }
    const double mult = design_.notation.frequency.multiplier;
    segments[static_cast<std::size_t>(index)] = {transferredLower / mult, transferredUpper / mult};
}

void Optimizer::clearSegment(int index) {
    if (index < 0 || index >= kSegmentCount) {
        toolkit_.beep();
        return;
    }
    segments[static_cast<std::size_t>(index)] = Segment{};
}

void Optimizer::inputRange() {
    toolkit_.clearPrompt();
    toolkit_.setPrompt(0, "Input frequency range:");
    toolkit_.setPrompt(
        1, formatText("Lower , Upper limits (%s)", design_.notation.frequency.name.c_str()));
    toolkit_.defaultAnswer.clear();
    toolkit_.inputBox();
    const std::string t = toolkit_.textResult;
    if (t.find_first_not_of(" \t") == std::string::npos) return;
    double lower = 0.0, upper = 0.0;
    if (!parseRange(t, lower, upper) || !(lower > 0.0 && lower < upper)) {
        toolkit_.beep();
        toolkit_.notice("Bad frequency range!");
        return;
    }
    transferredLower = lower;
    transferredUpper = upper;
}

void Optimizer::leaveRanges() {
    transferredLower = 0.0;
    transferredUpper = 0.0;
}

std::vector<std::string> Optimizer::segmentLines() const {
    std::vector<std::string> out;
    const double mult = design_.notation.frequency.multiplier;
    for (int i = 0; i < kSegmentCount; ++i) {
        const Segment& s = segments[static_cast<std::size_t>(i)];
        out.push_back(formatText("%c %8.3f  -%8.3f", 'A' + i, s.lower * mult, s.upper * mult));
    }
    return out;
}

// --------------------------------------------------------------- tune mode --

const UnitBlock* Optimizer::unitFor(int branch) const {
    const Notation& n = design_.notation;
    switch (design_.entries[static_cast<std::size_t>(branch)].letter) {
    case 'L':
    case 'M':
        return &n.inductance;
    case 'C':
        return &n.capacitance;
    case 'F':
        return &n.frequency;
    case 'R':
    case 'Z':
        return &n.impedance;
    default:
        return nullptr;
    }
}

void Optimizer::enterTune() {
    if (tuning_) return;
    cancelCommand();
    if (tempSave("tmp_op2", savedAtCommand_)) stepTaken_ = true;
    tuning_ = true;
}

void Optimizer::tuneUp() {
    if (tuneBranch == 0) {
        toolkit_.beep();
        toolkit_.notice("No branch has been picked!");
        return;
    }
    value(tuneBranch) *= 1.0 + tuneStep_;
    if (tunePartner) value(tunePartner) = value(tuneBranch);
    setSaved(design_.record, false);
}

void Optimizer::tuneDown() {
    if (tuneBranch == 0) {
        toolkit_.beep();
        toolkit_.notice("No branch has been picked!");
        return;
    }
    value(tuneBranch) /= 1.0 + tuneStep_;
    if (tunePartner) value(tunePartner) = value(tuneBranch);
    setSaved(design_.record, false);
}

void Optimizer::tuneBackUp() {
    if (!tuneSavedValid_ || tuneBranch == 0) {
        toolkit_.beep();
        return;
    }
    value(tuneBranch) = tuneSaved_;
    if (tunePartner) value(tunePartner) = tunePartnerSaved_;
}

bool Optimizer::promptBranchPick() {
    toolkit_.clearPrompt();
    toolkit_.setPrompt(0, "Tune on what single branch (#)");
    toolkit_.setPrompt(1, "(Cr to abort) Or on equal pair (#&#) ?");
    if (!schematicPick.empty())
        toolkit_.defaultAnswer = schematicPick;
    else if (tuneBranch)
        toolkit_.defaultAnswer = tunePartner ? formatText("%d&%d", tuneBranch, tunePartner)
                                             : formatText("%d", tuneBranch);
    else
        toolkit_.defaultAnswer.clear();
    toolkit_.inputBox();
    std::string t = toolkit_.textResult;
    for (char& c : t)
        if (c == '&') c = ',';
    tuneBranch = 0;
    tunePartner = 0;
    tuneSavedValid_ = false;
    if (t.find_first_not_of(" \t") == std::string::npos) return false;
    int b = 0, p = 0;
    char extra = 0;
    const int n = std::sscanf(t.c_str(), " %d , %d %c", &b, &p, &extra);
    const int last = lastBranch();
    const bool ok =
        (n == 1 || n == 2) && b >= 1 && b <= last && (n == 1 || (p >= 1 && p <= last && p != b));
    if (!ok) {
        toolkit_.beep();
        toolkit_.notice(formatText("Branch numbers must lie in 1-%d!", last));
        return false;
    }
    tuneBranch = b;
    tunePartner = n == 2 ? p : 0;
    tuneSaved_ = value(b);
    tunePartnerSaved_ = tunePartner ? value(tunePartner) : 0.0;
    tuneSavedValid_ = true;
    return true;
}

void Optimizer::pickBranches() {
    promptBranchPick();
}

void Optimizer::specifyValue() {
    if (tuneBranch == 0 && !promptBranchPick()) return;
    const UnitBlock* u = unitFor(tuneBranch);
    const double scale = u ? u->multiplier : 1.0;
    const std::string unit = u ? u->name : "";
    const char letter = design_.entries[static_cast<std::size_t>(tuneBranch)].letter;
    const bool standard = letter == 'L' || letter == 'C';
    for (;;) {
        const double v = value(tuneBranch);
        toolkit_.clearPrompt();
        toolkit_.setPrompt(0, formatText("Value now: %g (%s)", v * scale, unit.c_str()));
        toolkit_.setPrompt(1, "  Specify a value to try:");
        toolkit_.defaultAnswer.clear();
        if (standard) {
            const StandardPick single = nearestStandard(v);
            if (single.found) {
                std::string note;
                double shown = single.pick;
                double errorPct = single.errorPct;
                if (twoPart_ && std::fabs(single.errorPct) >= 1.0) {
                    const TwoPartPick two = twoPartStandard(v);
                    if (two.found) {
                        note = formatText(" (%g + %g) ", two.first * scale, two.second * scale);
                        shown = two.first + two.second;
                        errorPct = two.errorPct;
                    } else {
                        note = formatText(" No combination under 1%c *", '%');
                    }
                }
                toolkit_.setPrompt(1, twoPart_ ? " (-1 for single part mode)"
                                               : " (-1 for 2 part combination mode)");
                toolkit_.setPrompt(2, formatText("%s Error = %.1f%c", note.c_str(), errorPct, '%'));
                toolkit_.setPrompt(3, "  Specify a value to try:", 14);
                toolkit_.defaultAnswer = formatText("%g", shown * scale);
            }
        }
        toolkit_.inputBox();
        const std::string& t = toolkit_.textResult;
        if (t.find_first_not_of(" \t") == std::string::npos) return;
        const double typed = toolkit_.numberResult;
        if (typed < 0.0) {
            twoPart_ = !twoPart_;
            continue;
        }
        if (typed == 0.0 || !std::isfinite(typed)) {
            toolkit_.beep();
            return;
        }
        value(tuneBranch) = typed / scale;
        if (tunePartner) value(tunePartner) = value(tuneBranch);
        setSaved(design_.record, false);
        return;
    }
}

} // namespace tanvex::optimizer
