#include "ui/main_window.h"

#include "directory/prompter.h"
#include "ui/about_box.h"
#include "ui/action_guard.h"
#include "ui/browser_dialog.h"
#include "ui/change_tree.h"
#include "ui/class_icons.h"
#include "ui/context_selection.h"
#include "ui/engine_bridge.h"
#include "ui/dialog_runner.h"
#include "ui/elided_label.h"
#include "ui/glyphs.h"
#include "ui/help_texts.h"
#include "ui/history_dialog.h"
#include "ui/member_list.h"
#include "ui/other_dialogs.h"
#include "ui/progress_window.h"
#include "ui/settings_dialog.h"
#include "ui/windows.h"

#include "directory/directory_error.h"
#include "directory/text_compare.h"
#include "membership/run_lock.h"
#include "membership/update_group.h"
#include "membership/written_state.h"
#include "query/execute.h"
#include "query/group_loading.h"
#include "shell/attribute_names.h"
#include "shell/journal_access.h"
#include "shell/tree_settings.h"
#include "shell/trees.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWhatsThis>

#include <unordered_set>

namespace tarnbeck {

namespace {

QString local(const std::string &text) { return QString::fromLocal8Bit(text); }
std::string local(const QString &text) { return text.toLocal8Bit().toStdString(); }

// A hint is written "short|long": the short part is the tool tip, the long part the help text.
void setHint(QWidget *widget, const QString &hint) {
    const int bar = hint.indexOf('|');
    widget->setToolTip(bar < 0 ? hint : hint.left(bar));
    widget->setWhatsThis(bar < 0 ? hint : hint.mid(bar + 1));
}

QWidget *spacer(int width) {
    auto *gap = new QWidget;
    gap->setFixedWidth(width);
    return gap;
}

QLabel *boldLabel(const QString &text) {
    auto *label = new QLabel(text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QPushButton *browseButton(const char *name) {
    auto *button = new QPushButton(QStringLiteral("..."));
    button->setObjectName(name);
    button->setFixedSize(22, 22);
    QFont font = button->font();
    font.setBold(true);
    font.setPixelSize(19);
    button->setFont(font);
    return button;
}

template <typename T> T *named(T *widget, const char *name) {
    widget->setObjectName(name);
    return widget;
}

} // namespace

TForm1::TForm1(AppState &app, Windows &windows)
    : app_(app), windows_(windows), bridge_(std::make_unique<EngineBridge>(*this)) {
    setObjectName("Form1");
    resize(604, 634);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    buildToolBar();
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildGroupArea());
    pc = named(new QTabWidget, "pc");
    pc->setTabPosition(QTabWidget::South);
    pc->addTab(buildMembersPage(), QStringLiteral("Members    "));
    pc->addTab(buildListPage("Exclude", exclclb, exclAdd, exclDelete, exclSave, exclReload,
                             "&Reload", "excl"),
               QStringLiteral("Exclude     "));
    pc->addTab(buildListPage("Static", inclclb, inclAdd, inclDelete, inclSave, inclReload,
                             "Reload", "incl"),
               QStringLiteral("Static     "));
    layout->addWidget(pc, 1);
    setCentralWidget(central);
    applyHelpTexts();
    progress_ = new ProgressWindow(this);
    Identity = named(new QLabel, "Identity");
    statusBar()->addWidget(Identity);

    start.setObjectName("start");
    start.setInterval(1000);
    start.setSingleShot(true);
    connect(&start, &QTimer::timeout, this, &TForm1::startTimer);
    connect(exitexit, &QToolButton::clicked, this, &TForm1::exitexitClick);
    connect(what, &QToolButton::clicked, this, &TForm1::whatClick);
    connect(treessel, &QToolButton::clicked, this, &TForm1::treesselClick);
    connect(settings, &QToolButton::clicked, this, &TForm1::settingsClick);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    connect(historyButton, &QPushButton::clicked, this, &TForm1::historyClick);
    connectQueryEditor();
    connectListPage(excludes_, exclclb, exclAdd, exclDelete, exclSave, exclReload, true);
    connectListPage(statics_, inclclb, inclAdd, inclDelete, inclSave, inclReload, false);

    FormCreate();
}

TForm1::~TForm1() { FormDestroy(); }

void TForm1::buildToolBar() {
    auto *bar = named(new QToolBar, "ToolBar1");
    bar->setMovable(false);
    bar->setFixedHeight(29);
    bar->setIconSize(QSize(16, 16));
    auto tool = [bar](const char *name, Glyph glyph, const QString &hint) {
        auto *button = named(new QToolButton, name);
        button->setIcon(GlyphIcon(glyph));
        button->setAutoRaise(true);
        setHint(button, hint);
        bar->addWidget(button);
        return button;
    };
    bar->addWidget(spacer(8));
    exitexit = tool("exitexit", Glyph::Exit, "Exit|Exit");
    bar->addWidget(spacer(18));
    treessel = tool("treessel", Glyph::Tree, "Change tree|Change tree");
    bar->addWidget(spacer(17));
    settings = tool("settings", Glyph::Settings, "settings|open settings page.");
    // The wide separator pushes the last two buttons to the right edge.
    auto *stretch = new QWidget;
    stretch->setMinimumWidth(20);
    stretch->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(stretch);
    what = tool("what", Glyph::About, "about|Opens about box.");
    bar->addWidget(spacer(32));
    help = tool("help", Glyph::Help,
                "Select this button and then click on an control for some short help.|Select "
                "this button and then click on an control for some short help.");
    connect(help, &QToolButton::clicked, this, [] { QWhatsThis::enterWhatsThisMode(); });
    addToolBar(bar);

    // Linux desktops offer no system menu to extend, so what's-this mode also answers to the
    // toolkit's standard Shift+F1.
    QAction *whatsThis = QWhatsThis::createAction(this);
    whatsThis->setObjectName("whatsThisAction");
    addAction(whatsThis);
}

QWidget *TForm1::buildGroupArea() {
    auto *area = new QWidget;
    area->setFixedHeight(172);
    auto *layout = new QVBoxLayout(area);
    layout->setContentsMargins(6, 4, 6, 2);
    layout->setSpacing(2);

    auto *groupRow = new QHBoxLayout;
    groupRow->addWidget(new QLabel(QStringLiteral("Group")));
    Edit1 = named(new QLineEdit, "Edit1");
    groupImage_ = Edit1->addAction(QIcon(), QLineEdit::LeadingPosition);
    Edit1->setReadOnly(true);
    Edit1->setFixedWidth(497);
    groupRow->addWidget(Edit1);
    Button1 = browseButton("Button1");
    groupRow->addWidget(Button1);
    groupRow->addStretch();
    layout->addLayout(groupRow);
    layout->addWidget(buildQueryEditor());
    return area;
}

QWidget *TForm1::buildQueryEditor() {
    Panel6 = named(new QFrame, "Panel6");
    Panel6->setFrameShape(QFrame::StyledPanel);
    Panel6->setFixedHeight(123);
    Panel6->setEnabled(false);
    auto *grid = new QGridLayout(Panel6);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setVerticalSpacing(1);

    auto *selectorRow = new QHBoxLayout;
    ComboBox1 = named(new QComboBox, "ComboBox1");
    ComboBox1->addItem(QStringLiteral("Query 1"));
    ComboBox1->setMinimumWidth(110);
    selectorRow->addWidget(ComboBox1);
    BitBtn13 = named(new QToolButton, "BitBtn13");
    BitBtn13->setIcon(GlyphIcon(Glyph::Add));
    BitBtn14 = named(new QToolButton, "BitBtn14");
    BitBtn14->setIcon(GlyphIcon(Glyph::Delete));
    selectorRow->addWidget(BitBtn13);
    selectorRow->addWidget(BitBtn14);
    selectorRow->addStretch();
    xchain = named(new QCheckBox(QStringLiteral("x-chain ")), "xchain");
    QFont bold = xchain->font();
    bold.setBold(true);
    xchain->setFont(bold);
    selectorRow->addWidget(xchain);
    grid->addLayout(selectorRow, 0, 0, 1, 2);

    auto *contextRow = new QHBoxLayout;
    edit3 = named(new QLineEdit, "edit3");
    edit3->setReadOnly(true);
    contextRow->addWidget(edit3, 1);
    Button5 = browseButton("Button5");
    contextRow->addWidget(Button5);
    contextRow->addWidget(boldLabel(QStringLiteral("scope")));
    cbox = named(new QComboBox, "cbox");
    cbox->setEditable(true);
    cbox->setInsertPolicy(QComboBox::NoInsert); // a typed word is a scope, not a new item
    cbox->addItems({QStringLiteral("base"), QStringLiteral("one"), QStringLiteral("sub")});
    cbox->setEditText(QStringLiteral("-"));
    cbox->setFixedWidth(70);
    contextRow->addWidget(cbox);
    grid->addWidget(boldLabel(QStringLiteral("context")), 1, 0);
    grid->addLayout(contextRow, 1, 1);

    edit3a = named(new QLineEdit, "edit3a");
    grid->addWidget(boldLabel(QStringLiteral("filter")), 2, 0);
    grid->addWidget(edit3a, 2, 1);

    Label8 = named(new ElidedLabel(QStringLiteral("ldap:///")), "Label8");
    QPalette blue = Label8->palette();
    blue.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0xFF));
    Label8->setPalette(blue);
    grid->addWidget(Label8, 3, 0, 1, 2);

    auto *buttonRow = new QHBoxLayout;
    CheckBox1 = named(new QCheckBox(QStringLiteral("Add Excludes")), "CheckBox1");
    CheckBox2 = named(new QCheckBox(QStringLiteral("Add Statics")), "CheckBox2");
    buttonRow->addWidget(CheckBox1);
    buttonRow->addWidget(CheckBox2);
    buttonRow->addStretch();
    BitBtn1 = named(new QPushButton(QStringLiteral("Execute")), "BitBtn1");
    BitBtn1->setEnabled(false);
    BitBtn3 = named(new QPushButton(QStringLiteral("Save")), "BitBtn3");
    BitBtn3->setEnabled(false);
    BitBtn3->setDefault(true);
    BitBtn4 = named(new QPushButton(QStringLiteral("&Reload")), "BitBtn4");
    buttonRow->addWidget(BitBtn1);
    buttonRow->addWidget(BitBtn3);
    buttonRow->addWidget(BitBtn4);
    grid->addLayout(buttonRow, 4, 0, 1, 2);
    return Panel6;
}

QWidget *TForm1::buildMembersPage() {
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    clb = named(new MemberList, "clb");
    layout->addWidget(clb, 1);
    // The counts follow the ticks while an outcome waits to be written.
    connect(clb, &QListWidget::itemChanged, this, [this] {
        if (BitBtn2->isEnabled())
            showMarkCounts(CountMarks(clb->tickedEntries()));
    });
    markCounts = named(new QLabel, "markCounts");
    layout->addWidget(markCounts);
    Memo1 = named(new QPlainTextEdit, "Memo1");
    layout->addWidget(Memo1);
    auto *row = new QHBoxLayout;
    RadioButton1 = named(new QRadioButton(QStringLiteral("Add")), "RadioButton1");
    RadioButton2 = named(new QRadioButton(QStringLiteral("Sync")), "RadioButton2");
    RadioButton2->setChecked(true);
    row->addWidget(RadioButton1);
    row->addWidget(RadioButton2);
    row->addStretch();
    BitBtn2 = named(new QPushButton(QStringLiteral("Update group")), "BitBtn2");
    BitBtn2->setEnabled(false);
    historyButton = named(new QPushButton(QStringLiteral("History")), "historyButton");
    row->addWidget(historyButton);
    row->addWidget(BitBtn2);
    layout->addLayout(row);
    sbar = named(new QProgressBar, "sbar");
    sbar->setTextVisible(false);
    sbar->setValue(0);
    layout->addWidget(sbar);
    return page;
}

QWidget *TForm1::buildListPage(const char *pageName, QListWidget *&list, QPushButton *&add,
                               QPushButton *&remove, QPushButton *&save, QPushButton *&reload,
                               const char *reloadText, const char *prefix) {
    auto *page = new QWidget;
    page->setObjectName(pageName);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    list = new QListWidget;
    list->setObjectName(QString::fromLatin1(prefix) + "clb");
    layout->addWidget(list, 1);
    auto *row = new QHBoxLayout;
    auto button = [&row, prefix](const char *text, const char *suffix) {
        auto *b = new QPushButton(QString::fromLatin1(text));
        b->setObjectName(QString::fromLatin1(prefix) + suffix);
        row->addWidget(b);
        return b;
    };
    add = button("Add", "Add");
    remove = button("Delete", "Delete");
    save = button("Save", "Save");
    save->setEnabled(false);
    reload = button(reloadText, "Reload");
    row->addStretch();
    layout->addLayout(row);
    return page;
}

void TForm1::applyHelpTexts() {
    for (const ControlHelp &help : MainWindowHelpTexts()) {
        QString text = local(help.text);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (QWidget *control = findChild<QWidget *>(local(help.control)))
            control->setWhatsThis(text);
        else if (help.control == "pc")
            pc->setWhatsThis(text);
    }
}

void TForm1::FormCreate() {
    Memo1->hide();
    pc->setCurrentIndex(kMembersPage);
    pc->setTabVisible(kExcludePage, false);
    pc->setTabVisible(kStaticPage, false);
}

void TForm1::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    // The first tick comes from the event loop, so the window is on screen before the start
    // sequence runs.
    if (!startFired_)
        start.start();
}

void TForm1::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    UpdateCaption();
}

void TForm1::closeEvent(QCloseEvent *event) {
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

// The query Save button is the window's default button. A main window gives default buttons
// no Enter handling of its own, so Enter that no control took presses it here.
void TForm1::keyPressEvent(QKeyEvent *event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (enter && plain && BitBtn3->isEnabled()) {
        BitBtn3->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TForm1::FormCloseQuery() { return ConfirmDiscard(unsavedState()); }

UnsavedState TForm1::unsavedState() const {
    return {queryEditor_.modified(), excludes_.saveEnabled(), statics_.saveEnabled()};
}

void TForm1::setGroupImage(const QIcon &icon) { groupImage_->setIcon(icon); }

void TForm1::FormDestroy() { ReleaseApplication(app_); }

void TForm1::startTimer() {
    start.stop();
    startFired_ = true;
    RunGuarded([this] { RunStartSequence(app_, *this); });
    windows_.cForm->SetTopOfTree(app_.treeSettings.top);
}

void TForm1::UpdateCaption() {
    setWindowTitle(QStringLiteral("Tarnbeck v1.03 - ") + local(app_.currentTree));
}

void TForm1::UpdateIdentity() {
    if (app_.currentTree.empty()) {
        Identity->clear();
        return;
    }
    const std::string identity = WorkingIdentity(app_.mainContext);
    Identity->setText(local(app_.currentTree + (identity.empty() ? ": not logged in"
                                                                 : ": logged in as " + identity)));
}

void TForm1::exitexitClick() { close(); }

void TForm1::whatClick() { RunDialog(*windows_.About); }

void TForm1::cboxChange() { queryEditor_.scopeChanged(); }

// The tabs follow the boxes also when the program sets them from stored settings; only the
// administrator's click counts as an edit.
void TForm1::CheckBox1Click() {
    pc->setTabVisible(kExcludePage, CheckBox1->isChecked());
    if (!queryView_.settingControls())
        mergeSettingsClick();
}

void TForm1::CheckBox2Click() {
    pc->setTabVisible(kStaticPage, CheckBox2->isChecked());
    if (!queryView_.settingControls())
        mergeSettingsClick();
}

// "Add"/"Sync", "Add Excludes" and "Add Statics" change how Execute merges: an edit of the
// queries, and the outcome on screen no longer holds.
void TForm1::mergeSettingsClick() {
    queryEditor_.settingsChanged();
    DropOutcome();
}

void TForm1::connectQueryEditor() {
    connect(cbox, &QComboBox::activated, this, &TForm1::cboxChange);
    connect(cbox->lineEdit(), &QLineEdit::textEdited, this, &TForm1::cboxChange);
    connect(xchain, &QCheckBox::clicked, this, &TForm1::cboxChange);
    connect(CheckBox1, &QCheckBox::toggled, this, &TForm1::CheckBox1Click);
    connect(CheckBox2, &QCheckBox::toggled, this, &TForm1::CheckBox2Click);
    for (QRadioButton *mode : {RadioButton1, RadioButton2})
        connect(mode, &QRadioButton::clicked, this, &TForm1::mergeSettingsClick);
    connect(edit3a, &QLineEdit::textChanged, this, [this] { queryEditor_.filterChanged(); });
    connect(ComboBox1, &QComboBox::activated, this,
            [this](int index) { RunGuarded([&] { queryEditor_.switchQuery(index); }); });
    connect(BitBtn13, &QToolButton::clicked, this,
            [this] { RunGuarded([&] { queryEditor_.addQuery(); }); });
    connect(BitBtn14, &QToolButton::clicked, this,
            [this] { RunGuarded([&] { queryEditor_.deleteQuery(); }); });
    // What Execute runs is what was saved: saving or reloading makes the outcome stale.
    connect(BitBtn3, &QPushButton::clicked, this, [this] {
        DropOutcome();
        RunGuarded([&] { queryEditor_.save(); });
    });
    connect(BitBtn4, &QPushButton::clicked, this, [this] {
        DropOutcome();
        RunGuarded([&] { queryEditor_.reload(); });
    });
}

void TForm1::connectListPage(NameListPage &page, QListWidget *list, QPushButton *add,
                             QPushButton *remove, QPushButton *save, QPushButton *reload,
                             bool excludeList) {
    auto attribute = [this, excludeList] {
        return excludeList ? app_.excludeAttribute : app_.staticAttribute;
    };
    // Whatever an action reaches, the page shows the list as it now stands.
    auto act = [this, &page, list, save](auto action) {
        RunGuarded(action);
        showListPage(page, list, save);
    };
    // Execute reads the saved lists: saving or reloading one makes the outcome stale.
    auto actOnSaved = [this, act](auto action) {
        DropOutcome();
        act(action);
    };
    connect(list, &QListWidget::itemChanged, this, [&page, list](QListWidgetItem *item) {
        page.setTicked(std::size_t(list->row(item)), item->checkState() == Qt::Checked);
    });
    connect(add, &QPushButton::clicked, this, [this, &page, act] {
        act([this, &page] {
            TcForm &browser = *windows_.cForm;
            browser.ClearClassFilter();
            browser.SetShowLeaves(true);
            browser.AddClassFilter("User");
            browser.AddClassFilter("Workstation");
            std::optional<std::string> picked;
            if (RunDialog(browser) == QDialog::Accepted)
                picked = browser.SelectedPath();
            page.add(picked);
        });
    });
    connect(remove, &QPushButton::clicked, this,
            [&page, act] { act([&page] { page.deleteTicked(); }); });
    connect(reload, &QPushButton::clicked, this, [this, &page, actOnSaved, attribute] {
        actOnSaved([this, &page, attribute] {
            page.reload(app_.mainContext, local(Edit1->text()), attribute());
        });
    });
    connect(save, &QPushButton::clicked, this, [this, &page, actOnSaved, attribute] {
        actOnSaved([this, &page, attribute] {
            page.save(app_.mainContext, local(Edit1->text()), attribute());
        });
    });
}

void TForm1::showListPage(const NameListPage &page, QListWidget *list, QPushButton *save) {
    const QSignalBlocker blocker(list);
    list->clear();
    for (const ListedName &item : page.items()) {
        auto *row = new QListWidgetItem(local(item.name), list);
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(item.ticked ? Qt::Checked : Qt::Unchecked);
    }
    save->setEnabled(page.saveEnabled());
}

void TForm1::showListPages() {
    showListPage(excludes_, exclclb, exclSave);
    showListPage(statics_, inclclb, inclSave);
}

GroupAttributes TForm1::groupAttributes() const {
    return {app_.treeSettings.queryAttribute, app_.excludeAttribute, app_.staticAttribute};
}

void TForm1::Button1Click() {
    bool chosen = true; // also when the choice failed part-way
    RunGuarded([&] {
        chosen = ChooseGroup({app_.mainContext, groupAttributes()}, *bridge_, excludes_, statics_);
    });
    if (chosen)
        DropOutcome();
    showListPages();
}

void TForm1::loadGroup(const std::string &groupName) {
    DropOutcome();
    RunGuarded([&] {
        LoadGroup({app_.mainContext, groupAttributes()}, groupName, *bridge_, excludes_, statics_);
    });
    showListPages();
}

void TForm1::Button5Click() {
    RunGuarded([this] {
        if (const auto context = ChooseQueryContext(*windows_.cForm, app_)) {
            queryView_.setContextText(*context);
            queryEditor_.contextChanged();
        }
    });
}

void TForm1::settingsClick() {
    RunGuarded([this] { RunSettingsDialog(*windows_.toplicform, *windows_.cForm, app_); });
}

void TForm1::BitBtn1Click() {
    // Only an Execute that completes enables Update group again.
    DropOutcome();
    RunGuarded([this] {
        const ExecuteTarget target{app_.mainContext, local(Edit1->text()), groupAttributes(),
                                   app_.attributeNameMap ? &*app_.attributeNameMap : nullptr,
                                   app_.memberClasses};
        const ProgressEnd done(*progress_);
        Execute(target, *bridge_);
    });
}

void TForm1::BitBtn2Click() {
    const MemberEntries entries = clb->entries();
    const MemberEntries ticked = clb->tickedEntries();
    bridge_->beginUpdate();
    RunGuarded([&] {
        // A scheduled run writing the same group at once would mix two outcomes.
        std::string busy;
        const auto lock = RunLock::Acquire(app_.currentTree, local(Edit1->text()), busy);
        if (!lock) {
            prompter().message("Update group not started: " + busy);
            return;
        }
        // No write goes unrecorded: without the journal nothing is written.
        journal::JournalDb::Opened journal = OpenUserJournal(app_);
        if (!journal.notice.empty())
            prompter().message(journal.notice);
        if (!journal.journal) {
            prompter().message("Update group not started: " + journal.problem);
            return;
        }
        JournalTarget target =
            JournalTargetFor(app_, *journal.journal, ProgramWithVersion("window"));
        if (pendingUndo_) { // the outcome shown is the undo of a run
            target.start.undoes = *pendingUndo_;
            target.reason = "undoes run " + std::to_string(*pendingUndo_);
        }
        bridge_->setJournal(std::move(target));
        UpdateResult result;
        {
            const ProgressEnd done(*progress_);
            const struct Forget {
                EngineBridge &bridge;
                ~Forget() { bridge.setJournal(std::nullopt); }
            } forget{*bridge_};
            result = UpdateGroup(app_.mainContext, local(Edit1->text()), ticked, *bridge_);
            pendingUndo_.reset();
        }
        if (result.stopped)
            prompter().message("Update group stopped. Members written: " +
                               std::to_string(result.written));
    });
    showWrittenState(entries, ticked);
}

// After a walk, completed or not, the list shows what the directory now holds and what is left.
void TForm1::showWrittenState(const MemberEntries &entries, const MemberEntries &ticked) {
    const std::optional<std::size_t> walked = bridge_->walked();
    if (!walked)
        return;
    // An unticked change was not written: it stays as it was, unticked.
    std::vector<bool> unticked(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        unticked[i] = ChangesDirectory(entries[i]) && !ChangesDirectory(ticked[i]);
    const MemberEntries written = WrittenState(entries, *walked, unticked);
    clb->setEntries(written, HasChanges(written));
    std::unordered_set<std::string, NameHash, NameEqual> left;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (unticked[i])
            left.insert(entries[i].name);
    for (int row = 0; row < clb->count() && !left.empty(); ++row)
        if (left.count(written[static_cast<std::size_t>(row)].name))
            clb->setTicked(row, false);
    showMarkCounts(CountMarks(written));
}

void TForm1::historyClick() {
    RunGuarded([this] {
        const std::string group = local(Edit1->text());
        if (group.empty()) {
            prompter().message("Load a group first");
            return;
        }
        std::string problem;
        std::vector<journal::RunRow> runs = GroupRuns(app_.currentTree, group, problem);
        if (!problem.empty()) {
            prompter().message(problem);
            return;
        }
        HistoryDialog dialog(runs, this);
        if (RunDialog(dialog) != QDialog::Accepted || !dialog.undoRequested())
            return;
        // Shown as an outcome of Execute: marks, counts and ticks, written by Update group.
        std::vector<std::string> notes;
        const journal::RunRow run = *dialog.undoRequested();
        MemberEntries outcome = UndoOutcome(app_, run, runs, notes);
        DropOutcome();
        bridge_->showOutcome(std::move(outcome));
        pendingUndo_ = run.id;
        BitBtn2->setEnabled(true);
        for (const std::string &note : notes)
            prompter().message(note);
    });
}

void TForm1::showMarkCounts(const std::optional<MarkCounts> &counts) {
    markCounts->setText(counts ? QString::fromStdString(DescribeCounts(*counts)) : QString());
}

void TForm1::ResetGroup() {
    Edit1->clear();
    setGroupImage(QIcon());
    clb->setEntries({});
    showMarkCounts(std::nullopt);
    queryEditor_.unbindGroup();
    {
        const QSignalBlocker blocker(edit3a);
        edit3->clear();
        edit3a->clear();
    }
    cbox->setEditText(QStringLiteral("-"));
    Label8->setLine(QStringLiteral("ldap:///"));
    excludes_.clear();
    statics_.clear();
    showListPages();
    pc->setCurrentIndex(kMembersPage);
    Panel6->setEnabled(false);
    BitBtn1->setEnabled(false);
    DropOutcome();
}

void TForm1::DropOutcome() {
    BitBtn2->setEnabled(false);
    pendingUndo_.reset();
    if (clb->markStale())
        markCounts->setText(QStringLiteral("Execute again to see the outcome"));
}

void TForm1::treesselClick() {
    ChangeTreeHooks hooks;
    hooks.ConfirmDiscard = [this] { return ConfirmDiscard(unsavedState()); };
    hooks.ResetGroup = [this] { ResetGroup(); };
    hooks.ReleaseQueries = [this] {
        app_.loadedQueryStrings.reset();
        app_.attributeNameMap.reset();
    };
    hooks.UpdateCaption = [this] {
        UpdateCaption();
        UpdateIdentity();
    };
    hooks.ReloadTreeConfiguration = [this] {
        LoadAttributeNameMap(app_);
        LoadTreeSettings(app_);
        windows_.cForm->SetTopOfTree(app_.treeSettings.top);
    };
    RunGuarded([&] { ChangeTree(app_, windows_, hooks); });
}

// The client is missing: leave the event loop at once, with a failure code.
void TForm1::endProcess() { QCoreApplication::exit(1); }

void TForm1::closeMainWindow() { close(); }

void TForm1::setBrowserContext(dsclient::ContextHandle context) {
    windows_.cForm->SetBrowserContext(context);
}

void TForm1::markBrowserContextGiven() { TcForm::MarkContextGiven(); }

void TForm1::initIcons() { InitIcons(); }

} // namespace tarnbeck
