#include "ui/about_box.h"

#include "shell/system_info.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarnbeck {

TAbout::TAbout(QWidget *parent) : QDialog(parent) {
    setObjectName("About");
    setWindowTitle("About Tarnbeck");
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel("<b>Tarnbeck</b>");
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    versionLabel = new QLabel(QStringLiteral("Version 1.03"));
    buildLabel = new QLabel(QStringLiteral("Build: ") + QString::fromLatin1(BuildId()));
    systemLabel = new QLabel;
    memoryLabel = new QLabel;
    for (QLabel *label : {versionLabel, buildLabel, systemLabel, memoryLabel}) {
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    closeButton = new QPushButton(QStringLiteral("Close"));
    closeButton->setObjectName("closeButton");
    layout->addWidget(closeButton, 0, Qt::AlignHCenter);
    connect(closeButton, &QPushButton::clicked, this, [this] { closeClick(); });

    fadeTimer.setInterval(5);
    connect(&fadeTimer, &QTimer::timeout, this, [this] { fadeTick(); });
}

void TAbout::showEvent(QShowEvent *event) {
    systemLabel->setText(QString::fromLocal8Bit(OperatingSystemText()));
    memoryLabel->setText(QString::fromLocal8Bit(AvailableMemoryText()));
    step_ = 4;
    setTransparency(0);
    fadeTimer.start();
    QDialog::showEvent(event);
}

void TAbout::fadeTick() {
    int value = transparency_ + step_;
    if (step_ > 0 && value >= 247) {
        setTransparency(255);
        fadeTimer.stop();
        return;
    }
    setTransparency(value);
    if (step_ < 0 && value < 5) {
        fadeTimer.stop();
        accept();
    }
}

void TAbout::closeClick() {
    step_ = -4;
    fadeTimer.start();
}

void TAbout::setTransparency(int value) {
    transparency_ = value;
    setWindowOpacity(value / 255.0);
}

} // namespace tarnbeck
