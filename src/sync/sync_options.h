#pragma once

// The command line of tarnbeck-sync: which tree, which groups, plan or apply, the brake, the
// output format and where a password may come from.

#include "sync/journal_options.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnbeck {

enum class PlanFormat { Text, Json, Csv };

// The most a group's plan may remove before the brake holds it back: a number of names, or a
// share of the current members.
struct RemovalLimit {
    enum class Kind { Count, Percent } kind = Kind::Count;
    std::size_t value = 0;
};

struct SyncOptions {
    std::string tree;
    std::vector<std::string> groups; // --group, in the order given
    std::string under;               // --under: every maintained group below it
    bool apply = false;
    std::optional<RemovalLimit> maxRemovals; // absent: the threshold of Tarnbeck.ini
    std::optional<RemovalLimit> maxAdditions; // the same for names added
    PlanFormat format = PlanFormat::Text;
    std::optional<std::chrono::seconds> maxTime; // --max-time: the whole run's bound
    std::string passwordFile;
    std::string configFile; // dsclient.ini; empty: the usual look-up
    bool quiet = false;
    bool help = false;
    JournalCommand journal; // --history, --explain, --undo
};

struct ParsedSyncOptions {
    std::optional<SyncOptions> options; // empty: `error` says what is wrong
    std::string error;
};

// `args` without the program name.
ParsedSyncOptions ParseSyncOptions(const std::vector<std::string> &args);

// A duration as --max-time takes it: whole seconds, or a number followed by s, m or h (90s,
// 30m, 2h); at least one second.
std::optional<std::chrono::seconds> ParseDuration(std::string_view text);
// The shortest of those forms that gives the duration exactly.
std::string DurationText(std::chrono::seconds duration);

// The manual page printed by --help.
std::string SyncManual();

} // namespace tarnbeck
