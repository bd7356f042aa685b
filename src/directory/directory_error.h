#pragma once

// The one error every failed directory call becomes. It ends the user action that made the
// call and is shown to the administrator as "Netware error <decimal> (0x<hex>)", followed by
// what the status means when the client defines it.

#include "platform/dsclient/status.h"

#include <initializer_list>
#include <stdexcept>
#include <string>

namespace tarnbeck {

class DirectoryError : public std::runtime_error {
  public:
    explicit DirectoryError(dsclient::Status status);
    // The status with a text of the caller's that says more than the status.
    DirectoryError(dsclient::Status status, const std::string &text)
        : std::runtime_error(text), status_(status) {}
    dsclient::Status status() const { return status_; }

  private:
    dsclient::Status status_;
};

// "Netware error -601 (0xFFFFFDA7)": decimal, then the 32-bit pattern in upper-case hex.
std::string StatusNumberText(dsclient::Status status);
// The number text and the status's meaning: "Netware error -601 (0xFFFFFDA7): no such object".
// A status the client does not define shows the number alone.
std::string DirectoryErrorText(dsclient::Status status);

// Raised when a value text cannot become a value of the attribute's syntax.
constexpr dsclient::Status kValueConversionFailed = -8000;

// Raises DirectoryError for any status but 0 and the tolerated ones.
void CheckStatus(dsclient::Status status, std::initializer_list<dsclient::Status> tolerated);
inline void CheckStatus(dsclient::Status status) {
    CheckStatus(status, {});
}

} // namespace tarnbeck
