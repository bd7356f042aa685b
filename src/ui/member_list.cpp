#include "ui/member_list.h"

#include "directory/text_compare.h"
#include "membership/journal_recorder.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

namespace tarnbeck {

namespace {

// An entry of the list keeps the whole member entry, so Update gets back the reasons the brake
// counts by, and the tool tip is written only when it is asked for.
class MemberItem : public QListWidgetItem {
  public:
    explicit MemberItem(MemberEntry entry)
        : QListWidgetItem(QString::fromLocal8Bit(entry.name)), entry_(std::move(entry)) {
        setData(MemberList::kMarkRole, static_cast<int>(entry_.mark));
        setData(MemberList::kIncompleteRole, entry_.incomplete);
        if (ChangesDirectory(entry_))
            setCheckState(Qt::Checked);
    }
    QVariant data(int role) const override {
        if (role == Qt::ToolTipRole) {
            std::string tip = DescribeReason(entry_);
            const auto *list = static_cast<const MemberList *>(listWidget());
            if (const std::string *note = list ? list->noteFor(entry_.name) : nullptr)
                tip += "; " + *note;
            return QString::fromStdString(tip);
        }
        return QListWidgetItem::data(role);
    }
    const MemberEntry &entry() const { return entry_; }

  private:
    MemberEntry entry_;
};

} // namespace

MarkStyle StyleOfMark(int mark) {
    switch (static_cast<MemberMark>(mark)) {
    case MemberMark::Keep: return {QColor(0x00, 0x00, 0x00), false};
    case MemberMark::Remove: return {QColor(0xFF, 0x00, 0x00), true};
    case MemberMark::Add: return {QColor(0x00, 0x80, 0x00), false};
    case MemberMark::Excluded: return {QColor(0x00, 0x00, 0xFF), true};
    case MemberMark::Static: return {QColor(0x00, 0x00, 0xFF), false};
    // Grey: shown for what the queries found, never written; the tool tip says why.
    case MemberMark::NotAddable:
        return {QColor(0x80, 0x80, 0x80), false};
    }
    return {QColor(0x00, 0x00, 0x00), false};
}

namespace {

constexpr int kTickBox = 12;

bool Tickable(const QModelIndex &index) {
    return index.data(Qt::CheckStateRole).isValid();
}

} // namespace

void MemberMarkDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const {
    MarkStyle style = stale_ ? MarkStyle{kStaleColour, false}
                                   : StyleOfMark(index.data(MemberList::kMarkRole).toInt());
    const bool incomplete = index.data(MemberList::kIncompleteRole).toBool();
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
    QRect textRect = option.rect;
    if (Tickable(index)) {
        const bool ticked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        QStyleOptionViewItem box = option;
        box.rect = QRect(option.rect.left() + 1, option.rect.top() + 1, kTickBox, kTickBox);
        box.state = (box.state & ~(QStyle::State_On | QStyle::State_Off)) |
                    (ticked ? QStyle::State_On : QStyle::State_Off);
        const QStyle *look = option.widget ? option.widget->style() : QApplication::style();
        look->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, option.widget);
        textRect.setLeft(textRect.left() + kTickBox + 3);
        if (!ticked) // left as it is: drawn dimmed
            style.colour.setAlpha(100);
    }
    QFont font = option.font;
    font.setStrikeOut(style.strikeOut);
    font.setItalic(incomplete);
    painter->setFont(font);
    painter->setPen(style.colour);
    const QString name = index.data(Qt::DisplayRole).toString();
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop, name);
    if (incomplete) {
        QFont note = option.font;
        note.setItalic(true);
        QRect rest = textRect;
        rest.setLeft(rest.left() + QFontMetrics(font).horizontalAdvance(name));
        painter->setFont(note);
        painter->drawText(rest, Qt::AlignLeft | Qt::AlignTop, MemberList::kIncompleteSuffix);
    }
    painter->restore();
}

QSize MemberMarkDelegate::sizeHint(const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(MemberList::kItemHeight);
    return size;
}

bool MemberMarkDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
                                     const QStyleOptionViewItem &option, const QModelIndex &index) {
    if (!Tickable(index))
        return false;
    bool toggle = false;
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        toggle = mouse->button() == Qt::LeftButton &&
                 mouse->position().x() < option.rect.left() + kTickBox + 3;
    } else if (event->type() == QEvent::KeyPress) {
        toggle = static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space;
    }
    if (!toggle)
        return false;
    const bool ticked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    return model->setData(index, ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

MemberList::MemberList(QWidget *parent)
    : QListWidget(parent), delegate_(new MemberMarkDelegate(this)) {
    setItemDelegate(delegate_);
    setUniformItemSizes(true);
    // Two columns: entries run down the first column, then the second, scrolling sideways.
    setFlow(QListView::TopToBottom);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setSelectionMode(QAbstractItemView::SingleSelection);
    layOutColumns();
}

void MemberList::setEntries(const MemberEntries &entries, bool outcome) {
    outcome_ = outcome;
    stale_ = false;
    delegate_->setStale(false);
    setUpdatesEnabled(false);
    clear();
    for (const MemberEntry &entry : entries)
        addItem(new MemberItem(entry));
    setUpdatesEnabled(true);
}

MemberEntries MemberList::entries() const {
    MemberEntries out;
    out.reserve(count());
    for (int row = 0; row < count(); ++row)
        out.push_back(static_cast<const MemberItem *>(item(row))->entry());
    return out;
}

bool MemberList::markStale() {
    if (!outcome_)
        return false;
    stale_ = true;
    delegate_->setStale(true);
    viewport()->update();
    return true;
}

const std::string *MemberList::noteFor(const std::string &name) const {
    const auto note = notes_.find(ToLowerAscii(name));
    return note == notes_.end() ? nullptr : &note->second;
}

MemberEntries MemberList::tickedEntries() const {
    MemberEntries out = entries();
    for (int row = 0; row < count(); ++row)
        if (unticked(row)) {
            out[row].mark = MemberMark::Keep;
            out[row].incomplete = false;
        }
    return out;
}

bool MemberList::unticked(int row) const {
    const QVariant state = item(row)->data(Qt::CheckStateRole);
    return state.isValid() && state.toInt() != Qt::Checked;
}

void MemberList::setTicked(int row, bool ticked) {
    if (item(row)->data(Qt::CheckStateRole).isValid())
        item(row)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

MemberMark MemberList::markAt(int row) const {
    return static_cast<MemberMark>(item(row)->data(kMarkRole).toInt());
}

void MemberList::resizeEvent(QResizeEvent *event) {
    QListWidget::resizeEvent(event);
    layOutColumns();
}

void MemberList::layOutColumns() {
    setGridSize(QSize(qMax(40, viewport()->width() / 2 - 2), kItemHeight));
}

} // namespace tarnbeck
