#include "analysis/fourier_window.h"

#include "ui/hard_copy.h"
#include "ui/toolkit.h"
#include "ui/window_output.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace tanvex::gui {

namespace {

constexpr int kTopBand = 84;
constexpr int kBottomBand = 26;
constexpr int kMargin = 8;

} // namespace

// ---- Canvas ------------------------------------------------------------------

FourierCanvas::FourierCanvas(analysis::TimeDomainModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setMinimumSize(420, 420);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect FourierCanvas::plotRect() const {
    return QRect(kMargin, kTopBand, width() - 2 * kMargin, height() - kTopBand - kBottomBand);
}

void FourierCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !onClick) return;
    const int column = static_cast<int>(event->position().x()) - plotRect().left() - 5;
    onClick(column);
}

void FourierCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool light = white || printing;
    const QColor back = light ? Qt::white : Qt::black;
    const QColor ink = light ? Qt::black : QColor(220, 220, 220);
    const QColor trace = light ? QColor(0, 0, 160) : QColor(255, 255, 0);
    const QColor grid = light ? QColor(170, 170, 170) : QColor(0, 110, 0);
    p.fillRect(rect(), back);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(13);
    p.setFont(font);
    const int line = QFontMetrics(font).height();
    const QRect r = plotRect();
    p.setPen(ink);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    if (!model_.calculated()) {
        p.drawText(r, Qt::AlignCenter, QStringLiteral("Calc Page 1 (C) to calculate"));
        return;
    }
    const analysis::TimePage& page = model_.page();
    p.drawText(kMargin, line, QString::fromStdString(model_.title()));
    p.drawText(kMargin, 2 * line + 4, QString::fromStdString(model_.startText()));
    p.drawText(kMargin, 3 * line + 4, QString::fromStdString(model_.stopText()));
    if (model_.train.gated()) p.drawText(kMargin, 4 * line + 6, QStringLiteral("Envelope display"));

    // The marker box.
    const int boxWidth =
        QFontMetrics(font).horizontalAdvance(QStringLiteral("Time= -1000.00 nSec")) + 16;
    const QRect box(width() - kMargin - boxWidth, 4, boxWidth, kTopBand - 10);
    p.drawRect(box);
    int y = box.top() + line;
    p.drawText(box.left() + 8, y, QStringLiteral(">    Marker    <"));
    p.drawText(box.left() + 8, y += line, QString::fromStdString(model_.markerTimeText()));
    p.drawText(box.left() + 8, y += line, QString::fromStdString(model_.markerAmplitudeText()));
    p.drawText(box.left() + 8, y += line, QString::fromStdString(model_.markerDbText()));
    if (model_.relative()) {
        p.setPen(QColor(220, 0, 0));
        p.drawText(box.left() - 8 -
                       QFontMetrics(font).horizontalAdvance(QStringLiteral("Reference FIXED")),
                   box.top() + line,
                   model_.referenceFixed() ? QStringLiteral("Reference FIXED")
                                           : QStringLiteral("Marker RELATIVE"));
        p.setPen(ink);
    }
    p.drawText(kMargin, height() - 8, QString::fromStdString(model_.timeDivisionText()));

    // Time divisions.
    const int n = page.columns();
    const double tdiv = model_.timePerDivisionSeconds();
    auto xOf = [&](double column) { return r.left() + 5 + column; };
    p.setPen(QPen(grid, 1, Qt::DotLine));
    if (tdiv > 0.0 && page.span > 0.0 && page.span / tdiv < 400.0) {
        for (double t = std::ceil(page.start / tdiv) * tdiv; t <= page.start + page.span;
             t += tdiv) {
            const double x = xOf((t - page.start) / page.span * n);
            p.drawLine(QPointF(x, r.top() + 1), QPointF(x, r.bottom() - 1));
        }
    }
    // Reference line in the middle; values are drawn against it.
    const int half = r.height() / 2;
    const int mid = r.top() + half;
    const double scale = model_.scaleFor(half);
    const double ref = model_.reference();
    p.setPen(QPen(grid, 1, Qt::DashLine));
    p.drawLine(r.left() + 1, mid, r.right() - 1, mid);
    auto yOf = [&](double v) {
        double d = (v - ref) / scale;
        if (!std::isfinite(d)) d = 0.0;
        d = std::clamp(d, -static_cast<double>(half - 2), static_cast<double>(half - 2));
        return mid - d;
    };
    p.setPen(QPen(trace, light ? 1.5 : 1.0));
    if (model_.train.gated()) {
        for (int i = 0; i <= n; ++i)
            p.drawLine(QPointF(xOf(i), yOf(page.low[i])), QPointF(xOf(i), yOf(page.high[i])));
    } else {
        QPolygonF poly;
        for (int i = 0; i <= n; ++i) poly << QPointF(xOf(i), yOf(page.low[i]));
        p.drawPolyline(poly);
    }
    // The marker.
    p.setPen(QPen(QColor(230, 0, 0), 1));
    const double mx = xOf(model_.marker());
    p.drawLine(QPointF(mx, r.top() + 1), QPointF(mx, r.bottom() - 1));
}

// ---- Window ------------------------------------------------------------------

FourierWindow::FourierWindow(analysis::TimeDomainModel& model, ui::Toolkit& toolkit,
                             FourierContext context, QWidget* parent)
    : QMainWindow(parent), model_(model), toolkit_(toolkit), context_(std::move(context)) {
    setObjectName(QStringLiteral("Fourier"));
    setWindowTitle(QStringLiteral("Time domain response"));
    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    auto* panel = new QWidget(central);
    auto* grid = new QGridLayout(panel);
    int r = 0;
    auto heading = [&](const char* text) {
        auto* l = new QLabel(QString::fromLatin1(text), panel);
        l->setStyleSheet(QStringLiteral("font-weight: bold"));
        grid->addWidget(l, r++, 0, 1, 2);
    };
    auto addField = [&](int id, const char* label) {
        grid->addWidget(new QLabel(QString::fromLatin1(label), panel), r, 0);
        auto* e = new QLineEdit(panel);
        e->setObjectName(QString::number(id));
        e->setMinimumWidth(150);
        grid->addWidget(e, r++, 1);
        fields_[id] = e;
        if (id == analysis::kFieldSidebands) {
            e->setReadOnly(true);
            return;
        }
        connect(e, &QLineEdit::editingFinished, this, [this, id, e] {
            bool ok = false;
            const double v = e->text().trimmed().split(QLatin1Char(' ')).value(0).toDouble(&ok);
            if (ok && e->isModified()) model_.setField(id, v);
            e->setModified(false);
            refreshFields();
        });
    };
    heading("> The impulse <");
    addField(analysis::kFieldRepRate, "Rep rate");
    addField(analysis::kFieldDuty, "Duty cycle % ");
    addField(analysis::kFieldCarrier, "Carrier Freq.");
    heading(">  Harmonics  <");
    addField(analysis::kFieldLower, " Lower limit");
    addField(analysis::kFieldUpper, " Upper limit");
    addField(analysis::kFieldSidebands, " Sidebands");
    heading(">   Control   <");
    addField(analysis::kFieldReps, "Num of reps.");
    addField(analysis::kFieldStartDelay, "Start delay ");
    message_ = new QLabel(panel);
    message_->setWordWrap(true);
    message_->setStyleSheet(QStringLiteral("color: #c00000"));
    grid->addWidget(message_, r++, 0, 1, 2);
    grid->setRowStretch(r, 1);
    row->addWidget(panel);
    canvas_ = new FourierCanvas(model_, central);
    canvas_->onClick = [this](int column) {
        model_.setMarkerColumn(column);
        canvas_->update();
    };
    row->addWidget(canvas_, 1);
    setCentralWidget(central);
    buildMenus(false);
    setMinimumSize(600, 600);
    resize(980, 620);
    refreshFields();
}

FourierWindow::~FourierWindow() = default;

QLineEdit* FourierWindow::field(int id) const {
    auto it = fields_.find(id);
    return it == fields_.end() ? nullptr : it->second;
}

int FourierWindow::columns() const {
    return std::max(canvas_->plotRect().width() - 10, 4);
}

void FourierWindow::takeFields() {
    for (auto& [id, e] : fields_)
        if (e->isModified()) Q_EMIT e->editingFinished();
}

void FourierWindow::refreshFields() {
    // Until a calculation the limits follow the rules at every repaint.
    if (!model_.calculated()) model_.settle();
    for (auto& [id, e] : fields_) e->setText(QString::fromStdString(model_.fieldText(id)));
    message_->setText(QString::fromStdString(model_.limitMessage));
    canvas_->update();
}

QAction* FourierWindow::addCommand(QMenu* menu, int id, const char* text, const QString& key) {
    QAction* a = menu ? menu->addAction(QString::fromLatin1(text))
                      : menuBar()->addAction(QString::fromLatin1(text));
    a->setObjectName(QString::number(id));
    if (!key.isEmpty()) a->setShortcut(QKeySequence(key));
    connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    return a;
}

void FourierWindow::buildMenus(bool calculated) {
    menuBar()->clear();
    menusCalculated_ = calculated;
    menuBar()->setObjectName(calculated ? QStringLiteral("imp_menu2") : QStringLiteral("imp_menu"));
    addCommand(nullptr, kFourierExit, "e&Xit");
    addCommand(nullptr, kFourierAnalyse, "&Analyse freq. domain");
    addCommand(nullptr, kFourierCalc, "&Calc Page 1");
    if (calculated) {
        addCommand(nullptr, kFourierNextPage, "&Next page");
        QMenu* marker = menuBar()->addMenu(QStringLiteral("&Marker"));
        addCommand(marker, kFourierNormalize, "n&Ormalize");
        addCommand(marker, kFourierMarkerMax, "Marker &Max.");
        addCommand(marker, kFourierZeroMarker, "&Zero marker");
        QMenu* ref = menuBar()->addMenu(QStringLiteral("&Reference"));
        addCommand(ref, kFourierZeroRef, "&Zero");
        addCommand(ref, kFourierAverageRef, "&Average");
        addCommand(ref, kFourierStartRef, "&Start of imp.");
        QMenu* out = menuBar()->addMenu(QStringLiteral("&Transfer"));
        addCommand(out, kFourierWhite, "&Invert background to white");
        addCommand(out, kFourierBitmap, "make &BMP graphics file");
        addCommand(out, kFourierClipboard, "&Copy to Clipboard");
        addCommand(out, kFourierHardCopy, "&Hard copy plot");
    }
    addCommand(nullptr, kFourierHelp, "&?-help");
    QAction* main = menuBar()->addAction(QStringLiteral("main"));
    connect(main, &QAction::triggered, this, [this] {
        if (context_.focusMain) context_.focusMain();
    });
}

void FourierWindow::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const QString t = event->text().toUpper();
    int id = 0;
    switch (event->key()) {
    case Qt::Key_Right:
        id = shift ? kFourierRightFive : kFourierRight;
        break;
    case Qt::Key_Left:
        id = shift ? kFourierLeftFive : kFourierLeft;
        break;
    default:
        if (t == QLatin1String("."))
            id = kFourierRight;
        else if (t == QLatin1String(","))
            id = kFourierLeft;
        else if (t == QLatin1String(">"))
            id = kFourierRightFive;
        else if (t == QLatin1String("<"))
            id = kFourierLeftFive;
        else if (t == QLatin1String("X"))
            id = kFourierExit;
        else if (t == QLatin1String("A"))
            id = kFourierAnalyse;
        else if (t == QLatin1String("C"))
            id = kFourierCalc;
        else if (t == QLatin1String("N"))
            id = kFourierNextPage;
        else if (t == QLatin1String("O"))
            id = kFourierNormalize;
        else if (t == QLatin1String("M"))
            id = kFourierMarkerMax;
        else if (t == QLatin1String("Z"))
            id = kFourierZeroMarker;
        else if (t == QLatin1String("G"))
            id = kFourierBitmap;
        else if (t == QLatin1String("?"))
            id = kFourierHelp;
        break;
    }
    if (id == 0) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    runCommand(id);
}

void FourierWindow::runCommand(int id) {
    switch (id) {
    case kFourierExit:
        close();
        return;
    case kFourierAnalyse:
        if (context_.analyse) context_.analyse();
        break;
    case kFourierCalc:
        takeFields();
        if (context_.closeViews) context_.closeViews();
        if (model_.calculateFirst(columns()) == 0 && !menusCalculated_) buildMenus(true);
        break;
    case kFourierNextPage:
        model_.nextPage();
        break;
    case kFourierNormalize:
        model_.normalize();
        break;
    case kFourierMarkerMax:
        model_.markerToMax();
        break;
    case kFourierZeroMarker:
        model_.toggleRelative();
        break;
    case kFourierZeroRef:
    case kFourierAverageRef:
    case kFourierStartRef:
        model_.setReference(static_cast<analysis::ReferenceMode>(id - kFourierZeroRef));
        break;
    case kFourierRight:
        model_.moveMarker(1);
        break;
    case kFourierLeft:
        model_.moveMarker(-1);
        break;
    case kFourierRightFive:
        model_.moveMarker(5);
        break;
    case kFourierLeftFive:
        model_.moveMarker(-5);
        break;
    case kFourierHelp:
        toolkit_.showHelp("IMP_MNU.HLW");
        break;
    case kFourierWhite:
        canvas_->white = !canvas_->white;
        break;
    case kFourierBitmap:
        status = saveWindowBitmap(toolkit_, canvas_, "fourier", context_.workingDirectory);
        break;
    case kFourierClipboard:
        copyWindowToClipboard(canvas_);
        break;
    case kFourierHardCopy: {
        HardCopyJob job;
        job.setting = context_.hardCopySetting;
        job.caption = ui::hardCopyCaption(context_.designName, context_.q[0], context_.q[1],
                                          context_.q[2], context_.user);
        job.name = "TANVEX time domain";
        job.setPrinting = [this](bool on) { canvas_->printing = on; };
        hardCopy(canvas_, job, &toolkit_);
        break;
    }
    default:
        break;
    }
    refreshFields();
}

} // namespace tanvex::gui
