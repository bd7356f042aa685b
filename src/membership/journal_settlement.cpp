#include "membership/journal_settlement.h"

#include "directory/directory_error.h"
#include "directory/text_compare.h"
#include "membership/half_written.h"
#include "membership/name_list.h"

#include <algorithm>
#include <array>
#include <unordered_set>

namespace tarnbeck {

namespace {

constexpr std::array<const char *, 4> kSides = {"Member", "Equivalent To Me", "Group Membership",
                                                "Security Equals"};

using NameSet = std::unordered_set<std::string>;

NameSet LowerSet(const std::vector<std::string> &names) {
    NameSet set;
    set.reserve(names.size());
    for (const std::string &name : names)
        set.insert(ToLowerAscii(name));
    return set;
}

// Does the member's attribute hold the group? A member deleted since holds nothing.
bool Holds(dsclient::ContextHandle context, const std::string &member, const char *attribute,
           const std::string &group) {
    try {
        const std::vector<std::string> values = ReadNames(context, member, attribute);
        return std::any_of(values.begin(), values.end(), [&](const std::string &value) {
            return EqualsIgnoreCase(value, group);
        });
    } catch (const DirectoryError &error) {
        if (error.status() == dsclient::status::NoSuchEntry)
            return false;
        throw;
    }
}

} // namespace

journal::Settlement SettlementOf(const journal::UnsettledWrite &write,
                                 const std::vector<std::string> &heldSides) {
    journal::Settlement settlement{write.run, write.index, {}, {}};
    const bool adds = write.action != "remove";
    std::string written; // the sides in the state the write aims at
    std::size_t count = 0;
    for (const char *side : kSides) {
        const bool held = std::find(heldSides.begin(), heldSides.end(), side) != heldSides.end();
        if (held == adds) {
            written += (written.empty() ? "" : ", ") + std::string(side);
            ++count;
        }
    }
    if (count == kSides.size())
        settlement.outcome = "written";
    else if (write.action == "complete")
        settlement.outcome = "not known";
    else if (count == 0)
        settlement.outcome = "not written";
    else {
        settlement.outcome = "written";
        settlement.sides = written;
    }
    return settlement;
}

std::size_t SettleUnfinishedRun(dsclient::ContextHandle context, journal::UpdateJournal &journal,
                                const std::string &tree, const std::string &group) {
    const std::vector<journal::UnsettledWrite> writes = journal.unsettled(tree, group);
    if (writes.empty())
        return 0;
    const std::vector<std::string> memberNames = ReadNames(context, group, "Member");
    const NameSet members = LowerSet(memberNames);
    const NameSet toMe = LowerSet(ReadNames(context, group, "Equivalent To Me"));
    // Whoever is not half-written holds all four sides when a member, else none.
    const NameSet half = LowerSet(FindHalfWrittenMembers(context, group, memberNames));
    std::vector<journal::Settlement> settlements;
    settlements.reserve(writes.size());
    for (const journal::UnsettledWrite &write : writes) {
        const std::string key = ToLowerAscii(write.name);
        std::vector<std::string> held;
        const bool member = members.count(key) > 0;
        if (!half.count(key)) {
            if (member)
                held.assign(kSides.begin(), kSides.end());
        } else {
            if (member)
                held.emplace_back(kSides[0]);
            if (toMe.count(key))
                held.emplace_back(kSides[1]);
            for (const char *side : {kSides[2], kSides[3]})
                if (Holds(context, write.name, side, group))
                    held.emplace_back(side);
        }
        settlements.push_back(SettlementOf(write, held));
    }
    journal.settle(settlements);
    return settlements.size();
}

} // namespace tarnbeck
