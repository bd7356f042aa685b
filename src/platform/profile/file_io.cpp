#include "platform/profile/file_io.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace profile {
namespace {

std::string ErrorText(const std::string &path, int error) {
    return path + ": " + std::strerror(error);
}

class UniqueFd {
  public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Close(); }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void Reset(int fd) {
        Close();
        fd_ = fd;
    }
    int Release() { return std::exchange(fd_, -1); }
    // Closing can report a deferred write error, so writers check it.
    int Close() {
        if (fd_ < 0)
            return 0;
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

  private:
    int fd_;
};

// Removes the temporary file on every path except a successful rename.
class TemporaryFile {
  public:
    explicit TemporaryFile(std::string pattern)
        : path_(std::move(pattern)), fd_(::mkstemp(path_.data())) {}
    ~TemporaryFile() {
        fd_.Close();
        if (fd_created_ && !committed_)
            ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    bool created() const { return fd_created_; }
    const std::string &path() const { return path_; }
    UniqueFd &fd() { return fd_; }
    void MarkCommitted() { committed_ = true; }

  private:
    std::string path_;
    UniqueFd fd_;
    bool fd_created_ = fd_.valid();
    bool committed_ = false;
};

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool ReadAll(int fd, std::string &text) {
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

// The file `path` finally names: a symbolic link is followed (a relative one from its own
// directory) until a file, or nothing, is there. Links in the directories above are left to
// the system, which follows them on every call anyway.
std::optional<std::string> FollowLinks(std::string &path) {
    constexpr int kMaxLinks = 40; // as the system itself allows
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0)
            return errno == ENOENT ? std::nullopt : std::optional(ErrorText(path, errno));
        if (!S_ISLNK(st.st_mode))
            return std::nullopt;
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error)
            return ErrorText(path, error.value());
        path = target.is_absolute() ? target.string()
                                    : (std::filesystem::path(path).parent_path() / target).string();
    }
    return ErrorText(path, ELOOP);
}

// An open-file lock over the whole file: it belongs to this open file, not the process, and is
// honoured on network file systems too.
bool WaitForWriteLock(int fd) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    for (;;) {
        if (::fcntl(fd, F_OFD_SETLKW, &lock) == 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

// Opens the file for writing and holds an exclusive lock on it. A writer that was waiting
// while another replaced the file holds a lock on the old one, so the lock only counts once
// the path still names the locked file. A missing file is created empty to have something to
// lock; an empty file reads like a missing one.
std::optional<std::string> LockFile(const std::string &path, UniqueFd &locked) {
    for (;;) {
        UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
        if (!fd.valid())
            return ErrorText(path, errno);
        if (!WaitForWriteLock(fd.get()))
            return ErrorText(path, errno);
        struct stat held {
        }, named{};
        if (::fstat(fd.get(), &held) != 0)
            return ErrorText(path, errno);
        if (::stat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino) {
            locked.Reset(fd.Release());
            return std::nullopt;
        }
    }
}

// The mode a newly created file gets from the process's umask (mkstemp alone gives 0600).
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Makes the rename itself durable; a failure here leaves a correct file, so it is not reported.
void SyncDirectory(const std::string &directory) {
    UniqueFd dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY));
    if (dir.valid())
        ::fsync(dir.get());
}

// Is `name` a temporary file of ours for `file`: "." + file + "." + the six letters and digits
// mkstemp puts in place of XXXXXX?
bool IsTemporaryName(std::string_view name, std::string_view file) {
    constexpr std::size_t kRandom = 6;
    if (name.size() != file.size() + 2 + kRandom || !name.starts_with('.') ||
        name.substr(1, file.size()) != file || name[file.size() + 1] != '.')
        return false;
    for (const char c : name.substr(file.size() + 2))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

// Removes the temporary files a writer killed between writing and renaming left beside the
// file. Only the holder of the file's lock writes one, so while we hold it every one is stale.
// A file that cannot be removed stays; it harms nothing.
void RemoveStaleTemporaries(const std::string &path) {
    const std::filesystem::path target(path);
    const std::string file = target.filename().string();
    const std::string directory =
        target.parent_path().empty() ? std::string(".") : target.parent_path().string();
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(directory.c_str()), ::closedir);
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir.get())) {
        struct stat st {};
        if (IsTemporaryName(entry->d_name, file) &&
            ::fstatat(::dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode))
            ::unlinkat(::dirfd(dir.get()), entry->d_name, 0);
    }
}

} // namespace

FileText ReadFileText(const std::string &path) {
    FileText result;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno != ENOENT && errno != ENOTDIR)
            result.error = ErrorText(path, errno);
        return result;
    }
    if (!ReadAll(fd.get(), result.text))
        return FileText{{}, ErrorText(path, errno)};
    return result;
}

std::optional<std::string> ReplaceFileAtomically(const std::string &path, std::string_view text,
                                                 const std::function<void()> &beforeRename) {
    const std::filesystem::path target(path);
    const std::filesystem::path parent = target.parent_path();
    const std::string directory = parent.empty() ? std::string(".") : parent.string();

    // Renaming would replace a read-only file regardless of its mode; honour the mode instead.
    mode_t mode = NewFileMode();
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        if (::access(path.c_str(), W_OK) != 0)
            return ErrorText(path, errno);
        mode = existing.st_mode & 07777;
    } else if (errno != ENOENT) {
        return ErrorText(path, errno);
    }

    TemporaryFile temp(directory + "/." + target.filename().string() + ".XXXXXX");
    if (!temp.created())
        return ErrorText(path, errno);
    if (!WriteAll(temp.fd().get(), text) || ::fchmod(temp.fd().get(), mode) != 0 ||
        ::fsync(temp.fd().get()) != 0 || temp.fd().Close() != 0)
        return ErrorText(path, errno);

    if (beforeRename)
        beforeRename();
    if (::rename(temp.path().c_str(), path.c_str()) != 0)
        return ErrorText(path, errno);
    temp.MarkCommitted();
    SyncDirectory(directory);
    return std::nullopt;
}

std::optional<std::string> RewriteFile(const std::string &path,
                                       const std::function<std::string(std::string_view)> &edit) {
    std::string target = path;
    if (auto error = FollowLinks(target))
        return error;
    UniqueFd locked(-1);
    if (auto error = LockFile(target, locked))
        return error;
    std::string text;
    // Rewriting a file we could not read would throw its contents away.
    if (!ReadAll(locked.get(), text))
        return ErrorText(target, errno);
    RemoveStaleTemporaries(target);
    // The lock is released when `locked` closes, after the new file has taken the name.
    return ReplaceFileAtomically(target, edit(text));
}

} // namespace profile
