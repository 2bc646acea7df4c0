// The small dialogs of the main window: "Parameter notation" and "Design
// file operations".
#pragma once

#include <QDialog>

class QButtonGroup;

namespace tanvex::gui {

// Radio buttons &Audio .. &Normalized (identifiers 141-146, notation =
// identifier - 140) and the mechanical units In./Mil/Cm/mm (147-150, unit
// code = identifier - 139). The right mouse button closes it like Cancel.
class NotationDialog : public QDialog {
    Q_OBJECT
public:
    NotationDialog(int electrical, int mechanical, QWidget* parent = nullptr);
    int electrical() const; // 1..6
    int mechanical() const; // 8..11
    // Checks the radio button of a control identifier (141-150).
    void check(int id);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QButtonGroup* notation_;
    QButtonGroup* units_;
};

// Six buttons; any of them ends the dialog with its identifier (101 save,
// 102 recall, 103 join in series, 104 join as side port, 105 help,
// 106 abort). The focus starts on Recall.
class FileOperationsDialog : public QDialog {
    Q_OBJECT
public:
    explicit FileOperationsDialog(QWidget* parent = nullptr);
    // Presses the button of an identifier (for tests and shortcuts).
    void press(int id);
};

} // namespace tanvex::gui
