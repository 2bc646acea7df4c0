#include "ui/gen_win_window.h"

#include "ui/text_screen_widget.h"

#include <QVBoxLayout>

namespace tanvex::gui {

GenWinWindow::GenWinWindow(ui::GenWin& genWin, QWidget* owner)
    : QWidget(owner, Qt::Window), genWin_(genWin) {
    setObjectName(QStringLiteral("GenWin"));
    setWindowTitle(QStringLiteral("** TANVEX **"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    view_ = new TextScreenWidget(&genWin_.screen, this);
    view_->setAsciiDrawing(genWin_.asciiDrawing);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    layout->addStretch(1);
    connect(view_, &TextScreenWidget::cellClicked, this, [this](int c, int r, Qt::MouseButton b) {
        if (b != Qt::LeftButton) return;
        genWin_.clickColumn = c;
        genWin_.clickRow = r;
    });
    const auto& rc = genWin_.rect;
    // The default rectangle (never moved or sized) gets the grid's size.
    move(std::max(0, rc[0]), std::max(0, rc[1]));
    if (rc == std::array<int, 4>{5, 5, 640, 480} || rc[2] < 100 || rc[3] < 60)
        resize(view_->sizeHint());
    else
        resize(rc[2], rc[3]);
}

void GenWinWindow::remember() {
    QRect f = frameGeometry();
    genWin_.rect = {f.x(), f.y(), width(), height()};
}

void GenWinWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    remember();
}

void GenWinWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    remember();
}

} // namespace tanvex::gui
