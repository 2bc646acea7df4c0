// The coil calculator's input box: up to four coloured prompt lines of 64
// characters drawn straight onto the dialog, an edit field and an "Ok"
// button. CoilToolkit puts it behind Toolkit::inputBox for the calculator's
// window; every other box comes from QtToolkit.
#pragma once

#include "ui/qt_toolkit.h"
#include "ui/toolkit.h"

#include <QDialog>
#include <QFont>
#include <array>

class QLineEdit;
class QPushButton;

namespace tanvex::gui {

class CoilPromptBox : public QDialog {
    Q_OBJECT
public:
    static constexpr int kLines = 4;
    static constexpr int kLineChars = 64;
    static constexpr int kEditId = 101;

    CoilPromptBox(const std::array<ui::PromptLine, ui::kPromptLines>& prompt, QWidget* parent);

    QLineEdit* edit() const { return edit_; }
    QPushButton* okButton() const { return ok_; }
    // The edit field's text, at most 80 characters.
    QString text() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Cancel (Esc, the close box) reads the field like "Ok".
    void reject() override { accept(); }

private:
    std::array<ui::PromptLine, kLines> lines_{};
    QFont font_;
    int lineHeight_ = 16;
    QLineEdit* edit_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// QtToolkit with the calculator's own input box.
class CoilToolkit : public QtToolkit {
public:
    using QtToolkit::QtToolkit;
    void inputBox() override;
};

} // namespace tanvex::gui
