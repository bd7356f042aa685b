#pragma once

// The update walk's record in the journal: every change it means to make, entered before the
// first write; the changes the directory took, confirmed after each batch; refusals with their
// status; and how the walk ended. Without a journal it records nothing.

#include "membership/member_entry.h"
#include "membership/written_state.h"
#include "platform/dsclient/client.h"
#include "platform/journal/update_journal.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tarnbeck {

inline constexpr const char *kTarnbeckVersion = "1.03";

// What the journal calls the entry's write: "add", "remove", or "complete" for a membership
// written on some sides only that Update finishes.
std::string JournalAction(const MemberEntry &entry);

// Where and as whom a walk writes; the group is the walk's own.
struct JournalTarget {
    journal::UpdateJournal *journal = nullptr;
    journal::RunStart start;
    std::string reason; // for every write, instead of the entry's own (an undo's)
};

class JournalRecorder {
  public:
    JournalRecorder(const std::optional<JournalTarget> &target, const std::string &group);
    // Ends a run not ended yet as failed.
    ~JournalRecorder();
    JournalRecorder(const JournalRecorder &) = delete;
    JournalRecorder &operator=(const JournalRecorder &) = delete;

    // Settles what the group's last run left pending against the directory, before this walk
    // writes over it. False, after a message saying nothing was written, when that cannot be
    // done: the journal would have to guess what that run wrote.
    bool settleLastRun(dsclient::ContextHandle context);
    // Enters the run with `entries`' changes. False, after a message saying nothing was
    // written, when the journal cannot take it.
    bool begin(const MemberEntries &entries);
    // The entry just written by the walk (one that changes nothing is not in the journal).
    void written(const MemberEntry &entry);
    // The entries written since the last confirmation are in the directory for good. False,
    // after a message, when the journal can no longer be written: the walk must stop.
    bool confirm();
    // The entry in hand was refused.
    void refused(const MemberEntry &entry, int status);
    void end(journal::RunEnd end);
    std::optional<journal::RunId> run() const { return run_; }

  private:
    // Runs a journal write; a failure is told once and ends the journal's part.
    template <typename Write> bool attempt(Write write);

    std::optional<JournalTarget> target_;
    std::optional<journal::RunId> run_;
    std::size_t confirmed_ = 0; // journal entries confirmed so far
    std::size_t applied_ = 0;   // journal entries the walk has passed
    bool ended_ = false;
    bool broken_ = false;
};

} // namespace tarnbeck
