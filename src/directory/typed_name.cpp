#include "directory/typed_name.h"

#include "directory/names.h"
#include "directory/object_info.h"
#include "directory/text_compare.h"

#include <string_view>
#include <utility>

namespace tarnbeck {

namespace {

std::string EscapeCommas(const std::string &text) {
    std::string out;
    for (char c : text) {
        if (c == ',')
            out += '\\';
        out += c;
    }
    return out;
}

} // namespace

std::string NamingPrefix(dsclient::ContextHandle context, const NameNode *node) {
    static const std::pair<std::string_view, std::string_view> kNamingAttributes[] = {
        {"domain", "dc"},
        {"country", "c"},
        {"locality", "l"},
        {"organization", "o"},
        {"organizational unit", "ou"},
    };
    const std::string baseClass = ToLowerAscii(ObjectBaseClass(context, DottedName(node)));
    for (const auto &[className, attribute] : kNamingAttributes)
        if (baseClass == className)
            return std::string(attribute) + "=";
    return "cn=";
}

std::string TypedName(dsclient::ContextHandle context, const NameNode *node) {
    if (!node)
        return {};
    const std::string prefix = NamingPrefix(context, node);
    if (node->level() == 0)
        return prefix + node->text();
    std::string name = prefix + EscapeCommas(node->text());
    if (node->level() >= 2 && node->parent())
        name += "." + TypedName(context, node->parent());
    return name;
}

} // namespace tarnbeck
