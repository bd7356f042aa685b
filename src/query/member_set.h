#pragma once

// The merged result of all queries: object names without duplicates compared without regard
// to case, the spelling first found being kept.

#include "directory/text_compare.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tarnbeck {

class MemberSet {
  public:
    // False when a name equal but for case is held already (that spelling stays).
    bool insert(std::string_view name);
    bool contains(std::string_view name) const;
    std::size_t size() const { return names_.size(); }
    bool empty() const { return names_.empty(); }

    // In the order found, until sort() puts them in the user's order, ignoring case.
    const std::vector<std::string> &names() const { return names_; }
    void sort();

  private:
    std::vector<std::string> names_;
    std::unordered_set<std::string, NameHash, NameEqual> held_;
};

} // namespace tarnbeck
