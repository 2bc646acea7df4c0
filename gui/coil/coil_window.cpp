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

CoilView::CoilView(CoilCalculator* calc, ui::TextScreen* screen, QWidget* parent)
    : TextScreenWidget(screen, parent), calc_(calc) {}

void CoilView::paintEvent(QPaintEvent* event) {
    // Every paint works the design out afresh from the inputs.
    calc_->draw(*screen());
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

CoilWindow::CoilWindow(ui::Toolkit* toolkit, bool startOver, QWidget* parent)
    : QMainWindow(parent), toolkit_(toolkit) {
    if (!toolkit_) {
        ownToolkit_ = std::make_unique<CoilToolkit>(this);
        toolkit_ = ownToolkit_.get();
    }
    setObjectName(QStringLiteral("Tovik2"));
    setWindowTitle(QStringLiteral("Air-wound single layer inductor"));
    setWindowIcon(coilIcon());
    // Black behind the cells; the menu bar keeps the system colours.
    view_ = new CoilView(&calc_, &screen_, this);
    QPalette pal = view_->palette();
    pal.setColor(QPalette::Window, Qt::black);
    view_->setPalette(pal);
    view_->setAutoFillBackground(true);
    setCentralWidget(view_);
    buildMenu();
    buildButtons();
    calc_.draw(screen_);

    QSize cell = view_->cellSize();
    view_->setMinimumSize(cell.width() * 80 + view_->leftMargin(), cell.height() * 25);
    move(20, 20);
    resize(sizeHint());
    if (startOver) QTimer::singleShot(0, this, [this] { runCommand(kCoilStartOver); });
}

CoilWindow::~CoilWindow() = default;

void CoilWindow::buildMenu() {
    QMenuBar* bar = menuBar();
    auto add = [this](QWidget* menu, const char* text, int id) {
        auto* a = new QAction(QString::fromLatin1(text), this);
        a->setData(id);
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        menu->addAction(a);
        return a;
    };
    add(bar, "e&Xit", kCoilExit);
    QMenu* pitch = bar->addMenu(QStringLiteral("winding &Pitch"));
    add(pitch, "&Lower pitch limit\tL", kCoilLowerPitch);
    add(pitch, "&Upper pitch limit\tU", kCoilUpperPitch);
    add(pitch, "&Default limit range", kCoilDefaultRange);
    add(pitch, "&Threaded form", kCoilThread);
    add(bar, "form &Dia.", kCoilFormDia);
    add(bar, "wire &Gauge", kCoilWireGauge);
    add(bar, "&Frequency", kCoilFrequency);
    add(bar, "&Start over", kCoilStartOver);
    add(bar, "inductance &Value", kCoilInductance);

    // The accelerator keys: plain letters, in either case.
    const struct {
        Qt::Key key;
        int id;
    } keys[] = {{Qt::Key_X, kCoilExit},       {Qt::Key_L, kCoilLowerPitch},
                {Qt::Key_U, kCoilUpperPitch}, {Qt::Key_D, kCoilFormDia},
                {Qt::Key_G, kCoilWireGauge},  {Qt::Key_F, kCoilFrequency},
                {Qt::Key_S, kCoilStartOver},  {Qt::Key_V, kCoilInductance}};
    for (const auto& k : keys) {
        for (QKeySequence seq : {QKeySequence(k.key), QKeySequence(Qt::SHIFT | k.key)}) {
            auto* sc = new QShortcut(seq, this);
            int id = k.id;
            connect(sc, &QShortcut::activated, this, [this, id] { runCommand(id); });
        }
    }
}

void CoilWindow::buildButtons() {
    for (int i = 0; i < 5; ++i) {
        auto* b = new QPushButton(QString::fromLatin1(kButtons[i].label), view_);
        b->setObjectName(QStringLiteral("button%1").arg(kButtons[i].id));
        b->setFocusPolicy(Qt::NoFocus);
        int id = kButtons[i].id;
        connect(b, &QPushButton::clicked, this, [this, id] { runCommand(id); });
        buttons_[i] = b;
    }
    placeButtons();
}

void CoilWindow::placeButtons() {
    // Six characters wide, two lines high, three pixels below their line.
    QSize cell = view_->cellSize();
    for (int i = 0; i < 5; ++i) {
        QPoint at = view_->cellOrigin(kButtons[i].column, kButtons[i].line);
        buttons_[i]->setGeometry(at.x(), at.y() + 3, cell.width() * 6, cell.height() * 2);
    }
}

QPushButton* CoilWindow::button(int id) const {
    for (int i = 0; i < 5; ++i)
        if (kButtons[i].id == id) return buttons_[i];
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
        close();
        return;
    }
    if (changed) {
        calc_.draw(screen_);
        view_->update();
    }
}

} // namespace tanvex::gui
