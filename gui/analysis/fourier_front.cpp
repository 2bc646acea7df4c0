#include "analysis/analysis_constants.h"
#include "analysis/analysis_front.h"
#include "analysis/fourier_window.h"
#include "shell/command_table.h"
#include "shell/shell.h"
#include "ui/qt_toolkit.h"

namespace tanvex::gui {

FourierFront::FourierFront(shell::Shell& shell, QtToolkit& toolkit, AnalysisFront& analysis,
                           QWidget* main)
    : shell_(shell), toolkit_(toolkit), analysis_(analysis), main_(main),
      noData_(std::make_unique<analysis::NoDataServices>(toolkit)) {
    analysis::DataServices& data = analysis.dataServices ? *analysis.dataServices : *noData_;
    model_ = std::make_unique<analysis::TimeDomainModel>(shell.design, analysis.options(), toolkit,
                                                         data);
}

FourierFront::~FourierFront() {
    if (window_) delete window_.data();
}

int FourierFront::open() {
    if (!window_) {
        FourierContext context;
        context.workingDirectory = shell_.env.working;
        context.designName = designName(shell_.design);
        context.user = shell_.env.userName;
        context.hardCopySetting = shell_.hardCopyRaster ? shell_.hardCopyRaster : '1';
        for (int i = 0; i < 3; ++i)
            context.q[i] = analysis::normalisedQ(shell_.design.analysis[3 + i]);
        context.analyse = [this] { analysis_.analyse(); };
        context.closeViews = [this] { analysis_.closeViews(); };
        context.focusMain = [this] {
            if (main_) main_->activateWindow();
        };
        window_ = new FourierWindow(*model_, toolkit_, context, nullptr);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        // The first calculation of a visit starts from the plot's range, when
        // one was handed over.
        model_->settle();
        window_->refreshFields();
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    return 0;
}

std::unique_ptr<FourierFront> registerFourierCommand(shell::Shell& shell, QtToolkit& toolkit,
                                                     AnalysisFront& analysis, QWidget* main) {
    auto front = std::make_unique<FourierFront>(shell, toolkit, analysis, main);
    FourierFront* f = front.get();
    shell.commands.add(shell::kCmdFourier, [f](int) { return f->open(); });
    return front;
}

} // namespace tanvex::gui
