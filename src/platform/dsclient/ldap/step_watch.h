#pragma once

// A bound on one step of opening a connection (connect, TLS handshake, StartTLS, bind). libldap
// waits for a server that is silent in a TLS handshake without any limit, so its own timeouts
// cannot be relied on: when the time runs out, the watched socket is shut down, which ends
// whatever libldap waits for on it.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace dsclient::ldap {

class StepWatch {
  public:
    explicit StepWatch(std::chrono::microseconds limit);
    ~StepWatch() { Stop(); }
    StepWatch(const StepWatch &) = delete;
    StepWatch &operator=(const StepWatch &) = delete;

    // The socket of the step (-1: none yet); one that comes after the time ran out is shut down
    // at once.
    void Watch(int fd);
    // The socket is about to be closed: it is no longer touched.
    void Forget(int fd);
    int fd();
    // Ends the watch; was the time out?
    bool Stop();

  private:
    std::mutex mutex_;
    std::condition_variable wake_;
    int fd_ = -1;
    bool stopped_ = false;
    bool expired_ = false;
    std::thread thread_;
};

} // namespace dsclient::ldap
