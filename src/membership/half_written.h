#pragma once

// Memberships written on some of their sides only. A member is whole when the group's "Member"
// holds it, its "Group Membership" holds the group, and the equivalence is written both ways
// ("Security Equals" on the member, "Equivalent To Me" on the group). An Update that was
// interrupted, or refused part-way on a tree that cannot group a member's writes, leaves any
// part of that; a half-removed member keeps the group's rights through the equivalence.

#include "platform/dsclient/client.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnbeck {

// The names that hold some but not all of the four sides, each once (case ignored), in no
// particular order. `currentMembers` are the group's "Member" values as the caller read them.
// The tree is asked once for the names whose sides disagree, so a group whose memberships are
// all whole costs little more than its "Member". A search the directory breaks off raises
// DirectoryError rather than passing for a whole answer.
std::vector<std::string> FindHalfWrittenMembers(dsclient::ContextHandle context,
                                                std::string_view groupName,
                                                const std::vector<std::string> &currentMembers);

} // namespace tarnbeck
