#pragma once

// TTreesForm: picks a tree from those the client can see, or one named by hand ("Add": a tree
// name, or a server address whose tree is asked for). The list is read anew at every showing,
// shortly after the dialog is on screen; names added by hand are kept for the next showings.

#include "platform/dsclient/client.h"

#include <QDialog>

#include <string>
#include <vector>

class QListWidget;
class QPushButton;
class QTimer;

namespace tarnbeck {

class TTreesForm : public QDialog {
    Q_OBJECT
  public:
    explicit TTreesForm(QWidget *parent = nullptr);

    void SetContext(dsclient::ContextHandle context);

    // The tree chosen with OK at the last showing; empty when none was.
    const std::string &ChosenTree() const { return chosen_; }
    // Names merged into every refill.
    const std::vector<std::string> &KeptTrees() const { return kept_; }

    QListWidget *ListBox1;
    QPushButton *BitBtn1; // OK
    QPushButton *BitBtn2; // Cancel
    QPushButton *BitBtn3; // Add
    QTimer *Timer1;

  protected:
    void showEvent(QShowEvent *event) override;

  private slots:
    void Timer1Timer();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();

  private:
    void Refill();
    void AddTree(const std::string &answer);
    void Append(const std::string &treeName);

    dsclient::ContextHandle context_ = 0;
    bool hasContext_ = false;
    std::string chosen_;
    std::vector<std::string> kept_;
};

} // namespace tarnbeck
