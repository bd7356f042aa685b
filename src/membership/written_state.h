#pragma once

// What an outcome asks of the directory, and the member list as an Update walk leaves it.

#include "membership/member_entry.h"

#include <cstddef>
#include <vector>

namespace tarnbeck {

// Does writing this entry change the directory? Static names that are members already and
// excluded names that never were are written again harmlessly, but they are no change.
bool ChangesDirectory(const MemberEntry &entry);
// Whether Update group has anything to add or remove in this outcome.
bool HasChanges(const MemberEntries &entries);

// The list after Update wrote its first `walked` entries: those taken out of the group are
// gone, those put in (or kept) are plain kept members, whole; the entries not reached keep
// their marks, so what failed or was left still shows what it needs. An entry whose `left` flag is
// set was not asked to be written (an unticked change) and keeps its mark as well.
MemberEntries WrittenState(const MemberEntries &entries, std::size_t walked,
                           const std::vector<bool> &left = {});

} // namespace tarnbeck
