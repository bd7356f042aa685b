#pragma once

// One node of the browser's tree: the unescaped leaf name of an object, its class icon and a
// has-children mark that shows the expand button before the children are read.

#include "directory/name_node.h"

#include <QTreeWidgetItem>

#include <string>

namespace tarnbeck {

class BrowserNode : public QTreeWidgetItem {
  public:
    static constexpr int kType = QTreeWidgetItem::UserType + 1;

    BrowserNode(std::string text, int icon);

    const std::string &name() const { return text_; }
    int icon() const { return icon_; }
    // The image of the node; a negative index leaves it without one.
    void setIcon(int icon);
    void setHasChildren(bool hasChildren);
    bool hasChildren() const;

    // The node as the name builders see it.
    const NameNode &path() const { return path_; }

    BrowserNode *parentNode() const;
    BrowserNode *childNode(int index) const;

    // Grouped by icon, then in the user's locale's order of names, ignoring case.
    bool operator<(const QTreeWidgetItem &other) const override;

  private:
    class Path : public NameNode {
      public:
        explicit Path(const BrowserNode &owner) : owner_(owner) {}
        std::string text() const override { return owner_.text_; }
        int level() const override;
        const NameNode *parent() const override;

      private:
        const BrowserNode &owner_;
    };

    std::string text_;
    std::string key_; // orders the text as the locale does
    int icon_ = -1;
    Path path_{*this};
};

// The item as a browser node; null for anything else.
BrowserNode *AsBrowserNode(QTreeWidgetItem *item);

} // namespace tarnbeck
