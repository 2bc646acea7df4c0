#include "schematic/schematic_editor_window.h"

#include "design/design_record.h"
#include "ui/qt_toolkit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace tanvex::gui {

namespace {

// Where the window was when it was last closed (invalid before that).
QRect& lastGeometry() {
    static QRect r;
    return r;
}

struct Item {
    const char* text;
    int id; // 0 opens the submenu of the items that follow, -1 ends it
};

const char* const kButtonLabels[6] = {"MAIN:", "MIS1:", "MIS2:", "MIS3:", "SCALE:", "NORT:"};

} // namespace

SchematicView::SchematicView(SchematicEditorWindow* window, ui::TextScreen* screen, QWidget* parent)
    : TextScreenWidget(screen, parent), window_(window) {
    setFocusPolicy(Qt::StrongFocus);
}

void SchematicView::paintEvent(QPaintEvent* event) {
    if (!showingOther) window_->editor().paint(window_->screen());
    TextScreenWidget::paintEvent(event);
    window_->syncScrollBar();
}

void SchematicView::resizeEvent(QResizeEvent* event) {
    TextScreenWidget::resizeEvent(event);
    int cols = std::max(40, (width() - leftMargin()) / std::max(1, cellSize().width()));
    int rows = std::max(schematic::kMessageRows + 4, height() / std::max(1, cellSize().height()));
    if (cols != window_->screen().columns() || rows != window_->screen().rows())
        window_->screen().resize(cols, rows);
}

void SchematicView::wheelEvent(QWheelEvent* event) {
    int turn = event->angleDelta().y();
    if (turn != 0) {
        window_->editor().scrollLines(turn < 0 ? 1 : -1);
        update();
    }
    event->accept();
}

SchematicEditorWindow::SchematicEditorWindow(Design& design, ui::Toolkit* toolkit, QWidget* parent)
    : QMainWindow(parent), design_(design) {
    setWindowTitle(QStringLiteral("Schematic Editor"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    if (!toolkit) {
        ownToolkit_ = std::make_unique<QtToolkit>(this);
        toolkit = ownToolkit_.get();
    }
    toolkit_ = toolkit;
    editor_ = std::make_unique<schematic::Editor>(design_, *toolkit_);
    editor_->showScreen = [this](const ui::TextScreen& s) { showSelectorScreen(s); };

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(4);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(2);
    for (int k = 0; k < 6; ++k) {
        buttons_[k] = new QPushButton(QString::fromLatin1(kButtonLabels[k]), central);
        buttons_[k]->setObjectName(QStringLiteral("button%1").arg(100 + k));
        buttons_[k]->setFocusPolicy(Qt::NoFocus);
        connect(buttons_[k], &QPushButton::clicked, this, [this, k] { runCommand(100 + k); });
        buttonRow->addWidget(buttons_[k], 1);
    }
    column->addLayout(buttonRow);
    auto* body = new QHBoxLayout;
    body->setSpacing(0);
    view_ = new SchematicView(this, &screen_, central);
    scroll_ = new QScrollBar(Qt::Vertical, central);
    scroll_->setRange(1, 100);
    scroll_->setPageStep(10);
    connect(scroll_, &QScrollBar::actionTriggered, this, &SchematicEditorWindow::scrolled);
    body->addWidget(view_, 1);
    body->addWidget(scroll_);
    column->addLayout(body, 1);
    setCentralWidget(central);
    connect(view_, &TextScreenWidget::cellPressed, this, &SchematicEditorWindow::cellPressed);
    connect(view_, &TextScreenWidget::cellClicked, this, &SchematicEditorWindow::cellReleased);

    buildMenus();
    showMenu(0);
    placeButtons();
    if (lastGeometry().isValid())
        setGeometry(lastGeometry());
    else
        resize(820, 620);
    editor_->open();
    view_->setFocus();
}

SchematicEditorWindow::~SchematicEditorWindow() {
    if (!closed_) editor_->closed();
}

void SchematicEditorWindow::buildMenus() {
    static const std::vector<Item> kMenus[6] = {
        {{"MAIN:", 101},
         {"E&XIT", 216},
         {"&Reverse", 235},
         {"&Spread", 241},
         {"&Oops!", 229},
         {"&?", 200}},
        {{"&Save", 0},         {"Register _", 239},
         {"Register 1", 111},  {"Register 2", 112},
         {"Register 3", 113},  {"Register 4", 114},
         {"Register 5", 115},  {"Register 6", 116},
         {"Register 7", 117},  {"Register 8", 118},
         {"Register 9", 119},  {"", -1},
         {"&Recall", 0},       {"Register _", 234},
         {"Register 1", 121},  {"Register 2", 122},
         {"Register 3", 123},  {"Register 4", 124},
         {"Register 5", 125},  {"Register 6", 126},
         {"Register 7", 127},  {"Register 8", 128},
         {"Register 9", 129},  {"", -1},
         {"&Change", 210},     {"&Delete", 213},
         {"&Insert", 221},     {"Co&Mbine", 211},
         {"&Triplet", 252},    {"&Q exception", 254},
         {"&L-Cd", 0},         {"&Insert", 255},
         {"&Compensate", 256}, {"", -1},
         {"&?", 201}},
        {{"&Equal value", 215},
         {"&J-k inverter", 223},
         {"&Pi-T", 232},
         {"&Interchange", 220},
         {"&Copy", 240},
         {"&Move", 225},
         {"&Rotate", 253},
         {"&?", 202}},
        {{"&Kuroda", 224},
         {"&Insert", 221},
         {"&Move", 225},
         {"I&Terate", 222},
         {"-&Value", 228},
         {"com&Bine", 211},
         {"&Stub", 238},
         {"&Prog stuber", 231},
         {"&Dipole", 214},
         {"&?", 203}},
        {{"&Dual", 248},
         {"&Freq", 250},
         {"&Norm", 242},
         {"&Invert", 247},
         {"&Un-Norm.", 243},
         {"&Bandpass", 249},
         {"&Src-Zo", 245},
         {"&Term-Zo", 244},
         {"&Ratio-Zo", 246},
         {"&?", 204}},
        {{"&Split", 237},
         {"com&Bine", 211},
         {"&Interchange", 220},
         {"&Move", 225},
         {"&Pi-T", 232},
         {"&Ratio", 233},
         {"&Xform", 227},
         {"&Force", 217},
         {"I&Terate", 222},
         {"&Dipole", 214},
         {"&Cp", 212},
         {"&?", 205}},
    };
    for (int m = 0; m < 6; ++m) {
        menus_[m] = new QMenu(QString::fromLatin1(kButtonLabels[m]), this);
        QMenu* into = menus_[m];
        for (const Item& item : kMenus[m]) {
            if (item.id == 0) {
                into = menus_[m]->addMenu(QString::fromLatin1(item.text));
                continue;
            }
            if (item.id < 0) {
                into = menus_[m];
                continue;
            }
            QAction* a = into->addAction(QString::fromLatin1(item.text));
            a->setData(item.id);
            if (item.id == 101) {
                a->setEnabled(false); // the menu's name
                continue;
            }
            int id = item.id;
            connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        }
    }
    popup_ = new QMenu(this);
    const Item kPopup[] = {
        {"&Oops! (Undo)", 229}, {"&Spread", 241}, {"&Previous menu", 219}, {"E&XIT", 216}};
    for (const Item& item : kPopup) {
        QAction* a = popup_->addAction(QString::fromLatin1(item.text));
        a->setData(item.id);
        int id = item.id;
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    }
}

void SchematicEditorWindow::showMenu(int index) {
    if (index < 0 || index > 5) return;
    if (index != current_) previous_ = current_;
    current_ = index;
    menuBar()->clear();
    for (QAction* a : menus_[index]->actions()) menuBar()->addAction(a);
}

void SchematicEditorWindow::placeButtons() {
    int h = view_->cellSize().height() * 5 / 3;
    for (QPushButton* b : buttons_) b->setFixedHeight(h);
}

void SchematicEditorWindow::runCommand(int id) {
    if (id >= 100 && id <= 105) {
        showMenu(id - 100);
        return;
    }
    if (id == schematic::kCmdPreviousMenu) {
        showMenu(previous_);
        return;
    }
    schematic::Editor::Result r = editor_->run(id);
    if (borrowedGenWin_) {
        if (auto* qt = dynamic_cast<QtToolkit*>(toolkit_))
            qt->setGenWin(savedGenWin_, savedGenView_);
        borrowedGenWin_ = false;
    }
    view_->showingOther = false;
    view_->setScreen(&screen_);
    if (r == schematic::Editor::Result::Close) {
        closing_ = true;
        close();
        return;
    }
    view_->setFocus();
    view_->update();
}

void SchematicEditorWindow::showSelectorScreen(const ui::TextScreen& s) {
    selectorScreen_ = s;
    view_->showingOther = true;
    view_->setScreen(&selectorScreen_);
    // The selector's pages are taller than the schematic usually is: the
    // window grows (within the screen) until every row of them shows.
    const int need = s.rows() * view_->cellSize().height() - view_->height();
    if (need > 0) {
        int room = need;
        if (const QScreen* sc = QWidget::screen())
            room = sc->availableGeometry().bottom() - frameGeometry().bottom();
        resize(width(), height() + std::clamp(room, 0, need));
    }
    // The selection bar opens under the window that shows the pages.
    auto* qt = dynamic_cast<QtToolkit*>(toolkit_);
    if (qt && !borrowedGenWin_) {
        savedGenWin_ = qt->genWinWindow();
        savedGenView_ = qt->genWinView();
        qt->setGenWin(this, view_);
        borrowedGenWin_ = true;
    }
    view_->repaint();
}

void SchematicEditorWindow::cellPressed(int column, int row, Qt::MouseButton button) {
    if (button != Qt::LeftButton || view_->showingOther) return;
    if (editor_->click(row, column)) view_->update();
}

void SchematicEditorWindow::cellReleased(int, int, Qt::MouseButton button) {
    if (button != Qt::RightButton || view_->showingOther) return;
    if (editor_->unchanged()) {
        close();
        return;
    }
    popup_->popup(QCursor::pos());
}

void SchematicEditorWindow::scrolled(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        editor_->scrollLines(1);
        break;
    case QAbstractSlider::SliderSingleStepSub:
        editor_->scrollLines(-1);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        editor_->scrollLines(10);
        break;
    case QAbstractSlider::SliderPageStepSub:
        editor_->scrollLines(-10);
        break;
    case QAbstractSlider::SliderToMinimum:
        editor_->scrollTop();
        break;
    case QAbstractSlider::SliderToMaximum:
        editor_->scrollBottom();
        break;
    case QAbstractSlider::SliderMove:
        editor_->scrollThumb(scroll_->sliderPosition());
        break;
    default:
        return;
    }
    view_->update();
}

void SchematicEditorWindow::syncScrollBar() {
    QSignalBlocker block(scroll_);
    scroll_->setValue(std::clamp(editor_->scrollPosition(), 1, 100));
}

void SchematicEditorWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Home:
        editor_->scrollTop();
        break;
    case Qt::Key_End:
        editor_->scrollBottom();
        break;
    case Qt::Key_PageUp:
        editor_->scrollLines(-10);
        break;
    case Qt::Key_PageDown:
        editor_->scrollLines(10);
        break;
    case Qt::Key_Up:
        editor_->scrollLines(-1);
        break;
    case Qt::Key_Down:
        editor_->scrollLines(1);
        break;
    case Qt::Key_Escape:
    case Qt::Key_QuoteLeft:
        if (editor_->unchanged()) close();
        return;
    default:
        QMainWindow::keyPressEvent(event);
        return;
    }
    view_->update();
}

void SchematicEditorWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    placeButtons();
}

void SchematicEditorWindow::closeEvent(QCloseEvent* event) {
    if (!closing_ && !editor_->requestClose()) {
        event->ignore();
        return;
    }
    closing_ = false;
    lastGeometry() = geometry();
    if (!closed_) editor_->closed();
    closed_ = true;
    event->accept();
}

} // namespace tanvex::gui
