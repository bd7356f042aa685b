// main_window_screenshot DIR: starts the main window on a fresh copy of the demo tree, loads the
// group "Sales Team", executes its queries and saves pictures of the window into DIR
// (main-window.png after start, members.png with the marked outcome). Run under a real display
// (e.g. xvfb-run) for the docs pictures.

#include "platform/dsclient/config.h"
#include "platform/dsclient/embedded/demo_tree.h"
#include "ui/class_icons.h"
#include "ui/main_window.h"
#include "ui/qt_prompter.h"
#include "ui/windows.h"

#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>

#include <filesystem>
#include <iostream>

using namespace tarnbeck;
using namespace dsclient::embedded;

int main(int argc, char **argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::cerr << "usage: main_window_screenshot DIR\n";
        return 2;
    }
    const std::string output = std::filesystem::absolute(argv[1]).string() + "/";
    char pattern[] = "/tmp/tarnbeck-shot-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const std::string directory = pattern;
    if (chdir(directory.c_str()) != 0)
        return 1;
    WriteDemoTree(directory + "/demo.db");
    UseCompanionLibrary(CompanionLibrary::open(ORVEXA_FILE));

    dsclient::ClientConfig config;
    config.primaryTree = std::string(kDemoTreeName);
    dsclient::TreeConfig tree;
    tree.name = config.primaryTree;
    tree.store = directory + "/demo.db";
    tree.identity = std::string(kDemoAdmin);
    config.trees.push_back(tree);
    dsclient::OverrideClientConfig(config);

    QtPrompter prompter;
    installPrompter(&prompter);
    AppState app;
    app.programDirectory = PROGRAM_DIRECTORY;
    Windows windows(app);
    TForm1 &form = *windows.main;
    form.show();
    // The start sequence runs a second after the window shows.
    QTimer::singleShot(1600, [&] {
        form.grab().save(QString::fromStdString(output + "main-window.png"));
        form.loadGroup("Sales Team.Sales.Acme");
        form.BitBtn1->click();
        QTimer::singleShot(300, [&] {
            form.grab().save(QString::fromStdString(output + "members.png"));
            std::cout << "Saved pictures into " << output << '\n';
            QApplication::quit();
        });
    });
    const int code = QApplication::exec();
    installPrompter(nullptr);
    std::filesystem::remove_all(directory);
    return code;
}
