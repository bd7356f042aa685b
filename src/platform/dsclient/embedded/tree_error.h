#pragma once

#include "platform/dsclient/status.h"

#include <stdexcept>
#include <string>

namespace dsclient::embedded {

// A refused store operation, with the directory status and what was being written.
class TreeError : public std::runtime_error {
  public:
    TreeError(dsclient::Status status, const std::string &what);
    // A text that needs no status number in front (a store that cannot be opened).
    static TreeError Plain(dsclient::Status status, const std::string &text) {
        return TreeError(status, text, 0);
    }
    dsclient::Status status() const { return status_; }

  private:
    TreeError(dsclient::Status status, const std::string &text, int)
        : std::runtime_error(text), status_(status) {}
    dsclient::Status status_;
};

// "Netware error -601 (0xFFFFFDA7)", the way the program reports a status.
std::string StatusText(dsclient::Status status);

} // namespace dsclient::embedded
