// The input box and the single-key box: one modal dialog that shows the
// toolkit's coloured prompt lines, then either an edit field with an "OK"
// button or a framed row of single-key buttons. Built and run by QtToolkit;
// tests reach it through QtToolkit::onBoxShown.
#pragma once

#include "ui/toolkit.h"

#include <QDialog>
#include <QFont>
#include <array>
#include <string>

class QLineEdit;

namespace tanvex::gui {

class PromptBox : public QDialog {
    Q_OBJECT
public:
    // keys empty: input box with defaultText in the edit field; otherwise
    // the single-key box with one button per character of keys.
    PromptBox(const std::array<ui::PromptLine, ui::kPromptLines>& prompt,
              const std::string& defaultText, const std::string& keys, QWidget* parent);

    QString text() const;
    // The key pressed, or 27 when the box was closed with Esc.
    char key() const { return key_; }
    // True when the input box was left with Esc (or closed).
    bool escaped() const { return escaped_; }
    QSize cell() const { return cell_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    std::array<ui::PromptLine, ui::kPromptLines> prompt_;
    std::string keys_;
    QFont font_;
    QSize cell_;
    QLineEdit* edit_ = nullptr;
    char key_ = 27;
    bool escaped_ = false;
};

} // namespace tanvex::gui
