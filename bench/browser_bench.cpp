// browser_bench [DIRECTORY]: times the browser's expansion of a container with 10,000 users
// ("Big.Bench" of a generated tree, kept in DIRECTORY, default $TMPDIR/tarnbeck-browser-bench,
// and reused by later runs). Runs offscreen.

#include "platform/dsclient/config.h"
#include "shell/trees.h"
#include "synthetic_tree.h"
#include "ui/browser_dialog.h"
#include "ui/browser_node.h"
#include "ui/class_icons.h"

#include <QApplication>
#include <QCheckBox>
#include <QTreeWidget>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <vector>

namespace {

using namespace tarnbeck;
namespace fs = std::filesystem;

constexpr int kRuns = 5;

std::string TreePath(const fs::path &directory) {
    fs::create_directories(directory);
    const fs::path path = directory / "browser-10000.db";
    if (!fs::exists(path)) {
        const std::string partial = path.string() + ".partial";
        std::error_code ignored;
        fs::remove(partial, ignored);
        const GenerateSummary summary = GenerateTree(partial, kBigUnitUsers, kDefaultSeed);
        fs::rename(partial, path);
        std::cout << "Generated " << path.string() << ": " << summary.objects << " objects\n";
    }
    return path.string();
}

BrowserNode *Child(BrowserNode *parent, const std::string &text) {
    for (int i = 0; parent && i < parent->childCount(); ++i)
        if (parent->childNode(i)->name() == text)
            return parent->childNode(i);
    return nullptr;
}

// Collapses and expands "Big" kRuns times; the median and best time of one expansion.
void TimeExpansion(TcForm &browser, const char *label) {
    browser.hide();
    browser.SetSelectedPath("Big.Bench");
    browser.show();
    QMetaObject::invokeMethod(&browser, "Timer1Timer", Qt::DirectConnection);
    BrowserNode *big = Child(Child(browser.RootNode, "Bench"), "Big");
    if (!big) {
        std::cerr << "Big.Bench not found\n";
        std::exit(1);
    }
    std::vector<double> times;
    int children = 0;
    for (int run = 0; run < kRuns; ++run) {
        big->setExpanded(false);
        const auto started = std::chrono::steady_clock::now();
        big->setExpanded(true);
        QCoreApplication::processEvents();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count());
        children = big->childCount();
    }
    std::sort(times.begin(), times.end());
    std::cout << label << ": " << children << " children, median " << times[kRuns / 2]
              << " ms, best " << times.front() << " ms\n";
}

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const char *tmp = std::getenv("TMPDIR");
    const fs::path directory =
        argc > 1 ? fs::path(argv[1])
                 : fs::path(tmp && *tmp ? tmp : "/tmp") / "tarnbeck-browser-bench";
    const std::string store = TreePath(directory);

    // The icon set leaves its trace file in the working directory.
    const std::string programDir = ProgramDirectory();
    if (chdir(directory.c_str()) != 0)
        return 1;
    auto library = LoadCompanionLibrary(programDir);
    if (!library) {
        std::cerr << kMissingCompanionMessage << '\n';
        return 1;
    }
    UseCompanionLibrary(std::move(library));

    dsclient::ClientConfig config;
    config.primaryTree = std::string(kBenchTreeName);
    dsclient::TreeConfig tree;
    tree.name = config.primaryTree;
    tree.store = store;
    tree.identity = std::string(kBenchAdmin);
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
    TimeExpansion(browser, "Expand Big.Bench, all leaves (POSIX and Apple users found for their icons)");
    browser.All->setChecked(false);
    browser.AddClassFilter("Group");
    TimeExpansion(browser, "Expand Big.Bench, filtered to groups");

    browser.hide();
    dsclient::FreeContext(opened.context);
    dsclient::CallsTerminate();
    return 0;
}
