#include "sync/explain_command.h"

#include "directory/directory_error.h"
#include "directory/object_info.h"
#include "directory/text_compare.h"
#include "sync/history_command.h"
#include "directory/visible_text.h"
#include "sync/safe_text.h"
#include "sync/sync_run.h"

#include <sstream>

namespace tarnbeck {

namespace {

constexpr std::size_t kJournalRuns = 5;

struct Finding {
    bool ran = false; // the dry run reached the outcome
    std::optional<MemberEntry> entry;
    std::string memberClass; // when not in the outcome; empty: no such object
    std::string groupClass;
};

// The member class a group of `groupClass` takes.
std::string TakenClass(const std::string &groupClass) {
    return groupClass == "Group" ? "User" : "Workstation";
}

// Today's answer in one sentence, and whether the name is a member now.
std::pair<std::string, bool> Answer(const Finding &finding, const std::string &name,
                                    const std::string &group) {
    const std::string m = VisibleText(finding.entry ? finding.entry->name : name);
    const std::string g = VisibleText(group);
    if (!finding.entry) {
        if (finding.memberClass.empty())
            return {m + " is not a member of " + g + ": there is no such object in the tree",
                    false};
        std::string why = "not found by any query";
        if (!EqualsIgnoreCase(finding.memberClass, TakenClass(finding.groupClass)))
            why += "; its class " + VisibleText(finding.memberClass) +
                   " is not one this group takes (" + TakenClass(finding.groupClass) + ")";
        return {m + " is not a member of " + g + ": " + why, false};
    }
    const MemberEntry &entry = *finding.entry;
    const bool member = entry.reason.member;
    const std::string reason = VisibleText(DescribeReason(entry));
    std::string future;
    switch (entry.mark) {
    case MemberMark::Keep:
    case MemberMark::NotAddable: // never written: as it is
        future = member ? " and stays" : " and stays out";
        break;
    case MemberMark::Add:
    case MemberMark::Static:
        future = member ? " and stays" : "; the next Update adds it";
        break;
    case MemberMark::Remove:
    case MemberMark::Excluded:
        future = member ? "; the next Update removes it" : " and stays out";
        break;
    }
    return {m + (member ? " is a member of " : " is not a member of ") + g + future + ": " + reason,
            member};
}

std::vector<journal::RunRow> JournalEntries(const SyncOptions &options, std::ostream &err) {
    const auto journal = OpenJournalToRead(err);
    if (!journal)
        return {};
    try {
        auto runs = journal->history(
            {options.tree, options.groups.front(), options.journal.member, std::nullopt, 0});
        if (runs.size() > kJournalRuns)
            runs.resize(kJournalRuns);
        return runs;
    } catch (const journal::JournalError &error) {
        err << "tarnbeck-sync: " << error.what() << "\n";
        return {};
    }
}

void WriteText(const std::string &answer, const std::vector<journal::RunRow> &runs,
               std::ostream &out) {
    out << answer << "\n";
    if (runs.empty()) {
        out << "  the journal holds no run that changed it there\n";
        return;
    }
    for (const journal::RunRow &run : runs)
        for (const journal::ChangeRow &change : run.changes)
            out << "  run " << run.id << " on " << UtcTimeText(run.time) << " by "
                << VisibleText(run.program) << " as " << VisibleText(run.identity) << ": "
                << change.action << " (" << VisibleText(change.reason)
                << "), " << journal::OutcomeText(run, change)
                << "\n";
}

void WriteJson(const SyncOptions &options, const Finding &finding, const std::string &answer,
               bool member, const std::vector<journal::RunRow> &runs, std::ostream &out) {
    out << "{\"tree\":" << JsonText(options.tree)
        << ",\"group\":" << JsonText(options.groups.front())
        << ",\"member\":" << JsonText(options.journal.member)
        << ",\"isMember\":" << (member ? "true" : "false") << ",\"mark\":";
    if (finding.entry)
        out << "\"" << MarkWord(finding.entry->mark)
            << "\",\"reason\":" << JsonText(DescribeReason(*finding.entry));
    else
        out << "null,\"reason\":" << JsonText(answer.substr(answer.find(": ") + 2));
    out << ",\"answer\":" << JsonText(answer) << ",\"journal\":";
    std::ostringstream history;
    WriteHistory(runs, PlanFormat::Json, history);
    std::string lines = history.str();
    for (char &c : lines)
        if (c == '\n')
            c = ',';
    if (!lines.empty())
        lines.pop_back();
    out << "[" << lines << "]}\n";
}

} // namespace

int RunExplain(const SyncOptions &options, const std::string &programDirectory, std::ostream &out,
               std::ostream &err) {
    const std::string &member = options.journal.member;
    Finding finding;
    SyncHooks hooks;
    hooks.printPlan = false;
    hooks.outcome = [&](const ExecuteTarget &target, const MemberEntries &outcome,
                        const GroupReport &) -> std::optional<std::string> {
        const dsclient::ContextHandle context = target.context;
        const std::string &group = target.groupName;
        finding.ran = true;
        for (const MemberEntry &entry : outcome)
            if (EqualsIgnoreCase(entry.name, member))
                finding.entry = entry;
        finding.groupClass = ObjectBaseClass(context, group);
        if (!finding.entry) {
            try {
                finding.memberClass = ObjectBaseClass(context, member);
            } catch (const DirectoryError &) {
                finding.memberClass.clear();
            }
        }
        return std::nullopt;
    };
    std::ostringstream plan;
    RunSyncWith(options, programDirectory, plan, err, hooks);
    if (!finding.ran)
        return kSyncError; // the run said why
    const auto [answer, isMember] = Answer(finding, member, options.groups.front());
    const std::vector<journal::RunRow> runs = JournalEntries(options, err);
    if (options.format == PlanFormat::Json)
        WriteJson(options, finding, answer, isMember, runs, out);
    else
        WriteText(answer, runs, out);
    return kSyncNothingToDo;
}

} // namespace tarnbeck
