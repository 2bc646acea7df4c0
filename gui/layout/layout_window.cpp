// First: the schematic renderer has a member named emit, which Qt's
// keyword macro would otherwise rewrite.
#include "layout/layout_screen.h"

#include "layout/layout_window.h"

#include "coil/coil_window.h"
#include "design/paths.h"
#include "layout/defaults_dialog.h"
#include "ui/qt_toolkit.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>

namespace tanvex::gui {

using namespace tanvex::layout;

namespace {

// The window's icon: a chip and a coil on black.
QIcon layoutIcon() {
    QPixmap pm(32, 32);
    pm.fill(Qt::black);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(3, 4, 12, 12), QColor(0xc0, 0xc0, 0xc0));
    p.setPen(QPen(QColor(0xff, 0xa5, 0x00), 2));
    for (int k = 0; k < 4; ++k) p.drawEllipse(QRectF(16 + k * 3.5, 15, 5, 13));
    return QIcon(pm);
}

} // namespace

void LayoutView::paintEvent(QPaintEvent* event) {
    TextScreenWidget::paintEvent(event);
    if (!options || options->capWidth <= 0.0) return;
    // The capacitor and the chip under it, to scale, below the options.
    QPainter p(this);
    QPoint origin = cellOrigin(kOptionsColumn + 2, optionsBottom + 2);
    const double px = options->scale / 1000.0; // pixels per mil
    QRectF cap(origin.x(), origin.y(), options->capWidth * px, options->capLength * px);
    p.setPen(QPen(QColor(0x00, 0xc0, 0x00), 1));
    p.drawRect(cap);
    if (options->onChip) {
        QRectF chip(cap.right() + 12, origin.y(), options->chipWidth * px,
                    options->chipLength * px);
        p.setPen(QPen(QColor(0xc0, 0x00, 0x00), 1));
        p.drawRect(chip);
    }
}

LayoutWindow::LayoutWindow(ui::Toolkit* toolkit, QWidget* parent)
    : QMainWindow(parent), painterOwned_(std::make_unique<LayoutScreen>()),
      painter_(*painterOwned_) {
    if (!toolkit) {
        ownToolkit_ = std::make_unique<QtToolkit>(this);
        toolkit = ownToolkit_.get();
    }
    tk_ = toolkit;
    setObjectName(QStringLiteral("kdx2"));
    setWindowTitle(QStringLiteral("KORVADEX  %1").arg(QLatin1String(kVersion)));
    setWindowIcon(layoutIcon());
    auto* central = new QWidget(this);
    central->setAutoFillBackground(true);
    QPalette pal = central->palette();
    pal.setColor(QPalette::Window, Qt::black);
    central->setPalette(pal);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    view_ = new LayoutView(&screen_, central);
    view_->setCellFont(TextScreenWidget::cellFont(14));
    row->addWidget(view_, 1);
    scroll_ = new QScrollBar(Qt::Vertical, central);
    row->addWidget(scroll_);
    setCentralWidget(central);
    connect(view_, &TextScreenWidget::cellClicked, this, &LayoutWindow::cellClicked);
    view_->resized = [this] { fitScreen(); };
    connect(scroll_, &QScrollBar::valueChanged, this, [this](int v) {
        if (v == painter_.top) return;
        painter_.top = v;
        painter_.draw(screen_, k_, options_ ? &*options_ : nullptr);
        view_->update();
    });
    buildMenu();
    resize(730, 480);
    setFocusPolicy(Qt::StrongFocus);
    refresh();
}

LayoutWindow::~LayoutWindow() = default;

CoilWindow* LayoutWindow::coilWindow() const {
    return qobject_cast<CoilWindow*>(coil_);
}

QAction* LayoutWindow::action(int id) const {
    for (const auto& [i, a] : actions_)
        if (i == id) return a;
    return nullptr;
}

void LayoutWindow::buildMenu() {
    QMenuBar* bar = menuBar();
    auto add = [this](auto* menu, const char* text, int id, const QKeySequence& key = {}) {
        auto* a = new QAction(QString::fromLatin1(text), this);
        if (!key.isEmpty()) {
            a->setShortcut(key);
            a->setShortcutContext(Qt::WindowShortcut);
        }
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        menu->addAction(a);
        actions_.push_back({id, a});
        return a;
    };
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    add(file, "&Open", kCmdOpen);
    add(file, "&Save", kCmdSave);
    add(file, "Save &As", kCmdSaveAs);
    add(file, "&Drawing script", kCmdScript);
    add(file, "&Parts list", kCmdPartsList);
    add(file, "e&Xit", kCmdExit);
    add(bar, "&Defaults", kCmdDefaults, QKeySequence(Qt::Key_D));
    add(bar, "&Material opt.", kCmdMaterialOptions, QKeySequence(Qt::Key_M));
    add(bar, "&Split", kCmdSplit, QKeySequence(Qt::Key_S));
    add(bar, "&Undo split", kCmdUndoSplit, QKeySequence(Qt::Key_U));
    add(bar, "sits &On", kCmdSitsOn, QKeySequence(Qt::Key_O));
}

void LayoutWindow::addLastDesignItem() {
    if (k_.job.name.empty() || lastDesign_) return;
    QMenu* file = menuBar()->findChild<QMenu*>();
    QString text = QString::fromStdString(k_.job.directory + "/" + k_.job.name);
    lastDesign_ = new QAction(text, this);
    connect(lastDesign_, &QAction::triggered, this, [this] { runCommand(kCmdLastDesign); });
    if (file) file->addAction(lastDesign_);
    actions_.push_back({kCmdLastDesign, lastDesign_});
}

void LayoutWindow::startUp() {
    k_.start(*tk_);
    addLastDesignItem();
    if (fileExists(resolveForReading("default.dzn"))) {
        if (k_.open("default", *tk_) == 0) {
            refresh();
            return;
        }
    }
    runCommand(kCmdOpen);
}

bool LayoutWindow::openDesign(const QString& path) {
    if (k_.open(path.toStdString(), *tk_) != 0) return false;
    painter_.top = 1;
    options_.reset();
    refresh();
    return true;
}

void LayoutWindow::refresh() {
    painter_.drawFollowing(screen_, k_, options_ ? &*options_ : nullptr);
    view_->options = options_ ? &*options_ : nullptr;
    view_->optionsBottom = painter_.optionsBottom();
    updateScrollBar();
    view_->update();
}

void LayoutWindow::updateScrollBar() {
    QSignalBlocker block(scroll_);
    scroll_->setRange(1, std::max(1, k_.design.count - 1));
    scroll_->setPageStep(std::max(1, painter_.branchesDrawn()));
    scroll_->setValue(painter_.top);
}

void LayoutView::resizeEvent(QResizeEvent* event) {
    TextScreenWidget::resizeEvent(event);
    if (resized) resized();
}

void LayoutWindow::fitScreen() {
    QSize cell = view_->cellSize();
    if (cell.width() <= 0 || cell.height() <= 0) return;
    int cols = std::max(80, view_->width() / cell.width());
    int rows = std::max(12, view_->height() / cell.height());
    if (cols != screen_.columns() || rows != screen_.rows()) {
        screen_.resize(cols, rows);
        refresh();
    }
}

int LayoutWindow::defaultsDialog() {
    DefaultsDialog dlg(k_.defaults, k_.menu, this);
    if (onDefaults) onDefaults(&dlg);
    int r = dlg.exec();
    refresh();
    return r;
}

void LayoutWindow::defaultsCommand() {
    // "Change menu" picks another material menu and opens the dialog again.
    while (defaultsDialog() == DefaultsDialog::kChangeMenu) changeMenu();
}

void LayoutWindow::changeMenu() {
    QString path = chooseFile
                       ? chooseFile(21)
                       : QFileDialog::getOpenFileName(
                             this, QStringLiteral("Capacitor material menus (.kdx)"), QString(),
                             QStringLiteral("Capacitor material menus (.kdx) (*.kdx)"));
    if (!path.isEmpty()) k_.loadMenu(path.toStdString(), *tk_);
}

void LayoutWindow::workOut() {
    if (!k_.design.isPartBranch(k_.current)) {
        tk_->beep();
        return;
    }
    const int branch = k_.current;
    switch (k_.design.branches[branch].letter) {
    case 'L': {
        coil::CoilBranchSetup setup;
        if (!k_.coilSetup(setup, *tk_)) {
            defaultsCommand();
            return;
        }
        CoilWindow* w = CoilWindow::forBranch(setup, this);
        coil_ = w;
        connect(w, &CoilWindow::finished, this, [this, w, branch](bool kept) {
            if (kept && branch < k_.design.count) {
                int keep = k_.current;
                k_.current = branch;
                k_.storeCoil(coil::partDescription(w->calculator().state, w->result()));
                k_.current = keep;
            }
            coil_ = nullptr;
            refresh();
        });
        return;
    }
    case 'C':
        if (k_.chipCapacitor(*tk_, [this] {
                return defaultsDialog() == DefaultsDialog::kChangeMenu;
            }) == ChipOutcome::ChangeMenu) {
            changeMenu();
            defaultsCommand();
            workOut();
            return;
        }
        break;
    case 'D':
        if (!k_.hairpin(*tk_) && k_.defaults.gauge <= 0 && k_.hairpinGauge <= 0 &&
            k_.design.branches[branch - 1].letter == 'Z')
            defaultsCommand();
        break;
    }
    refresh();
}

void LayoutWindow::runCommand(int id) {
    if (id != kCmdMaterialOptions && id != kCmdMaterialOptionsAt) options_.reset();
    switch (id) {
    case kCmdOpen: {
        QString path = chooseFile ? chooseFile(kCmdOpen)
                                  : QFileDialog::getOpenFileName(
                                        this, QStringLiteral("TANVEX files"), QString(),
                                        QStringLiteral("Circuit design files (.dzn) (*.dzn)"));
        if (!path.isEmpty()) openDesign(path);
        break;
    }
    case kCmdSave:
        k_.save(*tk_);
        break;
    case kCmdSaveAs: {
        QString path = chooseFile ? chooseFile(kCmdSaveAs)
                                  : QFileDialog::getSaveFileName(
                                        this, QStringLiteral("Save As"), QString(),
                                        QStringLiteral("TANVEX design files (.dzn) (*.dzn)"));
        if (!path.isEmpty()) k_.saveAs(path.toStdString(), *tk_);
        break;
    }
    case kCmdScript:
        k_.scriptCommand(*tk_);
        break;
    case kCmdPartsList:
        k_.partsListCommand(*tk_,
                            [this](const std::vector<std::string>& l) { return printLines(l); });
        break;
    case kCmdExit:
        close();
        return;
    case kCmdLastDesign:
        openDesign(QString::fromStdString(joinPath(k_.job.directory, k_.job.name)));
        return;
    case kCmdDefaults:
        defaultsCommand();
        break;
    case kCmdWorkOut:
        workOut();
        return;
    case kCmdSplit:
        k_.split(*tk_);
        break;
    case kCmdUndoSplit:
        k_.undoSplit(*tk_);
        break;
    case kCmdSitsOn:
        k_.sitsOn(*tk_);
        break;
    case kCmdMaterialOptions:
    case kCmdMaterialOptionsAt: {
        int b = k_.current;
        if (k_.design.branches[b].letter != 'C' || !k_.design.isPartBranch(b)) {
            tk_->beep();
            options_.reset();
        } else {
            options_ = k_.materialOptions(b);
        }
        break;
    }
    }
    refresh();
}

void LayoutWindow::cellClicked(int column, int row, Qt::MouseButton button) {
    int b = painter_.branchAt(k_, column, row);
    if (b < 0) return;
    if (button == Qt::RightButton) {
        int keep = k_.current;
        k_.current = b;
        runCommand(kCmdMaterialOptionsAt);
        k_.current = keep;
        refresh();
        return;
    }
    if (button != Qt::LeftButton) return;
    if (b == k_.current) {
        runCommand(kCmdWorkOut);
        return;
    }
    options_.reset();
    k_.setCurrent(b);
    refresh();
}

void LayoutWindow::keyPressEvent(QKeyEvent* event) {
    int step = std::max(1, painter_.branchesDrawn());
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        runCommand(kCmdWorkOut);
        return;
    case Qt::Key_Home:
        k_.setCurrent(1);
        break;
    case Qt::Key_End:
        k_.setCurrent(k_.design.count - 1);
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        k_.setCurrent(k_.current - 1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        k_.setCurrent(k_.current + 1);
        break;
    case Qt::Key_PageUp:
        k_.setCurrent(k_.current - step);
        break;
    case Qt::Key_PageDown:
        k_.setCurrent(k_.current + step);
        break;
    default:
        QMainWindow::keyPressEvent(event);
        return;
    }
    options_.reset();
    refresh();
}

void LayoutWindow::closeEvent(QCloseEvent* event) {
    if (!k_.close(*tk_)) {
        event->ignore();
        return;
    }
    event->accept();
}

bool LayoutWindow::printLines(const std::vector<std::string>& lines) {
    QPrinter printer;
    QPrintDialog dlg(&printer, this);
    if (dlg.exec() != QDialog::Accepted) return true; // cancelled: nothing to report
    QPainter p;
    if (!p.begin(&printer)) return false;
    p.setFont(TextScreenWidget::cellFont(10));
    const int h = p.fontMetrics().lineSpacing();
    int y = h;
    for (const auto& l : lines) {
        if (y > printer.height() - h) {
            printer.newPage();
            y = h;
        }
        p.drawText(0, y, QString::fromStdString(l));
        y += h;
    }
    return p.end();
}

} // namespace tanvex::gui
