#include "sync/password_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string.h>

namespace tarnbeck {

namespace {

// Closes the descriptor on every way out.
struct FileDescriptor {
    int fd;
    ~FileDescriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

Secret::~Secret() {
    explicit_bzero(text_.data(), text_.size());
}

bool ReadPasswordFile(const std::string &path, Secret &password, std::string &problem) {
    // Checked on the descriptor read from, so the file cannot be swapped in between.
    const FileDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW)};
    if (file.fd < 0) {
        problem = "cannot read the password file " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        problem = "the password file " + path + " is not a regular file";
        return false;
    }
    if (info.st_uid != ::geteuid() || (info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        problem = "the password file " + path +
                  " may be read by others: it must belong to you and have mode 0600";
        return false;
    }
    std::string &text = password.text();
    text.clear();
    char chunk[256];
    for (;;) {
        const ssize_t got = ::read(file.fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            explicit_bzero(chunk, sizeof chunk);
            problem = "cannot read the password file " + path + ": " + std::strerror(errno);
            return false;
        }
        if (got == 0)
            break;
        // Growing may move the text; the old bytes would stay behind, so reserve ahead.
        if (text.capacity() < text.size() + static_cast<std::size_t>(got)) {
            std::string larger;
            larger.reserve(2 * (text.size() + static_cast<std::size_t>(got)));
            larger = text;
            explicit_bzero(text.data(), text.size());
            text.swap(larger);
        }
        text.append(chunk, static_cast<std::size_t>(got));
        if (text.size() > 4096)
            break; // no password is that long; the first line is all that counts
    }
    explicit_bzero(chunk, sizeof chunk);
    const std::size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos) {
        explicit_bzero(text.data() + end, text.size() - end);
        text.resize(end);
    }
    if (text.empty()) {
        problem = "the password file " + path + " holds no password";
        return false;
    }
    return true;
}

} // namespace tarnbeck
