// What the member list shows around Update group, on the demo tree: the written state after a
// walk, an outcome that no longer holds, and when Update group has anything to do.

#include "demo_window.h"
#include "ui/member_list.h"

#include "scripted_prompter.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <algorithm>

namespace tarnbeck::testing {
namespace {

using WindowOutcome = DemoWindowTest;

const char *const kRemoved = "bfischer.Sales.Acme";            // marked remove
const char *const kAdded = "ballen.Berlin Office.Berlin.Acme"; // marked add

int RowOf(const MemberList &list, const std::string &name) {
    const auto items = list.findItems(QString::fromStdString(name), Qt::MatchExactly);
    return items.isEmpty() ? -1 : list.row(items.front());
}

// Whether a row is drawn with any pixel of this colour.
bool DrawnIn(const MemberList &list, int row, QColor colour) {
    QImage image(300, MemberList::kItemHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.initFrom(&list);
    option.rect = image.rect();
    list.itemDelegate()->paint(&painter, option, list.model()->index(row, 0));
    painter.end();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour.rgb() & 0xFFFFFF))
                return true;
    return false;
}

TEST_F(WindowOutcome, ACompletedUpdateShowsTheWrittenMembersAndLeavesNothingToDo) {
    ScriptedPrompter prompter;
    form->loadGroup(kSalesTeam);
    form->BitBtn1->click();
    ASSERT_EQ(form->markCounts->text().toStdString(),
              "2 kept, 19 to add, 9 to remove, 1 excluded, 1 static");

    form->BitBtn2->click();
    EXPECT_EQ(form->markCounts->text().toStdString(),
              "22 kept, 0 to add, 0 to remove, 0 excluded, 0 static");
    EXPECT_EQ(form->clb->count(), 22);
    EXPECT_EQ(countMarks(MemberMark::Keep), 22);
    EXPECT_EQ(RowOf(*form->clb, kRemoved), -1);
    EXPECT_FALSE(form->BitBtn2->isEnabled());
    // The list is the group's membership now: switching mode has no outcome to make stale.
    form->RadioButton1->click();
    EXPECT_EQ(form->markCounts->text().toStdString(),
              "22 kept, 0 to add, 0 to remove, 0 excluded, 0 static");

    // An Execute that finds nothing to add or remove gives Update group nothing to do.
    form->RadioButton2->click();
    form->BitBtn3->click(); // the mode is saved with the queries
    form->BitBtn1->click();
    EXPECT_EQ(form->markCounts->text().toStdString(),
              "21 kept, 0 to add, 0 to remove, 0 excluded, 1 static");
    EXPECT_FALSE(form->BitBtn2->isEnabled());
}

TEST_F(WindowOutcome, AFailedUpdateShowsWhatWasWrittenAndWhatIsLeft) {
    ScriptedPrompter prompter;
    form->loadGroup(kSalesTeam);
    form->BitBtn1->click();
    const MemberEntries outcome = form->clb->entries();
    // Taken away by another administrator: adding it is refused half-way down the list.
    const std::string vanished = "levans.Berlin Office.Berlin.Acme";
    const int failing = RowOf(*form->clb, vanished);
    ASSERT_GT(failing, 10);
    ASSERT_EQ(dsclient::RemoveObject(app.mainContext, vanished), dsclient::status::Ok);

    prompter.expectMessageContaining("Netware error -601");
    form->BitBtn2->click();

    EXPECT_FALSE(form->BitBtn2->isEnabled());
    const MemberEntries shown = form->clb->entries();
    const int at = RowOf(*form->clb, vanished);
    ASSERT_GE(at, 0);
    EXPECT_EQ(shown[at].mark, MemberMark::Add);
    for (int row = 0; row < at; ++row)
        EXPECT_EQ(shown[row].mark, MemberMark::Keep) << shown[row].name;
    // Everything from the failing entry on is left as it was.
    ASSERT_EQ(shown.size() - at, outcome.size() - failing);
    EXPECT_TRUE(std::equal(shown.begin() + at, shown.end(), outcome.begin() + failing));
    EXPECT_EQ(form->markCounts->text().toStdString(),
              "11 kept, 11 to add, 1 to remove, 0 excluded, 0 static");
}

TEST_F(WindowOutcome, SwitchingModeDrawsNoStaleMarksUntilTheNextExecute) {
    ScriptedPrompter prompter;
    form->loadGroup(kSalesTeam);
    form->BitBtn1->click();
    const int removed = RowOf(*form->clb, kRemoved);
    ASSERT_GE(removed, 0);
    ASSERT_TRUE(DrawnIn(*form->clb, removed, StyleOfMark(int(MemberMark::Remove)).colour));

    form->RadioButton1->click(); // Add mode removes nobody
    EXPECT_EQ(form->markCounts->text().toStdString(), "Execute again to see the outcome");
    EXPECT_FALSE(DrawnIn(*form->clb, removed, StyleOfMark(int(MemberMark::Remove)).colour));
    EXPECT_TRUE(DrawnIn(*form->clb, removed, kStaleColour));

    form->BitBtn3->click();
    form->BitBtn1->click();
    EXPECT_EQ(form->markCounts->text().toStdString(),
              "11 kept, 19 to add, 0 to remove, 1 excluded, 1 static");
    const int added = RowOf(*form->clb, kAdded);
    EXPECT_TRUE(DrawnIn(*form->clb, added, StyleOfMark(int(MemberMark::Add)).colour));
}

} // namespace
} // namespace tarnbeck::testing
