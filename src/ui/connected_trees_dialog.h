#pragma once

// TTrees2: the trees the workstation is connected to, as a check list; the last checked entry
// is the choice, and in single-choice mode a tick is the choice: its row is selected and every
// other tick goes, and a tick cannot be taken away, only moved. "More" adds a tree through the
// select tree dialog. OK takes the choice; Cancel (or Esc) leaves it.

#include "platform/dsclient/client.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace tarnbeck {

class TTreesForm;

class TTrees2 : public QDialog {
    Q_OBJECT
  public:
    // Makes a chosen tree usable (a login when needed); true when it can be used now.
    using TreeAdder = std::function<bool(dsclient::ContextHandle, const std::string &)>;

    explicit TTrees2(QWidget *parent = nullptr);

    void SetContext(dsclient::ContextHandle context);
    void SetSingleChoice(bool singleChoice) { singleChoice_ = singleChoice; }
    // Fills the list in the given order and checks the entry of `current` (ignoring case); the
    // trees the client had to leave out follow, unavailable.
    void SetTrees(const std::vector<std::string> &trees, const std::string &current);
    // What "More" uses.
    void SetSelectTree(TTreesForm &selectTree, TreeAdder addTree);

    // The text of the last checked entry; nothing when no entry is checked.
    std::optional<std::string> LastCheckedTree() const;

    QListWidget *CheckListBox1;
    QPushButton *BitBtn1; // OK
    QPushButton *BitBtn2; // More
    QPushButton *BitBtn3; // Cancel

  protected:
    void showEvent(QShowEvent *event) override;

  private slots:
    void CheckListBox1ClickCheck(QListWidgetItem *item);
    void BitBtn1Click();
    void BitBtn2Click();

  private:
    void AddTree();
    void AppendChecked(const std::string &treeName, bool checked);
    // Single choice: the row becomes the selected one and the only ticked one.
    void MakeTheChoice(QListWidgetItem *item);

    dsclient::ContextHandle context_ = 0;
    bool hasContext_ = false;
    bool singleChoice_ = false;
    // Set while the program itself checks entries: those changes are not the administrator's.
    bool programChange_ = false;
    TTreesForm *selectTree_ = nullptr;
    TreeAdder addTree_;
};

} // namespace tarnbeck
