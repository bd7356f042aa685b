#include "sync/run_lock.h"

#include "platform/dsclient/text_fold.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>

namespace tarnbeck {

namespace {

// One file per tree and group, named by a hash of both as the directory compares them, so
// "Sales Team.Sales.Acme" and "sales team.sales.acme" share a lock.
std::string LockFileName(const std::string &tree, const std::string &group) {
    const std::string key = dsclient::FoldCase(tree) + '\n' + dsclient::FoldCase(group);
    std::ostringstream name;
    name << std::hex << std::hash<std::string>{}(key) << ".lock";
    return name.str();
}

} // namespace

std::string LockDirectory() {
    namespace fs = std::filesystem;
    if (const char *runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return (fs::path(runtime) / "tarnbeck").string();
    const char *home = std::getenv("HOME");
    return (fs::path(home ? home : "/") / ".cache" / "tarnbeck" / "locks").string();
}

std::optional<RunLock> RunLock::Acquire(const std::string &tree, const std::string &group,
                                        std::string &problem) {
    namespace fs = std::filesystem;
    const fs::path directory(LockDirectory());
    std::error_code ec;
    fs::create_directories(directory, ec);
    fs::permissions(directory, fs::perms::owner_all, fs::perm_options::replace, ec);
    const std::string path = (directory / LockFileName(tree, group)).string();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        problem = "cannot make the lock file " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        problem = error == EWOULDBLOCK ? "another run is updating this group"
                                       : "cannot lock " + path + ": " + std::strerror(error);
        return std::nullopt;
    }
    return RunLock(fd);
}

RunLock &RunLock::operator=(RunLock &&other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

RunLock::~RunLock() {
    if (fd_ >= 0)
        ::close(fd_); // closing drops the lock
}

} // namespace tarnbeck
