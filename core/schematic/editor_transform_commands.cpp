// The network transform commands of the schematic editor: their prompts
// and messages around the transforms of editor_transforms.h. run() takes
// the undo snapshot before each and forgets it again when the network did
// not change.
#include "design/design_file.h"
#include "design/operations.h"
#include "schematic/editor.h"
#include "schematic/editor_transforms.h"
#include "schematic/network_edit.h"
#include "synthesis/builders.h"
#include "synthesis/narrow_band.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace tanvex::schematic {

namespace {

const char* kBadBranch = "* Bad branch number *";
const char* kBadConfig = "* Incorrect configuration *";

std::string format(const char* f, double a) {
    char buf[96];
    std::snprintf(buf, sizeof buf, f, a);
    return buf;
}

std::string format(const char* f, const char* a) {
    char buf[96];
    std::snprintf(buf, sizeof buf, f, a);
    return buf;
}

} // namespace

bool Editor::isTransform(int c) {
    switch (c) {
    case kCmdCp:
    case kCmdDipole:
    case kCmdEqualValue:
    case kCmdForce:
    case kCmdIterate:
    case kCmdJkInverter:
    case kCmdKuroda:
    case kCmdXform:
    case kCmdNegativeValue:
    case kCmdProgStuber:
    case kCmdPiT:
    case kCmdStub:
    case kCmdTriplet:
    case kCmdLcdInsert:
    case kCmdLcdCompensate:
        return true;
    default:
        return false;
    }
}

void Editor::transform(int c) {
    switch (c) {
    case kCmdXform:
        xform();
        break;
    case kCmdForce:
        force();
        break;
    case kCmdPiT:
        piT();
        break;
    case kCmdJkInverter:
        jkInverter();
        break;
    case kCmdKuroda:
        kuroda();
        break;
    case kCmdNegativeValue:
        negativeValue();
        break;
    case kCmdEqualValue:
        equalValue();
        break;
    case kCmdIterate:
        iterate();
        break;
    case kCmdLcdInsert:
        lcdInsert();
        break;
    case kCmdLcdCompensate:
        lcdCompensate();
        break;
    case kCmdCp:
        cp();
        break;
    case kCmdDipole:
        dipole();
        break;
    case kCmdStub:
    case kCmdProgStuber:
        stub(c);
        break;
    case kCmdTriplet:
        triplet();
        break;
    default:
        break;
    }
}

void Editor::xform() {
    int b = askOne('@');
    if (!validBranch(b)) {
        error_ = kBadBranch;
        return;
    }
    addPrompt(format("Preset ratio = %-8.4f", presetRatio_));
    addPrompt("Impedance ratio (Cr for Preset) ?");
    tk_.defaultAnswer = format("%g", presetRatio_);
    double r = presetRatio_;
    double typed = 0.0;
    if (askNumber(typed)) r = typed == 0.0 ? 1.0 : typed;
    if (!nortonAt(design_.entries, b, r)) {
        tk_.beep();
        error_ = kBadConfig;
    }
}

void Editor::force() {
    EntryList& list = design_.entries;
    int f = askBranch({"(Cr) to abort * ", "Branch # to force"});
    if (f == 0) return;
    if (!validBranch(f)) {
        error_ = kBadBranch;
        return;
    }
    const UnitBlock& unit = unitOf(design_.notation, list[f].letter);
    char buf[80];
    std::snprintf(buf, sizeof buf, "Value desired at branch #%d (%s) ? ", f, unit.name.c_str());
    addPrompt(buf);
    double d = 0.0;
    if (!askNumber(d)) return;
    int m = askOne('c');
    if (!validBranch(m) || !forceValue(list, f, d / unit.multiplier, m)) {
        tk_.beep();
        error_ = "Error";
    }
}

void Editor::piT() {
    int b = askOne('c');
    if (!schematic::piT(design_.entries, b)) {
        tk_.beep();
        error_ = kBadConfig;
    }
}

void Editor::jkInverter() {
    EntryList& list = design_.entries;
    int i = askBranch({"  Specify highest branch number", "of the L/C 'tank' to invert"});
    if (!validBranch(i) || !validBranch(i + 1)) {
        error_ = kBadBranch;
        return;
    }
    char kind = list[i + 1].letter == 'L' ? 'C' : 'L';
    const UnitBlock& unit = unitOf(design_.notation, kind);
    addPrompt("What is desired value of inverted 'tank' ?");
    addPrompt(format(kind == 'C' ? "C (%s) ?" : "L (%s) ?", unit.name.c_str()));
    if (i + 2 <= n()) tk_.defaultAnswer = format("%g", list[i + 2].value * unit.multiplier);
    double d = 0.0;
    if (!askNumber(d)) return;
    if (!schematic::jkInverter(list, i, d / unit.multiplier)) {
        tk_.beep();
        error_ = kBadConfig;
    }
}

void Editor::kuroda() {
    int b = askOne('@');
    if (!schematic::kuroda(design_.entries, b)) {
        tk_.beep();
        error_ = kBadConfig;
    }
}

void Editor::negativeValue() {
    int b = askBranch({"Branch # of negative value"});
    if (!validBranch(b)) {
        error_ = kBadBranch;
        return;
    }
    if (!removeNegative(design_.entries, b)) {
        tk_.beep();
        error_ = kBadConfig;
    }
}

void Editor::equalValue() {
    EntryList& list = design_.entries;
    addPrompt("Equal L or C ? ");
    tk_.inputBox();
    promptLine_ = 0;
    std::size_t at = tk_.textResult.find_first_not_of(" \t");
    if (at == std::string::npos) return;
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(tk_.textResult[at])));
    if (letter != 'L' && letter != 'C') {
        error_ = kBadConfig;
        return;
    }
    int reference = 0;
    int result = synthesis::equalizeResonators(list, letter, reference);
    if (result > 0) {
        error_ = kBadConfig;
        return;
    }
    if (result < 0) {
        if (letter == 'L') tk_.notice("Can't equalize L on a tubular, doing C");
        equalTubular(reference);
        return;
    }
    const UnitBlock& unit = unitOf(design_.notation, letter);
    addPrompt("(Cr) to maintain source Zo");
    addPrompt(format("     or Value desired (%s) ?", unit.name.c_str()));
    double d = 0.0;
    if (!askNumber(d) || d == 0.0) return;
    d /= unit.multiplier;
    double k = letter == 'L' ? d / list[reference].value : list[reference].value / d;
    if (impedanceScale(list, 0, n(), k) != 0) error_ = "* Bad ratio *";
}

// The tubular form: the capacitors are equal in pairs now; the equal-shunts
// pass makes them all equal, or the pairs stay ("tmp_ev").
void Editor::equalTubular(int reference) {
    int notation = design_.notation.electrical;
    bool saved = unchanged();
    const EntryList pairs = design_.entries;
    bool stored = transferDesign(design_, "tmp_ev", 'w', kTransferWhole, tk_) == 0;
    applyElectricalNotation(design_.notation, notation);
    setSaved(design_.record, saved);
    if (equalShunts(design_.entries, &tk_)) {
        const UnitBlock& unit = design_.notation.capacitance;
        char buf[96];
        std::snprintf(buf, sizeof buf, " Tubular shunts = %g %s",
                      design_.entries[reference].value * unit.multiplier, unit.name.c_str());
        status_ = buf;
        return;
    }
    error_ = "All equal shunts failed - equal pairs only!";
    if (stored) {
        transferDesign(design_, "tmp_ev", 'r', kTransferWhole, tk_);
        applyElectricalNotation(design_.notation, notation);
        setSaved(design_.record, saved);
    }
    // Whatever the file gave back, the network is the one with equal pairs.
    design_.entries = pairs;
}

void Editor::iterate() {
    EntryList work = design_.entries;
    if (synthesis::ellipticCouplingIteration(work) != 0 || !settleValues(work)) {
        error_ = kBadConfig;
        return;
    }
    design_.entries = work;
}

void Editor::lcdInsert() {
    EntryList& list = design_.entries;
    int b = askOne('@');
    if (!validBranch(b) || list[b].letter != 'L') {
        error_ = kBadBranch;
        return;
    }
    const UnitBlock& unit = design_.notation.capacitance;
    char buf[80];
    std::snprintf(buf, sizeof buf, "Distributed capacity of L%d (%s) ?", b, unit.name.c_str());
    addPrompt(buf);
    tk_.defaultAnswer = lastCd_;
    double cd = 0.0;
    if (!askNumber(cd)) return;
    lastCd_ = tk_.textResult;
    if (cd == 0.0) return; // no capacity to place
    int r = insertDistributedC(list, b, cd / unit.multiplier);
    if (r == 1) error_ = kBadBranch;
    if (r == 2) error_ = kBadConfig;
}

void Editor::lcdCompensate() {
    EntryList& list = design_.entries;
    if (given_.empty()) {
        addPrompt("branch of Cd, Branch to adjust");
        addPrompt("    (NOT branch of L)");
    }
    int a = 0, b = 0;
    if (askTwo(true, a, b) < 2) return;
    if (a == b || !validBranch(a) || !validBranch(b)) {
        error_ = kBadBranch;
        return;
    }
    // One inductor and one capacitor: two of a kind have nothing to
    // compensate between them.
    bool pair = (list[a].letter == 'L' && list[b].letter == 'C') ||
                (list[a].letter == 'C' && list[b].letter == 'L');
    if (!pair) {
        tk_.beep();
        error_ = kBadConfig;
        return;
    }
    const UnitBlock& unit = design_.notation.frequency;
    addPrompt(format("Geometric Fo of filter (%s) ?", unit.name.c_str()));
    tk_.defaultAnswer = format("%g", list[n() + 1].value * unit.multiplier);
    double f0 = 0.0;
    if (!askNumber(f0)) return;
    if (!compensateDistributedC(list, a, b, f0 / unit.multiplier)) {
        tk_.beep();
        error_ = kBadConfig;
    }
}

void Editor::cp() {
    EntryList& list = design_.entries;
    int b = askBranch({"Specify branch # of lowest notch section,", " or branch # of Cp itself."});
    if (b == 0) return;
    const UnitBlock& unit = design_.notation.capacitance;
    addPrompt(format(" (Cr to abort) Cp value (%s) ? ", unit.name.c_str()));
    double value = 0.0;
    if (!askNumber(value)) return;
    switch (setCp(list, b, value / unit.multiplier)) {
    case 0:
        break;
    case 1:
        tk_.beep();
        error_ = kBadConfig;
        break;
    default:
        // setCp left the network as it was: the undo is already done.
        error_ = " No good! Try a smaller value.";
        break;
    }
}

void Editor::dipole() {
    int b = askBranch({"Lowest branch # of group or branch", " # to select L or C"});
    if (!schematic::dipole(design_.entries, b)) {
        tk_.beep();
        error_ = kBadConfig;
    }
}

void Editor::triplet() {
    EntryList& list = design_.entries;
    int b = askBranch({"  Lowest branch # of shunt pair,", "or single shunt branch #"});
    if (b == 0) return;
    if (!validBranch(b)) {
        error_ = kBadBranch;
        return;
    }
    const UnitBlock& unit = unitOf(design_.notation, list[b].letter);
    addPrompt("(Cr) to abort");
    addPrompt(format("What is new value (%s) ?", unit.name.c_str()));
    double value = 0.0;
    if (!askNumber(value)) return;
    if (!schematic::triplet(list, b, value / unit.multiplier)) {
        tk_.beep();
        error_ = kBadConfig;
    }
}

void Editor::stub(int c) {
    EntryList& list = design_.entries;
    int g = -1;
    if (c == kCmdStub) {
        int b = askOne('@');
        if (!validBranch(b)) {
            error_ = kBadBranch;
            return;
        }
        g = groupStart(groups_, b);
    }
    const UnitBlock& unit = design_.notation.impedance;
    addPrompt(format("Stub Zo (%s) ? ", unit.name.c_str()));
    tk_.defaultAnswer = format("%g", list[0].value * unit.multiplier);
    double zo = 0.0;
    if (!askNumber(zo)) return;
    if (stubGenerator(list, g, zo / unit.multiplier) != 0) {
        tk_.beep();
        error_ = c == kCmdStub ? kBadBranch : kBadConfig;
    }
}

} // namespace tanvex::schematic
