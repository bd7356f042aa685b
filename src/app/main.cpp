// Tarnbeck: computed membership for directory groups.

#include "directory/prompter.h"
#include "ui/class_icons.h"
#include "ui/main_window.h"
#include "ui/qt_prompter.h"
#include "ui/windows.h"

#include <QApplication>

int main(int argc, char **argv) {
    QApplication application(argc, argv);
    tarnbeck::AppState app;
    tarnbeck::QtPrompter prompter;
    tarnbeck::installPrompter(&prompter);

    // The companion library comes before any window; without it there is nothing to show.
    auto companion = tarnbeck::LoadCompanionLibrary();
    if (!companion) {
        prompter.message(tarnbeck::kMissingCompanionMessage);
        return 1;
    }
    tarnbeck::UseCompanionLibrary(std::move(companion));
    QApplication::setApplicationName(QStringLiteral("Tarnbeck"));
    tarnbeck::Windows windows(app);
    prompter.setParent(windows.main.get());
    windows.main->show();
    const int code = application.exec();
    tarnbeck::installPrompter(nullptr);
    return code;
}
