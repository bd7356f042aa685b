#pragma once

// The text form of one query, "ldap:///" + context + "??" + scope word + "?" + filter, and its
// reading back into the editor's three parts.

#include "query/query_definition.h"
#include "query/query_list.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnbeck {

// The context "cn=[root]" is left out. Nothing is escaped.
std::string ComposeQueryString(const std::string &context, const std::string &scopeText,
                               const std::string &filter);

// Splits an entry of the list into its parts. An index past the list gives an empty context,
// scope sub and the default filter. Unknown scope words read as sub; an empty filter becomes
// the default filter of the list's member class.
QueryDefinition ParseQueryString(const QueryList &queries, std::size_t index);

// The filter a query gets when its own is empty: "(&(objectclass=" + member class word + "))".
std::string DefaultFilter(const std::string &memberClassWord);

// The word the scope box shows for a scope: "base", "one" or "sub".
std::string_view ScopeWord(SearchScope scope);

} // namespace tarnbeck
