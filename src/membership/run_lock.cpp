#include "membership/run_lock.h"

#include "platform/dsclient/text_fold.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

namespace tarnbeck {

namespace {

namespace fs = std::filesystem;

// What the tree is, not what this configuration calls it: the store file, or the server with
// the base below which names are read.
std::string TreeLocation(const dsclient::TreeConfig &tree) {
    if (tree.backend == "ldap") {
        std::string uri = dsclient::FoldCase(tree.uri);
        while (uri.ends_with('/'))
            uri.pop_back();
        return "ldap\n" + uri + '\n' + dsclient::FoldCase(tree.base);
    }
    std::error_code ec;
    const fs::path store = fs::weakly_canonical(fs::absolute(tree.store, ec), ec);
    return tree.backend + '\n' + store.string();
}

// One file per tree and group, named by a hash of both as the directory compares them, so
// "Sales Team.Sales.Acme" and "sales team.sales.acme" share a lock. The hash is spelt out
// (FNV-1a) so every build of the program names a lock alike.
std::string LockFileName(const dsclient::TreeConfig &tree, const std::string &group) {
    const std::string key = TreeLocation(tree) + '\n' + dsclient::FoldCase(group);
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : key)
        hash = (hash ^ c) * 1099511628211ull;
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.lock", static_cast<unsigned long long>(hash));
    return name;
}

// An open descriptor, closed on every path unless handed on.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(Descriptor &&other) noexcept : fd_(other.release()) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

// The lock directory, made when missing and opened without following a link, so a link or a
// directory someone else planted there is refused rather than used (or its mode changed).
Descriptor OpenLockDirectory(std::string &problem) {
    const fs::path directory(LockDirectory());
    const std::string name = directory.string();
    std::error_code ec;
    fs::create_directories(directory.parent_path(), ec);
    if (::mkdir(name.c_str(), 0700) != 0 && errno != EEXIST) {
        const int error = errno;
        problem = "cannot make the lock directory " + name + ": " + std::strerror(error);
        return Descriptor(-1);
    }
    Descriptor fd(::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0) {
        const int error = errno;
        problem = error == ELOOP || error == ENOTDIR
                      ? "the lock directory " + name + " is a link or not a directory"
                      : "cannot open the lock directory " + name + ": " + std::strerror(error);
        return Descriptor(-1);
    }
    if (info.st_uid != ::geteuid()) {
        problem = "the lock directory " + name + " belongs to another user";
        return Descriptor(-1);
    }
    if (info.st_mode & (S_IRWXG | S_IRWXO)) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        problem = "the lock directory " + name + " may be used by others (mode " + mode +
                  "); it must be yours alone (chmod 700)";
        return Descriptor(-1);
    }
    return fd;
}

} // namespace

std::string LockDirectory() {
    if (const char *runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return (fs::path(runtime) / "tarnbeck").string();
    const char *home = std::getenv("HOME");
    return (fs::path(home ? home : "/") / ".cache" / "tarnbeck" / "locks").string();
}

std::optional<RunLock> RunLock::Acquire(const dsclient::TreeConfig &tree, const std::string &group,
                                        std::string &problem) {
    const Descriptor directory = OpenLockDirectory(problem);
    if (directory.get() < 0)
        return std::nullopt;
    const std::string file = LockFileName(tree, group);
    Descriptor fd(
        ::openat(directory.get(), file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (fd.get() < 0) {
        const int error = errno;
        problem = "cannot make the lock file " + LockDirectory() + "/" + file + ": " +
                  std::strerror(error);
        return std::nullopt;
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        problem = error == EWOULDBLOCK
                      ? "another run is updating this group"
                      : "cannot lock " + LockDirectory() + "/" + file + ": " + std::strerror(error);
        return std::nullopt;
    }
    return RunLock(fd.release());
}

std::optional<RunLock> RunLock::Acquire(const std::string &treeName, const std::string &group,
                                        std::string &problem) {
    for (const auto &tree : dsclient::ActiveClientConfig().trees)
        if (dsclient::FoldCase(tree.name) == dsclient::FoldCase(treeName))
            return Acquire(tree, group, problem);
    problem = "the client configuration names no tree " + treeName;
    return std::nullopt;
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
