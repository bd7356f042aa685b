// Trees on the demo: which identity the window works as, and changing to LAB_TREE with a
// login typed the way administrators type it.

#include "demo_window.h"
#include "ui/connected_trees_dialog.h"
#include "ui/login_dialog.h"
#include "ui/member_list.h"
#include "ui/select_tree_dialog.h"

#include "scripted_dialogs.h"
#include "scripted_prompter.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace tarnbeck::testing {
namespace {

using TreesOnDemo = DemoWindowTest;

std::vector<std::string> Ticked(const QListWidget &list) {
    std::vector<std::string> texts;
    for (int row = 0; row < list.count(); ++row)
        if (list.item(row)->checkState() == Qt::Checked)
            texts.push_back(list.item(row)->text().toStdString());
    return texts;
}

TEST_F(TreesOnDemo, ChangingToTheLabTreeWithALoginShowsWhoTheWindowWorksAs) {
    EXPECT_EQ(form->Identity->text(), "DEMO_TREE: logged in as Admin.Acme");
    ScriptedPrompter prompter;
    ScriptedDialogs dialogs;
    dialogs.expect("Trees2", [&](QDialog &dialog) {
        auto &trees = static_cast<TTrees2 &>(dialog);
        QListWidget &list = *trees.CheckListBox1;
        dialogs.expect("TreesForm", [](QDialog &select) {
            auto &treesForm = static_cast<TTreesForm &>(select);
            QMetaObject::invokeMethod(&treesForm, "Timer1Timer", Qt::DirectConnection);
            const auto found = treesForm.ListBox1->findItems("LAB_TREE", Qt::MatchExactly);
            EXPECT_EQ(found.size(), 1);
            treesForm.ListBox1->setCurrentItem(found.value(0));
            treesForm.BitBtn1->click();
            return treesForm.result();
        });
        // Name, Tab, password, Enter.
        dialogs.expect("LoginForm", [](QDialog &dialog) {
            auto &login = static_cast<TLoginForm &>(dialog);
            login.Name->setFocus();
            QTest::keyClicks(login.Name, "Admin.Lab");
            QTest::keyClick(login.Name, Qt::Key_Tab);
            EXPECT_EQ(login.focusWidget(), login.Password);
            QTest::keyClicks(login.focusWidget(), "labpass");
            QTest::keyClick(login.focusWidget(), Qt::Key_Return);
            return login.result();
        });
        trees.BitBtn2->click(); // More
        EXPECT_EQ(Ticked(list), std::vector<std::string>{"LAB_TREE"});

        // Ticking a row's box without selecting the row makes it the choice, alone.
        list.setCurrentRow(1);
        list.item(0)->setCheckState(Qt::Checked);
        EXPECT_EQ(Ticked(list), std::vector<std::string>{"DEMO_TREE"});
        EXPECT_EQ(list.currentRow(), 0);
        list.item(list.count() - 1)->setCheckState(Qt::Checked);
        EXPECT_EQ(Ticked(list), std::vector<std::string>{"LAB_TREE"});
        trees.BitBtn1->click();
        return trees.result();
    });
    form->treessel->click();

    EXPECT_EQ(form->windowTitle(), "Tarnbeck v1.03 - LAB_TREE");
    EXPECT_EQ(form->Identity->text(), "LAB_TREE: logged in as Admin.Lab");
}

TEST_F(TreesOnDemo, LookingAtTheTreesOrConfirmingTheSameOneKeepsTheGroupAndItsEdits) {
    ScriptedPrompter prompter;
    ScriptedDialogs dialogs;
    form->loadGroup(kSalesTeam);
    form->BitBtn1->click();
    form->edit3a->setText("(cn=a*)"); // an unsaved edit: no question unless the tree changes
    const MemberEntries outcome = form->clb->entries();
    const auto keepsEverything = [&](const char *how) {
        EXPECT_EQ(form->Edit1->text(), kSalesTeam) << how;
        EXPECT_EQ(form->edit3a->text(), "(cn=a*)") << how;
        EXPECT_TRUE(form->BitBtn3->isEnabled()) << how;
        EXPECT_EQ(form->clb->entries(), outcome) << how;
        EXPECT_TRUE(form->BitBtn2->isEnabled()) << how;
        EXPECT_EQ(app.currentTree, "DEMO_TREE") << how;
        EXPECT_TRUE(app.attributeNameMap.has_value()) << how;
    };

    dialogs.expect("Trees2", [&](QDialog &dialog) {
        // Nothing has changed while the dialog is open.
        EXPECT_EQ(form->Edit1->text(), kSalesTeam);
        static_cast<TTrees2 &>(dialog).BitBtn3->click();
        return dialog.result();
    });
    form->treessel->click();
    keepsEverything("Cancel");

    dialogs.expect("Trees2", [](QDialog &dialog) {
        QTest::keyClick(&dialog, Qt::Key_Escape);
        return dialog.result();
    });
    form->treessel->click();
    keepsEverything("Esc");

    dialogs.expect("Trees2", [](QDialog &dialog) {
        auto &trees = static_cast<TTrees2 &>(dialog);
        trees.CheckListBox1->item(0)->setCheckState(Qt::Unchecked); // the tick stays
        EXPECT_EQ(Ticked(*trees.CheckListBox1), std::vector<std::string>{"DEMO_TREE"});
        trees.BitBtn1->click();
        return trees.result();
    });
    form->treessel->click();
    keepsEverything("the same tree");
}

} // namespace
} // namespace tarnbeck::testing
