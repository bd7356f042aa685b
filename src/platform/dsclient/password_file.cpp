#include "platform/dsclient/password_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace dsclient {

namespace {

constexpr std::size_t kMaxPassword = 1024;

void Wipe(std::vector<char> &bytes) {
    volatile char *data = bytes.data();
    for (std::size_t i = 0; i < bytes.size(); ++i)
        data[i] = 0;
}

bool CheckOpened(int descriptor, const std::string &path, std::string &problem) {
    struct stat info {};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        problem = "The password file " + path + " is not a regular file";
        return false;
    }
    if (info.st_uid != geteuid()) {
        problem = "The password file " + path + " belongs to another user";
        return false;
    }
    if (info.st_mode & (S_IRWXG | S_IRWXO)) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        problem = "The password file " + path + " may be used by others (mode " + mode +
                  "); it must be readable by its owner only (chmod 600)";
        return false;
    }
    return true;
}

// An open file descriptor, closed on every path. Opening never waits: a FIFO or a device
// would hold the run until someone writes to it, before its kind could be checked.
class Descriptor {
  public:
    explicit Descriptor(const std::string &path)
        : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY)) {}
    ~Descriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

} // namespace

Secret::~Secret() {
    Wipe(bytes_);
}

void Secret::Assign(const char *data, std::size_t size) {
    Wipe(bytes_);
    bytes_.assign(data, data + size);
    size_ = size;
}

bool CheckPasswordFile(const std::string &path, std::string &problem) {
    const Descriptor file(path);
    if (file.get() < 0) {
        problem = "The password file " + path + " cannot be opened: " + std::strerror(errno);
        return false;
    }
    return CheckOpened(file.get(), path, problem);
}

Status ReadPasswordFile(const std::string &path, Secret &password, std::string &problem) {
    const Descriptor file(path);
    if (file.get() < 0) {
        problem = "The password file " + path + " cannot be opened: " + std::strerror(errno);
        return status::ClientNotConfigured;
    }
    if (!CheckOpened(file.get(), path, problem))
        return status::ClientNotConfigured;
    std::vector<char> buffer(kMaxPassword + 1);
    std::size_t used = 0;
    while (used < buffer.size()) {
        const ssize_t got = read(file.get(), buffer.data() + used, buffer.size() - used);
        if (got <= 0)
            break;
        used += static_cast<std::size_t>(got);
    }
    std::size_t length = 0;
    while (length < used && buffer[length] != '\n' && buffer[length] != '\r')
        ++length;
    const bool tooLong = length > kMaxPassword;
    if (!tooLong && length > 0)
        password.Assign(buffer.data(), length);
    Wipe(buffer);
    if (tooLong || length == 0) {
        problem = "The password file " + path + (tooLong ? " holds an overlong line" : " is empty");
        return status::ClientNotConfigured;
    }
    return status::Ok;
}

} // namespace dsclient
