#include "membership/undo_plan.h"

#include <gtest/gtest.h>

namespace tarnbeck {
namespace {

journal::RunRow JournalRun(journal::RunId id, std::string outcome,
                           std::vector<journal::ChangeRow> changes) {
    journal::RunRow run;
    run.id = id;
    run.outcome = std::move(outcome);
    run.changes = std::move(changes);
    return run;
}

std::vector<std::string> Names(const UndoPlan &plan) {
    std::vector<std::string> names;
    for (const MemberEntry &entry : plan.changes)
        names.push_back(entry.name + (entry.mark == MemberMark::Add ? " +" : " -"));
    return names;
}

// Only what the run wrote is reversed: confirmed changes, and of a run cut short the pending
// ones the directory shows in place. Later changes are left alone unless forced.
TEST(UndoPlan, ReversesWhatTheRunWroteAndLeavesLaterChangesAlone) {
    const journal::RunRow run =
        JournalRun(5, "cut short",
                   {{"A", "add", "found by query 1", "written"},
                    {"B", "add", "found by query 1", "pending"}, // in place
                    {"C", "add", "found by query 1", "pending"}, // never written
                    {"D", "remove", "current member not found", "written"},
                    {"E", "complete", "incomplete", "written"},
                    {"F", "add", "on the static list", "written"},
                    {"G", "add", "found by query 2", "refused", -672}});
    const std::vector<journal::RunRow> history = {
        JournalRun(4, "completed", {{"A", "remove", "x", "written"}}), // earlier: no matter
        run, JournalRun(6, "completed", {{"f", "remove", "x", "written"}})};
    const std::set<std::string> members = {"a", "b", "f"};

    UndoPlan plan = PlanUndo(run, history, members, false);
    EXPECT_EQ(Names(plan), (std::vector<std::string>{"A -", "B -", "D +"}));
    EXPECT_EQ(plan.reasons[2], "undoes run 5: current member not found");
    ASSERT_EQ(plan.notes.size(), 2u);
    EXPECT_EQ(plan.notes[0], "E was completed by run 5; that is not undone");
    EXPECT_EQ(plan.notes[1].rfind("F was changed again by run 6; left alone", 0), 0u);
    EXPECT_TRUE(plan.changes[0].reason.member); // a removal the brake counts

    plan = PlanUndo(run, history, members, true);
    EXPECT_EQ(Names(plan), (std::vector<std::string>{"A -", "B -", "D +", "F -"}));

    // A run that ended keeps its pending changes unwritten, whatever the directory shows.
    const journal::RunRow ended = JournalRun(5, "failed", {{"B", "add", "r", "pending"}});
    EXPECT_TRUE(PlanUndo(ended, {ended}, members, false).changes.empty());
}

} // namespace
} // namespace tarnbeck
