#include "ui/login_dialog.h"

#include "directory/object_info.h"
#include "directory/prompter.h"
#include "directory/text_compare.h"
#include "shell/trees.h"
#include "ui/action_guard.h"
#include "ui/browser_dialog.h"
#include "ui/close_box.h"
#include "ui/dialog_runner.h"
#include "ui/local_text.h"

#include <QByteArray>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <cstring>
#include <string_view>

namespace tarnbeck {

namespace {

// A copy of the Password field's text. Copy and field share one buffer; whichever copy lets
// go last overwrites it, so the password is gone before its memory is given back.
class PasswordText {
  public:
    explicit PasswordText(QString text) : text_(std::move(text)) {}
    ~PasswordText() {
        // Not detached: the field still shows it (a failed login keeps the field as it is).
        if (!text_.isEmpty() && text_.isDetached())
            explicit_bzero(text_.data(), static_cast<std::size_t>(text_.size()) * sizeof(QChar));
    }
    PasswordText(const PasswordText &) = delete;
    PasswordText &operator=(const PasswordText &) = delete;
    const QString &text() const { return text_; }

  private:
    QString text_;
};

// Overwrites the bytes of a password copy before its memory is given back.
class WipeOnExit {
  public:
    explicit WipeOnExit(QByteArray &bytes) : bytes_(bytes) {}
    ~WipeOnExit() {
        if (!bytes_.isEmpty())
            explicit_bzero(bytes_.data(), static_cast<std::size_t>(bytes_.size()));
    }
    WipeOnExit(const WipeOnExit &) = delete;
    WipeOnExit &operator=(const WipeOnExit &) = delete;

  private:
    QByteArray &bytes_;
};

} // namespace

TLoginForm::TLoginForm(QWidget *parent) : QDialog(parent) {
    setObjectName("LoginForm");
    RemoveCloseBox(*this);

    Name = new QLineEdit(this);
    Name->setObjectName("Name");
    Name->installEventFilter(this);
    Button1 = new QToolButton(this);
    Button1->setObjectName("Button1");
    Button1->setText("...");
    Password = new QLineEdit(this);
    Password->setObjectName("Password");
    Password->setEchoMode(QLineEdit::Password);
    Password->setStyleSheet("lineedit-password-character: 42"); // "*"
    BitBtn1 = new QPushButton("OK", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton("Cancel", this);
    BitBtn2->setObjectName("BitBtn2");

    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel("Name", this), 0, 0);
    fields->addWidget(Name, 0, 1);
    fields->addWidget(Button1, 0, 2);
    fields->addWidget(new QLabel("Password", this), 1, 0);
    fields->addWidget(Password, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto *layout = new QGridLayout(this);
    layout->addLayout(fields, 0, 0);
    layout->addLayout(buttons, 1, 0);
    resize(360, 120);

    // Name, Tab, password, Enter logs in; "..." comes last.
    setTabOrder(Name, Password);
    setTabOrder(Password, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, Button1);

    connect(Button1, &QToolButton::clicked, this, &TLoginForm::Button1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TLoginForm::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TLoginForm::BitBtn2Click);
}

void TLoginForm::SetContext(dsclient::ContextHandle context) {
    context_ = context;
    setWindowTitle(LocalText("Login into tree: " + ContextTreeName(context)));
}

std::string TLoginForm::UserName() const {
    return LocalText(Name->text());
}

void TLoginForm::hideEvent(QHideEvent *event) {
    ClearPassword();
    QDialog::hideEvent(event);
}

void TLoginForm::ClearPassword() {
    const PasswordText held(Password->text());
    // setText, not clear(): clearing records every removed character in the field's undo
    // history and leaves the text in place, where nothing could overwrite it.
    Password->setText(QString());
}

bool TLoginForm::eventFilter(QObject *watched, QEvent *event) {
    if (watched == Name && event->type() == QEvent::FocusOut)
        NameExit();
    return QDialog::eventFilter(watched, event);
}

void TLoginForm::NameExit() {
    const QString text = Name->text();
    if (text.startsWith('.'))
        Name->setText(text.mid(1));
}

void TLoginForm::Button1Click() {
    RunGuarded([this] { PickUser(); });
}

void TLoginForm::PickUser() {
    if (!browser_)
        return;
    TcForm &browser = *browser_;
    browser.SetBrowserContext(context_);
    browser.setWindowTitle("Select User/Alias");
    browser.SetShowLeaves(true);
    browser.ClearClassFilter();
    browser.AddClassFilter("User");
    browser.AddClassFilter("Alias");
    browser.SetSelectedPath(UserName());
    if (RunDialog(browser) != QDialog::Accepted)
        return;

    const std::string chosen = browser.SelectedPath();
    if (!EqualsIgnoreCase(ObjectBaseClass(context_, chosen), "Alias")) {
        Name->setText(LocalText(chosen));
        return;
    }
    const std::string target = ResolveAlias(context_, chosen);
    if (EqualsIgnoreCase(ObjectBaseClass(context_, target), "User"))
        Name->setText(LocalText(target));
    else
        prompter().message("Alias object is not am alias of User objects!");
}

void TLoginForm::BitBtn1Click() {
    // Enter in the Name field presses OK without leaving the field first.
    if (Name->hasFocus())
        NameExit();
    const std::string name = UserName();
    if (name.size() > kMaxLoginText) {
        prompter().message("Name is longer than 255 characters");
        return;
    }
    const PasswordText typed(Password->text());
    QByteArray password = typed.text().toLocal8Bit();
    const WipeOnExit wipe(password);
    if (static_cast<std::size_t>(password.size()) > kMaxLoginText) {
        prompter().message("Password is longer than 255 characters");
        return;
    }
    const std::string_view passwordText(password.constData(),
                                        static_cast<std::size_t>(password.size()));
    if (dsclient::Login(context_, 0, name, passwordText, 0) != dsclient::status::Ok) {
        prompter().message("Login Fails, try again");
        return;
    }
    accept();
}

void TLoginForm::BitBtn2Click() {
    reject();
}

std::optional<std::string> RunLogin(TLoginForm &form, dsclient::ContextHandle context) {
    form.SetContext(context);
    if (RunDialog(form) != QDialog::Accepted)
        return std::nullopt;
    return form.UserName();
}

} // namespace tarnbeck
