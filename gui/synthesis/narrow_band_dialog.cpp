#include "synthesis/narrow_band_dialog.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstdio>

namespace tanvex::gui {

using synthesis::NarrowMode;

namespace {
QString fmt3(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    return QString::fromLatin1(buf);
}
} // namespace

NarrowBandDialog::NarrowBandDialog(Design& design, QWidget* parent)
    : QDialog(parent), design_(design) {
    setWindowTitle(QStringLiteral("Narrow band - reactance coupled bandpass"));
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* top = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Average of all"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Parallel"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Series"), this), 0, 2);
    for (int row = 0; row < 2; ++row) {
        grid->addWidget(new QLabel(row == 0 ? QStringLiteral("L =") : QStringLiteral("C ="), this),
                        row + 1, 0);
        for (int col = 0; col < 2; ++col) {
            auto* e = new QLineEdit(this);
            avg_[static_cast<size_t>(col * 2 + row)] = e;
            grid->addWidget(e, row + 1, col + 1);
        }
    }
    grid->addWidget(new QLabel(QStringLiteral("Design  Zo ="), this), 3, 0);
    zo_ = new QLineEdit(this);
    grid->addWidget(zo_, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("Termination  Zo ="), this), 4, 0);
    termination_ = new QLabel(this);
    grid->addWidget(termination_, 4, 1);
    top->addLayout(grid);
    for (auto& c : comments_) {
        c = new QLabel(this);
        top->addWidget(c);
    }
    auto* modeRow = new QHBoxLayout;
    auto* modeGroup = new QButtonGroup(this);
    const char* names[3] = {"Natural &Zo. design", " Equal section &C", " Equal section &L"};
    for (int i = 0; i < 3; ++i) {
        modes_[static_cast<size_t>(i)] = new QRadioButton(QString::fromLatin1(names[i]), this);
        modeGroup->addButton(modes_[static_cast<size_t>(i)], i);
        modeRow->addWidget(modes_[static_cast<size_t>(i)]);
    }
    top->addLayout(modeRow);
    auto* valueRow = new QHBoxLayout;
    auto* valueGroup = new QButtonGroup(this);
    fixed_ = new QRadioButton(QStringLiteral("F&ixed"), this);
    floating_ = new QRadioButton(QStringLiteral("&Floating"), this);
    valueGroup->addButton(fixed_);
    valueGroup->addButton(floating_);
    valueRow->addWidget(fixed_);
    valueRow->addWidget(floating_);
    top->addLayout(valueRow);
    auto* buttons = new QHBoxLayout;
    auto* recalc = new QPushButton(QStringLiteral("&Re-Calculate"), this);
    auto* exitB = new QPushButton(QStringLiteral("e&Xit"), this);
    auto* help = new QPushButton(QStringLiteral("&?-Help"), this);
    for (QPushButton* b : {recalc, exitB, help}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    top->addLayout(buttons);
    connect(recalc, &QPushButton::clicked, this, [this] {
        action_ = Action::Recalculate;
        accept();
    });
    connect(exitB, &QPushButton::clicked, this, [this] {
        action_ = Action::Exit;
        accept();
    });
    connect(help, &QPushButton::clicked, this, [this] {
        if (showHelp) showHelp("NARROW.HLW");
    });
}

QLineEdit* NarrowBandDialog::averageEdit(char column, char kind) const {
    return avg_[static_cast<size_t>((column == 'S' ? 2 : 0) + (kind == 'C' ? 1 : 0))];
}

void NarrowBandDialog::load(const synthesis::NarrowBandState& st) {
    const double lm = design_.notation.inductance.multiplier;
    const double cm = design_.notation.capacitance.multiplier;
    shown_ = {st.avgParallelL * lm, st.avgParallelC * cm, st.avgSeriesL * lm, st.avgSeriesC * cm};
    for (size_t i = 0; i < 4; ++i) avg_[i]->setText(fmt3(shown_[i]));
    shownZo_ = st.designZo;
    zo_->setText(fmt3(st.designZo));
    termination_->setText(fmt3(st.terminationZo));
    for (size_t i = 0; i < comments_.size(); ++i)
        comments_[i]->setText(i < st.comments.size() ? QString::fromLatin1(st.comments[i].c_str())
                                                     : QString());
    modes_[static_cast<size_t>(st.mode)]->setChecked(true);
    (st.fixed ? fixed_ : floating_)->setChecked(true);
}

void NarrowBandDialog::store(synthesis::NarrowBandState& st) const {
    for (int i = 0; i < 3; ++i)
        if (modes_[static_cast<size_t>(i)]->isChecked()) st.mode = static_cast<NarrowMode>(i);
    st.fixed = fixed_->isChecked();
    const double lm = design_.notation.inductance.multiplier;
    const double cm = design_.notation.capacitance.multiplier;
    for (size_t i = 0; i < 4; ++i) {
        const double v = avg_[i]->text().toDouble();
        if (v > 0 && fmt3(v) != fmt3(shown_[i])) {
            st.typedKind = (i % 2 == 0) ? 'L' : 'C';
            st.reference = i < 2 ? 'P' : 'S';
            st.typedValue = v / (i % 2 == 0 ? lm : cm);
        }
    }
    const double zo = zo_->text().toDouble();
    if (zo > 0 && fmt3(zo) != fmt3(shownZo_)) st.designZo = zo;
}

NarrowBandDialog::Action NarrowBandDialog::run(synthesis::NarrowBandState& st) {
    load(st);
    action_ = Action::Exit;
    exec();
    store(st);
    return action_;
}

} // namespace tanvex::gui
