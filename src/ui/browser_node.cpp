#include "ui/browser_node.h"

#include "directory/text_compare.h"
#include "ui/class_icons.h"
#include "ui/local_text.h"

namespace tarnbeck {

namespace {
// One collator for all nodes: opening one costs more than keying a whole level.
const NameCollation &Collation() {
    static const NameCollation collation;
    return collation;
}
} // namespace

BrowserNode::BrowserNode(std::string text, int icon)
    : QTreeWidgetItem(kType), text_(std::move(text)), key_(Collation().key(text_)) {
    setText(0, LocalText(text_));
    setIcon(icon);
}

void BrowserNode::setIcon(int icon) {
    icon_ = icon;
    QTreeWidgetItem::setIcon(0, ClassIcon(icon));
}

void BrowserNode::setHasChildren(bool hasChildren) {
    setChildIndicatorPolicy(hasChildren ? QTreeWidgetItem::ShowIndicator
                                        : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

bool BrowserNode::hasChildren() const {
    return childCount() > 0 || childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator;
}

BrowserNode *BrowserNode::parentNode() const {
    return AsBrowserNode(QTreeWidgetItem::parent());
}

BrowserNode *BrowserNode::childNode(int index) const {
    return AsBrowserNode(child(index));
}

bool BrowserNode::operator<(const QTreeWidgetItem &other) const {
    if (other.type() != kType)
        return QTreeWidgetItem::operator<(other);
    const auto &node = static_cast<const BrowserNode &>(other);
    if (icon_ != node.icon_)
        return icon_ < node.icon_;
    return key_ < node.key_;
}

int BrowserNode::Path::level() const {
    int level = 0;
    for (const QTreeWidgetItem *up = owner_.QTreeWidgetItem::parent(); up; up = up->parent())
        ++level;
    return level;
}

const NameNode *BrowserNode::Path::parent() const {
    const BrowserNode *up = owner_.parentNode();
    return up ? &up->path() : nullptr;
}

BrowserNode *AsBrowserNode(QTreeWidgetItem *item) {
    return item && item->type() == BrowserNode::kType ? static_cast<BrowserNode *>(item) : nullptr;
}

} // namespace tarnbeck
