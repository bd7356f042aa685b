// Starting on the demo: the client's built-in configuration makes the demo trees itself, a tree
// that cannot be opened is shown as unavailable, and a window left without a tree still opens
// the browser.

#include "demo_window.h"
#include "ui/browser_dialog.h"
#include "ui/select_tree_dialog.h"

#include "directory/values_writer.h"
#include "scripted_dialogs.h"
#include "scripted_prompter.h"

#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace tarnbeck::testing {
namespace {

namespace fs = std::filesystem;
using StartOnDemo = DemoWindowTest;

// Sets an environment variable for the test's lifetime.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char *name, const std::string &value) : name_(name) {
        if (const char *old = std::getenv(name))
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

  private:
    const char *name_;
    std::optional<std::string> old_;
};

TEST_F(StartOnDemo, TheBuiltInConfigurationMakesTheDemoTreesOnceAndNeverOverwrites) {
    const ScopedEnvironment home("HOME", scratch() + "home");
    const ScopedEnvironment data("XDG_DATA_HOME", scratch() + "data");
    const ScopedEnvironment noFile("DSCLIENT_CONFIG", "");
    config.reset();
    startWindow();
    EXPECT_EQ(form->windowTitle(), "Tarnbeck v1.03 - DEMO_TREE");
    EXPECT_TRUE(fs::exists(scratch() + "data/tarnbeck/lab.db"));
    WriteValues(app.mainContext, kSalesTeam, "Description", {"kept"}, false);

    startWindow();
    EXPECT_EQ(values(kSalesTeam, "Description"), std::vector<std::string>{"kept"});
}

TEST_F(StartOnDemo, ATreeWhoseStoreIsMissingIsListedAsUnavailable) {
    const std::string lab = config->trees[1].store;
    fs::remove(lab);
    startWindow();
    EXPECT_EQ(form->windowTitle(), "Tarnbeck v1.03 - DEMO_TREE");

    ScriptedDialogs dialogs;
    dialogs.expect("TreesForm", [&](QDialog &dialog) {
        auto &select = static_cast<TTreesForm &>(dialog);
        QMetaObject::invokeMethod(&select, "Timer1Timer", Qt::DirectConnection);
        const auto rows = select.ListBox1->findItems("LAB_TREE", Qt::MatchStartsWith);
        EXPECT_EQ(rows.size(), 1);
        if (rows.size() == 1) {
            EXPECT_EQ(rows[0]->text(), "LAB_TREE (unavailable)");
            EXPECT_FALSE(rows[0]->flags() & Qt::ItemIsSelectable);
            EXPECT_NE(rows[0]->toolTip().toStdString().find(lab), std::string::npos);
        }
        return QDialog::Rejected;
    });
    RunDialog(*windows->TreesForm);
}

TEST_F(StartOnDemo, AWindowLeftWithoutATreeStillOpensTheBrowser) {
    // The program lies on a file server's volume whose settings name no configuration path.
    const std::string bin = scratch() + "bin/";
    fs::create_directories(bin);
    for (const char *file : {"Tarnbeck.ini", "mappings.dat"})
        fs::copy_file(app.programDirectory + file, bin + file);
    config->volumes.push_back({scratch() + "bin", "ACME-FS1", "SYS"});
    app.programDirectory = bin;
    TcForm::ForgetContextForTesting();
    ScriptedPrompter prompter;
    prompter.expectMessage("Program is installed on a Netware volume, set [netware] section!");
    startWindow();
    EXPECT_EQ(app.currentTree, "");

    ScriptedDialogs dialogs;
    dialogs.expect("cForm", [](QDialog &dialog) {
        auto &browser = static_cast<TcForm &>(dialog);
        QMetaObject::invokeMethod(&browser, "Timer1Timer", Qt::DirectConnection);
        EXPECT_EQ(browser.TV2->topLevelItemCount(), 1); // "[ROOT]", nothing below
        return QDialog::Rejected;
    });
    form->Button1->click();
}

} // namespace
} // namespace tarnbeck::testing
