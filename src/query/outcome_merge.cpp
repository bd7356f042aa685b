#include "query/outcome_merge.h"

#include "directory/text_compare.h"

#include <algorithm>
#include <unordered_map>

namespace tarnbeck {

namespace {

// The outcome list with a hashed index, so every merge step is one look-up per name.
class Outcome {
  public:
    explicit Outcome(std::size_t expected) {
        entries_.reserve(expected);
        index_.reserve(expected);
    }

    // Re-marks the name when held; otherwise appends it with `markWhenNew` unless that is
    // nullopt.
    void mark(const std::string &name, MemberMark markWhenHeld,
              std::optional<MemberMark> markWhenNew) {
        const auto held = index_.find(name);
        if (held != index_.end()) {
            entries_[held->second].second = markWhenHeld;
        } else if (markWhenNew) {
            index_.emplace(name, entries_.size());
            entries_.emplace_back(name, *markWhenNew);
        }
    }

    MemberEntries sorted() && {
        std::stable_sort(entries_.begin(), entries_.end(),
                         [](const MemberEntry &a, const MemberEntry &b) {
                             return CompareIgnoreCase(a.first, b.first) < 0;
                         });
        return std::move(entries_);
    }

  private:
    MemberEntries entries_;
    std::unordered_map<std::string, std::size_t, HashIgnoreCase, EqualIgnoreCase> index_;
};

} // namespace

MemberEntries MergeOutcome(const MemberSet &found, const OutcomeInputs &inputs) {
    Outcome outcome(found.size() + inputs.currentMembers.size());
    for (const std::string &name : found.names())
        outcome.mark(name, MemberMark::Add, MemberMark::Add);

    // Each member once, or a second spelling of an unfound member would re-mark it keep.
    MemberSet members;
    for (const std::string &name : inputs.currentMembers)
        members.insert(name);
    const MemberMark notFound = inputs.addMode ? MemberMark::Keep : MemberMark::Remove;
    for (const std::string &name : members.names())
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
