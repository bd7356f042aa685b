#include "sync/sync_options.h"

#include <charconv>
#include <cstdint>
#include <string_view>

namespace tarnbeck {

namespace {

ParsedSyncOptions Failure(std::string error) {
    return {std::nullopt, std::move(error)};
}

// Decimal digits only: "1e3", "-5" and overflow are refused rather than half-read.
std::optional<std::size_t> ParseCount(std::string_view text) {
    std::size_t value = 0;
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// A share of removals is at most 100%; a group may grow by more than its size.
std::optional<RemovalLimit> ParseLimit(std::string_view text, bool shareOver100 = false) {
    RemovalLimit limit;
    if (text.ends_with('%')) {
        limit.kind = RemovalLimit::Kind::Percent;
        text.remove_suffix(1);
    }
    const auto value = ParseCount(text);
    if (!value || (limit.kind == RemovalLimit::Kind::Percent && *value > 100 && !shareOver100))
        return std::nullopt;
    limit.value = *value;
    return limit;
}

std::optional<PlanFormat> ParseFormat(std::string_view text) {
    if (text == "text")
        return PlanFormat::Text;
    if (text == "json")
        return PlanFormat::Json;
    if (text == "csv")
        return PlanFormat::Csv;
    return std::nullopt;
}

bool TakesValue(std::string_view option) {
    return option == "--tree" || option == "--group" || option == "--under" ||
           option == "--max-removals" || option == "--max-additions" || option == "--format" ||
           option == "--password-file" || option == "--config" || option == "--max-time";
}

struct DurationUnit {
    char suffix;
    std::int64_t seconds;
};
constexpr DurationUnit kDurationUnits[] = {{'h', 3600}, {'m', 60}, {'s', 1}};

} // namespace

std::optional<std::chrono::seconds> ParseDuration(std::string_view text) {
    std::int64_t factor = 1;
    for (const DurationUnit &unit : kDurationUnits)
        if (text.ends_with(unit.suffix)) {
            factor = unit.seconds;
            text.remove_suffix(1);
            break;
        }
    const auto count = ParseCount(text);
    // A bound far beyond any run (a century) is as good as none, and never overflows.
    constexpr std::size_t kLongest = std::size_t{100} * 366 * 24 * 3600;
    if (!count || *count == 0 || *count > kLongest / static_cast<std::size_t>(factor))
        return std::nullopt;
    return std::chrono::seconds(static_cast<std::int64_t>(*count) * factor);
}

std::string DurationText(std::chrono::seconds duration) {
    for (const DurationUnit &unit : kDurationUnits)
        if (duration.count() % unit.seconds == 0)
            return std::to_string(duration.count() / unit.seconds) + unit.suffix;
    return std::to_string(duration.count()) + "s";
}

ParsedSyncOptions ParseSyncOptions(const std::vector<std::string> &args) {
    SyncOptions options;
    bool formatGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view option = args[i];
        std::optional<std::string> value;
        if (const auto equals = option.find('=');
            option.starts_with("--") && equals != option.npos) {
            value = std::string(option.substr(equals + 1));
            option = option.substr(0, equals);
        }
        if (option == "--help" || option == "-h") {
            options.help = true;
            return {options, {}};
        }
        if (option == "--apply" || option == "--quiet") {
            if (value)
                return Failure(std::string(option) + " takes no value");
            (option == "--apply" ? options.apply : options.quiet) = true;
            continue;
        }
        if (!JournalOptionTakesValue(option) && !TakesValue(option)) {
            if (const auto error = TakeJournalOption(option, value, options.journal)) {
                if (!error->empty())
                    return Failure(*error);
                continue;
            }
        }
        if (!JournalOptionTakesValue(option) && !TakesValue(option))
            return Failure(option.starts_with("-") ? "unknown option " + std::string(option)
                                                   : "unexpected argument " + std::string(option));
        if (!value) {
            if (i + 1 >= args.size())
                return Failure(std::string(option) + " needs a value");
            value = args[++i];
        }
        if (value->empty())
            return Failure(std::string(option) + " needs a value");
        if (JournalOptionTakesValue(option)) {
            if (const auto error = TakeJournalOption(option, value, options.journal);
                !error->empty())
                return Failure(*error);
        } else if (option == "--tree") {
            options.tree = *value;
        } else if (option == "--group") {
            options.groups.push_back(*value);
        } else if (option == "--under") {
            if (!options.under.empty())
                return Failure("--under may be given once");
            options.under = *value;
        } else if (option == "--max-removals") {
            options.maxRemovals = ParseLimit(*value);
            if (!options.maxRemovals)
                return Failure("--max-removals must be a number of names or a share such as 25%");
        } else if (option == "--max-additions") {
            options.maxAdditions = ParseLimit(*value, true);
            if (!options.maxAdditions)
                return Failure("--max-additions must be a number of names or a share such as 100%");
        } else if (option == "--format") {
            const auto format = ParseFormat(*value);
            if (!format || formatGiven)
                return Failure(formatGiven ? "--format may be given once"
                                           : "--format must be text, json or csv");
            options.format = *format;
            formatGiven = true;
        } else if (option == "--max-time") {
            options.maxTime = ParseDuration(*value);
            if (!options.maxTime)
                return Failure("--max-time must be a duration such as 90s, 30m, 2h or 600");
        } else if (option == "--password-file") {
            options.passwordFile = *value;
        } else {
            options.configFile = *value;
        }
    }
    if (options.journal.kind != JournalCommand::Kind::None ||
        !CheckJournalCommand(options).empty()) {
        if (std::string error = CheckJournalCommand(options); !error.empty())
            return Failure(std::move(error));
        return {options, {}};
    }
    if (options.tree.empty())
        return Failure("--tree is required");
    if (options.groups.empty() == options.under.empty())
        return Failure("give either --group NAME (one or more) or --under CONTAINER");
    return {options, {}};
}

std::string SyncManual() {
    return R"(NAME
    tarnbeck-sync - compute the membership of maintained groups without the window

SYNOPSIS
    tarnbeck-sync --tree TREE (--group NAME ... | --under CONTAINER) [--apply]
                  [--max-removals N | --max-removals P%]
                  [--max-additions N | --max-additions P%] [--max-time DURATION]
                  [--format text|json|csv] [--password-file FILE] [--quiet] [--config FILE]
                  [--save-plan FILE]
    tarnbeck-sync --apply-plan FILE [--max-age DURATION] [--tree TREE] [...]
    tarnbeck-sync --history [--tree TREE] [--group NAME] [--member NAME] [--since DATE]
                  [--format text|json|csv]
    tarnbeck-sync --explain --tree TREE --group NAME --member NAME [--format text|json]
    tarnbeck-sync --undo RUN --tree TREE [--apply] [--force] [...]

DESCRIPTION
    Runs the stored queries of each group as Execute does in Tarnbeck, merges them with the
    current members and the group's exclude and static lists, and prints the plan: the count
    of names per mark and every name to add (+), remove (-) or complete (~: a member written
    on some sides only) with the reason for it. Each group runs
    with its own stored settings (Add or Sync, lists applied or not); a run never changes them.
    Without --apply nothing is written. With --apply the plan is written member by member, as
    Update group writes it, on both sides of each membership.

    Only objects of the member classes are added: User and its derived classes for a group,
    Workstation and its derived classes for a workstation group, and the classes named by
    [SYSTEM] MemberClasses of Tarnbeck.ini. Anything else a query finds (containers, servers,
    aliases, the group itself, a name with a control character) is listed as not addable with
    the reason and never written.

    A group whose queries do not parse or whose search fails is never applied: its error names
    the group, the query and the status, and the run goes on with the next group.

OPTIONS
    --tree TREE
        The tree, as named in the client configuration (dsclient.ini).
    --group NAME
        A group to run, as a dotted name (Sales Team.Sales.Acme). May be repeated.
    --under CONTAINER
        Every group and workstation group below CONTAINER that holds stored queries in the
        tree's query attribute (Tarnbeck.ini), in name order.
    --apply
        Write the plan. Without it the run only plans.
    --max-removals N | P%
        The brake: a group whose plan removes more than N names, or more than P percent of its
        current members, is not applied; the run goes on with the next group. Without it the
        threshold of Tarnbeck.ini holds ([SYSTEM] RemovalBrakePercent and RemovalBrakeCount,
        by default more than 25% and more than 20 names).
    --max-additions N | P%
        The brake on additions: a group whose plan adds more than N names, or more than P
        percent of its current members, is not applied. Without it the threshold of
        Tarnbeck.ini holds ([SYSTEM] AdditionBrakePercent and AdditionBrakeCount, by default
        more than 100% and more than 500 names, so a new group of a few hundred is filled on
        its first run).
    --max-time DURATION
        The longest the whole run may take: seconds (600), or a number with s, m or h (90s,
        30m, 2h). Once it has passed no further group is started and no directory search is
        waited for any longer; a group being written stops after the member in hand, which is
        written whole, and members not yet started are left for the next run. The group cut
        off, or the first one not run, is named and the run exits with status 1. Without it a
        run takes as long as its groups do (each answer waits TimeoutSeconds at most).
    --format text|json|csv
        How the plan is printed on standard output (default text). json: one object per
        group and line, with its counts, membersRemoved (the current members it takes out,
        removed or excluded) and the names with their marks and reasons. csv: one row per name
        to add, remove or complete (group, action, name, reason); a cell that a spreadsheet
        would run as a formula starts with '.
    --password-file FILE
        Log in as the tree's Identity with the password in FILE, which must be readable by
        its owner only. Passwords are never taken from the command line or the environment.
    --quiet
        No progress line on a terminal.
    --config FILE
        The client configuration to use instead of the usual look-up.
    --help
        This text.
)" + JournalManual() + R"(
EXIT STATUS
    0   nothing to change, or everything applied
    1   an error (a group that failed, a tree or file that cannot be used, --max-time reached,
        a query that found an illegal name: the others are still planned or written)
    2   changes planned but not applied (a run without --apply)
    3   a brake (removals or additions) held a group back
    4   --apply-plan: the tree changed since the plan was made (a group not written)

    Messages go to standard error, the plan to standard output. Two runs on the same group do
    not both write, nor does a run and Update group in the window: the second stops with a
    message naming the group. The locks live in $XDG_RUNTIME_DIR/tarnbeck (else
    ~/.cache/tarnbeck/locks), which must be the caller's own directory, mode 0700, and no link.

    dsclient.ini and Tarnbeck.ini decide the server, AllowPlainBind and the brake: a run
    refuses either file when others may change it (group- or world-writable, or owned by
    another user than the caller or root).

EXAMPLES
    tarnbeck-sync --tree DEMO_TREE --group "Sales Team.Sales.Acme"
    tarnbeck-sync --tree DEMO_TREE --under Acme --apply --max-removals 10% --max-time 2h
)";
}

} // namespace tarnbeck
