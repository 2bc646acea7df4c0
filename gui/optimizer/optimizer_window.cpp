#include "optimizer/optimizer_window.h"

#include "ui/palette.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tanvex::gui {

namespace {

struct ButtonDef {
    int id;
    const char* text;
};

const std::vector<ButtonDef> kCommandButtons = {{100, "** Command **"},   {101, "<-- Back up"},
                                                {102, "setup Memory"},    {103, "Frequency ranges"},
                                                {104, "Resolution"},      {105, "Q factor"},
                                                {106, "Tune mode"},       {107, "change Job"},
                                                {108, "set final Stage"}, {109, "eXit"},
                                                {110, "?-help"}};
const std::vector<ButtonDef> kTuneButtons = {
    {160, "Up"},           {161, "Down"},       {162, "<-- Back up"},  {163, "Specify value"},
    {164, "Pick branchs"}, {165, "Finer step"}, {166, "Coarser step"}, {167, "eXit"},
    {168, "?-help"}};
const std::vector<ButtonDef> kRangeButtons = {{200, "save to Main range"},
                                              {201, "save to Segment"},
                                              {202, "Clear segment"},
                                              {203, "Input range"},
                                              {204, "eXit"}};
const std::vector<ButtonDef> kMemoryButtons = {
    {260, "Save setup for reuse"}, {261, "Recall a setup"}, {262, "Clear a setup"}, {263, "eXit"}};

// The accelerators of each mode: letter (either case) or Qt key -> command.
int commandKey(OptimizerWindow::Mode mode, int key, QChar c) {
    const char u = static_cast<char>(c.toUpper().toLatin1());
    switch (mode) {
    case OptimizerWindow::Mode::kCommand:
        if (key == Qt::Key_Space) return 100;
        if (key == Qt::Key_Home) return 101;
        switch (u) {
        case 'C':
            return 100;
        case 'B':
            return 101;
        case 'M':
            return 102;
        case 'F':
            return 103;
        case 'R':
            return 104;
        case 'Q':
            return 105;
        case 'T':
            return 106;
        case 'J':
            return 107;
        case 'S':
            return 108;
        case 'X':
            return 109;
        case '?':
            return 110;
        }
        return 0;
    case OptimizerWindow::Mode::kTune:
        if (key == Qt::Key_Up || key == Qt::Key_Left) return 160;
        if (key == Qt::Key_Down || key == Qt::Key_Right) return 161;
        if (key == Qt::Key_Home) return 162;
        switch (u) {
        case 'U':
            return 160;
        case 'D':
            return 161;
        case 'B':
            return 162;
        case 'S':
            return 163;
        case 'P':
            return 164;
        case 'F':
            return 165;
        case 'C':
            return 166;
        case 'X':
            return 167;
        case '?':
            return 168;
        }
        return 0;
    case OptimizerWindow::Mode::kRanges:
        switch (u) {
        case 'M':
            return 200;
        case 'S':
            return 201;
        case 'C':
            return 202;
        case 'I':
            return 203;
        case 'X':
            return 204;
        }
        return 0;
    case OptimizerWindow::Mode::kMemory:
        switch (u) {
        case 'S':
            return 260;
        case 'R':
            return 261;
        case 'C':
            return 262;
        case 'X':
            return 263;
        }
        return 0;
    }
    return 0;
}

QColor qColour(int index) {
    const ui::Rgb c = ui::colour(index);
    return QColor(c.r, c.g, c.b);
}

} // namespace

bool keepClear(const QRect& optimizer, QRect& plot) {
    for (int attempt = 0; attempt < 52 && plot.intersects(optimizer); ++attempt) {
        if (plot.left() > 20)
            plot.translate(20, 0);
        else
            plot.setWidth(plot.width() - 20);
        if (plot.width() < 401) return false;
    }
    return true;
}

// The optimizer's view of this window.
class OptimizerWindow::Host : public optimizer::OptimizerHost {
public:
    explicit Host(OptimizerWindow& w) : w_(w) {}
    int plotWidth() override {
        QWidget* plot = w_.context_.plotWindow ? w_.context_.plotWindow() : nullptr;
        return plot && plot->isVisible() ? plot->width() : 0;
    }
    void showStage(int stage) override {
        w_.stage_ = stage;
        w_.update();
    }
    void message(const std::string& text) override {
        w_.note_ = text;
        w_.update();
    }

private:
    OptimizerWindow& w_;
};

// The status panel: the engine's lines on black in the fixed font.
class OptimizerWindow::Panel : public QWidget {
public:
    explicit Panel(OptimizerWindow& w) : QWidget(&w), w_(w) {
        font_ = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font_.setFamily(QStringLiteral("DejaVu Sans Mono"));
        font_.setPointSize(9);
        const QFontMetrics fm(font_);
        setMinimumSize(fm.horizontalAdvance(QLatin1Char('M')) * 28, fm.height() * 22);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::black);
        p.setFont(font_);
        const QFontMetrics fm(font_);
        int y = fm.ascent() + 4;
        for (const optimizer::PanelLine& l : w_.panelLines()) {
            p.setPen(qColour(l.colour));
            p.drawText(6, y, QString::fromLatin1(l.text.c_str()));
            y += fm.height();
        }
    }

private:
    OptimizerWindow& w_;
    QFont font_;
};

OptimizerWindow::OptimizerWindow(Design& design, analysis::ResultsTable& table,
                                 analysis::SweepOptions& options, ui::Toolkit& toolkit,
                                 analysis::DataServices& data, OptimizerContext context,
                                 QWidget* parent)
    : QMainWindow(parent), design_(design), table_(table), toolkit_(toolkit),
      context_(std::move(context)), host_(std::make_unique<Host>(*this)),
      op_(std::make_unique<optimizer::Optimizer>(design, table, options, toolkit, data, *host_)) {
    setWindowTitle(QStringLiteral("Network optimization"));
    setObjectName(QStringLiteral("Optm"));
    QAction* exit = menuBar()->addAction(QStringLiteral("e&Xit"));
    connect(exit, &QAction::triggered, this, [this] { runCommand(109); });

    auto* body = new QWidget(this);
    auto* row = new QHBoxLayout(body);
    row->setContentsMargins(4, 4, 4, 4);
    panel_ = new Panel(*this);
    row->addWidget(panel_, 1);
    auto* column = new QVBoxLayout;
    buttonBox_ = new QWidget(body);
    buttonLayout_ = new QVBoxLayout(buttonBox_);
    buttonLayout_->setContentsMargins(0, 0, 0, 0);
    buttonLayout_->setSpacing(2);
    column->addWidget(buttonBox_, 1);
    list_ = new QListWidget(body);
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setMinimumWidth(230);
    column->addWidget(list_, 3);
    row->addLayout(column);
    setCentralWidget(body);
    setMode(Mode::kCommand);
}

OptimizerWindow::~OptimizerWindow() = default;

bool OptimizerWindow::start() {
    if (!op_->open()) return false;
    if (context_.closePlot) context_.closePlot();
    setMode(Mode::kCommand);
    return true;
}

QPushButton* OptimizerWindow::button(int id) const {
    const auto it = buttons_.find(id);
    return it == buttons_.end() ? nullptr : it->second;
}

std::vector<optimizer::PanelLine> OptimizerWindow::panelLines() const {
    std::vector<optimizer::PanelLine> lines = op_->panel();
    if (op_->inProgress() && stage_ > 0)
        lines.push_back({QString::asprintf("Stage: %-6d", stage_).toStdString(), 14});
    if (!note_.empty()) lines.push_back({note_, 4});
    return lines;
}

void OptimizerWindow::setMode(Mode mode) {
    mode_ = mode;
    // A button may be the one whose click got us here: it goes once the
    // click is over.
    for (auto& [id, b] : buttons_) {
        b->hide();
        b->deleteLater();
    }
    buttons_.clear();
    while (QLayoutItem* item = buttonLayout_->takeAt(0)) delete item;
    const std::vector<ButtonDef>& defs = mode == Mode::kCommand  ? kCommandButtons
                                         : mode == Mode::kTune   ? kTuneButtons
                                         : mode == Mode::kRanges ? kRangeButtons
                                                                 : kMemoryButtons;
    for (const ButtonDef& d : defs) {
        auto* b = new QPushButton(QString::fromLatin1(d.text), buttonBox_);
        b->setFocusPolicy(Qt::NoFocus);
        const int id = d.id;
        connect(b, &QPushButton::clicked, this, [this, id] { runCommand(id); });
        buttonLayout_->addWidget(b);
        b->show();
        buttons_[id] = b;
    }
    buttonLayout_->addStretch(1);
    list_->setVisible(mode == Mode::kRanges || mode == Mode::kMemory);
    updateList();
    update();
}

void OptimizerWindow::updateList() {
    const int row = list_->currentRow();
    list_->clear();
    std::vector<std::string> lines;
    if (mode_ == Mode::kRanges) lines = op_->segmentLines();
    if (mode_ == Mode::kMemory) lines = op_->setupLines();
    for (const std::string& l : lines) list_->addItem(QString::fromLatin1(l.c_str()));
    if (row >= 0 && row < list_->count()) list_->setCurrentRow(row);
}

int OptimizerWindow::selectedSlot() const {
    const int row = list_->currentRow();
    return row < 0 ? 0 : row / 3 + 1;
}

int OptimizerWindow::typed(int qtKey, const QString& text) {
    const QChar c = text.isEmpty() ? QChar() : text.at(0);
    const int id = commandKey(mode_, qtKey, c);
    if (id) runCommand(id);
    return id;
}

void OptimizerWindow::keyPressEvent(QKeyEvent* event) {
    // Escape or the key left of 1 between two items stops the command as it
    // does during a search.
    if ((event->key() == Qt::Key_Escape || event->key() == Qt::Key_QuoteLeft) &&
        op_->inProgress()) {
        op_->cancelCommand();
        note_ = "Abort";
        refreshView();
        return;
    }
    if (!typed(event->key(), event->text())) QMainWindow::keyPressEvent(event);
}

void OptimizerWindow::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    if (!op_->requestClose()) {
        event->ignore();
        return;
    }
    closing_ = true;
    if (context_.closePlot) context_.closePlot();
    if (context_.designChanged) context_.designChanged();
    event->accept();
}

void OptimizerWindow::runCommand(int id) {
    optimizer::Optimizer& op = *op_;
    bool refresh = true;
    switch (id) {
    case 100:
        note_.clear();
        if (op.inProgress()) return; // the next item is already on its way
        if (!op.commandPrompt()) return;
        refreshView();
        scheduleItem();
        return;
    case 101:
        op.backUp();
        break;
    case 102:
        setMode(Mode::kMemory);
        refresh = false;
        break;
    case 103:
        setMode(Mode::kRanges);
        refresh = false;
        break;
    case 104:
        op.resolution();
        break;
    case 105:
        op.qFactor();
        break;
    case 106:
        op.enterTune();
        setMode(Mode::kTune);
        break;
    case 107:
        op.askJob();
        break;
    case 108:
        op.finalStagePrompt();
        break;
    case 109:
        close();
        return;
    case 110:
        toolkit_.showHelp("OPT_MNU.HLW");
        refresh = false;
        break;
    case 140:
        op.takeHandOver();
        refresh = false;
        break;
    case 160:
        op.tuneUp();
        break;
    case 161:
        op.tuneDown();
        break;
    case 162:
        op.tuneBackUp();
        break;
    case 163:
        takeSchematicSelection();
        op.specifyValue();
        break;
    case 164:
        takeSchematicSelection();
        op.pickBranches();
        break;
    case 165:
        op.finerStep();
        refresh = false;
        break;
    case 166:
        op.coarserStep();
        refresh = false;
        break;
    case 167:
        op.leaveTune();
        setMode(Mode::kCommand);
        break;
    case 168:
        toolkit_.showHelp("OPT_TUNE.HLW");
        refresh = false;
        break;
    case 200:
        op.saveToMainRange();
        break;
    case 201:
        op.saveToSegment(list_->currentRow());
        refresh = false;
        break;
    case 202:
        op.clearSegment(list_->currentRow());
        refresh = false;
        break;
    case 203:
        op.inputRange();
        refresh = false;
        break;
    case 204:
        op.leaveRanges();
        setMode(Mode::kCommand);
        refresh = false;
        break;
    case 260:
        op.saveSetup(selectedSlot());
        refresh = false;
        break;
    case 261:
        op.recallSetup(selectedSlot());
        break;
    case 262:
        op.clearSetup(selectedSlot());
        refresh = false;
        break;
    case 263:
        setMode(Mode::kCommand);
        refresh = false;
        break;
    default:
        return;
    }
    updateList();
    if (refresh) refreshView();
    update();
}

void OptimizerWindow::takeSchematicSelection() {
    op_->schematicPick.clear();
    if (!context_.schematicSelection) return;
    const auto [first, second] = context_.schematicSelection();
    if (first > 0)
        op_->schematicPick = second > 0 ? QString::asprintf("%d&%d", first, second).toStdString()
                                        : std::to_string(first);
}

void OptimizerWindow::scheduleItem() {
    if (itemPending_ || !op_->inProgress()) return;
    itemPending_ = true;
    QTimer::singleShot(0, this, [this] { runItem(); });
}

void OptimizerWindow::runItem() {
    itemPending_ = false;
    if (closing_ || !op_->inProgress()) return;
    stage_ = 0;
    const optimizer::ItemReport r = op_->runNext();
    if (onItem) onItem(r);
    refreshView();
    if (context_.designChanged) context_.designChanged();
    scheduleItem();
}

void OptimizerWindow::refreshView() {
    if (closing_) return;
    op_->refresh();
    if (context_.refreshPlot) context_.refreshPlot();
    keepPlotClear();
    // A plot that has just opened (or been resized) sets the automatic
    // resolution: the sweep is repeated at its width.
    if (op_->points() != table_.pointCount()) {
        op_->refresh();
        if (context_.refreshPlot) context_.refreshPlot();
    }
    update();
    panel_->update();
}

void OptimizerWindow::keepPlotClear() {
    QWidget* plot = context_.plotWindow ? context_.plotWindow() : nullptr;
    if (!plot || !plot->isVisible()) return;
    const QRect frame = plot->frameGeometry();
    QRect r = frame;
    if (keepClear(frameGeometry(), r)) {
        plot->move(plot->x() + r.left() - frame.left(), plot->y());
        plot->resize(plot->width() + r.width() - frame.width(), plot->height());
        return;
    }
    // Said once per opening: the repaint after every item would otherwise
    // stop a running command with the same box again and again.
    if (overlapReported_) return;
    overlapReported_ = true;
    toolkit_.notice("Plot must not overlap optimization window!");
    setGeometry(420, 20, 236, 545);
}

} // namespace tanvex::gui
