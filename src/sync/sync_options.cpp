#include "sync/sync_options.h"

#include <charconv>
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

std::optional<RemovalLimit> ParseLimit(std::string_view text) {
    RemovalLimit limit;
    if (text.ends_with('%')) {
        limit.kind = RemovalLimit::Kind::Percent;
        text.remove_suffix(1);
    }
    const auto value = ParseCount(text);
    if (!value || (limit.kind == RemovalLimit::Kind::Percent && *value > 100))
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
           option == "--max-removals" || option == "--format" || option == "--password-file" ||
           option == "--config";
}

} // namespace

ParsedSyncOptions ParseSyncOptions(const std::vector<std::string> &args) {
    SyncOptions options;
    bool formatGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view option = args[i];
        std::optional<std::string> value;
        if (const auto equals = option.find('='); option.starts_with("--") && equals != option.npos) {
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
        if (!TakesValue(option))
            return Failure(option.starts_with("-") ? "unknown option " + std::string(option)
                                                   : "unexpected argument " + std::string(option));
        if (!value) {
            if (i + 1 >= args.size())
                return Failure(std::string(option) + " needs a value");
            value = args[++i];
        }
        if (value->empty())
            return Failure(std::string(option) + " needs a value");
        if (option == "--tree") {
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
        } else if (option == "--format") {
            const auto format = ParseFormat(*value);
            if (!format || formatGiven)
                return Failure(formatGiven ? "--format may be given once"
                                           : "--format must be text, json or csv");
            options.format = *format;
            formatGiven = true;
        } else if (option == "--password-file") {
            options.passwordFile = *value;
        } else {
            options.configFile = *value;
        }
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
                  [--max-removals N | --max-removals P%] [--format text|json|csv]
                  [--password-file FILE] [--quiet] [--config FILE]

DESCRIPTION
    Runs the stored queries of each group as Execute does in Tarnbeck, merges them with the
    current members and the group's exclude and static lists, and prints the plan: the count
    of names per mark and every name to add (+), remove (-) or complete (~: a member written
    on some sides only) with the reason for it. Each group runs
    with its own stored settings (Add or Sync, lists applied or not); a run never changes them.
    Without --apply nothing is written. With --apply the plan is written member by member, as
    Update group writes it, on both sides of each membership.

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

EXIT STATUS
    0   nothing to change, or everything applied
    1   an error (a group that failed, a tree or file that cannot be used)
    2   changes planned but not applied (a run without --apply)
    3   the brake held a group back

    Messages go to standard error, the plan to standard output. Two runs on the same group do
    not both write: the second stops with a message naming the group.

EXAMPLES
    tarnbeck-sync --tree DEMO_TREE --group "Sales Team.Sales.Acme"
    tarnbeck-sync --tree DEMO_TREE --under Acme --apply --max-removals 10%
)";
}

} // namespace tarnbeck
