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
