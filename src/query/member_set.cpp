#include "query/member_set.h"

namespace tarnbeck {

std::uint32_t MemberSet::kindOf(std::string_view baseClass, bool alias,
                                const std::vector<std::string> &classes) {
    // Searches hand out runs of one class; those cost no look-up.
    if (lastKind_ != kNoKind) {
        const FoundKind &last = kindTable_[lastKind_];
        if (last.alias == alias && last.baseClass == baseClass && last.classes == classes)
            return lastKind_;
    }
    std::string key = (alias ? "1" : "0") + std::string(baseClass);
    for (const std::string &name : classes)
        key += '\n' + name;
    const auto [at, added] =
        kindIndex_.try_emplace(std::move(key), static_cast<std::uint32_t>(kindTable_.size()));
    if (added)
        kindTable_.push_back({std::string(baseClass), alias, classes});
    return lastKind_ = at->second;
}

bool MemberSet::insert(std::string_view name, std::uint32_t queryNumber, std::uint32_t kind) {
    bool added = false;
    const std::size_t at = names_.insert(std::string(name), added);
    noteFound(at, added, queryNumber, kind);
    return added;
}

void MemberSet::insertAll(std::vector<std::string> &names, std::uint32_t queryNumber,
                          const std::vector<std::uint32_t> *kinds) {
    std::size_t i = 0;
    names_.insertAll(names, [&](std::size_t at, bool added) {
        noteFound(at, added, queryNumber, kinds ? (*kinds)[i] : kNoKind);
        ++i;
    });
}

void MemberSet::noteFound(std::size_t at, bool added, std::uint32_t queryNumber,
                          std::uint32_t kind) {
    if (added) {
        foundBy_.emplace_back();
        kinds_.push_back(kind);
    }
    foundBy_[at].add(queryNumber);
}

MemberSet::Taken MemberSet::take() && {
    kindIndex_.clear();
    lastKind_ = kNoKind;
    return {std::move(names_), std::move(foundBy_), std::move(kinds_), std::move(kindTable_)};
}

} // namespace tarnbeck
