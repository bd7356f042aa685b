#include "ui/browser_dialog.h"
#include "ui/context_selection.h"
#include "ui/settings_dialog.h"

#include "platform/profile/profile.h"

#include "browser_test_support.h"
#include "browser_tree.h"
#include "scripted_dialogs.h"
#include "scripted_prompter.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

using namespace tarnbeck;
using namespace tarnbeck::testing;
using Strings = std::vector<std::string>;

namespace {

class SettingsTest : public BrowserTreeTest {
  protected:
    void SetUp() override {
        BrowserTreeTest::SetUp();
        connect();
        app.mainContext = context;
        app.currentTree = kTestTreeName;
        app.treeSettings = {"Sales.Acme", "L"};
        app.offeredAttributes = {"L", "Description"};
        char pattern[] = "/tmp/tarnbeck-settings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        settingsDirectory = pattern;
        app.programDirectory = settingsDirectory + "/";
    }
    void TearDown() override {
        std::filesystem::remove_all(settingsDirectory);
        BrowserTreeTest::TearDown();
    }
    // The two values as the settings file holds them now.
    std::string saved() const {
        const std::string file = app.programDirectory + "Tarnbeck.ini";
        return profile::ReadString(file, "TREES", kTestTreeName, "-") + "|" +
               profile::ReadString(file, kTestTreeName, "Attribute", "-");
    }
    void run() { RunSettingsDialog(dialog, browser, app); }
    // Enters `top` and presses OK; true when the dialog closed.
    bool okWith(Ttoplicform &form, const std::string &top) {
        form.TopEdit->setText(QString::fromStdString(top));
        form.OkButton->click();
        return !form.isVisible();
    }

    AppState app;
    ScriptedPrompter prompter;
    ScriptedDialogs dialogs;
    TcForm browser;
    Ttoplicform dialog;
    std::string settingsDirectory;
};

TEST_F(SettingsTest, OkChecksTheTopAndSavesBothValues) {
    dialogs.expect("toplicform", [&](QDialog &shown) {
        auto &form = static_cast<Ttoplicform &>(shown);
        EXPECT_EQ(form.windowTitle(), "Settings for tree: TEST_TREE");
        EXPECT_EQ(form.TopEdit->text(), "Sales.Acme");
        EXPECT_EQ(form.AttributeBox->currentText(), "L");
        EXPECT_FALSE(form.AttributeBox->isEditable());

        prompter.expectMessage("Top does not exist!");
        EXPECT_FALSE(okWith(form, "Nowhere.Acme"));
        EXPECT_EQ(form.focusWidget(), form.TopEdit);

        prompter.expectMessage("Top: object is not a container!");
        EXPECT_FALSE(okWith(form, "Joe.Sales.Acme"));
        EXPECT_EQ(form.focusWidget(), form.TopEdit);

        form.AttributeBox->setCurrentIndex(1);
        EXPECT_TRUE(okWith(form, "SalesLink.Acme")); // an alias of a container will do
        return form.result();
    });
    run();
    EXPECT_EQ(saved(), "SalesLink.Acme|Description");
    EXPECT_EQ(app.treeSettings.top, "SalesLink.Acme");
    EXPECT_EQ(app.treeSettings.queryAttribute, "Description");
}

TEST_F(SettingsTest, AnEmptyTopBecomesTheTreeRootAndIsCheckedLikeAnyName) {
    dialogs.expect("toplicform", [&](QDialog &shown) {
        auto &form = static_cast<Ttoplicform &>(shown);
        EXPECT_TRUE(okWith(form, ""));
        EXPECT_EQ(form.TopEdit->text(), "[ROOT]");
        return form.result();
    });
    run();
    EXPECT_EQ(saved(), "[ROOT]|L");
}

TEST_F(SettingsTest, CancelChangesNothingAndTheNextShowingPresentsTheValuesInForce) {
    dialogs.expect("toplicform", [&](QDialog &shown) {
        auto &form = static_cast<Ttoplicform &>(shown);
        form.AttributeBox->setCurrentIndex(1);
        form.TopEdit->setText("Dev.Acme");
        form.CancelButton->click();
        return form.result();
    });
    dialogs.expect("toplicform", [&](QDialog &shown) {
        auto &form = static_cast<Ttoplicform &>(shown);
        EXPECT_EQ(form.TopEdit->text(), "Sales.Acme");
        EXPECT_EQ(form.AttributeBox->currentText(), "L");
        form.CancelButton->click();
        return form.result();
    });
    run();
    run();
    EXPECT_EQ(saved(), "-|-");
    EXPECT_EQ(app.treeSettings.top, "Sales.Acme");
    EXPECT_EQ(app.treeSettings.queryAttribute, "L");
}

TEST_F(SettingsTest, ARefusedWriteIsPassedOnAndChangesNothingInForce) {
    app.programDirectory = settingsDirectory + "/missing/";
    dialogs.expect("toplicform", [&](QDialog &shown) {
        auto &form = static_cast<Ttoplicform &>(shown);
        EXPECT_TRUE(okWith(form, "Dev.Acme"));
        return form.result();
    });
    EXPECT_THROW(run(), std::runtime_error);
    EXPECT_EQ(app.treeSettings.top, "Sales.Acme");
}

TEST_F(SettingsTest, TheBrowseButtonPicksTheTopInTheBrowser) {
    browser.AddClassFilter("Group"); // cleared: any object may be picked
    dialogs.expect("toplicform", [&](QDialog &shown) {
        auto &form = static_cast<Ttoplicform &>(shown);
        dialogs.expect("cForm", [&](QDialog &) {
            FillNow(browser);
            EXPECT_EQ(SelectedPath(browser), "Acme/Sales"); // the field's text is preselected
            browser.TV2->setCurrentItem(NodeAt(browser, {"[ROOT]", "Acme", "Dev"}));
            browser.BitBtn2->click();
            return browser.result();
        });
        form.BrowseButton->click();
        EXPECT_EQ(form.TopEdit->text(), "Dev.Acme");
        EXPECT_TRUE(browser.ClassFilter().empty());
        form.CancelButton->click();
        return form.result();
    });
    run();
}

TEST_F(SettingsTest, ShownWithoutAContextSaysSo) {
    prompter.expectMessage("Internal error, context handle not set. SetLicForm");
    dialog.show();
    dialog.hide();
    // A context given counts for one showing only.
    dialog.SetContext(context);
    dialog.show();
    dialog.hide();
    prompter.expectMessage("Internal error, context handle not set. SetLicForm");
    dialog.show();
}

class ContextSelectionTest : public SettingsTest {};

TEST_F(ContextSelectionTest, TheTopGivesTheTreeAndAContainerItsTypefulName) {
    browser.SetShowLeaves(true);
    browser.AddClassFilter("User");
    dialogs.expect("cForm", [&](QDialog &) {
        EXPECT_EQ(browser.windowTitle(), "TEST_TREE: Select context");
        FillNow(browser);
        browser.TV2->setCurrentItem(browser.RootNode);
        browser.BitBtn2->click();
        return browser.result();
    });
    EXPECT_EQ(ChooseQueryContext(browser, app), "t=TEST_TREE");
    EXPECT_FALSE(browser.ShowLeaves());
    EXPECT_TRUE(browser.ClassFilter().empty());

    browser.SetSelectedPath("Empty.Sales.Acme");
    dialogs.expect("cForm", [&](QDialog &) {
        FillNow(browser);
        browser.BitBtn2->click();
        return browser.result();
    });
    EXPECT_EQ(ChooseQueryContext(browser, app), "ou=empty.ou=sales.o=acme");
}

TEST_F(ContextSelectionTest, CancelGivesNothing) {
    dialogs.expect("cForm", [&](QDialog &) {
        FillNow(browser);
        browser.BitBtn1->click();
        return browser.result();
    });
    EXPECT_EQ(ChooseQueryContext(browser, app), std::nullopt);
}

} // namespace
