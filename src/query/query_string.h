#pragma once

#include <string>

namespace tarnbeck {

// The text form of one query: "ldap:///" + context + "??" + scope word + "?" + filter. The
// context "cn=[root]" is left out. Nothing is escaped.
std::string ComposeQueryString(const std::string &context, const std::string &scopeText,
                               const std::string &filter);

} // namespace tarnbeck
