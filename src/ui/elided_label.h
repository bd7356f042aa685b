#pragma once

#include <QLabel>

namespace tarnbeck {

// A one-line label whose text never widens its window: what does not fit is left out in the
// middle, and the whole text is its tool tip.
class ElidedLabel : public QLabel {
  public:
    explicit ElidedLabel(const QString &text, QWidget *parent = nullptr);

    // The text, shown elided, and the tool tip.
    void setLine(const QString &text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace tarnbeck
