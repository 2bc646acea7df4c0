// Plugs the synthesis commands into the main window's command registry: the
// Design menu's design types (106..131), the preset bandpass picker (134),
// Calculate (136) and the parameter dialog (137); and the impedance matcher
// of the shell (140/141 and Calculate's matchers) with its method dialog.
//
//   tanvex::gui::SynthesisCommands synth(shell, toolkit, mainWindow);
//   synth.referenceValues = [&] { ... };   // the "Reference values" dialog
#pragma once

#include "shell/shell.h"
#include "synthesis/calculate.h"
#include "synthesis/matcher.h"
#include "synthesis/prototype.h"
#include "ui/toolkit.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tanvex::gui {

class SynthesisCommands {
public:
    SynthesisCommands(shell::Shell& shell, ui::Toolkit& toolkit, QWidget* parent);
    ~SynthesisCommands();

    // The "Reference values" loop run after choosing a design type whose
    // command asks for it (by default the Reference values dialog; also run by
    // "new reference &Values" unless another handler serves that command).
    std::function<void()> referenceValues;
    // The pole placer's lowpass reference mode (reference kind 6).
    std::function<int()> placer;
    // Builders of other subsystems (see CalculateHooks::otherBuilder).
    std::function<int(int designType)> otherBuilder;
    // The plot's markers (hertz, dB) for the order estimate and the placer's
    // lowpass mask, and the plot's bandpass mask made from markers (hertz,
    // dB; empty when none) for the bandpass placer.
    std::function<std::vector<std::pair<double, double>>()> plotMarkers;
    std::function<std::vector<std::pair<double, double>>()> plotBandpassMask;

    // The placer with its dialog and prompts (mode 1 design type 23, mode 2
    // the reference lowpass).
    int runPlacerDialog(synthesis::PrototypeContext& ctx, int mode);

    synthesis::LowpassPrototype& prototype() { return *proto_; }

    int chooseDesignType(int command);
    int parameters();
    int calculate();
    int presetPicker();

private:
    // Runs command and marks the design unsaved when it changed the network
    // or the parameters.
    template <typename F> int changing(F&& command);
    int chooseDesignTypeUnmarked(int command);
    int parametersUnmarked();
    int calculateUnmarked();
    int presetPickerUnmarked();

    shell::Shell& shell_;
    ui::Toolkit& toolkit_;
    QWidget* parent_;
    std::unique_ptr<synthesis::LowpassPrototype> proto_;
    std::unique_ptr<synthesis::NarrowBandView> narrowView_;
    std::unique_ptr<synthesis::MatcherView> matcherView_;
    synthesis::MatchPresets matchPresets_;
    bool referenceChosen_ = false;
    bool calculating_ = false; // the matcher runs from Calculate
};

} // namespace tanvex::gui
