#include "ui/help_window.h"

#include "ui/text_screen_widget.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>

namespace tanvex::gui {

namespace {

// The page: text rows from row 3, column 1, inside a yellow frame.
class HelpPageView : public TextScreenWidget {
public:
    using TextScreenWidget::TextScreenWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        paintCells(p);
        p.setPen(QColor(255, 255, 0)); // colour 14
        p.setBrush(Qt::NoBrush);
        p.drawRect(2, 30, 82 * cellSize().width(), 28 * cellSize().height());
    }
};

} // namespace

HelpWindow::HelpWindow(ui::HelpViewer& viewer, QWidget* owner)
    : QWidget(owner, Qt::Window), viewer_(viewer) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("TANVEX Help"));
    setFocusPolicy(Qt::StrongFocus);
    view_ = new HelpPageView(&screen_, this);
    connect(view_, &TextScreenWidget::cellPressed, this, [this](int, int, Qt::MouseButton b) {
        if (b == Qt::RightButton) command(kExit);
    });
    const char* labels[4] = {"Top <Home>", "Previous <Page Up>", "Next <Page Down>", "<eXit>"};
    for (int i = 0; i < 4; ++i) {
        buttons_[i] = new QPushButton(QString::fromLatin1(labels[i]), this);
        buttons_[i]->setFocusPolicy(Qt::NoFocus);
        int id = kTop + i;
        connect(buttons_[i], &QPushButton::clicked, this, [this, id] { command(id); });
    }
    QSize cell = view_->cellSize();
    QSize want(2 + 82 * cell.width() + 6, 30 + 28 * cell.height() + 6);
    const auto& rc = viewer_.rect;
    move(std::max(0, rc[0]), std::max(0, rc[1]));
    if (rc == std::array<int, 4>{5, 5, 640, 480} || rc[2] < 200 || rc[3] < 100)
        resize(want);
    else
        resize(rc[2], rc[3]);
    refresh();
}

HelpWindow::~HelpWindow() = default;

QPushButton* HelpWindow::button(int id) const {
    return id >= kTop && id <= kExit ? buttons_[id - kTop] : nullptr;
}

void HelpWindow::setAsciiDrawing(bool on) {
    view_->setAsciiDrawing(on);
}

void HelpWindow::command(int id) {
    switch (id) {
    case kTop:
        viewer_.top();
        break;
    case kPrevious:
        viewer_.previous();
        break;
    case kNext:
        viewer_.next();
        break;
    case kExit:
        viewer_.close();
        break;
    default:
        break;
    }
}

void HelpWindow::refresh() {
    screen_.clear();
    int row = 3;
    for (const auto& line : viewer_.lines()) {
        int col = 1;
        for (const auto& piece : line) {
            screen_.text(col, row, piece.text, piece.attribute);
            col += static_cast<int>(piece.text.size());
        }
        ++row;
    }
    ++screen_.revision;
    view_->update();
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    // The "help" accelerators.
    switch (event->key()) {
    case Qt::Key_Home:
        command(kTop);
        return;
    case Qt::Key_Up:
    case Qt::Key_PageUp:
        command(kPrevious);
        return;
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        command(kNext);
        return;
    case Qt::Key_X:
    case Qt::Key_QuoteLeft:
    case Qt::Key_Escape:
        command(kExit);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void HelpWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    view_->setGeometry(rect());
    int w = width() / 4;
    for (int i = 0; i < 4; ++i) buttons_[i]->setGeometry(i * w + 1, 0, w - 2, 25);
    viewer_.rect = {frameGeometry().x(), frameGeometry().y(), width(), height()};
}

void HelpWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    viewer_.rect = {frameGeometry().x(), frameGeometry().y(), width(), height()};
}

void HelpWindow::closeEvent(QCloseEvent* event) {
    // Closing the window closes the topic; the viewer's close hook then
    // disposes of this window.
    event->ignore();
    viewer_.close();
}

} // namespace tanvex::gui
