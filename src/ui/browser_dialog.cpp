#include "ui/browser_dialog.h"

#include "directory/directory_error.h"
#include "directory/listing.h"
#include "directory/names.h"
#include "directory/object_info.h"
#include "directory/prompter.h"
#include "directory/schema.h"
#include "directory/search.h"
#include "directory/text_compare.h"
#include "directory/values_reader.h"
#include "directory/values_writer.h"
#include "shell/trees.h"
#include "ui/action_guard.h"
#include "ui/browser_node.h"
#include "ui/class_icons.h"
#include "ui/dialog_runner.h"
#include "ui/glyphs.h"
#include "ui/local_text.h"
#include "ui/new_object_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <unordered_set>

namespace tarnbeck {

bool TcForm::contextGiven_ = false;

namespace {

constexpr const char *kTopNodeName = "[ROOT]";
constexpr const char *kDefaultTitle = "Select context";
constexpr int kListMargin = 35;
constexpr std::size_t kMaxComponent = 255;

using ClassSet = std::unordered_set<std::string, HashIgnoreCase, EqualIgnoreCase>;

ClassSet ToClassSet(const std::vector<std::string> &classes) {
    return ClassSet(classes.begin(), classes.end());
}

// Holds the tree's repainting for its lifetime; batches nest.
class UpdateBatch {
  public:
    explicit UpdateBatch(QWidget &widget) : widget_(widget), wasEnabled_(widget.updatesEnabled()) {
        widget_.setUpdatesEnabled(false);
    }
    ~UpdateBatch() { widget_.setUpdatesEnabled(wasEnabled_); }
    UpdateBatch(const UpdateBatch &) = delete;
    UpdateBatch &operator=(const UpdateBatch &) = delete;

  private:
    QWidget &widget_;
    bool wasEnabled_;
};

// Position of the last "." that separates components; a "\." belongs to its component.
std::size_t LastSeparator(const std::string &path) {
    for (std::size_t i = path.size(); i-- > 0;)
        if (path[i] == '.' && (i == 0 || path[i - 1] != '\\'))
            return i;
    return std::string::npos;
}

using NameSet = std::unordered_set<std::string, HashIgnoreCase, EqualIgnoreCase>;

// The subordinates of `parent` whose "Object Class" holds `className`.
NameSet SubordinatesOfClass(dsclient::ContextHandle context, const std::string &parent,
                            const char *className) {
    dsclient::FilterPtr filter;
    CheckStatus(dsclient::AllocFilter(filter));
    CheckStatus(dsclient::AddFilterToken(*filter, dsclient::FTOK_ANAME, "Object Class",
                                         dsclient::SYN_CLASS_NAME));
    CheckStatus(dsclient::AddFilterToken(*filter, dsclient::FTOK_EQ, "", 0));
    CheckStatus(dsclient::AddFilterToken(*filter, dsclient::FTOK_AVAL, className,
                                         dsclient::SYN_CLASS_NAME));
    CheckStatus(dsclient::AddFilterToken(*filter, dsclient::FTOK_END, "", 0));
    const ValueList found =
        SearchObjects(context, parent, std::move(filter), SearchScope::One, {}, nullptr);
    NameSet names;
    for (std::size_t i = 1; i < found.size(); i += 2)
        names.insert(found[i].text);
    return names;
}

// Users with POSIX accounts (and those of them that are Apple users) get their own icons. Found
// by one search per level, not a read per user: a level may hold thousands.
struct SpecialUsers {
    NameSet posix, apple;
};

int UserIcon(const SpecialUsers &users, const std::string &name, const std::string &baseClass,
             int icon) {
    if (!users.posix.contains(name))
        return icon;
    if (users.apple.contains(name))
        return ClassIconIndex(baseClass + "-apple");
    return ClassIconIndex(baseClass + "-posixAccount");
}

// The direct child with exactly this text; the last one when several have it.
BrowserNode *FindChild(const BrowserNode &parent, const std::string &text) {
    BrowserNode *found = nullptr;
    for (int i = 0; i < parent.childCount(); ++i)
        if (BrowserNode *child = parent.childNode(i); child && child->name() == text)
            found = child;
    return found;
}

bool IsWithin(const QTreeWidgetItem *item, const QTreeWidgetItem *ancestor) {
    for (const QTreeWidgetItem *up = item ? item->parent() : nullptr; up; up = up->parent())
        if (up == ancestor)
            return true;
    return false;
}

} // namespace

TcForm::TcForm(QWidget *parent) : QDialog(parent) {
    setObjectName("cForm");
    setWindowTitle(kDefaultTitle);
    resize(373, 514);

    TV2 = new QTreeWidget(this);
    TV2->setObjectName("TV2");
    TV2->setHeaderHidden(true);
    TV2->setColumnCount(1);
    TV2->setIndentation(19);
    TV2->setIconSize(QSize(16, 16));
    TV2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TV2->setSelectionMode(QAbstractItemView::SingleSelection);
    TV2->setSortingEnabled(false);
    // The selection stays drawn as selected while the buttons have the focus.
    QPalette palette = TV2->palette();
    palette.setBrush(QPalette::Inactive, QPalette::Highlight,
                     palette.brush(QPalette::Active, QPalette::Highlight));
    palette.setBrush(QPalette::Inactive, QPalette::HighlightedText,
                     palette.brush(QPalette::Active, QPalette::HighlightedText));
    TV2->setPalette(palette);

    lv = new QTreeWidget(this);
    lv->setObjectName("lv");
    lv->setColumnCount(1);
    lv->setHeaderLabels({"Select the object or press ESC"});
    lv->setRootIsDecorated(false);
    lv->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lv->setSelectionMode(QAbstractItemView::SingleSelection);
    lv->header()->setStretchLastSection(false);
    lv->setColumnWidth(0, 310);
    lv->hide();

    auto *upper = new QGridLayout;
    upper->setContentsMargins(0, 0, 0, 0);
    upper->addWidget(TV2, 0, 0);
    upper->addWidget(lv, 0, 0);

    BitBtn2 = new QPushButton("OK", this);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setDefault(true);
    BitBtn1 = new QPushButton("Cancel", this);
    BitBtn1->setObjectName("BitBtn1");
    All = new QCheckBox("all leafs", this);
    All->setObjectName("All");
    All->setChecked(true);
    All->setVisible(showLeaves_);
    BitBtn3 = new QToolButton(this);
    BitBtn3->setObjectName("BitBtn3");
    BitBtn3->setIcon(GlyphIcon(Glyph::Find));
    BitBtn3->setToolTip("Find an Object");
    BitBtn5 = new QToolButton(this);
    BitBtn5->setObjectName("BitBtn5");
    BitBtn5->setIcon(GlyphIcon(Glyph::Add));
    BitBtn5->hide();

    auto *bottom = new QWidget(this);
    bottom->setObjectName("bottomPanel");
    bottom->setFixedHeight(41);
    auto *buttons = new QHBoxLayout(bottom);
    buttons->setContentsMargins(6, 0, 6, 0);
    buttons->addWidget(BitBtn3);
    buttons->addWidget(BitBtn5);
    buttons->addWidget(All);
    buttons->addStretch();
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(upper, 1);
    layout->addWidget(bottom);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(50);
    Timer1->setSingleShot(true);

    TV2->installEventFilter(this);
    lv->installEventFilter(this);

    connect(Timer1, &QTimer::timeout, this, &TcForm::Timer1Timer);
    connect(TV2, &QTreeWidget::itemExpanded, this, &TcForm::TV2Expanding);
    connect(TV2, &QTreeWidget::itemCollapsed, this, &TcForm::TV2Collapsing);
    connect(BitBtn2, &QPushButton::clicked, this, &TcForm::BitBtn2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TcForm::BitBtn1Click);
    connect(BitBtn3, &QToolButton::clicked, this, &TcForm::BitBtn3Click);
    connect(BitBtn5, &QToolButton::clicked, this, &TcForm::BitBtn5Click);
    connect(lv, &QTreeWidget::itemSelectionChanged, this, &TcForm::lvSelectItem);
}

TcForm::~TcForm() = default;

// --- configuration ---------------------------------------------------------------------------

void TcForm::SetBrowserContext(dsclient::ContextHandle context) {
    const std::string tree = ContextTreeName(context);
    if (tree != treeName_)
        RemoveAllNodes();
    context_ = context;
    treeName_ = tree;
    contextGiven_ = true;
}

void TcForm::SetShowLeaves(bool showLeaves) {
    if (showLeaves == showLeaves_)
        return;
    All->setVisible(showLeaves);
    RemoveAllNodes();
    showLeaves_ = showLeaves;
}

void TcForm::ClearClassFilter() {
    classFilter_.clear();
    if (!All->isChecked()) {
        UpdateBatch batch(*TV2);
        RemoveAllNodes();
    }
}

void TcForm::AddClassFilter(const std::string &className) {
    classFilter_.push_back(className);
}

void TcForm::AddCreatableClass(const std::string &className) {
    const bool present =
        std::any_of(creatableClasses_.begin(), creatableClasses_.end(),
                    [&](const std::string &c) { return EqualsIgnoreCase(c, className); });
    if (present)
        return;
    creatableClasses_.push_back(className);
    SortCaseInsensitive(creatableClasses_);
}

void TcForm::SetSelectedPath(const std::string &name) {
    if (name != selectedPath_)
        selectedPath_ = name;
}

void TcForm::SetTopOfTree(const std::string &top) {
    topOfTree_ = top;
}

const NameNode *TcForm::SelectedNode() const {
    return selectedNode_ ? &selectedNode_->path() : nullptr;
}

// --- showing and hiding ----------------------------------------------------------------------

void TcForm::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TcForm::hideEvent(QHideEvent *event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        FormHide();
}

void TcForm::FormShow() {
    lv->hide();
    if (!contextGiven_) {
        prompter().message("Internal Error, context Handle not set");
        setResult(kNoContextResult);
        // Ended from the event loop: a modal run only starts its loop after showing.
        QTimer::singleShot(0, this, [this] {
            if (isVisible())
                done(kNoContextResult);
        });
        return;
    }
    setWindowTitle(LocalText(treeName_) + ": " + windowTitle());
    if (TV2->topLevelItemCount() == 0)
        TV2->addTopLevelItem(new BrowserNode("Please wait", -1));
    TV2->setFocus();
    SortCaseInsensitive(classFilter_);
    BitBtn5->setVisible(!creatableClasses_.empty());
    Timer1->start();
}

void TcForm::FormHide() {
    creatableClasses_.clear();
    // The next showing puts the tree's name before the title again, not before the old caption.
    setWindowTitle(kDefaultTitle);
}

void TcForm::Timer1Timer() {
    BusyCursor busy;
    Timer1->stop();
    RunGuarded([this] {
        InitIcons();
        if (NodeCount() < 2) {
            RemoveAllNodes();
            RootNode = new BrowserNode(kTopNodeName, ClassIconIndex("tree root"));
            RootNode->setHasChildren(true);
            TV2->addTopLevelItem(RootNode);
        } else {
            ReadExpandedAgain();
        }
        if (!selectedPath_.empty())
            SelectPath(selectedPath_, RootNode);
        else if (!topOfTree_.empty() && !IsPseudoName(topOfTree_))
            SelectPath(topOfTree_, RootNode);
    });
}

// Only whether there are fewer than two matters: none, or a top node with nothing under it.
int TcForm::NodeCount() const {
    const int top = TV2->topLevelItemCount();
    if (top != 1)
        return top;
    return 1 + TV2->topLevelItem(0)->childCount();
}

// --- the tree --------------------------------------------------------------------------------

void TcForm::RemoveAllNodes() {
    TV2->clear();
    RootNode = nullptr;
    selectedNode_ = nullptr;
}

void TcForm::SortTree() {
    TV2->sortItems(0, Qt::AscendingOrder);
}

void TcForm::ExpandNode(BrowserNode &node) {
    if (node.isExpanded())
        return;
    // The view expands only nodes that show an expand button; the reading decides the rest.
    if (node.childCount() == 0)
        node.setHasChildren(true);
    node.setExpanded(true);
}

void TcForm::TV2Expanding(QTreeWidgetItem *item) {
    BrowserNode *node = AsBrowserNode(item);
    // Children already there were read by an earlier expansion that nothing collapsed since.
    if (!node || node->childCount() > 0)
        return;
    RunGuarded([&] { ReadChildren(*node); });
}

void TcForm::ReadChildren(BrowserNode &node) {
    ValueList entries;
    try {
        entries = ListSubordinates(context_, DottedName(&node.path()), true, showLeaves_);
    } catch (const DirectoryError &) {
        return; // an unreadable level simply shows nothing
    }
    if (entries.empty()) {
        node.setHasChildren(false);
        SortTree();
        return;
    }

    UpdateBatch batch(*TV2);
    const std::string parent = DottedName(&node.path());
    std::optional<SpecialUsers> special;
    const ClassSet filter = ToClassSet(classFilter_);
    const bool skipLeaves = !filter.empty() && !All->isChecked();
    bool anyShown = false;
    QList<QTreeWidgetItem *> children;
    children.reserve(qsizetype(entries.size()));
    try {
        for (const ValueItem &entry : entries) {
            const auto *details = std::get_if<hobject>(&entry.attached);
            const hobject info = details ? *details : hobject{};
            // The listing's entry flags answer the container question without another request.
            const bool container =
                (info.entryFlags & (dsclient::DS_CONTAINER_ENTRY | dsclient::DS_CONTAINER_ALIAS)) !=
                0;
            if (skipLeaves && !container && !filter.contains(info.baseClass))
                continue;
            auto *child = new BrowserNode(NameComponent(entry.text, 0), -1);
            children.append(child);
            int icon = ClassIconIndex(info.baseClass);
            if (icon < 0)
                continue;
            anyShown = true;
            child->setHasChildren(info.subordinateCount != 0);
            if (SpecialIcons().contains(icon)) {
                if (!special)
                    special = SpecialUsers{SubordinatesOfClass(context_, parent, "posixAccount"),
                                           SubordinatesOfClass(context_, parent, "apple-user")};
                icon = UserIcon(*special, entry.text, info.baseClass, icon);
            }
            child->setIcon(icon);
        }
    } catch (...) {
        // What was read before the failure stays in the tree.
        node.addChildren(children);
        throw;
    }
    node.addChildren(children);
    node.setHasChildren(anyShown);
    SortTree();
}

void TcForm::TV2Collapsing(QTreeWidgetItem *item) {
    BrowserNode *node = AsBrowserNode(item);
    if (!node)
        return;
    if (IsWithin(selectedNode_, node))
        selectedNode_ = nullptr;
    // Read again at the next expansion, so objects made meanwhile by others show up.
    qDeleteAll(node->takeChildren());
    node->setHasChildren(true);
}

namespace {

using TextPath = std::vector<std::string>; // node texts below the top node

// The paths of the expanded nodes under `node`, each after its parent's.
void CollectExpanded(const BrowserNode &node, TextPath &path, std::vector<TextPath> &expanded) {
    for (int i = 0; i < node.childCount(); ++i) {
        const BrowserNode *child = node.childNode(i);
        if (!child || !child->isExpanded())
            continue;
        path.push_back(child->name());
        expanded.push_back(path);
        CollectExpanded(*child, path, expanded);
        path.pop_back();
    }
}

TextPath PathOf(const QTreeWidgetItem *item) {
    TextPath path;
    for (const BrowserNode *node = AsBrowserNode(const_cast<QTreeWidgetItem *>(item));
         node && node->parentNode(); node = node->parentNode())
        path.insert(path.begin(), node->name());
    return path;
}

BrowserNode *NodeAt(BrowserNode &top, const TextPath &path) {
    BrowserNode *node = &top;
    for (const std::string &text : path)
        if (!(node = FindChild(*node, text)))
            return nullptr;
    return node;
}

} // namespace

// A tree kept from an earlier showing may hold objects others have since removed, renamed or
// added: every expanded level is read anew, and stays expanded (and current) where it still is.
void TcForm::ReadExpandedAgain() {
    if (!RootNode || !RootNode->isExpanded())
        return;
    UpdateBatch batch(*TV2);
    std::vector<TextPath> expanded;
    TextPath path;
    CollectExpanded(*RootNode, path, expanded);
    const QList<QTreeWidgetItem *> selected = TV2->selectedItems();
    const std::optional<TextPath> current =
        selected.isEmpty() ? std::nullopt : std::optional(PathOf(selected.front()));
    RootNode->setExpanded(false);
    RootNode->setExpanded(true);
    for (const TextPath &level : expanded)
        if (BrowserNode *node = NodeAt(*RootNode, level))
            node->setExpanded(true);
    if (BrowserNode *node = current ? NodeAt(*RootNode, *current) : nullptr)
        TV2->setCurrentItem(node);
}

void TcForm::SelectPath(const std::string &path, BrowserNode *start) {
    if (!start)
        return;
    UpdateBatch batch(*TV2);
    const std::size_t separator = LastSeparator(path);
    const std::string tail = separator == std::string::npos ? path : path.substr(separator + 1);
    // Node texts are unescaped leaf names.
    const std::string last = NameComponent(tail.substr(0, kMaxComponent), 0);
    ExpandNode(*start);
    BrowserNode *child = FindChild(*start, last);
    if (!child)
        return;
    if (separator != std::string::npos)
        SelectPath(path.substr(0, separator), child);
    else
        SelectNode(*child);
}

void TcForm::SelectNode(BrowserNode &node) {
    TV2->setFocus();
    TV2->setCurrentItem(&node);
    TV2->scrollToItem(&node, QAbstractItemView::PositionAtTop);
}

// --- buttons ---------------------------------------------------------------------------------

void TcForm::BitBtn2Click() {
    setResult(0);
    const QList<QTreeWidgetItem *> selected = TV2->selectedItems();
    BrowserNode *node = selected.isEmpty() ? nullptr : AsBrowserNode(selected.front());
    if (!node)
        return;
    selectedNode_ = node;
    selectedPath_ = DottedName(&node->path());
    if (!selectedPath_.empty() && selectedPath_.front() == '.')
        selectedPath_.erase(0, 1);
    if (classFilter_.empty()) {
        accept();
        return;
    }
    RunGuarded([this] {
        SortCaseInsensitive(classFilter_);
        if (ToClassSet(classFilter_).contains(ObjectBaseClass(context_, selectedPath_))) {
            accept();
            return;
        }
        prompter().beep();
        prompter().beep();
    });
}

void TcForm::BitBtn1Click() {
    done(kCancelResult);
}

void TcForm::BitBtn3Click() {
    std::string text;
    if (!prompter().input("Find", "Entry the name of the object (no context)", text))
        return;
    RunGuarded([&] {
        std::vector<std::string> names =
            FindObjectsByClass(context_, "[root]", text, classFilter_, true, {});
        if (names.empty()) {
            prompter().message("No Objects found");
        } else if (names.size() == 1) {
            SelectPath(names.front(), RootNode);
        } else {
            SortNames(names);
            const QSignalBlocker quiet(lv);
            lv->clear();
            QList<QTreeWidgetItem *> items;
            items.reserve(qsizetype(names.size()));
            for (const auto &name : names)
                items.append(new QTreeWidgetItem(QStringList{LocalText(name)}));
            lv->addTopLevelItems(items);
            lv->show();
            lv->raise();
            lvResize();
        }
    });
}

void TcForm::lvSelectItem() {
    const QList<QTreeWidgetItem *> selected = lv->selectedItems();
    if (selected.isEmpty())
        return;
    const std::string name = LocalText(selected.front()->text(0));
    lv->hide();
    RunGuarded([&] { SelectPath(name, RootNode); });
}

void TcForm::lvResize() {
    // A list narrower than the margin gets an empty column rather than a negative width.
    lv->setColumnWidth(0, std::max(0, lv->width() - kListMargin));
}

void TcForm::BitBtn5Click() {
    RunGuarded([this] { CreateInSelectedContainer(); });
}

void TcForm::CreateInSelectedContainer() {
    if (creatableClasses_.empty() || !newObject_)
        return;
    const QList<QTreeWidgetItem *> selected = TV2->selectedItems();
    BrowserNode *container = selected.isEmpty() ? nullptr : AsBrowserNode(selected.front());
    if (!container)
        return;
    const std::string containerName = DottedName(&container->path());
    if (!IsContainer(context_, containerName))
        return;
    const ClassSet creatable = ToClassSet(creatableClasses_);
    std::vector<std::string> types;
    for (auto &type : ListCreatableClasses(context_, containerName))
        if (creatable.contains(type))
            types.push_back(std::move(type));
    if (types.empty())
        return;

    newObject_->FillTypes(types, containerName, context_);
    if (RunDialog(*newObject_) != QDialog::Accepted)
        return;
    const std::string leaf = newObject_->EnteredName();
    const std::string type = newObject_->ChosenType();
    CheckStatus(CreateObject(context_, NewObjectName(leaf, containerName), type));

    BrowserNode *created = nullptr;
    if (container->isExpanded()) {
        created = new BrowserNode(leaf, ClassIconIndex(type));
        container->addChild(created);
        if (container->childCount() == 1) {
            // A container that showed nothing before is read again as a whole.
            container->setExpanded(false);
            container->setExpanded(true);
            created = FindChild(*container, leaf);
        }
    } else {
        ExpandNode(*container);
        created = FindChild(*container, leaf);
        if (!created)
            prompter().message("Error.....");
    }
    SortTree();
    if (created)
        SelectNode(*created);
    TV2->setFocus();
}

// --- keys ------------------------------------------------------------------------------------

bool TcForm::FormKey(QKeyEvent *event, bool inTree) {
    if (event->key() == Qt::Key_Escape) {
        lv->hide();
        return true;
    }
    if (event->key() == Qt::Key_Z && event->modifiers() == Qt::AltModifier) {
        if (!BitBtn3->isHidden())
            BitBtn3->click();
        return true;
    }
    if (inTree && event->key() == Qt::Key_Insert) {
        BitBtn5Click();
        return true;
    }
    return false;
}

void TcForm::keyPressEvent(QKeyEvent *event) {
    if (!FormKey(event, false))
        QDialog::keyPressEvent(event);
}

bool TcForm::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress)
        return FormKey(static_cast<QKeyEvent *>(event), watched == TV2);
    if (watched == lv && event->type() == QEvent::Resize)
        lvResize();
    return QDialog::eventFilter(watched, event);
}

} // namespace tarnbeck
