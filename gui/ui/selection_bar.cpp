#include "ui/selection_bar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

namespace tanvex::gui {

SelectionBar::SelectionBar(const std::vector<ui::SelectionOption>& options, int preselected,
                           const ui::SelectionRows& rows, int width, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint), options_(options), rows_(rows) {
    setObjectName(QStringLiteral("selection"));
    ui::SelectionLayout l = ui::layoutSelection(options_, width);
    for (const auto& b : l.buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.label.c_str()), this);
        button->setAutoDefault(true);
        button->setProperty("result", b.option ? b.result : (b.result ? b.result : kSizeRequest));
        int r = button->property("result").toInt();
        connect(button, &QPushButton::clicked, this, [this, r] { finish(r); });
        buttons_.push_back(button);
    }
    relayout(width);
    if (QPushButton* focus = buttonFor(preselected))
        focus->setFocus();
    else if (buttons_.size() > 3)
        buttons_[3]->setFocus();
}

void SelectionBar::relayout(int width) {
    ui::SelectionLayout l = ui::layoutSelection(options_, width);
    for (std::size_t i = 0; i < buttons_.size() && i < l.buttons.size(); ++i) {
        const auto& b = l.buttons[i];
        buttons_[i]->setGeometry(b.x + 1, b.y + 3, b.width, b.height);
    }
    setFixedSize(width, l.height);
}

QPushButton* SelectionBar::buttonFor(int result) const {
    for (auto* b : buttons_)
        if (b->property("result").toInt() == result) return b;
    return nullptr;
}

void SelectionBar::finish(int result) {
    result_ = result;
    done(QDialog::Accepted);
}

void SelectionBar::textClicked(int column, int row, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    clickColumn_ = column;
    clickRow_ = row;
    int r = ui::resultForClick(options_, rows_, column, row);
    if (r > 0) {
        finish(r);
        return;
    }
    if (r == 0) QApplication::beep();
    // The click gives the keyboard back to the bar.
    activateWindow();
}

void SelectionBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        finish(ui::kSelectEsc);
        return;
    }
    if (!event->text().isEmpty() &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        char c = event->text().at(0).toLatin1();
        if (int n = ui::optionForKey(options_, c)) {
            finish(n);
            return;
        }
        if (c == '?') {
            finish(ui::kSelectHelp);
            return;
        }
        if (c == 'z' || c == 'Z') {
            finish(kSizeRequest);
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void SelectionBar::reject() {
    finish(ui::kSelectEsc);
}

} // namespace tanvex::gui
