// The "Filename list" dialog and the file-open dialog of the design files.
//
//   tanvex::gui::FilenameListDialog dlg(design, toolkit, parent);
//   dlg.showHelp = [](const std::string& page) { ... };   // "LIST.HLW"
//   if (dlg.exec() == tanvex::gui::FilenameListDialog::kOperation)
//       ... open the Design file operations dialog (the design name is set)
//
//   std::string name;
//   if (tanvex::gui::chooseTanvexFile(parent, tanvex::kOpenDesign, current, name)) ...
#pragma once

#include "design/file_dialogs.h"
#include "ui/toolkit.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tanvex::gui {

class FilenameListDialog : public QDialog {
    Q_OBJECT
public:
    // Results of exec(): closed with e&Xit / Cancel / right button, or with
    // "fx -->&Operation" (the design name was set from the selected field).
    enum Result { kExit = 0, kOperation = 1 };

    FilenameListDialog(Design& design, ui::Toolkit& toolkit, QWidget* parent = nullptr);

    // Help viewer for "&?-Help" (page "LIST.HLW"); nothing happens when unset.
    std::function<void(const std::string&)> showHelp;

    const FilenameList& model() const { return model_; }
    QLineEdit* fieldEdit(int i) const { return edits_[static_cast<std::size_t>(i)]; }
    QPushButton* button(const QString& text) const;

    // The buttons' actions (also reachable for tests).
    void activeToField();
    void toOperation();
    void clearField();
    void startOver();
    void exitAndStore();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    void refresh();
    void selectField(int i);

    Design& design_;
    ui::Toolkit& toolkit_;
    FilenameList model_;
    QLineEdit* active_ = nullptr;
    std::array<QLineEdit*, FilenameList::kFields> edits_{};
    std::array<QRadioButton*, FilenameList::kFields> radios_{};
    QButtonGroup* group_ = nullptr;
    QPushButton* operation_ = nullptr;
};

// The system open-file dialog titled "TANVEX files" for kind 0 (design), 1
// (impedance data) or 2 (curve fit), starting in the working directory with
// preset in the file field. On a choice: the working directory becomes the
// chosen file's folder (names are looked up there), name is the file's name
// without directory and extension, and the result is true.
bool chooseTanvexFile(QWidget* parent, int kind, const std::string& preset, std::string& name);

} // namespace tanvex::gui
