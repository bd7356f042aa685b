#include "membership/member_reason.h"

#include "membership/member_entry.h"

#include <algorithm>
#include <bit>

namespace tarnbeck {

QueryNumbers::QueryNumbers(const QueryNumbers &other)
    : low_(other.low_),
      high_(other.high_ ? std::make_unique<std::vector<std::uint32_t>>(*other.high_) : nullptr) {}

QueryNumbers &QueryNumbers::operator=(const QueryNumbers &other) {
    if (this != &other)
        *this = QueryNumbers(other);
    return *this;
}

bool QueryNumbers::operator==(const QueryNumbers &other) const {
    const auto size = [](const QueryNumbers &n) { return n.high_ ? n.high_->size() : 0; };
    return low_ == other.low_ && size(*this) == size(other) &&
           (size(*this) == 0 || *high_ == *other.high_);
}

void QueryNumbers::add(std::uint32_t number) {
    if (number >= 1 && number <= 64) {
        low_ |= std::uint64_t{1} << (number - 1);
        return;
    }
    if (number == 0)
        return;
    if (!high_)
        high_ = std::make_unique<std::vector<std::uint32_t>>();
    if (std::find(high_->begin(), high_->end(), number) == high_->end())
        high_->push_back(number);
}

std::vector<std::uint32_t> QueryNumbers::list() const {
    std::vector<std::uint32_t> numbers;
    for (std::uint64_t bits = low_; bits != 0; bits &= bits - 1)
        numbers.push_back(static_cast<std::uint32_t>(std::countr_zero(bits)) + 1);
    std::vector<std::uint32_t> high = high_ ? *high_ : std::vector<std::uint32_t>();
    std::sort(high.begin(), high.end());
    numbers.insert(numbers.end(), high.begin(), high.end());
    return numbers;
}

std::string DescribeReason(const MemberEntry &entry) {
    const MemberReason &reason = entry.reason;
    std::vector<std::string> parts;
    if (reason.refusal)
        parts.push_back(reason.refusal->text);
    const std::vector<std::uint32_t> queries = reason.foundBy.list();
    if (!queries.empty()) {
        std::string found = queries.size() == 1 ? "found by query " : "found by queries ";
        for (std::size_t i = 0; i < queries.size(); ++i)
            found += (i ? ", " : "") + std::to_string(queries[i]);
        parts.push_back(std::move(found));
    }
    if (reason.member)
        parts.emplace_back(queries.empty() ? "current member not found" : "current member");
    if (reason.onStaticList)
        parts.emplace_back("on the static list");
    if (reason.onExcludeList)
        parts.emplace_back("on the exclude list");
    if (entry.incomplete)
        parts.emplace_back("incomplete: written on some sides only");
    if (parts.empty())
        parts.emplace_back("not found");
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i ? "; " : "") + parts[i];
    return text;
}

} // namespace tarnbeck
