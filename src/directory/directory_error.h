#pragma once

// The one error every failed directory call becomes. It ends the user action that made the
// call and is shown to the administrator as "Netware error <decimal> (0x<hex>)", followed by
// what the status means when the client defines it.

#include "platform/dsclient/status.h"

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>

namespace tarnbeck {

class DirectoryError : public std::runtime_error {
  public:
    explicit DirectoryError(dsclient::Status status);
    // The same message, followed on a line of its own by where the failure arose.
    DirectoryError(dsclient::Status status, const std::string &where);
    // The status with a whole text of the caller's, for failures that say more than it.
    struct Text {
        std::string text;
    };
    DirectoryError(dsclient::Status status, Text text)
        : std::runtime_error(std::move(text.text)), status_(status) {}
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
