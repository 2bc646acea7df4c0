#include "analysis/plot_window.h"

#include "analysis/plot_dialogs.h"
#include "ui/hard_copy.h"
#include "ui/qt_toolkit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tanvex::gui {

using namespace plot;

PlotWindow::PlotWindow(PlotModel& model, QtToolkit& toolkit, PlotContext context, QWidget* parent)
    : QMainWindow(parent), model_(model), toolkit_(toolkit), context_(std::move(context)),
      pens_(toolkit) {
    setObjectName(QStringLiteral("plot"));
    setWindowTitle(QStringLiteral("Analysis results"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    canvas_ = new PlotCanvas(model_, central);
    canvas_->toolkit = &toolkit_;
    canvas_->homeDirectory = context_.homeDirectory;
    canvas_->pens = &pens_;
    canvas_->setFocusPolicy(Qt::StrongFocus);
    canvas_->rightClicked = [this] { close(); };
    // A new sweep changed the table under the window: it closes itself.
    canvas_->staleTable = [this] { QTimer::singleShot(0, this, &QWidget::close); };
    layout->addWidget(canvas_, 1);
    buttonRow_ = new QWidget(central);
    buttonRow_->setFixedHeight(28);
    layout->addWidget(buttonRow_);
    // Eleven buttons, each one eleventh of the width.
    auto* row = new QHBoxLayout(buttonRow_);
    row->setContentsMargins(0, 1, 0, 1);
    row->setSpacing(0);
    for (int i = 0; i < 11; ++i) {
        const int id = i == 0 ? kCmdSetButton : kCmdFirstFButton + i - 1;
        auto* b = new QPushButton(i == 0 ? QStringLiteral("Set") : QStringLiteral("F%1").arg(i),
                                  buttonRow_);
        b->setObjectName(QString::number(id));
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        connect(b, &QPushButton::clicked, this, [this, id] { runCommand(id); });
        row->addWidget(b, 1);
        buttons_[i] = b;
    }
    setCentralWidget(central);
    buildMenus();
    // Small enough for a corner of the screen, large enough that the
    // read-out panel with every trace on (about 22 lines) is not cut off.
    setMinimumSize(480, 460);
    resize(900, 560);
}

PlotWindow::~PlotWindow() {
    model_.store();
    if (colourDialog_) colourDialog_->deleteLater();
}

QAction* PlotWindow::addCommand(QMenu* menu, int id, const char* text, bool checkable) {
    QAction* a = menu ? menu->addAction(QString::fromLatin1(text))
                      : menuBar()->addAction(QString::fromLatin1(text));
    a->setObjectName(QString::number(id));
    a->setCheckable(checkable);
    connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    actions_[id] = a;
    return a;
}

void PlotWindow::buildMenus() {
    menuBar()->setObjectName(QStringLiteral("Plotmenu"));
    addCommand(nullptr, kCmdLower, "&Lower");
    addCommand(nullptr, kCmdUpper, "&Upper");
    addCommand(nullptr, kCmdSearch, "&Search");
    addCommand(nullptr, kCmdInterp, "&Interp.", true);
    addCommand(nullptr, kCmdFull, "&Full");
    addCommand(nullptr, kCmdRange, "&Range");

    QMenu* disp = menuBar()->addMenu(QStringLiteral("&Disp"));
    popups_['D'] = disp;
    addCommand(disp, kCmdAttenuation, "&Attenuation", true);
    addCommand(disp, kCmdReturnLoss, "&Return loss", true);
    addCommand(disp, kCmdDelay, "Group &Delay", true);
    QMenu* phase = disp->addMenu(QStringLiteral("&Phase"));
    const char* const phaseItems[6] = {"&Off",
                                       "&Linearity (best fit slope)",
                                       "Linearity, slope = delay @ &marker",
                                       "&Insertion phase",
                                       "&Conventional +-180 Deg.",
                                       "Linearity, least &squares"};
    for (int i = 0; i < 6; ++i) addCommand(phase, kCmdPhaseFirst + i, phaseItems[i], true);
    QMenu* extra = disp->addMenu(QStringLiteral("e&Xtra"));
    const char* const extraItems[5] = {"&Off", "Polar &magnitude", "Polar &phase", "Zo &R",
                                       "Zo +-&jX"};
    for (int i = 0; i < 5; ++i) addCommand(extra, kCmdExtraFirst + i, extraItems[i], true);
    addCommand(disp, kCmdSmith, "&Smith chart", true);
    disp->addSeparator();
    const char* const styles[4] = {"&Lines", "&Ticks", "&Hash", "&Grid."};
    for (int i = 0; i < 4; ++i) addCommand(disp, kCmdStyleFirst + i, styles[i], true);
    disp->addSeparator();
    addCommand(disp, kCmdScaleFactors, "&Scale factors");
    addCommand(disp, kCmdBoldLines, "&Bold lines", true);
    addCommand(disp, kCmdColours, "Colors - &K");
    addCommand(disp, kCmdCaptions, "&Captions and logo");
    addCommand(disp, kCmdZero, "&Zero", true);

    QMenu* markers = menuBar()->addMenu(QStringLiteral("&Markers"));
    popups_['M'] = markers;
    addCommand(markers, kCmdTabulate, "&Tabulate", true);
    addCommand(markers, kCmdSortMarkers, "&Sort");
    addCommand(markers, kCmdMarkerDialog, "&Dialog");
    addCommand(markers, kCmdClearMarkers, "&Clear all");

    QMenu* transfer = menuBar()->addMenu(QStringLiteral("&Transfer"));
    popups_['T'] = transfer;
    addCommand(transfer, kCmdHandStart, "marker-> anal. &Start");
    addCommand(transfer, kCmdHandStop, "marker-> anal. sto&P");
    addCommand(transfer, kCmdHandRange, "&Range--> start - stop");
    addCommand(transfer, kCmdRangeTimes2, "Displayed range X &2");
    transfer->addSeparator();
    addCommand(transfer, kCmdWhite, "&Invert background to white", true);
    addCommand(transfer, kCmdBitmap, "make &BMP graphics file");
    addCommand(transfer, kCmdClipboard, "&Copy to Clipboard");
    addCommand(transfer, kCmdHardCopy, "&Hard copy plot");
    addCommand(transfer, kCmdQuickComparison, "&Quick comparison box");

    addCommand(nullptr, kCmdExit, "e&Xit");
    addCommand(nullptr, kCmdHelp, "&?-help");
}

QAction* PlotWindow::action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* PlotWindow::popup(char key) const {
    auto it = popups_.find(key);
    return it == popups_.end() ? nullptr : it->second;
}

QPushButton* PlotWindow::button(int id) const {
    for (QPushButton* b : buttons_)
        if (b && b->objectName().toInt() == id) return b;
    return nullptr;
}

QWidget* PlotWindow::colourDialog() const {
    return colourDialog_;
}

bool PlotWindow::start() {
    if (!model_.open()) return false;
    updateChecks();
    return true;
}

void PlotWindow::refreshFromTable() {
    if (!model_.refresh()) {
        close();
        return;
    }
    updateChecks();
    repaintPlot();
}

void PlotWindow::updateChecks() {
    auto check = [&](int id, bool on) {
        if (QAction* a = action(id)) a->setChecked(on);
    };
    check(kCmdInterp, model_.interpolation);
    check(kCmdAttenuation, model_.attenuation);
    check(kCmdReturnLoss, model_.returnLoss);
    check(kCmdDelay, model_.delay);
    for (int i = 0; i <= 5; ++i) check(kCmdPhaseFirst + i, model_.phaseMode == i);
    for (int i = 0; i <= 4; ++i) check(kCmdExtraFirst + i, model_.extraMode == i);
    const bool z = model_.impedanceData();
    for (int i = 1; i <= 4; ++i)
        if (QAction* a = action(kCmdExtraFirst + i)) a->setEnabled(z);
    if (QAction* a = action(kCmdSmith)) a->setEnabled(model_.smithData());
    check(kCmdSmith, model_.smith);
    for (int i = 0; i < 4; ++i) check(kCmdStyleFirst + i, model_.scaleStyle == i);
    check(kCmdBoldLines, model_.bold);
    check(kCmdZero, model_.zero);
    check(kCmdTabulate, model_.tabulate);
    check(kCmdWhite, model_.white);
    // Marker buttons carry a red frame while their marker is set.
    for (int i = 1; i <= 10; ++i) {
        const bool set = model_.markers[i - 1].set();
        buttons_[i]->setStyleSheet(set ? QStringLiteral("QPushButton { border: 2px solid red; "
                                                        "padding: 2px; }")
                                       : QString());
    }
    buttons_[0]->setStyleSheet(model_.setPending
                                   ? QStringLiteral("QPushButton { border: 2px solid yellow; }")
                                   : QString());
    const bool hide = model_.captionOn[0] || model_.captionOn[1] || model_.logoOn;
    buttonRow_->setVisible(!hide);
}

void PlotWindow::repaintPlot() {
    canvas_->update();
}

void PlotWindow::runDialog(QDialog& d) {
    if (onDialogShown) QTimer::singleShot(0, &d, [this, &d] { onDialogShown(&d); });
    d.exec();
}

void PlotWindow::outputs(int id) {
    switch (id) {
    case kCmdBitmap: {
        const std::string name = context_.designName.empty() ? "plot" : context_.designName;
        const std::string msg =
            saveWindowBitmap(toolkit_, canvas_, name, context_.workingDirectory);
        model_.status = msg;
        break;
    }
    case kCmdClipboard:
        copyWindowToClipboard(canvas_);
        break;
    case kCmdHardCopy: {
        HardCopyJob job;
        job.setting = context_.hardCopySetting;
        const analysis::ResultRecord& h = model_.header();
        job.caption =
            ui::hardCopyCaption(context_.designName, h[analysis::kHeaderQl], h[analysis::kHeaderQc],
                                h[analysis::kHeaderQt], context_.user);
        job.name = "TANVEX plot";
        job.setPrinting = [this](bool on) { canvas_->printing = on; };
        hardCopy(canvas_, job, &toolkit_);
        break;
    }
    default:
        break;
    }
}

void PlotWindow::runCommand(int id) {
    model_.status.clear();
    switch (id) {
    case kCmdExit:
        close();
        return;
    case kCmdHelp:
        toolkit_.showHelp("PLOT.HLW");
        break;
    case kCmdScaleFactors: {
        ScaleDialog d(model_, this);
        d.changed = [this] { repaintPlot(); };
        runDialog(d);
        break;
    }
    case kCmdColours: {
        if (!colourDialog_) {
            colourDialog_ = new ColourDialog(model_, this);
            colourDialog_->setAttribute(Qt::WA_DeleteOnClose);
            colourDialog_->changed = [this] {
                model_.store();
                repaintPlot();
            };
        }
        colourDialog_->show();
        colourDialog_->raise();
        colourDialog_->activateWindow();
        break;
    }
    case kCmdCaptions: {
        CaptionDialog d(model_, this);
        d.changed = [this] { repaintPlot(); };
        runDialog(d);
        break;
    }
    case kCmdMarkerDialog: {
        MarkerDialog d(model_, toolkit_, this);
        d.changed = [this] { repaintPlot(); };
        runDialog(d);
        break;
    }
    case kCmdBitmap:
    case kCmdClipboard:
    case kCmdHardCopy:
        outputs(id);
        break;
    case kCmdQuickComparison:
        if (context_.quickComparison) context_.quickComparison();
        break;
    default:
        model_.command(id);
        break;
    }
    model_.store();
    updateChecks();
    repaintPlot();
    if (model_.handOverPending() && context_.optimizerOpen && context_.optimizerOpen() &&
        context_.sendToOptimizer) {
        // The optimizer takes the handed-over range with its transfer command.
        context_.sendToOptimizer(kCmdOptimizerTransfer);
    }
}

void PlotWindow::typed(int character, int qtKey, Qt::KeyboardModifiers mods) {
    int vk = 0;
    if (qtKey == Qt::Key_Left) vk = kVkLeft;
    if (qtKey == Qt::Key_Right) vk = kVkRight;
    if (qtKey == Qt::Key_Escape) vk = kVkEscape;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F11) vk = kVkF1 + (qtKey - Qt::Key_F1);
    int m = 0;
    if (mods & Qt::ShiftModifier) m |= kModShift;
    if (mods & Qt::ControlModifier) m |= kModCtrl;
    if (vk == 0 && character == 0) return;
    model_.status.clear();
    const KeyResult r = model_.key(character, vk, m);
    switch (r.action) {
    case KeyAction::Beep:
        toolkit_.beep();
        break;
    case KeyAction::Close:
        close();
        return;
    case KeyAction::Help:
        toolkit_.showHelp("PLOT.HLW");
        break;
    case KeyAction::PopupDisp:
    case KeyAction::PopupMarkers:
    case KeyAction::PopupTransfer: {
        const char key = r.action == KeyAction::PopupDisp      ? 'D'
                         : r.action == KeyAction::PopupMarkers ? 'M'
                                                               : 'T';
        if (QMenu* menu = popup(key)) menu->popup(mapToGlobal(QPoint(40, 40)));
        break;
    }
    case KeyAction::Command:
        if (r.command) runCommand(r.command);
        return;
    default:
        break;
    }
    model_.store();
    updateChecks();
    repaintPlot();
}

void PlotWindow::keyPressEvent(QKeyEvent* e) {
    const QString t = e->text();
    int ch = t.size() == 1 && t[0].unicode() >= 32 && t[0].unicode() < 127 ? t[0].unicode() : 0;
    typed(ch, e->key(), e->modifiers());
}

void PlotWindow::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    if (context_.rectChanged) context_.rectChanged(x(), y(), width(), height());
}

void PlotWindow::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    if (context_.rectChanged) context_.rectChanged(x(), y(), width(), height());
}

void PlotWindow::closeEvent(QCloseEvent* e) {
    model_.store();
    if (colourDialog_) colourDialog_->close();
    QMainWindow::closeEvent(e);
}

} // namespace tanvex::gui
