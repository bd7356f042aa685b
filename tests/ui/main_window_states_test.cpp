// What the main window enables, on the demo tree: Update group only for an outcome that still
// holds, nothing of a group that failed to load or belonged to the previous tree.

#include "demo_window.h"
#include "directory/values_writer.h"
#include "ui/connected_trees_dialog.h"
#include "ui/login_dialog.h"
#include "ui/member_list.h"
#include "ui/select_tree_dialog.h"

#include "scripted_dialogs.h"
#include "scripted_prompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace tarnbeck::testing {
namespace {

using WindowStates = DemoWindowTest;

// Runs an action when a given message is shown, as if it happened while the box was open.
class PrompterWithHook : public ScriptedPrompter {
  public:
    void message(const std::string &text) override {
        if (text == hookText && hook)
            hook();
        ScriptedPrompter::message(text);
    }
    std::string hookText;
    std::function<void()> hook;
};

TEST_F(WindowStates, UpdateGroupIsEnabledOnlyByAnExecuteThatStillHolds) {
    ScriptedPrompter prompter;
    form->loadGroup(kSalesTeam);
    const AttributeNameMap names = *app.attributeNameMap;
    const std::vector<std::pair<const char *, std::function<void()>>> staleners = {
        {"a failed Execute",
         [&] {
             app.attributeNameMap.emplace(); // every attribute unknown
             prompter.expectMessage(
                 "Unknown attribute: objectclass\nQuery 1, filter (&(objectclass=user)(l=Berlin))");
             form->BitBtn1->click();
             app.attributeNameMap = names;
         }},
        {"Add switched on", [&] { form->RadioButton1->click(); }},
        {"Add Excludes switched off", [&] { form->CheckBox1->click(); }},
        {"queries saved",
         [&] {
             form->edit3a->setText("(&(objectclass=user)(l=Boston))");
             form->BitBtn3->click();
         }},
        {"queries reloaded", [&] { form->BitBtn4->click(); }},
        {"exclude list saved",
         [&] {
             form->exclDelete->click();
             form->exclSave->click();
         }},
        {"static list reloaded", [&] { form->inclReload->click(); }},
        {"another group loaded", [&] { form->loadGroup(kSalesTeam); }},
    };
    for (const auto &[what, makeStale] : staleners) {
        form->BitBtn4->click(); // no unsaved edits of the case before
        form->BitBtn1->click();
        ASSERT_TRUE(form->BitBtn2->isEnabled()) << what;
        makeStale();
        EXPECT_FALSE(form->BitBtn2->isEnabled()) << what;
    }
}

TEST_F(WindowStates, AGroupThatFailsToLoadLeavesNoGroupBehind) {
    const std::string vanishing = "Vanishing.Sales.Acme";
    ASSERT_EQ(CreateObject(app.mainContext, vanishing, "Group"), dsclient::status::Ok);
    WriteValues(app.mainContext, vanishing, "L",
                {"q:ldap:///ou=sales.o=acme??sub?(cn=x)", "junk", "s:7"}, false);
    PrompterWithHook prompter;
    form->loadGroup(kSalesTeam);
    form->BitBtn1->click();
    ASSERT_TRUE(form->BitBtn2->isEnabled());

    // Another administrator deletes the group while it is being loaded.
    prompter.hookText = "Unknown info in query strings, info removed";
    prompter.hook = [&] { dsclient::RemoveObject(app.mainContext, vanishing); };
    prompter.expectMessage(prompter.hookText)
        .expectMessage("Netware error -601 (0xFFFFFDA7): no such object");
    form->loadGroup(vanishing);

    EXPECT_EQ(form->Edit1->text(), "");
    EXPECT_EQ(form->clb->count(), 0);
    EXPECT_EQ(form->exclclb->count(), 0);
    EXPECT_EQ(form->inclclb->count(), 0);
    EXPECT_EQ(form->queryEditor().queries().entries, std::vector<std::string>{""});
    for (QWidget *control : {(QWidget *)form->Panel6, (QWidget *)form->BitBtn1,
                             (QWidget *)form->BitBtn2, (QWidget *)form->BitBtn3})
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
}

TEST_F(WindowStates, AChangeOfTreeLeavesNothingOfTheGroup) {
    ScriptedPrompter prompter;
    ScriptedDialogs dialogs;
    form->loadGroup(kSalesTeam);
    form->BitBtn1->click();
    form->BitBtn13->click(); // an unsaved second query
    prompter.expectConfirm("There unsaved data (query, excludes or includes), ignore changes?",
                           true);
    // LAB_TREE added with "More" and a login is the choice.
    dialogs.expect("Trees2", [&](QDialog &dialog) {
        auto &trees = static_cast<TTrees2 &>(dialog);
        dialogs.expect("TreesForm", [](QDialog &select) {
            auto &treesForm = static_cast<TTreesForm &>(select);
            QMetaObject::invokeMethod(&treesForm, "Timer1Timer", Qt::DirectConnection);
            const auto found = treesForm.ListBox1->findItems("LAB_TREE", Qt::MatchExactly);
            treesForm.ListBox1->setCurrentItem(found.value(0));
            treesForm.BitBtn1->click();
            return treesForm.result();
        });
        dialogs.expect("LoginForm", [](QDialog &dialog) {
            auto &login = static_cast<TLoginForm &>(dialog);
            login.Name->setText("Admin.Lab");
            login.Password->setText("labpass");
            login.BitBtn1->click();
            return login.result();
        });
        trees.BitBtn2->click();
        trees.BitBtn1->click();
        return trees.result();
    });
    form->treessel->click();
    EXPECT_EQ(app.currentTree, "LAB_TREE");

    EXPECT_EQ(form->Edit1->text(), "");
    EXPECT_EQ(form->clb->count(), 0);
    EXPECT_EQ(form->ComboBox1->count(), 1);
    EXPECT_EQ(form->edit3->text(), "");
    EXPECT_EQ(form->edit3a->text(), "");
    EXPECT_EQ(form->Label8->text(), "ldap:///");
    EXPECT_FALSE(form->CheckBox1->isChecked());
    EXPECT_FALSE(form->pc->isTabVisible(TForm1::kStaticPage));
    for (QWidget *control : {(QWidget *)form->Panel6, (QWidget *)form->BitBtn1,
                             (QWidget *)form->BitBtn2, (QWidget *)form->BitBtn3})
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    // Nothing unsaved is left to ask about.
    form->show();
    form->exitexit->click();
    EXPECT_FALSE(form->isVisible());
}

// Agreeing to ignore the changes and then cancelling the browser leaves the group loaded as it
// is stored: Execute and Update work on that, never on what was ignored.
TEST_F(WindowStates, IgnoredChangesAreUndoneAndNeverRunOrWritten) {
    ScriptedPrompter prompter;
    ScriptedDialogs dialogs;
    form->loadGroup(kSalesTeam);
    const auto members = values(kSalesTeam, "Member");
    const int queries = form->ComboBox1->count();
    form->RadioButton1->click(); // stored in Add mode
    form->BitBtn3->click();
    ASSERT_FALSE(form->BitBtn3->isEnabled());

    form->RadioButton2->click();
    form->BitBtn13->click(); // one more query
    form->exclclb->item(0)->setCheckState(Qt::Checked);
    form->exclDelete->click();
    dialogs.expect("cForm", [](QDialog &) { return QDialog::Rejected; });
    form->inclAdd->click(); // the browser is cancelled: Save is enabled all the same
    ASSERT_EQ(form->exclclb->count(), 0);
    prompter.expectConfirm("There unsaved data (query, excludes or includes), ignore changes?",
                           true);
    dialogs.expect("cForm", [](QDialog &) { return QDialog::Rejected; });
    form->Button1->click();

    EXPECT_TRUE(form->RadioButton1->isChecked());
    EXPECT_EQ(form->ComboBox1->count(), queries);
    EXPECT_EQ(form->exclclb->count(), 1);
    EXPECT_EQ(form->inclclb->count(), 1);
    for (QWidget *save : {form->BitBtn3, form->exclSave, form->inclSave})
        EXPECT_FALSE(save->isEnabled()) << save->objectName().toStdString();

    form->BitBtn1->click();
    ASSERT_TRUE(form->BitBtn2->isEnabled());
    EXPECT_EQ(countMarks(MemberMark::Remove), 0);
    const int added = countMarks(MemberMark::Add) + countMarks(MemberMark::Static);
    form->BitBtn2->click();
    // Add mode: only the excluded name goes.
    const auto after = values(kSalesTeam, "Member");
    EXPECT_EQ(after.size() + 1, members.size() + added);
    for (const MemberEntry &entry : form->clb->entries())
        EXPECT_EQ(std::find(after.begin(), after.end(), entry.name) != after.end(),
                  entry.mark != MemberMark::Excluded)
            << entry.name;
}

TEST_F(WindowStates, InputDuringExecuteAndUpdateIsDroppedNotReplayed) {
    ScriptedPrompter prompter;
    form->show();
    form->loadGroup(kSalesTeam);
    const std::vector<std::string> members = values(kSalesTeam, "Member");
    // Clicks on the main window, as the administrator makes them while the work runs.
    QString workShown;
    const auto clickWhileWorking = [&](std::vector<QWidget *> targets) {
        QTimer::singleShot(0, form, [this, &workShown, targets] {
            if (QWidget *modal = QApplication::activeModalWidget())
                workShown = modal->windowTitle();
            for (QWidget *target : targets)
                QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {},
                                  target->mapTo(form, target->rect().center()));
        });
    };

    clickWhileWorking({form->BitBtn2, form->exitexit});
    form->BitBtn1->click();
    QCoreApplication::processEvents(); // whatever was kept back would act now
    EXPECT_EQ(workShown, "Execute");
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(values(kSalesTeam, "Member"), members) << "Update group ran";

    clickWhileWorking({form->BitBtn1, form->exitexit});
    form->BitBtn2->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(workShown, "Update group");
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->BitBtn2->isEnabled()) << "Execute ran after the Update";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
} // namespace tarnbeck::testing
