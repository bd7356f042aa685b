#pragma once

// TcForm: the directory browser dialog, in which contexts and objects are picked. It shows the
// tree under one top node "[ROOT]", reads each level only when it is expanded, can restrict
// the leaves offered to some classes, finds objects by name and creates new ones.
//
// A caller configures it with the setters, shows it through RunDialog and, on OK (1), reads
// SelectedPath and SelectedNode. The configuration and the read tree persist between uses.

#include "directory/name_node.h"
#include "platform/dsclient/client.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QPushButton;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarnbeck {

class BrowserNode;
class TNewObject;

class TcForm : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kCancelResult = 2;
    // Shown before any context was given.
    static constexpr int kNoContextResult = 55;

    explicit TcForm(QWidget *parent = nullptr);
    ~TcForm() override;

    // Gives the dialog the context for its directory calls; another tree empties the tree view.
    void SetBrowserContext(dsclient::ContextHandle context);
    // false: expansions list containers only. A change empties the tree view.
    void SetShowLeaves(bool showLeaves);
    // Any class may be chosen again; empties the tree view unless all leaves are listed anyway.
    void ClearClassFilter();
    void AddClassFilter(const std::string &className);
    void AddCreatableClass(const std::string &className);
    void SetSelectedPath(const std::string &name);
    // The top of the search tree: opened and selected when no other preselection is given.
    void SetTopOfTree(const std::string &top);
    // The dialog the create action names new objects with.
    void SetNewObjectDialog(TNewObject &dialog) { newObject_ = &dialog; }

    dsclient::ContextHandle context() const { return context_; }
    const std::string &TreeName() const { return treeName_; }
    bool ShowLeaves() const { return showLeaves_; }
    const std::vector<std::string> &ClassFilter() const { return classFilter_; }
    const std::vector<std::string> &CreatableClasses() const { return creatableClasses_; }
    // After OK: the typeless name of the chosen object and its node.
    const std::string &SelectedPath() const { return selectedPath_; }
    const NameNode *SelectedNode() const;

    static bool contextGiven() { return contextGiven_; }
    // The start sequence marks the context given once the main context exists.
    static void MarkContextGiven() { contextGiven_ = true; }
    static void ForgetContextForTesting() { contextGiven_ = false; }

    QTreeWidget *TV2;
    QTreeWidget *lv;
    QPushButton *BitBtn2;
    QPushButton *BitBtn1;
    QCheckBox *All;
    QToolButton *BitBtn3;
    QToolButton *BitBtn5;
    QTimer *Timer1;
    BrowserNode *RootNode = nullptr;

  protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private slots:
    void Timer1Timer();
    void TV2Expanding(QTreeWidgetItem *item);
    void TV2Collapsing(QTreeWidgetItem *item);
    void BitBtn2Click();
    void BitBtn1Click();
    void BitBtn3Click();
    void BitBtn5Click();
    void lvSelectItem();

  private:
    void FormShow();
    void FormHide();
    // Key handling ahead of the controls; true when the key was used up.
    bool FormKey(QKeyEvent *event, bool inTree);
    void lvResize();

    void ReadChildren(BrowserNode &node);
    void ReadExpandedAgain();
    void SelectPath(const std::string &path, BrowserNode *start);
    void SelectNode(BrowserNode &node);
    void CreateInSelectedContainer();
    void ExpandNode(BrowserNode &node);
    void RemoveAllNodes();
    void SortTree();
    int NodeCount() const;

    dsclient::ContextHandle context_ = 0;
    // Matches no tree, so the first context given always starts an empty tree.
    std::string treeName_ = "*****";
    bool showLeaves_ = false;
    std::vector<std::string> classFilter_;
    std::vector<std::string> creatableClasses_;
    std::string selectedPath_;
    BrowserNode *selectedNode_ = nullptr;
    std::string topOfTree_;
    TNewObject *newObject_ = nullptr;
    static bool contextGiven_;
};

} // namespace tarnbeck
