#include "sync/history_command.h"

#include "directory/visible_text.h"
#include "shell/journal_access.h"
#include "sync/safe_text.h"
#include "sync/sync_run.h"

namespace tarnbeck {

namespace {

void WriteText(const journal::RunRow &run, std::ostream &out) {
    out << "run " << run.id << "  " << UtcTimeText(run.time) << "  " << VisibleText(run.tree)
        << "  " << VisibleText(run.group) << "  " << run.outcome;
    if (run.settled)
        out << ", read back from the directory " << UtcTimeText(run.settled);
    out << "\n  by " << (run.identity.empty() ? "(unknown)" : VisibleText(run.identity)) << " with "
        << VisibleText(run.program);
    if (run.undoes)
        out << ", undoing run " << *run.undoes;
    out << "\n";
    for (const journal::ChangeRow &change : run.changes) {
        out << "  "
            << (change.action == "remove" ? '-'
                : change.action == "add"  ? '+'
                                          : '~')
            << ' ' << VisibleText(change.name) << "  (" << VisibleText(change.reason) << ")  "
            << journal::OutcomeText(run, change);
        if (change.outcome == "refused")
            out << " with status " << change.status;
        out << "\n";
    }
}

void WriteJson(const journal::RunRow &run, std::ostream &out) {
    out << "{\"run\":" << run.id << ",\"time\":\"" << UtcTimeText(run.time)
        << "\",\"tree\":" << JsonText(run.tree) << ",\"group\":" << JsonText(run.group)
        << ",\"program\":" << JsonText(run.program) << ",\"identity\":" << JsonText(run.identity)
        << ",\"outcome\":\"" << run.outcome
        << "\",\"undoes\":" << (run.undoes ? std::to_string(*run.undoes) : "null")
        << ",\"changes\":[";
    for (std::size_t i = 0; i < run.changes.size(); ++i) {
        const journal::ChangeRow &change = run.changes[i];
        out << (i ? "," : "") << "{\"name\":" << JsonText(change.name) << ",\"action\":\""
            << change.action << "\",\"reason\":" << JsonText(change.reason) << ",\"outcome\":\""
            << journal::OutcomeOf(run, change) << "\"";
        if (!change.sides.empty())
            out << ",\"sides\":" << JsonText(change.sides);
        if (change.outcome == "refused")
            out << ",\"status\":" << change.status;
        out << "}";
    }
    out << "]}\n";
}

void WriteCsv(const journal::RunRow &run, std::ostream &out) {
    const std::string head = std::to_string(run.id) + "," + UtcTimeText(run.time) + "," +
                             CsvText(run.tree) + "," + CsvText(run.group) + "," +
                             CsvText(run.program) + "," + CsvText(run.identity) + "," +
                             run.outcome + ",";
    if (run.changes.empty())
        out << head << ",,,\r\n";
    for (const journal::ChangeRow &change : run.changes)
        out << head << change.action << ',' << CsvText(change.name) << ',' << CsvText(change.reason)
            << ',' << CsvText(journal::OutcomeText(run, change)) << "\r\n";
}

} // namespace

void WriteHistory(const std::vector<journal::RunRow> &runs, PlanFormat format, std::ostream &out) {
    if (format == PlanFormat::Csv)
        out << "run,time,tree,group,program,identity,run outcome,action,name,reason,outcome\r\n";
    for (const journal::RunRow &run : runs) {
        if (format == PlanFormat::Text)
            WriteText(run, out);
        else if (format == PlanFormat::Json)
            WriteJson(run, out);
        else
            WriteCsv(run, out);
    }
    out.flush();
}

std::unique_ptr<journal::JournalDb> OpenJournalToRead(std::ostream &err) {
    journal::JournalDb::Opened opened = journal::JournalDb::Open(JournalPath(), std::nullopt);
    if (!opened.notice.empty())
        err << "tarnbeck-sync: " << opened.notice << "\n";
    if (!opened.journal)
        err << "tarnbeck-sync: " << opened.problem << "\n";
    return std::move(opened.journal);
}

int RunHistory(const SyncOptions &options, std::ostream &out, std::ostream &err) {
    const auto journal = OpenJournalToRead(err);
    if (!journal)
        return kSyncError;
    journal::HistoryFilter filter;
    filter.tree = options.tree;
    filter.group = options.groups.empty() ? std::string() : options.groups.front();
    filter.member = options.journal.member;
    filter.since = options.journal.since;
    try {
        WriteHistory(journal->history(filter), options.format, out);
    } catch (const journal::JournalError &error) {
        err << "tarnbeck-sync: " << error.what() << "\n";
        return kSyncError;
    }
    return kSyncNothingToDo;
}

} // namespace tarnbeck
