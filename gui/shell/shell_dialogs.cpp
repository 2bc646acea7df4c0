#include "shell/shell_dialogs.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tanvex::gui {

NotationDialog::NotationDialog(int electrical, int mechanical, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Parameter notation"));
    notation_ = new QButtonGroup(this);
    units_ = new QButtonGroup(this);

    auto* electricalBox = new QGroupBox(QStringLiteral("Electrical"), this);
    auto* ev = new QVBoxLayout(electricalBox);
    const char* names[6] = {"&Audio", "&L.F.", "&H.F.", "&V.H.F.", "&Microwave", "&Normalized"};
    for (int i = 0; i < 6; ++i) {
        auto* b = new QRadioButton(QString::fromLatin1(names[i]), electricalBox);
        notation_->addButton(b, 141 + i);
        ev->addWidget(b);
    }
    auto* mechanicalBox = new QGroupBox(QStringLiteral("Mechanical"), this);
    auto* mv = new QVBoxLayout(mechanicalBox);
    const char* units[4] = {"In.", "Mil", "Cm", "mm"};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QRadioButton(QString::fromLatin1(units[i]), mechanicalBox);
        units_->addButton(b, 147 + i);
        mv->addWidget(b);
    }
    mv->addStretch();

    auto* boxes = new QHBoxLayout;
    boxes->addWidget(electricalBox);
    boxes->addWidget(mechanicalBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(boxes);
    layout->addWidget(buttons);

    check(electrical >= 1 && electrical <= 6 ? 140 + electrical : 144);
    check(mechanical >= 8 && mechanical <= 11 ? 139 + mechanical : 147);
}

void NotationDialog::check(int id) {
    if (QAbstractButton* b = notation_->button(id)) b->setChecked(true);
    if (QAbstractButton* b = units_->button(id)) b->setChecked(true);
}

int NotationDialog::electrical() const {
    return notation_->checkedId() - 140;
}
int NotationDialog::mechanical() const {
    return units_->checkedId() - 139;
}

void NotationDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        reject();
        return;
    }
    QDialog::mousePressEvent(event);
}

FileOperationsDialog::FileOperationsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Design file operations"));
    auto* layout = new QVBoxLayout(this);
    const struct {
        int id;
        const char* text;
    } buttons[] = {{101, "&Save design"},
                   {102, "&Recall old design"},
                   {103, "&Joint file in series"},
                   {104, "Join file as &Multiplexer side port"},
                   {105, "?-help"},
                   {106, "&Abort"}};
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.text), this);
        button->setObjectName(QStringLiteral("op%1").arg(b.id));
        button->setAutoDefault(false);
        int id = b.id;
        connect(button, &QPushButton::clicked, this, [this, id] { done(id); });
        layout->addWidget(button);
        if (id == 102) {
            button->setDefault(true);
            button->setFocus();
        }
    }
}

void FileOperationsDialog::press(int id) {
    if (auto* b = findChild<QPushButton*>(QStringLiteral("op%1").arg(id))) b->click();
}

} // namespace tanvex::gui
