#include "synthesis/reference_dialogs.h"

#include "synthesis/prototype.h"
#include "synthesis/prototype_reference.h"
#include "synthesis/std_library.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tanvex::gui {

StandardLibraryDialog::StandardLibraryDialog(DesignRecord& rec, QWidget* parent)
    : QDialog(parent), rec_(rec) {
    setWindowTitle("Standard library lp");
    auto* layout = new QVBoxLayout(this);
    auto* families = new QGroupBox("Response", this);
    auto* fl = new QVBoxLayout(families);
    for (int d = 1; d <= 6; ++d) {
        char digit = static_cast<char>('0' + d);
        QString text = QString("&%1  %2 (%3)")
                           .arg(d)
                           .arg(synthesis::libraryFamilyTitle(digit))
                           .arg(synthesis::libraryFamily(digit));
        family_[d - 1] = new QRadioButton(text, families);
        fl->addWidget(family_[d - 1]);
    }
    auto* sym = new QGroupBox("Terminations", this);
    auto* sl = new QVBoxLayout(sym);
    symmetry_[0] = new QRadioButton("&Symmetrical  (Rs = Rl)", sym);
    symmetry_[1] = new QRadioButton("&Asymmetrical (Rs = inf.)", sym);
    sl->addWidget(symmetry_[0]);
    sl->addWidget(symmetry_[1]);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel("Library path (x = default)", this));
    path_ = new QLineEdit(this);
    pathRow->addWidget(path_);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton("&OK", this);
    auto* cancel = new QPushButton("&Cancel", this);
    ok->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addWidget(families);
    layout->addWidget(sym);
    layout->addLayout(pathRow);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &StandardLibraryDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Preset from the record.
    int f = rec_[13].letter >= '1' && rec_[13].letter <= '6' ? rec_[13].letter - '0' : 1;
    family_[f - 1]->setChecked(true);
    symmetry_[rec_[14].letter == '2' ? 1 : 0]->setChecked(true);
    QString p = QString::fromStdString(rec_[13].str());
    path_->setText(p.isEmpty() ? "x" : p);
}

void StandardLibraryDialog::accept() {
    for (int d = 1; d <= 6; ++d)
        if (family_[d - 1]->isChecked()) rec_[13].letter = static_cast<char>('0' + d);
    rec_[14].letter = symmetry_[1]->isChecked() ? '2' : '1';
    std::string p = path_->text().trimmed().toStdString();
    rec_[13].setText(p.empty() ? "x" : p);
    done(1);
}

ReferenceValuesDialog::ReferenceValuesDialog(DesignRecord& rec, QWidget* parent)
    : QDialog(parent), rec_(rec) {
    setWindowTitle("Reference values");
    auto* layout = new QVBoxLayout(this);
    int current = wholeNumberOf(rec_[0].value);
    for (int kind = 1; kind <= 7; ++kind) {
        auto* b = new QPushButton(synthesis::referenceKindButton(kind), this);
        b->setAutoDefault(false);
        if (kind == current) b->setDefault(true);
        buttons_[kind - 1] = b;
        layout->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, kind] { choose(kind); });
    }
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setAutoDefault(false);
    layout->addWidget(cancel);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void ReferenceValuesDialog::choose(int kind) {
    synthesis::applyReferenceKind(rec_, kind);
    if (kind == synthesis::kRefLibrary) {
        StandardLibraryDialog lib(rec_, this);
        lib.exec();
    }
    done(kind);
}

} // namespace tanvex::gui
