#include "membership/written_state.h"

#include <algorithm>

namespace tarnbeck {

bool ChangesDirectory(const MemberEntry &entry) {
    // What cannot be a member is never written, whatever else holds of it.
    if (entry.mark == MemberMark::NotAddable)
        return false;
    if (entry.incomplete)
        return true;
    switch (entry.mark) {
    case MemberMark::Add:
    case MemberMark::Remove:
        return true;
    case MemberMark::Static:
        return !entry.reason.member;
    case MemberMark::Excluded:
        return entry.reason.member;
    case MemberMark::Keep:
    case MemberMark::NotAddable:
        return false;
    }
    return false;
}

bool HasChanges(const MemberEntries &entries) {
    return std::any_of(entries.begin(), entries.end(), ChangesDirectory);
}

MemberEntries WrittenState(const MemberEntries &entries, std::size_t walked,
                           const std::vector<bool> &left) {
    walked = std::min(walked, entries.size());
    MemberEntries written;
    written.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MemberEntry &entry = entries[i];
        if (i >= walked || entry.mark == MemberMark::NotAddable || (i < left.size() && left[i])) {
            written.push_back(entry);
            continue;
        }
        if (entry.mark == MemberMark::Remove || entry.mark == MemberMark::Excluded)
            continue;
        MemberEntry member = entry;
        member.mark = MemberMark::Keep;
        member.incomplete = false;
        member.reason.member = true;
        written.push_back(std::move(member));
    }
    return written;
}

} // namespace tarnbeck
