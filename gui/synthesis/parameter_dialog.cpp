#include "synthesis/parameter_dialog.h"

#include "synthesis/placer.h"

#include "synthesis/catalogue.h"
#include "synthesis/parameters.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstdio>

namespace tanvex::gui {

using namespace tanvex::synthesis;

namespace {
const char kGridLetters[5] = {'C', 'L', 'D', 'Z', 'X'};

QString q(const std::string& s) {
    return QString::fromLatin1(s.c_str());
}
} // namespace

ParameterDialog::ParameterDialog(Design& design, ui::Toolkit& toolkit, QWidget* parent)
    : QDialog(parent), design_(design), toolkit_(toolkit) {
    setWindowTitle(QStringLiteral("DESIGN PARAMETERS"));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    setFont(fixed);

    auto* top = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    top->addLayout(left);

    designLabel_ = new QLabel(this);
    refLabel_ = new QLabel(this);
    left->addWidget(designLabel_);
    left->addWidget(refLabel_);

    auto* rowsGrid = new QGridLayout;
    for (int i = 0; i < kRows; ++i) {
        labels_[i] = new QLabel(this);
        labels_[i]->setObjectName(QString::number(301 + i));
        edits_[i] = new QLineEdit(this);
        edits_[i]->setObjectName(QString::number(101 + i));
        edits_[i]->setFixedWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 16);
        edits_[i]->installEventFilter(this);
        rowsGrid->addWidget(labels_[i], i, 0);
        rowsGrid->addWidget(edits_[i], i, 1);
    }
    left->addLayout(rowsGrid);

    auto* est = new QGroupBox(QStringLiteral("ESTIMATE Order N"), this);
    auto* estGrid = new QGridLayout(est);
    auto* estALabel = new QLabel(QStringLiteral("Required attenuation   (dB)"), est);
    estALabel->setObjectName(QStringLiteral("315"));
    estFreqLabel_ = new QLabel(est);
    estFreqLabel_->setObjectName(QStringLiteral("316"));
    estAtten_ = new QLineEdit(est);
    estAtten_->setObjectName(QStringLiteral("115"));
    estFreq_ = new QLineEdit(est);
    estFreq_->setObjectName(QStringLiteral("116"));
    auto* orderButton = new QPushButton(QStringLiteral("Order &N"), est);
    estGrid->addWidget(estALabel, 0, 0);
    estGrid->addWidget(estAtten_, 0, 1);
    estGrid->addWidget(estFreqLabel_, 1, 0);
    estGrid->addWidget(estFreq_, 1, 1);
    estGrid->addWidget(orderButton, 0, 2, 2, 1);
    left->addWidget(est);

    hint_ = new QLabel(this);
    warning_ = new QLabel(this);
    message_ = new QLabel(this);
    QPalette red = message_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    message_->setPalette(red);
    warning_->setPalette(red);
    left->addWidget(message_);
    left->addWidget(hint_);
    left->addWidget(warning_);

    auto* buttons = new QHBoxLayout;
    calcButton_ = new QPushButton(QStringLiteral("&CALCULATE"), this);
    auto* exitB = new QPushButton(QStringLiteral("e&Xit"), this);
    auto* matchB = new QPushButton(QStringLiteral("ma&Tcher"), this);
    auto* modifyB = new QPushButton(QStringLiteral("&Modify"), this);
    auto* helpB = new QPushButton(QStringLiteral("&?-help"), this);
    auto* presetB = new QPushButton(QStringLiteral("&Preset"), this);
    for (QPushButton* b : {calcButton_, exitB, matchB, modifyB, presetB, helpB}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    calcButton_->setDefault(true);
    left->addLayout(buttons);

    gridBox_ = new QGroupBox(QStringLiteral("    C  L  D  Z  X"), this);
    auto* g = new QGridLayout(gridBox_);
    g->setVerticalSpacing(0);
    for (int r = 0; r < kGridRows; ++r) {
        char num[8];
        std::snprintf(num, sizeof num, "%2d", r + 1);
        g->addWidget(new QLabel(QString::fromLatin1(num), gridBox_), r, 0);
        groups_[r] = new QButtonGroup(this);
        for (int c = 0; c < 5; ++c) {
            auto* rb = new QRadioButton(gridBox_);
            rb->setToolTip(QString(QLatin1Char(kGridLetters[c])));
            grid_[r][c] = rb;
            groups_[r]->addButton(rb, c);
            g->addWidget(rb, r, c + 1);
        }
        connect(groups_[r], &QButtonGroup::idClicked, this, [this, r](int c) {
            EntryEffect e = clickCoupling(design_, r + 1, kGridLetters[c]);
            if (e.flagsChanged) rebuild();
            refreshValues();
        });
    }
    top->addWidget(gridBox_);

    connect(calcButton_, &QPushButton::clicked, this, &ParameterDialog::calculate);
    connect(exitB, &QPushButton::clicked, this, &ParameterDialog::exitDialog);
    connect(matchB, &QPushButton::clicked, this, [this] {
        if (openMatcher) openMatcher();
    });
    connect(modifyB, &QPushButton::clicked, this, &ParameterDialog::modify);
    connect(helpB, &QPushButton::clicked, this, [this] {
        if (showHelp) showHelp("PAR_MNU.HLW");
    });
    connect(presetB, &QPushButton::clicked, this, &ParameterDialog::preset);
    connect(orderButton, &QPushButton::clicked, this, &ParameterDialog::estimateOrder);

    rebuild();
    // A refused calculation points at the parameter at fault.
    const int fault = faultIndex(design_.record);
    if (fault != 0) {
        message_->setText(QStringLiteral("Inappropriate parameter set!"));
        warning_->setText(QStringLiteral("Warnings: Inappropriate parameter set!"));
        if (QLineEdit* e = editForSlot(fault)) {
            e->setFocus();
            focusSlot_ = fault;
            showHint(fault);
        }
        setFaultIndex(design_.record, 0);
    } else if (referenceKind(design_.record) == 6) {
        const PlacerState st = placerFromFile(design_.placer);
        if (st.maskCount > 0 && st.maskType == 2)
            warning_->setText(st.maskFromMarkers
                                  ? QStringLiteral("Warnings: LP placer mask adjust: To MARKERS")
                                  : QStringLiteral("Warnings: LP placer mask adjust: MANUAL"));
    }
}

void ParameterDialog::rebuild() {
    rebuilding_ = true;
    rows_ = dialogRows(design_);
    designLabel_->setText(q("Design:   " + designTypeName(designType(design_.record))));
    refLabel_->setText(q("Ref. Lp:  " + referenceName(referenceKind(design_.record))));
    char buf[64];
    std::snprintf(buf, sizeof buf, "   At what frequency (%s)",
                  design_.notation.frequency.name.c_str());
    estFreqLabel_->setText(QString::fromLatin1(buf));
    for (int i = 0; i < kRows; ++i) {
        const bool used = i < static_cast<int>(rows_.size());
        labels_[i]->setText(used ? q(synthesis::rowLabel(design_, rows_[i])) : QString());
        edits_[i]->setEnabled(used);
        edits_[i]->setVisible(used);
    }
    rebuilding_ = false;
    refreshValues();
}

void ParameterDialog::refreshValues() {
    rebuilding_ = true;
    for (int i = 0; i < kRows; ++i) {
        const bool used = i < static_cast<int>(rows_.size());
        edits_[i]->setText(used ? q(rowValue(design_, rows_[i])) : QString());
    }
    rebuilding_ = false;
    refreshGrid();
}

void ParameterDialog::refreshGrid() {
    const bool show = isUsed(design_.record, 12);
    gridBox_->setVisible(show);
    const int n = orderN(design_.record);
    for (int r = 0; r < kGridRows; ++r) {
        const char c = coupling(design_.record, r + 1);
        const bool active = r + 1 <= n - 1;
        for (int k = 0; k < 5; ++k) grid_[r][k]->setEnabled(active);
        groups_[r]->setExclusive(false);
        for (int k = 0; k < 5; ++k) grid_[r][k]->setChecked(active && c == kGridLetters[k]);
        groups_[r]->setExclusive(true);
    }
}

void ParameterDialog::showHint(int slot) {
    hint_->setText(q("Hints: " + parameterHint(design_, slot)));
}

QLineEdit* ParameterDialog::editForSlot(int slot) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i] == slot) return edits_[i];
    return nullptr;
}

QRadioButton* ParameterDialog::gridButton(int row, int column) const {
    if (row < 1 || row > kGridRows || column < 0 || column > 4) return nullptr;
    return grid_[static_cast<size_t>(row - 1)][static_cast<size_t>(column)];
}

QPushButton* ParameterDialog::button(const QString& text) const {
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

QString ParameterDialog::hintText() const {
    return hint_->text();
}
QString ParameterDialog::warningText() const {
    return warning_->text();
}

void ParameterDialog::commitSlot(int slot) {
    QLineEdit* e = editForSlot(slot);
    if (!e) return;
    EntryEffect eff = enterParameter(design_, slot, e->text().toStdString());
    lastEdited_ = slot;
    if (eff.flagsChanged) {
        rebuild();
    } else {
        refreshValues();
    }
}

bool ParameterDialog::eventFilter(QObject* watched, QEvent* event) {
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (watched != edits_[i]) continue;
        if (event->type() == QEvent::FocusIn) {
            focusSlot_ = rows_[i];
            showHint(rows_[i]);
        } else if (event->type() == QEvent::FocusOut && !rebuilding_) {
            commitSlot(rows_[i]);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ParameterDialog::calculate() {
    if (focusSlot_ >= 0) commitSlot(focusSlot_);
    done(1);
}

void ParameterDialog::exitDialog() {
    if (focusSlot_ >= 0) commitSlot(focusSlot_);
    done(0);
}

void ParameterDialog::preset() {
    applyPreset(design_.record);
    updateDependentFlags(design_.record);
    rebuild();
    calcButton_->setFocus();
}

void ParameterDialog::modify() {
    if (QLineEdit* e = editForSlot(lastEdited_)) e->setFocus();
}

void ParameterDialog::estimateOrder() {
    const int kind = referenceKind(design_.record);
    if (kind == 6) {
        if (toolkit_.respond("Make LP Placer mask?", 'Y') == 'Y') {
            std::vector<std::pair<double, double>> m;
            if (plotMarkerLevels) m = plotMarkerLevels();
            PlacerState st = placerFromFile(design_.placer);
            const std::string why = lowpassMaskFromMarkers(st, design_.record, m);
            if (!why.empty()) {
                toolkit_.notice(why);
                return;
            }
            design_.placer = placerToFile(st);
            message_->setText(QStringLiteral("*** Applying plot markers ***"));
            warning_->setText(QStringLiteral("Warnings: LP placer mask adjust: To MARKERS"));
        }
        return;
    }
    double atten = estAtten_->text().toDouble();
    double freq = estFreq_->text().toDouble() / design_.notation.frequency.multiplier;
    if ((kind == 1 || kind == 4) && plotMarkers) {
        std::vector<double> m = plotMarkers();
        if (!m.empty()) {
            message_->setText(QStringLiteral("*** Applying plot markers ***"));
            freq = m.front();
        }
    }
    const int n = synthesis::estimateOrder(design_, atten, freq);
    if (n > 0) {
        design_.record[1].value = n;
        updateDependentFlags(design_.record);
        refreshValues();
    } else {
        toolkit_.beep();
    }
}

int runPresetPicker(DesignRecord& rec, ui::Toolkit& toolkit) {
    return synthesis::presetPicker(rec, toolkit);
}

} // namespace tanvex::gui
