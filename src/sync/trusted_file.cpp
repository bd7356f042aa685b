#include "sync/trusted_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tarnbeck {

std::optional<std::string> UntrustedFileProblem(const std::string &path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT
                   ? std::nullopt
                   : std::optional("cannot check " + path + ": " + std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        return "the configuration file " + path + " is not a regular file";
    if (info.st_uid != ::geteuid() && info.st_uid != 0)
        return "the configuration file " + path + " belongs to another user (uid " +
               std::to_string(info.st_uid) + "); it must be yours or root's";
    if (info.st_mode & (S_IWGRP | S_IWOTH)) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return "the configuration file " + path + " may be changed by others (mode " + mode +
               "); it must be writable by its owner only";
    }
    return std::nullopt;
}

} // namespace tarnbeck
