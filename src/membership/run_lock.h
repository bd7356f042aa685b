#pragma once

// Keeps two writers of one group apart: a scheduled tarnbeck-sync run and the window's Update
// group, or two runs. The lock is advisory, one per directory tree (the store, or the server and
// its base) and group, whatever name the configuration gives the tree; it is held until the
// writer of that group is done (also when the process dies: the system drops it). Writers on
// one machine see each other's locks; the lock directory is the user's own.

#include "platform/dsclient/config.h"

#include <optional>
#include <string>

namespace tarnbeck {

class RunLock {
  public:
    // The lock of one group of the tree, when no other writer holds it; otherwise nullopt, and
    // `problem` says why (another run, or a lock directory or file that cannot be used).
    static std::optional<RunLock> Acquire(const dsclient::TreeConfig &tree,
                                          const std::string &group, std::string &problem);
    // The same for the tree of that name in the client's active configuration.
    static std::optional<RunLock> Acquire(const std::string &treeName, const std::string &group,
                                          std::string &problem);
    RunLock(RunLock &&other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    RunLock &operator=(RunLock &&other) noexcept;
    RunLock(const RunLock &) = delete;
    ~RunLock();

  private:
    explicit RunLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// Where the locks live: $XDG_RUNTIME_DIR/tarnbeck, else ~/.cache/tarnbeck/locks. It is made
// with mode 0700, and used only while it is a directory (not a link) of this user that no one
// else may enter.
std::string LockDirectory();

} // namespace tarnbeck
