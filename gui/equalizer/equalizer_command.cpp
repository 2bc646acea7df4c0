#include "equalizer/equalizer_command.h"

#include "shell/command_table.h"

namespace tanvex::gui {

EqualizerCommand::EqualizerCommand(shell::Shell& shell, ui::Toolkit& toolkit,
                                   analysis::DataFileServices& data)
    : shell_(shell), toolkit_(toolkit), data_(data) {}

EqualizerCommand::~EqualizerCommand() {
    delete window_.data();
}

int EqualizerCommand::open() {
    if (!window_) {
        window_ = new EqualizerWindow(shell_.design, toolkit_, data_);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        window_->designChanged = [this] {
            if (designChanged) designChanged();
        };
        if (onCreated) onCreated(window_);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    return 0;
}

std::unique_ptr<EqualizerCommand> registerEqualizerCommand(shell::Shell& shell,
                                                           ui::Toolkit& toolkit,
                                                           analysis::DataFileServices& data) {
    auto command = std::make_unique<EqualizerCommand>(shell, toolkit, data);
    EqualizerCommand* c = command.get();
    shell.commands.add(shell::kCmdEqualizer, [c](int) { return c->open(); });
    return command;
}

} // namespace tanvex::gui
