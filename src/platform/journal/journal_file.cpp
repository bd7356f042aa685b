#include "platform/journal/journal_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace tarnbeck::journal {

namespace {

std::string Reason(const std::string &what) {
    return what + ": " + std::strerror(errno);
}

std::string PrepareFolder(const std::string &folder) {
    if (folder.empty())
        return {};
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        if (errno != ENOENT)
            return Reason(folder);
        const std::size_t slash = folder.rfind('/');
        if (slash != std::string::npos && slash > 0)
            if (std::string problem = PrepareFolder(folder.substr(0, slash)); !problem.empty())
                return problem;
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return Reason(folder);
        return {};
    }
    if (!S_ISDIR(info.st_mode))
        return folder + " is not a folder";
    return {};
}

} // namespace

std::string PrepareJournalFile(const std::string &path) {
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos)
        if (std::string problem = PrepareFolder(path.substr(0, slash)); !problem.empty())
            return problem;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == ELOOP ? path + " is a link" : Reason(path);
    struct stat info {};
    std::string problem;
    if (::fstat(fd, &info) != 0)
        problem = Reason(path);
    else if (!S_ISREG(info.st_mode))
        problem = path + " is not a regular file";
    else if (info.st_uid != ::geteuid())
        problem = path + " belongs to another user";
    else if ((info.st_mode & 0777) != 0600 && ::fchmod(fd, 0600) != 0)
        problem = Reason(path);
    ::close(fd);
    return problem;
}

std::string SetAside(const std::string &path) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string aside = path + ".damaged-" + stamp;
    if (std::rename(path.c_str(), aside.c_str()) != 0)
        return {};
    for (const char *suffix : {"-wal", "-shm"})
        std::rename((path + suffix).c_str(), (aside + suffix).c_str());
    return aside;
}

} // namespace tarnbeck::journal
