// The "Narrow band - reactance coupled bandpass" dialog: averages of the
// resonator elements, the design and termination impedances, the comments,
// the design and value modes, and Re-Calculate / eXit.
#pragma once

#include "design/design_record.h"
#include "synthesis/narrow_band.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tanvex::gui {

class NarrowBandDialog : public QDialog, public synthesis::NarrowBandView {
    Q_OBJECT
public:
    NarrowBandDialog(Design& design, QWidget* parent = nullptr);

    Action run(synthesis::NarrowBandState& state) override;

    // Help viewer for "&?-Help" (page "NARROW.HLW"); nothing happens when unset.
    std::function<void(const std::string&)> showHelp;

    // Shows the state without running the dialog (for pictures and tests).
    void load(const synthesis::NarrowBandState& state);
    // Reads the controls into the state.
    void store(synthesis::NarrowBandState& state) const;

    QLineEdit* averageEdit(char column, char kind) const; // column 'P'/'S', kind 'L'/'C'
    QLineEdit* zoEdit() const { return zo_; }
    QRadioButton* modeButton(int i) const { return modes_[static_cast<size_t>(i)]; }

private:
    Design& design_;
    std::array<QLineEdit*, 4> avg_{}; // PL, PC, SL, SC
    std::array<double, 4> shown_{};
    QLineEdit* zo_ = nullptr;
    double shownZo_ = 0;
    QLabel* termination_ = nullptr;
    std::array<QLabel*, 4> comments_{};
    std::array<QRadioButton*, 3> modes_{};
    QRadioButton* fixed_ = nullptr;
    QRadioButton* floating_ = nullptr;
    Action action_ = Action::Exit;
};

} // namespace tanvex::gui
