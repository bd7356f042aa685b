#include "sync/undo_command.h"

#include "directory/text_compare.h"
#include "membership/name_list.h"
#include "membership/removal_brake.h"
#include "sync/history_command.h"
#include "sync/safe_text.h"
#include "sync/sync_run.h"

#include <map>
#include <set>

namespace tarnbeck {

namespace {

using Names = std::set<std::string>; // lower-cased

// Names a later run on the same group wrote (or may have written), with that run.
std::map<std::string, journal::RunId> ChangedLater(journal::JournalDb &journal,
                                                   const journal::RunRow &run) {
    std::map<std::string, journal::RunId> later;
    for (const journal::RunRow &other : journal.history({run.tree, run.group, "", {}, 0}))
        if (other.id > run.id)
            for (const journal::ChangeRow &change : other.changes)
                if (change.outcome == "written" || change.outcome == "pending")
                    later.emplace(ToLowerAscii(change.name), other.id);
    return later;
}

// Did the run write this change? A change still pending in a run cut short was written when
// the directory shows it in place (a tree that takes each write as it comes).
bool Written(const journal::RunRow &run, const journal::ChangeRow &change, const Names &members) {
    if (change.outcome == "written")
        return true;
    if (change.outcome != "pending" || run.outcome != "cut short")
        return false;
    const bool isMember = members.count(ToLowerAscii(change.name)) > 0;
    return change.action == "add" ? isMember : !isMember;
}

class UndoPlan {
  public:
    UndoPlan(const journal::RunRow &run, std::map<std::string, journal::RunId> later, bool force,
             std::ostream &err)
        : run_(run), later_(std::move(later)), force_(force), err_(err) {}

    MemberEntries operator()(dsclient::ContextHandle context, const std::string &group,
                             GroupReport &report) {
        Names members;
        for (const std::string &name : ReadNames(context, group, "Member"))
            members.insert(ToLowerAscii(name));
        report.currentMembers = members.size();
        MemberEntries changes;
        for (const journal::ChangeRow &change : run_.changes) {
            if (!Written(run_, change, members))
                continue;
            if (change.action != "add" && change.action != "remove") {
                tell(change.name + " was completed by run " + std::to_string(run_.id) +
                     "; that is not undone");
                continue;
            }
            const auto later = later_.find(ToLowerAscii(change.name));
            if (later != later_.end() && !force_) {
                tell(change.name + " was changed again by run " + std::to_string(later->second) +
                     "; left alone (--force undoes it all the same)");
                continue;
            }
            MemberEntry entry{change.name,
                              change.action == "add" ? MemberMark::Remove : MemberMark::Add};
            entry.reason.member = change.action == "add";
            report.changes.push_back(
                {entry.name, entry.mark,
                 "undoes run " + std::to_string(run_.id) + ": " + change.reason});
            changes.push_back(std::move(entry));
        }
        report.counts = CountMarks(changes);
        report.removals = report.counts.toRemove;
        return changes;
    }

  private:
    void tell(const std::string &text) { err_ << "tarnbeck-sync: " << TerminalText(text) << "\n"; }

    const journal::RunRow &run_;
    std::map<std::string, journal::RunId> later_;
    bool force_;
    std::ostream &err_;
};

} // namespace

int RunUndo(const SyncOptions &options, const std::string &programDirectory, std::ostream &out,
            std::ostream &err) {
    const auto journal = OpenJournalToRead(err);
    if (!journal)
        return kSyncError;
    const journal::RunId id = *options.journal.run;
    std::vector<journal::RunRow> runs;
    std::map<std::string, journal::RunId> later;
    try {
        runs = journal->history({"", "", "", id, 0});
        if (!runs.empty())
            later = ChangedLater(*journal, runs.front());
    } catch (const journal::JournalError &error) {
        err << "tarnbeck-sync: " << error.what() << "\n";
        return kSyncError;
    }
    if (runs.empty()) {
        err << "tarnbeck-sync: the journal holds no run " << id << "\n";
        return kSyncError;
    }
    const journal::RunRow &run = runs.front();
    if (!EqualsIgnoreCase(run.tree, options.tree)) {
        err << "tarnbeck-sync: run " << id << " wrote on tree " << TerminalText(run.tree)
            << ", not on " << TerminalText(options.tree) << "\n";
        return kSyncError;
    }
    if (run.outcome == "running") {
        err << "tarnbeck-sync: run " << id << " is still running\n";
        return kSyncError;
    }
    SyncOptions undo = options;
    undo.groups = {run.group};
    SyncHooks hooks;
    hooks.plan = UndoPlan(run, std::move(later), options.journal.force, err);
    hooks.journal = [id](JournalTarget &target) {
        target.start.undoes = id;
        target.reason = "undoes run " + std::to_string(id);
    };
    return RunSyncWith(undo, programDirectory, out, err, hooks);
}

} // namespace tarnbeck
