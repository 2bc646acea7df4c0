// The scale commands of the schematic editor: normalisation, impedance and
// frequency scaling, lowpass-to-highpass inversion, the dual and the
// lowpass-to-bandpass transform.
#include "design/operations.h"
#include "schematic/editor.h"
#include "schematic/network_edit.h"

#include <cmath>
#include <cstdio>

namespace tanvex::schematic {

namespace {

constexpr double kNormalizedBelow = 0.16;
constexpr double kOneRadian = 0.159155; // 1 rad/s in hertz
constexpr double kTwoPi = 6.283185307179586;
const char* kBadConfig = "* Incorrect configuration *";

} // namespace

void Editor::norm() {
    EntryList& list = design_.entries;
    int count = n();
    double ref = list[count + 1].value;
    if (ref < kNormalizedBelow) {
        error_ = " Already normalized";
        return;
    }
    double zo = list[0].value;
    normFrequency_ = ref;
    normTermination_ = zo;
    applyElectricalNotation(design_.notation, kNotationNormalized);
    if (frequencyScale(list, 0, count, kOneRadian / ref) != 0) {
        error_ = " Bad freq. ratio ";
        return;
    }
    if (zo == 0.0 || impedanceScale(list, 0, count, 1.0 / zo) != 0) error_ = " Bad Zo ratio";
}

void Editor::unNorm() {
    EntryList& list = design_.entries;
    int count = n();
    double ref = list[count + 1].value;
    if (ref > kNormalizedBelow || normFrequency_ == 0.0 || normTermination_ == 0.0 || ref <= 0.0 ||
        list[0].value <= 0.0) {
        error_ = " Can't Un-normalize";
        return;
    }
    frequencyScale(list, 0, count, normFrequency_ / ref);
    impedanceScale(list, 0, count, normTermination_ / list[0].value);
    applyElectricalNotation(design_.notation, openNotation_);
    normFrequency_ = normTermination_ = 0.0;
}

void Editor::scaleZo(int command) {
    EntryList& list = design_.entries;
    int count = n();
    double value = 0.0;
    double k = 0.0;
    if (command == kCmdTermZo || command == kCmdSrcZo) {
        addPrompt(command == kCmdTermZo ? " What new termination Zo ? " : " What new source Zo ? ");
        if (!askNumber(value)) return;
        double old = command == kCmdTermZo ? list[0].value : list[count].value;
        k = old != 0.0 ? value / old : 0.0;
    } else {
        char buf[64];
        std::snprintf(buf, sizeof buf, " Preset ratio = %-8.4f *", presetRatio_);
        addPrompt(buf);
        addPrompt(" What ratio (-1 for preset ratio) ? ");
        askNumber(value);
        k = value > 0.0 ? value : presetRatio_;
    }
    if (!(k > 0.0) || !std::isfinite(k) || impedanceScale(list, 0, count, k) != 0)
        error_ = "* Bad ratio *";
}

void Editor::invert() {
    EntryList& list = design_.entries;
    int count = n();
    if (list[count + 1].value >= kNormalizedBelow) {
        error_ = "Not normalized";
        return;
    }
    // s -> 1/s at 1 rad/s: an inductor L becomes a capacitor 1/L and back.
    EntryList work = list;
    for (int i = 1; i < count; ++i) {
        NetEntry& e = work[i];
        int c = e.code;
        if (c == 11 || c == 12 || e.letter == 'Z' || e.letter == 'D' || e.letter == 'M') {
            error_ = kBadConfig;
            return;
        }
        if (e.letter == 'L' || e.letter == 'C') {
            if (e.value == 0.0) {
                error_ = kBadConfig;
                return;
            }
            e.letter = e.letter == 'L' ? 'C' : 'L';
            e.value = 1.0 / e.value;
        }
    }
    list = work;
}

void Editor::dual() {
    EntryList& list = design_.entries;
    if (dualTransform(list, 1, n()) != 0) error_ = kBadConfig;
}

void Editor::freq() {
    EntryList& list = design_.entries;
    applyElectricalNotation(design_.notation, openNotation_);
    const UnitBlock& f = design_.notation.frequency;
    char buf[64];
    std::snprintf(buf, sizeof buf, "What new frequency (%4s) ?", f.name.c_str());
    addPrompt(buf);
    double value = 0.0;
    if (!askNumber(value)) return;
    int count = n();
    double ref = list[count + 1].value;
    double k = ref != 0.0 ? (value / f.multiplier) / ref : 0.0;
    if (!(k > 0.0) || !std::isfinite(k) || frequencyScale(list, 1, count - 1, k) != 0)
        error_ = "* Bad ratio *";
}

void Editor::bandpass() {
    EntryList& list = design_.entries;
    const UnitBlock& f = design_.notation.frequency;
    char buf[64];
    std::snprintf(buf, sizeof buf, "What geometric Fo (SQR(f1*f2) %4s) ? ", f.name.c_str());
    addPrompt(buf);
    double value = 0.0;
    if (!askNumber(value)) return;
    double fo = value / f.multiplier;
    if (!(fo > 0.0) || !std::isfinite(fo)) {
        error_ = "* Bad ratio *";
        return;
    }
    double w2 = (kTwoPi * fo) * (kTwoPi * fo);
    auto partner = [&](const NetEntry& e, int code) {
        return NetEntry{1.0 / (e.value * w2), e.letter == 'L' ? 'C' : 'L', code};
    };
    EntryList before = list;
    auto refuse = [&](const char* message) {
        list = before; // the change is undone automatically
        error_ = message;
    };
    int i = 1;
    while (i < n()) {
        NetEntry e = list[i];
        if ((e.letter != 'L' && e.letter != 'C') || e.value == 0.0) return refuse(kBadConfig);
        if (e.code == 2 || e.code == 3) {
            bool resonatorPair = (e.code == 2) == (e.letter == 'L');
            NetEntry p = partner(e, resonatorPair ? (e.code == 2 ? 4 : 5) : e.code);
            if (resonatorPair) list[i].code = p.code;
            if (!insertEntries(list, i, {p}, tk_)) return refuse("");
            i += 2;
        } else if (e.code == 4 || e.code == 5) {
            NetEntry a = list[i], b = list[i + 1];
            if (b.code != e.code || (b.letter != 'L' && b.letter != 'C') || b.value == 0.0 ||
                a.letter == b.letter)
                return refuse(kBadConfig);
            // The capacitor of a shunt pair (the inductor of a series pair) first.
            char lead = e.code == 4 ? 'C' : 'L';
            NetEntry x = a.letter == lead ? a : b;
            NetEntry y = a.letter == lead ? b : a;
            int group = e.code == 4 ? 28 : 27;
            x.code = y.code = group;
            NetEntry px = partner(x, group), py = partner(y, group);
            // code 28: (C || L') + L + C'; code 27: (L + C') || C || L'
            list[i] = x;
            list[i + 1] = px;
            if (!insertEntries(list, i + 1, {y, py}, tk_)) return refuse("");
            if (!groupToPairs(list, i)) return refuse(kBadConfig);
            i += 4;
        } else {
            return refuse(kBadConfig);
        }
    }
    list[n() + 1].value = fo;
}

} // namespace tanvex::schematic
