#include "ui/settings_dialog.h"

#include "directory/object_info.h"
#include "directory/prompter.h"
#include "directory/values_reader.h"
#include "ui/action_guard.h"
#include "ui/browser_dialog.h"
#include "ui/dialog_runner.h"
#include "ui/local_text.h"
#include "ui/other_dialogs.h"

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
constexpr const char *kTreeRoot = "[ROOT]";
}

Ttoplicform::Ttoplicform(QWidget *parent) : QDialog(parent) {
    setObjectName("toplicform");
    RemoveCloseBox(*this);

    TopEdit = new QLineEdit(this);
    TopEdit->setObjectName("TopEdit");
    BrowseButton = new QPushButton("...", this);
    BrowseButton->setObjectName("BrowseButton");
    BrowseButton->setFixedWidth(28);
    AttributeBox = new QComboBox(this);
    AttributeBox->setObjectName("AttributeBox");
    AttributeBox->setEditable(false);
    OkButton = new QPushButton("OK", this);
    OkButton->setObjectName("OkButton");
    OkButton->setDefault(true);
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");

    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel("Top of (search) Tree", this), 0, 0, 1, 2);
    fields->addWidget(TopEdit, 1, 0);
    fields->addWidget(BrowseButton, 1, 1);
    fields->addWidget(new QLabel("Group Attribute for query", this), 2, 0, 1, 2);
    fields->addWidget(AttributeBox, 3, 0);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(360, 180);

    connect(BrowseButton, &QPushButton::clicked, this, &Ttoplicform::BrowseButtonClick);
    connect(OkButton, &QPushButton::clicked, this, &Ttoplicform::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &Ttoplicform::CancelButtonClick);
}

void Ttoplicform::SetContext(dsclient::ContextHandle context) {
    context_ = context;
    contextGiven_ = true;
}

void Ttoplicform::SetAttributes(const std::vector<std::string> &offered,
                                const std::string &chosen) {
    AttributeBox->clear();
    for (const auto &attribute : offered)
        AttributeBox->addItem(LocalText(attribute));
    AttributeBox->setCurrentIndex(AttributeBox->findText(LocalText(chosen), Qt::MatchFixedString));
}

void Ttoplicform::SetTop(const std::string &top) {
    TopEdit->setText(LocalText(top));
}

std::string Ttoplicform::Top() const {
    return LocalText(TopEdit->text());
}

std::string Ttoplicform::Attribute() const {
    return LocalText(AttributeBox->currentText());
}

void Ttoplicform::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && !contextGiven_)
        prompter().message("Internal error, context handle not set. SetLicForm");
}

void Ttoplicform::hideEvent(QHideEvent *event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        contextGiven_ = false;
}

void Ttoplicform::BrowseButtonClick() {
    if (!browser_)
        return;
    RunGuarded([this] {
        browser_->SetBrowserContext(context_);
        browser_->ClearClassFilter();
        browser_->SetSelectedPath(Top());
        if (RunDialog(*browser_) == QDialog::Accepted)
            SetTop(browser_->SelectedPath());
    });
}

void Ttoplicform::RefuseTop(const char *message) {
    prompter().message(message);
    TopEdit->setFocus();
}

void Ttoplicform::OkButtonClick() {
    if (TopEdit->text().isEmpty())
        SetTop(kTreeRoot);
    RunGuarded([this] {
        const std::string top = Top();
        if (ObjectExists(context_, top) != 0)
            return RefuseTop("Top does not exist!");
        if (!IsContainer(context_, top))
            return RefuseTop("Top: object is not a container!");
        accept();
    });
}

void Ttoplicform::CancelButtonClick() {
    reject();
}

} // namespace tarnbeck
