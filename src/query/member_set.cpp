#include "query/member_set.h"

namespace tarnbeck {

bool MemberSet::insert(std::string_view name) {
    std::string owned(name);
    if (!held_.insert(owned).second)
        return false;
    names_.push_back(std::move(owned));
    return true;
}

bool MemberSet::contains(std::string_view name) const {
    return held_.find(std::string(name)) != held_.end();
}

void MemberSet::sort() {
    SortNames(names_);
}

} // namespace tarnbeck
