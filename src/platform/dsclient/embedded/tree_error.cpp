#include "platform/dsclient/embedded/tree_error.h"

#include <cstdint>
#include <cstdio>

namespace dsclient::embedded {

std::string StatusText(dsclient::Status status) {
    char text[64];
    std::snprintf(text, sizeof text, "Netware error %d (0x%X)", static_cast<int>(status),
                  static_cast<unsigned>(static_cast<std::uint32_t>(status)));
    return text;
}

TreeError::TreeError(dsclient::Status status, const std::string &what)
    : std::runtime_error(StatusText(status) + ": " + what), status_(status) {}

} // namespace dsclient::embedded
