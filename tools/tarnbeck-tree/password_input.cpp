#include "password_input.h"

#include <algorithm>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace tarnbeck {

namespace {

// Echo off for its lifetime, restored on every path.
class EchoOff {
  public:
    EchoOff() {
        if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved_) != 0)
            return;
        termios quiet = saved_;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff() {
        if (active_) {
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
            std::cerr << '\n';
        }
    }
    EchoOff(const EchoOff &) = delete;
    EchoOff &operator=(const EchoOff &) = delete;
    bool active() const { return active_; }

  private:
    termios saved_{};
    bool active_ = false;
};

} // namespace

bool ReadPasswordLine(std::istream &in, std::string &password) {
    WipePassword(password);
    if (!std::getline(in, password))
        return false;
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return true;
}

bool ReadPasswordFromStdin(std::string &password) {
    EchoOff echoOff;
    if (echoOff.active())
        std::cerr << "Password: " << std::flush;
    return ReadPasswordLine(std::cin, password);
}

void WipePassword(std::string &password) {
    volatile char *bytes = password.data();
    for (std::size_t i = 0; i < password.size(); ++i)
        bytes[i] = 0;
    password.clear();
}

} // namespace tarnbeck
