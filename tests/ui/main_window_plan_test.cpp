// The plan in the window, on the demo tree: why each name got its mark, the counts per mark, the
// question before a mass removal, and Stop during the walk.

#include "demo_window.h"
#include "directory/values_writer.h"
#include "ui/member_list.h"
#include "ui/progress_window.h"

#include "scripted_prompter.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

namespace tarnbeck::testing {
namespace {

using WindowPlan = DemoWindowTest;

QString ToolTipOf(const MemberList &list, const QString &name) {
    const auto items = list.findItems(name, Qt::MatchExactly);
    return items.isEmpty() ? QString("(no entry)") : items.front()->toolTip();
}

TEST_F(WindowPlan, ExecuteTellsWhyAndCountsEachMark) {
    ScriptedPrompter prompter;
    form->loadGroup(kSalesTeam);
    EXPECT_EQ(form->markCounts->text(), "");
    form->BitBtn1->click();
    EXPECT_EQ(form->markCounts->text(), "2 kept, 19 to add, 9 to remove, 1 excluded, 1 static");
    EXPECT_EQ(ToolTipOf(*form->clb, "ballen.Berlin Office.Berlin.Acme"), "found by query 2");
    EXPECT_EQ(ToolTipOf(*form->clb, "bfischer.Sales.Acme"), "current member not found");
    EXPECT_EQ(ToolTipOf(*form->clb, "dhoffmann.Sales.Acme"),
              "current member not found; on the exclude list");
    EXPECT_EQ(ToolTipOf(*form->clb, "kweber.Berlin Office.Berlin.Acme"), "on the static list");

    form->loadGroup(kSalesTeam); // a load shows members, not an outcome
    EXPECT_EQ(form->markCounts->text(), "");
    EXPECT_EQ(ToolTipOf(*form->clb, "bfischer.Sales.Acme"), "current member not found");
}

TEST_F(WindowPlan, AMassRemovalIsQuestionedAndNoWritesNothing) {
    ScriptedPrompter prompter;
    form->loadGroup(kSalesTeam);
    const std::vector<std::string> members = values(kSalesTeam, "Member");
    form->BitBtn1->click(); // removes 10 of the 12 members: below the shipped brake's 20 names

    app.removalBrake = {25, 5};
    prompter.expectConfirm("Update group will remove 10 of 12 members. Continue?", false);
    form->BitBtn2->click();
    EXPECT_EQ(values(kSalesTeam, "Member"), members);
    EXPECT_TRUE(form->BitBtn2->isEnabled()); // nothing ran; the outcome still holds

    prompter.expectConfirm("Update group will remove 10 of 12 members. Continue?", true);
    form->BitBtn2->click();
    EXPECT_NE(values(kSalesTeam, "Member"), members);

    // Below the threshold the walk starts without a question.
    app.removalBrake = {};
    form->BitBtn1->click();
    EXPECT_EQ(countMarks(MemberMark::Add) + countMarks(MemberMark::Remove), 0);
    form->BitBtn2->click();
}

// A query that finds a group besides users: the group is drawn grey with the reason, never
// written; filling an empty group with more names than the brake allows asks first.
TEST_F(WindowPlan, WhatCannotBeAMemberIsShownAndAMassAdditionIsQuestioned) {
    ScriptedPrompter prompter;
    const std::string group = "Empty Group.Acme";
    WriteValues(app.mainContext, group, "L",
                {"q:ldap:///ou=sales.o=acme??one?(objectclass=*)", "s:6"}, false);
    form->loadGroup(group);
    form->BitBtn1->click();
    const int additions = countMarks(MemberMark::Add);
    ASSERT_GT(additions, 5);
    EXPECT_EQ(countMarks(MemberMark::NotAddable), 1);
    EXPECT_TRUE(form->markCounts->text().endsWith(", 1 not addable"))
        << form->markCounts->text().toStdString();
    EXPECT_EQ(ToolTipOf(*form->clb, kSalesTeam),
              "cannot be a member: class Group; found by query 1");
    EXPECT_EQ(StyleOfMark(static_cast<int>(MemberMark::NotAddable)).colour,
              QColor(0x80, 0x80, 0x80));

    app.additionBrake = {100, 5};
    const std::string question = "Update group will add " + std::to_string(additions) +
                                 " names to a group of 0 members. Continue?";
    prompter.expectConfirm(question, false);
    form->BitBtn2->click();
    EXPECT_TRUE(values(group, "Member").empty());

    prompter.expectConfirm(question, true);
    form->BitBtn2->click();
    EXPECT_EQ(values(group, "Member").size(), static_cast<std::size_t>(additions));
    EXPECT_TRUE(values(kSalesTeam, "Security Equals").empty());
}

TEST_F(WindowPlan, StopEndsTheWalkWithEveryMemberWhole) {
    ScriptedPrompter prompter;
    form->show();
    form->loadGroup(kSalesTeam);
    form->BitBtn1->click();
    const MemberEntries outcome = form->clb->entries();
    const std::vector<std::string> members = values(kSalesTeam, "Member");
    // Pressed as soon as the progress window shows: the walk ends after the first entry (a
    // member who stays), so nothing is written.
    QTimer::singleShot(0, form, [this] { form->progressWindow().stopButton->click(); });
    prompter.expectMessage("Update group stopped. Members written: 0");
    form->BitBtn2->click();
    EXPECT_FALSE(form->progressWindow().isVisible());
    EXPECT_EQ(values(kSalesTeam, "Member"), members);
    EXPECT_FALSE(form->BitBtn2->isEnabled()); // the outcome is partly applied at most

    const auto has = [this](const std::string &object, const char *attribute,
                            const std::string &value) {
        const auto held = values(object, attribute);
        return std::find(held.begin(), held.end(), value) != held.end();
    };
    for (const MemberEntry &entry : outcome) {
        const bool sides[] = {has(kSalesTeam, "Member", entry.name),
                              has(entry.name, "Group Membership", kSalesTeam),
                              has(entry.name, "Security Equals", kSalesTeam),
                              has(kSalesTeam, "Equivalent To Me", entry.name)};
        EXPECT_TRUE(std::all_of(std::begin(sides), std::end(sides),
                                [&](bool side) { return side == sides[0]; }))
            << entry.name << " is written on some sides only";
    }
}

} // namespace
} // namespace tarnbeck::testing
