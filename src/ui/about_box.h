#pragma once

// TAbout: version, build, operating system and memory, fading in and out.

#include <QDialog>
#include <QTimer>

class QLabel;
class QPushButton;

namespace tarnbeck {

class TAbout : public QDialog {
public:
    explicit TAbout(QWidget *parent = nullptr);

    // The transparency value: 0 invisible, 255 opaque.
    int transparency() const { return transparency_; }
    bool fading() const { return fadeTimer.isActive(); }

    QLabel *versionLabel;
    QLabel *buildLabel;
    QLabel *systemLabel;
    QLabel *memoryLabel;
    QPushButton *closeButton;
    QTimer fadeTimer;

    // One tick of the fade (the timer's handler).
    void fadeTick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void closeClick();
    void setTransparency(int value);

    int transparency_ = 0;
    int step_ = 4;
};

} // namespace tarnbeck
