#include "synthesis/synthesis_commands.h"

#include "design/paths.h"
#include "shell/command_table.h"
#include "synthesis/catalogue.h"
#include "synthesis/matcher_dialog.h"
#include "synthesis/narrow_band_dialog.h"
#include "synthesis/parameter_dialog.h"
#include "synthesis/reference_dialogs.h"

#include <algorithm>
#include <cmath>

namespace tanvex::gui {

using namespace tanvex::synthesis;

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
}

SynthesisCommands::~SynthesisCommands() = default;

int SynthesisCommands::chooseDesignType(int command) {
    if (applyDesignType(shell_.design, command) == 0) return 0;
    if (commandAsksReference(command) && !referenceChosen_ && referenceValues) referenceValues();
    referenceChosen_ = false;
    if (parameters() == 1) return calculate();
    return 0;
}

int SynthesisCommands::parameters() {
    ParameterDialog dlg(shell_.design, toolkit_, parent_);
    dlg.openMatcher = [this] { shell_.runCommand(shell::kCmdMatcher); };
    dlg.showHelp = [this](const std::string& page) { toolkit_.showHelp(page); };
    return dlg.exec() == 1 ? 1 : 0;
}

int SynthesisCommands::calculate() {
    PrototypeContext ctx{shell_.design, *proto_, toolkit_, homeDirectory(), true, placer};
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
    hooks.otherBuilder = otherBuilder;
    hooks.editor = [this] { shell_.runCommand(shell::kCmdEdit); };
    calculating_ = true;
    const int r = synthesis::calculate(ctx, hooks);
    calculating_ = false;
    return r == 0 ? 0 : r;
}

int SynthesisCommands::presetPicker() {
    const int command = runPresetPicker(shell_.design.record, toolkit_);
    if (command != 0) referenceChosen_ = true;
    return command;
}

} // namespace tanvex::gui
