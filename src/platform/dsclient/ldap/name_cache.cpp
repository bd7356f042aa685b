#include "platform/dsclient/ldap/name_cache.h"

#include "platform/dsclient/embedded/names.h"
#include "platform/dsclient/text_fold.h"

#include <algorithm>

namespace dsclient::ldap {

std::optional<std::string> NameCache::Find(std::string_view dotted) const {
    const auto found = dns_.find(FoldCase(dotted));
    if (found == dns_.end())
        return std::nullopt;
    return found->second;
}

void NameCache::Remember(std::string_view dotted, std::string_view dn,
                         std::string_view parentDotted, std::string_view namingAttribute) {
    if (dns_.size() >= kMaxNames)
        Clear();
    dns_[FoldCase(dotted)] = std::string(dn);
    auto &attributes = namingUnder_[FoldCase(parentDotted)];
    const std::string attribute = embedded::LowerAscii(namingAttribute);
    if (!attributes.empty() && attributes.front() == attribute)
        return;
    attributes.erase(std::remove(attributes.begin(), attributes.end(), attribute),
                     attributes.end());
    attributes.insert(attributes.begin(), attribute);
}

void NameCache::Forget(std::string_view dotted) {
    dns_.erase(FoldCase(dotted));
}

void NameCache::Clear() {
    dns_.clear();
    namingUnder_.clear();
}

std::vector<std::string> NameCache::NamingAttributesUnder(std::string_view parentDotted) const {
    const auto found = namingUnder_.find(FoldCase(parentDotted));
    return found == namingUnder_.end() ? std::vector<std::string>() : found->second;
}

} // namespace dsclient::ldap
