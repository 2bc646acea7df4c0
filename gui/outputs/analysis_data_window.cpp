#include "outputs/analysis_data_window.h"

#include "ui/palette.h"
#include "ui/text_screen_widget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>

namespace tanvex::gui {

namespace {

QColor paletteColour(int index) {
    const ui::Rgb c = ui::colour(index);
    return QColor(c.r, c.g, c.b);
}

} // namespace

AnalysisDataWindow::AnalysisDataWindow(const analysis::ResultsTable& results,
                                       std::function<outputs::AnalysisTable()> table,
                                       QWidget* owner)
    : QWidget(owner, Qt::Window), results_(results), tableOf_(std::move(table)), table_(tableOf_()),
      view_(table_.count()) {
    setWindowTitle(QStringLiteral("Analysis data"));
    setObjectName(QStringLiteral("tab_nwa"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    count_ = results.records[0][analysis::kHeaderPoints];
    step_ = results.records[0][analysis::kHeaderStep];
    font_ = TextScreenWidget::cellFont(14);
    cell_ = TextScreenWidget::cellSizeOf(font_);
    // Columns at the font's real advance, so that a text drawn after
    // another lands where the characters before it end.
    cell_.setWidth(QFontMetrics(font_).horizontalAdvance(QLatin1Char('0')));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    bar_ = new QScrollBar(Qt::Vertical, this);
    // The window's black would hide the bar.
    QPalette barPalette = QApplication::palette();
    barPalette.setColor(QPalette::Window, QColor(200, 200, 200));
    barPalette.setColor(QPalette::Button, QColor(170, 170, 170));
    bar_->setPalette(barPalette);
    bar_->setAutoFillBackground(true);
    bar_->setFocusPolicy(Qt::NoFocus);
    connect(bar_, &QScrollBar::valueChanged, this, [this](int v) {
        if (syncing_) return;
        if (view_.setTop(v)) update();
    });
    // 82 columns (the table is 80 wide, starting one cell in) and a page of
    // twenty points.
    resize(82 * cell_.width() + barWidth(), (20 + 6) * cell_.height());
}

int AnalysisDataWindow::barWidth() const {
    return std::max(12, style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar_));
}

bool AnalysisDataWindow::stale() const {
    const analysis::ResultRecord& h = results_.records[0];
    return h[analysis::kHeaderPoints] != count_ || h[analysis::kHeaderStep] != step_;
}

void AnalysisDataWindow::syncBar() {
    syncing_ = true;
    bar_->setRange(1, view_.maxTop());
    bar_->setPageStep(view_.rowsPerPage());
    bar_->setSingleStep(1);
    bar_->setValue(view_.top());
    syncing_ = false;
}

void AnalysisDataWindow::reportRect() {
    if (rectChanged && !isMinimized()) rectChanged(x(), y(), width(), height());
}

void AnalysisDataWindow::resizeEvent(QResizeEvent*) {
    const int w = barWidth();
    bar_->setGeometry(width() - w, 0, w, height());
    view_.setClientRows(height() / std::max(1, cell_.height()));
    syncBar();
    reportRect();
}

void AnalysisDataWindow::moveEvent(QMoveEvent*) {
    reportRect();
}

void AnalysisDataWindow::scroll(outputs::AnalysisDataView::Move move) {
    if (view_.scroll(move)) {
        syncBar();
        update();
    }
}

void AnalysisDataWindow::keyPressEvent(QKeyEvent* event) {
    using V = outputs::AnalysisDataView;
    switch (event->key()) {
    case Qt::Key_PageUp:
        scroll(V::kPageUp);
        break;
    case Qt::Key_PageDown:
        scroll(V::kPageDown);
        break;
    case Qt::Key_Home:
        scroll(V::kTop);
        break;
    case Qt::Key_End:
        scroll(V::kBottom);
        break;
    case Qt::Key_Up:
        scroll(V::kLineUp);
        break;
    case Qt::Key_Down:
        scroll(V::kLineDown);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
}

void AnalysisDataWindow::wheelEvent(QWheelEvent* event) {
    const int dy = event->angleDelta().y();
    if (dy == 0) return;
    // Turned away from the user: line up.
    scroll(dy > 0 ? outputs::AnalysisDataView::kLineUp : outputs::AnalysisDataView::kLineDown);
}

void AnalysisDataWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) close();
}

void AnalysisDataWindow::paintEvent(QPaintEvent*) {
    if (stale()) {
        // A new sweep: these lines belong to another table.
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    QPainter p(this);
    p.setFont(font_);
    const QFontMetrics fm(font_);
    const int cw = cell_.width(), ch = cell_.height();
    auto text = [&](int column, int row, const std::string& s, int colour) {
        p.setPen(paletteColour(colour));
        // Character by character on the cell grid, whatever the font's
        // advance of a blank.
        for (std::size_t i = 0; i < s.size(); ++i)
            if (s[i] != ' ')
                p.drawText(cw * (1 + column + static_cast<int>(i)), row * ch + fm.ascent(),
                           QString(QLatin1Char(s[i])));
    };
    const std::string q = table_.qLine();
    text(0, 1, q, 7);
    if (table_.fastDelay)
        text(static_cast<int>(q.size()), 1, outputs::AnalysisTable::kFastDelayMark, 4);
    text(0, 2, table_.header(), 7);
    text(0, 3, table_.unitRow(), 7);
    for (int k = view_.top(); k <= view_.last(); ++k)
        text(0, view_.rowOf(k), table_.pointLine(k), 7);
}

} // namespace tanvex::gui
