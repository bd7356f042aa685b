#include "ui/progress_window.h"

#include "ui/close_box.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarnbeck {

namespace {
// Often enough to look alive, rarely enough to cost nothing on a walk of 100,000 members.
constexpr qint64 kRepaintIntervalMs = 40;
} // namespace

ProgressWindow::ProgressWindow(QWidget *parent) : QDialog(parent) {
    setObjectName("ProgressWindow");
    setWindowModality(Qt::ApplicationModal);
    RemoveCloseBox(*this);
    label = new QLabel(this);
    label->setObjectName("label");
    bar = new QProgressBar(this);
    bar->setObjectName("bar");
    buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    stopButton = new QPushButton(QStringLiteral("Stop"), this);
    stopButton->setObjectName("stopButton");
    stopButton->hide();
    buttonRow->addWidget(stopButton);
    connect(stopButton, &QPushButton::clicked, this, [this] {
        stopRequested_ = true;
        stopButton->setEnabled(false);
    });
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(bar);
    layout->addLayout(buttonRow);
    setMinimumWidth(320);
}

void ProgressWindow::begin(const QString &title, int maximum, bool stoppable) {
    if (isVisible())
        return;
    stopRequested_ = false;
    stopButton->setEnabled(true);
    stopButton->setVisible(stoppable);
    setWindowTitle(title);
    label->clear();
    bar->setRange(0, maximum);
    bar->setValue(0);
    show();
    repaintWindows();
}

void ProgressWindow::advance(int value, const QString &text) {
    if (!isVisible())
        return;
    if (bar->maximum() > 0)
        bar->setValue(value);
    label->setText(text);
    if (sinceRepaint_.elapsed() >= kRepaintIntervalMs)
        repaintWindows();
}

void ProgressWindow::end() {
    if (isVisible())
        hide();
}

void ProgressWindow::closeEvent(QCloseEvent *event) {
    event->ignore(); // the work ends the window, not the administrator
}

void ProgressWindow::repaintWindows() {
    // While this window is open the others are blocked, so only painting and the events of
    // this window get through; clicks elsewhere are dropped.
    QCoreApplication::processEvents();
    sinceRepaint_.start();
}

} // namespace tarnbeck
