#pragma once

// TForm1: the main window. It owns the layout, the help texts, the member list's colours and
// the Exclude/Static tab rules; its handlers stay thin and call the engine.

#include "platform/journal/update_journal.h"
#include "membership/mark_counts.h"
#include "membership/name_list_page.h"
#include "membership/unsaved_state.h"
#include "query/group_attributes.h"
#include "query/query_editor.h"
#include "shell/app_state.h"
#include "shell/start_sequence.h"
#include "ui/elided_label.h"
#include "ui/query_editor_widgets.h"

#include <QIcon>
#include <QMainWindow>
#include <QTimer>

#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;

namespace tarnbeck {

class EngineBridge;
class MemberList;
class ProgressWindow;
struct Windows;

class TForm1 : public QMainWindow, private StartHost {
    Q_OBJECT

public:
    TForm1(AppState &app, Windows &windows);
    ~TForm1() override;

    AppState &app() { return app_; }
    Windows &windows() { return windows_; }
    QueryEditor &queryEditor() { return queryEditor_; }
    QueryEditorWidgets &queryView() { return queryView_; }
    NameListPage &excludes() { return excludes_; }
    NameListPage &statics() { return statics_; }
    // Shown while Execute or Update group runs.
    ProgressWindow &progressWindow() { return *progress_; }

    // Which of the query, the exclude list and the static list hold unsaved changes.
    UnsavedState unsavedState() const;
    // The group field's image: a group of people or workstations.
    void setGroupImage(const QIcon &icon);
    // The counts per mark under the member list after Execute; none after a load.
    void showMarkCounts(const std::optional<MarkCounts> &counts);
    // Back to no group loaded: the group, its editor, its lists and its outcome are gone, and
    // nothing that needs a group is enabled (the tree changes, or a load failed).
    void ResetGroup();
    // The outcome on screen no longer matches what Execute would find: Update group waits for
    // the next Execute, and an outcome's marks are no longer drawn.
    void DropOutcome();
    // Loads a group as choosing it in the browser does (for scripted runs and pictures).
    void loadGroup(const std::string &groupName);

    void UpdateCaption();
    // The status line names the tree and the user the window works as.
    void UpdateIdentity();

    // Controls, by their names.
    QToolButton *exitexit;
    QToolButton *treessel;
    QToolButton *settings;
    QToolButton *what;
    QToolButton *help;
    QLineEdit *Edit1;
    QPushButton *Button1;
    QFrame *Panel6;
    QComboBox *ComboBox1;
    QToolButton *BitBtn13;
    QToolButton *BitBtn14;
    QCheckBox *xchain;
    QLineEdit *edit3;
    QPushButton *Button5;
    QComboBox *cbox;
    QLineEdit *edit3a;
    ElidedLabel *Label8; // the query string line
    QCheckBox *CheckBox1;
    QCheckBox *CheckBox2;
    QPushButton *BitBtn1;
    QPushButton *BitBtn3;
    QPushButton *BitBtn4;
    QTabWidget *pc;
    MemberList *clb;
    QPlainTextEdit *Memo1;
    QRadioButton *RadioButton1;
    QRadioButton *RadioButton2;
    QPushButton *BitBtn2;
    QPushButton *historyButton; // the loaded group's journalled runs
    QProgressBar *sbar;
    QLabel *markCounts;
    QListWidget *exclclb;
    QPushButton *exclAdd, *exclDelete, *exclSave, *exclReload;
    QListWidget *inclclb;
    QPushButton *inclAdd, *inclDelete, *inclSave, *inclReload;
    QLabel *Identity;
    QTimer start;

    static constexpr int kMembersPage = 0;
    static constexpr int kExcludePage = 1;
    static constexpr int kStaticPage = 2;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private slots:
    void startTimer();
    void exitexitClick();
    void whatClick();
    void cboxChange();
    void CheckBox1Click();
    void CheckBox2Click();
    void mergeSettingsClick();
    void Button1Click();
    void Button5Click();
    void settingsClick();
    void treesselClick();
    void BitBtn1Click();
    void BitBtn2Click();
    void historyClick();

private:
    // StartHost
    void endProcess() override;
    void closeMainWindow() override;
    void setBrowserContext(dsclient::ContextHandle context) override;
    void markBrowserContextGiven() override;
    void updateCaption() override {
        UpdateCaption();
        UpdateIdentity();
    }
    void initIcons() override;

    void FormCreate();
    void FormDestroy();
    bool FormCloseQuery();

    void buildToolBar();
    QWidget *buildGroupArea();
    QWidget *buildQueryEditor();
    QWidget *buildMembersPage();
    QWidget *buildListPage(const char *listName, QListWidget *&list, QPushButton *&add,
                           QPushButton *&remove, QPushButton *&save, QPushButton *&reload,
                           const char *reloadText, const char *prefix);
    void applyHelpTexts();
    void connectQueryEditor();
    void connectListPage(NameListPage &page, QListWidget *list, QPushButton *add,
                         QPushButton *remove, QPushButton *save, QPushButton *reload,
                         bool excludeList);
    void showListPage(const NameListPage &page, QListWidget *list, QPushButton *save);
    void showListPages();
    GroupAttributes groupAttributes() const;
    void showWrittenState(const MemberEntries &entries, const MemberEntries &ticked);

    AppState &app_;
    Windows &windows_;
    bool startFired_ = false;
    QAction *groupImage_ = nullptr;
    QueryEditorWidgets queryView_{*this};
    QueryEditor queryEditor_{queryView_};
    NameListPage excludes_;
    NameListPage statics_;
    std::unique_ptr<EngineBridge> bridge_;
    // The run whose undo the member list shows, until Update group writes it or it is dropped.
    std::optional<journal::RunId> pendingUndo_;
    ProgressWindow *progress_ = nullptr;
};

} // namespace tarnbeck
