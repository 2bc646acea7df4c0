#include "design/filename_list_dialog.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
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

namespace {

QString qs(const std::string& s) {
    return QString::fromLocal8Bit(s.c_str());
}
std::string ss(const QString& s) {
    return s.toLocal8Bit().toStdString();
}

} // namespace

FilenameListDialog::FilenameListDialog(Design& design, ui::Toolkit& toolkit, QWidget* parent)
    : QDialog(parent), design_(design), toolkit_(toolkit), model_(design) {
    setWindowTitle(QStringLiteral("Filename list"));
    auto* layout = new QVBoxLayout(this);

    auto* activeRow = new QHBoxLayout;
    activeRow->addWidget(new QLabel(QStringLiteral("Active file")));
    active_ = new QLineEdit;
    active_->setReadOnly(true);
    active_->setFocusPolicy(Qt::NoFocus);
    activeRow->addWidget(active_);
    layout->addLayout(activeRow);

    auto* files = new QGroupBox(QStringLiteral("Associated files"));
    auto* grid = new QGridLayout(files);
    group_ = new QButtonGroup(this);
    for (int i = 0; i < FilenameList::kFields; ++i) {
        auto* radio = new QRadioButton(QStringLiteral("f%1").arg(i + 1));
        auto* edit = new QLineEdit;
        edit->setMaxLength(static_cast<int>(FilenameList::kMaxName));
        edit->setMinimumWidth(260);
        edit->installEventFilter(this);
        radio->installEventFilter(this);
        group_->addButton(radio, i);
        grid->addWidget(radio, i, 0);
        grid->addWidget(edit, i, 1);
        radios_[static_cast<std::size_t>(i)] = radio;
        edits_[static_cast<std::size_t>(i)] = edit;
        connect(edit, &QLineEdit::textEdited, this,
                [this, i](const QString& text) { model_.setField(i, ss(text)); });
    }
    connect(group_, &QButtonGroup::idClicked, this, [this](int id) { selectField(id); });
    layout->addWidget(files);

    struct Def {
        const char* text;
        void (FilenameListDialog::*action)();
    };
    const Def defs[] = {
        {"&Active --> fx", &FilenameListDialog::activeToField},
        {"fx -->&Operation", &FilenameListDialog::toOperation},
        {"&Clear fx", &FilenameListDialog::clearField},
        {"&New", &FilenameListDialog::startOver},
        {"e&Xit", &FilenameListDialog::exitAndStore},
    };
    auto* buttons = new QGridLayout;
    int k = 0;
    for (const Def& d : defs) {
        auto* b = new QPushButton(QString::fromLatin1(d.text));
        b->setAutoDefault(false);
        auto action = d.action;
        connect(b, &QPushButton::clicked, this, [this, action] { (this->*action)(); });
        buttons->addWidget(b, k / 3, k % 3);
        if (action == &FilenameListDialog::toOperation) operation_ = b;
        ++k;
    }
    auto* help = new QPushButton(QStringLiteral("&?-Help"));
    help->setAutoDefault(false);
    connect(help, &QPushButton::clicked, this, [this] {
        if (showHelp) showHelp("LIST.HLW");
    });
    buttons->addWidget(help, k / 3, k % 3);
    layout->addLayout(buttons);

    refresh();
    selectField(0);
}

QPushButton* FilenameListDialog::button(const QString& text) const {
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

void FilenameListDialog::refresh() {
    active_->setText(qs(model_.active()));
    for (int i = 0; i < FilenameList::kFields; ++i)
        edits_[static_cast<std::size_t>(i)]->setText(qs(model_.field(i)));
    radios_[static_cast<std::size_t>(model_.selected())]->setChecked(true);
}

void FilenameListDialog::selectField(int i) {
    model_.select(i);
    radios_[static_cast<std::size_t>(model_.selected())]->setChecked(true);
}

void FilenameListDialog::activeToField() {
    model_.activeToSelected(toolkit_);
    refresh();
}

void FilenameListDialog::toOperation() {
    if (model_.selectedToOperation(design_)) done(kOperation);
}

void FilenameListDialog::clearField() {
    model_.clearSelected();
    refresh();
}

void FilenameListDialog::startOver() {
    model_.startOver(toolkit_);
    refresh();
}

void FilenameListDialog::exitAndStore() {
    model_.store(design_);
    done(kExit);
}

void FilenameListDialog::reject() {
    exitAndStore();
}

void FilenameListDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QWidget* focus = focusWidget();
        if (auto* b = qobject_cast<QPushButton*>(focus)) {
            b->click();
        } else {
            operation_->setFocus();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void FilenameListDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        exitAndStore();
        return;
    }
    QDialog::mousePressEvent(event);
}

bool FilenameListDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        for (int i = 0; i < FilenameList::kFields; ++i)
            if (watched == edits_[static_cast<std::size_t>(i)] ||
                watched == radios_[static_cast<std::size_t>(i)])
                selectField(i);
    } else if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            operation_->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool chooseTanvexFile(QWidget* parent, int kind, const std::string& preset, std::string& name) {
    QFileDialog dialog(parent, QString::fromLatin1(kOpenDialogTitle), QDir::currentPath());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, true);
    QStringList filters;
    for (const auto& [label, pattern] : openFileFilters(kind))
        filters << QStringLiteral("%1 (%2)").arg(qs(label), qs(pattern));
    dialog.setNameFilters(filters);
    if (!preset.empty()) dialog.selectFile(qs(preset));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    QString chosen = dialog.selectedFiles().front();
    QDir::setCurrent(QFileInfo(chosen).absolutePath());
    name = nameWithoutDirectoryAndExtension(ss(chosen));
    return true;
}

} // namespace tanvex::gui
