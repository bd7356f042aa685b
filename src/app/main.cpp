// Tarnbeck: computed membership for directory groups.

#include "directory/prompter.h"
#include "ui/main_window.h"
#include "ui/qt_prompter.h"
#include "ui/windows.h"

#include <QApplication>

int main(int argc, char **argv) {
    QApplication application(argc, argv);
    tarnbeck::AppState app;
    QApplication::setApplicationName(QStringLiteral("Tarnbeck"));
    tarnbeck::QtPrompter prompter;
    tarnbeck::installPrompter(&prompter);
    tarnbeck::Windows windows(app);
    prompter.setParent(windows.main.get());
    windows.main->show();
    const int code = application.exec();
    tarnbeck::installPrompter(nullptr);
    return code;
}
