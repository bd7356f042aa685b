#include "sync/journal_options.h"

#include "sync/sync_options.h"

#include <charconv>
#include <cstdio>

namespace tarnbeck {

namespace {

void SetKind(JournalCommand &command, JournalCommand::Kind kind, std::string &error) {
    if (command.kind != JournalCommand::Kind::None && command.kind != kind)
        error = "give one of --history, --explain, --undo and --apply-plan";
    command.kind = kind;
}

} // namespace

bool JournalOptionTakesValue(std::string_view option) {
    return option == "--member" || option == "--since" || option == "--undo" ||
           option == "--save-plan" || option == "--apply-plan" || option == "--max-age";
}

std::optional<std::string> TakeJournalOption(std::string_view option,
                                             const std::optional<std::string> &value,
                                             JournalCommand &command) {
    std::string error;
    const bool flag = option == "--history" || option == "--explain" || option == "--force";
    if (flag && value)
        return std::string(option) + " takes no value";
    if (option == "--history")
        SetKind(command, JournalCommand::Kind::History, error);
    else if (option == "--explain")
        SetKind(command, JournalCommand::Kind::Explain, error);
    else if (option == "--force")
        command.force = true;
    else if (option == "--member")
        command.member = value.value_or("");
    else if (option == "--since") {
        const auto since = ParseDate(value.value_or(""));
        if (!since)
            return "--since must be a date such as 2026-12-01 or 2026-12-01T08:30:00 (UTC)";
        command.since = *since;
    } else if (option == "--save-plan") {
        command.savePlan = value.value_or("");
    } else if (option == "--apply-plan") {
        SetKind(command, JournalCommand::Kind::ApplyPlan, error);
        command.applyPlan = value.value_or("");
    } else if (option == "--max-age") {
        command.maxAge = ParseDuration(value.value_or(""));
        if (!command.maxAge)
            return "--max-age must be a duration such as 90m, 24h or 3600";
    } else if (option == "--undo") {
        SetKind(command, JournalCommand::Kind::Undo, error);
        std::int64_t run = 0;
        const std::string text = value.value_or("");
        const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), run);
        if (failure != std::errc() || end != text.data() + text.size() || run <= 0)
            return "--undo takes the number of a run (see --history)";
        command.run = run;
    } else
        return std::nullopt;
    return error;
}

std::string CheckJournalCommand(const SyncOptions &options) {
    const JournalCommand &command = options.journal;
    using Kind = JournalCommand::Kind;
    if (!command.savePlan.empty() && (command.kind != Kind::None || options.apply))
        return "--save-plan goes with a run that only plans (no --apply)";
    if (command.maxAge && command.kind != Kind::ApplyPlan)
        return "--max-age goes with --apply-plan";
    if (command.kind == Kind::None)
        return command.member.empty() && command.since == 0 && !command.force
                   ? std::string()
                   : "--member, --since and --force go with --history, --explain or --undo";
    if (command.kind == Kind::ApplyPlan)
        return options.groups.empty() && options.under.empty() && !command.force &&
                       command.member.empty() && command.since == 0
                   ? ""
                   : "--apply-plan takes its groups from the plan file";
    if (!options.under.empty())
        return "--under does not go with --history, --explain or --undo";
    if (command.force && command.kind != Kind::Undo)
        return "--force goes with --undo";
    if (options.apply && command.kind != Kind::Undo)
        return "--apply goes with --undo or a plan";
    switch (command.kind) {
    case Kind::History:
        return options.groups.size() > 1 ? "--history takes one --group at most" : "";
    case Kind::Explain:
        if (options.tree.empty() || options.groups.size() != 1 || command.member.empty())
            return "--explain needs --tree, one --group and --member";
        return "";
    case Kind::Undo:
        if (options.tree.empty())
            return "--tree is required";
        return options.groups.empty() && command.member.empty() && command.since == 0
                   ? ""
                   : "--undo takes a run number only (its tree with --tree)";
    case Kind::None:
    case Kind::ApplyPlan:
        break;
    }
    return "";
}

std::optional<std::time_t> ParseDate(std::string_view text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    const std::string owned(text);
    const int fields = std::sscanf(owned.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &year, &month, &day,
                                   &hour, &minute, &second, &tail);
    const bool dateOnly = fields == 3 && owned.size() == 10;
    if (!dateOnly && (fields != 6 || owned.size() != 19))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59 ||
        year < 1970)
        return std::nullopt;
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return ::timegm(&parts);
}

} // namespace tarnbeck

namespace tarnbeck {

std::string JournalManual() {
    return R"(
REVIEW, RECORD, UNDO
    --save-plan FILE
        With a run that only plans: also writes the plan to FILE (mode 0600, never through a
        link) as one JSON document: "format" ("tarnbeck-plan 1"), "tree", "place" (the store
        file or server the tree is reached at), "created" (UTC), "groups" (each with "group",
        "mode", "fingerprint" and "changes": "name", "action" add|remove|complete, "sides",
        "reason"), and "seal", a digest of the rest. The fingerprint covers every input
        Execute read: the stored queries, the exclude and static lists, Member and Equivalent
        To Me, and the names found with the queries that found them.
    --apply-plan FILE
        Runs Execute again for each group of FILE and writes exactly the saved changes when
        the fresh plan is the same. A group whose plan or inputs differ is not written; what
        changed is printed and the run exits with status 4. The brake applies as usual. A file
        that does not parse, was edited (its seal no longer matches), is for another tree or
        place, or is older than --max-age is refused (status 1).
    --max-age DURATION
        The oldest plan --apply-plan takes (default 24h).

    Every Update group, here and in the window, is recorded in the user's journal,
    $XDG_DATA_HOME/tarnbeck/journal.db (else ~/.local/share/tarnbeck/journal.db; the
    environment variable TARNBECK_JOURNAL names another file), mode 0600: the run's number,
    time, tree, group, identity and program, and per member the action, the reason from the
    plan and the outcome (written, refused with its status, not written, or pending when the
    run was cut short). The changes are entered before the first write and confirmed after
    each batch, so a run that is killed reads as "cut short" with what it wrote. A journal
    that cannot be written stops the update before its first write. A damaged journal is set
    aside as journal.db.damaged-DATE and a new one begun. Runs older than JournalDays in
    [SYSTEM] of Tarnbeck.ini (default 400) are dropped. No password is ever journalled.

    --history
        Lists the journal's runs, newest first; --tree, --group, --member (only runs that
        touched it, and only its changes) and --since DATE (UTC, 2026-12-01 or
        2026-12-01T08:30:00) narrow the list. text: one block per run. json: one object per
        line and run: "run", "time", "tree", "group", "program", "identity", "outcome"
        (completed, stopped, failed, cut short, running), "undoes" (a run number or null) and
        "changes" (each "name", "action", "reason", "outcome", and "status" when refused).
        csv: one row per change (run, time, tree, group, program, identity, run outcome,
        action, name, reason, outcome).
    --explain
        Why the --member is or is not a member of the --group today (a dry run: which queries
        found it, current member, static, excluded, not found, a class the group does not
        take, no such object), followed by the last journal runs that changed it there. json:
        one object with "tree", "group", "member", "isMember", "mark", "reason", "answer" and
        "journal" (runs as --history gives them).
    --undo RUN
        Plans the inverse of what run RUN wrote: what it added is removed, what it removed is
        added back, on all four sides (exit status 2). With --apply it is written, as a run of
        its own that names the run it undoes; the brake applies. Of a run cut short only what
        it wrote is undone. A member that a later run changed again is left alone and named,
        unless --force.
)";
}

} // namespace tarnbeck
