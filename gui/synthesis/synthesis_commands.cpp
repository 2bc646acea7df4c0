#include "synthesis/synthesis_commands.h"

#include "design/paths.h"

#include "shell/command_table.h"
#include "synthesis/catalogue.h"
#include "synthesis/narrow_band_dialog.h"
#include "synthesis/parameter_dialog.h"
#include "synthesis/placer.h"
#include "synthesis/placer_dialog.h"
#include "synthesis/reference_dialogs.h"

#include <algorithm>

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
    const int r = synthesis::calculate(ctx, hooks);
    return r == 0 ? 0 : r;
}

int SynthesisCommands::presetPicker() {
    const int command = runPresetPicker(shell_.design.record, toolkit_);
    if (command != 0) referenceChosen_ = true;
    return command;
}

} // namespace tanvex::gui
