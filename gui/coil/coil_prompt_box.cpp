#include "coil/coil_prompt_box.h"

#include "ui/palette.h"
#include "ui/text_screen_widget.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>

namespace tanvex::gui {

CoilPromptBox::CoilPromptBox(const std::array<ui::PromptLine, ui::kPromptLines>& prompt,
                             QWidget* parent)
    : QDialog(parent) {
    for (int i = 0; i < kLines; ++i) {
        lines_[i] = prompt[i];
        if (lines_[i].text.size() > kLineChars) lines_[i].text.resize(kLineChars);
    }
    setWindowTitle(QStringLiteral("Input"));
    font_ = TextScreenWidget::cellFont();
    QSize cell = TextScreenWidget::cellSizeOf(font_);
    lineHeight_ = cell.height();
    const int width = 10 + kLineChars * cell.width() + 10;
    const int editTop = 5 + kLines * lineHeight_ + lineHeight_ / 2;
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("edit101"));
    edit_->setMaxLength(80);
    edit_->setGeometry(10, editTop, width - 100, lineHeight_ * 3 / 2);
    ok_ = new QPushButton(QStringLiteral("Ok"), this);
    ok_->setDefault(true);
    ok_->setGeometry(width - 80, editTop, 70, lineHeight_ * 3 / 2);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(width, editTop + lineHeight_ * 3 / 2 + 10);
    edit_->setFocus();
}

QString CoilPromptBox::text() const {
    return edit_->text().left(80);
}

void CoilPromptBox::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter p(this);
    p.setFont(font_);
    const int ascent = QFontMetrics(font_).ascent();
    for (int i = 0; i < kLines; ++i) {
        if (lines_[i].text.empty()) continue;
        ui::Rgb c = ui::colour(ui::foregroundIndex(lines_[i].attribute));
        p.setPen(QColor(c.r, c.g, c.b));
        p.drawText(QPoint(10, 5 + i * lineHeight_ + ascent),
                   QString::fromLatin1(lines_[i].text.c_str()));
    }
}

void CoilToolkit::inputBox() {
    defaultAnswer.clear();
    CoilPromptBox box(prompt, mainWindow());
    box.move(boxPosition());
    if (onBoxShown) QTimer::singleShot(0, &box, [this, &box] { onBoxShown(&box); });
    box.exec();
    textResult = box.text().toLatin1().toStdString();
    // Decimal number at the start of the text; none reads as 0.
    const char* s = textResult.c_str();
    char* end = nullptr;
    double v = std::strtod(s, &end);
    numberResult = end == s ? 0.0 : v;
    clearPrompt();
}

} // namespace tanvex::gui
