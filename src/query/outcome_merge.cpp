#include "query/outcome_merge.h"

#include "directory/text_compare.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace tarnbeck {

namespace {

// The outcome list with a hashed index, so every merge step is one look-up per name. The index
// holds views of the entries' own names: room for every name that can be appended is reserved
// up front, so the entries never move while the index is in use.
class Outcome {
  public:
    explicit Outcome(std::size_t capacity) : capacity_(capacity) {
        entries_.reserve(capacity);
        index_.reserve(capacity);
    }

    // Re-marks the name when held; otherwise appends it with `markWhenNew` unless that is
    // nullopt.
    void mark(const std::string &name, MemberMark markWhenHeld,
              std::optional<MemberMark> markWhenNew) {
        const auto held = index_.find(name);
        if (held != index_.end()) {
            entries_[held->second].second = markWhenHeld;
        } else if (markWhenNew && entries_.size() < capacity_) {
            entries_.emplace_back(name, *markWhenNew);
            index_.emplace(entries_.back().first, entries_.size() - 1);
        }
    }

    MemberEntries sorted() && {
        index_.clear();
        std::vector<std::string_view> names;
        names.reserve(entries_.size());
        for (const MemberEntry &entry : entries_)
            names.emplace_back(entry.first);
        MemberEntries sorted;
        sorted.reserve(entries_.size());
        for (const std::size_t position : NameCollation().order(names))
            sorted.push_back(std::move(entries_[position]));
        return sorted;
    }

  private:
    std::size_t capacity_;
    MemberEntries entries_;
    std::unordered_map<std::string_view, std::size_t, NameHash, NameEqual> index_;
};

} // namespace

MemberEntries MergeOutcome(const MemberSet &found, const OutcomeInputs &inputs) {
    const std::size_t statics = inputs.staticNames ? inputs.staticNames->size() : 0;
    Outcome outcome(found.size() + inputs.currentMembers.size() + statics);
    for (const std::string &name : found.names())
        outcome.mark(name, MemberMark::Add, MemberMark::Add);

    // Each member once, or a second spelling of an unfound member would re-mark it keep.
    std::unordered_set<std::string_view, NameHash, NameEqual> members;
    members.reserve(inputs.currentMembers.size());
    const MemberMark notFound = inputs.addMode ? MemberMark::Keep : MemberMark::Remove;
    for (const std::string &name : inputs.currentMembers)
        if (members.insert(name).second)
            outcome.mark(name, MemberMark::Keep, notFound);

    if (inputs.staticNames)
        for (const std::string &name : *inputs.staticNames)
            outcome.mark(name, MemberMark::Static, MemberMark::Static);

    // Last, so a name on both lists ends up excluded.
    if (inputs.excludeNames)
        for (const std::string &name : *inputs.excludeNames)
            outcome.mark(name, MemberMark::Excluded, std::nullopt);

    return std::move(outcome).sorted();
}

} // namespace tarnbeck
