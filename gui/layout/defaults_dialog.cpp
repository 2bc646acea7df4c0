#include "layout/defaults_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tanvex::gui {

DefaultsDialog::DefaultsDialog(layout::LayoutDefaults& d, const layout::MaterialMenu& menu,
                               QWidget* parent)
    : QDialog(parent), d_(d), menu_(menu) {
    setWindowTitle(QStringLiteral("Inductor and capacitor defaults"));
    auto* top = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    top->addLayout(grid);
    const struct {
        int id;
        const char* label;
    } fields[] = {{50, "Wire gauge (AWG)"},
                  {51, "Form diameter (Mills)"},
                  {52, "Lower winding pitch (x closewound)"},
                  {53, "Upper winding pitch (x closewound)"},
                  {54, "Lead length (Mills)"},
                  {55, "Rectangular chip side (Mills)"}};
    int row = 0;
    for (const auto& f : fields) {
        grid->addWidget(new QLabel(QString::fromLatin1(f.label)), row, 0);
        auto* e = new QLineEdit;
        e->setObjectName(QStringLiteral("edit%1").arg(f.id));
        edits_[f.id] = e;
        grid->addWidget(e, row, 1);
        const int id = f.id;
        connect(e, &QLineEdit::editingFinished, this, [this, id] { take(id); });
        if (id == 51 || id == 55) {
            auto* b = new QPushButton(id == 51 ? QStringLiteral("<--Auto")
                                               : QStringLiteral("<-- Square"));
            b->setAutoDefault(false);
            b->setObjectName(id == 51 ? QStringLiteral("auto") : QStringLiteral("square"));
            grid->addWidget(b, row, 2);
            connect(b, &QPushButton::clicked, this, [this, id] {
                (id == 51 ? d_.formDia : d_.chipSide) = 0.0;
                display(id);
            });
        }
        ++row;
    }
    for (const auto& f : fields) display(f.id);

    auto* dup = new QHBoxLayout;
    top->addLayout(dup);
    dup->addWidget(new QLabel(QStringLiteral("Duplicate:")));
    auto* group = new QButtonGroup(this);
    const char* rules[] = {"If not defined", "Always", "Never"};
    for (int k = 0; k < 3; ++k) {
        auto* r = new QRadioButton(QString::fromLatin1(rules[k]));
        r->setObjectName(QStringLiteral("radio%1").arg(60 + k));
        r->setChecked(static_cast<int>(d_.duplicate) == k);
        group->addButton(r, 60 + k);
        dup->addWidget(r);
    }
    connect(group, &QButtonGroup::idClicked, this,
            [this](int id) { d_.duplicate = static_cast<layout::DuplicateRule>(id - 60); });

    top->addWidget(new QLabel(QStringLiteral("> Capacitor material <")));
    top->addWidget(
        new QLabel(QStringLiteral("Menu file: %1").arg(QString::fromStdString(menu_.path))));
    material_ = new QLabel;
    material_->setObjectName(QStringLiteral("material"));
    top->addWidget(material_);
    auto* mats = new QGridLayout;
    top->addLayout(mats);
    int m = 0;
    for (const auto& mat : menu_.materials) {
        auto* name = new QLabel(QString::fromStdString(mat.name));
        if (mat.separator()) {
            mats->addWidget(name, m++, 1);
            continue;
        }
        auto* b = new QPushButton(QStringLiteral("&%1").arg(QChar(mat.key())));
        b->setAutoDefault(false);
        b->setObjectName(QStringLiteral("material_%1").arg(QChar(mat.key())));
        const layout::Material chosen = mat;
        connect(b, &QPushButton::clicked, this, [this, chosen] {
            d_.material = chosen;
            showMaterial();
        });
        mats->addWidget(b, m, 0);
        mats->addWidget(name, m++, 1);
    }
    showMaterial();

    auto* buttons = new QHBoxLayout;
    top->addLayout(buttons);
    auto* change = new QPushButton(QStringLiteral("Change menu"));
    change->setObjectName(QStringLiteral("button21"));
    auto* exit = new QPushButton(QStringLiteral("e&Xit"));
    exit->setObjectName(QStringLiteral("button20"));
    buttons->addWidget(change);
    buttons->addStretch();
    buttons->addWidget(exit);
    connect(change, &QPushButton::clicked, this, [this] {
        takeAll();
        done(kChangeMenu);
    });
    connect(exit, &QPushButton::clicked, this, [this] {
        takeAll();
        done(kExit);
    });
}

QLineEdit* DefaultsDialog::edit(int id) const {
    auto it = edits_.find(id);
    return it == edits_.end() ? nullptr : it->second;
}

void DefaultsDialog::takeAll() {
    for (auto& [id, e] : edits_) take(id);
}

void DefaultsDialog::take(int id) {
    QLineEdit* e = edits_[id];
    // A field left as shown keeps its value ("Auto", the default range).
    if (e->text() == shown_[id]) return;
    bool ok = false;
    double v = e->text().trimmed().toDouble(&ok);
    QString t = e->text().trimmed();
    if (!ok && (t == QLatin1String("Auto") || t == QLatin1String("Square") || t.isEmpty())) {
        v = 0.0;
        ok = true;
    }
    // Nothing here may be negative; a gauge is a whole number up to 60.
    if (!ok || v < 0.0 || (id == 50 && v > 60.0)) {
        display(id);
        return;
    }
    switch (id) {
    case 50:
        if (static_cast<int>(v) != d_.gauge) {
            d_.setGauge(static_cast<int>(v));
            display(54);
        }
        break;
    case 51:
        d_.formDia = v;
        break;
    case 52:
        d_.lowPitch = v;
        break;
    case 53:
        d_.highPitch = v;
        break;
    case 54:
        d_.leadLength = v;
        break;
    case 55:
        d_.chipSide = v;
        break;
    }
    display(id);
}

void DefaultsDialog::display(int id) {
    QLineEdit* e = edits_[id];
    QString t;
    switch (id) {
    case 50:
        t = QString::number(d_.gauge);
        break;
    case 51:
        t = d_.formDia > 0.0 ? QString::number(d_.formDia) : QStringLiteral("Auto");
        break;
    case 52:
        t = d_.lowPitch > 0.0 ? QString::number(d_.lowPitch) : QStringLiteral("0.6");
        break;
    case 53:
        t = d_.highPitch > 0.0 ? QString::number(d_.highPitch) : QStringLiteral("0.7");
        break;
    case 54:
        t = QString::number(d_.leadLength, 'f', 1);
        break;
    case 55:
        t = d_.chipSide > 0.0 ? QString::number(d_.chipSide) : QStringLiteral("Square");
        break;
    }
    e->setText(t);
    shown_[id] = t;
}

void DefaultsDialog::showMaterial() {
    material_->setText(QStringLiteral("Selected: %1  K=%2  %3 Mills thick")
                           .arg(QString::fromStdString(d_.material.name))
                           .arg(d_.material.k)
                           .arg(d_.material.thickness * 1000.0));
}

} // namespace tanvex::gui
