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
        if (MemberEntry *held = find(name))
            held->mark = markWhenHeld;
        else if (markWhenNew)
            append(name, *markWhenNew);
    }

    // Flags the name incomplete; a name not held yet belongs nowhere and is appended as remove.
    void flagIncomplete(const std::string &name) {
        MemberEntry *entry = find(name);
        if (!entry)
            entry = append(name, MemberMark::Remove);
        if (entry)
            entry->incomplete = true;
    }

    MemberEntries sorted() && {
        index_.clear();
        std::stable_sort(entries_.begin(), entries_.end(),
                         [](const MemberEntry &a, const MemberEntry &b) {
                             return CompareIgnoreCase(a.name, b.name) < 0;
                         });
        return std::move(entries_);
    }

  private:
    MemberEntry *find(const std::string &name) {
        const auto held = index_.find(name);
        return held == index_.end() ? nullptr : &entries_[held->second];
    }
    MemberEntry *append(const std::string &name, MemberMark mark) {
        if (entries_.size() == capacity_)
            return nullptr;
        entries_.push_back({name, mark});
        index_.emplace(entries_.back().name, entries_.size() - 1);
        return &entries_.back();
    }

    std::size_t capacity_;
    MemberEntries entries_;
    std::unordered_map<std::string_view, std::size_t, HashIgnoreCase, EqualIgnoreCase> index_;
};

} // namespace

MemberEntries MergeOutcome(const MemberSet &found, const OutcomeInputs &inputs) {
    const std::size_t statics = inputs.staticNames ? inputs.staticNames->size() : 0;
    Outcome outcome(found.size() + inputs.currentMembers.size() + inputs.halfWritten.size() +
                    statics);
    for (const std::string &name : found.names())
        outcome.mark(name, MemberMark::Add, MemberMark::Add);

    // Each member once, or a second spelling of an unfound member would re-mark it keep.
    std::unordered_set<std::string_view, HashIgnoreCase, EqualIgnoreCase> members;
    members.reserve(inputs.currentMembers.size());
    const MemberMark notFound = inputs.addMode ? MemberMark::Keep : MemberMark::Remove;
    for (const std::string &name : inputs.currentMembers)
        if (members.insert(name).second)
            outcome.mark(name, MemberMark::Keep, notFound);

    // Before the lists, so a static name is completed and an excluded one finishes leaving.
    for (const std::string &name : inputs.halfWritten)
        outcome.flagIncomplete(name);

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
