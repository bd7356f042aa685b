#include "browser_test_support.h"

#include "directory/names.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace tarnbeck::testing {

void FillNow(TcForm &browser) {
    ASSERT_TRUE(browser.Timer1->isActive());
    QMetaObject::invokeMethod(&browser, "Timer1Timer", Qt::DirectConnection);
}

BrowserNode *NodeAt(const TcForm &browser, const std::vector<std::string> &texts) {
    BrowserNode *node = nullptr;
    for (const auto &text : texts) {
        BrowserNode *next = nullptr;
        const int count = node ? node->childCount() : browser.TV2->topLevelItemCount();
        for (int i = 0; i < count && !next; ++i) {
            BrowserNode *candidate =
                node ? node->childNode(i) : AsBrowserNode(browser.TV2->topLevelItem(i));
            if (candidate && candidate->name() == text)
                next = candidate;
        }
        if (!next)
            return nullptr;
        node = next;
    }
    return node;
}

std::vector<std::string> ChildTexts(const QTreeWidgetItem *node) {
    std::vector<std::string> texts;
    for (int i = 0; node && i < node->childCount(); ++i)
        texts.push_back(node->child(i)->text(0).toStdString());
    return texts;
}

namespace {
void CollectExpanded(QTreeWidgetItem *item, std::vector<std::string> &paths) {
    BrowserNode *node = AsBrowserNode(item);
    if (node && node->isExpanded())
        paths.push_back(SeparatedPath(&node->path(), '/'));
    for (int i = 0; i < item->childCount(); ++i)
        CollectExpanded(item->child(i), paths);
}
} // namespace

std::vector<std::string> ExpandedPaths(const TcForm &browser) {
    std::vector<std::string> paths;
    for (int i = 0; i < browser.TV2->topLevelItemCount(); ++i)
        CollectExpanded(browser.TV2->topLevelItem(i), paths);
    return paths;
}

std::string SelectedPath(const TcForm &browser) {
    const auto selected = browser.TV2->selectedItems();
    if (selected.isEmpty())
        return {};
    const BrowserNode *node = AsBrowserNode(selected.front());
    return node ? SeparatedPath(&node->path(), '/') : std::string("?");
}

} // namespace tarnbeck::testing
