#pragma once

// The options of tarnbeck-sync that read the journal or act on it (--history, --explain,
// --undo, with their filters) and those that keep a plan in a file and apply it later.

#include <chrono>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace tarnbeck {

struct SyncOptions;

struct JournalCommand {
    enum class Kind { None, History, Explain, Undo, ApplyPlan } kind = Kind::None;
    std::string member;                         // --member
    std::time_t since = 0;                      // --since
    std::optional<std::int64_t> run;            // --undo RUN
    bool force = false;                         // --force
    std::string savePlan;                       // --save-plan FILE (with a dry run)
    std::string applyPlan;                      // --apply-plan FILE
    std::optional<std::chrono::seconds> maxAge; // --max-age; absent: 24 hours
};

// Takes `option` when it is one of these: nothing when it is not, else an error text (empty
// when taken). `value` is the option's value when it takes one.
std::optional<std::string> TakeJournalOption(std::string_view option,
                                             const std::optional<std::string> &value,
                                             JournalCommand &command);
bool JournalOptionTakesValue(std::string_view option);
// What the journal commands need besides, given the whole command line: an error text or empty.
std::string CheckJournalCommand(const SyncOptions &options);

// The manual's part on plans kept in files, the journal, explanations and undo.
std::string JournalManual();

// A date as --since takes it, in UTC: 2026-12-01 or 2026-12-01T08:30:00.
std::optional<std::time_t> ParseDate(std::string_view text);

} // namespace tarnbeck
