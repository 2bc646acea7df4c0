// Utilities > Equalizer window (command 168): opens the "Equalizer" window,
// at most one, or raises the open one.
//
//   auto eq = gui::registerEqualizerCommand(shell, toolkit, dataFiles);
//   eq->onCreated = [&](QWidget* w) { mainWindow.rememberRect(w, shell::kEqualizerWindow); };
//   eq->designChanged = [&] { mainWindow.designChanged(); };
#pragma once

#include "equalizer/equalizer_window.h"
#include "shell/shell.h"

#include <QPointer>
#include <functional>
#include <memory>

namespace tanvex::gui {

class EqualizerCommand {
public:
    EqualizerCommand(shell::Shell& shell, ui::Toolkit& toolkit, analysis::DataFileServices& data);
    ~EqualizerCommand();
    int open();
    EqualizerWindow* window() const { return window_; }
    // Called with each new window (the main window places it in its
    // remembered rectangle).
    std::function<void(QWidget*)> onCreated;
    std::function<void()> designChanged;

private:
    shell::Shell& shell_;
    ui::Toolkit& toolkit_;
    analysis::DataFileServices& data_;
    QPointer<EqualizerWindow> window_;
};

std::unique_ptr<EqualizerCommand> registerEqualizerCommand(shell::Shell& shell,
                                                           ui::Toolkit& toolkit,
                                                           analysis::DataFileServices& data);

} // namespace tanvex::gui
