#include "ui/new_object_dialog.h"

#include "directory/names.h"
#include "directory/prompter.h"
#include "directory/values_reader.h"
#include "ui/class_icons.h"
#include "ui/local_text.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace tarnbeck {

namespace {
constexpr const char *kTypePlaceholder = "<select object type>";
constexpr int kFieldWidth = 233;
} // namespace

std::string NewObjectName(const std::string &leaf, const std::string &containerName) {
    // "[root]" is no component of a name, so objects at the top are named by their leaf alone.
    if (IsPseudoName(containerName))
        return leaf;
    return leaf + "." + containerName;
}

TNewObject::TNewObject(QWidget *parent) : QDialog(parent) {
    setObjectName("NewObject");
    setWindowTitle("Create New Object");
    resize(402, 260);

    ComboBoxEx1 = new QComboBox(this);
    ComboBoxEx1->setObjectName("ComboBoxEx1");
    ComboBoxEx1->setFixedWidth(kFieldWidth);
    ComboBoxEx1->setIconSize(QSize(16, 16));
    ComboBoxEx1->setMaxVisibleItems(8);
    ComboBoxEx1->setPlaceholderText(kTypePlaceholder);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setFixedWidth(kFieldWidth);

    BitBtn1 = new QPushButton("OK", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setDefault(true);
    BitBtn1->setEnabled(false);
    BitBtn2 = new QPushButton("Cancel", this);
    BitBtn2->setObjectName("BitBtn2");

    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel("Object Type", this), 0, 0);
    fields->addWidget(ComboBoxEx1, 0, 1);
    fields->addWidget(new QLabel("Object Name", this), 1, 0);
    fields->addWidget(Edit1, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addLayout(fields);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(Edit1, &QLineEdit::textChanged, this, &TNewObject::Validate);
    connect(ComboBoxEx1, &QComboBox::currentIndexChanged, this, &TNewObject::ComboBoxEx1Change);
    connect(BitBtn1, &QPushButton::clicked, this, &TNewObject::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TNewObject::BitBtn2Click);
}

void TNewObject::FillTypes(const std::vector<std::string> &types, const std::string &containerName,
                           dsclient::ContextHandle context) {
    filling_ = true;
    ComboBoxEx1->clear();
    for (const auto &type : types)
        ComboBoxEx1->addItem(LocalText(type));
    containerName_ = containerName;
    context_ = context;
}

std::string TNewObject::ChosenType() const {
    return LocalText(ComboBoxEx1->currentText());
}

std::string TNewObject::EnteredName() const {
    return LocalText(Edit1->text().trimmed());
}

void TNewObject::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TNewObject::hideEvent(QHideEvent *event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        containerName_.clear();
}

void TNewObject::FormShow() {
    if (containerName_.empty())
        prompter().message("Internal Error");
    ComboBoxEx1->setCurrentIndex(-1);
    ComboBoxEx1->setFocus();
    for (int i = 0; i < ComboBoxEx1->count(); ++i)
        ComboBoxEx1->setItemIcon(i, ClassIcon(ClassIconIndex(LocalText(ComboBoxEx1->itemText(i)))));
    BitBtn1->setEnabled(false);
    filling_ = false;
}

void TNewObject::Validate() {
    // Disabled again when the name is emptied, so a blank name never reaches the existence test.
    BitBtn1->setEnabled(ComboBoxEx1->currentIndex() >= 0 && !Edit1->text().trimmed().isEmpty());
}

void TNewObject::ComboBoxEx1Change() {
    if (!filling_)
        Validate();
}

void TNewObject::BitBtn1Click() {
    Edit1->setText(Edit1->text().trimmed());
    if (ComboBoxEx1->currentIndex() < 0 || Edit1->text().isEmpty())
        return;
    const std::string fullName = NewObjectName(EnteredName(), containerName_);
    // Any other answer of the existence test counts as free: the create call reports its own
    // error.
    if (ObjectExists(context_, fullName) == 0) {
        prompter().beep();
        prompter().message("Duplicate name");
        Edit1->setFocus();
        return;
    }
    accept();
}

void TNewObject::BitBtn2Click() {
    reject();
}

} // namespace tarnbeck
