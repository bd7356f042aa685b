#pragma once

// The merged result of all queries: object names without duplicates compared without regard
// to case, the spelling first found being kept, each with the numbers of the queries that
// found it.

#include "directory/unique_names.h"
#include "membership/member_reason.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnbeck {

class MemberSet {
  public:
    // False when a name equal but for case is held already (that spelling stays; the query
    // is added to those that found it). Query 0 is none.
    bool insert(std::string_view name, std::uint32_t queryNumber = 0);
    // Inserts each of `names` (taking them) as insert does.
    void insertAll(std::vector<std::string> &names, std::uint32_t queryNumber);
    bool contains(std::string_view name) const { return names_.contains(name); }
    std::size_t size() const { return names_.size(); }
    bool empty() const { return names_.size() == 0; }

    // In the order found.
    const std::vector<std::string> &names() const { return names_.names(); }
    // The queries that found names()[index].
    const QueryNumbers &foundBy(std::size_t index) const { return foundBy_[index]; }

    // The names (with their index) and the queries that found each, taken out; nothing is
    // held afterwards.
    struct Taken {
        UniqueNames names;
        std::vector<QueryNumbers> foundBy;
    };
    Taken take() &&;

  private:
    // Records that `queryNumber` found the name at `at`, whose entry is new when `added`.
    void noteFound(std::size_t at, bool added, std::uint32_t queryNumber);

    UniqueNames names_;
    std::vector<QueryNumbers> foundBy_;
};

} // namespace tarnbeck
