#include "membership/undo_plan.h"

#include "directory/text_compare.h"

#include <map>

namespace tarnbeck {

namespace {

// Did the run write this change? A change still pending in a run cut short was written when
// the directory shows it in place (a tree that takes each write as it comes).
bool Written(const journal::RunRow &run, const journal::ChangeRow &change,
             const std::set<std::string> &members) {
    if (change.outcome == "written")
        return true;
    if (change.outcome != "pending" || run.outcome != "cut short")
        return false;
    const bool isMember = members.count(ToLowerAscii(change.name)) > 0;
    return change.action == "add" ? isMember : !isMember;
}

} // namespace

UndoPlan PlanUndo(const journal::RunRow &run, const std::vector<journal::RunRow> &history,
                  const std::set<std::string> &members, bool force) {
    std::map<std::string, journal::RunId> later; // name -> the later run that changed it
    for (const journal::RunRow &other : history)
        if (other.id > run.id)
            for (const journal::ChangeRow &change : other.changes)
                if (change.outcome == "written" || change.outcome == "pending")
                    later.emplace(ToLowerAscii(change.name), other.id);
    UndoPlan plan;
    const std::string runText = "run " + std::to_string(run.id);
    for (const journal::ChangeRow &change : run.changes) {
        if (!Written(run, change, members))
            continue;
        if (change.action != "add" && change.action != "remove") {
            plan.notes.push_back(change.name + " was completed by " + runText +
                                 "; that is not undone");
            continue;
        }
        const auto again = later.find(ToLowerAscii(change.name));
        if (again != later.end() && !force) {
            plan.notes.push_back(change.name + " was changed again by run " +
                                 std::to_string(again->second) +
                                 "; left alone (--force undoes it all the same)");
            continue;
        }
        MemberEntry entry{change.name,
                          change.action == "add" ? MemberMark::Remove : MemberMark::Add};
        entry.reason.member = change.action == "add";
        plan.changes.push_back(std::move(entry));
        plan.reasons.push_back("undoes " + runText + ": " + change.reason);
    }
    return plan;
}

} // namespace tarnbeck
