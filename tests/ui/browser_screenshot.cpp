// browser_screenshot OUTPUT.png: writes the demo tree into a temporary store, opens the
// browser on it with leaves shown and a unit expanded, and saves a picture of the dialog.
// Run under a real display (e.g. xvfb-run) for the docs picture.

#include "platform/dsclient/config.h"
#include "platform/dsclient/embedded/demo_tree.h"
#include "shell/trees.h"
#include "ui/browser_dialog.h"
#include "ui/browser_node.h"
#include "ui/class_icons.h"

#include <QApplication>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>
#include <QTreeWidget>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

using namespace tarnbeck;
using namespace dsclient::embedded;

int main(int argc, char **argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::cerr << "usage: browser_screenshot OUTPUT.png\n";
        return 2;
    }
    const QString output = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
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
    if (dsclient::CallsInitialize() != 0)
        return 1;
    const OpenedContext opened = OpenTreeContext();
    if (!opened.ok)
        return 1;

    TcForm browser;
    browser.SetBrowserContext(opened.context);
    browser.SetShowLeaves(true);
    browser.AddCreatableClass("Group");
    browser.SetSelectedPath("HR.Acme");
    browser.setWindowTitle("Select context");
    browser.show();
    QTimer::singleShot(300, [&] {
        for (auto *item : browser.TV2->selectedItems())
            item->setExpanded(true);
        QTimer::singleShot(300, [&] {
            browser.grab().save(output);
            std::cout << "Saved " << output.toStdString() << '\n';
            QApplication::quit();
        });
    });
    const int code = QApplication::exec();
    std::filesystem::remove_all(directory);
    return code;
}
