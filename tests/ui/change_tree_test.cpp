// Changing the current tree from the main window: the order of the steps, the same tree chosen
// again, Cancel, and trees added through "More" with and without a login.

#include "../shell/trees_fixture.h"

#include "shell/trees.h"
#include "ui/browser_dialog.h"
#include "ui/change_tree.h"
#include "ui/connected_trees_dialog.h"
#include "ui/login_dialog.h"
#include "ui/main_window.h"
#include "ui/select_tree_dialog.h"
#include "ui/windows.h"

#include "scripted_dialogs.h"
#include "scripted_prompter.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tarnbeck::testing {
namespace {

using namespace dsclient;
using Names = std::vector<std::string>;

Names Rows(const QListWidget &list, bool checkedOnly) {
    Names texts;
    for (int row = 0; row < list.count(); ++row)
        if (!checkedOnly || list.item(row)->checkState() == Qt::Checked)
            texts.push_back(list.item(row)->text().toStdString());
    return texts;
}

class ChangeTreeTest : public TwoTreesTest {
  protected:
    void SetUp() override {
        TwoTreesTest::SetUp();
        startClient();
        app.mainContext = openContext();
        app.contextCreated = true;
        app.currentTree = kTestTree;
        app.attributeNameMap.emplace();
        app.loadedQueryStrings.emplace();
        windows = std::make_unique<Windows>(app);

        hooks.ConfirmDiscard = [this] {
            calls.push_back("ConfirmDiscard");
            return discard;
        };
        hooks.ResetGroup = [this] { calls.push_back("ResetGroup"); };
        hooks.ReleaseQueries = [this] { calls.push_back("ReleaseQueries"); };
        hooks.UpdateCaption = [this] { calls.push_back("UpdateCaption"); };
        hooks.ReloadTreeConfiguration = [this] {
            calls.push_back("ReloadTreeConfiguration");
            EXPECT_FALSE(app.attributeNameMap.has_value()) << "released before the reload";
        };
    }
    void TearDown() override {
        windows.reset();
        TwoTreesTest::TearDown();
    }

    // The connected trees dialog, as the administrator works it.
    void expectTrees(std::function<void(TTrees2 &)> work) {
        dialogs.expect("Trees2", [work](QDialog &dialog) {
            TTrees2 &trees = static_cast<TTrees2 &>(dialog);
            work(trees);
            trees.BitBtn1->click();
            return trees.result();
        });
    }
    // The select tree dialog choosing `tree`.
    void expectSelect(const std::string &tree) {
        dialogs.expect("TreesForm", [tree](QDialog &dialog) {
            TTreesForm &select = static_cast<TTreesForm &>(dialog);
            QMetaObject::invokeMethod(&select, "Timer1Timer", Qt::DirectConnection);
            const auto found =
                select.ListBox1->findItems(QString::fromStdString(tree), Qt::MatchExactly);
            EXPECT_EQ(found.size(), 1);
            if (!found.empty())
                select.ListBox1->setCurrentItem(found[0]);
            select.BitBtn1->click();
            return select.result();
        });
    }
    // "More" choosing `tree`.
    void more(TTrees2 &trees, const std::string &tree) {
        expectSelect(tree);
        trees.BitBtn2->click();
    }
    // "More" adding the lab tree with a right login: it becomes the choice.
    void moreWithLogin(TTrees2 &trees) {
        expectSelect(kLabTree);
        dialogs.expect("LoginForm", [](QDialog &dialog) {
            TLoginForm &login = static_cast<TLoginForm &>(dialog);
            login.Name->setText("Joe.Lab");
            login.Password->setText(kLabPassword);
            login.BitBtn1->click();
            return login.result();
        });
        trees.BitBtn2->click();
        EXPECT_EQ(Rows(*trees.CheckListBox1, true), Names{kLabTree});
    }
    void change() { ChangeTree(app, *windows, hooks); }

    AppState app;
    std::unique_ptr<Windows> windows;
    ChangeTreeHooks hooks;
    bool discard = true;
    Names calls;
    ScriptedPrompter prompter;
    ScriptedDialogs dialogs;
};

const Names kAllSteps = {"ConfirmDiscard", "ResetGroup", "ReleaseQueries", "UpdateCaption",
                         "ReloadTreeConfiguration"};

TEST_F(ChangeTreeTest, KeepingUnsavedDataChangesNothing) {
    discard = false;
    expectTrees([&](TTrees2 &trees) { moreWithLogin(trees); });
    change();
    EXPECT_EQ(calls, Names{"ConfirmDiscard"});
    EXPECT_EQ(app.currentTree, kTestTree);
    EXPECT_EQ(ContextTreeName(app.mainContext), kTestTree);
    EXPECT_TRUE(app.attributeNameMap.has_value());
    EXPECT_TRUE(app.loadedQueryStrings.has_value());
}

TEST_F(ChangeTreeTest, TheSameTreeAgainChangesNothing) {
    ASSERT_EQ(SetContextValue(app.mainContext, DCK_NAME_CONTEXT, std::string_view("Acme")),
              status::Ok);
    expectTrees([](TTrees2 &trees) {
        EXPECT_EQ(trees.windowTitle(), "Current connected trees");
        EXPECT_EQ(Rows(*trees.CheckListBox1, false), Names{kTestTree});
        EXPECT_EQ(Rows(*trees.CheckListBox1, true), Names{kTestTree});
        // Clicking the tick does not take it away.
        trees.CheckListBox1->item(0)->setCheckState(Qt::Unchecked);
        EXPECT_EQ(Rows(*trees.CheckListBox1, true), Names{kTestTree});
    });

    change();

    EXPECT_EQ(calls, Names{});
    EXPECT_EQ(app.currentTree, kTestTree);
    EXPECT_TRUE(app.loadedQueryStrings.has_value());
    std::string nameContext;
    ASSERT_EQ(GetContextValue(app.mainContext, DCK_NAME_CONTEXT, nameContext), status::Ok);
    EXPECT_EQ(nameContext, "Acme");
    EXPECT_EQ(windows->cForm->context(), app.mainContext);
}

TEST_F(ChangeTreeTest, CancelAfterChoosingAnotherTreeChangesNothing) {
    dialogs.expect("Trees2", [&](QDialog &dialog) {
        TTrees2 &trees = static_cast<TTrees2 &>(dialog);
        moreWithLogin(trees);
        trees.BitBtn3->click();
        return trees.result();
    });
    change();
    EXPECT_EQ(calls, Names{});
    EXPECT_EQ(app.currentTree, kTestTree);
    EXPECT_EQ(ContextTreeName(app.mainContext), kTestTree);
    EXPECT_EQ(windows->cForm->TreeName(), kTestTree);
    EXPECT_TRUE(app.attributeNameMap.has_value());
}

TEST_F(ChangeTreeTest, MoreForAnAuthenticatedTreeAddsOneContextWithoutALogin) {
    expectTrees([this](TTrees2 &trees) {
        more(trees, kTestTree);
        more(trees, kTestTree);
        EXPECT_EQ(Rows(*trees.CheckListBox1, false), (Names{kTestTree, kTestTree, kTestTree}));
        // One tick, on the row added last.
        EXPECT_EQ(Rows(*trees.CheckListBox1, true), Names{kTestTree});
        EXPECT_EQ(trees.CheckListBox1->item(2)->checkState(), Qt::Checked);
    });
    change();
    ASSERT_EQ(app.addedTrees.size(), 1u);
    EXPECT_EQ(app.addedTrees[0].first, kTestTree);
    EXPECT_EQ(app.addedTrees[0].second.userName, "");
    EXPECT_EQ(app.currentTree, kTestTree);
}

TEST_F(ChangeTreeTest, ACancelledLoginFreesItsContextAndAddsNothing) {
    ContextHandle loginContext = 0;
    prompter.expectMessage("Login Fails, try again");
    expectTrees([&](TTrees2 &trees) {
        expectSelect(kLabTree);
        dialogs.expect("LoginForm", [&](QDialog &dialog) {
            TLoginForm &login = static_cast<TLoginForm &>(dialog);
            loginContext = login.context();
            EXPECT_EQ(ContextTreeName(loginContext), kLabTree);
            login.Name->setText("Joe.Lab");
            login.Password->setText("wrong");
            login.BitBtn1->click();
            login.BitBtn2->click();
            return login.result();
        });
        trees.BitBtn2->click();
        EXPECT_EQ(Rows(*trees.CheckListBox1, false), Names{kTestTree});
    });

    change();

    EXPECT_NE(loginContext, 0u);
    EXPECT_NE(loginContext, app.mainContext);
    EXPECT_FALSE(ContextAlive(loginContext));
    EXPECT_TRUE(app.addedTrees.empty());
    EXPECT_EQ(app.currentTree, kTestTree);
    EXPECT_EQ(windows->LoginForm->Password->text(), "");
}

TEST_F(ChangeTreeTest, ARightPasswordAddsTheTreeAndMakesItTheChoice) {
    expectTrees([&](TTrees2 &trees) { moreWithLogin(trees); });

    change();

    ASSERT_EQ(app.addedTrees.size(), 1u);
    EXPECT_EQ(app.addedTrees[0].first, kLabTree);
    EXPECT_EQ(app.addedTrees[0].second.userName, "Joe.Lab");
    EXPECT_EQ(app.currentTree, kLabTree);
    EXPECT_EQ(ContextTreeName(app.mainContext), kLabTree);
    EXPECT_EQ(windows->cForm->context(), app.mainContext);
    EXPECT_EQ(windows->cForm->TreeName(), kLabTree);
    EXPECT_EQ(windows->LoginForm->Password->text(), "");
    EXPECT_EQ(calls, kAllSteps);
}

} // namespace
} // namespace tarnbeck::testing
