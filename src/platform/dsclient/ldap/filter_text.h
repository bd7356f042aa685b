#pragma once

// A client filter as an RFC 4515 string, every value escaped by libldap. The semantics stay the
// directory's: "*" in an equality value of a string syntax is a wildcard (a reference compares
// exactly, as the one object it names), numbers compare as numbers, a comparison on an
// attribute the server does not know matches nothing, and the relative name is the value of
// whichever attribute names the object.

#include "platform/dsclient/filter.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace dsclient::ldap {

struct FilterAttribute {
    std::string ldapName;
    std::uint32_t syntax = 0;
};

struct FilterContext {
    // The server's name and the syntax of a directory attribute; nullopt when it has none.
    std::function<std::optional<FilterAttribute>(std::string_view)> attribute;
    // The LDAP name of a directory class.
    std::function<std::string(std::string_view)> className;
    // The DN of a dotted name; nullopt when it names nothing.
    std::function<std::optional<std::string>(std::string_view)> dn;
};

// A filter no entry satisfies (its negation is satisfied by all).
inline constexpr const char *kMatchesNothing = "(!(objectClass=*))";

std::string FilterText(const FilterNode &expression, const FilterContext &context);

// A value escaped for use inside a filter.
std::string EscapeFilterValue(std::string_view value);

} // namespace dsclient::ldap
