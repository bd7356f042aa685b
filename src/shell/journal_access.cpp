#include "shell/journal_access.h"

#include "directory/text_compare.h"
#include "membership/name_list.h"
#include "membership/undo_plan.h"
#include "shell/trees.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>

namespace tarnbeck {

std::string JournalPath() {
    const char *path = std::getenv("TARNBECK_JOURNAL");
    return path && path[0] == '/' ? std::string(path) : journal::DefaultJournalPath();
}

journal::JournalDb::Opened OpenUserJournal(const AppState &app) {
    return journal::JournalDb::Open(JournalPath(), app.journalDays);
}

JournalTarget JournalTargetFor(const AppState &app, journal::UpdateJournal &journal,
                               const std::string &program) {
    JournalTarget target;
    target.journal = &journal;
    target.start.tree = app.currentTree;
    target.start.identity = WorkingIdentity(app.mainContext);
    target.start.program = program;
    return target;
}

std::map<std::string, std::string> AddedByNotes(const std::string &tree, const std::string &group) {
    std::map<std::string, std::string> notes;
    std::string problem;
    std::set<std::string> seen; // the newest change of a name decides
    for (const journal::RunRow &run : GroupRuns(tree, group, problem))
        for (const journal::ChangeRow &change : run.changes) {
            if (change.outcome != "written")
                continue;
            const std::string name = ToLowerAscii(change.name);
            if (!seen.insert(name).second || change.action != "add")
                continue;
            char date[16];
            std::tm parts{};
            ::gmtime_r(&run.time, &parts);
            std::strftime(date, sizeof date, "%Y-%m-%d", &parts);
            notes[name] = "added by run " + std::to_string(run.id) + " on " + date;
        }
    return notes;
}

std::vector<journal::RunRow> GroupRuns(const std::string &tree, const std::string &group,
                                       std::string &problem) {
    // Nothing written yet: no journal to read, and none made just for reading.
    std::error_code ignored;
    if (!std::filesystem::exists(std::filesystem::symlink_status(JournalPath(), ignored)))
        return {};
    const journal::JournalDb::Opened opened = journal::JournalDb::Open(JournalPath(), std::nullopt);
    if (!opened.journal) {
        problem = opened.problem;
        return {};
    }
    try {
        return opened.journal->history({tree, group, "", {}, 0});
    } catch (const journal::JournalError &error) {
        problem = error.what();
        return {};
    }
}

MemberEntries UndoOutcome(const AppState &app, const journal::RunRow &run,
                          const std::vector<journal::RunRow> &groupRuns,
                          std::vector<std::string> &notes) {
    MemberEntries outcome;
    std::set<std::string> members;
    std::map<std::string, std::size_t> rows;
    for (const std::string &name : ReadList(app.mainContext, run.group, "Member")) {
        MemberEntry entry{name, MemberMark::Keep};
        entry.reason.member = true;
        members.insert(ToLowerAscii(name));
        rows[ToLowerAscii(name)] = outcome.size();
        outcome.push_back(std::move(entry));
    }
    UndoPlan plan = PlanUndo(run, groupRuns, members, false);
    notes = std::move(plan.notes);
    for (MemberEntry &change : plan.changes) {
        const auto row = rows.find(ToLowerAscii(change.name));
        if (row != rows.end())
            outcome[row->second].mark = change.mark;
        else
            outcome.push_back(std::move(change));
    }
    return outcome;
}

std::string ProgramWithVersion(const char *program) {
    return std::string(program) + " " + kTarnbeckVersion;
}

} // namespace tarnbeck
