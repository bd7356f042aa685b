#include "ui/browser_dialog.h"
#include "ui/class_icons.h"
#include "ui/new_object_dialog.h"

#include "directory/text_compare.h"
#include "directory/values_reader.h"

#include "browser_test_support.h"
#include "browser_tree.h"
#include "scripted_dialogs.h"
#include "scripted_prompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace tarnbeck;
using namespace tarnbeck::testing;
using Strings = std::vector<std::string>;

namespace {

class BrowserTest : public BrowserTreeTest {
  protected:
    void SetUp() override {
        BrowserTreeTest::SetUp();
        connect(identity);
        browser.SetNewObjectDialog(newObject);
    }

    // Shown the way a caller shows it, and filled as the timer would.
    void open() {
        browser.SetBrowserContext(context);
        browser.show();
        FillNow(browser);
    }
    BrowserNode *node(const Strings &texts) { return NodeAt(browser, texts); }
    void select(const Strings &texts) {
        BrowserNode *target = node(texts);
        ASSERT_NE(target, nullptr);
        browser.TV2->setCurrentItem(target);
    }
    void leavesFor(const Strings &classes, bool all) {
        browser.SetShowLeaves(true);
        browser.All->setChecked(all);
        browser.ClearClassFilter();
        for (const auto &c : classes)
            browser.AddClassFilter(c);
    }

    std::string identity = "Admin.Acme";
    ScriptedPrompter prompter;
    TNewObject newObject;
    TcForm browser;
};

TEST_F(BrowserTest, ShownBeforeAnyContextEndsAtOnceWith55) {
    TcForm::ForgetContextForTesting();
    prompter.expectMessage("Internal Error, context Handle not set");
    browser.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(browser.isVisible());
    EXPECT_EQ(browser.result(), TcForm::kNoContextResult);
    EXPECT_FALSE(browser.Timer1->isActive());
    EXPECT_EQ(browser.TV2->topLevelItemCount(), 0);
}

TEST_F(BrowserTest, FirstShowingHoldsOnlyTheTopNodeAndHidingForgetsCreatables) {
    browser.AddCreatableClass("Group");
    browser.AddCreatableClass("group");
    EXPECT_EQ(browser.CreatableClasses(), Strings{"Group"});
    browser.SetBrowserContext(context);
    browser.show();
    EXPECT_EQ(browser.windowTitle(), "TEST_TREE: Select context");
    EXPECT_EQ(ChildTexts(browser.TV2->invisibleRootItem()), Strings{"Please wait"});
    EXPECT_TRUE(browser.BitBtn5->isVisible());
    FillNow(browser);

    ASSERT_EQ(ChildTexts(browser.TV2->invisibleRootItem()), Strings{"[ROOT]"});
    BrowserNode *root = node({"[ROOT]"});
    EXPECT_EQ(root, browser.RootNode);
    EXPECT_EQ(root->icon(), ClassIconIndex("tree root"));
    EXPECT_FALSE(root->isExpanded());
    EXPECT_EQ(root->childCount(), 0);
    EXPECT_TRUE(root->hasChildren());
    EXPECT_FALSE(browser.lv->isVisible());

    browser.hide();
    EXPECT_TRUE(browser.CreatableClasses().empty());
    // The tree read so far survives the hiding, and the caption is the same at every showing.
    browser.show();
    EXPECT_EQ(browser.windowTitle(), "TEST_TREE: Select context");
    EXPECT_EQ(node({"[ROOT]"}), root);
    EXPECT_FALSE(browser.BitBtn5->isVisible());
}

TEST_F(BrowserTest, PreselectionExpandsExactlyItsPathAndStopsAtAMissingComponent) {
    browser.SetShowLeaves(true);
    browser.SetSelectedPath("Joe.Sales.Acme");
    open();
    EXPECT_EQ(SelectedPath(browser), "Acme/Sales/Joe");
    EXPECT_EQ(ExpandedPaths(browser), (Strings{"[ROOT]", "Acme", "Acme/Sales"}));

    browser.hide();
    browser.SetShowLeaves(false); // a new tree
    browser.SetSelectedPath("Joe.Nowhere.Acme");
    browser.show();
    FillNow(browser);
    EXPECT_EQ(SelectedPath(browser), "");
    EXPECT_EQ(ExpandedPaths(browser), (Strings{"[ROOT]", "Acme"}));

    browser.hide();
    browser.SetSelectedPath("Nobody.Sales.Acme");
    browser.show();
    FillNow(browser);
    EXPECT_EQ(SelectedPath(browser), "");
    EXPECT_EQ(ExpandedPaths(browser), (Strings{"[ROOT]", "Acme", "Acme/Sales"}));
}

TEST_F(BrowserTest, NamesWithEscapedDotsArePreselectedComponentByComponent) {
    browser.SetShowLeaves(true);
    browser.SetSelectedPath("Kim.Web\\.Team.Acme");
    open();
    EXPECT_EQ(SelectedPath(browser), "Acme/Web\\.Team/Kim");
    ASSERT_NE(node({"[ROOT]", "Acme", "Web.Team"}), nullptr);
}

TEST_F(BrowserTest, TopOfTheSearchTreeOpensWhenNothingElseIsPreselected) {
    browser.SetTopOfTree("Sales.Acme");
    open();
    EXPECT_EQ(SelectedPath(browser), "Acme/Sales");

    browser.hide();
    browser.SetSelectedPath("Dev.Acme");
    browser.show();
    FillNow(browser);
    EXPECT_EQ(SelectedPath(browser), "Acme/Dev");
}

TEST_F(BrowserTest, ExpansionListsContainersOnlyUnlessLeavesAreShown) {
    open();
    EXPECT_FALSE(browser.All->isVisibleTo(&browser));
    browser.TV2->expandItem(node({"[ROOT]"}));
    browser.TV2->expandItem(node({"[ROOT]", "Acme"}));
    // Grouped by icon (units, then the alias), alphabetical within a group.
    EXPECT_EQ(ChildTexts(node({"[ROOT]", "Acme"})),
              (Strings{"Dev", "Sales", "Web.Team", "SalesLink"}));
    // All is checked but hidden: still no leaves.
    EXPECT_TRUE(browser.All->isChecked());
    browser.TV2->expandItem(node({"[ROOT]", "Acme", "Sales"}));
    EXPECT_EQ(ChildTexts(node({"[ROOT]", "Acme", "Sales"})), Strings{"Empty"});

    browser.SetShowLeaves(true);
    EXPECT_TRUE(browser.All->isVisibleTo(&browser));
    EXPECT_EQ(browser.TV2->topLevelItemCount(), 0); // a change of the flag starts afresh
    browser.SetSelectedPath("Sales.Acme");
    browser.hide();
    browser.show();
    FillNow(browser);
    BrowserNode *sales = node({"[ROOT]", "Acme", "Sales"});
    browser.TV2->expandItem(sales);
    EXPECT_EQ(ChildTexts(sales), (Strings{"Empty", "Ann", "Joe", "Staff", "PC1"}));
    EXPECT_FALSE(node({"[ROOT]", "Acme", "Sales", "Joe"})->hasChildren());
    EXPECT_TRUE(node({"[ROOT]", "Acme", "Sales"})->hasChildren());
}

TEST_F(BrowserTest, ClassFilterSkipsOtherLeavesButNeverContainers) {
    leavesFor({"Group"}, false);
    browser.SetSelectedPath("Sales.Acme");
    open();
    BrowserNode *acme = node({"[ROOT]", "Acme"});
    EXPECT_EQ(ChildTexts(acme), (Strings{"Dev", "Sales", "Web.Team", "SalesLink"}));
    BrowserNode *sales = node({"[ROOT]", "Acme", "Sales"});
    browser.TV2->expandItem(sales);
    EXPECT_EQ(ChildTexts(sales), (Strings{"Empty", "Staff"}));

    // Only a printer inside: nothing to show, and the expand button goes.
    BrowserNode *dev = node({"[ROOT]", "Acme", "Dev"});
    EXPECT_TRUE(dev->hasChildren());
    browser.TV2->expandItem(dev);
    EXPECT_EQ(dev->childCount(), 0);
    EXPECT_FALSE(dev->hasChildren());

    // Ticking All shows the difference at the next expansion only.
    browser.All->setChecked(true);
    EXPECT_EQ(ChildTexts(sales), (Strings{"Empty", "Staff"}));
    browser.TV2->collapseItem(sales);
    EXPECT_EQ(sales->childCount(), 0);
    EXPECT_TRUE(sales->hasChildren());
    browser.TV2->expandItem(sales);
    EXPECT_EQ(ChildTexts(sales), (Strings{"Empty", "Ann", "Joe", "Staff", "PC1"}));
}

TEST_F(BrowserTest, OkAcceptsOnlyClassesOfTheFilterWithTwoBeepsOtherwise) {
    leavesFor({"Group"}, true);
    browser.SetSelectedPath("Joe.Sales.Acme");
    open();
    prompter.expectBeep().expectBeep();
    browser.BitBtn2->click();
    EXPECT_TRUE(browser.isVisible());
    EXPECT_NE(browser.result(), QDialog::Accepted);

    select({"[ROOT]", "Acme", "Sales", "Staff"});
    browser.BitBtn2->click();
    EXPECT_FALSE(browser.isVisible());
    EXPECT_EQ(browser.result(), QDialog::Accepted);
    EXPECT_EQ(browser.SelectedPath(), "Staff.Sales.Acme");
    EXPECT_EQ(browser.SelectedNode(), &node({"[ROOT]", "Acme", "Sales", "Staff"})->path());
}

TEST_F(BrowserTest, OkWithoutFilterTakesAnyNodeIncludingTheTopAndNothingWithoutSelection) {
    open();
    browser.BitBtn2->click();
    EXPECT_TRUE(browser.isVisible()); // nothing selected

    select({"[ROOT]"});
    browser.BitBtn2->click();
    EXPECT_EQ(browser.result(), QDialog::Accepted);
    EXPECT_EQ(browser.SelectedPath(), "[ROOT]");

    browser.show();
    FillNow(browser);
    browser.BitBtn1->click();
    EXPECT_FALSE(browser.isVisible());
    EXPECT_EQ(browser.result(), TcForm::kCancelResult);
}

TEST_F(BrowserTest, UsersWithPosixClassesGetTheirOwnIcons) {
    browser.SetShowLeaves(true);
    browser.SetSelectedPath("Acme");
    open();
    browser.TV2->expandItem(node({"[ROOT]", "Acme"}));
    EXPECT_EQ(node({"[ROOT]", "Acme", "Admin"})->icon(), ClassIconIndex("User"));
    EXPECT_EQ(node({"[ROOT]", "Acme", "Posix"})->icon(), ClassIconIndex("User-posixAccount"));
    EXPECT_EQ(node({"[ROOT]", "Acme", "Mac"})->icon(), ClassIconIndex("User-apple"));
    EXPECT_NE(ClassIconIndex("User-posixAccount"), ClassIconIndex("User"));
}

TEST_F(BrowserTest, CollapsingForgetsChildrenSoObjectsMadeMeanwhileShowUp) {
    browser.SetShowLeaves(true);
    browser.SetSelectedPath("Sales.Acme");
    open();
    BrowserNode *sales = node({"[ROOT]", "Acme", "Sales"});
    browser.TV2->expandItem(sales);
    select({"[ROOT]", "Acme", "Sales", "Joe"});
    add("Zoe.Sales.Acme", "User", UserValues("Zoe"));
    EXPECT_EQ(node({"[ROOT]", "Acme", "Sales", "Zoe"}), nullptr);
    browser.TV2->collapseItem(sales);
    EXPECT_EQ(browser.SelectedNode(), nullptr);
    browser.TV2->expandItem(sales);
    EXPECT_NE(node({"[ROOT]", "Acme", "Sales", "Zoe"}), nullptr);
}

TEST_F(BrowserTest, NamesAreInTheOrderOfEveryOtherListIgnoringCase) {
    add("Names.Acme", "Organizational Unit", {{"OU", TextValue(dsclient::SYN_CI_STRING, "Names")}});
    Strings names = {"pclarke", "Zoe", "\xC3\x84rger", "\xC3\x89mile", "\xC3\x96hlmann"};
    for (const auto &name : names)
        add(name + ".Names.Acme", "User", UserValues(name));
    browser.SetShowLeaves(true);
    browser.SetSelectedPath("Names.Acme");
    open();
    browser.TV2->expandItem(node({"[ROOT]", "Acme", "Names"}));
    const Strings shown = ChildTexts(node({"[ROOT]", "Acme", "Names"}));
    EXPECT_EQ(shown, (Strings{"\xC3\x84rger", "\xC3\x89mile", "\xC3\x96hlmann", "pclarke", "Zoe"}));
    SortNames(names); // as the member list and the list pages sort
    EXPECT_EQ(shown, names);
}

TEST_F(BrowserTest, EachShowingReadsTheExpandedLevelsAgainAndKeepsThemOpen) {
    browser.SetShowLeaves(true);
    browser.SetSelectedPath("Joe.Sales.Acme");
    open();
    browser.hide();
    add("Zoe.Sales.Acme", "User", UserValues("Zoe"));
    browser.SetSelectedPath("");
    browser.show();
    FillNow(browser);
    EXPECT_NE(node({"[ROOT]", "Acme", "Sales", "Zoe"}), nullptr);
    EXPECT_EQ(ExpandedPaths(browser), (Strings{"[ROOT]", "Acme", "Acme/Sales"}));
    EXPECT_EQ(SelectedPath(browser), "Acme/Sales/Joe");
}

TEST_F(BrowserTest, FindSelectsOneResultListsManyAndReportsNone) {
    browser.SetShowLeaves(true);
    open();
    prompter.expectInput("Entry the name of the object (no context)", "Nobody");
    prompter.expectMessage("No Objects found");
    browser.BitBtn3->click();
    EXPECT_FALSE(browser.lv->isVisible());

    prompter.expectInput("Entry the name of the object (no context)", "Kim");
    browser.BitBtn3->click();
    EXPECT_EQ(SelectedPath(browser), "Acme/Web\\.Team/Kim");

    // Cancelled: nothing happens.
    prompter.expectInput("Entry the name of the object (no context)", "", false);
    browser.BitBtn3->click();

    prompter.expectInput("Entry the name of the object (no context)", "A");
    browser.BitBtn3->click();
    ASSERT_TRUE(browser.lv->isVisible());
    EXPECT_EQ(ChildTexts(browser.lv->invisibleRootItem()),
              (Strings{"Acme", "Admin.Acme", "Ann.Sales.Acme"}));
    EXPECT_EQ(browser.lv->columnWidth(0), browser.lv->width() - 35);

    browser.lv->setCurrentItem(browser.lv->topLevelItem(2));
    EXPECT_FALSE(browser.lv->isVisible());
    EXPECT_EQ(SelectedPath(browser), "Acme/Sales/Ann");
}

TEST_F(BrowserTest, FindKeepsToTheClassFilter) {
    leavesFor({"Group"}, false);
    open();
    prompter.expectInput("Entry the name of the object (no context)", "S");
    browser.BitBtn3->click();
    EXPECT_FALSE(browser.lv->isVisible()); // only Staff, not Sales or SalesLink
    EXPECT_EQ(SelectedPath(browser), "Acme/Sales/Staff");
}

TEST_F(BrowserTest, KeysEscHidesTheListAltZFindsInsertCreates) {
    browser.SetShowLeaves(true);
    browser.SetSelectedPath("Acme");
    open();
    prompter.expectInput("Entry the name of the object (no context)", "A");
    QTest::keyClick(browser.TV2, Qt::Key_Z, Qt::AltModifier);
    ASSERT_TRUE(browser.lv->isVisible());

    QTest::keyClick(browser.lv, Qt::Key_Escape);
    EXPECT_FALSE(browser.lv->isVisible());
    EXPECT_TRUE(browser.isVisible());
    QTest::keyClick(browser.TV2, Qt::Key_Escape);
    QTest::keyClick(browser.BitBtn2, Qt::Key_Escape);
    EXPECT_TRUE(browser.isVisible());

    browser.AddCreatableClass("Group");
    BrowserNode *acme = node({"[ROOT]", "Acme"});
    browser.TV2->expandItem(acme);
    select({"[ROOT]", "Acme"});
    ScriptedDialogs dialogs;
    dialogs.expect("NewObject", [](QDialog &dialog) {
        auto &form = static_cast<TNewObject &>(dialog);
        form.ComboBoxEx1->setCurrentIndex(0);
        form.Edit1->setText("Team");
        form.BitBtn1->click();
        return form.result();
    });
    QTest::keyClick(browser.TV2, Qt::Key_Insert);
    EXPECT_EQ(SelectedPath(browser), "Acme/Team");
}

class CreateTest : public BrowserTest {
  protected:
    void SetUp() override {
        BrowserTest::SetUp();
        leavesFor({"Group", "Workstation Group"}, false);
        browser.AddCreatableClass("Group");
        browser.AddCreatableClass("zenWorkstationGroup");
        browser.AddCreatableClass("Workstation Group");
    }
    // Answers the new object dialog with `type` and `name`; checks the types offered.
    void answer(const std::string &type, const std::string &name) {
        dialogs.expect("NewObject", [=, this](QDialog &dialog) {
            auto &form = static_cast<TNewObject &>(dialog);
            Strings offered;
            for (int i = 0; i < form.ComboBoxEx1->count(); ++i)
                offered.push_back(form.ComboBoxEx1->itemText(i).toStdString());
            offeredTypes = offered;
            form.ComboBoxEx1->setCurrentIndex(
                form.ComboBoxEx1->findText(QString::fromStdString(type)));
            form.Edit1->setText(QString::fromStdString(name));
            form.BitBtn1->click();
            return form.result();
        });
    }
    ScriptedDialogs dialogs;
    Strings offeredTypes;
};

TEST_F(CreateTest, InAnExpandedContainerTheNewNodeIsAddedAndSelected) {
    browser.SetSelectedPath("Sales.Acme");
    open();
    BrowserNode *sales = node({"[ROOT]", "Acme", "Sales"});
    browser.TV2->expandItem(sales);
    EXPECT_EQ(ChildTexts(sales), (Strings{"Empty", "Staff"}));
    answer("Group", "  Helpdesk ");
    browser.BitBtn5->click();
    // Only the allowed among the creatable classes, in the directory's order.
    EXPECT_EQ(offeredTypes, (Strings{"Group", "Workstation Group", "zenWorkstationGroup"}));
    EXPECT_EQ(ObjectExists(context, "Helpdesk.Sales.Acme"), 0);
    EXPECT_EQ(SelectedPath(browser), "Acme/Sales/Helpdesk");
    EXPECT_EQ(ChildTexts(sales), (Strings{"Empty", "Helpdesk", "Staff"}));
    EXPECT_EQ(node({"[ROOT]", "Acme", "Sales", "Helpdesk"})->icon(), ClassIconIndex("Group"));
}

TEST_F(CreateTest, InAnUnexpandedOrEmptyContainerTheContainerIsReadAgain) {
    browser.SetSelectedPath("Empty.Sales.Acme");
    open();
    BrowserNode *empty = node({"[ROOT]", "Acme", "Sales", "Empty"});
    ASSERT_FALSE(empty->isExpanded());
    answer("Group", "Lab");
    browser.BitBtn5->click();
    EXPECT_TRUE(empty->isExpanded());
    EXPECT_EQ(SelectedPath(browser), "Acme/Sales/Empty/Lab");

    // Expanded with nothing shown: the one new child makes it read again.
    BrowserNode *dev = node({"[ROOT]", "Acme", "Dev"});
    browser.TV2->expandItem(dev);
    ASSERT_EQ(dev->childCount(), 0);
    select({"[ROOT]", "Acme", "Dev"});
    answer("Group", "Ops");
    browser.BitBtn5->click();
    EXPECT_EQ(ChildTexts(dev), Strings{"Ops"});
    EXPECT_EQ(SelectedPath(browser), "Acme/Dev/Ops");

    // Created, but of a class the filter does not list: not found after reading.
    select({"[ROOT]", "Acme", "Web.Team"});
    answer("zenWorkstationGroup", "Zen");
    prompter.expectMessage("Error.....");
    browser.BitBtn5->click();
    EXPECT_EQ(ObjectExists(context, "Zen.Web\\.Team.Acme"), 0);
    EXPECT_EQ(ChildTexts(node({"[ROOT]", "Acme", "Web.Team"})), Strings{});
}

TEST_F(CreateTest, NothingHappensOnALeafOrAContainerThatMayHoldNoneOfTheClasses) {
    browser.SetSelectedPath("Staff.Sales.Acme");
    open();
    ASSERT_EQ(SelectedPath(browser), "Acme/Sales/Staff");
    browser.BitBtn5->click(); // a leaf
    select({"[ROOT]"});       // the top of the tree may hold no groups
    browser.BitBtn5->click();
    EXPECT_EQ(SelectedPath(browser), "[ROOT]");
}

// Joe is no supervisor and may not add objects.
class RefusedCreateTest : public CreateTest {
  protected:
    RefusedCreateTest() { identity = "Joe.Sales.Acme"; }
};

TEST_F(RefusedCreateTest, ARefusedCreationIsReportedAndLeavesTheTreeAlone) {
    browser.SetSelectedPath("Sales.Acme");
    open();
    BrowserNode *sales = node({"[ROOT]", "Acme", "Sales"});
    browser.TV2->expandItem(sales);
    answer("Group", "Helpdesk");
    prompter.expectMessage("Netware error -672 (0xFFFFFD60): no access");
    browser.BitBtn5->click();
    EXPECT_EQ(ChildTexts(sales), (Strings{"Empty", "Staff"}));
    EXPECT_NE(ObjectExists(context, "Helpdesk.Sales.Acme"), 0);
}

} // namespace
