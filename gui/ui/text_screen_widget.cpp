#include "ui/text_screen_widget.h"

#include "ui/box_ascii.h"
#include "ui/cp437.h"
#include "ui/palette.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace tanvex::gui {

namespace {

QColor toQColor(const ui::Rgb& c) {
    return QColor(c.r, c.g, c.b);
}

} // namespace

QFont TextScreenWidget::cellFont(int pixelSize) {
    QFont f;
    if (QFontDatabase::families().contains(QStringLiteral("DejaVu Sans Mono")))
        f = QFont(QStringLiteral("DejaVu Sans Mono"));
    else
        f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    f.setPixelSize(pixelSize);
    return f;
}

QSize TextScreenWidget::cellSizeOf(const QFont& font) {
    QFontMetrics fm(font);
    int w = fm.horizontalAdvance(QLatin1Char('M'));
    if (w <= 0) w = fm.averageCharWidth();
    return QSize(std::max(1, w), std::max(1, fm.height() + fm.leading()));
}

TextScreenWidget::TextScreenWidget(ui::TextScreen* screen, QWidget* parent)
    : QWidget(parent), screen_(screen) {
    setCellFont(cellFont());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
}

void TextScreenWidget::setScreen(ui::TextScreen* screen) {
    screen_ = screen;
    updateGeometry();
    update();
}

void TextScreenWidget::setCellFont(const QFont& font) {
    font_ = font;
    cell_ = cellSizeOf(font_);
    ascent_ = QFontMetrics(font_).ascent() + QFontMetrics(font_).leading();
    updateGeometry();
    update();
}

QPoint TextScreenWidget::cellOrigin(int column, int row) const {
    return QPoint(leftMargin() + column * cell_.width(), row * cell_.height());
}

QPoint TextScreenWidget::cellAt(const QPoint& p) const {
    int x = p.x() - leftMargin();
    int col = x >= 0 ? x / cell_.width() : -1 - (-x - 1) / cell_.width();
    int row = p.y() >= 0 ? p.y() / cell_.height() : -1;
    return QPoint(col, row);
}

void TextScreenWidget::setPrinting(bool on) {
    printing_ = on;
    update();
}

void TextScreenWidget::setAsciiDrawing(bool on) {
    ascii_ = on;
    update();
}

QSize TextScreenWidget::sizeHint() const {
    int cols = screen_ ? screen_->columns() : 80;
    int rows = screen_ ? screen_->rows() : 25;
    return QSize(leftMargin() * 2 + cols * cell_.width(), rows * cell_.height());
}

void TextScreenWidget::paintCells(QPainter& p) const {
    p.fillRect(QRect(QPoint(0, 0), size()), toQColor(ui::backgroundColour(0, printing_)));
    if (!screen_) return;
    p.setFont(font_);
    const int cw = cell_.width();
    const int ch = cell_.height();
    for (int row = 0; row < screen_->rows(); ++row) {
        int col = 0;
        while (col < screen_->columns()) {
            const ui::Cell& first = screen_->at(col, row);
            if (first.ch == 0) {
                ++col;
                continue;
            }
            // A run: consecutive non-empty cells of one attribute.
            int end = col + 1;
            while (end < screen_->columns() && screen_->at(end, row).ch != 0 &&
                   screen_->at(end, row).attr == first.attr)
                ++end;
            QPoint o = cellOrigin(col, row);
            p.fillRect(QRect(o.x(), o.y(), (end - col) * cw, ch),
                       toQColor(ui::backgroundColour(first.attr, printing_)));
            p.setPen(toQColor(ui::foregroundColour(first.attr, printing_)));
            // Glyphs go one per cell so that the grid stays exact even when
            // the font's advance is fractional or a glyph comes from a
            // fallback font.
            for (int c = col; c < end; ++c) {
                unsigned char b = screen_->at(c, row).ch;
                if (ascii_) b = ui::boxToAscii(b);
                char32_t u = ui::cp437ToUnicode(b);
                if (u == U' ' || u == 0xA0) continue;
                p.drawText(QPoint(o.x() + (c - col) * cw, o.y() + ascent_),
                           QString::fromUcs4(&u, 1));
            }
            col = end;
        }
    }
}

void TextScreenWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintCells(p);
}

void TextScreenWidget::mousePressEvent(QMouseEvent* event) {
    QPoint c = cellAt(event->position().toPoint());
    emit cellPressed(c.x(), c.y(), event->button());
    QWidget::mousePressEvent(event);
}

void TextScreenWidget::mouseReleaseEvent(QMouseEvent* event) {
    QPoint c = cellAt(event->position().toPoint());
    emit cellClicked(c.x(), c.y(), event->button());
    QWidget::mouseReleaseEvent(event);
}

} // namespace tanvex::gui
