// The "Reference values" dialog (which reference lowpass a design starts
// from) and the "Standard library lp" dialog (family and symmetry of a
// library reference). The choices are applied by the core routines of
// synthesis/prototype_reference.h; the windows only show them.
//
//   tanvex::gui::ReferenceValuesDialog dlg(design.record, parent);
//   int kind = dlg.exec();   // 0 when left without a choice
#pragma once

#include "design/design_record.h"

#include <QDialog>

#include <array>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tanvex::gui {

class StandardLibraryDialog : public QDialog {
    Q_OBJECT
public:
    explicit StandardLibraryDialog(DesignRecord& rec, QWidget* parent = nullptr);

    QRadioButton* familyButton(int digit) const { return family_[digit - 1]; }     // 1..6
    QRadioButton* symmetryButton(int digit) const { return symmetry_[digit - 1]; } // 1..2
    QLineEdit* pathEdit() const { return path_; }
    // Stores the choice in the record and closes with 1.
    void accept() override;

private:
    DesignRecord& rec_;
    std::array<QRadioButton*, 6> family_{};
    std::array<QRadioButton*, 2> symmetry_{};
    QLineEdit* path_ = nullptr;
};

class ReferenceValuesDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReferenceValuesDialog(DesignRecord& rec, QWidget* parent = nullptr);

    QPushButton* kindButton(int kind) const { return buttons_[kind - 1]; } // 1..7
    // Applies the kind, runs the library dialog after kind 7, closes with kind.
    void choose(int kind);

private:
    DesignRecord& rec_;
    std::array<QPushButton*, 7> buttons_{};
};

} // namespace tanvex::gui
