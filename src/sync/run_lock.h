#pragma once

// Keeps two runs from writing the same group at once: an advisory lock per tree and group,
// held until the run of that group ends (also when the process dies: the system drops it).
// Runs on one machine see each other's locks; the lock directory is the user's own.

#include <optional>
#include <string>

namespace tarnbeck {

class RunLock {
  public:
    // The lock of one group, when no other run holds it; otherwise nullopt, and `problem`
    // says why (another run, or a lock file that cannot be made).
    static std::optional<RunLock> Acquire(const std::string &tree, const std::string &group,
                                          std::string &problem);
    RunLock(RunLock &&other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    RunLock &operator=(RunLock &&other) noexcept;
    RunLock(const RunLock &) = delete;
    ~RunLock();

  private:
    explicit RunLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// Where the locks live: $XDG_RUNTIME_DIR/tarnbeck, else ~/.cache/tarnbeck/locks.
std::string LockDirectory();

} // namespace tarnbeck
