#include "ui/qt_prompter.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace tarnbeck {

namespace {
const QString kTitle = QStringLiteral("Tarnbeck");
QString fromLocal(const std::string &text) { return QString::fromLocal8Bit(text); }
} // namespace

void QtPrompter::message(const std::string &text) {
    QMessageBox::information(parent_, kTitle, fromLocal(text));
}

bool QtPrompter::confirm(const std::string &text) {
    return QMessageBox::question(parent_, kTitle, fromLocal(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool QtPrompter::input(const std::string &title, const std::string &prompt, std::string &value) {
    bool ok = false;
    const QString answer = QInputDialog::getText(parent_, fromLocal(title), fromLocal(prompt),
                                                 QLineEdit::Normal, fromLocal(value), &ok);
    if (ok)
        value = answer.toLocal8Bit().toStdString();
    return ok;
}

void QtPrompter::beep() { QApplication::beep(); }

void QtPrompter::pushBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }

void QtPrompter::popBusyCursor() { QGuiApplication::restoreOverrideCursor(); }

} // namespace tarnbeck
