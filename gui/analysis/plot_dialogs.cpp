#include "analysis/plot_dialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstdio>

namespace tanvex::gui {

using namespace plot;

namespace {

QString g(double v) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%g", v);
    return QString::fromLatin1(buf);
}

template <class T> T* named(T* w, int id, std::map<int, QWidget*>& map) {
    w->setObjectName(QString::number(id));
    map[id] = w;
    return w;
}

QWidget* controlById(const std::map<int, QWidget*>& m, int id) {
    auto it = m.find(id);
    return it == m.end() ? nullptr : it->second;
}

} // namespace

// ---- Markers ------------------------------------------------------------------

MarkerDialog::MarkerDialog(PlotModel& model, ui::Toolkit& toolkit, QWidget* parent)
    : QDialog(parent), model_(model), toolkit_(toolkit) {
    setObjectName(QStringLiteral("Marker"));
    setWindowTitle(QStringLiteral("+ markers <F11>"));
    markersAtOpen_ = model.markersShown;
    maskAtOpen_ = model.mask.shown;
    auto* outer = new QHBoxLayout(this);
    auto* grid = new QGridLayout;
    outer->addLayout(grid);
    grid->addWidget(
        new QLabel(
            QStringLiteral("Frequency (%1)").arg(QString::fromStdString(model.frequencyUnit())),
            this),
        0, 1);
    grid->addWidget(new QLabel(QStringLiteral("dB"), this), 0, 2);
    for (int i = 0; i < kMarkers; ++i) {
        grid->addWidget(new QLabel(QStringLiteral("F%1").arg(i + 1), this), i + 1, 0);
        grid->addWidget(named(new QLineEdit(this), 201 + i, controls_), i + 1, 1);
        grid->addWidget(named(new QLineEdit(this), 321 + i, controls_), i + 1, 2);
        grid->addWidget(named(new QCheckBox(QStringLiteral("Abs."), this), 341 + i, controls_),
                        i + 1, 3);
    }
    auto* side = new QVBoxLayout;
    outer->addLayout(side);
    auto button = [&](int id, const char* text, QLayout* l) {
        auto* b = named(new QPushButton(QString::fromLatin1(text), this), id, controls_);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, id] { pressed(id); });
        l->addWidget(b);
        return b;
    };
    button(404, "&Sort", side);
    button(400, "e&Xit", side)->setDefault(true);
    button(101, "&?-Help", side);
    auto* mask = new QGroupBox(QStringLiteral("Bandpass placer mask"), this);
    auto* ml = new QVBoxLayout(mask);
    auto switchRow = [&](const char* label, int id) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(QString::fromLatin1(label), mask));
        button(id, "", row);
        ml->addLayout(row);
    };
    switchRow("Markers", 406);
    button(407, "", ml);
    switchRow("Mask", 408);
    button(409, "", ml);
    side->addWidget(mask);
    side->addStretch();
    showRows();
    labelButtons();
}

QWidget* MarkerDialog::control(int id) const {
    return controlById(controls_, id);
}

void MarkerDialog::showRows() {
    const double m = model_.multiplier();
    for (int i = 0; i < kMarkers; ++i) {
        const Marker& k = model_.markers[i];
        static_cast<QLineEdit*>(control(201 + i))
            ->setText(k.set() ? g(k.frequency * m) : QString());
        static_cast<QLineEdit*>(control(321 + i))->setText(k.set() ? g(k.level) : QString());
        static_cast<QCheckBox*>(control(341 + i))->setChecked(k.absolute);
    }
}

void MarkerDialog::storeRows() {
    const double m = model_.multiplier();
    for (int i = 0; i < kMarkers; ++i) {
        bool ok = false;
        const double f = static_cast<QLineEdit*>(control(201 + i))->text().toDouble(&ok);
        Marker& k = model_.markers[i];
        k.frequency = ok && f > 0.0 ? f / m : 0.0;
        k.level = static_cast<QLineEdit*>(control(321 + i))->text().toDouble();
        k.absolute = static_cast<QCheckBox*>(control(341 + i))->isChecked();
    }
}

void MarkerDialog::labelButtons() {
    auto text = [](bool atOpen, bool toggled, bool now) {
        if (toggled) return now ? QStringLiteral("&On") : QStringLiteral("&Off");
        return atOpen ? QStringLiteral("off / &ON") : QStringLiteral("&OFF / on");
    };
    static_cast<QPushButton*>(control(406))
        ->setText(text(markersAtOpen_, toggledMarkers_, model_.markersShown));
    static_cast<QPushButton*>(control(408))
        ->setText(text(maskAtOpen_, toggledMask_, model_.mask.shown));
    const Mask& mk = model_.mask;
    static_cast<QPushButton*>(control(407))
        ->setText(mk.kind == 1 && !mk.points.empty() ? QStringLiteral("Mask --> markers")
                  : mk.kind == 2                     ? QStringLiteral("Got lowpass mask")
                                                     : QStringLiteral("No mask defined"));
    static_cast<QPushButton*>(control(409))
        ->setText(model_.passband().type == ResponseType::Bandpass
                      ? QStringLiteral("Markers --> mask")
                      : QStringLiteral("Bandpass only"));
}

void MarkerDialog::pressed(int id) {
    switch (id) {
    case 400:
        storeRows();
        accept();
        break;
    case 101:
        toolkit_.showHelp("MASK.HLW");
        break;
    case 404:
        storeRows();
        sortMarkers(model_.markers);
        showRows();
        break;
    case 406:
        model_.markersShown = !model_.markersShown;
        toggledMarkers_ = true;
        break;
    case 408:
        model_.mask.shown = !model_.mask.shown;
        toggledMask_ = true;
        break;
    case 407:
        if (model_.mask.kind == 1) {
            maskToMarkers(model_.mask, model_.markers, model_.attenuationMinimum());
            showRows();
        } else {
            toolkit_.beep();
        }
        break;
    case 409:
        if (model_.passband().type != ResponseType::Bandpass) {
            toolkit_.notice("A bandpass filter must be selected.");
            break;
        }
        storeRows();
        markersToMask(model_.markers, model_.passband(), model_.mask, model_.attenuationMinimum());
        break;
    default:
        break;
    }
    labelButtons();
    if (changed) changed();
}

void MarkerDialog::reject() {
    pressed(400);
}

void MarkerDialog::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::RightButton) {
        pressed(400);
        return;
    }
    QDialog::mouseReleaseEvent(e);
}

// ---- Scale factors -------------------------------------------------------------

ScaleDialog::ScaleDialog(PlotModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("PlotScale"));
    setWindowTitle(QStringLiteral("Manual scale factors"));
    auto* grid = new QGridLayout(this);
    static const char* const kNames[4] = {
        "Attenuation:", "Group Delay:", "Phase Linearity:", "eXtra (Zo,A,V,W):"};
    for (int i = 0; i < kScaledTraces; ++i) {
        const int row = i * 2;
        grid->addWidget(new QLabel(QString::fromLatin1(kNames[i]), this), row, 0);
        auto* c = named(new QPushButton(QStringLiteral("Compress"), this), 264 + i, controls_);
        auto* m = named(new QPushButton(QStringLiteral("Magnify"), this), 258 + i, controls_);
        auto* lock = named(new QCheckBox(QStringLiteral("Lock"), this), 361 + i, controls_);
        auto* fixed = named(new QCheckBox(QStringLiteral("Fixed"), this), 371 + i, controls_);
        auto* ref = named(new QLabel(this), 254 + i, controls_);
        c->setAutoDefault(false);
        m->setAutoDefault(false);
        grid->addWidget(c, row, 1);
        grid->addWidget(m, row, 2);
        grid->addWidget(lock, row, 3);
        grid->addWidget(fixed, row + 1, 1);
        grid->addWidget(new QLabel(QStringLiteral("Reference:"), this), row + 1, 2);
        grid->addWidget(ref, row + 1, 3);
        connect(c, &QPushButton::clicked, this, [this, i] {
            model_.compress(i);
            showValues();
            if (changed) changed();
        });
        connect(m, &QPushButton::clicked, this, [this, i] {
            model_.magnify(i);
            showValues();
            if (changed) changed();
        });
        connect(lock, &QCheckBox::clicked, this, [this, i](bool on) {
            model_.scales[i].lock = on ? LockMode::Locked : LockMode::Automatic;
            showValues();
            if (changed) changed();
        });
        connect(fixed, &QCheckBox::clicked, this, [this, i](bool on) {
            model_.scales[i].lock = on ? LockMode::Fixed : LockMode::Automatic;
            showValues();
            if (changed) changed();
        });
    }
    auto* normal = named(new QPushButton(QStringLiteral("&Normal"), this), 278, controls_);
    auto* exit = named(new QPushButton(QStringLiteral("e&Xit"), this), 103, controls_);
    normal->setAutoDefault(false);
    exit->setDefault(true);
    grid->addWidget(normal, 2 * kScaledTraces, 1);
    grid->addWidget(exit, 2 * kScaledTraces, 3);
    connect(normal, &QPushButton::clicked, this, [this] {
        model_.normalScales();
        showValues();
        if (changed) changed();
    });
    connect(exit, &QPushButton::clicked, this, &QDialog::accept);
    showValues();
}

QWidget* ScaleDialog::control(int id) const {
    return controlById(controls_, id);
}

void ScaleDialog::showValues() {
    for (int i = 0; i < kScaledTraces; ++i) {
        const ScaleRecord& s = model_.scales[i];
        static_cast<QCheckBox*>(control(361 + i))->setChecked(s.lock == LockMode::Locked);
        static_cast<QCheckBox*>(control(371 + i))->setChecked(s.lock == LockMode::Fixed);
        static_cast<QLabel*>(control(254 + i))->setText(QStringLiteral(" ") + g(s.reference));
    }
}

// ---- Colours ---------------------------------------------------------------------

ColourDialog::ColourDialog(PlotModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("color_box"));
    setWindowTitle(QStringLiteral("Plot colors"));
    auto* outer = new QHBoxLayout(this);
    auto* items = new QVBoxLayout;
    auto* colours = new QVBoxLayout;
    outer->addLayout(items);
    outer->addLayout(colours);
    static const char* const kItems[kPlotItems] = {
        " Attenuation      ", " Return loss      ", " Phase            ", " Group delay      ",
        " Extra (Zo A V W) ", " Smith chart      ", " - -  Scale  - -  "};
    static const char* const kColours[9] = {" Blue ------ ", " Green ----- ", " Cyan ------ ",
                                            " Red ------- ", " Magenta --- ", " Brown ----- ",
                                            " White ----- ", " Grey ------ ", " Yellow ---- "};
    auto* itemBox = new QWidget(this);
    auto* il = new QVBoxLayout(itemBox);
    for (int i = 0; i < kPlotItems; ++i) {
        auto* b =
            named(new QRadioButton(QString::fromLatin1(kItems[i]), itemBox), 221 + i, controls_);
        b->setChecked(i == 0);
        il->addWidget(b);
        connect(b, &QRadioButton::clicked, this, [this, i] { item_ = i; });
    }
    items->addWidget(itemBox);
    auto* colourBox = new QWidget(this);
    auto* cl = new QVBoxLayout(colourBox);
    for (int d = 1; d <= 9; ++d) {
        auto* b = named(new QRadioButton(QString::fromLatin1(kColours[d - 1]), colourBox), 700 + d,
                        controls_);
        const ui::Rgb c = plotColour(d);
        // Each label painted in its colour, on black so that white and
        // yellow read.
        // Light colours on black, dark ones on the dialog's own light face.
        const bool light = d == 2 || d == 3 || d == 7 || d == 9;
        b->setStyleSheet(
            QStringLiteral("QRadioButton { color: rgb(%1,%2,%3); background: %4; "
                           "font-family: monospace; font-weight: bold; padding: 2px; }")
                .arg(c.r)
                .arg(c.g)
                .arg(c.b)
                .arg(light ? QStringLiteral("black") : QStringLiteral("transparent")));
        cl->addWidget(b);
        connect(b, &QRadioButton::clicked, this, [this, d] {
            model_.colours[item_] = d;
            if (changed) changed();
        });
    }
    colours->addWidget(colourBox);
    auto* exit = named(new QPushButton(QStringLiteral("e&Xit"), this), 720, controls_);
    auto* restore =
        named(new QPushButton(QStringLiteral("&Restore defaults"), this), 721, controls_);
    items->addWidget(exit);
    items->addWidget(restore);
    connect(exit, &QPushButton::clicked, this, &QDialog::close);
    connect(restore, &QPushButton::clicked, this, [this] {
        for (int i = 0; i < kPlotItems; ++i) model_.colours[i] = kDefaultColourDigits[i] - '0';
        if (changed) changed();
    });
}

QWidget* ColourDialog::control(int id) const {
    return controlById(controls_, id);
}

// ---- Captions --------------------------------------------------------------------

CaptionDialog::CaptionDialog(PlotModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("caption"));
    setWindowTitle(QStringLiteral("Plot caption and logo control"));
    auto* grid = new QGridLayout(this);
    for (int i = 0; i < 2; ++i) {
        auto* box =
            named(new QCheckBox(QStringLiteral("Area %1").arg(i + 1), this), 101 + i, controls_);
        auto* edit = named(new QLineEdit(this), 111 + i, controls_);
        edit->setMaxLength(79);
        edit->setMinimumWidth(360);
        box->setChecked(model.captionOn[i]);
        edit->setText(QString::fromStdString(model.caption[i]));
        grid->addWidget(box, i, 0);
        grid->addWidget(edit, i, 1);
    }
    auto* logo = named(new QCheckBox(QStringLiteral("Logo"), this), 104, controls_);
    logo->setChecked(model.logoOn);
    grid->addWidget(logo, 2, 0);
    auto* ok = named(new QPushButton(QStringLiteral("Ok"), this), 103, controls_);
    ok->setDefault(true);
    grid->addWidget(ok, 2, 1, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, [this] {
        for (int i = 0; i < 2; ++i) {
            model_.captionOn[i] = static_cast<QCheckBox*>(control(101 + i))->isChecked();
            model_.caption[i] = static_cast<QLineEdit*>(control(111 + i))->text().toStdString();
        }
        model_.logoOn = static_cast<QCheckBox*>(control(104))->isChecked();
        if (changed) changed();
        accept();
    });
}

QWidget* CaptionDialog::control(int id) const {
    return controlById(controls_, id);
}

} // namespace tanvex::gui
