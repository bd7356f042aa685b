#pragma once

// The merged result of all queries: object names without duplicates compared without regard
// to case, the spelling first found being kept, each with the numbers of the queries that
// found it and, when the search told, what kind of object it is (base class, alias or not).

#include "directory/unique_names.h"
#include "membership/member_reason.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarnbeck {

// What the search told about a found object. Objects share these: a tree has few classes.
struct FoundKind {
    std::string baseClass;
    bool alias = false;
    // Its Object Class: the class with its superclasses and auxiliary classes.
    std::vector<std::string> classes;
};

class MemberSet {
  public:
    static constexpr std::uint32_t kNoKind = UINT32_MAX;
    // The number that stands for objects of this kind, for insert and insertAll.
    std::uint32_t kindOf(std::string_view baseClass, bool alias,
                         const std::vector<std::string> &classes);

    // False when a name equal but for case is held already (that spelling stays; the query
    // is added to those that found it). Query 0 is none.
    bool insert(std::string_view name, std::uint32_t queryNumber = 0, std::uint32_t kind = kNoKind);
    // Inserts each of `names` (taking them) as insert does; `kinds`, when given, holds the kind
    // of each name.
    void insertAll(std::vector<std::string> &names, std::uint32_t queryNumber,
                   const std::vector<std::uint32_t> *kinds = nullptr);
    bool contains(std::string_view name) const { return names_.contains(name); }
    std::size_t size() const { return names_.size(); }
    bool empty() const { return names_.size() == 0; }

    // In the order found.
    const std::vector<std::string> &names() const { return names_.names(); }
    // The queries that found names()[index].
    const QueryNumbers &foundBy(std::size_t index) const { return foundBy_[index]; }

    // The kind of names()[index]; null when the search did not tell.
    const FoundKind *kind(std::size_t index) const {
        return kinds_[index] == kNoKind ? nullptr : &kindTable_[kinds_[index]];
    }

    // The names (with their index), the queries that found each and their kinds, taken out;
    // nothing is held afterwards.
    struct Taken {
        UniqueNames names;
        std::vector<QueryNumbers> foundBy;
        std::vector<std::uint32_t> kinds;
        std::vector<FoundKind> kindTable;
    };
    Taken take() &&;

  private:
    // Records that `queryNumber` found the name at `at`, whose entry is new when `added`.
    void noteFound(std::size_t at, bool added, std::uint32_t queryNumber, std::uint32_t kind);

    UniqueNames names_;
    std::vector<QueryNumbers> foundBy_;
    std::vector<std::uint32_t> kinds_; // per name: a position in kindTable_, or kNoKind
    std::vector<FoundKind> kindTable_;
    std::unordered_map<std::string, std::uint32_t> kindIndex_; // alias bit, the classes
    std::uint32_t lastKind_ = kNoKind;
};

} // namespace tarnbeck
