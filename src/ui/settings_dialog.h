#pragma once

// Ttoplicform: the settings of the current tree, the top of the search tree (a container that
// must exist) and the group attribute in which queries are stored. The dialog writes nothing:
// its caller saves the values after OK.

#include "platform/dsclient/client.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tarnbeck {

class TcForm;

class Ttoplicform : public QDialog {
    Q_OBJECT
  public:
    explicit Ttoplicform(QWidget *parent = nullptr);

    // The context names are checked against, for the next showing only.
    void SetContext(dsclient::ContextHandle context);
    // The browser the "..." button opens.
    void SetBrowser(TcForm &browser) { browser_ = &browser; }
    // The offered attributes, with `chosen` selected.
    void SetAttributes(const std::vector<std::string> &offered, const std::string &chosen);
    void SetTop(const std::string &top);

    std::string Top() const;
    std::string Attribute() const;

    QLineEdit *TopEdit;
    QPushButton *BrowseButton;
    QComboBox *AttributeBox;
    QPushButton *OkButton;
    QPushButton *CancelButton;

  protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

  private slots:
    void BrowseButtonClick();
    void OkButtonClick();
    void CancelButtonClick();

  private:
    void RefuseTop(const char *message);

    dsclient::ContextHandle context_ = 0;
    bool contextGiven_ = false;
    TcForm *browser_ = nullptr;
};

} // namespace tarnbeck
