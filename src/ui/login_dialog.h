#pragma once

// TLoginForm: logs the workstation in on the tree of a context, with a user name (typed or
// picked in the browser) and a password. The password lives only in its field, which is emptied
// whenever the dialog closes, and the copies the dialog makes are overwritten after use.

#include "platform/dsclient/client.h"

#include <QDialog>

#include <optional>
#include <string>

class QLineEdit;
class QPushButton;
class QToolButton;

namespace tarnbeck {

class TcForm;

class TLoginForm : public QDialog {
    Q_OBJECT
  public:
    // Longest name or password the login takes; longer input is refused, never cut.
    static constexpr std::size_t kMaxLoginText = 255;

    explicit TLoginForm(QWidget *parent = nullptr);

    // The context to log in on; the title names its tree.
    void SetContext(dsclient::ContextHandle context);
    // The browser in which "..." picks the user.
    void SetBrowser(TcForm &browser) { browser_ = &browser; }

    dsclient::ContextHandle context() const { return context_; }
    // The Name field's text; it stays for the next showing.
    std::string UserName() const;

    QLineEdit *Name;
    QLineEdit *Password;
    QToolButton *Button1; // "..."
    QPushButton *BitBtn1; // OK
    QPushButton *BitBtn2; // Cancel

  protected:
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private slots:
    void NameExit();
    void Button1Click();
    void BitBtn1Click();
    void BitBtn2Click();

  private:
    void PickUser();
    // Empties the Password field and overwrites the text it held.
    void ClearPassword();

    dsclient::ContextHandle context_ = 0;
    TcForm *browser_ = nullptr;
};

// Shows the login dialog for `context`: the user name when the login succeeded, nothing when
// it was cancelled.
std::optional<std::string> RunLogin(TLoginForm &form, dsclient::ContextHandle context);

} // namespace tarnbeck
