#include "query/query_string.h"

namespace tarnbeck {

std::string ComposeQueryString(const std::string &context, const std::string &scopeText,
                               const std::string &filter) {
    const std::string shownContext = context == "cn=[root]" ? std::string() : context;
    return "ldap:///" + shownContext + "??" + scopeText + "?" + filter;
}

} // namespace tarnbeck
