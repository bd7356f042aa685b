#pragma once

// TNewObject: names a new directory object and picks its type for the browser's create action.
// The browser fills the types, shows the dialog and creates the object after OK.

#include "platform/dsclient/client.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tarnbeck {

// The full name of a new object `leaf` in `containerName`; at the top of the tree the leaf alone.
std::string NewObjectName(const std::string &leaf, const std::string &containerName);

class TNewObject : public QDialog {
    Q_OBJECT
  public:
    explicit TNewObject(QWidget *parent = nullptr);

    // Offers `types` in this order for a new object in `containerName`.
    void FillTypes(const std::vector<std::string> &types, const std::string &containerName,
                   dsclient::ContextHandle context);

    const std::string &ContainerName() const { return containerName_; }
    // After OK: the chosen type and the trimmed name.
    std::string ChosenType() const;
    std::string EnteredName() const;

    QComboBox *ComboBoxEx1;
    QLineEdit *Edit1;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;

  protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

  private slots:
    void Validate();
    void ComboBoxEx1Change();
    void BitBtn1Click();
    void BitBtn2Click();

  private:
    void FormShow();

    dsclient::ContextHandle context_ = 0;
    std::string containerName_;
    bool filling_ = false;
};

} // namespace tarnbeck
