#include "ui/elided_label.h"

#include <QPainter>
#include <QStyle>

namespace tarnbeck {

ElidedLabel::ElidedLabel(const QString &text, QWidget *parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setLine(text);
}

void ElidedLabel::setLine(const QString &text) {
    setText(text);
    setToolTip(text);
}

// One line high, and as narrow as the layout likes: the text's width must not count.
QSize ElidedLabel::sizeHint() const {
    return {fontMetrics().averageCharWidth() * 20, fontMetrics().height()};
}

QSize ElidedLabel::minimumSizeHint() const { return {0, fontMetrics().height()}; }

void ElidedLabel::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
    style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter, palette(),
                          isEnabled(), shown, foregroundRole());
}

} // namespace tarnbeck
