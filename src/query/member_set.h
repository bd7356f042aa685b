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
#include <memory>
#include <unordered_set>
#include <vector>

namespace tarnbeck {

class MemberSet {
  public:
    MemberSet();
    // False when a name equal but for case is held already (that spelling stays; the query
    // is added to those that found it). Query 0 is none.
    bool insert(std::string_view name, std::uint32_t queryNumber = 0);
    bool contains(std::string_view name) const;
    std::size_t size() const { return names_->size(); }
    bool empty() const { return names_->empty(); }

    // In the order found.
    const std::vector<std::string> &names() const { return *names_; }
    // The queries that found names()[index].
    const QueryNumbers &foundBy(std::size_t index) const { return foundBy_[index]; }

  private:
    // Positions in the names, hashed and compared by the names there, so each name is kept
    // once; a name given as text is looked up without a copy.
    struct PositionHash {
        using is_transparent = void;
        const std::vector<std::string> *names;
        std::size_t operator()(std::size_t at) const { return NameHash{}((*names)[at]); }
        std::size_t operator()(std::string_view name) const { return NameHash{}(name); }
    };
    struct PositionEqual {
        using is_transparent = void;
        const std::vector<std::string> *names;
        bool operator()(std::size_t a, std::size_t b) const { return a == b; }
        bool operator()(std::string_view name, std::size_t at) const {
            return NameEqual{}(name, (*names)[at]);
        }
        bool operator()(std::size_t at, std::string_view name) const {
            return NameEqual{}((*names)[at], name);
        }
    };

    // On the heap, so the index's functions still find the names after the set is moved.
    std::unique_ptr<std::vector<std::string>> names_;
    std::vector<QueryNumbers> foundBy_;
    std::unordered_set<std::size_t, PositionHash, PositionEqual> held_;
};

} // namespace tarnbeck
