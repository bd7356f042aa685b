// The main window on the demo tree, driven through its controls: start, group loading, the
// query editor, the list pages, Execute and Update group.

#include "demo_window.h"
#include "membership/run_lock.h"
#include "platform/journal/journal_db.h"
#include "ui/member_list.h"

#include "scripted_dialogs.h"
#include "scripted_prompter.h"
#include "ui/history_dialog.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace tarnbeck::testing {
namespace {

const char *const kGroup = kSalesTeam;

using MainWindowFlow = DemoWindowTest;

TEST_F(MainWindowFlow, StartBindsTheWindowToTheTreeAndItsSettings) {
    EXPECT_EQ(form->windowTitle(), "Tarnbeck v1.03 - DEMO_TREE");
    ASSERT_TRUE(app.attributeNameMap.has_value());
    EXPECT_EQ(app.attributeNameMap->lookup("givenname"), "Given Name");
    EXPECT_EQ(app.treeSettings.queryAttribute, "L");
    EXPECT_EQ(app.treeSettings.top, "[ROOT]");
    EXPECT_FALSE(form->Panel6->isEnabled());
}

TEST_F(MainWindowFlow, LoadingAGroupFillsTheEditorTheMembersAndBothLists) {
    form->loadGroup(kGroup);
    EXPECT_EQ(form->Edit1->text(), kGroup);
    EXPECT_TRUE(form->Panel6->isEnabled());
    EXPECT_TRUE(form->BitBtn1->isEnabled());
    EXPECT_FALSE(form->BitBtn3->isEnabled());
    EXPECT_EQ(form->edit3->text(), "ou=sales.o=acme");
    EXPECT_EQ(form->Label8->text(), "ldap:///ou=sales.o=acme??sub?" + form->edit3a->text());
    EXPECT_TRUE(form->pc->isTabVisible(TForm1::kExcludePage));
    EXPECT_TRUE(form->pc->isTabVisible(TForm1::kStaticPage));
    EXPECT_EQ(form->exclclb->count(), 1);
    EXPECT_EQ(form->inclclb->count(), 1);
    EXPECT_EQ(form->clb->count(), int(values(kGroup, "Member").size()));
    EXPECT_EQ(countMarks(MemberMark::Keep), form->clb->count());
}

TEST_F(MainWindowFlow, ExecuteThenUpdateWritesTheOutcomeAndASecondRunChangesNothing) {
    ScriptedPrompter prompter;
    form->loadGroup(kGroup);
    form->BitBtn1->click();
    ASSERT_TRUE(form->BitBtn2->isEnabled());
    const int adds = countMarks(MemberMark::Add) + countMarks(MemberMark::Static);
    EXPECT_GT(adds, 0);

    const int walked = form->clb->count();
    form->BitBtn2->click();
    EXPECT_FALSE(form->BitBtn2->isEnabled());
    EXPECT_EQ(form->sbar->value(), 0);
    EXPECT_EQ(form->sbar->maximum(), walked);
    EXPECT_EQ(prompter.busyDepth(), 0);

    // The directory now holds the outcome: Execute again finds nothing to add or remove.
    form->BitBtn1->click();
    EXPECT_EQ(countMarks(MemberMark::Add), 0);
    EXPECT_EQ(countMarks(MemberMark::Remove), 0);
    for (const MemberEntry &entry : form->clb->entries()) {
        const auto membership = values(entry.name, "Group Membership");
        const bool member = std::find(membership.begin(), membership.end(), kGroup) !=
                            membership.end();
        EXPECT_EQ(member, entry.mark != MemberMark::Excluded) << entry.name;
    }
}

TEST_F(MainWindowFlow, UpdateIsJournalledAndAnUnusableJournalWritesNothing) {
    ScriptedPrompter prompter;
    form->loadGroup(kGroup);
    const std::string journalPath = std::getenv("TARNBECK_JOURNAL");
    // A folder where the journal should be: Update group does not start.
    std::filesystem::create_directories(journalPath);
    form->BitBtn1->click();
    const auto before = values(kGroup, "Member");
    prompter.expectMessageContaining("Update group not started: the journal cannot be opened");
    form->BitBtn2->click();
    EXPECT_EQ(values(kGroup, "Member"), before);
    std::filesystem::remove(journalPath);

    const int adds = countMarks(MemberMark::Add);
    form->BitBtn2->click();
    const auto opened = journal::JournalDb::Open(journalPath, std::nullopt);
    ASSERT_NE(opened.journal, nullptr) << opened.problem;
    const auto runs = opened.journal->history({});
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].group, kGroup);
    EXPECT_EQ(runs[0].program, "window 1.03");
    EXPECT_EQ(runs[0].outcome, "completed");
    EXPECT_GE(runs[0].changes.size(), std::size_t(adds));
    for (const auto &change : runs[0].changes)
        EXPECT_EQ(change.outcome, "written") << change.name;
}

TEST_F(MainWindowFlow, UpdateWritesOnlyTickedChangesAndTheCountsFollowTheTicks) {
    ScriptedPrompter prompter;
    form->loadGroup(kGroup);
    form->BitBtn1->click();
    int addRow = -1, removeRow = -1;
    for (int row = 0; row < form->clb->count(); ++row) {
        if (form->clb->markAt(row) == MemberMark::Add && addRow < 0)
            addRow = row;
        if (form->clb->markAt(row) == MemberMark::Remove && removeRow < 0)
            removeRow = row;
    }
    ASSERT_GE(addRow, 0);
    ASSERT_GE(removeRow, 0);
    const std::string added = form->clb->entries()[addRow].name;
    const std::string kept = form->clb->entries()[removeRow].name;
    const QString countsBefore = form->markCounts->text();
    form->clb->setTicked(addRow, false);
    form->clb->setTicked(removeRow, false);
    EXPECT_NE(form->markCounts->text(), countsBefore);
    EXPECT_EQ(form->markCounts->text().toStdString(),
              DescribeCounts(CountMarks(form->clb->tickedEntries())));

    form->BitBtn2->click();
    const auto members = values(kGroup, "Member");
    const auto has = [&](const std::string &name) {
        return std::find(members.begin(), members.end(), name) != members.end();
    };
    EXPECT_FALSE(has(added));
    EXPECT_TRUE(has(kept));
    // The written list keeps the unticked changes as they were, unticked; the rest is written.
    const MemberEntries written = form->clb->entries();
    for (int row = 0; row < form->clb->count(); ++row) {
        const MemberEntry &entry = written[row];
        const bool left = entry.name == added || entry.name == kept;
        EXPECT_EQ(form->clb->unticked(row), left) << entry.name;
        if (!left) {
            EXPECT_EQ(entry.mark, MemberMark::Keep) << entry.name;
        }
    }
    EXPECT_FALSE(form->BitBtn2->isEnabled());

    // Execute offers the unticked changes again, ticked.
    form->BitBtn1->click();
    bool addOffered = false, removeOffered = false;
    const MemberEntries offered = form->clb->entries();
    for (int row = 0; row < form->clb->count(); ++row) {
        const MemberEntry &entry = offered[row];
        addOffered |= entry.name == added && entry.mark == MemberMark::Add;
        removeOffered |= entry.name == kept && entry.mark == MemberMark::Remove;
        EXPECT_FALSE(form->clb->unticked(row));
    }
    EXPECT_TRUE(addOffered);
    EXPECT_TRUE(removeOffered);
}

TEST_F(MainWindowFlow, HistoryShowsTheRunAndUndoThisRunRestoresTheMembers) {
    ScriptedPrompter prompter;
    form->loadGroup(kGroup);
    auto sorted = [&] {
        auto members = values(kGroup, "Member");
        std::sort(members.begin(), members.end());
        return members;
    };
    const auto before = sorted();
    form->BitBtn1->click();
    std::string added;
    for (const MemberEntry &entry : form->clb->entries())
        if (entry.mark == MemberMark::Add && added.empty())
            added = entry.name;
    ASSERT_FALSE(added.empty());
    form->BitBtn2->click();
    const auto applied = sorted();
    ASSERT_NE(applied, before);

    // The journal now knows who added the name.
    form->BitBtn1->click();
    for (int row = 0; row < form->clb->count(); ++row)
        if (form->clb->entries()[row].name == added) {
            EXPECT_TRUE(form->clb->item(row)->toolTip().contains("; added by run 1 on "))
                << form->clb->item(row)->toolTip().toStdString();
        }

    ScriptedDialogs dialogs;
    dialogs.expect("HistoryDialog", [&](QDialog &dialog) {
        auto &history = static_cast<HistoryDialog &>(dialog);
        EXPECT_EQ(history.runList->count(), 1);
        EXPECT_TRUE(history.runList->item(0)->text().startsWith("run 1  "));
        EXPECT_TRUE(history.changeText->toPlainText().contains(
            QString::fromStdString("+ " + added + "  (")));
        history.undoButton->click();
        return dialog.result();
    });
    form->historyButton->click();
    EXPECT_TRUE(form->BitBtn2->isEnabled());
    EXPECT_GT(countMarks(MemberMark::Remove), 0);
    EXPECT_EQ(sorted(), applied); // nothing written before Update group
    form->BitBtn2->click();
    EXPECT_EQ(sorted(), before);

    const auto opened = journal::JournalDb::Open(std::getenv("TARNBECK_JOURNAL"), std::nullopt);
    const auto runs = opened.journal->history({});
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].undoes, 1);
}

TEST_F(MainWindowFlow, UpdateWaitsForARunWritingTheSameGroup) {
    ScriptedPrompter prompter;
    form->loadGroup(kGroup);
    form->BitBtn1->click();
    const std::vector<std::string> members = values(kGroup, "Member");
    {
        // A scheduled run on the same store, whatever its configuration calls the tree.
        dsclient::TreeConfig tree = config->trees.front();
        tree.name = "NIGHTLY";
        std::string problem;
        const auto held = RunLock::Acquire(tree, "sales team.sales.acme", problem);
        ASSERT_TRUE(held) << problem;
        prompter.expectMessage("Update group not started: another run is updating this group");
        form->BitBtn2->click();
        EXPECT_EQ(values(kGroup, "Member"), members);
        EXPECT_TRUE(form->BitBtn2->isEnabled());
    }
    form->BitBtn2->click();
    EXPECT_NE(values(kGroup, "Member"), members);
}

TEST_F(MainWindowFlow, UnsavedEditsBlockExecuteAndUpdate) {
    ScriptedPrompter prompter;
    form->loadGroup(kGroup);
    form->BitBtn1->click();
    ASSERT_TRUE(form->BitBtn2->isEnabled());

    const int stored = form->ComboBox1->count();
    form->BitBtn13->click(); // add a query
    EXPECT_EQ(form->ComboBox1->count(), stored + 1);
    EXPECT_EQ(form->ComboBox1->currentText(), QString("Query %1").arg(stored + 1));
    EXPECT_TRUE(form->BitBtn3->isEnabled());

    prompter.expectMessage("Query not saved. Please save query now");
    form->BitBtn2->click();
    EXPECT_TRUE(form->BitBtn2->isEnabled());
    prompter.expectMessage("Query not saved!");
    form->BitBtn1->click();

    form->BitBtn4->click(); // reload drops the edits
    EXPECT_EQ(form->ComboBox1->count(), stored);
    EXPECT_FALSE(form->BitBtn3->isEnabled());
    form->BitBtn1->click(); // the reload made the outcome stale
    form->inclDelete->click();
    prompter.expectMessage("Includes not saved. Please save first");
    form->BitBtn2->click();
}

TEST_F(MainWindowFlow, ListPagesEditAndSaveTheGroupsAttributes) {
    form->loadGroup(kGroup);
    ASSERT_EQ(form->exclclb->count(), 1);
    form->exclclb->item(0)->setCheckState(Qt::Checked);
    form->exclDelete->click();
    EXPECT_EQ(form->exclclb->count(), 0);
    EXPECT_TRUE(form->exclSave->isEnabled());
    EXPECT_EQ(values(kGroup, "See Also").size(), 1u) << "nothing written before Save";
    form->exclSave->click();
    EXPECT_FALSE(form->exclSave->isEnabled());
    EXPECT_TRUE(values(kGroup, "See Also").empty());
    form->exclReload->click();
    EXPECT_EQ(form->exclclb->count(), 0);
}

} // namespace
} // namespace tarnbeck::testing
