#include "membership/half_written.h"

#include "directory/directory_error.h"

namespace tarnbeck {

std::vector<std::string> FindHalfWrittenMembers(dsclient::ContextHandle context,
                                                std::string_view groupName,
                                                const std::vector<std::string> &currentMembers) {
    std::vector<std::string> names;
    CheckStatus(dsclient::HalfWrittenMemberships(context, groupName, &currentMembers, names));
    return names;
}

} // namespace tarnbeck
