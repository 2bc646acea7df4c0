#include "analysis/analysis_dialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tanvex::gui {

using namespace plot;

AnalysisDialog::AnalysisDialog(Design& design, analysis::SweepOptions& options,
                               ui::Toolkit& toolkit, DialogState& state, int plotWidth,
                               QWidget* parent)
    : QDialog(parent), model_(design, options, toolkit, state) {
    setObjectName(QStringLiteral("nwa_box"));
    setWindowTitle(QStringLiteral("Network analysis"));
    model_.open(plotWidth);

    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    outer->addLayout(top);

    // Frequency range.
    auto* range = new QGroupBox(QStringLiteral("Frequency"), this);
    auto* rg = new QGridLayout(range);
    const struct {
        int id;
        const char* label;
    } rangeRows[] = {{kIdStart, "From [, To, +-Step]"},
                     {kIdStop, "To"},
                     {kIdStep, "Step frequency"},
                     {kIdPoints, "Number of steps"}};
    int row = 0;
    for (const auto& r : rangeRows) {
        rg->addWidget(new QLabel(QString::fromLatin1(r.label), range), row, 0);
        rg->addWidget(addEdit(r.id), row, 1);
        ++row;
    }
    unit_ = new QLabel(range);
    unit_->setObjectName(QString::number(kIdUnit));
    rg->addWidget(unit_, 0, 2);
    top->addWidget(range);

    auto* q = new QGroupBox(QStringLiteral("Assumed Q"), this);
    auto* qg = new QGridLayout(q);
    const struct {
        int id;
        const char* label;
    } qRows[] = {{kIdQl, "Inductors"}, {kIdQc, "Capacitors"}, {kIdQt, "Trans lines"}};
    row = 0;
    for (const auto& r : qRows) {
        qg->addWidget(new QLabel(QString::fromLatin1(r.label), q), row, 0);
        qg->addWidget(addEdit(r.id), row, 1);
        ++row;
    }
    top->addWidget(q);

    auto* modes = new QHBoxLayout;
    outer->addLayout(modes);
    auto radioGroup = [&](const char* title,
                          std::initializer_list<std::pair<int, const char*>> rs) {
        auto* g = new QGroupBox(QString::fromLatin1(title), this);
        auto* l = new QVBoxLayout(g);
        for (const auto& [id, text] : rs) {
            QRadioButton* b = addRadio(id, text);
            b->setParent(g);
            l->addWidget(b);
        }
        modes->addWidget(g);
        return g;
    };
    radioGroup("Display mode", {{kIdGraphic, "&Graphic"}, {kIdTabulated, "&Tabulated"}});
    radioGroup("Group delay mode",
               {{kIdFast, "Fast"}, {kIdPrecise, "Precise"}, {kIdAutoDelay, "Auto"}});
    radioGroup("Sweep mode", {{kIdLog, "Log"}, {kIdAutoSpacing, "Auto"}, {kIdLinear, "Linear"}});
    QGroupBox* ref =
        radioGroup("Return loss ref.", {{kIdZoSource, "Zo at source"}, {kIdZoRef, "&Zo ="}});
    ref->layout()->addWidget(addEdit(kIdReference));

    auto* temp = new QHBoxLayout;
    outer->addLayout(temp);
    auto* tg = new QGroupBox(QStringLiteral("Temperature"), this);
    auto* tl = new QVBoxLayout(tg);
    for (auto [id, text] : {std::pair{kIdTempOn, "&Enable"}, std::pair{kIdTempOff, "&Disable"}}) {
        QRadioButton* b = addRadio(id, text);
        b->setParent(tg);
        tl->addWidget(b);
    }
    temp->addWidget(tg);
    auto* sg = new QGroupBox(QStringLiteral("Temp shift"), this);
    auto* sl = new QHBoxLayout(sg);
    sl->addWidget(new QLabel(QStringLiteral("+-Deg."), sg));
    sl->addWidget(addEdit(kIdShift));
    temp->addWidget(sg);
    auto* cg = new QGroupBox(QStringLiteral("Coef.  +-ppm / Deg."), this);
    auto* cl = new QGridLayout(cg);
    const struct {
        int id;
        const char* label;
    } cRows[] = {{kIdCoefL, "Inductors "}, {kIdCoefC, "Capacitors"}, {kIdCoefT, "Trans lines"}};
    row = 0;
    for (const auto& r : cRows) {
        cl->addWidget(new QLabel(QString::fromLatin1(r.label), cg), row, 0);
        cl->addWidget(addEdit(r.id), row, 1);
        ++row;
    }
    temp->addWidget(cg);

    auto* buttons = new QHBoxLayout;
    outer->addLayout(buttons);
    buttons->addWidget(addButton(kIdSweep, "&Sweep"));
    buttons->addWidget(addButton(kIdExit, "e&Xit"));
    buttons->addWidget(addButton(kIdHelp, "&?-help"));
    buttons->addWidget(addButton(kIdFullPlot, "&Full plot  "));
    buttons_[kIdSweep]->setDefault(true);

    showValues();
    buttons_[kIdSweep]->setFocus();
}

QLineEdit* AnalysisDialog::addEdit(int id) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::number(id));
    e->setMaxLength(30);
    e->setMinimumWidth(90);
    e->installEventFilter(this);
    edits_[id] = e;
    return e;
}

QRadioButton* AnalysisDialog::addRadio(int id, const char* text) {
    auto* b = new QRadioButton(QString::fromLatin1(text), this);
    b->setObjectName(QString::number(id));
    connect(b, &QRadioButton::clicked, this, [this, id] { pressed(id); });
    radios_[id] = b;
    return b;
}

QPushButton* AnalysisDialog::addButton(int id, const char* text) {
    auto* b = new QPushButton(QString::fromLatin1(text), this);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, id] { pressed(id); });
    buttons_[id] = b;
    return b;
}

QWidget* AnalysisDialog::control(int id) const {
    if (auto it = edits_.find(id); it != edits_.end()) return it->second;
    if (auto it = radios_.find(id); it != radios_.end()) return it->second;
    if (auto it = buttons_.find(id); it != buttons_.end()) return it->second;
    if (id == kIdUnit) return unit_;
    return nullptr;
}

void AnalysisDialog::showValues() {
    showing_ = true;
    DialogValues v = model_.values();
    for (auto& [id, e] : edits_) e->setText(QString::fromStdString(v.text[id]));
    for (auto& [id, b] : radios_) b->setChecked(v.checked[id]);
    unit_->setText(QString::fromStdString(v.text[kIdUnit]));
    buttons_[kIdFullPlot]->setText(QString::fromStdString(v.text[kIdFullPlot]));
    showing_ = false;
}

void AnalysisDialog::commit(QLineEdit* edit) {
    if (showing_ || !edit->isModified()) return;
    edit->setModified(false);
    model_.edit(edit->objectName().toInt(), edit->text().toStdString());
    showValues();
}

bool AnalysisDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut)
        if (auto* e = qobject_cast<QLineEdit*>(watched)) commit(e);
    return QDialog::eventFilter(watched, event);
}

void AnalysisDialog::pressed(int id) {
    const DialogOutcome r = model_.button(id);
    if (r == DialogOutcome::Sweep) {
        done(kSweep);
        return;
    }
    if (r == DialogOutcome::Exit) {
        done(kExit);
        return;
    }
    if (id == kIdFullPlot) buttons_[kIdSweep]->setFocus();
    showValues();
}

void AnalysisDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QWidget* f = focusWidget();
        if (auto* b = qobject_cast<QPushButton*>(f)) {
            b->click();
            return;
        }
        if (auto* e = qobject_cast<QLineEdit*>(f)) commit(e);
        buttons_[kIdSweep]->setFocus();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

void AnalysisDialog::reject() {
    // Escape and closing the window act as eXit.
    if (auto* e = qobject_cast<QLineEdit*>(focusWidget())) commit(e);
    pressed(kIdExit);
}

void AnalysisDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        model_.rightClick();
        done(kExit);
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

} // namespace tanvex::gui
