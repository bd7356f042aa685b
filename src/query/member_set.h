#pragma once

// The merged result of all queries: object names without duplicates compared without regard
// to case, the spelling first found being kept, each with the numbers of the queries that
// found it.

#include "directory/text_compare.h"
#include "membership/member_reason.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarnbeck {

class MemberSet {
  public:
    // False when a name equal but for case is held already (that spelling stays; the query
    // is added to those that found it). Query 0 is none.
    bool insert(std::string_view name, std::uint32_t queryNumber = 0);
    bool contains(std::string_view name) const;
    std::size_t size() const { return names_.size(); }
    bool empty() const { return names_.empty(); }

    // In the order found, until sort() puts them in the user's order, ignoring case.
    const std::vector<std::string> &names() const { return names_; }
    // The queries that found names()[index].
    const QueryNumbers &foundBy(std::size_t index) const { return foundBy_[index]; }
    void sort();

  private:
    std::vector<std::string> names_;
    std::vector<QueryNumbers> foundBy_;
    // Each name's position in names_.
    std::unordered_map<std::string, std::size_t, NameHash, NameEqual> held_;
};

} // namespace tarnbeck
