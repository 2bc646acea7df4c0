// The "Network analysis" dialog shown before every interactive sweep. A thin
// view over plot::AnalysisDialogModel: every control carries its template
// identifier as its object name ("220" is the start field), an edit field is
// stored when it loses the focus, and the dialog closes with Sweep or eXit.
//
//   plot::DialogState state;                        // kept for the run
//   AnalysisDialog d(design, options, toolkit, state, plotWidth, parent);
//   if (d.exec() == AnalysisDialog::kSweep) ...     // run the sweep
#pragma once

#include "plot/analysis_dialog_model.h"

#include <QDialog>
#include <map>

class QLineEdit;
class QPushButton;
class QRadioButton;
class QLabel;

namespace tanvex::gui {

class AnalysisDialog : public QDialog {
    Q_OBJECT
public:
    enum Result { kExit = 0, kSweep = 1 };

    AnalysisDialog(Design& design, analysis::SweepOptions& options, ui::Toolkit& toolkit,
                   plot::DialogState& state, int plotWidth, QWidget* parent = nullptr);

    plot::AnalysisDialogModel& model() { return model_; }
    // Control by template identifier.
    QWidget* control(int id) const;
    // Shows the model's values in every control.
    void showValues();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    QLineEdit* addEdit(int id);
    QRadioButton* addRadio(int id, const char* text);
    QPushButton* addButton(int id, const char* text);
    void pressed(int id);
    void commit(QLineEdit* edit);

    plot::AnalysisDialogModel model_;
    std::map<int, QLineEdit*> edits_;
    std::map<int, QRadioButton*> radios_;
    std::map<int, QPushButton*> buttons_;
    QLabel* unit_ = nullptr;
    bool showing_ = false;
};

} // namespace tanvex::gui
