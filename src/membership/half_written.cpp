#include "membership/half_written.h"

#include "directory/directory_error.h"
#include "directory/search.h"
#include "directory/text_compare.h"
#include "membership/name_list.h"

#include <cstdint>
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

// The objects of the whole tree whose `attribute` holds the group.
std::vector<std::string> HoldersOf(ContextHandle context, std::string_view attribute,
                                   std::string_view groupName) {
    FilterPtr filter;
    CheckStatus(AllocFilter(filter));
    CheckStatus(AddFilterToken(*filter, FTOK_ANAME, attribute, SYN_CI_STRING));
    CheckStatus(AddFilterToken(*filter, FTOK_EQ, {}, 0));
    CheckStatus(AddFilterToken(*filter, FTOK_AVAL, groupName, SYN_DIST_NAME));
    CheckStatus(AddFilterToken(*filter, FTOK_END, {}, 0));
    Status passStatus = status::Ok;
    const ValueList result = SearchObjects(context, "[Root]", std::move(filter), SearchScope::Sub,
                                           {}, nullptr, &passStatus);
    CheckStatus(passStatus);
    std::vector<std::string> names;
    names.reserve(result.size() / 2);
    for (std::size_t i = 1; i < result.size(); i += 2)
        names.push_back(result[i].text);
    return names;
}

} // namespace

std::vector<std::string> FindHalfWrittenMembers(ContextHandle context, std::string_view groupName,
                                                const std::vector<std::string> &currentMembers) {
    // Views of the names below, which all outlive the map.
    std::unordered_map<std::string_view, std::uint8_t, NameHash, NameEqual> sides;
    const auto mark = [&sides](const std::vector<std::string> &names, Side side) {
        for (const std::string &name : names)
            sides[name] |= side;
    };
    const std::vector<std::string> memberships =
        HoldersOf(context, "Group Membership", groupName);
    const std::vector<std::string> equivalents = HoldersOf(context, "Security Equals", groupName);
    const std::vector<std::string> equivalentToGroup =
        ReadList(context, groupName, "Equivalent To Me");
    sides.reserve(currentMembers.size() + memberships.size());
    mark(currentMembers, InMember);
    mark(memberships, InGroupMembership);
    mark(equivalents, InSecurityEquals);
    mark(equivalentToGroup, InEquivalentToMe);

    std::vector<std::string> halfWritten;
    for (const auto &[name, held] : sides)
        if (held != AllSides)
            halfWritten.emplace_back(name);
    return halfWritten;
}

} // namespace tarnbeck
