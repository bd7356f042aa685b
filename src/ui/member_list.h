#pragma once

// The member list: object names, each carrying the mark that decides what Update group does
// with it and how it is drawn, whether its membership is written on some sides only, and the
// reason for its mark, shown as the entry's tool tip. Each change carries a tick box, ticked at
// first: Update group writes the ticked changes only.

#include "membership/member_entry.h"

#include <QColor>
#include <QListWidget>
#include <QStyledItemDelegate>

#include <map>
#include <string>

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
    // A click on the tick box, or the space bar, ticks or unticks the change.
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
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
    // What the journal adds to the tool tips, by lower-cased name ("added by run R on DATE");
    // given before the entries.
    void setNotes(std::map<std::string, std::string> notes) { notes_ = std::move(notes); }
    const std::string *noteFor(const std::string &name) const;
    MemberEntries entries() const;
    // The entries as Update group is to write them: an unticked change is kept as it is.
    MemberEntries tickedEntries() const;
    MemberMark markAt(int row) const;
    // The outcome shown no longer holds: its marks are no longer drawn. False (and nothing
    // changes) when the list shows no outcome.
    bool markStale();
    bool stale() const { return stale_; }
    // True for a change that is not ticked.
    bool unticked(int row) const;
    void setTicked(int row, bool ticked);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layOutColumns();

    MemberMarkDelegate *delegate_;
    bool outcome_ = false;
    bool stale_ = false;
    std::map<std::string, std::string> notes_;
};

} // namespace tarnbeck
