// First: the schematic renderer has a member named emit, which Qt's
// keyword macro would otherwise rewrite.
#include "schematic/renderer.h"

#include "shell/main_window.h"

#include "design/filename_list_dialog.h"
#include "ui/help.h"
#include "ui/qt_toolkit.h"
#include "ui/text_screen_widget.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "shell/shell_dialogs.h"

namespace tanvex::gui {

namespace {

// Rows of the status screen shown above the schematic.
constexpr int kStatusViewRows = 10;

// Copies a window's frame position and size into a remembered rectangle.
class RectKeeper : public QObject {
public:
    RectKeeper(QWidget* window, shell::WindowRect* rect, QWidget* opener)
        : QObject(window), rect_(rect), opener_(opener) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* w = static_cast<QWidget*>(watched);
        // A child window that closes hands the keyboard back to the main
        // window, so its Alt+letter menus work without a click.
        if (event->type() == QEvent::Close || event->type() == QEvent::Hide) {
            if (opener_ && w->isActiveWindow()) {
                QPointer<QWidget> opener = opener_;
                QTimer::singleShot(0, opener, [opener] {
                    if (opener && !QApplication::activeModalWidget()) opener->activateWindow();
                });
            }
        }
        bool normal = !w->isMinimized() && !w->isMaximized();
        if (normal && event->type() == QEvent::Move) {
            rect_->x = w->frameGeometry().x();
            rect_->y = w->frameGeometry().y();
        } else if (normal && event->type() == QEvent::Resize) {
            rect_->width = w->width();
            rect_->height = w->height();
        }
        return false;
    }

private:
    shell::WindowRect* rect_;
    QPointer<QWidget> opener_;
};

} // namespace

// Runs the test hook once the dialog's own event loop has started.
void MainWindow::showHook(QWidget* dialog) {
    if (!onDialogShown) return;
    QTimer::singleShot(0, dialog, [this, dialog] { onDialogShown(dialog); });
}

MainWindow::MainWindow(shell::Shell& shell, QtToolkit& toolkit, QWidget* parent)
    : QMainWindow(parent), shell_(shell), toolkit_(toolkit) {
    setWindowTitle(QStringLiteral("*** TANVEX ***"));
    setObjectName(QStringLiteral("tanvexw"));
    // The client area is black like every text screen; the menu bar keeps
    // the desktop's colours.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    auto* client = new QWidget(this);
    client->setPalette(pal);
    client->setAutoFillBackground(true);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    view_ = new TextScreenWidget(&shell_.status, client);
    view_->setCellFont(TextScreenWidget::cellFont(14));
    view_->setFocusPolicy(Qt::StrongFocus);
    view_->setPalette(pal);
    view_->setAutoFillBackground(true);
    // The status screen keeps the rows it draws on (the noise bandwidth line
    // is the last, row 8) and one blank row under them; the schematic gets
    // the rest of the window.
    view_->setFixedHeight(kStatusViewRows * view_->cellSize().height());
    view_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    column->addWidget(view_);

    renderer_ = std::make_unique<schematic::Renderer>();
    schematicArea_ = new QScrollArea(client);
    schematicArea_->setObjectName(QStringLiteral("schematicArea"));
    schematicArea_->setFrameShape(QFrame::NoFrame);
    schematicArea_->setPalette(pal);
    schematicArea_->setBackgroundRole(QPalette::Window);
    schematicArea_->setFocusPolicy(Qt::NoFocus);
    schematicArea_->setWidgetResizable(true);
    schematicView_ = new TextScreenWidget(&schematic_, schematicArea_);
    schematicView_->setObjectName(QStringLiteral("schematicView"));
    schematicView_->setCellFont(TextScreenWidget::cellFont(14));
    schematicView_->setPalette(pal);
    schematicView_->setAutoFillBackground(true);
    schematicView_->setFocusPolicy(Qt::NoFocus);
    schematicArea_->setWidget(schematicView_);
    column->addWidget(schematicArea_, 1);
    setCentralWidget(client);
    connect(view_, &TextScreenWidget::cellClicked, this,
            [this](int column, int row, Qt::MouseButton button) {
                if (button == Qt::LeftButton) shell_.click(column, row);
            });

    toolkit_.setMainWindow(this);
    buildMenus();
    installHandlers();
    // Created small at 10,10; the saved rectangle is applied at start-up.
    setGeometry(10, 10, 10, 10);
}

MainWindow::~MainWindow() {
    shell_.repaint = nullptr;
    shell_.recentChanged = nullptr;
    shell_.askExit = nullptr;
    shell_.chooseFileOperation = nullptr;
    shell_.chooseDesignFile = nullptr;
}

void MainWindow::installHandlers() {
    shell_.repaint = [this] { refresh(); };
    shell_.recentChanged = [this] { rebuildRecentMenu(); };
    shell_.askExit = [this] { return askExit(); };
    shell_.chooseFileOperation = [this] { return runFileOperations(); };
    shell_.chooseDesignFile = [this] { return chooseDesignFile(); };
    shell_.beforeFinish.push_back([this, self = QPointer<MainWindow>(this)] {
        if (!self) return;
        const auto& h = toolkit_.helpViewer().rect;
        shell_.positions.rects[shell::kHelpWindow] = shell::WindowRect{h[0], h[1], h[2], h[3]};
    });
    // A recalled design is drawn at once (also when the recall runs inside
    // another command, before that command's repaint).
    shell_.afterRecall.push_back([this, self = QPointer<MainWindow>(this)] {
        if (self) drawSchematic();
    });
    shell_.commands.add(shell::kCmdFileListBox, [this](int) { return runFilenameList(); });
    shell_.commands.add(shell::kCmdNotation, [this](int) { return runNotationDialog(); });
    shell_.commands.add(shell::kCmdExit, [this](int) {
        // The close request runs after the command has returned.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return 0;
    });
    if (QScreen* s = screen()) shell_.desktopHeight = s->availableGeometry().height();
}

void MainWindow::buildMenus() {
    for (const shell::MenuNode& node : shell::mainMenu()) {
        if (node.kind == shell::MenuNode::Popup) {
            QMenu* menu = menuBar()->addMenu(QString::fromLatin1(node.text.c_str()));
            addItems(menu, node.items);
            if (node.key) popups_[node.key] = menu;
            if (node.key == 'F') fileMenu_ = menu;
        } else if (node.kind == shell::MenuNode::Command) {
            QAction* a = menuBar()->addAction(QString::fromLatin1(node.text.c_str()));
            int id = node.id;
            connect(a, &QAction::triggered, this, [this, id] { shell_.dispatch(id); });
            actions_[id] = a;
        }
    }
}

void MainWindow::addItems(QMenu* menu, const std::vector<shell::MenuNode>& nodes) {
    for (const shell::MenuNode& node : nodes) {
        switch (node.kind) {
        case shell::MenuNode::Separator:
            menu->addSeparator();
            break;
        case shell::MenuNode::Popup:
            addItems(menu->addMenu(QString::fromLatin1(node.text.c_str())), node.items);
            break;
        case shell::MenuNode::Command: {
            QAction* a = menu->addAction(QString::fromLatin1(node.text.c_str()));
            int id = node.id;
            connect(a, &QAction::triggered, this, [this, id] { shell_.dispatch(id); });
            actions_[id] = a;
            break;
        }
        }
    }
}

QAction* MainWindow::action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* MainWindow::popupMenu(char key) const {
    auto it = popups_.find(key);
    return it == popups_.end() ? nullptr : it->second;
}

void MainWindow::rebuildRecentMenu() {
    if (!fileMenu_) return;
    for (QAction* a : recentActions_) {
        actions_.erase(a->data().toInt());
        fileMenu_->removeAction(a);
        delete a;
    }
    recentActions_.clear();
    const auto& recent = shell_.positions.recent;
    if (!recent.empty() && !recentSeparator_) recentSeparator_ = fileMenu_->addSeparator();
    for (std::size_t i = 0; i < recent.size(); ++i) {
        std::string text =
            shell::recentMenuText(static_cast<int>(i), recent[i].directory, recent[i].name);
        QAction* a = fileMenu_->addAction(QString::fromLocal8Bit(text.c_str()));
        int id = shell::kCmdRecentFirst + static_cast<int>(i);
        a->setData(id);
        a->setEnabled(!recent[i].missing);
        connect(a, &QAction::triggered, this, [this, id] { shell_.dispatch(id); });
        recentActions_.push_back(a);
        actions_[id] = a;
    }
}

void MainWindow::placeFromPositions() {
    shell::WindowRect r = shell_.positions.rects[shell::kMainWindow];
    int x = r.x < 0 ? 0 : r.x;
    int y = r.y < 0 ? 0 : r.y;
    int w = r.width < 200 ? 200 : r.width;
    int h = r.height < 150 ? 150 : r.height;
    move(x, y);
    resize(w, h);
    placed_ = true;
}

void MainWindow::rememberRect(QWidget* window, int slot) {
    if (!window || slot < 0 || slot >= shell::kWindowSlots) return;
    shell::WindowRect& r = shell_.positions.rects[static_cast<std::size_t>(slot)];
    window->move(r.x < 0 ? 0 : r.x, r.y < 0 ? 0 : r.y);
    window->resize(r.width < 100 ? 100 : r.width, r.height < 80 ? 80 : r.height);
    window->installEventFilter(new RectKeeper(window, &r, this));
}

int MainWindow::startUp(const std::string& designArgument) {
    int r = shell_.startUp(designArgument);
    toolkit_.homeDirectory = shell_.env.home;
    const shell::WindowRect& h = shell_.positions.rects[shell::kHelpWindow];
    toolkit_.helpViewer().rect = {h.x, h.y, h.width, h.height};
    rebuildRecentMenu();
    placeFromPositions();
    fitStatusToWidth();
    refresh();
    return r;
}

void MainWindow::fitStatusToWidth() {
    const int cellWidth = std::max(1, view_->cellSize().width());
    const int columns = std::max(1, (width() - view_->leftMargin()) / cellWidth);
    if (columns == shell_.statusColumns()) return;
    shell_.setStatusColumns(columns);
    view_->update();
}

void MainWindow::refresh() {
    view_->setAsciiDrawing(false); // the status screen draws its own ASCII frames
    drawSchematic();
    view_->update();
    update();
}

void MainWindow::designChanged() {
    shell_.drawStatus();
    refresh();
}

void MainWindow::drawSchematic() {
    schematic::Renderer& r = *renderer_;
    const Design& design = shell_.design;
    r.config.plainCharacters = schematic::plainOnScreen(design.record);
    // The document drawing measures the picture (one byte per cell), the
    // window drawing then fills a screen of exactly that size.
    r.window = schematic::WindowView{};
    r.draw(design, schematic::SinkKind::Document, 0, 0);
    int lines = static_cast<int>(r.document().size());
    int width = 0;
    for (const std::string& line : r.document())
        width = std::max(width, static_cast<int>(line.size()));
    constexpr int kLeft = 1; // one blank column before the rail numbers
    schematic_.resize(std::max(40, kLeft + width + 1), std::max(1, lines + 1));
    r.window.screen = &schematic_;
    r.window.topRow = 0;
    r.window.leftColumn = kLeft;
    r.window.visibleLines = lines + 1;
    r.draw(design, schematic::SinkKind::Window, 0, 0);
    ++schematic_.revision;
    schematicView_->setMinimumSize(schematicView_->sizeHint());
    schematicView_->updateGeometry();
    schematicView_->update();
}

bool MainWindow::scrollSchematic(int qtKey) {
    QScrollBar* bar = schematicArea_->verticalScrollBar();
    switch (qtKey) {
    case Qt::Key_Up:
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        return true;
    case Qt::Key_Down:
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        return true;
    case Qt::Key_PageUp:
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        return true;
    case Qt::Key_PageDown:
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        return true;
    case Qt::Key_Home:
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        return true;
    case Qt::Key_End:
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        return true;
    default:
        return false;
    }
}

int MainWindow::handleKey(int qtKey, const QString& text, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return 0;
    int key = 0;
    if (qtKey == Qt::Key_F12)
        key = shell::kKeyF12;
    else if (text.size() == 1 && text[0].unicode() < 128)
        key = text[0].unicode();
    if (key == 0) return 0;
    if (int id = shell::acceleratorCommand(key)) {
        shell_.dispatch(id);
        return id;
    }
    char menuKey = shell_.typed(key);
    if (menuKey) {
        if (QMenu* m = popupMenu(menuKey)) {
            lastPopup = m;
            m->popup(mapToGlobal(QPoint(50, 50)));
        }
    }
    return 0;
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier && scrollSchematic(event->key())) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_F12 || !event->text().isEmpty()) {
        handleKey(event->key(), event->text(), event->modifiers());
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Back from another window (the editor, a dialog of another window):
    // show the design as it now is.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) drawSchematic();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (finished_) {
        event->accept();
        return;
    }
    if (!shell_.closeRequested()) {
        event->ignore();
        return;
    }
    shell_.finish();
    finished_ = true;
    event->accept();
    if (quitOnClose) QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (!placed_ || isMinimized() || isMaximized()) return;
    shell::WindowRect& r = shell_.positions.rects[shell::kMainWindow];
    r.x = frameGeometry().x();
    r.y = frameGeometry().y();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    fitStatusToWidth();
    if (!placed_ || isMinimized() || isMaximized()) return;
    shell::WindowRect& r = shell_.positions.rects[shell::kMainWindow];
    r.width = width();
    r.height = height();
}

int MainWindow::runNotationDialog() {
    NotationDialog dialog(shell_.storedNotation(), shell_.storedMechanicalUnit(), this);
    showHook(&dialog);
    if (dialog.exec() != QDialog::Accepted) return 0;
    if (shell_.applyNotationChoice(dialog.electrical(), dialog.mechanical())) refresh();
    return 0;
}

shell::ExitAnswer MainWindow::askExit() {
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(shell::kExitTitle),
                    QString::fromLatin1(shell::kExitQuestion),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Yes);
    showHook(&box);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return shell::ExitAnswer::Save;
    case QMessageBox::No:
        return shell::ExitAnswer::DontSave;
    default:
        return shell::ExitAnswer::Cancel;
    }
}

int MainWindow::runFilenameList() {
    FilenameListDialog dialog(shell_.design, toolkit_, this);
    dialog.showHelp = [this](const std::string& page) { shell_.help(page); };
    showHook(&dialog);
    // "fx -->Operation" has set the design name: go on with the operations.
    if (dialog.exec() == FilenameListDialog::kOperation) return shell_.fileOperations();
    return 0;
}

int MainWindow::runFileOperations() {
    FileOperationsDialog dialog(this);
    showHook(&dialog);
    return dialog.exec();
}

std::string MainWindow::chooseDesignFile() {
    QFileDialog dialog(this, QString::fromLatin1(kOpenDialogTitle),
                       QString::fromLocal8Bit(shell_.env.working.c_str()));
    dialog.setFileMode(QFileDialog::ExistingFile);
    QStringList filters;
    for (const auto& [label, pattern] : openFileFilters(kOpenDesign))
        filters << QStringLiteral("%1 (%2)").arg(QString::fromLatin1(label.c_str()),
                                                 QString::fromLatin1(pattern.c_str()));
    dialog.setNameFilters(filters);
    std::string name = designName(shell_.design);
    dialog.selectFile(QString::fromLocal8Bit(name.c_str()));
    showHook(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front().toLocal8Bit().toStdString();
}

} // namespace tanvex::gui
