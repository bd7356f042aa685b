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

// How a run ended; a run with none was cut short (or is still running).
enum class RunEnd { Completed, Stopped, Failed };

class UpdateJournal {
  public:
    virtual ~UpdateJournal() = default;
    // Records the run and its writes, each pending, before anything is written.
    virtual RunId beginRun(const RunStart &start, const std::vector<PlannedWrite> &writes) = 0;
    // Writes [first, first + count) of the run's list were taken by the directory.
    virtual void confirmWritten(RunId run, std::size_t first, std::size_t count) = 0;
    // Write `index` was refused with `status`.
    virtual void recordRefused(RunId run, std::size_t index, int status) = 0;
    // Writes still pending become "not written".
    virtual void endRun(RunId run, RunEnd end) = 0;
};

} // namespace tarnbeck::journal
