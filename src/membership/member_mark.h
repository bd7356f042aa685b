#pragma once

namespace tarnbeck {

// What Update group does with one entry of the member list.
enum class MemberMark : int {
    Keep = 0,     // no change
    Remove = 1,   // a current member no query found (Sync mode)
    Add = 2,      // found, not yet a member
    Excluded = 3, // in the outcome and in the exclude list: removed
    Static = 4,   // in the static list: added
    // Would be added, but the object may not be a member (its class, an alias, the group
    // itself, a name the directory cannot take): shown with the reason, never written.
    NotAddable = 5,
};

} // namespace tarnbeck
