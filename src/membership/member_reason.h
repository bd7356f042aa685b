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

struct MemberReason {
    QueryNumbers foundBy;
    bool member = false; // in the group's Member when Execute read it
    bool onStaticList = false;
    bool onExcludeList = false;
    bool operator==(const MemberReason &) const = default;
};

// The reason in a few words: "found by queries 1, 3; current member".
std::string DescribeReason(const MemberEntry &entry);

} // namespace tarnbeck
