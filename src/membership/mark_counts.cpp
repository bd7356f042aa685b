#include "membership/mark_counts.h"

namespace tarnbeck {

MarkCounts CountMarks(const MemberEntries &entries) {
    MarkCounts counts;
    for (const MemberEntry &entry : entries) {
        switch (entry.mark) {
        case MemberMark::Keep: ++counts.kept; break;
        case MemberMark::Add: ++counts.toAdd; break;
        case MemberMark::Remove: ++counts.toRemove; break;
        case MemberMark::Excluded: ++counts.excluded; break;
        case MemberMark::Static: ++counts.statics; break;
        case MemberMark::NotAddable: ++counts.notAddable; break;
        }
    }
    return counts;
}

std::string DescribeCounts(const MarkCounts &counts) {
    return std::to_string(counts.kept) + " kept, " + std::to_string(counts.toAdd) + " to add, " +
           std::to_string(counts.toRemove) + " to remove, " + std::to_string(counts.excluded) +
           " excluded, " + std::to_string(counts.statics) + " static" +
           (counts.notAddable ? ", " + std::to_string(counts.notAddable) + " not addable" : "");
}

} // namespace tarnbeck
