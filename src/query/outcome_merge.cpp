#include "query/outcome_merge.h"

#include "directory/text_compare.h"

#include <algorithm>
#include <string_view>

namespace tarnbeck {

namespace {

// The outcome being merged: its names, each once, and beside each the entry it will carry. The
// found names come with the index the queries built for them, so they are not indexed again;
// the names merged in after them join that index.
class Outcome {
  public:
    // Room is made for `more` names to follow the found ones, so neither the names nor the
    // entries are copied as they grow.
    Outcome(MemberSet found, std::size_t more) {
        MemberSet::Taken taken = std::move(found).take();
        names_ = std::move(taken.names);
        kinds_ = std::move(taken.kinds);
        kindTable_ = std::move(taken.kindTable);
        names_.reserve(names_.size() + more);
        entries_.reserve(names_.size() + more);
        entries_.resize(names_.size());
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            entries_[i].mark = MemberMark::Add;
            entries_[i].reason.foundBy = std::move(taken.foundBy[i]);
        }
    }

    MemberEntry *find(std::string_view name) {
        const std::size_t at = names_.find(name);
        return at == UniqueNames::kNotHeld ? nullptr : &entries_[at];
    }

    // The name's entry, appended with `markWhenNew` when not held; `added` tells which.
    MemberEntry &hold(std::string name, MemberMark markWhenNew, bool &added) {
        const std::size_t at = names_.insert(std::move(name), added);
        return entryAt(at, added, markWhenNew);
    }

    // Holds each of `names` (taking them) as hold does, many at a time: their slots in the index
    // are fetched ahead. `held(entry, added)` follows each.
    template <typename Held>
    void holdAll(std::vector<std::string> &names, MemberMark markWhenNew, Held &&held) {
        names_.insertAll(names, [&](std::size_t at, bool added) {
            held(entryAt(at, added, markWhenNew), added);
        });
    }

    // Re-marks the name when held; otherwise appends it with `markWhenNew` unless that is
    // nullopt. Gives the entry, held or appended (null when neither).
    MemberEntry *mark(const std::string &name, MemberMark markWhenHeld,
                      std::optional<MemberMark> markWhenNew) {
        if (!markWhenNew) {
            MemberEntry *entry = find(name);
            if (entry)
                entry->mark = markWhenHeld;
            return entry;
        }
        bool added = false;
        MemberEntry &entry = hold(name, *markWhenNew, added);
        if (!added)
            entry.mark = markWhenHeld;
        return &entry;
    }

    // Marks not addable every entry that would be written as a member and is refused.
    template <typename RefusalOf> void refuse(RefusalOf &&refusalOf) {
        const std::vector<std::string> &names = names_.names();
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            MemberEntry &entry = entries_[i];
            const bool writes = entry.mark == MemberMark::Add || entry.mark == MemberMark::Static ||
                                (entry.mark == MemberMark::Keep && entry.incomplete);
            if (!writes)
                continue;
            const FoundKind *kind = i < kinds_.size() && kinds_[i] != MemberSet::kNoKind
                                        ? &kindTable_[kinds_[i]]
                                        : nullptr;
            if (RefusalPtr refusal = refusalOf(names[i], kind)) {
                entry.mark = MemberMark::NotAddable;
                entry.reason.refusal = std::move(refusal);
            }
        }
        kinds_ = {};
    }

    // The entries with their names, sorted.
    MemberEntries sorted() && {
        std::vector<std::size_t> order;
        {
            // The index's memory is given back before the sort needs its own.
            std::vector<std::string> names = std::move(names_).take();
            order = NameCollation().order(names);
            for (std::size_t i = 0; i < names.size(); ++i)
                entries_[i].name = std::move(names[i]);
        }
        // Moved into a second list in order: each entry is read once and the list written
        // straight through, where putting them in order in place would move each along a chain of
        // look-ups. The second list takes no more room than the sort just gave back.
        MemberEntries sorted;
        sorted.reserve(order.size());
        constexpr std::size_t kAhead = 8; // entries fetched before they are moved
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (i + kAhead < order.size())
                __builtin_prefetch(&entries_[order[i + kAhead]]);
            sorted.push_back(std::move(entries_[order[i]]));
        }
        return sorted;
    }

  private:
    // The entry of the name at `at`, appended with `markWhenNew` when the name was just added.
    MemberEntry &entryAt(std::size_t at, bool added, MemberMark markWhenNew) {
        if (added)
            entries_.push_back({{}, markWhenNew});
        return entries_[at];
    }

    UniqueNames names_; // position i is the name of entries_[i]
    MemberEntries entries_;
    std::vector<std::uint32_t> kinds_; // of the found names, which come first
    std::vector<FoundKind> kindTable_;
};

} // namespace

MemberEntries MergeOutcome(MemberSet found, OutcomeInputs inputs) {
    Outcome outcome(std::move(found), inputs.currentMembers.size() + inputs.halfWritten.size() +
                                          (inputs.staticNames ? inputs.staticNames->size() : 0));

    const MemberMark notFound = inputs.addMode ? MemberMark::Keep : MemberMark::Remove;
    outcome.holdAll(inputs.currentMembers, notFound, [](MemberEntry &entry, bool added) {
        // Each member once, or a second spelling of an unfound member would re-mark it keep.
        if (!added && entry.reason.member)
            return;
        if (!added)
            entry.mark = MemberMark::Keep;
        entry.reason.member = true;
    });
    inputs.currentMembers = {};

    // Before the lists, so a static name is completed and an excluded one finishes leaving.
    outcome.holdAll(inputs.halfWritten, MemberMark::Remove,
                    [](MemberEntry &entry, bool) { entry.incomplete = true; });

    if (inputs.staticNames)
        for (const std::string &name : *inputs.staticNames)
            outcome.mark(name, MemberMark::Static, MemberMark::Static)->reason.onStaticList = true;

    // Last, so a name on both lists ends up excluded.
    if (inputs.excludeNames)
        for (const std::string &name : *inputs.excludeNames)
            if (MemberEntry *entry = outcome.mark(name, MemberMark::Excluded, std::nullopt))
                entry->reason.onExcludeList = true;

    if (inputs.refusalOf)
        outcome.refuse(inputs.refusalOf);

    return std::move(outcome).sorted();
}

} // namespace tarnbeck
