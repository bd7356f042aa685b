#include "query/member_set.h"


namespace tarnbeck {

MemberSet::MemberSet()
    : names_(std::make_unique<std::vector<std::string>>()),
      held_(0, PositionHash{names_.get()}, PositionEqual{names_.get()}) {}

bool MemberSet::insert(std::string_view name, std::uint32_t queryNumber) {
    std::size_t at = 0;
    const auto held = held_.find(name);
    const bool added = held == held_.end();
    if (added) {
        at = names_->size();
        names_->emplace_back(name);
        foundBy_.emplace_back();
        held_.insert(at);
    } else {
        at = *held;
    }
    foundBy_[at].add(queryNumber);
    return added;
}

bool MemberSet::contains(std::string_view name) const {
    return held_.find(name) != held_.end();
}

} // namespace tarnbeck
