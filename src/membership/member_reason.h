#pragma once

// Why an entry of the member list got its mark: which queries found the name, whether it is a
// current member, on the static or the exclude list. Kept by the merge, shown as the entry's
// tool tip and in the plans of unattended runs.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarnbeck {

struct MemberEntry;

// The numbers (1-based) of the queries that found a name. The first 64 cost no allocation.
class QueryNumbers {
  public:
    QueryNumbers() = default;
    QueryNumbers(const QueryNumbers &other);
    QueryNumbers &operator=(const QueryNumbers &other);
    QueryNumbers(QueryNumbers &&) noexcept = default;
    QueryNumbers &operator=(QueryNumbers &&) noexcept = default;

    void add(std::uint32_t number);
    bool empty() const { return low_ == 0 && !high_; }
    // In increasing order.
    std::vector<std::uint32_t> list() const;
    bool operator==(const QueryNumbers &other) const;

  private:
    std::uint64_t low_ = 0; // bit n-1 for query n <= 64
    // Queries past 64, in the order added: rare, so kept apart and the common entry stays small.
    std::unique_ptr<std::vector<std::uint32_t>> high_;
};

// Why an object may not be made a member. Shared: every object of one class carries the same.
struct Refusal {
    enum class Kind { Class, Alias, Self, IllegalName } kind = Kind::Class;
    std::string text; // "cannot be a member: class Organization"
};
using RefusalPtr = std::shared_ptr<const Refusal>;

struct MemberReason {
    QueryNumbers foundBy;
    bool member = false; // in the group's Member when Execute read it
    bool onStaticList = false;
    bool onExcludeList = false;
    RefusalPtr refusal; // set on entries marked not addable
    bool operator==(const MemberReason &other) const {
        const auto text = [](const RefusalPtr &r) { return r ? r->text : std::string(); };
        return foundBy == other.foundBy && member == other.member &&
               onStaticList == other.onStaticList && onExcludeList == other.onExcludeList &&
               text(refusal) == text(other.refusal);
    }
};

// The reason in a few words: "found by queries 1, 3; current member"; a refusal comes first.
std::string DescribeReason(const MemberEntry &entry);

} // namespace tarnbeck
