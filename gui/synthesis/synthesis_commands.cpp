#include "synthesis/synthesis_commands.h"

#include "design/paths.h"

#include "shell/command_table.h"
#include "synthesis/catalogue.h"
#include "synthesis/matcher_dialog.h"
#include "synthesis/narrow_band_dialog.h"
#include "synthesis/parameter_dialog.h"
#include "synthesis/placer.h"
#include "synthesis/placer_dialog.h"
#include "synthesis/reference_dialogs.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tanvex::gui {

using namespace tanvex::synthesis;

namespace {

// What the design files keep of a design: the network and the parameter
// slots that go to the .spk file.
bool sameContent(const Design& a, const Design& b) {
    for (int i = 0; i < kEntrySlots; ++i) {
        const NetEntry &x = a.entries[i], &y = b.entries[i];
        if (!(x.value == y.value || (x.value != x.value && y.value != y.value)) ||
            x.letter != y.letter || x.code != y.code)
            return false;
    }
    for (int i = 0; i < kSavedSlots; ++i) {
        const ParamSlot &x = a.record[i], &y = b.record[i];
        if (!(x.value == y.value || (x.value != x.value && y.value != y.value)) ||
            !(x.value2 == y.value2 || (x.value2 != x.value2 && y.value2 != y.value2)) ||
            x.letter != y.letter || std::strcmp(x.text, y.text) != 0)
            return false;
    }
    return a.names == b.names;
}

} // namespace

// A command that changed the network or the parameters leaves the design
// unsaved, so leaving the program asks before the work is lost.
template <typename F> int SynthesisCommands::changing(F&& command) {
    auto before = std::make_unique<Design>(shell_.design);
    const int r = command();
    if (!sameContent(*before, shell_.design)) setSaved(shell_.design.record, false);
    return r;
}

SynthesisCommands::SynthesisCommands(shell::Shell& shell, ui::Toolkit& toolkit, QWidget* parent)
    : shell_(shell), toolkit_(toolkit), parent_(parent),
      proto_(std::make_unique<LowpassPrototype>()),
      narrowView_(std::make_unique<NarrowBandDialog>(shell.design, parent)) {
    auto& reg = shell_.commands;
    static_cast<NarrowBandDialog*>(narrowView_.get())->showHelp = [this](const std::string& page) {
        toolkit_.showHelp(page);
    };
    referenceValues = [this] {
        ReferenceValuesDialog dlg(shell_.design.record, parent_);
        dlg.exec();
    };
    if (!reg.has(shell::kCmdReferenceValues)) {
        reg.add(shell::kCmdReferenceValues, [this](int) {
            if (referenceValues) referenceValues();
            return 0;
        });
    }
    auto* matcher = new MatcherDialog(parent);
    matcherView_.reset(matcher);
    matcher->showHelp = [this](const std::string& page) { toolkit_.showHelp(page); };
    // 140/141 (the letter is already reset to x). An end that a former
    // match already brought to its impedance has nothing left to match in
    // the present network: the design is calculated again, so that the
    // method dialog works on the end as built.
    shell_.impedanceMatcher = [this](int end) {
        const DesignRecord& rec = shell_.design.record;
        const double zo = rec[7].value, rl = rec[end == 0 ? 8 : 9].value;
        const bool matchedBefore = !calculating_ && endNeedsNoMatch(shell_.design, end) && zo > 0 &&
                                   std::fabs(zo - rl) > 1e-5 * std::max(zo, rl);
        if (matchedBefore) return calculate();
        runMatcher(shell_.design, end, toolkit_, matcherView_.get(), matchPresets_);
        return 0;
    };
    reg.addRange(shell::kCmdDesignFirst, shell::kCmdDesignLast,
                 [this](int id) { return chooseDesignType(id); });
    reg.add(shell::kCmdPresetBandpass, [this](int) { return presetPicker(); });
    reg.add(shell::kCmdCalculate, [this](int) { return calculate(); });
    reg.add(shell::kCmdParameters, [this](int) { return parameters(); });

    // maKe external ref. lowpass (149): the lowpass ladder of the design's
    // reference, normalized, written as a network of its own.
    shell_.prototypeLastCode = [this] {
        PrototypeContext ctx{shell_.design, *proto_, toolkit_, homeDirectory(), true, placer};
        if (makePrototype(ctx) != 0 || proto_->n < 1) return 0;
        return proto_->element[static_cast<std::size_t>(proto_->n)].code;
    };
    shell_.buildLumpedLowpass = [this] {
        PrototypeContext ctx{shell_.design, *proto_, toolkit_, homeDirectory(), true, placer};
        const int r = lowpassLadder(ctx, 0);
        return r == kBuildOk ? 0 : r;
    };
}

SynthesisCommands::~SynthesisCommands() = default;

int SynthesisCommands::chooseDesignType(int command) {
    return changing([&] { return chooseDesignTypeUnmarked(command); });
}

int SynthesisCommands::chooseDesignTypeUnmarked(int command) {
    if (applyDesignType(shell_.design, command) == 0) return 0;
    if (commandAsksReference(command) && !referenceChosen_ && referenceValues) referenceValues();
    referenceChosen_ = false;
    if (parametersUnmarked() == 1) return calculateUnmarked();
    return 0;
}

int SynthesisCommands::parameters() {
    return changing([&] { return parametersUnmarked(); });
}

int SynthesisCommands::parametersUnmarked() {
    ParameterDialog dlg(shell_.design, toolkit_, parent_);
    dlg.openMatcher = [this] { shell_.runCommand(shell::kCmdMatcher); };
    dlg.showHelp = [this](const std::string& page) { toolkit_.showHelp(page); };
    if (plotMarkers) {
        dlg.plotMarkerLevels = plotMarkers;
        dlg.plotMarkers = [this] {
            std::vector<double> f;
            for (const auto& m : plotMarkers()) f.push_back(m.first);
            return f;
        };
    }
    return dlg.exec() == 1 ? 1 : 0;
}

int SynthesisCommands::runPlacerDialog(PrototypeContext& ctx, int mode) {
    PlacerUi ui = toolkitPlacerUi(toolkit_);
    ui.dialog = [this](PlacerState& st, const PlacerBand& band, int m) {
        // The bandpass mask made from the plot markers feeds the bandpass
        // placer.
        if (m == 1 && plotBandpassMask && (st.maskCount == 0 || st.maskFromMarkers)) {
            auto pts = plotBandpassMask();
            if (!pts.empty()) {
                st.maskCount = std::min<int>(static_cast<int>(pts.size()), kPlacerMax);
                for (int i = 0; i < st.maskCount; ++i) {
                    st.maskFreq[i] = pts[i].first;
                    st.maskDb[i] = pts[i].second;
                }
                st.maskType = 1;
                st.maskFromMarkers = 1;
                normalizeMask(st, band);
            }
        }
        PlacerDialog dlg(st, band, m, shell_.design, toolkit_, parent_);
        dlg.showHelp = [this](const std::string& page) { toolkit_.showHelp(page); };
        dlg.openParameters = [this] { parameters(); };
        return dlg.exec();
    };
    return runPlacer(ctx, mode, ui);
}

int SynthesisCommands::calculate() {
    return changing([&] { return calculateUnmarked(); });
}

int SynthesisCommands::calculateUnmarked() {
    PrototypeContext ctx{shell_.design, *proto_, toolkit_, homeDirectory(), true, placer};
    if (!ctx.placer) ctx.placer = [this, &ctx] { return runPlacerDialog(ctx, 2); };
    CalculateHooks hooks;
    hooks.reopenParameters = [this] { return shell_.runCommand(shell::kCmdParameters); };
    hooks.matcher = [this](int end) {
        if (shell_.impedanceMatcher) shell_.impedanceMatcher(end);
    };
    hooks.coaxial = [this](int) { shell_.runCommand(shell::kCmdCoaxial); };
    hooks.refresh = [this] {
        if (shell_.repaint) shell_.repaint();
    };
    hooks.narrowBand = narrowView_.get();
    hooks.otherBuilder = [this, &ctx](int type) {
        if (otherBuilder) {
            const int r = otherBuilder(type);
            if (r != CalculateHooks::kNotMine) return r;
        }
        if (type == 23) return runPlacerDialog(ctx, 1);
        return CalculateHooks::kNotMine;
    };
    hooks.editor = [this] { shell_.runCommand(shell::kCmdEdit); };
    calculating_ = true;
    const int r = synthesis::calculate(ctx, hooks);
    calculating_ = false;
    return r == 0 ? 0 : r;
}

int SynthesisCommands::presetPicker() {
    return changing([&] { return presetPickerUnmarked(); });
}

int SynthesisCommands::presetPickerUnmarked() {
    const int command = runPresetPicker(shell_.design.record, toolkit_);
    if (command != 0) referenceChosen_ = true;
    return command;
}

} // namespace tanvex::gui
