#pragma once

// The journal of applied membership changes as the update walk sees it: a run is begun with
// every change it means to write (each pending), the changes are confirmed as the directory
// takes them, and the run is ended. A run that is never ended was cut short; its confirmed
// changes are exactly what it wrote. Plain C++: the walk and its tests need no database.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnbeck::journal {

// Raised when the journal cannot be read or written; what() says why.
class JournalError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

using RunId = std::int64_t;

struct RunStart {
    std::string tree;
    std::string group;
    std::string identity; // who the client acts as on the tree; empty when it cannot tell
    std::string program;  // "window 1.2" or "runner 1.2"
    std::optional<RunId> undoes;
};

// One member to write. `action` is "add" or "remove"; both write the four membership sides.
struct PlannedWrite {
    std::string name;
    std::string action;
    std::string reason;
};

// How a run ended; a run with none was cut short (or is still running). Broken: it failed
// with writes sent whose answers never came (a lost connection); like a cut-short run's, they
// stay pending until the directory is read.
enum class RunEnd { Completed, Stopped, Failed, Broken };

// A write of a run that is over but never learnt whether the directory took it.
struct UnsettledWrite {
    RunId run = 0;
    std::size_t index = 0; // in the run's list
    std::string name;
    std::string action;
};

// What the directory showed of such a write: `outcome` "written" or "not written", `sides`
// the sides written when not all four (", "-separated), or "not known".
struct Settlement {
    RunId run = 0;
    std::size_t index = 0;
    std::string outcome;
    std::string sides;
};

class UpdateJournal {
  public:
    virtual ~UpdateJournal() = default;
    // Records the run and its writes, each pending, before anything is written.
    virtual RunId beginRun(const RunStart &start, const std::vector<PlannedWrite> &writes) = 0;
    // Writes [first, first + count) of the run's list were taken by the directory; one refused
    // among them stays refused.
    virtual void confirmWritten(RunId run, std::size_t first, std::size_t count) = 0;
    // Write `index` was refused with `status`.
    virtual void recordRefused(RunId run, std::size_t index, int status) = 0;
    // Writes still pending become "not written" (but for a Broken run).
    virtual void endRun(RunId run, RunEnd end) = 0;
    // The pending writes of the runs on `group` that are over, where the directory can still
    // tell what they wrote: the group's last run only, as any later one wrote over them.
    virtual std::vector<UnsettledWrite> unsettled(const std::string &tree,
                                                  const std::string &group) const {
        (void)tree, (void)group;
        return {};
    }
    // Records what the directory showed of them, all at once.
    virtual void settle(const std::vector<Settlement> &settlements) { (void)settlements; }
};

} // namespace tarnbeck::journal
