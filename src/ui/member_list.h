#pragma once

// The member list: object names, each carrying the mark that decides what Update group does
// with it and how it is drawn.

#include "membership/member_mark.h"

#include <QColor>
#include <QListWidget>
#include <QStyledItemDelegate>

#include <string>
#include <utility>
#include <vector>

namespace tarnbeck {

struct MarkStyle {
    QColor colour;
    bool strikeOut = false;
};
// Black for keep, red struck out for remove, green for add, blue struck out for excluded, blue
// for static; anything else black.
MarkStyle StyleOfMark(int mark);

// Draws an entry in its mark's colour and style, on the selection highlight too.
class MemberMarkDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

class MemberList : public QListWidget {
public:
    static constexpr int kItemHeight = 14;
    static constexpr int kMarkRole = Qt::UserRole + 1;

    explicit MemberList(QWidget *parent = nullptr);

    void setEntries(const std::vector<std::pair<std::string, MemberMark>> &entries);
    std::vector<std::pair<std::string, MemberMark>> entries() const;
    MemberMark markAt(int row) const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layOutColumns();
};

} // namespace tarnbeck
