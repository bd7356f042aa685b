#include "platform/dsclient/ldap/step_watch.h"

#include <sys/socket.h>

namespace dsclient::ldap {

StepWatch::StepWatch(std::chrono::microseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    thread_ = std::thread([this, end] {
        std::unique_lock lock(mutex_);
        if (wake_.wait_until(lock, end, [this] { return stopped_; }))
            return;
        expired_ = true;
        if (fd_ >= 0)
            shutdown(fd_, SHUT_RDWR);
    });
}

void StepWatch::Watch(int fd) {
    const std::lock_guard lock(mutex_);
    fd_ = fd;
    if (expired_ && fd_ >= 0)
        shutdown(fd_, SHUT_RDWR);
}

void StepWatch::Forget(int fd) {
    const std::lock_guard lock(mutex_);
    if (fd_ == fd)
        fd_ = -1;
}

int StepWatch::fd() {
    const std::lock_guard lock(mutex_);
    return fd_;
}

bool StepWatch::Stop() {
    {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable())
        thread_.join();
    const std::lock_guard lock(mutex_);
    return expired_;
}

} // namespace dsclient::ldap
