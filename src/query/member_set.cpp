#include "query/member_set.h"

namespace tarnbeck {

bool MemberSet::insert(std::string_view name, std::uint32_t queryNumber) {
    bool added = false;
    const std::size_t at = names_.insert(std::string(name), added);
    noteFound(at, added, queryNumber);
    return added;
}

void MemberSet::insertAll(std::vector<std::string> &names, std::uint32_t queryNumber) {
    names_.insertAll(names,
                     [&](std::size_t at, bool added) { noteFound(at, added, queryNumber); });
}

void MemberSet::noteFound(std::size_t at, bool added, std::uint32_t queryNumber) {
    if (added)
        foundBy_.emplace_back();
    foundBy_[at].add(queryNumber);
}

MemberSet::Taken MemberSet::take() && {
    return {std::move(names_), std::move(foundBy_)};
}

} // namespace tarnbeck
