#include "sync/undo_command.h"

#include "directory/directory_error.h"
#include "directory/text_compare.h"
#include "directory/visible_text.h"
#include "membership/journal_settlement.h"
#include "membership/name_list.h"
#include "membership/undo_plan.h"
#include "sync/history_command.h"
#include "sync/safe_text.h"
#include "sync/sync_run.h"

namespace tarnbeck {

int RunUndo(const SyncOptions &options, const std::string &programDirectory, std::ostream &out,
            std::ostream &err) {
    const auto journal = OpenJournalToRead(err);
    if (!journal)
        return kSyncError;
    const journal::RunId id = *options.journal.run;
    std::vector<journal::RunRow> runs, history;
    try {
        runs = journal->history({"", "", "", id, 0});
        if (!runs.empty())
            history = journal->history({runs.front().tree, runs.front().group, "", {}, 0});
    } catch (const journal::JournalError &error) {
        err << "tarnbeck-sync: " << error.what() << "\n";
        return kSyncError;
    }
    if (runs.empty()) {
        err << "tarnbeck-sync: the journal holds no run " << id << "\n";
        return kSyncError;
    }
    journal::RunRow run = runs.front();
    if (!EqualsIgnoreCase(run.tree, options.tree)) {
        err << "tarnbeck-sync: run " << id << " wrote on tree " << VisibleText(run.tree)
            << ", not on " << VisibleText(options.tree) << "\n";
        return kSyncError;
    }
    if (run.outcome == "running") {
        err << "tarnbeck-sync: run " << id << " is still running\n";
        return kSyncError;
    }
    SyncOptions undo = options;
    undo.groups = {run.group};
    SyncHooks hooks;
    hooks.plan = [&](dsclient::ContextHandle context, const std::string &group,
                     GroupReport &report) {
        // What the run left pending is read back first, so the undo works from what it wrote.
        try {
            if (SettleUnfinishedRun(context, *journal, run.tree, run.group) > 0) {
                run = journal->history({"", "", "", id, 0}).at(0);
                history = journal->history({run.tree, run.group, "", {}, 0});
            }
        } catch (const journal::JournalError &error) {
            // Nothing is planned from a journal that cannot say what the run wrote.
            throw DirectoryError(dsclient::status::InvalidRequest,
                                 DirectoryError::Text{error.what()});
        }
        std::set<std::string> members;
        for (const std::string &name : ReadNames(context, group, "Member"))
            members.insert(ToLowerAscii(name));
        report.currentMembers = members.size();
        UndoPlan plan = PlanUndo(run, history, members, options.journal.force);
        for (const std::string &note : plan.notes)
            err << "tarnbeck-sync: " << VisibleText(note) << "\n";
        for (std::size_t i = 0; i < plan.changes.size(); ++i)
            report.changes.push_back({plan.changes[i].name, plan.changes[i].mark, plan.reasons[i],
                                      ActionOf(plan.changes[i])});
        report.counts = CountMarks(plan.changes);
        report.removals = report.counts.toRemove;
        return std::move(plan.changes);
    };
    hooks.journal = [id](JournalTarget &target) {
        target.start.undoes = id;
        target.reason = "undoes run " + std::to_string(id);
    };
    return RunSyncWith(undo, programDirectory, out, err, hooks);
}

} // namespace tarnbeck
