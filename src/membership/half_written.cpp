#include "membership/half_written.h"

#include "directory/directory_error.h"
#include "directory/search.h"
#include "directory/text_compare.h"
#include "directory/values_reader.h"
#include "membership/name_list.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <unordered_map>

namespace tarnbeck {

using namespace dsclient;

namespace {

enum Side : std::uint8_t {
    InMember = 1,
    InGroupMembership = 2,
    InSecurityEquals = 4,
    InEquivalentToMe = 8,
    AllSides = 15,
};

// The filter for objects whose `attribute` holds the group.
FilterPtr HoldersFilter(std::string_view attribute, std::string_view groupName) {
    FilterPtr filter;
    CheckStatus(AllocFilter(filter));
    CheckStatus(AddFilterToken(*filter, FTOK_ANAME, attribute, SYN_CI_STRING));
    CheckStatus(AddFilterToken(*filter, FTOK_EQ, {}, 0));
    CheckStatus(AddFilterToken(*filter, FTOK_AVAL, groupName, SYN_DIST_NAME));
    CheckStatus(AddFilterToken(*filter, FTOK_END, {}, 0));
    return filter;
}

} // namespace

std::vector<std::string> FindHalfWrittenMembers(ContextHandle context, std::string_view groupName,
                                                const std::vector<std::string> &currentMembers) {
    // The sides each name holds, keyed by views of the current members and, for the names that
    // are no members, of copies kept in `others` (a deque does not move what it holds). On a
    // whole group of many members the searches return the members themselves, so nothing of
    // theirs is copied.
    std::unordered_map<std::string_view, std::uint8_t, NameHash, NameEqual> sides;
    std::deque<std::string> others;
    sides.reserve(currentMembers.size());
    for (const std::string &name : currentMembers)
        sides[name] |= InMember;
    const auto mark = [&](const std::string &name, Side side) {
        if (const auto held = sides.find(name); held != sides.end()) {
            held->second |= side;
            return;
        }
        sides.emplace(others.emplace_back(name), side);
    };
    // A '*' in the group's name is a wildcard to the search, which then also finds the holders
    // of other groups: each one found is confirmed by its own values (such names are rare).
    const bool wildcard = groupName.find('*') != std::string_view::npos;
    const auto markHolders = [&](std::string_view attribute, Side side) {
        std::vector<std::string> unconfirmed;
        VisitFoundNames(context, "[Root]", HoldersFilter(attribute, groupName), SearchScope::Sub,
                        [&](const std::string &name) {
                            if (wildcard)
                                unconfirmed.push_back(name);
                            else
                                mark(name, side);
                        });
        for (const std::string &name : unconfirmed) {
            const std::vector<std::string> held = ReadNames(context, name, attribute);
            if (std::any_of(held.begin(), held.end(), [&](const std::string &group) {
                    return NameEqual{}(group, groupName);
                }))
                mark(name, side);
        }
    };
    markHolders("Group Membership", InGroupMembership);
    markHolders("Security Equals", InSecurityEquals);
    // Marking twice is marking once, so a read that starts over needs no undoing.
    VisitValueTexts(
        context, groupName, "Equivalent To Me",
        [&](std::string &&name) { mark(name, InEquivalentToMe); }, [] {});

    std::vector<std::string> halfWritten;
    for (const auto &[name, held] : sides)
        if (held != AllSides)
            halfWritten.emplace_back(name);
    return halfWritten;
}

} // namespace tarnbeck
