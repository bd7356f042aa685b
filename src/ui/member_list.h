#pragma once

// The member list: object names, each carrying the mark that decides what Update group does
// with it and how it is drawn, whether its membership is written on some sides only, and the
// reason for its mark, shown as the entry's tool tip.

#include "membership/member_entry.h"

#include <QColor>
#include <QListWidget>
#include <QStyledItemDelegate>

namespace tarnbeck {

struct MarkStyle {
    QColor colour;
    bool strikeOut = false;
};
// Black for keep, red struck out for remove, green for add, blue struck out for excluded, blue
// for static; anything else black.
MarkStyle StyleOfMark(int mark);

// The colour of every entry of an outcome that no longer holds: its marks are not drawn.
inline const QColor kStaleColour{0x80, 0x80, 0x80};

// Draws an entry in its mark's colour and style, on the selection highlight too; an incomplete
// entry is drawn in italics and followed by kIncompleteSuffix. A stale list draws no marks.
class MemberMarkDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setStale(bool stale) { stale_ = stale; }

private:
    bool stale_ = false;
};

class MemberList : public QListWidget {
public:
    static constexpr int kItemHeight = 14;
    static constexpr int kMarkRole = Qt::UserRole + 1;
    static constexpr int kIncompleteRole = Qt::UserRole + 2;
    static constexpr const char *kIncompleteSuffix = " (incomplete)";

    explicit MemberList(QWidget *parent = nullptr);

    // The only way entries come into the list; `outcome`: their marks say what Update does,
    // rather than only who is a member.
    void setEntries(const MemberEntries &entries, bool outcome = false);
    MemberEntries entries() const;
    MemberMark markAt(int row) const;
    // The outcome shown no longer holds: its marks are no longer drawn. False (and nothing
    // changes) when the list shows no outcome.
    bool markStale();
    bool stale() const { return stale_; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layOutColumns();

    MemberMarkDelegate *delegate_;
    bool outcome_ = false;
    bool stale_ = false;
};

} // namespace tarnbeck
