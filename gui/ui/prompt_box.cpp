#include "ui/prompt_box.h"

#include "ui/cp437.h"
#include "ui/palette.h"
#include "ui/text_screen_widget.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace tanvex::gui {

namespace {

QColor toQColor(const ui::Rgb& c) {
    return QColor(c.r, c.g, c.b);
}

} // namespace

PromptBox::PromptBox(const std::array<ui::PromptLine, ui::kPromptLines>& prompt,
                     const std::string& defaultText, const std::string& keys, QWidget* parent)
    : QDialog(parent), prompt_(prompt), keys_(keys) {
    setObjectName(QStringLiteral("input"));
    setWindowTitle(keys.empty() ? QStringLiteral("Input") : QStringLiteral("Single key"));
    font_ = TextScreenWidget::cellFont();
    cell_ = TextScreenWidget::cellSizeOf(font_);
    const int cw = cell_.width();
    const int ch = cell_.height();

    int last = -1;
    std::size_t longest = 0;
    for (int i = 0; i < ui::kPromptLines; ++i) {
        if (prompt_[i].text.empty()) continue;
        last = i;
        longest = std::max(longest, prompt_[i].text.size());
    }
    // The prompt lines start half a cell down; the controls sit one and a
    // half cells under the last line.
    const int controlsY = (last + 2) * ch;
    const int controlsH = static_cast<int>(std::lround(1.5 * ch));
    int width = std::max(400, static_cast<int>(longest + 1) * cw);
    const int height = controlsY + static_cast<int>(std::lround(3.5 * ch));

    if (keys_.empty()) {
        edit_ = new QLineEdit(this);
        edit_->setObjectName(QStringLiteral("answer"));
        edit_->setMaxLength(80);
        edit_->setFont(font_);
        edit_->setText(QString::fromLatin1(defaultText.c_str()));
        edit_->selectAll();
        edit_->setGeometry(10, controlsY, 320, controlsH);
        auto* ok = new QPushButton(QStringLiteral("OK"), this);
        ok->setObjectName(QStringLiteral("ok"));
        ok->setDefault(true);
        ok->setGeometry(340, controlsY, 50, controlsH);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        edit_->setFocus();
    } else {
        auto* frame = new QFrame(this);
        frame->setObjectName(QStringLiteral("keys"));
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        auto* row = new QHBoxLayout(frame);
        row->setContentsMargins(3, 2, 3, 2);
        row->setSpacing(2);
        QPushButton* first = nullptr;
        for (char k : keys_) {
            // "&%c": the character is the button's mnemonic.
            QString label = QStringLiteral("&") + QChar::fromLatin1(k);
            if (k == '&') label = QStringLiteral("&&");
            auto* b = new QPushButton(label, frame);
            b->setFixedSize(25, controlsH);
            b->setAutoDefault(false);
            connect(b, &QPushButton::clicked, this, [this, k] {
                key_ = k;
                accept();
            });
            if (!first) first = b;
            row->addWidget(b);
        }
        if (first) {
            first->setDefault(true);
            first->setFocus();
        }
        int frameW = static_cast<int>(keys_.size()) * 27 + 6;
        width = std::max(width, frameW + 20);
        frame->setGeometry((width - frameW) / 2, controlsY - 2, frameW, controlsH + 4);
    }
    setFixedSize(width, height);
}

QString PromptBox::text() const {
    return edit_ ? edit_->text() : QString();
}

void PromptBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // The prompt lines are text-screen colours: they sit on a black panel.
    int last = -1;
    for (int i = 0; i < ui::kPromptLines; ++i)
        if (!prompt_[i].text.empty()) last = i;
    const int cw = cell_.width();
    const int ch = cell_.height();
    if (last < 0) return;
    p.fillRect(QRect(0, 0, width(), (last + 1) * ch + ch * 3 / 4), Qt::black);
    p.setFont(font_);
    const int ascent = QFontMetrics(font_).ascent();
    for (int i = 0; i <= last; ++i) {
        const auto& line = prompt_[i];
        if (line.text.empty()) continue;
        int y = ch / 2 + i * ch;
        int bg = ui::backgroundIndex(line.attribute);
        if (bg != 0)
            p.fillRect(QRect(cw / 2, y, static_cast<int>(line.text.size()) * cw, ch),
                       toQColor(ui::colour(bg)));
        p.setPen(toQColor(ui::colour(ui::foregroundIndex(line.attribute))));
        p.drawText(QPoint(cw / 2, y + ascent),
                   QString::fromUtf8(ui::cp437ToUtf8(line.text).c_str()));
    }
}

void PromptBox::keyPressEvent(QKeyEvent* event) {
    if (!keys_.empty() && !event->text().isEmpty() &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QChar typed = event->text().at(0);
        for (char k : keys_) {
            if (k != ' ' && QChar::fromLatin1(k).toUpper() == typed.toUpper()) {
                key_ = k;
                accept();
                return;
            }
        }
    }
    QDialog::keyPressEvent(event);
}

void PromptBox::reject() {
    // In the input box Esc (and closing the box) accepts like OK; in the
    // single-key box it leaves key() at 27.
    if (edit_) {
        escaped_ = true;
        accept();
    } else {
        QDialog::reject();
    }
}

} // namespace tanvex::gui
