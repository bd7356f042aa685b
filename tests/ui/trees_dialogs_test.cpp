// The select tree dialog (refill, "Add" by name and by server address) and the connected trees
// dialog (single choice, internal errors), each on its own.

#include "../shell/trees_fixture.h"

#include "shell/trees.h"
#include "ui/connected_trees_dialog.h"
#include "ui/select_tree_dialog.h"

#include "scripted_dialogs.h"
#include "scripted_prompter.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnbeck::testing {
namespace {

using namespace dsclient;
using Names = std::vector<std::string>;

Names Texts(const QListWidget &list) {
    Names texts;
    for (int row = 0; row < list.count(); ++row)
        texts.push_back(list.item(row)->text().toStdString());
    return texts;
}

Names Checked(const QListWidget &list) {
    Names texts;
    for (int row = 0; row < list.count(); ++row)
        if (list.item(row)->checkState() == Qt::Checked)
            texts.push_back(list.item(row)->text().toStdString());
    return texts;
}

// What the dialog's timer does shortly after it is shown.
void RefillNow(TTreesForm &dialog) {
    ASSERT_TRUE(dialog.Timer1->isActive());
    QMetaObject::invokeMethod(&dialog, "Timer1Timer", Qt::DirectConnection);
}

class SelectTreeTest : public TwoTreesTest {
  protected:
    void SetUp() override {
        TwoTreesTest::SetUp();
        startClient();
        form.SetContext(openContext());
    }

    // Shows the dialog once; `work` runs while it is open.
    int show(const std::function<int(TTreesForm &)> &work) {
        dialogs.expect("TreesForm",
                       [&](QDialog &dialog) { return work(static_cast<TTreesForm &>(dialog)); });
        return RunDialog(form);
    }

    TTreesForm form;
    ScriptedPrompter prompter;
    ScriptedDialogs dialogs;
};

TEST_F(SelectTreeTest, EachShowingReadsTheTreesAnew) {
    show([](TTreesForm &dialog) {
        EXPECT_EQ(Texts(*dialog.ListBox1), Names{"Please wait"});
        // The placeholder cannot be chosen.
        dialog.ListBox1->setCurrentRow(0);
        dialog.BitBtn1->click();
        EXPECT_EQ(dialog.ChosenTree(), "");
        return dialog.result();
    });
    show([](TTreesForm &dialog) {
        RefillNow(dialog);
        EXPECT_EQ(Texts(*dialog.ListBox1), (Names{kLabTree, kTestTree}));
        dialog.ListBox1->setCurrentRow(0);
        dialog.BitBtn1->click();
        return dialog.result();
    });
    EXPECT_EQ(form.ChosenTree(), kLabTree);

    // A later OK without a selection chooses nothing, rather than the earlier choice again.
    EXPECT_EQ(show([](TTreesForm &dialog) {
                  RefillNow(dialog);
                  dialog.BitBtn1->click();
                  return dialog.result();
              }),
              QDialog::Accepted);
    EXPECT_EQ(form.ChosenTree(), "");
}

TEST_F(SelectTreeTest, AddAppendsNamesAndServerTreesAndKeepsThemForLaterRefills) {
    prompter.expectInput("Enter Treename or IP-address", "10.0.0.5")
        .expectInput("Enter Treename or IP-address", "corp")
        .expectInput("Enter Treename or IP-address", "", false)
        .expectInput("Enter Treename or IP-address", "")
        .expectInput("Enter Treename or IP-address", "10.0.0.5");
    show([&](TTreesForm &dialog) {
        RefillNow(dialog);
        dialog.BitBtn3->click();
        EXPECT_EQ(prompter.busyPushes(), 1);
        EXPECT_EQ(prompter.busyDepth(), 0);
        dialog.BitBtn3->click();
        dialog.BitBtn3->click(); // cancelled
        dialog.BitBtn3->click(); // empty
        EXPECT_EQ(Texts(*dialog.ListBox1), (Names{kLabTree, kTestTree, "ACMEDEMOTREE", "CORP"}));
        // Attached already: the same server answers again.
        dialog.BitBtn3->click();
        EXPECT_EQ(dialog.ListBox1->count(), 5);
        dialog.BitBtn2->click();
        return dialog.result();
    });
    EXPECT_EQ(form.KeptTrees(), (Names{"ACMEDEMOTREE", "CORP"}));

    show([](TTreesForm &dialog) {
        RefillNow(dialog);
        EXPECT_EQ(Texts(*dialog.ListBox1), (Names{"ACMEDEMOTREE", "CORP", kLabTree, kTestTree}));
        dialog.BitBtn2->click();
        return dialog.result();
    });
}

TEST_F(SelectTreeTest, AnUnknownServerIsReportedWithItsStatus) {
    prompter.expectInput("Enter Treename or IP-address", "10.9.9.9")
        .expectMessage("Server not found (00008847)");
    show([&](TTreesForm &dialog) {
        RefillNow(dialog);
        dialog.BitBtn3->click();
        EXPECT_EQ(Texts(*dialog.ListBox1), (Names{kLabTree, kTestTree}));
        EXPECT_EQ(prompter.busyDepth(), 0);
        return int(QDialog::Rejected);
    });
    EXPECT_TRUE(form.KeptTrees().empty());
}

TEST_F(SelectTreeTest, AFailingScanIsShownAndLeavesTheListEmpty) {
    config.primaryTree.clear();
    startClient();
    form.SetContext(openContext());
    prompter.expectMessage("Netware error -625 (0xFFFFFD8F): tree cannot be reached");
    show([](TTreesForm &dialog) {
        RefillNow(dialog);
        EXPECT_EQ(dialog.ListBox1->count(), 0);
        return int(QDialog::Rejected);
    });
}

TEST_F(SelectTreeTest, WithoutAContextItSaysSoAndStillOpens) {
    TTreesForm fresh;
    prompter.expectMessage("Internal error, please contact Orvexa!!!");
    dialogs.expect("TreesForm", [](QDialog &dialog) {
        EXPECT_TRUE(dialog.isVisible());
        return int(QDialog::Rejected);
    });
    RunDialog(fresh);
}

class ConnectedTreesTest : public ::testing::Test {
  protected:
    TTrees2 form;
    ScriptedPrompter prompter;
    ScriptedDialogs dialogs;
};

TEST_F(ConnectedTreesTest, ATickIsTheChoice) {
    form.SetContext(1);
    form.SetSingleChoice(true);
    form.SetTrees({"ALPHA", "BETA", "GAMMA"}, "beta");
    QListWidget &list = *form.CheckListBox1;
    EXPECT_EQ(Checked(list), Names{"BETA"});

    // Ticking a row that is not the selected one selects it and clears the other ticks.
    list.setCurrentRow(0);
    list.item(2)->setCheckState(Qt::Checked);
    EXPECT_EQ(Checked(list), Names{"GAMMA"});
    EXPECT_EQ(list.currentRow(), 2);
    EXPECT_EQ(form.LastCheckedTree(), "GAMMA");

    list.setCurrentRow(0);
    list.item(0)->setCheckState(Qt::Checked);
    EXPECT_EQ(Checked(list), Names{"ALPHA"});

    // The tick cannot be taken away, only moved.
    list.item(0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(Checked(list), Names{"ALPHA"});
    EXPECT_EQ(form.LastCheckedTree(), "ALPHA");
}

TEST_F(ConnectedTreesTest, OkTakesTheChoiceCancelAndEscLeaveItAndNoContextIsReported) {
    prompter.expectMessage("Internal error, in Show Trees, please contact Orvexa!");
    dialogs.expect("Trees2", [](QDialog &dialog) {
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
        return dialog.result();
    });
    EXPECT_EQ(RunDialog(form), QDialog::Rejected);
    form.SetContext(1);
    dialogs.expect("Trees2", [](QDialog &dialog) {
        static_cast<TTrees2 &>(dialog).BitBtn3->click();
        return dialog.result();
    });
    EXPECT_EQ(RunDialog(form), QDialog::Rejected);
    dialogs.expect("Trees2", [](QDialog &dialog) {
        static_cast<TTrees2 &>(dialog).BitBtn1->click();
        return dialog.result();
    });
    EXPECT_EQ(RunDialog(form), QDialog::Accepted);
}

} // namespace
} // namespace tarnbeck::testing
