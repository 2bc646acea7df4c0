#include "equalizer/equalizer_window.h"

#include "design/text_io.h"
#include "ui/window_output.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tanvex::gui {

namespace {

// Palette indices of the three curves and the grid.
constexpr int kTargetColour = 4;    // red
constexpr int kEqualizerColour = 1; // blue
constexpr int kSumColour = 0;       // black
constexpr int kGridColour = 8;      // grey

bool readNumber(const QLineEdit* edit, double& out) {
    bool ok = false;
    out = edit->text().trimmed().toDouble(&ok);
    return ok && std::isfinite(out);
}

} // namespace

EqualizerPlot::EqualizerPlot(QWidget* parent) : QWidget(parent) {
    setMinimumSize(420, 260);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void EqualizerPlot::setCurves(Curves curves) {
    curves_ = std::move(curves);
    update();
}

void EqualizerPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    painter.setFont(font);
    const QFontMetrics fm(font);
    const int left = fm.horizontalAdvance(QStringLiteral("-000.000 ")) + 4;
    const int top = fm.height() + 6;
    const int right = width() - fm.horizontalAdvance(QStringLiteral("00000")) - 4;
    const int bottom = height() - 2 * fm.height() - 6;
    painter.setPen(paletteColour(0));
    painter.drawRect(left, top, right - left, bottom - top);
    const Curves& c = curves_;
    if (c.f.size() < 2) {
        painter.drawText(left + 8, top + fm.height() + 4, QStringLiteral("Fit to see the curves"));
        return;
    }
    double lo = 0.0, hi = 0.0;
    bool first = true;
    for (const auto* v : {&c.target, &c.equalizer, &c.sum})
        for (double y : *v) {
            if (first) lo = hi = y;
            lo = std::min(lo, y);
            hi = std::max(hi, y);
            first = false;
        }
    if (!(hi > lo)) hi = lo + 1.0;
    const double pad = 0.05 * (hi - lo);
    lo -= pad;
    hi += pad;
    const double f1 = c.f.front(), f2 = c.f.back();
    auto px = [&](double f) { return left + (f - f1) / (f2 - f1) * (right - left); };
    auto py = [&](double y) { return bottom - (y - lo) / (hi - lo) * (bottom - top); };
    // Grid and scale: five divisions each way, each scale with the decimals
    // its step needs. The end labels of the frequency scale stand inside the
    // plot's width, so that neither runs into the level scale or off the edge.
    const auto decimals = [](double step) {
        return std::clamp(1 - static_cast<int>(std::floor(std::log10(step))), 0, 6);
    };
    const int yDecimals = decimals((hi - lo) / 5.0);
    const int fDecimals = decimals((f2 - f1) / 5.0);
    QPen grid(paletteColour(kGridColour));
    grid.setStyle(Qt::DotLine);
    for (int i = 0; i <= 5; ++i) {
        const double y = lo + i * (hi - lo) / 5.0;
        const double f = f1 + i * (f2 - f1) / 5.0;
        painter.setPen(grid);
        painter.drawLine(QPointF(left, py(y)), QPointF(right, py(y)));
        painter.drawLine(QPointF(px(f), top), QPointF(px(f), bottom));
        painter.setPen(paletteColour(0));
        painter.drawText(QRectF(0, py(y) - fm.height() / 2.0, left - 4, fm.height()),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(y, 'f', yDecimals));
        const QString label = QString::number(f, 'f', fDecimals);
        const double w = fm.horizontalAdvance(label) + 2;
        const double x0 = std::clamp(px(f) - w / 2.0, static_cast<double>(left), right - w);
        painter.drawText(QRectF(x0, bottom + 2, w, fm.height()), Qt::AlignCenter, label);
    }
    painter.drawText(QRectF(left, bottom + fm.height() + 4, right - left, fm.height()),
                     Qt::AlignCenter, c.frequencyUnit);
    const QString legend[3] = {QStringLiteral("target"), QStringLiteral("equalizer"),
                               QStringLiteral("sum")};
    const int colours[3] = {kTargetColour, kEqualizerColour, kSumColour};
    const std::vector<double>* series[3] = {&c.target, &c.equalizer, &c.sum};
    int x = left;
    painter.setPen(paletteColour(0));
    painter.drawText(x, fm.ascent() + 2, c.valueUnit);
    x += fm.horizontalAdvance(c.valueUnit + QStringLiteral("    "));
    for (int s = 0; s < 3; ++s) {
        QPen pen(paletteColour(colours[s]));
        pen.setWidth(2);
        painter.setPen(pen);
        painter.drawLine(x, fm.height() / 2 + 2, x + 20, fm.height() / 2 + 2);
        painter.drawText(x + 24, fm.ascent() + 2, legend[s]);
        x += 24 + fm.horizontalAdvance(legend[s] + QStringLiteral("   "));
        const std::vector<double>& v = *series[s];
        if (v.size() != c.f.size()) continue;
        QPainterPath path;
        for (std::size_t k = 0; k < v.size(); ++k) {
            const QPointF p(px(c.f[k]), py(v[k]));
            if (k == 0)
                path.moveTo(p);
            else
                path.lineTo(p);
        }
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.drawPath(path);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
}

EqualizerWindow::EqualizerWindow(Design& design, ui::Toolkit& toolkit,
                                 analysis::DataFileServices& data, QWidget* parent)
    : QMainWindow(parent), design_(design), toolkit_(toolkit), data_(data),
      equalizer_(std::make_unique<equalizer::Equalizer>(design, toolkit, &data)) {
    setWindowTitle(QStringLiteral("Equalizer"));
    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    auto* column = new QVBoxLayout;
    row->addLayout(column);

    auto* kind = new QGroupBox(QStringLiteral("Equalize"), central);
    auto* kindLayout = new QVBoxLayout(kind);
    delay_ = new QRadioButton(QStringLiteral("group &Delay (all-pass)"), kind);
    amplitude_ = new QRadioButton(QStringLiteral("&Amplitude"), kind);
    kindLayout->addWidget(delay_);
    kindLayout->addWidget(amplitude_);
    column->addWidget(kind);

    auto* target = new QGroupBox(QStringLiteral("Target"), central);
    auto* targetLayout = new QVBoxLayout(target);
    fromDesign_ = new QRadioButton(QStringLiteral("the design's &Response"), target);
    fromData_ = new QRadioButton(QStringLiteral("data file (.&eqd)"), target);
    targetLayout->addWidget(fromDesign_);
    targetLayout->addWidget(fromData_);
    column->addWidget(target);

    const QString unit =
        QString::fromStdString(equalizer::trimmedUnit(design.notation.frequency.name));
    auto* form = new QFormLayout;
    from_ = new QLineEdit(central);
    to_ = new QLineEdit(central);
    sections_ = new QSpinBox(central);
    sections_->setRange(0, equalizer::kMaxSections);
    sections_->setSpecialValueText(QStringLiteral("by ripple"));
    ripple_ = new QLineEdit(central);
    end_ = new QComboBox(central);
    end_->addItem(QStringLiteral("source end"));
    end_->addItem(QStringLiteral("load end"));
    form->addRow(QStringLiteral("From (%1)").arg(unit), from_);
    form->addRow(QStringLiteral("To (%1)").arg(unit), to_);
    form->addRow(QStringLiteral("&Sections"), sections_);
    form->addRow(QStringLiteral("Ripple p-p"), ripple_);
    form->addRow(QStringLiteral("Place at"), end_);
    column->addLayout(form);

    fitButton_ = new QPushButton(QStringLiteral("&Fit"), central);
    applyButton_ = new QPushButton(QStringLiteral("A&pply to design"), central);
    undoButton_ = new QPushButton(QStringLiteral("&Undo"), central);
    saveButton_ = new QPushButton(QStringLiteral("Save &data"), central);
    auto* help = new QPushButton(QStringLiteral("&?-Help"), central);
    auto* exitButton = new QPushButton(QStringLiteral("e&Xit"), central);
    for (QPushButton* b : {fitButton_, applyButton_, undoButton_, saveButton_, help, exitButton})
        column->addWidget(b);
    column->addStretch(1);

    auto* right = new QVBoxLayout;
    row->addLayout(right, 1);
    plot_ = new EqualizerPlot(central);
    right->addWidget(plot_, 1);
    status_ = new QLabel(central);
    status_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    status_->setWordWrap(true);
    right->addWidget(status_);
    list_ = new QListWidget(central);
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    list_->setMaximumHeight(140);
    right->addWidget(list_);
    setCentralWidget(central);

    connect(fitButton_, &QPushButton::clicked, this, [this] { fit(); });
    connect(applyButton_, &QPushButton::clicked, this, [this] { apply(); });
    connect(undoButton_, &QPushButton::clicked, this, [this] { undo(); });
    connect(saveButton_, &QPushButton::clicked, this, [this] { saveData(); });
    connect(help, &QPushButton::clicked, this, [this] { toolkit_.showHelp("EQUALIZ.HLW"); });
    connect(exitButton, &QPushButton::clicked, this, &QWidget::close);

    // Start from the design: a bandpass over 80 % of its passband, any other
    // design over its saved sweep; the design type chooses delay or amplitude.
    equalizer::Job job;
    const DesignRecord& rec = design.record;
    const int type = static_cast<int>(rec[kSlotDesignType].value);
    job.mode = type == 13 ? equalizer::Mode::kAmplitude : equalizer::Mode::kDelay;
    const double fo = rec[5].value, bw = rec[6].value;
    if (fo > 0.0 && bw > 0.0 && bw < 2.0 * fo) {
        job.from = fo - 0.4 * bw;
        job.to = fo + 0.4 * bw;
    } else {
        const double mult = design.notation.frequency.multiplier;
        job.from = design.analysis[0] / mult;
        job.to = design.analysis[1] / mult;
    }
    showJob(job);
    refresh();
}

EqualizerWindow::~EqualizerWindow() = default;

void EqualizerWindow::showJob(const equalizer::Job& job) {
    const double mult = design_.notation.frequency.multiplier;
    (job.mode == equalizer::Mode::kDelay ? delay_ : amplitude_)->setChecked(true);
    (job.fromData ? fromData_ : fromDesign_)->setChecked(true);
    from_->setText(QString::number(job.from * mult, 'g', 8));
    to_->setText(QString::number(job.to * mult, 'g', 8));
    sections_->setValue(job.sections);
    const double unit =
        job.mode == equalizer::Mode::kDelay ? design_.notation.time.multiplier : 1.0;
    ripple_->setText(QString::number(job.ripple * unit, 'g', 6));
    end_->setCurrentIndex(job.sourceEnd ? 0 : 1);
}

bool EqualizerWindow::readJob(equalizer::Job& job) {
    job = equalizer::Job{};
    job.mode = amplitude_->isChecked() ? equalizer::Mode::kAmplitude : equalizer::Mode::kDelay;
    job.fromData = fromData_->isChecked();
    job.sourceEnd = end_->currentIndex() == 0;
    job.sections = sections_->value();
    const double mult = design_.notation.frequency.multiplier;
    double from = 0.0, to = 0.0, ripple = 0.0;
    const bool haveBand = readNumber(from_, from) && readNumber(to_, to);
    if (!haveBand &&
        !(job.fromData && from_->text().trimmed().isEmpty() && to_->text().trimmed().isEmpty())) {
        toolkit_.notice("Bad frequency range!");
        return false;
    }
    job.from = haveBand ? from / mult : 0.0;
    job.to = haveBand ? to / mult : 0.0;
    if (job.sections == 0) {
        if (!readNumber(ripple_, ripple) || !(ripple > 0.0)) {
            toolkit_.notice("Give the number of sections or a ripple above 0.");
            return false;
        }
        const double unit =
            job.mode == equalizer::Mode::kDelay ? design_.notation.time.multiplier : 1.0;
        job.ripple = ripple / unit;
    }
    return true;
}

bool EqualizerWindow::fit() {
    equalizer::Job job;
    if (!readJob(job)) return false;
    fitted_ = false;
    // The plot follows the fit section by section.
    equalizer_->fitter().onStep = [this](const std::vector<equalizer::Section>& sections) {
        showProgress(sections);
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = equalizer_->takeTarget(job) && equalizer_->fit();
    QApplication::restoreOverrideCursor();
    fitted_ = ok;
    if (ok && job.fromData) showJob(equalizer_->job()); // the table's range
    refresh();
    return ok;
}

bool EqualizerWindow::apply() {
    if (!fitted_ || equalizer_->sections().empty()) {
        toolkit_.notice("Fit the equalizer first.");
        return false;
    }
    auto before = std::make_unique<EntryList>(design_.entries);
    if (equalizer_->append(design_) < 0) return false;
    undoEntries_ = std::move(before);
    // The sections are in the design now; fitting again starts afresh.
    fitted_ = false;
    if (designChanged) designChanged();
    refresh();
    return true;
}

bool EqualizerWindow::undo() {
    if (!undoEntries_) return false;
    design_.entries = *undoEntries_;
    undoEntries_.reset();
    if (designChanged) designChanged();
    refresh();
    return true;
}

int EqualizerWindow::saveData() {
    if (!fitted_) {
        toolkit_.notice("Fit the equalizer first.");
        return -1;
    }
    return equalizer_->saveData();
}

void EqualizerWindow::showProgress(const std::vector<equalizer::Section>& sections) {
    const equalizer::Equalizer& eq = *equalizer_;
    const int m = eq.points();
    std::vector<double> response(static_cast<std::size_t>(m));
    if (!equalizer_->fitter().evaluate(sections, eq.job().mode, eq.impedance(), response.data()))
        return;
    const bool delay = eq.job().mode == equalizer::Mode::kDelay;
    const double unit = delay ? design_.notation.time.multiplier : 1.0;
    EqualizerPlot::Curves c;
    const double mult = design_.notation.frequency.multiplier;
    for (int k = 0; k < m; ++k) {
        c.f.push_back(eq.frequency(k) * mult);
        c.target.push_back(eq.target()[k] * unit);
        c.equalizer.push_back(response[k] * unit);
        c.sum.push_back((eq.target()[k] + response[k]) * unit);
    }
    c.frequencyUnit =
        QString::fromStdString(equalizer::trimmedUnit(design_.notation.frequency.name));
    c.valueUnit = delay ? QString::fromStdString(equalizer::trimmedUnit(design_.notation.time.name))
                        : QStringLiteral("dB");
    plot_->setCurves(std::move(c));
    status_->setText(QStringLiteral("Fitting: %1 section(s), peak-to-peak %2")
                         .arg(sections.size())
                         .arg(equalizer::peakToPeak(plot_->curves().sum.data(), m), 0, 'g', 5));
    plot_->repaint();
    status_->repaint();
}

QString EqualizerWindow::status() const {
    return status_->text();
}

void EqualizerWindow::refresh() {
    applyButton_->setEnabled(fitted_ && !equalizer_->sections().empty());
    saveButton_->setEnabled(fitted_);
    undoButton_->setEnabled(static_cast<bool>(undoEntries_));
    list_->clear();
    if (!fitted_) {
        status_->setText(undoEntries_ ? QStringLiteral("Sections applied to the design.")
                                      : QStringLiteral("Choose the job and Fit."));
        return;
    }
    const equalizer::Equalizer& eq = *equalizer_;
    const bool delay = eq.job().mode == equalizer::Mode::kDelay;
    const double unit = delay ? design_.notation.time.multiplier : 1.0;
    const QString unitName =
        delay ? QString::fromStdString(equalizer::trimmedUnit(design_.notation.time.name))
              : QStringLiteral("dB");
    for (const equalizer::Section& s : eq.sections())
        list_->addItem(QString::fromStdString(eq.describe(s)));
    QString text = QStringLiteral("Peak-to-peak %1 -> %2 %3 with %4 section(s), %5 ohms")
                       .arg(eq.report().rippleBefore * unit, 0, 'g', 5)
                       .arg(eq.report().rippleAfter * unit, 0, 'g', 5)
                       .arg(unitName)
                       .arg(eq.sections().size())
                       .arg(eq.impedance(), 0, 'g', 6);
    if (eq.report().stalled) text += QStringLiteral("; no further section helps");
    status_->setText(text);
    EqualizerPlot::Curves c;
    const double mult = design_.notation.frequency.multiplier;
    for (int k = 0; k < eq.points(); ++k) {
        c.f.push_back(eq.frequency(k) * mult);
        c.target.push_back(eq.target()[k] * unit);
        c.equalizer.push_back(eq.response()[k] * unit);
        c.sum.push_back(eq.sum()[k] * unit);
    }
    c.frequencyUnit =
        QString::fromStdString(equalizer::trimmedUnit(design_.notation.frequency.name));
    c.valueUnit = unitName;
    plot_->setCurves(std::move(c));
}

} // namespace tanvex::gui
