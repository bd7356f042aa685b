#include "membership/half_written.h"

#include "directory/directory_error.h"
#include "directory/search.h"
#include "directory/unique_names.h"
#include "directory/values_reader.h"

#include <cstdint>
#include <deque>

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
    // The names met, each once, with the sides each holds: views of the current members and,
    // for the names that are no members, of copies kept in `others` (a deque does not move
    // what it holds). On a whole group of many members the searches meet the members
    // themselves, so nothing of theirs is copied.
    UniqueNameViews names;
    std::deque<std::string> others;
    std::vector<std::uint8_t> sides;
    const auto note = [&](std::size_t at, bool added, Side side) {
        if (added)
            sides.push_back(0);
        sides[at] |= side;
    };
    {
        std::vector<std::string_view> members(currentMembers.begin(), currentMembers.end());
        names.reserve(members.size());
        sides.reserve(members.size());
        names.insertAll(members, [&](std::size_t at, bool added) { note(at, added, InMember); });
    }
    const auto mark = [&](const std::string &name, Side side) {
        std::size_t at = names.find(name);
        bool added = false;
        if (at == UniqueNameViews::kNotHeld)
            at = names.insert(others.emplace_back(name), added);
        note(at, added, side);
    };
    // A reference compares exactly, "*" and all, so what the search finds holds the group.
    const auto markHolders = [&](std::string_view attribute, Side side) {
        VisitFoundNames(context, "[Root]", HoldersFilter(attribute, groupName), SearchScope::Sub,
                        [&](const std::string &name) { mark(name, side); });
    };
    markHolders("Group Membership", InGroupMembership);
    markHolders("Security Equals", InSecurityEquals);
    // Marking twice is marking once, so a read that starts over needs no undoing.
    VisitValueTexts(
        context, groupName, "Equivalent To Me",
        [&](std::string &&name) { mark(name, InEquivalentToMe); }, [] {});

    std::vector<std::string> halfWritten;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (sides[i] != AllSides)
            halfWritten.emplace_back(names.names()[i]);
    return halfWritten;
}

} // namespace tarnbeck
