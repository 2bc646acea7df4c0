#include "ui/qt_toolkit.h"

#include "ui/gen_win_window.h"
#include "ui/help_window.h"
#include "ui/prompt_box.h"
#include "ui/selection_bar.h"
#include "ui/text_screen_widget.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>

#include <cstdlib>

namespace tanvex::gui {

namespace {

double numberOf(const std::string& s) {
    const char* p = s.c_str();
    char* end = nullptr;
    double v = std::strtod(p, &end);
    return end == p ? 0.0 : v;
}

// Collects key-down events while keyPoll drains the queue.
class KeyCatcher : public QObject {
public:
    int key = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) {
            if (key == 0) key = virtualKeyOf(static_cast<QKeyEvent*>(e)->key());
            return true;
        }
        if (e->type() == QEvent::KeyRelease || e->type() == QEvent::ShortcutOverride) return true;
        return false;
    }
};

// Keeps mouse and key input away from the main window and its other
// windows while a selection is open.
class ModalFilter : public QObject {
public:
    QPointer<QWidget> main;
    std::vector<QPointer<QWidget>> allowed;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::ShortcutOverride:
            break;
        default:
            return false;
        }
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || !main) return false;
        QWidget* top = w->window();
        for (const auto& a : allowed)
            if (a && (top == a || a->isAncestorOf(w))) return false;
        return top == main || main->isAncestorOf(top);
    }
};

// A box that closes gives the keyboard back to the window that was active
// when it opened (a dialog without a parent would otherwise leave no window
// active, and Alt+letter menus would wait for a click).
class FocusReturn {
public:
    FocusReturn() : window_(QApplication::activeWindow()) {}
    ~FocusReturn() {
        if (window_ && window_->isVisible()) window_->activateWindow();
    }
    FocusReturn(const FocusReturn&) = delete;
    FocusReturn& operator=(const FocusReturn&) = delete;

private:
    QPointer<QWidget> window_;
};

} // namespace

int virtualKeyOf(int k) {
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return 'A' + (k - Qt::Key_A);
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return '0' + (k - Qt::Key_0);
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return 112 + (k - Qt::Key_F1);
    switch (k) {
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_QuoteLeft: // the key left of 1 (stops an optimizer search)
        return 192;
    default:
        return 0;
    }
}

QtToolkit::QtToolkit(QWidget* mainWindow) : main_(mainWindow), help_(*this, std::string()) {
    if (const char* home = std::getenv("TANVEX_HOME")) homeDirectory = home;
    help_.onOpen = [this] {
        if (keyboardOwners_.size() < 10) keyboardOwners_.push_back(QApplication::activeWindow());
        if (!helpWindow_) {
            helpWindow_ = new HelpWindow(help_, main_);
            // Asked for from a modal dialog ("?-help"): the dialog blocks
            // every other window, so the help window takes the input until
            // it is closed, then the dialog goes on.
            if (QApplication::activeModalWidget())
                helpWindow_->setWindowModality(Qt::ApplicationModal);
        }
        helpWindow_->setAsciiDrawing(genWin().asciiDrawing);
        helpWindow_->show();
        helpWindow_->raise();
        helpWindow_->activateWindow();
    };
    help_.onChange = [this] {
        if (helpWindow_) helpWindow_->refresh();
    };
    help_.onClose = [this] {
        if (helpWindow_) {
            helpWindow_->hide();
            helpWindow_->deleteLater();
            helpWindow_ = nullptr;
        }
        if (!keyboardOwners_.empty()) {
            QPointer<QWidget> owner = keyboardOwners_.back();
            keyboardOwners_.pop_back();
            if (owner) {
                owner->activateWindow();
                owner->setFocus();
            }
        }
    };
    ui::GenWin& g = genWin();
    g.onOpen = [this](int mode) {
        if (!genWin_) {
            ownGenWin_ = new GenWinWindow(genWin(), main_);
            setGenWin(ownGenWin_, ownGenWin_->view());
        }
        if (mode == 3)
            genWin_->hide();
        else
            genWin_->show();
    };
    g.onClose = [this] {
        if (ownGenWin_) {
            ownGenWin_->hide();
            ownGenWin_->deleteLater();
            ownGenWin_ = nullptr;
        }
        if (main_) main_->update();
    };
    g.onChange = [this] {
        if (genView_) {
            genView_->setAsciiDrawing(genWin().asciiDrawing);
            genView_->update();
        }
    };
}

QtToolkit::~QtToolkit() {
    help_.onOpen = nullptr;
    help_.onChange = nullptr;
    help_.onClose = nullptr;
    delete helpWindow_.data();
    genWin().onOpen = nullptr;
    genWin().onClose = nullptr;
    genWin().onChange = nullptr;
    delete ownGenWin_.data();
}

void QtToolkit::setGenWin(QWidget* window, TextScreenWidget* view) {
    genWin_ = window;
    genView_ = view;
}

QPoint QtToolkit::boxPosition() const {
    if (genWin_ && genWin_->isVisible()) {
        QRect f = genWin_->frameGeometry();
        return QPoint(f.left(), f.bottom() + 1);
    }
    if (main_) return main_->frameGeometry().topLeft() + QPoint(100, 100);
    return QPoint(100, 100);
}

void QtToolkit::notice(const std::string& text) {
    FocusReturn focusBack;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("NOTICE!"),
                    QString::fromLocal8Bit(text.c_str()), QMessageBox::Ok, main_);
    box.setTextFormat(Qt::PlainText); // file names are shown as typed, never as markup
    if (onBoxShown) QTimer::singleShot(0, &box, [this, &box] { onBoxShown(&box); });
    box.exec();
}

char QtToolkit::respond(const std::string& text, char def) {
    FocusReturn focusBack;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Respond"),
                    QString::fromLocal8Bit(text.c_str()), QMessageBox::Yes | QMessageBox::No,
                    main_);
    box.setDefaultButton(def == 'Y' ? QMessageBox::Yes : QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    if (onBoxShown) QTimer::singleShot(0, &box, [this, &box] { onBoxShown(&box); });
    return box.exec() == QMessageBox::Yes ? 'Y' : 'N';
}

char QtToolkit::confirm(const std::string& title, const std::string& text) {
    FocusReturn focusBack;
    QMessageBox box(QMessageBox::Question, QString::fromLocal8Bit(title.c_str()),
                    QString::fromLocal8Bit(text.c_str()), QMessageBox::Ok | QMessageBox::Cancel,
                    main_);
    box.setDefaultButton(QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    if (onBoxShown) QTimer::singleShot(0, &box, [this, &box] { onBoxShown(&box); });
    return box.exec() == QMessageBox::Ok ? 'Y' : 'N';
}

void QtToolkit::inputBox() {
    FocusReturn focusBack;
    std::string def = defaultAnswer;
    defaultAnswer.clear();
    PromptBox box(prompt, def, std::string(), main_);
    box.move(boxPosition());
    if (onBoxShown) QTimer::singleShot(0, &box, [this, &box] { onBoxShown(&box); });
    box.exec();
    inputEscaped = box.escaped();
    textResult = box.text().toLocal8Bit().toStdString().substr(0, 80);
    numberResult = numberOf(textResult);
    clearPrompt();
}

char QtToolkit::keyBox(const std::string& keys) {
    FocusReturn focusBack;
    PromptBox box(prompt, std::string(), keys.empty() ? std::string(" ") : keys, main_);
    box.move(boxPosition());
    if (onBoxShown) QTimer::singleShot(0, &box, [this, &box] { onBoxShown(&box); });
    box.exec();
    clearPrompt();
    return box.key();
}

int QtToolkit::select(int preselected, int markerColumn, int firstRow, bool markerSwitch,
                      int lastRow, const std::string& options) {
    FocusReturn focusBack;
    std::vector<ui::SelectionOption> opts = ui::parseOptions(options);
    ui::SelectionRows rows{markerColumn, firstRow, lastRow};
    ui::TextScreen* screen = genView_ ? genView_->screen() : nullptr;

    // A click that ended the previous selection with "outside" chooses at
    // once when it lies in this selection's marker area.
    if (pendingClickRow >= 0) {
        int col = pendingClickColumn;
        int row = pendingClickRow;
        pendingClickColumn = pendingClickRow = -1;
        if (rows.inMarkerArea(col, row)) {
            int r = ui::resultForClick(opts, rows, col, row);
            if (r > 0) return r;
        }
    }

    if (markerSwitch && screen) {
        ui::showSelectionMarkers(*screen, opts, rows);
        genView_->update();
    }
    int result = ui::kSelectEsc;
    while (true) {
        int width = genWin_ ? genWin_->frameGeometry().width() : 640;
        SelectionBar bar(opts, preselected, rows, width, main_);
        bar.move(boxPosition());
        if (genView_)
            QObject::connect(genView_, &TextScreenWidget::cellClicked, &bar,
                             &SelectionBar::textClicked);
        // Moving or resizing the text window moves the bar with it.
        QTimer follow;
        follow.setInterval(100);
        QObject::connect(&follow, &QTimer::timeout, &bar, [this, &bar] {
            if (!genWin_) return;
            QPoint p = boxPosition();
            int w = genWin_->frameGeometry().width();
            if (bar.pos() != p) bar.move(p);
            if (bar.width() != w) bar.relayout(w);
        });
        follow.start();
        // Modal to the main window, but the text window stays open to
        // clicks on its option rows.
        ModalFilter filter;
        filter.main = main_;
        filter.allowed = {QPointer<QWidget>(&bar), QPointer<QWidget>(genWin_.data())};
        qApp->installEventFilter(&filter);
        QEventLoop loop;
        QObject::connect(&bar, &QDialog::finished, &loop, &QEventLoop::quit);
        bar.show();
        bar.activateWindow();
        if (onBoxShown) QTimer::singleShot(0, &bar, [this, &bar] { onBoxShown(&bar); });
        loop.exec();
        qApp->removeEventFilter(&filter);
        result = bar.result();
        if (result == ui::kSelectOutside) {
            pendingClickColumn = bar.clickColumn();
            pendingClickRow = bar.clickRow();
        }
        if (result == SelectionBar::kSizeRequest) {
            if (genWin_ && genView_) {
                // Wide and tall enough for the text window's screen, 80 x 25
                // at the least, with whatever the window holds besides it.
                const QSize cell = genView_->cellSize();
                const ui::TextScreen* shown = genView_->screen();
                const int cols = std::max(80, shown ? shown->columns() : 80) + 2;
                const int rows = std::max(29, shown ? shown->rows() + 1 : 29);
                const int chromeH = genWin_->height() - genView_->height();
                genWin_->resize(cols * cell.width() + genView_->leftMargin() * 2,
                                rows * cell.height() + std::max(0, chromeH));
            }
            continue;
        }
        break;
    }
    if (markerSwitch && screen) {
        ui::clearSelectionMarkers(*screen, rows);
        genView_->update();
    }
    return result;
}

void QtToolkit::showHelp(const std::string& topic) {
    help_.setHomeDirectory(homeDirectory);
    help_.show(topic);
}

void QtToolkit::beep() {
    QApplication::beep();
}

void QtToolkit::wait(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(std::max(0, milliseconds), &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

int QtToolkit::keyPoll() {
    KeyCatcher catcher;
    qApp->installEventFilter(&catcher);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    qApp->removeEventFilter(&catcher);
    return catcher.key;
}

} // namespace tanvex::gui
