#include "query/member_set.h"

#include <numeric>

namespace tarnbeck {

bool MemberSet::insert(std::string_view name, std::uint32_t queryNumber) {
    const auto [held, added] = held_.try_emplace(std::string(name), names_.size());
    if (added) {
        names_.emplace_back(name);
        foundBy_.emplace_back();
    }
    foundBy_[held->second].add(queryNumber);
    return added;
}

bool MemberSet::contains(std::string_view name) const {
    return held_.find(std::string(name)) != held_.end();
}

void MemberSet::sort() {
    std::vector<std::string_view> views(names_.begin(), names_.end());
    const std::vector<std::size_t> order = NameCollation().order(views);
    std::vector<std::string> names;
    std::vector<QueryNumbers> foundBy;
    names.reserve(order.size());
    foundBy.reserve(order.size());
    for (const std::size_t i : order) {
        names.push_back(std::move(names_[i]));
        foundBy.push_back(std::move(foundBy_[i]));
    }
    names_ = std::move(names);
    foundBy_ = std::move(foundBy);
    for (std::size_t i = 0; i < names_.size(); ++i)
        held_.find(names_[i])->second = i;
}

} // namespace tarnbeck
