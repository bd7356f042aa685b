#include "directory/directory_error.h"

#include "directory/visible_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace tarnbeck {

std::string StatusNumberText(dsclient::Status status) {
    char text[64];
    std::snprintf(text, sizeof text, "Netware error %d (0x%X)", static_cast<int>(status),
                  static_cast<unsigned>(static_cast<std::uint32_t>(status)));
    return text;
}

std::string DirectoryErrorText(dsclient::Status status) {
    const std::string meaning = dsclient::StatusMeaning(status);
    return meaning.empty() ? StatusNumberText(status) : StatusNumberText(status) + ": " + meaning;
}

DirectoryError::DirectoryError(dsclient::Status status)
    : std::runtime_error(DirectoryErrorText(status)), status_(status) {}

DirectoryError::DirectoryError(dsclient::Status status, const std::string &where)
    : std::runtime_error(DirectoryErrorText(status) + "\n" + VisibleText(where)),
      status_(status) {}

void CheckStatus(dsclient::Status status, std::initializer_list<dsclient::Status> tolerated) {
    if (status == dsclient::status::Ok ||
        std::find(tolerated.begin(), tolerated.end(), status) != tolerated.end())
        return;
    throw DirectoryError(status);
}

} // namespace tarnbeck
