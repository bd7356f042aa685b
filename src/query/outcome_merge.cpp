#include "query/outcome_merge.h"

#include "directory/text_compare.h"
#include "platform/dsclient/in_place_order.h"

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
    // nullopt. Gives the entry, held or appended (null when neither).
    MemberEntry *mark(const std::string &name, MemberMark markWhenHeld,
                      std::optional<MemberMark> markWhenNew) {
        MemberEntry *entry = find(name);
        if (entry)
            entry->mark = markWhenHeld;
        else if (markWhenNew)
            entry = append(name, *markWhenNew);
        return entry;
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
        index_ = {}; // its memory is given back before the sort needs its own
        std::vector<std::string_view> names;
        names.reserve(entries_.size());
        for (const MemberEntry &entry : entries_)
            names.emplace_back(entry.name);
        const std::vector<std::size_t> order = NameCollation().order(names);
        names = {};
        dsclient::ApplyOrder(entries_, order);
        return std::move(entries_);
    }

    // Appends a name not held yet (null when there is no room left).
    MemberEntry *append(std::string name, MemberMark mark) {
        if (entries_.size() == capacity_)
            return nullptr;
        entries_.push_back({std::move(name), mark});
        index_.emplace(entries_.back().name, entries_.size() - 1);
        return &entries_.back();
    }

  private:
    MemberEntry *find(const std::string &name) {
        const auto held = index_.find(name);
        return held == index_.end() ? nullptr : &entries_[held->second];
    }

    std::size_t capacity_;
    MemberEntries entries_;
    std::unordered_map<std::string_view, std::size_t, NameHash, NameEqual> index_;
};

} // namespace

MemberEntries MergeOutcome(MemberSet found, OutcomeInputs inputs) {
    // Room for every name that can be appended, and no more.
    std::size_t capacity = found.size() + inputs.halfWritten.size() +
                           (inputs.staticNames ? inputs.staticNames->size() : 0);
    for (const std::string &name : inputs.currentMembers)
        capacity += found.contains(name) ? 0 : 1;
    Outcome outcome(capacity);

    {
        // The found names are distinct: each is moved in, not copied.
        MemberSet::Taken taken = std::move(found).take();
        for (std::size_t i = 0; i < taken.names.size(); ++i)
            if (MemberEntry *entry = outcome.append(std::move(taken.names[i]), MemberMark::Add))
                entry->reason.foundBy = std::move(taken.foundBy[i]);
    }

    {
        // Each member once, or a second spelling of an unfound member would re-mark it keep.
        std::unordered_set<std::string_view, NameHash, NameEqual> members;
        members.reserve(inputs.currentMembers.size());
        const MemberMark notFound = inputs.addMode ? MemberMark::Keep : MemberMark::Remove;
        for (const std::string &name : inputs.currentMembers)
            if (members.insert(name).second)
                if (MemberEntry *entry = outcome.mark(name, MemberMark::Keep, notFound))
                    entry->reason.member = true;
    }
    inputs.currentMembers = {};

    // Before the lists, so a static name is completed and an excluded one finishes leaving.
    for (const std::string &name : inputs.halfWritten)
        outcome.flagIncomplete(name);

    if (inputs.staticNames)
        for (const std::string &name : *inputs.staticNames)
            if (MemberEntry *entry = outcome.mark(name, MemberMark::Static, MemberMark::Static))
                entry->reason.onStaticList = true;

    // Last, so a name on both lists ends up excluded.
    if (inputs.excludeNames)
        for (const std::string &name : *inputs.excludeNames)
            if (MemberEntry *entry = outcome.mark(name, MemberMark::Excluded, std::nullopt))
                entry->reason.onExcludeList = true;

    return std::move(outcome).sorted();
}

} // namespace tarnbeck
