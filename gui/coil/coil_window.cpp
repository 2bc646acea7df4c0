#include "coil/coil_window.h"

#include "coil/coil_prompt_box.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

namespace tanvex::gui {

using namespace tanvex::coil;

CoilView::CoilView(CoilCalculator* calc, ui::TextScreen* screen, CoilScreenKind kind,
                   QWidget* parent)
    : TextScreenWidget(screen, parent), calc_(calc), kind_(kind) {}

void CoilView::paintEvent(QPaintEvent* event) {
    // Every paint works the design out afresh from the inputs.
    calc_->draw(*screen(), kind_);
    TextScreenWidget::paintEvent(event);
}

namespace {

struct ButtonSpec {
    int id;
    const char* label;
    int column;
    int line;
};

constexpr ButtonSpec kButtons[5] = {
    {kCoilWireDown, "Down", 4, 4}, {kCoilWireUp, "Up", 14, 4}, {kCoilFormDown, "Down", 2, 8},
    {kCoilFormAuto, "Auto", 9, 8}, {kCoilFormUp, "Up", 16, 8},
};

// The layout copy's boxes sit one line higher, with a third box for
// leaving the window.
constexpr ButtonSpec kLayoutButtons[7] = {
    {kCoilWireDown, "Down", 4, 3}, {kCoilWireUp, "Up", 14, 3}, {kCoilFormDown, "Down", 2, 7},
    {kCoilFormAuto, "Auto", 9, 7}, {kCoilFormUp, "Up", 16, 7}, {kCoilExit, "eXit", 5, 11},
    {kCoilQuit, "Quit", 13, 11},
};

// The window's icon: a few turns of orange wire on black.
QIcon coilIcon() {
    QPixmap pm(32, 32);
    pm.fill(Qt::black);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 130, 0), 2.5));
    QPainterPath path(QPointF(2, 16));
    for (int i = 0; i < 5; ++i) {
        double x = 4 + i * 5.5;
        path.cubicTo(x, 2, x + 6, 2, x + 5, 16);
        path.cubicTo(x + 4, 30, x + 1, 30, x + 3, 16);
    }
    p.drawPath(path);
    return QIcon(pm);
}

} // namespace

CoilWindow::CoilWindow(ui::Toolkit* toolkit, bool startOver, QWidget* parent, CoilScreenKind kind)
    : QMainWindow(parent), kind_(kind), toolkit_(toolkit) {
    const bool layout = kind_ == CoilScreenKind::Layout;
    screen_.resize(80, layout ? 23 : 25);
    if (!toolkit_) {
        ownToolkit_ = std::make_unique<CoilToolkit>(this);
        toolkit_ = ownToolkit_.get();
    }
    setObjectName(layout ? QStringLiteral("Tovik") : QStringLiteral("Tovik2"));
    setWindowTitle(QStringLiteral("Air-wound single layer inductor"));
    setWindowIcon(coilIcon());
    // Black behind the cells; the menu bar keeps the system colours.
    view_ = new CoilView(&calc_, &screen_, kind_, this);
    QPalette pal = view_->palette();
    pal.setColor(QPalette::Window, Qt::black);
    view_->setPalette(pal);
    view_->setAutoFillBackground(true);
    setCentralWidget(view_);
    buildMenu();
    buildButtons();
    calc_.draw(screen_, kind_);

    QSize cell = view_->cellSize();
    view_->setMinimumSize(cell.width() * 80 + view_->leftMargin(), cell.height() * screen_.rows());
    move(20, 20);
    resize(sizeHint());
    if (startOver && !layout) QTimer::singleShot(0, this, [this] { runCommand(kCoilStartOver); });
}

CoilWindow::~CoilWindow() = default;

CoilWindow* CoilWindow::forBranch(const CoilBranchSetup& setup, QWidget* parent,
                                  ui::Toolkit* toolkit) {
    auto* w = new CoilWindow(toolkit, false, parent, CoilScreenKind::Layout);
    w->setWindowFlag(Qt::Window);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->calc_.startBranch(setup);
    w->calc_.draw(w->screen_, w->kind_);
    w->show();
    return w;
}

CoilResult CoilWindow::result() {
    return calc_.draw(screen_, kind_);
}

void CoilWindow::buildMenu() {
    QMenuBar* bar = menuBar();
    auto add = [this](QWidget* menu, const char* text, int id) {
        auto* a = new QAction(QString::fromLatin1(text), this);
        a->setData(id);
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        menu->addAction(a);
        return a;
    };
    const bool layout = kind_ == CoilScreenKind::Layout;
    if (layout) {
        QMenu* define = bar->addMenu(QStringLiteral("define"));
        add(define, "e&Xit\tX", kCoilExit);
        add(define, "&Quit", kCoilQuit);
    } else {
        add(bar, "e&Xit", kCoilExit);
    }
    QMenu* pitch = bar->addMenu(QStringLiteral("winding &Pitch"));
    add(pitch, "&Lower pitch limit\tL", kCoilLowerPitch);
    add(pitch, "&Upper pitch limit\tU", kCoilUpperPitch);
    add(pitch, "&Default limit range", kCoilDefaultRange);
    add(pitch, "&Threaded form", kCoilThread);
    add(bar, "form &Dia.", kCoilFormDia);
    add(bar, "wire &Gauge", kCoilWireGauge);
    if (!layout) {
        add(bar, "&Frequency", kCoilFrequency);
        add(bar, "&Start over", kCoilStartOver);
        add(bar, "inductance &Value", kCoilInductance);
    }

    // The accelerator keys: plain letters, in either case.
    std::vector<std::pair<Qt::Key, int>> keys = {{Qt::Key_X, kCoilExit},
                                                 {Qt::Key_L, kCoilLowerPitch},
                                                 {Qt::Key_U, kCoilUpperPitch},
                                                 {Qt::Key_D, kCoilFormDia},
                                                 {Qt::Key_G, kCoilWireGauge}};
    if (layout) {
        keys.push_back({Qt::Key_Return, kCoilExit});
        keys.push_back({Qt::Key_Enter, kCoilExit});
    } else {
        keys.push_back({Qt::Key_F, kCoilFrequency});
        keys.push_back({Qt::Key_S, kCoilStartOver});
        keys.push_back({Qt::Key_V, kCoilInductance});
    }
    for (const auto& [key, id] : keys) {
        for (QKeySequence seq : {QKeySequence(key), QKeySequence(Qt::SHIFT | key)}) {
            auto* sc = new QShortcut(seq, this);
            int command = id;
            connect(sc, &QShortcut::activated, this, [this, command] { runCommand(command); });
        }
    }
}

void CoilWindow::buildButtons() {
    const bool layout = kind_ == CoilScreenKind::Layout;
    const ButtonSpec* specs = layout ? kLayoutButtons : kButtons;
    const int count = layout ? 7 : 5;
    QSize cell = view_->cellSize();
    for (int i = 0; i < count; ++i) {
        auto* b = new QPushButton(QString::fromLatin1(specs[i].label), view_);
        b->setObjectName(QStringLiteral("button%1").arg(specs[i].id));
        b->setFocusPolicy(Qt::NoFocus);
        int id = specs[i].id;
        connect(b, &QPushButton::clicked, this, [this, id] { runCommand(id); });
        // Six characters wide, two lines high, three pixels below their line.
        QPoint at = view_->cellOrigin(specs[i].column, specs[i].line);
        b->setGeometry(at.x(), at.y() + 3, cell.width() * 6, cell.height() * 2);
        buttons_.emplace_back(id, b);
    }
}

QPushButton* CoilWindow::button(int id) const {
    for (const auto& [bid, b] : buttons_)
        if (bid == id) return b;
    return nullptr;
}

void CoilWindow::runCommand(int id) {
    if (id == kCoilStartOver) {
        // The figures disappear while the prompts run.
        calc_.paintSuppressed = true;
        view_->update();
    }
    bool changed = calc_.command(id, *toolkit_);
    if (calc_.exitRequested) {
        emit finished(!calc_.quitRequested);
        close();
        return;
    }
    if (changed) {
        calc_.draw(screen_, kind_);
        view_->update();
    }
}

} // namespace tanvex::gui
